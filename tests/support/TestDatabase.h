// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/server/PgDatabase.h>

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTest>

// The test server comes from TAPRELL_TEST_PG (scripts/with-test-server.sh starts one and sets it).
// Without it the server tests skip.
#define REQUIRE_TEST_SERVER()                                                                                          \
    do {                                                                                                               \
        if (TestDatabase::server().isEmpty()) {                                                                        \
            QSKIP("No test server: TAPRELL_TEST_PG is not set (scripts/with-test-server.sh or scripts/test.sh "        \
                  "start one).");                                                                                      \
        }                                                                                                              \
    } while (false)

// A database of its own on the test server, dropped again at the end, so test programs running
// side by side never meet. With the figure library schema loaded unless asked otherwise.
class TestDatabase
{
public:
    enum class Schema
    {
        FigureLibrary,
        None,
    };

    static QString server() { return qEnvironmentVariable("TAPRELL_TEST_PG"); }

    explicit TestDatabase(Schema schema = Schema::FigureLibrary)
    {
        static int serial = 0;
        m_name = QStringLiteral("taprell_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
        admin(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_name));
        admin(QStringLiteral("CREATE DATABASE %1").arg(m_name));
        if (schema == Schema::FigureLibrary) {
            QFile file(QStringLiteral(TAPRELL_PG_SCHEMA));
            if (!file.open(QIODevice::ReadOnly)) {
                qFatal("cannot read %s", TAPRELL_PG_SCHEMA);
            }
            exec(QString::fromUtf8(file.readAll()));
        }
    }

    ~TestDatabase() { admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name)); }

    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    // Later pairs win in a connection string, so the database is simply appended.
    QString conninfo() const { return server() + QStringLiteral(" dbname=") + m_name; }
    QString name() const { return m_name; }

    pg::Connection connect() const
    {
        pg::Connection db;
        if (pg::Status status = db.open(conninfo()); !status) {
            qFatal("cannot connect to the test database: %s", qPrintable(status.error().text()));
        }
        return db;
    }

    void exec(const QString &sql) const
    {
        pg::Connection db = connect();
        if (pg::Status status = db.execute(sql); !status) {
            qFatal("test statement failed: %s", qPrintable(status.error().text()));
        }
    }

    // The rows of a query through a fresh connection: what is really stored. NULL as "<null>".
    QList<QStringList> rows(const QString &sql) const
    {
        pg::Connection db = connect();
        pg::Statement query;
        pg::Status status = query.prepare(db, sql);
        if (status) {
            status = query.execute();
        }
        if (!status) {
            qFatal("test query failed: %s", qPrintable(status.error().text()));
        }
        QList<QStringList> result;
        while (query.step() == pg::Step::Row) {
            QStringList row;
            for (int i = 0; i < query.columnCount(); ++i) {
                // Yes/no values as the file holds them, 1 and 0.
                row << (query.isNull(i)                ? QStringLiteral("<null>")
                        : query.columnTypeOid(i) == 16 ? QString::number(int(query.boolean(i)))
                                                       : query.text(i));
            }
            result << row;
        }
        return result;
    }

    QString scalar(const QString &sql) const
    {
        const QList<QStringList> r = rows(sql);
        return r.isEmpty() || r.first().isEmpty() ? QString() : r.first().first();
    }

private:
    static void admin(const QString &sql)
    {
        pg::Connection db;
        pg::Status status = db.open(server());
        if (status) {
            status = db.execute(sql);
        }
        if (!status) {
            qFatal("test server: %s", qPrintable(status.error().text()));
        }
    }

    QString m_name;
};
