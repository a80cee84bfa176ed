// SPDX-License-Identifier: GPL-3.0-or-later
#include "Library.h"

#include "Query.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

namespace {

int openConnections = 0;

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

} // namespace

int TableInfo::indexOf(QStringView column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name == column) {
            return i;
        }
    }
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

Library::Library() = default;

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
        LibraryError error;
        error.message = QStringLiteral("找不到图版库文件：%1").arg(fileName);
        return error;
    }
    if (!info.isFile()) {
        LibraryError error;
        error.message = QStringLiteral("图版库路径不是文件：%1").arg(fileName);
        return error;
    }
    if (!info.isReadable()) {
        LibraryError error;
        error.message = QStringLiteral("图版库文件不可读（没有读取权限）：%1").arg(fileName);
        return error;
    }

    const auto access =
        mode == OpenMode::ReadOnly ? sqlite::Connection::Access::ReadOnly : sqlite::Connection::Access::ReadWrite;
    if (const int rc = m_db.open(fileName, access); rc != SQLITE_OK) {
        return openError(QStringLiteral("图版库文件打不开：%1").arg(fileName), rc, {});
    }
    ++openConnections;
    m_db.setBusyTimeout(lockWaitMilliseconds);
    // SQLite reads the header lazily; ask for the schema now so a file that is not a database
    // (or one locked or left half-written by another program) fails here.
    const QString check = QStringLiteral("select count(*) from sqlite_master");
    if (const int rc = m_db.execute("select count(*) from sqlite_master"); rc != SQLITE_OK) {
        const LibraryError error =
            openError(QStringLiteral("不是图版库数据库文件：%1").arg(fileName), m_db.extendedErrorCode(), check);
        close();
        return error;
    }
    return {};
}

void Library::close()
{
    m_prepared.clear();
    m_builtSql.clear();
    m_tables.clear();
    if (m_db.isOpen()) {
        m_db.close();
        --openConnections;
        ++m_generation;
    }
}

bool Library::isOpen() const
{
    return m_db.isOpen();
}

int Library::openConnectionCount()
{
    return openConnections;
}

Status Library::run(const char *sql)
{
    if (m_db.execute(sql) != SQLITE_OK) {
        return makeError(QStringLiteral("语句执行失败。"), QString::fromLatin1(sql));
    }
    return {};
}

Status Library::execute(const QString &sql)
{
    if (!isOpen()) {
        return notOpenError(sql);
    }
    Status status;
    sqlite::Statement *statement = preparedStatement(sql, &status);
    if (!statement) {
        return status;
    }
    while (true) {
        const sqlite::Step step = statement->step();
        if (step == sqlite::Step::Row) {
            continue;
        }
        if (step == sqlite::Step::Error) {
            const LibraryError error = makeError(QStringLiteral("语句执行失败。"), sql);
            statement->reset();
            return error;
        }
        break;
    }
    statement->reset();
    return {};
}

Library::SaveResult Library::saveRows(int count, const std::function<bool(int)> &hasWork,
                                      const std::function<Status(int)> &writeRow, RowWrites writes)
{
    if (!isOpen()) {
        return {0, notOpenError({})};
    }
    // IMMEDIATE takes the write lock now, waiting a bounded time for another writer. A deferred
    // transaction would only ask for it at the first write, and a reader that cannot get it
    // then is refused at once, halfway through the save.
    if (m_db.execute("BEGIN IMMEDIATE") != SQLITE_OK) {
        return {0, makeError(QStringLiteral("不能开始保存。"), QStringLiteral("BEGIN IMMEDIATE"))};
    }
    ++m_transactionSerial;
    m_inTransaction = true;
    struct EndOfTransaction
    {
        bool &flag;
        ~EndOfTransaction() { flag = false; }
    } end{m_inTransaction};

    int done = 0;
    Status failure;
    const bool guarded = writes == RowWrites::Several;
    for (int i = 0; i < count; ++i) {
        if (!hasWork(i)) {
            ++done;
            continue;
        }
        if (guarded && m_db.execute("SAVEPOINT saverow") != SQLITE_OK) {
            failure = makeError(QStringLiteral("保存失败。"), QStringLiteral("SAVEPOINT"));
            break;
        }
        Status status = writeRow(i);
        if (!status) {
            if (guarded) {
                m_db.execute("ROLLBACK TO saverow");
                m_db.execute("RELEASE saverow");
            }
            if (status.error().row == 0) {
                status.error().row = i + 1;
            }
            failure = std::move(status);
            break;
        }
        if (guarded) {
            m_db.execute("RELEASE saverow");
        }
        ++done;
    }
    if (m_db.execute("COMMIT") != SQLITE_OK) {
        const LibraryError commitError =
            makeError(QStringLiteral("保存没有完成，所有改动都已撤销。"), QStringLiteral("COMMIT"));
        m_db.execute("ROLLBACK");
        return {0, commitError};
    }
    return {done, failure};
}

Library::ConditionalWrite Library::updateIfUnchanged(const QString &table, const QList<FieldText> &keys,
                                                     const QList<FieldText> &sets, const QList<FieldText> &checks,
                                                     Status *status)
{
    const TableInfo *info = tableInfo(table);
    if (!info || keys.isEmpty()) {
        return ConditionalWrite::NotWritten;
    }
    QVariantList values;
    QVariantList keyValues;
    QString key = table + u'!';
    QString problem;
    for (const FieldText &k : keys) {
        const int column = info->indexOf(k.field);
        QVariant value;
        if (column < 0 || !textToColumnValue(info->columns[column].type, k.text, &value, &problem)) {
            return ConditionalWrite::NotWritten;
        }
        keyValues.append(value);
        key += info->columns[column].name + u',';
    }
    key += u'=';
    for (const FieldText &set : sets) {
        const int column = info->indexOf(set.field);
        QVariant value;
        if (column < 0 || !textToColumnValue(info->columns[column].type, set.text, &value, &problem)) {
            return ConditionalWrite::NotWritten;
        }
        values.append(value);
        key += u',' + info->columns[column].name;
    }
    values.append(keyValues);
    key += u'|';
    for (const FieldText &check : checks) {
        const int column = info->indexOf(check.field);
        if (column < 0) {
            return ConditionalWrite::NotWritten;
        }
        const ColumnType type = info->columns[column].type;
        QVariant value;
        if (type == ColumnType::Text) {
            value = check.text.isNull() ? QStringLiteral("") : check.text;
        } else if (!check.text.isEmpty() && !textToColumnValue(type, check.text, &value, &problem)) {
            return ConditionalWrite::NotWritten;
        }
        values.append(value);
        key += u',' + info->columns[column].name;
    }
    values.append(keyValues);
    const auto build = [&] {
        QStringList keyTerms;
        for (const FieldText &k : keys) {
            keyTerms << info->columns[info->indexOf(k.field)].name + QStringLiteral(" = ?");
        }
        const QString where = keyTerms.join(QStringLiteral(" AND "));
        QStringList assignments;
        for (const FieldText &set : sets) {
            assignments << info->columns[info->indexOf(set.field)].name + QStringLiteral("=?");
        }
        QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, assignments.join(u','), where);
        for (const FieldText &check : checks) {
            const TableColumn &column = info->columns[info->indexOf(check.field)];
            switch (column.type) {
            case ColumnType::Text:
                // An empty text was read for no value as well as for the empty text.
                sql += QStringLiteral(" AND coalesce(%1, '') = ? COLLATE BINARY").arg(column.name);
                break;
            case ColumnType::YesNo:
                sql += QStringLiteral(" AND (%1 <> 0) IS ?").arg(column.name);
                break;
            case ColumnType::Integer:
            case ColumnType::Number:
                sql += QStringLiteral(" AND %1 IS ?").arg(column.name);
                break;
            }
        }
        // Never several records at once: a key another program has given a second record is
        // left to the careful way, which tells the records apart.
        return sql + QStringLiteral(" AND (SELECT count(*) FROM %1 WHERE %2) = 1").arg(table, where);
    };
    sqlite::Statement *statement = prepared(key, build, status);
    if (!statement) {
        return ConditionalWrite::NotWritten;
    }
    for (int i = 0; i < values.size(); ++i) {
        statement->bind(i, values[i]);
    }
    if (statement->step() == sqlite::Step::Error) {
        *status = makeError(QStringLiteral("记录写入失败。"), build());
        statement->reset();
        return ConditionalWrite::NotWritten;
    }
    statement->reset();
    return m_db.changes() == 1 ? ConditionalWrite::Written : ConditionalWrite::NotWritten;
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
    QString name = table;
    name.replace(u'\'', QStringLiteral("''"));
    sqlite::Statement query;
    if (query.prepare(m_db, QStringLiteral("PRAGMA table_info('%1')").arg(name)) != SQLITE_OK) {
        return nullptr;
    }
    TableInfo info;
    info.name = table;
    sqlite::Step step;
    while ((step = query.step()) == sqlite::Step::Row) {
        info.columns.append({query.text(1), columnType(query.text(2)), query.int64(3) != 0});
    }
    if (step == sqlite::Step::Error) {
        return nullptr;
    }
    if (info.columns.isEmpty()) {
        return nullptr;
    }
    return &m_tables.emplace(key, std::move(info)).first->second;
}

sqlite::Statement *Library::prepared(const QString &sql, Status *status)
{
    if (!isOpen()) {
        *status = notOpenError(sql);
        return nullptr;
    }
    if (auto it = m_prepared.find(sql); it != m_prepared.end()) {
        it->second.reset();
        return &it->second;
    }
    sqlite::Statement statement;
    if (statement.prepare(m_db, sql) != SQLITE_OK) {
        *status = makeError(QStringLiteral("语句无效。"), sql);
        return nullptr;
    }
    return &m_prepared.emplace(sql, std::move(statement)).first->second;
}

sqlite::Statement *Library::prepared(const QString &key, const std::function<QString()> &build, Status *status)
{
    auto it = m_builtSql.find(key);
    if (it == m_builtSql.end()) {
        it = m_builtSql.emplace(key, build()).first;
    }
    return prepared(it->second, status);
}

sqlite::Statement *Library::preparedStatement(const QString &sql, Status *status)
{
    static const QRegularExpression dml(QStringLiteral("^\\s*(select|insert|update|delete)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    QVariantList values;
    // Statements with comments, quoted names or parameters of their own are run as written.
    const bool parameters = dml.match(sql).hasMatch() && !sql.contains(u'"') && !sql.contains(u'?') &&
                            !sql.contains(QStringLiteral("--")) && !sql.contains(QStringLiteral("/*"));
    sqlite::Statement *statement = prepared(parameters ? withParameters(sql, &values) : sql, status);
    if (!statement) {
        if (!status->ok()) {
            status->error().statement = sql;
        }
        return nullptr;
    }
    for (int i = 0; i < values.size(); ++i) {
        statement->bind(i, values[i]);
    }
    return statement;
}

QString Library::withParameters(const QString &sql, QVariantList *values)
{
    auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    QString shape;
    shape.reserve(sql.size());
    const qsizetype n = sql.size();
    bool afterComparison = false;
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == u'\'') {
            QString text;
            qsizetype j = i + 1;
            bool closed = false;
            while (j < n) {
                if (sql[j] == u'\'') {
                    if (j + 1 < n && sql[j + 1] == u'\'') {
                        text += u'\'';
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                text += sql[j++];
            }
            if (!closed) { // leave a broken statement as it is, for the engine to report
                shape += sql.mid(i);
                break;
            }
            values->append(text);
            shape += u'?';
            i = j;
            afterComparison = false;
            continue;
        }
        const bool signedNumber = (c == u'-' || c == u'+') && i + 1 < n && isDigit(sql[i + 1]);
        if (afterComparison && (isDigit(c) || signedNumber) && (i == 0 || !isWordChar(sql[i - 1]))) {
            qsizetype j = signedNumber ? i + 1 : i;
            bool fraction = false;
            while (j < n && isDigit(sql[j])) {
                ++j;
            }
            if (j < n && sql[j] == u'.') {
                fraction = true;
                ++j;
                while (j < n && isDigit(sql[j])) {
                    ++j;
                }
            }
            if (j < n && (sql[j] == u'e' || sql[j] == u'E')) {
                qsizetype k = j + 1;
                if (k < n && (sql[k] == u'+' || sql[k] == u'-')) {
                    ++k;
                }
                if (k < n && isDigit(sql[k])) {
                    fraction = true;
                    j = k;
                    while (j < n && isDigit(sql[j])) {
                        ++j;
                    }
                }
            }
            if (j >= n || !isWordChar(sql[j])) {
                const QString number = sql.mid(i, j - i);
                bool ok = false;
                const qlonglong whole = fraction ? 0 : number.toLongLong(&ok);
                values->append(ok ? QVariant(whole) : QVariant(number.toDouble()));
                shape += u'?';
                i = j;
                afterComparison = false;
                continue;
            }
        }
        if (c == u'=' || c == u'<' || c == u'>') {
            afterComparison = true;
        } else if (!c.isSpace() && c != u'!') {
            afterComparison = false;
        }
        shape += c;
        ++i;
    }
    return shape;
}

LibraryError Library::makeError(const QString &message, const QString &statement) const
{
    return errorFor(message, m_db.extendedErrorCode(), m_db.errorMessage(), statement);
}

LibraryError Library::openError(const QString &message, int code, const QString &statement) const
{
    return errorFor(message, code, m_db.errorMessage(), statement);
}

LibraryError Library::errorFor(const QString &message, int code, const QString &engineMessage,
                               const QString &statement) const
{
    LibraryError result;
    result.message = message;
    result.statement = statement;
    result.engineMessage = engineMessage;
    switch (code & 0xff) {
    case SQLITE_READONLY:
        if (code == SQLITE_READONLY_ROLLBACK || code == SQLITE_READONLY_RECOVERY) {
            // A save of another program broke off and left its journal; only a connection that
            // may write beside the file can roll it back.
            result.message = QStringLiteral("图版库上次的写入没有完成，在这里无法恢复（文件或所在文件夹不可写）："
                                            "%1\n请在可以写入这个文件夹的账户下打开一次，或请管理员恢复。")
                                 .arg(m_fileName);
        } else {
            result.message = QStringLiteral("图版库不能写入：%1").arg(m_fileName);
            result.readOnly = true;
        }
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        result.message = QStringLiteral("图版库正被其他程序使用（已被锁定），请稍后再试：%1").arg(m_fileName);
        result.inUse = true;
        break;
    case SQLITE_CORRUPT:
        result.message = QStringLiteral("图版库文件已损坏，读取失败：%1").arg(m_fileName);
        result.readFailed = true;
        break;
    case SQLITE_IOERR:
        result.message = QStringLiteral("读写图版库文件时出错：%1").arg(m_fileName);
        result.readFailed = true;
        break;
    case SQLITE_CANTOPEN:
        if (!statement.isEmpty()) {
            result.message = QStringLiteral("图版库文件打不开（它或它所在的文件夹可能不允许访问）：%1").arg(m_fileName);
        }
        break;
    default:
        break;
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
