// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/Figure.h>
#include <library/engine/LibraryError.h>

#include <QStringList>

class Library;

// Reads figures from the figure library as the drawing code takes them.
namespace FigureReader {

// The record of a figure (nothing when there is none), its points in ID order and its labels
// in ID order.
Status readFigure(Library &library, const QString &figureNumber, Figure *figure, bool *found = nullptr);
Status readPoints(Library &library, const QString &figureNumber, QList<FigurePoint> *points);
Status readLabels(Library &library, const QString &figureNumber, QList<FigureLabel> *labels);
// The figure numbers of the library, in the catalogue's order (kind, then thumbnail name).
Status figureNumbers(Library &library, QStringList *numbers);

} // namespace FigureReader
