// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <labels/LabelEditor.h>

#include <QWidget>

class FieldBinder;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeView;
class Dialogs;
class mTaprell;

// The label window: the labels of one figure, edited in the list and stored by one save.
// Box edits reach the current row when a box loses the focus, so a click on the list or on a
// button always comes after the edit has landed in the row that was current before it.
class fPicLbl : public QWidget
{
    Q_OBJECT

public:
    fPicLbl(mTaprell &taprell, Dialogs &dialogs, QWidget *parent = nullptr);

    // The catalogue shows the window again: reloads for the current figure number when it is not
    // the one the list was loaded for (asking first when rows carry unsaved marks; No keeps the
    // window as it is), then brings the window to the front.
    void showForCurrentFigure();

    // Carries an edit of box i (1 x, 2 y, 3 label name) into the current row.
    void TxtBoxesChange(int i);

    LabelEditor &editor() { return m_editor; }

    // The digitiser's edits of the same working copy. Appends a label as "新 建" then "加 入"
    // would; the new row is current and the boxes show it. -1 while the user is entering a
    // label here (the boxes hold what they typed).
    int appendLabel(const LabelEditor::BoxTexts &texts);
    // Takes a row out: a new one leaves the list, a stored one is marked as "删 除" marks it.
    bool removeRow(int row);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void loadFigure();
    void listClick();
    void selectCurrentRow();
    void commitFocusedBox();
    void showBoxTexts(const LabelEditor::BoxTexts &texts);
    void showDesignTimeTexts();
    void addClicked();
    void deleteClicked();
    void saveClicked();

    mTaprell &m_taprell;
    Dialogs &m_dialogs;
    LabelEditor m_editor;

    QLabel *Label1 = nullptr;
    QTreeView *LvFigure = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLineEdit *tTxtBx1 = nullptr;
    QLineEdit *tTxtBx2 = nullptr;
    QPlainTextEdit *tTxtBx3 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *CmdDelete = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;
    FieldBinder *m_fields = nullptr; // box i bound to list column i
    bool m_selecting = false;        // the window moves the selection itself: not a click on the list
};
