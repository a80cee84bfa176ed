// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// What kind of diagram a figure is. The library stores it as the letter LB.
enum class FigureKind : qint16
{
    Rectangular = 1, // x-y diagrams, "B": the only kind with axis parameters
    Triangular = 2,  // "T"
};

inline QString figureKindLetter(FigureKind kind)
{
    return kind == FigureKind::Triangular ? QStringLiteral("T") : QStringLiteral("B");
}
