// SPDX-License-Identifier: GPL-3.0-or-later
#include "Library.h"

#include <QFileInfo>
#include <QRegularExpression>
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
    m_builtSql.clear();
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
    Status status;
    QSqlQuery *query = preparedStatement(sql, &status);
    if (!query) {
        return status;
    }
    const bool ok = query->exec();
    const QSqlError error = query->lastError();
    query->finish();
    if (!ok) {
        return makeError(QStringLiteral("语句执行失败。"), error, sql);
    }
    return {};
}

Library::SaveResult Library::saveRows(int count, const std::function<bool(int)> &hasWork,
                                      const std::function<Status(int)> &writeRow, RowWrites writes)
{
    if (!isOpen()) {
        return {0, notOpenError({})};
    }
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.transaction()) {
        return {0, makeError(QStringLiteral("不能开始保存。"), db.lastError(), QStringLiteral("BEGIN"))};
    }
    ++m_transactionSerial;
    m_inTransaction = true;
    struct EndOfTransaction
    {
        bool &flag;
        ~EndOfTransaction() { flag = false; }
    } end{m_inTransaction};
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
        const bool guarded = writes == RowWrites::Several;
        if (guarded && !savepoint->exec()) {
            failure = makeError(QStringLiteral("保存失败。"), savepoint->lastError(), QStringLiteral("SAVEPOINT"));
            break;
        }
        Status status = writeRow(i);
        if (!status) {
            if (guarded) {
                rollbackTo->exec();
                release->exec();
            }
            if (status.error().row == 0) {
                status.error().row = i + 1;
            }
            failure = std::move(status);
            break;
        }
        if (guarded) {
            release->exec();
        }
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
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        *status = makeError(QStringLiteral("语句无效。"), query.lastError(), sql);
        return nullptr;
    }
    return &m_prepared.emplace(sql, std::move(query)).first->second;
}

QSqlQuery *Library::prepared(const QString &key, const std::function<QString()> &build, Status *status)
{
    auto it = m_builtSql.find(key);
    if (it == m_builtSql.end()) {
        it = m_builtSql.emplace(key, build()).first;
    }
    return prepared(it->second, status);
}

QSqlQuery *Library::preparedStatement(const QString &sql, Status *status)
{
    static const QRegularExpression dml(QStringLiteral("^\\s*(select|insert|update|delete)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    QVariantList values;
    // Statements with comments, quoted names or parameters of their own are run as written.
    const bool parameters = dml.match(sql).hasMatch() && !sql.contains(u'"') && !sql.contains(u'?') &&
                            !sql.contains(QStringLiteral("--")) && !sql.contains(QStringLiteral("/*"));
    QSqlQuery *query = prepared(parameters ? withParameters(sql, &values) : sql, status);
    if (!query) {
        if (!status->ok()) {
            status->error().statement = sql;
        }
        return nullptr;
    }
    for (int i = 0; i < values.size(); ++i) {
        query->bindValue(i, values[i]);
    }
    return query;
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
