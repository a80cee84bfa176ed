// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <library/engine/Conversions.h>
#include <library/lists/ListLoad.h>
#include <library/lists/WorkingListModel.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

// Every figure, by number.
store::Operation everyFigure()
{
    store::Operation read;
    read.table = store::Figures::table;
    read.orderBy = {QStringLiteral("th")};
    read.notice = QStringLiteral("select * from picMain order by th");
    return read;
}

} // namespace

class TestListLoad : public QObject
{
    Q_OBJECT

private slots:
    void streamsEveryValueAsTheListsShowIt()
    {
        TempLibrary lib(TempLibrary::Content::Empty);
        lib.exec(QStringLiteral(
            "insert into picMain (th, tm, figName, grp, LB, X1, X2, X3, X6, X7, Comment, Vector) values "
            "('B1', 'O''Hara', '花岗岩 granite', 3, 'B', 8, 8.5, 0.0001, true, -2, 'line one\ntwo', false),"
            "('B2', '', 'z', 9007199254740993, 'B', 1e20, -123456.789012345, NULL, false, NULL, NULL, true)"));
        WorkingListModel model({QStringLiteral("序号"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f"), QStringLiteral("g"),
                                QStringLiteral("h"), QStringLiteral("i"), QStringLiteral("j"), QStringLiteral("k")},
                               QStringLiteral("★"));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(lib.taprell.openLibrary());
        QStringList figures;
        Query seen;
        const Status status =
            loadList(lib.taprell, model,
                     {everyFigure(),
                      {ListLoad::positionCell, QStringLiteral("TM"), QStringLiteral("figName"), QStringLiteral("grp"),
                       QStringLiteral("X1"), QStringLiteral("X2"), QStringLiteral("X3"), QStringLiteral("X6"),
                       QStringLiteral("X7"), QStringLiteral("Comment"), QStringLiteral("Vector"), QString()},
                      QStringLiteral("th"),
                      [&](const Query &record) { figures << record.text(record.fieldIndex(u"th")); }});
        QVERIFY2(status, qPrintable(status ? QString() : status.error().details()));
        QCOMPARE(figures, (QStringList{QStringLiteral("B1"), QStringLiteral("B2")}));
        QCOMPARE(model.size(), 2);
        QCOMPARE(model.row(0).cells.toList(),
                 (QList<QString>{QStringLiteral("1"), QStringLiteral("O'Hara"), QStringLiteral("花岗岩 granite"),
                                 QStringLiteral("3"), QStringLiteral("8"), QStringLiteral("8.5"),
                                 QStringLiteral("0.0001"), QStringLiteral("True"), QStringLiteral("-2"),
                                 QStringLiteral("line one\ntwo"), QStringLiteral("False"), QString()}));
        QCOMPARE(
            model.row(1).cells.toList(),
            (QList<QString>{QStringLiteral("2"), QString(), QStringLiteral("z"), QStringLiteral("9007199254740993"),
                            QStringLiteral("100000000000000000000"), QStringLiteral("-123456.789012345"), QString(),
                            QStringLiteral("False"), QString(), QString(), QStringLiteral("True"), QString()}));
        QCOMPARE(model.row(1).key(), QStringLiteral("B2"));
        QCOMPARE(model.state(1), RowState::Unchanged);

        // Each number reads back as the same text the careful per-record read gives.
        QVERIFY(seen.open(lib.taprell.library(), everyFigure()));
        QVERIFY(seen.move(2));
        QCOMPARE(seen.text(u"X2"), model.cell(1, 5));
        QCOMPARE(seen.text(u"X1"), model.cell(1, 4));
    }

    void aLoadThatFailsLeavesNoList()
    {
        TempLibrary lib;
        WorkingListModel model({QStringLiteral("序号"), QStringLiteral("名称")}, QStringLiteral("d"));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(lib.taprell.openLibrary());
        const ListLoad groups{
            store::Groups::all(), {QStringLiteral("grp"), QStringLiteral("grpName")}, QStringLiteral("grp"), {}};
        QVERIFY(loadList(lib.taprell, model, groups));
        QVERIFY(model.size() > 0);
        store::Operation unknownField = store::Groups::all();
        unknownField.columns = {QStringLiteral("grp"), QStringLiteral("nosuchfield")};
        unknownField.notice = QStringLiteral("select grp, nosuchfield from picType");
        const Status broken = loadList(lib.taprell, model, {unknownField, {}, {}, {}});
        QVERIFY(!broken);
        QCOMPARE(model.size(), 0);
        QCOMPARE(lib.taprell.statementText(), QStringLiteral("select grp, nosuchfield from picType"));
        QVERIFY(loadList(lib.taprell, model, groups)); // and a later load works again
        QVERIFY(model.size() > 0);
    }

    // A row's key is read from its key cell as loaded: edits of that cell, its markers and a
    // save never change what the row was read as until the save gives it a key of its own.
    // A long list fills many shared chunks, the large ones mapped for it and handed back to be
    // reused by the next load. Every row reads back whole across chunk boundaries, in a list that
    // is shorter than the columns of its rows; and a row kept from an earlier list keeps its
    // texts while later loads reuse the memory of the rows let go.
    void longListsReadBackWholeAndKeptRowsOutliveReloads()
    {
        TempLibrary lib(TempLibrary::Content::Empty);
        constexpr int count = 40000;
        auto figureNumber = [](int i) { return QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0')); };
        auto comment = [](int i) { return QStringLiteral("%1").arg(i, 200, 10, QLatin1Char('0')).left(150 + i % 50); };
        for (int first = 1; first <= count; first += 2000) {
            QStringList values;
            for (int i = first; i < first + 2000; ++i) {
                values << QStringLiteral("('%1', 'figure %2', 'F%2', %3, 'B', %4, '%5')")
                              .arg(figureNumber(i))
                              .arg(i)
                              .arg(i % 10)
                              .arg(numberText(i / 8.0), comment(i));
            }
            lib.exec(QStringLiteral("insert into picMain (th, tm, figName, grp, LB, X1, Comment) values ") +
                     values.join(u','));
        }
        QVERIFY(lib.taprell.openLibrary());
        const QStringList headers{QStringLiteral("序号"), QStringLiteral("图号"), QStringLiteral("X1"),
                                  QStringLiteral("说明"), QStringLiteral("空")};
        const ListLoad load{
            everyFigure(),
            {ListLoad::positionCell, QStringLiteral("th"), QStringLiteral("X1"), QStringLiteral("Comment")},
            QStringLiteral("th"),
            {}};
        auto expectedRow = [](int i) {
            return QList<QString>{QString::number(i), QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0')),
                                  numberText(i / 8.0),
                                  QStringLiteral("%1").arg(i, 200, 10, QLatin1Char('0')).left(150 + i % 50), QString()};
        };
        auto checkAll = [&](const WorkingListModel &model) {
            QCOMPARE(model.size(), count);
            for (int row = 0; row < count; ++row) {
                if (model.row(row).cells.toList() != expectedRow(row + 1)) {
                    QFAIL(qPrintable(
                        QStringLiteral("row %1 reads %2").arg(row).arg(model.row(row).cells.toList().join(u'|'))));
                }
            }
        };
        WorkingListModel model(headers, QStringLiteral("★"));
        QVERIFY(loadList(lib.taprell, model, load));
        checkAll(model);
        const ListRow kept = model.row(count - 1);
        for (int reload = 0; reload < 3; ++reload) {
            QVERIFY(loadList(lib.taprell, model, load));
            checkAll(model);
        }
        QCOMPARE(kept.cells.toList(), expectedRow(count));
        QCOMPARE(kept.key(), figureNumber(count));
    }

    void theKeyStaysWhatTheKeyCellWasLoadedWith()
    {
        TempLibrary lib(TempLibrary::Content::Empty);
        lib.exec(QStringLiteral("insert into picType (grp, grpName) values (1, 'a'), (2, 'b');"
                                "insert into picMain (th, tm, figName, grp, LB) values ('B7', 'x', 'y', 1, 'B')"));
        QVERIFY(lib.taprell.openLibrary());
        WorkingListModel groups({QStringLiteral("序号"), QStringLiteral("名称")}, QStringLiteral("d"));
        QVERIFY(loadList(
            lib.taprell, groups,
            {store::Groups::all(), {QStringLiteral("grp"), QStringLiteral("grpName")}, QStringLiteral("GRP"), {}}));
        QCOMPARE(groups.row(0).keyCell, 0);
        groups.markChanged(0);
        QCOMPARE(groups.cell(0, 0), QStringLiteral("1*"));
        groups.markDeleted(1);
        groups.setCell(1, 0, QStringLiteral("9d"));
        QCOMPARE(groups.row(0).key(), QStringLiteral("1"));
        QCOMPARE(groups.row(1).key(), QStringLiteral("2"));
        groups.markSaved(0, QStringLiteral("5"));
        QCOMPARE(groups.row(0).key(), QStringLiteral("1"));
        groups.setKey(0, QStringLiteral("5"));
        QCOMPARE(groups.row(0).key(), QStringLiteral("5"));
        groups.markNew(1, QStringLiteral("3"));
        QCOMPARE(groups.row(1).key(), QStringLiteral("2"));

        WorkingListModel figures({QStringLiteral("序号"), QStringLiteral("图号")}, QStringLiteral("★"));
        QVERIFY(loadList(lib.taprell, figures,
                         {everyFigure(), {ListLoad::positionCell, QStringLiteral("th")}, QStringLiteral("th"), {}}));
        figures.setCell(0, 1, QStringLiteral("B8"));
        QCOMPARE(figures.row(0).key(), QStringLiteral("B7"));
        figures.markSaved(0, QStringLiteral("1"));
        QCOMPARE(figures.row(0).key(), QStringLiteral("B7"));
        QCOMPARE(figures.cell(0, 1), QStringLiteral("B8"));
    }
};

QTEST_GUILESS_MAIN(TestListLoad)
#include "tst_listload.moc"
