// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// What kind of diagram a figure is. The library stores it as the letter LB; the program-wide
// state keeps the number (1 or 2) the windows have always handed each other.
enum class FigureKind : qint16
{
    Rectangular = 1, // x-y diagrams, "B": the only kind with axis parameters
    Triangular = 2,  // "T"
};

inline QString figureKindLetter(FigureKind kind)
{
    return kind == FigureKind::Triangular ? QStringLiteral("T") : QStringLiteral("B");
}

// The kind a stored number stands for; anything but 2 is rectangular.
inline FigureKind figureKindFromNumber(qint16 number)
{
    return number == 2 ? FigureKind::Triangular : FigureKind::Rectangular;
}

inline qint16 figureKindNumber(FigureKind kind)
{
    return static_cast<qint16>(kind);
}
