// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

QString matching(const QStringList &names, const QString &wanted)
{
    for (const QString &name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return name;
        }
    }
    return {};
}

} // namespace

QString SettingsStore::defaultFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty()) {
        return xdg;
    }
    return QDir::homePath() + QStringLiteral("/.config");
}

SettingsStore::SettingsStore(QString folder)
    : m_folder(std::move(folder))
{
}

QString SettingsStore::fileName(const QString &application) const
{
    return QDir(m_folder).filePath(application.toLower() + QStringLiteral(".ini"));
}

QString SettingsStore::value(const QString &application, const QString &section, const QString &key) const
{
    const QString file = fileName(application);
    if (!QFileInfo::exists(file)) {
        return {};
    }
    QSettings settings(file, QSettings::IniFormat);
    const QString group = matching(settings.childGroups(), section);
    if (group.isEmpty()) {
        return {};
    }
    settings.beginGroup(group);
    const QString name = matching(settings.childKeys(), key);
    if (name.isEmpty()) {
        return {};
    }
    // An unquoted value with commas, written by hand, reads as a list: give back its text.
    const QVariant value = settings.value(name);
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString();
}

bool SettingsStore::contains(const QString &application, const QString &section, const QString &key) const
{
    const QString file = fileName(application);
    if (!QFileInfo::exists(file)) {
        return false;
    }
    QSettings settings(file, QSettings::IniFormat);
    const QString group = matching(settings.childGroups(), section);
    if (group.isEmpty()) {
        return false;
    }
    settings.beginGroup(group);
    return !matching(settings.childKeys(), key).isEmpty();
}

bool SettingsStore::setValue(const QString &application, const QString &section, const QString &key,
                             const QString &value)
{
    if (!QDir().mkpath(m_folder)) {
        return false;
    }
    QSettings settings(fileName(application), QSettings::IniFormat);
    QString group = matching(settings.childGroups(), section);
    settings.beginGroup(group.isEmpty() ? section : group);
    const QString name = matching(settings.childKeys(), key);
    settings.setValue(name.isEmpty() ? key : name, value);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

SettingsStore::RemoveResult SettingsStore::removeSection(const QString &application, const QString &section)
{
    const QString file = fileName(application);
    if (!QFileInfo::exists(file)) {
        return RemoveResult::Missing;
    }
    QSettings settings(file, QSettings::IniFormat);
    const QString group = matching(settings.childGroups(), section);
    if (group.isEmpty()) {
        return RemoveResult::Missing;
    }
    settings.remove(group);
    settings.sync();
    return settings.status() == QSettings::NoError ? RemoveResult::Removed : RemoveResult::Failed;
}
