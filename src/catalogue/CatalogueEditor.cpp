// SPDX-License-Identifier: GPL-3.0-or-later
#include <catalogue/CatalogueEditor.h>
#include <library/engine/Conversions.h>
#include <library/lists/ListLoad.h>
#include <library/state/mTaprell.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QCoreApplication>

namespace {

// The number part of a figure number: the digits after its letter.
qint64 figureNumberValue(QStringView number)
{
    qint64 value = 0;
    for (qsizetype i = 1; i < number.size() && number[i] >= u'0' && number[i] <= u'9'; ++i) {
        if (value > 100'000'000'000LL) {
            break;
        }
        value = value * 10 + (number[i].unicode() - u'0');
    }
    return value;
}

} // namespace

const QList<ListColumn> CatalogueEditor::columnTable = [] {
    const auto text = [](std::u16string_view t) { return QString::fromUtf16(t.data(), qsizetype(t.size())); };
    QList<ListColumn> columns;
    for (const catalogue::ColumnEntry &entry : catalogue::columnEntries) {
        const QString field = entry.field == u"#position" ? ListLoad::positionCell : text(entry.field);
        columns.append({field, QString::fromUtf8(entry.header), entry.widthTwips, entry.type, entry.optional});
    }
    return columns;
}();

CatalogueEditor::CatalogueEditor(mTaprell &taprell)
    : ListEditor(taprell, {columnTable, QStringLiteral("th"), QStringLiteral("★")})
{
    const WorkingListModel *list = &model();
    connect(list, &QAbstractItemModel::modelReset, this, &CatalogueEditor::currentFigureChanged);
    connect(list, &QAbstractItemModel::layoutChanged, this, &CatalogueEditor::currentFigureChanged);
    connect(list, &QAbstractItemModel::dataChanged, this, &CatalogueEditor::currentFigureChanged);
    connect(list, &QAbstractItemModel::rowsInserted, this, &CatalogueEditor::currentFigureChanged);
    connect(list, &QAbstractItemModel::rowsRemoved, this, &CatalogueEditor::currentFigureChanged);
}

std::optional<FigureRecord> CatalogueEditor::currentFigure() const
{
    const int row = currentRow();
    if (row < 0 || row >= model().size()) {
        return std::nullopt;
    }
    const WorkingListModel &list = model();
    FigureRecord record;
    record.th = list.cell(row, Th);
    record.tm = list.cell(row, Tm);
    record.figName = list.cell(row, FigName);
    record.LB = figureKindLetter(m_taprell.figureKind());
    for (int i = 0; i < 7; ++i) {
        record.X[i] = list.cell(row, X1 + i);
        record.Y[i] = list.cell(row, Y1 + i);
    }
    record.border = list.cell(row, Border);
    return record;
}

Status CatalogueEditor::load(FigureKind kind)
{
    m_kind = kind;
    m_written.clear();
    setOptionalColumnsUsed(kind == FigureKind::Rectangular);
    return ListEditor::load(store::Figures::ofKind(figureKindLetter(kind)));
}

QString CatalogueEditor::newFigNumber(int position) const
{
    const WorkingListModel &list = model();
    QString prefix = figureKindLetter(m_kind);
    if (position >= 1 && position <= list.size() && !list.cell(position - 1, Th).isEmpty()) {
        prefix = list.cell(position - 1, Th).left(1);
    }
    qint64 highest = 0;
    for (int r = 0; r < list.size(); ++r) {
        const QString &number = list.cell(r, Th);
        if (number.startsWith(prefix, Qt::CaseInsensitive)) {
            highest = std::max(highest, figureNumberValue(number));
        }
    }
    Query query;
    if (m_taprell.library().isOpen() &&
        query.open(m_taprell.library(), store::Figures::numbersStartingWith(prefix), Query::Mode::ReadOnly)) {
        for (int i = 1; i <= query.recordCount(); ++i) {
            query.move(i);
            highest = std::max(highest, figureNumberValue(query.text(0)));
        }
    }
    return prefix + QStringLiteral("%1").arg(highest + 1, 3, 10, QLatin1Char('0'));
}

int CatalogueEditor::rowWithFigureNumber(const QString &number, int exceptRow) const
{
    for (int r = 0; r < model().size(); ++r) {
        if (r != exceptRow && model().cell(r, Th).compare(number, Qt::CaseInsensitive) == 0) {
            return r;
        }
    }
    return -1;
}

void CatalogueEditor::copyCells(int row, const QList<QString> &cells)
{
    for (int c = 1; c < columnTable.size() && c < cells.size(); ++c) {
        if (isUsed(c)) {
            model().setCell(row, c, cells[c]);
        }
    }
}

void CatalogueEditor::chooseRow(int row)
{
    setCurrentRow(row);
    setAddMode(false);
}

int CatalogueEditor::addRow(const QList<QString> &cells)
{
    const int row = model().appendRow({{}, RowState::New, {}, false});
    model().markNew(row, QString::number(model().size()));
    copyCells(row, cells);
    return row;
}

void CatalogueEditor::changeRow(int row, const QList<QString> &cells)
{
    markEdited(row);
    if (model().state(row) == RowState::New) {
        m_written.remove(row); // taking back a saved deletion: the figure is added anew
    }
    copyCells(row, cells);
}

void CatalogueEditor::markDeleted(int row)
{
    model().markDeleted(row);
}

Status CatalogueEditor::writeRow(int row)
{
    const WorkingListModel &list = model();
    const QString th = list.cell(row, Th);
    const QString stored = list.row(row).key();
    const RowState state = list.state(row);
    if (state == RowState::Deleted) {
        // The row stands for the record it was read as (hasWork() passes only stored rows); its
        // number may by now belong to a figure of the other kind.
        return m_taprell.execute(store::Figures::remove(stored));
    }
    if (state == RowState::Changed && th == stored && writeUnchangedRecord(row)) {
        return {};
    }
    Query query;
    if (Status status = m_taprell.openQuery(query, store::Figures::record(th)); !status) {
        return status;
    }
    if (state == RowState::New) {
        query.addNew();
    } else {
        // A changed row is written to the record under its (perhaps retyped) figure number, as
        // long as that is the record the row was read as: never over another figure.
        if (query.recordCount() == 0 || (!stored.isEmpty() && query.text(u"th").compare(stored, Qt::CaseInsensitive))) {
            return LibraryError{
                .message = query.recordCount() == 0
                               ? QCoreApplication::translate("CatalogueEditor",
                                                             "图版库中没有图号为“%1”的图版，这一行没有写入。")
                                     .arg(th)
                               : QCoreApplication::translate(
                                     "CatalogueEditor",
                                     "图号“%1”属于另一个图版，这一行原来是图版“%2”，没有写入，以免覆盖那个图版。")
                                     .arg(th, stored),
                .statement = query.statement(),
                .field = QStringLiteral("th"),
            };
        }
        if (const QStringList changed = query.fieldsChangedSince(storedCells(row).toList(), recordFields());
            !changed.isEmpty()) {
            return query.changedElsewhereError(QCoreApplication::translate("CatalogueEditor", "图版“%1”").arg(stored),
                                               changed);
        }
    }
    // Every field the record cannot take, named at once, so one look at the details says what to fix.
    QStringList fields;
    QStringList problems;
    for (const Library::FieldText &set : writtenFields(row)) {
        if (Status status = query.setField(set.field, set.text); !status) {
            fields << set.field;
            problems << set.field + QCoreApplication::translate("CatalogueEditor", "：") + status.error().message;
        }
    }
    if (!problems.isEmpty()) {
        return LibraryError{
            .message =
                QCoreApplication::translate("CatalogueEditor", "这一行有字段的值不能写入：\n") + problems.join(u'\n'),
            .statement = query.statement(),
            .field = fields.join(QStringLiteral(", ")),
        };
    }
    return query.update();
}

QList<Library::FieldText> CatalogueEditor::writtenFields(int row, QList<Library::FieldText> *checks) const
{
    const RowCells &cells = model().row(row).cells;
    const RowCells &before = storedCells(row);
    QList<Library::FieldText> sets;
    sets.reserve(recordFields().size() + 1);
    for (const auto &[c, field] : recordFields()) {
        const QString text = cells[c];
        sets.append({field, savedText(c, text)});
        if (checks && c < before.size()) {
            // A cell the user left as it was shares its text with the check.
            checks->append({field, before.utf8(c) == cells.utf8(c) ? text : before[c]});
        }
    }
    // The kind goes with the record; the list shows one kind only.
    sets.append({QStringLiteral("LB"), figureKindLetter(m_kind)});
    return sets;
}

const RowCells &CatalogueEditor::storedCells(int row) const
{
    const auto written = m_written.constFind(row);
    return written != m_written.cend() ? *written : model().row(row).original;
}

bool CatalogueEditor::writeUnchangedRecord(int row)
{
    // One statement writes the row while its record still holds what the row was loaded with
    // (or what the last save wrote); anything else, including a text a field cannot take, is
    // left to the careful way, which reads the record and says exactly what is wrong.
    QList<Library::FieldText> checks;
    checks.reserve(recordFields().size());
    const QList<Library::FieldText> sets = writtenFields(row, &checks);
    Status ignored;
    return m_taprell.library().updateIfUnchanged(store::Figures::table,
                                                 {{QStringLiteral("th"), model().row(row).key()}}, sets, checks,
                                                 &ignored) == Library::ConditionalWrite::Written;
}

void CatalogueEditor::rowSaved(int row)
{
    const RowCells &cells = model().row(row).cells;
    for (const auto &[c, field] : recordFields()) {
        if (columns()[c].type == ValueType::NumericValue) {
            const QString text = cells[c];
            if (savedText(c, text) != text) {
                m_written.insert(row, RowCells(savedTexts(row)));
                return;
            }
        }
    }
    m_written.remove(row);
}

Status CatalogueEditor::save()
{
    return ListEditor::save(Library::RowWrites::One);
}
