// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The numeric value of a text: the number it begins with after leading blanks (optional sign,
// digits, optional decimal point and digits, optional exponent), reading stopping at the first
// other character; 0 when it does not begin with a number. "12*" gives 12, "★" gives 0,
// " -1.5e2x" gives -150. A number too large for a double ("1e400"), or too small to be told
// from 0 ("1e-400"), also gives 0 and sets *outOfRange, so callers that store it can refuse it.
double numericValue(QStringView text, bool *outOfRange = nullptr);

// A number in its shortest plain decimal form: 12, 8.5, 0.0001, never 12.0 or 1e-04.
QString numberText(double value);

// Room numberText's digits need at most (a double below 2^-1022 has over 300 places).
constexpr int numberTextRoom = 400;
// numberText() of a finite value written as ASCII at out, which has numberTextRoom characters of
// room, without making a string: a list load writes a million numbers straight into its rows.
// Returns the end of what it wrote.
char *writeNumberText(double value, char *out);

// The text as an SQL string literal: between apostrophes, each apostrophe doubled.
QString quoted(const QString &text);
