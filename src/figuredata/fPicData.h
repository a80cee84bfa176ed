// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PicDataEditor.h"

#include <QWidget>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class mTaprell;

// The figure data editor: the points of the current figure in LvFigure, the clicked point in
// the fields of Frame2, appending points with cmdAddPoint, and the save. A top-level, modeless
// window; the catalogue keeps at most one open.
class fPicData : public QWidget
{
    Q_OBJECT

public:
    static const QString titleText; // followed by the figure number and four blanks

    // Builds the controls and loads the points of the program's current figure.
    explicit fPicData(mTaprell &taprell, QWidget *parent = nullptr);

    // The catalogue shows the window again: reloads for the current figure number when it is
    // another figure (asking first when rows carry unsaved marks), then brings it to the front.
    void showForCurrentFigure();

    // Commits value field i (1 line number, 2 curve, 3 X, 4 Y, 5 line type) into the row the
    // fields show. Runs when the field loses the focus.
    void TxtBoxesChange(int i);

    PicDataEditor &editor() { return m_editor; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void loadFigure(const QString &figureNumber);
    void chooseRow(int row);
    void showFields(const PointFields &fields);
    PointFields shownFields() const;
    QString fieldText(int i) const;
    int valueFieldOf(QObject *watched) const;
    void cmdAddPointClick();
    void cmdSaveClick();

    mTaprell &m_taprell;
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

    std::array<QWidget *, PicDataEditor::fieldCount> m_valueFields{}; // value field i at [i - 1]
};
