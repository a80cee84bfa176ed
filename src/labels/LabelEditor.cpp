// SPDX-License-Identifier: GPL-3.0-or-later
#include "LabelEditor.h"

#include "Conversions.h"
#include "ListLoad.h"
#include "mTaprell.h"

#include <QList>
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

const QString LabelEditor::defaultFigureNumber = QStringLiteral("B001");
const QString LabelEditor::deletedMarker = QStringLiteral("★");

LabelEditor::LabelEditor(mTaprell &taprell)
    : m_taprell(taprell)
    , m_model({QStringLiteral("序号"), QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("标签名称")},
              deletedMarker)
{
}

QString LabelEditor::caption(const QString &figureNumber)
{
    return QStringLiteral("Zozododeriv Evuzari—Figure Label  Manager：") + figureNumber + QStringLiteral("    ");
}

QString LabelEditor::figureNumberToLoad()
{
    if (m_taprell.currentFigureNumber().isEmpty()) {
        m_taprell.setCurrentFigureNumber(defaultFigureNumber);
    }
    return m_taprell.currentFigureNumber();
}

Status LabelEditor::load(const QString &figureNumber)
{
    m_figureNumber = figureNumber;
    m_addMode = false;
    m_currentRow = -1;
    const Status opened = m_taprell.openLibrary();
    if (!opened) {
        m_model.clear();
        return opened;
    }
    if (Status listed = listLabels(); !listed) {
        m_model.clear();
        return listed;
    }
    m_currentRow = m_model.size() > 0 ? 0 : -1;
    return {};
}

std::optional<LabelEditor::BoxTexts> LabelEditor::chooseRow(int row)
{
    if (row < 0 || row >= m_model.size()) {
        return std::nullopt;
    }
    m_currentRow = row;
    m_addMode = false;
    return rowTexts(row);
}

LabelEditor::BoxTexts LabelEditor::rowTexts(int row) const
{
    return {m_model.cell(row, XColumn), m_model.cell(row, YColumn), m_model.cell(row, NameColumn)};
}

void LabelEditor::setSnapshot(int box, const QString &text)
{
    if (box >= 1 && box <= 3) {
        m_snapshots[box - 1] = text;
    }
}

QString LabelEditor::snapshot(int box) const
{
    return box >= 1 && box <= 3 ? m_snapshots[box - 1] : QString();
}

bool LabelEditor::commitBox(int box, const QString &text)
{
    if (box < 1 || box > 3 || m_addMode || text == m_snapshots[box - 1]) {
        return false;
    }
    m_snapshots[box - 1] = text;
    if (m_currentRow < 0 || m_currentRow >= m_model.size()) {
        return false;
    }
    m_model.setCell(m_currentRow, box, text);
    if (m_model.row(m_currentRow).key.isEmpty()) {
        // Never stored: whatever its mark, the save has to insert it.
        m_model.markNew(m_currentRow, numberText(m_model.number(m_currentRow)));
    } else {
        m_model.markChanged(m_currentRow);
    }
    return true;
}

LabelEditor::BoxTexts LabelEditor::startAdding()
{
    m_addMode = true;
    return {QString(), QString(), QStringLiteral("1")};
}

double LabelEditor::nextFreeNumber() const
{
    double highest = 0;
    for (int row = 0; row < m_model.size(); ++row) {
        highest = std::max(highest, m_model.number(row));
    }
    return std::floor(highest) + 1;
}

int LabelEditor::addRow(const BoxTexts &texts)
{
    const QString number = numberText(nextFreeNumber());
    const int row = m_model.appendRow({{QString(), texts.x, texts.y, texts.name}, RowState::New, {}, false});
    m_model.markNew(row, number);
    m_addMode = false;
    m_currentRow = row;
    return row;
}

bool LabelEditor::markCurrentDeleted()
{
    if (m_currentRow < 0 || m_currentRow >= m_model.size()) {
        return false;
    }
    m_model.markDeleted(m_currentRow);
    return true;
}

bool LabelEditor::removeRow(int row)
{
    if (row < 0 || row >= m_model.size()) {
        return false;
    }
    if (m_model.state(row) != RowState::New) {
        m_model.markDeleted(row);
        return true;
    }
    QList<ListRow> rows;
    rows.reserve(m_model.size());
    for (int r = 0; r < m_model.size(); ++r) {
        if (r != row) {
            rows.append(m_model.row(r));
        }
    }
    m_currentRow = m_currentRow == row ? -1 : m_currentRow - (m_currentRow > row ? 1 : 0);
    m_model.setRows(std::move(rows));
    return true;
}

QString LabelEditor::labelFilter(const QString &key) const
{
    return QStringLiteral("th= ") + quoted(m_figureNumber) + QStringLiteral(" and ID=") + storedNumberLiteral(key);
}

int LabelEditor::occurrence(int row) const
{
    const QString &key = m_model.row(row).key;
    int n = 1;
    for (const int j : m_rowsByKey.value(key)) {
        // Deletions before this row have already been carried out by the time it is written.
        if (j < row && m_model.state(j) != RowState::Deleted) {
            ++n;
        }
    }
    return n;
}

int LabelEditor::storedCount(int row) const
{
    int n = occurrence(row);
    for (const int j : m_rowsByKey.value(m_model.row(row).key)) {
        n += j > row ? 1 : 0;
    }
    return n;
}

Status LabelEditor::deleteStoredLabel(int row)
{
    const QString &key = m_model.row(row).key;
    if (storedCount(row) == 1) {
        return m_taprell.execute(QStringLiteral("DELETE from picLable where ") + labelFilter(key));
    }
    // Several labels share this number: remove only the one this row stands for.
    return m_taprell.execute(QStringLiteral("DELETE from picLable where rowid = (select rowid from picLable where ") +
                             labelFilter(key) + QStringLiteral(" order by rowid limit 1 offset ") +
                             QString::number(occurrence(row) - 1) + QStringLiteral(")"));
}

Status LabelEditor::giveNumber(int row, QString *number)
{
    if (!m_highestStored) {
        // Read inside the save's transaction: labels another program added since the list was
        // loaded count, and none can be added before this save ends.
        Query query;
        const QString sql = QStringLiteral("select max(ID) as highest from picLable where th= ") +
                            quoted(m_figureNumber) + QStringLiteral(" and typeof(ID) in ('integer', 'real')");
        if (Status read = m_taprell.openQuery(query, sql, Query::Mode::ReadOnly); !read) {
            return read;
        }
        m_highestStored = query.recordCount() > 0 ? numericValue(query.text(u"highest")) : 0;
    }
    const double given = std::max(m_model.number(row), std::floor(*m_highestStored) + 1);
    m_highestStored = std::max(*m_highestStored, given);
    *number = numberText(given);
    m_givenNumbers.insert(row, *number);
    return {};
}

Status LabelEditor::storeLabel(int row)
{
    const ListRow &r = m_model.row(row);
    const bool stored = !r.key.isEmpty();
    QString number = r.key;
    if (!stored) {
        if (Status given = giveNumber(row, &number); !given) {
            return given;
        }
    }
    const bool shared = stored && storedCount(row) > 1;
    if (stored && !shared && r.state == RowState::Changed && r.original.size() > NameColumn) {
        // One statement while the label still holds what it was loaded with; otherwise the
        // careful way below reads it and says what changed.
        Status ignored;
        if (m_taprell.library().updateIfUnchanged(
                QStringLiteral("picLable"), {{QStringLiteral("th"), m_figureNumber}, {QStringLiteral("ID"), number}},
                {{QStringLiteral("X"), r.cells[XColumn]},
                 {QStringLiteral("Y"), r.cells[YColumn]},
                 {QStringLiteral("Lbl"), r.cells[NameColumn]}},
                {{QStringLiteral("X"), r.original[XColumn]},
                 {QStringLiteral("Y"), r.original[YColumn]},
                 {QStringLiteral("Lbl"), r.original[NameColumn]}},
                &ignored) == Library::ConditionalWrite::Written) {
            return {};
        }
    }
    QString sql = QStringLiteral("select * from picLable where ") + labelFilter(number);
    if (shared) {
        sql += QStringLiteral(" order by rowid");
    }
    if (Status opened = m_taprell.openSharedQuery(sql); !opened) {
        return opened;
    }
    Query &query = m_taprell.sharedQuery();
    if (stored) {
        if (!query.move(shared ? occurrence(row) : 1)) {
            LibraryError error;
            error.message = QStringLiteral("标签 %1 已不在图版库中（可能已被其他程序删除），没有写入。请重新打开窗口。")
                                .arg(number);
            error.statement = sql;
            return error;
        }
        const QStringList changed = query.fieldsChangedSince(
            r.original,
            {{XColumn, QStringLiteral("X")}, {YColumn, QStringLiteral("Y")}, {NameColumn, QStringLiteral("Lbl")}});
        if (!changed.isEmpty()) {
            return query.changedElsewhereError(QStringLiteral("标签 %1 ").arg(number), changed);
        }
    } else {
        query.addNew();
    }
    const QString fields[] = {QStringLiteral("th"), QStringLiteral("ID"), QStringLiteral("X"), QStringLiteral("Y"),
                              QStringLiteral("Lbl")};
    const QString values[] = {m_figureNumber, number, r.cells[XColumn], r.cells[YColumn], r.cells[NameColumn]};
    // A stored label keeps the figure and number it was found by (a number stored as text could
    // not even be set again); a new one gets both.
    for (int i = stored ? 2 : 0; i < 5; ++i) {
        if (Status set = query.setField(fields[i], values[i]); !set) {
            return set;
        }
    }
    return query.update();
}

Status LabelEditor::writeRow(int row)
{
    if (m_model.state(row) == RowState::Deleted) {
        return deleteStoredLabel(row);
    }
    return storeLabel(row);
}

Status LabelEditor::save()
{
    const int count = m_model.size();
    int failedRow = -1;
    const auto hasWork = [this](int row) {
        const RowState state = m_model.state(row);
        return state == RowState::Changed || state == RowState::New ||
               (state == RowState::Deleted && !m_model.row(row).key.isEmpty());
    };
    const auto write = [&](int row) {
        Status status = writeRow(row);
        if (!status) {
            failedRow = row;
        }
        return status;
    };

    // Which label the current row shows, to find it again after the list is read anew.
    QString currentKey;
    int currentOccurrence = 0;
    if (m_currentRow >= 0 && m_currentRow < count && m_model.state(m_currentRow) != RowState::Deleted) {
        currentKey = m_model.row(m_currentRow).key.isEmpty() ? numberText(m_model.number(m_currentRow))
                                                             : m_model.row(m_currentRow).key;
        for (int j = 0; j <= m_currentRow; ++j) {
            const ListRow &r = m_model.row(j);
            const QString key = r.key.isEmpty() ? numberText(m_model.number(j)) : r.key;
            if (key == currentKey && r.state != RowState::Deleted) {
                ++currentOccurrence;
            }
        }
    }

    // The rows that share a stored number, found once: a save visits every row.
    m_rowsByKey.clear();
    for (int row = 0; row < count; ++row) {
        if (!m_model.row(row).key.isEmpty()) {
            m_rowsByKey[m_model.row(row).key].append(row);
        }
    }
    m_highestStored.reset();
    m_givenNumbers.clear();
    Library::SaveResult result = m_taprell.library().saveRows(count, hasWork, write);
    m_rowsByKey.clear();
    m_highestStored.reset();
    if (m_currentRow >= 0 && m_currentRow < count && m_givenNumbers.contains(m_currentRow)) {
        // A new label has a number of its own, higher than every other.
        currentKey = m_givenNumbers.value(m_currentRow);
        currentOccurrence = 1;
    }
    if (!result.status) {
        LibraryError error = result.status.error();
        if (failedRow >= 0 && failedRow == result.done) {
            int removedBefore = 0;
            for (int row = 0; row < result.done; ++row) {
                if (m_model.state(row) == RowState::Deleted) {
                    ++removedBefore;
                }
            }
            afterPartialSave(result.done);
            error.row = failedRow - removedBefore + 1;
        }
        m_givenNumbers.clear();
        return error;
    }

    const int previousRow = m_currentRow;
    const Status listed = listLabels();
    if (!listed) {
        // Everything was written; only the fresh reading failed, so show the rows as stored.
        afterPartialSave(count);
    }
    m_givenNumbers.clear();
    if (!listed) {
        return listed;
    }
    int found = -1;
    for (int row = 0, seen = 0; row < m_model.size() && found < 0; ++row) {
        if (m_model.row(row).key == currentKey && ++seen == currentOccurrence) {
            found = row;
        }
    }
    if (m_model.size() == 0) {
        m_currentRow = -1;
    } else if (found >= 0) {
        m_currentRow = found;
    } else {
        m_currentRow = std::clamp(previousRow, 0, m_model.size() - 1);
    }
    return {};
}

Status LabelEditor::listLabels()
{
    // rowid orders labels that share a number the same way the writes of a save count them.
    return loadList(m_taprell, m_model,
                    {QStringLiteral("select * from picLable where Th = ") + quoted(m_figureNumber) +
                         QStringLiteral(" order by ID, rowid"),
                     {QStringLiteral("ID"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Lbl")},
                     QStringLiteral("ID"),
                     {}});
}

void LabelEditor::afterPartialSave(int done)
{
    QList<ListRow> kept;
    kept.reserve(m_model.size());
    int newCurrent = -1;
    bool removed = false;
    for (int row = 0; row < m_model.size(); ++row) {
        if (row < done) {
            const RowState state = m_model.state(row);
            if (state == RowState::Deleted) {
                removed = true;
                continue;
            }
            if (state != RowState::Unchanged) {
                // A stored label keeps the number it was read as; a new one has the number it was given.
                const QString &key = m_model.row(row).key;
                const QString number = key.isEmpty() ? m_givenNumbers.value(row, numberText(m_model.number(row))) : key;
                m_model.setKey(row, number);
                m_model.markSaved(row, number);
            }
        }
        if (row == m_currentRow) {
            newCurrent = static_cast<int>(kept.size());
        }
        kept.append(m_model.row(row));
    }
    if (removed) {
        m_model.setRows(std::move(kept));
        m_currentRow =
            newCurrent >= 0 ? newCurrent : (m_model.size() > 0 ? std::min(m_currentRow, m_model.size() - 1) : -1);
    }
}
