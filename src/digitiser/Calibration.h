// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QTransform>

// How pixels of a scanned figure map to the figure's data coordinates.
//
// The map is affine from scan pixels to axis space (the value on a linear axis, its base-10
// logarithm on a logarithmic one), so a scan that is scaled, rotated or skewed still maps
// correctly: it is solved from the reference points, never from separate x and y scales.
// - Axes: two points of known x and two of known y. x is constant along the direction of the
//   y reference points and y along that of the x reference points.
// - Three points of known x and y.
// - Triangle: the three corners of a triangular figure, which map to the Cartesian 0-100
//   triangle (left (0,0), right (100,0), top (50, 86.6025)).
class Calibration
{
public:
    enum class Kind
    {
        None,
        Axes,
        ThreePoints,
        Triangle,
    };
    struct Reference
    {
        QPointF pixel;
        double x = 0; // the known value (unused for the y references of Axes, and for Triangle)
        double y = 0;
    };

    Calibration() = default;

    // Each returns an invalid calibration and sets *error when the references cannot make one:
    // two references at one pixel, two equal values, a value <= 0 on a logarithmic axis,
    // points on one line.
    static Calibration axes(const Reference &x1, const Reference &x2, const Reference &y1, const Reference &y2,
                            bool logX, bool logY, QString *error);
    static Calibration threePoints(const Reference &a, const Reference &b, const Reference &c, bool logX, bool logY,
                                   QString *error);
    static Calibration triangle(QPointF left, QPointF right, QPointF top, QString *error);

    bool isValid() const { return m_kind != Kind::None; }
    Kind kind() const { return m_kind; }
    bool logX() const { return m_logX; }
    bool logY() const { return m_logY; }
    const QList<Reference> &references() const { return m_references; }

    QPointF toData(QPointF pixel) const;
    // NaN coordinates for a value a logarithmic axis cannot show.
    QPointF toPixel(QPointF data) const;
    // Scan pixels to axis space and back (affine).
    QTransform pixelToAxis() const { return m_toAxis; }
    QTransform axisToPixel() const { return m_toPixel; }

    // The data coordinates of a click as the library stores them: rounded to what one pixel of
    // the scan can tell apart, in the shortest plain decimal form.
    std::pair<QString, QString> roundedData(QPointF pixel) const;

    // A line of text for the settings store, and back (invalid for a text that is not one).
    QString toText() const;
    static Calibration fromText(const QString &text);

private:
    static Calibration fromTransform(Kind kind, const QTransform &toAxis, bool logX, bool logY,
                                     QList<Reference> references, QString *error);

    Kind m_kind = Kind::None;
    bool m_logX = false;
    bool m_logY = false;
    QTransform m_toAxis;
    QTransform m_toPixel;
    QList<Reference> m_references;
};

namespace Precision {

// The value rounded to the decimal place of the step (the largest power of ten not above it)
// and written in the library's plain decimal form: no exponent, no trailing zeros.
QString rounded(double value, double step);

} // namespace Precision
