// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include "WindowControls.h"
#include <catalogue/CatalogueEditor.h>
#include <catalogue/fMain.h>
#include <digitiser/DigitiserSession.h>
#include <digitiser/DigitiserTarget.h>
#include <figuredata/fPicData.h>
#include <labels/fPicLbl.h>
#include <preview/DigitiserCanvas.h>
#include <preview/FigureReader.h>
#include <preview/fPreview.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>

#include <cmath>

using namespace Qt::StringLiterals;

// The digitiser in the program as the user has it: the catalogue opens the data and label windows
// and the preview for figure B002, a scan of the figure is calibrated, and clicks on it edit the
// windows' working copies, which reach the library only through the windows' own save.
class TestDigitiserWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<fMain> catalogue;
    fPreview *preview = nullptr;
    fPicData *data = nullptr;
    fPicLbl *labels = nullptr;
    DiagramMapping mapping; // figure data -> scan pixel
    Figure figure;          // B002 as stored

    DigitiserCanvas *canvas() const { return preview->digitiserCanvas(); }
    const WorkingListModel &rows() const { return *data->editor().model(); }
    QList<QStringList> stored() const
    {
        return lib->rows(u"select ID, Series, curve, X, Y, L from pData where th = 'B002' order by ID"_s);
    }
    static void clickRow(QTreeView *list, int row)
    {
        const QModelIndex index = list->model()->index(row, 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }
    // Zoomed in twice, the place in the middle of the view: returns where it is on the canvas.
    QPoint bringToMiddle(QPointF data)
    {
        const QPoint middle(canvas()->width() / 2, canvas()->height() / 2);
        canvas()->setView(2, QPointF(middle) - mapping.toDevice(data) * 2);
        return middle;
    }
    void clickAt(QPointF data, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(canvas(), Qt::LeftButton, modifiers, bringToMiddle(data));
    }
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        preview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(preview));
        QTest::keyClick(preview, key, modifiers);
    }
    QPointF pointAt(int row) const { return {rows().cell(row, 3).toDouble(), rows().cell(row, 4).toDouble()}; }

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>();
        catalogue = std::make_unique<fMain>(lib->taprell, lib->dialogs);
        catalogue->setSettingsStore(&lib->settings);
        catalogue->show();
        QVERIFY(QTest::qWaitForWindowExposed(catalogue.get()));
        int row = -1;
        for (int r = 0; r < catalogue->editor().model().size(); ++r) {
            row = catalogue->editor().model().cell(r, CatalogueEditor::Th) == u"B002"_s ? r : row;
        }
        QVERIFY(row >= 0);
        clickRow(windowControl<QTreeView>(catalogue.get(), "LvFigure"), row);
        QTest::mouseClick(windowControl<QPushButton>(catalogue.get(), "CommandButton1"), Qt::LeftButton);
        QTest::mouseClick(windowControl<QPushButton>(catalogue.get(), "CommandButton2"), Qt::LeftButton);
        catalogue->showPreviewWindow();
        data = qobject_cast<fPicData *>(catalogue->figureDataWindow());
        labels = qobject_cast<fPicLbl *>(catalogue->figureLabelWindow());
        preview = qobject_cast<fPreview *>(catalogue->previewWindow());
        QVERIFY(data && labels && preview);
        QCOMPARE(data->editor().figureNumber(), u"B002"_s);
        preview->resize(900, 900);
        QVERIFY(QTest::qWaitForWindowExposed(preview));

        // The scan: the figure drawn by the renderer, as a PNG the user loads.
        QVERIFY(FigureReader::readFigure(lib->taprell.library(), u"B002"_s, &figure));
        QVERIFY(figure.points.size() >= 4);
        const DiagramRenderer renderer(figure);
        QImage scan = renderer.renderImage(QSize(900, 700));
        mapping = renderer.layout(QRectF(0, 0, 900, 700), &scan);
        const QString file = lib->dir.filePath(u"B002-scan.png"_s);
        QVERIFY(scan.save(file));
        QVERIFY(preview->loadUnderlay(file));
        for (QPointF at : {QPointF(50, 0), QPointF(70, 0), QPointF(45, 1), QPointF(45, 6)}) {
            clickAt(at);
        }
        windowControl<QLineEdit>(preview, "txtRefX1")->setText(u"50"_s);
        windowControl<QLineEdit>(preview, "txtRefX2")->setText(u"70"_s);
        windowControl<QLineEdit>(preview, "txtRefY3")->setText(u"1"_s);
        windowControl<QLineEdit>(preview, "txtRefY4")->setText(u"6"_s);
        QTest::mouseClick(windowControl<QPushButton>(preview, "cmdApplyCalibration"), Qt::LeftButton);
        QVERIFY2(preview->session().calibration().isValid(), qPrintable(lib->dialogs.shown.value(0).text));
        QCOMPARE(rows().size(), figure.points.size());
    }
    void cleanup()
    {
        // Straight away, without the windows' questions about unsaved rows.
        delete catalogue->previewWindow();
        delete catalogue->figureDataWindow();
        delete catalogue->figureLabelWindow();
        catalogue.reset();
        lib.reset();
    }

    void click_appendsAMarkedRow_thatOnlyTheWindowsSaveStores_andUndoTakesBack()
    {
        const int before = rows().size();
        const QList<QStringList> storedBefore = stored();
        clickAt({66, 3});
        QCOMPARE(rows().size(), before + 1);
        QCOMPARE(rows().state(before), RowState::New);
        QCOMPARE(rows().cell(before, 0), u"%1#"_s.arg(before + 1));
        QVERIFY(std::abs(pointAt(before).x() - 66) < 0.1);
        QVERIFY(std::abs(pointAt(before).y() - 3) < 0.05);
        // The window shows it as its own add button would: the new row chosen, in the fields.
        QCOMPARE(windowControl<QPushButton>(data, "cmdAddPoint")->text(), u"新 建"_s);
        QCOMPARE(windowControl<QLineEdit>(data, "tTxtBx3")->text(), rows().cell(before, 3));
        QCOMPARE(stored(), storedBefore);

        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rows().size(), before);
        QVERIFY(!data->editor().hasUnsavedChanges());

        clickAt({66, 3});
        clickAt({67, 4});
        QCOMPARE(stored(), storedBefore);
        QTest::mouseClick(windowControl<QPushButton>(data, "cmdSave"), Qt::LeftButton);
        const QList<QStringList> after = stored();
        QCOMPARE(after.size(), before + 2);
        QCOMPARE(after[before][0], QString::number(before + 1));
        QCOMPARE(after[before][3], rows().cell(before, 3));
        QCOMPARE(rows().cell(before + 1, 0), QString::number(before + 2));
        // A save is not the digitiser's: nothing left to undo.
        QVERIFY(!preview->session().canUndo());
    }

    // Where a scan pixel is on the screen: what the user sees move or not.
    QPoint onScreen(QPointF scanPixel) const { return canvas()->mapToGlobal(canvas()->toWidget(scanPixel).toPoint()); }

    void view_staysWhereTheUserLeftIt_untilTheUserAsksForTheWholeScan()
    {
        canvas()->setView(1.7, {-240, -130}); // as a zoom with the wheel leaves it
        const QPointF pixel(430, 310);
        const QPoint seen = onScreen(pixel);
        // The calibration panel that "应用定标" closed goes from the layout only now.
        QVERIFY(!windowControl<QGroupBox>(preview, "grpCalibration")->isVisible());
        const QPoint panelOpen = canvas()->mapTo(preview, QPoint(0, 0));
        QTRY_VERIFY(canvas()->mapTo(preview, QPoint(0, 0)) != panelOpen);
        QCOMPARE(onScreen(pixel), seen);
        const QPoint canvasAt = canvas()->mapTo(preview, QPoint(0, 0));

        // The first point of a new line is no problem while the line is being clicked in; once
        // N goes on to the next line, the problems box ("only one point") opens below.
        auto *problems = windowControl<QPlainTextEdit>(preview, "txtProblems");
        QVERIFY(!problems->isVisible());
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, canvas()->rect().center());
        QCOMPARE(rows().size(), figure.points.size() + 1);
        QVERIFY(!problems->isVisible());
        pressKey(Qt::Key_N);
        QTRY_VERIFY(problems->isVisible());
        QVERIFY(problems->toPlainText().contains(u"线号 4 只有一个点"_s));
        QCOMPARE(onScreen(pixel), seen);

        // The calibration panel opens above the canvas and closes again.
        QTest::mouseClick(windowControl<QPushButton>(preview, "cmdCalibrate"), Qt::LeftButton);
        QTRY_VERIFY(canvas()->mapTo(preview, QPoint(0, 0)) != canvasAt);
        QCOMPARE(onScreen(pixel), seen);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, canvas()->rect().center()); // a reference point
        QCOMPARE(onScreen(pixel), seen);
        QTest::mouseClick(windowControl<QPushButton>(preview, "cmdCancelCalibration"), Qt::LeftButton);
        QTRY_COMPARE(canvas()->mapTo(preview, QPoint(0, 0)), canvasAt);
        QCOMPARE(onScreen(pixel), seen);

        // Only the user's "全图" (or F) moves it: the whole scan in the canvas.
        pressKey(Qt::Key_F);
        QVERIFY(onScreen(pixel) != seen);
        const QRectF whole(canvas()->toWidget({0, 0}),
                           canvas()->toWidget(QPointF(canvas()->scan().width(), canvas()->scan().height())));
        QVERIFY(QRectF(canvas()->rect()).adjusted(-1, -1, 1, 1).contains(whole));
    }

    void lineNumber_startsAfterTheFiguresLines_stepsByOne_andNStartsANewLine()
    {
        auto *series = windowControl<QSpinBox>(preview, "spinSeries");
        QCOMPARE(series->value(), 4); // B002 has lines 1 to 3
        QCOMPARE(series->singleStep(), 1);
        QCOMPARE(series->minimum(), 1);
        clickAt({66, 3});
        clickAt({67, 4});
        const int first = figure.points.size();
        QCOMPARE(rows().cell(first, 1), u"4"_s);
        QCOMPARE(rows().cell(first, 5), u"0"_s); // a new line starts with line type 0
        QCOMPARE(rows().cell(first + 1, 1), u"4"_s);
        QCOMPARE(rows().cell(first + 1, 5), u"1"_s);

        pressKey(Qt::Key_N);
        QCOMPARE(series->value(), 5);
        clickAt({68, 5});
        QCOMPARE(rows().cell(first + 2, 1), u"5"_s);
        QCOMPARE(rows().cell(first + 2, 5), u"0"_s);

        // The arrows and typing in the box, as the user has them.
        series->setFocus();
        QTest::keyClick(series, Qt::Key_Down);
        QCOMPARE(series->value(), 4);
        QTest::keyClick(series, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(series, u"2"_s);
        QCOMPARE(series->value(), 2);
        QTest::keyClick(series, Qt::Key_N); // typing, not a new line
        QCOMPARE(series->value(), 2);
        clickAt({69, 5.5});
        QCOMPARE(rows().cell(first + 3, 1), u"2"_s);
        QCOMPARE(rows().cell(first + 3, 5), u"1"_s); // line 2 goes on
        series->setValue(0);
        QCOMPARE(series->value(), 1); // no line 0
    }

    void dragOfAStoredPoint_marksItsRowChanged()
    {
        const QPointF from = pointAt(1);
        const QPoint middle = bringToMiddle(from);
        QTest::mousePress(canvas(), Qt::LeftButton, {}, middle);
        QTest::mouseMove(canvas(), middle + QPoint(10, 0));
        QTest::mouseMove(canvas(), middle + QPoint(40, -20));
        QTest::mouseRelease(canvas(), Qt::LeftButton, {}, middle + QPoint(40, -20));
        QCOMPARE(rows().state(1), RowState::Changed);
        QCOMPARE(rows().cell(1, 0), u"2*"_s);
        QVERIFY(pointAt(1).x() > from.x());
        QVERIFY(pointAt(1).y() > from.y());
        QCOMPARE(rows().size(), figure.points.size());
        // The data window shows the dragged point as its chosen row.
        QCOMPARE(data->editor().currentRow(), 1);
        QCOMPARE(windowControl<QLineEdit>(data, "tTxtBx3")->text(), rows().cell(1, 3));
        QCOMPARE(stored()[1][3], figure.points[1].x);
    }

    void deleteOfAStoredPoint_thenSave_removesItAndNumbersTheRest()
    {
        const int count = rows().size();
        clickAt(pointAt(2), Qt::ControlModifier); // selects it in the data window
        QCOMPARE(data->editor().currentRow(), 2);
        pressKey(Qt::Key_Delete);
        QCOMPARE(rows().cell(2, 0), u"3★"_s);
        QCOMPARE(rows().state(2), RowState::Deleted);
        QCOMPARE(preview->session().target()->points().size(), count - 1);
        QCOMPARE(stored().size(), count);

        // Undo gives it back as it was; Delete again, and the save carries it out.
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rows().cell(2, 0), u"3"_s);
        QVERIFY(!data->editor().hasUnsavedChanges());
        clickAt(pointAt(2), Qt::ControlModifier);
        pressKey(Qt::Key_Delete);
        clickAt({69, 5.5}); // a new point after it
        QTest::mouseClick(windowControl<QPushButton>(data, "cmdSave"), Qt::LeftButton);

        const QList<QStringList> after = stored();
        QCOMPARE(after.size(), count);
        QCOMPARE(rows().size(), count);
        for (int i = 0; i < after.size(); ++i) {
            QCOMPARE(after[i][0], QString::number(i + 1));
            QCOMPARE(rows().cell(i, 0), QString::number(i + 1));
        }
        QCOMPARE(after[2][3], figure.points[3].x);
        QCOMPARE(after[1][3], figure.points[1].x);
        QVERIFY(std::abs(after.last()[3].toDouble() - 69) < 0.1);
    }

    void labelMode_addsALabelRowToTheLabelWindow_andClosedWindowsTakeNothing()
    {
        const int before = labels->editor().model().size();
        QTest::mouseClick(windowControl<QToolButton>(preview, "optModeLabels"), Qt::LeftButton);
        clickAt({55, 4.5});
        auto *editor = canvas()->findChild<QPlainTextEdit *>(u"txtLabelInPlace"_s);
        QVERIFY(editor);
        QTest::keyClicks(editor, u"Basalt"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        const WorkingListModel &list = labels->editor().model();
        QCOMPARE(list.size(), before + 1);
        QCOMPARE(list.state(before), RowState::New);
        QVERIFY(list.cell(before, 0).endsWith(u"#"_s));
        QCOMPARE(list.cell(before, LabelEditor::NameColumn), u"Basalt"_s);
        QVERIFY(std::abs(list.cell(before, LabelEditor::XColumn).toDouble() - 55) < 0.1);
        QCOMPARE(lib->scalar(u"select count(*) from picLable where th = 'B002'"_s), QString::number(before));

        // The windows closed (their questions answered Yes), the digitiser adds nothing and says why.
        lib->dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes};
        labels->close();
        data->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!catalogue->figureDataWindow());
        const qsizetype messages = lib->dialogs.shown.size();
        QTest::mouseClick(windowControl<QToolButton>(preview, "optModePoints"), Qt::LeftButton);
        clickAt({66, 3});
        QCOMPARE(lib->dialogs.shown.size(), messages + 1);
        QVERIFY(lib->dialogs.shown.last().text.contains(u"图版数据"_s));
        QCOMPARE(lib->scalar(u"select count(*) from picLable where th = 'B002'"_s), QString::number(before));
    }
};

QTEST_MAIN(TestDigitiserWindows)
#include "tst_digitiserwindows.moc"
