// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <library/engine/Schema.h>
#include <library/store/FigureAxes.h>
#include <library/store/Library.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A DDL text as a list of statements, without comments and with its spacing made uniform.
QStringList normalized(const QString &ddl)
{
    static const QRegularExpression comment(QStringLiteral("--[^\n]*"));
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression tight(QStringLiteral(" ?([(),]) ?"));
    QString text = ddl;
    text.remove(comment);
    QStringList statements;
    for (QString statement : text.split(u';')) {
        statement = statement.replace(space, QStringLiteral(" ")).replace(tight, QStringLiteral("\\1")).trimmed();
        if (!statement.isEmpty()) {
            statements << statement;
        }
    }
    return statements;
}

QString fileText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("cannot read %s", qPrintable(path));
    }
    return QString::fromUtf8(file.readAll());
}

schema::Dialect dialect()
{
    return TempLibrary::onServer() ? schema::Dialect::Server : schema::Dialect::File;
}

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    // The installed DDL files are what the description renders, statement for statement.
    void installedFilesAreTheDescription_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("dialect");
        QTest::newRow("file") << QStringLiteral(TAPRELL_DATA_DIR "/schema.sql") << int(schema::Dialect::File);
        QTest::newRow("server") << QStringLiteral(TAPRELL_DATA_DIR "/schema-postgresql.sql")
                                << int(schema::Dialect::Server);
    }
    void installedFilesAreTheDescription()
    {
        QFETCH(QString, path);
        QFETCH(int, dialect);
        const QStringList rendered =
            normalized(schema::createStatements(schema::library(), schema::Dialect(dialect)).join(u';'));
        QCOMPARE(normalized(fileText(path)), rendered);
    }

    // A library of an older version gains what later versions added at its first save; one that a
    // newer Taprell has upgraded is refused and left as it was.
    void olderIsUpgradedAtFirstSaveNewerIsRefused()
    {
        TempLibrary lib;
        if (TempLibrary::onServer()) {
            // The server library as this program laid it out before versions were recorded.
            lib.exec(QStringLiteral("DROP TABLE taprell_meta; ALTER TABLE picMain DROP CONSTRAINT picmain_th_key; "
                                    "DROP INDEX pDataFigure; DROP INDEX picLableFigure; "
                                    "ALTER TABLE picMain ALTER COLUMN th TYPE text COLLATE \"C\"; "
                                    "ALTER TABLE pData ALTER COLUMN th TYPE text COLLATE \"C\"; "
                                    "ALTER TABLE picLable ALTER COLUMN th TYPE text COLLATE \"C\"; "
                                    "CREATE UNIQUE INDEX picMainNumber ON picMain (lower(th)); "
                                    "CREATE INDEX pDataFigure ON pData (lower(th), ID); "
                                    "CREATE INDEX picLableFigure ON picLable (lower(th), ID)"));
        } else {
            lib.exec(QStringLiteral("PRAGMA user_version = 0"));
        }
        const QString versionQuery = TempLibrary::onServer() ? QStringLiteral("select value from taprell_meta")
                                                             : QStringLiteral("PRAGMA user_version");
        Library library;
        QVERIFY(library.open(lib.location()));
        QCOMPARE(library.schemaVersion(), 1);
        const Library::SaveResult saved = library.saveRows(
            1, [](int) { return true; },
            [&](int) {
                Query query;
                Status s = query.open(library, store::Groups::name(QStringLiteral("1")));
                s = s ? query.setField(u"grpName", QStringLiteral("renamed")) : s;
                return s ? query.update() : s;
            });
        QVERIFY2(saved.status, qPrintable(saved.status ? QString() : saved.status.error().details()));
        QCOMPARE(library.schemaVersion(), schema::currentVersion);
        QCOMPARE(lib.scalar(versionQuery), QString::number(schema::currentVersion));
        QCOMPARE(lib.scalar(QStringLiteral("select grpName from picType where grp = 1")), QStringLiteral("renamed"));
        if (TempLibrary::onServer()) {
            for (const char *table : {"picmain", "pdata", "piclable"}) {
                QCOMPARE(lib.scalar(QStringLiteral("select format_type(atttypid, atttypmod) from pg_attribute "
                                                   "where attrelid = '%1'::regclass and attname = 'th'")
                                        .arg(QLatin1String(table))),
                         QStringLiteral("citext"));
            }
        }

        // A later version with a table of its own: the same mechanism adds it.
        schema::Description later = schema::library();
        later.version = schema::currentVersion + 1;
        later.tables << schema::Table{
            QStringLiteral("axisTitle"),
            {{QStringLiteral("th"), ColumnType::Text, true, false, true}, {QStringLiteral("title"), ColumnType::Text}},
            {},
            later.version};
        library.close();
        for (const QString &statement : schema::upgradeStatements(later, schema::currentVersion, dialect())) {
            if (lib.server) {
                lib.server->exec(statement);
            } else {
                lib.exec(statement);
            }
        }
        QCOMPARE(lib.scalar(versionQuery), QString::number(later.version));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from axisTitle")), QStringLiteral("0"));

        const QString groupsBefore = lib.scalar(QStringLiteral("select count(*) from picType"));
        const Status refused = library.open(lib.location());
        QVERIFY(!refused);
        QVERIFY2(refused.error().message.contains(QStringLiteral("较新版本")), qPrintable(refused.error().message));
        QVERIFY(!library.isOpen());
        QCOMPARE(lib.scalar(versionQuery), QString::number(later.version));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picType")), groupsBefore);

        // Nor is it copied, which would drop what the newer version added.
        const QString copyFile = lib.dir.filePath(QStringLiteral("copy.mdb"));
        const LibraryCopy::Result copied = LibraryCopy::copy(LibraryCopy::locate(lib.location()),
                                                             LibraryCopy::locate(copyFile), LibraryCopy::Replace::No);
        QCOMPARE(copied.outcome, LibraryCopy::Outcome::SourceFailed);
        QVERIFY2(copied.message.contains(QStringLiteral("newer Taprell")), qPrintable(copied.message));
        QVERIFY(!QFileInfo::exists(copyFile));
    }

    // A figure's axes round-trip on both engines; a library from before their tables reads as
    // having none and gains the tables with the first write, which replaces what was there.
    void figureAxesAreKeptBesideTheFourTables()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("DROP TABLE picAxis; DROP TABLE picField"));
        lib.exec(lib.server ? QStringLiteral("UPDATE taprell_meta SET value = '2'")
                            : QStringLiteral("PRAGMA user_version = 2"));
        Library library;
        QVERIFY(library.open(lib.location()));
        std::optional<store::FigureAxes> read;
        QVERIFY(store::Axes::read(library, QStringLiteral("B001"), &read));
        QVERIFY(!read);

        store::FigureAxes axes;
        axes.figureNumber = QStringLiteral("B001");
        axes.x = QStringLiteral("SiO2");
        axes.y = QStringLiteral("Na2O + K2O");
        axes.yTitle = QStringLiteral("Na_2O+K_2O (wt%) 'total alkali'");
        axes.fieldNames = {{{45.5, 3.25}, QStringLiteral("Basalt\n玄武岩")}, {{70, 1e-300}, QStringLiteral("O'Hara")}};
        axes.extendToFrame = {{63, 7}};
        QVERIFY(store::Axes::write(library, axes));
        QCOMPARE(library.schemaVersion(), schema::currentVersion);
        QVERIFY(store::Axes::read(library, QStringLiteral("b001"), &read)); // figure numbers ignore case
        QVERIFY(read);
        QCOMPARE(*read, axes);

        axes.fieldNames.removeFirst();
        axes.x = QStringLiteral("SiO2 * 1");
        QVERIFY(store::Axes::write(library, axes));
        QList<store::FigureAxes> all;
        QVERIFY(store::Axes::readAll(library, &all));
        QCOMPARE(all, QList<store::FigureAxes>{axes});
        QVERIFY(store::Axes::write(library, {QStringLiteral("B001")})); // nothing left: removed
        QVERIFY(store::Axes::read(library, QStringLiteral("B001"), &read));
        QVERIFY(!read);
    }

    // Figure numbers compare, sort, match and join without regard to case on both engines, in
    // statements as they are written.
    void figureNumbersIgnoreCase_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("=") << QStringLiteral("select th from picMain where th = 'ZQB'") << QStringList{u"zqb"_s};
        QTest::newRow("IN") << QStringLiteral("select th from picMain where th in ('ZQ_1', 'zqa') order by th")
                            << QStringList{u"zq_1"_s, u"ZQA"_s};
        QTest::newRow("ORDER BY") << QStringLiteral("select th from picMain order by th")
                                  << QStringList{u"zq_1"_s, u"ZQA"_s, u"zqb"_s};
        QTest::newRow("ORDER BY DESC") << QStringLiteral("select th from picMain order by th desc")
                                       << QStringList{u"zqb"_s, u"ZQA"_s, u"zq_1"_s};
        QTest::newRow("LIKE") << QStringLiteral("select th from picMain where th like 'zQ%' order by th")
                              << QStringList{u"zq_1"_s, u"ZQA"_s, u"zqb"_s};
        QTest::newRow("LIKE one") << QStringLiteral("select th from picMain where th like 'Zqa%'")
                                  << QStringList{u"ZQA"_s};
        QTest::newRow("join") << QStringLiteral("select m.th || ':' || p.ID from picMain m join pData p on p.th = m.th "
                                                "order by p.ID")
                              << QStringList{u"zq_1:1"_s, u"ZQA:2"_s, u"zqb:3"_s};
        QTest::newRow("group by") << QStringLiteral("select count(*) from pData group by th order by th")
                                  << QStringList{u"1"_s, u"1"_s, u"1"_s};
    }
    void figureNumbersIgnoreCase()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, rows);
        TempLibrary lib(TempLibrary::Content::Empty);
        lib.exec(QStringLiteral("insert into picMain (th, tm, figName, grp, LB) values "
                                "('zqb', 't', 'n', 1, 'Z'), ('ZQA', 't', 'n', 1, 'Z'), ('zq_1', 't', 'n', 1, 'Z')"));
        lib.exec(QStringLiteral("insert into pData (th, ID) values ('ZQ_1', 1), ('zqa', 2), ('ZQB', 3)"));
        QStringList got;
        for (const QStringList &row : lib.rows(sql)) {
            got << row.join(u'|');
        }
        QCOMPARE(got, rows);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
