// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Reads the comma-delimited text files shipped with the suite field by field. A field starts
// after leading blanks and runs up to the next comma or line end (trailing blanks dropped), or,
// when it starts with a double quote, is the text up to the closing quote; whatever follows a
// quoted field up to the delimiter is skipped. Line ends and commas both end a field, so a
// file is one stream of fields.
class DelimitedReader
{
public:
    explicit DelimitedReader(QString text);

    // Only blanks and line ends remain.
    bool atEnd() const;
    // The empty text at the end.
    QString readField();
    // A field as the value it holds: an unquoted field that is a decimal number as a whole
    // (sign, digits, point, exponent: 1.50, -2, .5e3) comes back as the text of that number in
    // its shortest plain decimal form (1.5, -2, 500); a quoted field, any other text and a
    // number too large for a double come back as written.
    QString readValue();

private:
    void skipToField();

    QString m_text;
    qsizetype m_pos = 0;
    bool m_afterComma = false;
};
