// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include "WindowControls.h"
#include <catalogue/fMain.h>
#include <preview/fPreview.h>
#include <widgets/WindowPlacement.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(WindowPlacement::Request)

// Where the catalogue's windows open: on a 1,600 x 1,000 screen (set up in main() below) and on
// given rectangles.
class TestWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void beside_staysOnTheScreen_andCoversTheLeast_data()
    {
        QTest::addColumn<WindowPlacement::Request>("request");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 1600, 1000);
        const QRect centred(286, 161, 1027, 678);
        const QList<QRect> buttons{{1136, 785, 65, 25}, {1222, 785, 65, 25}}; // 退 出 and 保 存
        QTest::addRow("room on the right")
            << WindowPlacement::Request{{100, 100, 800, 600}, {600, 700}, {600, 700}, screen, {}, {}, 0}
            << QRect(908, 100, 600, 700);
        QTest::addRow("room on the left only")
            << WindowPlacement::Request{{700, 100, 800, 600}, {600, 700}, {600, 700}, screen, {}, {}, 32}
            << QRect(92, 132, 600, 700);
        QTest::addRow("narrower room on the right: shrunk into it")
            << WindowPlacement::Request{{0, 0, 1027, 678}, {660, 760}, {500, 400}, screen, {}, {}, 0}
            << QRect(1035, 0, 565, 760);
        QTest::addRow("room below only: shrunk into it")
            << WindowPlacement::Request{{0, 0, 1600, 500}, {660, 760}, {500, 400}, screen, {}, {}, 0}
            << QRect(0, 508, 660, 492);
        QTest::addRow("no room anywhere: the side that leaves the buttons in sight, narrowed")
            << WindowPlacement::Request{centred, {664, 764}, {600, 500}, screen, buttons, {}, 0}
            << QRect(0, 161, 600, 764); // shrunk: it covers less
        QTest::addRow("taller than the screen: as tall as it")
            << WindowPlacement::Request{{0, 0, 800, 600}, {600, 1400}, {300, 300}, screen, {}, {}, 0}
            << QRect(808, 0, 600, 1000);
        QTest::addRow("another window on the right: the left, also free")
            << WindowPlacement::Request{{500, 100, 500, 500},  {400, 400}, {400, 400}, screen, {},
                                        {{1008, 0, 300, 900}}, 0}
            << QRect(92, 100, 400, 400);
        QTest::addRow("a second screen, no room beside: below, covering the least")
            << WindowPlacement::Request{{1700, 50, 1000, 700},
                                        {500, 600},
                                        {500, 600},
                                        {1600, 20, 1280, 1004},
                                        {},
                                        {},
                                        0}
            << QRect(1700, 424, 500, 600);
    }
    void beside_staysOnTheScreen_andCoversTheLeast()
    {
        QFETCH(WindowPlacement::Request, request);
        QFETCH(QRect, expected);
        const QRect placed = WindowPlacement::beside(request);
        QCOMPARE(placed, expected);
        QVERIFY(request.available.contains(placed));
    }

    // As reported: the catalogue centred on a 1,600-pixel screen, F5: the preview opened over
    // the catalogue's 保 存 and 退 出, its frame past the screen's right edge.
    void preview_opensOnTheScreen_leavingTheCataloguesButtonsInSight()
    {
        TempLibrary lib;
        fMain main(lib.taprell, lib.dialogs);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        const QRect screen = main.screen()->availableGeometry();
        QCOMPARE(screen.size(), QSize(1600, 1000));
        QTest::keyClick(&main, Qt::Key_F5);
        QWidget *preview = main.previewWindow();
        QVERIFY(preview && QTest::qWaitForWindowExposed(preview));
        const QRect frame = preview->frameGeometry();
        QVERIFY2(screen.contains(frame),
                 qPrintable(u"%1,%2 %3x%4"_s.arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
        for (const char *name : {"cmdSaveLvFigure", "cmdCancel"}) {
            const auto *button = windowControl<QPushButton>(&main, name);
            QVERIFY2(!frame.intersects(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())), name);
        }
        preview->close();
    }
};

int main(int argc, char *argv[])
{
    // The offscreen platform's screen, 1,600 x 1,000 as the users' screen was.
    QTemporaryDir dir;
    const QString config = dir.filePath(u"screen.json"_s);
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1600, "height": 1000}]})") < 0) {
        return 2;
    }
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    TestWindowPlacement test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowplacement.moc"
