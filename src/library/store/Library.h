// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Engine.h>
#include <library/engine/LibraryError.h>
#include <library/engine/Schema.h>
#include <library/engine/TableInfo.h>

#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace store {
struct Operation;
}

// The connection to one figure library: a file (SQLite), or a database on a PostgreSQL server
// when the location is a connection string (a postgresql:// URI or key=value pairs such as
// "service=lab"). Both behave alike: reads and deletes are operations (see Operation.h), which
// each engine's dialect renders. Opening never
// creates a library. Statements that are built once and run many times (the writes of a save)
// are prepared once and kept until the connection closes. Another program's lock is waited for
// a short, bounded time (lockWaitMilliseconds); after that the operation fails and says the
// library is in use.
class Library
{
public:
    static constexpr int lockWaitMilliseconds = 2500;

    Library();
    ~Library();
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    // Closes any open connection first, so there is never more than one.
    Status open(const QString &location, OpenMode mode = OpenMode::ReadWrite);
    void close();
    bool isOpen() const;
    // The file name, or the server as the user named it (without a password).
    QString fileName() const { return m_fileName; }
    bool isServer() const { return m_server; }
    // The version of the table description the library records (see Schema.h). A library of an
    // older one is upgraded at the start of its first save; a newer one does not open.
    int schemaVersion() const { return m_schemaVersion; }
    // Bumped by every open and close; queries read under an older one can no longer write.
    quint64 generation() const { return m_generation; }

    // The save transaction that is running, 0 outside one. A record read inside a transaction
    // cannot be changed by anyone else before that transaction ends: the engine holds its read
    // lock (or read snapshot) until then.
    quint64 currentTransaction() const { return m_inTransaction ? m_transactionSerial : 0; }

    // Connections of all Library objects that are currently open.
    static int openConnectionCount();

    // Runs a delete (or a read whose records are not wanted).
    Status execute(const store::Operation &operation);
    // Runs statements of the engine's own, as written (DDL, a test's set-up), outside any save.
    Status executeScript(const QString &sql);

    // One save in one transaction, which takes the library's write lock at its start: no other
    // program can write between the save's reads and its writes. Rows 0..count-1 are visited in order; each row for
    // which hasWork() is true is written by writeRow() inside a savepoint. The first failing row is rolled back to its
    // savepoint and ends the pass; the rows before it are committed. The error's row is the failing row's 1-based
    // position unless writeRow set one. Returns how many rows (from the first) were handled and are now committed, and
    // the error that stopped the pass. When the commit itself fails nothing is kept and done is 0.
    struct SaveResult
    {
        int done = 0;
        Status status;
    };
    // A row written by one statement cannot be half-written and needs no savepoint of its own.
    enum class RowWrites
    {
        Several,
        One,
    };
    SaveResult saveRows(int count, const std::function<bool(int)> &hasWork, const std::function<Status(int)> &writeRow,
                        RowWrites writes = RowWrites::Several);

    // The one-statement write of a save: sets the fields of the one record whose key fields hold
    // the key texts (nothing when several do), but only while every checked field still holds the text it was loaded
    // with (numbers by value, yes/no values as True/False, an empty text for no value). Statements of one shape are
    // prepared once. Written means exactly one record was changed; NotWritten means the statement changed nothing or a
    // text could not be turned into the column's value here: the caller then reads the record to say why (or to write
    // it the long way), so this never decides anything the careful way would not.
    enum class ConditionalWrite
    {
        Written,
        NotWritten,
    };
    struct FieldText
    {
        QString field;
        QString text;
    };
    ConditionalWrite updateIfUnchanged(const QString &table, const QList<FieldText> &keys, const QList<FieldText> &sets,
                                       const QList<FieldText> &checks, Status *status);

    // Column names and declared types of a table; nullptr when there is no such table.
    const TableInfo *tableInfo(const QString &table);

    // The engine's dialect; only while open.
    const engine::Dialect &dialect() const { return m_engine->dialect(); }
    // A prepared statement kept for reuse while the connection is open, reset and ready to run.
    engine::Statement *prepared(const engine::Sql &sql, Status *status);
    // The same, prepared from the SQL that build() makes only when the key is new.
    engine::Statement *prepared(const QString &key, const std::function<engine::Sql()> &build, Status *status);
    // The operation rendered in the engine's dialect, prepared once per shape, with its values
    // bound: ready to run.
    engine::Statement *prepared(const store::Operation &operation, Status *status);

    // An error of the last call on the connection: the engine's words under the message, and
    // the message replaced by one the user can act on when the library is read-only, in use by
    // another program, damaged, or its server out of reach.
    LibraryError makeError(const QString &message, const QString &statement) const;
    LibraryError notOpenError(const QString &statement) const;

private:
    // One shape of conditional write: its fields (keys, sets, checks, as the caller names them),
    // their types, and its statement.
    struct ConditionalShape
    {
        QString table;
        QStringList fields;
        qsizetype keyCount = 0;
        qsizetype setCount = 0;
        bool uniqueKey = false; // one key field, with a unique index: no count in the statement
        QList<ColumnType> types;
        engine::Sql sql;
        engine::Statement *statement = nullptr; // prepared on first use; kept in m_prepared
    };
    // Brings the library to the current table description, inside the running save.
    Status upgrade();
    ConditionalShape *conditionalShape(const QString &table, const QList<FieldText> &keys, const QList<FieldText> &sets,
                                       const QList<FieldText> &checks);

    std::unique_ptr<engine::Connection> m_engine;
    QString m_location; // as given to open(), a password included
    OpenMode m_mode = OpenMode::ReadWrite;
    QString m_fileName;
    bool m_server = false;
    int m_schemaVersion = schema::currentVersion;
    quint64 m_generation = 0;
    quint64 m_transactionSerial = 0;
    bool m_inTransaction = false;
    std::unordered_map<QString, TableInfo> m_tables;
    std::unordered_map<QString, std::unique_ptr<engine::Statement>> m_prepared;
    std::unordered_map<QString, engine::Sql> m_builtSql;
    std::unordered_map<size_t, std::vector<ConditionalShape>> m_shapes; // by a hash of the field names
    ConditionalShape *m_lastShape = nullptr;                            // the shape last written in
};
