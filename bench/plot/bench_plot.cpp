// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing a million samples into a 1000x800 PNG, against matplotlib drawing the same points as
// markers into a PNG of the same size, in the same run: median of the runs.
#include <diagram/FigureExport.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int count = 1000000;
    const QSize size(1000, 800);

    // Analyses spread as on a TAS diagram: a cloud of basalts to rhyolites, a few beyond the frame.
    std::mt19937_64 random(21);
    std::normal_distribution<double> silica(58, 9), alkalis(6, 2.5);
    std::vector<double> x(count), y(count);
    for (int i = 0; i < count; ++i) {
        x[size_t(i)] = silica(random);
        y[size_t(i)] = alkalis(random);
    }
    QTemporaryDir dir;
    const QString points = dir.filePath(QStringLiteral("points.f64"));
    {
        QFile file(points);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        file.write(reinterpret_cast<const char *>(x.data()), qint64(x.size() * sizeof(double)));
        file.write(reinterpret_cast<const char *>(y.data()), qint64(y.size() * sizeof(double)));
    }

    Figure figure;
    figure.record.th = QStringLiteral("B900");
    figure.record.LB = QStringLiteral("B");
    figure.record.X = {QStringLiteral("35"), QStringLiteral("80"),    QStringLiteral("1"), QStringLiteral("5"),
                       QStringLiteral("0"),  QStringLiteral("False"), QStringLiteral("0")};
    figure.record.Y = {QStringLiteral("0"),  QStringLiteral("16"),    QStringLiteral("1"), QStringLiteral("2"),
                       QStringLiteral("35"), QStringLiteral("False"), QStringLiteral("0")};
    const DiagramRenderer renderer(figure, Wording::English);

    std::vector<double> ours, theirs;
    std::printf("%d samples into a %dx%d PNG, %d runs\n", count, size.width(), size.height(), runs);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const SampleLayer layer = SampleLayer::points(x, y);
        RenderOptions options;
        options.samples = &layer;
        QString error;
        if (!FigureExport::write(renderer, dir.filePath(QStringLiteral("ours.png")), size, options, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        ours.push_back(clock.nsecsElapsed() / 1e9);

        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(PLOT_SCRIPT), points, QString::number(size.width()),
                      QString::number(size.height()), dir.filePath(QStringLiteral("theirs.png"))});
        if (!python.waitForFinished(600000) || python.exitCode() != 0) {
            std::fprintf(stderr, "matplotlib failed: %s\n", python.readAllStandardError().constData());
            return 1;
        }
        theirs.push_back(python.readAllStandardOutput().trimmed().toDouble());
        std::printf("run %d: taprell %.3f s, matplotlib %.3f s\n", run + 1, ours.back(), theirs.back());
    }
    {
        // Where the time goes, once.
        QElapsedTimer clock;
        clock.start();
        const SampleLayer layer = SampleLayer::points(x, y);
        const double made = clock.nsecsElapsed() / 1e6;
        const QImage bare = renderer.renderImage(size);
        const double figureOnly = clock.nsecsElapsed() / 1e6 - made;
        RenderOptions options;
        options.samples = &layer;
        const QImage image = renderer.renderImage(size, options);
        const double withSamples = clock.nsecsElapsed() / 1e6 - made - figureOnly;
        image.save(dir.filePath(QStringLiteral("parts.png")));
        const double png = clock.nsecsElapsed() / 1e6 - made - figureOnly - withSamples;
        std::printf("parts: layer %.1f ms, figure alone %.1f ms, figure with samples %.1f ms, PNG file %.1f ms\n", made,
                    figureOnly, withSamples, png);
    }
    const double a = median(ours), b = median(theirs);
    std::printf("median: taprell %.3f s (with the figure and the PNG file), matplotlib %.3f s, ratio %.3f "
                "(goal <= 0.25)\n",
                a, b, a / b);
    return 0;
}
