// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>
#include <library/lists/ListEditor.h>

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

class mTaprell;

// What the point fields of the data window show: the point number and the five value fields,
// addressed 1 to 5 as line number, curve, X, Y and line type (values[0] is field 1).
struct PointFields
{
    QString number;
    std::array<QString, 5> values;

    QString &value(int field) { return values[field - 1]; }
    const QString &value(int field) const { return values[field - 1]; }
};

// The editing core of the figure data window: the points of one figure as a working list, the
// row that field edits go to, the add mode and the fields' text snapshots, and the save.
//
// A row remembers the ID it was read with (ListRow::key) and its row identity, so a save finds
// the stored point itself rather than whatever now carries the row's list number; a figure
// whose IDs have gaps, repeats or do not start at 1 is renumbered to 1..n within the save.
//
// Numbers are given out inside the save, from what the figure holds then. When it holds points
// the list does not show (another program appended them since the list was loaded), list
// positions are no longer the figure's numbers: stored points keep their IDs and new points are
// numbered after the highest stored ID, so two programs appending to one figure never store a
// number twice. The list then shows each point under the ID it is stored with.
//
// A point can be taken out of the working copy: a new row simply leaves the list, a stored row
// is marked for deletion ("★") and the save deletes it, numbering the points that remain 1..n
// in the same transaction.
class PicDataEditor : public QObject, public ListEditor
{
    Q_OBJECT

public:
    enum Field
    {
        SeriesField = 1,
        CurveField = 2,
        XField = 3,
        YField = 4,
        LineTypeField = 5,
    };
    static constexpr int fieldCount = 5;
    static const QString deletedMarker; // "★"
    // The list's columns: the point number ID, then the fields 1 to 5.
    static const QList<ListColumn> columnTable;

    // What removeRow() took out, for restoreRow() to put back as it was.
    struct RemovedRow
    {
        int row = -1;
        ListRow listRow;      // the row as it was before, marks included
        qint64 identity = 0;  // the row identity it was read with
        bool dropped = false; // a new row that left the list (a stored one stays, marked)
    };

    explicit PicDataEditor(mTaprell &taprell, QObject *parent = nullptr);

    // The working list (a pointer, as the preview and the digitiser follow it).
    WorkingListModel *model() const { return const_cast<WorkingListModel *>(&ListEditor::model()); }

    // The figure the list was loaded for; every save writes under it.
    QString figureNumber() const { return m_figureNumber; }
    // Reopens the library and reads the figure's points in ID order. Forgets the current row
    // and the add mode. On failure the list is empty and the error says why.
    Status load(const QString &figureNumber);

    // A click in the list: the row becomes current, the fields and their snapshots take its
    // texts, and the add mode ends. Returns the texts the fields show.
    PointFields chooseRow(int row);

    // The value fields' snapshots and commits are the list columns': setSnapshot(field, text),
    // commitField(field, text).

    // First press of the add button: the fields for a new point after the last row.
    PointFields startAdding(const PointFields &shown);
    // Second press: appends the shown point as a new row ("#") and returns its index. Field
    // edits from now on go to that row, the one the fields show.
    int addRow(const PointFields &shown);

    // Takes the row out of the working copy: a new row leaves the list, a stored row is marked
    // for deletion. Nothing for a row already marked or no such row. The current row moves
    // with the rows; when it is the dropped row there is none.
    std::optional<RemovedRow> removeRow(int row);
    // Undoes removeRow() while the list is still as it left it; false otherwise.
    bool restoreRow(const RemovedRow &removed);
    // Sets X and Y of a row as field commits would: the row turns changed ("*") unless it is new.
    bool setPosition(int row, const QString &x, const QString &y);

    // One save: rows marked for deletion are deleted, changed and new rows are written, rows
    // whose stored ID is not their position are renumbered (the points that remain 1..n). Rows
    // before a failing row are stored and shown saved (deleted ones leave the list); that row and
    // the rows after it keep their texts and marks. The error names the row's position in the
    // list as it then stands.
    Status save();

private:
    // The figure's stored points as one save sees them: record positions by row identity.
    struct StoredPoints
    {
        QHash<qint64, int> recordOf;
        int idField = -1;
        bool unlisted = false;   // the figure holds points the list does not show
        double highestId = 0;    // the highest ID stored, or given out by this save
        quint64 transaction = 0; // the save transaction it was read in
    };

    bool hasWork(int row) const override;
    Status writeRow(int row) override;
    QString savedKey(int row) const override;
    Status readStoredPoints();
    Status locateStored(int row);
    Status deleteStored(int row);
    QString positionText(int row) const { return QString::number(m_positions.value(row)); }

    QList<QString> m_savedIds; // during a save: per row, the ID it is stored under once written
    QList<int> m_positions;    // during a save: per row, its number among the rows that remain
    QString m_figureNumber;
    std::optional<StoredPoints> m_stored; // only during a save
};
