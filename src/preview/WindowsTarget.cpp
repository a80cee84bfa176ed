// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowsTarget.h"

#include "fPicData.h"
#include "fPicLbl.h"

#include <QItemSelectionModel>
#include <QTreeView>

Q_DECLARE_METATYPE(PicDataEditor::RemovedRow)

namespace {

QList<int> visibleRows(const WorkingListModel &model)
{
    QList<int> rows;
    rows.reserve(model.size());
    for (int r = 0; r < model.size(); ++r) {
        if (model.state(r) != RowState::Deleted) {
            rows.append(r);
        }
    }
    return rows;
}

int rowOf(const WorkingListModel &model, int index)
{
    if (index < 0) {
        return -1;
    }
    for (int r = 0; r < model.size(); ++r) {
        if (model.state(r) != RowState::Deleted && index-- == 0) {
            return r;
        }
    }
    return -1;
}

} // namespace

WindowsTarget::WindowsTarget(QObject *parent)
    : DigitiserTarget(parent)
{
}

void WindowsTarget::watch(QObject *window, const QAbstractItemModel *model, QList<QMetaObject::Connection> &connections)
{
    for (const auto &connection : std::as_const(connections)) {
        disconnect(connection);
    }
    connections.clear();
    if (!window) {
        return;
    }
    const auto announce = [this] { emit changed(); };
    connections << connect(model, &QAbstractItemModel::dataChanged, this, announce)
                << connect(model, &QAbstractItemModel::rowsInserted, this, announce)
                << connect(model, &QAbstractItemModel::rowsRemoved, this, announce)
                << connect(model, &QAbstractItemModel::modelReset, this, announce)
                << connect(model, &QAbstractItemModel::layoutChanged, this, announce);
    // The window's own pointer is cleared before it says it is gone; its list goes with it.
    connections << connect(window, &QObject::destroyed, this, announce);
    if (auto *list = window->findChild<QTreeView *>(QStringLiteral("LvFigure")); list && list->selectionModel()) {
        connections << connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                               [this] { emit selectionChanged(); });
    }
}

void WindowsTarget::setDataWindow(fPicData *window)
{
    m_data = window;
    watch(window, window ? window->editor().model() : nullptr, m_dataConnections);
    emit changed();
}

void WindowsTarget::setLabelWindow(fPicLbl *window)
{
    m_labels = window;
    watch(window, window ? &window->editor().model() : nullptr, m_labelConnections);
    emit changed();
}

QString WindowsTarget::figureNumber() const
{
    if (m_data) {
        return m_data->editor().figureNumber();
    }
    return m_labels ? m_labels->editor().figureNumber() : QString();
}

bool WindowsTarget::acceptsPoints() const
{
    return !m_data.isNull();
}

bool WindowsTarget::acceptsLabels() const
{
    return m_labels && m_labels->editor().figureNumber().compare(figureNumber(), Qt::CaseInsensitive) == 0;
}

int WindowsTarget::pointRow(int index) const
{
    return m_data ? rowOf(*m_data->editor().model(), index) : -1;
}

int WindowsTarget::labelRow(int index) const
{
    return acceptsLabels() ? rowOf(m_labels->editor().model(), index) : -1;
}

QList<FigurePoint> WindowsTarget::points() const
{
    QList<FigurePoint> result;
    if (!m_data) {
        return result;
    }
    const WorkingListModel &model = *m_data->editor().model();
    for (const int r : visibleRows(model)) {
        result.append({model.cell(r, PicDataEditor::SeriesField), model.cell(r, PicDataEditor::CurveField),
                       model.cell(r, PicDataEditor::XField), model.cell(r, PicDataEditor::YField),
                       model.cell(r, PicDataEditor::LineTypeField)});
    }
    return result;
}

QList<FigureLabel> WindowsTarget::labels() const
{
    QList<FigureLabel> result;
    if (!acceptsLabels()) {
        return result;
    }
    const WorkingListModel &model = m_labels->editor().model();
    for (const int r : visibleRows(model)) {
        result.append({model.cell(r, LabelEditor::XColumn), model.cell(r, LabelEditor::YColumn),
                       model.cell(r, LabelEditor::NameColumn)});
    }
    return result;
}

int WindowsTarget::appendPoint(const FigurePoint &point)
{
    if (!m_data || m_data->appendPoint({point.series, point.curve, point.x, point.y, point.lineType}) < 0) {
        return -1;
    }
    return static_cast<int>(visibleRows(*m_data->editor().model()).size()) - 1;
}

QVariant WindowsTarget::removePoint(int index)
{
    const int row = pointRow(index);
    if (row < 0) {
        return {};
    }
    const auto removed = m_data->removeRow(row);
    return removed ? QVariant::fromValue(*removed) : QVariant();
}

bool WindowsTarget::restorePoint(int index, const QVariant &removed)
{
    if (!m_data || !removed.canConvert<PicDataEditor::RemovedRow>()) {
        return false;
    }
    // The row knows its own place in the list; index is where the digitiser saw it.
    Q_UNUSED(index);
    return m_data->restoreRow(removed.value<PicDataEditor::RemovedRow>());
}

bool WindowsTarget::movePoint(int index, const QString &x, const QString &y)
{
    const int row = pointRow(index);
    return row >= 0 && m_data->setPosition(row, x, y);
}

void WindowsTarget::selectPoint(int index)
{
    if (m_data) {
        m_data->selectRow(pointRow(index));
    }
}

int WindowsTarget::selectedPoint() const
{
    if (!m_data) {
        return -1;
    }
    const PicDataEditor &editor = m_data->editor();
    const int current = editor.currentRow();
    if (editor.addMode() || current < 0 || current >= editor.model()->size() ||
        editor.model()->state(current) == RowState::Deleted) {
        return -1;
    }
    int index = 0;
    for (int r = 0; r < current; ++r) {
        index += editor.model()->state(r) != RowState::Deleted ? 1 : 0;
    }
    return index;
}

int WindowsTarget::appendLabel(const FigureLabel &label)
{
    if (!acceptsLabels() || m_labels->appendLabel({label.x, label.y, label.text}) < 0) {
        return -1;
    }
    return static_cast<int>(visibleRows(m_labels->editor().model()).size()) - 1;
}

QVariant WindowsTarget::removeLabel(int index)
{
    const int row = labelRow(index);
    if (row < 0 || !m_labels->removeRow(row)) {
        return {};
    }
    return row;
}
