// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/DiagramRenderer.h>
#include <diagram/GifWriter.h>
#include <preview/Thumbnails.h>

#include <QDir>

QString Thumbnails::fileName(const QString &folder, const QString &thumbnailName)
{
    return QDir(folder).filePath(thumbnailName + QStringLiteral(".gif"));
}

bool Thumbnails::write(const Figure &figure, const QString &fileName, QString *error, QStringList *problems)
{
    const DiagramRenderer renderer(figure);
    if (problems) {
        *problems = renderer.problems();
    }
    return GifWriter::write(renderer.renderImage(size), fileName, error);
}
