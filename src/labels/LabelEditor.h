// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>
#include <library/lists/ListEditor.h>

#include <QHash>
#include <QString>

#include <array>
#include <optional>

class mTaprell;

// The working copy behind the label window: the labels of one figure, the add mode, the
// current row and the box snapshots, and the save. No widgets and no dialogs: failures come
// back as values for the window to show.
//
// Every listed row keeps the label number it was read with as its key, and a save addresses
// stored labels by that key under the figure number the list was loaded for, never by the row's
// position or by whatever figure the catalogue shows now.
class LabelEditor : public ListEditor
{
public:
    enum Column
    {
        NumberColumn = 0,
        XColumn = 1,
        YColumn = 2,
        NameColumn = 3,
    };

    // What the three boxes show for a row: index 1 x, 2 y, 3 label name.
    struct BoxTexts
    {
        QString x;
        QString y;
        QString name;
    };

    static const QString deletedMarker; // "★"
    // The list's columns: the label number ID, then the three boxes' fields.
    static const QList<ListColumn> columnTable;

    explicit LabelEditor(mTaprell &taprell);

    // The figure the list was loaded for; empty before the first load.
    QString figureNumber() const { return m_figureNumber; }
    // The window caption for a figure number.
    static QString caption(const QString &figureNumber);

    // Reopens the library and lists the labels of the figure in ID order, the first row current.
    // On failure the list is empty and the status tells why.
    Status load(const QString &figureNumber);

    // A click on the list: the row becomes current and add mode goes off. Returns the row's texts
    // for the boxes, or nothing when there is no such row (then nothing changes).
    std::optional<BoxTexts> chooseRow(int row);
    BoxTexts rowTexts(int row) const;

    // Box i (1..3) edits list column i: setSnapshot(i, text) when it receives the focus,
    // commitField(i, text) when it loses it.

    // First press of the add button: add mode on; the texts the boxes get.
    BoxTexts startAdding();
    // Second press: appends the label as a new row numbered nextFreeNumber(), which becomes the
    // current row, and switches add mode off. Returns the row index.
    int addRow(const BoxTexts &texts);

    // Marks the current row for deletion; false when there is no current row.
    bool markCurrentDeleted();
    // Takes a row out: a new row leaves the list (the current row stays with its row, none when
    // it was this one), another is marked for deletion. False when there is no such row.
    bool removeRow(int row);

    // Writes every marked row in one transaction, stopping at the first failing row. A new label
    // is stored under its listed number unless the figure now holds that number or a higher one
    // (another program added labels since loading): then under the next number above all stored
    // ones, so no two labels added at the same time share a number. After a
    // complete save the list is read again from the table (the current row kept where its label
    // still exists). After a failed one the rows written before the failure show as saved (deleted
    // ones leave the list) and the failing row and all after it keep their texts and marks; the
    // error names the failing row's position in the list as it then stands.
    Status save();

private:
    Status writeRow(int row) override;
    QString savedKey(int row) const override;
    Status deleteStoredLabel(int row);
    Status storeLabel(int row);
    // Rows before this one with the same key whose label is still stored, plus one: which of
    // several stored labels with one number this row stands for.
    int occurrence(int row, const QString &key) const;
    int storedCount(int row, const QString &key) const;
    // The number a new label is stored under, taken inside the save from what the figure holds.
    Status giveNumber(int row, QString *number);

    QHash<QString, QList<int>> m_rowsByKey; // during a save: the rows read with each stored number
    std::optional<double> m_highestStored;  // during a save: the highest number stored or given out
    QHash<int, QString> m_givenNumbers;     // during a save: the numbers new rows were stored under
    QString m_figureNumber;
};
