// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/lists/RowCells.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

// Chunks grow from small (a short list wastes little) to large (a long list allocates rarely).
constexpr qsizetype firstChunkBytes = 64 * 1024;
constexpr qsizetype largestChunkBytes = 2 * 1024 * 1024;

#ifdef Q_OS_LINUX
// Large chunks let go by a list wait here for the next load, up to a limit: a reload then
// writes into memory that is already present instead of paying for fresh pages again.
class ChunkPool
{
public:
    static constexpr int kept = 24; // 48 MiB at most

    char *take()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free.empty()) {
            return nullptr;
        }
        char *chunk = m_free.back();
        m_free.pop_back();
        return chunk;
    }
    void give(char *chunk)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (int(m_free.size()) < kept) {
                m_free.push_back(chunk);
                return;
            }
        }
        munmap(chunk, size_t(largestChunkBytes));
    }

private:
    std::mutex m_mutex;
    std::vector<char *> m_free;
};

ChunkPool &chunkPool()
{
    static ChunkPool *pool = new ChunkPool; // never destroyed: rows may outlive static destruction
    return *pool;
}
#endif

#ifdef Q_OS_LINUX
// A long list is written into fresh memory, and a fault per 4 KiB page cost the first load more
// than building its rows. A large chunk is therefore mapped on a 2 MiB boundary with huge pages
// asked for (one fault for the whole chunk where the system has them) and made present in one
// call either way. Null when the system refuses the memory.
char *mapLargestChunk()
{
    const auto chunkBytes = size_t(largestChunkBytes);
    const size_t span = 2 * chunkBytes; // room to find a 2 MiB boundary inside
    void *mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + chunkBytes - 1) & ~std::uintptr_t(chunkBytes - 1);
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    if (const std::uintptr_t end = aligned + chunkBytes; start + span > end) {
        munmap(reinterpret_cast<void *>(end), start + span - end);
    }
    auto *chunk = reinterpret_cast<char *>(aligned);
    madvise(chunk, chunkBytes, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    madvise(chunk, chunkBytes, MADV_POPULATE_WRITE); // older kernels refuse it: pages then come on use
#endif
    return chunk;
}
#endif

std::shared_ptr<char[]> newChunk(qsizetype bytes)
{
#if defined(Q_OS_LINUX) && !defined(TAPRELL_PLAIN_ROW_CHUNKS) // plain allocation, for comparison
    if (bytes == largestChunkBytes) {
        char *chunk = chunkPool().take();
        if (!chunk) {
            chunk = mapLargestChunk();
        }
        if (chunk) {
            return std::shared_ptr<char[]>(chunk, [](char *p) { chunkPool().give(p); });
        }
    }
#endif
    return std::shared_ptr<char[]>(new char[size_t(bytes)]);
}

} // namespace

RowCells::RowCells(const QList<QString> &cells)
{
    RowCellsBuilder builder;
    for (const QString &cell : cells) {
        builder.append(cell);
    }
    *this = builder.take();
}

RowCells::RowCells(std::initializer_list<QString> cells)
{
    RowCellsBuilder builder;
    for (const QString &cell : cells) {
        builder.append(cell);
    }
    *this = builder.take();
}

quint16 RowCells::header() const
{
    if (!m_block) {
        return 0;
    }
    quint16 header;
    std::memcpy(&header, m_block, 2);
    return header;
}

QByteArrayView RowCells::bytes() const
{
    if (!m_block) {
        return {};
    }
    const int n = size();
    return QByteArrayView(m_block, textStart() + (n > 0 ? endOf(n - 1) : 0));
}

int RowCells::size() const
{
    return header() & ~wideOffsets;
}

quint32 RowCells::endOf(int i) const
{
    const char *at = m_block + 2;
    if (offsetWidth() == 4) {
        quint32 end;
        std::memcpy(&end, at + 4 * qsizetype(i), 4);
        return end;
    }
    quint16 end;
    std::memcpy(&end, at + 2 * qsizetype(i), 2);
    return end;
}

QByteArrayView RowCells::utf8(int i) const
{
    if (i < 0 || i >= size()) {
        return {};
    }
    const quint32 start = startOf(i);
    return QByteArrayView(m_block + textStart() + start, endOf(i) - start);
}

QString RowCells::operator[](int i) const
{
    const QByteArrayView text = utf8(i);
    return text.isEmpty() ? QStringLiteral("") : QString::fromUtf8(text);
}

QList<QString> RowCells::toList() const
{
    QList<QString> cells;
    const int n = size();
    cells.reserve(n);
    for (int i = 0; i < n; ++i) {
        cells.append((*this)[i]);
    }
    return cells;
}

void RowCells::resize(int n)
{
    if (n == size()) {
        return;
    }
    RowCellsBuilder builder;
    for (int i = 0; i < n; ++i) {
        builder.appendUtf8(utf8(i));
    }
    *this = builder.take();
}

void RowCells::set(int i, QStringView text)
{
    if (i < 0) {
        return;
    }
    const QByteArray replacement = text.toUtf8();
    RowCellsBuilder builder;
    const int n = std::max(size(), i + 1);
    for (int c = 0; c < n; ++c) {
        builder.appendUtf8(c == i ? QByteArrayView(replacement) : utf8(c));
    }
    *this = builder.take();
}

void RowCells::append(QStringView text)
{
    set(size(), text);
}

void RowCellsBuilder::appendUtf8(QByteArrayView text)
{
    m_text.append(text.data(), text.size());
    m_ends.append(static_cast<quint32>(m_text.size()));
}

void RowCellsBuilder::append(QStringView text)
{
    appendUtf8(text.toUtf8());
}

RowCells RowCellsBuilder::take()
{
    RowCells row;
    const auto n = static_cast<quint16>(std::min<qsizetype>(m_ends.size(), 0x7fff));
    const bool wide = m_text.size() > 0xffff;
    const int width = wide ? 4 : 2;
    const qsizetype bytes = 2 + width * qsizetype(n) + m_text.size();
    char *out = nullptr;
    if (m_memory == Memory::SharedChunks) {
        if (!m_chunk || m_chunkUsed + bytes > m_chunkSize) {
            const qsizetype next = m_chunk ? std::min(m_chunkSize * 2, largestChunkBytes) : firstChunkBytes;
            m_chunkSize = std::max(bytes, next);
            m_chunk = newChunk(m_chunkSize);
            m_chunkUsed = 0;
        }
        out = m_chunk.get() + m_chunkUsed;
        m_chunkUsed += bytes;
        row.m_owner = m_chunk;
    } else {
        std::shared_ptr<char[]> own(new char[size_t(bytes)]);
        out = own.get();
        row.m_owner = std::move(own);
    }
    row.m_block = out;
    const quint16 header = n | (wide ? RowCells::wideOffsets : 0);
    std::memcpy(out, &header, 2);
    for (int i = 0; i < n; ++i) {
        if (wide) {
            std::memcpy(out + 2 + 4 * i, &m_ends[i], 4);
        } else {
            const auto end = static_cast<quint16>(m_ends[i]);
            std::memcpy(out + 2 + 2 * i, &end, 2);
        }
    }
    std::memcpy(out + 2 + width * qsizetype(n), m_text.constData(), size_t(m_text.size()));
    m_text.resize(0); // keeps the capacity for the next row
    m_ends.resize(0);
    return row;
}
