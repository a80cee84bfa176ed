// SPDX-License-Identifier: GPL-3.0-or-later
#include <labels/LabelEditor.h>
#include <library/engine/Conversions.h>
#include <library/lists/ListLoad.h>
#include <library/state/mTaprell.h>
#include <library/store/Stores.h>

#include <QCoreApplication>
#include <QList>

#include <cmath>

const QString LabelEditor::deletedMarker = QStringLiteral("★");

const QList<ListColumn> LabelEditor::columnTable = {
    {QStringLiteral("ID"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "序号")), 540, ValueType::Number},
    {QStringLiteral("X"), QStringLiteral("x"), 760, ValueType::Number},
    {QStringLiteral("Y"), QStringLiteral("y"), 760, ValueType::Number},
    {QStringLiteral("Lbl"), QString::fromUtf8(QT_TRANSLATE_NOOP("ListColumn", "标签名称")), 1900},
};

LabelEditor::LabelEditor(mTaprell &taprell)
    : ListEditor(taprell, {columnTable, QStringLiteral("ID"), deletedMarker, ListTable::SavedDeletion::LeavesList})
{
}

QString LabelEditor::caption(const QString &figureNumber)
{
    return QStringLiteral("Zozododeriv Evuzari—Figure Label  Manager：") + figureNumber + QStringLiteral("    ");
}

Status LabelEditor::load(const QString &figureNumber)
{
    m_figureNumber = figureNumber;
    if (Status status = ListEditor::load(store::Labels::list(m_figureNumber)); !status) {
        return status;
    }
    setCurrentRow(0);
    return {};
}

std::optional<LabelEditor::BoxTexts> LabelEditor::chooseRow(int row)
{
    if (row < 0 || row >= model().size()) {
        return std::nullopt;
    }
    setCurrentRow(row);
    setAddMode(false);
    return rowTexts(row);
}

LabelEditor::BoxTexts LabelEditor::rowTexts(int row) const
{
    return {model().cell(row, XColumn), model().cell(row, YColumn), model().cell(row, NameColumn)};
}

LabelEditor::BoxTexts LabelEditor::startAdding()
{
    setAddMode(true);
    return {QString(), QString(), QStringLiteral("1")};
}

int LabelEditor::addRow(const BoxTexts &texts)
{
    const QString number = numberText(nextFreeNumber());
    const int row = model().appendRow({{QString(), texts.x, texts.y, texts.name}, RowState::New, {}, false});
    model().markNew(row, number);
    setAddMode(false);
    setCurrentRow(row);
    return row;
}

bool LabelEditor::markCurrentDeleted()
{
    if (currentRow() < 0) {
        return false;
    }
    model().markDeleted(currentRow());
    return true;
}

bool LabelEditor::removeRow(int row)
{
    if (row < 0 || row >= model().size()) {
        return false;
    }
    if (model().state(row) != RowState::New) {
        model().markDeleted(row);
    } else {
        dropRows({row});
    }
    return true;
}

int LabelEditor::occurrence(int row, const QString &key) const
{
    int n = 1;
    for (const int j : m_rowsByKey.value(key)) {
        // Deletions before this row have already been carried out by the time it is written.
        if (j < row && model().state(j) != RowState::Deleted) {
            ++n;
        }
    }
    return n;
}

int LabelEditor::storedCount(int row, const QString &key) const
{
    const auto rows = m_rowsByKey.constFind(key);
    if (rows == m_rowsByKey.cend() || rows->size() <= 1) {
        return 1; // the row's number is its own
    }
    int n = occurrence(row, key);
    for (const int j : *rows) {
        n += j > row ? 1 : 0;
    }
    return n;
}

Status LabelEditor::deleteStoredLabel(int row)
{
    const QString key = model().row(row).key();
    if (storedCount(row, key) == 1) {
        return m_taprell.execute(store::Labels::remove(m_figureNumber, key));
    }
    // Several labels share this number: remove only the one this row stands for.
    return m_taprell.execute(store::Labels::remove(m_figureNumber, key, occurrence(row, key) - 1));
}

Status LabelEditor::giveNumber(int row, QString *number)
{
    if (!m_highestStored) {
        // Read inside the save's transaction: labels another program added since the list was
        // loaded count, and none can be added before this save ends.
        Query query;
        if (Status read =
                m_taprell.openQuery(query, store::Labels::highestNumber(m_figureNumber), Query::Mode::ReadOnly);
            !read) {
            return read;
        }
        m_highestStored = query.recordCount() > 0 ? numericValue(query.text(u"highest")) : 0;
    }
    const double given = std::max(model().number(row), std::floor(*m_highestStored) + 1);
    m_highestStored = std::max(*m_highestStored, given);
    *number = numberText(given);
    m_givenNumbers.insert(row, *number);
    return {};
}

Status LabelEditor::storeLabel(int row)
{
    const ListRow &r = model().row(row);
    const bool stored = r.isRecord();
    QString number = r.key();
    if (!stored) {
        if (Status given = giveNumber(row, &number); !given) {
            return given;
        }
    }
    const bool shared = stored && storedCount(row, number) > 1;
    if (stored && !shared && r.state == RowState::Changed && r.original.size() > NameColumn) {
        // One statement while the label still holds what it was loaded with; otherwise the
        // careful way below reads it and says what changed.
        Status ignored;
        if (m_taprell.library().updateIfUnchanged(
                store::Labels::table, {{QStringLiteral("th"), m_figureNumber}, {QStringLiteral("ID"), number}},
                fieldTexts(r.cells), fieldTexts(r.original), &ignored) == Library::ConditionalWrite::Written) {
            return {};
        }
    }
    const store::Operation read = store::Labels::withNumber(m_figureNumber, number, shared);
    if (Status opened = m_taprell.openSharedQuery(read); !opened) {
        return opened;
    }
    Query &query = m_taprell.sharedQuery();
    if (stored) {
        if (!query.move(shared ? occurrence(row, number) : 1)) {
            return LibraryError{
                .message =
                    QCoreApplication::translate(
                        "LabelEditor", "标签 %1 已不在图版库中（可能已被其他程序删除），没有写入。请重新打开窗口。")
                        .arg(number),
                .statement = read.notice,
            };
        }
        const QStringList changed = query.fieldsChangedSince(r.original, recordFields());
        if (!changed.isEmpty()) {
            return query.changedElsewhereError(QCoreApplication::translate("LabelEditor", "标签 %1 ").arg(number),
                                               changed);
        }
    } else {
        query.addNew();
    }
    // A stored label keeps the figure and number it was found by (a number stored as text could
    // not even be set again); a new one gets both.
    QList<Library::FieldText> sets;
    if (!stored) {
        sets = {{QStringLiteral("th"), m_figureNumber}, {QStringLiteral("ID"), number}};
    }
    sets += fieldTexts(r.cells);
    for (const Library::FieldText &set : std::as_const(sets)) {
        if (Status status = query.setField(set.field, set.text); !status) {
            return status;
        }
    }
    return query.update();
}

Status LabelEditor::writeRow(int row)
{
    if (model().state(row) == RowState::Deleted) {
        return deleteStoredLabel(row);
    }
    return storeLabel(row);
}

QString LabelEditor::savedKey(int row) const
{
    // A stored label keeps the number it was read as; a new one has the number it was given.
    const ListRow &r = model().row(row);
    return r.isRecord() ? r.key() : m_givenNumbers.value(row, numberText(model().number(row)));
}

Status LabelEditor::save()
{
    const WorkingListModel &list = model();
    const int count = list.size();
    const int current = currentRow();

    // Which label the current row shows, to find it again after the list is read anew.
    QString currentKey;
    int currentOccurrence = 0;
    if (current >= 0 && list.state(current) != RowState::Deleted) {
        currentKey = list.row(current).isRecord() ? list.row(current).key() : numberText(list.number(current));
        for (int j = 0; j <= current; ++j) {
            const ListRow &r = list.row(j);
            const QString key = r.isRecord() ? r.key() : numberText(list.number(j));
            if (key == currentKey && r.state != RowState::Deleted) {
                ++currentOccurrence;
            }
        }
    }

    // The rows that share a stored number, found once: a save visits every row.
    m_rowsByKey.clear();
    for (int row = 0; row < count; ++row) {
        if (list.row(row).isRecord()) {
            m_rowsByKey[list.row(row).key()].append(row);
        }
    }
    m_highestStored.reset();
    m_givenNumbers.clear();
    const Status saved = ListEditor::save(Library::RowWrites::Several, AfterSave::ReadAgain);
    m_rowsByKey.clear();
    m_highestStored.reset();
    if (current >= 0 && m_givenNumbers.contains(current)) {
        // A new label has a number of its own, higher than every other.
        currentKey = m_givenNumbers.value(current);
        currentOccurrence = 1;
    }
    m_givenNumbers.clear();
    if (!saved) {
        if (currentRow() < 0 && current >= 0) {
            // The current row's deletion was carried out: the row now in its place is current.
            setCurrentRow(std::min(current, list.size() - 1));
        }
        return saved;
    }

    // Read the labels again: the list then shows them exactly as stored.
    if (Status listed = read(store::Labels::list(m_figureNumber)); !listed) {
        setCurrentRow(-1);
        return listed;
    }
    int found = -1;
    for (int row = 0, seen = 0; row < list.size() && found < 0; ++row) {
        if (list.row(row).key() == currentKey && ++seen == currentOccurrence) {
            found = row;
        }
    }
    if (list.size() == 0) {
        setCurrentRow(-1);
    } else if (found >= 0) {
        setCurrentRow(found);
    } else {
        setCurrentRow(std::clamp(current, 0, list.size() - 1));
    }
    return {};
}
