// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/TableInfo.h>
#include <library/server/ServerEngine.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>

namespace {

// Type numbers of the built-in types the schema uses (pg_type.h).
constexpr unsigned boolOid = 16;
constexpr unsigned int8Oid = 20;
constexpr unsigned int2Oid = 21;
constexpr unsigned int4Oid = 23;
constexpr unsigned float4Oid = 700;
constexpr unsigned float8Oid = 701;
constexpr unsigned numericOid = 1700;

// The transaction-scoped lock every save takes first: saves on one server library run one at a
// time, as saves on a file do, so a save's reads (the next free number) hold until its writes.
// With it the transaction's id, to ask after a COMMIT whose answer was lost.
constexpr const char *saveLock = "SELECT txid_current(), pg_advisory_xact_lock(5461707265)";

class ServerStatement final : public engine::Statement
{
public:
    ServerStatement(ServerEngine &engine, pg::Statement statement, bool returnsRows)
        : m_engine(engine)
        , m_statement(std::move(statement))
        , m_returnsRows(returnsRows)
    {
    }

    void bind(int index, const QVariant &value) override { m_statement.bind(index, value); }
    void bindNull(int index) override { m_statement.bindNull(index); }
    void bind(int index, qint64 value) override { m_statement.bind(index, value); }
    void bind(int index, double value) override { m_statement.bind(index, value); }
    void bind(int index, QStringView text) override { m_statement.bind(index, text); }

    engine::Step step() override
    {
        if (!m_run) {
            m_run = true;
            const pg::Status status = m_statement.execute(pg::Fetch::AllAtOnce);
            if (!status) {
                m_engine.failed(status);
                return engine::Step::Error;
            }
            m_kinds.clear();
            for (int c = 0; c < m_statement.columnCount(); ++c) {
                m_kinds.append(kindOf(m_statement.columnTypeOid(c)));
            }
            if (!m_returnsRows) {
                // An INSERT hands back the identity it gave (ServerDialect::returningIdentity).
                m_changes = m_statement.affectedRows();
                m_insertedRowId = m_statement.step() == pg::Step::Row ? m_statement.int64(0) : 0;
                return engine::Step::Done;
            }
        }
        if (!m_returnsRows) {
            return engine::Step::Done;
        }
        return m_statement.step() == pg::Step::Row ? engine::Step::Row : engine::Step::Done;
    }

    void reset() override
    {
        m_statement.reset();
        m_run = false;
    }

    int columnCount() const override { return m_statement.columnCount(); }
    QString columnName(int column) const override { return ServerEngine::fileSpelling(m_statement.columnName(column)); }
    engine::ValueKind kind(int column) const override
    {
        if (m_statement.isNull(column)) {
            return engine::ValueKind::Null;
        }
        if (column < m_kinds.size()) {
            return m_kinds[column];
        }
        return kindOf(m_statement.columnTypeOid(column));
    }
    bool plainNumberText(int column, QByteArrayView *text) const override
    {
        if (column >= m_kinds.size() ||
            m_kinds[column] != engine::ValueKind::Real && m_kinds[column] != engine::ValueKind::Integer) {
            return false;
        }
        const QByteArrayView view = m_statement.utf8View(column);
        if (view.isEmpty() || view == "-0") {
            return false;
        }
        for (char c : view) {
            if (!(c >= '0' && c <= '9') && c != '.' && c != '-') {
                return false;
            }
        }
        *text = view;
        return true;
    }
    static engine::ValueKind kindOf(unsigned oid)
    {
        switch (oid) {
        case boolOid:
            return engine::ValueKind::Boolean;
        case int8Oid:
        case int2Oid:
        case int4Oid:
            return engine::ValueKind::Integer;
        case float4Oid:
        case float8Oid:
        case numericOid:
            return engine::ValueKind::Real;
        default:
            return engine::ValueKind::Text;
        }
    }
    qint64 int64(int column) const override
    {
        return m_statement.columnTypeOid(column) == boolOid ? qint64(m_statement.boolean(column))
                                                            : m_statement.int64(column);
    }
    double real(int column) const override
    {
        return m_statement.columnTypeOid(column) == boolOid ? double(m_statement.boolean(column))
                                                            : m_statement.real(column);
    }
    QByteArrayView utf8(int column) const override { return m_statement.utf8View(column); }
    QString text(int column) const override { return m_statement.text(column); }
    QVariant value(int column) const override { return m_statement.value(column); }
    qint64 changes() const override { return m_changes; }
    qint64 insertedRowId() const override { return m_insertedRowId; }

private:
    ServerEngine &m_engine;
    pg::Statement m_statement;
    bool m_returnsRows;
    QList<engine::ValueKind> m_kinds;
    bool m_run = false;
    qint64 m_changes = 0;
    qint64 m_insertedRowId = 0;
};

} // namespace

QString ServerEngine::fileSpelling(const QString &name)
{
    return schema::spelling(name);
}

std::unique_ptr<ServerEngine> ServerEngine::open(const QString &conninfo, OpenMode mode, int lockWaitMilliseconds,
                                                 LibraryError *error)
{
    auto engine = std::unique_ptr<ServerEngine>(new ServerEngine);
    engine->m_conninfo = conninfo;
    if (const pg::Status status = engine->m_db.open(conninfo); !status) {
        error->message =
            QCoreApplication::translate("ServerEngine", "连不上图版库服务器：%1").arg(pg::redacted(conninfo));
        error->engineMessage = status.error().serverMessage;
        error->kind = LibraryError::Kind::ConnectionLost;
        return nullptr;
    }
    // A lock held by someone else is waited for as long as on a file, then reported as in use.
    QByteArray settings = "SET lock_timeout = " + QByteArray::number(lockWaitMilliseconds);
    if (mode == OpenMode::ReadOnly) {
        settings += "; SET default_transaction_read_only = on";
    }
    if (!engine->execute(settings.constData()) || !engine->check()) {
        *error = engine->error(
            QCoreApplication::translate("ServerEngine", "连不上图版库服务器：%1").arg(engine->location()), {});
        return nullptr;
    }
    return engine;
}

bool ServerEngine::check()
{
    return execute("SELECT 1");
}

bool ServerEngine::isBroken() const
{
    return !m_db.isOpen() || m_lastError.connectionLost;
}

namespace {

class ServerDialect final : public engine::Dialect
{
public:
    QString parameter(int number) const override { return u'$' + QString::number(number); }
    QString returningIdentity() const override { return QStringLiteral(" RETURNING rowid"); }
    // The columns that hold numbers hold nothing else on a server.
    QString holdsNumber(const QString &column) const override { return column + QStringLiteral(" IS NOT NULL"); }
    QString sameValue(const QString &column, const QString &parameter) const override
    {
        return column + QStringLiteral(" IS NOT DISTINCT FROM ") + parameter;
    }
    QString sameYesNo(const QString &column, const QString &parameter) const override
    {
        return column + QStringLiteral(" IS NOT DISTINCT FROM ") + parameter;
    }
    // As text: a figure number's own type would compare without regard to case.
    QString sameText(const QString &column, const QString &parameter) const override
    {
        return QStringLiteral("coalesce(%1::text, '') = %2").arg(column, parameter);
    }
};

} // namespace

const engine::Dialect &ServerEngine::dialect() const
{
    static const ServerDialect server;
    return server;
}

std::unique_ptr<engine::Statement> ServerEngine::prepare(const engine::Sql &sql)
{
    pg::Statement statement;
    if (const pg::Status status = statement.prepare(m_db, sql.text); !status) {
        failed(status);
        return nullptr;
    }
    statement.setParameterFields(sql.parameterFields);
    return std::make_unique<ServerStatement>(*this, std::move(statement), sql.returnsRows);
}

void ServerEngine::failed(const pg::Status &status)
{
    if (status.ok()) {
        m_lastError = {};
        return;
    }
    if (status.error().sqlState == QStringLiteral("25P02") && m_spoiledBy) { // in_failed_sql_transaction
        m_lastError = *m_spoiledBy;
        return;
    }
    m_lastError = status.error();
    if (!m_spoiledBy && m_db.transactionFailed()) {
        m_spoiledBy = m_lastError;
    }
}

bool ServerEngine::execute(const char *sql)
{
    if (qstrcmp(sql, "COMMIT") == 0 && !m_saveTransaction.isEmpty()) {
        return commitSave();
    }
    if (!m_db.inTransaction()) {
        m_spoiledBy.reset();
    }
    const pg::Status status = m_db.execute(QString::fromUtf8(sql));
    failed(status);
    if (!m_db.inTransaction()) {
        m_spoiledBy.reset();
    }
    return status.ok();
}

bool ServerEngine::commitSave()
{
    const QByteArray transaction = std::exchange(m_saveTransaction, {});
    const pg::Status status = m_db.execute(QStringLiteral("COMMIT"));
    failed(status);
    m_spoiledBy.reset();
    if (status || !status.error().connectionLost) {
        return status.ok();
    }
    // The connection stays lost (isBroken()): the next opening connects again.
    switch (pg::outcomeOfLostCommit(m_conninfo, transaction.toLongLong())) {
    case pg::CommitOutcome::Committed:
        return true;
    case pg::CommitOutcome::RolledBack:
        return false;
    case pg::CommitOutcome::Unknown:
        m_commitOutcomeUnknown = true;
        return false;
    }
    return false;
}

bool ServerEngine::beginSave()
{
    m_commitOutcomeUnknown = false;
    m_saveTransaction.clear();
    if (!execute("BEGIN")) {
        return false;
    }
    if (const pg::Status locked = m_db.execute(QString::fromLatin1(saveLock), &m_saveTransaction); !locked) {
        failed(locked);
        const pg::Error lockFailure = m_lastError;
        execute("ROLLBACK");
        m_lastError = lockFailure;
        return false;
    }
    return true;
}

std::optional<int> ServerEngine::schemaVersion()
{
    // A library made before versions were recorded has no taprell_meta: version 1.
    pg::Statement query;
    pg::Status status = query.prepare(m_db, QStringLiteral("SELECT to_regclass('taprell_meta') IS NOT NULL"));
    if (status) {
        status = query.execute();
    }
    if (!status || query.step() != pg::Step::Row) {
        failed(status);
        return std::nullopt;
    }
    if (!query.boolean(0)) {
        return 1;
    }
    pg::Statement version;
    status = version.prepare(m_db, QStringLiteral("SELECT value FROM taprell_meta WHERE name = 'schema_version'"));
    if (status) {
        status = version.execute();
    }
    if (!status) {
        failed(status);
        return std::nullopt;
    }
    return version.step() == pg::Step::Row ? std::max(1, version.text(0).toInt()) : 1;
}

std::optional<QList<TableColumn>> ServerEngine::tableColumns(const QString &table)
{
    pg::Statement query;
    // The catalogue itself: the information_schema views are slow to ask.
    pg::Status status =
        query.prepare(m_db, QStringLiteral("SELECT attname, format_type(atttypid, atttypmod), attnotnull "
                                           "FROM pg_attribute "
                                           "WHERE attrelid = to_regclass($1) AND attnum > 0 "
                                           "AND NOT attisdropped ORDER BY attnum"));
    if (status) {
        query.bind(0, QStringView(table));
        status = query.execute();
    }
    if (!status) {
        failed(status);
        return std::nullopt;
    }
    QList<TableColumn> columns;
    while (query.step() == pg::Step::Row) {
        const QString name = query.text(0);
        if (name == QStringLiteral("rowid")) { // the row identity, the file's implicit rowid
            continue;
        }
        columns.append({fileSpelling(name), columnTypeOf(query.text(1)), query.boolean(2)});
    }
    if (columns.isEmpty()) {
        return std::nullopt;
    }
    // A server library is made from the table description, which says which columns are unique.
    if (const schema::Table *described = schema::library().table(table)) {
        for (TableColumn &c : columns) {
            const int i = described->indexOf(c.name);
            c.unique = i >= 0 && described->columns[i].unique;
        }
    }
    return columns;
}

LibraryError ServerEngine::error(const QString &message, const QString &statement) const
{
    LibraryError result;
    result.message = message;
    result.statement = statement;
    result.engineMessage = m_lastError.serverMessage;
    const QString server = location();
    const QString &state = m_lastError.sqlState;
    if (isBroken() || state.startsWith(QStringLiteral("08")) || state == QStringLiteral("57P01")) {
        result.message = QCoreApplication::translate("ServerEngine", "与图版库服务器的连接断开了：%1").arg(server);
        result.kind =
            m_commitOutcomeUnknown ? LibraryError::Kind::CommitOutcomeUnknown : LibraryError::Kind::ConnectionLost;
    } else if (state == QStringLiteral("22021") && !m_lastError.field.isEmpty()) {
        // A text the server cannot hold, refused before it was sent.
        result.field = fileSpelling(m_lastError.field.toLower());
        result.message =
            QCoreApplication::translate(
                "ServerEngine", "字段 %1 的文字中有空字符（NUL），图版库服务器不能保存这样的文字，这一行没有写入。")
                .arg(result.field);
    } else if (state == QStringLiteral("55P03") || state == QStringLiteral("40P01") ||
               state == QStringLiteral("40001")) {
        result.message =
            QCoreApplication::translate("ServerEngine", "图版库正被其他程序使用（已被锁定），请稍后再试：%1")
                .arg(server);
        result.kind = LibraryError::Kind::InUse;
    } else if (state == QStringLiteral("25006") || state == QStringLiteral("42501")) {
        // Why, in a few words and in the server's own (its first line).
        const QString why = state == QStringLiteral("42501")
                                ? QCoreApplication::translate("ServerEngine", "没有写入的权限")
                                : QCoreApplication::translate("ServerEngine", "连接是只读的");
        result.message = QCoreApplication::translate("ServerEngine", "图版库服务器拒绝写入，%1（%2）：%3")
                             .arg(why, m_lastError.serverMessage.section(u'\n', 0, 0), server);
        result.kind = LibraryError::Kind::WriteRefused;
    } else if (state.startsWith(QStringLiteral("XX")) || state.startsWith(QStringLiteral("58"))) {
        result.message = QCoreApplication::translate("ServerEngine", "读取图版库服务器上的数据时出错：%1").arg(server);
        result.kind = LibraryError::Kind::ReadFailed;
    }
    return result;
}
