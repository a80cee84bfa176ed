// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/SettingsStore.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSettings>
#include <QtDebug>

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

// The names of one level of the file, looked up without regard to case in constant time, so a
// write of many keys does not scan the whole section for each of them.
class NameIndex
{
public:
    explicit NameIndex(const QStringList &names)
    {
        for (const QString &name : names) {
            const QString folded = name.toCaseFolded();
            if (!m_names.contains(folded)) {
                m_names.insert(folded, name);
            }
        }
    }
    // The stored spelling of wanted; a new name is added in the spelling given.
    QString resolve(const QString &wanted)
    {
        const QString folded = wanted.toCaseFolded();
        const auto found = m_names.constFind(folded);
        if (found != m_names.cend()) {
            return found.value();
        }
        m_names.insert(folded, wanted);
        return wanted;
    }

private:
    QHash<QString, QString> m_names;
};

// An unquoted value with commas, written by hand, reads as a list: give back its text.
QString textOf(const QVariant &value)
{
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString();
}

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Keeps the content a write could not carry over, under a name no earlier backup has.
void keepBackup(const QString &fileName, const QByteArray &content)
{
    if (content.isEmpty()) {
        return;
    }
    QString backup = fileName + QStringLiteral(".bak");
    for (int n = 1; QFileInfo::exists(backup); ++n) {
        backup = fileName + QStringLiteral(".bak.%1").arg(n);
    }
    QSaveFile file(backup);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit()) {
        qWarning().noquote() << "Settings file" << fileName << "had lines that could not be read; they are kept in"
                             << backup;
    } else {
        qWarning().noquote() << "Settings file" << fileName
                             << "had lines that could not be read, and they could not be kept in" << backup;
    }
}

// QSettings reports a file it could not fully read as FormatError, and keeps reporting that even
// when the write that followed succeeded (the first error sticks). So for that status the caller
// checks with a fresh reader what the file now holds.
enum class SyncOutcome
{
    Written,
    Failed,
    Unsure,
};
SyncOutcome finish(QSettings &settings, const QString &fileName, const QByteArray &before)
{
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return SyncOutcome::Written;
    case QSettings::FormatError:
        keepBackup(fileName, before);
        return SyncOutcome::Unsure;
    case QSettings::AccessError:
        break;
    }
    return SyncOutcome::Failed;
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
    return textOf(settings.value(name));
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
    return setValues(application, {{section, key, value}});
}

bool SettingsStore::setValues(const QString &application, const QList<Entry> &entries)
{
    if (!QDir().mkpath(m_folder)) {
        return false;
    }
    const QString file = fileName(application);
    const QByteArray before = contentOf(file);
    QSettings settings(file, QSettings::IniFormat);

    NameIndex groups(settings.childGroups());
    QHash<QString, NameIndex> keysOfGroup;
    QHash<QString, QString> written; // path in the file -> value
    for (const Entry &entry : entries) {
        const QString group = groups.resolve(entry.section);
        auto keys = keysOfGroup.find(group);
        if (keys == keysOfGroup.end()) {
            settings.beginGroup(group);
            keys = keysOfGroup.insert(group, NameIndex(settings.childKeys()));
            settings.endGroup();
        }
        const QString path = group + u'/' + keys->resolve(entry.key);
        settings.setValue(path, entry.value);
        written.insert(path, entry.value);
    }

    switch (finish(settings, file, before)) {
    case SyncOutcome::Written:
        return true;
    case SyncOutcome::Failed:
        return false;
    case SyncOutcome::Unsure:
        break;
    }
    const QSettings reader(file, QSettings::IniFormat);
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        if (!reader.contains(it.key()) || textOf(reader.value(it.key())) != it.value()) {
            return false;
        }
    }
    return true;
}

SettingsStore::RemoveResult SettingsStore::removeSection(const QString &application, const QString &section)
{
    const QString file = fileName(application);
    if (!QFileInfo::exists(file)) {
        return RemoveResult::Missing;
    }
    const QByteArray before = contentOf(file);
    QSettings settings(file, QSettings::IniFormat);
    const QString group = matching(settings.childGroups(), section);
    if (group.isEmpty()) {
        return RemoveResult::Missing;
    }
    settings.remove(group);
    switch (finish(settings, file, before)) {
    case SyncOutcome::Written:
        return RemoveResult::Removed;
    case SyncOutcome::Failed:
        return RemoveResult::Failed;
    case SyncOutcome::Unsure:
        break;
    }
    const QSettings reader(file, QSettings::IniFormat);
    return matching(reader.childGroups(), section).isEmpty() ? RemoveResult::Removed : RemoveResult::Failed;
}
