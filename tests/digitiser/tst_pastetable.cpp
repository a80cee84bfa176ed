// SPDX-License-Identifier: GPL-3.0-or-later
#include <digitiser/PasteTable.h>

#include <QTest>

using namespace Qt::StringLiterals;

class TestPasteTable : public QObject
{
    Q_OBJECT

private slots:
    void readsTabsCommasAndBlanks_withOptionalColumns()
    {
        const PasteTable table =
            PasteTable::parse(u"41\t3\n\n41, 7, 2\r\n45 9.4 2 1 3\n  52.5\t14\t\t\n1e1,-2,4,False,0\n"_s);
        QVERIFY2(table.isValid(), qPrintable(table.error));
        QCOMPARE(table.points.size(), 5);
        QCOMPARE(table.points[0].x, u"41"_s);
        QVERIFY(!table.points[0].series);
        QCOMPARE(*table.points[1].series, u"2"_s);
        QVERIFY(!table.points[1].curve);
        QCOMPARE(*table.points[2].curve, u"True"_s);
        QCOMPARE(*table.points[2].lineType, u"3"_s);
        QCOMPARE(table.points[3].y, u"14"_s);
        QCOMPARE(*table.points[4].curve, u"False"_s);
    }

    void aRowThatIsNotNumbers_refusesTheWholeTable_namingItsLine()
    {
        const PasteTable table = PasteTable::parse(u"41\t3\n45\tx\n\n52\t14\n"_s);
        QCOMPARE(table.errorLine, 2);
        QVERIFY(table.error.contains(u"第 2 行"_s));
        QVERIFY(table.points.isEmpty());

        QCOMPARE(PasteTable::parse(u"1,2,3,4,5,6"_s).errorLine, 1);
        QCOMPARE(PasteTable::parse(u"1"_s).errorLine, 1);
        QCOMPARE(PasteTable::parse(u"1,,2"_s).errorLine, 1);
        QCOMPARE(PasteTable::parse(u"1\t\t2"_s).errorLine, 1); // an empty cell, not X 1, Y 2
        QCOMPARE(PasteTable::parse(u"1,2\n3,4,1,yes"_s).errorLine, 2);
        QCOMPARE(PasteTable::parse(u"1,2,1,0,4"_s).errorLine, 1); // line type 4
        QCOMPARE(PasteTable::parse(u"1,2,1.5"_s).errorLine, 1);   // line number 1.5
        QCOMPARE(PasteTable::parse(u"1,nan"_s).errorLine, 1);
        QVERIFY(PasteTable::parse(u"\n  \n"_s).points.isEmpty());
    }

    // Decimal commas are read where another separator splits the line; whatever could be read
    // two ways is refused, naming the line, never guessed.
    void decimalCommas_readWhereUnambiguous_refusedOtherwise_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("errorLine");
        QTest::addColumn<QString>("points"); // x y [line] per point, ";" between points

        QTest::newRow("tab") << u"2,5\t3\n4,5\t6"_s << 0 << u"2.5 3;4.5 6"_s;
        QTest::newRow("tab, line number") << u"2,5\t-3,25\t2"_s << 0 << u"2.5 -3.25 2"_s;
        QTest::newRow("semicolon") << u"0,125; 7\n1;2,75;3"_s << 0 << u"0.125 7;1 2.75 3"_s;
        QTest::newRow("blanks") << u"2,5 3"_s << 0 << u"2.5 3"_s;
        QTest::newRow("comma and blank separators") << u"41, 7 2"_s << 1 << QString();
        QTest::newRow("tab and blank") << u"2,5 3\t4"_s << 1 << QString();
        QTest::newRow("tab and semicolon") << u"1;2\t3"_s << 1 << QString();
        QTest::newRow("decimal comma and point") << u"2,5\t3\n4.5\t6"_s << 2 << QString();
        QTest::newRow("decimal comma, comma-separated line") << u"1,5\n2,5\t3"_s << 2 << QString();
        QTest::newRow("thousands or decimals") << u"1,250\t3\n2,500\t4"_s << 1 << QString();
        QTest::newRow("one of them decimal") << u"1,250\t3\n2,5\t4"_s << 0 << u"1.250 3;2.5 4"_s;
        QTest::newRow("two commas") << u"1,2,5\t3"_s << 1 << QString();
        QTest::newRow("header") << u"X\tY\t线号\n2,5\t3\t4"_s << 0 << u"2.5 3 4"_s;
        QTest::newRow("header of other names") << u"SiO2, K2O\n50, 2"_s << 0 << u"50 2"_s;
        QTest::newRow("header out of order") << u"Y\tX\n3\t2,5"_s << 1 << QString();
        QTest::newRow("words after the first line") << u"1\t2\nX\tY"_s << 2 << QString();
    }
    void decimalCommas_readWhereUnambiguous_refusedOtherwise()
    {
        QFETCH(QString, text);
        QFETCH(int, errorLine);
        QFETCH(QString, points);
        const PasteTable table = PasteTable::parse(text);
        QVERIFY2(table.errorLine == errorLine, qPrintable(table.error));
        QString read;
        for (const PastedPoint &p : table.points) {
            read += (read.isEmpty() ? u""_s : u";"_s) + p.x + u' ' + p.y + (p.series ? u' ' + *p.series : QString());
        }
        QCOMPARE(read, points);
        if (errorLine > 0) {
            QVERIFY(table.error.startsWith(u"第 %1 行"_s.arg(errorLine)));
        }
    }
};

QTEST_APPLESS_MAIN(TestPasteTable)
#include "tst_pastetable.moc"
