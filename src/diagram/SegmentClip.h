// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRectF>

// Liang-Barsky: the parameters t0 <= t1 (0 at a, 1 at b) of the part of a->b inside the
// rectangle, its edges included; false when no part is. Which way y points does not matter.
bool clipParameters(QPointF a, QPointF b, const QRectF &rect, double &t0, double &t1);

// The part of the segment inside the rectangle, in place; false when none is.
bool clipSegment(QPointF &a, QPointF &b, const QRectF &rect);
