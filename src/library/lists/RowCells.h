// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVarLengthArray>

#include <initializer_list>
#include <memory>

// The texts of one list row, kept compact: one block of UTF-8 with the cells' end offsets in
// front, so a row of 24 cells is one piece of memory rather than 24 strings. A long list of
// figures holds far more rows than anyone looks at; reading a cell makes its text when it is
// asked for. The rows of one load share large chunks (see RowCellsBuilder), so loading a list
// is not a hundred thousand allocations; a row that is edited gets a block of its own.
// Cells hold text only: a cell that was read as "no value" reads back as the empty text.
class RowCells
{
public:
    RowCells() = default;
    RowCells(const QList<QString> &cells);
    RowCells(std::initializer_list<QString> cells);

    int size() const;
    bool isEmpty() const { return size() == 0; }
    QString operator[](int i) const;
    QByteArrayView utf8(int i) const;
    // Padded with empty cells or cut to n cells.
    void resize(int n);
    void set(int i, QStringView text);
    void append(QStringView text);

    QList<QString> toList() const;
    operator QList<QString>() const { return toList(); }

    friend bool operator==(const RowCells &a, const RowCells &b) { return a.bytes() == b.bytes(); }

private:
    friend class RowCellsBuilder;
    QByteArrayView bytes() const;
    quint16 header() const;
    int offsetWidth() const { return header() & wideOffsets ? 4 : 2; }
    quint32 endOf(int i) const;
    quint32 startOf(int i) const { return i == 0 ? 0 : endOf(i - 1); }
    qsizetype textStart() const { return 2 + offsetWidth() * qsizetype(size()); }

    static constexpr quint16 wideOffsets = 0x8000;
    // The block: [header: the cell count, and whether offsets take 4 bytes: 2 bytes][end offset of
    // each cell: 2 bytes each, or 4 when the row's text is 64 KiB or longer][the cells' UTF-8, one
    // after another]. It lives in memory that m_owner keeps alive; null for a row of no cells.
    std::shared_ptr<const char[]> m_owner;
    const char *m_block = nullptr;
};

Q_DECLARE_TYPEINFO(RowCells, Q_RELOCATABLE_TYPE);

// Builds a row cell by cell, straight from UTF-8 as the library hands it over.
class RowCellsBuilder
{
public:
    enum class Memory
    {
        OwnBlock,     // each row one block of exactly its size
        SharedChunks, // rows placed one after another in large chunks: a list load
    };
    explicit RowCellsBuilder(Memory memory = Memory::OwnBlock)
        : m_memory(memory)
    {
    }

    void appendUtf8(QByteArrayView text);
    void append(QStringView text);
    int size() const { return static_cast<int>(m_ends.size()); }
    // The row built so far; the builder starts a new one.
    RowCells take();

private:
    Memory m_memory;
    // The row being built; a row's cells and text fit the inline room unless it is unusually long.
    QVarLengthArray<char, 1024> m_text;
    QVarLengthArray<quint32, 32> m_ends;
    std::shared_ptr<char[]> m_chunk;
    qsizetype m_chunkUsed = 0;
    qsizetype m_chunkSize = 0;
};
