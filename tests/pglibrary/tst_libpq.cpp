// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/server/LibPq.h>
#include <library/server/PgDatabase.h>

#include <QTest>

#include <array>
#include <bit>
#include <dlfcn.h>

// This program does not link libpq, and asks the layer for a client library that is not there:
// everything a file library's start needs must work without libpq, and opening a server must fail
// with the reason instead of calling into a library that was never loaded.
class tst_LibPq : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void locationsAreReadWithoutLoadingLibpq();
    void missingLibraryFailsOpenWithTheReason();
    void resolvingNamesWhatIsMissing();
};

namespace {

constexpr const char *missingLibrary = "libtaprell-nonexistent-pq.so.5";

bool libpqIsLoaded()
{
    void *library = dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
    if (library) {
        dlclose(library);
    }
    return library != nullptr;
}

// The functions of the table, in order; null where one was not resolved.
auto pointersOf(const pg::LibPq &functions)
{
    using Function = void (*)();
    return std::bit_cast<std::array<Function, sizeof(pg::LibPq) / sizeof(Function)>>(functions);
}

} // namespace

void tst_LibPq::initTestCase()
{
    QVERIFY(!libpqIsLoaded());
    pg::setLibPqFileName(missingLibrary);
}

void tst_LibPq::locationsAreReadWithoutLoadingLibpq()
{
    QVERIFY(pg::isConnectionString(QStringLiteral("postgresql://ann:Geheim42@db/lab")));
    QVERIFY(pg::isConnectionString(QStringLiteral("service=lab")));
    QVERIFY(!pg::isConnectionString(QStringLiteral("/home/ann/kalvor")));
    QCOMPARE(pg::redacted(QStringLiteral("host=db password=Geheim42 dbname=lab")),
             QStringLiteral("host=db dbname=lab"));
    {
        // Guards that never reached a server go away without libpq.
        pg::Statement statement;
        pg::Transaction transaction;
        pg::CopyIn copy;
        statement.reset();
        QVERIFY(statement.isNull(0));
        QCOMPARE(statement.step(), pg::Step::Done);
        QCOMPARE(statement.affectedRows(), 0);
    }
    QVERIFY(!libpqIsLoaded());
    QVERIFY(!pg::libpq.PQexec);
}

void tst_LibPq::missingLibraryFailsOpenWithTheReason()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        pg::Connection db;
        const pg::Status status = db.open(QStringLiteral("postgresql://ann:Geheim42@db/lab"));
        QVERIFY(!status);
        QVERIFY(!db.isOpen());
        QCOMPARE(status.error().message, QStringLiteral("Cannot connect to the server postgresql://ann@db/lab."));
        const QString reason = status.error().serverMessage;
        QVERIFY2(reason.startsWith(QStringLiteral("The PostgreSQL client library %1 could not be loaded: ")
                                       .arg(QLatin1StringView(missingLibrary))),
                 qPrintable(reason));
        // dlerror()'s own words follow, naming the file it looked for.
        QVERIFY2(reason.count(QLatin1StringView(missingLibrary)) == 2, qPrintable(reason));
        QVERIFY(!status.error().text().contains(QStringLiteral("Geheim42")));
        QVERIFY(status.error().connectionLost);

        // Everything on the closed connection fails as "not connected".
        pg::Statement statement;
        QCOMPARE(statement.prepare(db, QStringLiteral("SELECT 1")).error().message, QStringLiteral("Not connected."));
        QVERIFY(!statement.execute());
        pg::Transaction transaction;
        QVERIFY(!transaction.begin(db));
        pg::CopyIn copy;
        QVERIFY(!copy.begin(db, QStringLiteral("t"), {QStringLiteral("a")}));
        QVERIFY(!db.execute(QStringLiteral("SELECT 1")));
        QVERIFY(!db.inTransaction());
    }
    QCOMPARE(pg::loadLibPq(), pg::loadLibPq());
    QVERIFY(pg::loadLibPq().contains(QLatin1StringView(missingLibrary)));
    for (auto function : pointersOf(pg::libpq)) {
        QVERIFY(!function);
    }
    QVERIFY(!libpqIsLoaded());
}

void tst_LibPq::resolvingNamesWhatIsMissing()
{
    pg::LibPq functions;
    QString error;
    QVERIFY(!pg::resolveLibPq(missingLibrary, functions, error));
    QVERIFY2(error.contains(QLatin1StringView(missingLibrary)), qPrintable(error));

    // A library that is there but is not libpq: the first function it lacks is named.
    error.clear();
    QVERIFY(!pg::resolveLibPq("libc.so.6", functions, error));
    QVERIFY2(error.contains(QStringLiteral("PQclear")), qPrintable(error));
    for (auto function : pointersOf(functions)) {
        QVERIFY(!function);
    }

    // The real one gives every function the layer calls.
    error.clear();
    QVERIFY2(pg::resolveLibPq("libpq.so.5", functions, error), qPrintable(error));
    QVERIFY(error.isEmpty());
    for (auto function : pointersOf(functions)) {
        QVERIFY(function);
    }
    QVERIFY(libpqIsLoaded());
}

QTEST_GUILESS_MAIN(tst_LibPq)
#include "tst_libpq.moc"
