// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"

#include <QImage>
#include <QProcess>

using namespace Qt::StringLiterals;

// taprell-plot as a user runs it: a sample table on figures of a library, the files it writes,
// its exit statuses and what it says about the samples it could not draw.
class TestTaprellPlot : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    QString csv;

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>();
        csv = lib->dir.filePath(u"rocks.csv"_s);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Two samples without a value (no SiO2), one beyond TAS's frame (SiO2 90).
        file.write("Sample,Type,SiO2 (wt%),Na2O,K2O,FeO,MgO\n"
                   "a,basalt,49.2,2.5,0.8,9.1,7.2\n"
                   "b,andesite,58.1,3.4,1.6,6.0,3.1\n"
                   "c,basalt,n.d.,2.9,0.5,8.8,6.5\n"
                   "d,rhyolite,73.5,3.9,4.4,1.2,0.3\n"
                   "e,andesite,<0.01,3.1,1.2,5.5,2.8\n"
                   "f,rhyolite,90,3.0,4.0,1.0,0.2\n");
    }
    void cleanup() { lib.reset(); }

    void runs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("files"); // written, as pictures
        QTest::addColumn<QString>("err");       // a pattern the error output must match

        const QStringList tas = {u"--figure"_s, u"B001"_s, u"--x"_s, u"SiO2"_s, u"--y"_s, u"Na2O+K2O"_s};
        QTest::newRow("TAS as SVG, grouped")
            << (tas + QStringList{u"--group"_s, u"type"_s, u"-o"_s, u"{dir}/tas.svg"_s}) << 0
            << QStringList{u"tas.svg"_s}
            << u"B001: 3 of 6 samples drawn, 2 without a value \\(most often: SiO2 \\(wt%\\) has no value\\), "
               "1 outside the frame\\n"_s;
        QTest::newRow("two figures as PNG, the number in each name")
            << QStringList{u"--figure"_s, u"B001"_s, u"--figure"_s, u"b002"_s,         u"--x"_s,      u"SiO2"_s,
                           u"--y"_s,      u"K2O"_s,  u"--width"_s,  u"400"_s,          u"--height"_s, u"300"_s,
                           u"--dpi"_s,    u"300"_s,  u"-o"_s,       u"{dir}/out.png"_s}
            << 0 << QStringList{u"out-B001.png"_s, u"out-B002.png"_s} << u"B002: 3 of 6 samples drawn"_s;
        QTest::newRow("AFM as PDF") << QStringList{u"--figure"_s,           u"T001"_s, u"--corners"_s,
                                                   u"Na2O+K2O, FeO, MgO"_s, u"-o"_s,   u"{dir}/afm.pdf"_s}
                                    << 0 << QStringList{u"afm.pdf"_s}
                                    << u"T001: 6 of 6 samples drawn, 0 without a value, 0 outside"_s;
        QTest::newRow("corners for a rectangular figure")
            << QStringList{u"--figure"_s, u"B001"_s, u"--corners"_s, u"Na2O,FeO,MgO"_s, u"-o"_s, u"{dir}/x.svg"_s} << 1
            << QStringList{} << u"B001: a rectangular figure takes --x and --y"_s;
        QTest::newRow("each figure's own axes, from the library")
            << QStringList{u"--figure"_s, u"B001"_s, u"--figure"_s, u"B002"_s,
                           u"--group"_s,  u"type"_s, u"-o"_s,       u"{dir}/own.svg"_s}
            << 0 << QStringList{u"own-B001.svg"_s, u"own-B002.svg"_s}
            << u"B001: 3 of 6 samples drawn.*\nB002: 3 of 6 samples drawn"_s;
        QTest::newRow("only --x") << QStringList{u"--figure"_s, u"B001"_s, u"--x"_s,
                                                 u"SiO2"_s,     u"-o"_s,   u"{dir}/x.svg"_s}
                                  << 2 << QStringList{} << u"Usage: taprell-plot"_s;
        QTest::newRow("unknown figure") << (QStringList{u"--figure"_s, u"Z999"_s, u"--x"_s, u"SiO2"_s, u"--y"_s,
                                                        u"K2O"_s, u"-o"_s, u"{dir}/x.svg"_s})
                                        << 4 << QStringList{} << u"no figure Z999"_s;
        QTest::newRow("expression error") << (QStringList{u"--figure"_s, u"B001"_s, u"--x"_s, u"SiO2+"_s, u"--y"_s,
                                                          u"K2O"_s, u"-o"_s, u"{dir}/x.svg"_s})
                                          << 6 << QStringList{} << u"in \"SiO2\\+\" at \\d+: "_s;
        QTest::newRow("no group column") << (tas + QStringList{u"--group"_s, u"Locality"_s, u"-o"_s, u"{dir}/x.svg"_s})
                                         << 6 << QStringList{} << u"\"Locality\" is not in the table"_s;
        QTest::newRow("missing output folder")
            << (tas + QStringList{u"-o"_s, u"{dir}/nowhere/x.svg"_s}) << 5 << QStringList{} << u"cannot write into"_s;
    }

    // A figure the library keeps no expressions for needs them on the command line.
    void aFigureWithoutAxesNeedsExpressions()
    {
        lib->exec(u"DELETE FROM picAxis WHERE th = 'B001'"_s);
        QProcess process;
        process.start(QStringLiteral(TAPRELL_PLOT), {u"--library"_s, lib->location(), u"--samples"_s, csv,
                                                     u"--figure"_s, u"B001"_s, u"-o"_s, lib->dir.filePath(u"x.svg"_s)});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(
            process.readAllStandardError().contains("B001 has no axis expressions in the library: give --x and --y"));
    }

    // Each sample named by the field it falls in, on two figures at once, as a table and as counts.
    void classifiesIntoATable()
    {
        const QString table = lib->dir.filePath(u"named.csv"_s);
        QProcess process;
        process.start(QStringLiteral(TAPRELL_PLOT),
                      {u"--library"_s, lib->location(), u"--samples"_s, csv, u"--figure"_s, u"B001"_s, u"--figure"_s,
                       u"B002"_s, u"--classify"_s, table});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QString counts = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(counts.contains(u"B001\tBasalt 玄武岩\t1\n"_s) && counts.contains(u"B001\tno value\t2\n"_s) &&
                     counts.contains(u"B001\toutside the diagram\t1\n"_s),
                 qPrintable(counts));
        QFile file(table);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const QStringList rows = text.split(u"\na,"_s); // the first sample's row starts there
        QVERIFY2(rows.size() == 2 && rows[1].contains(u"\"Basalt\n玄武岩\""_s) &&
                     rows[1].contains(u"\"Calc-alkaline series\n钙碱性系列\""_s),
                 qPrintable(text.left(2000)));
    }

    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, files);
        QFETCH(QString, err);
        for (QString &argument : arguments) {
            argument.replace(u"{dir}"_s, lib->dir.path());
        }
        QProcess process;
        process.start(QStringLiteral(TAPRELL_PLOT),
                      QStringList{u"--library"_s, lib->location(), u"--samples"_s, csv} + arguments);
        QVERIFY(process.waitForFinished(60000));
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitCode() == status, qPrintable(u"exit %1: %2"_s.arg(process.exitCode()).arg(errors)));
        QVERIFY2(QRegularExpression(err).match(errors).hasMatch(), qPrintable(errors));
        for (const QString &name : std::as_const(files)) {
            QFile file(lib->dir.filePath(name));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
            const QByteArray bytes = file.readAll();
            if (name.endsWith(u".png"_s)) {
                const QImage image = QImage::fromData(bytes);
                QCOMPARE(image.size(), QSize(400, 300));
                QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 300);
            } else if (name.endsWith(u".svg"_s)) {
                QVERIFY(bytes.contains("<svg") && bytes.contains("basalt") && bytes.contains("1 outside"));
            } else {
                QVERIFY(bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF"));
            }
        }
    }
};

QTEST_MAIN(TestTaprellPlot)
#include "tst_taprellplot.moc"
