// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Conversions.h>
#include <library/engine/LibraryError.h>
#include <library/lists/ListEditor.h>

class mTaprell;

// The working copy behind the group window: the groups of picType as list rows, the row that
// rename and delete act on, and the save. Column 0 holds the group number with its marker,
// column 1 the name; a row's key is the number it was read or last saved under (empty while the
// group exists only in the list). A save finds the stored group by that key as the text it was
// read as: the column turns a number's text back into the number, and a group stored under some
// other text (another program may store one) is found under that text, never as group 0.
//
// New groups take the number one above the highest number listed, so a new row never shares a
// number with a listed group. A row that was never stored is never deleted from the table: its
// number may belong to a group someone else added in the meantime.
class GroupEditor : public ListEditor
{
public:
    enum Column
    {
        NumberColumn = 0,
        NameColumn = 1,
    };
    static const QList<ListColumn> columnTable;
    static const QString newGroupName;  // "在此输入新的组名"
    static const QString deletedMarker; // "d"

    explicit GroupEditor(mTaprell &taprell);

    // Reopens the library and rebuilds the list from picType in ascending number order; there is
    // no current row afterwards. On failure the list is empty; libraryOpen() tells whether the
    // library itself could not be opened.
    Status load();
    bool libraryOpen() const;

    // The name of the current row, empty when there is none.
    QString currentName() const;

    // A click on a row (-1: none): the row becomes current. Returns its name for the box.
    QString chooseRow(int row);
    // Gives the current row the name and marks it changed (a new row stays new). An empty text or
    // no current row changes nothing; returns whether the row changed.
    bool changeCurrent(const QString &text);
    // Appends a new group numbered nextFreeNumber(); the current row stays. Returns the new row.
    int addRow();
    // Marks the current row for deletion; false when there is no current row.
    bool markCurrentDeleted();

    // Writes the marked rows in list order in one transaction, stopping at the first row that
    // fails. Rows handled before it are committed and lose their marks (deleted ones keep their
    // "d"); the failing row and the rows after it keep theirs. The error names the 1-based row.
    Status save();

private:
    Status writeRow(int row) override;
    QString savedNumberCell(int row) const override { return numberText(model().number(row)); }
};
