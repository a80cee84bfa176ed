// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/DiagramMapping.h>
#include <diagram/Wording.h>

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QPainter;

// How one group of samples is drawn.
struct SampleSymbol
{
    enum class Shape
    {
        Circle,
        Square,
        TriangleUp,
        Diamond,
        TriangleDown,
        Plus,
        Cross,
        Star,
    };
    Shape shape = Shape::Circle;
    QColor colour;

    // The symbol of a diameter, centred on (0, 0).
    QPainterPath path(double diameter) const;
    bool filled() const { return shape != Shape::Plus && shape != Shape::Cross && shape != Shape::Star; }
};

struct SampleGroup
{
    QString name;
    SampleSymbol symbol;
};

// What a drawing of the samples did with them.
struct SampleCounts
{
    qsizetype drawn = 0;
    qsizetype outside = 0; // with a value, but outside the frame (or not showable on a log axis)
};

// Samples drawn over a figure: each one a symbol of its group, a legend of the groups, and a note
// of how many lie outside the frame. Samples without a value are not drawn; noValue() lists them.
//
// Each group is drawn whole over the groups before it, in the order of the groups. Pictures
// (images, widgets, pixmaps) get the symbols as pixels: each group's symbol drawn once, its
// coverage stamped where its samples are (a sample on a pixel another of its group took already
// is skipped) and the group's colour laid on by that coverage. Vector outputs (SVG, PDF) get
// every sample as a path of its own.
class SampleLayer
{
public:
    SampleLayer() = default;

    // A rectangular figure's samples, in data units (a logarithmic axis maps them itself).
    static SampleLayer points(std::vector<double> x, std::vector<double> y);
    // A triangular figure's samples, as the three corner components; each sample's three are
    // normalised to 100. A sample without all three, or whose sum is not above 0, has no value.
    static SampleLayer shares(const std::vector<double> &left, const std::vector<double> &top,
                              const std::vector<double> &right);

    bool isTriangular() const { return m_triangular; }
    qsizetype size() const { return qsizetype(m_x.size()); }
    // The point of a sample in data coordinates (triangles: the Cartesian 0-100 triangle).
    QPointF dataPoint(qsizetype sample) const { return {m_x[size_t(sample)], m_y[size_t(sample)]}; }
    // Rows without a value, ascending.
    const std::vector<qsizetype> &noValue() const { return m_noValue; }

    // Groups by text: equal texts one group, in the order they first appear, each with the
    // palette's symbol of its place. Without groups every sample is in one unnamed group.
    void setGroups(qsizetype count, const std::function<QString(qsizetype sample)> &text);
    const QList<SampleGroup> &groups() const { return m_groups; }
    void setSymbol(int group, const SampleSymbol &symbol) { m_groups[group].symbol = symbol; }
    int groupOf(qsizetype sample) const { return m_group.empty() ? 0 : m_group[size_t(sample)]; }

    // The symbol of a group's place: colours that print apart (and stay apart in grey), shapes
    // cycling beside them, so no two of the first 56 groups look alike.
    static SampleSymbol paletteSymbol(int index);

    // The symbols' diameter, as a share of the drawing's text height.
    double symbolSize = 0.6;
    bool legend = true;

    // Where each sample falls in the mapping's frame, without drawing.
    SampleCounts count(const DiagramMapping &mapping) const;
    // Draws the samples, the legend (more than one group, or one named group) and the note of
    // samples outside the frame. textPixels is the drawing's text height.
    SampleCounts paint(QPainter &painter, const DiagramMapping &mapping, double textPixels, Wording wording) const;

    // The note the drawing shows for samples outside the frame.
    static QString outsideText(qsizetype count, Wording wording);

private:
    void paintRaster(QPainter &painter, const DiagramMapping &mapping, double diameter, SampleCounts &counts) const;
    void paintVector(QPainter &painter, const DiagramMapping &mapping, double diameter, SampleCounts &counts) const;
    void paintLegend(QPainter &painter, const DiagramMapping &mapping, double px, double diameter, qsizetype outside,
                     Wording wording) const;

    bool m_triangular = false;
    std::vector<double> m_x; // NaN for no value
    std::vector<double> m_y;
    std::vector<qsizetype> m_noValue;
    std::vector<qint32> m_group; // empty: all in group 0
    QList<SampleGroup> m_groups{SampleGroup{{}, paletteSymbol(0)}};
};
