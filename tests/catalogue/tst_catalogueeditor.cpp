// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <catalogue/CatalogueEditor.h>

class TestCatalogueEditor : public QObject
{
    Q_OBJECT

    // The cells of a complete rectangular figure as the edit controls would give them.
    static QList<QString> rectangular(const QString &number, const QString &name)
    {
        QList<QString> cells(CatalogueEditor::columnTable.size());
        cells[CatalogueEditor::Th] = number;
        cells[CatalogueEditor::Tm] = name;
        cells[CatalogueEditor::FigName] = number.left(1) + QStringLiteral("P") + number.mid(1);
        cells[CatalogueEditor::Grp] = QStringLiteral("2");
        const QStringList axis = {QStringLiteral("0"), QStringLiteral("10"), QStringLiteral("1"),
                                  QStringLiteral("2"), QStringLiteral("0"),  QStringLiteral("False"),
                                  QStringLiteral("1")};
        for (int i = 0; i < 7; ++i) {
            cells[CatalogueEditor::X1 + i] = axis[i];
            cells[CatalogueEditor::Y1 + i] = axis[i];
        }
        cells[CatalogueEditor::Border] = QStringLiteral("True");
        cells[CatalogueEditor::SpecialCase] = QStringLiteral("0");
        cells[CatalogueEditor::Comment] = QStringLiteral("line one\nline two");
        cells[CatalogueEditor::Vector] = QStringLiteral("True");
        cells[CatalogueEditor::Bitmap] = QStringLiteral("False");
        return cells;
    }

    static QList<QString> rowCells(const CatalogueEditor &editor, int row) { return editor.model().row(row).cells; }

private slots:
    void loadListsOneKindOrderedByThumbnailName()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("update picMain set figName = 'AP999' where th = 'B004'"));
        lib.exec(QStringLiteral("update picMain set LB = 'X' where th = 'B005'"));
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        const WorkingListModel &model = editor.model();
        QCOMPARE(model.size(), 4); // B005 is of neither kind
        QCOMPARE(model.cell(0, CatalogueEditor::Th), QStringLiteral("B004"));
        QCOMPARE(model.cell(1, CatalogueEditor::Th), QStringLiteral("B001"));
        QCOMPARE(model.cell(1, CatalogueEditor::Number), QStringLiteral("2"));
        QCOMPARE(model.cell(1, CatalogueEditor::Grp), QStringLiteral("1"));
        QCOMPARE(model.cell(1, CatalogueEditor::X1 + 1), QStringLiteral("80"));
        QCOMPARE(model.cell(1, CatalogueEditor::Y1 + 2), QStringLiteral("1"));
        QCOMPARE(model.cell(1, CatalogueEditor::X1 + 5), QStringLiteral("False"));
        QCOMPARE(model.cell(1, CatalogueEditor::Border), QStringLiteral("True"));
        QCOMPARE(model.cell(1, CatalogueEditor::Vector), QStringLiteral("True"));
        QCOMPARE(model.state(1), RowState::Unchanged);

        QVERIFY(editor.load(FigureKind::Triangular));
        QCOMPARE(model.size(), 1);
        QCOMPARE(model.cell(0, CatalogueEditor::Th), QStringLiteral("T001"));
        for (int c = CatalogueEditor::X1; c <= CatalogueEditor::Border; ++c) {
            QCOMPARE(model.cell(0, c), QString());
        }
    }

    void nullCommentAndSpecialCaseListEmptyAndSaveAsZeroAndEmptyText()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("update picMain set Comment = NULL, specialCase = NULL where th = 'B002'"));
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QCOMPARE(editor.model().cell(1, CatalogueEditor::Comment), QString());
        QCOMPARE(editor.model().cell(1, CatalogueEditor::SpecialCase), QString());
        editor.changeRow(1, rowCells(editor, 1));
        QVERIFY(editor.save());
        QCOMPARE(lib.rows(QStringLiteral("select specialCase, Comment from picMain where th = 'B002'")).first(),
                 (QStringList{QStringLiteral("0"), QString()}));
    }

    void newFigNumberIsOneAboveTheHighestInLibraryAndList()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QCOMPARE(editor.newFigNumber(editor.model().size()), QStringLiteral("B006"));

        // A number above the last row's exists elsewhere in the library (even under the other kind).
        lib.exec(QStringLiteral("insert into picMain (th, tm, figName, grp, LB, Vector, Bitmap) "
                                "values ('B041', 't', 'AAA', 1, 'T', false, false)"));
        QVERIFY(editor.load(FigureKind::Rectangular));
        QCOMPARE(editor.newFigNumber(editor.model().size()), QStringLiteral("B042"));

        lib.exec(QStringLiteral("insert into picMain (th, tm, figName, grp, LB, Vector, Bitmap) "
                                "values ('B999', 't', 'ZZZ', 1, 'B', false, false)"));
        QVERIFY(editor.load(FigureKind::Rectangular));
        const QString next = editor.newFigNumber(editor.model().size());
        QCOMPARE(next, QStringLiteral("B1000"));
        editor.addRow(rectangular(next, QStringLiteral("new")));
        QCOMPARE(editor.newFigNumber(editor.model().size()), QStringLiteral("B1001")); // unsaved rows count
        QVERIFY(editor.save());
        QVERIFY(editor.load(FigureKind::Rectangular));
        QCOMPARE(editor.newFigNumber(editor.model().size()), QStringLiteral("B1001"));

        QVERIFY(editor.load(FigureKind::Triangular));
        QCOMPARE(editor.newFigNumber(editor.model().size()), QStringLiteral("T002"));
        lib.exec(QStringLiteral("insert into picMain (th, tm, figName, grp, LB, Vector, Bitmap) "
                                "values ('t007', 't', 'x', 1, 'B', false, false)")); // lower case, other kind
        QCOMPARE(editor.newFigNumber(editor.model().size()), QStringLiteral("T008"));
    }

    void newFigNumberOnAnEmptyLibraryStartsAtOne()
    {
        TempLibrary lib(TempLibrary::Content::Empty);
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Triangular));
        QCOMPARE(editor.model().size(), 0);
        QCOMPARE(editor.newFigNumber(0), QStringLiteral("T001"));
    }

    void saveWritesChangedNewAndDeletedRowsThenShowsThemSaved()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QList<QString> changed = rowCells(editor, 1);
        changed[CatalogueEditor::Tm] = QStringLiteral("K2O vs SiO2 (O'Connor's copy)");
        changed[CatalogueEditor::X1 + 6] = QStringLiteral("2*");       // numeric value taken
        changed[CatalogueEditor::SpecialCase] = QStringLiteral(" 7x"); // numeric value taken
        editor.changeRow(1, changed);
        editor.markDeleted(2);
        const int added = editor.addRow(rectangular(QStringLiteral("B006"), QStringLiteral("Fresh")));
        QCOMPARE(editor.model().cell(1, 0), QStringLiteral("2*"));
        QCOMPARE(editor.model().cell(2, 0), QStringLiteral("3★"));
        QCOMPARE(editor.model().cell(added, 0), QStringLiteral("6#"));

        QVERIFY(editor.save());
        QCOMPARE(editor.model().cell(1, 0), QStringLiteral("2"));
        QCOMPARE(editor.model().cell(2, 0), QStringLiteral("3★")); // stays listed, marked
        QCOMPARE(editor.model().cell(added, 0), QStringLiteral("6"));
        QVERIFY(!editor.model().hasUnsavedChanges());

        QCOMPARE(
            lib.rows(QStringLiteral("select tm, X7, specialCase from picMain where th = 'B002'")).first(),
            (QStringList{QStringLiteral("K2O vs SiO2 (O'Connor's copy)"), QStringLiteral("2"), QStringLiteral("7")}));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'B003'")), QStringLiteral("0"));
        QCOMPARE(lib.rows(QStringLiteral("select LB, X2, X6, border, Comment, Vector from picMain where th = 'B006'"))
                     .first(),
                 (QStringList{QStringLiteral("B"), QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("1"),
                              QStringLiteral("line one\nline two"), QStringLiteral("1")}));
        // The deleted figure's points stay in the library.
        QVERIFY(lib.scalar(QStringLiteral("select count(*) from pData where th = 'B003'")).toInt() > 0);
        // A second save runs the deletion again, harmlessly.
        QVERIFY(editor.save());
    }

    void saveStopsAtFirstBadRow_keepsEarlierRowsAndLaterMarks()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QList<QString> good = rowCells(editor, 0);
        good[CatalogueEditor::Tm] = QStringLiteral("renamed first");
        editor.changeRow(0, good);
        QList<QString> bad = rowCells(editor, 2);
        bad[CatalogueEditor::X1] = QStringLiteral("4O");
        editor.changeRow(2, bad);
        QList<QString> later = rowCells(editor, 3);
        later[CatalogueEditor::Tm] = QStringLiteral("renamed fourth");
        editor.changeRow(3, later);

        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 3);
        QCOMPARE(status.error().field, QStringLiteral("X1"));
        QVERIFY(status.error().statement.contains(QStringLiteral("'B003'")));
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1"));
        QCOMPARE(editor.model().cell(2, 0), QStringLiteral("3*"));
        QCOMPARE(editor.model().cell(3, 0), QStringLiteral("4*"));
        QCOMPARE(lib.scalar(QStringLiteral("select tm from picMain where th = 'B001'")),
                 QStringLiteral("renamed first"));
        QVERIFY(lib.scalar(QStringLiteral("select tm from picMain where th = 'B004'")) != u"renamed fourth");
        QCOMPARE(lib.scalar(QStringLiteral("select X1 from picMain where th = 'B003'")), QStringLiteral("1"));
    }

    void renumberedRowWithoutRecordStopsAndKeepsTheOldRecord()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QList<QString> cells = rowCells(editor, 4);
        cells[CatalogueEditor::Th] = QStringLiteral("B077");
        editor.changeRow(4, cells);
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 5);
        QCOMPARE(editor.model().state(4), RowState::Changed);
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'B005'")), QStringLiteral("1"));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'B077'")), QStringLiteral("0"));
    }

    void retypedNumberOfAnotherFigureNeverOverwritesIt()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QList<QString> cells = rowCells(editor, 0);
        cells[CatalogueEditor::Th] = QStringLiteral("t001"); // the triangular figure's number, not listed here
        editor.changeRow(0, cells);
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 1);
        QVERIFY(status.error().message.contains(QStringLiteral("B001")));
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(lib.rows(QStringLiteral("select tm, LB from picMain where th = 'T001'")).first(),
                 (QStringList{QStringLiteral("AFM (Irvine & Baragar, 1971)"), QStringLiteral("T")}));

        // Two renames that pass the list check one by one: B005 -> B006, then B001 -> B005.
        QVERIFY(editor.load(FigureKind::Rectangular));
        cells = rowCells(editor, 4);
        cells[CatalogueEditor::Th] = QStringLiteral("B006");
        editor.changeRow(4, cells);
        cells = rowCells(editor, 0);
        cells[CatalogueEditor::Th] = QStringLiteral("B005");
        editor.changeRow(0, cells);
        QVERIFY(!editor.save());
        QCOMPARE(lib.scalar(QStringLiteral("select tm from picMain where th = 'B005'")),
                 QStringLiteral("A/NK-A/CNK (Maniar & Piccoli, 1989)"));
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(editor.model().cell(4, 0), QStringLiteral("5*"));
    }

    void changeByAnotherProgramSinceLoadingIsNotOverwritten()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        lib.exec(QStringLiteral("update picMain set tm = 'edited elsewhere' where th = 'B001'"));
        QList<QString> cells = rowCells(editor, 0);
        cells[CatalogueEditor::X1 + 1] = QStringLiteral("81");
        editor.changeRow(0, cells);
        editor.changeRow(1, rowCells(editor, 1));
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 1);
        QCOMPARE(status.error().field, QStringLiteral("tm"));
        QCOMPARE(lib.rows(QStringLiteral("select tm, X2 from picMain where th = 'B001'")).first(),
                 (QStringList{QStringLiteral("edited elsewhere"), QStringLiteral("80")}));
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(editor.model().cell(1, 0), QStringLiteral("2*"));

        // Once saved, a row compares with what it stored, not with what it was first loaded as;
        // a number typed as "81.0" reads back as "81" and is no change by anyone else.
        QVERIFY(editor.load(FigureKind::Rectangular));
        cells = rowCells(editor, 0);
        cells[CatalogueEditor::X1 + 1] = QStringLiteral("81.0");
        editor.changeRow(0, cells);
        QVERIFY(editor.save());
        cells = rowCells(editor, 0);
        cells[CatalogueEditor::Tm] = QStringLiteral("TAS again");
        editor.changeRow(0, cells);
        QVERIFY(editor.save());
        QCOMPARE(lib.rows(QStringLiteral("select tm, X2 from picMain where th = 'B001'")).first(),
                 (QStringList{QStringLiteral("TAS again"), QStringLiteral("81")}));
    }

    void aRowStoredAsTheNumericValueOfItsTextSavesAgain()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("update picMain set specialCase = NULL where th = 'B002'"));
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QCOMPARE(editor.model().cell(2, CatalogueEditor::Th), QStringLiteral("B003"));
        QList<QString> cells = rowCells(editor, 2);
        cells[CatalogueEditor::X1 + 6] = QStringLiteral("2abc");
        cells[CatalogueEditor::SpecialCase] = QStringLiteral("12*");
        editor.changeRow(2, cells);
        editor.changeRow(1, rowCells(editor, 1)); // an empty specialCase is stored as 0
        QVERIFY(editor.save());
        QCOMPARE(lib.rows(QStringLiteral("select X7, specialCase from picMain where th = 'B003'")).first(),
                 (QStringList{QStringLiteral("2"), QStringLiteral("12")}));
        QCOMPARE(editor.model().cell(2, CatalogueEditor::X1 + 6), QStringLiteral("2abc")); // the list keeps the text

        // Changed again without a reload: each row compares with what the save wrote.
        for (const QString &x1 : {QStringLiteral("-5"), QStringLiteral("-6")}) {
            cells = rowCells(editor, 2);
            cells[CatalogueEditor::X1] = x1;
            editor.changeRow(2, cells);
            cells = rowCells(editor, 1);
            cells[CatalogueEditor::Tm] = QStringLiteral("renamed ") + x1;
            editor.changeRow(1, cells);
            const Status status = editor.save();
            QVERIFY2(status, qPrintable(status ? QString() : status.error().details()));
        }
        QCOMPARE(lib.scalar(QStringLiteral("select X1 from picMain where th = 'B003'")), QStringLiteral("-6"));
        QCOMPARE(lib.scalar(QStringLiteral("select tm from picMain where th = 'B002'")), QStringLiteral("renamed -6"));

        // What another program changes after that save is still caught.
        lib.exec(QStringLiteral("update picMain set X7 = 3 where th = 'B003'"));
        cells = rowCells(editor, 2);
        cells[CatalogueEditor::X1] = QStringLiteral("-7");
        editor.changeRow(2, cells);
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().field, QStringLiteral("X7"));
        QCOMPARE(lib.scalar(QStringLiteral("select X1 from picMain where th = 'B003'")), QStringLiteral("-6"));
    }

    void aRowNotInTheLibraryIsNewAgainWhenItsDeletionIsTakenBack()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QList<QString> cells = rectangular(QStringLiteral("B006"), QStringLiteral("first name"));
        const int added = editor.addRow(cells);
        editor.markDeleted(added);
        QCOMPARE(editor.model().cell(added, 0), QStringLiteral("6★"));
        cells[CatalogueEditor::Tm] = QStringLiteral("second name");
        editor.changeRow(added, cells);
        QCOMPARE(editor.model().cell(added, 0), QStringLiteral("6#"));
        QCOMPARE(editor.model().state(added), RowState::New);

        // A stored figure whose deletion was saved comes back the same way.
        editor.markDeleted(4);
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'B005'")), QStringLiteral("0"));
        QList<QString> restored = rowCells(editor, 4);
        editor.changeRow(4, restored);
        QCOMPARE(editor.model().cell(4, 0), QStringLiteral("5#"));

        // A stored figure that is only marked is changed, as before.
        editor.markDeleted(0);
        editor.changeRow(0, rowCells(editor, 0));
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1*"));

        const Status status = editor.save();
        QVERIFY2(status, qPrintable(status ? QString() : status.error().details()));
        QCOMPARE(lib.scalar(QStringLiteral("select tm from picMain where th = 'B006'")), QStringLiteral("second name"));
        QCOMPARE(lib.scalar(QStringLiteral("select tm from picMain where th = 'B005'")), restored[CatalogueEditor::Tm]);
        QVERIFY(!editor.model().hasUnsavedChanges());
    }

    void numbersPastADoublesRangeAreRefusedWithTheFieldNamed()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        const QString before =
            lib.scalar(QStringLiteral("select X2 || ',' || X6 || ',' || X7 from picMain where th = 'B003'"));
        QList<QString> cells = rowCells(editor, 2);
        cells[CatalogueEditor::X1 + 1] = QStringLiteral("1e309");
        cells[CatalogueEditor::X1 + 5] = QStringLiteral("1e400");
        cells[CatalogueEditor::X1 + 6] = QStringLiteral("-1e999");
        editor.changeRow(2, cells);
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().field, QStringLiteral("X2, X6, X7"));
        QVERIFY(status.error().message.contains(QStringLiteral("超出了数字的范围")));
        QCOMPARE(lib.scalar(QStringLiteral("select X2 || ',' || X6 || ',' || X7 from picMain where th = 'B003'")),
                 before);
        QVERIFY(editor.model().hasUnsavedChanges());
    }

    void everyFieldTheRecordCannotTakeIsNamedAtOnce()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        QList<QString> cells = rectangular(QStringLiteral("B006"), QStringLiteral("incomplete"));
        cells[CatalogueEditor::Grp] = QString();
        cells[CatalogueEditor::X1] = QString();
        cells[CatalogueEditor::Y1 + 2] = QStringLiteral("wide");
        editor.addRow(cells);
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().field, QStringLiteral("grp, X1, Y3"));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'B006'")), QStringLiteral("0"));
    }

    void apostropheInFigureNumberListsSavesAndDeletes()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("insert into picMain (th, tm, figName, grp, LB, Vector, Bitmap) "
                                "values ('T''9', 'O''Brien', 'TP''9', 1, 'T', false, false)"));
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Triangular));
        QCOMPARE(editor.model().size(), 2);
        QCOMPARE(editor.model().cell(0, CatalogueEditor::Th), QStringLiteral("T'9")); // "'" sorts before digits
        QList<QString> cells = rowCells(editor, 0);
        cells[CatalogueEditor::Tm] = QStringLiteral("O'Brien's triangle");
        editor.changeRow(0, cells);
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(QStringLiteral("select tm from picMain where th = 'T''9'")),
                 QStringLiteral("O'Brien's triangle"));
        editor.markDeleted(0);
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'T''9'")), QStringLiteral("0"));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain")), QStringLiteral("6"));
    }

    void triangularNewFigureLeavesAxisFieldsUntouched()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Triangular));
        editor.addRow(rectangular(QStringLiteral("T002"), QStringLiteral("Ternary")));
        for (int c = CatalogueEditor::X1; c <= CatalogueEditor::Border; ++c) {
            QCOMPARE(editor.model().cell(1, c), QString());
        }
        QVERIFY(editor.save());
        QCOMPARE(lib.rows(QStringLiteral("select LB, X1, Y7, border from picMain where th = 'T002'")).first(),
                 (QStringList{QStringLiteral("T"), QStringLiteral("<null>"), QStringLiteral("<null>"),
                              QStringLiteral("<null>")}));
    }

    void deletionRemovesTheRecordTheRowWasReadAsAndNeverAnotherKindsFigure()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Triangular));
        // A new triangular row given a rectangular figure's number, then marked: nothing stored goes.
        const int added = editor.addRow(rectangular(QStringLiteral("B001"), QStringLiteral("typo")));
        editor.markDeleted(added);
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'B001'")), QStringLiteral("1"));
        QVERIFY(!editor.model().hasUnsavedChanges());

        // A listed row whose number was edited before it was marked still deletes its own record.
        QList<QString> cells = rowCells(editor, 0);
        cells[CatalogueEditor::Th] = QStringLiteral("B002");
        editor.changeRow(0, cells);
        editor.markDeleted(0);
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'T001'")), QStringLiteral("0"));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th = 'B002'")), QStringLiteral("1"));
    }

    void uniqueKeyRefusesATwinFromTheOtherKind()
    {
        TempLibrary lib;
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Triangular));
        editor.addRow(rectangular(QStringLiteral("b001"), QStringLiteral("twin")));
        const Status status = editor.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 2);
        QVERIFY(status.error().engineMessage.contains(QStringLiteral("UNIQUE"), Qt::CaseInsensitive));
        QCOMPARE(editor.model().cell(1, 0), QStringLiteral("2#"));
        QCOMPARE(editor.rowWithFigureNumber(QStringLiteral("B001"), -1), 1);
        QCOMPARE(editor.rowWithFigureNumber(QStringLiteral("B001"), 1), -1);
        QCOMPARE(editor.rowWithFigureNumber(QStringLiteral("t001"), -1), 0);
        QCOMPARE(editor.rowWithFigureNumber(QStringLiteral("T001"), 0), -1);
    }

    void readOnlyLibraryStopsTheSaveAndKeepsEveryMark()
    {
        TempLibrary lib;
        lib.taprell.setOpenMode(OpenMode::ReadOnly);
        CatalogueEditor editor(lib.taprell);
        QVERIFY(editor.load(FigureKind::Rectangular));
        editor.changeRow(0, rowCells(editor, 0));
        editor.markDeleted(1);
        const Status status = editor.save();
        QVERIFY(!status);
        QVERIFY(status.error().cannotWrite());
        QCOMPARE(editor.model().cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(editor.model().cell(1, 0), QStringLiteral("2★"));
        QVERIFY(editor.model().hasUnsavedChanges());
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain")), QStringLiteral("6"));
    }

    void unopenableLibraryGivesAnEmptyListAndTheReason()
    {
        SKIP_ON_SERVER("the library file goes missing");
        TempLibrary lib;
        lib.settings.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Path"),
                              lib.dir.filePath(QStringLiteral("nowhere")));
        CatalogueEditor editor(lib.taprell);
        const Status status = editor.load(FigureKind::Rectangular);
        QVERIFY(!status);
        QVERIFY(status.error().message.contains(QStringLiteral("nowhere/dbase/system.mdb")));
        QCOMPARE(editor.model().size(), 0);
        QVERIFY(!QFile::exists(lib.dir.filePath(QStringLiteral("nowhere/dbase/system.mdb"))));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueEditor)
#include "tst_catalogueeditor.moc"
