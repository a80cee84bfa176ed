// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

// A table of points pasted as text (a digitising program's CSV, a spreadsheet's cells, a
// paper's table): per line X, Y and optionally line number, curve flag and line type,
// separated by tabs, commas or blanks, decimal points only. Blank lines are skipped.
struct PastedPoint
{
    QString x;
    QString y;
    std::optional<QString> series;
    std::optional<QString> curve; // "True" / "False"
    std::optional<QString> lineType;
};

struct PasteTable
{
    QList<PastedPoint> points;
    int errorLine = 0; // 1-based line of the first row refused; 0 when all were read
    QString error;     // what was wrong with it

    bool isValid() const { return errorLine == 0; }

    // All or nothing: one line that is not numbers refuses the whole table.
    static PasteTable parse(const QString &text);
};
