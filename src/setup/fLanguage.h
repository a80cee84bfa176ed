// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class mMain;

// Asks for the suite's language; OK stores the choice in mMain, runs the installation and
// closes. Closing the window instead installs nothing.
class fLanguage : public QWidget
{
    Q_OBJECT

public:
    explicit fLanguage(mMain &main, QWidget *parent = nullptr);

    // The selected list index, or -1 when the text of the box was edited after the last choice.
    int listIndex() const;

private:
    void cmdOKClick();

    mMain &m_main;
    QLabel *Label1;
    QComboBox *Combo1;
    QPushButton *cmdOK;
    bool m_edited = false;
    bool m_finishingEdit = false;
};
