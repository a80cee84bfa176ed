// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The per-user settings store: values addressed by application, section and key, all text.
// Each application is one INI file in the settings folder, named after the application folded
// to lower case, so "Venmarod Software" and "Venmarod software" share one file. Section and key
// names are matched without regard to case; a write keeps the spelling already in the file.
class SettingsStore
{
public:
    // $XDG_CONFIG_HOME, or $HOME/.config when that is unset.
    static QString defaultFolder();

    explicit SettingsStore(QString folder = defaultFolder());

    QString folder() const { return m_folder; }
    QString fileName(const QString &application) const;

    // The stored text, or the empty text when there is none.
    QString value(const QString &application, const QString &section, const QString &key) const;
    bool contains(const QString &application, const QString &section, const QString &key) const;

    // False when the file could not be written.
    bool setValue(const QString &application, const QString &section, const QString &key, const QString &value);

    enum class RemoveResult
    {
        Removed,
        Missing,
        Failed,
    };
    RemoveResult removeSection(const QString &application, const QString &section);

private:
    QString m_folder;
};
