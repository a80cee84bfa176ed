// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <samples/SampleTable.h>

#include <QList>
#include <QString>

#include <vector>

// Axis expressions over a sample table's columns: + - * /, unary minus, parentheses, numbers,
// log10(), ln(), sqrt(), and the molar helpers mol(Al2O3) (the column Al2O3, in wt%, divided by
// the formula's molar mass) and cat(Al2O3) (mol times the formula's cations: 2 here). A name is
// a column of the table (matched as SampleTable::find does), a named column the user defined
// (FeOt = FeO + 0.8998*Fe2O3), or, in double quotes, any name at all ("Na2O+K2O"); a quoted
// name that is one column's whole name picks that column even where its key would clash.
//
// An expression is compiled once into a short postfix program, then evaluated a column at a
// time. A sample without a result holds a NaN whose payload says why (which column had no
// value, a division by zero, a logarithm of a number <= 0 …): the arithmetic carries NaN
// payloads through, so the reasons cost nothing on the samples that have values.
namespace samples {

struct NamedColumn
{
    QString name;
    QString expression;
};

struct ExpressionError
{
    QString message;
    qsizetype position = -1; // offset of the fault in the text it is in; -1 for none
    QString namedColumn;     // the named column whose expression holds the fault; empty: this one
};

enum class NoValueReason : quint8
{
    None,
    Missing, // a column the expression uses has no value for the sample
    DivisionByZero,
    LogOfNonPositive,
    SqrtOfNegative,
    OutOfRange, // too large for a double, or undefined (infinity minus infinity)
};

class ExpressionValues
{
public:
    qsizetype size() const { return qsizetype(m_values.size()); }
    // NaN for a sample without a value.
    double value(qsizetype row) const { return m_values[size_t(row)]; }
    const std::vector<double> &values() const { return m_values; }
    qsizetype valueCount() const { return m_valueCount; }

    NoValueReason reason(qsizetype row) const;
    // For NoValueReason::Missing: the table column without a value.
    qsizetype missingColumn(qsizetype row) const;
    // Why a sample has no value, in words ("SiO2 没有值"); empty when it has one.
    QString reasonText(qsizetype row, const SampleTable &table) const;

private:
    friend class Expression;
    std::vector<double> m_values;
    qsizetype m_valueCount = 0;
};

class Expression
{
public:
    // The table gives the columns the names lead to; evaluate() over a table with the same
    // columns.
    static Expression compile(QStringView text, const SampleTable &table, const QList<NamedColumn> &named = {});

    bool ok() const { return m_error.message.isEmpty(); }
    const ExpressionError &error() const { return m_error; }
    // The table columns the expression reads.
    QList<qsizetype> columns() const;

    ExpressionValues evaluate(const SampleTable &table) const;

    enum class Op : quint8
    {
        Load, // a column times a factor
        Constant,
        Add,
        Subtract,
        Multiply,
        Divide,
        Negate,
        Log10,
        Ln,
        Sqrt,
    };
    struct Instruction
    {
        Op op;
        qsizetype column = -1;
        double number = 0; // the constant, or the factor of a loaded column
    };

private:
    friend class ExpressionCompiler;
    std::vector<Instruction> m_program;
    ExpressionError m_error;
};

} // namespace samples
