// SPDX-License-Identifier: GPL-3.0-or-later
#include "Dialogs.h"
#include "FileOperations.h"
#include "ProgramFonts.h"
#include "ProgramStarter.h"
#include "SettingsStore.h"
#include "SpreadsheetApplication.h"
#include "Translation.h"
#include "WindowsFolder.h"
#include "mMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installChineseQtTexts();
    installProgramFonts();

    SettingsStore settings;
    MessageBoxDialogs dialogs;
    EnvironmentSpreadsheetApplication excel;
    FileOperations files;
    DetachedProcessStarter programs = DetachedProcessStarter::fromEnvironment();
    mMain setup(
        {settings, dialogs, excel, files, programs, WindowsFolder::locate(), QCoreApplication::applicationDirPath()});

    if (setup.start() == mMain::StartOutcome::Ended) {
        return 0;
    }
    return app.exec();
}
