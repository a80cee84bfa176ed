// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

class Library;

// Draws a small picture of a figure from its record, points and labels: the boundary lines
// of each line number in point order, dashed or solid by line type, and the label texts.
// Rectangular figures use their axis ranges (logarithmic where flagged); triangular ones the
// 0-100 triangle.
QImage renderThumbnail(Library &library, const QString &figureNumber, QSize size);
