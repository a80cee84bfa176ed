// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>
#include <library/engine/Schema.h>
#include <library/engine/TableInfo.h>

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

enum class OpenMode
{
    ReadWrite,
    ReadOnly,
};

// What a Library needs of the database engine that holds a figure library: a library file
// (SQLite) or a lab's server (PostgreSQL). The library's reads and writes are described as
// operations (see Operation.h) and rendered into each engine's own SQL through its Dialect;
// no statement text is ever rewritten. Failures are read back as the LibraryError the user sees,
// already worded for the engine's kind of trouble.
namespace engine {

enum class Step
{
    Row,
    Done,
    Error,
};

// What a column of the current record holds.
using ValueKind = ::ValueKind;

class Statement
{
public:
    virtual ~Statement() = default;

    // Parameters are 0-based. Null, booleans, integers, doubles and texts by the variant's type.
    virtual void bind(int index, const QVariant &value) = 0;
    virtual void bindNull(int index) = 0;
    virtual void bind(int index, qint64 value) = 0;
    virtual void bind(int index, double value) = 0;
    virtual void bind(int index, QStringView text) = 0;
    // The first step runs the statement; a statement that returns no rows is Done at once.
    virtual Step step() = 0;
    // Ready to run again, with its parameters cleared.
    virtual void reset() = 0;

    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    virtual ValueKind kind(int column) const = 0;
    bool isNull(int column) const { return kind(column) == ValueKind::Null; }
    virtual qint64 int64(int column) const = 0;
    virtual double real(int column) const = 0;
    // The text as the engine holds it, valid until the next step or reset.
    virtual QByteArrayView utf8(int column) const = 0;
    virtual QString text(int column) const = 0;
    // A number's text when the engine already holds it as the lists show it (plain decimal
    // digits, no exponent): then it need not be read and printed again.
    virtual bool plainNumberText(int, QByteArrayView *) const { return false; }
    // Null, bool, qlonglong, double, QString or QByteArray.
    virtual QVariant value(int column) const = 0;

    // Records the last run wrote, and the row identity the last INSERT gave its record.
    virtual qint64 changes() const = 0;
    virtual qint64 insertedRowId() const = 0;
};

// What the engines' SQL differs in. Both keep the row identity in a column named rowid (the
// file's implicit row number; on a server a declared identity column), and both compare figure
// numbers without regard to case by the column's own type, so neither needs spelling here.
class Dialect
{
public:
    virtual ~Dialect() = default;

    // The placeholder of the 1-based parameter number.
    virtual QString parameter(int number) const = 0;
    // What an INSERT appends so that the statement hands back the identity it gave.
    virtual QString returningIdentity() const = 0;
    // The condition that a column holds a number (not a text, not empty).
    virtual QString holdsNumber(const QString &column) const = 0;
    // The condition that a column still holds the value of the parameter (null included), by
    // its kind; a yes/no column compares as true or false.
    virtual QString sameValue(const QString &column, const QString &parameter) const = 0;
    virtual QString sameYesNo(const QString &column, const QString &parameter) const = 0;
    // The condition that a text column, no value read as the empty text, equals the parameter
    // exactly (case included, a figure number too).
    virtual QString sameText(const QString &column, const QString &parameter) const = 0;
};

// A statement in the engine's own SQL, ready to prepare.
struct Sql
{
    QString text;
    // The field each parameter stands for, in order (empty when none): a value the engine
    // refuses is named by it.
    QStringList parameterFields;
    // Whether stepping it reads records; a write's only step runs it.
    bool returnsRows = true;
};

class Connection
{
public:
    virtual ~Connection() = default;

    // What the user knows the library by: the file name, or the server without any password.
    virtual QString location() const = 0;
    // Checks that the library is readable now (an engine may open lazily).
    virtual bool check() = 0;
    virtual bool isBroken() const = 0; // the connection was lost: nothing more can run on it

    virtual const Dialect &dialect() const = 0;
    virtual std::unique_ptr<Statement> prepare(const Sql &sql) = 0;
    // Runs a statement of the engine's own that returns no rows.
    virtual bool execute(const char *sql) = 0;

    // A save's transaction. It takes the library's write lock at its start (waiting a bounded
    // time for another writer), so that no one else writes between the save's reads and writes.
    virtual bool beginSave() = 0;
    // Whether a failed statement spoils the transaction until it is rolled back to a savepoint,
    // so that every row needs a savepoint of its own.
    virtual bool failedStatementSpoilsTransaction() const = 0;

    // The version of the table description the library records (see Schema.h): 1 when it
    // records none; nothing when it cannot be read.
    virtual std::optional<int> schemaVersion() = 0;

    // The table's columns, without the row identity a server keeps as a column; nothing when there is no such table.
    virtual std::optional<QList<TableColumn>> tableColumns(const QString &table) = 0;

    // The error of the last failure: the engine's words under the message, and the message
    // replaced by one the user can act on when the library is read-only, in use, damaged or
    // out of reach.
    virtual LibraryError error(const QString &message, const QString &statement) const = 0;
};

} // namespace engine
