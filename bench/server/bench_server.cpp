// SPDX-License-Identifier: GPL-3.0-or-later
// The figure library on a PostgreSQL server, at the level of the libpq layer, against psql doing
// the same work over the same socket: reading the 100,000 rows of the catalogue list, and 10,000
// row updates in one transaction through one prepared statement. Each measure includes making the
// connection, as psql's does. Run beside a server:
//
//   scripts/with-test-server.sh build/bench/server/bench_server [runs]
#include "BenchSupport.h"
#include "CatalogueData.h"
#include "LibraryCopy.h"
#include "PgDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {

using namespace catalogue_data;

constexpr int changedCount = 10'000;
const QByteArray psql = "/usr/lib/postgresql/15/bin/psql";

QString seconds(double value)
{
    return QString::number(value, 'f', 3);
}

QString ratio(double value)
{
    return QString::number(value, 'f', 2);
}

// "<measure>: ours <s> s, psql <s> s, ratio <r>", then the ranges and CPU times.
void reportPsql(const QString &measure, const bench::Samples &ours, const bench::Samples &other)
{
    double least = 1e9, most = 0;
    for (qsizetype i = 0; i < ours.runs().size() && i < other.runs().size(); ++i) {
        least = std::min(least, ours.runs()[i].wall / other.runs()[i].wall);
        most = std::max(most, ours.runs()[i].wall / other.runs()[i].wall);
    }
    QTextStream(stdout) << measure << ": ours " << seconds(ours.median()) << " s, psql " << seconds(other.median())
                        << " s, ratio " << ratio(ours.median() / other.median()) << Qt::endl
                        << "    range: ours " << seconds(ours.min()) << "-" << seconds(ours.max()) << " s, psql "
                        << seconds(other.min()) << "-" << seconds(other.max()) << " s, ratio " << ratio(least) << "-"
                        << ratio(most) << "; cpu: ours " << seconds(ours.cpuMedian()) << " s, psql "
                        << seconds(other.cpuMedian()) << " s" << Qt::endl;
}

void check(const pg::Status &status)
{
    if (!status) {
        qFatal("%s", qPrintable(status.error().text()));
    }
}

void writeFile(const QString &name, const QByteArray &content)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        qFatal("cannot write %s", qPrintable(name));
    }
}

QString changedName(int i, int revision)
{
    return QStringLiteral("Diagram %1, revision %2").arg(i).arg(revision);
}

double changedX2(int i, int revision)
{
    return 10000.0 * revision + double(bench::spread(i, 1)) / 1000.0;
}

int changedFigure(int k)
{
    return k * (figureCount / changedCount) + 1;
}

// Every cell as the list shows it: text, read once.
qint64 readList(const QString &conninfo)
{
    pg::Connection db;
    check(db.open(conninfo));
    pg::Statement list;
    check(list.prepare(db, QStringLiteral("select * from picMain where LB = $1 order by figName")));
    list.bind(0, QStringView(u"B"));
    check(list.execute());
    qint64 cells = 0;
    QList<QString> row;
    while (list.step() == pg::Step::Row) {
        row.resize(list.columnCount());
        for (int c = 0; c < list.columnCount(); ++c) {
            row[c] = list.text(c);
            cells += !row[c].isEmpty();
        }
    }
    return cells;
}

void updateRows(const QString &conninfo, int revision)
{
    pg::Connection db;
    check(db.open(conninfo));
    pg::Transaction transaction;
    check(transaction.begin(db));
    pg::Statement update;
    check(update.prepare(db, QStringLiteral("update picMain set tm = $1, X2 = $2 where lower(th) = lower($3)")));
    for (int k = 0; k < changedCount; ++k) {
        const int i = changedFigure(k);
        update.bind(0, QStringView(changedName(i, revision)));
        update.bind(1, changedX2(i, revision));
        update.bind(2, QStringView(figureNumber(i)));
        check(update.execute());
        if (update.affectedRows() != 1) {
            qFatal("figure %d was not updated", i);
        }
        update.reset();
    }
    check(transaction.commit());
}

QByteArray updateScript(int revision)
{
    QByteArray sql = "begin;\n";
    for (int k = 0; k < changedCount; ++k) {
        const int i = changedFigure(k);
        sql += "update picMain set tm = '" + changedName(i, revision).toUtf8() +
               "', X2 = " + pg::numberText(changedX2(i, revision)) + " where lower(th) = lower('" +
               figureNumber(i).toUtf8() + "');\n";
    }
    return sql + "commit;\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString server = qEnvironmentVariable("TAPRELL_TEST_PG");
    if (server.isEmpty()) {
        QTextStream(stderr) << "Run beside a server: scripts/with-test-server.sh " << argv[0] << " [runs]\n";
        return 2;
    }
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_server"), runs);

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("system.mdb"));
    generate(file);

    const QString database = QStringLiteral("bench_%1").arg(QCoreApplication::applicationPid());
    {
        pg::Connection admin;
        check(admin.open(server));
        check(admin.execute(QStringLiteral("drop database if exists %1").arg(database)));
        check(admin.execute(QStringLiteral("create database %1").arg(database)));
    }
    const QString conninfo = server + QStringLiteral(" dbname=") + database;
    {
        QFile schema(QStringLiteral(TAPRELL_PG_SCHEMA));
        pg::Connection db;
        check(db.open(conninfo));
        if (!schema.open(QIODevice::ReadOnly)) {
            qFatal("cannot read the schema");
        }
        check(db.execute(QString::fromUtf8(schema.readAll())));
    }
    QElapsedTimer copyTimer;
    copyTimer.start();
    const LibraryCopy::Result copied =
        LibraryCopy::copy(LibraryCopy::locate(file), LibraryCopy::locate(conninfo), LibraryCopy::Replace::No);
    if (copied.outcome != LibraryCopy::Outcome::Copied) {
        qFatal("%s", qPrintable(copied.message));
    }
    QTextStream(stdout) << "copy of " << copied.rows
                        << " figures, file to server: " << seconds(copyTimer.elapsed() / 1000.0) << " s (once)"
                        << Qt::endl;
    {
        pg::Connection db;
        check(db.open(conninfo));
        check(db.execute(QStringLiteral("vacuum analyze")));
    }

    const QByteArray psqlArguments[] = {psql, "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", conninfo.toUtf8()};
    const QList<QByteArray> psqlCommand(std::begin(psqlArguments), std::end(psqlArguments));
    const QString listInput = folder.filePath(QStringLiteral("list.sql"));
    writeFile(listInput, "select * from picMain where LB = 'B' order by figName;\n");

    bench::Samples oursList, psqlList;
    for (int r = 0; r < runs; ++r) {
        qint64 cells = 0;
        oursList.append(bench::timeOurs([&] { cells = readList(conninfo); }));
        if (cells == 0) {
            qFatal("the list is empty");
        }
        psqlList.append(bench::runProgram(psqlCommand, QFile::encodeName(listInput)));
    }
    reportPsql(QStringLiteral("catalogue rows read"), oursList, psqlList);

    bench::Samples oursUpdate, psqlUpdate;
    const QString updateInput = folder.filePath(QStringLiteral("update.sql"));
    int revision = 0;
    for (int r = 0; r < runs; ++r) {
        const int ours = ++revision;
        oursUpdate.append(bench::timeOurs([&] { updateRows(conninfo, ours); }));
        writeFile(updateInput, updateScript(++revision));
        psqlUpdate.append(bench::runProgram(psqlCommand, QFile::encodeName(updateInput)));
    }
    reportPsql(QStringLiteral("catalogue rows updated"), oursUpdate, psqlUpdate);

    pg::Connection admin;
    check(admin.open(server));
    check(admin.execute(QStringLiteral("drop database %1 with (force)").arg(database)));
    return 0;
}
