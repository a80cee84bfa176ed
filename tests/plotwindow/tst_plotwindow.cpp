// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include "WindowControls.h"
#include <catalogue/CatalogueEditor.h>
#include <diagram/SampleLayer.h>
#include <library/store/FigureAxes.h>
#include <plotwindow/fPlot.h>
#include <preview/FigureCanvas.h>
#include <preview/LibrarySettings.h>
#include <samples/DelimitedTable.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {

// Published analyses (wt%): a basalt, an andesite, a dacite, a rhyolite; one without SiO2.
const QString analyses = u"Sample\tRock\tSiO2\tNa2O\tK2O\tFeO\tFe2O3\tMgO\n"
                         "BHVO-2\tbasalt\t49.9\t2.22\t0.52\t9.8\t1.6\t7.23\n"
                         "AGV-2\tandesite\t59.3\t4.19\t2.88\t2.5\t4.2\t1.79\n"
                         "DA-1\tdacite\t65.8\t4.0\t2.1\t2.9\t1.1\t1.5\n"
                         "RGM-1\trhyolite\t73.4\t4.07\t4.3\t1.3\t0.5\t0.28\n"
                         "X-9\tbasalt\tn.d.\t2.5\t0.5\t9.0\t1.0\t7.0\n"_s;

} // namespace

class TestFPlot : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<CatalogueEditor> catalogue;
    std::unique_ptr<LibrarySettings> settings;
    std::unique_ptr<plotwindow::fPlot> window;

    bool waitIdle() { return !window->isBusy() || QSignalSpy(window.get(), &plotwindow::fPlot::idle).wait(20000); }
    QString cell(int row, const QString &header) const
    {
        const QAbstractItemModel *model = window->tableView()->model();
        for (int c = 0; c < model->columnCount(); ++c) {
            if (model->headerData(c, Qt::Horizontal).toString() == header) {
                return model->index(row, c).data().toString();
            }
        }
        return u"<no column %1>"_s.arg(header);
    }

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>();
        lib->taprell.setFigureKind(FigureKind::Rectangular);
        catalogue = std::make_unique<CatalogueEditor>(lib->taprell);
        QVERIFY(catalogue->load(FigureKind::Rectangular));
        catalogue->setCurrentRow(0); // B001, TAS
        settings = std::make_unique<LibrarySettings>(lib->taprell);
        window = std::make_unique<plotwindow::fPlot>(lib->taprell, lib->dialogs, *catalogue, settings.get());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup()
    {
        window.reset();
        settings.reset();
        catalogue.reset();
        lib.reset();
    }

    // Pasted analyses go on the catalogue's figure with its own expressions from the library: the
    // counts, the fields in the table, the groups and a hover that names the sample.
    void pastedAnalysesAreDrawnNamedAndCounted()
    {
        QCOMPARE(windowControl<QLineEdit>(window.get(), "txtX")->text(), u"SiO2"_s);
        window->pasteTable(analyses);
        QVERIFY(waitIdle());
        QCOMPARE(windowControl<QLabel>(window.get(), "txtXCheck")->text(), u"4 个样品有值"_s);
        QCOMPARE(window->tableView()->model()->rowCount(), 5);
        const QString field = u"TAS (Le Bas et al., 1986) 分类"_s;
        QCOMPARE(cell(0, field), u"Basalt 玄武岩"_s);
        QCOMPARE(cell(1, field), u"Trachy- andesite 粗面安山岩"_s);
        QCOMPARE(cell(3, field), u"Rhyolite 流纹岩"_s);
        QVERIFY(cell(4, field).contains(u"SiO2"_s)); // why it has no value
        QVERIFY(windowControl<QLabel>(window.get(), "lblCounts")->text().startsWith(u"4 个样品有值，1 个无值"_s));

        auto *group = windowControl<QComboBox>(window.get(), "cboGroup");
        group->setCurrentIndex(2); // "Rock" after "(no grouping)" and "Sample"
        emit group->activated(2);
        QCOMPARE(window->shownSamples()->groups().size(), 4);

        // Each symbol is where its sample is: the dacite's group colour at its point in the window.
        const QImage shot = window->grab().toImage();
        const QPoint dacite =
            window->canvas()->mapTo(window.get(), window->canvas()->mapping().toDevice({65.8, 6.1}).toPoint());
        QCOMPARE(shot.pixelColor(dacite * shot.devicePixelRatio()), window->shownSamples()->groups()[2].symbol.colour);

        // A hover over the rhyolite's symbol names it.
        const QPointF at = window->canvas()->mapping().toDevice({73.4, 8.37});
        QVERIFY(window->sampleTextAt(at.toPoint()).startsWith(u"RGM-1\nrhyolite\n"_s));
        QCOMPARE(window->sampleTextAt(QPoint(2, 2)), QString());

        // After the window changes size the hover follows the symbols to their new places.
        window->resize(window->width() - 300, window->height() - 150);
        QCoreApplication::processEvents();
        const QPointF moved = window->canvas()->mapping().toDevice({73.4, 8.37});
        QVERIFY(moved != at);
        QVERIFY(window->sampleTextAt(moved.toPoint()).startsWith(u"RGM-1\n"_s));
    }

    // An expression error says where it is and keeps the rest; an edited expression saved to the
    // library is what the next window reads.
    void expressionsAreCheckedAndSaved()
    {
        window->pasteTable(analyses);
        QVERIFY(waitIdle());
        auto *y = windowControl<QLineEdit>(window.get(), "txtY");
        y->setText(u"Na2O + * K2O"_s);
        emit y->textEdited(y->text());
        QVERIFY(windowControl<QLabel>(window.get(), "txtYCheck")->text().startsWith(u"第 8 个字符处"_s));
        y->setText(u"Na2O + K2O + 0"_s);
        emit y->textEdited(y->text());
        QVERIFY(waitIdle());
        QCOMPARE(windowControl<QLabel>(window.get(), "txtYCheck")->text(), u"5 个样品有值"_s);
        // A column the user names goes into the expressions.
        auto *named = windowControl<QLineEdit>(window.get(), "txtNamedColumns");
        named->setText(u"AK = Na2O + K2O；TWO = 2"_s);
        emit named->editingFinished();
        QVERIFY(waitIdle());
        y->setText(u"AK * TWO / 2"_s);
        emit y->textEdited(y->text());
        QVERIFY(waitIdle());
        QCOMPARE(windowControl<QLabel>(window.get(), "txtYCheck")->text(), u"5 个样品有值"_s);
        QCOMPARE(window->session().result(0).coordinates[1][3], 4.07 + 4.3);
        y->setText(u"Na2O + K2O + 0"_s);
        emit y->textEdited(y->text());
        QVERIFY(waitIdle());
        QVERIFY(window->saveSettings());
        std::optional<store::FigureAxes> stored;
        QVERIFY(store::Axes::read(lib->taprell.library(), u"B001"_s, &stored));
        QCOMPARE(stored->y, u"Na2O + K2O + 0"_s);
        QCOMPARE(stored->fieldNames.size(), 4); // the corrections it had are kept
    }

    // Several figures at once: each its own expressions and field column; the table exports.
    void severalFiguresAndTheTableExports()
    {
        window->pasteTable(analyses);
        QVERIFY(waitIdle());
        QVERIFY(window->addFigure(u"b002"_s));
        QVERIFY(waitIdle());
        QVERIFY(window->addFigure(u"T001"_s));
        QVERIFY(waitIdle());
        QCOMPARE(cell(0, u"K2O-SiO2 (Peccerillo & Taylor, 1976) 分类"_s), u"Calc-alkaline series 钙碱性系列"_s);
        QCOMPARE(cell(0, u"AFM (Irvine & Baragar, 1971) 分类"_s), u"Tholeiitic series 拉斑玄武岩系列"_s);
        const QString file = lib->dir.filePath(u"named.csv"_s);
        QVERIFY(window->exportTable(file));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().contains("AGV-2,andesite,59.3"));
        // Read back, it has the pasted columns, then each figure's coordinates and field.
        const samples::ReadResult back = samples::readDelimitedFile(file);
        QVERIFY2(back.ok(), qPrintable(back.error));
        const QStringList names = back.table.columnNames();
        QCOMPARE(names.size(), 8 + 3 + 3 + 4);
        QCOMPARE(names.mid(8, 3), (QStringList{u"TAS (Le Bas et al., 1986) x"_s, u"TAS (Le Bas et al., 1986) y"_s,
                                               u"TAS (Le Bas et al., 1986) 分类"_s}));
        QCOMPARE(names.last(), u"AFM (Irvine & Baragar, 1971) 分类"_s);
        QVERIFY(window->exportPicture(lib->dir.filePath(u"afm.svg"_s), {800, 600}, 96));
        QVERIFY(QFile::exists(lib->dir.filePath(u"afm.svg"_s)));
    }

    // A read that is cancelled, or a file that cannot be read, leaves the table as it was.
    void aFailedOrCancelledReadKeepsTheTable()
    {
        window->pasteTable(analyses);
        QVERIFY(waitIdle());
        const QString big = lib->dir.filePath(u"big.csv"_s);
        {
            QFile file(big);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Sample,SiO2,Na2O,K2O\n");
            const QByteArray row = "s,50.1,3.2,1.1\n";
            for (int i = 0; i < 400000; ++i) {
                file.write(row);
            }
        }
        window->openTable(big);
        window->cancel();
        QVERIFY(waitIdle());
        QCOMPARE(window->session().table().rowCount(), 5);
        window->openTable(lib->dir.filePath(u"missing.csv"_s));
        QVERIFY(waitIdle());
        QCOMPARE(window->session().table().rowCount(), 5);
        QVERIFY(!windowControl<QLabel>(window.get(), "lblMessage")->text().isEmpty());
    }
};

QTEST_MAIN(TestFPlot)
#include "tst_plotwindow.moc"
