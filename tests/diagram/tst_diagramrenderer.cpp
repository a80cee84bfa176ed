// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/DiagramRenderer.h>
#include <diagram/FigureExport.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Figure)

namespace {

const QSize imageSize(500, 400);

Figure rectangular(const QString &xLow, const QString &xHigh, const QString &yLow, const QString &yHigh,
                   bool logarithmic = false)
{
    Figure figure;
    FigureRecord &r = figure.record;
    r.th = u"B900"_s;
    r.LB = u"B"_s;
    const QString log = logarithmic ? u"True"_s : u"False"_s;
    r.X = {xLow, xHigh, u"10"_s, u"10"_s, yLow, log, u"0"_s};
    r.Y = {yLow, yHigh, u"10"_s, u"10"_s, xLow, log, u"0"_s};
    r.border = u"True"_s;
    return figure;
}

Figure triangular()
{
    Figure figure;
    figure.record.th = u"T900"_s;
    figure.record.LB = u"T"_s;
    return figure;
}

void addPoint(Figure &figure, int series, double x, double y, int lineType, bool curve = false)
{
    figure.points.append({QString::number(series), curve ? u"True"_s : u"False"_s, QString::number(x, 'g', 17),
                          QString::number(y, 'g', 17), QString::number(lineType)});
}

// The boundary lines are blue; axes and texts are black or grey.
bool isLine(QRgb c)
{
    return qBlue(c) > 120 && qBlue(c) - qRed(c) > 60;
}
bool isInk(QRgb c)
{
    return qGray(c) < 200;
}

// Whether some pixel within a small square around the point is a line pixel.
bool lineNear(const QImage &image, QPointF at, int radius = 1)
{
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint p = at.toPoint() + QPoint(dx, dy);
            if (image.rect().contains(p) && isLine(image.pixel(p))) {
                return true;
            }
        }
    }
    return false;
}

struct Drawn
{
    QImage image;
    RenderResult result;
};

Drawn draw(const Figure &figure, const RenderOptions &options = {})
{
    const DiagramRenderer renderer(figure);
    QImage image(imageSize, QImage::Format_RGB32);
    QPainter painter(&image);
    RenderResult result = renderer.render(painter, QRectF(QPointF(0, 0), QSizeF(imageSize)), options);
    painter.end();
    return {image, result};
}

} // namespace

class TestDiagramRenderer : public QObject
{
    Q_OBJECT

private slots:
    void mapping_linearLogAndTriangle_invertAndHitTheirLandmarks()
    {
        const QRectF plot(50, 20, 400, 300);
        const DiagramMapping linear = DiagramMapping::rectangular({35, 80, false}, {0, 16, false}, plot);
        QCOMPARE(linear.toDevice({35, 0}), plot.bottomLeft());
        QCOMPARE(linear.toDevice({80, 16}), plot.topRight());
        const QPointF back = linear.toData(linear.toDevice({52.5, 7.3}));
        QVERIFY(qAbs(back.x() - 52.5) < 1e-9 && qAbs(back.y() - 7.3) < 1e-9);

        // On a logarithmic axis every decade takes the same length: 10 halfway between 1 and 100.
        const DiagramMapping log = DiagramMapping::rectangular({1, 100, true}, {1, 1000, true}, plot);
        QVERIFY(qAbs(log.toDevice({10, 10}).x() - plot.center().x()) < 1e-9);
        QVERIFY(qAbs(log.toDevice({10, 10}).y() - (plot.bottom() - plot.height() / 3)) < 1e-9);
        QVERIFY(qAbs(log.toData(log.toDevice({37, 420})).y() - 420) < 1e-9);
        QVERIFY(!log.canMap({0, 5}));
        QVERIFY(!log.containsData({-1, 5}));

        // The triangle is equilateral on the device and its shares add up to 100.
        const DiagramMapping tri = DiagramMapping::triangular(QRectF(0, 0, 600, 300));
        const QPolygonF corners = tri.triangle();
        const double side = QLineF(corners[0], corners[1]).length();
        QVERIFY(qAbs(QLineF(corners[1], corners[2]).length() - side) < 1e-2);
        QVERIFY(qAbs(QLineF(corners[2], corners[0]).length() - side) < 1e-2);
        const DiagramMapping::Shares centre = DiagramMapping::sharesOf({50, DiagramMapping::triangleHeight / 3});
        QVERIFY(qAbs(centre.left - 100.0 / 3) < 1e-3 && qAbs(centre.right - 100.0 / 3) < 1e-3);
        QVERIFY(tri.containsData({50, 10}));
        QVERIFY(!tri.containsData({5, 40})); // left of the left side
    }

    void knownPoints_landOnTheirPixels_linearLogTriangle()
    {
        // A horizontal line at the middle of the y range crosses the plot's vertical centre.
        Figure linear = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        addPoint(linear, 1, 10, 50, 0);
        addPoint(linear, 1, 90, 50, 1);
        Drawn d = draw(linear);
        const QRectF plot = d.result.mapping.plotRect();
        QVERIFY(lineNear(d.image, QPointF(plot.center().x(), plot.center().y())));
        QVERIFY(!lineNear(d.image, QPointF(plot.center().x(), plot.top() + plot.height() / 4), 2));

        // On log axes 1..100 the value 10 is in the middle.
        Figure log = rectangular(u"1"_s, u"100"_s, u"1"_s, u"100"_s, true);
        addPoint(log, 1, 2, 10, 0);
        addPoint(log, 1, 50, 10, 1);
        d = draw(log);
        const QRectF logPlot = d.result.mapping.plotRect();
        QVERIFY(lineNear(d.image, logPlot.center()));
        QVERIFY(d.result.problems.isEmpty());

        // A line through the triangle's centre passes the centre of the drawn triangle.
        Figure tri = triangular();
        addPoint(tri, 1, 20, DiagramMapping::triangleHeight / 3, 0);
        addPoint(tri, 1, 80, DiagramMapping::triangleHeight / 3, 1);
        d = draw(tri);
        const QPolygonF c = d.result.mapping.triangle();
        QVERIFY(lineNear(d.image, (c[0] + c[1] + c[2]) / 3));
    }

    void lineTypes_dashedHasGaps_solidNone_noneDrawsNothing()
    {
        Figure figure = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        addPoint(figure, 1, 10, 25, 0);
        addPoint(figure, 1, 90, 25, 1); // solid
        addPoint(figure, 2, 10, 50, 0);
        addPoint(figure, 2, 90, 50, 3); // dashed
        addPoint(figure, 3, 10, 75, 0);
        addPoint(figure, 3, 90, 75, 0); // no line
        const Drawn d = draw(figure);
        const DiagramMapping &m = d.result.mapping;
        auto scan = [&](double y) {
            int on = 0, off = 0;
            const int row = qRound(m.toDevice({0, y}).y());
            for (int x = qRound(m.toDevice({15, y}).x()); x <= qRound(m.toDevice({85, y}).x()); ++x) {
                bool hit = false;
                for (int dy = -1; dy <= 1; ++dy) {
                    hit = hit || isLine(d.image.pixel(x, row + dy));
                }
                (hit ? on : off) += 1;
            }
            return std::pair{on, off};
        };
        const auto [solidOn, solidOff] = scan(25);
        QCOMPARE(solidOff, 0);
        QVERIFY(solidOn > 200);
        const auto [dashedOn, dashedOff] = scan(50);
        QVERIFY2(dashedOff > 20 && dashedOn > 20, qPrintable(u"on %1 off %2"_s.arg(dashedOn).arg(dashedOff)));
        QCOMPARE(scan(75).first, 0);
    }

    void curve_passesThroughItsPoints_notAlongTheChords()
    {
        // Points on a parabola: a polyline would cut the corners, the curve goes through them.
        Figure figure = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        const QList<QPointF> on{{10, 10}, {30, 58}, {50, 74}, {70, 58}, {90, 10}};
        for (const QPointF &p : on) {
            addPoint(figure, 1, p.x(), p.y(), p == on.first() ? 0 : 1, true);
        }
        const Drawn d = draw(figure);
        for (const QPointF &p : on) {
            QVERIFY2(lineNear(d.image, d.result.mapping.toDevice(p)), qPrintable(u"%1,%2"_s.arg(p.x()).arg(p.y())));
        }
        // The chord from (30,58) to (50,74) lies below the curve: its middle stays clear.
        QVERIFY(!lineNear(d.image, d.result.mapping.toDevice({40, 66}), 1));
        // The same points without the curve flag are joined by the chord.
        for (FigurePoint &p : figure.points) {
            p.curve = u"False"_s;
        }
        QVERIFY(lineNear(draw(figure).image, d.result.mapping.toDevice({40, 66})));
    }

    // Points on a circle of 150 pixels in the drawing, two of them close together: the curve turns
    // as evenly as the circle, with no elbow at the close pair however close.
    void curve_staysSmooth_whateverTheSpacing_data()
    {
        QTest::addColumn<double>("gap"); // degrees between the close pair
        QTest::addRow("3 degrees") << 3.0;
        QTest::addRow("1 degree") << 1.0;
        QTest::addRow("0.1 degree") << 0.1;
    }
    void curve_staysSmooth_whateverTheSpacing()
    {
        QFETCH(double, gap);
        Figure figure = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        const QRectF target(QPointF(0, 0), QSizeF(imageSize));
        const DiagramMapping mapping = DiagramRenderer(figure).layout(target);
        const QPointF centre = mapping.plotRect().center();
        const double radius = 150;
        const QList<double> angles{10, 35, 60, 85, 85 + gap, 110, 135, 160};
        for (double angle : angles) {
            const double a = qDegreesToRadians(angle);
            const QPointF data = mapping.toData(centre + QPointF(std::cos(a), -std::sin(a)) * radius);
            addPoint(figure, 1, data.x(), data.y(), angle == angles.first() ? 0 : 1, true);
        }
        const QList<QPainterPath> paths = DiagramRenderer(figure).linePaths(target);
        QCOMPARE(paths.size(), 1);
        const QPainterPath &curve = paths.first();
        QVERIFY(std::abs(curve.length() - radius * qDegreesToRadians(150.0)) < 3);
        // The direction every pixel along the curve (its two ends aside): on the circle it turns by
        // 1/150 radian.
        double sharpest = 0, previous = curve.angleAtPercent(curve.percentAtLength(2));
        for (double at = 3; at < curve.length() - 2; at += 1) {
            const double angle = curve.angleAtPercent(curve.percentAtLength(at));
            sharpest = std::max(sharpest, std::abs(std::remainder(angle - previous, 360.0)));
            previous = angle;
        }
        QVERIFY2(sharpest < 2 * qRadiansToDegrees(1 / radius),
                 qPrintable(u"turns by %1 degrees in one pixel, the circle by %2"_s.arg(sharpest).arg(
                     qRadiansToDegrees(1 / radius))));
    }

    void label_isDrawnCentredOnItsPoint_overSeveralLines()
    {
        Figure figure = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        figure.labels.append({u"30"_s, u"60"_s, u"Basalt\n玄武岩"_s});
        const Drawn d = draw(figure);
        const QPointF at = d.result.mapping.toDevice({30, 60});
        auto inkIn = [&](QRectF box) {
            int ink = 0;
            for (int y = qRound(box.top()); y < qRound(box.bottom()); ++y) {
                for (int x = qRound(box.left()); x < qRound(box.right()); ++x) {
                    ink += isInk(d.image.pixel(x, y)) ? 1 : 0;
                }
            }
            return ink;
        };
        // Ink above the point (first line) and below it (second line), left and right alike.
        QVERIFY(inkIn(QRectF(at.x() - 25, at.y() - 14, 50, 12)) > 10);
        QVERIFY(inkIn(QRectF(at.x() - 25, at.y() + 2, 50, 12)) > 10);
        QVERIFY(inkIn(QRectF(at.x() - 30, at.y() - 14, 28, 28)) > 5);
        QVERIFY(inkIn(QRectF(at.x() + 2, at.y() - 14, 28, 28)) > 5);
        // Nothing at the mirrored place.
        const QPointF other = d.result.mapping.toDevice({70, 30});
        QCOMPARE(inkIn(QRectF(other.x() - 25, other.y() - 14, 50, 28)), 0);
    }

    void linesOutsideTheRange_areClippedAtThePlot()
    {
        Figure figure = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        figure.record.border = u"False"_s;
        addPoint(figure, 1, 50, 50, 0);
        addPoint(figure, 1, 1e6, 50, 1);   // far to the right
        addPoint(figure, 2, 50, -40, 0);   // from below the range
        addPoint(figure, 2, 50, 1e300, 1); // to far above it
        const Drawn d = draw(figure);
        const QRectF plot = d.result.mapping.plotRect();
        const int row = qRound(d.result.mapping.toDevice({0, 50}).y());
        QVERIFY(lineNear(d.image, QPointF(plot.right() - 3, row)));
        for (int x = qCeil(plot.right()) + 2; x < imageSize.width(); ++x) {
            QVERIFY2(!isLine(d.image.pixel(x, row)), qPrintable(QString::number(x)));
        }
        const int column = qRound(d.result.mapping.toDevice({50, 0}).x());
        QVERIFY(lineNear(d.image, QPointF(column, plot.top() + 3)));
        for (int y = 0; y < qFloor(plot.top()) - 2; ++y) {
            QVERIFY(!isLine(d.image.pixel(column, y)));
        }
        for (int y = qCeil(plot.bottom()) + 2; y < imageSize.height(); ++y) {
            QVERIFY(!isLine(d.image.pixel(column, y)));
        }
    }

    void highlight_marksTheChosenPoint()
    {
        Figure figure = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        addPoint(figure, 1, 20, 20, 0);
        addPoint(figure, 1, 80, 80, 1);
        RenderOptions options;
        options.highlightedPoint = 1;
        const Drawn d = draw(figure, options);
        const QPointF at = d.result.mapping.toDevice({80, 80});
        int orange = 0;
        for (int y = qRound(at.y()) - 12; y <= qRound(at.y()) + 12; ++y) {
            for (int x = qRound(at.x()) - 12; x <= qRound(at.x()) + 12; ++x) {
                const QRgb c = d.image.pixel(x, y);
                orange += qRed(c) > 180 && qBlue(c) < 100 ? 1 : 0;
            }
        }
        QVERIFY(orange > 10);
    }

    void badDefinitions_drawWhatTheyCan_andNameTheProblem_data()
    {
        QTest::addColumn<Figure>("figure");
        QTest::addColumn<QString>("problem");

        Figure reversed = rectangular(u"80"_s, u"35"_s, u"0"_s, u"16"_s);
        addPoint(reversed, 1, 40, 5, 0);
        addPoint(reversed, 1, 60, 10, 1);
        QTest::newRow("X1 >= X2") << reversed << u"不小于最大值"_s;

        Figure equal = rectangular(u"5"_s, u"5"_s, u"0"_s, u"16"_s);
        QTest::newRow("X1 == X2") << equal << u"不小于最大值"_s;

        Figure logZero = rectangular(u"0"_s, u"1000"_s, u"1"_s, u"1000"_s, true);
        addPoint(logZero, 1, 10, 10, 0);
        addPoint(logZero, 1, 100, 100, 1);
        QTest::newRow("log minimum <= 0") << logZero << u"对数坐标的最小值"_s;

        Figure logPoint = rectangular(u"1"_s, u"1000"_s, u"1"_s, u"1000"_s, true);
        addPoint(logPoint, 1, 10, 10, 0);
        addPoint(logPoint, 1, -5, 100, 1);
        addPoint(logPoint, 1, 100, 100, 1);
        QTest::newRow("log point <= 0") << logPoint << u"第 2 点"_s;

        Figure text = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        addPoint(text, 1, 10, 10, 0);
        text.points.append({u"1"_s, u"False"_s, u"4O"_s, u"20"_s, u"1"_s});
        addPoint(text, 1, 30, 30, 1);
        QTest::newRow("non-number in a point") << text << u"“4O”不是数字"_s;

        Figure single = rectangular(u"0"_s, u"100"_s, u"0"_s, u"100"_s);
        addPoint(single, 1, 10, 10, 0);
        addPoint(single, 1, 20, 20, 1);
        addPoint(single, 7, 50, 50, 1);
        QTest::newRow("series of one point") << single << u"线号 7 只有一个点"_s;

        Figure tiny = rectangular(u"0"_s, u"1e300"_s, u"0"_s, u"100"_s);
        tiny.record.X[2] = u"1e-300"_s;
        tiny.record.X[3] = u"1e-300"_s;
        QTest::newRow("tiny interval on a huge range") << tiny << u"超过 1000 个刻度"_s;

        Figure empty;
        QTest::newRow("new figure, nothing filled in") << empty << u"不是数字"_s;
    }

    void badDefinitions_drawWhatTheyCan_andNameTheProblem()
    {
        QFETCH(Figure, figure);
        QFETCH(QString, problem);
        const Drawn d = draw(figure);
        QVERIFY2(d.result.problems.join(u'\n').contains(problem), qPrintable(d.result.problems.join(u'\n')));
        QVERIFY(d.result.mapping.plotRect().isValid());
        // The parts that are fine are still drawn.
        if (!figure.points.isEmpty() && figure.points.size() == 2) {
            const QPointF a = d.result.mapping.toDevice({numberOf(figure.points[0].x), numberOf(figure.points[0].y)});
            const QPointF b = d.result.mapping.toDevice({numberOf(figure.points[1].x), numberOf(figure.points[1].y)});
            QVERIFY(lineNear(d.image, (a + b) / 2, 2));
        }
    }

    // A triangle's sides carry their shares every 20%, and its corners the names given, except a
    // corner the figure names itself with a label just outside it.
    void triangle_numbersItsSides_andNamesItsCorners()
    {
        QTemporaryDir dir;
        const auto svg = [&](const Figure &figure) {
            RenderOptions options;
            options.cornerTitles = {u"Na_2O+K_2O"_s, u"FeOt"_s, u"MgO"_s};
            const QString file = dir.filePath(u"t.svg"_s);
            if (!FigureExport::write(DiagramRenderer(figure), file, QSize(600, 500), options)) {
                return QString();
            }
            QFile in(file);
            return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
        };
        Figure figure = triangular();
        const QString plain = svg(figure);
        for (const QString &text : {u">20<"_s, u">40<"_s, u">60<"_s, u">80<"_s, u">FeOt<"_s, u">MgO<"_s}) {
            QVERIFY2(plain.contains(text), qPrintable(text));
        }
        QCOMPARE(plain.count(u">80<"_s), 3); // one on each side
        figure.labels.append({u"105"_s, u"-4"_s, u"M"_s});
        const QString named = svg(figure);
        QVERIFY(!named.contains(u">MgO<"_s) && named.contains(u">FeOt<"_s));
    }

    void goodFigure_namesNoProblem()
    {
        Figure figure = rectangular(u"35"_s, u"80"_s, u"0"_s, u"16"_s);
        addPoint(figure, 1, 41, 0, 0);
        addPoint(figure, 1, 41, 3, 1);
        figure.labels.append({u"42"_s, u"11.5"_s, u"Foidite"_s});
        QCOMPARE(DiagramRenderer(figure).problems(), QStringList());
    }

private:
    static double numberOf(const QString &text) { return text.toDouble(); }
};

QTEST_MAIN(TestDiagramRenderer)
#include "tst_diagramrenderer.moc"
