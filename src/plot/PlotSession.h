// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <classify/FieldMap.h>
#include <diagram/Figure.h>
#include <samples/Expression.h>
#include <samples/SampleTable.h>

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

// What the plot window works on: one sample table, the figures chosen for it with their axis
// expressions, the named columns the user defined, and per figure every sample's coordinates and
// field.
//
// Evaluated expressions are kept by their text until the table or the named columns change, so
// editing one axis re-evaluates that axis only; a figure's fields are built once and kept until
// the figure itself changes. compute() is the long part: a window runs it on a worker thread
// (QtConcurrent::run) and stops it through the progress callback; the session must not be
// touched from another thread while it runs.
namespace plot {

// x and y for a rectangular figure; the three corner components for a triangular one.
struct AxisExpressions
{
    QString x;
    QString y;
    QString left;
    QString top;
    QString right;
};

struct FigureChoice
{
    Figure figure;
    AxisExpressions axes;
    Classify::FieldOptions fieldOptions;
};

// One expression checked over the table, for a live count while it is edited.
struct ExpressionCheck
{
    samples::ExpressionError error; // message empty when it compiled
    qsizetype valueCount = 0;       // samples with a value

    bool ok() const { return error.message.isEmpty(); }
};

// A figure's samples: coordinates, places and counts.
struct FigureResult
{
    // Rectangular: x and y. Triangular: the left, top and right shares, normalised to 100. NaN
    // for a sample without a value.
    std::vector<std::vector<double>> coordinates;
    std::vector<Classify::Location> locations;
    // Why the figure has no coordinates at all (an expression that does not compile); empty
    // otherwise.
    QString error;
    qsizetype valueCount = 0;     // samples with every coordinate
    QList<qsizetype> fieldCounts; // per field of the figure's FieldMap
    qsizetype boundaryCount = 0;
    qsizetype outsideCount = 0;
    qsizetype noValueCount = 0;
};

class PlotSession
{
public:
    PlotSession();
    ~PlotSession();

    void setTable(samples::SampleTable table);
    const samples::SampleTable &table() const { return m_table; }

    void setNamedColumns(const QList<samples::NamedColumn> &named);
    const QList<samples::NamedColumn> &namedColumns() const { return m_named; }

    // The column that names a sample (the first one unless chosen) and the one that groups them
    // (-1 for none).
    void setIdColumn(qsizetype column) { m_idColumn = column; }
    qsizetype idColumn() const { return m_idColumn; }
    void setGroupColumn(qsizetype column) { m_groupColumn = column; }
    qsizetype groupColumn() const { return m_groupColumn; }
    QString sampleId(qsizetype row) const;
    QString group(qsizetype row) const; // empty without a grouping column

    // A cell as the table shows it: the number in its shortest exact form, else the cell's text.
    QString cellText(qsizetype row, qsizetype column) const;

    qsizetype figureCount() const { return m_figures.size(); }
    const FigureChoice &figure(qsizetype index) const { return m_figures[index].choice; }
    qsizetype addFigure(const FigureChoice &choice);
    void removeFigure(qsizetype index);
    // A changed drawing or field options: the fields are built anew.
    void setFigure(qsizetype index, const Figure &figure, const Classify::FieldOptions &options = {});
    // Changed expressions: only the ones whose text changed are evaluated anew.
    void setAxes(qsizetype index, const AxisExpressions &axes);

    ExpressionCheck check(const QString &expression);

    // Evaluates and classifies every figure not computed since its last change. False when the
    // progress callback stopped it; the figures finished so far keep their results.
    bool compute(const samples::Progress &progress = {});

    bool isComputed(qsizetype index) const { return m_figures[index].computed; }
    const FigureResult &result(qsizetype index) const { return m_figures[index].result; }
    // The figure's fields (built by compute()); null before.
    const Classify::FieldMap *fieldMap(qsizetype index) const { return m_figures[index].fields.get(); }
    // What the table shows for a sample on a figure: its field, "on a boundary", "outside", or
    // why it has no value.
    QString placeText(qsizetype index, qsizetype row) const;
    QString noValueReason(qsizetype index, qsizetype row) const;

private:
    struct Evaluated
    {
        samples::ExpressionError error;
        std::shared_ptr<const samples::ExpressionValues> values;
    };
    struct Entry
    {
        FigureChoice choice;
        std::shared_ptr<const Classify::FieldMap> fields;
        QList<Evaluated> axes; // as the result's coordinates
        FigureResult result;
        bool computed = false;
    };

    const Evaluated &evaluated(const QString &expression);
    QStringList axisTexts(const Entry &entry) const;
    bool computeFigure(Entry &entry, const samples::Progress &progress);
    void forgetEvaluations();

    samples::SampleTable m_table;
    QList<samples::NamedColumn> m_named;
    qsizetype m_idColumn = 0;
    qsizetype m_groupColumn = -1;
    QList<Entry> m_figures;
    QHash<QString, Evaluated> m_evaluated; // by expression text
};

} // namespace plot
