// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/DiagramRenderer.h>

#include <QSize>
#include <QString>

// Saving a drawn figure as a file: SVG, PDF, PNG or GIF, chosen by the file name's ending.
// Every format is written to a temporary file first and renamed into place.
namespace FigureExport {

enum class Format
{
    Svg,
    Pdf,
    Png,
    Gif,
    Unknown,
};

Format formatOf(const QString &fileName);

// Draws the figure at the size (pixels; for PDF a page of that size at the options' dots per inch) into
// the file. On failure *error says why and an existing file is left as it was.
bool write(const DiagramRenderer &renderer, const QString &fileName, QSize size, const RenderOptions &options = {},
           QString *error = nullptr);

} // namespace FigureExport
