// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasteTable.h"

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
        const PasteTable header = PasteTable::parse(u"x,y\n41,3\n"_s);
        QVERIFY(!header.isValid());
        QCOMPARE(header.errorLine, 1);
        QVERIFY(header.points.isEmpty());

        // A decimal comma splits into three columns whose third is no line number.
        const PasteTable table = PasteTable::parse(u"41\t3\n45\t9.4\n\n52,5\t14,2\n"_s);
        QCOMPARE(table.errorLine, 4);
        QVERIFY(table.error.contains(u"第 4 行"_s));
        QVERIFY(table.points.isEmpty());

        QCOMPARE(PasteTable::parse(u"1,2,3,4,5,6"_s).errorLine, 1);
        QCOMPARE(PasteTable::parse(u"1"_s).errorLine, 1);
        QCOMPARE(PasteTable::parse(u"1,,2"_s).errorLine, 1);
        QCOMPARE(PasteTable::parse(u"1,2\n3,4,1,yes"_s).errorLine, 2);
        QCOMPARE(PasteTable::parse(u"1,2,1,0,4"_s).errorLine, 1); // line type 4
        QCOMPARE(PasteTable::parse(u"1,2,1.5"_s).errorLine, 1);   // line number 1.5
        QCOMPARE(PasteTable::parse(u"1,nan"_s).errorLine, 1);
        QVERIFY(PasteTable::parse(u"\n  \n"_s).points.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestPasteTable)
#include "tst_pastetable.moc"
