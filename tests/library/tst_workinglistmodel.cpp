// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/lists/WorkingListModel.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

class TestWorkingListModel : public QObject
{
    Q_OBJECT

    static QList<ListRow> threeRows()
    {
        QList<ListRow> rows;
        for (int i = 1; i <= 3; ++i) {
            rows.append({{QString::number(i), QStringLiteral("name %1").arg(i)}, RowState::Unchanged, {}, false});
        }
        return rows;
    }

private slots:
    void rowCellsKeepEveryTextExactly()
    {
        const QString longText(70000, u'岩'); // past 64 KiB of UTF-8: wide offsets
        const QList<QString> texts = {QStringLiteral("12#"),
                                      QString(),
                                      QStringLiteral("O'Hara\nline two"),
                                      QStringLiteral("花岗岩 granite ★"),
                                      longText,
                                      QStringLiteral("-0.0001")};
        RowCells cells(texts);
        QCOMPARE(cells.size(), texts.size());
        QCOMPARE(cells.toList(),
                 (QList<QString>{texts[0], QStringLiteral(""), texts[2], texts[3], longText, texts[5]}));

        cells.set(4, u"short again");
        QCOMPARE(cells[4], QStringLiteral("short again"));
        QCOMPARE(cells[3], texts[3]);
        QCOMPARE(cells[5], texts[5]);
        cells.set(1, longText);
        QCOMPARE(cells[1], longText);
        QCOMPARE(cells[2], texts[2]);
        cells.resize(8);
        QCOMPARE(cells.size(), 8);
        QCOMPARE(cells[7], QString());
        QCOMPARE(cells[5], texts[5]);
        cells.resize(2);
        QCOMPARE(cells.toList(), (QList<QString>{texts[0], longText}));
        QCOMPARE(RowCells().size(), 0);
        QCOMPARE(RowCells()[3], QString());
    }

    void markersFollowTheRowState()
    {
        WorkingListModel model({QStringLiteral("序号"), QStringLiteral("名称"), QStringLiteral("备注")},
                               QStringLiteral("★"));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(threeRows());
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.cell(0, 2), QString()); // short rows are padded
        QVERIFY(!model.hasUnsavedChanges());

        model.markChanged(1);
        QCOMPARE(model.cell(1, 0), QStringLiteral("2*"));
        model.markChanged(1);
        QCOMPARE(model.cell(1, 0), QStringLiteral("2*"));
        model.markDeleted(1);
        QCOMPARE(model.cell(1, 0), QStringLiteral("2★"));
        QCOMPARE(model.state(1), RowState::Deleted);
        model.markChanged(1);
        QCOMPARE(model.cell(1, 0), QStringLiteral("2*"));
        QCOMPARE(model.number(1), 2.0);

        const int added = model.appendRow({{QString(), QStringLiteral("new")}, RowState::New, {}, false});
        model.markNew(added, QStringLiteral("4"));
        QCOMPARE(model.cell(3, 0), QStringLiteral("4#"));
        model.markChanged(3);
        QCOMPARE(model.cell(3, 0), QStringLiteral("4#"));
        QCOMPARE(model.state(3), RowState::New);
        QVERIFY(model.hasUnsavedChanges());

        model.markSaved(1, QStringLiteral("2"));
        model.markSaved(3, QStringLiteral("4"));
        QVERIFY(!model.hasUnsavedChanges());
        model.markDeleted(0);
        QVERIFY(model.hasUnsavedChanges());
        model.markDeletionSaved(0);
        QVERIFY(!model.hasUnsavedChanges());
        QCOMPARE(model.cell(0, 0), QStringLiteral("1★"));
    }

    void cellChangesAreSignalledExactly()
    {
        WorkingListModel model({QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("d"));
        model.setRows(threeRows());
        QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
        model.setCell(2, 1, QStringLiteral("renamed"));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first().at(0).toModelIndex(), model.index(2, 1));
        model.setCell(2, 1, QStringLiteral("renamed"));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(model.data(model.index(2, 1)).toString(), QStringLiteral("renamed"));

        // Changes between beginChanges and endChanges are told once per run of neighbouring rows.
        model.beginChanges();
        model.markDeleted(2);
        model.markChanged(0);
        model.markChanged(1);
        QCOMPARE(spy.size(), 1);
        model.endChanges();
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.last().at(0).toModelIndex(), model.index(0, 0));
        QCOMPARE(spy.last().at(1).toModelIndex(), model.index(2, 1));

        model.beginChanges();
        model.markSaved(2, QStringLiteral("3"));
        model.markSaved(0, QStringLiteral("1"));
        model.endChanges();
        QCOMPARE(spy.size(), 4);
        QCOMPARE(spy.at(2).at(0).toModelIndex(), model.index(0, 0));
        QCOMPARE(spy.at(2).at(1).toModelIndex(), model.index(0, 1));
        QCOMPARE(spy.at(3).at(0).toModelIndex(), model.index(2, 0));
    }
};

QTEST_GUILESS_MAIN(TestWorkingListModel)
#include "tst_workinglistmodel.moc"
