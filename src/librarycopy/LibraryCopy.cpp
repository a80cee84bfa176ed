// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Schema.h>
#include <library/engine/SqliteDatabase.h>
#include <library/server/PgDatabase.h>
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <librarycopy/LibraryCopy.h>
#include <librarycopy/SchemaFile.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace LibraryCopy {

namespace {

using Kind = ColumnType;
using schema::Column;
using schema::Table;

// The tables of the library's description, groups first, each with every column it lists: a
// column added there is copied without a word here.
const QList<Table> &tables()
{
    static const QList<Table> all = [] {
        QList<Table> list;
        for (const Table *table : schema::baseTables()) {
            list << *table;
        }
        for (const Table &table : schema::library().tables) {
            if (table.since > 1) {
                list << table;
            }
        }
        return list;
    }();
    return all;
}

struct Value
{
    ValueKind type = ValueKind::Null; // Null, Integer, Real, Boolean or Text
    qint64 integer = 0;
    double real = 0;
    bool yes = false;
    QByteArray text;
};

// The row's identity first, then the table's columns.
using Row = QList<Value>;

struct Failure
{
    Outcome outcome;
    QString message;
};
using Check = std::optional<Failure>;

Failure failed(Outcome outcome, const QString &message)
{
    return Failure{outcome, message};
}

QString quotedText(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes.left(60));
    text.replace(u'\n', QStringLiteral("\\n"));
    return u'"' + text + (bytes.size() > 60 ? QStringLiteral("…\"") : QStringLiteral("\""));
}

// A yes/no value written as text, read as the windows read it.
std::optional<bool> yesNoText(const QByteArray &bytes)
{
    const QByteArray t = bytes.trimmed().toLower();
    if (t == "true" || t == "yes" || t == "on" || t == "t" || t == "1" || t == "-1") {
        return true;
    }
    if (t == "false" || t == "no" || t == "off" || t == "f" || t == "0") {
        return false;
    }
    return std::nullopt;
}

// "picLable, row 12, field X: ..." — rows are named by their identity (rowid).
QString where(const Table &table, qint64 rowid, const QString &field)
{
    return QStringLiteral("%1, row %2, field %3").arg(table.name).arg(rowid).arg(field);
}

class Reader
{
public:
    virtual ~Reader() = default;
    virtual Check open() = 0;
    // Whether the library holds the table: one made before an optional table has none of it.
    virtual bool hasTable(const Table &table) = 0;
    virtual Check count(const Table &table, qint64 *rows) = 0;
    virtual Check start(const Table &table) = 0;
    // True with the next row, false at the end or on failure (then *failure is set).
    virtual bool next(Row &row, Check *failure) = 0;
};

class Writer
{
public:
    virtual ~Writer() = default;
    // Ready to write, inside the target's transaction; a library made before some of the tables
    // gains them first.
    virtual Check open() = 0;
    virtual Check isEmpty(bool *empty) = 0;
    virtual Check clear() = 0;
    virtual Check start(const Table &table) = 0;
    virtual Check write(const Row &row) = 0;
    virtual Check finishTable(const Table &table) = 0;
    virtual Check commit() = 0;
    virtual void abort() = 0; // the target as it was before open()
};

// The file side, on SQLite's C API.

struct StatementDeleter
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using SqliteStatement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

QString columnList(const Table &table)
{
    return QStringLiteral("rowid, ") + table.columnNames().join(QStringLiteral(", "));
}

class FileReader final : public Reader
{
public:
    explicit FileReader(const Location &location)
        : m_location(location)
    {
    }

    Check open() override
    {
        if (!QFileInfo(m_location.fileName).isFile()) {
            return failed(Outcome::SourceFailed,
                          QStringLiteral("There is no figure library at %1.").arg(m_location.shown));
        }
        if (m_db.open(m_location.fileName, sqlite::Connection::Access::ReadOnly) != SQLITE_OK) {
            return failed(Outcome::SourceFailed,
                          QStringLiteral("Cannot open %1: %2").arg(m_location.shown, m_db.errorMessage()));
        }
        m_db.setBusyTimeout(2500);
        // One read transaction: every table is read as it was at one moment.
        if (m_db.execute("BEGIN") != SQLITE_OK) {
            return failed(Outcome::SourceFailed,
                          QStringLiteral("Cannot read %1: %2").arg(m_location.shown, m_db.errorMessage()));
        }
        return {};
    }

    bool hasTable(const Table &table) override
    {
        SqliteStatement statement =
            prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1' "
                                   "COLLATE NOCASE")
                        .arg(table.name));
        return statement && sqlite3_step(statement.get()) == SQLITE_ROW && sqlite3_column_int(statement.get(), 0) > 0;
    }

    Check count(const Table &table, qint64 *rows) override
    {
        SqliteStatement statement = prepare(QStringLiteral("SELECT count(*) FROM ") + table.name);
        if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) {
            return failed(Outcome::SourceFailed, QStringLiteral("%1 is not a figure library (table %2): %3")
                                                     .arg(m_location.shown, table.name, m_db.errorMessage()));
        }
        *rows = sqlite3_column_int64(statement.get(), 0);
        return {};
    }

    Check start(const Table &table) override
    {
        m_table = &table;
        m_read = prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columnList(table), table.name));
        if (!m_read) {
            return failed(Outcome::SourceFailed, QStringLiteral("%1 is not a figure library (table %2): %3")
                                                     .arg(m_location.shown, table.name, m_db.errorMessage()));
        }
        return {};
    }

    bool next(Row &row, Check *failure) override
    {
        sqlite3_stmt *s = m_read.get();
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_DONE) {
            return false;
        }
        if (rc != SQLITE_ROW) {
            *failure = failed(Outcome::Failed, QStringLiteral("Reading %1 from %2 failed: %3")
                                                   .arg(m_table->name, m_location.shown, m_db.errorMessage()));
            return false;
        }
        const qint64 rowid = sqlite3_column_int64(s, 0);
        row.resize(m_table->columns.size() + 1);
        row[0] = Value{ValueKind::Integer, rowid, 0, false, {}};
        for (int i = 0; i < m_table->columns.size(); ++i) {
            const Column &column = m_table->columns[i];
            if (QString problem = valueOf(s, i + 1, column.type, &row[i + 1]); !problem.isEmpty()) {
                *failure = failed(
                    Outcome::Failed,
                    QStringLiteral("%1 of %2: %3").arg(where(*m_table, rowid, column.name), m_location.shown, problem));
                return false;
            }
        }
        return true;
    }

private:
    SqliteStatement prepare(const QString &sql)
    {
        sqlite3_stmt *statement = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_prepare_v2(m_db.handle(), utf8.constData(), int(utf8.size()), &statement, nullptr);
        return SqliteStatement(statement);
    }

    // The stored value as the column's kind; a value that cannot be one is named, never guessed.
    static QString valueOf(sqlite3_stmt *s, int i, Kind kind, Value *value)
    {
        const int type = sqlite3_column_type(s, i);
        *value = Value{};
        if (type == SQLITE_NULL) {
            return {};
        }
        const auto bytes = [&] {
            const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(s, i));
            return QByteArray(data, sqlite3_column_bytes(s, i));
        };
        if (type == SQLITE_BLOB) {
            return QStringLiteral("holds binary data, which a figure library never stores");
        }
        switch (kind) {
        case Kind::Text:
            value->type = ValueKind::Text;
            value->text = bytes();
            return {};
        case Kind::Integer:
            if (type == SQLITE_INTEGER) {
                value->type = ValueKind::Integer;
                value->integer = sqlite3_column_int64(s, i);
                return {};
            }
            if (type == SQLITE_FLOAT) {
                const double real = sqlite3_column_double(s, i);
                if (std::trunc(real) == real && std::fabs(real) < 9.2e18) {
                    value->type = ValueKind::Integer;
                    value->integer = qint64(real);
                    return {};
                }
            }
            return QStringLiteral("%1 is not a whole number").arg(quotedText(bytes()));
        case Kind::Number:
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                value->type = ValueKind::Real;
                value->real = sqlite3_column_double(s, i);
                return {};
            }
            return QStringLiteral("%1 is not a number").arg(quotedText(bytes()));
        case Kind::YesNo:
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                value->type = ValueKind::Boolean;
                value->yes = sqlite3_column_double(s, i) != 0;
                return {};
            }
            if (const std::optional<bool> yes = yesNoText(bytes())) {
                value->type = ValueKind::Boolean;
                value->yes = *yes;
                return {};
            }
            return QStringLiteral("%1 is not True or False").arg(quotedText(bytes()));
        }
        return {};
    }

    Location m_location;
    sqlite::Connection m_db;
    const Table *m_table = nullptr;
    SqliteStatement m_read;
};

class FileWriter final : public Writer
{
public:
    explicit FileWriter(const Location &location)
        : m_location(location)
    {
    }

    ~FileWriter() override { abort(); }

    Check open() override
    {
        QString file = m_location.fileName;
        if (!QFileInfo::exists(file)) {
            // A new library is built under another name and renamed into place when complete.
            for (QDir dir = QFileInfo(file).absoluteDir(); !dir.exists(); dir.setPath(QFileInfo(dir.path()).path())) {
                m_createdFolders << dir.absolutePath();
            }
            file += QStringLiteral(".partial-%1").arg(QCoreApplication::applicationPid());
            QFile::remove(file);
            if (const Status status = LibraryFile::create(file); !status) {
                m_work = file;
                return failed(Outcome::TargetFailed,
                              QStringLiteral("Cannot create %1: %2 %3")
                                  .arg(m_location.shown, status.error().message, status.error().engineMessage)
                                  .trimmed());
            }
            m_work = file;
        }
        if (m_db.open(file, sqlite::Connection::Access::ReadWrite) != SQLITE_OK) {
            return failed(Outcome::TargetFailed,
                          QStringLiteral("Cannot open %1 for writing: %2").arg(m_location.shown, m_db.errorMessage()));
        }
        m_db.setBusyTimeout(2500);
        // The write lock from the start: nobody writes between the check for rows and the copy.
        if (m_db.execute("BEGIN IMMEDIATE") != SQLITE_OK) {
            return failed(Outcome::TargetFailed,
                          QStringLiteral("Cannot write %1: %2").arg(m_location.shown, m_db.errorMessage()));
        }
        m_inTransaction = true;
        SqliteStatement version = prepare(QStringLiteral("PRAGMA user_version"));
        const int stored = version && sqlite3_step(version.get()) == SQLITE_ROW
                               ? std::max(1, sqlite3_column_int(version.get(), 0))
                               : schema::currentVersion;
        for (const QString &statement : schema::upgradeStatements(schema::library(), stored, schema::Dialect::File)) {
            if (m_db.execute(statement.toUtf8().constData()) != SQLITE_OK) {
                return failed(
                    Outcome::TargetFailed,
                    QStringLiteral("Cannot bring %1 up to this layout: %2").arg(m_location.shown, m_db.errorMessage()));
            }
        }
        return {};
    }

    Check isEmpty(bool *empty) override
    {
        *empty = true;
        for (const Table &table : tables()) {
            SqliteStatement statement = prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1)").arg(table.name));
            if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) {
                return failed(Outcome::TargetFailed, QStringLiteral("%1 is not a figure library (table %2): %3")
                                                         .arg(m_location.shown, table.name, m_db.errorMessage()));
            }
            if (sqlite3_column_int(statement.get(), 0) != 0) {
                *empty = false;
            }
        }
        return {};
    }

    Check clear() override
    {
        for (const Table &table : tables()) {
            if (m_db.execute(QStringLiteral("DELETE FROM %1").arg(table.name).toUtf8().constData()) != SQLITE_OK) {
                return failed(
                    Outcome::Failed,
                    QStringLiteral("Cannot empty %1 of %2: %3").arg(table.name, m_location.shown, m_db.errorMessage()));
            }
        }
        return {};
    }

    Check start(const Table &table) override
    {
        m_table = &table;
        QStringList marks(table.columns.size() + 1, QStringLiteral("?"));
        m_insert = prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table.name, columnList(table), marks.join(u',')));
        if (!m_insert) {
            return failed(Outcome::TargetFailed, QStringLiteral("%1 is not a figure library (table %2): %3")
                                                     .arg(m_location.shown, table.name, m_db.errorMessage()));
        }
        return {};
    }

    Check write(const Row &row) override
    {
        sqlite3_stmt *s = m_insert.get();
        sqlite3_reset(s);
        for (int i = 0; i < row.size(); ++i) {
            const Value &value = row[i];
            switch (value.type) {
            case ValueKind::Null:
                sqlite3_bind_null(s, i + 1);
                break;
            case ValueKind::Integer:
                sqlite3_bind_int64(s, i + 1, value.integer);
                break;
            case ValueKind::Real:
                sqlite3_bind_double(s, i + 1, value.real);
                break;
            case ValueKind::Boolean:
                sqlite3_bind_int(s, i + 1, value.yes ? 1 : 0);
                break;
            case ValueKind::Text:
                sqlite3_bind_text(s, i + 1, value.text.constData(), int(value.text.size()), SQLITE_TRANSIENT);
                break;
            }
        }
        if (sqlite3_step(s) != SQLITE_DONE) {
            return failed(Outcome::Failed, QStringLiteral("%1 of %2 was refused: %3")
                                               .arg(QStringLiteral("%1, row %2").arg(m_table->name).arg(row[0].integer),
                                                    m_location.shown, m_db.errorMessage()));
        }
        return {};
    }

    Check finishTable(const Table &) override
    {
        m_insert.reset();
        return {};
    }

    Check commit() override
    {
        if (m_db.execute("COMMIT") != SQLITE_OK) {
            return failed(
                Outcome::Failed,
                QStringLiteral("Cannot commit the copy into %1: %2").arg(m_location.shown, m_db.errorMessage()));
        }
        m_inTransaction = false;
        m_db.close();
        if (!m_work.isEmpty()) {
            // rename() never replaces a file that appeared meanwhile.
            if (!QFile::rename(m_work, m_location.fileName)) {
                return failed(Outcome::TargetFailed,
                              QStringLiteral("Cannot put the new library in place at %1.").arg(m_location.shown));
            }
            m_work.clear();
            m_createdFolders.clear();
        }
        return {};
    }

    void abort() override
    {
        m_insert.reset();
        if (m_inTransaction) {
            m_db.execute("ROLLBACK");
            m_inTransaction = false;
        }
        m_db.close();
        if (!m_work.isEmpty()) {
            QFile::remove(m_work);
            QFile::remove(m_work + QStringLiteral("-journal"));
            m_work.clear();
        }
        for (const QString &folder : std::as_const(m_createdFolders)) {
            QDir().rmdir(folder); // deepest first; only while empty
        }
        m_createdFolders.clear();
    }

private:
    SqliteStatement prepare(const QString &sql)
    {
        sqlite3_stmt *statement = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_prepare_v2(m_db.handle(), utf8.constData(), int(utf8.size()), &statement, nullptr);
        return SqliteStatement(statement);
    }

    Location m_location;
    sqlite::Connection m_db;
    QString m_work;               // the new file while it is being built
    QStringList m_createdFolders; // folders made for a new file, deepest first
    bool m_inTransaction = false;
    const Table *m_table = nullptr;
    SqliteStatement m_insert;
};

// The server side, on the libpq layer.

QString serverFailure(const QString &message, const pg::Error &error)
{
    QString text = message;
    if (!error.serverMessage.isEmpty()) {
        text += u'\n' + error.serverMessage;
    }
    if (!error.sqlState.isEmpty()) {
        text += QStringLiteral(" (SQLSTATE %1)").arg(error.sqlState);
    }
    return text;
}

QString noLibraryHint(const Location &location, const pg::Error &error)
{
    QString text = QStringLiteral("%1 holds no figure library.").arg(location.shown);
    if (error.sqlState == QStringLiteral("42P01") || error.sqlState == QStringLiteral("42703")) {
        text += QStringLiteral(" Load %1 into the database first.").arg(serverSchemaFile());
    }
    return serverFailure(text, error);
}

class ServerReader final : public Reader
{
public:
    explicit ServerReader(const Location &location)
        : m_location(location)
    {
    }

    Check open() override
    {
        if (pg::Status status = m_db.open(m_location.text); !status) {
            return failed(Outcome::SourceFailed, status.error().text());
        }
        // One snapshot for all four tables.
        if (pg::Status status = m_db.execute(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
            !status) {
            return failed(Outcome::SourceFailed,
                          serverFailure(QStringLiteral("Cannot read %1.").arg(m_location.shown), status.error()));
        }
        return {};
    }

    bool hasTable(const Table &table) override
    {
        pg::Statement statement;
        pg::Status status =
            statement.prepare(m_db, QStringLiteral("SELECT to_regclass('%1') IS NOT NULL").arg(table.name.toLower()));
        if (status) {
            status = statement.execute();
        }
        return status && statement.step() == pg::Step::Row && statement.boolean(0);
    }

    Check count(const Table &table, qint64 *rows) override
    {
        pg::Statement statement;
        pg::Status status = statement.prepare(m_db, QStringLiteral("SELECT count(*) FROM ") + table.name);
        if (status) {
            status = statement.execute();
        }
        if (!status) {
            return failed(Outcome::SourceFailed, noLibraryHint(m_location, status.error()));
        }
        statement.step();
        *rows = statement.int64(0);
        return {};
    }

    Check start(const Table &table) override
    {
        m_table = &table;
        pg::Status status =
            m_read.prepare(m_db, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columnList(table), table.name));
        if (status) {
            status = m_read.execute(pg::Fetch::RowByRow);
        }
        if (!status) {
            return failed(Outcome::SourceFailed, noLibraryHint(m_location, status.error()));
        }
        return {};
    }

    bool next(Row &row, Check *failure) override
    {
        const pg::Step step = m_read.step();
        if (step == pg::Step::Done) {
            return false;
        }
        if (step == pg::Step::Error) {
            *failure =
                failed(Outcome::Failed,
                       serverFailure(QStringLiteral("Reading %1 from %2 failed.").arg(m_table->name, m_location.shown),
                                     m_read.error().error()));
            return false;
        }
        const qint64 rowid = m_read.int64(0);
        row.resize(m_table->columns.size() + 1);
        row[0] = Value{ValueKind::Integer, rowid, 0, false, {}};
        for (int i = 0; i < m_table->columns.size(); ++i) {
            Value &value = row[i + 1];
            value = Value{};
            if (m_read.isNull(i + 1)) {
                continue;
            }
            const QByteArray bytes = m_read.utf8(i + 1);
            bool ok = true;
            switch (m_table->columns[i].type) {
            case Kind::Text:
                value.type = ValueKind::Text;
                value.text = bytes;
                break;
            case Kind::Integer: {
                value.type = ValueKind::Integer;
                const auto r = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value.integer);
                ok = r.ec == std::errc() && r.ptr == bytes.constData() + bytes.size();
                break;
            }
            case Kind::Number: {
                value.type = ValueKind::Real;
                const auto r = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value.real);
                ok = r.ec == std::errc() && r.ptr == bytes.constData() + bytes.size();
                break;
            }
            case Kind::YesNo:
                value.type = ValueKind::Boolean;
                if (const std::optional<bool> yes = yesNoText(bytes)) {
                    value.yes = *yes;
                } else {
                    ok = false;
                }
                break;
            }
            if (!ok) {
                *failure = failed(Outcome::Failed, QStringLiteral("%1 of %2: %3 is not of the field's type")
                                                       .arg(where(*m_table, rowid, m_table->columns[i].name),
                                                            m_location.shown, quotedText(bytes)));
                return false;
            }
        }
        return true;
    }

private:
    Location m_location;
    pg::Connection m_db;
    const Table *m_table = nullptr;
    pg::Statement m_read;
};

class ServerWriter final : public Writer
{
public:
    explicit ServerWriter(const Location &location)
        : m_location(location)
    {
    }

    ~ServerWriter() override { abort(); }

    Check open() override
    {
        if (pg::Status status = m_db.open(m_location.text); !status) {
            return failed(Outcome::TargetFailed, status.error().text());
        }
        if (pg::Status status = m_transaction.begin(m_db); !status) {
            return failed(Outcome::TargetFailed,
                          serverFailure(QStringLiteral("Cannot write %1.").arg(m_location.shown), status.error()));
        }
        // Readers go on; other writers wait until the copy is committed or rolled back.
        if (pg::Status status = m_db.execute(QStringLiteral("SET LOCAL lock_timeout = '30s'; LOCK TABLE picMain, "
                                                            "picType, pData, picLable IN EXCLUSIVE MODE"));
            !status) {
            const bool inUse = status.error().sqlState == QStringLiteral("55P03");
            return failed(
                Outcome::TargetFailed,
                inUse ? serverFailure(
                            QStringLiteral("%1 is in use: another program is writing to it.").arg(m_location.shown),
                            status.error())
                      : noLibraryHint(m_location, status.error()));
        }
        pg::Statement version;
        pg::Status status = version.prepare(
            m_db, QStringLiteral("SELECT CASE WHEN to_regclass('taprell_meta') IS NULL THEN '1' ELSE (SELECT value "
                                 "FROM taprell_meta WHERE name = 'schema_version') END"));
        if (status) {
            status = version.execute();
        }
        const int stored =
            status && version.step() == pg::Step::Row ? std::max(1, version.text(0).toInt()) : schema::currentVersion;
        for (const QString &statement : schema::upgradeStatements(schema::library(), stored, schema::Dialect::Server)) {
            if (pg::Status upgraded = m_db.execute(statement); !upgraded) {
                return failed(Outcome::TargetFailed,
                              serverFailure(QStringLiteral("Cannot bring %1 up to this layout.").arg(m_location.shown),
                                            upgraded.error()));
            }
        }
        return {};
    }

    Check isEmpty(bool *empty) override
    {
        QStringList any;
        for (const Table &table : tables()) {
            any << QStringLiteral("EXISTS (SELECT 1 FROM %1)").arg(table.name);
        }
        pg::Statement statement;
        pg::Status status =
            statement.prepare(m_db, QStringLiteral("SELECT NOT (%1)").arg(any.join(QStringLiteral(" OR "))));
        if (status) {
            status = statement.execute();
        }
        if (!status) {
            return failed(Outcome::TargetFailed, noLibraryHint(m_location, status.error()));
        }
        statement.step();
        *empty = statement.boolean(0);
        return {};
    }

    Check clear() override
    {
        QStringList deletes;
        for (const Table &table : tables()) {
            deletes << QStringLiteral("DELETE FROM ") + table.name;
        }
        if (pg::Status status = m_db.execute(deletes.join(QStringLiteral("; "))); !status) {
            return failed(Outcome::Failed,
                          serverFailure(QStringLiteral("Cannot empty %1.").arg(m_location.shown), status.error()));
        }
        return {};
    }

    Check start(const Table &table) override
    {
        m_table = &table;
        m_copy = std::make_unique<pg::CopyIn>();
        if (pg::Status status =
                m_copy->begin(m_db, table.name, QStringList{QStringLiteral("rowid")} + table.columnNames());
            !status) {
            return failed(Outcome::TargetFailed, noLibraryHint(m_location, status.error()));
        }
        return {};
    }

    Check write(const Row &row) override
    {
        for (const Value &value : row) {
            switch (value.type) {
            case ValueKind::Null:
                m_copy->addNull();
                break;
            case ValueKind::Integer:
                m_copy->add(value.integer);
                break;
            case ValueKind::Real:
                m_copy->add(value.real);
                break;
            case ValueKind::Boolean:
                m_copy->add(value.yes);
                break;
            case ValueKind::Text:
                m_copy->addUtf8(value.text);
                break;
            }
        }
        if (pg::Status status = m_copy->endRow(); !status) {
            return failed(
                Outcome::Failed,
                serverFailure(QStringLiteral("Writing %1 into %2 failed.").arg(m_table->name, m_location.shown),
                              status.error()));
        }
        return {};
    }

    Check finishTable(const Table &table) override
    {
        const std::unique_ptr<pg::CopyIn> copy = std::move(m_copy);
        pg::Status status = copy->finish();
        if (status) {
            // New rows made by the windows get numbers after the copied ones.
            status = m_db.execute(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'rowid'), "
                                                 "coalesce(max(rowid), 0) + 1, false) FROM %1")
                                      .arg(table.name.toLower()));
        }
        if (!status) {
            return failed(Outcome::Failed,
                          serverFailure(QStringLiteral("Writing %1 into %2 failed.").arg(table.name, m_location.shown),
                                        status.error()));
        }
        return {};
    }

    Check commit() override
    {
        if (pg::Status status = m_transaction.commit(); !status) {
            return failed(
                Outcome::Failed,
                serverFailure(QStringLiteral("Cannot commit the copy into %1.").arg(m_location.shown), status.error()));
        }
        return {};
    }

    void abort() override
    {
        m_copy.reset();
        m_transaction.rollback();
    }

private:
    Location m_location;
    pg::Connection m_db;
    pg::Transaction m_transaction;
    const Table *m_table = nullptr;
    std::unique_ptr<pg::CopyIn> m_copy;
};

std::unique_ptr<Reader> readerFor(const Location &location)
{
    if (location.kind == Location::Kind::Server) {
        return std::make_unique<ServerReader>(location);
    }
    return std::make_unique<FileReader>(location);
}

std::unique_ptr<Writer> writerFor(const Location &location)
{
    if (location.kind == Location::Kind::Server) {
        return std::make_unique<ServerWriter>(location);
    }
    return std::make_unique<FileWriter>(location);
}

bool sameLibrary(const Location &a, const Location &b)
{
    if (a.kind != b.kind) {
        return false;
    }
    if (a.kind == Location::Kind::Server) {
        return a.text.trimmed() == b.text.trimmed();
    }
    const QString fileA = QFileInfo(a.fileName).canonicalFilePath();
    return !fileA.isEmpty() && fileA == QFileInfo(b.fileName).canonicalFilePath();
}

} // namespace

Location locate(const QString &text)
{
    Location location;
    location.text = text;
    if (pg::isConnectionString(text)) {
        location.kind = Location::Kind::Server;
        location.shown = pg::redacted(text);
        return location;
    }
    const QFileInfo info(text);
    const bool folder = info.isDir() || (!info.exists() && !text.endsWith(QStringLiteral(".mdb"), Qt::CaseInsensitive));
    location.fileName = folder ? QDir(text).filePath(QStringLiteral("dbase/system.mdb")) : text;
    location.shown = location.fileName;
    return location;
}

Result copy(const Location &source, const Location &target, Replace replace,
            const std::function<void(const Progress &)> &progress)
{
    Result result;
    auto fail = [&](const Failure &failure) {
        result.outcome = failure.outcome;
        result.message = failure.message;
        result.rows = 0;
        return result;
    };
    if (sameLibrary(source, target)) {
        return fail(failed(Outcome::Failed, QStringLiteral("%1 is both the source and the target.").arg(source.shown)));
    }
    // A library a newer Taprell laid out may hold what this one does not know: copying it would
    // drop that, and replacing it would leave it half known. Either side is refused.
    for (const auto &[location, outcome] :
         {std::pair{&source, Outcome::SourceFailed}, std::pair{&target, Outcome::TargetFailed}}) {
        const bool server = location->kind == Location::Kind::Server;
        if (!server && !QFileInfo(location->fileName).isFile()) {
            continue;
        }
        Library library;
        const Status opened = library.open(server ? location->text : location->fileName, OpenMode::ReadOnly);
        if (!opened && opened.error().kind == LibraryError::Kind::NewerLayout) {
            return fail(failed(outcome, QStringLiteral("%1 was laid out by a newer Taprell; this one would lose what "
                                                       "that added, so nothing was copied.")
                                            .arg(location->shown)));
        }
    }

    const std::unique_ptr<Reader> reader = readerFor(source);
    if (Check failure = reader->open()) {
        return fail(*failure);
    }
    QList<qint64> counts;
    Progress state;
    for (const Table &table : tables()) {
        qint64 rows = 0;
        if (table.since > 1 && !reader->hasTable(table)) {
            counts << -1; // a library made before the table: nothing of it to copy
            continue;
        }
        if (Check failure = reader->count(table, &rows)) {
            return fail(*failure);
        }
        counts << rows;
        state.total += rows;
    }

    const std::unique_ptr<Writer> writer = writerFor(target);
    auto abort = [&](const Failure &failure) {
        writer->abort();
        return fail(failure);
    };
    if (Check failure = writer->open()) {
        return abort(*failure);
    }
    bool empty = true;
    if (Check failure = writer->isEmpty(&empty)) {
        return abort(*failure);
    }
    if (!empty && replace == Replace::No) {
        return abort(failed(Outcome::NotEmpty, QStringLiteral("%1 already holds a figure library; nothing was copied. "
                                                              "Give --replace to replace it.")
                                                   .arg(target.shown)));
    }
    if (!empty) {
        if (Check failure = writer->clear()) {
            return abort(*failure);
        }
    }

    for (int t = 0; t < tables().size(); ++t) {
        const Table &table = tables()[t];
        if (counts[t] < 0) {
            continue;
        }
        state.table = table.name;
        state.tableRows = 0;
        state.tableTotal = counts[t];
        if (Check failure = reader->start(table)) {
            return abort(*failure);
        }
        if (Check failure = writer->start(table)) {
            return abort(*failure);
        }
        Row row;
        Check failure;
        while (reader->next(row, &failure)) {
            if ((failure = writer->write(row))) {
                break;
            }
            ++state.tableRows;
            ++state.done;
            if (progress && state.tableRows % 10000 == 0) {
                progress(state);
            }
        }
        if (failure) {
            return abort(*failure);
        }
        if ((failure = writer->finishTable(table))) {
            return abort(*failure);
        }
        if (progress) {
            progress(state);
        }
    }
    if (Check failure = writer->commit()) {
        return abort(*failure);
    }
    result.rows = state.done;
    return result;
}

} // namespace LibraryCopy
