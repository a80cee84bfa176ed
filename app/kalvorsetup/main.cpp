// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"
#include <platform/FileOperations.h>
#include <platform/ProgramStarter.h>
#include <platform/SettingsStore.h>
#include <platform/SpreadsheetApplication.h>
#include <platform/Translation.h>
#include <platform/WindowsFolder.h>
#include <setup/mMain.h>
#include <widgets/Dialogs.h>
#include <widgets/ProgramFonts.h>

#include <QApplication>

int main(int argc, char *argv[])
{
    const CommandLine::Program program{
        "KalvorSetup",
        "KalvorSetup installs the Kalvor suite from the folder it is started from, the installer folder\n"
        "that holds Kalvor.xl, Update.txt, Constant.txt and Controls/: copy it into that folder and start\n"
        "it there. The installation starts only from its window; see KalvorSetup(1)."};
    if (const std::optional<int> status = CommandLine::readWindowProgramArguments(argc, argv, program)) {
        return *status;
    }
    QApplication app(argc, argv);
    installChineseQtTexts();
    installProgramFonts();

    MessageBoxDialogs dialogs;
    const QString installerFolder = QCoreApplication::applicationDirPath();
    // Checked before the Windows folder is located, which makes it when it is missing.
    if (!mMain::checkInstallerFolder(installerFolder, dialogs)) {
        return 1;
    }
    SettingsStore settings;
    EnvironmentSpreadsheetApplication excel;
    FileOperations files;
    DetachedProcessStarter programs = DetachedProcessStarter::fromEnvironment();
    mMain setup({settings, dialogs, excel, files, programs, WindowsFolder::locate(), installerFolder});

    if (setup.start() == mMain::StartOutcome::Ended) {
        return 0;
    }
    return app.exec();
}
