// SPDX-License-Identifier: GPL-3.0-or-later
#include "Dialogs.h"
#include "ProgramFonts.h"
#include "SettingsStore.h"
#include "Translation.h"
#include "fMain.h"
#include "mTaprell.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installChineseQtTexts();
    QApplication::setApplicationName(QStringLiteral("Taprell"));
    installProgramFonts();

    SettingsStore settings;
    MessageBoxDialogs dialogs;
    mTaprell taprell(settings, dialogs);
    fMain window(taprell);
    window.show();
    return QApplication::exec();
}
