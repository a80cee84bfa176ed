// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/lists/RowCells.h>

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

// What a save has to do with a list row.
enum class RowState : int
{
    Deleted = -1,
    Unchanged = 0,
    Changed = 1,
    New = 2,
};

struct ListRow
{
    ListRow() = default;
    ListRow(RowCells cells, RowState state = RowState::Unchanged, QString key = {}, bool deletionSaved = false)
        : cells(std::move(cells))
        , state(state)
        , deletionSaved(deletionSaved)
        , ownKey(std::move(key))
    {
    }

    // The stored identity the row was read with (a number as text), empty for none.
    QString key() const { return keyCell < 0 ? ownKey : (original.isEmpty() ? cells : original)[keyCell]; }
    bool hasKey() const
    {
        return keyCell < 0 ? !ownKey.isEmpty() : !(original.isEmpty() ? cells : original).utf8(keyCell).isEmpty();
    }
    // The row stands for a stored record: it was read with a row identity, or has a key. A key
    // another program stored as an empty text is still a stored record's.
    bool isRecord() const { return identity != 0 || hasKey(); }

    RowCells cells; // cells[0] is the number cell: a number followed by the row's marker
    RowState state = RowState::Unchanged;
    bool deletionSaved = false; // a save has already carried out this row's deletion
    // A loaded row's key is the text its key cell was loaded with (the cell itself, or the
    // original once the row is edited), so a list of a hundred thousand rows holds no key
    // strings; -1 when the key is ownKey.
    qint8 keyCell = -1;
    QString ownKey;
    RowCells original;   // the cells as loaded, kept from the first change until a save
    qint64 identity = 0; // the stored record's row identity, when the list reads it; 0 when unknown
};

// Its parts move by bytes, so a growing list moves its rows without touching their texts.
Q_DECLARE_TYPEINFO(ListRow, Q_RELOCATABLE_TYPE);

// The working copy behind every list window: rows of texts with a row state each. The number
// cell shows the state as a marker behind the number ("*" changed, "#" new, and the window's own
// deletion marker), so the number is always the numeric value of that cell.
class WorkingListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    WorkingListModel(QStringList headers, QString deletedMarker, QObject *parent = nullptr);

    static const QString changedMarker;
    static const QString newMarker;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int size() const { return static_cast<int>(m_rows.size()); }
    const ListRow &row(int row) const { return m_rows[row]; }
    QString cell(int row, int column) const { return m_rows[row].cells[column]; }
    RowState state(int row) const { return m_rows[row].state; }
    // The row's number: the numeric value of its number cell.
    double number(int row) const;

    // Each row is padded or cut to the column count.
    void setRows(QList<ListRow> rows);
    // Rows that already have one cell per column, as a list load builds them: a list of a hundred
    // thousand rows is not walked again to check.
    void adoptRows(QList<ListRow> rows);
    void clear();
    // Appends a row whose cells are padded to the column count; returns its index.
    int appendRow(ListRow row);
    void setCell(int row, int column, const QString &text);

    // State changes with their markers. A new row stays new when it is changed.
    void markChanged(int row);
    void markDeleted(int row);
    void markNew(int row, const QString &number);
    // After a save: state 0 and the given text (a number without marker) in the number cell.
    void markSaved(int row, const QString &numberCell);
    void markDeletionSaved(int row);
    void setKey(int row, const QString &key);
    void setIdentity(int row, qint64 identity) { m_rows[row].identity = identity; }

    // True while some row carries a change a save has not yet carried out.
    bool hasUnsavedChanges() const;

    // Between these, cell changes are announced once, as one range, when the last one ends:
    // a save that marks thousands of rows repaints the list once.
    void beginChanges();
    void endChanges();

private:
    void setNumberCell(int row, const QString &text);
    // The row's key becomes its own text, before what it is read from changes.
    static void keepKey(ListRow &r);

    QStringList m_headers;
    QString m_deletedMarker;
    QList<ListRow> m_rows;
    int m_changesDepth = 0;
    QList<int> m_changedRows; // between beginChanges() and endChanges()
};
