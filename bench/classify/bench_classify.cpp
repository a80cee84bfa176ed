// SPDX-License-Identifier: GPL-3.0-or-later
// The fields of the demo's TAS: building them, and classifying 1,000,000 points against
// matplotlib's Path.contains_points over each field's polygon (what the field's Python tools
// do), on the same points, round by round in the same run.
#include "BenchSupport.h"
#include <classify/FieldMap.h>
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <preview/FigureReader.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <vector>

using namespace Classify;

namespace {

Figure demoFigure(const QString &folder, const QString &number)
{
    const QString file = folder + QStringLiteral("/system.mdb");
    if (const Status status = LibraryFile::createSample(file); !status) {
        qFatal("cannot create the sample library: %s", qPrintable(status.error().details()));
    }
    Library library;
    Figure figure;
    bool found = false;
    if (!library.open(file, OpenMode::ReadOnly) || !FigureReader::readFigure(library, number, &figure, &found) ||
        !found) {
        qFatal("cannot read figure %s", qPrintable(number));
    }
    return figure;
}

void write(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(file));
    }
}

// Builds the figure's fields, then classifies the points round by round: ours, then matplotlib
// over each field's polygon. Returns whether both named the same field for every point ours does
// not place on a boundary.
bool measure(const QString &title, const Figure &figure, const std::vector<double> &x, const std::vector<double> &y,
             const QString &folder, int runs)
{
    QTextStream out(stdout);
    bench::Samples build;
    for (int r = 0; r < runs; ++r) {
        build.append(bench::timeOurs([&] { const FieldMap map(figure); }));
    }
    const FieldMap map(figure);
    out << title << " (" << figure.points.size() << " points, " << figure.labels.size()
        << " labels): " << map.fields().size() << " fields, " << map.openEnds().size() << " open ends\n";
    for (const Field &field : map.fields()) {
        const char *flag = field.naming == Field::Naming::Ambiguous   ? " (ambiguous)"
                           : field.naming == Field::Naming::Unnamed   ? " (unnamed)"
                           : field.naming == Field::Naming::Neighbour ? " (across a dashed line)"
                                                                      : "";
        out << "  " << QString(field.name).replace(QLatin1Char('\n'), QLatin1Char(' ')) << flag << ", "
            << QString::number(field.share * 100, 'f', 1) << " % of the frame\n";
    }
    out << "building the fields: median " << QString::number(build.median() * 1000, 'f', 2) << " ms (runs "
        << QString::number(build.min() * 1000, 'f', 2) << "-" << QString::number(build.max() * 1000, 'f', 2)
        << " ms)\n";

    const QString pointsFile = folder + QStringLiteral("/points.f64");
    const QString polygonsFile = folder + QStringLiteral("/polygons.txt");
    const QString theirsFile = folder + QStringLiteral("/theirs.i32");
    const size_t count = x.size();
    std::vector<double> xy(2 * count);
    for (size_t i = 0; i < count; ++i) {
        xy[2 * i] = x[i];
        xy[2 * i + 1] = y[i];
    }
    write(pointsFile, QByteArray(reinterpret_cast<const char *>(xy.data()), static_cast<qsizetype>(xy.size() * 8)));
    QByteArray polygons;
    qsizetype vertices = 0;
    for (const Field &field : map.fields()) {
        for (QPointF p : field.rings.front()) {
            polygons += QByteArray::number(p.x(), 'g', 17) + ' ' + QByteArray::number(p.y(), 'g', 17) + ' ';
        }
        vertices += field.rings.front().size();
        polygons += '\n';
    }
    write(polygonsFile, polygons);
    out.flush();

    std::vector<Location> ours(count);
    bench::Samples classify, theirs;
    for (int r = 0; r < runs; ++r) {
        classify.append(bench::timeOurs([&] { map.locate(x, y, ours); }));
        QProcess python;
        python.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's Python, which has Debian's matplotlib.
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(CONTAINS_POINTS_SCRIPT), pointsFile, polygonsFile, theirsFile});
        if (!python.waitForFinished(600000) || python.exitCode() != 0) {
            qFatal("the matplotlib side failed (is python3-matplotlib installed?)");
        }
        bench::Timing timing;
        timing.wall = python.readAllStandardOutput().trimmed().toDouble();
        theirs.append(timing);
    }

    QFile theirsData(theirsFile);
    if (!theirsData.open(QIODevice::ReadOnly)) {
        qFatal("no result from the matplotlib side");
    }
    const QByteArray bytes = theirsData.readAll();
    const auto *field = reinterpret_cast<const qint32 *>(bytes.constData());
    size_t compared = 0, agreed = 0, boundary = 0;
    for (size_t i = 0; i < count; ++i) {
        if (ours[i].place == Place::Boundary) {
            ++boundary;
            continue;
        }
        ++compared;
        agreed += (ours[i].place == Place::Field ? ours[i].field : -1) == field[i];
    }
    out << "classifying " << count << " points (" << map.fields().size() << " polygons, " << vertices
        << " vertices for matplotlib): ours median " << QString::number(classify.median() * 1000, 'f', 1)
        << " ms (runs " << QString::number(classify.min() * 1000, 'f', 1) << "-"
        << QString::number(classify.max() * 1000, 'f', 1) << "), matplotlib Path.contains_points median "
        << QString::number(theirs.median() * 1000, 'f', 1) << " ms (runs "
        << QString::number(theirs.min() * 1000, 'f', 1) << "-" << QString::number(theirs.max() * 1000, 'f', 1)
        << "), ratio " << QString::number(classify.median() / theirs.median() * 100, 'f', 2) << " %\n";
    out << "same field as matplotlib for " << agreed << " of " << compared << " points off the boundaries (" << boundary
        << " on a boundary)\n";
    return agreed == compared;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_classify"), runs);
    QTemporaryDir dir;
    const Figure tas = demoFigure(dir.path(), QStringLiteral("B001"));
    // The 15 fields of Le Bas et al. alone: the same figure without the dashed alkaline divide
    // (line number 10), which cuts 8 more fields and adds the flattened curve's vertices.
    Figure fifteen = tas;
    fifteen.points.removeIf([](const FigurePoint &p) { return p.series.trimmed() == QStringLiteral("10"); });

    // 1,000,000 points over the frame and a little beyond it.
    constexpr int count = 1000000;
    std::vector<double> x(count), y(count);
    QRandomGenerator random(22);
    for (int i = 0; i < count; ++i) {
        x[i] = 34 + random.generateDouble() * 47;
        y[i] = -0.5 + random.generateDouble() * 17;
    }
    bool agreed = measure(QStringLiteral("TAS as drawn"), tas, x, y, dir.path(), runs);
    agreed = measure(QStringLiteral("TAS without the alkaline divide"), fifteen, x, y, dir.path(), runs) && agreed;
    bench::printLoad();
    return agreed ? 0 : 1;
}
