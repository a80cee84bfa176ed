// SPDX-License-Identifier: GPL-3.0-or-later
#include "DelimitedReader.h"

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
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

QString DelimitedReader::readField()
{
    // Blank lines between records do not count; after a comma a line end ends an empty field.
    while (m_pos < m_text.size() && (isBlank(m_text[m_pos]) || (!m_afterComma && isLineEnd(m_text[m_pos])))) {
        ++m_pos;
    }
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
