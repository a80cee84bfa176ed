// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LibraryFile.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "mTaprell.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
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

    // Runs a statement through a connection of its own, as another program would.
    void exec(const QString &sql) const
    {
        withConnection([&](QSqlDatabase &db) {
            QSqlQuery query(db);
            if (!query.exec(sql)) {
                qFatal("test statement failed: %s", qPrintable(query.lastError().text()));
            }
        });
    }

    // The rows of a query, read through a fresh connection: what is really stored. Each value
    // as text, NULL as "<null>".
    QList<QStringList> rows(const QString &sql) const
    {
        QList<QStringList> result;
        withConnection([&](QSqlDatabase &db) {
            QSqlQuery query(db);
            if (!query.exec(sql)) {
                qFatal("test query failed: %s", qPrintable(query.lastError().text()));
            }
            while (query.next()) {
                QStringList row;
                for (int i = 0; i < query.record().count(); ++i) {
                    row << (query.value(i).isNull() ? QStringLiteral("<null>") : query.value(i).toString());
                }
                result << row;
            }
        });
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
    template <typename F>
    void withConnection(F &&f) const
    {
        const QString name = QStringLiteral("test-check");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(libraryFile());
            if (!db.open()) {
                qFatal("cannot open test library");
            }
            f(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
};
