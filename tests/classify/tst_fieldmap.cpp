// SPDX-License-Identifier: GPL-3.0-or-later
#include <classify/FieldMap.h>
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <preview/FigureReader.h>

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace Classify;

namespace {

using Polyline = QList<QPointF>;

struct Probe
{
    QPointF at;
    QString expected; // a field's name, or the text of the place
};

Figure rectangular(double xLow, double xHigh, double yLow, double yHigh)
{
    Figure figure;
    FigureRecord &r = figure.record;
    r.th = u"B900"_s;
    r.LB = u"B"_s;
    r.X = {QString::number(xLow), QString::number(xHigh), u"1"_s, u"5"_s, QString::number(yLow), u"False"_s, u"0"_s};
    r.Y = {QString::number(yLow), QString::number(yHigh), u"1"_s, u"5"_s, QString::number(xLow), u"False"_s, u"0"_s};
    r.border = u"True"_s;
    return figure;
}

void addLine(Figure &figure, const Polyline &line, int lineType = 1, bool curve = false)
{
    int series = 1;
    for (const FigurePoint &point : std::as_const(figure.points)) {
        series = std::max(series, point.series.toInt() + 1);
    }
    for (qsizetype i = 0; i < line.size(); ++i) {
        figure.points.append({QString::number(series), curve ? u"True"_s : u"False"_s,
                              QString::number(line[i].x(), 'g', 17), QString::number(line[i].y(), 'g', 17),
                              i == 0 ? u"0"_s : QString::number(lineType)});
    }
}

void addLabel(Figure &figure, QPointF at, const QString &text)
{
    figure.labels.append({QString::number(at.x(), 'g', 17), QString::number(at.y(), 'g', 17), text});
}

QString placeText(const FieldMap &map, QPointF at)
{
    return map.text(map.locate(at));
}

// Le Bas et al. (1986), J. Petrology 27: 745-750, Fig. 2: the field corners, SiO2 and Na2O+K2O in
// wt%, in a frame 35-80 x 0-16; the three lines the paper leaves open at the top run straight on
// to the frame.
struct TasField
{
    QString name;
    Polyline corners;
};

const QList<TasField> &tasFields()
{
    static const QList<TasField> fields = {
        {u"Foidite"_s,
         {{35, 0}, {41, 0}, {41, 3}, {41, 7}, {45, 9.4}, {48.4, 11.5}, {52.5, 14}, {48.07, 16}, {35, 16}}},
        {u"Picrobasalt"_s, {{41, 0}, {45, 0}, {45, 3}, {41, 3}}},
        {u"Basalt"_s, {{45, 0}, {52, 0}, {52, 5}, {45, 5}}},
        {u"Basaltic andesite"_s, {{52, 0}, {57, 0}, {57, 5.9}, {52, 5}}},
        {u"Andesite"_s, {{57, 0}, {63, 0}, {63, 7}, {57, 5.9}}},
        {u"Dacite"_s, {{63, 0}, {77, 0}, {69, 8}, {63, 7}}},
        {u"Rhyolite"_s, {{77, 0}, {80, 0}, {80, 16}, {69, 16}, {69, 8}}},
        {u"Tephrite/basanite"_s, {{41, 3}, {45, 3}, {45, 5}, {49.4, 7.3}, {45, 9.4}, {41, 7}}},
        {u"Trachybasalt"_s, {{45, 5}, {52, 5}, {49.4, 7.3}}},
        {u"Basaltic trachyandesite"_s, {{52, 5}, {57, 5.9}, {53, 9.3}, {49.4, 7.3}}},
        {u"Trachyandesite"_s, {{57, 5.9}, {63, 7}, {57.6, 11.7}, {53, 9.3}}},
        {u"Trachyte/trachydacite"_s, {{63, 7}, {69, 8}, {69, 16}, {65.73, 16}, {57.6, 11.7}}},
        {u"Phonotephrite"_s, {{49.4, 7.3}, {53, 9.3}, {48.4, 11.5}, {45, 9.4}}},
        {u"Tephriphonolite"_s, {{53, 9.3}, {57.6, 11.7}, {52.5, 14}, {48.4, 11.5}}},
        {u"Phonolite"_s, {{57.6, 11.7}, {65.73, 16}, {48.07, 16}, {52.5, 14}}},
    };
    return fields;
}

QPointF meanOf(const Polyline &corners)
{
    QPointF sum;
    for (QPointF p : corners) {
        sum += p;
    }
    return sum / corners.size();
}

// The boundaries as drawn: each line once, from frame or junction to frame or junction. With
// misses, every end stops 0.1 % of the frame short of what it meets, along its own line.
Figure tasFigure(bool misses)
{
    const QList<Polyline> lines = {
        {{41, 0}, {41, 3}, {41, 7}, {45, 9.4}, {48.4, 11.5}, {52.5, 14}, {48.07, 16}},
        {{41, 3}, {45, 3}},
        {{45, 0}, {45, 5}, {49.4, 7.3}, {53, 9.3}, {57.6, 11.7}, {65.73, 16}},
        {{45, 5}, {52, 5}, {57, 5.9}, {63, 7}, {69, 8}, {77, 0}},
        {{69, 8}, {69, 16}},
        {{52, 0}, {52, 5}, {49.4, 7.3}},
        {{57, 0}, {57, 5.9}, {53, 9.3}, {48.4, 11.5}},
        {{63, 0}, {63, 7}, {57.6, 11.7}, {52.5, 14}},
        {{45, 9.4}, {49.4, 7.3}},
    };
    Figure figure = rectangular(35, 80, 0, 16);
    auto toUnit = [](QPointF p) { return QPointF((p.x() - 35) / 45, p.y() / 16); };
    auto fromUnit = [](QPointF u) { return QPointF(35 + u.x() * 45, u.y() * 16); };
    for (Polyline line : lines) {
        if (misses) {
            for (const auto &[end, inner] :
                 {std::pair<qsizetype, qsizetype>{0, 1}, {line.size() - 1, line.size() - 2}}) {
                const QPointF d = toUnit(line[end]) - toUnit(line[inner]);
                line[end] = fromUnit(toUnit(line[end]) - d / std::hypot(d.x(), d.y()) * 0.001);
            }
        }
        addLine(figure, line);
    }
    for (const TasField &field : tasFields()) {
        addLabel(figure, meanOf(field.corners), field.name);
    }
    return figure;
}

// A figure of the demo library, read as the preview reads it.
Figure demoFigure(const QString &number)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"system.mdb"_s);
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

QString label(const Figure &figure, const QString &firstLine)
{
    for (const FigureLabel &l : figure.labels) {
        if (l.text.section(QLatin1Char('\n'), 0, 0) == firstLine) {
            return l.text;
        }
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Figure)
Q_DECLARE_METATYPE(Classify::FieldOptions)
Q_DECLARE_METATYPE(QList<Probe>)

class TestFieldMap : public QObject
{
    Q_OBJECT

private slots:
    void tasLeBas_data();
    void tasLeBas();
    void demoFigures_data();
    void demoFigures();
    void definitions_data();
    void definitions();
};

void TestFieldMap::tasLeBas_data()
{
    QTest::addColumn<bool>("misses");
    QTest::newRow("exact") << false;
    QTest::newRow("ends 0.1% short") << true;
}

void TestFieldMap::tasLeBas()
{
    QFETCH(bool, misses);
    const FieldMap map(tasFigure(misses));
    QVERIFY(map.isUsable());
    QCOMPARE(map.fields().size(), tasFields().size());
    QVERIFY2(map.openEnds().isEmpty(), qPrintable(map.problems().join(u'\n')));
    for (const TasField &field : tasFields()) {
        QVERIFY2(placeText(map, meanOf(field.corners)) == field.name, qPrintable(field.name));
        // Inside: next to each corner along the bisector, 2 % of the frame away; at a corner bent
        // inwards also 0.3 % away, where the nearest boundary is the corner itself.
        const QPolygonF outline(field.corners);
        for (qsizetype i = 0; i < field.corners.size(); ++i) {
            auto unit = [](QPointF d) {
                d = QPointF(d.x() / 45, d.y() / 16);
                return d / std::hypot(d.x(), d.y());
            };
            const QPointF corner = field.corners[i];
            const QPointF next = unit(field.corners[(i + 1) % field.corners.size()] - corner);
            const QPointF previous =
                unit(field.corners[(i + field.corners.size() - 1) % field.corners.size()] - corner);
            QPointF bisector = next + previous;
            const bool straight = std::hypot(bisector.x(), bisector.y()) < 1e-9;
            if (straight) {
                bisector = QPointF(-next.y(), next.x());
            }
            QPointF step = bisector / std::hypot(bisector.x(), bisector.y());
            const bool inwards =
                !outline.containsPoint(corner + QPointF(step.x() * 0.02 * 45, step.y() * 0.02 * 16), Qt::OddEvenFill);
            if (inwards) {
                step = -step;
            }
            for (const double distance : inwards && !straight ? QList<double>{0.02, 0.003} : QList<double>{0.02}) {
                const QPointF at = corner + QPointF(step.x() * distance * 45, step.y() * distance * 16);
                QVERIFY2(placeText(map, at) == field.name,
                         qPrintable(
                             u"%1 at (%2, %3): %4"_s.arg(field.name).arg(at.x()).arg(at.y()).arg(placeText(map, at))));
            }
        }
        // On each published boundary, and on the frame.
        for (qsizetype i = 0; i < field.corners.size(); ++i) {
            const QPointF at = (field.corners[i] + field.corners[(i + 1) % field.corners.size()]) / 2;
            QVERIFY2(map.locate(at).place == Place::Boundary,
                     qPrintable(u"%1: (%2, %3) %4"_s.arg(field.name).arg(at.x()).arg(at.y()).arg(placeText(map, at))));
        }
    }
    QCOMPARE(placeText(map, {50, -0.5}), u"outside the diagram"_s);
    QCOMPARE(map.text(map.locate({std::nan(""), 5}), u"no SiO2"_s), u"no SiO2"_s);
}

void TestFieldMap::demoFigures_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QList<QPointF>>("extendToFrame");
    QTest::addColumn<QList<QList<double>>>("samples"); // x, y or left, right, top shares
    QTest::addColumn<QStringList>("expected");         // first line of the label

    // Rb against Y+Nb (ppm). Rounded, representative compositions of granites Pearce et al. (1984)
    // place in each setting: Himalayan leucogranite (syn-COLG), a cordilleran tonalite (VAG), an
    // anorogenic ring-complex granite (WPG), an oceanic plagiogranite (ORG). The first two rows
    // lie left of Y+Nb = 2, where the drawn syn-COLG/VAG boundary has not started yet.
    QTest::newRow("Rb-(Y+Nb)") << u"B003"_s << QList<QPointF>{}
                               << QList<QList<double>>{{1.5, 300}, {1.5, 20}, {30, 400}, {25, 60}, {180, 300}, {80, 2}}
                               << QStringList{u"syn-COLG"_s, u"VAG"_s, u"syn-COLG"_s, u"VAG"_s, u"WPG"_s, u"ORG"_s};
    // AFM shares (A = Na2O+K2O left, M = MgO right, F = FeOt top, wt%): the mean N-MORB of Gale et
    // al. (2013, G3 14: 489-518; Na2O 2.79, K2O 0.16, FeOt 10.43, MgO 7.58) and a Hawaiian
    // tholeiite (about 2.3, 0.4, 11.2, 7.5) are tholeiitic, as Irvine & Baragar (1971) class ocean
    // floor and Hawaiian basalts; a Mount St. Helens 1980 dacite (about 4.6, 1.4, 4.6, 2.0) and a
    // Cascades andesite (about 4.0, 1.5, 6.0, 3.5) are calc-alkaline. The demo draws the boundary
    // from M = 5 to M = 50, as Irvine & Baragar tabulate it; its ends are extended to the sides
    // (the M = 50 end is further away than the automatic reach, so it is asked for).
    QTest::newRow("AFM") << u"T001"_s << QList<QPointF>{{67.5, 30.3109}}
                         << QList<QList<double>>{{2.95, 7.58, 10.43},
                                                 {2.7, 7.5, 11.2},
                                                 {6.0, 2.0, 4.6},
                                                 {5.5, 3.5, 6.0}}
                         << QStringList{u"Tholeiitic series"_s, u"Tholeiitic series"_s, u"Calc-alkaline series"_s,
                                        u"Calc-alkaline series"_s};
}

void TestFieldMap::demoFigures()
{
    QFETCH(QString, number);
    QFETCH(QList<QPointF>, extendToFrame);
    QFETCH(QList<QList<double>>, samples);
    QFETCH(QStringList, expected);
    const Figure figure = demoFigure(number);
    FieldOptions options;
    options.extendToFrame = extendToFrame;
    const FieldMap map(figure, options);
    QVERIFY2(map.openEnds().isEmpty(), qPrintable(map.problems().join(u'\n')));
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const QList<double> &s = samples[i];
        const Location at = map.isTriangular() ? map.locateShares(s[0], s[1], s[2]) : map.locate({s[0], s[1]});
        QVERIFY2(map.text(at) == label(figure, expected[i]),
                 qPrintable(u"sample %1: %2, not %3"_s.arg(i + 1).arg(map.text(at), expected[i])));
    }
}

void TestFieldMap::definitions_data()
{
    QTest::addColumn<Figure>("figure");
    QTest::addColumn<FieldOptions>("options");
    QTest::addColumn<QList<Probe>>("probes");
    QTest::addColumn<int>("fields");
    QTest::addColumn<int>("openEnds");
    QTest::addColumn<QString>("problem"); // a part of one of the problems, or empty for none

    const QString boundary = u"on a boundary"_s;
    auto split = [](const QList<Polyline> &solid) {
        Figure figure = rectangular(0, 100, 0, 100);
        for (const Polyline &line : solid) {
            addLine(figure, line);
        }
        return figure;
    };

    // The left half does not close: its dividing line stops 0.2 of the frame short of anything.
    Figure open = split({{{50, 0}, {50, 100}}, {{0, 50}, {30, 50}}});
    addLabel(open, {20, 80}, u"Upper"_s);
    addLabel(open, {20, 20}, u"Lower"_s);
    addLabel(open, {75, 50}, u"East"_s);
    QTest::newRow("open boundary, two labels in one field")
        << open << FieldOptions{}
        << QList<Probe>{{{80, 10}, u"East"_s}, {{10, 10}, u"Upper; Lower"_s}, {{20, 50}, boundary}} << 2 << 1
        << u"ends at (30, 50)"_s;

    FieldOptions extend;
    extend.extendToFrame = {{30, 50}, {1, 1}};
    QTest::newRow("end extended to the frame on request")
        << open << extend
        << QList<Probe>{{{10, 90}, u"Upper"_s}, {{40, 10}, u"Lower"_s}, {{40, 50}, boundary}, {{40, 52}, u"Upper"_s}}
        << 3 << 0 << u"no line end at (1, 1)"_s;

    Figure onLine = split({{{50, 0}, {50, 100}}});
    addLabel(onLine, {25, 50}, u"West"_s);
    addLabel(onLine, {75, 50}, u"East"_s);
    addLabel(onLine, {50.05, 40}, u"Lost"_s);
    addLabel(onLine, {150, 40}, u"Axis title"_s);
    QTest::newRow("label on a line, label outside the frame")
        << onLine << FieldOptions{} << QList<Probe>{{{25, 10}, u"West"_s}, {{75, 90}, u"East"_s}, {{50, 30}, boundary}}
        << 2 << 0 << u"\"Lost\" lies on a line"_s;

    // A dashed line splits East; its lower part takes the one name across it. A user's name wins.
    Figure dashed = split({{{50, 0}, {50, 100}}});
    addLine(dashed, {{50, 50}, {100, 50}}, 3);
    addLine(dashed, {{0, 50}, {50, 50}}, 1);
    addLabel(dashed, {75, 75}, u"East"_s);
    FieldOptions renamed;
    renamed.names = {{{25, 25}, u"South-west"_s}, {{150, 150}, u"Nowhere"_s}};
    QTest::newRow("name across a dashed line, corrections")
        << dashed << renamed
        << QList<Probe>{{{75, 25}, u"East"_s}, {{25, 10}, u"South-west"_s}, {{25, 90}, u"unnamed field 1"_s}} << 4 << 0
        << u"\"Nowhere\" given at (150, 150) is not inside"_s;

    // Two labels make the upper East ambiguous; the name the user gives it passes across the
    // dashed line too.
    Figure twoLabels = dashed;
    addLabel(twoLabels, {85, 85}, u"Series"_s);
    FieldOptions resolved;
    resolved.names = {{{75, 75}, u"North-east"_s}};
    QTest::newRow("a name given passes across a dashed line")
        << twoLabels << resolved << QList<Probe>{{{75, 25}, u"North-east"_s}, {{75, 90}, u"North-east"_s}} << 4 << 0
        << QString();

    Figure badFrame = split({{{50, 0}, {50, 100}}});
    badFrame.record.X[5] = u"True"_s; // logarithmic from 0
    QTest::newRow("frame that cannot be used") << badFrame << FieldOptions{} << QList<Probe>{{{50, 50}, u"no value"_s}}
                                               << 0 << 0 << u"X axis: the range \"0\" to \"100\" cannot be used"_s;

    // A closed line touching nothing: a field inside another one.
    Figure island = rectangular(0, 100, 0, 100);
    addLine(island, {{40, 40}, {60, 40}, {60, 60}, {40, 60}, {40, 40}});
    addLabel(island, {50, 50}, u"Island"_s);
    addLabel(island, {10, 10}, u"Sea"_s);
    // Just outside it (more than the tolerance away), wherever the grid's cells happen to fall.
    QList<Probe> around{{{50, 55}, u"Island"_s}, {{60, 50}, boundary}};
    for (double d = 0.22; d < 0.4; d += 0.04) {
        around << Probe{{50, 60 + d}, u"Sea"_s} << Probe{{40 - d, 50}, u"Sea"_s} << Probe{{50, 60 - d}, u"Island"_s};
    }
    QTest::newRow("field inside a field") << island << FieldOptions{} << around << 2 << 0 << QString();

    // A digitised end a little beyond the line it meets: no sliver of a field between them.
    Figure overshoot = split({{{50, 0}, {50, 100}}, {{49.9, 20}, {100, 40}}});
    addLabel(overshoot, {25, 50}, u"West"_s);
    addLabel(overshoot, {75, 75}, u"North-east"_s);
    addLabel(overshoot, {75, 10}, u"South-east"_s);
    QTest::newRow("end past the line it meets")
        << overshoot << FieldOptions{} << QList<Probe>{{{49.95, 20.01}, boundary}, {{60, 20}, u"South-east"_s}} << 3
        << 0 << QString();

    // 10,000 curve points: a wave across the frame.
    Figure wave = rectangular(0, 100, 0, 100);
    Polyline crest;
    auto waveAt = [](double x) { return 50 + 20 * std::sin(x / 100 * 2 * M_PI * 5); };
    for (int i = 0; i < 10000; ++i) {
        const double x = -1 + i * 102.0 / 9999;
        crest << QPointF(x, waveAt(x));
    }
    addLine(wave, crest, 1, true);
    addLabel(wave, {50, 95}, u"Above"_s);
    addLabel(wave, {50, 5}, u"Below"_s);
    QList<Probe> waveProbes;
    for (double x : {3.3, 27.1, 50.0, 81.9}) {
        waveProbes << Probe{{x, waveAt(x) + 3}, u"Above"_s} << Probe{{x, waveAt(x) - 3}, u"Below"_s}
                   << Probe{{x, waveAt(x)}, boundary};
    }
    QTest::newRow("10,000-point curve") << wave << FieldOptions{} << waveProbes << 2 << 0 << QString();

    // Lines wholly or partly beyond the frame; repeated points, pieces of no length, a line drawn
    // twice over part of its length.
    Figure messy = split({{{120, 10}, {150, 90}}, {{-20, -30}, {-10, 200}}, {{-20, 50}, {120, 50}}});
    addLine(messy, {{150, 10}, {1e300, -1e300}, {-1e300, 1e300}});
    addLine(messy, {{50, 50}, {50, 50}, {50, 70}, {50, 70}, {50, 100}});
    addLine(messy, {{50, 60}, {50, 100}, {50, 80}}, 3);
    addLabel(messy, {25, 75}, u"North-west"_s);
    addLabel(messy, {75, 75}, u"North-east"_s);
    addLabel(messy, {50, 25}, u"South"_s);
    QTest::newRow("lines outside the frame, degenerate and overlapping pieces")
        << messy << FieldOptions{}
        << QList<Probe>{{{10, 90}, u"North-west"_s}, {{90, 90}, u"North-east"_s}, {{10, 10}, u"South"_s},
                        {{50, 65}, boundary},        {{99.95, 30}, boundary},     {{101, 30}, u"outside the diagram"_s}}
        << 3 << 0 << QString();
}

void TestFieldMap::definitions()
{
    QFETCH(Figure, figure);
    QFETCH(FieldOptions, options);
    QFETCH(QList<Probe>, probes);
    QFETCH(int, fields);
    QFETCH(int, openEnds);
    QFETCH(QString, problem);
    const FieldMap map(figure, options);
    const QString problems = map.problems().join(u'\n');
    QCOMPARE(map.fields().size(), fields);
    QCOMPARE(map.openEnds().size(), openEnds);
    QVERIFY2(problem.isEmpty() ? map.problems().size() == openEnds : problems.contains(problem), qPrintable(problems));
    for (const Probe &probe : probes) {
        QVERIFY2(placeText(map, probe.at) == probe.expected,
                 qPrintable(u"(%1, %2): %3"_s.arg(probe.at.x()).arg(probe.at.y()).arg(placeText(map, probe.at))));
    }
}

QTEST_GUILESS_MAIN(TestFieldMap)
#include "tst_fieldmap.moc"
