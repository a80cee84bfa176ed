// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <catalogue/CatalogueEditor.h>

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class FieldBinder;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeView;
class SettingsStore;
class WindowsTarget;
class Dialogs;
namespace plot {
class FigureSettingsStore;
}
class mTaprell;

// The catalogue window: the figures of one kind, the selected figure in edit controls with its
// thumbnail, the editing buttons, and the buttons that open the other windows.
class fMain : public QWidget
{
    Q_OBJECT

public:
    fMain(mTaprell &taprell, Dialogs &dialogs, QWidget *parent = nullptr);
    ~fMain() override;

    // Lists the figures of the kind and shows their count.
    void LoadFigData(FigureKind &FT);
    // The figure number a new figure gets after the row at a 1-based position.
    QString NewFigNumber(int position) const;

    CatalogueEditor &editor() { return m_editor; }
    int currentRow() const { return m_editor.currentRow(); }
    bool addMode() const { return m_editor.addMode(); }

    // The other windows, opened on demand; null while closed.
    QWidget *groupWindow() const { return m_groupWindow; }
    QWidget *figureDataWindow() const { return m_dataWindow; }
    QWidget *figureLabelWindow() const { return m_labelWindow; }
    QWidget *previewWindow() const { return m_previewWindow; }

    // "图版预览" beside the catalogue (a click on Image1 or F5), one instance.
    void showPreviewWindow();
    // 样品投图, on the current figure (F6, or the preview's button).
    void showPlotWindow();
    QWidget *plotWindow() const { return m_plotWindow; }
    // The program's settings store, where the preview keeps each figure's scan (the user's own
    // store when none is set).
    void setSettingsStore(SettingsStore *settings) { m_settings = settings; }

    // A bundle or a diagram file of the scripting tools dropped on the window: its figures are
    // added to the library (under new numbers where the library holds theirs already), the list
    // is read again, and a message says what was added and what could not be carried.
    bool importFigures(const QString &fileName);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void kindOptionClicked();
    void displaySelectedFigure();
    void showThumbnail();
    QList<QString> cellsFromControls() const;
    // Every edit control bound to a list column, with the column.
    void forEachFieldControl(const std::function<void(int column, QWidget *control)> &visit) const;

    void newFigure();
    void updateList();
    void deleteRow();
    void saveList();
    bool refuseDuplicate(const QString &number, int exceptRow);

    void showGroupWindow();
    void showFigureDataWindow();
    void showFigureLabelWindow();
    void placeBeside(QWidget *window);

    mTaprell &m_taprell;
    Dialogs &m_dialogs;
    CatalogueEditor m_editor;
    std::optional<LibraryError> m_pendingProblem;

    QRadioButton *Opt1 = nullptr;
    QRadioButton *Opt2 = nullptr;
    QLabel *lblNumber = nullptr;
    QTreeView *LvFigure = nullptr;
    QLabel *Image1 = nullptr;
    QLineEdit *tTh = nullptr;
    QPushButton *cmdAddPic = nullptr;
    QLineEdit *tPicName = nullptr;
    QLineEdit *tFigName = nullptr;
    QComboBox *comGroup = nullptr;
    QPushButton *Command1 = nullptr;
    QLineEdit *tSPCase = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *sjx = nullptr;
    QCheckBox *CheckVector = nullptr;
    QCheckBox *CheckBitmap = nullptr;
    QPlainTextEdit *tComment = nullptr;
    QPushButton *CommandButton1 = nullptr;
    QPushButton *CommandButton2 = nullptr;
    QPushButton *CmdDelete = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdSaveLvFigure = nullptr;
    QList<QLineEdit *> tX; // tX1..tX5
    QList<QLineEdit *> tY; // tY1..tY5
    QCheckBox *CheckX6 = nullptr;
    QCheckBox *CheckY6 = nullptr;
    QComboBox *CombX7 = nullptr;
    QComboBox *CombY7 = nullptr;
    QCheckBox *CheckBorder = nullptr;
    // The edit control of each field the list shows, by the field's column.
    FieldBinder *m_fields = nullptr;

    QPointer<QWidget> m_groupWindow;
    QPointer<QWidget> m_dataWindow;
    QPointer<QWidget> m_labelWindow;
    QPointer<QWidget> m_previewWindow;
    QPointer<QWidget> m_plotWindow;
    std::unique_ptr<plot::FigureSettingsStore> m_plotSettings;
    SettingsStore *m_settings = nullptr;
    WindowsTarget *m_digitiserTarget = nullptr; // the data and label windows, for the preview's digitiser
};
