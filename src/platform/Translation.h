// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Loads Qt's own Simplified Chinese texts (the buttons of message boxes: 确定, 是, 否, …), so that
// everything the programs show is in the user's language. Quietly does nothing without them.
void installChineseQtTexts();

// Taprell's texts in the suite's language, the setting "Language": "English" loads Taprell's
// English texts (built into the program) and leaves Qt's own texts in English; "Chinese", an
// empty setting or anything else keeps the Chinese texts and loads Qt's Chinese ones. Returns
// whether the English texts were loaded.
bool installTaprellTexts(const QString &language);
