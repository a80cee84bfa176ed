// SPDX-License-Identifier: GPL-3.0-or-later
// A plot session over 1,000,000 samples on the demo's TAS and AFM: evaluating the axis
// expressions and classifying every sample, beside the same work done by hand with the
// expressions and the fields alone (the floor the session's bookkeeping adds to), round by round.
#include "BenchSupport.h"
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <plot/PlotSession.h>
#include <plot/TableExport.h>
#include <preview/FigureReader.h>

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <vector>

namespace {

Figure demoFigure(Library &library, const QString &number)
{
    Figure figure;
    bool found = false;
    if (!FigureReader::readFigure(library, number, &figure, &found) || !found) {
        qFatal("cannot read figure %s", qPrintable(number));
    }
    return figure;
}

samples::SampleTable randomTable(qsizetype rows)
{
    samples::TableBuilder builder;
    const QStringList names{QStringLiteral("SiO2"), QStringLiteral("Na2O"),  QStringLiteral("K2O"),
                            QStringLiteral("FeO"),  QStringLiteral("Fe2O3"), QStringLiteral("MgO")};
    builder.setHeader(names);
    builder.reserveRows(rows);
    QRandomGenerator random(21);
    for (qsizetype r = 0; r < rows; ++r) {
        builder.setNumber(0, 38 + random.generateDouble() * 40);
        builder.setNumber(1, random.generateDouble() * 9);
        builder.setNumber(2, random.generateDouble() * 6);
        builder.setNumber(3, random.generateDouble() * 12);
        builder.setNumber(4, random.generateDouble() * 4);
        builder.setNumber(5, random.generateDouble() * 10);
        builder.endRow();
    }
    return builder.take();
}

QString ms(const bench::Samples &samples)
{
    return QStringLiteral("median %1 ms (runs %2-%3), CPU %4 ms")
        .arg(samples.median() * 1000, 0, 'f', 1)
        .arg(samples.min() * 1000, 0, 'f', 1)
        .arg(samples.max() * 1000, 0, 'f', 1)
        .arg(samples.cpuMedian() * 1000, 0, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_plotsession"), runs);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("system.mdb"));
    if (const Status status = LibraryFile::createSample(file); !status) {
        qFatal("cannot create the sample library: %s", qPrintable(status.error().details()));
    }
    Library library;
    if (!library.open(file, OpenMode::ReadOnly)) {
        qFatal("cannot open the sample library");
    }
    const Figure tas = demoFigure(library, QStringLiteral("B001"));
    const Figure afm = demoFigure(library, QStringLiteral("T001"));
    constexpr qsizetype rows = 1000000;
    const samples::SampleTable table = randomTable(rows);
    const QList<samples::NamedColumn> named{{QStringLiteral("FeOt"), QStringLiteral("FeO + 0.8998*Fe2O3")}};
    const plot::AxisExpressions tasAxes{QStringLiteral("SiO2"), QStringLiteral("Na2O+K2O"), {}, {}, {}};
    const plot::AxisExpressions afmAxes{
        {}, {}, QStringLiteral("Na2O+K2O"), QStringLiteral("FeOt"), QStringLiteral("MgO")};

    plot::PlotSession session;
    session.setTable(table);
    session.setNamedColumns(named);
    session.addFigure({tas, tasAxes, {}});
    session.addFigure({afm, afmAxes, {}});
    session.compute(); // builds the fields once; the rounds below measure the work that follows

    bench::Samples ours, floor, oneAxis;
    qsizetype agreed = 0;
    for (int r = 0; r < runs; ++r) {
        // Everything evaluated and classified anew: a new table drops every evaluation.
        ours.append(bench::timeOurs([&] {
            session.setTable(table);
            session.compute();
        }));
        // One expression edited: that axis alone is evaluated again, then the figure located.
        oneAxis.append(bench::timeOurs([&] {
            session.setAxes(0, {QStringLiteral("SiO2"), QStringLiteral("Na2O+K2O+0.0"), {}, {}, {}});
            session.compute();
            session.setAxes(0, tasAxes);
        }));
        std::vector<Classify::Location> tasPlaces(static_cast<size_t>(rows)), afmPlaces(static_cast<size_t>(rows));
        floor.append(bench::timeOurs([&] {
            const auto x = samples::Expression::compile(tasAxes.x, table).evaluate(table);
            const auto y = samples::Expression::compile(tasAxes.y, table).evaluate(table);
            session.fieldMap(0)->locate(x.values(), y.values(), tasPlaces);
            const auto a = samples::Expression::compile(afmAxes.left, table, named).evaluate(table);
            const auto f = samples::Expression::compile(afmAxes.top, table, named).evaluate(table);
            const auto m = samples::Expression::compile(afmAxes.right, table, named).evaluate(table);
            session.fieldMap(1)->locateShares(a.values(), m.values(), f.values(), afmPlaces);
        }));
        session.compute();
        agreed = 0;
        for (qsizetype i = 0; i < rows; ++i) {
            agreed += session.result(0).locations[size_t(i)] == tasPlaces[size_t(i)] &&
                      session.result(1).locations[size_t(i)] == afmPlaces[size_t(i)];
        }
    }
    // The exported table: the six columns, then x, y and the field of TAS, the three shares and the
    // field of AFM.
    bench::Samples csv, xlsx;
    for (int r = 0; r < runs; ++r) {
        const QString csvFile = dir.filePath(QStringLiteral("plotted.csv"));
        const QString xlsxFile = dir.filePath(QStringLiteral("plotted.xlsx"));
        QString error;
        csv.append(bench::timeOurs([&] { error = plot::exportCsv(session, csvFile); }));
        xlsx.append(bench::timeOurs([&] { error += plot::exportXlsx(session, xlsxFile); }));
        if (!error.isEmpty()) {
            qFatal("export failed: %s", qPrintable(error));
        }
    }
    QTextStream out(stdout);
    out << rows << " samples on TAS (x, y) and AFM (three corners, FeOt a named column):\n"
        << "  session, everything anew: " << ms(ours) << "\n"
        << "  session, one axis edited: " << ms(oneAxis) << "\n"
        << "  expressions and fields by hand: " << ms(floor) << "\n"
        << "  export as CSV: " << ms(csv) << "\n"
        << "  export as XLSX: " << ms(xlsx) << "\n"
        << "  same places for " << agreed << " of " << rows << " samples\n";
    bench::printLoad();
    return agreed == rows ? 0 : 1;
}
