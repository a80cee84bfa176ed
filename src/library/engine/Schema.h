// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// How a column's value travels as text: text as it is, numbers in their shortest decimal form,
// yes/no values as "True"/"False".
enum class ColumnType
{
    Text,
    Integer,
    Number,
    YesNo,
};

// What a value is as an engine holds it or a conversion gives it.
enum class ValueKind
{
    Null,
    Integer,
    Real,
    Boolean,
    Text,
    Other,
};

// The figure library's tables, written down once. The DDL of both engines is rendered from it
// (data/schema.sql and data/schema-postgresql.sql are that rendering, which a test checks), and
// whatever walks the tables (copying a library, the benchmarks, the server's field spellings)
// reads them here.
//
// A library records the version of this description it was made or last upgraded with (the
// file in its user_version, a server in the table taprell_meta). An older library is brought up
// to date when it is first written: optional tables it lacks are created, and the steps of each
// version are applied. A library of a newer version is refused before anything is read or
// written, so an older Taprell never damages it.
namespace schema {

// The version this build writes. 1: the four tables as first laid out (no version recorded).
// 2: the server keeps figure numbers case-insensitive in their type, and records its version.
// 3: the optional tables of the samples' axes and the fields' corrections (picAxis, picField).
constexpr int currentVersion = 3;

enum class Dialect
{
    File,   // SQLite
    Server, // PostgreSQL
};

struct Column
{
    QString name;
    ColumnType type = ColumnType::Text;
    bool notNull = false;
    bool unique = false;       // no two records hold the same value
    bool figureNumber = false; // compares, sorts and joins without regard to case
    QString defaultValue;      // as the file writes it (0/1 for yes/no); empty for none
};

struct Index
{
    QString name;
    QStringList columns;
};

struct Table
{
    QString name;
    QList<Column> columns;
    QList<Index> indexes;
    // The version that added the table; a library of an older version gains it when it is
    // first written. The four base tables are there from version 1.
    int since = 1;

    int indexOf(QStringView column) const; // case-insensitive, -1 when absent
    QStringList columnNames() const;
};

struct Description
{
    int version = currentVersion;
    QList<Table> tables;

    const Table *table(QStringView name) const; // case-insensitive
};

// The figure library as this build knows it: picMain, picType, pData, picLable, then the
// optional tables in the order their versions added them.
const Description &library();

// The four tables every library has, in the order a copy writes them (groups first).
QList<const Table *> baseTables();

// A column name as this description spells it (figName for figname); the name itself when no
// table has such a column.
QString spelling(const QString &name);

// The statements that create an empty library of the description in the engine's dialect,
// the version record included.
QStringList createStatements(const Description &description, Dialect dialect);

// The statements that bring a library of an older version up to the description's: the tables
// added since, the steps of each version, and the new version record.
QStringList upgradeStatements(const Description &description, int storedVersion, Dialect dialect);

// The message for a library made by a newer Taprell, which this one must not touch.
QString newerVersionMessage(int storedVersion, const QString &location);

} // namespace schema
