// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/SqliteDatabase.h>

#include <QByteArray>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>
#include <utility>

namespace sqlite {

Connection::~Connection()
{
    close();
}

Connection::Connection(Connection &&other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_openFailure(std::move(other.m_openFailure))
{
}

Connection &Connection::operator=(Connection &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_openFailure = std::move(other.m_openFailure);
    }
    return *this;
}

int Connection::open(const QString &fileName, Access access)
{
    close();
    m_openFailure.clear();
    // A URI with mode=rw opens an existing file only: a mistyped path never leaves an empty
    // library behind.
    const QString path = QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(fileName).absoluteFilePath(), "/"));
    const QString mode = access == Access::ReadOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw");
    const QByteArray uri = (QStringLiteral("file:") + path + mode).toUtf8();
    const int flags = (access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_URI |
                      SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(uri.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        m_openFailure = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        const int code = m_db ? sqlite3_extended_errcode(m_db) : rc;
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return code;
    }
    sqlite3_extended_result_codes(m_db, 1);
    return SQLITE_OK;
}

void Connection::close()
{
    if (m_db) {
        // Statements still alive keep the connection until they are finalised (close_v2).
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Connection::setBusyTimeout(int milliseconds)
{
    if (m_db) {
        sqlite3_busy_timeout(m_db, milliseconds);
    }
}

int Connection::execute(const char *sql)
{
    return m_db ? sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

QString Connection::errorMessage() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : m_openFailure;
}

int Connection::extendedErrorCode() const
{
    return m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
}

qint64 Connection::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int Connection::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement &&other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr))
{
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

int Statement::prepare(Connection &connection, const QString &sql)
{
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    if (!connection.isOpen()) {
        return SQLITE_MISUSE;
    }
    const QByteArray utf8 = sql.toUtf8();
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v3(connection.handle(), utf8.constData(), static_cast<int>(utf8.size()) + 1,
                                      SQLITE_PREPARE_PERSISTENT, &m_stmt, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        return rc;
    }
    if (!m_stmt) {
        return SQLITE_MISUSE; // only blanks or a comment
    }
    return SQLITE_OK;
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index + 1);
}

void Statement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index + 1, value);
}

void Statement::bind(int index, double value)
{
    sqlite3_bind_double(m_stmt, index + 1, value);
}

void Statement::bind(int index, QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_stmt, index + 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bind(int index, const QVariant &value)
{
    if (value.isNull()) {
        bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Bool:
    case QMetaType::UInt:
        bind(index, static_cast<qint64>(value.toLongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        bind(index, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(m_stmt, index + 1, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    default:
        bind(index, QStringView(value.toString()));
    }
}

Step Statement::step()
{
    switch (sqlite3_step(m_stmt)) {
    case SQLITE_ROW:
        return Step::Row;
    case SQLITE_DONE:
        return Step::Done;
    default:
        return Step::Error;
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

int Statement::columnType(int column) const
{
    return sqlite3_column_type(m_stmt, column);
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QString Statement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return data ? QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QByteArrayView Statement::utf8(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return data ? QByteArrayView(data, sqlite3_column_bytes(m_stmt, column)) : QByteArrayView();
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_TEXT:
        return QVariant(text(column));
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(m_stmt, column)));
    }
    default:
        return QVariant();
    }
}

} // namespace sqlite
