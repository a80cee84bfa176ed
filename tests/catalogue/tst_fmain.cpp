// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlacedControls.h"
#include "TempLibrary.h"
#include "WindowControls.h"
#include <catalogue/fMain.h>
#include <widgets/Twips.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeView>
#include <QWindow>

#include <algorithm>
#include <iterator>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const Placed controls[] = {
    {"Opt1", "fMain", "QRadioButton", 480, 80, 3495, 375, u" 直角坐标图"},
    {"Opt2", "fMain", "QRadioButton", 5280, 120, 3015, 375, u" 三角形图"},
    {"lblNumber", "fMain", "QLabel", 10200, 165, 4815, 255, u"共有 0 个图版"}, // as the load of no figures sets it
    {"LvFigure", "fMain", "QTreeView", 200, 500, 15000, 4215},
    {"Image1", "fMain", "QLabel", 200, 4900, 5896, 5056, u""},
    {"Label1", "fMain", "QLabel", 6360, 5205, 735, 255, u"图  号"},
    {"tTh", "fMain", "QLineEdit", 7080, 5160, 855, 320, u""},
    {"cmdAddPic", "fMain", "QPushButton", 7920, 5175, 495, 265, u"新建"},
    {"Label2", "fMain", "QLabel", 8580, 5205, 495, 255, u"图名"},
    {"tPicName", "fMain", "QLineEdit", 9000, 5160, 6135, 320, u""},
    {"Label6", "fMain", "QLabel", 6360, 5715, 735, 255, u"缩略图"},
    {"tFigName", "fMain", "QLineEdit", 7080, 5640, 855, 320, u""},
    {"Label7", "fMain", "QLabel", 7920, 5655, 375, 255, u".gif", "Verdana"},
    {"Label3", "fMain", "QLabel", 9000, 5715, 855, 255, u"分组号"},
    {"comGroup", "fMain", "QComboBox", 9645, 5640, 1020, 315, u"1", "宋体"},
    {"Command1", "fMain", "QPushButton", 10800, 5580, 975, 375, u"显示分组"},
    {"Label5", "fMain", "QLabel", 13260, 5685, 975, 255, u"特殊处理号"},
    {"tSPCase", "fMain", "QLineEdit", 14280, 5640, 855, 320, u""},
    {"Frame1", "fMain", "QGroupBox", 6360, 6120, 7575, 1335, u" 坐标参数 "},
    {"sjx", "fMain", "QLabel", 6360, 6520, 7455, 735, u"三角形图解没有坐标参数", "楷体"},
    {"CheckVector", "fMain", "QCheckBox", 14200, 6360, 855, 255, u"矢量图"},
    {"CheckBitmap", "fMain", "QCheckBox", 14200, 6840, 975, 255, u"位 图"},
    {"tComment", "fMain", "QPlainTextEdit", 6360, 7680, 8895, 1335, u""},
    {"CommandButton1", "fMain", "QPushButton", 6600, 9360, 1455, 375, u"显示图版数据"},
    {"CommandButton2", "fMain", "QPushButton", 8376, 9360, 1335, 375, u"显示图版标签"},
    {"CmdDelete", "fMain", "QPushButton", 10032, 9360, 975, 375, u"删 除"},
    {"cmdUpdate", "fMain", "QPushButton", 11328, 9360, 1095, 375, u"刷新列表"},
    {"cmdCancel", "fMain", "QPushButton", 12744, 9360, 975, 375, u"退 出"},
    {"cmdSaveLvFigure", "fMain", "QPushButton", 14040, 9360, 975, 375, u"保 存"},
    // The axis frame: a header row at Top 240, the x row at 600, the y row at 960.
    {"Label8(0)", "Frame1", "QLabel", 720, 240, 615, 255, u"最小值"},
    {"Label14", "Frame1", "QLabel", 1560, 240, 615, 255, u"最大值"},
    {"Label8(1)", "Frame1", "QLabel", 2280, 240, 615, 255, u"次间隔"},
    {"Label8(2)", "Frame1", "QLabel", 3000, 240, 615, 255, u"主间隔"},
    {"Label9", "Frame1", "QLabel", 3840, 240, 735, 255, u"轴交点"},
    {"Label11", "Frame1", "QLabel", 4660, 240, 855, 255, u"对数坐标"},
    {"Label10", "Frame1", "QLabel", 5600, 240, 855, 255, u"小数位数"},
    {"Label12", "Frame1", "QLabel", 6600, 240, 855, 255, u"图形边框"},
    {"Label4", "Frame1", "QLabel", 120, 600, 495, 255, u"x-轴"},
    {"Label13", "Frame1", "QLabel", 120, 960, 495, 255, u"y-轴"},
    {"tX1", "Frame1", "QLineEdit", 660, 600, 780, 270, u"X1"},
    {"tX2", "Frame1", "QLineEdit", 1440, 600, 780, 270, u"X2"},
    {"tX3", "Frame1", "QLineEdit", 2220, 600, 780, 270, u"X3"},
    {"tX4", "Frame1", "QLineEdit", 3000, 600, 780, 270, u"X4"},
    {"tX5", "Frame1", "QLineEdit", 3780, 600, 780, 270, u"X5"},
    {"CheckX6", "Frame1", "QCheckBox", 4660, 600, 760, 255, u"对数"},
    {"CombX7", "Frame1", "QComboBox", 5560, 600, 900, 300},
    {"CheckBorder", "Frame1", "QCheckBox", 6600, 660, 795, 255, u"边框"},
    {"tY1", "Frame1", "QLineEdit", 660, 960, 780, 270, u"Y1"},
    {"tY2", "Frame1", "QLineEdit", 1440, 960, 780, 270, u"Y2"},
    {"tY3", "Frame1", "QLineEdit", 2220, 960, 780, 270, u"Y3"},
    {"tY4", "Frame1", "QLineEdit", 3000, 960, 780, 270, u"Y4"},
    {"tY5", "Frame1", "QLineEdit", 3780, 960, 780, 270, u"Y5"},
    {"CheckY6", "Frame1", "QCheckBox", 4700, 960, 760, 255, u"对数"},
    {"CombY7", "Frame1", "QComboBox", 5560, 960, 900, 300},
};

// The figure list's 24 columns: header and width (twips).
const std::pair<const char16_t *, int> columns[] = {
    {u"序号", 540}, {u"图号", 660}, {u"图名", 3600}, {u"缩略图", 720},    {u"分组", 540},   {u"X1", 560},
    {u"X2", 720},   {u"X3", 560},   {u"X4", 560},    {u"X5", 560},        {u"X6", 630},     {u"X7", 406},
    {u"Y1", 560},   {u"Y2", 720},   {u"Y3", 560},    {u"Y4", 560},        {u"Y5", 560},     {u"Y6", 630},
    {u"Y7", 406},   {u"边框", 630}, {u"特例", 560},  {u"图表说明", 3600}, {u"矢量图", 760}, {u"位图", 630},
};

const Placed &placed(const char *name)
{
    for (const Placed &c : controls) {
        if (qstrcmp(c.name, name) == 0) {
            return c;
        }
    }
    qFatal("%s is not in the layout table", name);
}

QRect placedRect(const char *name)
{
    const Placed &c = placed(name);
    return twipsRect(c.left, c.top, c.width, c.height);
}

} // namespace

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
        window = std::make_unique<fMain>(lib->taprell, lib->dialogs);
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

    // A figure file dropped on the catalogue is added under a new number when the library holds its
    // own; a file that is not one changes nothing and says why.
    void aDroppedFigureFileIsAddedUnderAFreeNumber()
    {
        open();
        const int before = model().rowCount();
        const QString file = lib->dir.filePath(u"tas.json"_s);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(
            R"({"fields": [{"name": "Basalt", "poly": [[45,0],[52,0],[52,5],[45,5]]}], "axes": ["SiO2", "Na2O+K2O"]})");
        out.close();
        QVERIFY(window->importFigures(file));
        QCOMPARE(model().rowCount(), before + 1);
        QVERIFY(lib->dialogs.shown.last().text.contains(u"B006"_s));
        QCOMPARE(lib->scalar(u"SELECT xExpr FROM picAxis WHERE th = 'B006'"_s), u"SiO2"_s);

        // A bundle of figures the library holds: asked, and left out on No.
        const QString bundle = lib->dir.filePath(u"b001.json"_s);
        QCOMPARE(QProcess::execute(QStringLiteral(TAPRELL_LIBRARY_TOOL),
                                   {u"export"_s, u"--figure"_s, u"B001"_s, lib->location(), bundle}),
                 0);
        lib->dialogs.answers = {Dialogs::Answer::No};
        QVERIFY(window->importFigures(bundle));
        QVERIFY(lib->dialogs.shown[lib->dialogs.shown.size() - 2].text.contains(u"B001"_s));
        QCOMPARE(model().rowCount(), before + 1);

        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write("{\"lines\": [");
        out.close();
        QVERIFY(!window->importFigures(file));
        QVERIFY(lib->dialogs.shown.last().text.contains(u"not JSON"_s));
        QCOMPARE(model().rowCount(), before + 1);
    }

    // Shown over a library without figures, so the edit controls keep the texts they start with.
    void layoutFollowsTheDescription()
    {
        lib = std::make_unique<TempLibrary>(TempLibrary::Content::Empty);
        open();
        QCOMPARE(window->windowTitle(), QStringLiteral(" Kalvor - Dozazoruzu Zurozur - 图版管理"));
        QCOMPARE(window->size(), twipsSize(15408, 10164));
        // Centred on the screen; the window frame, placed with it, may shift the client area by
        // its own thickness.
        const QPoint offCentre = window->geometry().center() - window->screen()->availableGeometry().center();
        const QMargins frame = window->windowHandle()->frameMargins();
        QVERIFY(qAbs(offCentre.x()) <= frame.left() + frame.right());
        QVERIFY(qAbs(offCentre.y()) <= frame.top() + frame.bottom());
        QVERIFY(lib->dialogs.shown.isEmpty());

        for (const Placed &c : controls) {
            const QWidget *control = find<QWidget>(c.name);
            QCOMPARE(actualLine(c, control), expectedLine(c));
            if (const auto *combo = qobject_cast<const QComboBox *>(control)) {
                QVERIFY2(combo->isEditable(), c.name); // the user may type into every combo box
            }
        }
        // Every named control of the window is in the table.
        const QStringList unlisted = unlistedControls(window.get(), list(), controls);
        QVERIFY2(unlisted.isEmpty(), qPrintable(unlisted.join(u", "_s)));
        QCOMPARE(shownColumns(list()), describedColumns(columns));

        // Choice lists.
        QStringList groups, places;
        for (int i = 1; i <= 10; ++i) {
            groups << QString::number(i);
        }
        places = QStringList{u"-1"_s, u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s};
        const std::pair<const char *, QStringList> choices[] = {
            {"comGroup", groups}, {"CombX7", places}, {"CombY7", places}};
        for (const auto &[name, items] : choices) {
            const QComboBox *combo = find<QComboBox>(name);
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i) {
                shown << combo->itemText(i);
            }
            QCOMPARE(shown, items);
        }

        // The looks the table names besides position and caption.
        QCOMPARE(find<QLabel>("lblNumber")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(find<QLabel>("lblNumber")->palette().color(QPalette::WindowText), QColor(Qt::blue));
        const QLabel *notice = find<QLabel>("sjx");
        QVERIFY(notice->font().bold());
        QCOMPARE(notice->alignment(), Qt::AlignCenter);
        QCOMPARE(notice->palette().color(QPalette::WindowText), QColor(Qt::red));
        QVERIFY(find<QLabel>("Image1")->hasScaledContents()); // the picture is stretched to the box
    }

    void opensWithTheRectangularFiguresAndTheFirstShown()
    {
        QFile gif(lib->dir.filePath(QStringLiteral("Diagram/MiniMap/BP001.gif")));
        QDir().mkpath(QFileInfo(gif).absolutePath());
        QVERIFY(gif.open(QIODevice::WriteOnly));
        gif.write(QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw=="));
        gif.close();
        open();
        QCOMPARE(find<QLabel>("lblNumber")->text(), QStringLiteral("共有 5 个图版"));
        QVERIFY(find<QRadioButton>("Opt1")->isChecked());
        QVERIFY(!find<QLabel>("sjx")->isVisible());
        QCOMPARE(text("tTh"), QStringLiteral("B001"));
        QCOMPARE(text("tFigName"), QStringLiteral("BP001"));
        QCOMPARE(find<QComboBox>("comGroup")->currentText(), QStringLiteral("1"));
        QCOMPARE(text("tX2"), QStringLiteral("80"));
        QVERIFY(find<QCheckBox>("CheckBorder")->isChecked());
        QVERIFY(find<QPlainTextEdit>("tComment")->toPlainText().startsWith(QStringLiteral("Chemical classification")));
        QVERIFY(!find<QLabel>("Image1")->pixmap().isNull());
        QCOMPARE(find<QLabel>("Image1")->geometry(), placedRect("Image1")); // put back in place after the picture load

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
        QCOMPARE(triangular->geometry(), placedRect("Opt2"));
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
