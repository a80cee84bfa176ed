// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing speed: a 100,000-point figure into 1000x800, the frame time of a 100-point figure in
// the preview's size, and taprell-render --all --thumbnails over a library of 1,000 figures.
#include "BenchSupport.h"
#include "SqliteDirect.h"
#include <diagram/DiagramRenderer.h>
#include <library/store/LibraryFile.h>

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

// Boundary lines of random walks over a TAS-like frame: solid, dashed and curved runs, a few
// excursions beyond the range so clipping is part of the work.
Figure walkFigure(int points, int series)
{
    Figure figure;
    FigureRecord &r = figure.record;
    r.th = QStringLiteral("B999");
    r.tm = QStringLiteral("Benchmark");
    r.LB = QStringLiteral("B");
    r.X = {QStringLiteral("35"), QStringLiteral("80"),    QStringLiteral("1"), QStringLiteral("5"),
           QStringLiteral("0"),  QStringLiteral("False"), QStringLiteral("0")};
    r.Y = {QStringLiteral("0"),  QStringLiteral("16"),    QStringLiteral("1"), QStringLiteral("2"),
           QStringLiteral("35"), QStringLiteral("False"), QStringLiteral("0")};
    r.border = QStringLiteral("True");
    QRandomGenerator random(42);
    const int perSeries = points / series;
    for (int s = 1; s <= series; ++s) {
        double x = 35 + random.bounded(45.0), y = random.bounded(16.0);
        for (int i = 0; i < perSeries; ++i) {
            x += random.bounded(1.0) - 0.5;
            y += random.bounded(0.4) - 0.2;
            const int type = i == 0 ? 0 : (i / 50) % 3 == 1 ? 3 : 1;
            const bool curve = (i / 25) % 4 == 0;
            figure.points.append({QString::number(s), curve ? QStringLiteral("True") : QStringLiteral("False"),
                                  QString::number(x, 'g', 8), QString::number(y, 'g', 8), QString::number(type)});
        }
    }
    for (int i = 0; i < 20; ++i) {
        figure.labels.append(
            {QString::number(40 + i * 2), QString::number(2 + (i % 7) * 2), QStringLiteral("Field %1\n字段").arg(i)});
    }
    return figure;
}

void makeThousandFigureLibrary(const QString &file)
{
    if (const Status status = LibraryFile::createSample(file); !status) {
        qFatal("cannot create the library: %s", qPrintable(status.error().details()));
    }
    bench::sqlite::Connection db(file);
    // 6 sample figures and 166 copies of each under new numbers: 1,002; the last two go.
    db.execute("begin;"
               "create temp table n(k integer);"
               "with recursive c(k) as (select 1 union all select k + 1 from c where k < 166) "
               "insert into n select k from c;"
               "insert into pData select th || '-' || k, ID, Series, curve, X, Y, L from pData, n;"
               "insert into picLable select th || '-' || k, ID, X, Y, Lbl from picLable, n;"
               "insert into picMain select th || '-' || k, tm, figName || '-' || k, grp, LB, X1, X2, X3, "
               "X4, X5, X6, X7, Y1, Y2, Y3, Y4, Y5, Y6, Y7, border, specialCase, Comment, Vector, Bitmap "
               "from picMain, n;"
               "delete from picMain where rowid in (select rowid from picMain order by rowid desc limit 2);"
               "commit");
    QTextStream(stdout) << "library of " << db.scalar(QStringLiteral("select count(*) from picMain")) << " figures\n";
}

// The shortest of several runs: drawing has no side to compare with, so the least disturbed run counts.
double bestOf(int runs, const std::function<void()> &f)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        f();
        best = std::min(best, clock.nsecsElapsed() / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);

    // 100,000 points into 1000x800.
    const Figure big = walkFigure(100000, 100);
    QImage image(1000, 800, QImage::Format_ARGB32_Premultiplied);
    double prepare = bestOf(3, [&] { DiagramRenderer renderer(big); });
    const DiagramRenderer bigRenderer(big);
    const double paint = bestOf(3, [&] {
        QPainter painter(&image);
        bigRenderer.render(painter, QRectF(0, 0, 1000, 800));
    });
    out << "100,000 points, 1000x800: read " << QString::number(prepare, 'f', 3) << " s, draw "
        << QString::number(paint, 'f', 3) << " s, together " << QString::number(prepare + paint, 'f', 3)
        << " s = " << QString::number(100000 / (prepare + paint), 'f', 0) << " points/s\n";

    // A 100-point figure, one frame of the preview (620x520): read and draw, as after an edit.
    const Figure small = walkFigure(100, 4);
    QImage frame(620, 520, QImage::Format_ARGB32_Premultiplied);
    QList<double> frames;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer clock;
        clock.start();
        const DiagramRenderer renderer(small);
        QPainter painter(&frame);
        renderer.render(painter, QRectF(0, 0, 620, 520));
        painter.end();
        frames << clock.nsecsElapsed() / 1e6;
    }
    std::sort(frames.begin(), frames.end());
    out << "100 points, 620x520 frame: median " << QString::number(frames[frames.size() / 2], 'f', 2) << " ms, 95th "
        << QString::number(frames[frames.size() * 95 / 100], 'f', 2) << " ms\n";

    // taprell-render --all --thumbnails over 1,000 figures.
    QTemporaryDir dir;
    makeThousandFigureLibrary(QDir(dir.path()).filePath(QStringLiteral("dbase/system.mdb")));
    QProcess render;
    render.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    render.start(QStringLiteral(TAPRELL_RENDER),
                 {QStringLiteral("--library"), dir.path(), QStringLiteral("--all"), QStringLiteral("--thumbnails")});
    if (!render.waitForFinished(600000) || render.exitCode() != 0) {
        qFatal("taprell-render failed");
    }
    const double total = clock.elapsed() / 1000.0;
    const int written = static_cast<int>(QDir(QDir(dir.path()).filePath(QStringLiteral("Diagram/MiniMap")))
                                             .entryList({QStringLiteral("*.gif")}, QDir::Files)
                                             .size());
    out << "taprell-render --all --thumbnails: " << written << " thumbnails in " << QString::number(total, 'f', 2)
        << " s (" << QString::number(total / std::max(1, written) * 1000, 'f', 1) << " ms each)\n";
    return 0;
}
