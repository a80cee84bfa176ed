// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

// The language of the texts drawing and exporting produce: what a figure's definition does not
// allow to draw, why a file could not be written. The windows show them in Chinese; the
// command-line tools print them in English.
enum class Wording
{
    Chinese,
    English,
};

// Both texts take the same arguments (%1, %2, …), so the caller fills in whichever is chosen.
// The windows' Chinese wording follows the texts loaded for them: Taprell's English texts
// translate "中文" (context Wording) as "English", and the windows then get the English text.
inline QString worded(Wording wording, const QString &chinese, const QString &english)
{
    if (wording == Wording::English) {
        return english;
    }
    return QCoreApplication::translate("Wording", "中文") == u"English" ? english : chinese;
}
