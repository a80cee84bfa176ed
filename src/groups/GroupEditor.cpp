// SPDX-License-Identifier: GPL-3.0-or-later
#include <groups/GroupEditor.h>
#include <library/lists/ListLoad.h>
#include <library/state/mTaprell.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QCoreApplication>

#include <cmath>

const QList<ListColumn> GroupEditor::columnTable = {
    {QStringLiteral("grp"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "序号")), 600, ValueType::Number},
    {QStringLiteral("grpName"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "分组名称")), 3200},
};
const QString GroupEditor::newGroupName = QString::fromUtf8(QT_TRANSLATE_NOOP("GroupEditor", "在此输入新的组名"));
const QString GroupEditor::deletedMarker = QStringLiteral("d");

GroupEditor::GroupEditor(mTaprell &taprell)
    : ListEditor(taprell, {columnTable, QStringLiteral("grp"), deletedMarker})
{
}

Status GroupEditor::load()
{
    return ListEditor::load(store::Groups::all());
}

bool GroupEditor::libraryOpen() const
{
    return m_taprell.library().isOpen();
}

QString GroupEditor::currentName() const
{
    return currentRow() < 0 ? QString() : model().cell(currentRow(), 1);
}

QString GroupEditor::chooseRow(int row)
{
    setCurrentRow(row);
    return currentName();
}

bool GroupEditor::changeCurrent(const QString &text)
{
    const int row = currentRow();
    if (row < 0 || text.isEmpty()) {
        return false;
    }
    model().setCell(row, 1, text);
    markEdited(row);
    return true;
}

int GroupEditor::addRow()
{
    const QString number = numberText(nextFreeNumber());
    const int row =
        model().appendRow({{QString(), QCoreApplication::translate("GroupEditor", newGroupName.toUtf8().constData())},
                           RowState::New,
                           {},
                           false});
    model().markNew(row, number);
    return row;
}

bool GroupEditor::markCurrentDeleted()
{
    const int row = currentRow();
    if (row < 0 || (model().state(row) == RowState::Deleted && model().row(row).deletionSaved)) {
        return false;
    }
    model().markDeleted(row);
    return true;
}

Status GroupEditor::writeRow(int row)
{
    const ListRow &r = model().row(row);
    const QString &name = r.cells[1];
    Status status;
    Query query;
    if (r.state == RowState::Deleted) {
        status = m_taprell.execute(store::Groups::remove(r.key()));
    } else if (r.state == RowState::Changed) {
        const store::Operation read = store::Groups::name(r.key());
        status = m_taprell.openQuery(query, read);
        if (status && query.recordCount() == 0) {
            status = LibraryError{
                .message =
                    QCoreApplication::translate("GroupEditor", "分组 %1 在图版库中已不存在，不能改名。").arg(r.key()),
                .statement = read.notice,
            };
        }
        if (status) {
            if (const QStringList changed = query.fieldsChangedSince(r.original, recordFields()); !changed.isEmpty()) {
                status = query.changedElsewhereError(
                    QCoreApplication::translate("GroupEditor", "分组 %1 ").arg(r.key()), changed);
            }
        }
        if (status) {
            status = query.setField(u"grpName", name);
        }
        if (status) {
            status = query.update();
        }
    } else if (r.state == RowState::New) {
        const QString number = numberText(model().number(row));
        status = m_taprell.openQuery(query, store::Groups::record(number));
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
    return status;
}

Status GroupEditor::save()
{
    return ListEditor::save();
}
