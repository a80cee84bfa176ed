// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>
#include <library/engine/Operation.h>
#include <library/lists/WorkingListModel.h>
#include <library/store/Library.h>

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class mTaprell;

// How a list cell's text goes into its field when a row is saved.
enum class ValueType
{
    Text,         // as it stands
    Number,       // as it stands; the field turns it into its number or refuses it
    NumericValue, // the numeric value of the text ("12*" gives 12) in its shortest decimal form
    YesNo,        // "True" or "False", as check boxes put it into their cells
};

// One column of a list: the field it shows, its header and width, and how its text is saved.
struct ListColumn
{
    QString field; // the table's field; ListLoad::positionCell for the row's position; empty for none
    QString header;
    int widthTwips = 0;
    ValueType type = ValueType::Text;
    // A column some loads of the list leave out (setOptionalColumnsUsed): it then stays empty
    // and is neither compared nor written.
    bool optional = false;
};

// What a list is made of: its columns (column 0 is the number cell), the field a row is
// addressed by, and how a saved deletion shows.
struct ListTable
{
    // What a row marked for deletion becomes once the save has deleted its record.
    enum class SavedDeletion
    {
        StaysMarked, // keeps its deletion marker until the list is read again
        LeavesList,  // leaves the list
    };

    QList<ListColumn> columns;
    QString keyField;
    QString deletedMarker;
    SavedDeletion savedDeletion = SavedDeletion::StaysMarked;
};

// The editing core every list window shares: the working list, the current row, the add mode,
// the text snapshots of the edit fields, the load, and the save loop with what a save does to
// the rows it handled. A list of its own gives its column table, its statements (the load's and
// writeRow()), and its rules in the few virtual functions below. No widgets and no dialogs:
// failures come back as values.
//
// A save walks the rows in list order inside one transaction and stops at the first row that
// fails. The rows before it are committed and shown saved: state unchanged, the number cell
// without marker, the key set to what the record is now stored under; the failing row and the
// rows after it keep their texts and marks. The error names the failing row's 1-based position
// in the list as it stands afterwards.
class ListEditor
{
public:
    ListEditor(mTaprell &taprell, ListTable table);
    virtual ~ListEditor();
    ListEditor(const ListEditor &) = delete;
    ListEditor &operator=(const ListEditor &) = delete;

    const QList<ListColumn> &columns() const { return m_table.columns; }
    // The list column that shows the field (case-insensitive), -1 for none.
    int column(QStringView field) const;
    QStringList headers() const;
    QList<int> widthsInTwips() const;
    // Whether the current list uses the column (see ListColumn::optional).
    bool isUsed(int column) const;

    WorkingListModel &model() { return m_model; }
    const WorkingListModel &model() const { return m_model; }
    bool hasUnsavedChanges() const { return m_model.hasUnsavedChanges(); }

    // The row edits go to; -1 for none. Anything out of range makes no row current.
    int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row);
    // While on, the edit fields hold a row being entered that is not in the list yet.
    bool addMode() const { return m_addMode; }
    void setAddMode(bool on) { m_addMode = on; }

    // The text an edit field for a list column had when it last received the focus.
    void setSnapshot(int column, const QString &text);
    QString snapshot(int column) const;
    // An edit field for the column lost the focus with this text: when it differs from its
    // snapshot it becomes the snapshot and goes into the current row, which is marked edited.
    // Nothing happens in add mode. True when a row changed.
    bool commitField(int column, const QString &text);

    // The number a row added now gets: one above the highest listed number (its whole part), 1
    // for an empty list.
    double nextFreeNumber() const;

    // The row stands for a record the library holds: read or saved, and not deleted since.
    bool isStored(int row) const;
    // Marks an edit of the row: changed ("*"), but a row the library does not hold (never
    // stored, or its deletion saved) is new ("#"), since the save has to add it.
    void markEdited(int row);

protected:
    // Reopens the library and reads the list: each column its field, each row's key and
    // identity. Afterwards there is no current row and add mode is off. On failure the list is
    // empty and the error says why.
    Status load(const store::Operation &read);
    // Reads the list again over the open library; the current row and add mode stay.
    Status read(const store::Operation &read);
    void setOptionalColumnsUsed(bool used);
    // setCurrentRow() was called (the row may be the one that was current).
    virtual void currentRowSet() {}

    // The row's texts as its fields take them: NumericValue cells turned into their numbers. A
    // number past a double's range keeps its text, which the field then refuses by name rather
    // than storing 0.
    QList<QString> savedTexts(int row) const;
    // One cell's text as its field takes it.
    QString savedText(int column, const QString &text) const;
    // The list columns (from 1) that show a field of the record, as (column, field) pairs.
    const QList<std::pair<int, QString>> &recordFields() const { return m_recordFields; }
    // The fields of the record, in list order, with the given texts (by list column).
    QList<Library::FieldText> fieldTexts(const QList<QString> &texts) const;

    // What a complete save does to the rows it handled.
    enum class AfterSave
    {
        MarkRows,  // shows them saved
        ReadAgain, // nothing: the caller reads the list again (a failed save still marks them)
    };
    // The save loop; see the class comment.
    Status save(Library::RowWrites writes = Library::RowWrites::Several, AfterSave after = AfterSave::MarkRows);
    // Whether the save has anything to do for the row. By default: changed and new rows, and
    // rows marked for deletion that stand for a stored record.
    virtual bool hasWork(int row) const;
    virtual Status writeRow(int row) = 0;
    // The key a handled row's record is now stored under: by default the row's key, or the
    // number of its number cell for a row that had none.
    virtual QString savedKey(int row) const;
    // The number cell of a saved row: by default its key.
    virtual QString savedNumberCell(int row) const { return savedKey(row); }
    // A changed or new row was written and is about to be shown saved.
    virtual void rowSaved(int row) { Q_UNUSED(row); }

    // Takes rows out of the list (ascending indexes); the current row stays with its row, and
    // there is none when it was taken out.
    void dropRows(const QList<int> &rows);

    mTaprell &m_taprell;

private:
    int markHandledRows(int done);
    void findRecordFields();

    ListTable m_table;
    WorkingListModel m_model;
    int m_currentRow = -1;
    bool m_addMode = false;
    bool m_optionalUsed = true;
    QList<std::pair<int, QString>> m_recordFields;
    QList<QString> m_snapshots;
};
