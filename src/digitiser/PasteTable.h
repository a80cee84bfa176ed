// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

// A table of points pasted as text (a digitising program's CSV, a spreadsheet's cells, a
// paper's table): per line X, Y and optionally line number, curve flag and line type. Blank
// lines are skipped.
//
// Each line is split by one kind of separator: tabs, semicolons, commas or blanks. A comma is
// a decimal comma only where another separator splits the line ("2,5<tab>3", "2,5 3"); a comma
// with a blank beside it separates ("41, 7"). Nothing is guessed: a line whose fields are split
// by two kinds of separator, a table mixing decimal commas with decimal points or with lines
// split by commas, and decimal commas that could as well be thousands separators ("1,250"
// everywhere) are refused with the reason.
//
// A first line of names only (X, Y, 线号, 曲线, 线型, or any other words) is a header and is
// skipped; one that names the known columns in another order is refused.
struct PastedPoint
{
    QString x; // with a decimal point
    QString y;
    std::optional<QString> series;
    std::optional<QString> curve; // "True" / "False"
    std::optional<QString> lineType;
};

struct PasteTable
{
    QList<PastedPoint> points;
    int headerLine = 0; // 1-based line taken as the columns' names; 0 when there was none
    int errorLine = 0;  // 1-based line of the first row refused; 0 when all were read
    QString error;      // what was wrong with it

    bool isValid() const { return errorLine == 0; }

    // All or nothing: one line that is not numbers refuses the whole table.
    static PasteTable parse(const QString &text);
};
