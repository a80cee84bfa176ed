// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class Dialogs;
class QWidget;
struct LibraryError;

// What Taprell's windows tell the user about the figure library, through the message hook.

inline const QString errorNoticeText = QString::fromUtf8(QT_TRANSLATE_NOOP("Notices", "不好意思，出错了！"));

// "不好意思，出错了！" with OK only, no icon, the program's title; the details under it.
void errorNotice(Dialogs &dialogs, const LibraryError &error, QWidget *parent);
// A library that could not be opened: names the file and why, once per window load. A read
// that broke off part way (a damaged file) gets the error notice with the engine's words.
void libraryProblem(Dialogs &dialogs, const LibraryError &error, QWidget *parent);
// Asks before unsaved marks are dropped; true when the user agrees to drop them.
bool confirmDiscard(Dialogs &dialogs, QWidget *parent);
