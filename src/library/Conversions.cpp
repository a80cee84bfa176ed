// SPDX-License-Identifier: GPL-3.0-or-later
#include "Conversions.h"

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Most stored numbers have a few decimals (7.919, 0.05, -86.6025). Their shortest form is found
// by scaling by 10, 100, ... until the scaled value rounded to a whole number reads back as the
// value: a whole number below 2^53 over a power of ten up to 10^22 divides exactly as the decimal
// reads, so that test is exact. Below 2^49 the scaled product is within 2^-4 of the exact one and
// every decimal that reads back as the value lies within 2^-3 of it, so the rounded product is
// the only candidate at each length: the same text the general algorithm writes. Returns the end
// of what it wrote, or null when the value needs the general algorithm (too large, or more places
// than tried).
char *writeFewDecimals(double value, char *out)
{
    static constexpr double powersOfTen[] = {1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    constexpr double exactBelow = 0x1p49;
    const double magnitude = std::fabs(value);
    for (int places = 1; places <= int(std::size(powersOfTen)); ++places) {
        const double power = powersOfTen[places - 1];
        const double scaled = magnitude * power;
        if (scaled >= exactBelow) {
            return nullptr;
        }
        const double whole = std::nearbyint(scaled);
        if (whole / power != magnitude) {
            continue;
        }
        char digits[20];
        char *end = std::to_chars(digits, digits + sizeof digits, static_cast<qint64>(whole)).ptr;
        const auto count = int(end - digits);
        if (value < 0) {
            *out++ = '-';
        }
        if (count > places) {
            out = std::copy(digits, digits + count - places, out);
            *out++ = '.';
            return std::copy(end - places, end, out);
        }
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, places - count, '0');
        return std::copy(digits, end, out);
    }
    return nullptr;
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
    // The digits as a whole number, while they fit, and how many of them follow the point.
    qsizetype digits = 0;
    qsizetype places = 0;
    quint64 whole = 0;
    auto takeDigit = [&](QChar c) {
        ++digits;
        if (digits <= 19) {
            whole = whole * 10 + quint64(c.unicode() - u'0');
        }
    };
    while (i < n && isDigit(text[i])) {
        takeDigit(text[i]);
        ++i;
    }
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        while (j < n && isDigit(text[j])) {
            takeDigit(text[j]);
            ++j;
            ++places;
        }
        i = j;
    }
    if (digits == 0) {
        return 0;
    }
    // An exponent counts only when digits follow it: "12e" is 12.
    bool exponent = false;
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
            exponent = true;
        }
    }
    // Most texts are short decimals (112.648): up to 15 digits are a whole number a double holds
    // exactly, and one division by an exact power of ten rounds as reading the decimal does.
    static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (!exponent && digits <= 15 && places < qsizetype(std::size(powersOfTen))) {
        const double magnitude = double(whole) / powersOfTen[places];
        return text[start] == u'-' ? -magnitude : magnitude;
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
    if (!std::isfinite(value)) {
        return QString::number(value, 'f', QLocale::FloatingPointShortest);
    }
    char text[numberTextRoom];
    return QString::fromLatin1(text, writeNumberText(value, text) - text);
}

char *writeNumberText(double value, char *out)
{
    if (value == 0) {
        *out = '0'; // also for -0
        return out + 1;
    }
    if (std::trunc(value) == value && std::fabs(value) < 9.0e15) {
        return std::to_chars(out, out + numberTextRoom, static_cast<qint64>(value)).ptr;
    }
    if (char *end = writeFewDecimals(value, out)) {
        return end;
    }
    return std::to_chars(out, out + numberTextRoom, value, std::chars_format::fixed).ptr;
}

QString quoted(const QString &text)
{
    QString result = text;
    result.replace(u'\'', QStringLiteral("''"));
    return u'\'' + result + u'\'';
}
