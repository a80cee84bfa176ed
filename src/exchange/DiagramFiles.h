// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <classify/FieldMap.h>
#include <exchange/Bundle.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

struct Figure;

// The diagram files of the field's scripting tools, both ways.
//
// Lines files: one diagram, or an object of diagrams by name, each with "lines" (point lists,
// [[x, y], …] or {"x": […], "y": […]}), a "line_type" per line (solid, dashed, dotted),
// "labels" with "label_coords", "axis" names, "type" ("xy" or "ternary"), "log" (true, or per
// axis), optional "xlim"/"ylim", and "polygons" (a point list per field name).
// Fields files: "fields", each a "name" and a "poly" of vertices, with "axes" and an optional
// "transform" ("ternary").
// A triangle's points are its components in the order the file names its axes, taken as the
// top, left and right corners (the order the tools plot them in), normalised to 100.
namespace exchange {

struct DiagramImport
{
    QList<BundleFigure> figures; // one per diagram of the file
    QStringList notes;           // what the library cannot hold, and what was made up
    QString error;               // why nothing could be read; empty when read
};

// Reads a lines or fields file; each diagram becomes a figure numbered from the number given for
// its kind on (the caller offers the next free ones: B… for a rectangular diagram, T… for a
// triangle).
DiagramImport importDiagrams(const QByteArray &json, const QString &rectangularNumber, const QString &triangularNumber);

// Whether the JSON is a Taprell bundle rather than a diagram file.
bool isBundle(const QByteArray &json);

// A bundle or a diagram file written into the library: a diagram file's diagrams under the next
// free numbers. A file that cannot be read is a failure with the reason, and nothing is written.
ImportResult importFile(Library &library, const QByteArray &json, OnConflict onConflict, bool dryRun = false);

// A figure as a lines file, with "polygons" from the fields found in its drawing (and the
// library's corrections), so it can be used from the scripting tools. The axes are named by the
// expressions when given (x and y, or left, top and right).
QByteArray exportLinesFile(const Figure &figure, const QStringList &axisNames, const Classify::FieldOptions &options);

} // namespace exchange
