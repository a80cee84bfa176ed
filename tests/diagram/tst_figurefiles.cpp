// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/FigureExport.h>
#include <diagram/GifWriter.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Figure sample()
{
    Figure figure;
    figure.record.th = u"B001"_s;
    figure.record.tm = u"TAS 全碱-硅"_s;
    figure.record.LB = u"B"_s;
    figure.record.X = {u"35"_s, u"80"_s, u"1"_s, u"5"_s, u"0"_s, u"False"_s, u"0"_s};
    figure.record.Y = {u"0"_s, u"16"_s, u"1"_s, u"2"_s, u"35"_s, u"False"_s, u"0"_s};
    figure.record.border = u"True"_s;
    figure.points = {{u"1"_s, u"False"_s, u"41"_s, u"0"_s, u"0"_s},
                     {u"1"_s, u"False"_s, u"41"_s, u"7"_s, u"1"_s},
                     {u"1"_s, u"False"_s, u"52.5"_s, u"14"_s, u"3"_s}};
    figure.labels = {{u"60"_s, u"5"_s, u"Andesite\n安山岩"_s}};
    return figure;
}

} // namespace

class TestFigureFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void gifRoundTrip_keepsSizeAndLineColours()
    {
        const DiagramRenderer renderer(sample());
        const QImage drawn = renderer.renderImage(QSize(393, 337)).convertToFormat(QImage::Format_RGB32);
        const QString file = dir.filePath(u"BP001.gif"_s);
        QString error;
        QVERIFY2(GifWriter::write(drawn, file, &error), qPrintable(error));

        QImageReader reader(file);
        QCOMPARE(reader.format(), QByteArray("gif"));
        const QImage read = reader.read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(read.size(), QSize(393, 337));
        // The pure colours of the drawing (background, line, axis) come back exactly.
        const DiagramMapping mapping = renderer.layout(QRectF(0, 0, 393, 337));
        const QPoint onLine = mapping.toDevice({41, 3.5}).toPoint();
        QHash<QRgb, int> drawnCounts;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                ++drawnCounts[drawn.pixel(x, y)];
            }
        }
        int exact = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                exact += drawn.pixel(x, y) == read.pixel(x, y) ? 1 : 0;
            }
        }
        QCOMPARE(read.pixel(onLine), drawn.pixel(onLine));
        QCOMPARE(read.pixel(0, 0), qRgb(255, 255, 255));
        QVERIFY(exact > drawn.width() * drawn.height() * 95 / 100);
        // Nothing is left behind but the picture.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"BP001.gif"_s});
    }

    void gifOfFewColours_isExact()
    {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(qRgb(255, 255, 255));
        for (int x = 0; x < 40; ++x) {
            image.setPixel(x, 10, qRgb(0, 70, 170));
            image.setPixel(x, 20, qRgb(230, 80, 0));
        }
        const QString file = dir.filePath(u"few.gif"_s);
        QVERIFY(GifWriter::write(image, file));
        QCOMPARE(QImage(file).convertToFormat(QImage::Format_RGB32), image);
    }

    void failedGifWrite_saysWhy_andKeepsTheOldFile()
    {
        QString error;
        QVERIFY(!GifWriter::write(QImage(10, 10, QImage::Format_RGB32), dir.filePath(u"missing/x.gif"_s), &error));
        QVERIFY(error.contains(u"文件夹不存在"_s));
        QVERIFY(!QFile::exists(dir.filePath(u"missing/x.gif"_s)));

        const QString old = dir.filePath(u"old.gif"_s);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(GifWriter::write(image, old));
        QVERIFY(!GifWriter::write(QImage(), old, &error));
        QCOMPARE(QImage(old).size(), QSize(8, 8));
    }

    void exports_writeSvgPdfPng_andRefuseUnknownEndings()
    {
        const DiagramRenderer renderer(sample());
        QString error;
        const QString svg = dir.filePath(u"tas.svg"_s), pdf = dir.filePath(u"tas.pdf"_s),
                      png = dir.filePath(u"tas.png"_s);
        QVERIFY2(FigureExport::write(renderer, svg, QSize(800, 600), {}, &error), qPrintable(error));
        QVERIFY2(FigureExport::write(renderer, pdf, QSize(800, 600), {}, &error), qPrintable(error));
        QVERIFY2(FigureExport::write(renderer, png, QSize(640, 480), {}, &error), qPrintable(error));

        QFile svgFile(svg);
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        const QByteArray svgText = svgFile.readAll();
        QVERIFY(svgText.contains("<svg"));
        QVERIFY(svgText.contains("Andesite"));
        QFile pdfFile(pdf);
        QVERIFY(pdfFile.open(QIODevice::ReadOnly));
        QVERIFY(pdfFile.read(5) == "%PDF-");
        QCOMPARE(QImage(png).size(), QSize(640, 480));

        QVERIFY(!FigureExport::write(renderer, dir.filePath(u"tas.doc"_s), QSize(800, 600), {}, &error));
        QVERIFY(error.contains(u".svg"_s));
        QVERIFY(!FigureExport::write(renderer, dir.filePath(u"none/tas.svg"_s), QSize(800, 600), {}, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!FigureExport::write(renderer, png, QSize(0, 600), {}, &error));
        QCOMPARE(QImage(png).size(), QSize(640, 480));
    }
};

QTEST_MAIN(TestFigureFiles)
#include "tst_figurefiles.moc"
