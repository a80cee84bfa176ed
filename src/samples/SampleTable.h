// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <string_view>
#include <vector>

// A table of analyses: one sample a row, one column per measured quantity (or id, rock type …).
// Every column is held as numbers: a cell that is not a number (empty, "<0.01", "bdl", "n.d.")
// has no value (NaN), is counted, and keeps its text. The texts are held apart, only for the
// cells that have one, so a numeric column of a million rows costs its doubles and nothing more.
namespace samples {

// A long read calls this now and then with the part done (0 to 1); false stops the read.
using Progress = std::function<bool(double fraction)>;

// At most as many columns as a spreadsheet can have.
inline constexpr qsizetype maxColumns = 16384;

class SampleColumn
{
public:
    explicit SampleColumn(QString name = {});

    const QString &name() const { return m_name; }
    const std::vector<double> &values() const { return m_values; }
    // Cells without a value, empty ones included.
    qsizetype noValueCount() const { return m_noValueCount; }
    // The text of a cell that is not a number; empty for numbers and empty cells.
    QString text(qsizetype row) const;

    void reserve(qsizetype rows) { m_values.reserve(size_t(rows)); }
    void appendNumber(double value) { m_values.push_back(value); }
    void appendText(std::string_view utf8);
    void appendEmpty();

private:
    QString m_name;
    std::vector<double> m_values;
    qsizetype m_noValueCount = 0;
    std::vector<qint32> m_textRows; // rows that hold a text, ascending
    std::vector<qint64> m_textEnds; // where each text ends in m_textData
    QByteArray m_textData;          // UTF-8
};

// Where a name leads in a table's columns: one column, none, or a clash of several.
struct ColumnMatch
{
    QList<qsizetype> columns;

    bool found() const { return columns.size() == 1; }
    bool clash() const { return columns.size() > 1; }
    qsizetype index() const { return found() ? columns.first() : -1; }
};

// The key columns are matched by: no case, no spaces, no unit suffix ("SiO2 (wt%)", "SiO2_wt%",
// "SiO2 wt.%", "Rb ppm" are SiO2 and Rb).
QString columnKey(QStringView name);

class SampleTable
{
public:
    qsizetype rowCount() const { return m_rows; }
    qsizetype columnCount() const { return qsizetype(m_columns.size()); }
    const SampleColumn &column(qsizetype index) const { return m_columns[size_t(index)]; }
    QStringList columnNames() const;
    double value(qsizetype row, qsizetype column) const { return m_columns[size_t(column)].values()[size_t(row)]; }

    // Every column whose key is the name's key.
    ColumnMatch find(QStringView name) const;

private:
    friend class TableBuilder;
    std::vector<SampleColumn> m_columns;
    qsizetype m_rows = 0;
};

// The outcome of a read: a table, or why there is none.
struct ReadResult
{
    SampleTable table;
    QString error; // empty when the table was read
    bool cancelled = false;

    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Builds a table row by row, for every reader: checks the header, turns cells into numbers.
class TableBuilder
{
public:
    enum class Decimal
    {
        Point,
        Comma, // "1,5" is one and a half ("1.5" still reads too)
    };

    explicit TableBuilder(Decimal decimal = Decimal::Point);

    // False, with error(), for no columns, too many, or two with the same name. Empty names are
    // named after their place ("列 3").
    bool setHeader(QStringList names);
    void reserveRows(qsizetype rows);
    qsizetype columnCount() const { return qsizetype(m_table.m_columns.size()); }
    char decimalSeparator() const { return m_decimal == Decimal::Comma ? ',' : '.'; }

    // Cells of the current row, left to right; a cell may be skipped (it stays empty).
    void setText(qsizetype column, std::string_view utf8); // a number when it reads as one
    void setNumber(qsizetype column, double value)
    {
        if (column < m_filled || column >= columnCount()) {
            return;
        }
        if (column > m_filled) {
            fillTo(column);
        }
        m_table.m_columns[size_t(column)].appendNumber(value);
        m_filled = column + 1;
        m_rowHasCell = true;
    }
    void endRow(); // an empty row is dropped
    qsizetype rowCount() const { return m_table.m_rows; }

    const QString &error() const { return m_error; }
    SampleTable take();

private:
    void fillTo(qsizetype column);

    Decimal m_decimal;
    SampleTable m_table;
    qsizetype m_filled = 0; // cells of the current row set so far
    bool m_rowHasCell = false;
    QString m_error;
};

// The number a cell's text holds: blanks around it, a sign, digits with one decimal separator,
// an exponent; nothing else (no thousands separators, no "inf").
bool parseNumber(std::string_view text, char decimalSeparator, double &value);

} // namespace samples
