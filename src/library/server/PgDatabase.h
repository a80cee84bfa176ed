// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

struct pg_conn;
struct pg_result;

namespace pg {
struct Session; // the libpq connection with what its statements and guards share
}

// A thin RAII layer over libpq, in the shape of the SQLite layer: a connection, a prepared
// statement with typed binds and column reads, a transaction/savepoint guard, and COPY for bulk
// loads. Values cross in libpq's text format as UTF-8. Failures come back as values.
//
// Secrets follow libpq's conventions: a connection string names the server (a URI or
// key=value pairs, service=name included) and libpq finds the password in ~/.pgpass, the
// service file or the environment. Every text this layer hands out that names the server has
// any password of the connection string taken out.
namespace pg {

struct Error
{
    QString message;             // what failed, in this program's words
    QString sqlState;            // the five-character SQLSTATE, empty when the server gave none
    QString serverMessage;       // the server's (or libpq's) own words, with its detail and hint
    bool connectionLost = false; // the connection is gone: nothing more can run on it
    QString field;               // the field whose value was refused before it was sent, when known

    // "message\nserverMessage (SQLSTATE xxxxx)", the parts that are there.
    QString text() const;
};

// Success, or the error.
class Status
{
public:
    Status() = default;
    Status(Error error)
        : m_error(std::move(error))
    {
    }
    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

// The connection string as it may be shown: the password of a URI's user part, a password=
// pair and a password query parameter taken out. Everything else stays as written. A setting
// that cannot be read safely (a URI with more than one '@', a pair without '=', an unended
// quote) may hold a secret anywhere: then only its host is named, when it comes before any
// password, and the setting is said to be malformed.
QString redacted(const QString &conninfo);

// Whether a connection string cannot be read safely, as above.
bool isMalformed(const QString &conninfo);

// The name a connection gives the server for itself (application_name), unless the connection
// string sets one: the program's name (QCoreApplication's), "Taprell" when there is none.
QString applicationName();

// Whether a location names a server rather than a file: a postgresql:// or postgres:// URI, or
// key=value pairs such as "service=lab" or "host=/run/db dbname=lab".
bool isConnectionString(const QString &location);

class Connection
{
public:
    Connection() = default;
    ~Connection();
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&other) noexcept;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Connects with UTF-8 as the client encoding and numbers printed exactly, named by
    // applicationName(). On failure the connection stays closed; the error's message names the
    // server (without its password). A timeout in seconds, when given, bounds the wait for the
    // server unless the connection string sets its own.
    Status open(const QString &conninfo, int connectTimeoutSeconds = 0);
    void close();
    bool isOpen() const;
    pg_conn *handle() const;

    // The server as the user named it, without a password.
    QString serverName() const { return m_serverName; }

    // Runs statements that return no rows (several, separated by semicolons, are allowed).
    Status execute(const QString &sql);
    // Runs a statement and reads the first value of its first row (empty when there is none).
    Status execute(const QString &sql, QByteArray *firstValue);

    // Whether a transaction is open (and whether a statement in it failed).
    bool inTransaction() const;
    bool transactionFailed() const;

    // An error from the connection's last failure, or from the result when there is one.
    Error errorFor(const QString &message, const pg_result *result = nullptr) const;

private:
    friend class Statement;
    friend class Transaction;
    friend class CopyIn;
    std::shared_ptr<Session> m_session;
    QString m_serverName;
};

enum class Step
{
    Row,
    Done,
    Error,
};

// Rows of a SELECT: all at once (fast, the whole result in memory) or one at a time (libpq's
// single-row mode, for results too large to hold).
enum class Fetch
{
    AllAtOnce,
    RowByRow,
};

class Statement
{
public:
    Statement();
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Parameters are written $1, $2, …; their types are inferred by the server.
    Status prepare(Connection &connection, const QString &sql);
    bool isValid() const { return !m_name.isEmpty(); }
    // The field each parameter is written into or compared with, in order, for messages about
    // its value (a text the server cannot take is refused naming it).
    void setParameterFields(const QStringList &fields) { m_parameterFields = fields; }
    int parameterCount() const { return int(m_values.size()); }

    // Parameters are 0-based here, as in the SQLite layer.
    void bindNull(int index);
    void bind(int index, qint64 value);
    void bind(int index, double value); // shortest text that reads back as the same double
    void bind(int index, bool value);
    void bind(int index, QStringView text);
    void bindUtf8(int index, const QByteArray &text);
    // Null, booleans, integers, doubles and texts by the variant's type; anything else as its text.
    void bind(int index, const QVariant &value);

    // Runs the statement with the bound values. Rows are then read with step(). A text holding
    // a NUL character is refused unsent (SQLSTATE 22021, the field named when it is known, see
    // setParameterFields): libpq would send it cut short at the NUL.
    Status execute(Fetch fetch = Fetch::AllAtOnce);
    // The next row; after Step::Error, error() says why (RowByRow only: the server failed part way).
    Step step();
    Status error() const { return m_stepError ? Status(*m_stepError) : Status(); }
    // Rows written by an INSERT, UPDATE or DELETE.
    qint64 affectedRows() const;
    // Drops the result and clears the bound values.
    void reset();

    // Known once prepared.
    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    unsigned columnTypeOid(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    bool boolean(int column) const;
    QString text(int column) const;
    QByteArray utf8(int column) const; // the value's bytes as the server sent them
    // The same without a copy, valid until the next step or reset.
    QByteArrayView utf8View(int column) const;
    // By the column's type: null, bool, qlonglong, double or QString.
    QVariant value(int column) const;

private:
    void dropResult();
    QByteArray &slot(int index);

    std::weak_ptr<Session> m_session;
    QByteArray m_name;
    QString m_sql;
    QStringList m_columns; // as described when prepared
    QStringList m_parameterFields;
    QList<QByteArray> m_values;
    QList<bool> m_nulls;
    pg_result *m_result = nullptr;
    int m_row = -1;
    Fetch m_fetch = Fetch::AllAtOnce;
    bool m_streaming = false;
    std::optional<Error> m_stepError;
};

// A transaction, or a savepoint inside one: begin() starts it, commit() keeps it, and anything
// not committed is rolled back when the guard goes away.
class Transaction
{
public:
    Transaction() = default;
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    Status begin(Connection &connection);
    Status commit();
    // Rolls back; the error is ignored (a lost connection has rolled back already).
    void rollback();
    bool isActive() const { return m_session != nullptr; }

private:
    std::shared_ptr<Session> m_session;
    QByteArray m_savepoint; // empty for the outermost transaction
};

// COPY table (columns) FROM STDIN in text format: rows are buffered and sent in blocks. Anything
// not finished is cancelled when the object goes away, which fails the enclosing transaction.
class CopyIn
{
public:
    CopyIn() = default;
    ~CopyIn();
    CopyIn(const CopyIn &) = delete;
    CopyIn &operator=(const CopyIn &) = delete;

    Status begin(Connection &connection, const QString &table, const QStringList &columns);
    void addNull();
    void add(qint64 value);
    void add(double value);
    void add(bool value);
    void addUtf8(const QByteArray &text);
    // Ends the row; sends the buffer when it has grown large.
    Status endRow();
    Status finish();

private:
    Status send();
    void separate();
    std::shared_ptr<Session> m_session;
    QByteArray m_buffer;
    bool m_rowStarted = false;
};

// The shortest decimal text that reads back as exactly this double ("0.1", "1e+300").
QByteArray numberText(double value);

// What became of a transaction whose COMMIT was sent but whose answer never came.
enum class CommitOutcome
{
    Committed,
    RolledBack,
    Unknown, // the server cannot be reached, or does not know any more
};

// Asks the server on a new connection what became of the transaction with that id
// (txid_current() inside it). A server that does not take the connection is tried again for
// three seconds (it may be restarting); while it still finishes the transaction ("in progress")
// it is asked again for five.
CommitOutcome outcomeOfLostCommit(const QString &conninfo, qint64 transactionId);

} // namespace pg
