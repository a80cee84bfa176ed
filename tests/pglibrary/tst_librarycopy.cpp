// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestDatabase.h"
#include <library/engine/Schema.h>
#include <library/store/LibraryFile.h>
#include <librarycopy/LibraryCopy.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

// Every table the library's description lists.
const QStringList tableNames = [] {
    QStringList names;
    for (const schema::Table &table : schema::library().tables) {
        names << table.name;
    }
    return names;
}();

// Runs statements on a library file through SQLite's own API.
void execFile(const QString &file, const QByteArray &sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        qFatal("test statement on %s failed: %s", qPrintable(file), sqlite3_errmsg(db));
    }
    sqlite3_close(db);
}

// Every row of the four tables with its rowid, read through a fresh connection, each value with
// its storage class: "i:3", "r:0.10000000000000001", "t:text", "null". Texts are compared as bytes.
QList<QByteArrayList> dumpFile(const QString &file)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        qFatal("cannot open %s", qPrintable(file));
    }
    QList<QByteArrayList> rows;
    for (const QString &table : tableNames) {
        sqlite3_stmt *s = nullptr;
        const QByteArray sql = "SELECT rowid, * FROM " + table.toUtf8() + " ORDER BY rowid";
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr) != SQLITE_OK) {
            continue; // a library made before the table
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            QByteArrayList row{table.toUtf8()};
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                switch (sqlite3_column_type(s, i)) {
                case SQLITE_INTEGER:
                    row << "i:" + QByteArray::number(sqlite3_column_int64(s, i));
                    break;
                case SQLITE_FLOAT:
                    row << "r:" + QByteArray::number(sqlite3_column_double(s, i), 'g', 17);
                    break;
                case SQLITE_NULL:
                    row << "null";
                    break;
                default:
                    row << "t:" + QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(s, i)),
                                             sqlite3_column_bytes(s, i));
                }
            }
            rows << row;
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return rows;
}

// The sample library with the values that are easy to lose: apostrophes, line breaks, tabs and
// backslashes, numbers that have no short decimal form or more digits than a double holds,
// yes/no values, empty fields, and gaps in the row identities.
void writeTrickyLibrary(const QString &file)
{
    if (const Status status = LibraryFile::createSample(file); !status) {
        qFatal("%s", qPrintable(status.error().details()));
    }
    execFile(file, "INSERT INTO picMain (th, tm, figName, grp, LB, X1, X2, X6, X7, Y6, border, specialCase, Comment, "
                   "Vector, Bitmap) VALUES ('O''Neil-1', 'It''s \"quoted\"', 'line one\nline two\r\n', 9, 'T', 0.1, "
                   "1e-300, 1, 9007199254740993, 0, NULL, -5, 'tab\there \\ back\\slash ''; DROP TABLE pData; --', "
                   "1, 0);"
                   "INSERT INTO picType (grp, grpName) VALUES (9, NULL);"
                   "INSERT INTO pData (th, ID, Series, curve, X, Y, L) VALUES ('O''Neil-1', 1, NULL, 1, 1.0/3, "
                   "-2.5e+200, 3);"
                   "INSERT INTO picLable (th, ID, X, Y, Lbl) VALUES ('O''Neil-1', 2, 1, 2, 'second'), "
                   "('O''Neil-1', 1, 3, 4, 'first, added later'), ('O''Neil-1', 1.5, NULL, NULL, '');"
                   "DELETE FROM picLable WHERE rowid = 3;"
                   "INSERT INTO picAxis (th, xExpr, yExpr, yTitle) VALUES ('O''Neil-1', 'SiO2', 'Na2O + K2O', "
                   "'Na_2O (wt%)');"
                   "INSERT INTO picField (th, ID, kind, X, Y, name) VALUES ('O''Neil-1', 1, 0, 45.5, 1e-300, 'it''s'), "
                   "('O''Neil-1', 2, 1, 63, 7, NULL);");
}

struct Run
{
    int exitCode = -1;
    QString output;
    QString errors;
};

Run runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TAPRELL_LIBRARY_TOOL), arguments);
    if (!process.waitForFinished(120000)) {
        qFatal("taprell-library did not finish");
    }
    return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QList<QStringList> serverRows(const TestDatabase &server)
{
    QList<QStringList> rows;
    for (const QString &table : tableNames) {
        rows += server.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
    }
    return rows;
}

} // namespace

class tst_LibraryCopy : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void missingSourceOrUnreachableServer();
    void targetNotCreatedWhenSourceFails();
    void roundTripKeepsEveryValue();
    void fileToFileAndServerToServer();
    void nonEmptyTargetNeedsReplace();
    void failurePartWayLeavesTargetUnchanged();
    void targetWithoutSchemaIsExplained();
    void readmeGrantsLetAMemberReplaceTheLibrary();
    void anOlderLibraryIsCopiedAndAnOlderTargetGainsTheNewTables();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
};

void tst_LibraryCopy::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_source = m_dir->filePath(QStringLiteral("lab/dbase/system.mdb"));
    writeTrickyLibrary(m_source);
}

void tst_LibraryCopy::missingSourceOrUnreachableServer()
{
    const QString missing = m_dir->filePath(QStringLiteral("nowhere"));
    Run run = runTool({QStringLiteral("copy"), missing, m_dir->filePath(QStringLiteral("copy"))});
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.errors.contains(missing + QStringLiteral("/dbase/system.mdb")), qPrintable(run.errors));

    const QString unreachable = QStringLiteral("postgresql://ann:Geheim42@/lab?host=/nonexistent-taprell");
    for (const bool asTarget : {true, false}) {
        run = asTarget ? runTool({QStringLiteral("copy"), m_source, unreachable})
                       : runTool({QStringLiteral("copy"), unreachable, m_dir->filePath(QStringLiteral("copy"))});
        QCOMPARE(run.exitCode, asTarget ? 4 : 3);
        QVERIFY2(run.errors.contains(QStringLiteral("postgresql://ann@/lab?host=/nonexistent-taprell")),
                 qPrintable(run.errors));
        QVERIFY2(!run.errors.contains(QStringLiteral("Geheim42")), qPrintable(run.errors));
    }
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("copy"))));

    run = runTool({QStringLiteral("copy"), m_source});
    QCOMPARE(run.exitCode, 2);
}

void tst_LibraryCopy::targetNotCreatedWhenSourceFails()
{
    // A value the target cannot take, in the last table: the new file must not appear, nor its folders.
    execFile(m_source, "UPDATE picLable SET X = 'abc' WHERE rowid = (SELECT max(rowid) FROM picLable)");
    const QString target = m_dir->filePath(QStringLiteral("home/kalvor"));
    const Run run = runTool({QStringLiteral("copy"), m_source, target});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("picLable")) && run.errors.contains(QStringLiteral("field X")) &&
                 run.errors.contains(QStringLiteral("\"abc\" is not a number")),
             qPrintable(run.errors));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("home"))));
}

void tst_LibraryCopy::roundTripKeepsEveryValue()
{
    REQUIRE_TEST_SERVER();
    TestDatabase server;
    QList<LibraryCopy::Progress> reports;
    const LibraryCopy::Result toServer =
        LibraryCopy::copy(LibraryCopy::locate(m_source), LibraryCopy::locate(server.conninfo()),
                          LibraryCopy::Replace::No, [&](const LibraryCopy::Progress &p) { reports << p; });
    QVERIFY2(toServer.outcome == LibraryCopy::Outcome::Copied, qPrintable(toServer.message));
    const qsizetype rows = dumpFile(m_source).size();
    QCOMPARE(toServer.rows, rows);
    QVERIFY(!reports.isEmpty());
    QCOMPARE(reports.last().done, rows);
    QCOMPARE(reports.last().total, rows);
    QCOMPARE(reports.last().table, schema::library().tables.last().name);

    // On the server the values have the server's types (yes/no values read as 1 and 0).
    QCOMPARE(server.rows(QStringLiteral("SELECT tm, figName, X1, X2, X6, X7, Y6, border, Comment, Vector FROM picMain "
                                        "WHERE lower(th) = lower('o''neil-1')")),
             (QList<QStringList>{{QStringLiteral("It's \"quoted\""), QStringLiteral("line one\nline two\r\n"),
                                  QStringLiteral("0.1"), QStringLiteral("1e-300"), QStringLiteral("1"),
                                  QStringLiteral("9007199254740993"), QStringLiteral("0"), QStringLiteral("<null>"),
                                  QStringLiteral("tab\there \\ back\\slash '; DROP TABLE pData; --"),
                                  QStringLiteral("1")}}));
    // New rows made on the server are numbered after the copied ones.
    server.exec(QStringLiteral("INSERT INTO picType (grp) VALUES (99)"));
    QVERIFY(server.scalar(QStringLiteral("SELECT rowid FROM picType WHERE grp = 99")).toLongLong() >
            server.scalar(QStringLiteral("SELECT max(rowid) FROM picType WHERE grp <> 99")).toLongLong());
    server.exec(QStringLiteral("DELETE FROM picType WHERE grp = 99"));

    const QString back = m_dir->filePath(QStringLiteral("home"));
    const Run run = runTool({QStringLiteral("copy"), server.conninfo(), back});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QVERIFY(run.output.contains(QStringLiteral("Copied %1 rows").arg(rows)));
    QCOMPARE(dumpFile(back + QStringLiteral("/dbase/system.mdb")), dumpFile(m_source));
    QCOMPARE(QDir(back + QStringLiteral("/dbase")).entryList(QDir::Files), QStringList{QStringLiteral("system.mdb")});
}

void tst_LibraryCopy::fileToFileAndServerToServer()
{
    const QString fileCopy = m_dir->filePath(QStringLiteral("copy.mdb"));
    Run run = runTool({QStringLiteral("copy"), QStringLiteral("-q"), m_source, fileCopy});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(dumpFile(fileCopy), dumpFile(m_source));
    QCOMPARE(run.errors, QString());

    REQUIRE_TEST_SERVER();
    TestDatabase first;
    TestDatabase second;
    run = runTool({QStringLiteral("copy"), fileCopy, first.conninfo()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    run = runTool({QStringLiteral("copy"), first.conninfo(), second.conninfo()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(serverRows(second), serverRows(first));
    const QString last = m_dir->filePath(QStringLiteral("last.mdb"));
    run = runTool({QStringLiteral("copy"), second.conninfo(), last});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(dumpFile(last), dumpFile(m_source));

    run = runTool({QStringLiteral("copy"), first.conninfo(), first.conninfo()});
    QCOMPARE(run.exitCode, 1);
}

void tst_LibraryCopy::nonEmptyTargetNeedsReplace()
{
    // A file target holding another library.
    const QString target = m_dir->filePath(QStringLiteral("other/dbase/system.mdb"));
    QVERIFY(LibraryFile::createSample(target));
    const auto before = dumpFile(target);
    Run run = runTool({QStringLiteral("copy"), m_source, m_dir->filePath(QStringLiteral("other"))});
    QCOMPARE(run.exitCode, 5);
    QVERIFY2(run.errors.contains(QStringLiteral("--replace")) && run.errors.contains(target), qPrintable(run.errors));
    QCOMPARE(dumpFile(target), before);
    run = runTool({QStringLiteral("copy"), QStringLiteral("--replace"), m_source, target});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(dumpFile(target), dumpFile(m_source));

    // A server target holding only a group is not empty either.
    REQUIRE_TEST_SERVER();
    TestDatabase server;
    server.exec(QStringLiteral("INSERT INTO picType (grp, grpName) VALUES (1, 'kept')"));
    run = runTool({QStringLiteral("copy"), m_source, server.conninfo()});
    QCOMPARE(run.exitCode, 5);
    QCOMPARE(server.rows(QStringLiteral("SELECT grpName FROM picType")),
             (QList<QStringList>{{QStringLiteral("kept")}}));
    run = runTool({QStringLiteral("copy"), QStringLiteral("--replace"), m_source, server.conninfo()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(server.scalar(QStringLiteral("SELECT count(*) FROM picType WHERE grpName = 'kept'")), QStringLiteral("0"));
    const QList<QByteArrayList> source = dumpFile(m_source);
    const auto labels = std::count_if(source.cbegin(), source.cend(), [](const auto &r) { return r[0] == "picLable"; });
    QCOMPARE(server.scalar(QStringLiteral("SELECT count(*) FROM picLable")), QString::number(labels));
}

void tst_LibraryCopy::failurePartWayLeavesTargetUnchanged()
{
    const QString broken = m_dir->filePath(QStringLiteral("broken.mdb"));
    QVERIFY(QFile::copy(m_source, broken));
    execFile(broken, "UPDATE picLable SET X = 'abc' WHERE rowid = (SELECT max(rowid) FROM picLable)");

    // A file target: the rows of the tables before picLable were already written in the transaction.
    const QString target = m_dir->filePath(QStringLiteral("target.mdb"));
    QVERIFY(LibraryFile::createSample(target));
    const auto before = dumpFile(target);
    Run run = runTool({QStringLiteral("copy"), QStringLiteral("--replace"), broken, target});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(dumpFile(target), before);

    REQUIRE_TEST_SERVER();
    TestDatabase server;
    run = runTool({QStringLiteral("copy"), target, server.conninfo()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    const auto serverBefore = serverRows(server);
    run = runTool({QStringLiteral("copy"), QStringLiteral("--replace"), broken, server.conninfo()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("picLable")), qPrintable(run.errors));
    QCOMPARE(serverRows(server), serverBefore);

    // Refused by the server itself part way (a text the server cannot hold): the same.
    execFile(broken, "UPDATE picLable SET X = 1;"
                     "UPDATE pData SET th = CAST(X'41004243' AS TEXT) WHERE rowid = (SELECT max(rowid) FROM pData)");
    run = runTool({QStringLiteral("copy"), QStringLiteral("--replace"), broken, server.conninfo()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("pData")) && run.errors.contains(QStringLiteral("SQLSTATE")),
             qPrintable(run.errors));
    QCOMPARE(serverRows(server), serverBefore);
}

void tst_LibraryCopy::targetWithoutSchemaIsExplained()
{
    REQUIRE_TEST_SERVER();
    TestDatabase bare(TestDatabase::Schema::None);
    const Run run = runTool({QStringLiteral("copy"), m_source, bare.conninfo()});
    QCOMPARE(run.exitCode, 4);
    // Run from the build folder: the source tree's schema.
    QVERIFY2(run.errors.contains(QStringLiteral(TAPRELL_SOURCE_DIR "/data/schema-postgresql.sql")),
             qPrintable(run.errors));
    QCOMPARE(bare.scalar(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")),
             QStringLiteral("0"));
    // Installed: the schema installed beside it.
    const QString bin = m_dir->filePath(QStringLiteral("usr/bin"));
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QFile::copy(QStringLiteral(TAPRELL_LIBRARY_TOOL), bin + QStringLiteral("/taprell-library")));
    QProcess installed;
    installed.start(bin + QStringLiteral("/taprell-library"), {QStringLiteral("copy"), m_source, bare.conninfo()});
    QVERIFY(installed.waitForFinished(60000));
    QCOMPARE(installed.exitCode(), 4);
    const QString errors = QString::fromUtf8(installed.readAllStandardError());
    QVERIFY2(errors.contains(m_dir->filePath(QStringLiteral("usr/share/taprell/schema-postgresql.sql"))),
             qPrintable(errors));
}

// A member with the rights the README grants (not the tables' owner) replaces the library.
void tst_LibraryCopy::readmeGrantsLetAMemberReplaceTheLibrary()
{
    REQUIRE_TEST_SERVER();
    QFile readme(QStringLiteral(TAPRELL_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString role = QStringLiteral("taprell_member_%1").arg(QCoreApplication::applicationPid());
    QStringList grants;
    for (const QString &line : QString::fromUtf8(readme.readAll()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("GRANT "))) {
            grants << line.section(QStringLiteral(" TO "), 0, 0) + QStringLiteral(" TO ") + role;
        }
    }
    QVERIFY(!grants.isEmpty());
    const auto asAdministrator = [](const QString &sql) {
        pg::Connection db;
        QVERIFY(db.open(TestDatabase::server()));
        QVERIFY2(db.execute(sql), qPrintable(sql));
    };
    asAdministrator(QStringLiteral("DROP ROLE IF EXISTS %1; CREATE ROLE %1 LOGIN").arg(role));
    {
        TestDatabase server;
        for (const QString &grant : std::as_const(grants)) {
            server.exec(grant);
        }
        const QString asMember = server.conninfo() + QStringLiteral(" user=") + role;
        for (const QString &replace : {QString(), QStringLiteral("--replace")}) {
            QStringList arguments{QStringLiteral("copy"), m_source, asMember};
            if (!replace.isEmpty()) {
                arguments.insert(1, replace);
            }
            const Run run = runTool(arguments);
            QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        }
        qsizetype figures = 0;
        for (const QByteArrayList &row : dumpFile(m_source)) {
            figures += row.first() == "picMain";
        }
        QCOMPARE(server.scalar(QStringLiteral("SELECT count(*) FROM picMain")), QString::number(figures));
    }
    asAdministrator(QStringLiteral("DROP ROLE %1").arg(role));
}

QTEST_GUILESS_MAIN(tst_LibraryCopy)
// Libraries made before the axes' tables: a source without them copies its four tables, and a
// target without them gains them (and the current version) before the copy is written into it.
void tst_LibraryCopy::anOlderLibraryIsCopiedAndAnOlderTargetGainsTheNewTables()
{
    const QByteArray older = "DROP TABLE picAxis; DROP TABLE picField; PRAGMA user_version = 2;";
    execFile(m_source, older);
    const QString target = m_dir->filePath(QStringLiteral("older.mdb"));
    writeTrickyLibrary(target);
    execFile(target, older);
    Run run = runTool({QStringLiteral("copy"), QStringLiteral("--replace"), m_source, target});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(dumpFile(target), dumpFile(m_source));
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(target.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt *s = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT (SELECT user_version FROM pragma_user_version), count(*) FROM picAxis", -1,
                                &s, nullptr),
             SQLITE_OK);
    QCOMPARE(sqlite3_step(s), SQLITE_ROW);
    QCOMPARE(sqlite3_column_int(s, 0), schema::currentVersion);
    QCOMPARE(sqlite3_column_int(s, 1), 0);
    sqlite3_finalize(s);
    sqlite3_close(db);

    REQUIRE_TEST_SERVER();
    TestDatabase server;
    run = runTool({QStringLiteral("copy"), m_source, server.conninfo()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(server.rows(QStringLiteral("SELECT count(*) FROM picAxis")), QList<QStringList>{{QStringLiteral("0")}});
}

#include "tst_librarycopy.moc"
