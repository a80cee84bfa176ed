// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/store/LibraryFile.h>
#include <library/store/Query.h>

#include <QRandomGenerator>
#include <QTest>

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("marker changed") << QStringLiteral("12*") << 12.0;
        QTest::newRow("marker new") << QStringLiteral("7#") << 7.0;
        QTest::newRow("deletion marker only") << QStringLiteral("★") << 0.0;
        QTest::newRow("number then star") << QStringLiteral("3★") << 3.0;
        QTest::newRow("blanks sign exponent tail") << QStringLiteral(" -1.5e2x") << -150.0;
        QTest::newRow("exponent without digits") << QStringLiteral("12e") << 12.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
        QTest::newRow("sign only") << QStringLiteral("-") << 0.0;
        QTest::newRow("leading point") << QStringLiteral(".5") << 0.5;
        QTest::newRow("plus") << QStringLiteral("+4.25d") << 4.25;
        QTest::newRow("inner blank stops") << QStringLiteral("1 2") << 1.0;
        QTest::newRow("overflow is no number") << QStringLiteral("1e999") << 0.0;
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(::numericValue(text), value);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 12.0 << QStringLiteral("12");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
        QTest::newRow("half") << 8.5 << QStringLiteral("8.5");
        QTest::newRow("small") << 0.0001 << QStringLiteral("0.0001");
        QTest::newRow("million") << 1.0e6 << QStringLiteral("1000000");
        QTest::newRow("shortest") << 0.1 + 0.2 << QStringLiteral("0.30000000000000004");
        QTest::newRow("negative") << -86.6025 << QStringLiteral("-86.6025");
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(::numberText(value), text);
    }

    // Short decimals are read without strtod; the value must be strtod's to the last bit, for
    // lengths either side of where the quick way stops (15 digits) and for signs and zeros.
    void numericValueReadsDecimalsAsStrtodDoes()
    {
        QRandomGenerator random(7122026);
        for (int i = 0; i < 200000; ++i) {
            const int digits = random.bounded(1, 19);
            QByteArray text = random.bounded(3) == 0 ? "-" : (random.bounded(4) == 0 ? "+" : "");
            const int point = random.bounded(0, digits + 1); // digits before the point
            for (int d = 0; d < digits; ++d) {
                if (d == point && d > 0) {
                    text += '.';
                }
                text += char('0' + random.bounded(10));
            }
            const double expected = std::strtod(text.constData(), nullptr);
            const double read = ::numericValue(QString::fromLatin1(text));
            QVERIFY2(read == expected && std::signbit(read) == std::signbit(expected), text.constData());
        }
        QVERIFY(std::signbit(::numericValue(u"-0.000")));
        QCOMPARE(::numericValue(u"  -000112.6480x"), -112.648);
    }

    // The quick ways to write a number (a few decimals, whole numbers, numbers past 9e15) must
    // write what Qt's shortest form writes, including where they hand over to the general
    // algorithm: values one step either side of short decimals and of halfway points, values
    // with too many places, and the largest doubles.
    void numberTextIsTheShortestForm()
    {
        auto written = [](double value) {
            char text[numberTextRoom];
            return QByteArray(text, writeNumberText(value, text) - text);
        };
        QRandomGenerator random(20261207);
        QList<double> values = {0.1,
                                0.05,
                                -0.05,
                                0.001,
                                123456.789,
                                5.31564,
                                0.1 + 0.2,
                                1e-9,
                                1.5e-10,
                                2.675,
                                1e13 + 0.5,
                                5.6e13 + 0.25,
                                0x1p48 + 0.5,
                                4.35,
                                1.005,
                                0.000123456789,
                                12,
                                -7,
                                8999999999999999,
                                9e15,
                                0x1p53 + 2,
                                1e23,
                                -5.4848528443288219e30,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::denorm_min()};
        for (int i = 0; i < 200000; ++i) {
            const int places = random.bounded(1, 12);
            const double whole = double(random.bounded(qint64(1), qint64(1) << random.bounded(4, 50)));
            const double decimal = (random.bounded(2) ? -1 : 1) * whole / std::pow(10.0, places);
            const double halfway = (whole + 0.5) / std::pow(10.0, places);
            values << decimal << std::nextafter(decimal, 0.0) << std::nextafter(decimal, 1e300) << halfway
                   << std::nextafter(halfway, 0.0) << random.generateDouble() * 1000
                   << std::ldexp(random.generateDouble() + 1, random.bounded(40, 1024)) << whole;
        }
        for (const double value : values) {
            const QString expected = QString::number(value, 'f', QLocale::FloatingPointShortest);
            QVERIFY2(written(value) == expected.toLatin1(),
                     qPrintable(QStringLiteral("%1 written as %2").arg(expected, QString::fromLatin1(written(value)))));
            QCOMPARE(::numberText(value), expected);
        }
    }

    // The C library reads numbers in the locale Qt sets up from the environment; a library must
    // read the same values on a machine whose locale writes a decimal comma.
    void numbersReadTheSameUnderADecimalCommaLocale()
    {
        const QByteArray before = setlocale(LC_NUMERIC, nullptr);
        bool found = false;
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (setlocale(LC_NUMERIC, name)) {
                found = true;
                break;
            }
        }
        if (!found) {
            QSKIP("no locale with a decimal comma is installed (scripts/install-deps.sh makes de_DE.UTF-8)");
        }
        const double longDecimal = ::numericValue(u"1234.56789012345678");
        const double withExponent = ::numericValue(u"1.5e3");
        bool outOfRange = false;
        const double past = ::numericValue(u"1e400", &outOfRange);
        setlocale(LC_NUMERIC, before.constData());
        QCOMPARE(longDecimal, 1234.56789012345678);
        QCOMPARE(withExponent, 1500.0);
        QCOMPARE(past, 0.0);
        QVERIFY(outOfRange);
    }

    void quotedDoublesApostrophes()
    {
        QCOMPARE(quoted(QStringLiteral("B001")), QStringLiteral("'B001'"));
        QCOMPARE(quoted(QStringLiteral("O'Hara's")), QStringLiteral("'O''Hara''s'"));
        QCOMPARE(quoted(QString()), QStringLiteral("''"));
    }

    void columnConversions()
    {
        QVariant v;
        QString problem;
        QVERIFY(textToColumnValue(ColumnType::YesNo, QStringLiteral("True"), &v, &problem));
        QCOMPARE(v.toLongLong(), 1);
        QVERIFY(textToColumnValue(ColumnType::YesNo, QStringLiteral("false"), &v, &problem));
        QCOMPARE(v.toLongLong(), 0);
        QVERIFY(!textToColumnValue(ColumnType::YesNo, QStringLiteral("maybe"), &v, &problem));
        QVERIFY(!problem.isEmpty());
        QVERIFY(textToColumnValue(ColumnType::Integer, QStringLiteral(" 12 "), &v, &problem));
        QCOMPARE(v.toLongLong(), 12);
        QVERIFY(!textToColumnValue(ColumnType::Integer, QStringLiteral("1.5"), &v, &problem));
        QVERIFY(!textToColumnValue(ColumnType::Number, QStringLiteral("12*"), &v, &problem));
        QVERIFY(!textToColumnValue(ColumnType::Number, QString(), &v, &problem));
        QVERIFY(!textToColumnValue(ColumnType::Number, QStringLiteral("nan"), &v, &problem));
        QVERIFY(textToColumnValue(ColumnType::Number, QStringLiteral("-1.5e2"), &v, &problem));
        QCOMPARE(v.toDouble(), -150.0);
        QVERIFY(textToColumnValue(ColumnType::Text, QString(), &v, &problem));
        QVERIFY(!v.isNull());
        QCOMPARE(v.toString(), QString());

        // Past the range of a double, the number is refused rather than stored as 0 (or False).
        for (const ColumnType type : {ColumnType::Number, ColumnType::Integer, ColumnType::YesNo}) {
            for (const char *text : {"1e309", "1e400", "-1e999", "1e-400"}) {
                problem.clear();
                QVERIFY2(!textToColumnValue(type, QString::fromLatin1(text), &v, &problem), text);
                QVERIFY(problem.contains(QStringLiteral("超出了数字的范围")));
            }
        }
        QVERIFY(textToColumnValue(ColumnType::Number, QStringLiteral("1e308"), &v, &problem));
        QVERIFY(textToColumnValue(ColumnType::Number, QStringLiteral("0e-400"), &v, &problem));
        QCOMPARE(v.toDouble(), 0.0);
        bool outOfRange = false;
        QCOMPARE(::numericValue(u"1e400abc", &outOfRange), 0.0);
        QVERIFY(outOfRange);
        QCOMPARE(::numericValue(u"12*", &outOfRange), 12.0);
        QVERIFY(!outOfRange);
        // The smallest doubles are kept, not taken for too small; a leading '+' is read.
        QCOMPARE(::numericValue(u"1e-310", &outOfRange), 1e-310);
        QVERIFY(!outOfRange);
        QCOMPARE(::numericValue(u"+.5e1", &outOfRange), 5.0);
        QCOMPARE(::numericValue(u"-5.", &outOfRange), -5.0);
        QCOMPARE(::numericValue(u"+1234567890123456789e-3"), 1234567890123456.789);

        QCOMPARE(columnValueText(ColumnType::Number, QVariant(8.0)), QStringLiteral("8"));
        QCOMPARE(columnValueText(ColumnType::Number, QVariant(qlonglong(8))), QStringLiteral("8"));
        QCOMPARE(columnValueText(ColumnType::YesNo, QVariant(qlonglong(1))), QStringLiteral("True"));
        QCOMPARE(columnValueText(ColumnType::YesNo, QVariant(QStringLiteral("False"))), QStringLiteral("False"));
        QCOMPARE(columnValueText(ColumnType::YesNo, QVariant(qlonglong(-1))), QStringLiteral("True"));
        QCOMPARE(columnValueText(ColumnType::Number, QVariant()), QString());
    }

    void csvReadsQuotedFieldsWithCommasQuotesAndLineBreaks()
    {
        const auto records = LibraryFile::readCsv(
            QStringLiteral("th,Lbl\nB001,\"Foidite\n副长石岩\"\r\nB002,\"a, \"\"b\"\"\"\nB003,\n"));
        QCOMPARE(records.size(), 4);
        QCOMPARE(records[1], (QStringList{QStringLiteral("B001"), QStringLiteral("Foidite\n副长石岩")}));
        QCOMPARE(records[2], (QStringList{QStringLiteral("B002"), QStringLiteral("a, \"b\"")}));
        QCOMPARE(records[3], (QStringList{QStringLiteral("B003"), QString()}));
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
