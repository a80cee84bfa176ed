// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/lists/ListEditor.h>
#include <library/lists/ListLoad.h>
#include <library/state/mTaprell.h>

#include <QCoreApplication>

#include <cmath>

namespace {

QStringList headersOf(const QList<ListColumn> &columns)
{
    QStringList headers;
    for (const ListColumn &column : columns) {
        headers << QCoreApplication::translate("ListColumn", column.header.toUtf8().constData());
    }
    return headers;
}

bool showsField(const ListColumn &column)
{
    return !column.field.isEmpty() && column.field != ListLoad::positionCell;
}

} // namespace

ListEditor::ListEditor(mTaprell &taprell, ListTable table)
    : m_taprell(taprell)
    , m_table(std::move(table))
    , m_model(headersOf(m_table.columns), m_table.deletedMarker)
    , m_snapshots(m_table.columns.size())
{
    findRecordFields();
}

void ListEditor::setOptionalColumnsUsed(bool used)
{
    m_optionalUsed = used;
    findRecordFields();
}

void ListEditor::findRecordFields()
{
    m_recordFields.clear();
    for (int c = 1; c < m_table.columns.size(); ++c) {
        if (isUsed(c) && showsField(m_table.columns[c])) {
            m_recordFields.append({c, m_table.columns[c].field});
        }
    }
}

ListEditor::~ListEditor() = default;

int ListEditor::column(QStringView field) const
{
    for (int c = 0; c < m_table.columns.size(); ++c) {
        if (m_table.columns[c].field.compare(field, Qt::CaseInsensitive) == 0) {
            return c;
        }
    }
    return -1;
}

QStringList ListEditor::headers() const
{
    return headersOf(m_table.columns);
}

QList<int> ListEditor::widthsInTwips() const
{
    QList<int> widths;
    for (const ListColumn &column : m_table.columns) {
        widths << column.widthTwips;
    }
    return widths;
}

bool ListEditor::isUsed(int column) const
{
    return column >= 0 && column < m_table.columns.size() && (m_optionalUsed || !m_table.columns[column].optional);
}

void ListEditor::setCurrentRow(int row)
{
    m_currentRow = row >= 0 && row < m_model.size() ? row : -1;
    currentRowSet();
}

void ListEditor::setSnapshot(int column, const QString &text)
{
    if (column >= 0 && column < m_snapshots.size()) {
        m_snapshots[column] = text;
    }
}

QString ListEditor::snapshot(int column) const
{
    return m_snapshots.value(column);
}

bool ListEditor::commitField(int column, const QString &text)
{
    if (column < 1 || column >= m_snapshots.size() || m_addMode || text == m_snapshots[column]) {
        return false;
    }
    m_snapshots[column] = text;
    if (m_currentRow < 0 || m_currentRow >= m_model.size()) {
        return false;
    }
    m_model.setCell(m_currentRow, column, text);
    markEdited(m_currentRow);
    return true;
}

double ListEditor::nextFreeNumber() const
{
    double highest = 0;
    for (int row = 0; row < m_model.size(); ++row) {
        highest = std::max(highest, m_model.number(row));
    }
    return std::floor(highest) + 1;
}

bool ListEditor::isStored(int row) const
{
    const ListRow &r = m_model.row(row);
    return r.isRecord() && !r.deletionSaved;
}

void ListEditor::markEdited(int row)
{
    if (m_model.state(row) != RowState::New && !isStored(row)) {
        m_model.setKey(row, {});
        m_model.setIdentity(row, 0);
        m_model.markNew(row, numberText(m_model.number(row)));
    } else {
        m_model.markChanged(row);
    }
}

Status ListEditor::load(const store::Operation &read)
{
    m_currentRow = -1;
    m_addMode = false;
    if (Status opened = m_taprell.openLibrary(); !opened) {
        m_model.clear();
        return opened;
    }
    return ListEditor::read(read);
}

Status ListEditor::read(const store::Operation &read)
{
    ListLoad load{read, {}, m_table.keyField, {}};
    for (int c = 0; c < m_table.columns.size(); ++c) {
        load.cellFields << (isUsed(c) ? m_table.columns[c].field : QString());
    }
    return loadList(m_taprell, m_model, load);
}

QList<QString> ListEditor::savedTexts(int row) const
{
    QList<QString> texts = m_model.row(row).cells;
    for (int c = 1; c < texts.size(); ++c) {
        texts[c] = savedText(c, texts[c]);
    }
    return texts;
}

QString ListEditor::savedText(int column, const QString &text) const
{
    if (column >= m_table.columns.size() || m_table.columns[column].type != ValueType::NumericValue) {
        return text;
    }
    bool outOfRange = false;
    const double value = numericValue(text, &outOfRange);
    return outOfRange ? text : numberText(value);
}

QList<Library::FieldText> ListEditor::fieldTexts(const QList<QString> &texts) const
{
    QList<Library::FieldText> fields;
    for (const auto &[c, field] : m_recordFields) {
        if (c < texts.size()) {
            fields.append({field, texts[c]});
        }
    }
    return fields;
}

bool ListEditor::hasWork(int row) const
{
    switch (m_model.state(row)) {
    case RowState::Changed:
    case RowState::New:
        return true;
    case RowState::Deleted:
        return isStored(row);
    case RowState::Unchanged:
        break;
    }
    return false;
}

QString ListEditor::savedKey(int row) const
{
    const ListRow &r = m_model.row(row);
    return r.isRecord() ? r.key() : numberText(m_model.number(row));
}

Status ListEditor::save(Library::RowWrites writes, AfterSave after)
{
    int failedRow = -1;
    const auto write = [&](int row) {
        Status status = writeRow(row);
        if (!status) {
            failedRow = row;
            status.error().row = row + 1;
        }
        return status;
    };
    Library::SaveResult result = m_taprell.library().saveRows(
        m_model.size(), [this](int row) { return hasWork(row); }, write, writes);
    if (result.status.ok() && after == AfterSave::ReadAgain) {
        return {};
    }
    const int left = markHandledRows(result.done);
    if (!result.status && failedRow >= 0 && failedRow == result.done) {
        // Rows that left the list all came before the failing row.
        result.status.error().row = failedRow + 1 - left;
    }
    return result.status;
}

// Shows the first done rows as saved; returns how many left the list.
int ListEditor::markHandledRows(int done)
{
    QList<int> leaving;
    m_model.beginChanges();
    for (int row = 0; row < done; ++row) {
        const RowState state = m_model.state(row);
        if (state == RowState::Deleted) {
            if (m_table.savedDeletion == ListTable::SavedDeletion::LeavesList) {
                leaving.append(row);
            } else {
                m_model.markDeletionSaved(row);
            }
            continue;
        }
        if (state == RowState::Unchanged && !hasWork(row)) {
            continue;
        }
        rowSaved(row);
        if (QString key = savedKey(row); key != m_model.row(row).key()) {
            m_model.setKey(row, key);
        }
        m_model.markSaved(row, savedNumberCell(row));
    }
    m_model.endChanges();
    if (!leaving.isEmpty()) {
        dropRows(leaving);
    }
    return static_cast<int>(leaving.size());
}

void ListEditor::dropRows(const QList<int> &dropped)
{
    QList<ListRow> rows;
    rows.reserve(m_model.size());
    int current = -1;
    for (int row = 0, next = 0; row < m_model.size(); ++row) {
        if (next < dropped.size() && dropped[next] == row) {
            ++next;
            continue;
        }
        if (row == m_currentRow) {
            current = static_cast<int>(rows.size());
        }
        rows.append(m_model.row(row));
    }
    m_currentRow = current;
    m_model.setRows(std::move(rows));
}
