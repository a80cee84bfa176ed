// SPDX-License-Identifier: GPL-3.0-or-later
#include "fPicLbl.h"

#include "ReportView.h"
#include "Twips.h"
#include "WindowFront.h"
#include "mTaprell.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTreeView>

namespace {

const QString newCaption = QStringLiteral("新 建");
const QString addCaption = QStringLiteral("加 入");
const QString xDesignText = QStringLiteral("X-值");
const QString yDesignText = QStringLiteral("Y-值");
const QString nameDesignText = QStringLiteral("标签名称\n");

template <typename W>
W *place(W *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

} // namespace

fPicLbl::fPicLbl(mTaprell &taprell, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_taprell(taprell)
    , m_editor(taprell)
{
    buildControls();
    loadFigure();
}

void fPicLbl::buildControls()
{
    setObjectName(QStringLiteral("fPicLbl"));
    setFixedSize(twipsSize(6540, 6060));

    m_label1 = place(new QLabel(QStringLiteral("标签位置坐标值"), this), "Label1", 720, 120, 1695, 255);

    m_list = place(new QTreeView(this), "LvFigure", 120, 480, 4095, 5415);
    m_list->setModel(&m_editor.model());
    setupReportView(m_list, {540, 760, 760, 1900});

    m_frame = place(new QGroupBox(QStringLiteral("标签属性编辑栏"), this), "Frame1", 4320, 360, 2055, 3255);
    place(new QLabel(QStringLiteral("X-值"), m_frame), "Label5", 180, 420, 495, 255);
    m_x = place(new QLineEdit(xDesignText, m_frame), "tTxtBx1", 875, 360, 1000, 320);
    place(new QLabel(QStringLiteral("Y-值"), m_frame), "Label6", 180, 810, 495, 255);
    m_y = place(new QLineEdit(yDesignText, m_frame), "tTxtBx2", 875, 750, 1000, 320);
    place(new QLabel(QStringLiteral("标签名称"), m_frame), "Label2", 240, 1320, 1095, 255);
    m_name = place(new QPlainTextEdit(nameDesignText, m_frame), "tTxtBx3", 240, 1680, 1695, 975);
    m_name->setTabChangesFocus(true);
    m_add = place(new QPushButton(newCaption, m_frame), "Command1", 960, 2760, 735, 375);

    m_delete = place(new QPushButton(QStringLiteral("删 除"), this), "CmdDelete", 5280, 4080, 800, 375);
    m_save = place(new QPushButton(QStringLiteral("保 存"), this), "cmdSave", 5280, 4740, 800, 375);
    m_exit = place(new QPushButton(QStringLiteral("退 出"), this), "cmdCancel", 5280, 5400, 800, 375);

    // The y box comes before the x box.
    setTabOrder(m_list, m_y);
    setTabOrder(m_y, m_x);
    setTabOrder(m_x, m_name);
    setTabOrder(m_name, m_add);
    setTabOrder(m_add, m_delete);
    setTabOrder(m_delete, m_save);
    setTabOrder(m_save, m_exit);

    for (QWidget *box : {static_cast<QWidget *>(m_x), static_cast<QWidget *>(m_y), static_cast<QWidget *>(m_name)}) {
        box->installEventFilter(this);
    }

    connect(m_list, &QTreeView::clicked, this, &fPicLbl::listClick);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (!m_selecting) {
            listClick();
        }
    });
    connect(m_add, &QPushButton::clicked, this, &fPicLbl::addClicked);
    connect(m_delete, &QPushButton::clicked, this, &fPicLbl::deleteClicked);
    connect(m_save, &QPushButton::clicked, this, &fPicLbl::saveClicked);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
}

void fPicLbl::loadFigure()
{
    const QString number = m_editor.figureNumberToLoad();
    setWindowTitle(LabelEditor::caption(number));
    const Status loaded = m_editor.load(number);
    m_add->setText(newCaption);
    selectCurrentRow();
    if (m_editor.currentRow() >= 0) {
        showBoxTexts(m_editor.rowTexts(m_editor.currentRow()));
    } else {
        showDesignTimeTexts();
    }
    if (!loaded) {
        m_taprell.libraryProblem(loaded.error(), this);
    }
}

void fPicLbl::showForCurrentFigure()
{
    commitFocusedBox();
    const QString number = m_editor.figureNumberToLoad();
    if (number != m_editor.figureNumber() && (!m_editor.hasUnsavedChanges() || m_taprell.confirmDiscard(this))) {
        loadFigure();
    }
    bringWindowToFront(this);
}

void fPicLbl::TxtBoxesChange(int i)
{
    m_editor.commitBox(i, boxText(i));
}

QString fPicLbl::boxText(int i) const
{
    switch (i) {
    case 1:
        return m_x->text();
    case 2:
        return m_y->text();
    case 3:
        return m_name->toPlainText();
    default:
        return {};
    }
}

int fPicLbl::boxIndex(const QObject *object) const
{
    if (object == m_x) {
        return 1;
    }
    if (object == m_y) {
        return 2;
    }
    return object == m_name ? 3 : 0;
}

bool fPicLbl::eventFilter(QObject *watched, QEvent *event)
{
    if (const int i = boxIndex(watched); i > 0) {
        if (event->type() == QEvent::FocusIn) {
            m_editor.setSnapshot(i, boxText(i));
        } else if (event->type() == QEvent::FocusOut) {
            TxtBoxesChange(i);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void fPicLbl::commitFocusedBox()
{
    // The close box and the catalogue do not take the focus, so an edit still in a box is
    // carried into its row before anything asks whether rows carry marks.
    if (const int i = boxIndex(focusWidget()); i > 0) {
        TxtBoxesChange(i);
    }
}

void fPicLbl::closeEvent(QCloseEvent *event)
{
    commitFocusedBox();
    if (m_editor.hasUnsavedChanges() && !m_taprell.confirmDiscard(this)) {
        event->ignore();
        return;
    }
    event->accept();
}

void fPicLbl::listClick()
{
    if (const auto texts = m_editor.chooseRow(selectedReportRow(m_list))) {
        showBoxTexts(*texts);
        m_add->setText(newCaption);
    }
}

void fPicLbl::selectCurrentRow()
{
    const QScopedValueRollback<bool> guard(m_selecting, true);
    selectReportRow(m_list, m_editor.currentRow());
}

void fPicLbl::showBoxTexts(const LabelEditor::BoxTexts &texts)
{
    m_x->setText(texts.x);
    m_y->setText(texts.y);
    m_name->setPlainText(texts.name);
}

void fPicLbl::showDesignTimeTexts()
{
    showBoxTexts({xDesignText, yDesignText, nameDesignText});
}

void fPicLbl::addClicked()
{
    if (!m_editor.addMode()) {
        showBoxTexts(m_editor.startAdding());
        m_add->setText(addCaption);
        return;
    }
    m_editor.addRow({m_x->text(), m_y->text(), m_name->toPlainText()});
    m_add->setText(newCaption);
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
        m_taprell.errorNotice(saved.error(), this);
    }
}

int fPicLbl::appendLabel(const LabelEditor::BoxTexts &texts)
{
    if (m_editor.addMode()) {
        return -1;
    }
    commitFocusedBox();
    const int row = m_editor.addRow(texts);
    m_add->setText(newCaption);
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
