// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LibraryError.h"
#include "WorkingListModel.h"

#include <QHash>
#include <QList>
#include <QString>

class mTaprell;

// The catalogue's working copy of picMain: the figures of one kind as list rows of 24 texts,
// and what New, Update list, Delete and Save do to them. No widgets: the window copies its edit
// controls to and from rows of cells.
class CatalogueEditor
{
public:
    enum Column
    {
        Number = 0,
        Th = 1,
        Tm = 2,
        FigName = 3,
        Grp = 4,
        X1 = 5,  // X1..X7 are columns 5..11
        Y1 = 12, // Y1..Y7 are columns 12..18
        Border = 19,
        SpecialCase = 20,
        Comment = 21,
        Vector = 22,
        Bitmap = 23,
        ColumnCount = 24,
    };
    static const QStringList headers;
    static const QList<int> widthsInTwips;

    explicit CatalogueEditor(mTaprell &taprell);

    WorkingListModel &model() { return m_model; }
    const WorkingListModel &model() const { return m_model; }

    // Opens the library and lists the figures of the kind (1 rectangular, 2 triangular) ordered
    // by thumbnail name, every row unchanged. A library that cannot be opened or read leaves
    // the list empty and says why.
    Status load(qint16 kind);

    // The figure number a new figure gets, proposed from the row at a 1-based position (its
    // letter; the kind's letter when there is no such row): one above the highest number with
    // that letter in the library and in the list, at least three digits.
    QString newFigNumber(int position) const;

    // The row (0-based) other than exceptRow whose figure number is the same (ignoring case),
    // or -1.
    int rowWithFigureNumber(const QString &number, int exceptRow) const;

    // Update list: a new row appended (state new) from the cells, or the cells copied into a row
    // (marked changed unless new). Columns 5..19 are copied only for rectangular figures. A row
    // the library does not hold (never stored, or its deletion saved) becomes new again.
    int appendNew(const QList<QString> &cells);
    void update(int row, const QList<QString> &cells);
    void markDeleted(int row);

    // Writes every marked row in list order in one transaction, stopping at the first row that
    // fails. Rows before it are committed and shown as saved; it and the rows after it keep
    // their marks. The error names the row, the field and the statement.
    Status save();

    qint16 kind() const { return m_kind; }
    static QString kindLetter(qint16 kind) { return kind == 2 ? QStringLiteral("T") : QStringLiteral("B"); }

private:
    void copyCells(int row, const QList<QString> &cells);
    Status writeRow(int row);
    bool writeUnchangedRecord(int row);
    // The texts a save hands to the record's fields, by list column.
    QList<QString> writtenTexts(int row) const;

    mTaprell &m_taprell;
    WorkingListModel m_model;
    qint16 m_kind = 1;
    // Per row saved since the list was loaded: the texts that save wrote. A later save of the
    // row checks the record against these (what the record then held), not against the texts
    // the row showed, which differ where a field took the numeric value of its text.
    QHash<int, QList<QString>> m_written;
};
