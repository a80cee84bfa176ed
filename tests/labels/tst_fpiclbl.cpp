// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include "WindowControls.h"
#include <labels/fPicLbl.h>
#include <widgets/Twips.h>

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

#include <memory>

using namespace Qt::StringLiterals;

class TestFPicLbl : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> m_lib;
    std::unique_ptr<fPicLbl> m_window;

    void open(const QString &figure)
    {
        m_lib->taprell.setCurrentFigureNumber(figure);
        m_window = std::make_unique<fPicLbl>(m_lib->taprell, m_lib->dialogs);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    template <typename T = QWidget>
    T *find(const char *name) const
    {
        return windowControl<T>(m_window.get(), name);
    }

    QTreeView *list() const { return find<QTreeView>("LvFigure"); }
    QLineEdit *xBox() const { return find<QLineEdit>("tTxtBx1"); }
    QLineEdit *yBox() const { return find<QLineEdit>("tTxtBx2"); }
    QPlainTextEdit *nameBox() const { return find<QPlainTextEdit>("tTxtBx3"); }
    QString cell(int row, int column) const { return list()->model()->index(row, column).data().toString(); }

    void clickRow(int row) const
    {
        const QRect rect = list()->visualRect(list()->model()->index(row, 1));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void click(const char *button) const { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    // Clicks into a box and replaces its text by typing, as a user would.
    void type(QWidget *box, const QString &text) const
    {
        QWidget *target = qobject_cast<QPlainTextEdit *>(box) ? static_cast<QPlainTextEdit *>(box)->viewport() : box;
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(4, 4));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        const QStringList lines = text.split(u'\n');
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                QTest::keyClick(box, Qt::Key_Return);
            }
            QTest::keyClicks(box, lines[i]);
        }
    }
    QStringList stored(const QString &figure) const
    {
        QStringList result;
        for (const QStringList &r : m_lib->rows(
                 QStringLiteral("select ID, X, Y, Lbl from picLable where th = '%1' order by ID").arg(figure))) {
            result << r.join(u'|');
        }
        return result;
    }

private slots:
    void init() { m_lib = std::make_unique<TempLibrary>(); }
    void cleanup()
    {
        m_window.reset();
        m_lib.reset();
    }

    void layoutCaptionsAndTabOrder()
    {
        open(QStringLiteral("B001"));
        QVERIFY(m_window->isWindow());
        QCOMPARE(m_window->objectName(), QStringLiteral("fPicLbl"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Zozododeriv Evuzari—Figure Label  Manager：B001    "));
        QCOMPARE(m_window->size(), twipsSize(6540, 6060));

        // The window's controls as its description lays them out (twips; inside Frame1 relative
        // to the frame), with their captions.
        struct Placed
        {
            const char *name;
            const char *parent;
            QString caption;
            int left, top, width, height;
        };
        const Placed controls[] = {
            {"Label1", "fPicLbl", u"标签位置坐标值"_s, 720, 120, 1695, 255},
            {"LvFigure", "fPicLbl", {}, 120, 480, 4095, 5415},
            {"Frame1", "fPicLbl", u"标签属性编辑栏"_s, 4320, 360, 2055, 3255},
            {"Label5", "Frame1", u"X-值"_s, 180, 420, 495, 255},
            {"tTxtBx1", "Frame1", {}, 875, 360, 1000, 320},
            {"Label6", "Frame1", u"Y-值"_s, 180, 810, 495, 255},
            {"tTxtBx2", "Frame1", {}, 875, 750, 1000, 320},
            {"Label2", "Frame1", u"标签名称"_s, 240, 1320, 1095, 255},
            {"tTxtBx3", "Frame1", {}, 240, 1680, 1695, 975},
            {"Command1", "Frame1", u"新 建"_s, 960, 2760, 735, 375},
            {"CmdDelete", "fPicLbl", u"删 除"_s, 5280, 4080, 800, 375},
            {"cmdSave", "fPicLbl", u"保 存"_s, 5280, 4740, 800, 375},
            {"cmdCancel", "fPicLbl", u"退 出"_s, 5280, 5400, 800, 375},
        };
        for (const Placed &c : controls) {
            QWidget *control = find(c.name);
            QCOMPARE(control->parentWidget()->objectName(), QString::fromLatin1(c.parent));
            QCOMPARE(control->geometry(), twipsRect(c.left, c.top, c.width, c.height));
            if (const auto *label = qobject_cast<QLabel *>(control)) {
                QCOMPARE(label->text(), c.caption);
            } else if (const auto *button = qobject_cast<QPushButton *>(control)) {
                QCOMPARE(button->text(), c.caption);
            } else if (const auto *frame = qobject_cast<QGroupBox *>(control)) {
                QCOMPARE(frame->title(), c.caption);
            }
        }

        // The list's columns: header and width (twips).
        const std::pair<QString, int> columns[] = {
            {u"序号"_s, 540}, {u"x"_s, 760}, {u"y"_s, 760}, {u"标签名称"_s, 1900}};
        QCOMPARE(list()->model()->columnCount(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(list()->model()->headerData(i, Qt::Horizontal).toString(), columns[i].first);
            QCOMPARE(list()->header()->sectionSize(i), twips(columns[i].second));
        }

        // Load shows the first label in the boxes.
        QCOMPARE(xBox()->text(), QStringLiteral("42"));
        QCOMPARE(nameBox()->toPlainText(), QStringLiteral("Foidite\n副长石岩"));

        const QList<const char *> order = {"LvFigure", "tTxtBx2",   "tTxtBx1", "tTxtBx3",
                                           "Command1", "CmdDelete", "cmdSave", "cmdCancel"};
        find(order[0])->setFocus();
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[i]));
        }
        QCOMPARE(list()->model()->index(0, 0).data().toString(), QStringLiteral("1")); // tabbing changed nothing
    }

    void emptyFigureShowsTheDesignTimeTextsAndIgnoresClicks()
    {
        m_lib->taprell.setCurrentFigureNumber(QString());
        m_lib->exec(QStringLiteral("delete from picLable where th = 'B001'"));
        open(QString());
        QCOMPARE(m_lib->taprell.currentFigureNumber(), QStringLiteral("B001"));
        QVERIFY(m_window->windowTitle().endsWith(QStringLiteral("：B001    ")));
        QCOMPARE(list()->model()->rowCount(), 0);
        QCOMPARE(xBox()->text(), QStringLiteral("X-值"));
        QCOMPARE(yBox()->text(), QStringLiteral("Y-值"));
        QCOMPARE(nameBox()->toPlainText(), QStringLiteral("标签名称\n"));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        click("CmdDelete");
        type(xBox(), QStringLiteral("5"));
        click("cmdSave");
        QCOMPARE(list()->model()->rowCount(), 0);
        QVERIFY(m_lib->dialogs.shown.isEmpty());
    }

    void anEditReachesTheRowThatWasCurrentBeforeTheClick()
    {
        open(QStringLiteral("B003"));
        clickRow(2);
        QCOMPARE(xBox()->text(), QStringLiteral("5"));
        type(xBox(), QStringLiteral("6"));
        clickRow(3); // the x box loses the focus first: the edit goes to label 3
        QCOMPARE(cell(2, 0), QStringLiteral("3*"));
        QCOMPARE(cell(2, 1), QStringLiteral("6"));
        QCOMPARE(cell(3, 0), QStringLiteral("4"));
        QCOMPARE(xBox()->text(), QStringLiteral("500"));

        // Typing and pressing Save at once: the edit is saved in the same pass.
        type(nameBox(), QStringLiteral("ORG\nline two"));
        click("cmdSave");
        QCOMPARE(stored(QStringLiteral("B003")).mid(2),
                 (QStringList{u"3|6|2|VAG\n火山弧花岗岩"_s, u"4|500|2|ORG\nline two"_s}));
        QCOMPARE(cell(2, 0), QStringLiteral("3"));
        QCOMPARE(cell(3, 0), QStringLiteral("4"));
        QVERIFY(m_lib->dialogs.shown.isEmpty());
    }

    void addingALabelTakesTwoPresses()
    {
        open(QStringLiteral("B004"));
        QPushButton *add = find<QPushButton>("Command1");
        click("Command1");
        QCOMPARE(add->text(), QStringLiteral("加 入"));
        QCOMPARE(xBox()->text(), QString());
        QCOMPARE(nameBox()->toPlainText(), QStringLiteral("1"));
        type(xBox(), QStringLiteral("12"));
        type(yBox(), QStringLiteral("34"));
        type(nameBox(), QStringLiteral("New\nlabel"));
        click("Command1");
        QCOMPARE(add->text(), QStringLiteral("新 建"));
        QCOMPARE(list()->model()->rowCount(), 4);
        QCOMPARE(cell(3, 0), QStringLiteral("4#"));
        QCOMPARE(cell(0, 0), QStringLiteral("1")); // the boxes in add mode touched no row
        QCOMPARE(cell(0, 1), QStringLiteral("20"));
        QCOMPARE(list()->currentIndex().row(), 3);

        // The boxes show the new label, so an edit now goes to it and it stays new.
        type(xBox(), QStringLiteral("13"));
        click("Command1");
        QCOMPARE(cell(3, 0), QStringLiteral("4#"));
        QCOMPARE(cell(3, 1), QStringLiteral("13"));
        QCOMPARE(xBox()->text(), QString());
        clickRow(1); // a click on the list ends add mode
        QCOMPARE(add->text(), QStringLiteral("新 建"));
        QCOMPARE(list()->model()->rowCount(), 4);
        click("cmdSave");
        QCOMPARE(stored(QStringLiteral("B004")).last(), QStringLiteral("4|13|34|New\nlabel"));
    }

    void deleteMarksTheRowAndSaveRemovesIt()
    {
        open(QStringLiteral("B005"));
        clickRow(1);
        click("CmdDelete");
        QCOMPARE(cell(1, 0), QStringLiteral("2★"));
        QVERIFY(m_lib->dialogs.shown.isEmpty());
        click("cmdSave");
        QCOMPARE(stored(QStringLiteral("B005")).size(), 2);
        QCOMPARE(list()->model()->rowCount(), 2);
        QCOMPARE(cell(1, 0), QStringLiteral("3"));
        QCOMPARE(xBox()->text(), QStringLiteral("0.6"));
    }

    void aFailedSaveShowsTheErrorNoticeWithDetails()
    {
        open(QStringLiteral("B005"));
        type(yBox(), QStringLiteral("high"));
        click("cmdSave");
        QCOMPARE(m_lib->dialogs.shown.size(), 1);
        const Dialogs::Message &notice = m_lib->dialogs.shown.first();
        QCOMPARE(notice.text, QStringLiteral("不好意思，出错了！"));
        QCOMPARE(notice.buttons, Dialogs::Buttons::Ok);
        QVERIFY(notice.details.contains(QStringLiteral("字段：Y")));
        QVERIFY(notice.details.contains(QStringLiteral("行：1")));
        QCOMPARE(cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(yBox()->text(), QStringLiteral("high"));
    }

    void exitAndTheCloseBoxAskBeforeDroppingMarks()
    {
        open(QStringLiteral("B005"));
        click("cmdCancel");
        QVERIFY(!m_window->isVisible()); // nothing marked: no question
        QVERIFY(m_lib->dialogs.shown.isEmpty());

        open(QStringLiteral("B005"));
        type(xBox(), QStringLiteral("0.8"));
        m_window->close(); // the close box does not take the focus; the edit still counts
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_lib->dialogs.shown.size(), 1);
        QCOMPARE(m_lib->dialogs.shown.first().buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(cell(0, 0), QStringLiteral("1*"));

        m_lib->dialogs.answers = {Dialogs::Answer::Yes};
        click("cmdCancel");
        QVERIFY(!m_window->isVisible());
        QCOMPARE(stored(QStringLiteral("B005")).first(), QStringLiteral("1|0.7|2.2|Metaluminous\n准铝质"));
    }

    void showingAgainReloadsForAnotherFigureOnlyWhenAllowed()
    {
        open(QStringLiteral("B004"));
        m_window->showForCurrentFigure(); // same figure: the list stays as it is
        QCOMPARE(list()->model()->rowCount(), 3);
        clickRow(1);
        click("CmdDelete");

        m_lib->taprell.setCurrentFigureNumber(QStringLiteral("B001"));
        m_window->showForCurrentFigure();
        QCOMPARE(m_lib->dialogs.shown.size(), 1);
        QCOMPARE(cell(1, 0), QStringLiteral("2★")); // No keeps the list
        QVERIFY(m_window->windowTitle().contains(QStringLiteral("B004")));
        click("cmdSave"); // and saves it under the figure it was loaded for
        QCOMPARE(stored(QStringLiteral("B004")).size(), 2);
        QCOMPARE(stored(QStringLiteral("B001")).size(), 17);

        clickRow(0);
        click("CmdDelete");
        m_lib->dialogs.answers = {Dialogs::Answer::Yes};
        m_window->showForCurrentFigure();
        QCOMPARE(list()->model()->rowCount(), 17);
        QVERIFY(m_window->windowTitle().contains(QStringLiteral("B001")));
        QCOMPARE(xBox()->text(), QStringLiteral("42"));
        QCOMPARE(stored(QStringLiteral("B004")).size(), 2);
    }

    void aLibraryThatCannotBeOpenedIsNamedOnce()
    {
        SKIP_ON_SERVER("the library file goes missing");
        m_lib->settings.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Path"),
                                 m_lib->dir.filePath(QStringLiteral("missing")));
        open(QStringLiteral("B001"));
        QCOMPARE(m_lib->dialogs.shown.size(), 1);
        QVERIFY(m_lib->dialogs.shown.first().text.contains(QStringLiteral("missing/dbase/system.mdb")));
        QCOMPARE(list()->model()->rowCount(), 0);
        QCOMPARE(xBox()->text(), QStringLiteral("X-值"));
    }
};

QTEST_MAIN(TestFPicLbl)
#include "tst_fpiclbl.moc"
