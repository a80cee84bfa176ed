// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <labels/LabelEditor.h>
#include <library/state/CurrentFigure.h>

#include <QAbstractItemModelTester>

using namespace Qt::StringLiterals;

class TestLabelEditor : public QObject
{
    Q_OBJECT

    static QStringList numberCells(const LabelEditor &editor)
    {
        QStringList cells;
        for (int row = 0; row < editor.model().size(); ++row) {
            cells << editor.model().cell(row, 0);
        }
        return cells;
    }

    // The stored labels of a figure as "ID|X|Y|Lbl", in ID order.
    static QStringList stored(const TempLibrary &lib, const QString &figure)
    {
        QStringList result;
        for (const QStringList &r :
             lib.rows(QStringLiteral("select ID, X, Y, Lbl from picLable where th = '%1' order by ID, rowid")
                          .arg(QString(figure).replace(u'\'', QStringLiteral("''"))))) {
            result << r.join(u'|');
        }
        return result;
    }

    // Commits an edit of box i in the current row as the window does: focus in, then focus out.
    static bool edit(LabelEditor &editor, int box, const QString &text)
    {
        const LabelEditor::BoxTexts t = editor.rowTexts(editor.currentRow());
        editor.setSnapshot(box, box == 1 ? t.x : box == 2 ? t.y : t.name);
        return editor.commitField(box, text);
    }

private slots:
    void loadListsLabelsInIdOrderWithLineBreaks()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QAbstractItemModelTester tester(&editor.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(editor.load(QStringLiteral("B001")));
        QCOMPARE(editor.model().size(), 17);
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1"));
        QCOMPARE(editor.model().cell(16, 0), QStringLiteral("17"));
        QCOMPARE(editor.model().cell(1, 1), QStringLiteral("43.3"));
        QCOMPARE(editor.model().cell(1, 2), QStringLiteral("0.9"));
        QCOMPARE(editor.model().cell(1, 3), QStringLiteral("Pc\n苦橄\n玄武岩"));
        QCOMPARE(editor.currentRow(), 0);
        QVERIFY(!editor.addMode());
        QVERIFY(!editor.hasUnsavedChanges());
        QCOMPARE(LabelEditor::caption(QStringLiteral("B001")),
                 QStringLiteral("Zozododeriv Evuzari\u2014Figure Label  Manager\uFF1AB001    "));
    }

    void labelChangedElsewhereSinceLoadingIsNotOverwritten()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B004")));
        lib.exec(QStringLiteral("update picLable set Lbl = 'edited elsewhere' where th = 'B004' and ID = 2"));
        QVERIFY(editor.chooseRow(1));
        QVERIFY(edit(editor, 1, QStringLiteral("6.5")));
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().field, QStringLiteral("Lbl"));
        QCOMPARE(lib.scalar(QStringLiteral("select Lbl from picLable where th = 'B004' and ID = 2")),
                 QStringLiteral("edited elsewhere"));
        QCOMPARE(numberCells(editor)[1], QStringLiteral("2*"));
    }

    void aLabelStoredUnderATextNumberIsAddressedByThatText()
    {
        SKIP_ON_SERVER("a server's label numbers are numbers");
        TempLibrary lib;
        lib.exec(QStringLiteral("insert into picLable (th, ID, X, Y, Lbl) values ('B004', '1 or 1=1', 5, 6, 'odd')"));
        lib.exec(QStringLiteral("insert into picLable (th, ID, X, Y, Lbl) values ('B004', '2 or 1=1', 7, 8, 'odder')"));
        const QString all = lib.scalar(QStringLiteral("select count(*) from picLable"));
        const QStringList others = stored(lib, QStringLiteral("B001"));
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B004")));
        const int count = editor.model().size();
        QCOMPARE(editor.model().row(count - 2).key(), QStringLiteral("1 or 1=1")); // texts sort after numbers
        QVERIFY(editor.chooseRow(count - 2));
        QVERIFY(editor.markCurrentDeleted());
        QVERIFY(editor.chooseRow(count - 1));
        QVERIFY(edit(editor, 1, QStringLiteral("7.5")));
        const Status status = editor.save();
        QVERIFY2(status, qPrintable(status ? QString() : status.error().details()));

        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picLable")), QString::number(all.toInt() - 1));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picLable where ID = '1 or 1=1'")),
                 QStringLiteral("0"));
        QCOMPARE(lib.rows(QStringLiteral("select ID, X from picLable where Lbl = 'odder'")),
                 (QList<QStringList>{{QStringLiteral("2 or 1=1"), QStringLiteral("7.5")}}));
        QCOMPARE(stored(lib, QStringLiteral("B001")), others);
        QCOMPARE(editor.model().size(), count - 1);

        // A save that stops after writing it leaves the row with the number it was read as.
        const QString second = lib.scalar(QStringLiteral("select Lbl from picLable where th = 'B004' and ID = 2"));
        QVERIFY(editor.chooseRow(count - 2));
        QVERIFY(edit(editor, 2, QStringLiteral("8.5")));
        editor.startAdding();
        editor.addRow({QStringLiteral("one"), QStringLiteral("1"), QStringLiteral("bad x")});
        QVERIFY(!editor.save());
        QCOMPARE(editor.model().row(count - 2).key(), QStringLiteral("2 or 1=1"));
        QVERIFY(editor.chooseRow(count - 2));
        QVERIFY(edit(editor, 3, QStringLiteral("oddest")));
        QVERIFY(editor.chooseRow(count - 1));
        QVERIFY(edit(editor, 1, QStringLiteral("1")));
        const Status mended = editor.save();
        QVERIFY2(mended, qPrintable(mended ? QString() : mended.error().details()));
        QCOMPARE(lib.rows(QStringLiteral("select X, Y, Lbl from picLable where ID = '2 or 1=1'")),
                 (QList<QStringList>{{QStringLiteral("7.5"), QStringLiteral("8.5"), QStringLiteral("oddest")}}));
        QCOMPARE(lib.scalar(QStringLiteral("select Lbl from picLable where th = 'B004' and ID = 2")), second);
    }

    // Another program stored two labels under an empty number: they are stored labels all the
    // same, edited and deleted one by one, never taken for new ones.
    void labelsStoredUnderAnEmptyNumberAreEditedAndDeletedInPlace()
    {
        SKIP_ON_SERVER("a server's label numbers are numbers");
        TempLibrary lib;
        lib.exec(QStringLiteral("insert into picLable (th, ID, X, Y, Lbl) values ('B004', '', 5, 6, 'blank one'), "
                                "('B004', '', 7, 8, 'blank two')"));
        const QStringList before = stored(lib, QStringLiteral("B004"));
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B004")));
        const int count = editor.model().size();
        const auto rowOf = [&](const QString &name) {
            for (int row = 0; row < editor.model().size(); ++row) {
                if (editor.model().cell(row, LabelEditor::NameColumn) == name) {
                    return row;
                }
            }
            return -1;
        };
        QVERIFY(editor.chooseRow(rowOf(QStringLiteral("blank two"))));
        QVERIFY(edit(editor, 3, QStringLiteral("named two")));
        Status status = editor.save();
        QVERIFY2(status, qPrintable(status ? QString() : status.error().details()));
        QCOMPARE(stored(lib, QStringLiteral("B004")).size(), before.size());
        QCOMPARE(
            lib.rows(QStringLiteral("select ID, X, Lbl from picLable where th = 'B004' and ID = '' order by rowid")),
            (QList<QStringList>{{QString(), QStringLiteral("5"), QStringLiteral("blank one")},
                                {QString(), QStringLiteral("7"), QStringLiteral("named two")}}));

        QVERIFY(editor.chooseRow(rowOf(QStringLiteral("blank one"))));
        QVERIFY(editor.markCurrentDeleted());
        status = editor.save();
        QVERIFY2(status, qPrintable(status ? QString() : status.error().details()));
        QCOMPARE(lib.rows(QStringLiteral("select Lbl from picLable where th = 'B004' and ID = ''")),
                 (QList<QStringList>{{QStringLiteral("named two")}}));
        QCOMPARE(editor.model().size(), count - 1);
    }

    void twoProgramsAddingLabelsToOneFigureNeverStoreOneNumberTwice()
    {
        TempLibrary lib;
        mTaprell secondProgram(lib.settings);
        LabelEditor first(lib.taprell);
        LabelEditor second(secondProgram);
        QVERIFY(first.load(QStringLiteral("B004")));
        QVERIFY(second.load(QStringLiteral("B004")));
        const int count = first.model().size();
        first.startAdding();
        first.addRow({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("from the first")});
        second.startAdding();
        second.addRow({QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("from the second")});
        second.startAdding();
        second.addRow({QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("second again")});
        QCOMPARE(first.model().cell(count, 0), QString::number(count + 1) + u'#');
        QCOMPARE(second.model().cell(count, 0), QString::number(count + 1) + u'#');

        QVERIFY(first.save());
        const Status saved = second.save();
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().details()));
        const QStringList labels = stored(lib, QStringLiteral("B004"));
        QCOMPARE(labels.size(), count + 3);
        QCOMPARE(labels.mid(count), (QStringList{QStringLiteral("%1|1|2|from the first").arg(count + 1),
                                                 QStringLiteral("%1|3|4|from the second").arg(count + 2),
                                                 QStringLiteral("%1|5|6|second again").arg(count + 3)}));
        // The second list, read again, shows all three, its own last label still current.
        QCOMPARE(second.model().size(), count + 3);
        QCOMPARE(second.currentRow(), count + 2);
        QCOMPARE(second.rowTexts(second.currentRow()).name, QStringLiteral("second again"));
    }

    void emptyFigureAndTheDefaultNumber()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QCOMPARE(figureNumberToLoad(lib.taprell), QStringLiteral("B001"));
        QCOMPARE(lib.taprell.currentFigureNumber(), QStringLiteral("B001"));

        QVERIFY(editor.load(QStringLiteral("B999")));
        QCOMPARE(editor.model().size(), 0);
        QCOMPARE(editor.currentRow(), -1);
        QVERIFY(!editor.chooseRow(0));
        QVERIFY(!editor.markCurrentDeleted());
        editor.setSnapshot(1, QStringLiteral("X-值"));
        QVERIFY(!editor.commitField(1, QStringLiteral("5")));
        QCOMPARE(editor.nextFreeNumber(), 1.0);
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picLable")), QStringLiteral("36"));
    }

    void editsMarkTheCurrentRowOnlyWhenTheTextChanged()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B004")));
        QVERIFY(editor.chooseRow(2));
        editor.setSnapshot(1, QStringLiteral("500"));
        QVERIFY(!editor.commitField(1, QStringLiteral("500")));
        QCOMPARE(editor.model().cell(2, 0), QStringLiteral("3"));
        QVERIFY(editor.commitField(1, QStringLiteral("510")));
        QCOMPARE(editor.model().cell(2, 0), QStringLiteral("3*"));
        QCOMPARE(editor.model().cell(2, 1), QStringLiteral("510"));

        QVERIFY(editor.markCurrentDeleted());
        QCOMPARE(editor.model().cell(2, 0), QStringLiteral("3★"));
        QVERIFY(edit(editor, 3, QStringLiteral("ORG")));
        QCOMPARE(editor.model().cell(2, 0), QStringLiteral("3*"));
        QCOMPARE(editor.model().state(2), RowState::Changed);

        // In add mode the boxes hold a label that is not in the list yet.
        const LabelEditor::BoxTexts prepared = editor.startAdding();
        QCOMPARE(prepared.x, QString());
        QCOMPARE(prepared.name, QStringLiteral("1"));
        QVERIFY(!editor.commitField(2, QStringLiteral("77")));
        QCOMPARE(editor.model().cell(2, 2), QStringLiteral("4"));

        const int added = editor.addRow(prepared);
        QCOMPARE(editor.model().cell(added, 0), QStringLiteral("4#"));
        QCOMPARE(editor.currentRow(), added);
        QVERIFY(edit(editor, 1, QStringLiteral("9")));
        QCOMPARE(editor.model().cell(added, 0), QStringLiteral("4#"));
        QCOMPARE(editor.model().cell(added, 1), QStringLiteral("9"));
        // A new row that was marked for deletion and then edited is still a new row.
        QVERIFY(editor.markCurrentDeleted());
        QVERIFY(edit(editor, 1, QStringLiteral("8")));
        QCOMPARE(editor.model().cell(added, 0), QStringLiteral("4#"));
        QCOMPARE(editor.model().state(added), RowState::New);
    }

    void newLabelsTakeTheNextFreeNumber()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("update picLable set ID = 10 where th = 'B002' and ID = 2"));
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B002")));
        QCOMPARE(numberCells(editor), (QStringList{u"1"_s, u"3"_s, u"4"_s, u"10"_s}));
        editor.startAdding();
        editor.addRow({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("new")});
        QCOMPARE(editor.model().cell(4, 0), QStringLiteral("11#"));
        editor.startAdding();
        editor.addRow({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("newer")});
        QCOMPARE(editor.model().cell(5, 0), QStringLiteral("12#"));
    }

    void saveUpdatesDeletesAndInsertsThenRereadsTheList()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B004")));
        QVERIFY(editor.chooseRow(1));
        QVERIFY(edit(editor, 1, QStringLiteral("6.5")));
        QVERIFY(editor.chooseRow(2));
        QVERIFY(editor.markCurrentDeleted());
        editor.startAdding();
        editor.addRow({QStringLiteral("30"), QStringLiteral("40"), QStringLiteral("Line one\nline 'two'")});
        QCOMPARE(numberCells(editor), (QStringList{u"1"_s, u"2*"_s, u"3★"_s, u"4#"_s}));

        QVERIFY(editor.save());
        QCOMPARE(stored(lib, QStringLiteral("B004")),
                 (QStringList{u"1|20|200|WPG\n板内花岗岩"_s, u"2|6.5|25|VAG+syn-COLG\n火山弧+同碰撞花岗岩"_s,
                              u"4|30|40|Line one\nline 'two'"_s}));
        QCOMPARE(numberCells(editor), (QStringList{u"1"_s, u"2"_s, u"4"_s}));
        QVERIFY(!editor.hasUnsavedChanges());
        QCOMPARE(editor.currentRow(), 2); // the new label, now stored as 4
        QCOMPARE(stored(lib, QStringLiteral("B003")).size(), 4);
    }

    void laterSavesAddressStoredNumbersNotPositions()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B003")));
        QVERIFY(editor.chooseRow(1));
        QVERIFY(editor.markCurrentDeleted());
        QVERIFY(editor.save());
        QCOMPARE(numberCells(editor), (QStringList{u"1"_s, u"3"_s, u"4"_s}));
        QCOMPARE(editor.currentRow(), 1); // label 2 is gone; the row in its place is current

        QVERIFY(editor.chooseRow(2)); // label 4, at position 3
        QVERIFY(edit(editor, 3, QStringLiteral("ORG changed")));
        QVERIFY(editor.save());
        QCOMPARE(
            stored(lib, QStringLiteral("B003")),
            (QStringList{u"1|5|500|syn-COLG\n同碰撞花岗岩"_s, u"3|5|2|VAG\n火山弧花岗岩"_s, u"4|500|2|ORG changed"_s}));
        QCOMPARE(editor.currentRow(), 2);
    }

    void saveStopsAtTheFirstFailingRowAndKeepsTheRest()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B002")));
        QVERIFY(editor.chooseRow(0));
        QVERIFY(editor.markCurrentDeleted());
        QVERIFY(editor.chooseRow(1));
        QVERIFY(edit(editor, 1, QStringLiteral("67")));
        QVERIFY(editor.chooseRow(2));
        QVERIFY(edit(editor, 2, QStringLiteral("not a number")));
        QVERIFY(editor.chooseRow(3));
        QVERIFY(editor.markCurrentDeleted());

        const Status saved = editor.save();
        QVERIFY(!saved);
        QCOMPARE(saved.error().field, QStringLiteral("Y"));
        QCOMPARE(saved.error().row, 2); // label 1 left the list, so the failing label 3 is row 2 now
        QVERIFY(saved.error().details().contains(QStringLiteral("select * from picLable where th= 'B002' and ID=3")));
        QCOMPARE(numberCells(editor), (QStringList{u"2"_s, u"3*"_s, u"4★"_s}));
        QCOMPARE(editor.model().cell(1, 2), QStringLiteral("not a number"));
        QCOMPARE(editor.currentRow(), 2);
        QCOMPARE(stored(lib, QStringLiteral("B002")),
                 (QStringList{u"2|67|1.9|Calc-alkaline series\n钙碱性系列"_s,
                              u"3|67.5|3.55|High-K calc-alkaline series\n高钾钙碱性系列"_s,
                              u"4|55|4.5|Shoshonite series\n钾玄岩系列"_s}));

        QVERIFY(editor.chooseRow(1));
        QVERIFY(edit(editor, 2, QStringLiteral("3.3")));
        QVERIFY(editor.save());
        QCOMPARE(stored(lib, QStringLiteral("B002")),
                 (QStringList{u"2|67|1.9|Calc-alkaline series\n钙碱性系列"_s,
                              u"3|67.5|3.3|High-K calc-alkaline series\n高钾钙碱性系列"_s}));
    }

    void saveWritesUnderTheFigureTheListWasLoadedFor()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B005")));
        lib.taprell.setCurrentFigureNumber(QStringLiteral("B004"));
        QVERIFY(edit(editor, 1, QStringLiteral("0.75")));
        editor.startAdding();
        editor.addRow({QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("extra")});
        QVERIFY(editor.save());
        QCOMPARE(stored(lib, QStringLiteral("B005")).first(), QStringLiteral("1|0.75|2.2|Metaluminous\n准铝质"));
        QCOMPARE(stored(lib, QStringLiteral("B005")).last(), QStringLiteral("4|1|1|extra"));
        QCOMPARE(stored(lib, QStringLiteral("B004")).size(), 3);
        QCOMPARE(stored(lib, QStringLiteral("B004")).first(), QStringLiteral("1|20|200|WPG\n板内花岗岩"));
    }

    void apostrophesInFigureNumbersAndTextsAreStoredAsTyped()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("insert into picLable (th, ID, X, Y, Lbl) values ('B''01', 1, 1, 2, 'it''s')"));
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B'01")));
        QCOMPARE(editor.model().size(), 1);
        QCOMPARE(editor.model().cell(0, 3), QStringLiteral("it's"));
        QVERIFY(edit(editor, 3, QStringLiteral("x' or '1'='1\n--")));
        editor.startAdding();
        editor.addRow({QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("'); DELETE from picLable; --")});
        editor.chooseRow(0);
        QVERIFY(editor.save());
        QCOMPARE(stored(lib, QStringLiteral("B'01")),
                 (QStringList{u"1|1|2|x' or '1'='1\n--"_s, u"2|3|4|'); DELETE from picLable; --"_s}));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picLable")), QStringLiteral("38"));
    }

    void labelsSharingANumberAreWrittenOneByOne()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("insert into picLable (th, ID, X, Y, Lbl) values ('B003', 2, 7, 7, 'second two')"));
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B003")));
        QCOMPARE(numberCells(editor), (QStringList{u"1"_s, u"2"_s, u"2"_s, u"3"_s, u"4"_s}));
        QCOMPARE(editor.model().cell(2, 3), QStringLiteral("second two"));

        QVERIFY(editor.chooseRow(1));
        QVERIFY(editor.markCurrentDeleted());
        QVERIFY(editor.chooseRow(2));
        QVERIFY(edit(editor, 1, QStringLiteral("8")));
        QVERIFY(editor.save());
        QCOMPARE(stored(lib, QStringLiteral("B003")),
                 (QStringList{u"1|5|500|syn-COLG\n同碰撞花岗岩"_s, u"2|8|7|second two"_s, u"3|5|2|VAG\n火山弧花岗岩"_s,
                              u"4|500|2|ORG\n洋脊花岗岩"_s}));
        QCOMPARE(editor.model().cell(editor.currentRow(), 3), QStringLiteral("second two"));
    }

    void aLabelRemovedByAnotherProgramIsNotRecreated()
    {
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B005")));
        lib.exec(QStringLiteral("delete from picLable where th = 'B005' and ID = 1"));
        QVERIFY(edit(editor, 1, QStringLiteral("0.9")));
        const Status saved = editor.save();
        QVERIFY(!saved);
        QCOMPARE(saved.error().row, 1);
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(stored(lib, QStringLiteral("B005")).size(), 2);
    }

    void aReadOnlyLibraryStopsTheSaveAndSaysSo()
    {
        TempLibrary lib;
        lib.taprell.setOpenMode(OpenMode::ReadOnly);
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("B005")));
        QVERIFY(edit(editor, 1, QStringLiteral("0.9")));
        const Status saved = editor.save();
        QVERIFY(!saved);
        QVERIFY(saved.error().cannotWrite());
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(stored(lib, QStringLiteral("B005")).first(), QStringLiteral("1|0.7|2.2|Metaluminous\n准铝质"));
    }

    void aLibraryThatCannotBeOpenedLeavesTheListEmpty()
    {
        TempLibrary lib;
        lib.settings.removeSection(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"));
        LabelEditor editor(lib.taprell);
        const Status loaded = editor.load(QStringLiteral("B001"));
        QVERIFY(!loaded);
        QVERIFY(loaded.error().message.contains(QStringLiteral("system.mdb")));
        QCOMPARE(editor.model().size(), 0);
        QVERIFY(!editor.save());
    }

    void moreThan32767LabelsAreAllListed()
    {
        TempLibrary lib;
        lib.exec(
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 40000) "
                           "insert into picLable (th, ID, X, Y, Lbl) select 'Z001', i, i, i * 2, 'L' || i from n"));
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(QStringLiteral("Z001")));
        QCOMPARE(editor.model().size(), 40000);
        QCOMPARE(editor.model().cell(39999, 0), QStringLiteral("40000"));
        QCOMPARE(editor.model().cell(39999, 2), QStringLiteral("80000"));
        QCOMPARE(editor.nextFreeNumber(), 40001.0);
    }
};

QTEST_GUILESS_MAIN(TestLabelEditor)
#include "tst_labeleditor.moc"
