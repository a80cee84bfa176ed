// SPDX-License-Identifier: GPL-3.0-or-later
#include <digitiser/Calibration.h>

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

// A scan of a figure as a camera or a scanner leaves it: axis space scaled, rotated, skewed and
// shifted into pixels.
struct Scan
{
    double scaleX, scaleY, degrees, shear;
    QPointF origin;
    bool logX = false, logY = false;

    QPointF pixel(double x, double y) const
    {
        const double u = logX ? std::log10(x) : x, v = logY ? std::log10(y) : y;
        const double a = degrees * M_PI / 180;
        const double px = u * scaleX + v * shear, py = -v * scaleY;
        return origin + QPointF(px * std::cos(a) - py * std::sin(a), px * std::sin(a) + py * std::cos(a));
    }
    Calibration::Reference ref(double x, double y) const { return {pixel(x, y), x, y}; }
};

class TestCalibration : public QObject
{
    Q_OBJECT

private slots:
    void axes_mapRotatedSkewedScans_onLinearAndLogAxes_data()
    {
        QTest::addColumn<bool>("logX");
        QTest::addColumn<bool>("logY");
        QTest::newRow("linear") << false << false;
        QTest::newRow("log-log") << true << true;
        QTest::newRow("log x") << true << false;
    }
    void axes_mapRotatedSkewedScans_onLinearAndLogAxes()
    {
        QFETCH(bool, logX);
        QFETCH(bool, logY);
        const Scan scan{logX ? 300.0 : 12.0, logY ? 250.0 : 31.0, 2.5, 4.0, QPointF(140, 2900), logX, logY};
        // References on the axes, away from the origin and each other, as a user clicks them.
        const double x1 = logX ? 10 : 40, x2 = logX ? 1000 : 75, y1 = logY ? 10 : 2, y2 = logY ? 1000 : 14;
        const double xAxisY = logY ? 1 : 0, yAxisX = logX ? 1 : 35;
        QString error;
        const Calibration c = Calibration::axes(scan.ref(x1, xAxisY), scan.ref(x2, xAxisY), scan.ref(yAxisX, y1),
                                                scan.ref(yAxisX, y2), logX, logY, &error);
        QVERIFY2(c.isValid(), qPrintable(error));
        for (const QPointF data :
             {QPointF(logX ? 3 : 52.5, logY ? 77 : 9.3), QPointF(logX ? 1500 : 79, logY ? 2 : 0.5)}) {
            const QPointF back = c.toData(scan.pixel(data.x(), data.y()));
            QVERIFY2(std::abs(back.x() - data.x()) < 1e-9 * std::max(1.0, data.x()),
                     qPrintable(QString::number(back.x())));
            QVERIFY(std::abs(back.y() - data.y()) < 1e-9 * std::max(1.0, data.y()));
            const QPointF pixel = c.toPixel(data);
            QVERIFY(std::hypot(pixel.x() - scan.pixel(data.x(), data.y()).x(),
                               pixel.y() - scan.pixel(data.x(), data.y()).y()) < 1e-6);
        }
        if (logX) {
            QVERIFY(std::isnan(c.toPixel({0, 5}).x()));
        }
        // Saved in the settings and read back: the same map.
        const Calibration again = Calibration::fromText(c.toText());
        QVERIFY(again.isValid());
        QCOMPARE(again.toData({700, 1200}), c.toData({700, 1200}));
    }

    void threePointsAndTriangle_solveTheAffineMap()
    {
        const Scan scan{9.0, 9.0, -3, 0.0, QPointF(50, 900)};
        QString error;
        const Calibration three =
            Calibration::threePoints(scan.ref(40, 1), scan.ref(70, 3), scan.ref(45, 15), false, false, &error);
        QVERIFY2(three.isValid(), qPrintable(error));
        const QPointF back = three.toData(scan.pixel(63.25, 11.5));
        QVERIFY(std::abs(back.x() - 63.25) < 1e-9 && std::abs(back.y() - 11.5) < 1e-9);

        const Calibration triangle =
            Calibration::triangle(scan.pixel(0, 0), scan.pixel(100, 0), scan.pixel(50, 86.6025), &error);
        QVERIFY2(triangle.isValid(), qPrintable(error));
        const QPointF middle = triangle.toData(scan.pixel(50, 28.8675));
        QVERIFY(std::abs(middle.x() - 50) < 1e-9 && std::abs(middle.y() - 28.8675) < 1e-9);
        QCOMPARE(Calibration::fromText(triangle.toText()).kind(), Calibration::Kind::Triangle);
    }

    void badReferences_areRefusedWithAMessage()
    {
        const Scan scan{10, 10, 0, 0, QPointF(0, 500)};
        QString error;
        auto axes = [&](Calibration::Reference x1, Calibration::Reference x2, Calibration::Reference y1,
                        Calibration::Reference y2, bool logX = false, bool logY = false) {
            error.clear();
            return Calibration::axes(x1, x2, y1, y2, logX, logY, &error);
        };
        QVERIFY(!axes(scan.ref(40, 0), scan.ref(40, 0), scan.ref(0, 2), scan.ref(0, 10)).isValid());
        QVERIFY(error.contains(u"同一个位置"_s));
        Calibration::Reference sameValue = scan.ref(60, 0);
        sameValue.x = 40;
        QVERIFY(!axes(scan.ref(40, 0), sameValue, scan.ref(0, 2), scan.ref(0, 10)).isValid());
        QVERIFY(error.contains(u"值相同"_s));
        QVERIFY(!axes(scan.ref(0, 0), scan.ref(10, 0), scan.ref(1, 2), scan.ref(1, 10), true, false).isValid());
        QVERIFY2(error.contains(u"对数坐标"_s) && error.contains(u"大于 0"_s), qPrintable(error));
        // The y references on the x axis's line: no map.
        QVERIFY(
            !axes(scan.ref(10, 0), scan.ref(50, 0), {scan.pixel(20, 0), 0, 2}, {scan.pixel(30, 0), 0, 10}).isValid());
        QVERIFY(error.contains(u"平行"_s));

        QVERIFY(
            !Calibration::threePoints(scan.ref(1, 1), scan.ref(2, 2), scan.ref(3, 3), false, false, &error).isValid());
        QVERIFY(error.contains(u"直线"_s));
        QVERIFY(!Calibration::triangle({10, 10}, {10, 10}, {50, 0}, &error).isValid());
        QVERIFY(!Calibration::fromText(u"Axes|00|1 2 3"_s).isValid());
        QVERIFY(!Calibration::fromText(QString()).isValid());
    }

    void rounding_keepsWhatOnePixelCanTellApart()
    {
        QCOMPARE(Precision::rounded(52.53781, 0.045), u"52.54"_s);
        QCOMPARE(Precision::rounded(52.53781, 0.1), u"52.5"_s);
        QCOMPARE(Precision::rounded(1234.5678, 20), u"1230"_s);
        QCOMPARE(Precision::rounded(-0.00004, 0.01), u"0"_s);
        QCOMPARE(Precision::rounded(3.0, 0.01), u"3"_s);
        QCOMPARE(Precision::rounded(0.000123456, 1e-6), u"0.000123"_s);

        // A 1,000-pixel wide scan of 35..80: 0.045 per pixel, two decimals.
        const Scan scan{1000.0 / 45, 60, 0, 0, QPointF(-35 * 1000.0 / 45, 1000)};
        QString error;
        const Calibration c = Calibration::axes(scan.ref(40, 0), scan.ref(75, 0), scan.ref(35, 2), scan.ref(35, 14),
                                                false, false, &error);
        const auto [x, y] = c.roundedData(scan.pixel(52.5371, 9.3172));
        QCOMPARE(x, u"52.54"_s);
        QCOMPARE(y, u"9.32"_s);
    }
};

QTEST_APPLESS_MAIN(TestCalibration)
#include "tst_calibration.moc"
