// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlacedControls.h"
#include "TempLibrary.h"
#include "WindowControls.h"
#include <groups/fGroup.h>
#include <widgets/Twips.h>

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
    {"LvGroup", "fGroup", "QTreeView", 120, 120, 4120, 3020, nullptr, "宋体"},
    {"Label1", "fGroup", "QLabel", 180, 3360, 615, 255, u"编 辑"},
    {"TextBox1", "fGroup", "QLineEdit", 720, 3240, 3500, 375},
    {"cmdAddGroup", "fGroup", "QPushButton", 840, 3840, 855, 375, u"添 加"},
    {"cmdDeleteGroup", "fGroup", "QPushButton", 2080, 3840, 855, 375, u"删 除"},
    {"cmdGrpUpdata", "fGroup", "QPushButton", 3320, 3840, 855, 375, u"保 存"},
};

// The group list's two columns: header and width (twips).
const std::pair<const char16_t *, int> columns[] = {{u"序号", 600}, {u"分组名称", 3200}};

} // namespace

class TestFGroup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<fGroup> window;
    QTreeView *list = nullptr;
    QLineEdit *box = nullptr;

    template <typename T>
    T *control(const char *name) const
    {
        return windowControl<T>(window.get(), name);
    }
    void clickRow(int row)
    {
        const QRect rect = list->visualRect(list->model()->index(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void click(const char *button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    void typeName(const QString &text)
    {
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->hasFocus());
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
    QString cell(int row, int column) const { return list->model()->index(row, column).data().toString(); }
    QList<QStringList> stored() const
    {
        return lib->rows(QStringLiteral("select grp, grpName from picType order by grp"));
    }

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>();
        window = std::make_unique<fGroup>(lib->taprell, lib->dialogs);
        list = control<QTreeView>("LvGroup");
        box = control<QLineEdit>("TextBox1");
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void cleanup()
    {
        lib->dialogs.answers = {Dialogs::Answer::Yes};
        window.reset();
        lib.reset();
    }

    void layoutFollowsTheDescription()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("Kalvor-Dovidid-分组管理"));
        QVERIFY(window->isWindow());
        QCOMPARE(window->size(), twipsSize(4428, 4344));

        for (const Placed &c : controls) {
            QCOMPARE(actualLine(c, control<QWidget>(c.name)), expectedLine(c));
        }
        // Every named control of the window is in the table.
        const QStringList unlisted = unlistedControls(window.get(), list, controls);
        QVERIFY2(unlisted.isEmpty(), qPrintable(unlisted.join(u", "_s)));
        QCOMPARE(shownColumns(list), describedColumns(columns));
    }

    void opensWithTheSortedListAndNoRowChosen()
    {
        QCOMPARE(list->model()->rowCount(), 4);
        QCOMPARE(cell(3, 0), QStringLiteral("4"));
        QVERIFY(box->text().isEmpty());
        QVERIFY(lib->dialogs.shown.isEmpty());
    }

    void renameIsCommittedToTheRowThatWasCurrentBeforeTheClick()
    {
        clickRow(0);
        QCOMPARE(box->text(), QStringLiteral("火山岩分类 (volcanic classification)"));
        typeName(QStringLiteral("basalts"));
        clickRow(2);
        QCOMPARE(cell(0, 1), QStringLiteral("basalts"));
        QCOMPARE(cell(0, 0), QStringLiteral("1*"));
        QCOMPARE(cell(2, 0), QStringLiteral("3"));
        QCOMPARE(box->text(), QStringLiteral("岩浆系列 (magma series)"));

        // An emptied box changes nothing; clicking the same row puts its name back.
        typeName(QString());
        clickRow(2);
        QCOMPARE(cell(2, 0), QStringLiteral("3"));
        QCOMPARE(box->text(), QStringLiteral("岩浆系列 (magma series)"));
    }

    void noCurrentRow_deleteAndLeavingTheBoxDoNothing()
    {
        list->setFocus(); // the view's focus cursor lands on row 0 by itself: that is no choice
        typeName(QStringLiteral("nobody"));
        click("cmdDeleteGroup");
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(cell(row, 0), QString::number(row + 1));
        }
        QVERIFY(!window->editor().hasUnsavedChanges());
    }

    void userStory_addRenameDeleteSave()
    {
        click("cmdAddGroup");
        QCOMPARE(cell(4, 0), QStringLiteral("5#"));
        QCOMPARE(cell(4, 1), QStringLiteral("在此输入新的组名"));
        clickRow(4);
        typeName(QStringLiteral("A'B group"));
        clickRow(1);
        click("cmdDeleteGroup");
        QCOMPARE(cell(1, 0), QStringLiteral("2d"));
        clickRow(2);
        typeName(QStringLiteral("magma"));
        click("cmdGrpUpdata"); // the typed name reaches row 3 before the save runs

        QVERIFY(lib->dialogs.shown.isEmpty());
        QCOMPARE(stored(), QList<QStringList>({{u"1"_s, u"火山岩分类 (volcanic classification)"_s},
                                               {u"3"_s, u"magma"_s},
                                               {u"4"_s, u"铝饱和度 (alumina saturation)"_s},
                                               {u"5"_s, u"A'B group"_s}}));
        QCOMPARE(list->model()->rowCount(), 4);
        QCOMPARE(cell(1, 0), QStringLiteral("3"));
        QCOMPARE(cell(3, 0), QStringLiteral("5"));
        QVERIFY(box->text().isEmpty());
        QVERIFY(!window->editor().hasUnsavedChanges());
    }

    void failingSave_showsTheNoticeAndKeepsTheMarks()
    {
        clickRow(0);
        typeName(QStringLiteral("kept"));
        clickRow(1);
        typeName(QStringLiteral("lost group"));
        lib->exec(QStringLiteral("delete from picType where grp = 2"));
        click("cmdGrpUpdata");

        QCOMPARE(lib->dialogs.shown.size(), 1);
        const Dialogs::Message notice = lib->dialogs.shown.first();
        QCOMPARE(notice.text, QStringLiteral("不好意思，出错了！"));
        QCOMPARE(notice.buttons, Dialogs::Buttons::Ok);
        QVERIFY(notice.details.contains(QStringLiteral("select grpName from picType where grp = 2")));
        QCOMPARE(cell(0, 0), QStringLiteral("1"));
        QCOMPARE(cell(1, 0), QStringLiteral("2*"));
        QCOMPARE(cell(1, 1), QStringLiteral("lost group"));
        QCOMPARE(stored().first().last(), QStringLiteral("kept"));
    }

    void closeAsksOnlyWhileRowsCarryMarks()
    {
        clickRow(3);
        click("cmdDeleteGroup");
        lib->dialogs.answers = {Dialogs::Answer::No};
        window->close();
        QVERIFY(window->isVisible());
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QCOMPARE(lib->dialogs.shown.last().buttons, Dialogs::Buttons::YesNo);

        click("cmdGrpUpdata");
        QCOMPARE(lib->dialogs.shown.size(), 1);
        clickRow(0);
        typeName(QStringLiteral("typed, not yet left"));
        lib->dialogs.answers = {Dialogs::Answer::Yes};
        window->close();
        QCOMPARE(lib->dialogs.shown.size(), 2); // the name still in the box counts as a change
        QVERIFY(!window->isVisible());
        QCOMPARE(stored().size(), 3);
        QCOMPARE(stored().first().last(), QStringLiteral("火山岩分类 (volcanic classification)"));
    }

    void missingLibrary_saysSoOnOpening()
    {
        SKIP_ON_SERVER("the library file goes missing");
        QFile::remove(lib->libraryFile());
        fGroup other(lib->taprell, lib->dialogs);
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QVERIFY(lib->dialogs.shown.first().text.contains(lib->libraryFile()));
        QCOMPARE(other.findChild<QTreeView *>(QStringLiteral("LvGroup"))->model()->rowCount(), 0);
    }
};

QTEST_MAIN(TestFGroup)
#include "tst_fgroup.moc"
