// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include "WindowControls.h"
#include <catalogue/CatalogueEditor.h>
#include <catalogue/fMain.h>
#include <figuredata/fPicData.h>
#include <labels/fPicLbl.h>
#include <preview/FigureCanvas.h>
#include <preview/FigureReader.h>
#include <preview/PreviewFeed.h>
#include <preview/fPreview.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>

using namespace Qt::StringLiterals;

class TestFPreview : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<CatalogueEditor> catalogue;
    std::unique_ptr<fPreview> preview;

    int catalogueRowOf(const QString &number) const
    {
        for (int r = 0; r < catalogue->model().size(); ++r) {
            if (catalogue->model().cell(r, CatalogueEditor::Th) == number) {
                return r;
            }
        }
        return -1;
    }
    const Figure &shown() const { return preview->feed().figure(); }

    static void clickRow(QTreeView *list, int row)
    {
        const QModelIndex index = list->model()->index(row, 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }
    static void type(QWidget *window, const char *field, const QString &text)
    {
        auto *edit = windowControl<QLineEdit>(window, field);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>();
        lib->taprell.setFigureKind(FigureKind::Rectangular);
        lib->taprell.setThumbnailFolder(lib->dir.filePath(u"Diagram/MiniMap/"_s));
        catalogue = std::make_unique<CatalogueEditor>(lib->taprell);
        QVERIFY(catalogue->load(FigureKind::Rectangular));
        preview = std::make_unique<fPreview>(lib->taprell, lib->dialogs, *catalogue);
        catalogue->setCurrentRow(catalogueRowOf(u"B001"_s));
    }
    void cleanup()
    {
        preview.reset();
        catalogue.reset();
        lib.reset();
    }

    void showsTheCatalogueRow_withItsStoredPointsAndLabels_andItsUnsavedFields()
    {
        QCOMPARE(preview->windowTitle(), u"图版预览"_s);
        QCOMPARE(shown().record.th, u"B001"_s);
        QCOMPARE(shown().points.size(), 48);
        QCOMPARE(shown().labels.size(), 17);
        QCOMPARE(preview->problems(), QStringList());

        // 刷新列表 copies the controls into the row: the preview draws the unsaved values.
        QList<QString> cells = catalogue->model().row(catalogueRowOf(u"B001"_s)).cells;
        cells[CatalogueEditor::X1 + 1] = u"30"_s; // X2 below X1
        catalogue->changeRow(catalogueRowOf(u"B001"_s), cells);
        QCOMPARE(shown().record.X[1], u"30"_s);
        QVERIFY(preview->problems().join(u'\n').contains(u"不小于最大值"_s));

        catalogue->setCurrentRow(catalogueRowOf(u"B003"_s));
        QCOMPARE(shown().record.th, u"B003"_s);
        QCOMPARE(shown().points.size(), 8);
        catalogue->setCurrentRow(-1);
        QVERIFY(!preview->feed().hasFigure());
        QVERIFY(!windowControl<QPushButton>(preview.get(), "cmdThumbnail")->isEnabled());
    }

    // The fields view lists what keeps a definition from closing; extending an open end and
    // naming a field are kept in the store and change the fields at once, live with the figure.
    void theFieldsViewListsOpenEndsAndTakesCorrections()
    {
        plot::MemorySettingsStore store; // as a library without corrections for the figure
        preview->setPlotSettings(&store);
        catalogue->setCurrentRow(catalogueRowOf(u"B002"_s));
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview.get()));
        QTest::mouseClick(windowControl<QToolButton>(preview.get(), "optFields"), Qt::LeftButton);
        QVERIFY(preview->fields());
        QCOMPARE(preview->fields()->openEnds().size(), 2); // the upper series lines, as published
        auto *listed = windowControl<QPlainTextEdit>(preview.get(), "txtProblems");
        QCOMPARE(listed->toPlainText().count(u"没有接到别的线"_s), 2);
        const int before = int(preview->fields()->fields().size());

        QVERIFY(preview->extendEndAt(preview->fields()->openEnds().first().at));
        QCOMPARE(preview->fields()->openEnds().size(), 1);
        QCOMPARE(preview->fields()->fields().size(), before + 1);
        QVERIFY(preview->extendEndAt(preview->fields()->openEnds().first().at));
        QVERIFY(preview->fields()->openEnds().isEmpty());
        QVERIFY(!preview->extendEndAt({50, 1})); // no open end there

        QVERIFY(preview->nameFieldAt({50, 0.3}, u"Low-K"_s));
        QVERIFY(preview->nameFieldAt({50, 0.3}, u"Low-K tholeiite"_s)); // renamed, not named twice
        const std::optional<plot::FigureSettings> kept = store.read(u"B002"_s, nullptr);
        QVERIFY(kept);
        QCOMPARE(kept->extendToFrame.size(), 2);
        QCOMPARE(kept->fieldNames.size(), 1);
        const Classify::Location at = preview->fields()->locate({50, 0.3});
        QCOMPARE(preview->fields()->fields()[at.field].name, u"Low-K tholeiite"_s);

        // Off: no fields, no list of them.
        QTest::mouseClick(windowControl<QToolButton>(preview.get(), "optFields"), Qt::LeftButton);
        QVERIFY(!preview->fields());
        QVERIFY(!listed->toPlainText().contains(u"没有接到别的线"_s));
    }

    void followsAnEditInTheDataWindow_beforeItIsSaved_andHighlightsThePoint()
    {
        lib->taprell.setCurrentFigureNumber(u"B001"_s);
        fPicData data(lib->taprell, lib->dialogs);
        preview->followPoints(&data);
        data.show();
        data.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&data));
        auto *list = windowControl<QTreeView>(&data, "LvFigure");

        clickRow(list, 1);
        QCOMPARE(preview->feed().highlightedPoint(), 1);
        type(&data, "tTxtBx3", u"43.5"_s);
        clickRow(list, 2); // leaving the field commits it to point 2
        QVERIFY(preview->feed().pointsFromWorkingCopy());
        QCOMPARE(shown().points[1].x, u"43.5"_s);
        QCOMPARE(preview->feed().highlightedPoint(), 2);
        QCOMPARE(lib->scalar(u"select X from pData where th = 'B001' and ID = 2"_s), u"41"_s);

        type(&data, "tTxtBx4", u"1O"_s);
        clickRow(list, 3);
        QVERIFY(preview->problems().join(u'\n').contains(u"“1O”不是数字"_s));

        // The window closes without saving: the stored points are drawn again.
        data.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        preview->followPoints(nullptr);
        QCOMPARE(shown().points[1].x, u"41"_s);
        QVERIFY(!preview->feed().pointsFromWorkingCopy());
    }

    void followsTheLabelWindow_withoutLabelsMarkedForDeletion()
    {
        lib->taprell.setCurrentFigureNumber(u"B001"_s);
        fPicLbl labels(lib->taprell, lib->dialogs);
        preview->followLabels(&labels);
        QVERIFY(preview->feed().labelsFromWorkingCopy());
        QCOMPARE(shown().labels.size(), 17);
        labels.editor().chooseRow(0);
        QVERIFY(labels.editor().markCurrentDeleted());
        QCOMPARE(shown().labels.size(), 16);
        QCOMPARE(shown().labels[0].text, lib->scalar(u"select Lbl from picLable where th = 'B001' and ID = 2"_s));

        // A data window open for another figure is not this figure's working copy.
        lib->taprell.setCurrentFigureNumber(u"B002"_s);
        fPicData other(lib->taprell, lib->dialogs);
        preview->followPoints(&other);
        QVERIFY(!preview->feed().pointsFromWorkingCopy());
        QCOMPARE(shown().points.size(), 48);
    }

    // Every label of the sample figures sits inside its field, at the sizes the figures are seen
    // at: the catalogue's thumbnail, the preview, the default export and a large one.
    void sampleFigures_labelsCrossNoLine_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addRow("thumbnail") << QSize(393, 337);
        QTest::addRow("preview") << QSize(640, 520);
        QTest::addRow("export") << QSize(1000, 800);
        QTest::addRow("large") << QSize(1600, 1200);
    }
    void sampleFigures_labelsCrossNoLine()
    {
        QFETCH(QSize, size);
        QImage image(size, QImage::Format_RGB32);
        QStringList crossing;
        for (const QString &number : {u"B001"_s, u"B002"_s, u"B003"_s, u"B004"_s, u"B005"_s, u"T001"_s}) {
            Figure figure;
            QVERIFY(FigureReader::readFigure(lib->taprell.library(), number, &figure));
            QVERIFY(!figure.labels.isEmpty());
            for (int i : DiagramRenderer(figure).labelsOnLines(QRectF(image.rect()), &image)) {
                crossing << number + u' ' + figure.labels[i].text.simplified();
            }
        }
        QVERIFY2(crossing.isEmpty(), qPrintable(crossing.join(u", "_s)));
    }

    // A label moved onto a corner of two boundaries is named in a small note beside the source
    // line; moved back into its field, the note goes.
    void labelOnALine_isNotedBesideTheSourceLine()
    {
        preview->resize(700, 700);
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview.get()));
        auto *note = windowControl<QLabel>(preview.get(), "lblLabelsOnLines");
        QVERIFY(!note->isVisible());
        lib->exec(u"update picLable set X = 45, Y = 5 where th = 'B001' and ID = 7"_s);
        preview->feed().rereadLibrary();
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), u"⚠ 1 个标签压线"_s);
        QVERIFY2(note->toolTip().contains(u"第 7 个标签“Basalt 玄武岩”"_s), qPrintable(note->toolTip()));
        QVERIFY(lib->dialogs.shown.isEmpty());
        lib->exec(u"update picLable set X = 48.5, Y = 2.5 where th = 'B001' and ID = 7"_s);
        preview->feed().rereadLibrary();
        QVERIFY(!note->isVisible());
    }

    void hover_showsTheDataCoordinatesUnderTheMouse()
    {
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview.get()));
        FigureCanvas *canvas = preview->canvas();
        const QPoint at = canvas->mapping().toDevice({52.5, 14}).toPoint();
        QTest::mouseMove(canvas, at);
        const QString text = windowControl<QLabel>(preview.get(), "lblCoordinates")->text();
        QVERIFY2(text.contains(u"X = 52."_s) && text.contains(u"Y = 1"_s), qPrintable(text));
        QVERIFY(!text.contains(u"图外"_s));
    }

    void thumbnail_isWrittenAsGif_andAsksBeforeReplacing()
    {
        QSignalSpy written(preview.get(), &fPreview::thumbnailWritten);
        QVERIFY(preview->writeThumbnail());
        const QString file = lib->dir.filePath(u"Diagram/MiniMap/BP001.gif"_s);
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.first().first().toString(), file);
        QCOMPARE(QImage(file).size(), QSize(393, 337));
        QVERIFY(lib->dialogs.shown.isEmpty());

        QVERIFY(!preview->writeThumbnail()); // answered No
        QCOMPARE(lib->dialogs.shown.size(), 1);
        QCOMPARE(lib->dialogs.shown.first().buttons, Dialogs::Buttons::YesNo);
        lib->dialogs.answers = {Dialogs::Answer::Yes};
        QVERIFY(preview->writeThumbnail());
        QCOMPARE(written.size(), 2);

        // A figure without a thumbnail name cannot have a thumbnail.
        QList<QString> cells = catalogue->model().row(catalogueRowOf(u"B001"_s)).cells;
        cells[CatalogueEditor::FigName] = QString();
        catalogue->changeRow(catalogueRowOf(u"B001"_s), cells);
        QVERIFY(!preview->writeThumbnail());
        QVERIFY(lib->dialogs.shown.last().text.contains(u"没有缩略图名"_s));
    }

    void catalogue_opensOnePreviewByF5OrThumbnailClick_thatFollowsItsCurrentRow()
    {
        fMain main(lib->taprell, lib->dialogs);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTest::keyClick(&main, Qt::Key_F5);
        auto *shownPreview = qobject_cast<fPreview *>(main.previewWindow());
        QVERIFY(shownPreview);
        QVERIFY(shownPreview->isVisible());
        const QString first = shownPreview->feed().figure().record.th;
        QCOMPARE(first, main.editor().model().cell(0, CatalogueEditor::Th));

        auto *list = windowControl<QTreeView>(&main, "LvFigure");
        clickRow(list, 2);
        QCOMPARE(shownPreview->feed().figure().record.th, main.editor().model().cell(2, CatalogueEditor::Th));

        QTest::mouseClick(windowControl<QLabel>(&main, "Image1"), Qt::LeftButton);
        QCOMPARE(main.previewWindow(), shownPreview);

        // A thumbnail written from the preview is what the catalogue shows at once.
        lib->taprell.setThumbnailFolder(lib->dir.filePath(u"Diagram/MiniMap/"_s));
        QVERIFY(shownPreview->writeThumbnail());
        QVERIFY(!windowControl<QLabel>(&main, "Image1")->pixmap().isNull());
        shownPreview->close();
    }

    void export_writesTheChosenFormatAtTheChosenSize()
    {
        preview->setExportSize(QSize(320, 240));
        const QString png = lib->dir.filePath(u"b001.png"_s);
        QVERIFY(preview->exportTo(png));
        QCOMPARE(QImage(png).size(), QSize(320, 240));
        QVERIFY(!preview->exportTo(lib->dir.filePath(u"b001.txt"_s)));
        QVERIFY(lib->dialogs.shown.last().details.contains(u".svg"_s));
    }
};

QTEST_MAIN(TestFPreview)
#include "tst_fpreview.moc"
