// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <samples/SampleTable.h>

// Sample tables from delimited text: a CSV or TSV file, or a table pasted from a spreadsheet.
// The first row names the columns. Fields may be quoted ("…"), with delimiters, line ends and
// doubled quotes inside.
namespace samples {

struct DelimitedOptions
{
    char delimiter = 0; // ',', ';' or '\t'; 0 finds it from the first lines
    enum class Decimal
    {
        Auto, // a comma when the delimiter is a semicolon, else a point
        Point,
        Comma,
    } decimal = Decimal::Auto;
};

// A file in UTF-8, UTF-16 or GB18030 (see TextDecoding). A UTF-8 file is read in blocks, so
// only the table is ever held whole.
ReadResult readDelimitedFile(const QString &fileName, const DelimitedOptions &options = {},
                             const Progress &progress = {});

// Text as a spreadsheet puts it on the clipboard: tab-separated, a header row.
ReadResult readPastedText(const QString &text, const DelimitedOptions &options = {'\t'});

// The delimiter of text starting with these bytes: the one of tab, semicolon and comma (outside
// quotes) that splits the first line and the lines after it into the same number of fields
// most often; 0 when none splits the first line.
char detectDelimiter(std::string_view start);

} // namespace samples
