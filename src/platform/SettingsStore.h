// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// The per-user settings store: values addressed by application, section and key, all text.
// Each application is one INI file in the settings folder, named after the application folded
// to lower case, so "Venmarod Software" and "Venmarod software" share one file. Section and key
// names are matched without regard to case; a write keeps the spelling already in the file.
//
// A file with lines the INI reader cannot take (hand-edited, or saved in another encoding) is
// still written, but the INI writer drops those lines: its earlier content is then kept beside
// it, as <file>.bak (or .bak.1, .bak.2, … when that exists).
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

    struct Entry
    {
        QString section;
        QString key; // not empty, no '/' or '\' (the INI format reads those as nested groups)
        QString value;
    };
    // Writes all entries with one read and one write of the file, in order: a later entry for
    // the same section and key wins. All or nothing: false when the file could not be written.
    bool setValues(const QString &application, const QList<Entry> &entries);

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
