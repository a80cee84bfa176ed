// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Loads Qt's own Simplified Chinese texts (the buttons of message boxes: 确定, 是, 否, …), so that
// everything the programs show is in the user's language. Quietly does nothing without them.
void installChineseQtTexts();
