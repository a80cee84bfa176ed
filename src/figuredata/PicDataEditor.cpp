// SPDX-License-Identifier: GPL-3.0-or-later
#include "PicDataEditor.h"

#include "Conversions.h"
#include "ListLoad.h"
#include "mTaprell.h"

#include <cmath>

namespace {

const QStringList headers = {QStringLiteral("点号"), QStringLiteral("线号"), QStringLiteral("是否曲线"),
                             QStringLiteral("X-值"), QStringLiteral("Y-值"), QStringLiteral("线型")};

// The value columns in list order after the number cell; field i is column i.
const std::array<QStringView, PicDataEditor::fieldCount> valueColumns = {u"Series", u"curve", u"X", u"Y", u"L"};

LibraryError rowError(const QString &message, const QString &statement)
{
    LibraryError error;
    error.message = message;
    error.statement = statement;
    return error;
}

} // namespace

const QString PicDataEditor::defaultFigureNumber = QStringLiteral("B001");
const QString PicDataEditor::deletedMarker = QStringLiteral("★");

PicDataEditor::PicDataEditor(mTaprell &taprell, QObject *parent)
    : QObject(parent)
    , m_taprell(taprell)
    , m_model(new WorkingListModel(headers, deletedMarker, this))
{
}

QString PicDataEditor::requestedFigureNumber()
{
    if (m_taprell.currentFigureNumber().isEmpty()) {
        m_taprell.setCurrentFigureNumber(defaultFigureNumber);
    }
    return m_taprell.currentFigureNumber();
}

Status PicDataEditor::load(const QString &figureNumber)
{
    m_figureNumber = figureNumber;
    m_currentRow = -1;
    m_addMode = false;
    m_rowIds.clear();
    m_model->clear();

    if (Status opened = m_taprell.openLibrary(); !opened) {
        return opened;
    }
    // The columns the list shows, not "*": reading the figure number of every row only to drop it
    // costs a large figure much of its load time.
    const QString sql =
        QStringLiteral("select rowid as rowIdentity, ID, Series, curve, X, Y, L from pData where Th = ") +
        quoted(figureNumber) + QStringLiteral(" order by ID");
    int identity = -1;
    const auto keepIdentity = [&](const Query &record) {
        if (identity < 0) {
            identity = record.fieldIndex(u"rowIdentity");
        }
        m_rowIds.append(record.text(identity).toLongLong());
    };
    const Status status = loadList(m_taprell, *m_model,
                                   {sql,
                                    {QStringLiteral("ID"), QStringLiteral("Series"), QStringLiteral("curve"),
                                     QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("L")},
                                    QStringLiteral("ID"),
                                    keepIdentity});
    if (!status) {
        m_rowIds.clear();
    }
    return status;
}

PointFields PicDataEditor::chooseRow(int row)
{
    PointFields fields;
    if (row < 0 || row >= m_model->size()) {
        return fields;
    }
    m_currentRow = row;
    fields.number = m_model->cell(row, 0);
    for (int i = 1; i <= fieldCount; ++i) {
        fields.value(i) = m_model->cell(row, i);
        m_snapshots[i - 1] = fields.value(i);
    }
    m_addMode = false;
    return fields;
}

bool PicDataEditor::commitField(int field, const QString &text)
{
    if (m_addMode || text == m_snapshots[field - 1]) {
        return false;
    }
    m_snapshots[field - 1] = text;
    if (m_currentRow < 0 || m_currentRow >= m_model->size()) {
        return false;
    }
    m_model->setCell(m_currentRow, field, text);
    m_model->markChanged(m_currentRow);
    return true;
}

PointFields PicDataEditor::prepareNewPoint(const PointFields &shown)
{
    PointFields fields = shown;
    const int count = m_model->size();
    fields.number = count == 0 ? QStringLiteral("1") : numberText(m_model->number(count - 1) + 1);
    fields.value(XField).clear();
    fields.value(YField).clear();
    fields.value(LineTypeField) = QStringLiteral("1");
    m_addMode = true;
    return fields;
}

int PicDataEditor::appendNewPoint(const PointFields &shown)
{
    ListRow row;
    row.cells.append(shown.number + WorkingListModel::newMarker);
    for (const QString &value : shown.values) {
        row.cells.append(value);
    }
    row.state = RowState::New;
    const int index = m_model->appendRow(std::move(row));
    m_rowIds.append(0);
    m_addMode = false;
    m_currentRow = index;
    for (int i = 1; i <= fieldCount; ++i) {
        m_snapshots[i - 1] = shown.value(i);
    }
    return index;
}

Status PicDataEditor::save()
{
    // The points that remain are numbered 1..n; a row marked for deletion has no position.
    m_positions = QList<int>(m_model->size());
    for (int row = 0, position = 0; row < m_model->size(); ++row) {
        m_positions[row] = m_model->state(row) == RowState::Deleted ? 0 : ++position;
    }
    const auto hasWork = [this](int row) {
        return m_model->state(row) != RowState::Unchanged || m_model->row(row).key != positionText(row);
    };
    m_stored.reset();
    m_savedIds = QList<QString>(m_model->size());
    const auto write = [this](int row) {
        Status status = writeRow(row);
        if (!status) {
            status.error().row = row + 1;
        }
        return status;
    };
    // Each row is written by one statement (the identity of a new point is only read back).
    Library::SaveResult result = m_taprell.library().saveRows(m_model->size(), hasWork, write, Library::RowWrites::One);
    m_stored.reset();
    m_taprell.sharedQuery().close();
    QList<int> deleted;
    m_model->beginChanges();
    for (int row = 0; row < result.done; ++row) {
        if (m_model->state(row) == RowState::Deleted) {
            deleted.append(row);
            continue;
        }
        const QString id = m_savedIds[row].isNull() ? positionText(row) : m_savedIds[row];
        m_model->markSaved(row, id);
        m_model->setKey(row, id);
    }
    m_model->endChanges();
    m_savedIds.clear();
    m_positions.clear();
    if (!deleted.isEmpty()) {
        dropRows(deleted);
        if (!result.status && result.status.error().row > 0) {
            // The failing row comes after every deleted row that left the list.
            result.status.error().row -= static_cast<int>(deleted.size());
        }
    }
    return result.status;
}

std::optional<PicDataEditor::RemovedRow> PicDataEditor::removeRow(int row)
{
    if (row < 0 || row >= m_model->size() || m_model->state(row) == RowState::Deleted) {
        return std::nullopt;
    }
    RemovedRow removed{row, m_model->row(row), m_rowIds.value(row), m_model->state(row) == RowState::New};
    if (removed.dropped) {
        dropRows({row});
    } else {
        m_model->markDeleted(row);
    }
    return removed;
}

bool PicDataEditor::restoreRow(const RemovedRow &removed)
{
    if (removed.dropped) {
        if (removed.row < 0 || removed.row > m_model->size()) {
            return false;
        }
        QList<ListRow> rows;
        rows.reserve(m_model->size() + 1);
        for (int row = 0; row < m_model->size(); ++row) {
            rows.append(m_model->row(row));
        }
        rows.insert(removed.row, removed.listRow);
        m_rowIds.insert(removed.row, removed.identity);
        if (m_currentRow >= removed.row) {
            ++m_currentRow;
        }
        m_model->setRows(std::move(rows));
        return true;
    }
    // A stored row is still in the list, marked; it takes back the mark it had.
    if (removed.row < 0 || removed.row >= m_model->size() || m_model->state(removed.row) != RowState::Deleted ||
        m_rowIds.value(removed.row) != removed.identity) {
        return false;
    }
    if (removed.listRow.state == RowState::Changed) {
        m_model->markChanged(removed.row);
    } else {
        m_model->markSaved(removed.row, removed.listRow.cells[0]);
    }
    return true;
}

bool PicDataEditor::setPosition(int row, const QString &x, const QString &y)
{
    if (row < 0 || row >= m_model->size() || m_model->state(row) == RowState::Deleted) {
        return false;
    }
    m_model->setCell(row, XField, x);
    m_model->setCell(row, YField, y);
    m_model->markChanged(row);
    if (row == m_currentRow && !m_addMode) {
        m_snapshots[XField - 1] = x;
        m_snapshots[YField - 1] = y;
    }
    return true;
}

// Takes rows out of the list (ascending indexes); the current row stays with its row.
void PicDataEditor::dropRows(const QList<int> &dropped)
{
    QList<ListRow> rows;
    QList<qint64> ids;
    rows.reserve(m_model->size());
    ids.reserve(m_model->size());
    int current = -1;
    for (int row = 0, next = 0; row < m_model->size(); ++row) {
        if (next < dropped.size() && dropped[next] == row) {
            ++next;
            continue;
        }
        if (row == m_currentRow) {
            current = static_cast<int>(rows.size());
        }
        rows.append(m_model->row(row));
        ids.append(m_rowIds.value(row));
    }
    m_currentRow = current;
    m_rowIds = std::move(ids);
    m_model->setRows(std::move(rows));
}

// Reads the figure's stored points once per save, inside its transaction, instead of one
// locating query per row: with 100,000 points the statements' parsing would dominate the save.
Status PicDataEditor::readStoredPoints()
{
    const QString sql = QStringLiteral("select rowid as rowIdentity, * from pData where th= ") + quoted(m_figureNumber);
    if (Status opened = m_taprell.openSharedQuery(sql); !opened) {
        return opened;
    }
    Query &query = m_taprell.sharedQuery();
    StoredPoints stored;
    stored.identityField = query.fieldIndex(u"rowIdentity");
    stored.idField = query.fieldIndex(u"ID");
    stored.recordOf.reserve(query.recordCount());
    for (int k = 1; k <= query.recordCount(); ++k) {
        query.move(k);
        stored.recordOf.insert(query.text(stored.identityField).toLongLong(), k);
        stored.highestId = std::max(stored.highestId, numericValue(query.text(stored.idField)));
    }
    qsizetype listed = 0;
    for (const qint64 identity : std::as_const(m_rowIds)) {
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
    if (m_model->state(row) == RowState::Deleted) {
        return deleteStored(row);
    }
    Query &query = m_taprell.sharedQuery();
    const ListRow &listRow = m_model->row(row);
    const bool isNew = listRow.state == RowState::New;
    if (isNew) {
        query.addNew();
    } else if (Status located = locateStored(row); !located) {
        return located;
    }
    if (listRow.state == RowState::Changed) {
        QList<std::pair<int, QString>> compared;
        for (int i = 1; i <= fieldCount; ++i) {
            compared.append({i, valueColumns[i - 1].toString()});
        }
        if (const QStringList changed = query.fieldsChangedSince(listRow.original, compared); !changed.isEmpty()) {
            LibraryError error = query.changedElsewhereError(
                QStringLiteral("图版 %1 的点 %2 ").arg(m_figureNumber, listRow.key), changed);
            error.row = row + 1;
            return error;
        }
    }

    // The list's positions are the figure's numbers only while the list shows all its points.
    QString position = positionText(row);
    if (m_stored->unlisted) {
        if (isNew) {
            m_stored->highestId = std::floor(m_stored->highestId) + 1;
            position = numberText(m_stored->highestId);
        } else {
            position = listRow.key;
        }
    }
    m_savedIds[row] = position;
    if (listRow.state == RowState::Unchanged && position == listRow.key) {
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
        for (int i = 1; i <= fieldCount; ++i) {
            if (Status status = query.setField(valueColumns[i - 1], listRow.cells[i]); !status) {
                return status;
            }
        }
    }
    if (Status status = query.update(); !status) {
        return status;
    }
    if (isNew) {
        // Remember the new point's identity, so a later save finds it even among repeated IDs.
        Query inserted;
        if (m_taprell.openQuery(inserted, QStringLiteral("select last_insert_rowid()")) &&
            inserted.recordCount() == 1) {
            m_rowIds[row] = inserted.text(0).toLongLong();
        }
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
    const ListRow &listRow = m_model->row(row);
    QList<std::pair<int, QString>> compared;
    for (int i = 1; i <= fieldCount; ++i) {
        compared.append({i, valueColumns[i - 1].toString()});
    }
    if (const QStringList changed = query.fieldsChangedSince(listRow.original, compared); !changed.isEmpty()) {
        return query.changedElsewhereError(QStringLiteral("图版 %1 的点 %2 ").arg(m_figureNumber, listRow.key),
                                           changed);
    }
    return m_taprell.execute(QStringLiteral("DELETE from pData where rowid = ") +
                             QString::number(query.text(m_stored->identityField).toLongLong()));
}

// Moves the shared query to the stored point the row was read as: the record with the row's
// identity, provided it still carries the ID the row was read with. A row whose identity is
// unknown is found by its stored ID when exactly one point carries it.
Status PicDataEditor::locateStored(int row)
{
    Query &query = m_taprell.sharedQuery();
    const QString &storedId = m_model->row(row).key;
    const qint64 identity = m_rowIds.value(row);
    int record = identity != 0 ? m_stored->recordOf.value(identity) : 0;
    if (identity == 0) {
        for (int k = 1; k <= query.recordCount(); ++k) {
            query.move(k);
            if (query.text(m_stored->idField) == storedId) {
                if (record != 0) {
                    return rowError(
                        QStringLiteral("图版 %1 中有多个点的点号都是 %2，无法确定哪一个是这一行，这一行没有写入。")
                            .arg(m_figureNumber, storedId),
                        query.statement());
                }
                record = k;
            }
        }
    }
    if (record == 0 || !query.move(record) || query.text(m_stored->idField) != storedId) {
        return rowError(
            QStringLiteral("图版 %1 中点号为 %2 的点在载入之后已被其他程序删除或改动，这一行没有写入。请重新打开窗口。")
                .arg(m_figureNumber, storedId),
            query.statement());
    }
    return {};
}
