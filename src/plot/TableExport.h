// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <samples/SampleTable.h>

#include <QString>
#include <QStringList>

// The sample table with what the chosen figures make of it: the samples' own columns, then per
// figure its coordinates (x and y, or the three corner shares) and the field. Both writers write
// a file beside the target and rename it into place, so a failed export leaves no half file and
// keeps an older one. They return why nothing was written, or an empty text; a progress callback
// that answers false stops them, and nothing is written then either.
namespace plot {

class PlotSession;

// The header of the exported table; names made unique (as the table readers need) by a number.
QStringList exportHeader(const PlotSession &session);

// UTF-8 with a byte-order mark (so spreadsheets read Chinese names), comma-separated, quoted
// where needed; numbers in their shortest exact form, no value an empty cell.
QString exportCsv(const PlotSession &session, const QString &fileName, const samples::Progress &progress = {});

// One sheet with the table (numbers as numbers, texts as texts), a second with the samples per
// field of every figure.
QString exportXlsx(const PlotSession &session, const QString &fileName, const samples::Progress &progress = {});

} // namespace plot
