// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/CurrentFigureSource.h>
#include <library/engine/LibraryError.h>
#include <library/lists/ListEditor.h>
#include <library/state/FigureKind.h>

#include <QHash>
#include <QList>
#include <QString>

#include <iterator>
#include <string_view>

class mTaprell;

// The catalogue list's column table, from which the named columns below take their indexes.
namespace catalogue {

// The list's columns: picMain's fields with their headers, widths in twips and how their
// texts are saved. The axis columns (X1..border) are optional: triangular figures have none.
struct ColumnEntry
{
    std::u16string_view field; // u"#position" for the row's position (ListLoad::positionCell)
    const char *header;        // UTF-8, marked for translation
    int widthTwips;
    ValueType type = ValueType::Text;
    bool optional = false;
};
inline constexpr ColumnEntry columnEntries[] = {
    {u"#position", QT_TRANSLATE_NOOP("ListColumn", "序号"), 540},
    {u"th", QT_TRANSLATE_NOOP("ListColumn", "图号"), 660},
    {u"tm", QT_TRANSLATE_NOOP("ListColumn", "图名"), 3600},
    {u"figName", QT_TRANSLATE_NOOP("ListColumn", "缩略图"), 720},
    {u"grp", QT_TRANSLATE_NOOP("ListColumn", "分组"), 540, ValueType::Number},
    {u"X1", "X1", 560, ValueType::Number, true},
    {u"X2", "X2", 720, ValueType::Number, true},
    {u"X3", "X3", 560, ValueType::Number, true},
    {u"X4", "X4", 560, ValueType::Number, true},
    {u"X5", "X5", 560, ValueType::Number, true},
    {u"X6", "X6", 630, ValueType::YesNo, true},
    {u"X7", "X7", 406, ValueType::NumericValue, true},
    {u"Y1", "Y1", 560, ValueType::Number, true},
    {u"Y2", "Y2", 720, ValueType::Number, true},
    {u"Y3", "Y3", 560, ValueType::Number, true},
    {u"Y4", "Y4", 560, ValueType::Number, true},
    {u"Y5", "Y5", 560, ValueType::Number, true},
    {u"Y6", "Y6", 630, ValueType::YesNo, true},
    {u"Y7", "Y7", 406, ValueType::NumericValue, true},
    {u"border", QT_TRANSLATE_NOOP("ListColumn", "边框"), 630, ValueType::YesNo, true},
    {u"specialCase", QT_TRANSLATE_NOOP("ListColumn", "特例"), 560, ValueType::NumericValue},
    {u"Comment", QT_TRANSLATE_NOOP("ListColumn", "图表说明"), 3600},
    {u"Vector", QT_TRANSLATE_NOOP("ListColumn", "矢量图"), 760, ValueType::YesNo},
    {u"Bitmap", QT_TRANSLATE_NOOP("ListColumn", "位图"), 630, ValueType::YesNo},
};
// The list column that shows a field; a name not in the table does not compile.
consteval int columnOf(std::u16string_view field)
{
    for (int i = 0; i < int(std::size(columnEntries)); ++i) {
        if (columnEntries[i].field == field) {
            return i;
        }
    }
    throw "no such column";
}
} // namespace catalogue

// The catalogue's working copy of picMain: the figures of one kind as list rows, one column per
// field, and what New, Update list, Delete and Save do to them. The current row and the add mode
// are the window's edit controls' row. No widgets: the window copies its edit controls to and
// from rows of cells by the columns' fields.
//
// The current row is the figure the preview draws (CurrentFigureSource): every change of the
// current row or of the list is announced.
class CatalogueEditor : public CurrentFigureSource, public ListEditor
{
    Q_OBJECT

public:
    // Named columns of the list. X1..X7 and Y1..Y7 follow each other.
    enum Column
    {
        Number = catalogue::columnOf(u"#position"),
        Th = catalogue::columnOf(u"th"),
        Tm = catalogue::columnOf(u"tm"),
        FigName = catalogue::columnOf(u"figName"),
        Grp = catalogue::columnOf(u"grp"),
        X1 = catalogue::columnOf(u"X1"),
        Y1 = catalogue::columnOf(u"Y1"),
        Border = catalogue::columnOf(u"border"),
        SpecialCase = catalogue::columnOf(u"specialCase"),
        Comment = catalogue::columnOf(u"Comment"),
        Vector = catalogue::columnOf(u"Vector"),
        Bitmap = catalogue::columnOf(u"Bitmap"),
    };
    static_assert(catalogue::columnOf(u"X7") == X1 + 6 && catalogue::columnOf(u"Y7") == Y1 + 6);
    static const QList<ListColumn> columnTable;

    explicit CatalogueEditor(mTaprell &taprell);

    // Opens the library and lists the figures of the kind ordered by thumbnail name, every row
    // unchanged and none current. A library that cannot be opened or read leaves the list empty
    // and says why.
    Status load(FigureKind kind);

    // The figure number a new figure gets, proposed from the row at a 1-based position (its
    // letter; the kind's letter when there is no such row): one above the highest number with
    // that letter in the library and in the list, at least three digits.
    QString newFigNumber(int position) const;

    // The row (0-based) other than exceptRow whose figure number is the same (ignoring case),
    // or -1.
    int rowWithFigureNumber(const QString &number, int exceptRow) const;

    // A click on a row (-1: none): the row becomes current and the add mode ends.
    void chooseRow(int row);
    // 新建: the edit controls hold a figure being entered that is not in the list yet.
    void startAdding() { setAddMode(true); }
    // Update list: a new row appended (state new) from the cells, or the cells copied into a row
    // (marked changed unless new). The axis columns are copied only for rectangular figures. A
    // row the library does not hold (never stored, or its deletion saved) becomes new again.
    int addRow(const QList<QString> &cells);
    void changeRow(int row, const QList<QString> &cells);
    void markDeleted(int row);

    // Writes every marked row in list order in one transaction, stopping at the first row that
    // fails. Rows before it are committed and shown as saved (deleted ones keep their "★"); it
    // and the rows after it keep their marks. The error names the row, the field and the
    // statement.
    Status save();

    FigureKind kind() const { return m_kind; }

    // The current row's record, with the program's figure kind.
    std::optional<FigureRecord> currentFigure() const override;

private:
    void currentRowSet() override { emit currentFigureChanged(); }
    void copyCells(int row, const QList<QString> &cells);
    Status writeRow(int row) override;
    bool writeUnchangedRecord(int row);
    QString savedKey(int row) const override { return model().cell(row, Th); }
    QString savedNumberCell(int row) const override { return QString::number(row + 1); }
    void rowSaved(int row) override;
    // The fields a save sets, with their texts; into checks, when given, the texts the record is
    // expected to hold.
    QList<Library::FieldText> writtenFields(int row, QList<Library::FieldText> *checks = nullptr) const;
    // What the record held when the row was loaded or last saved, by list column.
    const RowCells &storedCells(int row) const;

    FigureKind m_kind = FigureKind::Rectangular;
    // Per row saved since the list was loaded where a field took the numeric value of its text:
    // the texts that save wrote. A later save of the row checks the record against these (what
    // the record then held), not against the texts the row showed. Other rows showed what they
    // wrote, and the first edit keeps that as the row's original.
    QHash<int, RowCells> m_written;
};
