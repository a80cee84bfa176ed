// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <figuredata/PicDataEditor.h>
#include <library/state/CurrentFigure.h>

#include <QAbstractItemModelTester>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestPicDataEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<PicDataEditor> editor;

    QStringList cells(int row) const { return editor->model()->row(row).cells; }
    // What is stored for a figure, read through a fresh connection.
    QList<QStringList> stored(const QString &figure) const
    {
        return lib->rows(u"select ID, Series, curve, X, Y, L from pData where th = '%1' order by ID, rowid"_s.arg(
            QString(figure).replace(u"'"_s, u"''"_s)));
    }
    void insertPoints(const QString &figure, const QList<int> &ids)
    {
        for (const int id : ids) {
            lib->exec(u"insert into pData values ('%1', %2, 1, false, %3, %4, 1)"_s
                          .arg(QString(figure).replace(u"'"_s, u"''"_s))
                          .arg(id)
                          .arg(id * 10)
                          .arg(id * 100));
        }
    }
    PointFields fieldsOf(int row) const
    {
        PointFields f;
        f.number = cells(row)[0];
        for (int i = 1; i <= PicDataEditor::fieldCount; ++i) {
            f.value(i) = cells(row)[i];
        }
        return f;
    }

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>();
        editor = std::make_unique<PicDataEditor>(lib->taprell);
        new QAbstractItemModelTester(editor->model(), QAbstractItemModelTester::FailureReportingMode::QtTest,
                                     editor.get());
    }
    void cleanup()
    {
        editor.reset();
        lib.reset();
    }

    void pointChangedElsewhereSinceLoading_isNotOverwritten()
    {
        QVERIFY(editor->load(u"B002"_s));
        lib->exec(u"update pData set Y = 99 where th = 'B002' and ID = 2"_s);
        editor->chooseRow(1);
        QVERIFY(editor->commitField(PicDataEditor::XField, u"46"_s));
        const Status status = editor->save();
        QVERIFY(!status);
        QCOMPARE(status.error().field, u"Y"_s);
        QCOMPARE(stored(u"B002"_s)[1][4], u"99"_s);
        QCOMPARE(cells(1)[0], u"2*"_s);
    }

    void loadsPointsInIdOrder_emptyNumberMeansB001()
    {
        QCOMPARE(figureNumberToLoad(lib->taprell), u"B001"_s);
        QCOMPARE(lib->taprell.currentFigureNumber(), u"B001"_s);
        QVERIFY(editor->load(u"B001"_s));
        QCOMPARE(editor->model()->size(), 48);
        QCOMPARE(cells(0), (QStringList{u"1"_s, u"1"_s, u"False"_s, u"41"_s, u"0"_s, u"0"_s}));
        QCOMPARE(cells(4), (QStringList{u"5"_s, u"1"_s, u"False"_s, u"48.4"_s, u"11.5"_s, u"1"_s}));
        QCOMPARE(editor->model()->state(47), RowState::Unchanged);
        QCOMPARE(editor->currentRow(), -1);

        // A figure without points, and one whose number would break an unquoted statement.
        QVERIFY(editor->load(u"B999"_s));
        QCOMPARE(editor->model()->size(), 0);
        QVERIFY(editor->load(u"X'1"_s));
        QCOMPARE(editor->model()->size(), 0);
    }

    void loadsMoreThan32767Points()
    {
        lib->exec(u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 40000) "
                  "insert into pData select 'BIG', i, 1, false, i, i, 1 from n"_s);
        QVERIFY(editor->load(u"BIG"_s));
        QCOMPARE(editor->model()->size(), 40000);
        QCOMPARE(cells(39999)[0], u"40000"_s);
    }

    void unopenableLibraryLeavesAnEmptyListAndSaysWhy()
    {
        SKIP_ON_SERVER("the library file goes missing");
        QVERIFY(editor->load(u"B001"_s));
        QVERIFY(QFile::remove(lib->libraryFile()));
        const Status loaded = editor->load(u"B001"_s);
        QVERIFY(!loaded);
        QVERIFY(loaded.error().message.contains(lib->libraryFile()));
        QCOMPARE(editor->model()->size(), 0);
    }

    void fieldCommitsMarkTheRowTheFieldsShow()
    {
        QVERIFY(editor->load(u"B001"_s));
        editor->chooseRow(4);
        editor->setSnapshot(PicDataEditor::XField, u"48.4"_s);
        QVERIFY(!editor->commitField(PicDataEditor::XField, u"48.4"_s)); // back to its snapshot: no change
        QCOMPARE(editor->model()->state(4), RowState::Unchanged);
        QVERIFY(editor->commitField(PicDataEditor::XField, u"50"_s));
        QCOMPARE(cells(4)[0], u"5*"_s);
        QCOMPARE(cells(4)[3], u"50"_s);
        QVERIFY(editor->commitField(PicDataEditor::XField, u"51"_s));
        QCOMPARE(cells(4)[0], u"5*"_s);
        QCOMPARE(editor->model()->state(4), RowState::Changed);
        QCOMPARE(editor->snapshot(PicDataEditor::XField), u"51"_s);

        // While a point is being prepared, leaving a field changes no row.
        const PointFields prepared = editor->startAdding(fieldsOf(4));
        QVERIFY(!editor->commitField(PicDataEditor::YField, u"99"_s));
        QCOMPARE(cells(4)[4], u"11.5"_s);

        // After the append, edits go to the new row, which keeps its "#".
        PointFields typed = prepared;
        typed.value(PicDataEditor::XField) = u"1"_s;
        typed.value(PicDataEditor::YField) = u"2"_s;
        const int added = editor->addRow(typed);
        QCOMPARE(added, 48);
        QCOMPARE(editor->currentRow(), added);
        QVERIFY(editor->commitField(PicDataEditor::YField, u"3"_s));
        QCOMPARE(cells(added), (QStringList{u"49#"_s, u"1"_s, u"False"_s, u"1"_s, u"3"_s, u"1"_s}));
        QCOMPARE(editor->model()->state(added), RowState::New);
        QCOMPARE(cells(4)[4], u"11.5"_s);
    }

    void preparedPointFollowsTheLastNumber()
    {
        QVERIFY(editor->load(u"B999"_s));
        PointFields shown;
        shown.values = {u"3"_s, u"True"_s, u"5"_s, u"6"_s, u"2"_s};
        PointFields prepared = editor->startAdding(shown);
        QVERIFY(editor->addMode());
        QCOMPARE(prepared.number, u"1"_s);
        QCOMPARE(prepared.values, (std::array<QString, 5>{u"3"_s, u"True"_s, QString(), QString(), u"1"_s}));
        prepared.number = u"7"_s;
        editor->addRow(prepared);
        QCOMPARE(editor->startAdding(prepared).number, u"8"_s); // after 7#
        editor->chooseRow(0);
        QVERIFY(!editor->addMode());
        editor->setSnapshot(PicDataEditor::SeriesField, u"3"_s);
        QVERIFY(!editor->commitField(PicDataEditor::SeriesField, u"3"_s));

        QVERIFY(editor->load(u"B005"_s));
        editor->chooseRow(5);
        editor->commitField(PicDataEditor::LineTypeField, u"2"_s);
        QCOMPARE(cells(5)[0], u"6*"_s);
        QCOMPARE(editor->startAdding(fieldsOf(5)).number, u"7"_s); // after 6*
    }

    void commitWithoutCurrentRowChangesNothing()
    {
        QVERIFY(editor->load(u"B002"_s));
        QVERIFY(!editor->commitField(PicDataEditor::XField, u"5"_s));
        QCOMPARE(editor->snapshot(PicDataEditor::XField), u"5"_s);
        QVERIFY(!editor->hasUnsavedChanges());
    }

    void saveWritesChangedAndNewPointsUnderTheirPositions()
    {
        QVERIFY(editor->load(u"B004"_s));
        editor->chooseRow(1);
        editor->commitField(PicDataEditor::CurveField, u"True"_s);
        editor->commitField(PicDataEditor::XField, u"12.25"_s);
        PointFields point = editor->startAdding(fieldsOf(1));
        point.number = u"100"_s;
        point.value(PicDataEditor::XField) = u"7"_s;
        point.value(PicDataEditor::YField) = u"8"_s;
        editor->addRow(point);
        lib->taprell.setCurrentFigureNumber(u"B001"_s); // the catalogue moved on meanwhile

        QVERIFY(editor->save());
        QCOMPARE(cells(7)[0], u"8"_s);
        QCOMPARE(cells(1)[0], u"2"_s);
        QVERIFY(!editor->hasUnsavedChanges());
        const QList<QStringList> rows = stored(u"B004"_s);
        QCOMPARE(rows.size(), 8);
        QCOMPARE(rows[1].mid(2, 2), (QStringList{u"1"_s, u"12.25"_s}));
        QCOMPARE(rows[7], (QStringList{u"8"_s, rows[1][1], u"1"_s, u"7"_s, u"8"_s, u"1"_s}));
        QCOMPARE(stored(u"B001"_s).size(), 48);

        // A later change of the appended point updates it in place.
        editor->chooseRow(7);
        editor->commitField(PicDataEditor::YField, u"9"_s);
        QVERIFY(editor->save());
        QCOMPARE(stored(u"B004"_s).size(), 8);
        QCOMPARE(stored(u"B004"_s)[7][4], u"9"_s);
    }

    void twoProgramsAppendingToOneFigure_neverStoreOneNumberTwice()
    {
        mTaprell secondProgram(lib->settings);
        PicDataEditor other(secondProgram);
        insertPoints(u"C001"_s, {1, 2, 3, 4, 5});
        QVERIFY(editor->load(u"C001"_s));
        QVERIFY(other.load(u"C001"_s));
        const auto append = [this](PicDataEditor &to, const QString &x) {
            PointFields point = to.startAdding(fieldsOf(0));
            point.value(PicDataEditor::XField) = x;
            point.value(PicDataEditor::YField) = x;
            to.addRow(point);
        };
        append(*editor, u"11"_s);
        append(other, u"21"_s);
        append(other, u"22"_s);
        QVERIFY(editor->save());
        Status saved = other.save();
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().details()));
        const auto idsAndXs = [this] {
            QStringList result;
            for (const QStringList &row : stored(u"C001"_s)) {
                result << row[0] + u':' + row[3];
            }
            return result;
        };
        QCOMPARE(idsAndXs(),
                 (QStringList{u"1:10"_s, u"2:20"_s, u"3:30"_s, u"4:40"_s, u"5:50"_s, u"6:11"_s, u"7:21"_s, u"8:22"_s}));
        QCOMPARE(other.model()->cell(5, 0), u"7"_s); // the number it was stored under
        QCOMPARE(other.model()->cell(6, 0), u"8"_s);

        // Both lists go on saving without a reload: changes, and further points after all stored ones.
        other.chooseRow(5);
        QVERIFY(other.commitField(PicDataEditor::YField, u"-21"_s));
        other.chooseRow(0);
        QVERIFY(other.commitField(PicDataEditor::YField, u"-10"_s));
        append(other, u"23"_s);
        saved = other.save();
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().details()));
        append(*editor, u"12"_s);
        saved = editor->save();
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().details()));
        QCOMPARE(idsAndXs(), (QStringList{u"1:10"_s, u"2:20"_s, u"3:30"_s, u"4:40"_s, u"5:50"_s, u"6:11"_s, u"7:21"_s,
                                          u"8:22"_s, u"9:23"_s, u"10:12"_s}));
        QCOMPARE(stored(u"C001"_s)[0][4], u"-10"_s);
        QCOMPARE(stored(u"C001"_s)[6][4], u"-21"_s);

        // Reopened, the list shows every point under its place again.
        QVERIFY(editor->load(u"C001"_s));
        QCOMPARE(editor->model()->size(), 10);
        QCOMPARE(cells(9)[3], u"12"_s);
    }

    void removedPoints_newOnesLeaveTheList_storedOnesAreDeletedBySaveAndTheRestNumbered1ToN()
    {
        insertPoints(u"D001"_s, {1, 2, 3, 4, 5});
        QVERIFY(editor->load(u"D001"_s));
        PointFields point = editor->startAdding(fieldsOf(4));
        point.value(PicDataEditor::XField) = u"60"_s;
        point.value(PicDataEditor::YField) = u"600"_s;
        editor->addRow(point);
        editor->chooseRow(3);
        QVERIFY(editor->commitField(PicDataEditor::XField, u"41"_s));

        // A new row goes at once; undone, it is back in its place with its mark.
        const auto dropped = editor->removeRow(5);
        QVERIFY(dropped && dropped->dropped);
        QCOMPARE(editor->model()->size(), 5);
        QVERIFY(editor->restoreRow(*dropped));
        QCOMPARE(cells(5)[0], u"6#"_s);

        // A stored row stays, marked; undone, it takes back its own mark.
        const auto changed = editor->removeRow(3);
        QVERIFY(changed && !changed->dropped);
        QCOMPARE(cells(3)[0], u"4★"_s);
        QVERIFY(!editor->removeRow(3)); // already marked
        QVERIFY(editor->restoreRow(*changed));
        QCOMPARE(cells(3)[0], u"4*"_s);
        QVERIFY(editor->removeRow(1));
        QVERIFY(editor->removeRow(3));
        QCOMPARE(stored(u"D001"_s).size(), 5); // nothing written before the save

        QVERIFY(editor->save());
        QCOMPARE(stored(u"D001"_s), (QList<QStringList>{{u"1"_s, u"1"_s, u"0"_s, u"10"_s, u"100"_s, u"1"_s},
                                                        {u"2"_s, u"1"_s, u"0"_s, u"30"_s, u"300"_s, u"1"_s},
                                                        {u"3"_s, u"1"_s, u"0"_s, u"50"_s, u"500"_s, u"1"_s},
                                                        {u"4"_s, u"1"_s, u"0"_s, u"60"_s, u"600"_s, u"1"_s}}));
        QCOMPARE(editor->model()->size(), 4);
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(cells(row)[0], QString::number(row + 1));
        }
        QVERIFY(!editor->hasUnsavedChanges());
        // The list and the library agree: a further edit saves into the right point.
        editor->chooseRow(1);
        QVERIFY(editor->commitField(PicDataEditor::YField, u"333"_s));
        QVERIFY(editor->save());
        QCOMPARE(stored(u"D001"_s)[1][4], u"333"_s);
    }

    void removedPointChangedElsewhere_isKept_andTheSaveStopsThere()
    {
        insertPoints(u"D002"_s, {1, 2, 3, 4});
        QVERIFY(editor->load(u"D002"_s));
        QVERIFY(editor->removeRow(0));
        QVERIFY(editor->removeRow(2));
        editor->chooseRow(3);
        QVERIFY(editor->commitField(PicDataEditor::XField, u"44"_s));
        lib->exec(u"update pData set X = 33 where th = 'D002' and ID = 3"_s);

        const Status saved = editor->save();
        QVERIFY(!saved);
        QCOMPARE(saved.error().field, u"X"_s);
        // Point 1 is deleted and gone from the list; the failing row is now the second.
        QCOMPARE(saved.error().row, 2);
        QCOMPARE(editor->model()->size(), 3);
        QCOMPARE(cells(0)[0], u"1"_s);
        QCOMPARE(cells(1)[0], u"3★"_s);
        QCOMPARE(cells(2)[0], u"4*"_s);
        QCOMPARE(stored(u"D002"_s), (QList<QStringList>{{u"1"_s, u"1"_s, u"0"_s, u"20"_s, u"200"_s, u"1"_s},
                                                        {u"3"_s, u"1"_s, u"0"_s, u"33"_s, u"300"_s, u"1"_s},
                                                        {u"4"_s, u"1"_s, u"0"_s, u"40"_s, u"400"_s, u"1"_s}}));
    }

    void removedPoint_whileAnotherProgramAppended_neverStoresANumberTwice()
    {
        insertPoints(u"D003"_s, {1, 2, 3});
        QVERIFY(editor->load(u"D003"_s));
        lib->exec(u"insert into pData values ('D003', 4, 1, false, 99, 99, 1)"_s);
        QVERIFY(editor->removeRow(1));
        PointFields point = editor->startAdding(fieldsOf(2));
        point.value(PicDataEditor::XField) = u"70"_s;
        point.value(PicDataEditor::YField) = u"700"_s;
        editor->addRow(point);
        QVERIFY(editor->save());
        QStringList ids;
        for (const QStringList &row : stored(u"D003"_s)) {
            ids << row[0] + u':' + row[3];
        }
        QCOMPARE(ids, (QStringList{u"1:10"_s, u"3:30"_s, u"4:99"_s, u"5:70"_s}));
    }

    void saveRenumbersAFigureWithGaps_neverOverwritingAnotherPoint()
    {
        insertPoints(u"G'01"_s, {3, 7, 10, 11});
        QVERIFY(editor->load(u"G'01"_s));
        QCOMPARE(cells(1)[0], u"7"_s);
        editor->chooseRow(1);
        editor->commitField(PicDataEditor::YField, u"-5"_s);
        QVERIFY(editor->save());
        QCOMPARE(stored(u"G'01"_s), (QList<QStringList>{{u"1"_s, u"1"_s, u"0"_s, u"30"_s, u"300"_s, u"1"_s},
                                                        {u"2"_s, u"1"_s, u"0"_s, u"70"_s, u"-5"_s, u"1"_s},
                                                        {u"3"_s, u"1"_s, u"0"_s, u"100"_s, u"1000"_s, u"1"_s},
                                                        {u"4"_s, u"1"_s, u"0"_s, u"110"_s, u"1100"_s, u"1"_s}}));
        QCOMPARE(cells(3)[0], u"4"_s);
        QVERIFY(!editor->hasUnsavedChanges());
    }

    void saveKeepsPointsApartWhenIdsRepeatOrStartBelowOne()
    {
        insertPoints(u"D001"_s, {0, 1, 1, 2});
        QVERIFY(editor->load(u"D001"_s));
        QCOMPARE(editor->model()->size(), 4);
        // Each row's X tells which stored point it was read from.
        QStringList xs;
        for (int row = 0; row < 4; ++row) {
            xs << cells(row)[3];
        }
        editor->chooseRow(2);
        editor->commitField(PicDataEditor::LineTypeField, u"3"_s);
        QVERIFY(editor->save());
        const QList<QStringList> rows = stored(u"D001"_s);
        QCOMPARE(rows.size(), 4);
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(rows[row][0], QString::number(row + 1));
            QCOMPARE(rows[row][3], xs[row]);
            QCOMPARE(rows[row][5], row == 2 ? u"3"_s : u"1"_s);
        }
    }

    void saveStopsAtFirstBadRow_keepsEarlierRowsStoredAndRenumbered()
    {
        insertPoints(u"E001"_s, {2, 4, 6, 8});
        QVERIFY(editor->load(u"E001"_s));
        editor->chooseRow(0);
        editor->commitField(PicDataEditor::XField, u"1.5"_s);
        editor->chooseRow(2);
        editor->commitField(PicDataEditor::XField, u"4O"_s); // letter O: the column cannot take it
        editor->chooseRow(3);
        editor->commitField(PicDataEditor::XField, u"8.5"_s);

        const Status saved = editor->save();
        QVERIFY(!saved);
        QCOMPARE(saved.error().row, 3);
        QCOMPARE(saved.error().field, u"X"_s);
        QVERIFY(saved.error().details().contains(u"4O"_s));
        QCOMPARE(cells(0)[0], u"1"_s);
        QCOMPARE(cells(1)[0], u"2"_s);
        QCOMPARE(cells(2), (QStringList{u"6*"_s, u"1"_s, u"False"_s, u"4O"_s, u"600"_s, u"1"_s}));
        QCOMPARE(cells(3)[0], u"8*"_s);
        QCOMPARE(editor->model()->state(3), RowState::Changed);
        QCOMPARE(stored(u"E001"_s), (QList<QStringList>{{u"1"_s, u"1"_s, u"0"_s, u"1.5"_s, u"200"_s, u"1"_s},
                                                        {u"2"_s, u"1"_s, u"0"_s, u"40"_s, u"400"_s, u"1"_s},
                                                        {u"6"_s, u"1"_s, u"0"_s, u"60"_s, u"600"_s, u"1"_s},
                                                        {u"8"_s, u"1"_s, u"0"_s, u"80"_s, u"800"_s, u"1"_s}}));

        // Mended, the same save carries on from the row that failed.
        editor->chooseRow(2);
        editor->commitField(PicDataEditor::XField, u"40"_s);
        QVERIFY(editor->save());
        QCOMPARE(stored(u"E001"_s)[2], (QStringList{u"3"_s, u"1"_s, u"0"_s, u"40"_s, u"600"_s, u"1"_s}));
        QCOMPARE(stored(u"E001"_s)[3][0], u"4"_s);
        QCOMPARE(stored(u"E001"_s)[3][3], u"8.5"_s);
    }

    void pointRemovedElsewhereStopsTheSaveWithoutTouchingAnother()
    {
        insertPoints(u"F001"_s, {1, 2, 3});
        QVERIFY(editor->load(u"F001"_s));
        lib->exec(u"delete from pData where th = 'F001' and ID = 2"_s);
        lib->exec(u"update pData set ID = 2 where th = 'F001' and ID = 3"_s);
        editor->chooseRow(1);
        editor->commitField(PicDataEditor::XField, u"555"_s);
        const Status saved = editor->save();
        QVERIFY(!saved);
        QCOMPARE(saved.error().row, 2);
        QCOMPARE(stored(u"F001"_s)[1], (QStringList{u"2"_s, u"1"_s, u"0"_s, u"30"_s, u"300"_s, u"1"_s}));
        QCOMPARE(cells(1)[0], u"2*"_s);
    }

    void readOnlyLibrary_saveFailsAndKeepsTheMarks()
    {
        lib->taprell.setOpenMode(OpenMode::ReadOnly);
        QVERIFY(editor->load(u"B003"_s));
        editor->chooseRow(0);
        editor->commitField(PicDataEditor::XField, u"1"_s);
        const Status saved = editor->save();
        QVERIFY(!saved);
        QVERIFY(saved.error().cannotWrite());
        QCOMPARE(cells(0)[0], u"1*"_s);
        QVERIFY(editor->hasUnsavedChanges());
        QCOMPARE(stored(u"B003"_s)[0][3], u"2"_s);
    }

    void saveWritesOnlyNewAndChangedRows()
    {
        QVERIFY(editor->load(u"T001"_s));
        const QList<QStringList> before = stored(u"T001"_s);
        PointFields point = editor->startAdding(fieldsOf(0));
        point.value(PicDataEditor::XField) = u"1"_s;
        point.value(PicDataEditor::YField) = u"1"_s;
        editor->addRow(point);
        lib->exec(u"update pData set X = 77 where th = 'T001' and ID = 1"_s); // written by another program
        // Only the new row is written; the unchanged rows stay as the other program left them.
        QVERIFY(editor->save());
        const QList<QStringList> after = stored(u"T001"_s);
        QCOMPARE(after.size(), before.size() + 1);
        QCOMPARE(after[0][3], u"77"_s);
        QCOMPARE(after.mid(1, before.size() - 1), before.mid(1));
    }
};

QTEST_GUILESS_MAIN(TestPicDataEditor)
#include "tst_picdataeditor.moc"
