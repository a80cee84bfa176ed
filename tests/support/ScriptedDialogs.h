// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <widgets/Dialogs.h>

#include <QList>

// Records every message a window shows and answers questions from a queue (No when empty).
class ScriptedDialogs final : public Dialogs
{
public:
    Answer show(const Message &message, QWidget *) override
    {
        shown.append(message);
        if (message.buttons == Buttons::Ok) {
            return Answer::Ok;
        }
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }

    QList<Message> shown;
    QList<Answer> answers;
};
