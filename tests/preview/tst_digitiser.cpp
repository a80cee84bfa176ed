// SPDX-License-Identifier: GPL-3.0-or-later
#include "InMemoryTarget.h"
#include "TempLibrary.h"
#include "WindowControls.h"
#include <catalogue/CatalogueEditor.h>
#include <digitiser/DigitiserSession.h>
#include <digitiser/Underlay.h>
#include <preview/DigitiserCanvas.h>
#include <preview/FigureReader.h>
#include <preview/fPreview.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <cmath>

using namespace Qt::StringLiterals;

// The digitiser as a user drives it: a figure of the sample library drawn by the renderer,
// turned and scaled like a scan, calibrated on its ticks and clicked in through the real canvas;
// the digitised values are compared with the figure's own.
class TestDigitiser : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<CatalogueEditor> catalogue;
    std::unique_ptr<fPreview> preview;
    std::unique_ptr<InMemoryTarget> target;

    struct Scan
    {
        QString file;
        QTransform transform; // renderer device -> scan pixel
        DiagramMapping mapping;
        Figure figure;
    };

    void show(const QString &figureNumber, FigureKind kind)
    {
        lib->taprell.setFigureKind(kind);
        QVERIFY(catalogue->load(kind));
        int row = -1;
        for (int r = 0; r < catalogue->model().size(); ++r) {
            if (catalogue->model().cell(r, CatalogueEditor::Th) == figureNumber) {
                row = r;
            }
        }
        catalogue->setCurrentRow(row);
        target = std::make_unique<InMemoryTarget>(figureNumber);
        preview->setDigitiserTarget(target.get());
    }

    Scan makeScan(const QString &figureNumber, double degrees, double scale)
    {
        Scan scan;
        if (!FigureReader::readFigure(lib->taprell.library(), figureNumber, &scan.figure)) {
            qFatal("cannot read the figure");
        }
        const DiagramRenderer renderer(scan.figure);
        const QSize size(900, 700);
        const QImage drawn = renderer.renderImage(size);
        scan.mapping = renderer.layout(QRectF(QPointF(0, 0), QSizeF(size)), const_cast<QImage *>(&drawn));
        scan.transform.translate(60, 40);
        scan.transform.rotate(degrees);
        scan.transform.scale(scale, scale);
        const QRectF bounds = scan.transform.mapRect(QRectF(QPointF(0, 0), QSizeF(size)));
        scan.transform *= QTransform::fromTranslate(-bounds.left() + 20, -bounds.top() + 20);
        QImage image(bounds.size().toSize() + QSize(40, 40), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setTransform(scan.transform);
        painter.drawImage(0, 0, drawn);
        painter.end();
        scan.file = lib->dir.filePath(figureNumber + u"-scan.png"_s);
        image.save(scan.file);
        return scan;
    }

    QPoint widgetPoint(const Scan &scan, QPointF data) const
    {
        return preview->digitiserCanvas()->toWidget(scan.transform.map(scan.mapping.toDevice(data))).toPoint();
    }
    void click(QPoint at, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(preview->digitiserCanvas(), Qt::LeftButton, modifiers, at);
    }
    // As a user clicks precisely: zoomed in (twice the scan's size), the place brought to the
    // middle of the view.
    void clickZoomed(const Scan &scan, QPointF data, Qt::KeyboardModifiers modifiers = {})
    {
        DigitiserCanvas *canvas = preview->digitiserCanvas();
        const QPoint middle(canvas->width() / 2, canvas->height() / 2);
        canvas->setView(2, QPointF(middle) - scan.transform.map(scan.mapping.toDevice(data)) * 2);
        click(middle, modifiers);
    }
    void type(const char *field, const QString &text)
    {
        auto *edit = windowControl<QLineEdit>(preview.get(), field);
        edit->setText(text);
    }
    void calibrateAxes(const Scan &scan, QPointF x1, QPointF x2, QPointF y1, QPointF y2)
    {
        for (QPointF data : {x1, x2, y1, y2}) {
            clickZoomed(scan, data);
        }
        type("txtRefX1", QString::number(x1.x()));
        type("txtRefX2", QString::number(x2.x()));
        type("txtRefY3", QString::number(y1.y()));
        type("txtRefY4", QString::number(y2.y()));
        QTest::mouseClick(windowControl<QPushButton>(preview.get(), "cmdApplyCalibration"), Qt::LeftButton);
    }
    // Clicks every point of the figure in; returns the largest and the mean error as a share of
    // the axis range (of a decade on a logarithmic axis).
    std::pair<double, double> clickThrough(const Scan &scan, double xRange, double yRange, bool logX, bool logY)
    {
        const QList<FigurePoint> &original = scan.figure.points;
        for (const FigurePoint &p : original) {
            clickZoomed(scan, {p.x.toDouble(), p.y.toDouble()}, Qt::ShiftModifier);
        }
        if (target->rows.size() != original.size()) {
            qFatal("clicks did not all append");
        }
        double worst = 0, sum = 0;
        for (int i = 0; i < original.size(); ++i) {
            auto error = [](const QString &got, const QString &want, bool log, double range) {
                return log ? std::abs(std::log10(got.toDouble()) - std::log10(want.toDouble()))
                           : std::abs(got.toDouble() - want.toDouble()) / range;
            };
            const double ex = error(target->rows[i].point.x, original[i].x, logX, xRange);
            const double ey = error(target->rows[i].point.y, original[i].y, logY, yRange);
            worst = std::max({worst, ex, ey});
            sum += ex + ey;
        }
        return {worst, sum / (2 * original.size())};
    }

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>();
        lib->taprell.setFigureKind(FigureKind::Rectangular);
        catalogue = std::make_unique<CatalogueEditor>(lib->taprell);
        QVERIFY(catalogue->load(FigureKind::Rectangular));
        preview = std::make_unique<fPreview>(lib->taprell, lib->dialogs, *catalogue);
        preview->setSettingsStore(&lib->settings);
        preview->resize(900, 900);
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview.get()));
    }
    void cleanup()
    {
        preview.reset();
        target.reset();
        catalogue.reset();
        lib.reset();
    }

    void roundTrip_linearFigure_turnedAndScaled()
    {
        show(u"B001"_s, FigureKind::Rectangular);
        const Scan scan = makeScan(u"B001"_s, 2.0, 1.3);
        QVERIFY(preview->loadUnderlay(scan.file));
        QVERIFY(windowControl<QGroupBox>(preview.get(), "grpCalibration")->isVisible());
        calibrateAxes(scan, {40, 0}, {75, 0}, {35, 2}, {35, 14});
        QVERIFY2(preview->session().calibration().isValid(), qPrintable(lib->dialogs.shown.value(0).text));
        const auto [worst, mean] = clickThrough(scan, 45, 16, false, false);
        qInfo("B001 linear, 2 degrees, x1.3: max error %.4f%%, mean %.4f%% of the axis range", worst * 100, mean * 100);
        QVERIFY(worst < 0.005);
        // Two decimals for a scan of about 20 pixels per unit: no 15-digit numbers.
        for (const auto &row : target->rows) {
            QVERIFY2(row.point.x.size() <= 6, qPrintable(row.point.x));
        }
    }

    void roundTrip_logLogFigure()
    {
        show(u"B003"_s, FigureKind::Rectangular);
        const Scan scan = makeScan(u"B003"_s, -1.5, 0.9);
        QVERIFY(preview->loadUnderlay(scan.file));
        calibrateAxes(scan, {10, 1}, {1000, 1}, {1, 10}, {1, 1000});
        QVERIFY2(preview->session().calibration().isValid(), qPrintable(lib->dialogs.shown.value(0).text));
        const auto [worst, mean] = clickThrough(scan, 0, 0, true, true);
        qInfo("B003 log-log, -1.5 degrees, x0.9: max error %.4f%%, mean %.4f%% of a decade", worst * 100, mean * 100);
        QVERIFY(worst < 0.005);
    }

    void roundTrip_triangularFigure()
    {
        show(u"T001"_s, FigureKind::Triangular);
        const Scan scan = makeScan(u"T001"_s, 3.0, 1.1);
        QVERIFY(preview->loadUnderlay(scan.file));
        for (QPointF corner : {QPointF(0, 0), QPointF(100, 0), QPointF(50, 86.6025)}) {
            clickZoomed(scan, corner);
        }
        QTest::mouseClick(windowControl<QPushButton>(preview.get(), "cmdApplyCalibration"), Qt::LeftButton);
        QVERIFY2(preview->session().calibration().isValid(), qPrintable(lib->dialogs.shown.value(0).text));
        const auto [worst, mean] = clickThrough(scan, 100, 100, false, false);
        qInfo("T001 triangle, 3 degrees, x1.1: max error %.4f%%, mean %.4f%% of the side", worst * 100, mean * 100);
        QVERIFY(worst < 0.005);
    }

    void clicksDragsAndKeys_editTheWorkingCopy_withUndo()
    {
        show(u"B002"_s, FigureKind::Rectangular);
        target->load({{u"1"_s, u"False"_s, u"50"_s, u"2"_s, u"0"_s}});
        const Scan scan = makeScan(u"B002"_s, 0, 1);
        QVERIFY(preview->loadUnderlay(scan.file));
        calibrateAxes(scan, {50, 0}, {70, 0}, {45, 1}, {45, 6});
        preview->digitiserCanvas()->setView(1, {-150, -150});

        // A plain click on empty paper appends a marked row on the chosen line.
        click(widgetPoint(scan, {60, 3}));
        QCOMPARE(target->rows.size(), 2);
        QCOMPARE(target->rows[1].mark, InMemoryTarget::Mark::New);
        QCOMPARE(target->rows[1].point.lineType, u"1"_s);
        // Ctrl+click on a point selects it; a drag moves it and marks it changed.
        click(widgetPoint(scan, {50, 2}), Qt::ControlModifier);
        QCOMPARE(target->selected, 0);
        auto *canvas = preview->digitiserCanvas();
        const QPoint from = widgetPoint(scan, {50, 2}), to = widgetPoint(scan, {55, 4});
        QTest::mousePress(canvas, Qt::LeftButton, {}, from);
        QTest::mouseMove(canvas, from + QPoint(10, 0));
        QTest::mouseMove(canvas, to);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
        QCOMPARE(target->rows[0].mark, InMemoryTarget::Mark::Changed);
        QVERIFY(std::abs(target->rows[0].point.x.toDouble() - 55) < 0.2);
        QCOMPARE(target->rows.size(), 2);

        // Line number 2 starts a new line: line type 0.
        windowControl<QSpinBox>(preview.get(), "spinSeries")->setValue(2);
        click(widgetPoint(scan, {65, 5}));
        QCOMPARE(target->rows[2].point.series, u"2"_s);
        QCOMPARE(target->rows[2].point.lineType, u"0"_s);

        preview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(preview.get()));
        QTest::keyClick(preview.get(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(preview.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(target->rows.size(), 2);
        QCOMPARE(target->rows[0].point.x, u"50"_s);
        target->selectPoint(1);
        QTest::keyClick(preview.get(), Qt::Key_Delete);
        QCOMPARE(target->rows.size(), 1);

        // Labels: typed in place, Enter places it.
        QTest::mouseClick(windowControl<QToolButton>(preview.get(), "optModeLabels"), Qt::LeftButton);
        click(widgetPoint(scan, {60, 1.5}));
        auto *editor = canvas->findChild<QPlainTextEdit *>(u"txtLabelInPlace"_s);
        QVERIFY(editor);
        QTest::keyClicks(editor, u"Tholeiite"_s);
        QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
        editor->insertPlainText(u"拉斑"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(target->labelRows.size(), 1);
        QCOMPARE(target->labelRows[0].text, u"Tholeiite\n拉斑"_s);
        QVERIFY(std::abs(target->labelRows[0].x.toDouble() - 60) < 0.2);

        // A paste with a bad row adds nothing and names the row.
        preview->pasteTable(u"61\t2\n62\tx\n"_s);
        QVERIFY(lib->dialogs.shown.last().text.contains(u"第 2 行"_s));
        QCOMPARE(target->rows.size(), 1);
    }

    QString status() const
    {
        const auto *line = preview->findChild<QLabel *>(u"lblDigitiserStatus"_s);
        return line ? line->text() : QString();
    }
    FigurePoint lastRow() const { return target->rows.last().point; }

    // A click a few pixels from a point, a frame's side or a point's X adds a point on the
    // current line snapped exactly onto it; only Ctrl+click selects; Shift+click does not snap.
    void click_nearAPointOrTheFrame_addsSnapped_ctrlSelects_shiftDoesNotSnap()
    {
        show(u"B002"_s, FigureKind::Rectangular);
        target->load({{u"1"_s, u"False"_s, u"50"_s, u"2"_s, u"0"_s}, {u"1"_s, u"False"_s, u"60"_s, u"2.5"_s, u"1"_s}});
        const Scan scan = makeScan(u"B002"_s, 0, 1);
        QVERIFY(preview->loadUnderlay(scan.file));
        calibrateAxes(scan, {50, 0}, {70, 0}, {45, 1}, {45, 6});
        preview->digitiserCanvas()->setView(1, {-150, -150});
        windowControl<QSpinBox>(preview.get(), "spinSeries")->setValue(2);

        struct Case
        {
            QPointF data;
            QPoint off; // widget pixels beside it
            Qt::KeyboardModifiers modifiers;
            QString x, y; // stored; empty: not this exact text
            QString said; // in the status line
        };
        const Case cases[] = {
            {{50, 2}, {3, -2}, {}, u"50"_s, u"2"_s, u"加了一点：线号 2　X 50　Y 2（落在已有的点上）"_s},
            {{60, 4.4}, {2, 0}, {}, u"60"_s, {}, u"X 与已有的点对齐"_s},
            {{45, 3.3}, {3, 0}, {}, u"45"_s, {}, u"落在图框上"_s},
            {{80, 7}, {-4, 3}, {}, u"80"_s, u"7"_s, u"落在图框的角上"_s},
            {{50, 2}, {3, 0}, Qt::ShiftModifier, {}, {}, u"Shift：没有对齐"_s},
        };
        for (const Case &c : cases) {
            const qsizetype before = target->rows.size();
            click(widgetPoint(scan, c.data) + c.off, c.modifiers);
            QCOMPARE(target->rows.size(), before + 1);
            QCOMPARE(lastRow().series, u"2"_s);
            if (!c.x.isEmpty()) {
                QCOMPARE(lastRow().x, c.x);
            } else {
                QVERIFY2(lastRow().x != u"50"_s && std::abs(lastRow().x.toDouble() - 50) < 0.3,
                         qPrintable(lastRow().x));
            }
            if (!c.y.isEmpty()) {
                QCOMPARE(lastRow().y, c.y);
            }
            QVERIFY2(status().contains(c.said), qPrintable(status()));
            QCOMPARE(target->selected, -1);
        }
        const qsizetype count = target->rows.size();
        click(widgetPoint(scan, {60, 2.5}) + QPoint(2, 2), Qt::ControlModifier);
        QCOMPARE(target->selected, 1);
        QCOMPARE(target->rows.size(), count);
        QVERIFY2(status().startsWith(u"选中了一点：线号 1　X 60　Y 2.5"_s), qPrintable(status()));
        // What each does is said before the first click too.
        show(u"B002"_s, FigureKind::Rectangular);
        QVERIFY2(status().contains(u"Ctrl+单击：选中点"_s), qPrintable(status()));
    }

    void triangle_clickNearTheApexOrASide_liesExactlyOnIt()
    {
        show(u"T001"_s, FigureKind::Triangular);
        const Scan scan = makeScan(u"T001"_s, 3.0, 1.1);
        QVERIFY(preview->loadUnderlay(scan.file));
        for (QPointF corner : {QPointF(0, 0), QPointF(100, 0), QPointF(50, 86.6025)}) {
            clickZoomed(scan, corner);
        }
        QTest::mouseClick(windowControl<QPushButton>(preview.get(), "cmdApplyCalibration"), Qt::LeftButton);
        preview->digitiserCanvas()->fitScan();
        click(widgetPoint(scan, {50, 86.6025}) + QPoint(2, 3));
        QCOMPARE(QStringList({lastRow().x, lastRow().y}), QStringList({u"50"_s, u"86.6025"_s}));
        // Halfway up the left side, 3 pixels off it; and on the base.
        click(widgetPoint(scan, {25, 43.3}) + QPoint(-3, 0));
        const double x = lastRow().x.toDouble(), y = lastRow().y.toDouble();
        QVERIFY2(std::abs(x - 25) < 1, qPrintable(lastRow().x));
        QCOMPARE(y, 86.6025 / 50 * x);
        QVERIFY2(status().contains(u"落在三角形的边上"_s), qPrintable(status()));
        click(widgetPoint(scan, {70, 0}) + QPoint(0, 2));
        QCOMPARE(lastRow().y, u"0"_s);
    }

    // The toolbar goes back to points, no curve, line type 1 for another figure; a pasted table
    // moves the line number past its lines.
    void tools_resetForAnotherFigure_andPasteMovesTheLineNumber()
    {
        show(u"B002"_s, FigureKind::Rectangular);
        auto *series = windowControl<QSpinBox>(preview.get(), "spinSeries");
        auto *curve = windowControl<QCheckBox>(preview.get(), "chkCurve");
        auto *lineType = windowControl<QComboBox>(preview.get(), "cboLineType");
        QCOMPARE(series->value(), 1);
        preview->pasteTable(u"50\t1\t3\n60\t2\t3\n70\t3\t5\n"_s);
        QCOMPARE(series->value(), 6);
        preview->pasteTable(u"50\t1\n60\t2\n"_s);
        QCOMPARE(target->rows.last().point.series, u"6"_s);
        QCOMPARE(series->value(), 7);
        QVERIFY2(status().contains(u"下一个点在线号 7 上"_s), qPrintable(status()));

        QTest::mouseClick(windowControl<QToolButton>(preview.get(), "optModeLabels"), Qt::LeftButton);
        curve->setChecked(true);
        lineType->setCurrentIndex(3);
        show(u"B001"_s, FigureKind::Rectangular);
        QVERIFY(windowControl<QToolButton>(preview.get(), "optModePoints")->isChecked());
        QCOMPARE(preview->digitiserCanvas()->mode(), DigitiserCanvas::Mode::Points);
        QVERIFY(!curve->isChecked());
        QCOMPARE(lineType->currentIndex(), 1);
    }

    // Ctrl+V of a spreadsheet's cells with decimal commas and a row of column names.
    void paste_readsDecimalCommasAndAHeader_andRefusesMixedSeparators()
    {
        show(u"B002"_s, FigureKind::Rectangular);
        preview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(preview.get()));
        QGuiApplication::clipboard()->setText(u"X\tY\n2,5\t3\n4,5\t6\n"_s);
        QTest::keyClick(preview.get(), Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(lib->dialogs.shown.isEmpty(), qPrintable(lib->dialogs.shown.value(0).text));
        QCOMPARE(target->rows.size(), 2);
        QCOMPARE(QStringList({target->rows[0].point.x, target->rows[0].point.y, target->rows[0].point.series}),
                 QStringList({u"2.5"_s, u"3"_s, u"1"_s}));
        QCOMPARE(QStringList({target->rows[1].point.x, target->rows[1].point.y, target->rows[1].point.series}),
                 QStringList({u"4.5"_s, u"6"_s, u"1"_s}));

        // Blanks and a tab in one line: refused with the reason, nothing of it added.
        QGuiApplication::clipboard()->setText(u"7\t8\n2,5 3\t4\n"_s);
        QTest::keyClick(preview.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QVERIFY2(lib->dialogs.shown.last().text.contains(u"第 2 行混用了两种分栏符"_s),
                 qPrintable(lib->dialogs.shown.last().text));
        QCOMPARE(target->rows.size(), 2);
    }

    void underlay_isRememberedPerFigure_andBadInputChangesNothing()
    {
        show(u"B002"_s, FigureKind::Rectangular);
        const Scan scan = makeScan(u"B002"_s, 0, 1);
        QVERIFY(preview->loadUnderlay(scan.file));
        calibrateAxes(scan, {50, 0}, {70, 0}, {45, 1}, {45, 6});
        const QPointF probe = preview->session().calibration().toData({300, 300});

        // Unreadable file: a message, the scan and calibration stay.
        QFile junk(lib->dir.filePath(u"junk.png"_s));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a picture");
        junk.close();
        QVERIFY(!preview->loadUnderlay(junk.fileName()));
        QVERIFY(lib->dialogs.shown.last().text.contains(u"读不出来"_s));
        QCOMPARE(preview->session().calibration().toData({300, 300}), probe);

        // A calibration with two equal values, or one at a single pixel: refused, the old one kept.
        QTest::mouseClick(windowControl<QPushButton>(preview.get(), "cmdCalibrate"), Qt::LeftButton);
        calibrateAxes(scan, {50, 0}, {50, 0}, {45, 1}, {45, 6});
        QVERIFY(lib->dialogs.shown.last().text.contains(u"同一个位置"_s));
        type("txtRefX2", u"abc"_s);
        QTest::mouseClick(windowControl<QPushButton>(preview.get(), "cmdApplyCalibration"), Qt::LeftButton);
        QVERIFY(lib->dialogs.shown.last().text.contains(u"不是数字"_s));
        QCOMPARE(preview->session().calibration().toData({300, 300}), probe);

        // Another figure has no scan; coming back brings this one and its calibration back,
        // from the user's settings, not from the library.
        show(u"B001"_s, FigureKind::Rectangular);
        QVERIFY(!preview->hasUnderlay());
        show(u"B002"_s, FigureKind::Rectangular);
        QVERIFY(preview->hasUnderlay());
        QCOMPARE(preview->session().calibration().toData({300, 300}), probe);
        QVERIFY(lib->settings.value(u"Taprell"_s, u"Underlay B002"_s, u"File"_s).endsWith(u"B002-scan.png"_s));
    }

    void logCalibrationValue_atOrBelowZero_isRefused()
    {
        show(u"B003"_s, FigureKind::Rectangular);
        const Scan scan = makeScan(u"B003"_s, 0, 1);
        QVERIFY(preview->loadUnderlay(scan.file));
        calibrateAxes(scan, {10, 1}, {1000, 1}, {1, 10}, {1, 1000});
        type("txtRefX1", u"0"_s);
        QTest::mouseClick(windowControl<QPushButton>(preview.get(), "cmdCalibrate"), Qt::LeftButton);
        for (QPointF data : {QPointF(10, 1), QPointF(1000, 1), QPointF(1, 10), QPointF(1, 1000)}) {
            clickZoomed(scan, data);
        }
        type("txtRefX1", u"0"_s);
        type("txtRefX2", u"1000"_s);
        type("txtRefY3", u"10"_s);
        type("txtRefY4", u"1000"_s);
        QTest::mouseClick(windowControl<QPushButton>(preview.get(), "cmdApplyCalibration"), Qt::LeftButton);
        QVERIFY2(lib->dialogs.shown.last().text.contains(u"大于 0"_s), qPrintable(lib->dialogs.shown.last().text));
        QVERIFY(preview->session().calibration().isValid()); // the earlier one
    }
};

QTEST_MAIN(TestDigitiser)
#include "tst_digitiser.moc"
