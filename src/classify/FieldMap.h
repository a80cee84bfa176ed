// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/Figure.h>
#include <diagram/Wording.h>

#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QStringList>

#include <memory>
#include <span>

namespace Classify {

// Where a point lies: in a field, on a boundary (within the tolerance), outside the diagram, or
// nowhere because it has no value.
enum class Place : quint8
{
    Field,
    Boundary,
    Outside,
    NoValue,
};

struct Location
{
    Place place = Place::NoValue;
    qint32 field = -1; // index into FieldMap::fields() for Place::Field

    friend bool operator==(const Location &, const Location &) = default;
};

struct Field
{
    enum class Naming : quint8
    {
        Label,     // the one label inside it
        Neighbour, // no label: the one named neighbour across a dashed or dotted line
        Ambiguous, // several labels, all of them in the name
        Unnamed,
        Corrected, // named by the user
    };
    QString name;
    Naming naming = Naming::Unnamed;
    QStringList labels;     // the texts of the labels inside it, in label order
    QList<QPolygonF> rings; // in data coordinates; the first is the outline, the others holes
    QPointF inside;         // a point well inside, in data coordinates (the label's when it has one)
    double share = 0;       // of the frame's area, in plotting space

    bool isFlagged() const { return naming == Naming::Unnamed || naming == Naming::Ambiguous; }
};

// A line end that meets nothing, not even after extending it within reach: the fields on either
// side of its line run into each other there.
struct OpenEnd
{
    int line = 0; // the line number
    QPointF at;   // data coordinates
};

// A name the user gave the field holding a point.
struct FieldName
{
    QPointF at; // data coordinates
    QString name;
};

struct FieldOptions
{
    QList<FieldName> names;
    // Line ends (data coordinates) to extend for the fields however far the frame is: up to the
    // frame, or to the first line in the way.
    QList<QPointF> extendToFrame;
    Wording wording = Wording::English;
};

// The fields of a figure, found in its drawing, and where points lie in them.
//
// The lines are taken as the renderer draws them (straight pieces, and smooth curves flattened
// from the renderer's own curve), in plotting space: each axis's fraction of its range (log axes
// in log space), triangles in their 0-100 space scaled to 0-1. There they are cut to the frame
// and split at every crossing; the faces of that subdivision are the fields. A line end within
// the tolerance of another line or the frame is joined to it; one that meets nothing is extended
// along its last piece to the first line or frame edge within reach, and reported when nothing is
// in reach. Labels inside the frame name the fields holding them.
//
// Built once per figure; locating a point then costs a grid look-up, independent of the number
// of fields.
class FieldMap
{
public:
    static constexpr double tolerance = 0.002; // of the frame: joins ends, makes "on a boundary"
    static constexpr double reach = 0.1;       // of the frame's diagonal: how far ends are extended

    explicit FieldMap(const Figure &figure, const FieldOptions &options = {});

    // False when the frame itself cannot be read (no fields then; problems() says why).
    bool isUsable() const;
    bool isTriangular() const { return m_triangular; }
    const QList<Field> &fields() const { return m_fields; }
    const QList<OpenEnd> &openEnds() const { return m_openEnds; }
    // What the definition does not allow, and what was made of it.
    const QStringList &problems() const { return m_problems; }

    // A point in data coordinates (Cartesian 0-100 ones on a triangle). A NaN is no value; a value
    // a logarithmic axis cannot show (<= 0) lies outside.
    Location locate(QPointF data) const;
    void locate(std::span<const double> x, std::span<const double> y, std::span<Location> out) const;
    // Triangular figures: the shares of the left, right and top corners, normalised to 100 here.
    Location locateShares(double left, double right, double top) const;
    void locateShares(std::span<const double> left, std::span<const double> right, std::span<const double> top,
                      std::span<Location> out) const;

    // What a table shows for a location: the field's name, "on a boundary", "outside the
    // diagram", or for no value the reason given (else "no value").
    QString text(Location location, const QString &reason = {}) const;

private:
    struct Index;
    QPointF toPlot(QPointF data) const;
    QPointF toData(QPointF plot) const;
    Location locatePlot(double x, double y) const;

    bool m_triangular = false;
    double m_xLow = 0, m_xSpan = 1, m_yLow = 0, m_ySpan = 1; // plotting space = (value - low) / span
    bool m_xLog = false, m_yLog = false;
    Wording m_wording = Wording::English;
    QList<Field> m_fields;
    QList<OpenEnd> m_openEnds;
    QStringList m_problems;
    std::shared_ptr<const Index> m_index;
};

} // namespace Classify
