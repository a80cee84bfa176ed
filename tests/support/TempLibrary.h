// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ScriptedDialogs.h"
#include "TestDatabase.h"
#include <library/engine/SqliteDatabase.h>
#include <library/server/ServerEngine.h>
#include <library/state/mTaprell.h>
#include <library/store/LibraryFile.h>
#include <librarycopy/LibraryCopy.h>
#include <platform/SettingsStore.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>

// Skips a test of what only a library file can hold or do (a text stored in a number field, a
// damaged or read-only file, another program's file lock) in the runs on the server.
#define SKIP_ON_SERVER(why)                                                                                            \
    do {                                                                                                               \
        if (TempLibrary::onServer()) {                                                                                 \
            QSKIP("Only a library file: " why);                                                                        \
        }                                                                                                              \
    } while (false)

// A figure library in a temporary install folder, with its own settings store holding "Path",
// a scripted message hook, and an mTaprell over them.
//
// With TAPRELL_TEST_LIBRARY=server in the environment (the "_server" runs of a test program) the
// library is a database of its own on the test server instead, holding what the file holds, and
// the settings' "Library" names it: the same tests then prove that the windows behave the same on
// both engines. exec() and rows() go to whichever holds the library. Tests of what only a file
// can do skip themselves there (skipOnServer()).
struct TempLibrary
{
    enum class Content
    {
        Sample,
        Empty,
    };

    explicit TempLibrary(Content content = Content::Sample)
        : settings(dir.filePath(QStringLiteral("config")))
        , taprell(settings)
    {
        const QString file = libraryFile();
        const Status status = content == Content::Sample ? LibraryFile::createSample(file) : LibraryFile::create(file);
        if (!status) {
            qFatal("cannot create test library: %s", qPrintable(status.error().details()));
        }
        settings.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Path"),
                          dir.path());
        if (!onServer()) {
            return;
        }
        if (TestDatabase::server().isEmpty()) {
            // ctest counts this exit code as skipped: these runs need scripts/with-test-server.sh.
            qWarning("TAPRELL_TEST_LIBRARY=server, but no test server: TAPRELL_TEST_PG is not set.");
            std::exit(77);
        }
        server = std::make_unique<TestDatabase>();
        const LibraryCopy::Result copied = LibraryCopy::copy(
            LibraryCopy::locate(file), LibraryCopy::locate(server->conninfo()), LibraryCopy::Replace::Yes);
        if (copied.outcome != LibraryCopy::Outcome::Copied) {
            qFatal("cannot copy the test library to the server: %s", qPrintable(copied.message));
        }
        settings.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Library"),
                          server->conninfo());
    }

    // Whether this run keeps its libraries on the test server.
    static bool onServer() { return qEnvironmentVariable("TAPRELL_TEST_LIBRARY") == QStringLiteral("server"); }

    QString libraryFile() const { return dir.filePath(QStringLiteral("dbase/system.mdb")); }
    // Where the library is: the server's connection string, or the file.
    QString location() const { return server ? server->conninfo() : libraryFile(); }

    // Runs statements through a connection of its own, as another program would. Written so that
    // both engines take them as they stand.
    void exec(const QString &sql) const
    {
        if (server) {
            server->exec(sql);
            return;
        }
        sqlite::Connection db = connection();
        if (db.execute(sql.toUtf8().constData()) != 0) {
            qFatal("test statement failed: %s", qPrintable(db.errorMessage()));
        }
    }

    // The rows of a query, read through a fresh connection: what is really stored. Each value
    // as text, NULL as "<null>".
    QList<QStringList> rows(const QString &sql) const
    {
        if (server) {
            return server->rows(sql);
        }
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
    std::unique_ptr<TestDatabase> server; // on the server: where the library is
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
