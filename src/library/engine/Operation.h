// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Engine.h>

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

struct TableInfo;

// A read or a delete on one table of the library, described rather than written: the stores
// (Stores.h) make them, each engine's dialect renders them into its own SQL, and the text users
// know the statement by (the error details, the shared statement text) is made beside it from the
// same values. Nothing ever reads SQL text back.
namespace store {

struct Condition
{
    enum class Test
    {
        Equal,       // the column equals the value (a figure number without regard to case)
        FirstLetter, // the figure number starts with the value's letter, in either case
        HoldsNumber, // the column holds a number; no value
        Identity,    // the record with the row identity given as the value; no column
    };
    Test test = Test::Equal;
    QString column; // as the table description spells it
    QVariant value; // bound as a parameter, never written into the statement
};

struct Operation
{
    enum class Verb
    {
        Read,
        Delete,
    };
    Verb verb = Verb::Read;
    QString table;
    // Read: the fields, in this order; empty for every column of the table, in table order.
    QStringList columns;
    // Read: the row identity comes first, before the fields, so a write can find the record and
    // a list row knows the record it stands for.
    bool identity = true;
    // Read: instead of the records, the highest value of this column as the one field "highest".
    QString highest;
    QList<Condition> where; // every one must hold
    QStringList orderBy;
    bool thenByIdentity = false; // records that tie on orderBy come in the order they were stored
    // Delete: only the record at this 0-based place, in the order they were stored, among those
    // the conditions select; -1 for every one of them.
    int onlyOccurrence = -1;
    // The statement as users know it.
    QString notice;
};

// The condition's value in a statement's text for users: a text quoted (quotes doubled), a number
// as written.
QString literal(const QVariant &value);

// The operation in the engine's SQL, with the values its parameters take in order. Reads of every
// column list the table's columns (as the library holds them) by name.
engine::Sql render(const Operation &operation, const TableInfo *table, const engine::Dialect &dialect,
                   QVariantList *values);

} // namespace store
