// SPDX-License-Identifier: GPL-3.0-or-later
#include <librarycopy/SchemaFile.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString serverSchemaFile()
{
    return serverSchemaFileFor(QCoreApplication::applicationDirPath());
}

QString serverSchemaFileFor(const QString &programFolder)
{
    const QString folder = QFileInfo(programFolder).canonicalFilePath();
    const QString build = QFileInfo(QStringLiteral(TAPRELL_BUILD_DIR)).canonicalFilePath();
    if (!build.isEmpty() && (folder == build || folder.startsWith(build + u'/'))) {
        return QStringLiteral(TAPRELL_SOURCE_SCHEMA);
    }
    return QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(TAPRELL_INSTALLED_SCHEMA)));
}
