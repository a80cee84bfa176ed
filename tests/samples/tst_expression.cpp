// SPDX-License-Identifier: GPL-3.0-or-later
#include <samples/ChemicalFormula.h>
#include <samples/DelimitedTable.h>
#include <samples/Expression.h>

#include <QTest>

#include <cmath>

using namespace samples;

namespace {

// Row 1: the granite reference material G-2 (USGS recommended values, wt%). Rows 2-4 hold the
// faults a real table has: a cell below detection, a zero, a negative.
const QString analyses = QStringLiteral("Sample\tSiO2 (wt%)\tAl2O3\tFeO\tFe2O3\tCaO\tNa2O\tK2O\n"
                                        "G-2\t69.14\t15.38\t1.45\t1.05\t1.96\t4.08\t4.48\n"
                                        "B\t50\t<0.01\t8\t2\t0\t0\t0\n"
                                        "C\t-1\t10\t0\t0\t1\t1\t1\n"
                                        "D\t0\t10\t1\t1\t1\t1\t1\n");

} // namespace

class TestExpression : public QObject
{
    Q_OBJECT

    SampleTable m_table;
    const QList<NamedColumn> m_named = {
        {QStringLiteral("FeOt"), QStringLiteral("FeO + 0.8998*Fe2O3")},
        {QStringLiteral("NK"), QStringLiteral("mol(Na2O) + mol(K2O)")},
        {QStringLiteral("Loop A"), QStringLiteral("1 + \"Loop B\"")},
        {QStringLiteral("Loop B"), QStringLiteral("2 * \"Loop A\"")},
        {QStringLiteral("SiO2"), QStringLiteral("1")},
    };

private slots:
    void initTestCase()
    {
        ReadResult read = readPastedText(analyses);
        QVERIFY2(read.ok(), qPrintable(read.error));
        m_table = std::move(read.table);
    }

    void formulaMassesAndCations()
    {
        const struct
        {
            const char *formula;
            double mass;
            double cations;
        } cases[] = {
            // 2 x 26.9815384 + 3 x 15.999
            {"Al2O3", 101.9600768, 2},  {"Fe2O3", 159.687, 2},
            {"P2O5", 141.942523996, 2}, {"K2O", 94.1956, 2},
            {"TiO2", 79.865, 1},        {"MnO", 70.937043, 1},
            {"H2O", 18.015, 2},         {"Ca3(PO4)2", 310.173523996, 5},
        };
        for (const auto &c : cases) {
            const ChemicalFormula formula = parseChemicalFormula(QString::fromUtf8(c.formula));
            QVERIFY2(formula.ok(), c.formula);
            QVERIFY2(std::abs(formula.molarMass - c.mass) < 1e-9, c.formula);
            QCOMPARE(formula.cations, c.cations);
        }
        for (const char *bad : {"Xx2O", "Al2O3)", "(SiO2", "fe2o3", "Si0"}) {
            QVERIFY2(!parseChemicalFormula(QString::fromUtf8(bad)).ok(), bad);
        }
    }

    // Values worked out by hand for G-2 (row 0), with M(Al2O3) = 101.96008, M(CaO) = 40.078 +
    // 15.999 = 56.077, M(Na2O) = 2 x 22.98977 + 15.999 = 61.97854, M(K2O) = 94.1956:
    //   mol Al2O3 = 15.38 / 101.96008 = 0.150843   mol CaO = 1.96 / 56.077 = 0.034952
    //   mol Na2O  = 4.08 / 61.97854   = 0.065829   mol K2O = 4.48 / 94.1956 = 0.047561
    //   A/CNK = 0.150843 / (0.034952 + 0.065829 + 0.047561) = 0.150843 / 0.148342 = 1.01686
    //   A/NK  = 0.150843 / (0.065829 + 0.047561)            = 0.150843 / 0.113390 = 1.33031
    //   cat(Al2O3) = 2 x 0.150843 = 0.301687;  FeOt = 1.45 + 0.8998 x 1.05 = 2.39479
    void computesWhatWasWorkedOutByHand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("A/CNK") << QStringLiteral("mol(Al2O3)/(mol(CaO)+mol(Na2O)+mol(K2O))") << 1.01686;
        QTest::newRow("A/NK, named column") << QStringLiteral("mol(Al2O3) / NK") << 1.33031;
        QTest::newRow("cat") << QStringLiteral("cat( Al2O3 )") << 0.301687;
        QTest::newRow("FeOt") << QStringLiteral("FeOt") << 2.39479;
        QTest::newRow("precedence, unary minus") << QStringLiteral("-Na2O + K2O * 2 - (1 - 3) / -4") << 4.38;
        QTest::newRow("log10, ln, sqrt") << QStringLiteral("log10(100*K2O/4.48) + ln(Na2O/4.08) + sqrt(16)") << 6.0;
        QTest::newRow("constant only") << QStringLiteral("2.5e1") << 25.0;
    }
    void computesWhatWasWorkedOutByHand()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        const QList<NamedColumn> named = {m_named[0], m_named[1]};
        const Expression expression = Expression::compile(text, m_table, named);
        QVERIFY2(expression.ok(), qPrintable(expression.error().message));
        const ExpressionValues values = expression.evaluate(m_table);
        QCOMPARE(values.size(), 4);
        QVERIFY2(std::abs(values.value(0) - expected) < 5e-5 * std::abs(expected),
                 qPrintable(QString::number(values.value(0), 'g', 10)));
    }

    // Each sample without a result says why.
    void samplesWithoutAValueSayWhy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::addColumn<NoValueReason>("reason");
        QTest::addColumn<QString>("words");
        QTest::newRow("below detection") << QStringLiteral("SiO2 + Al2O3 * 2") << 1 << NoValueReason::Missing
                                         << QStringLiteral("Al2O3 没有值（“<0.01”）");
        QTest::newRow("missing beats a later division by zero")
            << QStringLiteral("mol(Al2O3)/(mol(CaO)+mol(Na2O)+mol(K2O))") << 1 << NoValueReason::Missing
            << QStringLiteral("Al2O3 没有值（“<0.01”）");
        QTest::newRow("division by zero")
            << QStringLiteral("SiO2/(CaO+Na2O)") << 1 << NoValueReason::DivisionByZero << QStringLiteral("除以 0");
        QTest::newRow("log of a negative") << QStringLiteral("log10(SiO2)") << 2 << NoValueReason::LogOfNonPositive
                                           << QStringLiteral("对不大于 0 的数取对数");
        QTest::newRow("ln of zero") << QStringLiteral("ln(SiO2) + 1") << 3 << NoValueReason::LogOfNonPositive
                                    << QStringLiteral("对不大于 0 的数取对数");
        QTest::newRow("sqrt of a negative")
            << QStringLiteral("2 * sqrt(SiO2)") << 2 << NoValueReason::SqrtOfNegative << QStringLiteral("对负数开平方");
        QTest::newRow("overflow") << QStringLiteral("Fe2O3 * 1e308") << 1 << NoValueReason::OutOfRange
                                  << QStringLiteral("结果超出数的范围");
    }
    void samplesWithoutAValueSayWhy()
    {
        QFETCH(QString, text);
        QFETCH(int, row);
        QFETCH(NoValueReason, reason);
        QFETCH(QString, words);
        const Expression expression = Expression::compile(text, m_table);
        QVERIFY2(expression.ok(), qPrintable(expression.error().message));
        const ExpressionValues values = expression.evaluate(m_table);
        QVERIFY(std::isnan(values.value(row)));
        QCOMPARE(values.reason(row), reason);
        QCOMPARE(values.reasonText(row, m_table), words);
        QVERIFY(!std::isnan(values.value(0)));
        QCOMPARE(values.reason(0), NoValueReason::None);
        QCOMPARE(values.reasonText(0, m_table), QString());
    }

    void faultsInTheTextNameWhatAndWhere_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("position");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing operand") << QStringLiteral("K2O + * 2") << qsizetype(6)
                                         << QStringLiteral("第 7 个字符“*”处应有数、列名、函数或左括号");
        QTest::newRow("unclosed parenthesis")
            << QStringLiteral("(K2O + 1") << qsizetype(8) << QStringLiteral("第 9 个字符处就结束了，这里应有右括号");
        QTest::newRow("two operands") << QStringLiteral("K2O 2") << qsizetype(4)
                                      << QStringLiteral("第 5 个字符“2”处应有运算符");
        QTest::newRow("unknown column") << QStringLiteral("1 + MgO") << qsizetype(4)
                                        << QStringLiteral("没有名为“MgO”的列");
        QTest::newRow("unknown function")
            << QStringLiteral("exp(SiO2)") << qsizetype(0) << QStringLiteral("“exp”不是函数");
        QTest::newRow("bad formula") << QStringLiteral("mol(Al2Q3)") << qsizetype(4)
                                     << QStringLiteral("“Q”不是元素符号");
        QTest::newRow("table column and named column")
            << QStringLiteral("SiO2") << qsizetype(0) << QStringLiteral("“SiO2 (wt%)”、定义的列“SiO2”");
        QTest::newRow("cycle") << QStringLiteral("\"Loop A\"") << qsizetype(4)
                               << QStringLiteral("循环引用：Loop A → Loop B → Loop A");
        QTest::newRow("empty") << QStringLiteral("  ") << qsizetype(0) << QStringLiteral("表达式是空的");
    }
    void faultsInTheTextNameWhatAndWhere()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, position);
        QFETCH(QString, message);
        const Expression expression = Expression::compile(text, m_table, m_named);
        QVERIFY(!expression.ok());
        QVERIFY2(expression.error().message.contains(message), qPrintable(expression.error().message));
        QCOMPARE(expression.error().position, position);
    }

    void aClashInTheTableIsReportedNotGuessed()
    {
        const ReadResult read = readPastedText(QStringLiteral("K2O\tK2O (wt%)\n1\t2\n"));
        QVERIFY(read.ok());
        const Expression expression = Expression::compile(u"k2o * 2", read.table);
        QVERIFY(!expression.ok());
        QVERIFY2(expression.error().message.contains(QStringLiteral("“K2O”、“K2O (wt%)”")),
                 qPrintable(expression.error().message));
        // A whole name in quotes is that column.
        const Expression quoted = Expression::compile(u"\"K2O (wt%)\" * 2", read.table);
        QVERIFY2(quoted.ok(), qPrintable(quoted.error().message));
        QCOMPARE(quoted.evaluate(read.table).value(0), 4.0);
    }
};

QTEST_GUILESS_MAIN(TestExpression)
#include "tst_expression.moc"
