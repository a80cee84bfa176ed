// SPDX-License-Identifier: GPL-3.0-or-later
#include "Library.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QUrl>

namespace {

const QString connectionPrefix = QStringLiteral("taprell-library-");

ColumnType columnType(const QString &declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QStringLiteral("BOOL")) || t.contains(QStringLiteral("YESNO")) || t == QStringLiteral("BIT")) {
        return ColumnType::YesNo;
    }
    if (t.contains(QStringLiteral("INT"))) {
        return ColumnType::Integer;
    }
    if (t.contains(QStringLiteral("CHAR")) || t.contains(QStringLiteral("CLOB")) ||
        t.contains(QStringLiteral("TEXT")) || t.contains(QStringLiteral("MEMO"))) {
        return ColumnType::Text;
    }
    if (t.contains(QStringLiteral("REAL")) || t.contains(QStringLiteral("FLOA")) ||
        t.contains(QStringLiteral("DOUB")) || t.contains(QStringLiteral("NUM")) || t.contains(QStringLiteral("DEC"))) {
        return ColumnType::Number;
    }
    return ColumnType::Text;
}

bool isReadOnlyError(const QSqlError &error)
{
    // SQLITE_READONLY (8) and its extended codes (8 + n * 256).
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return (ok && (code & 0xff) == 8) || error.databaseText().contains(QStringLiteral("readonly"));
}

} // namespace

int TableInfo::indexOf(QStringView column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

Library::Library()
{
    static int counter = 0;
    m_connectionName = connectionPrefix + QString::number(++counter);
}

Library::~Library()
{
    close();
}

Status Library::open(const QString &fileName, OpenMode mode)
{
    close();
    m_fileName = fileName;
    ++m_generation;

    const QFileInfo info(fileName);
    if (!info.exists()) {
        return LibraryError{QStringLiteral("找不到图版库文件：%1").arg(fileName), {}, {}, {}, 0, false};
    }
    if (!info.isFile()) {
        return LibraryError{QStringLiteral("图版库路径不是文件：%1").arg(fileName), {}, {}, {}, 0, false};
    }
    if (!info.isReadable()) {
        return LibraryError{QStringLiteral("图版库文件不可读（没有读取权限）：%1").arg(fileName), {}, {}, {}, 0, false};
    }

    std::optional<LibraryError> failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        if (mode == OpenMode::ReadOnly) {
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            db.setDatabaseName(fileName);
        } else {
            // mode=rw opens an existing file only: a mistyped path must never leave an empty library behind.
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
            const QString path = QString::fromLatin1(QUrl::toPercentEncoding(info.absoluteFilePath(), "/"));
            db.setDatabaseName(QStringLiteral("file:") + path + QStringLiteral("?mode=rw"));
        }
        if (!db.open()) {
            failure = makeError(QStringLiteral("图版库文件打不开：%1").arg(fileName), db.lastError(), {});
        } else {
            // SQLite reads the header lazily; ask for the schema now so a file that is not a database fails here.
            QSqlQuery probe(db);
            const QString check = QStringLiteral("select count(*) from sqlite_master");
            if (!probe.exec(check)) {
                failure = makeError(QStringLiteral("不是图版库数据库文件：%1").arg(fileName), probe.lastError(), check);
            }
        }
    }
    if (failure) {
        close();
        return *failure;
    }
    return {};
}

void Library::close()
{
    m_prepared.clear();
    m_tables.clear();
    if (QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
        ++m_generation;
    }
}

bool Library::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

int Library::openConnectionCount()
{
    int count = 0;
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (name.startsWith(connectionPrefix) && QSqlDatabase::database(name, false).isOpen()) {
            ++count;
        }
    }
    return count;
}

Status Library::execute(const QString &sql)
{
    if (!isOpen()) {
        return notOpenError(sql);
    }
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(sql)) {
        return makeError(QStringLiteral("语句执行失败。"), query.lastError(), sql);
    }
    return {};
}

Library::SaveResult Library::saveRows(int count, const std::function<bool(int)> &hasWork,
                                      const std::function<Status(int)> &writeRow)
{
    if (!isOpen()) {
        return {0, notOpenError({})};
    }
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.transaction()) {
        return {0, makeError(QStringLiteral("不能开始保存。"), db.lastError(), QStringLiteral("BEGIN"))};
    }
    Status savepointStatus;
    QSqlQuery *savepoint = prepared(QStringLiteral("SAVEPOINT saverow"), &savepointStatus);
    QSqlQuery *release = prepared(QStringLiteral("RELEASE saverow"), &savepointStatus);
    QSqlQuery *rollbackTo = prepared(QStringLiteral("ROLLBACK TO saverow"), &savepointStatus);
    if (!savepointStatus) {
        db.rollback();
        return {0, savepointStatus};
    }

    int done = 0;
    Status failure;
    for (int i = 0; i < count; ++i) {
        if (!hasWork(i)) {
            ++done;
            continue;
        }
        if (!savepoint->exec()) {
            failure = makeError(QStringLiteral("保存失败。"), savepoint->lastError(), QStringLiteral("SAVEPOINT"));
            break;
        }
        Status status = writeRow(i);
        if (!status) {
            rollbackTo->exec();
            release->exec();
            if (status.error().row == 0) {
                status.error().row = i + 1;
            }
            failure = std::move(status);
            break;
        }
        release->exec();
        ++done;
    }
    if (!db.commit()) {
        Status commitError =
            makeError(QStringLiteral("保存没有完成，所有改动都已撤销。"), db.lastError(), QStringLiteral("COMMIT"));
        db.rollback();
        return {0, commitError};
    }
    return {done, failure};
}

const TableInfo *Library::tableInfo(const QString &table)
{
    const QString key = table.toLower();
    if (auto it = m_tables.find(key); it != m_tables.end()) {
        return &it->second;
    }
    if (!isOpen()) {
        return nullptr;
    }
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    QString name = table;
    name.replace(u'\'', QStringLiteral("''"));
    if (!query.exec(QStringLiteral("PRAGMA table_info('%1')").arg(name))) {
        return nullptr;
    }
    TableInfo info;
    info.name = table;
    while (query.next()) {
        info.columns.append(
            {query.value(1).toString(), columnType(query.value(2).toString()), query.value(3).toInt() != 0});
    }
    if (info.columns.isEmpty()) {
        return nullptr;
    }
    return &m_tables.emplace(key, std::move(info)).first->second;
}

QSqlQuery *Library::prepared(const QString &sql, Status *status)
{
    if (!isOpen()) {
        *status = notOpenError(sql);
        return nullptr;
    }
    if (auto it = m_prepared.find(sql); it != m_prepared.end()) {
        return &it->second;
    }
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.prepare(sql)) {
        *status = makeError(QStringLiteral("语句无效。"), query.lastError(), sql);
        return nullptr;
    }
    return &m_prepared.emplace(sql, std::move(query)).first->second;
}

LibraryError Library::makeError(const QString &message, const QSqlError &error, const QString &statement) const
{
    LibraryError result;
    result.message = message;
    result.statement = statement;
    result.engineMessage = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    result.readOnly = isReadOnlyError(error);
    if (result.readOnly) {
        result.message = QStringLiteral("图版库不能写入：%1").arg(m_fileName);
    }
    return result;
}

LibraryError Library::notOpenError(const QString &statement) const
{
    LibraryError result;
    result.message =
        QStringLiteral("图版库没有打开：%1").arg(m_fileName.isEmpty() ? QStringLiteral("（未指定）") : m_fileName);
    result.statement = statement;
    return result;
}
