// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
inline QString worded(Wording wording, const QString &chinese, const QString &english)
{
    return wording == Wording::English ? english : chinese;
}
