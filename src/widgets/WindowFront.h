// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Shows a window that is already open in front of the others, restoring it when minimised.
void bringWindowToFront(QWidget *window);
