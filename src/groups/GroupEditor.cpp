// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupEditor.h"

#include "Conversions.h"
#include "ListLoad.h"
#include "Query.h"
#include "mTaprell.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// A stored number as it goes into a statement: the decimal text it was read as, which the
// library binds as a number; any other text (another program may store one in the column) goes
// in quoted and is matched as that text.
QString storedNumberLiteral(const QString &key)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    return decimal.match(key).hasMatch() ? key : quoted(key);
}

} // namespace

const QString GroupEditor::listStatement = QStringLiteral("select grp,grpName from picType order by grp");
const QString GroupEditor::newGroupName = QStringLiteral("在此输入新的组名");
const QString GroupEditor::deletedMarker = QStringLiteral("d");

GroupEditor::GroupEditor(mTaprell &taprell)
    : m_taprell(taprell)
    , m_model({QStringLiteral("序号"), QStringLiteral("分组名称")}, deletedMarker)
{
}

Status GroupEditor::load()
{
    m_currentRow = -1;
    Status status = m_taprell.openLibrary();
    if (!status) {
        m_model.clear();
        return status;
    }
    return loadList(m_taprell, m_model,
                    {listStatement, {QStringLiteral("grp"), QStringLiteral("grpName")}, QStringLiteral("grp"), {}});
}

bool GroupEditor::libraryOpen() const
{
    return m_taprell.library().isOpen();
}

void GroupEditor::setCurrentRow(int row)
{
    m_currentRow = row >= 0 && row < m_model.size() ? row : -1;
}

QString GroupEditor::currentName() const
{
    return m_currentRow < 0 ? QString() : m_model.cell(m_currentRow, 1);
}

bool GroupEditor::isStored(int row) const
{
    const ListRow &r = m_model.row(row);
    return !r.key.isEmpty() && !r.deletionSaved;
}

bool GroupEditor::rename(const QString &text)
{
    const int row = m_currentRow;
    if (row < 0 || text.isEmpty()) {
        return false;
    }
    m_model.setCell(row, 1, text);
    if (m_model.state(row) == RowState::Deleted && !isStored(row)) {
        // Taking back the deletion of a group the table does not hold (never saved, or its
        // deletion already saved) means adding it, not renaming a record that is not there.
        m_model.setKey(row, {});
        m_model.markNew(row, numberText(m_model.number(row)));
    } else {
        m_model.markChanged(row);
    }
    return true;
}

double GroupEditor::nextNumber() const
{
    double highest = 0;
    for (int row = 0; row < m_model.size(); ++row) {
        highest = std::max(highest, std::floor(m_model.number(row)));
    }
    return highest + 1;
}

int GroupEditor::addGroup()
{
    const QString number = numberText(nextNumber());
    const int row = m_model.appendRow({{QString(), newGroupName}, RowState::New, {}, false});
    m_model.markNew(row, number);
    return row;
}

bool GroupEditor::deleteCurrent()
{
    const int row = m_currentRow;
    if (row < 0 || (m_model.state(row) == RowState::Deleted && m_model.row(row).deletionSaved)) {
        return false;
    }
    m_model.markDeleted(row);
    return true;
}

bool GroupEditor::hasWork(int row) const
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

Status GroupEditor::writeRow(int row)
{
    const ListRow &r = m_model.row(row);
    const QString &name = r.cells[1];
    Status status;
    Query query;
    if (r.state == RowState::Deleted) {
        status = m_taprell.execute(QStringLiteral("DELETE from picType where grp = ") + storedNumberLiteral(r.key));
    } else if (r.state == RowState::Changed) {
        const QString sql = QStringLiteral("select grpName from picType where grp = ") + storedNumberLiteral(r.key);
        status = m_taprell.openQuery(query, sql);
        if (status && query.recordCount() == 0) {
            LibraryError error;
            error.message = QStringLiteral("分组 %1 在图版库中已不存在，不能改名。").arg(r.key);
            error.statement = sql;
            status = error;
        }
        if (status) {
            if (const QStringList changed = query.fieldsChangedSince(r.original, {{1, QStringLiteral("grpName")}});
                !changed.isEmpty()) {
                status = query.changedElsewhereError(QStringLiteral("分组 %1 ").arg(r.key), changed);
            }
        }
        if (status) {
            status = query.setField(u"grpName", name);
        }
        if (status) {
            status = query.update();
        }
    } else if (r.state == RowState::New) {
        const QString number = numberText(m_model.number(row));
        status = m_taprell.openQuery(query, QStringLiteral("select * from picType where grp = ") + number);
        if (status) {
            query.addNew();
            status = query.setField(u"grp", number);
        }
        if (status) {
            status = query.setField(u"grpName", name);
        }
        if (status) {
            status = query.update();
        }
    }
    query.close();
    if (!status) {
        status.error().row = row + 1;
    }
    return status;
}

void GroupEditor::markHandled(int row)
{
    switch (m_model.state(row)) {
    case RowState::Changed:
        m_model.markSaved(row, numberText(m_model.number(row)));
        break;
    case RowState::New: {
        const QString number = numberText(m_model.number(row));
        m_model.setKey(row, number);
        m_model.markSaved(row, number);
        break;
    }
    case RowState::Deleted:
        m_model.markDeletionSaved(row);
        break;
    case RowState::Unchanged:
        break;
    }
}

Status GroupEditor::save()
{
    const Library::SaveResult result = m_taprell.library().saveRows(
        m_model.size(), [this](int row) { return hasWork(row); }, [this](int row) { return writeRow(row); });
    for (int row = 0; row < result.done; ++row) {
        markHandled(row);
    }
    return result.status;
}
