// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/server/LibPq.h>
#include <library/server/PgDatabase.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace pg {

// The connection, shared by the Connection that opened it and the guards working on it;
// statements only look at it, so closing the connection ends it for them.
struct Session
{
    PGconn *conn = nullptr;
    QList<QByteArray> secrets; // texts taken out of every message
    int statementSerial = 0;
    int savepointDepth = 0;

    ~Session()
    {
        if (conn) {
            libpq.PQfinish(conn);
        }
    }

    QString scrub(QString text) const
    {
        for (const QByteArray &secret : secrets) {
            text.replace(QString::fromUtf8(secret), QStringLiteral("********"));
        }
        return text.trimmed();
    }

    Error error(const QString &message, const PGresult *result) const
    {
        Error e;
        e.message = message;
        if (result && libpq.PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) {
            e.sqlState = QString::fromUtf8(libpq.PQresultErrorField(result, PG_DIAG_SQLSTATE));
            QString words = QString::fromUtf8(libpq.PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
            if (const char *detail = libpq.PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL)) {
                words += u'\n' + QString::fromUtf8(detail);
            }
            if (const char *hint = libpq.PQresultErrorField(result, PG_DIAG_MESSAGE_HINT)) {
                words += u'\n' + QString::fromUtf8(hint);
            }
            if (const char *context = libpq.PQresultErrorField(result, PG_DIAG_CONTEXT)) {
                words += u'\n' + QString::fromUtf8(context);
            }
            e.serverMessage = scrub(words);
        } else if (conn) {
            e.serverMessage = scrub(QString::fromUtf8(libpq.PQerrorMessage(conn)));
        }
        e.connectionLost = !conn || libpq.PQstatus(conn) == CONNECTION_BAD;
        return e;
    }

    // Runs a command that returns no rows; the result is checked and freed.
    Status command(const QByteArray &sql, const QString &message) const
    {
        PGresult *result = libpq.PQexec(conn, sql.constData());
        const ExecStatusType status = libpq.PQresultStatus(result);
        Status outcome;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            outcome = error(message, result);
        }
        libpq.PQclear(result);
        return outcome;
    }
};

namespace {

void ignoreNotice(void *, const char *) {}

// The key=value pairs of a connection string, each with where its text starts and ends, so a
// pair can be left out. Values may be quoted ('a b', with \' and \\ inside).
struct Pair
{
    QString key;
    QString value;
    qsizetype begin = 0;
    qsizetype end = 0;
    bool readable = true; // a key, its '=', and a quote that ends
};

QList<Pair> pairsOf(const QString &conninfo)
{
    QList<Pair> pairs;
    const qsizetype n = conninfo.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && conninfo[i].isSpace()) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        Pair pair;
        pair.begin = i;
        while (i < n && conninfo[i] != u'=' && !conninfo[i].isSpace()) {
            pair.key += conninfo[i++];
        }
        while (i < n && conninfo[i].isSpace()) {
            ++i;
        }
        if (i < n && conninfo[i] == u'=') {
            ++i;
        } else {
            pair.readable = false;
        }
        pair.readable = pair.readable && !pair.key.isEmpty();
        while (i < n && conninfo[i].isSpace()) {
            ++i;
        }
        if (i < n && conninfo[i] == u'\'') {
            ++i;
            while (i < n && conninfo[i] != u'\'') {
                if (conninfo[i] == u'\\' && i + 1 < n) {
                    ++i;
                }
                pair.value += conninfo[i++];
            }
            pair.readable = pair.readable && i < n;
            ++i;
        } else {
            while (i < n && !conninfo[i].isSpace()) {
                if (conninfo[i] == u'\\' && i + 1 < n) {
                    ++i;
                }
                pair.value += conninfo[i++];
            }
        }
        pair.end = std::min(i, n);
        pairs << pair;
    }
    return pairs;
}

bool isUri(const QString &text)
{
    return text.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

// The user part of a URI ends at the first '@' before any '/' (as libpq reads it).
qsizetype userPartEnd(const QString &uri, qsizetype authorityStart)
{
    for (qsizetype i = authorityStart; i < uri.size(); ++i) {
        if (uri[i] == u'@') {
            return i;
        }
        if (uri[i] == u'/') {
            return -1;
        }
    }
    return -1;
}

// A URI that cannot be read safely: its user part and host are told apart by the '@', so one
// more '@' (or an '@' after the path has begun) leaves unknown where a password ends; a query
// parameter without '=' may be the rest of one.
bool isMalformedUri(const QString &uri)
{
    const qsizetype start = uri.indexOf(QStringLiteral("://")) + 3;
    qsizetype query = uri.indexOf(u'?', start);
    if (query < 0) {
        query = uri.size();
    }
    const QString beforeQuery = uri.mid(start, query - start);
    const qsizetype at = beforeQuery.indexOf(u'@');
    if (beforeQuery.count(u'@') > 1 || (at >= 0 && beforeQuery.left(at).contains(u'/'))) {
        return true;
    }
    if (query < uri.size()) {
        for (const QString &parameter : uri.mid(query + 1).split(u'&')) {
            if (!parameter.isEmpty() && !parameter.contains(u'=')) {
                return true;
            }
        }
    }
    return false;
}

const QString malformedSetting = QStringLiteral("(a malformed connection setting)");

// The passwords written in a connection string, raw and decoded.
QList<QByteArray> secretsOf(const QString &conninfo)
{
    QList<QByteArray> secrets;
    auto add = [&](const QString &secret) {
        if (!secret.isEmpty() && !secrets.contains(secret.toUtf8())) {
            secrets << secret.toUtf8();
        }
    };
    if (isUri(conninfo)) {
        const qsizetype start = conninfo.indexOf(QStringLiteral("://")) + 3;
        const qsizetype at = userPartEnd(conninfo, start);
        if (at > 0) {
            const QString user = conninfo.mid(start, at - start);
            if (const qsizetype colon = user.indexOf(u':'); colon >= 0) {
                add(user.mid(colon + 1));
                add(QUrl::fromPercentEncoding(user.mid(colon + 1).toUtf8()));
            }
        }
        if (const qsizetype query = conninfo.indexOf(u'?'); query >= 0) {
            for (const QString &parameter : conninfo.mid(query + 1).split(u'&')) {
                if (parameter.startsWith(QStringLiteral("password="), Qt::CaseInsensitive)) {
                    add(parameter.mid(9));
                    add(QUrl::fromPercentEncoding(parameter.mid(9).toUtf8()));
                }
            }
        }
    } else {
        for (const Pair &pair : pairsOf(conninfo)) {
            if (pair.key.compare(QStringLiteral("password"), Qt::CaseInsensitive) == 0) {
                add(pair.value);
                add(conninfo.mid(pair.begin, pair.end - pair.begin).section(u'=', 1).trimmed());
            }
        }
    }
    // And as libpq reads it, once it is loaded (a connection is opened with it).
    if (libpq.PQconninfoParse) {
        char *parseError = nullptr;
        if (PQconninfoOption *options = libpq.PQconninfoParse(conninfo.toUtf8().constData(), &parseError)) {
            for (PQconninfoOption *option = options; option->keyword; ++option) {
                if (qstrcmp(option->keyword, "password") == 0 && option->val) {
                    add(QString::fromUtf8(option->val));
                }
            }
            libpq.PQconninfoFree(options);
        }
        libpq.PQfreemem(parseError);
    }
    // Longest first, so a password that holds another is taken out whole.
    std::sort(secrets.begin(), secrets.end(),
              [](const QByteArray &a, const QByteArray &b) { return a.size() > b.size(); });
    return secrets;
}

template <typename T>
T parsed(const char *data, int length, T fallback)
{
    T value = fallback;
    std::from_chars(data, data + length, value);
    return value;
}

} // namespace

QString Error::text() const
{
    QString result = message;
    if (!serverMessage.isEmpty()) {
        result += u'\n' + serverMessage;
    }
    if (!sqlState.isEmpty()) {
        result += QStringLiteral(" (SQLSTATE %1)").arg(sqlState);
    }
    return result;
}

bool isMalformed(const QString &conninfo)
{
    if (isUri(conninfo)) {
        return isMalformedUri(conninfo);
    }
    const QList<Pair> pairs = pairsOf(conninfo);
    return std::any_of(pairs.cbegin(), pairs.cend(), [](const Pair &pair) { return !pair.readable; });
}

QString applicationName()
{
    const QString name = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    return name.isEmpty() ? QStringLiteral("Taprell") : name;
}

QString redacted(const QString &conninfo)
{
    if (isMalformed(conninfo)) {
        // The host, when a readable pair names it before anything that may hold a secret.
        if (!isUri(conninfo)) {
            for (const Pair &pair : pairsOf(conninfo)) {
                if (!pair.readable || pair.key.compare(QStringLiteral("password"), Qt::CaseInsensitive) == 0) {
                    break;
                }
                if (pair.key.compare(QStringLiteral("host"), Qt::CaseInsensitive) == 0) {
                    return QStringLiteral("host=%1 %2").arg(pair.value, malformedSetting);
                }
            }
        }
        return malformedSetting;
    }
    if (isUri(conninfo)) {
        QString result = conninfo;
        if (const qsizetype query = result.indexOf(u'?'); query >= 0) {
            QStringList kept;
            for (const QString &parameter : result.mid(query + 1).split(u'&')) {
                if (!parameter.startsWith(QStringLiteral("password="), Qt::CaseInsensitive)) {
                    kept << parameter;
                }
            }
            result = result.left(query) + (kept.isEmpty() ? QString() : u'?' + kept.join(u'&'));
        }
        const qsizetype start = result.indexOf(QStringLiteral("://")) + 3;
        const qsizetype at = userPartEnd(result, start);
        if (at > 0) {
            if (const qsizetype colon = result.indexOf(u':', start); colon >= 0 && colon < at) {
                result.remove(colon, at - colon);
            }
        }
        return result;
    }
    QString result = conninfo;
    const QList<Pair> pairs = pairsOf(conninfo);
    for (auto it = pairs.crbegin(); it != pairs.crend(); ++it) {
        if (it->key.compare(QStringLiteral("password"), Qt::CaseInsensitive) == 0) {
            result.remove(it->begin, it->end - it->begin);
        }
    }
    return result.simplified();
}

bool isConnectionString(const QString &location)
{
    static const QRegularExpression pair(QStringLiteral("^\\s*[A-Za-z_]+\\s*="));
    return isUri(location) || pair.match(location).hasMatch();
}

QByteArray numberText(double value)
{
    if (std::isnan(value)) {
        return QByteArrayLiteral("NaN");
    }
    if (std::isinf(value)) {
        return value > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}

CommitOutcome outcomeOfLostCommit(const QString &conninfo, qint64 transactionId)
{
    // A server that restarts takes a moment before it takes connections again.
    Connection db;
    QElapsedTimer waiting;
    waiting.start();
    while (!db.open(conninfo, 10)) {
        if (waiting.elapsed() > 3000) {
            return CommitOutcome::Unknown;
        }
        QThread::msleep(250);
    }
    const QString ask = QStringLiteral("SELECT txid_status(%1)").arg(transactionId);
    for (int attempt = 0; attempt < 50; ++attempt) {
        QByteArray status;
        if (!db.execute(ask, &status)) {
            return CommitOutcome::Unknown;
        }
        if (status == "committed") {
            return CommitOutcome::Committed;
        }
        if (status == "aborted") {
            return CommitOutcome::RolledBack;
        }
        if (status != "in progress") { // too old for the server to remember
            return CommitOutcome::Unknown;
        }
        // The server has not yet noticed that the connection went away: it is still finishing.
        QThread::msleep(100);
    }
    return CommitOutcome::Unknown;
}

// Connection

Connection::~Connection() = default;

Connection::Connection(Connection &&other) noexcept
    : m_session(std::move(other.m_session))
    , m_serverName(std::move(other.m_serverName))
{
}

Connection &Connection::operator=(Connection &&other) noexcept
{
    if (this != &other) {
        m_session = std::move(other.m_session);
        m_serverName = std::move(other.m_serverName);
    }
    return *this;
}

Status Connection::open(const QString &conninfo, int connectTimeoutSeconds)
{
    close();
    m_serverName =
        conninfo.trimmed().isEmpty() ? QStringLiteral("(the server of PGHOST/PGDATABASE)") : redacted(conninfo);
    const QString failed = QStringLiteral("Cannot connect to the server %1.").arg(m_serverName);
    // libpq is loaded with the first connection: a program that only opens files never loads it.
    if (const QString missing = loadLibPq(); !missing.isEmpty()) {
        const QString library = QString::fromLocal8Bit(libPqFileName());
        return Error{failed,
                     {},
                     QStringLiteral("The PostgreSQL client library %1 could not be loaded: %2").arg(library, missing),
                     true,
                     {}};
    }
    auto session = std::make_shared<Session>();
    session->secrets = secretsOf(conninfo);
    const QByteArray info = conninfo.toUtf8();
    const QByteArray name = applicationName().toUtf8();
    const QByteArray timeout = QByteArray::number(connectTimeoutSeconds);
    // What the connection string sets wins over the keywords before "dbname" (which carries it).
    QList<const char *> keywords{"fallback_application_name", "dbname", "client_encoding", nullptr};
    QList<const char *> values{name.constData(), info.constData(), "UTF8", nullptr};
    if (connectTimeoutSeconds > 0) {
        keywords.prepend("connect_timeout");
        values.prepend(timeout.constData());
    }
    session->conn = libpq.PQconnectdbParams(keywords.constData(), values.constData(), 1);
    if (!session->conn) {
        return Error{failed, {}, QStringLiteral("out of memory"), true, {}};
    }
    if (libpq.PQstatus(session->conn) != CONNECTION_OK) {
        Error e = session->error(failed, nullptr);
        // libpq quotes the pieces it could not read, which may be parts of a password.
        if (isMalformed(conninfo)) {
            e.serverMessage = QStringLiteral("The connection setting is malformed; libpq's words about it are not "
                                             "shown, as they may quote part of a password.");
        }
        return e;
    }
    libpq.PQsetNoticeProcessor(session->conn, ignoreNotice, nullptr);
    // Doubles are printed in their shortest exact form, so a value read back is the value stored.
    if (Status status = session->command("SET extra_float_digits = 3", failed); !status) {
        return status;
    }
    m_session = std::move(session);
    return {};
}

void Connection::close()
{
    m_session.reset();
}

bool Connection::isOpen() const
{
    return m_session != nullptr;
}

pg_conn *Connection::handle() const
{
    return m_session ? m_session->conn : nullptr;
}

Status Connection::execute(const QString &sql)
{
    if (!m_session) {
        return Error{QStringLiteral("Not connected."), {}, {}, true, {}};
    }
    return m_session->command(sql.toUtf8(), QStringLiteral("The statement failed."));
}

Status Connection::execute(const QString &sql, QByteArray *firstValue)
{
    firstValue->clear();
    if (!m_session) {
        return Error{QStringLiteral("Not connected."), {}, {}, true, {}};
    }
    PGresult *result = libpq.PQexec(m_session->conn, sql.toUtf8().constData());
    const ExecStatusType status = libpq.PQresultStatus(result);
    Status outcome;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        outcome = m_session->error(QStringLiteral("The statement failed."), result);
    } else if (libpq.PQntuples(result) > 0 && libpq.PQnfields(result) > 0 && !libpq.PQgetisnull(result, 0, 0)) {
        *firstValue = QByteArray(libpq.PQgetvalue(result, 0, 0), libpq.PQgetlength(result, 0, 0));
    }
    libpq.PQclear(result);
    return outcome;
}

bool Connection::inTransaction() const
{
    if (!m_session) {
        return false;
    }
    const PGTransactionStatusType status = libpq.PQtransactionStatus(m_session->conn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

bool Connection::transactionFailed() const
{
    return m_session && libpq.PQtransactionStatus(m_session->conn) == PQTRANS_INERROR;
}

Error Connection::errorFor(const QString &message, const pg_result *result) const
{
    if (!m_session) {
        return Error{message, {}, {}, true, {}};
    }
    return m_session->error(message, result);
}

// Statement

Statement::Statement() = default;

Statement::~Statement()
{
    reset();
    // The name is given back while the connection can take it; otherwise it ends with the connection.
    if (auto session = m_session.lock(); session && !m_name.isEmpty() &&
                                         libpq.PQstatus(session->conn) == CONNECTION_OK &&
                                         libpq.PQtransactionStatus(session->conn) != PQTRANS_INERROR) {
        libpq.PQclear(libpq.PQexec(session->conn, QByteArray("DEALLOCATE " + m_name).constData()));
    }
}

Statement::Statement(Statement &&other) noexcept
    : m_session(std::move(other.m_session))
    , m_name(std::exchange(other.m_name, {}))
    , m_sql(std::move(other.m_sql))
    , m_parameterFields(std::move(other.m_parameterFields))
    , m_columns(std::move(other.m_columns))
    , m_values(std::move(other.m_values))
    , m_nulls(std::move(other.m_nulls))
    , m_result(std::exchange(other.m_result, nullptr))
    , m_row(other.m_row)
    , m_fetch(other.m_fetch)
    , m_streaming(std::exchange(other.m_streaming, false))
    , m_stepError(std::move(other.m_stepError))
{
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        Statement taken(std::move(other));
        std::swap(m_session, taken.m_session);
        std::swap(m_name, taken.m_name);
        std::swap(m_sql, taken.m_sql);
        std::swap(m_parameterFields, taken.m_parameterFields);
        std::swap(m_columns, taken.m_columns);
        std::swap(m_values, taken.m_values);
        std::swap(m_nulls, taken.m_nulls);
        std::swap(m_result, taken.m_result);
        std::swap(m_row, taken.m_row);
        std::swap(m_fetch, taken.m_fetch);
        std::swap(m_streaming, taken.m_streaming);
        std::swap(m_stepError, taken.m_stepError);
    }
    return *this;
}

Status Statement::prepare(Connection &connection, const QString &sql)
{
    reset();
    m_name.clear();
    m_values.clear();
    m_nulls.clear();
    m_session = connection.m_session;
    Session *session = connection.m_session.get();
    if (!session) {
        return Error{QStringLiteral("Not connected."), {}, {}, true, {}};
    }
    const QByteArray name = "taprell_" + QByteArray::number(++session->statementSerial);
    const QString failed = QStringLiteral("The statement could not be prepared.");
    PGresult *result = libpq.PQprepare(session->conn, name.constData(), sql.toUtf8().constData(), 0, nullptr);
    if (libpq.PQresultStatus(result) != PGRES_COMMAND_OK) {
        Error e = session->error(failed, result);
        libpq.PQclear(result);
        return e;
    }
    libpq.PQclear(result);
    result = libpq.PQdescribePrepared(session->conn, name.constData());
    if (libpq.PQresultStatus(result) != PGRES_COMMAND_OK) {
        Error e = session->error(failed, result);
        libpq.PQclear(result);
        return e;
    }
    const int parameters = libpq.PQnparams(result);
    // The columns are known from here on, before the statement first runs.
    m_columns.clear();
    for (int i = 0; i < libpq.PQnfields(result); ++i) {
        m_columns.append(QString::fromUtf8(libpq.PQfname(result, i)));
    }
    libpq.PQclear(result);
    m_name = name;
    m_sql = sql;
    m_values.resize(parameters);
    m_nulls.fill(true, parameters);
    return {};
}

QByteArray &Statement::slot(int index)
{
    static QByteArray outOfRange;
    if (index < 0 || index >= m_values.size()) {
        outOfRange.clear();
        return outOfRange;
    }
    m_nulls[index] = false;
    return m_values[index];
}

void Statement::bindNull(int index)
{
    if (index >= 0 && index < m_values.size()) {
        m_nulls[index] = true;
        m_values[index].clear();
    }
}

void Statement::bind(int index, qint64 value)
{
    slot(index).setNum(value);
}

void Statement::bind(int index, double value)
{
    slot(index) = numberText(value);
}

void Statement::bind(int index, bool value)
{
    slot(index) = value ? QByteArrayLiteral("t") : QByteArrayLiteral("f");
}

void Statement::bind(int index, QStringView text)
{
    slot(index) = text.toUtf8();
}

void Statement::bindUtf8(int index, const QByteArray &text)
{
    slot(index) = text;
}

void Statement::bind(int index, const QVariant &value)
{
    if (value.isNull()) {
        bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        bind(index, value.toBool());
        return;
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
        bind(index, static_cast<qint64>(value.toLongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        bind(index, value.toDouble());
        return;
    case QMetaType::QByteArray:
        bindUtf8(index, value.toByteArray());
        return;
    default:
        bind(index, QStringView(value.toString()));
    }
}

Status Statement::execute(Fetch fetch)
{
    dropResult();
    m_stepError.reset();
    auto session = m_session.lock();
    if (!session || m_name.isEmpty()) {
        return Error{QStringLiteral("The statement is not prepared on an open connection."), {}, {}, !session, {}};
    }
    QList<const char *> values(m_values.size());
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        values[i] = m_nulls[i] ? nullptr : m_values[i].constData();
        if (!m_nulls[i] && m_values[i].contains('\0')) {
            const QString field = i < m_parameterFields.size() ? m_parameterFields[i] : QString();
            const QString what =
                field.isEmpty() ? QStringLiteral("A text") : QStringLiteral("The text of %1").arg(field);
            const QString why = what + QStringLiteral(" holds a NUL character, which the server cannot store.");
            return Error{QStringLiteral("The statement was not sent."), QStringLiteral("22021"), why, false, field};
        }
    }
    const QString failed = QStringLiteral("The statement failed.");
    m_fetch = fetch;
    m_row = -1;
    if (fetch == Fetch::RowByRow) {
        if (!libpq.PQsendQueryPrepared(session->conn, m_name.constData(), int(values.size()), values.constData(),
                                       nullptr, nullptr, 0)) {
            return session->error(failed, nullptr);
        }
        libpq.PQsetSingleRowMode(session->conn);
        m_streaming = true;
        return {};
    }
    m_result = libpq.PQexecPrepared(session->conn, m_name.constData(), int(values.size()), values.constData(), nullptr,
                                    nullptr, 0);
    const ExecStatusType status = libpq.PQresultStatus(m_result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        Error e = session->error(failed, m_result);
        dropResult();
        return e;
    }
    return {};
}

Step Statement::step()
{
    if (!m_streaming) {
        if (!m_result || m_row + 1 >= libpq.PQntuples(m_result)) {
            return Step::Done;
        }
        ++m_row;
        return Step::Row;
    }
    auto session = m_session.lock();
    if (!session) {
        m_streaming = false;
        m_stepError = Error{QStringLiteral("The connection was closed."), {}, {}, true, {}};
        return Step::Error;
    }
    libpq.PQclear(m_result);
    m_result = libpq.PQgetResult(session->conn);
    m_row = 0;
    switch (libpq.PQresultStatus(m_result)) {
    case PGRES_SINGLE_TUPLE:
        return Step::Row;
    case PGRES_TUPLES_OK:
    case PGRES_COMMAND_OK:
        dropResult();
        return Step::Done;
    default:
        m_stepError = session->error(QStringLiteral("Reading the rows failed."), m_result);
        dropResult();
        return Step::Error;
    }
}

qint64 Statement::affectedRows() const
{
    if (!m_result) {
        return 0;
    }
    const char *count = libpq.PQcmdTuples(m_result);
    return parsed<qint64>(count, int(qstrlen(count)), 0);
}

void Statement::dropResult()
{
    // Without a result libpq may never have been loaded (a statement that was never prepared).
    if (m_result) {
        libpq.PQclear(m_result);
        m_result = nullptr;
    }
    m_row = -1;
    if (m_streaming) {
        // The rest of a result read row by row is read and dropped, so the connection can go on.
        m_streaming = false;
        if (auto session = m_session.lock()) {
            while (PGresult *rest = libpq.PQgetResult(session->conn)) {
                libpq.PQclear(rest);
            }
        }
    }
}

void Statement::reset()
{
    dropResult();
    m_stepError.reset();
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        m_nulls[i] = true;
        m_values[i].clear();
    }
}

int Statement::columnCount() const
{
    return m_result ? libpq.PQnfields(m_result) : int(m_columns.size());
}

QString Statement::columnName(int column) const
{
    if (m_result) {
        return QString::fromUtf8(libpq.PQfname(m_result, column));
    }
    return m_columns.value(column);
}

bool Statement::isNull(int column) const
{
    return !m_result || m_row < 0 || libpq.PQgetisnull(m_result, m_row, column);
}

unsigned Statement::columnTypeOid(int column) const
{
    return m_result ? libpq.PQftype(m_result, column) : 0;
}

qint64 Statement::int64(int column) const
{
    if (isNull(column)) {
        return 0;
    }
    return parsed<qint64>(libpq.PQgetvalue(m_result, m_row, column), libpq.PQgetlength(m_result, m_row, column), 0);
}

double Statement::real(int column) const
{
    if (isNull(column)) {
        return 0;
    }
    return parsed<double>(libpq.PQgetvalue(m_result, m_row, column), libpq.PQgetlength(m_result, m_row, column), 0.0);
}

bool Statement::boolean(int column) const
{
    return !isNull(column) && libpq.PQgetvalue(m_result, m_row, column)[0] == 't';
}

QString Statement::text(int column) const
{
    if (isNull(column)) {
        return {};
    }
    return QString::fromUtf8(libpq.PQgetvalue(m_result, m_row, column), libpq.PQgetlength(m_result, m_row, column));
}

QByteArray Statement::utf8(int column) const
{
    if (isNull(column)) {
        return {};
    }
    return QByteArray(libpq.PQgetvalue(m_result, m_row, column), libpq.PQgetlength(m_result, m_row, column));
}

QByteArrayView Statement::utf8View(int column) const
{
    if (isNull(column)) {
        return {};
    }
    return QByteArrayView(libpq.PQgetvalue(m_result, m_row, column), libpq.PQgetlength(m_result, m_row, column));
}

QVariant Statement::value(int column) const
{
    if (isNull(column)) {
        return {};
    }
    // Type numbers of the built-in types (pg_type.h).
    switch (columnTypeOid(column)) {
    case 16: // bool
        return QVariant(boolean(column));
    case 20: // int8
    case 21: // int2
    case 23: // int4
    case 26: // oid
        return QVariant(static_cast<qlonglong>(int64(column)));
    case 700:  // float4
    case 701:  // float8
    case 1700: // numeric
        return QVariant(real(column));
    default:
        return QVariant(text(column));
    }
}

// Transaction

Transaction::~Transaction()
{
    rollback();
}

Status Transaction::begin(Connection &connection)
{
    rollback();
    if (!connection.m_session) {
        return Error{QStringLiteral("Not connected."), {}, {}, true, {}};
    }
    Session &session = *connection.m_session;
    QByteArray savepoint;
    QByteArray sql = "BEGIN";
    if (connection.inTransaction()) {
        savepoint = "taprell_sp" + QByteArray::number(session.savepointDepth + 1);
        sql = "SAVEPOINT " + savepoint;
    }
    if (Status status = session.command(sql, QStringLiteral("The transaction could not start.")); !status) {
        return status;
    }
    if (!savepoint.isEmpty()) {
        ++session.savepointDepth;
    }
    m_session = connection.m_session;
    m_savepoint = savepoint;
    return {};
}

Status Transaction::commit()
{
    if (!m_session) {
        return Error{QStringLiteral("No transaction is open."), {}, {}, false, {}};
    }
    const std::shared_ptr<Session> session = m_session;
    const QString failed = QStringLiteral("The changes could not be committed.");
    // COMMIT of a failed transaction rolls it back and reports success: check first.
    if (libpq.PQtransactionStatus(session->conn) == PQTRANS_INERROR) {
        rollback();
        return Error{
            failed, {}, QStringLiteral("A statement of the transaction failed; it was rolled back."), false, {}};
    }
    if (m_savepoint.isEmpty()) {
        PGresult *result = libpq.PQexec(session->conn, "COMMIT");
        const bool committed =
            libpq.PQresultStatus(result) == PGRES_COMMAND_OK && qstrcmp(libpq.PQcmdStatus(result), "COMMIT") == 0;
        Status status = committed ? Status() : Status(session->error(failed, result));
        libpq.PQclear(result);
        m_session.reset();
        return status;
    }
    Status status = session->command("RELEASE SAVEPOINT " + m_savepoint, failed);
    --session->savepointDepth;
    m_session.reset();
    return status;
}

void Transaction::rollback()
{
    if (!m_session) {
        return;
    }
    const std::shared_ptr<Session> session = std::move(m_session);
    if (libpq.PQstatus(session->conn) != CONNECTION_OK) {
        return;
    }
    if (m_savepoint.isEmpty()) {
        libpq.PQclear(libpq.PQexec(session->conn, "ROLLBACK"));
        session->savepointDepth = 0;
        return;
    }
    const QByteArray sql = "ROLLBACK TO SAVEPOINT " + m_savepoint + "; RELEASE SAVEPOINT " + m_savepoint;
    libpq.PQclear(libpq.PQexec(session->conn, sql.constData()));
    --session->savepointDepth;
}

// CopyIn

CopyIn::~CopyIn()
{
    if (m_session) {
        libpq.PQputCopyEnd(m_session->conn, "cancelled");
        while (PGresult *rest = libpq.PQgetResult(m_session->conn)) {
            libpq.PQclear(rest);
        }
    }
}

Status CopyIn::begin(Connection &connection, const QString &table, const QStringList &columns)
{
    if (!connection.m_session) {
        return Error{QStringLiteral("Not connected."), {}, {}, true, {}};
    }
    Session &session = *connection.m_session;
    const QByteArray sql = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(u',')).toUtf8();
    PGresult *result = libpq.PQexec(session.conn, sql.constData());
    if (libpq.PQresultStatus(result) != PGRES_COPY_IN) {
        Error e = session.error(QStringLiteral("Writing into %1 could not start.").arg(table), result);
        libpq.PQclear(result);
        return e;
    }
    libpq.PQclear(result);
    m_session = connection.m_session;
    m_buffer.clear();
    m_buffer.reserve(1 << 18);
    m_rowStarted = false;
    return {};
}

void CopyIn::separate()
{
    if (m_rowStarted) {
        m_buffer += '\t';
    }
    m_rowStarted = true;
}

void CopyIn::addNull()
{
    separate();
    m_buffer += "\\N";
}

void CopyIn::add(qint64 value)
{
    separate();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_buffer.append(buffer, result.ptr - buffer);
}

void CopyIn::add(double value)
{
    separate();
    m_buffer += numberText(value);
}

void CopyIn::add(bool value)
{
    separate();
    m_buffer += value ? 't' : 'f';
}

void CopyIn::addUtf8(const QByteArray &text)
{
    separate();
    for (const char c : text) {
        switch (c) {
        case '\\':
            m_buffer += "\\\\";
            break;
        case '\n':
            m_buffer += "\\n";
            break;
        case '\r':
            m_buffer += "\\r";
            break;
        case '\t':
            m_buffer += "\\t";
            break;
        default:
            m_buffer += c;
        }
    }
}

Status CopyIn::endRow()
{
    m_buffer += '\n';
    m_rowStarted = false;
    return m_buffer.size() >= (1 << 18) ? send() : Status();
}

Status CopyIn::send()
{
    if (!m_session) {
        return Error{QStringLiteral("No copy is running."), {}, {}, false, {}};
    }
    if (!m_buffer.isEmpty() && libpq.PQputCopyData(m_session->conn, m_buffer.constData(), int(m_buffer.size())) != 1) {
        return m_session->error(QStringLiteral("Sending rows to the server failed."), nullptr);
    }
    m_buffer.clear();
    return {};
}

Status CopyIn::finish()
{
    if (Status status = send(); !status) {
        return status;
    }
    const std::shared_ptr<Session> session = std::move(m_session);
    const QString failed = QStringLiteral("The server did not take the rows.");
    if (libpq.PQputCopyEnd(session->conn, nullptr) != 1) {
        return session->error(failed, nullptr);
    }
    Status status;
    while (PGresult *result = libpq.PQgetResult(session->conn)) {
        if (status && libpq.PQresultStatus(result) != PGRES_COMMAND_OK) {
            status = session->error(failed, result);
        }
        libpq.PQclear(result);
    }
    return status;
}

} // namespace pg
