// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <exchange/Bundle.h>
#include <library/engine/Schema.h>

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Every table's rows without their row identities, in one order on both engines.
QList<QStringList> tables(const TempLibrary &lib)
{
    QList<QStringList> rows;
    for (const schema::Table &table : schema::library().tables) {
        const QString columns = table.columnNames().join(u", "_s);
        for (const QStringList &row : lib.rows(u"SELECT %1 FROM %2 ORDER BY %1"_s.arg(columns, table.name))) {
            rows << (QStringList{table.name} + row);
        }
    }
    return rows;
}

// JSON written with ` for its quotes, to keep the tests readable.
QByteArray json(const char *text)
{
    return QByteArray(text).replace('`', '"');
}

} // namespace

class TestBundle : public QObject
{
    Q_OBJECT

private slots:
    // Library to bundle to an empty library gives the same tables, the values that are easy to
    // lose included; a second import skips, replaces or renumbers what is there.
    void roundTripKeepsEveryValue_andConflictsAreResolvedAsAsked()
    {
        TempLibrary source;
        source.exec(u"INSERT INTO picMain (th, tm, figName, grp, LB, X1, X2, X3, X6, Comment) VALUES "
                    "('Q001', 'O''Neil''s \"quoted\" figure', 'line one\ntwo', 9, 'B', 0.1, 1e300, "
                    "0.33333333333333331, true, 'tab\there')"_s);
        source.exec(u"INSERT INTO picType (grp, grpName) VALUES (9, 'it''s \"new\"')"_s);
        source.exec(u"INSERT INTO pData (th, ID, X, Y, L) VALUES ('Q001', 1, -2.5e-200, 9007199254740993, 3)"_s);
        if (!TempLibrary::onServer()) { // a server's number fields hold numbers only
            source.exec(u"INSERT INTO picLable (th, ID, X, Y, Lbl) VALUES ('Q001', 1, 'n.d.', 2, 'O''Hara')"_s);
        }
        Library library;
        QVERIFY(library.open(source.location()));
        exchange::Bundle bundle;
        QVERIFY(exchange::read(library, {{}, {}, true}, &bundle));
        QCOMPARE(bundle.notes.size(), TempLibrary::onServer() ? 0 : 1); // the text in the number field
        const QByteArray json = exchange::toJson(bundle);

        TempLibrary target(TempLibrary::Content::Empty);
        Library into;
        QVERIFY(into.open(target.location()));
        exchange::Bundle back;
        QString problem;
        QVERIFY2(exchange::fromJson(json, &back, &problem), qPrintable(problem));
        QVERIFY(exchange::write(into, back, exchange::OnConflict::Skip).status);
        QCOMPARE(tables(target), tables(source));

        const auto actions = [&](exchange::OnConflict mode) {
            const exchange::ImportResult result = exchange::write(into, back, mode);
            return result.status ? int(result.steps.first().action) : -1;
        };
        QCOMPARE(actions(exchange::OnConflict::Skip), int(exchange::ImportStep::Action::Skip));
        QCOMPARE(actions(exchange::OnConflict::Replace), int(exchange::ImportStep::Action::Replace));
        QCOMPARE(tables(target), tables(source));
        QCOMPARE(actions(exchange::OnConflict::Renumber), int(exchange::ImportStep::Action::Renumber));
        QCOMPARE(target.scalar(u"SELECT count(*) FROM picMain"_s).toInt(), 2 * bundle.figures.size());
        QCOMPARE(target.scalar(u"SELECT tm FROM picMain WHERE th = 'Q002'"_s), u"O'Neil's \"quoted\" figure"_s);
    }

    // A bundle with a fault is refused whole, the fault named by its place; nothing is written.
    void badBundlesAreRefusedWithThePlace_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("problem");
        const QByteArray head = json("{`format`:`taprell-bundle`,`version`:1,`figures`:[");
        const QByteArray figure = json("{`figure`:{`th`:`B901`,`tm`:`t`,`figName`:`f`,`grp`:1,`LB`:`B`}");
        QTest::newRow("not JSON") << json("{`format`:") << u"not JSON"_s;
        QTest::newRow("NaN") << head + json("{`figure`:{`th`:`B901`,`X1`:NaN}}]}") << u"not JSON"_s;
        QTest::newRow("not a bundle") << json("{`figures`:[]}") << u"not a Taprell bundle"_s;
        QTest::newRow("newer") << json("{`format`:`taprell-bundle`,`version`:9,`figures`:[]}")
                               << u"version 9 is newer"_s;
        QTest::newRow("missing field") << head + json("{`figure`:{`th`:`B901`,`tm`:`t`}}]}")
                                       << u"figures[0].figure: the field figName is missing"_s;
        QTest::newRow("bad number") << head + json("{`figure`:{`th`:`B9'1`,`tm`:`t`,`figName`:`f`,`grp`:1,`LB`:`B`}}]}")
                                    << u"figures[0].figure.th: “B9'1” is not a letter and three digits"_s;
        QTest::newRow("twice") << head + figure + "}," + figure + "}]}"
                               << u"figures[1].figure.th: B901 is figures[0]"_s;
        QTest::newRow("a value of no kind") << head + figure + json(",`points`:[{`ID`:1,`X`:[1]}]}]}")
                                            << u"figures[0].points[0].X: expected a number"_s;
        QTest::newRow("unknown field") << head + figure + json(",`labels`:[{`ID`:1,`Colour`:`red`}]}]}")
                                       << u"figures[0].labels[0].Colour: picLable has no such field"_s;
        QTest::newRow("too large") << QByteArray(exchange::largestBundle + 1, ' ') << u"larger than 50 MB"_s;
    }
    void badBundlesAreRefusedWithThePlace()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, problem);
        exchange::Bundle bundle;
        QString said;
        QVERIFY(!exchange::fromJson(json, &bundle, &said));
        QVERIFY2(said.contains(problem), qPrintable(said));
        QVERIFY(bundle.figures.isEmpty());
    }

    // The library refuses a row part way (a server takes no text in a number field): nothing of
    // the import is kept. A file keeps the text, as it would have stored it.
    void aFailedImportWritesNothing()
    {
        TempLibrary lib;
        const QList<QStringList> before = tables(lib);
        exchange::Bundle bundle;
        QString problem;
        QVERIFY(exchange::fromJson(
            json("{`format`:`taprell-bundle`,`version`:1,`figures`:["
                 "{`figure`:{`th`:`B901`,`tm`:`t`,`figName`:`f`,`grp`:1,`LB`:`B`},`points`:[{`ID`:1,`X`:1,`Y`:1}]},"
                 "{`figure`:{`th`:`B902`,`tm`:`t`,`figName`:`f`,`grp`:1,`LB`:`B`},`points`:[{`ID`:1,`X`:`abc`}]}]}"),
            &bundle, &problem));
        Library library;
        QVERIFY(library.open(lib.location()));
        const exchange::ImportResult result = exchange::write(library, bundle, exchange::OnConflict::Skip);
        if (TempLibrary::onServer()) {
            QVERIFY(!result.status);
            QCOMPARE(tables(lib), before);
        } else {
            QVERIFY(result.status);
            QCOMPARE(lib.scalar(u"SELECT X FROM pData WHERE th = 'B902'"_s), u"abc"_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestBundle)
#include "tst_bundle.moc"
