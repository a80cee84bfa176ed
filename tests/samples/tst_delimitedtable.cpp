// SPDX-License-Identifier: GPL-3.0-or-later
#include <samples/DelimitedTable.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace samples;

namespace {

QByteArray encoded(const QString &text, const char *encoding, bool mark)
{
    QStringEncoder encoder(encoding, mark ? QStringEncoder::Flag::WriteBom : QStringEncoder::Flag::Default);
    return encoder.encode(text);
}

} // namespace

class TestDelimitedTable : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray &bytes)
    {
        static int count = 0;
        const QString name = m_dir.filePath(QStringLiteral("t%1.csv").arg(++count));
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write a test file");
        }
        return name;
    }

private slots:
    // The same table in every encoding a lab's files come in, with Chinese ids, a quoted field
    // holding the delimiter, a line end and a doubled quote, and cells that are not numbers.
    void readsTheTableInEveryEncoding_data()
    {
        const QString text = QStringLiteral("样号,SiO2 (wt%),Na2O,备注\r\n"
                                            "花岗岩-1,69.14,4.08,\"细粒, \"\"新鲜\"\"\n有包体\"\r\n"
                                            "\r\n"
                                            "玄武岩-2,49.9,<0.01,\r\n"
                                            "闪长岩-3,n.d.,3.5e0,旧\r\n");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8") << text.toUtf8();
        QTest::newRow("UTF-8 with mark") << encoded(text, "UTF-8", true);
        QTest::newRow("UTF-16LE with mark") << encoded(text, "UTF-16LE", true);
        QTest::newRow("UTF-16LE without mark") << encoded(text, "UTF-16LE", false);
        QTest::newRow("UTF-16BE without mark") << encoded(text, "UTF-16BE", false);
        QTest::newRow("GB18030") << encoded(text, "GB18030", false);
    }
    void readsTheTableInEveryEncoding()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!bytes.isEmpty());
        const ReadResult read = readDelimitedFile(write(bytes));
        QVERIFY2(read.ok(), qPrintable(read.error));
        const SampleTable &t = read.table;
        QCOMPARE(t.columnNames(), QStringList({QStringLiteral("样号"), QStringLiteral("SiO2 (wt%)"),
                                               QStringLiteral("Na2O"), QStringLiteral("备注")}));
        QCOMPARE(t.rowCount(), 3);
        QCOMPARE(t.column(0).text(1), QStringLiteral("玄武岩-2"));
        QCOMPARE(t.column(3).text(0), QStringLiteral("细粒, \"新鲜\"\n有包体"));
        QCOMPARE(t.value(0, 1), 69.14);
        QCOMPARE(t.value(2, 2), 3.5);
        QVERIFY(std::isnan(t.value(1, 2)));
        QCOMPARE(t.column(2).text(1), QStringLiteral("<0.01"));
        QCOMPARE(t.column(1).text(2), QStringLiteral("n.d."));
        QCOMPARE(t.column(1).noValueCount(), 1);
        QCOMPARE(t.column(3).noValueCount(), 3); // two texts and an empty cell
        QCOMPARE(t.column(0).noValueCount(), 3);
    }

    // Delimiter and decimal separator from the text; quotes hide delimiters from the detection.
    void detectsDelimiterAndDecimalSeparator_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::newRow("semicolon, decimal comma")
            << QByteArray("Probe;SiO2;TiO2\nA;50,12;1,5\nB;48,0;-0,25e1\n") << 50.12 << -2.5;
        QTest::newRow("semicolon, decimal point too")
            << QByteArray("Probe;SiO2;TiO2\nA;50.12;1,5\nB;48;-2.5\n") << 50.12 << -2.5;
        QTest::newRow("tab") << QByteArray("Sample\tSiO2\tTiO2\nA,1\t50.12\t1.5\nB\t48\t-2.5\n") << 50.12 << -2.5;
        QTest::newRow("comma, quoted semicolons")
            << QByteArray("\"a;b;c\",SiO2,TiO2\n\"x;y\",50.12,1.5\nB,48,-2.5\n") << 50.12 << -2.5;
    }
    void detectsDelimiterAndDecimalSeparator()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, first);
        QFETCH(double, last);
        const ReadResult read = readDelimitedFile(write(bytes));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.table.columnCount(), 3);
        QCOMPARE(read.table.rowCount(), 2);
        QCOMPARE(read.table.value(0, 1), first);
        QCOMPARE(read.table.value(1, 2), last);
    }

    void readsAPastedSpreadsheetRange()
    {
        const ReadResult read =
            readPastedText(QStringLiteral("Sample\tSiO2\tNa2O\tK2O\r\nA-1\t50.1\tbdl\t1.2\r\nA-2\t\t3.1\t1,2\r\n"));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.table.rowCount(), 2);
        QCOMPARE(read.table.value(1, 2), 3.1);
        QVERIFY(std::isnan(read.table.value(1, 1)));
        // A decimal comma is not guessed in a tab-separated paste: kept as text, without a value.
        QVERIFY(std::isnan(read.table.value(1, 3)));
        QCOMPARE(read.table.column(3).text(1), QStringLiteral("1,2"));
    }

    void matchesColumnNamesWithoutCaseSpacesAndUnits()
    {
        const ReadResult read = readPastedText(
            QStringLiteral("SIO2 (wt%)\tAl2O3_wt%\tFe O wt.%\tRb ppm\tK2O\tk2o [%]\nx\t1\t2\t3\t4\t5\n"));
        QVERIFY2(read.ok(), qPrintable(read.error));
        const struct
        {
            const char *name;
            QList<qsizetype> columns;
        } cases[] = {
            {"SiO2", {0}}, {"sio2", {0}}, {"Al2O3", {1}}, {"FeO", {2}}, {"Rb", {3}}, {"K2O", {4, 5}}, {"MgO", {}},
        };
        for (const auto &c : cases) {
            QCOMPARE(read.table.find(QString::fromUtf8(c.name)).columns, c.columns);
        }
    }

    // Clear messages, no table, memory bounded by what the file holds.
    void refusesBadInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("文本是空的");
        QTest::newRow("header only") << QByteArray("Sample,SiO2\r\n\r\n") << QStringLiteral("只有表头");
        QTest::newRow("duplicate names") << QByteArray("Sample,SiO2,sio2\nA,1,2\n") << QStringLiteral("同名");
        QByteArray wide = "a";
        for (int i = 1; i < 100000; ++i) {
            wide += ",c" + QByteArray::number(i);
        }
        QTest::newRow("100,000 columns") << wide + "\n1\n" << QStringLiteral("最多只能有 16384 列");
        QTest::newRow("unclosed quote") << QByteArray("Sample,SiO2\n\"A,1\nB,2\n") << QStringLiteral("第 2 行的引号");
        QTest::newRow("more fields than columns")
            << QByteArray("Sample,SiO2\nA,1\nB,2,3\n") << QStringLiteral("第 3 行有 3 个字段");
        QByteArray garbage(70000, '\0');
        for (int i = 0; i < garbage.size(); ++i) {
            garbage[i] = char((i * 7919 + 13) % 256);
        }
        QTest::newRow("binary garbage") << garbage << QStringLiteral("编码");
        QTest::newRow("NUL in UTF-8") << QByteArray("Sample,SiO2\nA\0B,1\n", 18) << QStringLiteral("NUL");
    }
    void refusesBadInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const ReadResult read = readDelimitedFile(write(bytes));
        QVERIFY(!read.ok());
        QVERIFY2(read.error.contains(error), qPrintable(read.error));
        QCOMPARE(read.table.rowCount(), 0);
    }

    // A file larger than one block: rows across block borders arrive whole, progress rises to
    // 1, and a "stop" ends the read without a table.
    void readsInBlocksWithProgressAndStops()
    {
        QByteArray bytes = "Sample,SiO2,Note\n";
        const int rows = 300000;
        for (int i = 0; i < rows; ++i) {
            bytes += "S" + QByteArray::number(i) + "," + QByteArray::number(i) + ".5,\"a\nb\"\n";
        }
        const QString file = write(bytes);
        QList<double> fractions;
        const ReadResult read = readDelimitedFile(file, {}, [&](double f) {
            fractions << f;
            return true;
        });
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.table.rowCount(), rows);
        QCOMPARE(read.table.value(rows - 1, 1), rows - 0.5);
        QCOMPARE(read.table.column(2).text(123456), QStringLiteral("a\nb"));
        QCOMPARE(read.table.column(0).text(rows - 1), QStringLiteral("S%1").arg(rows - 1));
        QVERIFY(fractions.size() > 1);
        QCOMPARE(fractions.last(), 1.0);
        QVERIFY(std::is_sorted(fractions.cbegin(), fractions.cend()));

        const ReadResult stopped = readDelimitedFile(file, {}, [](double) { return false; });
        QVERIFY(stopped.cancelled);
        QVERIFY(!stopped.ok());
    }
};

QTEST_GUILESS_MAIN(TestDelimitedTable)
#include "tst_delimitedtable.moc"
