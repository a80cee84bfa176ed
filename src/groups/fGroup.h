// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <groups/GroupEditor.h>

#include <QWidget>

class FieldBinder;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class Dialogs;
class mTaprell;

// The group manager: lists the groups of the figure library, renames the clicked group in
// TextBox1, adds groups and marks groups for deletion, all in the list until the user saves.
// A top-level, modeless window; the catalogue keeps at most one open.
class fGroup : public QWidget
{
    Q_OBJECT

public:
    static const QString caption; // "Kalvor-Dovidid-分组管理"

    // Builds the controls and loads the list.
    fGroup(mTaprell &taprell, Dialogs &dialogs, QWidget *parent = nullptr);
    ~fGroup() override;

    // Reloads the list from the figure library; there is no current row afterwards.
    void setGroup();
    // Showing the window while it is open only brings it to the front.
    void bringToFront();

    GroupEditor &editor() { return m_editor; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showRow(int row);
    void commitName();
    void cmdAddGroupClick();
    void cmdDeleteGroupClick();
    void cmdGrpUpdataClick();

    mTaprell &m_taprell;
    Dialogs &m_dialogs;
    GroupEditor m_editor;
    QTreeView *LvGroup = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *TextBox1 = nullptr;
    QPushButton *cmdAddGroup = nullptr;
    QPushButton *cmdDeleteGroup = nullptr;
    QPushButton *cmdGrpUpdata = nullptr;
    FieldBinder *m_fields = nullptr;
};
