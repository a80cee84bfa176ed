// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/TextDecoding.h>
#include <samples/DelimitedTable.h>

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace samples {

namespace {

constexpr qsizetype blockSize = 4 << 20;
// A record longer than this (an unclosed quote, a file that is no table) is refused.
constexpr qsizetype maxRecordLength = 64 << 20;

struct Field
{
    char *begin;
    char *end;
    bool doubledQuotes; // "" inside: to be made single before use
};

// Splits records off a buffer. A record ends at a line end outside quotes.
class RecordSplitter
{
public:
    explicit RecordSplitter(char delimiter)
        : m_delimiter(delimiter)
    {
    }

    // Splits the record at p into fields. Returns where the next record starts, or nullptr when
    // the buffer ends inside the record and more may come (atEnd false). Nothing is changed in
    // the buffer before the record is known to be complete.
    char *split(char *p, char *end, bool atEnd, std::vector<Field> &fields, bool &unclosedQuote)
    {
        fields.clear();
        unclosedQuote = false;
        for (;;) {
            Field field{p, p, false};
            if (p < end && *p == '"') {
                // Quoted: up to the quote not doubled; what follows it up to the delimiter is kept.
                char *q = p + 1;
                for (;;) {
                    q = static_cast<char *>(std::memchr(q, '"', size_t(end - q)));
                    if (!q) {
                        if (!atEnd) {
                            return nullptr;
                        }
                        unclosedQuote = true;
                        q = end;
                        break;
                    }
                    if (q + 1 < end && q[1] == '"') {
                        field.doubledQuotes = true;
                        q += 2;
                        continue;
                    }
                    if (q + 1 == end && !atEnd) {
                        return nullptr;
                    }
                    break;
                }
                field.begin = p + 1;
                field.end = q;
                p = q < end ? q + 1 : q;
                while (p < end && *p != m_delimiter && *p != '\n' && *p != '\r') {
                    ++p;
                }
            } else {
                while (p < end && *p != m_delimiter && *p != '\n' && *p != '\r') {
                    ++p;
                }
                field.end = p;
            }
            if (p == end && !atEnd) {
                return nullptr;
            }
            fields.push_back(field);
            if (p == end) {
                return p;
            }
            if (*p == m_delimiter) {
                ++p;
                continue;
            }
            if (*p == '\r') {
                if (p + 1 == end && !atEnd) {
                    return nullptr;
                }
                if (p + 1 < end && p[1] == '\n') {
                    ++p;
                }
            }
            return p + 1;
        }
    }

private:
    char m_delimiter;
};

std::string_view fieldText(Field &field)
{
    if (field.doubledQuotes) {
        char *out = field.begin;
        for (char *in = field.begin; in < field.end; ++in) {
            *out++ = *in;
            if (*in == '"' && in + 1 < field.end && in[1] == '"') {
                ++in;
            }
        }
        field.end = out;
        field.doubledQuotes = false;
    }
    return {field.begin, size_t(field.end - field.begin)};
}

constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// An unquoted field from p to the delimiter or the line end, whichever comes first. When it is a
// plain decimal number (sign, up to 19 significant digits, one separator, no exponent) that one
// multiplication or division rounds exactly, its value comes with it; anything else is left
// for TableBuilder::setText, which reads the rest.
inline const char *plainField(const char *p, const char *lineEnd, char delimiter, char separator, double &value,
                              bool &number)
{
    bool negative = false;
    if (p < lineEnd && *p == '-') {
        negative = true;
        ++p;
    }
    uint64_t mantissa = 0;
    int significant = 0;
    int exponent = 0;
    int digits = 0;
    for (; p < lineEnd && unsigned(*p - '0') < 10; ++p, ++digits) {
        mantissa = mantissa * 10 + uint64_t(*p - '0');
        significant += mantissa != 0;
    }
    if (p < lineEnd && *p == separator) {
        for (++p; p < lineEnd && unsigned(*p - '0') < 10; ++p, ++digits) {
            mantissa = mantissa * 10 + uint64_t(*p - '0');
            significant += mantissa != 0;
            --exponent;
        }
    }
    if (digits > 0 && significant <= 15 && exponent >= -22 && (p == lineEnd || *p == delimiter)) {
        const double magnitude = double(mantissa) / exactPowersOfTen[-exponent];
        value = negative ? -magnitude : magnitude;
        number = true;
        return p;
    }
    number = false;
    const char *next = static_cast<const char *>(std::memchr(p, delimiter, size_t(lineEnd - p)));
    return next ? next : lineEnd;
}

bool isBlank(const char *begin, const char *end)
{
    for (; begin < end; ++begin) {
        if (*begin != ' ' && *begin != '\t') {
            return false;
        }
    }
    return true;
}

bool isEmptyRecord(const std::vector<Field> &fields)
{
    for (const Field &field : fields) {
        for (const char *c = field.begin; c < field.end; ++c) {
            if (*c != ' ' && *c != '\t') {
                return false;
            }
        }
    }
    return true;
}

// Reads records from UTF-8 bytes handed over block by block.
class DelimitedParser
{
public:
    DelimitedParser(const DelimitedOptions &options)
        : m_options(options)
        , m_splitter(options.delimiter)
    {
    }

    // Takes the records that are complete in [begin, end); returns where the unfinished one
    // starts. False on an error (see result()).
    bool parse(char *begin, char *end, bool atEnd, char *&rest)
    {
        char *p = begin;
        // Records without quotes end at their line end, so all up to the last one can take the
        // fast way, which reads numbers as it splits fields.
        char *fastEnd = p;
        if (m_haveHeader) {
            fastEnd = static_cast<char *>(memrchr(p, '\n', size_t(end - p)));
            fastEnd = fastEnd ? fastEnd + 1 : p;
        }
        char *nextQuote = nullptr;
        while (p < end) {
            if (p < fastEnd) {
                if (nextQuote < p) {
                    nextQuote = static_cast<char *>(std::memchr(p, '"', size_t(fastEnd - p)));
                    if (!nextQuote) {
                        nextQuote = fastEnd;
                    }
                }
                char *lineEnd = static_cast<char *>(std::memchr(p, '\n', size_t(fastEnd - p)));
                if (lineEnd < nextQuote) {
                    if (!takeLine(p, lineEnd)) {
                        return false;
                    }
                    p = lineEnd + 1;
                    continue;
                }
            }
            bool unclosedQuote = false;
            char *next = m_splitter.split(p, end, atEnd, m_fields, unclosedQuote);
            if (!next) {
                break;
            }
            const qsizetype firstLine = m_line + 1;
            m_line += std::count(p, next, '\n') + (next == end && next[-1] != '\n' ? 1 : 0);
            if (unclosedQuote) {
                m_error = QCoreApplication::translate("DelimitedTable", "第 %1 行的引号没有闭合。").arg(firstLine);
                return false;
            }
            p = next;
            if (!takeRecord(firstLine)) {
                return false;
            }
        }
        if (p < end && end - p > maxRecordLength) {
            m_error = QCoreApplication::translate("DelimitedTable",
                                                  "第 %1 行起的一行超过 %2 MB：不是样品表，或有引号没有闭合。")
                          .arg(m_line + 1)
                          .arg(maxRecordLength >> 20);
            return false;
        }
        rest = p;
        return true;
    }

    // After the last block.
    ReadResult result()
    {
        ReadResult result;
        if (m_error.isEmpty() && !m_haveHeader) {
            m_error = QCoreApplication::translate("DelimitedTable", "没有表头，也没有样品：文本是空的。");
        } else if (m_error.isEmpty() && m_builder->rowCount() == 0) {
            m_error = QCoreApplication::translate("DelimitedTable", "只有表头，没有样品。");
        }
        result.error = m_error;
        if (result.error.isEmpty()) {
            result.table = m_builder->take();
        }
        return result;
    }

    qsizetype recordsRead() const { return m_builder ? m_builder->rowCount() : 0; }
    void reserveRows(qsizetype rows)
    {
        if (m_builder) {
            m_builder->reserveRows(rows);
        }
    }

private:
    // A record without quotes, up to its line end.
    bool takeLine(const char *p, const char *lineEnd)
    {
        ++m_line;
        if (lineEnd > p && lineEnd[-1] == '\r') {
            --lineEnd;
        }
        const char delimiter = m_options.delimiter;
        const char separator = m_builder->decimalSeparator();
        const qsizetype columns = m_builder->columnCount();
        for (qsizetype column = 0;; ++column) {
            double value = 0;
            bool number = false;
            const char *fieldEnd = plainField(p, lineEnd, delimiter, separator, value, number);
            if (column < columns) {
                if (number) {
                    m_builder->setNumber(column, value);
                } else if (fieldEnd > p) {
                    m_builder->setText(column, {p, size_t(fieldEnd - p)});
                }
            } else if (!isBlank(p, fieldEnd)) {
                m_error = QCoreApplication::translate("DelimitedTable", "第 %1 行有 %2 个字段，比表头的 %3 列多。")
                              .arg(m_line)
                              .arg(column + 1 + std::count(fieldEnd, lineEnd, delimiter))
                              .arg(columns);
                return false;
            }
            if (fieldEnd == lineEnd) {
                break;
            }
            p = fieldEnd + 1;
        }
        m_builder->endRow();
        return true;
    }

    bool takeRecord(qsizetype line)
    {
        if (isEmptyRecord(m_fields)) {
            return true;
        }
        if (!m_haveHeader) {
            if (qsizetype(m_fields.size()) > maxColumns) {
                m_error = QCoreApplication::translate("DelimitedTable", "表有 %1 列，最多只能有 %2 列。")
                              .arg(m_fields.size())
                              .arg(maxColumns);
                return false;
            }
            QStringList names;
            for (Field &field : m_fields) {
                const std::string_view text = fieldText(field);
                names << QString::fromUtf8(text.data(), qsizetype(text.size()));
            }
            const bool comma = m_options.decimal == DelimitedOptions::Decimal::Comma ||
                               (m_options.decimal == DelimitedOptions::Decimal::Auto && m_options.delimiter == ';');
            m_builder.emplace(comma ? TableBuilder::Decimal::Comma : TableBuilder::Decimal::Point);
            if (!m_builder->setHeader(names)) {
                m_error = m_builder->error();
                return false;
            }
            m_haveHeader = true;
            return true;
        }
        const qsizetype columns = m_builder->columnCount();
        for (qsizetype i = columns; i < qsizetype(m_fields.size()); ++i) {
            if (!isEmptyRecord({m_fields[size_t(i)]})) {
                m_error = QCoreApplication::translate("DelimitedTable", "第 %1 行有 %2 个字段，比表头的 %3 列多。")
                              .arg(line)
                              .arg(m_fields.size())
                              .arg(columns);
                return false;
            }
        }
        const qsizetype used = qMin(columns, qsizetype(m_fields.size()));
        for (qsizetype i = 0; i < used; ++i) {
            m_builder->setText(i, fieldText(m_fields[size_t(i)]));
        }
        m_builder->endRow();
        return true;
    }

    DelimitedOptions m_options;
    RecordSplitter m_splitter;
    std::vector<Field> m_fields;
    std::optional<TableBuilder> m_builder;
    bool m_haveHeader = false;
    qsizetype m_line = 0;
    QString m_error;
};

DelimitedOptions resolved(DelimitedOptions options, std::string_view start)
{
    if (options.delimiter == 0) {
        options.delimiter = detectDelimiter(start);
        if (options.delimiter == 0) {
            options.delimiter = ','; // one column
        }
    }
    return options;
}

ReadResult readUtf8(QByteArray utf8, const DelimitedOptions &givenOptions)
{
    const DelimitedOptions options =
        resolved(givenOptions, std::string_view(utf8.constData(), size_t(qMin(utf8.size(), qsizetype(1 << 16)))));
    DelimitedParser parser(options);
    char *rest = nullptr;
    char *begin = utf8.data();
    parser.parse(begin, begin + utf8.size(), true, rest);
    return parser.result();
}

ReadResult failed(QString error)
{
    ReadResult result;
    result.error = std::move(error);
    return result;
}

} // namespace

char detectDelimiter(std::string_view start)
{
    // Fields per line for each candidate, over the first lines (quotes respected).
    constexpr char candidates[] = {'\t', ';', ','};
    constexpr int sampleLines = 20;
    int counts[3][sampleLines] = {};
    int lines = 0;
    bool quoted = false;
    for (size_t i = 0; i < start.size() && lines < sampleLines; ++i) {
        const char c = start[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || (c == '\r' && (i + 1 == start.size() || start[i + 1] != '\n')))) {
            ++lines;
        } else if (!quoted) {
            for (int k = 0; k < 3; ++k) {
                counts[k][lines] += c == candidates[k];
            }
        }
    }
    lines = qMin(lines + 1, sampleLines);
    char best = 0;
    int bestAgreeing = -1;
    int bestCount = 0;
    for (int k = 0; k < 3; ++k) {
        if (counts[k][0] == 0) {
            continue;
        }
        int agreeing = 0;
        for (int line = 1; line < lines; ++line) {
            agreeing += counts[k][line] == counts[k][0];
        }
        if (agreeing > bestAgreeing || (agreeing == bestAgreeing && counts[k][0] > bestCount)) {
            best = candidates[k];
            bestAgreeing = agreeing;
            bestCount = counts[k][0];
        }
    }
    return best;
}

ReadResult readPastedText(const QString &text, const DelimitedOptions &options)
{
    if (text.contains(QChar(u'\0'))) {
        return failed(QCoreApplication::translate("DelimitedTable", "粘贴的文本里有 NUL 字符，不是表格。"));
    }
    return readUtf8(text.toUtf8(), options);
}

ReadResult readDelimitedFile(const QString &fileName, const DelimitedOptions &givenOptions, const Progress &progress)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(
            QCoreApplication::translate("DelimitedTable", "无法打开 %1：%2").arg(fileName, file.errorString()));
    }
    const qint64 size = file.size();
    QByteArray buffer(blockSize, Qt::Uninitialized);
    qsizetype held = qsizetype(file.read(buffer.data(), blockSize));
    if (held < 0) {
        return failed(
            QCoreApplication::translate("DelimitedTable", "无法读取 %1：%2").arg(fileName, file.errorString()));
    }
    const std::string_view start(buffer.constData(), size_t(held));
    const TextDecoding::Detected detected = TextDecoding::detect(QByteArrayView(buffer.constData(), held));
    const auto wholeFile = [&]() -> ReadResult {
        // Not UTF-8 (or not in the first block): decoded whole, then read as UTF-8.
        file.seek(0);
        const QByteArray bytes = file.readAll();
        QByteArray utf8;
        QString error;
        if (file.error() != QFileDevice::NoError) {
            return failed(
                QCoreApplication::translate("DelimitedTable", "无法读取 %1：%2").arg(fileName, file.errorString()));
        }
        if (!TextDecoding::toUtf8(bytes, utf8, error)) {
            return failed(
                QCoreApplication::translate("DelimitedTable", "无法识别 %1 的文字编码：%2").arg(fileName, error));
        }
        if (progress && !progress(1.0)) {
            ReadResult cancelled;
            cancelled.cancelled = true;
            return cancelled;
        }
        return readUtf8(std::move(utf8), givenOptions);
    };
    if (detected.encoding != TextDecoding::Encoding::Utf8) {
        return wholeFile();
    }
    const DelimitedOptions options = resolved(givenOptions, start.substr(size_t(detected.markLength)));
    DelimitedParser parser(options);
    qsizetype from = detected.markLength; // first byte not yet taken
    qint64 readSoFar = held;
    bool estimated = false;
    for (;;) {
        const bool atEnd = readSoFar >= size || held < buffer.size();
        char *rest = nullptr;
        char *begin = buffer.data() + from;
        if (!parser.parse(begin, buffer.data() + held, atEnd, rest)) {
            return parser.result();
        }
        // Records end at line ends, so the bytes taken are whole characters.
        const QByteArrayView taken(begin, rest - begin);
        if (!taken.isValidUtf8()) {
            return wholeFile();
        }
        if (const qsizetype nul = taken.indexOf('\0'); nul >= 0) {
            return failed(
                QCoreApplication::translate("DelimitedTable", "%1 里有 NUL 字符，不是文本表格。").arg(fileName));
        }
        if (!estimated && parser.recordsRead() > 100 && readSoFar < size) {
            // Room for the rows to come, from the length of those so far: no doubling later.
            const double perRecord = double(rest - buffer.data()) / double(parser.recordsRead());
            parser.reserveRows(qsizetype(double(size) / perRecord * 1.05) + 16);
            estimated = true;
        }
        if (progress && !progress(size > 0 ? double(readSoFar) / double(size) : 1.0)) {
            ReadResult cancelled;
            cancelled.cancelled = true;
            return cancelled;
        }
        if (atEnd) {
            break;
        }
        // Keep the unfinished record, make room, read on.
        const qsizetype kept = buffer.data() + held - rest;
        std::memmove(buffer.data(), rest, size_t(kept));
        if (kept > buffer.size() / 2) {
            buffer.resize(buffer.size() * 2);
        }
        const qint64 got = file.read(buffer.data() + kept, buffer.size() - kept);
        if (got < 0) {
            return failed(
                QCoreApplication::translate("DelimitedTable", "无法读取 %1：%2").arg(fileName, file.errorString()));
        }
        held = kept + qsizetype(got);
        readSoFar += got;
        from = 0;
        if (got == 0) {
            readSoFar = size;
        }
    }
    return parser.result();
}

} // namespace samples
