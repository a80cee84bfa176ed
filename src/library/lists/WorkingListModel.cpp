// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/lists/WorkingListModel.h>

#include <algorithm>

const QString WorkingListModel::changedMarker = QStringLiteral("*");
const QString WorkingListModel::newMarker = QStringLiteral("#");

WorkingListModel::WorkingListModel(QStringList headers, QString deletedMarker, QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers(std::move(headers))
    , m_deletedMarker(std::move(deletedMarker))
{
}

int WorkingListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int WorkingListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant WorkingListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size() || index.column() >= m_headers.size()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        const ListRow &r = m_rows[index.row()];
        return index.column() < r.cells.size() ? r.cells[index.column()] : QString();
    }
    return {};
}

QVariant WorkingListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size()) {
        return m_headers[section];
    }
    return {};
}

double WorkingListModel::number(int row) const
{
    return numericValue(m_rows[row].cells[0]);
}

void WorkingListModel::setRows(QList<ListRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (ListRow &r : m_rows) {
        r.cells.resize(m_headers.size());
    }
    endResetModel();
}

void WorkingListModel::adoptRows(QList<ListRow> rows)
{
    Q_ASSERT(
        std::all_of(rows.cbegin(), rows.cend(), [&](const ListRow &r) { return r.cells.size() == columnCount(); }));
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void WorkingListModel::clear()
{
    setRows({});
}

int WorkingListModel::appendRow(ListRow row)
{
    const int index = size();
    row.cells.resize(m_headers.size());
    beginInsertRows({}, index, index);
    m_rows.append(std::move(row));
    endInsertRows();
    return index;
}

void WorkingListModel::setCell(int row, int column, const QString &text)
{
    ListRow &r = m_rows[row];
    if (column < r.cells.size() && r.cells.utf8(column) == QByteArrayView(text.toUtf8())) {
        return;
    }
    if (column == r.keyCell && r.original.isEmpty() && (column == 0 || r.state == RowState::New)) {
        keepKey(r); // the key cell changes with nothing kept of what it was loaded with
    }
    // The first edit of a stored row keeps what it was loaded with, for the save to compare.
    if (column != 0 && r.state != RowState::New && r.original.isEmpty()) {
        r.original = r.cells;
    }
    r.cells.set(column, text);
    if (m_changesDepth > 0) {
        m_changedRows.append(row);
        return;
    }
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void WorkingListModel::beginChanges()
{
    ++m_changesDepth;
}

void WorkingListModel::endChanges()
{
    if (m_changesDepth == 0 || --m_changesDepth > 0) {
        return;
    }
    // One signal per run of neighbouring rows: a view works through every row of a range it is
    // told about, so one range from the first to the last changed row of a long list would cost
    // the save more than the changes themselves.
    std::sort(m_changedRows.begin(), m_changedRows.end());
    for (qsizetype i = 0; i < m_changedRows.size();) {
        qsizetype j = i;
        while (j + 1 < m_changedRows.size() && m_changedRows[j + 1] <= m_changedRows[j] + 1) {
            ++j;
        }
        if (m_changedRows[j] < size()) {
            emit dataChanged(index(m_changedRows[i], 0), index(m_changedRows[j], columnCount() - 1),
                             {Qt::DisplayRole, Qt::EditRole});
        }
        i = j + 1;
    }
    m_changedRows.clear();
}

void WorkingListModel::setNumberCell(int row, const QString &text)
{
    setCell(row, 0, text);
}

void WorkingListModel::markChanged(int row)
{
    ListRow &r = m_rows[row];
    if (r.state == RowState::New) {
        return;
    }
    if (r.original.isEmpty()) {
        r.original = r.cells;
    }
    r.state = RowState::Changed;
    r.deletionSaved = false;
    setNumberCell(row, numberText(number(row)) + changedMarker);
}

void WorkingListModel::markDeleted(int row)
{
    if (m_rows[row].original.isEmpty() && m_rows[row].state != RowState::New) {
        m_rows[row].original = m_rows[row].cells;
    }
    m_rows[row].state = RowState::Deleted;
    m_rows[row].deletionSaved = false;
    setNumberCell(row, numberText(number(row)) + m_deletedMarker);
}

void WorkingListModel::markNew(int row, const QString &number)
{
    m_rows[row].state = RowState::New;
    m_rows[row].deletionSaved = false;
    setNumberCell(row, number + newMarker);
}

void WorkingListModel::keepKey(ListRow &r)
{
    if (r.keyCell >= 0) {
        r.ownKey = r.key();
        r.keyCell = -1;
    }
}

void WorkingListModel::markSaved(int row, const QString &numberCell)
{
    ListRow &r = m_rows[row];
    // The original goes; the key cell can stand for the key from now on only when it holds the
    // same text and is not the number cell, which takes a new text here.
    if (r.keyCell == 0 || (!r.original.isEmpty() && r.original.utf8(r.keyCell) != r.cells.utf8(r.keyCell))) {
        keepKey(r);
    }
    m_rows[row].state = RowState::Unchanged;
    m_rows[row].deletionSaved = false;
    setNumberCell(row, numberCell);
    m_rows[row].original = RowCells();
}

void WorkingListModel::markDeletionSaved(int row)
{
    m_rows[row].deletionSaved = true;
}

void WorkingListModel::setKey(int row, const QString &key)
{
    m_rows[row].ownKey = key;
    m_rows[row].keyCell = -1;
}

bool WorkingListModel::hasUnsavedChanges() const
{
    for (const ListRow &r : m_rows) {
        if (r.state != RowState::Unchanged && !(r.state == RowState::Deleted && r.deletionSaved)) {
            return true;
        }
    }
    return false;
}
