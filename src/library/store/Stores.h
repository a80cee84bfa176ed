// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Operation.h>

#include <QString>

// The reads and deletes the windows and tools make on each table of the library, one place per
// table. Each gives the operation and, beside it, the statement as users know it; writes go
// through the record set (Query) or Library::updateIfUnchanged with the table's name from here.
namespace store {

// A number a record was listed under, as a condition's value: the number when it is a plain
// decimal number, else the text itself (another program may store a text in a number column),
// which then matches as that text.
QVariant storedNumber(const QString &key);

// A read of the table that selects no record: the record set new records are added to.
Operation noRecords(const QString &table);

// picMain: one record per figure.
struct Figures
{
    static const QString table;
    // Every figure of one kind (its LB letter), by thumbnail name.
    static Operation ofKind(const QString &letter);
    // The figure's record (none when there is no such figure).
    static Operation record(const QString &figureNumber);
    static Operation remove(const QString &figureNumber);
    // The figure numbers that start with the letter, in either case.
    static Operation numbersStartingWith(const QString &letter);
    // Every figure number, the catalogue's kinds in turn, by thumbnail name.
    static Operation numbersInOrder();
};

// picType: the figure groups.
struct Groups
{
    static const QString table;
    static Operation all();
    static Operation name(const QString &number);
    static Operation record(const QString &number);
    static Operation remove(const QString &number);
};

// pData: the points of the figures.
struct Points
{
    static const QString table;
    // The figure's points by line number, with their row identities, as the point list shows them.
    static Operation list(const QString &figureNumber);
    // Every field of the figure's points, with their row identities.
    static Operation stored(const QString &figureNumber);
    // For drawing: every field, by line number.
    static Operation ofFigure(const QString &figureNumber);
    static Operation remove(qint64 identity);
};

// picLable: the labels of the figures.
struct Labels
{
    static const QString table;
    // The figure's labels by number; labels that share a number in the order they were stored.
    static Operation list(const QString &figureNumber);
    // For drawing: every field, by number.
    static Operation ofFigure(const QString &figureNumber);
    // The labels of the figure with the number; in the order they were stored when inOrder.
    static Operation withNumber(const QString &figureNumber, const QString &number, bool inOrder = false);
    // The highest number the figure's labels hold as a number.
    static Operation highestNumber(const QString &figureNumber);
    // Every label with the number, or only the one at the 0-based place among them.
    static Operation remove(const QString &figureNumber, const QString &number, int occurrence = -1);
};

} // namespace store
