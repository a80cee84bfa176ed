// SPDX-License-Identifier: GPL-3.0-or-later
#include "CatalogueEditor.h"

#include "Conversions.h"
#include "ListLoad.h"
#include "Query.h"
#include "mTaprell.h"

namespace {

// Field names of picMain in list-column order, from column 1.
const QStringList fieldOfColumn = {
    QString(),
    QStringLiteral("th"),
    QStringLiteral("tm"),
    QStringLiteral("figName"),
    QStringLiteral("grp"),
    QStringLiteral("X1"),
    QStringLiteral("X2"),
    QStringLiteral("X3"),
    QStringLiteral("X4"),
    QStringLiteral("X5"),
    QStringLiteral("X6"),
    QStringLiteral("X7"),
    QStringLiteral("Y1"),
    QStringLiteral("Y2"),
    QStringLiteral("Y3"),
    QStringLiteral("Y4"),
    QStringLiteral("Y5"),
    QStringLiteral("Y6"),
    QStringLiteral("Y7"),
    QStringLiteral("border"),
    QStringLiteral("specialCase"),
    QStringLiteral("Comment"),
    QStringLiteral("Vector"),
    QStringLiteral("Bitmap"),
};

bool isAxisColumn(int column)
{
    return column >= CatalogueEditor::X1 && column <= CatalogueEditor::Border;
}

// X7, Y7 and specialCase take the numeric value of their text, not the text.
bool takesNumericValue(int column)
{
    return column == CatalogueEditor::X1 + 6 || column == CatalogueEditor::Y1 + 6 ||
           column == CatalogueEditor::SpecialCase;
}

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

const QStringList CatalogueEditor::headers = {
    QStringLiteral("序号"), QStringLiteral("图号"),     QStringLiteral("图名"),   QStringLiteral("缩略图"),
    QStringLiteral("分组"), QStringLiteral("X1"),       QStringLiteral("X2"),     QStringLiteral("X3"),
    QStringLiteral("X4"),   QStringLiteral("X5"),       QStringLiteral("X6"),     QStringLiteral("X7"),
    QStringLiteral("Y1"),   QStringLiteral("Y2"),       QStringLiteral("Y3"),     QStringLiteral("Y4"),
    QStringLiteral("Y5"),   QStringLiteral("Y6"),       QStringLiteral("Y7"),     QStringLiteral("边框"),
    QStringLiteral("特例"), QStringLiteral("图表说明"), QStringLiteral("矢量图"), QStringLiteral("位图"),
};

const QList<int> CatalogueEditor::widthsInTwips = {540, 660, 3600, 720, 540, 560, 720, 560, 560, 560,  630, 406,
                                                   560, 720, 560,  560, 560, 630, 406, 630, 560, 3600, 760, 630};

CatalogueEditor::CatalogueEditor(mTaprell &taprell)
    : m_taprell(taprell)
    , m_model(headers, QStringLiteral("★"))
{
}

Status CatalogueEditor::load(qint16 kind)
{
    m_kind = kind == 2 ? 2 : 1;
    const Status opened = m_taprell.openLibrary();
    if (!opened) {
        m_model.clear();
        return opened;
    }
    const QString sql = QStringLiteral("select * from picMain where LB = ") + quoted(kindLetter(m_kind)) +
                        QStringLiteral(" order by figName");
    ListLoad load{sql, {ListLoad::positionCell}, QStringLiteral("th"), {}};
    for (int c = 1; c < ColumnCount; ++c) {
        load.cellFields << (m_kind != 1 && isAxisColumn(c) ? QString() : fieldOfColumn[c]);
    }
    m_written.clear();
    if (Status status = loadList(m_taprell, m_model, load); !status) {
        return status;
    }
    return {};
}

QString CatalogueEditor::newFigNumber(int position) const
{
    QString prefix = kindLetter(m_kind);
    if (position >= 1 && position <= m_model.size() && !m_model.cell(position - 1, Th).isEmpty()) {
        prefix = m_model.cell(position - 1, Th).left(1);
    }
    qint64 highest = 0;
    for (int r = 0; r < m_model.size(); ++r) {
        const QString &number = m_model.cell(r, Th);
        if (number.startsWith(prefix, Qt::CaseInsensitive)) {
            highest = std::max(highest, figureNumberValue(number));
        }
    }
    Query query;
    const QString sql = QStringLiteral("select th from picMain where upper(substr(th, 1, 1)) = upper(") +
                        quoted(prefix) + QStringLiteral(")");
    if (m_taprell.library().isOpen() && query.open(m_taprell.library(), sql)) {
        for (int i = 1; i <= query.recordCount(); ++i) {
            query.move(i);
            highest = std::max(highest, figureNumberValue(query.text(0)));
        }
    }
    return prefix + QStringLiteral("%1").arg(highest + 1, 3, 10, QLatin1Char('0'));
}

int CatalogueEditor::rowWithFigureNumber(const QString &number, int exceptRow) const
{
    for (int r = 0; r < m_model.size(); ++r) {
        if (r != exceptRow && m_model.cell(r, Th).compare(number, Qt::CaseInsensitive) == 0) {
            return r;
        }
    }
    return -1;
}

void CatalogueEditor::copyCells(int row, const QList<QString> &cells)
{
    for (int c = 1; c < ColumnCount && c < cells.size(); ++c) {
        if (m_kind != 1 && isAxisColumn(c)) {
            continue;
        }
        m_model.setCell(row, c, cells[c]);
    }
}

int CatalogueEditor::appendNew(const QList<QString> &cells)
{
    const int row = m_model.appendRow({{}, RowState::New, {}, false});
    m_model.markNew(row, QString::number(m_model.size()));
    copyCells(row, cells);
    return row;
}

void CatalogueEditor::update(int row, const QList<QString> &cells)
{
    const ListRow &r = m_model.row(row);
    if (r.state == RowState::Deleted && (r.key.isEmpty() || r.deletionSaved)) {
        // There is no record to change: taking the deletion back means adding the figure.
        m_model.setKey(row, {});
        m_written.remove(row);
        m_model.markNew(row, numberText(m_model.number(row)));
    } else {
        m_model.markChanged(row);
    }
    copyCells(row, cells);
}

void CatalogueEditor::markDeleted(int row)
{
    m_model.markDeleted(row);
}

Status CatalogueEditor::writeRow(int row)
{
    const QString th = m_model.cell(row, Th);
    const RowState state = m_model.state(row);
    if (state == RowState::Deleted) {
        // The row stands for the record it was read as; a row never stored has none to delete,
        // and its number may belong to a figure of the other kind.
        const QString stored = m_model.row(row).key;
        if (stored.isEmpty()) {
            return {};
        }
        return m_taprell.execute(QStringLiteral("DELETE from picMain where th= ") + quoted(stored));
    }
    if (state == RowState::Changed && th == m_model.row(row).key && writeUnchangedRecord(row)) {
        return {};
    }
    Query query;
    if (Status status = m_taprell.openQuery(query, QStringLiteral("select * from picMain where th= ") + quoted(th));
        !status) {
        return status;
    }
    if (state == RowState::New) {
        query.addNew();
    } else {
        // A changed row is written to the record under its (perhaps retyped) figure number, as
        // long as that is the record the row was read as: never over another figure.
        const QString stored = m_model.row(row).key;
        if (query.recordCount() == 0 || (!stored.isEmpty() && query.text(u"th").compare(stored, Qt::CaseInsensitive))) {
            LibraryError error;
            error.message =
                query.recordCount() == 0
                    ? QStringLiteral("图版库中没有图号为“%1”的图版，这一行没有写入。").arg(th)
                    : QStringLiteral("图号“%1”属于另一个图版，这一行原来是图版“%2”，没有写入，以免覆盖那个图版。")
                          .arg(th, stored);
            error.field = QStringLiteral("th");
            error.statement = query.statement();
            return error;
        }
        QList<std::pair<int, QString>> compared;
        for (int c = Th; c < ColumnCount; ++c) {
            if (!isAxisColumn(c) || m_kind == 1) {
                compared.append({c, fieldOfColumn[c]});
            }
        }
        const auto written = m_written.constFind(row);
        const QList<QString> &before = written != m_written.cend() ? *written : m_model.row(row).original.toList();
        if (const QStringList changed = query.fieldsChangedSince(before, compared); !changed.isEmpty()) {
            return query.changedElsewhereError(QStringLiteral("图版“%1”").arg(stored), changed);
        }
    }
    // Every field the record cannot take, named at once, so one look at the details says what to fix.
    QStringList fields;
    QStringList problems;
    auto set = [&](const QString &field, const QString &text) {
        if (Status status = query.setField(field, text); !status) {
            fields << field;
            problems << field + QStringLiteral("：") + status.error().message;
        }
    };
    const QList<QString> texts = writtenTexts(row);
    for (int c = Th; c < ColumnCount; ++c) {
        if (isAxisColumn(c) && m_kind != 1) {
            continue;
        }
        set(fieldOfColumn[c], texts[c]);
        if (c == Grp) {
            set(QStringLiteral("LB"), kindLetter(m_kind));
        }
    }
    if (!problems.isEmpty()) {
        LibraryError error;
        error.message = QStringLiteral("这一行有字段的值不能写入：\n") + problems.join(u'\n');
        error.field = fields.join(QStringLiteral(", "));
        error.statement = query.statement();
        return error;
    }
    return query.update();
}

bool CatalogueEditor::writeUnchangedRecord(int row)
{
    // One statement writes the row while its record still holds what the row was loaded with
    // (or what the last save wrote); anything else, including a text a field cannot take, is
    // left to the careful way, which reads the record and says exactly what is wrong.
    const auto written = m_written.constFind(row);
    const QList<QString> before = written != m_written.cend() ? *written : m_model.row(row).original.toList();
    const QList<QString> texts = writtenTexts(row);
    QList<Library::FieldText> sets;
    QList<Library::FieldText> checks;
    for (int c = Th; c < ColumnCount; ++c) {
        if (isAxisColumn(c) && m_kind != 1) {
            continue;
        }
        sets.append({fieldOfColumn[c], texts[c]});
        if (c < before.size()) {
            checks.append({fieldOfColumn[c], before[c]});
        }
        if (c == Grp) {
            sets.append({QStringLiteral("LB"), kindLetter(m_kind)});
        }
    }
    Status ignored;
    return m_taprell.library().updateIfUnchanged(QStringLiteral("picMain"),
                                                 {{QStringLiteral("th"), m_model.row(row).key}}, sets, checks,
                                                 &ignored) == Library::ConditionalWrite::Written;
}

QList<QString> CatalogueEditor::writtenTexts(int row) const
{
    QList<QString> texts = m_model.row(row).cells;
    for (int c = Th; c < ColumnCount && c < texts.size(); ++c) {
        if (takesNumericValue(c)) {
            // A number past a double's range keeps its text, which the column then refuses
            // with the field named, rather than being stored as 0.
            bool outOfRange = false;
            const double value = numericValue(texts[c], &outOfRange);
            if (!outOfRange) {
                texts[c] = numberText(value);
            }
        }
    }
    return texts;
}

Status CatalogueEditor::save()
{
    const int count = m_model.size();
    const auto result = m_taprell.library().saveRows(
        count, [this](int row) { return m_model.state(row) != RowState::Unchanged; },
        [this](int row) { return writeRow(row); }, Library::RowWrites::One);
    m_model.beginChanges();
    for (int row = 0; row < result.done; ++row) {
        switch (m_model.state(row)) {
        case RowState::Changed:
        case RowState::New:
            m_written.insert(row, writtenTexts(row));
            m_model.setKey(row, m_model.cell(row, Th));
            m_model.markSaved(row, QString::number(row + 1));
            break;
        case RowState::Deleted:
            m_model.markDeletionSaved(row);
            break;
        case RowState::Unchanged:
            break;
        }
    }
    m_model.endChanges();
    return result.status;
}
