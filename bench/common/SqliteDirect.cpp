// SPDX-License-Identifier: GPL-3.0-or-later
#include "SqliteDirect.h"

#include <QLocale>
#include <QtGlobal>

#include <sqlite3.h>

namespace bench::sqlite {

namespace {

[[noreturn]] void fail(sqlite3 *db, const char *what)
{
    qFatal("SQLite, %s: %s", what, db ? sqlite3_errmsg(db) : "out of memory");
}

} // namespace

Connection::Connection(const QString &file)
{
    if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        fail(m_db, qPrintable(file));
    }
}

Connection::~Connection()
{
    sqlite3_close(m_db);
}

void Connection::execute(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(m_db, sql);
    }
}

qint64 Connection::scalar(const QString &sql)
{
    sqlite3_stmt *statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK) {
        fail(m_db, text.constData());
    }
    if (sqlite3_step(statement) != SQLITE_ROW) {
        sqlite3_finalize(statement);
        fail(m_db, text.constData());
    }
    const qint64 value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

Statement::Statement(Connection &connection, const QString &sql)
    : m_connection(connection)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(connection.handle(), text.constData(), int(text.size()), &m_statement, nullptr) !=
        SQLITE_OK) {
        fail(connection.handle(), text.constData());
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

int Statement::run(const Row &values)
{
    for (int i = 0; i < values.size(); ++i) {
        const Value &value = values[i];
        int rc = SQLITE_OK;
        if (const auto *whole = std::get_if<qint64>(&value)) {
            rc = sqlite3_bind_int64(m_statement, i + 1, *whole);
        } else if (const auto *real = std::get_if<double>(&value)) {
            rc = sqlite3_bind_double(m_statement, i + 1, *real);
        } else if (const auto *text = std::get_if<QByteArray>(&value)) {
            rc = sqlite3_bind_text(m_statement, i + 1, text->constData(), int(text->size()), SQLITE_STATIC);
        } else {
            rc = sqlite3_bind_null(m_statement, i + 1);
        }
        if (rc != SQLITE_OK) {
            fail(m_connection.handle(), "bind");
        }
    }
    if (sqlite3_step(m_statement) != SQLITE_DONE) {
        fail(m_connection.handle(), sqlite3_sql(m_statement));
    }
    sqlite3_reset(m_statement);
    return sqlite3_changes(m_connection.handle());
}

QByteArray literal(const Value &value)
{
    if (const auto *whole = std::get_if<qint64>(&value)) {
        return QByteArray::number(*whole);
    }
    if (const auto *real = std::get_if<double>(&value)) {
        return QByteArray::number(*real, 'g', QLocale::FloatingPointShortest);
    }
    if (const auto *text = std::get_if<QByteArray>(&value)) {
        QByteArray quoted = *text;
        return '\'' + quoted.replace('\'', "''") + '\'';
    }
    return "NULL";
}

} // namespace bench::sqlite
