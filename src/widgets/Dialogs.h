// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The one way the windows ask questions and show notices. The programs use the message-box
// implementation; tests substitute one that records each message and answers from a script.
class Dialogs
{
public:
    enum class Icon
    {
        None,
        Information,
        Warning,
        Critical,
        Question,
    };
    enum class Buttons
    {
        Ok,
        YesNo,
    };
    enum class Answer
    {
        Ok,
        Yes,
        No,
    };

    struct Message
    {
        QString title;
        QString text;
        QString details; // shown under the text on request; empty for none
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    virtual ~Dialogs() = default;
    virtual Answer show(const Message &message, QWidget *parent) = 0;
};

class MessageBoxDialogs final : public Dialogs
{
public:
    Answer show(const Message &message, QWidget *parent) override;
};
