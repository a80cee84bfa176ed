// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/AxisTitle.h>
#include <diagram/DiagramRenderer.h>

#include <QPainter>
#include <QPixmap>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const double none = std::nan("");

struct Case
{
    Figure figure;
    SampleLayer layer;
    QStringList groups; // the group of each sample
    QList<int> drawn;   // samples that must show
    qsizetype outside;  // samples with a value beyond the frame
    std::vector<qsizetype> noValue;
};

Figure logLog()
{
    Figure figure;
    figure.record.th = u"B900"_s;
    figure.record.LB = u"B"_s;
    figure.record.X = {u"1"_s, u"2000"_s, u"10"_s, u"10"_s, u"1"_s, u"True"_s, u"0"_s};
    figure.record.Y = {u"1"_s, u"2000"_s, u"10"_s, u"10"_s, u"1"_s, u"True"_s, u"0"_s};
    return figure;
}

Figure triangle()
{
    Figure figure;
    figure.record.th = u"T900"_s;
    figure.record.LB = u"T"_s;
    return figure;
}

} // namespace

Q_DECLARE_METATYPE(Case)

// Samples over a figure: symbols where the samples are and nowhere else, a colour and a legend
// entry per group, the ones outside the frame counted, the ones without a value listed.
class TestSampleLayer : public QObject
{
    Q_OBJECT

private slots:
    void samples_data()
    {
        QTest::addColumn<Case>("sample");
        // Kept clear of the top right, where the legend goes.
        QTest::newRow("log-log") << Case{
            logLog(),
            SampleLayer::points({10, 100, 0.5, none, -5, 3, 30}, {10, 5, 10, 3, 10, none, 4}),
            {u"basalt"_s, u"granite"_s, u"basalt"_s, u"basalt"_s, u"granite"_s, u"granite"_s, u"basalt"_s},
            {0, 1, 6},
            2,
            {3, 5}};
        QTest::newRow("triangle") << Case{
            triangle(),
            SampleLayer::shares({60, 20, none, 0, -10, 40}, {20, 20, 5, 0, 50, 10}, {20, 60, 5, 0, 60, 50}),
            {u"A"_s, u"B"_s, u"A"_s, u"B"_s, u"A"_s, u""_s},
            {0, 1, 5},
            1,
            {2, 3}};
    }

    void samples()
    {
        QFETCH(Case, sample);
        const DiagramRenderer renderer(sample.figure, Wording::English);
        sample.layer.setGroups(sample.layer.size(), [&](qsizetype i) { return sample.groups[i]; });
        QCOMPARE(sample.layer.noValue(), sample.noValue);

        const QSize size(600, 500);
        const QImage bare = renderer.renderImage(size);
        QImage drawnImage(size, QImage::Format_ARGB32_Premultiplied);
        drawnImage.fill(Qt::white);
        RenderOptions options;
        options.samples = &sample.layer;
        QPainter painter(&drawnImage);
        const RenderResult result = renderer.render(painter, QRectF(QPointF(0, 0), QSizeF(size)), options);
        painter.end();
        QCOMPARE(result.samples.drawn, sample.drawn.size());
        QCOMPARE(result.samples.outside, sample.outside);
        QVERIFY2(result.problems == renderer.problems(), qPrintable(result.problems.join(u'\n')));

        // A device the painter cannot write into directly (a preview's pixmap) shows the same.
        QPixmap pixmap(size);
        pixmap.fill(Qt::white);
        QPainter onPixmap(&pixmap);
        renderer.render(onPixmap, QRectF(QPointF(0, 0), QSizeF(size)), options);
        onPixmap.end();
        const QImage fromPixmap = pixmap.toImage().convertToFormat(drawnImage.format());
        int differing = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb a = fromPixmap.pixel(x, y), b = drawnImage.pixel(x, y);
                differing += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                       std::abs(qBlue(a) - qBlue(b))}) > 2;
            }
        }
        QCOMPARE(differing, 0);

        // Each group its own colour; each drawn sample that colour at its place.
        const QList<SampleGroup> &groups = sample.layer.groups();
        QCOMPARE(groups.size(), QSet<QString>(sample.groups.cbegin(), sample.groups.cend()).size());
        for (qsizetype i = 1; i < groups.size(); ++i) {
            QVERIFY(groups[i].symbol.colour != groups[i - 1].symbol.colour);
        }
        QList<QPointF> places;
        for (int i : std::as_const(sample.drawn)) {
            const QPointF at = result.mapping.toDevice(sample.layer.dataPoint(i));
            places.append(at);
            const QColor colour = groups[sample.layer.groupOf(i)].symbol.colour;
            QCOMPARE(QColor(drawnImage.pixel(int(at.x()), int(at.y()))), colour);
        }
        // Nothing else changed, but for the legend and the note in the top right.
        const QRectF plot = result.mapping.kind() == DiagramMapping::Kind::Triangular
                                ? result.mapping.triangle().boundingRect()
                                : result.mapping.plotRect();
        const QRectF legendArea(plot.center().x(), plot.top(), plot.width() / 2, plot.height() * 0.4);
        QHash<QRgb, int> legendColours;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                if (bare.pixel(x, y) == drawnImage.pixel(x, y)) {
                    continue;
                }
                if (legendArea.contains(x, y)) {
                    ++legendColours[drawnImage.pixel(x, y)];
                    continue;
                }
                const bool nearSample = std::any_of(places.cbegin(), places.cend(), [&](QPointF p) {
                    return std::abs(p.x() - x) <= 10 && std::abs(p.y() - y) <= 10;
                });
                QVERIFY2(nearSample, qPrintable(u"changed at %1, %2"_s.arg(x).arg(y)));
            }
        }
        for (const SampleGroup &group : groups) {
            QVERIFY2(legendColours.value(group.symbol.colour.rgb()) > 0, qPrintable(group.name));
        }
        QVERIFY(!legendColours.isEmpty());
    }

    void axisTitles_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("title");
        QTest::newRow("oxides") << u"Na2O+K2O"_s << u""_s << u"Na_2O+K_2O"_s;
        QTest::newRow("unit") << u"SiO2"_s << u"wt%"_s << u"SiO_2 (wt%)"_s;
        QTest::newRow("numbers and functions stay") << u"log10(Rb)/0.5"_s << u""_s << u"log10(Rb)/0.5"_s;
        QTest::newRow("factor") << u"FeO + 0.8998*Fe2O3"_s << u""_s << u"FeO + 0.8998\u00b7Fe_2O_3"_s;
        QTest::newRow("quoted name") << u"\"Al2O3\"/mol(CaO)"_s << u""_s << u"Al_2O_3/mol(CaO)"_s;
    }

    void axisTitles()
    {
        QFETCH(QString, expression);
        QFETCH(QString, unit);
        QFETCH(QString, title);
        QCOMPARE(AxisTitle::fromExpression(expression, unit), title);
    }

    // Titles, sub- and superscripts, equal decades and print lines change the drawing; without
    // them it stays as it was.
    void renderOptions()
    {
        const QList<AxisTitle::Run> runs = AxisTitle::runs(u"^{87}Sr/Fe^3+ SiO_2"_s);
        QCOMPARE(runs.size(), 5);
        QCOMPARE(runs[0].text, u"87"_s);
        QCOMPARE(runs[0].shift, 1);
        QCOMPARE(runs[2].text, u"3+"_s);
        QCOMPARE(runs[4].text, u"2"_s);
        QCOMPARE(runs[4].shift, -1);

        Figure figure = logLog();
        figure.points.append({u"1"_s, u"False"_s, u"2"_s, u"2"_s, u"1"_s});
        figure.points.append({u"1"_s, u"False"_s, u"1000"_s, u"1000"_s, u"1"_s});
        const DiagramRenderer renderer(figure, Wording::English);
        const QRectF target(0, 0, 600, 400);
        const QRectF plain = renderer.layout(target).plotRect();
        RenderOptions options;
        options.equalDecades = true;
        const QRectF equal = renderer.layout(target, nullptr, options).plotRect();
        QVERIFY(std::abs(plain.width() - plain.height()) > 50);
        QVERIFY2(std::abs(equal.width() - equal.height()) < 0.01 && plain.contains(equal),
                 qPrintable(u"%1 x %2"_s.arg(equal.width()).arg(equal.height())));

        options = {};
        options.xTitle = u"Y+Nb_2"_s;
        options.yTitle = u"Rb"_s;
        const QRectF titled = renderer.layout(target, nullptr, options).plotRect();
        QVERIFY(titled.bottom() < plain.bottom() && titled.left() > plain.left());
        const QImage image = renderer.renderImage(target.size().toSize(), options);
        auto inked = [&](const QRect &area) {
            for (int y = area.top(); y <= area.bottom(); ++y) {
                for (int x = area.left(); x <= area.right(); ++x) {
                    if (qGray(image.pixel(x, y)) < 128) {
                        return true;
                    }
                }
            }
            return false;
        };
        // The y title in the row kept for it at the left, beyond the tick labels.
        QVERIFY(inked(QRect(0, int(titled.top()), int(titled.left() - plain.left()) - 1, int(titled.height()))));
        QVERIFY(inked(QRect(int(titled.left()), int(plain.bottom()) + 2, int(titled.width()),
                            int(target.bottom() - plain.bottom()) - 3)));

        auto blue = [](const QImage &picture) {
            int count = 0;
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    const QRgb p = picture.pixel(x, y);
                    count += qBlue(p) > qRed(p) + 60;
                }
            }
            return count;
        };
        options = {};
        QVERIFY(blue(renderer.renderImage(target.size().toSize(), options)) > 100);
        options.blackLines = true;
        options.lineWidth = 3;
        QCOMPARE(blue(renderer.renderImage(target.size().toSize(), options)), 0);
    }
};

QTEST_MAIN(TestSampleLayer)
#include "tst_samplelayer.moc"
