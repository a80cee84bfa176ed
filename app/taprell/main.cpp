// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"
#include <firststart/CatalogueStart.h>
#include <firststart/FirstStart.h>
#include <firststart/FolderChooser.h>
#include <library/state/mTaprell.h>
#include <platform/SettingsStore.h>
#include <platform/Translation.h>
#include <widgets/Dialogs.h>
#include <widgets/ProgramFonts.h>

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    const CommandLine::Program program{
        "Taprell", "Taprell edits the figure library of the Kalvor geochemistry suite. It finds the library through\n"
                   "the settings file ${XDG_CONFIG_HOME:-~/.config}/venmarod software.ini (section [Kalvor]:\n"
                   "Path, and Library for a library on a PostgreSQL server); see Taprell(1)."};
    if (const std::optional<int> status = CommandLine::readWindowProgramArguments(argc, argv, program)) {
        return *status;
    }
    QApplication app(argc, argv);
    SettingsStore settings;
    mTaprell taprell(settings);
    installTaprellTexts(taprell.settingsLookup(QStringLiteral("Language")));
    QApplication::setApplicationName(QStringLiteral("Taprell"));
    // Ties the windows to the menu entry and its icon where the desktop asks for it.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.taprell.Taprell"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.taprell.Taprell")));
    installProgramFonts();

    MessageBoxDialogs dialogs;
    FileDialogFolderChooser folders;
    FirstStart firstStart(taprell, dialogs, settings, folders, FirstStart::defaultPlaces());
    CatalogueStart catalogue(taprell, firstStart);
    catalogue.start();
    return QApplication::exec();
}
