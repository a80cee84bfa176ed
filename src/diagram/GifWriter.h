// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/Wording.h>

#include <QImage>
#include <QString>

// Writes pictures as GIF files (Qt reads GIF but cannot write it). The picture is reduced to at
// most 256 colours: every colour when it has no more, otherwise the most frequent ones (the
// background and the drawn lines of a figure) with every other pixel taking the nearest of them.
// The file is written next to its destination under a temporary name and renamed into place, so
// a failed write leaves no broken picture and keeps an existing one.
namespace GifWriter {

// On failure *error says why, in the wording asked for, and nothing is left behind.
bool write(const QImage &image, const QString &fileName, QString *error = nullptr, Wording wording = Wording::Chinese);

// The picture reduced to the palette the GIF will hold.
QImage toPalette(const QImage &image);

} // namespace GifWriter
