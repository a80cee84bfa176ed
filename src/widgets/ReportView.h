// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QTreeView;

// Puts a list in report view as all list windows show it: column headers with the given
// widths (twips), whole-row selection, grid lines, one selected row at a time, no editing in
// place, uniform row heights so that long lists stay fast.
void setupReportView(QTreeView *view, const QList<int> &columnWidthsTwips);

// Selects and shows the row, or clears the selection for -1.
void selectReportRow(QTreeView *view, int row);
// The selected row, or -1.
int selectedReportRow(const QTreeView *view);
