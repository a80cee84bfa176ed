// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/SqliteEngine.h>
#include <library/engine/TableInfo.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

class SqliteStatement final : public engine::Statement
{
public:
    SqliteStatement(sqlite::Connection &db, sqlite::Statement statement)
        : m_db(db)
        , m_statement(std::move(statement))
    {
    }

    void bind(int index, const QVariant &value) override { m_statement.bind(index, value); }
    void bindNull(int index) override { m_statement.bindNull(index); }
    void bind(int index, qint64 value) override { m_statement.bind(index, value); }
    void bind(int index, double value) override { m_statement.bind(index, value); }
    void bind(int index, QStringView text) override { m_statement.bind(index, text); }
    engine::Step step() override
    {
        switch (m_statement.step()) {
        case sqlite::Step::Row:
            return engine::Step::Row;
        case sqlite::Step::Done:
            m_changes = m_db.changes();
            m_insertedRowId = m_db.lastInsertRowId();
            return engine::Step::Done;
        case sqlite::Step::Error:
            break;
        }
        return engine::Step::Error;
    }
    void reset() override { m_statement.reset(); }
    int columnCount() const override { return m_statement.columnCount(); }
    QString columnName(int column) const override { return m_statement.columnName(column); }
    engine::ValueKind kind(int column) const override
    {
        switch (m_statement.columnType(column)) {
        case SQLITE_NULL:
            return engine::ValueKind::Null;
        case SQLITE_INTEGER:
            return engine::ValueKind::Integer;
        case SQLITE_FLOAT:
            return engine::ValueKind::Real;
        case SQLITE_TEXT:
            return engine::ValueKind::Text;
        default:
            return engine::ValueKind::Other;
        }
    }
    qint64 int64(int column) const override { return m_statement.int64(column); }
    double real(int column) const override { return m_statement.real(column); }
    QByteArrayView utf8(int column) const override { return m_statement.utf8(column); }
    QString text(int column) const override { return m_statement.text(column); }
    QVariant value(int column) const override { return m_statement.value(column); }
    qint64 changes() const override { return m_changes; }
    qint64 insertedRowId() const override { return m_insertedRowId; }

private:
    sqlite::Connection &m_db;
    sqlite::Statement m_statement;
    qint64 m_changes = 0;
    qint64 m_insertedRowId = 0;
};

} // namespace

std::unique_ptr<SqliteEngine> SqliteEngine::open(const QString &fileName, OpenMode mode, int lockWaitMilliseconds,
                                                 LibraryError *error)
{
    const QFileInfo info(fileName);
    if (!info.exists()) {
        error->message = QCoreApplication::translate("SqliteEngine", "找不到图版库文件：%1").arg(fileName);
        return nullptr;
    }
    if (!info.isFile()) {
        error->message = QCoreApplication::translate("SqliteEngine", "图版库路径不是文件：%1").arg(fileName);
        return nullptr;
    }
    if (!info.isReadable()) {
        error->message =
            QCoreApplication::translate("SqliteEngine", "图版库文件不可读（没有读取权限）：%1").arg(fileName);
        return nullptr;
    }

    auto engine = std::unique_ptr<SqliteEngine>(new SqliteEngine);
    engine->m_fileName = fileName;
    const auto access =
        mode == OpenMode::ReadOnly ? sqlite::Connection::Access::ReadOnly : sqlite::Connection::Access::ReadWrite;
    if (const int rc = engine->m_db.open(fileName, access); rc != SQLITE_OK) {
        *error =
            engine->errorFor(QCoreApplication::translate("SqliteEngine", "图版库文件打不开：%1").arg(fileName), rc, {});
        return nullptr;
    }
    engine->m_db.setBusyTimeout(lockWaitMilliseconds);
    if (!engine->check()) {
        *error =
            engine->errorFor(QCoreApplication::translate("SqliteEngine", "不是图版库数据库文件：%1").arg(fileName),
                             engine->m_db.extendedErrorCode(), QStringLiteral("select count(*) from sqlite_master"));
        return nullptr;
    }
    return engine;
}

bool SqliteEngine::check()
{
    // SQLite reads the header lazily; asking for the schema makes it read it now.
    return m_db.execute("select count(*) from sqlite_master") == SQLITE_OK;
}

std::unique_ptr<engine::Statement> SqliteEngine::prepare(const engine::Sql &sql)
{
    sqlite::Statement statement;
    if (statement.prepare(m_db, sql.text) != SQLITE_OK) {
        return nullptr;
    }
    return std::make_unique<SqliteStatement>(m_db, std::move(statement));
}

bool SqliteEngine::execute(const char *sql)
{
    return m_db.execute(sql) == SQLITE_OK;
}

bool SqliteEngine::beginSave()
{
    // IMMEDIATE takes the write lock now, waiting the busy timeout for another writer. A
    // deferred transaction would only ask for it at the first write, and a reader that cannot
    // get it then is refused at once, halfway through the save.
    return execute("BEGIN IMMEDIATE");
}

std::optional<int> SqliteEngine::schemaVersion()
{
    sqlite::Statement query;
    if (query.prepare(m_db, QStringLiteral("PRAGMA user_version")) != SQLITE_OK || query.step() != sqlite::Step::Row) {
        return std::nullopt;
    }
    return std::max(1, int(query.int64(0)));
}

std::optional<QList<TableColumn>> SqliteEngine::tableColumns(const QString &table)
{
    QString name = table;
    name.replace(u'\'', QStringLiteral("''"));
    sqlite::Statement query;
    if (query.prepare(m_db, QStringLiteral("PRAGMA table_info('%1')").arg(name)) != SQLITE_OK) {
        return std::nullopt;
    }
    QList<TableColumn> columns;
    sqlite::Step step;
    while ((step = query.step()) == sqlite::Step::Row) {
        columns.append({query.text(1), columnTypeOf(query.text(2)), query.int64(3) != 0});
    }
    if (step == sqlite::Step::Error || columns.isEmpty()) {
        return std::nullopt;
    }
    // Columns that a unique index of their own covers.
    sqlite::Statement unique;
    if (unique.prepare(m_db, QStringLiteral("SELECT ii.name FROM pragma_index_list('%1') AS il, "
                                            "pragma_index_info(il.name) AS ii WHERE il.\"unique\" "
                                            "AND (SELECT count(*) FROM pragma_index_info(il.name)) = 1")
                                 .arg(name)) == SQLITE_OK) {
        while (unique.step() == sqlite::Step::Row) {
            const QString column = unique.text(0);
            for (TableColumn &c : columns) {
                c.unique = c.unique || c.name.compare(column, Qt::CaseInsensitive) == 0;
            }
        }
    }
    return columns;
}

namespace {

class FileDialect final : public engine::Dialect
{
public:
    QString parameter(int) const override { return QStringLiteral("?"); }
    QString returningIdentity() const override { return {}; } // the connection keeps the last one
    QString holdsNumber(const QString &column) const override
    {
        return QStringLiteral("typeof(%1) in ('integer', 'real')").arg(column);
    }
    QString sameValue(const QString &column, const QString &parameter) const override
    {
        return column + QStringLiteral(" IS ") + parameter;
    }
    QString sameYesNo(const QString &column, const QString &parameter) const override
    {
        return QStringLiteral("(%1 <> 0) IS %2").arg(column, parameter);
    }
    QString sameText(const QString &column, const QString &parameter) const override
    {
        return QStringLiteral("coalesce(%1, '') = %2 COLLATE BINARY").arg(column, parameter);
    }
};

} // namespace

const engine::Dialect &SqliteEngine::dialect() const
{
    static const FileDialect file;
    return file;
}

LibraryError SqliteEngine::error(const QString &message, const QString &statement) const
{
    return errorFor(message, m_db.extendedErrorCode(), statement);
}

LibraryError SqliteEngine::errorFor(const QString &message, int code, const QString &statement) const
{
    LibraryError result;
    result.message = message;
    result.statement = statement;
    result.engineMessage = m_db.errorMessage();
    switch (code & 0xff) {
    case SQLITE_READONLY:
        if (code == SQLITE_READONLY_ROLLBACK || code == SQLITE_READONLY_RECOVERY) {
            // A save of another program broke off and left its journal; only a connection that
            // may write beside the file can roll it back.
            result.message = QCoreApplication::translate(
                                 "SqliteEngine", "图版库上次的写入没有完成，在这里无法恢复（文件或所在文件夹不可写）："
                                                 "%1\n请在可以写入这个文件夹的账户下打开一次，或请管理员恢复。")
                                 .arg(m_fileName);
        } else {
            result.message = QCoreApplication::translate("SqliteEngine", "图版库不能写入：%1").arg(m_fileName);
            result.kind = LibraryError::Kind::ReadOnly;
        }
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        result.message =
            QCoreApplication::translate("SqliteEngine", "图版库正被其他程序使用（已被锁定），请稍后再试：%1")
                .arg(m_fileName);
        result.kind = LibraryError::Kind::InUse;
        break;
    case SQLITE_CORRUPT:
        result.message = QCoreApplication::translate("SqliteEngine", "图版库文件已损坏，读取失败：%1").arg(m_fileName);
        result.kind = LibraryError::Kind::ReadFailed;
        break;
    case SQLITE_IOERR:
        result.message = QCoreApplication::translate("SqliteEngine", "读写图版库文件时出错：%1").arg(m_fileName);
        result.kind = LibraryError::Kind::ReadFailed;
        break;
    case SQLITE_CANTOPEN:
        if (!statement.isEmpty()) {
            result.message =
                QCoreApplication::translate("SqliteEngine", "图版库文件打不开（它或它所在的文件夹可能不允许访问）：%1")
                    .arg(m_fileName);
        }
        break;
    default:
        break;
    }
    return result;
}
