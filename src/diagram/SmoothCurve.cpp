// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/SmoothCurve.h>

#include <cmath>

// The tangents at the points of a smooth curve through them: a natural cubic spline whose
// parameter runs along the chords (chord lengths as knot intervals). Its curvature is continuous
// through every point, so two points close together make no elbow, as they do in a Catmull-Rom
// curve, whose curvature jumps at each point. Consecutive points must differ.
QList<QPointF> smoothCurveTangents(const QList<QPointF> &p)
{
    const qsizetype n = p.size();
    QList<double> h(n - 1);
    for (qsizetype k = 0; k + 1 < n; ++k) {
        h[k] = std::hypot(p[k + 1].x() - p[k].x(), p[k + 1].y() - p[k].y());
    }
    // Tridiagonal system for the tangents D: h[k] D[k-1] + 2 (h[k-1] + h[k]) D[k] + h[k-1] D[k+1]
    // = 3 (h[k] / h[k-1] (p[k] - p[k-1]) + h[k-1] / h[k] (p[k+1] - p[k])), no bending at the ends.
    QList<double> below(n), diagonal(n), above(n);
    QList<QPointF> right(n);
    diagonal[0] = 2;
    above[0] = 1;
    right[0] = 3 * (p[1] - p[0]) / h[0];
    for (qsizetype k = 1; k + 1 < n; ++k) {
        below[k] = h[k];
        diagonal[k] = 2 * (h[k - 1] + h[k]);
        above[k] = h[k - 1];
        right[k] = 3 * (h[k] / h[k - 1] * (p[k] - p[k - 1]) + h[k - 1] / h[k] * (p[k + 1] - p[k]));
    }
    below[n - 1] = 1;
    diagonal[n - 1] = 2;
    right[n - 1] = 3 * (p[n - 1] - p[n - 2]) / h[n - 2];
    for (qsizetype k = 1; k < n; ++k) {
        const double m = below[k] / diagonal[k - 1];
        diagonal[k] -= m * above[k - 1];
        right[k] -= m * right[k - 1];
    }
    QList<QPointF> tangent(n);
    tangent[n - 1] = right[n - 1] / diagonal[n - 1];
    for (qsizetype k = n - 2; k >= 0; --k) {
        tangent[k] = (right[k] - above[k] * tangent[k + 1]) / diagonal[k];
    }
    return tangent;
}
