// SPDX-License-Identifier: GPL-3.0-or-later
#include <groups/fGroup.h>
#include <library/state/mTaprell.h>
#include <widgets/Controls.h>
#include <widgets/FieldBinder.h>
#include <widgets/Notices.h>
#include <widgets/ReportView.h>
#include <widgets/Twips.h>
#include <widgets/WindowFront.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

const QString fGroup::caption = QStringLiteral("Kalvor-Dovidid-分组管理");

fGroup::fGroup(mTaprell &taprell, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_taprell(taprell)
    , m_dialogs(dialogs)
    , m_editor(taprell)
{
    setObjectName(QStringLiteral("fGroup"));
    setWindowTitle(caption);
    setFixedSize(twipsSize(4428, 4344));

    LvGroup = control<QTreeView>(this, "LvGroup", twipsRect(120, 120, 4120, 3020));
    Label1 = label(this, "Label1", QCoreApplication::translate("fGroup", "编 辑"), twipsRect(180, 3360, 615, 255));
    TextBox1 = textBox(this, "TextBox1", twipsRect(720, 3240, 3500, 375));
    cmdAddGroup =
        button(this, "cmdAddGroup", QCoreApplication::translate("fGroup", "添 加"), twipsRect(840, 3840, 855, 375));
    cmdDeleteGroup =
        button(this, "cmdDeleteGroup", QCoreApplication::translate("fGroup", "删 除"), twipsRect(2080, 3840, 855, 375));
    cmdGrpUpdata =
        button(this, "cmdGrpUpdata", QCoreApplication::translate("fGroup", "保 存"), twipsRect(3320, 3840, 855, 375));

    LvGroup->setFont(QFont(QStringLiteral("宋体"), 9));
    LvGroup->setModel(&m_editor.model());
    setupReportView(LvGroup, m_editor.widthsInTwips());
    Label1->setBuddy(TextBox1);

    // Leaving the window (another window, a message box, the box's own menu) is no leaving of
    // the box: the text stays there to be committed when the focus really moves.
    m_fields =
        new FieldBinder(this, FieldBinder::Counted::WithinWindow, {}, [this](int, const QString &) { commitName(); });
    m_fields->bind(TextBox1, GroupEditor::NameColumn);
    for (QPushButton *button : {cmdAddGroup, cmdDeleteGroup, cmdGrpUpdata}) {
        button->setAutoDefault(false);
    }

    setTabOrder(LvGroup, TextBox1);
    setTabOrder(TextBox1, cmdAddGroup);
    setTabOrder(cmdAddGroup, cmdDeleteGroup);
    setTabOrder(cmdDeleteGroup, cmdGrpUpdata);

    // The current row follows the selection (mouse or keys), never the view's focus cursor,
    // which lands on the first row by itself when the list gets the focus.
    connect(LvGroup->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showRow(selectedReportRow(LvGroup)); });
    // A click on the row that is already selected still puts its name back into the box.
    connect(LvGroup, &QAbstractItemView::clicked, this, [this] { showRow(selectedReportRow(LvGroup)); });
    connect(cmdAddGroup, &QPushButton::clicked, this, &fGroup::cmdAddGroupClick);
    connect(cmdDeleteGroup, &QPushButton::clicked, this, &fGroup::cmdDeleteGroupClick);
    connect(cmdGrpUpdata, &QPushButton::clicked, this, &fGroup::cmdGrpUpdataClick);

    setGroup();
}

fGroup::~fGroup()
{
    // The list and its selection go first, while the working copy they point into still exists.
    delete LvGroup;
}

void fGroup::setGroup()
{
    const Status status = m_editor.load();
    TextBox1->clear();
    if (!status) {
        if (m_editor.libraryOpen()) {
            errorNotice(m_dialogs, status.error(), this);
        } else {
            libraryProblem(m_dialogs, status.error(), this);
        }
    }
}

void fGroup::bringToFront()
{
    bringWindowToFront(this);
}

void fGroup::showRow(int row)
{
    TextBox1->setText(m_editor.chooseRow(row));
}

void fGroup::commitName()
{
    m_editor.changeCurrent(TextBox1->text());
}

void fGroup::cmdAddGroupClick()
{
    const int row = m_editor.addRow();
    LvGroup->scrollTo(m_editor.model().index(row, 0));
}

void fGroup::cmdDeleteGroupClick()
{
    m_editor.markCurrentDeleted();
}

void fGroup::cmdGrpUpdataClick()
{
    const Status status = m_editor.save();
    if (!status) {
        errorNotice(m_dialogs, status.error(), this);
        return;
    }
    setGroup();
}

void fGroup::closeEvent(QCloseEvent *event)
{
    // A name typed into the box but not yet committed counts as an unsaved change.
    if (TextBox1->hasFocus() && TextBox1->text() != m_editor.currentName()) {
        commitName();
    }
    if (m_editor.hasUnsavedChanges() && !confirmDiscard(m_dialogs, this)) {
        event->ignore();
        return;
    }
    event->accept();
}
