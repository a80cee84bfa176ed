// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>

#include <QList>
#include <QPointF>
#include <QString>

#include <optional>

class Library;

namespace store {

// How samples go on one figure, as the library keeps it beside the figure's four tables
// (picAxis and picField): what a lab shares with the figure.
struct FigureAxes
{
    struct FieldName
    {
        QPointF at; // a point inside the field, in the figure's own coordinates
        QString name;

        bool operator==(const FieldName &) const = default;
    };

    QString figureNumber;
    // x and y for a rectangular figure; the left, top and right corners for a triangular one.
    QString x, y, left, top, right;
    QString xTitle, yTitle; // empty: made from the expressions
    QList<FieldName> fieldNames;
    QList<QPointF> extendToFrame; // line ends the fields extend to the frame

    bool isEmpty() const;
    bool operator==(const FigureAxes &) const = default;
};

// Reading and writing a figure's axes. A library made before these tables existed has none, and
// reads as having none; it gains the tables with the first write.
struct Axes
{
    static const QString table;      // picAxis
    static const QString fieldTable; // picField

    // Nothing when the figure has none stored.
    static Status read(Library &library, const QString &figureNumber, std::optional<FigureAxes> *axes);
    // Replaces what the figure had, in one save: all of it or, on any failure, nothing.
    static Status write(Library &library, const FigureAxes &axes);
    // Every figure's axes, in figure number order (for a copy, a bundle or the demo library).
    static Status readAll(Library &library, QList<FigureAxes> *all);
};

} // namespace store
