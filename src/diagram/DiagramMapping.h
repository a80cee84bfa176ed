// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRectF>

// One axis of a rectangular figure: its range and whether it is logarithmic (base 10).
struct AxisScale
{
    double minimum = 0;
    double maximum = 100;
    bool logarithmic = false;

    // Usable for mapping: a finite range with minimum < maximum, and minimum > 0 when logarithmic.
    bool isValid() const;
    // Where a value lies along the axis: 0 at the minimum, 1 at the maximum (beyond for values
    // outside). NaN for a value a logarithmic axis cannot show (<= 0).
    double fraction(double value) const;
    // The inverse of fraction().
    double value(double fraction) const;
};

// Data coordinates to device coordinates and back, for one figure drawn into one rectangle.
// Painting, hit testing and a digitiser all use the same object, so what is drawn at a device
// point is what toData() reports for it.
//
// Rectangular figures: x from the left edge of the plot rectangle to its right edge, y from
// the bottom up, each axis linear or logarithmic. Triangular figures: Cartesian points on the
// 0-100 triangle (left (0,0), right (100,0), top (50, 86.6025)) at one scale for both
// directions, so the triangle is equilateral on screen.
class DiagramMapping
{
public:
    enum class Kind
    {
        Rectangular,
        Triangular,
    };
    static constexpr double triangleHeight = 86.6025;

    DiagramMapping() = default;
    static DiagramMapping rectangular(const AxisScale &x, const AxisScale &y, const QRectF &plot);
    // The largest equilateral triangle whose data extent (the triangle, or more around it, in
    // data coordinates) fits the area, the extent centred in it.
    static DiagramMapping triangular(const QRectF &area, const QRectF &extent = QRectF(0, 0, 100, triangleHeight));

    Kind kind() const { return m_kind; }
    const AxisScale &xAxis() const { return m_x; }
    const AxisScale &yAxis() const { return m_y; }
    // The device rectangle the data range fills (the triangle's bounding box for triangles).
    QRectF plotRect() const { return m_plot; }
    // The triangle's corners in device coordinates: left, right, top.
    QPolygonF triangle() const;

    // False for a value an axis cannot show (not finite, or <= 0 on a logarithmic axis).
    bool canMap(QPointF data) const;
    QPointF toDevice(QPointF data) const;
    QPointF toData(QPointF device) const;
    // Inside the drawn range: the axis ranges, or the triangle.
    bool containsData(QPointF data) const;

    // Ternary shares (percent) of a Cartesian triangle point: left, right and top corner.
    struct Shares
    {
        double left;
        double right;
        double top;
    };
    static Shares sharesOf(QPointF data);
    // The Cartesian point of ternary shares that sum to 100: the inverse of sharesOf().
    static QPointF pointOf(const Shares &shares);

private:
    Kind m_kind = Kind::Rectangular;
    AxisScale m_x;
    AxisScale m_y;
    QRectF m_plot;
};
