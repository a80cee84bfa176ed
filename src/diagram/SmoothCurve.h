// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPointF>

// The smooth curve the renderer draws through a run of neighbouring curve points: the tangent at
// each point, so that the piece from point k to k+1 is the cubic Bezier curve with the inner
// control points p[k] + t[k] h/3 and p[k+1] - t[k+1] h/3, h being the chord |p[k+1] - p[k]|.
// Whoever needs the drawn lines (the fields of a figure) takes them from here, so they follow
// the drawing. A run has at least two points, and consecutive points differ.
QList<QPointF> smoothCurveTangents(const QList<QPointF> &points);
