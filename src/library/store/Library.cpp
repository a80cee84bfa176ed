// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Operation.h>
#include <library/engine/SqliteEngine.h>
#include <library/server/PgDatabase.h>
#include <library/server/ServerEngine.h>
#include <library/store/Library.h>
#include <library/store/Query.h>

#include <QCoreApplication>

namespace {

int openConnections = 0;

} // namespace

Library::Library() = default;

Library::~Library()
{
    close();
}

Status Library::open(const QString &location, OpenMode mode)
{
    // A server connection is costly to make (tens of milliseconds) and every window load opens
    // the library anew: one that still answers is kept, with its prepared statements. Queries
    // read before still count as read under an older opening.
    if (m_engine && m_server && location == m_location && mode == m_mode && !m_inTransaction && !m_engine->isBroken() &&
        m_engine->check()) {
        ++m_generation;
        m_tables.clear();
        return {};
    }
    close();
    m_location = location;
    m_mode = mode;
    m_server = pg::isConnectionString(location);
    m_fileName = m_server ? pg::redacted(location) : location;
    ++m_generation;

    LibraryError error;
    if (m_server) {
        m_engine = ServerEngine::open(location, mode, lockWaitMilliseconds, &error);
    } else {
        m_engine = SqliteEngine::open(location, mode, lockWaitMilliseconds, &error);
    }
    if (!m_engine) {
        return error;
    }
    ++openConnections;
    const std::optional<int> version = m_engine->schemaVersion();
    if (!version) {
        const LibraryError unreadable =
            makeError(QCoreApplication::translate("Library", "读不出图版库的结构版本：%1").arg(m_fileName), {});
        close();
        return unreadable;
    }
    if (*version > schema::currentVersion) {
        close();
        return LibraryError{.message = schema::newerVersionMessage(*version, m_fileName),
                            .kind = LibraryError::Kind::NewerLayout};
    }
    m_schemaVersion = *version;
    return {};
}

void Library::close()
{
    m_prepared.clear();
    m_builtSql.clear();
    m_tables.clear();
    m_shapes.clear();
    m_lastShape = nullptr;
    if (m_engine) {
        m_engine.reset();
        --openConnections;
        ++m_generation;
    }
}

bool Library::isOpen() const
{
    return m_engine != nullptr;
}

int Library::openConnectionCount()
{
    return openConnections;
}

Status Library::execute(const store::Operation &operation)
{
    Status status;
    engine::Statement *statement = prepared(operation, &status);
    if (!statement) {
        return status;
    }
    while (true) {
        const engine::Step step = statement->step();
        if (step == engine::Step::Row) {
            continue;
        }
        if (step == engine::Step::Error) {
            const LibraryError error =
                makeError(QCoreApplication::translate("Library", "语句执行失败。"), operation.notice);
            statement->reset();
            return error;
        }
        break;
    }
    statement->reset();
    return {};
}

Status Library::executeScript(const QString &sql)
{
    if (!isOpen()) {
        return notOpenError(sql);
    }
    if (!m_engine->execute(sql.toUtf8().constData())) {
        return makeError(QCoreApplication::translate("Library", "语句执行失败。"), sql);
    }
    // The tables may have changed.
    m_tables.clear();
    m_prepared.clear();
    m_shapes.clear();
    m_lastShape = nullptr;
    return {};
}

Library::SaveResult Library::saveRows(int count, const std::function<bool(int)> &hasWork,
                                      const std::function<Status(int)> &writeRow, RowWrites writes)
{
    if (!isOpen()) {
        return {0, notOpenError({})};
    }
    // Nothing of a save is kept when the connection to a server goes away during it: the
    // server rolls the transaction back, so every row keeps its mark. (When it goes during the
    // COMMIT the engine asks the server what became of the save; it says when it could not.)
    auto lost = [this] {
        LibraryError error = makeError({}, {});
        error.message =
            QCoreApplication::translate("Library", "与图版库服务器的连接在保存时断开了，这次保存的改动都没有写入，"
                                                   "列表中的标记都还在。请稍后重新载入列表后再保存：%1")
                .arg(m_fileName);
        if (error.kind == LibraryError::Kind::CommitOutcomeUnknown) {
            error.message =
                QCoreApplication::translate("Library", "与图版库服务器的连接在提交保存时断开了，之后又连不上服务器，"
                                                       "无法知道这次保存的改动是否已经写入。列表中的标记都还在；"
                                                       "请重新载入列表，看改动是否已在库中：%1")
                    .arg(m_fileName);
        } else {
            error.kind = LibraryError::Kind::ConnectionLost;
        }
        return SaveResult{0, error};
    };

    // On a file each row runs inside a savepoint, so a failing row is taken back alone. A
    // server spoils the whole transaction at a failed statement, and a savepoint per row would
    // cost two more round trips each; there a failure rolls the save back and the rows before
    // the failing one are written again in a new transaction, which commits them.
    const bool replays = m_engine->failedStatementSpoilsTransaction();
    const bool guarded = writes == RowWrites::Several && !replays;
    int stopAt = count;
    Status failure;
    while (true) {
        if (!m_engine->beginSave()) {
            if (m_engine->isBroken()) {
                return lost();
            }
            return {0, makeError(QCoreApplication::translate("Library", "不能开始保存。"), QStringLiteral("BEGIN"))};
        }
        ++m_transactionSerial;
        m_inTransaction = true;
        struct EndOfTransaction
        {
            bool &flag;
            ~EndOfTransaction() { flag = false; }
        } end{m_inTransaction};
        // A library of an older version is brought up to date by its first save, in the same
        // transaction: the save either finds it upgraded or leaves it as it was.
        const bool upgrades = m_schemaVersion < schema::currentVersion;
        if (upgrades) {
            if (Status upgraded = upgrade(); !upgraded) {
                m_engine->execute("ROLLBACK");
                if (m_engine->isBroken()) {
                    return lost();
                }
                return {0, upgraded};
            }
        }

        int done = 0;
        bool again = false;
        for (int i = 0; i < stopAt; ++i) {
            if (!hasWork(i)) {
                ++done;
                continue;
            }
            if (guarded && !m_engine->execute("SAVEPOINT saverow")) {
                failure = makeError(QCoreApplication::translate("Library", "保存失败。"), QStringLiteral("SAVEPOINT"));
                break;
            }
            Status status = writeRow(i);
            if (!status) {
                if (m_engine->isBroken()) {
                    return lost();
                }
                if (status.error().row == 0) {
                    status.error().row = i + 1;
                }
                failure = std::move(status);
                if (replays) {
                    m_engine->execute("ROLLBACK");
                    if (m_engine->isBroken()) {
                        return lost();
                    }
                    stopAt = i;
                    bool before = false;
                    for (int j = 0; j < i && !before; ++j) {
                        before = hasWork(j);
                    }
                    if (!before) {
                        return {i, failure};
                    }
                    again = true;
                    break;
                }
                if (guarded) {
                    m_engine->execute("ROLLBACK TO saverow");
                    m_engine->execute("RELEASE saverow");
                }
                break;
            }
            if (guarded) {
                m_engine->execute("RELEASE saverow");
            }
            ++done;
        }
        if (again) {
            continue;
        }
        if (m_engine->isBroken()) {
            return lost();
        }
        if (!m_engine->execute("COMMIT")) {
            if (m_engine->isBroken()) {
                return lost();
            }
            const LibraryError commitError = makeError(
                QCoreApplication::translate("Library", "保存没有完成，所有改动都已撤销。"), QStringLiteral("COMMIT"));
            m_engine->execute("ROLLBACK");
            return {0, commitError};
        }
        if (upgrades) {
            m_schemaVersion = schema::currentVersion;
            m_tables.clear();
        }
        if (m_engine->isBroken()) {
            // The connection went during the COMMIT and the server said the save was kept: what
            // follows (a list read anew) goes over a new connection.
            open(m_location, m_mode);
        }
        return {done, failure};
    }
}

Status Library::upgrade()
{
    const schema::Dialect dialect = m_server ? schema::Dialect::Server : schema::Dialect::File;
    for (const QString &statement : schema::upgradeStatements(schema::library(), m_schemaVersion, dialect)) {
        if (!m_engine->execute(statement.toUtf8().constData())) {
            LibraryError error = makeError(
                QCoreApplication::translate(
                    "Library", "图版库的结构需要升级到这个版本的 Taprell 所用的结构（版本 %1），但升级没有成功，"
                               "这次保存什么都没有写入。请让图版库的管理员（表的所有者）用这个版本保存一次：%2")
                    .arg(schema::currentVersion)
                    .arg(m_fileName),
                statement);
            return error;
        }
    }
    return {};
}

Library::ConditionalShape *Library::conditionalShape(const QString &table, const QList<FieldText> &keys,
                                                     const QList<FieldText> &sets, const QList<FieldText> &checks)
{
    const auto sameFields = [](const QStringList &names, qsizetype from, const QList<FieldText> &fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (names[from + i] != fields[i].field) {
                return false;
            }
        }
        return true;
    };
    const auto fits = [&](const ConditionalShape &shape) {
        return shape.table == table && shape.keyCount == keys.size() && shape.setCount == sets.size() &&
               shape.fields.size() == keys.size() + sets.size() + checks.size() && sameFields(shape.fields, 0, keys) &&
               sameFields(shape.fields, keys.size(), sets) &&
               sameFields(shape.fields, keys.size() + sets.size(), checks);
    };
    // A save writes row after row in one shape: that one is tried before any hashing.
    if (m_lastShape && fits(*m_lastShape)) {
        return m_lastShape;
    }
    size_t hash = qHash(table);
    const auto mix = [&hash](const QList<FieldText> &fields) {
        hash = hash * 1000003u ^ size_t(fields.size());
        for (const FieldText &f : fields) {
            hash = hash * 1000003u ^ qHash(f.field);
        }
    };
    mix(keys);
    mix(sets);
    mix(checks);
    std::vector<ConditionalShape> &bucket = m_shapes[hash];
    for (ConditionalShape &shape : bucket) {
        if (fits(shape)) {
            m_lastShape = &shape;
            return &shape;
        }
    }

    const TableInfo *info = tableInfo(table);
    if (!info) {
        return nullptr;
    }
    ConditionalShape shape;
    shape.table = table;
    shape.keyCount = keys.size();
    shape.setCount = sets.size();
    QStringList names; // as the table spells them
    for (const QList<FieldText> *fields : {&keys, &sets, &checks}) {
        for (const FieldText &f : *fields) {
            const int column = info->indexOf(f.field);
            if (column < 0) {
                return nullptr;
            }
            shape.fields << f.field;
            names << info->columns[column].name;
            shape.types << info->columns[column].type;
        }
    }
    // Parameters in the order they are bound: the sets, the keys, the checks, the keys again.
    const engine::Dialect &dialect = m_engine->dialect();
    engine::Sql &sql = shape.sql;
    sql.returnsRows = false;
    auto parameter = [&](qsizetype field) {
        sql.parameterFields << names[field];
        return dialect.parameter(int(sql.parameterFields.size()));
    };
    QStringList assignments;
    for (qsizetype i = keys.size(); i < keys.size() + sets.size(); ++i) {
        assignments << names[i] + u'=' + parameter(i);
    }
    auto keyCondition = [&] {
        QStringList terms;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            terms << names[i] + QStringLiteral(" = ") + parameter(i);
        }
        return terms.join(QStringLiteral(" AND "));
    };
    sql.text = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, assignments.join(u','), keyCondition());
    for (qsizetype i = keys.size() + sets.size(); i < names.size(); ++i) {
        switch (shape.types[i]) {
        case ColumnType::Text:
            // An empty text was read for no value as well as for the empty text.
            sql.text += QStringLiteral(" AND ") + dialect.sameText(names[i], parameter(i));
            break;
        case ColumnType::YesNo:
            sql.text += QStringLiteral(" AND ") + dialect.sameYesNo(names[i], parameter(i));
            break;
        case ColumnType::Integer:
        case ColumnType::Number:
            sql.text += QStringLiteral(" AND ") + dialect.sameValue(names[i], parameter(i));
            break;
        }
    }
    // Never several records at once: a key another program has given a second record is left
    // to the careful way, which tells the records apart. A key with a unique index needs no count.
    shape.uniqueKey = keys.size() == 1 && info->columns[info->indexOf(keys.first().field)].unique;
    if (!shape.uniqueKey) {
        sql.text += QStringLiteral(" AND (SELECT count(*) FROM %1 WHERE %2) = 1").arg(table, keyCondition());
    }
    bucket.push_back(std::move(shape));
    m_lastShape = &bucket.back(); // the bucket may have moved its shapes: this one is current
    return m_lastShape;
}

Library::ConditionalWrite Library::updateIfUnchanged(const QString &table, const QList<FieldText> &keys,
                                                     const QList<FieldText> &sets, const QList<FieldText> &checks,
                                                     Status *status)
{
    if (!isOpen() || keys.isEmpty()) {
        return ConditionalWrite::NotWritten;
    }
    ConditionalShape *shape = conditionalShape(table, keys, sets, checks);
    if (!shape) {
        return ConditionalWrite::NotWritten;
    }
    if (!shape->statement) {
        shape->statement = prepared(shape->sql, status);
    }
    engine::Statement *statement = shape->statement;
    if (!statement) {
        return ConditionalWrite::NotWritten;
    }
    // Values go to the statement straight from their texts, as the columns store them. A text a
    // column cannot take leaves the row to the careful way, which names the field.
    int parameter = 0;
    const auto bindAll = [&](const QList<FieldText> &fields, int firstField) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (!bindColumnText(*statement, parameter++, shape->types[firstField + i], fields[i].text)) {
                return false;
            }
        }
        return true;
    };
    bool bound = bindAll(sets, int(keys.size())) && bindAll(keys, 0);
    int field = int(keys.size() + sets.size());
    for (qsizetype i = 0; bound && i < checks.size(); ++i, ++field) {
        const ColumnType type = shape->types[field];
        const QString &text = checks[i].text;
        if (type != ColumnType::Text && text.isEmpty()) {
            statement->bindNull(parameter++);
        } else {
            bound = bindColumnText(*statement, parameter++, type, text);
        }
    }
    bound = bound && (shape->uniqueKey || bindAll(keys, 0));
    if (!bound) {
        statement->reset();
        return ConditionalWrite::NotWritten;
    }
    if (statement->step() == engine::Step::Error) {
        *status = makeError(QCoreApplication::translate("Library", "记录写入失败。"), shape->sql.text);
        statement->reset();
        return ConditionalWrite::NotWritten;
    }
    statement->reset();
    return statement->changes() == 1 ? ConditionalWrite::Written : ConditionalWrite::NotWritten;
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
    std::optional<QList<TableColumn>> columns = m_engine->tableColumns(table);
    if (!columns) {
        return nullptr;
    }
    return &m_tables.emplace(key, TableInfo{table, std::move(*columns)}).first->second;
}

engine::Statement *Library::prepared(const engine::Sql &sql, Status *status)
{
    if (!isOpen()) {
        *status = notOpenError(sql.text);
        return nullptr;
    }
    if (auto it = m_prepared.find(sql.text); it != m_prepared.end()) {
        it->second->reset();
        return it->second.get();
    }
    std::unique_ptr<engine::Statement> statement = m_engine->prepare(sql);
    if (!statement) {
        *status = makeError(QCoreApplication::translate("Library", "语句无效。"), sql.text);
        return nullptr;
    }
    return m_prepared.emplace(sql.text, std::move(statement)).first->second.get();
}

engine::Statement *Library::prepared(const QString &key, const std::function<engine::Sql()> &build, Status *status)
{
    auto it = m_builtSql.find(key);
    if (it == m_builtSql.end()) {
        it = m_builtSql.emplace(key, build()).first;
    }
    return prepared(it->second, status);
}

engine::Statement *Library::prepared(const store::Operation &operation, Status *status)
{
    if (!isOpen()) {
        *status = notOpenError(operation.notice);
        return nullptr;
    }
    QVariantList values;
    const engine::Sql sql = store::render(operation, tableInfo(operation.table), m_engine->dialect(), &values);
    engine::Statement *statement = prepared(sql, status);
    if (!statement) {
        status->error().statement = operation.notice;
        return nullptr;
    }
    for (int i = 0; i < values.size(); ++i) {
        statement->bind(i, values[i]);
    }
    return statement;
}

LibraryError Library::makeError(const QString &message, const QString &statement) const
{
    return m_engine ? m_engine->error(message, statement) : notOpenError(statement);
}

LibraryError Library::notOpenError(const QString &statement) const
{
    LibraryError result;
    result.message = QCoreApplication::translate("Library", "图版库没有打开：%1")
                         .arg(m_fileName.isEmpty() ? QCoreApplication::translate("Library", "（未指定）") : m_fileName);
    result.statement = statement;
    return result;
}
