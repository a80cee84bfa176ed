// SPDX-License-Identifier: GPL-3.0-or-later
#include <plot/PlotSession.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <span>

namespace plot {

namespace {

// Rows located between two looks at the progress callback.
constexpr qsizetype chunkRows = 1 << 16;

QString shortestNumber(double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}

QString axisName(bool triangular, qsizetype axis)
{
    static const char16_t *const rectangular[] = {u"x", u"y"};
    static const char16_t *const corners[] = {u"左角", u"顶角", u"右角"};
    return QString::fromUtf16(triangular ? corners[axis] : rectangular[axis]);
}

} // namespace

PlotSession::PlotSession() = default;
PlotSession::~PlotSession() = default;

void PlotSession::setTable(samples::SampleTable table)
{
    m_table = std::move(table);
    if (m_idColumn >= m_table.columnCount()) {
        m_idColumn = 0;
    }
    if (m_groupColumn >= m_table.columnCount()) {
        m_groupColumn = -1;
    }
    forgetEvaluations();
}

void PlotSession::setNamedColumns(const QList<samples::NamedColumn> &named)
{
    const bool same = std::equal(named.begin(), named.end(), m_named.begin(), m_named.end(),
                                 [](const samples::NamedColumn &a, const samples::NamedColumn &b) {
                                     return a.name == b.name && a.expression == b.expression;
                                 });
    if (same) {
        return;
    }
    m_named = named;
    forgetEvaluations();
}

void PlotSession::forgetEvaluations()
{
    m_evaluated.clear();
    for (Entry &entry : m_figures) {
        entry.axes.clear();
        entry.computed = false;
    }
}

QString PlotSession::cellText(qsizetype row, qsizetype column) const
{
    if (column < 0 || column >= m_table.columnCount() || row < 0 || row >= m_table.rowCount()) {
        return {};
    }
    const double value = m_table.value(row, column);
    return std::isnan(value) ? m_table.column(column).text(row) : shortestNumber(value);
}

QString PlotSession::sampleId(qsizetype row) const
{
    return cellText(row, m_idColumn);
}

QString PlotSession::group(qsizetype row) const
{
    return m_groupColumn < 0 ? QString() : cellText(row, m_groupColumn);
}

qsizetype PlotSession::addFigure(const FigureChoice &choice)
{
    m_figures.append(Entry{choice, {}, {}, {}, false});
    return m_figures.size() - 1;
}

void PlotSession::removeFigure(qsizetype index)
{
    m_figures.removeAt(index);
}

void PlotSession::setFigure(qsizetype index, const Figure &figure, const Classify::FieldOptions &options)
{
    Entry &entry = m_figures[index];
    const bool wasTriangular = entry.choice.figure.record.isTriangular();
    entry.choice.figure = figure;
    entry.choice.fieldOptions = options;
    entry.fields.reset();
    entry.computed = false;
    if (figure.record.isTriangular() != wasTriangular) {
        entry.axes.clear();
    }
}

void PlotSession::setAxes(qsizetype index, const AxisExpressions &axes)
{
    Entry &entry = m_figures[index];
    entry.choice.axes = axes;
    entry.axes.clear();
    entry.computed = false;
}

QStringList PlotSession::axisTexts(const Entry &entry) const
{
    const AxisExpressions &a = entry.choice.axes;
    return entry.choice.figure.record.isTriangular() ? QStringList{a.left.trimmed(), a.top.trimmed(), a.right.trimmed()}
                                                     : QStringList{a.x.trimmed(), a.y.trimmed()};
}

const PlotSession::Evaluated &PlotSession::evaluated(const QString &expression)
{
    if (const auto found = m_evaluated.constFind(expression); found != m_evaluated.cend()) {
        return *found;
    }
    // Only the expressions of the figures are worth keeping beside the new one.
    QSet<QString> used;
    for (const Entry &entry : std::as_const(m_figures)) {
        for (const QString &text : axisTexts(entry)) {
            used.insert(text);
        }
    }
    m_evaluated.removeIf([&](const auto &item) { return !used.contains(item.key()); });

    Evaluated result;
    const samples::Expression compiled = samples::Expression::compile(expression, m_table, m_named);
    if (compiled.ok()) {
        result.values = std::make_shared<const samples::ExpressionValues>(compiled.evaluate(m_table));
    } else {
        result.error = compiled.error();
    }
    return *m_evaluated.insert(expression, std::move(result));
}

ExpressionCheck PlotSession::check(const QString &expression)
{
    const Evaluated &e = evaluated(expression.trimmed());
    return {e.error, e.values ? e.values->valueCount() : 0};
}

bool PlotSession::compute(const samples::Progress &progress)
{
    qsizetype pending = 0;
    for (const Entry &entry : std::as_const(m_figures)) {
        pending += entry.computed ? 0 : 1;
    }
    qsizetype done = 0;
    for (Entry &entry : m_figures) {
        if (entry.computed) {
            continue;
        }
        const samples::Progress part = [&](double fraction) {
            return !progress || progress((double(done) + fraction) / double(pending));
        };
        if (!computeFigure(entry, part)) {
            return false;
        }
        ++done;
    }
    return true;
}

bool PlotSession::computeFigure(Entry &entry, const samples::Progress &progress)
{
    const bool triangular = entry.choice.figure.record.isTriangular();
    const qsizetype rows = m_table.rowCount();
    if (progress && !progress(0)) {
        return false;
    }
    if (!entry.fields) {
        entry.fields = std::make_shared<const Classify::FieldMap>(entry.choice.figure, entry.choice.fieldOptions);
    }
    const Classify::FieldMap &fields = *entry.fields;
    if (entry.axes.isEmpty()) {
        for (const QString &text : axisTexts(entry)) {
            entry.axes.append(evaluated(text));
        }
    }

    FigureResult result;
    const qsizetype axes = entry.axes.size();
    for (qsizetype axis = 0; axis < axes && result.error.isEmpty(); ++axis) {
        const samples::ExpressionError &error = entry.axes[axis].error;
        if (!error.message.isEmpty()) {
            result.error = error.namedColumn.isEmpty()
                               ? QStringLiteral("%1：%2").arg(axisName(triangular, axis), error.message)
                               : QStringLiteral("%1：命名列 %2：%3")
                                     .arg(axisName(triangular, axis), error.namedColumn, error.message);
        }
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    result.coordinates.assign(size_t(axes), std::vector<double>(size_t(rows), nan));
    result.locations.assign(size_t(rows), Classify::Location{});
    result.fieldCounts.fill(0, fields.fields().size());
    if (!result.error.isEmpty()) {
        result.noValueCount = rows;
        entry.result = std::move(result);
        entry.computed = true;
        return true;
    }
    // Without a frame there are coordinates but no fields: every sample stays without a place.
    if (!fields.isUsable()) {
        result.error = fields.problems().join(u'\n');
    }

    // Coordinates: the expressions' values; on a triangle the shares of their sum.
    for (qsizetype axis = 0; axis < axes; ++axis) {
        result.coordinates[size_t(axis)] = entry.axes[axis].values->values();
    }
    if (triangular) {
        std::vector<double> &left = result.coordinates[0];
        std::vector<double> &top = result.coordinates[1];
        std::vector<double> &right = result.coordinates[2];
        for (size_t i = 0; i < size_t(rows); ++i) {
            const double sum = left[i] + top[i] + right[i];
            const double scale = std::isfinite(sum) && sum > 0 ? 100 / sum : nan;
            left[i] *= scale;
            top[i] *= scale;
            right[i] *= scale;
        }
    }

    for (qsizetype from = 0; from < rows; from += chunkRows) {
        const size_t begin = size_t(from);
        const size_t count = size_t(std::min(chunkRows, rows - from));
        const std::span<Classify::Location> out(result.locations.data() + begin, count);
        auto column = [&](qsizetype axis) {
            return std::span<const double>(result.coordinates[size_t(axis)].data() + begin, count);
        };
        if (triangular) {
            fields.locateShares(column(0), column(2), column(1), out);
        } else {
            fields.locate(column(0), column(1), out);
        }
        if (progress && !progress(double(from + qsizetype(count)) / double(rows))) {
            return false;
        }
    }

    for (size_t i = 0; i < size_t(rows); ++i) {
        bool all = true;
        for (const std::vector<double> &c : result.coordinates) {
            all = all && std::isfinite(c[i]);
        }
        result.valueCount += all ? 1 : 0;
        const Classify::Location at = result.locations[i];
        switch (at.place) {
        case Classify::Place::Field:
            ++result.fieldCounts[at.field];
            break;
        case Classify::Place::Boundary:
            ++result.boundaryCount;
            break;
        case Classify::Place::Outside:
            ++result.outsideCount;
            break;
        case Classify::Place::NoValue:
            ++result.noValueCount;
            break;
        }
    }
    entry.result = std::move(result);
    entry.computed = true;
    return true;
}

QString PlotSession::noValueReason(qsizetype index, qsizetype row) const
{
    const Entry &entry = m_figures[index];
    if (!entry.computed) {
        return {};
    }
    for (const Evaluated &axis : entry.axes) {
        if (!axis.values) {
            return entry.result.error;
        }
        if (std::isnan(axis.values->value(row))) {
            return axis.values->reasonText(row, m_table);
        }
    }
    const FigureResult &result = entry.result;
    for (const std::vector<double> &c : result.coordinates) {
        if (!std::isfinite(c[size_t(row)])) {
            return entry.choice.figure.record.isTriangular() ? QStringLiteral("三个角的成分之和不大于 0")
                                                             : QStringLiteral("结果超出数的范围");
        }
    }
    if (result.locations[size_t(row)].place == Classify::Place::NoValue && !result.error.isEmpty()) {
        return result.error;
    }
    return {};
}

QString PlotSession::placeText(qsizetype index, qsizetype row) const
{
    const Entry &entry = m_figures[index];
    if (!entry.computed || !entry.fields) {
        return {};
    }
    const Classify::Location at = entry.result.locations[size_t(row)];
    return entry.fields->text(at, at.place == Classify::Place::NoValue ? noValueReason(index, row) : QString());
}

} // namespace plot
