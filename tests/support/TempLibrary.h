// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LibraryFile.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "SqliteDatabase.h"
#include "mTaprell.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// A figure library in a temporary install folder, with its own settings store holding "Path",
// a scripted message hook, and an mTaprell over them.
struct TempLibrary
{
    enum class Content
    {
        Sample,
        Empty,
    };

    explicit TempLibrary(Content content = Content::Sample)
        : settings(dir.filePath(QStringLiteral("config")))
        , taprell(settings, dialogs)
    {
        const QString file = libraryFile();
        const Status status = content == Content::Sample ? LibraryFile::createSample(file) : LibraryFile::create(file);
        if (!status) {
            qFatal("cannot create test library: %s", qPrintable(status.error().details()));
        }
        settings.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Path"),
                          dir.path());
    }

    QString libraryFile() const { return dir.filePath(QStringLiteral("dbase/system.mdb")); }

    // Runs statements through a connection of its own, as another program would.
    void exec(const QString &sql) const
    {
        sqlite::Connection db = connection();
        if (db.execute(sql.toUtf8().constData()) != 0) {
            qFatal("test statement failed: %s", qPrintable(db.errorMessage()));
        }
    }

    // The rows of a query, read through a fresh connection: what is really stored. Each value
    // as text, NULL as "<null>".
    QList<QStringList> rows(const QString &sql) const
    {
        sqlite::Connection db = connection();
        sqlite::Statement query;
        if (query.prepare(db, sql) != 0) {
            qFatal("test query failed: %s", qPrintable(db.errorMessage()));
        }
        QList<QStringList> result;
        sqlite::Step step;
        while ((step = query.step()) == sqlite::Step::Row) {
            QStringList row;
            for (int i = 0; i < query.columnCount(); ++i) {
                row << (query.isNull(i) ? QStringLiteral("<null>") : query.value(i).toString());
            }
            result << row;
        }
        if (step == sqlite::Step::Error) {
            qFatal("test query failed: %s", qPrintable(db.errorMessage()));
        }
        return result;
    }

    QString scalar(const QString &sql) const
    {
        const QList<QStringList> r = rows(sql);
        return r.isEmpty() || r.first().isEmpty() ? QString() : r.first().first();
    }

    QTemporaryDir dir;
    SettingsStore settings;
    ScriptedDialogs dialogs;
    mTaprell taprell;

private:
    sqlite::Connection connection() const
    {
        sqlite::Connection db;
        if (db.open(libraryFile(), sqlite::Connection::Access::ReadWrite) != 0) {
            qFatal("cannot open test library");
        }
        return db;
    }
};
