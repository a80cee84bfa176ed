// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>

#include <utility>

// The smooth curve the renderer draws between neighbouring curve points p1 and p2 (p0 before
// them, p3 after; a missing neighbour is the end point itself): the two inner control points of
// the cubic Bezier piece from p1 to p2. Whoever needs the drawn lines (the fields of a figure)
// takes them from here, so they follow the drawing.
std::pair<QPointF, QPointF> smoothCurveControls(QPointF p0, QPointF p1, QPointF p2, QPointF p3);
