// SPDX-License-Identifier: GPL-3.0-or-later
#include <samples/SampleTable.h>

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace samples {

namespace {

constexpr double noValue = std::numeric_limits<double>::quiet_NaN();

// Exact powers of ten: with a mantissa below 2^53 one multiplication or division by one of
// these rounds correctly.
constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The slow path: the standard library's conversion, after the separator and sign are made
// what it reads.
bool parseWithLibrary(std::string_view text, char decimalSeparator, double &value)
{
    char buffer[64];
    if (text.size() >= sizeof buffer) {
        return false;
    }
    size_t length = 0;
    for (const char c : text) {
        buffer[length++] = c == decimalSeparator ? '.' : c;
    }
    const char *begin = buffer + (buffer[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, buffer + length, value, std::chars_format::general);
    return error == std::errc() && end == buffer + length && std::isfinite(value);
}

} // namespace

bool parseNumber(std::string_view text, char decimalSeparator, double &value)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    const char *p = text.data();
    const char *const end = p + text.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    uint64_t mantissa = 0;
    int digits = 0;   // significant digits taken into the mantissa
    int exponent = 0; // of ten, for the digits after the separator
    int seen = 0;     // digits at all
    bool exact = true;
    for (; p < end && isDigit(*p); ++p, ++seen) {
        if (digits < 19) {
            mantissa = mantissa * 10 + uint64_t(*p - '0');
            digits += mantissa != 0;
        } else {
            exact = false;
        }
    }
    if (p < end && *p == decimalSeparator) {
        for (++p; p < end && isDigit(*p); ++p, ++seen) {
            if (digits < 19) {
                mantissa = mantissa * 10 + uint64_t(*p - '0');
                digits += mantissa != 0;
                --exponent;
            } else {
                exact = false;
            }
        }
    }
    if (seen == 0) {
        return false;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        if (p == end || !isDigit(*p)) {
            return false;
        }
        int written = 0;
        for (; p < end && isDigit(*p); ++p) {
            written = qMin(written * 10 + (*p - '0'), 100000);
        }
        exponent += negativeExponent ? -written : written;
    }
    if (p != end) {
        return false;
    }
    if (!exact || mantissa > (uint64_t(1) << 53) || exponent < -22 || exponent > 22) {
        return parseWithLibrary(text, decimalSeparator, value);
    }
    double result = double(mantissa);
    result = exponent < 0 ? result / exactPowersOfTen[-exponent] : result * exactPowersOfTen[exponent];
    value = negative ? -result : result;
    return true;
}

SampleColumn::SampleColumn(QString name)
    : m_name(std::move(name))
{
}

QString SampleColumn::text(qsizetype row) const
{
    const auto found = std::lower_bound(m_textRows.begin(), m_textRows.end(), qint32(row));
    if (found == m_textRows.end() || *found != row) {
        return {};
    }
    const size_t index = size_t(found - m_textRows.begin());
    const qint64 begin = index == 0 ? 0 : m_textEnds[index - 1];
    return QString::fromUtf8(m_textData.constData() + begin, m_textEnds[index] - begin);
}

void SampleColumn::appendText(std::string_view utf8)
{
    m_textRows.push_back(qint32(m_values.size()));
    m_textData.append(utf8.data(), qsizetype(utf8.size()));
    m_textEnds.push_back(m_textData.size());
    appendEmpty();
}

void SampleColumn::appendEmpty()
{
    m_values.push_back(noValue);
    ++m_noValueCount;
}

QString columnKey(QStringView name)
{
    // A unit in brackets at the end, or one of the usual units after a blank or an underscore.
    static const QRegularExpression bracketedUnit(QStringLiteral("\\s*[(\\[（][^()\\[\\]（）]*[)\\]）]\\s*$"));
    static const QRegularExpression namedUnit(
        QStringLiteral("[\\s_]+(wt\\.?\\s*%|wt|mol\\s*%|%|ppm|ppb|[uµμ]g/g|mg/kg|g/t|ng/g)$"),
        QRegularExpression::CaseInsensitiveOption);
    QString key = name.trimmed().toString();
    const QString withoutBrackets = QString(key).remove(bracketedUnit);
    if (!withoutBrackets.isEmpty()) {
        key = withoutBrackets;
    }
    const QString withoutUnit = QString(key).remove(namedUnit);
    if (!withoutUnit.isEmpty()) {
        key = withoutUnit;
    }
    key.removeIf([](QChar c) { return c.isSpace(); });
    return key.toCaseFolded();
}

QStringList SampleTable::columnNames() const
{
    QStringList names;
    for (const SampleColumn &column : m_columns) {
        names << column.name();
    }
    return names;
}

ColumnMatch SampleTable::find(QStringView name) const
{
    const QString key = columnKey(name);
    ColumnMatch match;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (columnKey(m_columns[i].name()) == key) {
            match.columns << qsizetype(i);
        }
    }
    return match;
}

TableBuilder::TableBuilder(Decimal decimal)
    : m_decimal(decimal)
{
}

bool TableBuilder::setHeader(QStringList names)
{
    if (names.isEmpty()) {
        m_error = QCoreApplication::translate("SampleTable", "表头是空的：没有列名。");
        return false;
    }
    if (names.size() > maxColumns) {
        m_error = QCoreApplication::translate("SampleTable", "表有 %1 列，最多只能有 %2 列。")
                      .arg(names.size())
                      .arg(maxColumns);
        return false;
    }
    QHash<QString, qsizetype> seen;
    for (qsizetype i = 0; i < names.size(); ++i) {
        names[i] = names[i].trimmed();
        if (names[i].isEmpty()) {
            names[i] = QCoreApplication::translate("SampleTable", "列 %1").arg(i + 1);
        }
        const QString folded = names[i].toCaseFolded();
        if (const auto earlier = seen.constFind(folded); earlier != seen.cend()) {
            m_error = QCoreApplication::translate("SampleTable", "第 %1 列和第 %2 列同名（“%3”），无法区分。")
                          .arg(*earlier + 1)
                          .arg(i + 1)
                          .arg(names[i]);
            return false;
        }
        seen.insert(folded, i);
    }
    m_table.m_columns.clear();
    for (QString &name : names) {
        m_table.m_columns.emplace_back(std::move(name));
    }
    return true;
}

void TableBuilder::reserveRows(qsizetype rows)
{
    for (SampleColumn &column : m_table.m_columns) {
        column.reserve(rows);
    }
}

void TableBuilder::fillTo(qsizetype column)
{
    for (; m_filled < column; ++m_filled) {
        m_table.m_columns[size_t(m_filled)].appendEmpty();
    }
}

void TableBuilder::setText(qsizetype column, std::string_view utf8)
{
    double value = 0;
    if (parseNumber(utf8, m_decimal == Decimal::Comma ? ',' : '.', value) ||
        (m_decimal == Decimal::Comma && parseNumber(utf8, '.', value))) {
        setNumber(column, value);
        return;
    }
    while (!utf8.empty() && isBlank(utf8.front())) {
        utf8.remove_prefix(1);
    }
    while (!utf8.empty() && isBlank(utf8.back())) {
        utf8.remove_suffix(1);
    }
    if (utf8.empty() || column < m_filled || column >= columnCount()) {
        return;
    }
    fillTo(column);
    m_table.m_columns[size_t(column)].appendText(utf8);
    m_filled = column + 1;
    m_rowHasCell = true;
}

void TableBuilder::endRow()
{
    if (m_rowHasCell) {
        fillTo(columnCount());
        ++m_table.m_rows;
    }
    m_filled = 0;
    m_rowHasCell = false;
}

SampleTable TableBuilder::take()
{
    return std::move(m_table);
}

} // namespace samples
