// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <platform/SpreadsheetApplication.h>
#include <widgets/Dialogs.h>

#include <QString>
#include <QStringList>

#include <memory>

class FileOperations;
class ProgramStarter;
class SettingsStore;
class fLanguage;

// The installer's routines and its program-wide state. The start-up routine deals with an
// earlier installation and shows fLanguage; fLanguage runs the installation routine once a
// language is chosen. Everything the routines touch outside the installer folder comes in
// through the constructor, so tests point it all at temporary folders.
class mMain
{
public:
    static inline const QString application = QStringLiteral("Venmarod Software");
    static inline const QString title = QStringLiteral("Kalvor安装");

    struct Collaborators
    {
        SettingsStore &settings;
        Dialogs &dialogs;
        SpreadsheetApplicationProvider &spreadsheet;
        FileOperations &files;
        ProgramStarter &programs;
        QString windowsFolder;
        QString installerFolder;
    };

    explicit mMain(Collaborators collaborators);
    ~mMain();
    mMain(const mMain &) = delete;
    mMain &operator=(const mMain &) = delete;

    enum class StartOutcome
    {
        LanguageShown,
        Ended,
    };
    // The start-up routine. Ended means the program is to end now, without the language window.
    StartOutcome start();

    // An installer folder holds at least one of the files an installation copies or reads
    // (Kalvor.xl, Update.txt, Constant.txt, Controls/MSCOMCTL.OCX). Started from any other folder
    // (a copy on the program path, say) an installation would only make that folder the install
    // path, where Taprell finds no library: this says so and returns false, before anything is
    // read or made.
    static bool checkInstallerFolder(const QString &folder, Dialogs &dialogs);

    // The installation routine. Failing steps are skipped; when any failed, one message lists
    // them. Returns the failed steps as listed.
    QStringList install();

    // The value under key in section "kalvor" of the profile file, at most 254 characters.
    QString readProfile(const QString &key) const;
    bool writeSetting(const QString &section, const QString &key, const QString &value);
    // A file in the Windows folder's syswow64 folder means a 64-bit system.
    bool is64Bit() const;

    QString chosenLanguage() const { return m_language; }
    void setChosenLanguage(const QString &language) { m_language = language; }

    QString installerFolder() const { return m_installerFolder; }
    QString profileFile() const { return m_profileFile; }
    QString startupFolder() const { return m_excel.startupPath; }
    fLanguage *languageWindow() const { return m_window.get(); }

private:
    bool getExcel(QString &error);
    void showCloseExcelMessage();
    QString firstItemOfUpdate(QStringList &failures) const;
    void writeConstants(QStringList &failures, QStringList &details);
    void registerControl(QStringList &failures, QStringList &details);

    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    SpreadsheetApplicationProvider &m_spreadsheet;
    FileOperations &m_files;
    ProgramStarter &m_programs;
    QString m_windowsFolder;
    QString m_installerFolder;

    SpreadsheetApplication m_excel;
    QString m_profileFile;
    QString m_language;
    std::unique_ptr<fLanguage> m_window;
};
