// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/SpreadsheetApplication.h>

#include <QDir>
#include <QStandardPaths>

QString EnvironmentSpreadsheetApplication::defaultStartupPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("kalvor/excel/XLSTART"));
}

QString EnvironmentSpreadsheetApplication::defaultDefaultFilePath()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

bool EnvironmentSpreadsheetApplication::get(SpreadsheetApplication &application, QString &error)
{
    const QString unavailable = qEnvironmentVariable("KALVOR_EXCEL_UNAVAILABLE");
    if (!unavailable.isEmpty() && unavailable != QStringLiteral("0")) {
        error = QStringLiteral("the spreadsheet application is not available (KALVOR_EXCEL_UNAVAILABLE)");
        return false;
    }
    QString startup = qEnvironmentVariable("KALVOR_EXCEL_STARTUP");
    if (startup.isEmpty()) {
        startup = defaultStartupPath();
    }
    QString defaultPath = qEnvironmentVariable("KALVOR_EXCEL_DEFAULT_PATH");
    if (defaultPath.isEmpty()) {
        defaultPath = defaultDefaultFilePath();
    }
    // The real application always has its startup folder; a missing one is made as it would be.
    if (!QDir().mkpath(startup)) {
        error = QStringLiteral("cannot create the startup folder %1").arg(startup);
        return false;
    }
    application.startupPath = QDir::cleanPath(startup);
    application.defaultFilePath = QDir::cleanPath(defaultPath);
    return true;
}
