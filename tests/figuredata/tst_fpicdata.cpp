// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlacedControls.h"
#include "TempLibrary.h"
#include "WindowControls.h"
#include <figuredata/fPicData.h>
#include <widgets/Twips.h>

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <iterator>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const Placed controls[] = {
    {"LvFigure", "fPicData", "QTreeView", 120, 120, 4460, 6975},
    {"Frame2", "fPicData", "QGroupBox", 4680, 240, 2295, 3255, u"点属性编辑栏"},
    {"Label2", "Frame2", "QLabel", 240, 400, 495, 255, u"点 号"},
    {"tTxtBx0", "Frame2", "QLineEdit", 1100, 340, 1000, 320},
    {"Label3", "Frame2", "QLabel", 240, 784, 495, 255, u"线 号"},
    {"tTxtBx1", "Frame2", "QComboBox", 1100, 736, 1000, 300, u"1"},
    {"Label4", "Frame2", "QLabel", 120, 1168, 855, 255, u"是否曲线"},
    {"tTxtBx2", "Frame2", "QComboBox", 1100, 1112, 1000, 300, u"True"},
    {"Label5", "Frame2", "QLabel", 240, 1552, 495, 255, u"X-值"},
    {"tTxtBx3", "Frame2", "QLineEdit", 1100, 1488, 1000, 320},
    {"Label6", "Frame2", "QLabel", 240, 1936, 495, 255, u"Y-值"},
    {"tTxtBx4", "Frame2", "QLineEdit", 1100, 1884, 1000, 320},
    {"Label7", "Frame2", "QLabel", 240, 2320, 495, 255, u"线 型"},
    {"tTxtBx5", "Frame2", "QComboBox", 1100, 2280, 1000, 300, u"2"},
    {"cmdAddPoint", "Frame2", "QPushButton", 1080, 2760, 855, 375, u"添 加"},
    {"Frame1", "fPicData", "QGroupBox", 4680, 3840, 2295, 1840, u"线型说明"},
    {"Label1", "Frame1", "QLabel", 240, 320, 1815, 1455,
     u"线型是指从上一点到该点的连线类型,其中：\n 0 - 无线   \n 1 - 实绩\n 2 - 点线   \n 3 - 虚线", "宋体"},
    {"cmdSave", "fPicData", "QPushButton", 5880, 6000, 975, 375, u"保 存"},
    {"cmdCancel", "fPicData", "QPushButton", 5880, 6600, 975, 375, u"退 出"},
};

// The point list's six columns: header and width (twips).
const std::pair<const char16_t *, int> columns[] = {
    {u"点号", 540}, {u"线号", 540}, {u"是否曲线", 960}, {u"X-值", 800}, {u"Y-值", 800}, {u"线型", 540},
};

} // namespace

class TestFPicData : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<fPicData> window;
    QTreeView *list = nullptr;

    template <typename T>
    T *control(const char *name) const
    {
        return windowControl<T>(window.get(), name);
    }
    void openWindow()
    {
        window = std::make_unique<fPicData>(lib->taprell, lib->dialogs);
        list = control<QTreeView>("LvFigure");
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void clickRow(int row)
    {
        const QModelIndex index = list->model()->index(row, 1);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }
    void click(const char *button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    // Clicks into a text field, replaces its text by typing; the focus stays in it.
    void type(const char *field, const QString &text)
    {
        QWidget *target = window->findChild<QWidget *>(QString::fromLatin1(field));
        QLineEdit *edit = qobject_cast<QLineEdit *>(target);
        if (auto *combo = qobject_cast<QComboBox *>(target)) {
            edit = combo->lineEdit();
        }
        QTest::mouseClick(edit, Qt::LeftButton);
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    QString cell(int row, int column) const { return list->model()->index(row, column).data().toString(); }
    QString text(const char *field) const
    {
        QWidget *target = window->findChild<QWidget *>(QString::fromLatin1(field));
        if (auto *combo = qobject_cast<QComboBox *>(target)) {
            return combo->currentText();
        }
        return qobject_cast<QLineEdit *>(target)->text();
    }
    QList<QStringList> stored(const QString &figure) const
    {
        return lib->rows(u"select ID, Series, curve, X, Y, L from pData where th = '%1' order by ID"_s.arg(figure));
    }

private slots:
    void init() { lib = std::make_unique<TempLibrary>(); }
    void cleanup()
    {
        window.reset();
        lib.reset();
    }

    // Shown for a figure without points, so the fields keep the texts they start with.
    void layoutFollowsTheDescription()
    {
        lib = std::make_unique<TempLibrary>(TempLibrary::Content::Empty);
        openWindow();
        QCOMPARE(window->windowTitle(), u"Zozododeriv Evuzari—Figure Data Manager：B001    "_s);
        QVERIFY(window->isWindow());
        QCOMPARE(window->size(), twipsSize(7188, 7200));
        QVERIFY(lib->dialogs.shown.isEmpty());

        for (const Placed &c : controls) {
            const QWidget *field = control<QWidget>(c.name);
            QCOMPARE(actualLine(c, field), expectedLine(c));
            if (const auto *combo = qobject_cast<const QComboBox *>(field)) {
                QVERIFY2(combo->isEditable(), c.name);
            }
        }
        // Every named control of the window is in the table.
        const QStringList unlisted = unlistedControls(window.get(), list, controls);
        QVERIFY2(unlisted.isEmpty(), qPrintable(unlisted.join(u", "_s)));
        QCOMPARE(shownColumns(list), describedColumns(columns));

        QStringList lines, kinds;
        for (int i = 1; i <= 16; ++i) {
            lines << QString::number(i);
        }
        for (int i = 0; i <= 3; ++i) {
            kinds << QString::number(i);
        }
        const std::pair<const char *, QStringList> choices[] = {
            {"tTxtBx1", lines}, {"tTxtBx2", {u"True"_s, u"False"_s}}, {"tTxtBx5", kinds}};
        for (const auto &[name, items] : choices) {
            const QComboBox *combo = control<QComboBox>(name);
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i) {
                shown << combo->itemText(i);
            }
            QCOMPARE(shown, items);
        }
    }

    void opensForB001_withTheFirstRowChosenAndTheTabOrder()
    {
        openWindow();
        QCOMPARE(window->windowTitle(), u"Zozododeriv Evuzari—Figure Data Manager：B001    "_s);
        QCOMPARE(list->model()->rowCount(), 48);
        QCOMPARE(list->selectionModel()->selectedRows().first().row(), 0);
        QCOMPARE(text("tTxtBx0"), u"1"_s);
        QCOMPARE(text("tTxtBx3"), u"41"_s);
        QCOMPARE(text("tTxtBx2"), u"False"_s);

        // Tab order among the buttons and fields; the curve field comes last.
        QStringList order;
        QWidget *w = control<QPushButton>("cmdSave");
        for (int i = 0; i < 9; ++i, w = w->nextInFocusChain()) {
            while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty()) {
                w = w->nextInFocusChain();
            }
            order << w->objectName();
        }
        QCOMPARE(order, (QStringList{u"cmdSave"_s, u"cmdCancel"_s, u"cmdAddPoint"_s, u"tTxtBx0"_s, u"tTxtBx1"_s,
                                     u"tTxtBx3"_s, u"tTxtBx4"_s, u"tTxtBx5"_s, u"tTxtBx2"_s}));
    }

    void editThenClickAnotherRow_commitsToTheRowChosenBefore()
    {
        openWindow();
        clickRow(4);
        QCOMPARE(text("tTxtBx0"), u"5"_s);
        type("tTxtBx3", u"50.5"_s);
        clickRow(9);
        QCOMPARE(cell(4, 0), u"5*"_s);
        QCOMPARE(cell(4, 3), u"50.5"_s);
        QCOMPARE(text("tTxtBx0"), u"10"_s);
        QCOMPARE(text("tTxtBx3"), u"45"_s);

        // A combo box field commits the same way; typing back its snapshot is no change.
        type("tTxtBx1", u"12"_s);
        clickRow(10);
        QCOMPARE(cell(9, 1), u"12"_s);
        QCOMPARE(cell(9, 0), u"10*"_s);
        type("tTxtBx4", u"3"_s); // row 11 already holds Y 3
        clickRow(0);
        QCOMPARE(cell(10, 0), u"11"_s);
    }

    void editThenSaveAtOnce_storesTheEdit()
    {
        openWindow();
        clickRow(2);
        type("tTxtBx4", u"7.25"_s);
        click("cmdSave");
        QCOMPARE(cell(2, 0), u"3"_s);
        QCOMPARE(stored(u"B001"_s)[2][4], u"7.25"_s);
        QVERIFY(lib->dialogs.shown.isEmpty());
    }

    void deleteKeyInTheList_marksTheRow_andTheSaveRemovesThePoint()
    {
        openWindow();
        const QList<QStringList> before = stored(u"B001"_s);
        clickRow(1);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(cell(1, 0), u"2★"_s);
        QCOMPARE(list->model()->rowCount(), before.size());
        // Asked on exit like any other mark; No keeps the window.
        window->close();
        QVERIFY(window->isVisible());
        QCOMPARE(lib->dialogs.shown.size(), 1);

        click("cmdSave");
        QCOMPARE(list->model()->rowCount(), before.size() - 1);
        QCOMPARE(cell(1, 0), u"2"_s);
        QCOMPARE(cell(1, 3), before[2][3]);
        const QList<QStringList> after = stored(u"B001"_s);
        QCOMPARE(after.size(), before.size() - 1);
        QCOMPARE(after[1][0], u"2"_s);
        QCOMPARE(after[1][3], before[2][3]);
        // The fields show a row that is still there, and edits go to it.
        QCOMPARE(text("tTxtBx3"), cell(window->editor().currentRow(), 3));
    }

    void addButtonPreparesThenAppends_editsWhilePreparingChangeNoRow()
    {
        openWindow();
        clickRow(3);
        click("cmdAddPoint");
        QCOMPARE(control<QPushButton>("cmdAddPoint")->text(), u"加 入"_s);
        QCOMPARE(text("tTxtBx0"), u"49"_s);
        QCOMPARE(text("tTxtBx3"), QString());
        QCOMPARE(text("tTxtBx5"), u"1"_s);
        type("tTxtBx3", u"60"_s);
        type("tTxtBx4", u"4"_s);
        type("tTxtBx1", u"9"_s);
        QCOMPARE(cell(3, 0), u"4"_s);
        QCOMPARE(cell(3, 3), u"45"_s);
        click("cmdAddPoint");
        QCOMPARE(control<QPushButton>("cmdAddPoint")->text(), u"新 建"_s);
        QCOMPARE(list->model()->rowCount(), 49);
        QCOMPARE(cell(48, 0), u"49#"_s);
        QCOMPARE(cell(48, 1), u"9"_s);
        QCOMPARE(list->selectionModel()->selectedRows().first().row(), 48);

        // The fields show the new point; an edit now goes to it, not to row 4.
        type("tTxtBx3", u"61"_s);
        click("cmdAddPoint");
        QCOMPARE(control<QPushButton>("cmdAddPoint")->text(), u"加 入"_s);
        QCOMPARE(cell(48, 3), u"61"_s);
        QCOMPARE(cell(48, 0), u"49#"_s);
        QCOMPARE(cell(3, 0), u"4"_s);
        QCOMPARE(text("tTxtBx0"), u"50"_s);

        // A click in the list ends the add mode; the caption stays.
        clickRow(0);
        QCOMPARE(control<QPushButton>("cmdAddPoint")->text(), u"加 入"_s);
        QCOMPARE(text("tTxtBx3"), u"41"_s);
        click("cmdSave");
        const QList<QStringList> rows = stored(u"B001"_s);
        QCOMPARE(rows.size(), 49);
        QCOMPARE(rows[48], (QStringList{u"49"_s, u"9"_s, u"0"_s, u"61"_s, u"4"_s, u"1"_s}));
        QCOMPARE(cell(48, 0), u"49"_s);
    }

    void saveFailure_showsTheErrorNoticeAndKeepsTheMarks()
    {
        openWindow();
        clickRow(1);
        type("tTxtBx3", u"5,5"_s);
        click("cmdSave");
        QCOMPARE(lib->dialogs.shown.size(), 1);
        const Dialogs::Message notice = lib->dialogs.shown.first();
        QCOMPARE(notice.text, u"不好意思，出错了！"_s);
        QCOMPARE(notice.buttons, Dialogs::Buttons::Ok);
        QVERIFY(notice.details.contains(u"5,5"_s));
        QVERIFY(notice.details.contains(u"字段：X"_s));
        QCOMPARE(cell(1, 0), u"2*"_s);
        QCOMPARE(stored(u"B001"_s)[1][3], u"41"_s);
    }

    void showingAgainForAnotherFigure_reloadsAfterAsking()
    {
        openWindow();
        lib->taprell.setCurrentFigureNumber(u"B002"_s);
        window->showForCurrentFigure();
        QCOMPARE(list->model()->rowCount(), 15);
        QVERIFY(window->windowTitle().endsWith(u"B002    "_s));
        QVERIFY(lib->dialogs.shown.isEmpty());

        clickRow(0);
        type("tTxtBx3", u"1"_s);
        clickRow(1);
        lib->taprell.setCurrentFigureNumber(u"B003"_s);
        window->showForCurrentFigure(); // answered No: the window stays as it is
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QCOMPARE(list->model()->rowCount(), 15);
        QCOMPARE(cell(0, 0), u"1*"_s);
        click("cmdSave");
        QCOMPARE(stored(u"B002"_s)[0][3], u"1"_s);
        QCOMPARE(stored(u"B003"_s)[0][3], u"2"_s);

        clickRow(0);
        type("tTxtBx3", u"3"_s);
        clickRow(1);
        lib->dialogs.answers = {Dialogs::Answer::Yes};
        window->showForCurrentFigure();
        QCOMPARE(list->model()->rowCount(), 8);
        QVERIFY(window->windowTitle().endsWith(u"B003    "_s));
        QCOMPARE(text("tTxtBx3"), u"2"_s);
        QCOMPARE(stored(u"B002"_s)[0][3], u"1"_s);
    }

    void exitAsksBeforeDroppingMarks()
    {
        openWindow();
        clickRow(0);
        type("tTxtBx4", u"2"_s);
        click("cmdCancel"); // the edit is committed first, then the question answered No
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QVERIFY(window->isVisible());
        QCOMPARE(cell(0, 0), u"1*"_s);

        lib->dialogs.answers = {Dialogs::Answer::Yes};
        QVERIFY(window->close());
        QCOMPARE(stored(u"B001"_s)[0][4], u"0"_s);

        // Nothing to drop: no question.
        openWindow();
        lib->dialogs.shown.clear();
        QVERIFY(window->close());
        QVERIFY(lib->dialogs.shown.isEmpty());
    }

    void emptyFigure_firstPointIsNumberOne()
    {
        lib->taprell.setCurrentFigureNumber(u"Q'01"_s);
        openWindow();
        QCOMPARE(list->model()->rowCount(), 0);
        QVERIFY(lib->dialogs.shown.isEmpty());
        click("cmdAddPoint");
        QCOMPARE(text("tTxtBx0"), u"1"_s);
        type("tTxtBx3", u"0.5"_s);
        type("tTxtBx4", u"1e3"_s);
        click("cmdAddPoint");
        click("cmdSave");
        QCOMPARE(lib->rows(u"select th, ID, X, Y from pData where th = 'Q''01'"_s),
                 (QList<QStringList>{{u"Q'01"_s, u"1"_s, u"0.5"_s, u"1000"_s}}));
    }
};

QTEST_MAIN(TestFPicData)
#include "tst_fpicdata.moc"
