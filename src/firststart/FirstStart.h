// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <widgets/Dialogs.h>

#include <QString>

class FolderChooser;
class QWidget;
class SettingsStore;
class mTaprell;

// The first start of Taprell on a user account: the settings store has no install path yet.
// Taprell then offers to set up a personal figure library from the sample diagrams that come
// with the program, or to use an install folder the user already has. Either way only "Path"
// is written, as KalvorSetup writes it; a library that is already there is never replaced,
// and declining writes nothing at all.
class FirstStart
{
public:
    enum class Outcome
    {
        NotFirstStart, // the settings store already names an install folder
        Declined,      // nothing written
        Created,       // a new personal library, "Path" names it
        UsedExisting,  // the personal library was already there and is used as it is
        Chosen,        // "Path" names the install folder the user chose
        Failed,        // told to the user; the settings store is unchanged
    };

    struct Places
    {
        QString personalFolder; // where the personal library is made
        QString sampleFolder;   // the packaged sample install folder; empty when there is none
    };

    // ${XDG_DATA_HOME:-~/.local/share}/taprell
    static QString defaultPersonalFolder();
    // The sample install folder installed beside the program (share/taprell/sample), or the
    // empty text when the program runs from its build folder.
    static QString packagedSampleFolder();
    static Places defaultPlaces() { return {defaultPersonalFolder(), packagedSampleFolder()}; }

    FirstStart(mTaprell &taprell, Dialogs &dialogs, SettingsStore &settings, FolderChooser &folders, Places places);

    // Neither "Path" nor "Library" is set.
    bool isFirstStart() const;
    // Asks, and does what the user chose. Returns at once with NotFirstStart when the settings
    // store already has an install path.
    Outcome offer(QWidget *parent);

    const Places &places() const { return m_places; }
    // The program's settings store.
    SettingsStore &settings() const { return m_settings; }
    // The program's message hook.
    Dialogs &dialogs() const { return m_dialogs; }

private:
    Outcome createPersonalLibrary(QWidget *parent);
    Outcome chooseInstallFolder(QWidget *parent);
    bool copySample(const QString &libraryFile, QString &problem) const;
    void copyThumbnails() const;
    void drawThumbnails(const QString &libraryFile) const;
    bool writePath(const QString &folder, QWidget *parent);
    bool ask(const QString &text, QWidget *parent);
    void tell(const QString &text, QWidget *parent, Dialogs::Icon icon);

    mTaprell &m_taprell;
    Dialogs &m_dialogs;
    SettingsStore &m_settings;
    FolderChooser &m_folders;
    Places m_places;
};
