// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include "Twips.h"
#include "WindowControls.h"
#include "fMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include <memory>

class TestFMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<fMain> window;

    template <typename T>
    T *find(const char *name) const
    {
        return windowControl<T>(window.get(), name);
    }
    QString text(const char *name) const { return find<QLineEdit>(name)->text(); }
    QTreeView *list() const { return find<QTreeView>("LvFigure"); }
    const WorkingListModel &model() const { return window->editor().model(); }

    void open()
    {
        window = std::make_unique<fMain>(lib->taprell);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void clickRow(int row)
    {
        const QRect rect = list()->visualRect(model().index(row, 2));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void choose(const char *option)
    {
        QRadioButton *button = find<QRadioButton>(option);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    // A point of the list below its last row.
    QPoint emptyListSpace() const
    {
        const QRect last = list()->visualRect(model().index(model().size() - 1, 2));
        const QPoint point(last.center().x(), list()->viewport()->height() - 4);
        if (point.y() <= last.bottom()) {
            qFatal("the list has no empty space below its rows");
        }
        return point;
    }
    int selectedRow() const
    {
        const QModelIndexList rows = list()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    void click(const char *button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void type(const char *box, const QString &value)
    {
        QLineEdit *edit = find<QLineEdit>(box);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, value);
    }

private slots:
    void init() { lib = std::make_unique<TempLibrary>(); }
    void cleanup()
    {
        window.reset();
        lib.reset();
    }

    void opensWithTheRectangularFiguresAndTheFirstShown()
    {
        QFile gif(lib->dir.filePath(QStringLiteral("Diagram/MiniMap/BP001.gif")));
        QDir().mkpath(QFileInfo(gif).absolutePath());
        QVERIFY(gif.open(QIODevice::WriteOnly));
        gif.write(QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw=="));
        gif.close();
        open();
        QCOMPARE(window->windowTitle(), QStringLiteral(" Kalvor - Dozazoruzu Zurozur - 图版管理"));
        QCOMPARE(window->size(), twipsSize(15408, 10164));
        QCOMPARE(find<QLabel>("lblNumber")->text(), QStringLiteral("共有 5 个图版"));
        QCOMPARE(model().columnCount(), 24);
        QCOMPARE(list()->model()->headerData(21, Qt::Horizontal).toString(), QStringLiteral("图表说明"));
        QCOMPARE(list()->header()->sectionSize(2), twips(3600));
        QCOMPARE(list()->geometry(), twipsRect(200, 500, 15000, 4215));
        QCOMPARE(find<QLineEdit>("tX1")->geometry(), twipsRect(660, 600, 780, 270));
        QCOMPARE(find<QPushButton>("cmdSaveLvFigure")->text(), QStringLiteral("保 存"));
        QVERIFY(find<QRadioButton>("Opt1")->isChecked());
        QVERIFY(!find<QLabel>("sjx")->isVisible());
        QCOMPARE(text("tTh"), QStringLiteral("B001"));
        QCOMPARE(text("tFigName"), QStringLiteral("BP001"));
        QCOMPARE(find<QComboBox>("comGroup")->currentText(), QStringLiteral("1"));
        QCOMPARE(find<QComboBox>("comGroup")->count(), 10);
        QCOMPARE(find<QComboBox>("CombX7")->itemText(0), QStringLiteral("-1"));
        QCOMPARE(text("tX2"), QStringLiteral("80"));
        QVERIFY(find<QCheckBox>("CheckBorder")->isChecked());
        QVERIFY(find<QPlainTextEdit>("tComment")->toPlainText().startsWith(QStringLiteral("Chemical classification")));
        QVERIFY(!find<QLabel>("Image1")->pixmap().isNull());
        QCOMPARE(find<QLabel>("Image1")->geometry(), twipsRect(200, 4900, 5896, 5056));

        clickRow(3); // B004 has no thumbnail file: the picture goes
        QCOMPARE(text("tTh"), QStringLiteral("B004"));
        QVERIFY(find<QLabel>("Image1")->pixmap().isNull());
        QVERIFY(find<QCheckBox>("CheckX6")->isChecked());
    }

    void kindOptionsSwitchListAndAxisFrameButKeepTheEditControls()
    {
        open();
        choose("Opt2");
        QCOMPARE(find<QLabel>("lblNumber")->text(), QStringLiteral("共有 1 个图版"));
        QVERIFY(!find<QGroupBox>("Frame1")->isVisible());
        QVERIFY(find<QLabel>("sjx")->isVisible());
        QVERIFY(!find<QCheckBox>("CheckBorder")->isEnabled());
        QCOMPARE(text("tTh"), QStringLiteral("B001"));
        QCOMPARE(lib->taprell.figureKind(), FigureKind::Triangular);

        clickRow(0);
        QCOMPARE(text("tTh"), QStringLiteral("T001"));
        QCOMPARE(text("tX2"), QStringLiteral("80")); // axis controls keep what they showed

        choose("Opt1");
        QVERIFY(find<QGroupBox>("Frame1")->isVisible());
        QCOMPARE(model().size(), 5);
    }

    void newUpdateDeleteSaveReachTheLibrary()
    {
        open();
        click("cmdAddPic");
        QCOMPARE(text("tTh"), QStringLiteral("B006"));
        QCOMPARE(text("tFigName"), QStringLiteral("BP006"));
        QCOMPARE(text("tX1"), QString());
        QCOMPARE(find<QPushButton>("cmdUpdate")->text(), QStringLiteral("加入列表"));
        type("tPicName", QStringLiteral("Zr-Nb (O'Neil)"));
        find<QComboBox>("comGroup")->setEditText(QStringLiteral("2"));
        const QStringList values = {QStringLiteral("0.01"), QStringLiteral("10"), QStringLiteral("1"),
                                    QStringLiteral("1"), QStringLiteral("0.01")};
        for (int i = 0; i < 5; ++i) {
            type(QStringLiteral("tX%1").arg(i + 1).toLatin1().constData(), values[i]);
            type(QStringLiteral("tY%1").arg(i + 1).toLatin1().constData(), values[i]);
        }
        type("tSPCase", QStringLiteral("0"));
        click("cmdUpdate");
        QCOMPARE(model().size(), 6);
        QCOMPARE(model().cell(5, 0), QStringLiteral("6#"));
        QCOMPARE(find<QLabel>("lblNumber")->text(), QStringLiteral("共有 5 个图版")); // only a list load counts

        // A second press in add mode would add the same number again: refused.
        click("cmdUpdate");
        QCOMPARE(model().size(), 6);
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QVERIFY(lib->dialogs.shown.last().text.contains(QStringLiteral("B006")));

        clickRow(1);
        QCOMPARE(find<QPushButton>("cmdUpdate")->text(), QStringLiteral("刷新列表"));
        type("tX2", QStringLiteral("75"));
        click("cmdUpdate");
        QCOMPARE(model().cell(1, 0), QStringLiteral("2*"));
        QCOMPARE(model().cell(1, 6), QStringLiteral("75"));

        clickRow(4);
        click("CmdDelete");
        QCOMPARE(model().cell(4, 0), QStringLiteral("5★"));

        click("cmdSaveLvFigure");
        QCOMPARE(lib->dialogs.shown.size(), 1); // a save that succeeds says nothing
        QCOMPARE(model().cell(1, 0), QStringLiteral("2"));
        QCOMPARE(model().cell(5, 0), QStringLiteral("6"));
        QCOMPARE(lib->scalar(QStringLiteral("select X2 from picMain where th = 'B002'")), QStringLiteral("75"));
        QCOMPARE(lib->scalar(QStringLiteral("select tm from picMain where th = 'B006'")),
                 QStringLiteral("Zr-Nb (O'Neil)"));
        QCOMPARE(lib->scalar(QStringLiteral("select count(*) from picMain where th = 'B005'")), QStringLiteral("0"));

        // Closing after a complete save asks nothing.
        QVERIFY(window->close());
        QCOMPARE(lib->dialogs.shown.size(), 1);
    }

    void updateRefusesAnotherRowsNumberAndNoCurrentRowDoesNothing()
    {
        open();
        choose("Opt2"); // a reload leaves no current row
        click("cmdUpdate");
        click("CmdDelete");
        QVERIFY(!model().hasUnsavedChanges());
        choose("Opt1");
        clickRow(0);
        type("tTh", QStringLiteral("b002"));
        click("cmdUpdate");
        QVERIFY(!model().hasUnsavedChanges());
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QVERIFY(lib->dialogs.shown.first().text.contains(QStringLiteral("第 2 行")));
        type("tTh", QStringLiteral("b001")); // its own number in another case is no twin
        click("cmdUpdate");
        QCOMPARE(model().cell(0, 0), QStringLiteral("1*"));
    }

    void aClickOnEmptyListSpaceLeavesNoRowToActOn()
    {
        open();
        clickRow(1);
        QCOMPARE(window->currentRow(), 1);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, emptyListSpace());
        QCOMPARE(selectedRow(), -1);
        QCOMPARE(window->currentRow(), -1);
        type("tPicName", QStringLiteral("not for B002"));
        click("cmdUpdate");
        click("CmdDelete");
        QVERIFY(!model().hasUnsavedChanges());
        QCOMPARE(model().cell(1, 0), QStringLiteral("2"));
        QCOMPARE(model().cell(1, CatalogueEditor::Tm),
                 lib->scalar(QStringLiteral("select tm from picMain where th = 'B002'")));

        // Keys that select a row again give it back.
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Down);
        QVERIFY(selectedRow() >= 0);
        QCOMPARE(window->currentRow(), selectedRow());
    }

    void everyLoadSelectsTheFirstRowWithoutShowingIt()
    {
        open();
        clickRow(2);
        choose("Opt2");
        QCOMPARE(selectedRow(), 0);
        QCOMPARE(text("tTh"), QStringLiteral("B003")); // the edit controls keep the figure shown before
        QCOMPARE(window->currentRow(), -1);
        choose("Opt1");
        QCOMPARE(selectedRow(), 0);
        QCOMPARE(text("tTh"), QStringLiteral("B003"));
    }

    void aDoubleClickAnywhereInTheListOpensTheFigureDataWindow()
    {
        open();
        clickRow(3);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, emptyListSpace());
        QVERIFY(window->figureDataWindow());
        QCOMPARE(lib->taprell.currentFigureNumber(), QStringLiteral("B004")); // what tTh shows
        QVERIFY(window->figureDataWindow()->windowTitle().contains(QStringLiteral("B004")));
        delete window->figureDataWindow();
    }

    void optionButtonsTakeClicksAnywhereInTheirBox()
    {
        open();
        QRadioButton *triangular = find<QRadioButton>("Opt2");
        QCOMPARE(triangular->size(), twipsSize(3015, 375));
        QTest::mouseClick(triangular, Qt::LeftButton, {}, QPoint(triangular->width() - 3, triangular->height() / 2));
        QVERIFY(triangular->isChecked());
        QCOMPARE(lib->taprell.figureKind(), FigureKind::Triangular);
        QCOMPARE(model().size(), 1);

        QRadioButton *rectangular = find<QRadioButton>("Opt1");
        QTest::mouseClick(rectangular, Qt::LeftButton, {}, QPoint(rectangular->width() - 3, 2));
        QVERIFY(rectangular->isChecked());
        QCOMPARE(model().size(), 5);
    }

    void unsavedMarksAreNotDroppedWithoutAsking()
    {
        open();
        clickRow(0);
        click("CmdDelete");
        lib->dialogs.answers = {Dialogs::Answer::No};
        choose("Opt2");
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QVERIFY(find<QRadioButton>("Opt1")->isChecked());
        QCOMPARE(model().cell(0, 0), QStringLiteral("1★"));

        lib->dialogs.answers = {Dialogs::Answer::No};
        click("cmdCancel");
        QVERIFY(window->isVisible());
        QCOMPARE(lib->dialogs.shown.size(), 2);

        lib->dialogs.answers = {Dialogs::Answer::Yes};
        QVERIFY(window->close());
        QCOMPARE(lib->scalar(QStringLiteral("select count(*) from picMain")), QStringLiteral("6"));
    }

    void failingSaveShowsTheErrorNoticeWithDetails()
    {
        open();
        clickRow(2);
        type("tX1", QStringLiteral("one"));
        click("cmdUpdate");
        click("cmdSaveLvFigure");
        QCOMPARE(lib->dialogs.shown.size(), 1);
        const Dialogs::Message &notice = lib->dialogs.shown.first();
        QCOMPARE(notice.text, QStringLiteral("不好意思，出错了！"));
        QCOMPARE(notice.buttons, Dialogs::Buttons::Ok);
        QVERIFY(notice.details.contains(QStringLiteral("X1")));
        QVERIFY(notice.details.contains(QStringLiteral("one")));
        QVERIFY(notice.details.contains(QStringLiteral("行：3")));
        QCOMPARE(model().cell(2, 0), QStringLiteral("3*"));
    }

    void missingLibrarySaysWhichFileAndShowsAnEmptyList()
    {
        lib->settings.removeSection(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"));
        open();
        QCOMPARE(model().size(), 0);
        QCOMPARE(find<QLabel>("lblNumber")->text(), QStringLiteral("共有 0 个图版"));
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QVERIFY(lib->dialogs.shown.first().text.contains(QStringLiteral("/dbase/system.mdb")));
        click("cmdAddPic");
        QCOMPARE(text("tTh"), QStringLiteral("B001"));
    }

    void doubleClickOpensTheFigureDataWindowForThatRow()
    {
        open();
        const QRect rect = list()->visualRect(model().index(2, 1));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(lib->taprell.currentFigureNumber(), QStringLiteral("B003"));
        QVERIFY(window->figureDataWindow());
        QVERIFY(window->figureDataWindow()->isVisible());
        QVERIFY(window->figureDataWindow()->windowTitle().contains(QStringLiteral("B003")));
        delete window->figureDataWindow();
    }

    void eachOtherWindowOpensOnceAndFollowsTheFigure()
    {
        open();
        click("Command1");
        QPointer<QWidget> groups = window->groupWindow();
        QVERIFY(groups && groups->isVisible());
        click("Command1");
        QCOMPARE(window->groupWindow(), groups.data());

        clickRow(1);
        click("CommandButton2");
        QPointer<QWidget> labels = window->figureLabelWindow();
        QVERIFY(labels && labels->windowTitle().contains(QStringLiteral("B002")));
        clickRow(3);
        click("CommandButton2");
        QCOMPARE(window->figureLabelWindow(), labels.data());
        QVERIFY(labels->windowTitle().contains(QStringLiteral("B004")));

        click("CommandButton1");
        QPointer<QWidget> points = window->figureDataWindow();
        QVERIFY(points && points->windowTitle().contains(QStringLiteral("B004")));

        // Closed windows are gone; the next press opens a fresh one.
        QVERIFY(labels->close());
        QTRY_VERIFY(labels.isNull());
        QVERIFY(!window->figureLabelWindow());
        delete groups.data();
        delete points.data();
    }
};

QTEST_MAIN(TestFMain)
#include "tst_fmain.moc"
