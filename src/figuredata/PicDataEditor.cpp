// SPDX-License-Identifier: GPL-3.0-or-later
#include <figuredata/PicDataEditor.h>
#include <library/engine/Conversions.h>
#include <library/lists/ListLoad.h>
#include <library/state/mTaprell.h>
#include <library/store/Stores.h>

#include <QCoreApplication>

#include <cmath>

const QString PicDataEditor::deletedMarker = QStringLiteral("★");

const QList<ListColumn> PicDataEditor::columnTable = {
    {QStringLiteral("ID"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "点号")), 540, ValueType::Number},
    {QStringLiteral("Series"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "线号")), 540, ValueType::Number},
    {QStringLiteral("curve"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "是否曲线")), 960, ValueType::YesNo},
    {QStringLiteral("X"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "X-值")), 800, ValueType::Number},
    {QStringLiteral("Y"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "Y-值")), 800, ValueType::Number},
    {QStringLiteral("L"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "线型")), 540, ValueType::Number},
};

PicDataEditor::PicDataEditor(mTaprell &taprell, QObject *parent)
    : QObject(parent)
    , ListEditor(taprell, {columnTable, QStringLiteral("ID"), deletedMarker, ListTable::SavedDeletion::LeavesList})
{
}

Status PicDataEditor::load(const QString &figureNumber)
{
    m_figureNumber = figureNumber;
    return ListEditor::load(store::Points::list(figureNumber));
}

PointFields PicDataEditor::chooseRow(int row)
{
    PointFields fields;
    const WorkingListModel &list = ListEditor::model();
    if (row < 0 || row >= list.size()) {
        return fields;
    }
    setCurrentRow(row);
    fields.number = list.cell(row, 0);
    for (int i = 1; i <= fieldCount; ++i) {
        fields.value(i) = list.cell(row, i);
        setSnapshot(i, fields.value(i));
    }
    setAddMode(false);
    return fields;
}

PointFields PicDataEditor::startAdding(const PointFields &shown)
{
    const WorkingListModel &list = ListEditor::model();
    PointFields fields = shown;
    const int count = list.size();
    fields.number = count == 0 ? QStringLiteral("1") : numberText(list.number(count - 1) + 1);
    fields.value(XField).clear();
    fields.value(YField).clear();
    fields.value(LineTypeField) = QStringLiteral("1");
    setAddMode(true);
    return fields;
}

int PicDataEditor::addRow(const PointFields &shown)
{
    ListRow row;
    row.cells.append(shown.number + WorkingListModel::newMarker);
    for (const QString &value : shown.values) {
        row.cells.append(value);
    }
    row.state = RowState::New;
    const int index = ListEditor::model().appendRow(std::move(row));
    setAddMode(false);
    setCurrentRow(index);
    for (int i = 1; i <= fieldCount; ++i) {
        setSnapshot(i, shown.value(i));
    }
    return index;
}

bool PicDataEditor::hasWork(int row) const
{
    const WorkingListModel &list = ListEditor::model();
    return list.state(row) != RowState::Unchanged || list.row(row).key() != positionText(row);
}

QString PicDataEditor::savedKey(int row) const
{
    return m_savedIds[row].isNull() ? positionText(row) : m_savedIds[row];
}

Status PicDataEditor::save()
{
    const WorkingListModel &list = ListEditor::model();
    // The points that remain are numbered 1..n; a row marked for deletion has no position.
    m_positions = QList<int>(list.size());
    for (int row = 0, position = 0; row < list.size(); ++row) {
        m_positions[row] = list.state(row) == RowState::Deleted ? 0 : ++position;
    }
    m_stored.reset();
    m_savedIds = QList<QString>(list.size());
    // Each row is written by one statement (the identity of a new point is only read back).
    const Status status = ListEditor::save(Library::RowWrites::One);
    m_stored.reset();
    m_taprell.sharedQuery().close();
    m_savedIds.clear();
    m_positions.clear();
    return status;
}

std::optional<PicDataEditor::RemovedRow> PicDataEditor::removeRow(int row)
{
    WorkingListModel &list = ListEditor::model();
    if (row < 0 || row >= list.size() || list.state(row) == RowState::Deleted) {
        return std::nullopt;
    }
    RemovedRow removed{row, list.row(row), list.row(row).identity, list.state(row) == RowState::New};
    if (removed.dropped) {
        dropRows({row});
    } else {
        list.markDeleted(row);
    }
    return removed;
}

bool PicDataEditor::restoreRow(const RemovedRow &removed)
{
    WorkingListModel &list = ListEditor::model();
    if (removed.dropped) {
        if (removed.row < 0 || removed.row > list.size()) {
            return false;
        }
        QList<ListRow> rows;
        rows.reserve(list.size() + 1);
        for (int row = 0; row < list.size(); ++row) {
            rows.append(list.row(row));
        }
        rows.insert(removed.row, removed.listRow);
        const int current = currentRow() >= removed.row ? currentRow() + 1 : currentRow();
        list.setRows(std::move(rows));
        setCurrentRow(current);
        return true;
    }
    // A stored row is still in the list, marked; it takes back the mark it had.
    if (removed.row < 0 || removed.row >= list.size() || list.state(removed.row) != RowState::Deleted ||
        list.row(removed.row).identity != removed.identity) {
        return false;
    }
    if (removed.listRow.state == RowState::Changed) {
        list.markChanged(removed.row);
    } else {
        list.markSaved(removed.row, removed.listRow.cells[0]);
    }
    return true;
}

bool PicDataEditor::setPosition(int row, const QString &x, const QString &y)
{
    WorkingListModel &list = ListEditor::model();
    if (row < 0 || row >= list.size() || list.state(row) == RowState::Deleted) {
        return false;
    }
    list.setCell(row, XField, x);
    list.setCell(row, YField, y);
    list.markChanged(row);
    if (row == currentRow() && !addMode()) {
        setSnapshot(XField, x);
        setSnapshot(YField, y);
    }
    return true;
}

// Reads the figure's stored points once per save, inside its transaction, instead of one
// locating query per row: with 100,000 points the statements' parsing would dominate the save.
Status PicDataEditor::readStoredPoints()
{
    if (Status opened = m_taprell.openSharedQuery(store::Points::stored(m_figureNumber)); !opened) {
        return opened;
    }
    Query &query = m_taprell.sharedQuery();
    StoredPoints stored;
    stored.idField = query.fieldIndex(u"ID");
    stored.recordOf.reserve(query.recordCount());
    for (int k = 1; k <= query.recordCount(); ++k) {
        query.move(k);
        stored.recordOf.insert(query.rowIdentity(), k);
        stored.highestId = std::max(stored.highestId, numericValue(query.text(stored.idField)));
    }
    qsizetype listed = 0;
    const WorkingListModel &list = ListEditor::model();
    for (int row = 0; row < list.size(); ++row) {
        const qint64 identity = list.row(row).identity;
        listed += identity != 0 && stored.recordOf.contains(identity) ? 1 : 0;
    }
    stored.unlisted = listed < stored.recordOf.size();
    stored.transaction = m_taprell.library().currentTransaction();
    m_stored = std::move(stored);
    return {};
}

Status PicDataEditor::writeRow(int row)
{
    // Read again when the save's transaction started over (a server writes the rows before a
    // failing one again in a new transaction).
    if (!m_stored || m_stored->transaction != m_taprell.library().currentTransaction()) {
        if (Status status = readStoredPoints(); !status) {
            return status;
        }
    }
    WorkingListModel &list = ListEditor::model();
    if (list.state(row) == RowState::Deleted) {
        return deleteStored(row);
    }
    Query &query = m_taprell.sharedQuery();
    const ListRow &listRow = list.row(row);
    const bool isNew = listRow.state == RowState::New;
    if (isNew) {
        query.addNew();
    } else if (Status located = locateStored(row); !located) {
        return located;
    }
    if (listRow.state == RowState::Changed) {
        if (const QStringList changed = query.fieldsChangedSince(listRow.original, recordFields());
            !changed.isEmpty()) {
            return query.changedElsewhereError(
                QCoreApplication::translate("PicDataEditor", "图版 %1 的点 %2 ").arg(m_figureNumber, listRow.key()),
                changed);
        }
    }

    // The list's positions are the figure's numbers only while the list shows all its points.
    QString position = positionText(row);
    if (m_stored->unlisted) {
        if (isNew) {
            m_stored->highestId = std::floor(m_stored->highestId) + 1;
            position = numberText(m_stored->highestId);
        } else {
            position = listRow.key();
        }
    }
    m_savedIds[row] = position;
    if (listRow.state == RowState::Unchanged && position == listRow.key()) {
        return {}; // nothing to renumber
    }
    if (listRow.state == RowState::Unchanged) {
        // Only its place in the list moved: renumber, leave the values as stored.
        if (Status status = query.setField(u"ID", position); !status) {
            return status;
        }
    } else {
        if (Status status = query.setField(u"th", m_figureNumber); !status) {
            return status;
        }
        if (Status status = query.setField(u"ID", position); !status) {
            return status;
        }
        for (const auto &[column, field] : recordFields()) {
            if (Status status = query.setField(field, listRow.cells[column]); !status) {
                return status;
            }
        }
    }
    if (Status status = query.update(); !status) {
        return status;
    }
    if (isNew) {
        // Remember the new point's identity, so a later save finds it even among repeated IDs.
        list.setIdentity(row, query.rowIdentity());
    }
    return {};
}

// Deletes the stored point the row stands for, provided nobody changed it since it was loaded.
Status PicDataEditor::deleteStored(int row)
{
    if (Status located = locateStored(row); !located) {
        return located;
    }
    Query &query = m_taprell.sharedQuery();
    const ListRow &listRow = ListEditor::model().row(row);
    if (const QStringList changed = query.fieldsChangedSince(listRow.original, recordFields()); !changed.isEmpty()) {
        return query.changedElsewhereError(
            QCoreApplication::translate("PicDataEditor", "图版 %1 的点 %2 ").arg(m_figureNumber, listRow.key()),
            changed);
    }
    return m_taprell.execute(store::Points::remove(query.rowIdentity()));
}

// Moves the shared query to the stored point the row was read as: the record with the row's
// identity, provided it still carries the ID the row was read with. A row whose identity is
// unknown is found by its stored ID when exactly one point carries it.
Status PicDataEditor::locateStored(int row)
{
    Query &query = m_taprell.sharedQuery();
    const QString &storedId = ListEditor::model().row(row).key();
    const qint64 identity = ListEditor::model().row(row).identity;
    int record = identity != 0 ? m_stored->recordOf.value(identity) : 0;
    if (identity == 0) {
        for (int k = 1; k <= query.recordCount(); ++k) {
            query.move(k);
            if (query.text(m_stored->idField) == storedId) {
                if (record != 0) {
                    return LibraryError{
                        .message = QCoreApplication::translate(
                                       "PicDataEditor",
                                       "图版 %1 中有多个点的点号都是 %2，无法确定哪一个是这一行，这一行没有写入。")
                                       .arg(m_figureNumber, storedId),
                        .statement = query.statement(),
                    };
                }
                record = k;
            }
        }
    }
    if (record == 0 || !query.move(record) || query.text(m_stored->idField) != storedId) {
        return LibraryError{
            .message = QCoreApplication::translate(
                           "PicDataEditor",
                           "图版 %1 中点号为 %2 的点在载入之后已被其他程序删除或改动，这一行没有写入。请重新打开窗口。")
                           .arg(m_figureNumber, storedId),
            .statement = query.statement(),
        };
    }
    return {};
}
