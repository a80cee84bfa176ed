// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SqliteDirect.h"

#include <QString>
#include <QStringList>

// The catalogue benchmarks' library: 100,000 rectangular figures in which every real number and
// every special-case number differs from row to row, so no cache of number texts can stand in
// for the conversions. Groups (1 to 10), decimal places (-1 to 4) and the yes/no fields keep the
// ranges they have in a real library. Figure i is listed as row i - 1 (the list is ordered by
// thumbnail name, and the thumbnail names follow the figure numbers).
namespace catalogue_data {

constexpr int figureCount = 100'000;

// The columns of picMain in table order.
const QStringList &columns();
int column(const QString &name);

QString figureNumber(int i); // "B000001"
// Figure i's stored values, in table order.
bench::sqlite::Row figure(int i);

// Fills a new library at file with the figures.
void generate(const QString &file);

} // namespace catalogue_data
