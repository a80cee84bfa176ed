// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/WindowsFolder.h>

#include <QDir>
#include <QStandardPaths>

namespace WindowsFolder {

QString defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("kalvor/windows"));
}

QString locate()
{
    const QString windir = qEnvironmentVariable("windir");
    if (!windir.isEmpty()) {
        return windir;
    }
    const QString path = defaultPath();
    QDir().mkpath(QDir(path).filePath(QStringLiteral("system32")));
    return path;
}

} // namespace WindowsFolder
