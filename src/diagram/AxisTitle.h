// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringView>

class QPainter;

// Axis titles with sub- and superscripts, written as text: "_" lowers and "^" raises what follows
// it, the text in braces ("^{87}Sr") or else the digits right after it ("SiO_2", "Fe^3+": for "^"
// also a sign). Everything else is drawn as written.
namespace AxisTitle {

struct Run
{
    QString text;
    int shift = 0; // -1 lowered, 0 on the line, 1 raised
};

QList<Run> runs(QStringView markup);

// The title an axis expression reads as: the digits of chemical formulas lowered (Na2O+K2O is
// Na_2O+K_2O), numbers and function names (log10) left as they are, quotes dropped, "*" as a
// middle dot; the unit, when given, after it in parentheses: "SiO_2 (wt%)".
QString fromExpression(QStringView expression, QStringView unit = {});

// Draws the title centred on the point, upright or turned to read upwards (a y axis).
void paint(QPainter &painter, const QString &markup, QPointF centre, bool upwards);

} // namespace AxisTitle
