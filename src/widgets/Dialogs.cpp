// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/Dialogs.h>

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

Dialogs::Answer MessageBoxDialogs::show(const Message &message, QWidget *parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(message.title);
    box.setText(message.text);
    if (!message.details.isEmpty()) {
        box.setDetailedText(message.details);
    }
    switch (message.icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (message.buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // The details name statements and engine messages: give them room to be read. (Added last:
    // setting the icon or the buttons lays the box out anew.)
    if (!message.details.isEmpty()) {
        if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
            grid->addItem(new QSpacerItem(460, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                          grid->columnCount());
        }
    }
    const int result = box.exec();
    if (message.buttons == Buttons::YesNo) {
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    return Answer::Ok;
}
