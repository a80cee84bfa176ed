// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <figuredata/PicDataEditor.h>

#include <QWidget>

#include <array>

class FieldBinder;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class Dialogs;
class mTaprell;

// The figure data editor: the points of the current figure in LvFigure, the clicked point in
// the fields of Frame2, appending points with cmdAddPoint, the Delete key in the list (a new
// point goes, a stored one is marked "★" for the save to delete), and the save. A top-level,
// modeless window; the catalogue keeps at most one open.
//
// The digitiser edits the same working copy through the public operations below, which show
// their change as the window's own buttons and keys do.
class fPicData : public QWidget
{
    Q_OBJECT

public:
    static const QString titleText; // followed by the figure number and four blanks

    // Builds the controls and loads the points of the program's current figure.
    fPicData(mTaprell &taprell, Dialogs &dialogs, QWidget *parent = nullptr);

    // The catalogue shows the window again: reloads for the current figure number when it is
    // another figure (asking first when rows carry unsaved marks), then brings it to the front.
    void showForCurrentFigure();

    // Commits value field i (1 line number, 2 curve, 3 X, 4 Y, 5 line type) into the row the
    // fields show. Runs when the field loses the focus.
    void TxtBoxesChange(int i);

    PicDataEditor &editor() { return m_editor; }

    // Appends a point as "添 加" then "加 入" would, with these values for the five fields
    // (line number, curve, X, Y, line type); the new row is current and selected. Returns its
    // row, or -1 while the user is preparing a point here (the fields hold what they typed).
    int appendPoint(const std::array<QString, PicDataEditor::fieldCount> &values);
    // The Delete key on a row, and its undo.
    std::optional<PicDataEditor::RemovedRow> removeRow(int row);
    bool restoreRow(const PicDataEditor::RemovedRow &removed);
    // Sets X and Y of a row (marked changed unless new); the fields show it when it is current.
    bool setPosition(int row, const QString &x, const QString &y);
    // Makes the row current as a click in the list does.
    void selectRow(int row);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void loadFigure(const QString &figureNumber);
    void chooseRow(int row);
    void showFields(const PointFields &fields);
    PointFields shownFields() const;
    QString fieldText(int i) const;
    void cmdAddPointClick();
    void cmdSaveClick();
    void deleteKeyPressed();
    void showCurrentRow(int place);

    mTaprell &m_taprell;
    Dialogs &m_dialogs;
    PicDataEditor m_editor;

    QTreeView *LvFigure;
    QGroupBox *Frame2;
    QLabel *Label2;
    QLineEdit *tTxtBx0;
    QLabel *Label3;
    QComboBox *tTxtBx1;
    QLabel *Label4;
    QComboBox *tTxtBx2;
    QLabel *Label5;
    QLineEdit *tTxtBx3;
    QLabel *Label6;
    QLineEdit *tTxtBx4;
    QLabel *Label7;
    QComboBox *tTxtBx5;
    QPushButton *cmdAddPoint;
    QGroupBox *Frame1;
    QLabel *Label1;
    QPushButton *cmdSave;
    QPushButton *cmdCancel;

    FieldBinder *m_fields = nullptr; // value field i bound to i
};
