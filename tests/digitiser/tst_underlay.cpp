// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/GifWriter.h>
#include <digitiser/Underlay.h>

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Scans as users bring them: real files written here, some cut short, and PDF pages of any size.
class TestUnderlay : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static QImage drawing()
    {
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 2));
        for (int x = 0; x < 300; x += 25) {
            painter.drawLine(x, 0, 300 - x, 200);
        }
        return image;
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(name));
        }
        return file.fileName();
    }

    // A one-page PDF, written as text, whose page is width x height points with a black square
    // in its lower left corner.
    QString pdf(const QString &name, double width, double height)
    {
        const QByteArray content = "0 g 0 0 72 72 re f\n";
        const QList<QByteArray> objects{
            "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(width) + ' ' +
                QByteArray::number(height) + "] /Contents 4 0 R >>",
            "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream"};
        QByteArray text = "%PDF-1.4\n";
        QList<qsizetype> offsets;
        for (int i = 0; i < objects.size(); ++i) {
            offsets << text.size();
            text += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        }
        const qsizetype xref = text.size();
        text += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
        for (qsizetype offset : offsets) {
            text += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        }
        text += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
                QByteArray::number(xref) + "\n%%EOF\n";
        return write(name, text);
    }

private slots:
    void cutOrDamagedPictures_areRefusedAsIncomplete_wholeOnesLoad_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("keep"); // bytes kept: > 0 from the start, <= 0 that many cut off the end
        QTest::addColumn<bool>("loads");
        for (const QString &format : {u"jpg"_s, u"gif"_s, u"bmp"_s, u"png"_s}) {
            QTest::addRow("%s whole", qPrintable(format)) << format << 0 << true;
            QTest::addRow("%s cut at 60%%", qPrintable(format)) << format << -60 << false;
        }
        QTest::addRow("jpg without its last two bytes") << u"jpg"_s << -2 << false;
        QTest::addRow("bmp without its last row") << u"bmp"_s << -1200 << false;
        QTest::addRow("gif cut in its header") << u"gif"_s << 10 << false;
    }
    void cutOrDamagedPictures_areRefusedAsIncomplete_wholeOnesLoad()
    {
        QFETCH(QString, format);
        QFETCH(int, keep);
        QFETCH(bool, loads);
        const QString whole = dir.filePath(u"whole."_s + format);
        if (format == u"gif"_s) {
            QVERIFY(GifWriter::write(drawing(), whole));
        } else {
            QVERIFY(drawing().save(whole));
        }
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        if (keep == -60) {
            bytes.truncate(bytes.size() * 60 / 100);
        } else if (keep < 0) {
            bytes.chop(-keep);
        } else if (keep > 0) {
            bytes.truncate(keep);
        }
        const QString name = write(u"scan."_s + format, bytes);
        QString error;
        const QImage image = Underlay::load(name, &error);
        QCOMPARE(!image.isNull(), loads);
        if (loads) {
            QCOMPARE(image.size(), QSize(300, 200));
            QVERIFY(error.isEmpty());
        } else {
            QVERIFY(!error.isEmpty());
            QVERIFY2(error.contains(u"scan."_s + format), qPrintable(error));
            if (keep < 0 && format != u"png"_s) { // a cut PNG is refused by its reader, in its words
                QVERIFY2(error.contains(u"不完整"_s), qPrintable(error));
            }
        }
    }

    // A PNG of 170 KB that announces 30,000 x 30,000 pixels: refused by its size, before reading.
    void hugePicture_isRefusedWithItsSize()
    {
        const QString name = dir.filePath(u"huge.png"_s);
        {
            QImage huge(30000, 30000, QImage::Format_Mono);
            huge.fill(1);
            QVERIFY(huge.save(name));
        }
        QString error;
        QVERIFY(Underlay::load(name, &error).isNull());
        QVERIFY2(error.contains(u"30000 × 30000"_s) && error.contains(u"太大"_s), qPrintable(error));
    }

    // A page of 200 inches would take 40,000 x 40,000 pixels at 200 dpi; it is drawn smaller,
    // its paper white, and what is on it in its place.
    void pdfPages_areDrawnWithinTheLimits_orRefusedWithTheReason_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QSize>("size"); // expected; empty when refused
        QTest::addRow("A4") << 595.0 << 842.0 << QSize(1653, 2339);
        QTest::addRow("50 inches square") << 3600.0 << 3600.0 << QSize(7071, 7071);
        QTest::addRow("200 inches square") << 14400.0 << 14400.0 << QSize(7071, 7071);
        QTest::addRow("200 x 10 inches") << 14400.0 << 720.0 << QSize(20000, 1000);
        QTest::addRow("200 inches x a hair") << 14400.0 << 5.0 << QSize();
    }
    void pdfPages_areDrawnWithinTheLimits_orRefusedWithTheReason()
    {
        if (!Underlay::canReadPdf()) {
            QSKIP("built without Qt PDF");
        }
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(QSize, size);
        QString error;
        const QImage page = Underlay::load(pdf(u"page.pdf"_s, width, height), &error);
        if (size.isEmpty()) {
            QVERIFY(page.isNull());
            QVERIFY2(error.contains(u"太窄"_s) && error.contains(u"page.pdf"_s), qPrintable(error));
            return;
        }
        QVERIFY2(!page.isNull(), qPrintable(error));
        QCOMPARE(page.size(), size);
        QCOMPARE(page.format(), QImage::Format_RGB32);
        // The square of one inch at the lower left, white paper elsewhere.
        const double perPoint = page.width() / width;
        QCOMPARE(page.pixelColor(qRound(36 * perPoint), page.height() - 1 - qRound(36 * perPoint)), QColor(Qt::black));
        QCOMPARE(page.pixelColor(page.width() - 2, 1), QColor(Qt::white));
    }
};

QTEST_MAIN(TestUnderlay)
#include "tst_underlay.moc"
