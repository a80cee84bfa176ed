// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>

#include <QList>
#include <QString>
#include <QStringList>

class Library;

// Making figure libraries: a new file from the schema, and tables filled from CSV files (the
// demo library, test fixtures, benchmark data). Neither program creates a library otherwise.
namespace LibraryFile {

// Creates a new, empty figure library; fails when the file exists.
Status create(const QString &fileName);

// Reads RFC 4180 CSV: comma separated, fields in double quotes may hold commas, quotes ("")
// and line breaks. The first record is the header.
QList<QStringList> readCsv(const QString &text);

// Appends the CSV's records to the table, the header naming the columns, in one transaction.
// An empty cell leaves a column that is not text without a value.
Status importCsv(Library &library, const QString &table, const QString &csvText);

// The sample library shipped with the program: "figures", "groups", "points", "labels".
QString sampleCsv(const QString &name);

// A new library at fileName holding the sample library.
Status createSample(const QString &fileName);

} // namespace LibraryFile
