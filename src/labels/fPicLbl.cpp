// SPDX-License-Identifier: GPL-3.0-or-later
#include <labels/fPicLbl.h>
#include <library/state/CurrentFigure.h>
#include <library/state/mTaprell.h>
#include <widgets/Controls.h>
#include <widgets/FieldBinder.h>
#include <widgets/Notices.h>
#include <widgets/ReportView.h>
#include <widgets/Twips.h>
#include <widgets/WindowFront.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTreeView>

namespace {

const char *const newCaption = QT_TRANSLATE_NOOP("fPicLbl", "新 建");
const char *const addCaption = QT_TRANSLATE_NOOP("fPicLbl", "加 入");
const char *const xDesignText = QT_TRANSLATE_NOOP("fPicLbl", "X-值");
const char *const yDesignText = QT_TRANSLATE_NOOP("fPicLbl", "Y-值");
const char *const nameDesignText = QT_TRANSLATE_NOOP("fPicLbl", "标签名称\n");

} // namespace

fPicLbl::fPicLbl(mTaprell &taprell, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_taprell(taprell)
    , m_dialogs(dialogs)
    , m_editor(taprell)
{
    buildControls();
    loadFigure();
}

void fPicLbl::buildControls()
{
    setObjectName(QStringLiteral("fPicLbl"));
    setFixedSize(twipsSize(6540, 6060));

    Label1 =
        label(this, "Label1", QCoreApplication::translate("fPicLbl", "标签位置坐标值"), twipsRect(720, 120, 1695, 255));

    LvFigure = control<QTreeView>(this, "LvFigure", twipsRect(120, 480, 4095, 5415));
    LvFigure->setModel(&m_editor.model());
    setupReportView(LvFigure, m_editor.widthsInTwips());

    Frame1 = frame(this, "Frame1", QCoreApplication::translate("fPicLbl", "标签属性编辑栏"),
                   twipsRect(4320, 360, 2055, 3255));
    label(Frame1, "Label5", QCoreApplication::translate("fPicLbl", "X-值"), twipsRect(180, 420, 495, 255));
    tTxtBx1 = textBox(Frame1, "tTxtBx1", twipsRect(875, 360, 1000, 320), tr(xDesignText));
    label(Frame1, "Label6", QCoreApplication::translate("fPicLbl", "Y-值"), twipsRect(180, 810, 495, 255));
    tTxtBx2 = textBox(Frame1, "tTxtBx2", twipsRect(875, 750, 1000, 320), tr(yDesignText));
    label(Frame1, "Label2", QCoreApplication::translate("fPicLbl", "标签名称"), twipsRect(240, 1320, 1095, 255));
    tTxtBx3 = textArea(Frame1, "tTxtBx3", twipsRect(240, 1680, 1695, 975), tr(nameDesignText));
    Command1 = button(Frame1, "Command1", tr(newCaption), twipsRect(960, 2760, 735, 375));

    CmdDelete =
        button(this, "CmdDelete", QCoreApplication::translate("fPicLbl", "删 除"), twipsRect(5280, 4080, 800, 375));
    cmdSave = button(this, "cmdSave", QCoreApplication::translate("fPicLbl", "保 存"), twipsRect(5280, 4740, 800, 375));
    cmdCancel =
        button(this, "cmdCancel", QCoreApplication::translate("fPicLbl", "退 出"), twipsRect(5280, 5400, 800, 375));

    // The y box comes before the x box.
    setTabOrder(LvFigure, tTxtBx2);
    setTabOrder(tTxtBx2, tTxtBx1);
    setTabOrder(tTxtBx1, tTxtBx3);
    setTabOrder(tTxtBx3, Command1);
    setTabOrder(Command1, CmdDelete);
    setTabOrder(CmdDelete, cmdSave);
    setTabOrder(cmdSave, cmdCancel);

    m_fields = new FieldBinder(
        this, FieldBinder::Counted::Every, [this](int i, const QString &text) { m_editor.setSnapshot(i, text); },
        [this](int i, const QString &) { TxtBoxesChange(i); });
    m_fields->bind(tTxtBx1, LabelEditor::XColumn);
    m_fields->bind(tTxtBx2, LabelEditor::YColumn);
    m_fields->bind(tTxtBx3, LabelEditor::NameColumn);

    connect(LvFigure, &QTreeView::clicked, this, &fPicLbl::listClick);
    connect(LvFigure->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (!m_selecting) {
            listClick();
        }
    });
    connect(Command1, &QPushButton::clicked, this, &fPicLbl::addClicked);
    connect(CmdDelete, &QPushButton::clicked, this, &fPicLbl::deleteClicked);
    connect(cmdSave, &QPushButton::clicked, this, &fPicLbl::saveClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
}

void fPicLbl::loadFigure()
{
    const QString number = figureNumberToLoad(m_taprell);
    setWindowTitle(LabelEditor::caption(number));
    const Status loaded = m_editor.load(number);
    Command1->setText(tr(newCaption));
    selectCurrentRow();
    if (m_editor.currentRow() >= 0) {
        showBoxTexts(m_editor.rowTexts(m_editor.currentRow()));
    } else {
        showDesignTimeTexts();
    }
    if (!loaded) {
        libraryProblem(m_dialogs, loaded.error(), this);
    }
}

void fPicLbl::showForCurrentFigure()
{
    commitFocusedBox();
    const QString number = figureNumberToLoad(m_taprell);
    if (number != m_editor.figureNumber() && (!m_editor.hasUnsavedChanges() || confirmDiscard(m_dialogs, this))) {
        loadFigure();
    }
    bringWindowToFront(this);
}

void fPicLbl::TxtBoxesChange(int i)
{
    m_editor.commitField(i, m_fields->text(i));
}

void fPicLbl::commitFocusedBox()
{
    // The close box and the catalogue do not take the focus, so an edit still in a box is
    // carried into its row before anything asks whether rows carry marks.
    m_fields->commitFocused();
}

void fPicLbl::closeEvent(QCloseEvent *event)
{
    commitFocusedBox();
    if (m_editor.hasUnsavedChanges() && !confirmDiscard(m_dialogs, this)) {
        event->ignore();
        return;
    }
    event->accept();
}

void fPicLbl::listClick()
{
    if (const auto texts = m_editor.chooseRow(selectedReportRow(LvFigure))) {
        showBoxTexts(*texts);
        Command1->setText(tr(newCaption));
    }
}

void fPicLbl::selectCurrentRow()
{
    const QScopedValueRollback<bool> guard(m_selecting, true);
    selectReportRow(LvFigure, m_editor.currentRow());
}

void fPicLbl::showBoxTexts(const LabelEditor::BoxTexts &texts)
{
    tTxtBx1->setText(texts.x);
    tTxtBx2->setText(texts.y);
    tTxtBx3->setPlainText(texts.name);
}

void fPicLbl::showDesignTimeTexts()
{
    showBoxTexts({tr(xDesignText), tr(yDesignText), tr(nameDesignText)});
}

void fPicLbl::addClicked()
{
    if (!m_editor.addMode()) {
        showBoxTexts(m_editor.startAdding());
        Command1->setText(tr(addCaption));
        return;
    }
    m_editor.addRow({tTxtBx1->text(), tTxtBx2->text(), tTxtBx3->toPlainText()});
    Command1->setText(tr(newCaption));
    selectCurrentRow();
}

void fPicLbl::deleteClicked()
{
    m_editor.markCurrentDeleted();
}

void fPicLbl::saveClicked()
{
    const Status saved = m_editor.save();
    selectCurrentRow();
    if (!m_editor.addMode()) {
        if (m_editor.currentRow() >= 0) {
            showBoxTexts(m_editor.rowTexts(m_editor.currentRow()));
        } else {
            showDesignTimeTexts();
        }
    }
    if (!saved) {
        errorNotice(m_dialogs, saved.error(), this);
    }
}

int fPicLbl::appendLabel(const LabelEditor::BoxTexts &texts)
{
    if (m_editor.addMode()) {
        return -1;
    }
    commitFocusedBox();
    const int row = m_editor.addRow(texts);
    Command1->setText(tr(newCaption));
    selectCurrentRow();
    showBoxTexts(texts);
    return row;
}

bool fPicLbl::removeRow(int row)
{
    if (!m_editor.removeRow(row)) {
        return false;
    }
    if (m_editor.currentRow() < 0 && m_editor.model().size() > 0 && !m_editor.addMode()) {
        m_editor.chooseRow(std::min(row, m_editor.model().size() - 1));
    }
    selectCurrentRow();
    if (!m_editor.addMode()) {
        if (m_editor.currentRow() >= 0) {
            showBoxTexts(m_editor.rowTexts(m_editor.currentRow()));
        } else {
            showDesignTimeTexts();
        }
    }
    return true;
}
