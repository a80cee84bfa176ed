// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/Figure.h>

#include <QSize>
#include <QString>

// The catalogue's thumbnails: GIF pictures drawn from the figure, named after its thumbnail name.
namespace Thumbnails {

// The size of the catalogue's picture box (5896 x 5056 twips), which stretches the picture to
// fill it: a thumbnail of this size is shown undistorted.
inline constexpr QSize size{393, 337};

// folder + thumbnail name + ".gif"; folder is the thumbnail folder, with or without a final "/".
QString fileName(const QString &folder, const QString &thumbnailName);

// Draws the figure and writes it as the GIF file (through a temporary file renamed into place).
// *problems receives what the drawing could not show.
bool write(const Figure &figure, const QString &fileName, QString *error, QStringList *problems = nullptr);

} // namespace Thumbnails
