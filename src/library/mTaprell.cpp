// SPDX-License-Identifier: GPL-3.0-or-later
#include "mTaprell.h"

#include "Dialogs.h"
#include "SettingsStore.h"

const QString mTaprell::applicationName = QStringLiteral("Venmarod software");
const QString mTaprell::settingsSection = QStringLiteral("Kalvor");
const QString mTaprell::errorNoticeText = QStringLiteral("不好意思，出错了！");
const QString mTaprell::programTitle = QStringLiteral("Taprell");

mTaprell::mTaprell(SettingsStore &settings, Dialogs &dialogs)
    : m_settings(settings)
    , m_dialogs(dialogs)
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
        error.message = QStringLiteral("设置中没有 Kalvor 的安装路径（%1 / %2 / Path），找不到图版库文件：%3")
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
            server ? QStringLiteral("这个数据库里没有图版表（picMain），不是图版库：%1").arg(m_library.fileName())
                   : QStringLiteral("这个文件里没有图版表（picMain），不是图版库：%1").arg(location);
        m_library.close();
        return error;
    }
    return {};
}

Status mTaprell::execute(const QString &sql)
{
    m_statementText = sql;
    return m_library.execute(sql);
}

Status mTaprell::openQuery(Query &query, const QString &sql, Query::Mode mode)
{
    m_statementText = sql;
    return query.open(m_library, sql, mode);
}

Status mTaprell::streamQuery(Query &query, const QString &sql, const std::function<void()> &eachRecord)
{
    m_statementText = sql;
    return query.stream(m_library, sql, eachRecord);
}

Status mTaprell::openSharedQuery(const QString &sql, Query::Mode mode)
{
    m_sharedQuery = Query();
    return openQuery(m_sharedQuery, sql, mode);
}

void mTaprell::errorNotice(const LibraryError &error, QWidget *parent)
{
    m_dialogs.show({programTitle, errorNoticeText, error.details(), Dialogs::Icon::None, Dialogs::Buttons::Ok}, parent);
}

void mTaprell::libraryProblem(const LibraryError &error, QWidget *parent)
{
    if (error.kind == LibraryError::Kind::ReadFailed) {
        // The library opened but broke off while being read: an error, not a missing library.
        errorNotice(error, parent);
        return;
    }
    m_dialogs.show({programTitle, QStringLiteral("图版库打不开，列表为空。\n\n%1").arg(error.message), error.details(),
                    Dialogs::Icon::Warning, Dialogs::Buttons::Ok},
                   parent);
}

bool mTaprell::confirmDiscard(QWidget *parent)
{
    const Dialogs::Answer answer =
        m_dialogs.show({programTitle,
                        QStringLiteral("列表中有尚未保存的改动（带标记的行）。\n放弃这些改动吗？"),
                        {},
                        Dialogs::Icon::Question,
                        Dialogs::Buttons::YesNo},
                       parent);
    return answer == Dialogs::Answer::Yes;
}
