// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/state/mTaprell.h>
#include <platform/SettingsStore.h>

#include <QCoreApplication>

const QString mTaprell::applicationName = QStringLiteral("Venmarod software");
const QString mTaprell::settingsSection = QStringLiteral("Kalvor");
const QString mTaprell::programTitle = QStringLiteral("Taprell");

mTaprell::mTaprell(SettingsStore &settings)
    : m_settings(settings)
{
}

QString mTaprell::settingsLookup(const QString &key) const
{
    return m_settings.value(applicationName, settingsSection, key);
}

QString mTaprell::libraryFileName() const
{
    return settingsLookup(QStringLiteral("Path")) + QStringLiteral("/dbase/system.mdb");
}

QString mTaprell::libraryLocation() const
{
    const QString server = settingsLookup(QStringLiteral("Library")).trimmed();
    return server.isEmpty() ? libraryFileName() : server;
}

Status mTaprell::openLibrary()
{
    m_sharedQuery.close();
    const QString location = libraryLocation();
    const bool server = location != libraryFileName();
    if (!server && settingsLookup(QStringLiteral("Path")).isEmpty()) {
        m_library.close();
        LibraryError error;
        error.message = QCoreApplication::translate(
                            "mTaprell", "设置中没有 Kalvor 的安装路径（%1 / %2 / Path），找不到图版库文件：%3")
                            .arg(applicationName, settingsSection, libraryFileName());
        return error;
    }
    if (Status opened = m_library.open(location, m_openMode); !opened) {
        return opened;
    }
    // An empty file opens as an empty database: say so here rather than fail on a missing table.
    if (!m_library.tableInfo(QStringLiteral("picMain"))) {
        LibraryError error;
        error.message =
            server ? QCoreApplication::translate("mTaprell", "这个数据库里没有图版表（picMain），不是图版库：%1")
                         .arg(m_library.fileName())
                   : QCoreApplication::translate("mTaprell", "这个文件里没有图版表（picMain），不是图版库：%1")
                         .arg(location);
        m_library.close();
        return error;
    }
    return {};
}

Status mTaprell::execute(const store::Operation &operation)
{
    m_statementText = operation.notice;
    return m_library.execute(operation);
}

Status mTaprell::openQuery(Query &query, const store::Operation &read, Query::Mode mode)
{
    m_statementText = read.notice;
    return query.open(m_library, read, mode);
}

Status mTaprell::streamQuery(Query &query, const store::Operation &read, const std::function<void()> &eachRecord)
{
    m_statementText = read.notice;
    return query.stream(m_library, read, eachRecord);
}

Status mTaprell::openSharedQuery(const store::Operation &read, Query::Mode mode)
{
    m_sharedQuery = Query();
    return openQuery(m_sharedQuery, read, mode);
}
