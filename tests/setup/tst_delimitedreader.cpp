// SPDX-License-Identifier: GPL-3.0-or-later
#include <setup/DelimitedReader.h>

#include <QTest>

class TestDelimitedReader : public QObject
{
    Q_OBJECT

private slots:
    void readsFieldsAcrossCommasAndLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("pairs") << QStringLiteral("SiO2,60.08\r\nTiO2,79.87\r\n")
                               << QStringList{QStringLiteral("SiO2"), QStringLiteral("60.08"), QStringLiteral("TiO2"),
                                              QStringLiteral("79.87")};
        QTest::newRow("blanks around") << QStringLiteral("  Ver: 2.3  ,\t x \n")
                                       << QStringList{QStringLiteral("Ver: 2.3"), QStringLiteral("x")};
        QTest::newRow("quoted keeps commas and blanks")
            << QStringLiteral(" \" a, b \" tail,next\n")
            << QStringList{QStringLiteral(" a, b "), QStringLiteral("next")};
        QTest::newRow("empty field after a comma at line end")
            << QStringLiteral("SiO2,\nTiO2,79.87")
            << QStringList{QStringLiteral("SiO2"), QString(), QStringLiteral("TiO2"), QStringLiteral("79.87")};
        QTest::newRow("blank lines between records")
            << QStringLiteral("a,1\n\n\r\nb,2\n\n")
            << QStringList{QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("b"), QStringLiteral("2")};
        QTest::newRow("unclosed quote") << QStringLiteral("\"abc") << QStringList{QStringLiteral("abc")};
    }
    void readsFieldsAcrossCommasAndLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        DelimitedReader reader(text);
        QStringList read;
        while (!reader.atEnd()) {
            read << reader.readField();
        }
        QCOMPARE(read, fields);
        QCOMPARE(reader.readField(), QString());
    }
};

QTEST_MAIN(TestDelimitedReader)
#include "tst_delimitedreader.moc"
