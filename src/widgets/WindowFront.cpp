// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/WindowFront.h>

#include <QWidget>

void bringWindowToFront(QWidget *window)
{
    if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->show();
    }
    window->raise();
    window->activateWindow();
}
