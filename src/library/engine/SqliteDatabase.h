// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// A thin RAII layer over SQLite's C API: a connection, and a prepared statement with typed
// binds and column reads. Results are SQLite's own result codes; the owner turns them into
// errors for the user. Text crosses as UTF-8, converted once per value.
namespace sqlite {

class Connection
{
public:
    Connection() = default;
    ~Connection();
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&other) noexcept;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    enum class Access
    {
        ReadWrite, // an existing file only: never creates one
        ReadOnly,
    };
    // Returns SQLITE_OK or the failing result code; the connection stays closed on failure,
    // with the message kept for errorMessage().
    int open(const QString &fileName, Access access);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }

    // How long a statement waits for another program's lock before it gives up with SQLITE_BUSY.
    void setBusyTimeout(int milliseconds);
    // Runs statements that return no rows.
    int execute(const char *sql);

    QString errorMessage() const;
    int extendedErrorCode() const;
    qint64 lastInsertRowId() const;
    int changes() const;

private:
    sqlite3 *m_db = nullptr;
    QString m_openFailure;
};

enum class Step
{
    Row,
    Done,
    Error,
};

class Statement
{
public:
    Statement() = default;
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Returns SQLITE_OK or the failing result code (the connection has the message).
    int prepare(Connection &connection, const QString &sql);
    bool isValid() const { return m_stmt != nullptr; }

    // Parameters are 0-based here.
    void bindNull(int index);
    void bind(int index, qint64 value);
    void bind(int index, double value);
    void bind(int index, QStringView text);
    // Null, integers, doubles and texts by the variant's type; anything else as its text.
    void bind(int index, const QVariant &value);

    Step step();
    // Makes the statement ready to run again, with its parameters cleared.
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    int columnType(int column) const; // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
    qint64 int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    // The text as the engine holds it, valid until the next step or reset.
    QByteArrayView utf8(int column) const;
    // The value as the engine holds it: null, qlonglong, double, QString or QByteArray.
    QVariant value(int column) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace sqlite
