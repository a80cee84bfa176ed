// SPDX-License-Identifier: GPL-3.0-or-later
// The plot window with 1,000,000 samples on TAS: building the index of their places on the canvas
// (once per drawing or size) and answering a hover from it, at many places over the diagram.
#include "BenchSupport.h"
#include <diagram/CurrentFigureSource.h>
#include <library/store/LibraryFile.h>
#include <plotwindow/fPlot.h>
#include <preview/FigureCanvas.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

class FixedFigure final : public CurrentFigureSource
{
public:
    std::optional<FigureRecord> currentFigure() const override
    {
        FigureRecord record;
        record.th = QStringLiteral("B001");
        return record;
    }
};

QString pastedAnalyses(qsizetype rows)
{
    QString text = QStringLiteral("Sample\tSiO2\tNa2O\tK2O\n");
    text.reserve(rows * 32);
    QRandomGenerator random(7);
    for (qsizetype r = 0; r < rows; ++r) {
        text += QStringLiteral("S%1\t%2\t%3\t%4\n")
                    .arg(r)
                    .arg(38 + random.generateDouble() * 40, 0, 'f', 2)
                    .arg(random.generateDouble() * 9, 0, 'f', 2)
                    .arg(random.generateDouble() * 6, 0, 'f', 2);
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_hover"), runs);
    bench::InstallFolder install([](const QString &file) {
        if (const Status status = LibraryFile::createSample(file); !status) {
            qFatal("cannot create the sample library: %s", qPrintable(status.error().details()));
        }
    });
    plot::MemorySettingsStore settings;
    plot::FigureSettings tas;
    tas.figureNumber = QStringLiteral("B001");
    tas.axes.x = QStringLiteral("SiO2");
    tas.axes.y = QStringLiteral("Na2O + K2O");
    settings.write(tas, nullptr);
    FixedFigure catalogue;
    constexpr qsizetype rows = 1000000;
    auto *window = new plotwindow::fPlot(install.taprell, install.dialogs, catalogue, &settings);
    window->resize(1400, 900);
    window->show();
    QEventLoop loop;
    QObject::connect(window, &plotwindow::fPlot::idle, &loop, &QEventLoop::quit);
    window->pasteTable(pastedAnalyses(rows));
    if (window->isBusy()) {
        loop.exec();
    }
    QApplication::processEvents();

    // Hovers at random places of the canvas; the first after a new size builds the index.
    const QSize size = window->canvas()->size();
    QRandomGenerator random(11);
    bench::Samples build;
    std::vector<double> hovers;
    qsizetype found = 0;
    for (int r = 0; r < runs; ++r) {
        window->canvas()->resize(size.width() - 1 - r % 2, size.height());
        QApplication::processEvents(); // the window builds the index when idle; timed by hand below
        window->canvas()->resize(size.width() - 2 + r % 2, size.height());
        build.append(bench::timeOurs([&] { window->sampleTextAt({1, 1}); }));
        for (int i = 0; i < 20000; ++i) {
            const QPoint at(int(random.bounded(window->canvas()->width())),
                            int(random.bounded(window->canvas()->height())));
            QElapsedTimer timer;
            timer.start();
            found += !window->sampleTextAt(at).isEmpty();
            hovers.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    std::sort(hovers.begin(), hovers.end());
    QTextStream out(stdout);
    out << rows << " samples on TAS, canvas " << size.width() << "x" << size.height() << ":\n"
        << "  index of places (after a new size): median " << QString::number(build.median() * 1000, 'f', 1)
        << " ms (runs " << QString::number(build.min() * 1000, 'f', 1) << "-"
        << QString::number(build.max() * 1000, 'f', 1) << ")\n"
        << "  hover, " << hovers.size() << " places: median " << QString::number(hovers[hovers.size() / 2], 'f', 4)
        << " ms, 99.9% under " << QString::number(hovers[hovers.size() * 999 / 1000], 'f', 4) << " ms, slowest "
        << QString::number(hovers.back(), 'f', 4) << " ms; " << found << " found a sample\n";
    bench::printLoad();
    delete window;
    return 0;
}
