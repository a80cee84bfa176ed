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

double numericValue(QStringView text, bool *outOfRange)
{
    if (outOfRange) {
        *outOfRange = false;
    }
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
    // strtod gives ±inf past the largest double and 0 below the smallest; a mantissa with a
    // digit other than 0 that still reads as 0 was too small to keep.
    const bool tooLarge = !std::isfinite(value);
    bool tooSmall = false;
    if (value == 0) {
        for (const char c : number) {
            if (c == 'e' || c == 'E') {
                break;
            }
            tooSmall = tooSmall || (c >= '1' && c <= '9');
        }
    }
    if (tooLarge || tooSmall) {
        if (outOfRange) {
            *outOfRange = true;
        }
        return 0;
    }
    return value;
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
