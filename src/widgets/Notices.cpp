// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/LibraryError.h>
#include <library/state/mTaprell.h>
#include <widgets/Dialogs.h>
#include <widgets/Notices.h>

#include <QCoreApplication>

void errorNotice(Dialogs &dialogs, const LibraryError &error, QWidget *parent)
{
    dialogs.show({mTaprell::programTitle, QCoreApplication::translate("Notices", errorNoticeText.toUtf8().constData()),
                  error.details(), Dialogs::Icon::None, Dialogs::Buttons::Ok},
                 parent);
}

void libraryProblem(Dialogs &dialogs, const LibraryError &error, QWidget *parent)
{
    if (error.kind == LibraryError::Kind::ReadFailed) {
        // The library opened but broke off while being read: an error, not a missing library.
        errorNotice(dialogs, error, parent);
        return;
    }
    dialogs.show({mTaprell::programTitle,
                  QCoreApplication::translate("Notices", "图版库打不开，列表为空。\n\n%1").arg(error.message),
                  error.details(), Dialogs::Icon::Warning, Dialogs::Buttons::Ok},
                 parent);
}

bool confirmDiscard(Dialogs &dialogs, QWidget *parent)
{
    const Dialogs::Answer answer = dialogs.show(
        {mTaprell::programTitle,
         QCoreApplication::translate("Notices", "列表中有尚未保存的改动（带标记的行）。\n放弃这些改动吗？"),
         {},
         Dialogs::Icon::Question,
         Dialogs::Buttons::YesNo},
        parent);
    return answer == Dialogs::Answer::Yes;
}
