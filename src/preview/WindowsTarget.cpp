// SPDX-License-Identifier: GPL-3.0-or-later
#include <figuredata/fPicData.h>
#include <labels/fPicLbl.h>
#include <preview/WindowsTarget.h>

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
    // The list goes before the window; the pointers to both are cleared before they say so.
    connections << connect(model, &QObject::destroyed, this, announce)
                << connect(window, &QObject::destroyed, this, announce);
    if (auto *list = window->findChild<QTreeView *>(QStringLiteral("LvFigure")); list && list->selectionModel()) {
        connections << connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                               [this] { emit selectionChanged(); });
    }
}

void WindowsTarget::setDataWindow(fPicData *window)
{
    m_data = window;
    m_dataModel = window ? window->editor().model() : nullptr;
    watch(window, window ? window->editor().model() : nullptr, m_dataConnections);
    emit changed();
}

void WindowsTarget::setLabelWindow(fPicLbl *window)
{
    m_labels = window;
    m_labelModel = window ? &window->editor().model() : nullptr;
    watch(window, window ? &window->editor().model() : nullptr, m_labelConnections);
    emit changed();
}

fPicData *WindowsTarget::dataWindow() const
{
    return m_dataModel ? m_data.data() : nullptr;
}

fPicLbl *WindowsTarget::labelWindow() const
{
    return m_labelModel ? m_labels.data() : nullptr;
}

QString WindowsTarget::figureNumber() const
{
    if (dataWindow()) {
        return dataWindow()->editor().figureNumber();
    }
    return labelWindow() ? labelWindow()->editor().figureNumber() : QString();
}

bool WindowsTarget::acceptsPoints() const
{
    return dataWindow() != nullptr;
}

bool WindowsTarget::acceptsLabels() const
{
    return labelWindow() && labelWindow()->editor().figureNumber().compare(figureNumber(), Qt::CaseInsensitive) == 0;
}

int WindowsTarget::pointRow(int index) const
{
    return dataWindow() ? rowOf(*dataWindow()->editor().model(), index) : -1;
}

int WindowsTarget::labelRow(int index) const
{
    return acceptsLabels() ? rowOf(labelWindow()->editor().model(), index) : -1;
}

QList<FigurePoint> WindowsTarget::points() const
{
    QList<FigurePoint> result;
    if (!dataWindow()) {
        return result;
    }
    const WorkingListModel &model = *dataWindow()->editor().model();
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
    const WorkingListModel &model = labelWindow()->editor().model();
    for (const int r : visibleRows(model)) {
        result.append({model.cell(r, LabelEditor::XColumn), model.cell(r, LabelEditor::YColumn),
                       model.cell(r, LabelEditor::NameColumn)});
    }
    return result;
}

int WindowsTarget::appendPoint(const FigurePoint &point)
{
    if (!dataWindow() || dataWindow()->appendPoint({point.series, point.curve, point.x, point.y, point.lineType}) < 0) {
        return -1;
    }
    return static_cast<int>(visibleRows(*dataWindow()->editor().model()).size()) - 1;
}

QVariant WindowsTarget::removePoint(int index)
{
    const int row = pointRow(index);
    if (row < 0) {
        return {};
    }
    const auto removed = dataWindow()->removeRow(row);
    return removed ? QVariant::fromValue(*removed) : QVariant();
}

bool WindowsTarget::restorePoint(int index, const QVariant &removed)
{
    if (!dataWindow() || !removed.canConvert<PicDataEditor::RemovedRow>()) {
        return false;
    }
    // The row knows its own place in the list; index is where the digitiser saw it.
    Q_UNUSED(index);
    return dataWindow()->restoreRow(removed.value<PicDataEditor::RemovedRow>());
}

bool WindowsTarget::movePoint(int index, const QString &x, const QString &y)
{
    const int row = pointRow(index);
    return row >= 0 && dataWindow()->setPosition(row, x, y);
}

void WindowsTarget::selectPoint(int index)
{
    if (dataWindow()) {
        dataWindow()->selectRow(pointRow(index));
    }
}

int WindowsTarget::selectedPoint() const
{
    if (!dataWindow()) {
        return -1;
    }
    const PicDataEditor &editor = dataWindow()->editor();
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
    if (!acceptsLabels() || labelWindow()->appendLabel({label.x, label.y, label.text}) < 0) {
        return -1;
    }
    return static_cast<int>(visibleRows(labelWindow()->editor().model()).size()) - 1;
}

QVariant WindowsTarget::removeLabel(int index)
{
    const int row = labelRow(index);
    if (row < 0 || !labelWindow()->removeRow(row)) {
        return {};
    }
    return row;
}
