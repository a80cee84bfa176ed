// SPDX-License-Identifier: GPL-3.0-or-later
#include <setup/DelimitedReader.h>

#include <QLocale>

#include <charconv>
#include <cmath>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Sign, digits with at most one point (at least one digit), then an optional exponent.
bool isDecimalNumber(QStringView text)
{
    qsizetype i = 0;
    const auto digitsFrom = [&](qsizetype &at) {
        const qsizetype start = at;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            ++at;
        }
        return at - start;
    };
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    qsizetype digits = digitsFrom(i);
    if (i < text.size() && text[i] == u'.') {
        ++i;
        digits += digitsFrom(i);
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            ++i;
        }
        if (digitsFrom(i) == 0) {
            return false;
        }
    }
    return i == text.size();
}

QString numberText(const QString &field)
{
    if (!isDecimalNumber(field)) {
        return field;
    }
    const QByteArray latin = field.toLatin1();
    const char *begin = latin.constData() + (latin.startsWith('+') ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(begin, latin.constData() + latin.size(), value);
    if (error != std::errc() || end != latin.constData() + latin.size() || !std::isfinite(value)) {
        return field;
    }
    if (value == 0) {
        value = 0; // no "-0"
    }
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

DelimitedReader::DelimitedReader(QString text)
    : m_text(std::move(text))
{
}

bool DelimitedReader::atEnd() const
{
    for (qsizetype i = m_pos; i < m_text.size(); ++i) {
        if (!isBlank(m_text[i]) && !isLineEnd(m_text[i])) {
            return false;
        }
    }
    return true;
}

void DelimitedReader::skipToField()
{
    // Blank lines between records do not count; after a comma a line end ends an empty field.
    while (m_pos < m_text.size() && (isBlank(m_text[m_pos]) || (!m_afterComma && isLineEnd(m_text[m_pos])))) {
        ++m_pos;
    }
}

QString DelimitedReader::readField()
{
    skipToField();
    QString field;
    if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('"')) {
        const qsizetype close = m_text.indexOf(QLatin1Char('"'), m_pos + 1);
        const qsizetype end = close < 0 ? m_text.size() : close;
        field = m_text.mid(m_pos + 1, end - m_pos - 1);
        m_pos = qMin(end + 1, m_text.size());
        while (m_pos < m_text.size() && m_text[m_pos] != QLatin1Char(',') && !isLineEnd(m_text[m_pos])) {
            ++m_pos;
        }
    } else {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != QLatin1Char(',') && !isLineEnd(m_text[m_pos])) {
            ++m_pos;
        }
        field = m_text.mid(start, m_pos - start).trimmed();
    }
    m_afterComma = m_pos < m_text.size() && m_text[m_pos] == QLatin1Char(',');
    if (m_pos < m_text.size()) {
        if (m_text[m_pos] == QLatin1Char('\r') && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == QLatin1Char('\n')) {
            ++m_pos;
        }
        ++m_pos;
    }
    return field;
}

QString DelimitedReader::readValue()
{
    skipToField();
    const bool quoted = m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('"');
    const QString field = readField();
    return quoted ? field : numberText(field);
}
