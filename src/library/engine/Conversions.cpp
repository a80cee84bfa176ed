// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
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
        const auto whole = double(qint64(scaled + 0.5)); // nearest; scaled is positive and below 2^49
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

// Every double from 2^52 up is whole. From 9e15 on (near 2^53, past which a double no longer
// holds every whole number) such a number is written with its shortest digits followed by
// zeros: 1e23 as 100000000000000000000000, not the double's exact 99999999999999991611392.
char *writeLargeWhole(double value, char *out)
{
    char scientific[32]; // at most "-d.dddddddddddddddde+308"
    const char *end =
        std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
    const char *at = scientific;
    if (*at == '-') {
        *out++ = *at++;
    }
    const char *e = std::find(at, end, 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    int digits = 0;
    for (; at < e; ++at) {
        if (*at != '.') {
            *out++ = *at;
            ++digits;
        }
    }
    return std::fill_n(out, std::max(0, exponent + 1 - digits), '0');
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
    // The rest is read by from_chars, which rounds correctly in every locale: the C library's
    // strtod follows the locale Qt sets up from the environment, and under a decimal comma it
    // stopped at the point ("1234.56789012345678" read as 1234). It takes no leading '+'.
    const QByteArray number = text.mid(start, i - start).toLatin1();
    const char *first = number.constData();
    const char *last = first + number.size();
    if (*first == '+') {
        ++first;
    }
    double value = 0;
    if (std::from_chars(first, last, value).ec == std::errc::result_out_of_range) {
        // Past the largest double, or so small it would read as 0.
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
    if (std::fabs(value) >= 9.0e15) {
        return writeLargeWhole(value, out);
    }
    if (std::trunc(value) == value) {
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
