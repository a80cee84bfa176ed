// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BenchSupport.h"
#include "SqliteDirect.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class fMain;

// The catalogue benchmarks' library: 100,000 rectangular figures in which every real number and
// every special-case number differs from row to row, so no cache of number texts can stand in
// for the conversions. Groups (1 to 10), decimal places (-1 to 4) and the yes/no fields keep the
// ranges they have in a real library. Figure i is listed as row i - 1 (the list is ordered by
// thumbnail name, and the thumbnail names follow the figure numbers).
namespace catalogue_data {

constexpr int figureCount = 100'000;

// What the catalogue lists for these figures, as the sqlite3 shell is given it.
inline const QByteArray listStatement = "select * from picMain where LB = 'B' order by figName;\n";

// The columns of picMain in table order.
const QStringList &columns();
int column(const QString &name);

QString figureNumber(int i); // "B000001"
// Figure i's stored values, in table order.
bench::sqlite::Row figure(int i);

// Fills a new library at file with the figures.
void generate(const QString &file);

// The saves of the benchmarks change every tenth figure: changedFigure(k) for k below changedCount.
// Each save revision gives figure i a name and an X2 never stored before.
constexpr int changedCount = 10'000;
int changedFigure(int k);
QString changedName(int i, int revision);
double changedX2(int i, int revision);
// The user changes figure i in the catalogue window: its name and X2, then Update list.
void changeFigure(fMain &window, int i, int revision);
// The list load a user waits for: the kind option clicked until the list is painted. Stops the
// benchmark unless the list shows every figure, the first with the name of the given revision
// of changes (0 for none yet).
bench::Timing timeListLoad(fMain &window, int revision);

} // namespace catalogue_data
