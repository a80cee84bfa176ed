// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <variant>

struct sqlite3;
struct sqlite3_stmt;

// SQLite's C API as the benchmarks use it on their own: filling the libraries they measure, and
// the floor lines (the same updates as the shell's, through one prepared statement in a loop).
// Independent of the program's library layer on purpose, so the floor stays what SQLite itself
// costs. Every failure stops the benchmark with SQLite's message.
namespace bench::sqlite {

// One value of a row: NULL, a whole number, a real number or UTF-8 text.
using Value = std::variant<std::nullptr_t, qint64, double, QByteArray>;
using Row = QList<Value>;

class Connection
{
public:
    explicit Connection(const QString &file);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    sqlite3 *handle() const { return m_db; }
    void execute(const char *sql);
    // The first column of the first row of a query, as a whole number.
    qint64 scalar(const QString &sql);

private:
    sqlite3 *m_db = nullptr;
};

class Statement
{
public:
    Statement(Connection &connection, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Binds the values to the parameters 1..n in order, runs the statement to its end and
    // resets it for the next row; returns the rows it changed. Texts are not copied: the values
    // are only needed during the call.
    int run(const Row &values);

private:
    Connection &m_connection;
    sqlite3_stmt *m_statement = nullptr;
};

// The value as an SQL literal, the way a user would type it into the shell: numbers in their
// shortest exact form, texts quoted with apostrophes doubled.
QByteArray literal(const Value &value);

} // namespace bench::sqlite
