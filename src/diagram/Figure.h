// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <array>

// A figure as the drawing code sees it: plain texts, exactly as the lists and the library hand
// them over, so a drawing can show a working copy before it is saved and name a value that is
// not a number instead of silently reading it as 0.
struct FigureRecord
{
    QString th;               // figure number
    QString tm;               // figure name, drawn as the title
    QString figName;          // thumbnail name
    QString LB;               // "B" rectangular, "T" triangular
    std::array<QString, 7> X; // X1..X7 at [0]..[6]
    std::array<QString, 7> Y; // Y1..Y7
    QString border;           // "True" / "False"

    bool isTriangular() const { return LB.trimmed().compare(QLatin1String("T"), Qt::CaseInsensitive) == 0; }
};

// One row of pData; the list position is the point's place in ID order.
struct FigurePoint
{
    QString series;
    QString curve; // "True" / "False"
    QString x;
    QString y;
    QString lineType; // L: 0 none, 1 solid, 2 dotted, 3 dashed
};

// One row of picLable.
struct FigureLabel
{
    QString x;
    QString y;
    QString text; // may hold line breaks
};

struct Figure
{
    FigureRecord record;
    QList<FigurePoint> points; // in ID order
    QList<FigureLabel> labels; // in ID order
};
