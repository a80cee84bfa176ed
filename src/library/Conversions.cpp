// SPDX-License-Identifier: GPL-3.0-or-later
#include "Conversions.h"

#include <QByteArray>
#include <QLocale>

#include <cmath>
#include <cstdlib>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double numericValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        while (j < n && isDigit(text[j])) {
            ++j;
            ++digits;
        }
        i = j;
    }
    if (digits == 0) {
        return 0;
    }
    // An exponent counts only when digits follow it: "12e" is 12.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    const QByteArray number = text.mid(start, i - start).toLatin1();
    const double value = std::strtod(number.constData(), nullptr);
    return std::isfinite(value) ? value : 0;
}

QString numberText(double value)
{
    if (value == 0) {
        return QStringLiteral("0"); // also for -0
    }
    if (std::trunc(value) == value && std::fabs(value) < 9.0e15) {
        return QString::number(static_cast<qint64>(value));
    }
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString quoted(const QString &text)
{
    QString result = text;
    result.replace(u'\'', QStringLiteral("''"));
    return u'\'' + result + u'\'';
}
