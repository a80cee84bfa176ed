// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Engine.h>
#include <library/server/PgDatabase.h>

// A figure library held by a PostgreSQL server (see data/schema-postgresql.sql), for a lab that
// shares one. Its statements are rendered in the server's dialect (numbered parameters, an
// INSERT that hands back the identity it gave), and field names come back spelled as on the
// file, so the windows cannot tell the two apart.
class ServerEngine final : public engine::Connection
{
public:
    static std::unique_ptr<ServerEngine> open(const QString &conninfo, OpenMode mode, int lockWaitMilliseconds,
                                              LibraryError *error);

    QString location() const override { return m_db.serverName(); }
    bool check() override;
    bool isBroken() const override;
    const engine::Dialect &dialect() const override;
    std::unique_ptr<engine::Statement> prepare(const engine::Sql &sql) override;
    bool execute(const char *sql) override;
    bool beginSave() override;
    bool failedStatementSpoilsTransaction() const override { return true; }
    std::optional<int> schemaVersion() override;
    std::optional<QList<TableColumn>> tableColumns(const QString &table) override;
    LibraryError error(const QString &message, const QString &statement) const override;

    // Keeps the failure for error(); statements report theirs here. A statement refused only
    // because an earlier one spoiled the transaction reports that earlier failure instead.
    void failed(const pg::Status &status);
    // A column name as the file spells it (figName, not figname), for the fields of the schema.
    static QString fileSpelling(const QString &name);

private:
    // COMMIT of a save. When the connection goes before the answer comes, the server is asked on
    // a new connection whether the save's transaction committed: true when it did.
    bool commitSave();

    pg::Connection m_db;
    pg::Error m_lastError;
    std::optional<pg::Error> m_spoiledBy; // the failure that spoiled the open transaction
    QString m_conninfo;                   // for asking after a lost COMMIT
    QByteArray m_saveTransaction;         // the open save's transaction id (txid_current())
    bool m_commitOutcomeUnknown = false;  // the last COMMIT's answer was lost and could not be learnt
};
