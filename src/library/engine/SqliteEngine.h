// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Engine.h>
#include <library/engine/SqliteDatabase.h>

// A figure library in a file, through SQLite.
class SqliteEngine final : public engine::Connection
{
public:
    // Opens an existing file (never creates one) and reads its schema, so that a file that is
    // not a database, or one locked by another program, fails here with the reason.
    static std::unique_ptr<SqliteEngine> open(const QString &fileName, OpenMode mode, int lockWaitMilliseconds,
                                              LibraryError *error);

    QString location() const override { return m_fileName; }
    bool check() override;
    bool isBroken() const override { return false; }
    const engine::Dialect &dialect() const override;
    std::unique_ptr<engine::Statement> prepare(const engine::Sql &sql) override;
    bool execute(const char *sql) override;
    bool beginSave() override;
    bool failedStatementSpoilsTransaction() const override { return false; }
    std::optional<int> schemaVersion() override;
    std::optional<QList<TableColumn>> tableColumns(const QString &table) override;
    LibraryError error(const QString &message, const QString &statement) const override;

private:
    LibraryError errorFor(const QString &message, int code, const QString &statement) const;

    sqlite::Connection m_db;
    QString m_fileName;
    int m_openCode = 0; // the result of a failed open, 0 once open
};
