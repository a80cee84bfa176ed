// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue on a figure library held by a PostgreSQL server, against psql doing the same work
// over the same socket in the same run. The library is the catalogue benchmark's 100,000
// rectangular figures, copied from a file to a database of its own; the program's settings name
// that database as the library, so the window reaches it as a user's would.
//
//   catalogue load (server): the kind option clicked until the list is painted; psql prints the
//       rows of the same statement.
//   catalogue save (server): 10,000 rows changed in the list, then Save; psql runs the same
//       10,000 UPDATEs (every field set, the figure found by its number) in one transaction.
//       The floor: the same updates through one prepared statement in a loop on libpq.
//   catalogue rows read (libpq): the list's rows through the libpq layer alone, every cell read
//       as text, to tell the layer's cost from the window's.
//
// Every save writes values that no earlier save wrote, so no side can skip a write; psql's runs
// include its connection, as do the floor's and the libpq layer's. Run beside a server:
//
//   scripts/with-test-server.sh build/bench/server/bench_server [runs]
#include "BenchSupport.h"
#include "CatalogueData.h"
#include <catalogue/CatalogueEditor.h>
#include <catalogue/fMain.h>
#include <library/server/PgDatabase.h>
#include <librarycopy/LibraryCopy.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <variant>

namespace {

using namespace catalogue_data;
using bench::sqlite::Row;

const QByteArray psql = "/usr/lib/postgresql/15/bin/psql";

QString seconds(double value)
{
    return QString::number(value, 'f', 3);
}

QString ratio(double value)
{
    return QString::number(value, 'f', 2);
}

// "<measure>: ours <s> s, psql <s> s, ratio <r>", then the ranges (the ratio's from the runs
// taken side by side) and the CPU times.
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

// The columns of picMain that the server keeps as yes/no values (the generated rows hold 0 or 1).
bool isYesNo(const QString &column)
{
    static const QStringList yesNo = {QStringLiteral("X6"), QStringLiteral("Y6"), QStringLiteral("border"),
                                      QStringLiteral("Vector"), QStringLiteral("Bitmap")};
    return yesNo.contains(column);
}

// The rows a save of the revision writes: every field, as the window's save sets them.
QList<Row> changedRows(int revision)
{
    QList<Row> rows;
    for (int k = 0; k < changedCount; ++k) {
        const int i = changedFigure(k);
        Row row = figure(i);
        row[column(QStringLiteral("tm"))] = changedName(i, revision).toUtf8();
        row[column(QStringLiteral("X2"))] = changedX2(i, revision);
        rows << row;
    }
    return rows;
}

// The figure is found by its number as the program finds it on the server: th is citext, whose
// unique index serves the comparison.
const QByteArray figureCondition = " where th = (";

QByteArray literal(const QString &column, const bench::sqlite::Value &value)
{
    if (isYesNo(column)) {
        return std::get<qint64>(value) ? "true" : "false";
    }
    return bench::sqlite::literal(value);
}

// psql's input for a save: one transaction of UPDATEs with literal values.
QByteArray updateScript(int revision)
{
    QByteArray sql = "begin;\n";
    for (const Row &row : changedRows(revision)) {
        sql += "update picMain set ";
        for (int c = 0; c < columns().size(); ++c) {
            sql += (c ? ", " : "") + columns()[c].toUtf8() + " = " + literal(columns()[c], row[c]);
        }
        sql += figureCondition + bench::sqlite::literal(row[0]) + ");\n";
    }
    return sql + "commit;\n";
}

void bindValue(pg::Statement &statement, int index, const QString &column, const bench::sqlite::Value &value)
{
    if (std::holds_alternative<std::nullptr_t>(value)) {
        statement.bindNull(index);
    } else if (const auto *whole = std::get_if<qint64>(&value)) {
        isYesNo(column) ? statement.bind(index, *whole != 0) : statement.bind(index, *whole);
    } else if (const auto *real = std::get_if<double>(&value)) {
        statement.bind(index, *real);
    } else {
        statement.bindUtf8(index, std::get<QByteArray>(value));
    }
}

// The floor: the same updates through one prepared statement in a loop, in one transaction, on a
// connection of its own.
void floorSave(const QString &conninfo, const QList<Row> &rows)
{
    QStringList set;
    for (int c = 0; c < columns().size(); ++c) {
        set << columns()[c] + QStringLiteral(" = $%1").arg(c + 1);
    }
    const QString sql = QStringLiteral("update picMain set ") + set.join(QStringLiteral(", ")) +
                        QString::fromUtf8(figureCondition) + QStringLiteral("$%1)").arg(columns().size() + 1);
    pg::Connection db;
    check(db.open(conninfo));
    pg::Transaction transaction;
    check(transaction.begin(db));
    pg::Statement update;
    check(update.prepare(db, sql));
    for (const Row &row : rows) {
        for (int c = 0; c < columns().size(); ++c) {
            bindValue(update, c, columns()[c], row[c]);
        }
        bindValue(update, int(columns().size()), QString(), row[0]);
        check(update.execute());
        if (update.affectedRows() != 1) {
            qFatal("the floor did not update %s", std::get<QByteArray>(row[0]).constData());
        }
        update.reset();
    }
    check(transaction.commit());
}

// Every changed figure holds the revision's values now.
void checkStored(const QString &conninfo, int revision)
{
    pg::Connection db;
    check(db.open(conninfo));
    pg::Statement count;
    check(count.prepare(db, QStringLiteral("select count(*) from picMain where tm like $1 and X2 >= $2 and X2 < $3")));
    count.bind(0, QStringView(QStringLiteral("%, revision %1").arg(revision)));
    count.bind(1, 10000.0 * revision);
    count.bind(2, 10000.0 * (revision + 1));
    check(count.execute());
    if (count.step() != pg::Step::Row || count.int64(0) != changedCount) {
        qFatal("revision %d: %lld of %d figures stored", revision, count.int64(0), changedCount);
    }
}

// Every cell of the list as text, read once through the libpq layer.
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

// A new database on the server with the library's tables, filled from the file.
QString copyToServer(const QString &server, const QString &file)
{
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
        if (!schema.open(QIODevice::ReadOnly)) {
            qFatal("cannot read the schema");
        }
        pg::Connection db;
        check(db.open(conninfo));
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
    pg::Connection db;
    check(db.open(conninfo));
    check(db.execute(QStringLiteral("vacuum analyze")));
    return database;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QString server = qEnvironmentVariable("TAPRELL_TEST_PG");
    if (server.isEmpty()) {
        QTextStream(stderr) << "Run beside a server: scripts/with-test-server.sh " << argv[0] << " [runs]\n";
        return 2;
    }
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_server"), runs);

    bench::InstallFolder install(generate);
    const QString database = copyToServer(server, install.libraryFile);
    const QString conninfo = server + QStringLiteral(" dbname=") + database;
    install.settings.setValue(mTaprell::applicationName, mTaprell::settingsSection, QStringLiteral("Library"),
                              conninfo);

    const QByteArray psqlArguments[] = {psql, "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", conninfo.toUtf8()};
    const QList<QByteArray> psqlCommand(std::begin(psqlArguments), std::end(psqlArguments));
    const QString folder = install.dir.path();
    const QString listInput = folder + QStringLiteral("/list.sql");
    writeFile(listInput, "select * from picMain where LB = 'B' order by figName;\n");
    const QString updateInput = folder + QStringLiteral("/update.sql");

    fMain window(install.taprell, install.dialogs);
    window.show();
    bench::paintList(&window);
    // The list must come from the server, and whole: a load that lists rows without their cells
    // would look fast and measure nothing.
    if (!install.taprell.library().isServer() || bench::listedRows(&window) != figureCount ||
        bench::listedText(&window, 0, 1) != figureNumber(1)) {
        qFatal("the catalogue lists %d figures from %s, the first numbered \"%s\"", bench::listedRows(&window),
               qPrintable(install.taprell.library().fileName()), qPrintable(bench::listedText(&window, 0, 1)));
    }

    bench::Samples loadOurs, loadPsql, saveOurs, savePsql, saveFloor, readLayer;
    int revision = 0;
    for (int run = 0; run < runs; ++run) {
        loadOurs.append(timeListLoad(window, revision));
        loadPsql.append(bench::runProgram(psqlCommand, QFile::encodeName(listInput)));

        ++revision;
        for (int k = 0; k < changedCount; ++k) {
            changeFigure(window, changedFigure(k), revision);
        }
        saveOurs.append(bench::timeOurs([&] { bench::click(&window, QStringLiteral("cmdSaveLvFigure")); }));
        checkStored(conninfo, revision);

        writeFile(updateInput, updateScript(++revision));
        savePsql.append(bench::runProgram(psqlCommand, QFile::encodeName(updateInput)));
        checkStored(conninfo, revision);

        const QList<Row> rows = changedRows(++revision);
        saveFloor.append(bench::timeOurs([&] { floorSave(conninfo, rows); }));
        checkStored(conninfo, revision);

        qint64 cells = 0;
        readLayer.append(bench::timeOurs([&] { cells = readList(conninfo); }));
        if (cells == 0) {
            qFatal("the list is empty");
        }
    }

    reportPsql(QStringLiteral("catalogue load (server)"), loadOurs, loadPsql);
    reportPsql(QStringLiteral("catalogue save (server)"), saveOurs, savePsql);
    bench::reportFloor(QStringLiteral("catalogue save (server)"), saveFloor);
    reportPsql(QStringLiteral("catalogue rows read (libpq)"), readLayer, loadPsql);
    bench::printLoad();

    install.taprell.library().close();
    pg::Connection admin;
    check(admin.open(server));
    check(admin.execute(QStringLiteral("drop database %1 with (force)").arg(database)));
    return 0;
}
