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

private:
    QString m_text;
    qsizetype m_pos = 0;
    bool m_afterComma = false;
};
