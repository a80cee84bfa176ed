// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <samples/SampleTable.h>

// Sample tables from spreadsheet files (XLSX, Office Open XML): one sheet, its first non-empty
// row the header. Cells hold what the spreadsheet last saved: a formula's cached value (no
// formula is evaluated), shared and inline strings, TRUE/FALSE for booleans, error texts such as
// "#DIV/0!", and dates (numbers with a date format) as ISO text ("2023-04-05",
// "2023-04-05T12:30:00"). Empty rows are skipped.
namespace samples {

// The sheets of a workbook, in order; empty with error set when the file cannot be read.
QStringList xlsxSheetNames(const QString &fileName, QString *error = nullptr);

// The first sheet when sheetName is empty.
ReadResult readXlsxFile(const QString &fileName, const QString &sheetName = {}, const Progress &progress = {});

} // namespace samples
