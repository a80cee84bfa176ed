// SPDX-License-Identifier: GPL-3.0-or-later
#include <plot/PlotSession.h>
#include <plot/TableExport.h>
#include <samples/DelimitedTable.h>
#include <samples/XlsxTable.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace plot;

namespace {

// Seven analyses: three in the rectangle's fields, one with a text for SiO2, one on a boundary,
// one right of the frame, one whose triangle components sum to 0.
const QString analyses = u"Sample\tRock\tSiO2\tNa2O\tK2O\tFeO\tFe2O3\tMgO\n"
                         u"A1\tbasalt\t48\t2\t1\t8\t3\t7\n"
                         u"A2\tdacite\t68\t3\t2\t2\t1\t1\n"
                         u"A3\ttrachyte, grey\t62\t6\t5\t4\t1\t1\n"
                         u"A4\taltered\tn.d.\t2\t1\t8\t3\t7\n"
                         u"A5\tedge\t52\t2\t2\t9\tbdl\t1\n"
                         u"A6\tfar\t85\t3\t2\t9\t0\t1\n"
                         u"A7\t\"odd \"\"one\"\"\"\t46\t0.5\t0.5\t0\t0\t-1\n"_s;

void addLine(Figure &figure, int series, const QList<QPointF> &line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        figure.points.append({QString::number(series), u"False"_s, QString::number(line[i].x(), 'g', 17),
                              QString::number(line[i].y(), 'g', 17), i == 0 ? u"0"_s : u"1"_s});
    }
}

// A rectangle 40-80 x 0-16 cut at SiO2 52, its right part at Na2O+K2O 8.
Figure rectangle()
{
    Figure figure;
    figure.record.th = u"B901"_s;
    figure.record.tm = u"TAS"_s;
    figure.record.LB = u"B"_s;
    figure.record.X = {u"40"_s, u"80"_s, u"1"_s, u"5"_s, u"0"_s, u"False"_s, u"0"_s};
    figure.record.Y = {u"0"_s, u"16"_s, u"1"_s, u"5"_s, u"40"_s, u"False"_s, u"0"_s};
    figure.record.border = u"True"_s;
    addLine(figure, 1, {{52, 0}, {52, 16}});
    addLine(figure, 2, {{52, 8}, {80, 8}});
    figure.labels = {{u"46"_s, u"8"_s, u"Basic"_s}, {u"66"_s, u"4"_s, u"Low"_s}, {u"66"_s, u"12"_s, u"High"_s}};
    return figure;
}

// A triangle cut where the top corner's share is 50.
Figure triangle()
{
    Figure figure;
    figure.record.th = u"T901"_s;
    figure.record.tm = u"AFM"_s;
    figure.record.LB = u"T"_s;
    figure.record.border = u"True"_s;
    const double half = 50 * std::sqrt(3.0) / 2;
    addLine(figure, 1, {{25, half}, {75, half}});
    figure.labels = {{u"50"_s, u"65"_s, u"Upper"_s}, {u"50"_s, u"20"_s, u"Lower"_s}};
    return figure;
}

samples::SampleTable table()
{
    samples::ReadResult read = samples::readPastedText(analyses);
    if (!read.ok()) {
        qFatal("%s", qPrintable(read.error));
    }
    return std::move(read.table);
}

// The session every test works on: the rectangle on SiO2 and Na2O+K2O, the triangle on
// Na2O+K2O, FeOt (a named column) and MgO.
void setUp(PlotSession &session)
{
    session.setTable(table());
    session.setNamedColumns({{u"FeOt"_s, u"FeO + 0.8998*Fe2O3"_s}});
    session.addFigure({rectangle(), {u"SiO2"_s, u"Na2O+K2O"_s, {}, {}, {}}, {}});
    session.addFigure({triangle(), {{}, {}, u"Na2O+K2O"_s, u"FeOt"_s, u"MgO"_s}, {}});
}

QMap<QString, qsizetype> countsByName(const PlotSession &session, qsizetype figure)
{
    QMap<QString, qsizetype> counts;
    const FigureResult &result = session.result(figure);
    for (qsizetype i = 0; i < result.fieldCounts.size(); ++i) {
        counts[session.fieldMap(figure)->fields()[i].name] += result.fieldCounts[i];
    }
    counts[u"boundary"_s] = result.boundaryCount;
    counts[u"outside"_s] = result.outsideCount;
    counts[u"none"_s] = result.noValueCount;
    return counts;
}

} // namespace

class TestPlotSession : public QObject
{
    Q_OBJECT

private slots:
    void samplesOnFigures();
    void editingAndCancelling();
    void exportRoundTrip_data();
    void exportRoundTrip();
    void exportFailures();
};

void TestPlotSession::samplesOnFigures()
{
    PlotSession session;
    setUp(session);
    QVERIFY(session.compute());
    const double nan = std::numeric_limits<double>::quiet_NaN();

    struct Expected
    {
        QList<double> coordinates;
        QString place;
    };
    // Per sample: on the rectangle, then on the triangle (left, top, right shares).
    const QList<std::pair<Expected, Expected>> expected = {
        {{{48, 3}, u"Basic"_s}, {{14.49317371518015, 51.6894209493995, 33.81740533542035}, u"Upper"_s}},
        {{{68, 5}, u"Low"_s}, {{56.181037776129806, 32.58275466864424, 11.236207555225961}, u"Lower"_s}},
        {{{62, 11}, u"High"_s}, {{65.08952768671818, 28.993242523580165, 5.917229789701653}, u"Lower"_s}},
        {{{nan, 3}, u"SiO2 没有值（“n.d.”）"_s},
         {{14.49317371518015, 51.6894209493995, 33.81740533542035}, u"Upper"_s}},
        {{{52, 4}, u"on a boundary"_s}, {{nan, nan, nan}, u"Fe2O3 没有值（“bdl”）"_s}},
        {{{85, 5}, u"outside the diagram"_s}, {{33.333333333333336, 60.0, 6.666666666666667}, u"Upper"_s}},
        {{{46, 1}, u"Basic"_s}, {{nan, nan, nan}, u"三个角的成分之和不大于 0"_s}},
    };
    QCOMPARE(session.table().rowCount(), expected.size());
    for (qsizetype row = 0; row < expected.size(); ++row) {
        const Expected *perFigure[] = {&expected[row].first, &expected[row].second};
        for (qsizetype f = 0; f < 2; ++f) {
            const QString where = u"sample %1, figure %2"_s.arg(row + 1).arg(f);
            const QList<double> &want = perFigure[f]->coordinates;
            const FigureResult &result = session.result(f);
            QCOMPARE(qsizetype(result.coordinates.size()), want.size());
            for (qsizetype axis = 0; axis < want.size(); ++axis) {
                const double got = result.coordinates[size_t(axis)][size_t(row)];
                QVERIFY2(std::isnan(want[axis]) ? std::isnan(got) : std::abs(got - want[axis]) < 1e-12,
                         qPrintable(u"%1: coordinate %2 is %3"_s.arg(where).arg(axis).arg(got)));
            }
            QVERIFY2(session.placeText(f, row) == perFigure[f]->place,
                     qPrintable(u"%1: %2"_s.arg(where, session.placeText(f, row))));
        }
    }
    QCOMPARE(session.result(0).valueCount, 6);
    QCOMPARE(session.result(1).valueCount, 5);
    const QMap<QString, qsizetype> rectangleCounts{{u"Basic"_s, 2},    {u"Low"_s, 1},     {u"High"_s, 1},
                                                   {u"boundary"_s, 1}, {u"outside"_s, 1}, {u"none"_s, 1}};
    QCOMPARE(countsByName(session, 0), rectangleCounts);
    const QMap<QString, qsizetype> triangleCounts{
        {u"Upper"_s, 3}, {u"Lower"_s, 2}, {u"boundary"_s, 0}, {u"outside"_s, 0}, {u"none"_s, 2}};
    QCOMPARE(countsByName(session, 1), triangleCounts);
    QCOMPARE(session.sampleId(2), u"A3"_s);
    session.setIdColumn(1);
    session.setGroupColumn(1);
    QCOMPARE(session.sampleId(2), u"trachyte, grey"_s);
    QCOMPARE(session.group(0), u"basalt"_s);
}

void TestPlotSession::editingAndCancelling()
{
    PlotSession session;
    setUp(session);

    // The live count while an expression is typed.
    const ExpressionCheck dividing = session.check(u"SiO2/(Na2O-2)"_s);
    QVERIFY(dividing.ok());
    QCOMPARE(dividing.valueCount, 4); // A4 has no SiO2; A1 and A5 divide by 0
    const ExpressionCheck broken = session.check(u"SiO2 +"_s);
    QVERIFY(!broken.ok());
    QCOMPARE(session.check(u"FeOt"_s).valueCount, 6);

    // A stopped computation leaves the figures not computed; the next one finishes them.
    QVERIFY(!session.compute([](double fraction) { return fraction <= 0.5; }));
    QVERIFY(session.isComputed(0));
    QVERIFY(!session.isComputed(1));
    QVERIFY(session.compute());
    QVERIFY(session.isComputed(1));

    // A new y moves the samples; a new table (fewer rows) makes every figure anew.
    session.setAxes(0, {u"SiO2"_s, u"Na2O+K2O+8"_s, {}, {}, {}});
    QVERIFY(!session.isComputed(0));
    QVERIFY(session.isComputed(1));
    QVERIFY(session.compute());
    QCOMPARE(session.placeText(0, 1), u"High"_s);
    QCOMPARE(session.placeText(0, 0), u"Basic"_s);

    // A faulty expression: every sample without a value, with the reason.
    session.setAxes(0, {u"SiO2 +"_s, u"Na2O"_s, {}, {}, {}});
    QVERIFY(session.compute());
    QVERIFY(session.result(0).error.startsWith(u"x："_s));
    QCOMPARE(session.result(0).noValueCount, 7);
    QCOMPARE(session.placeText(0, 0), session.result(0).error);

    samples::ReadResult fewer = samples::readPastedText(u"SiO2\tNa2O\tK2O\tFeO\tFe2O3\tMgO\n70\t3\t4\t1\t1\t1\n"_s);
    QVERIFY(fewer.ok());
    session.setTable(std::move(fewer.table));
    session.setAxes(0, {u"SiO2"_s, u"Na2O+K2O"_s, {}, {}, {}});
    QVERIFY(!session.isComputed(1));
    QVERIFY(session.compute());
    QCOMPARE(session.placeText(0, 0), u"Low"_s);
    QCOMPARE(session.result(1).locations.size(), size_t(1));
}

void TestPlotSession::exportRoundTrip_data()
{
    QTest::addColumn<bool>("xlsx");
    QTest::newRow("CSV") << false;
    QTest::newRow("XLSX") << true;
}

void TestPlotSession::exportRoundTrip()
{
    QFETCH(bool, xlsx);
    PlotSession session;
    setUp(session);
    QVERIFY(session.compute());
    QTemporaryDir dir;
    const QString fileName = dir.filePath(xlsx ? u"结果.xlsx"_s : u"结果.csv"_s);
    const QString error = xlsx ? exportXlsx(session, fileName) : exportCsv(session, fileName);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(fileName).fileName()});
    // Readable as any new file is, not private like a temporary file.
    QFile plain(dir.filePath(u"plain"_s));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    QCOMPARE(QFileInfo(fileName).permissions(), plain.permissions());
    plain.remove();

    const samples::ReadResult read = xlsx ? samples::readXlsxFile(fileName) : samples::readDelimitedFile(fileName);
    QVERIFY2(read.ok(), qPrintable(read.error));
    const QStringList header = exportHeader(session);
    QCOMPARE(read.table.columnNames(), header);
    QCOMPARE(header.mid(8), (QStringList{u"TAS x"_s, u"TAS y"_s, u"TAS 分类"_s, u"AFM 左角"_s, u"AFM 顶角"_s,
                                         u"AFM 右角"_s, u"AFM 分类"_s}));
    QCOMPARE(read.table.rowCount(), session.table().rowCount());
    for (qsizetype row = 0; row < read.table.rowCount(); ++row) {
        for (qsizetype column = 0; column < header.size(); ++column) {
            const double got = read.table.value(row, column);
            double want = std::numeric_limits<double>::quiet_NaN();
            QString text;
            if (column < 8) {
                want = session.table().value(row, column);
                text = session.table().column(column).text(row);
            } else if (column < 10 || (column > 10 && column < 14)) {
                const qsizetype figure = column < 10 ? 0 : 1;
                want = session.result(figure).coordinates[size_t(column - (figure == 0 ? 8 : 11))][size_t(row)];
            } else {
                text = session.placeText(column == 10 ? 0 : 1, row);
            }
            const QString where = u"row %1, column %2"_s.arg(row + 1).arg(column + 1);
            // libxlsxwriter writes 16 significant digits, a CSV the shortest exact form.
            const double tolerance = xlsx ? 1e-15 * std::abs(want) : 0;
            QVERIFY2(std::isnan(want) ? std::isnan(got) : std::abs(got - want) <= tolerance,
                     qPrintable(u"%1: %2, not %3"_s.arg(where).arg(got, 0, 'g', 17).arg(want, 0, 'g', 17)));
            QVERIFY2(read.table.column(column).text(row) == text, qPrintable(where));
        }
    }

    if (xlsx) {
        const samples::ReadResult counts = samples::readXlsxFile(fileName, u"分类计数"_s);
        QVERIFY2(counts.ok(), qPrintable(counts.error));
        QCOMPARE(counts.table.columnNames(), (QStringList{u"图"_s, u"分类"_s, u"样品数"_s}));
        QMap<QString, double> byPlace;
        for (qsizetype row = 0; row < counts.table.rowCount(); ++row) {
            byPlace[counts.table.column(0).text(row) + u'/' + counts.table.column(1).text(row)] =
                counts.table.value(row, 2);
        }
        const QMap<QString, double> want{{u"TAS/Basic"_s, 2},    {u"TAS/Low"_s, 1},    {u"TAS/High"_s, 1},
                                         {u"TAS/在边界上"_s, 1}, {u"TAS/在图外"_s, 1}, {u"TAS/无值"_s, 1},
                                         {u"AFM/Upper"_s, 3},    {u"AFM/Lower"_s, 2},  {u"AFM/在边界上"_s, 0},
                                         {u"AFM/在图外"_s, 0},   {u"AFM/无值"_s, 2}};
        QCOMPARE(byPlace, want);
    }
}

void TestPlotSession::exportFailures()
{
    PlotSession session;
    setUp(session);
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"missing/out.csv"_s);
    QVERIFY(exportCsv(session, missing).contains(u"还没有算完"_s));
    QVERIFY(session.compute());

    // A folder that does not exist, a target that is a folder, an export stopped: a message, and no
    // file left.
    QVERIFY(QDir(dir.path()).mkdir(u"taken.xlsx"_s));
    QVERIFY(QDir(dir.path()).mkdir(u"taken.csv"_s));
    const samples::Progress stop = [](double) { return false; };
    const QList<std::pair<QString, QString>> cases = {
        {u"stopped.csv"_s, u"取消"_s},        {u"stopped.xlsx"_s, u"取消"_s},   {u"missing/out.csv"_s, u"不存在"_s},
        {u"missing/out.xlsx"_s, u"不存在"_s}, {u"taken.csv"_s, u"taken.csv"_s}, {u"taken.xlsx"_s, u"taken.xlsx"_s},
    };
    for (const auto &[name, part] : cases) {
        const QString target = dir.filePath(name);
        const samples::Progress progress = name.startsWith(u"stopped"_s) ? stop : samples::Progress();
        const QString error =
            name.endsWith(u".xlsx"_s) ? exportXlsx(session, target, progress) : exportCsv(session, target, progress);
        QVERIFY2(error.contains(part), qPrintable(name + u": "_s + error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{u"taken.csv"_s, u"taken.xlsx"_s}));
    }
}

QTEST_GUILESS_MAIN(TestPlotSession)
#include "tst_plotsession.moc"
