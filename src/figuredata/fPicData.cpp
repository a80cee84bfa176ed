// SPDX-License-Identifier: GPL-3.0-or-later
#include <figuredata/fPicData.h>
#include <library/state/CurrentFigure.h>
#include <library/state/mTaprell.h>
#include <widgets/Controls.h>
#include <widgets/FieldBinder.h>
#include <widgets/Notices.h>
#include <widgets/ReportView.h>
#include <widgets/Twips.h>
#include <widgets/WindowFront.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>

namespace {

const char *const addCaption = QT_TRANSLATE_NOOP("fPicData", "添 加");
const char *const appendCaption = QT_TRANSLATE_NOOP("fPicData", "加 入");
const char *const nextCaption = QT_TRANSLATE_NOOP("fPicData", "新 建");

QStringList numberItems(int first, int last)
{
    QStringList items;
    for (int i = first; i <= last; ++i) {
        items << QString::number(i);
    }
    return items;
}

// The fields as the window first shows them.
PointFields initialFields()
{
    PointFields fields;
    fields.values = {QStringLiteral("1"), QStringLiteral("True"), QString(), QString(), QStringLiteral("2")};
    return fields;
}

} // namespace

const QString fPicData::titleText = QStringLiteral("Zozododeriv Evuzari—Figure Data Manager：");

fPicData::fPicData(mTaprell &taprell, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_taprell(taprell)
    , m_dialogs(dialogs)
    , m_editor(taprell)
{
    setObjectName(QStringLiteral("fPicData"));
    buildControls();
    loadFigure(figureNumberToLoad(m_taprell));
}

void fPicData::buildControls()
{
    setFixedSize(twipsSize(7188, 7200));

    LvFigure = control<QTreeView>(this, "LvFigure", twipsRect(120, 120, 4460, 6975));
    LvFigure->setModel(m_editor.model());
    setupReportView(LvFigure, m_editor.widthsInTwips());

    // Typed values stay as typed: the combo boxes do not complete them from their items.
    Frame2 = frame(this, "Frame2", QCoreApplication::translate("fPicData", "点属性编辑栏"),
                   twipsRect(4680, 240, 2295, 3255));
    Label2 = label(Frame2, "Label2", QCoreApplication::translate("fPicData", "点 号"), twipsRect(240, 400, 495, 255));
    tTxtBx0 = textBox(Frame2, "tTxtBx0", twipsRect(1100, 340, 1000, 320));
    Label3 = label(Frame2, "Label3", QCoreApplication::translate("fPicData", "线 号"), twipsRect(240, 784, 495, 255));
    tTxtBx1 = comboBox(Frame2, "tTxtBx1", twipsRect(1100, 736, 1000, 300), numberItems(1, 16), Completion::None);
    Label4 =
        label(Frame2, "Label4", QCoreApplication::translate("fPicData", "是否曲线"), twipsRect(120, 1168, 855, 255));
    tTxtBx2 = comboBox(Frame2, "tTxtBx2", twipsRect(1100, 1112, 1000, 300),
                       {QStringLiteral("True"), QStringLiteral("False")}, Completion::None);
    Label5 = label(Frame2, "Label5", QCoreApplication::translate("fPicData", "X-值"), twipsRect(240, 1552, 495, 255));
    tTxtBx3 = textBox(Frame2, "tTxtBx3", twipsRect(1100, 1488, 1000, 320));
    Label6 = label(Frame2, "Label6", QCoreApplication::translate("fPicData", "Y-值"), twipsRect(240, 1936, 495, 255));
    tTxtBx4 = textBox(Frame2, "tTxtBx4", twipsRect(1100, 1884, 1000, 320));
    Label7 = label(Frame2, "Label7", QCoreApplication::translate("fPicData", "线 型"), twipsRect(240, 2320, 495, 255));
    tTxtBx5 = comboBox(Frame2, "tTxtBx5", twipsRect(1100, 2280, 1000, 300), numberItems(0, 3), Completion::None);
    cmdAddPoint = button(Frame2, "cmdAddPoint", tr(addCaption), twipsRect(1080, 2760, 855, 375));

    Frame1 =
        frame(this, "Frame1", QCoreApplication::translate("fPicData", "线型说明"), twipsRect(4680, 3840, 2295, 1840));
    Label1 = label(Frame1, "Label1",
                   QStringList{QCoreApplication::translate("fPicData", "线型是指从上一点到该点的连线类型,其中："),
                               QCoreApplication::translate("fPicData", " 0 - 无线   "),
                               QCoreApplication::translate("fPicData", " 1 - 实绩"),
                               QCoreApplication::translate("fPicData", " 2 - 点线   "),
                               QCoreApplication::translate("fPicData", " 3 - 虚线")}
                       .join(u'\n'),
                   twipsRect(240, 320, 1815, 1455));
    Label1->setFont(QFont(QStringLiteral("宋体"), 9));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    cmdSave =
        button(this, "cmdSave", QCoreApplication::translate("fPicData", "保 存"), twipsRect(5880, 6000, 975, 375));
    cmdCancel =
        button(this, "cmdCancel", QCoreApplication::translate("fPicData", "退 出"), twipsRect(5880, 6600, 975, 375));

    showFields(initialFields());
    // A combo box's own list takes the focus while it is open; that is no leaving.
    m_fields = new FieldBinder(
        this, FieldBinder::Counted::NotPopups, [this](int i, const QString &text) { m_editor.setSnapshot(i, text); },
        [this](int i, const QString &) { TxtBoxesChange(i); });
    const std::array<QWidget *, PicDataEditor::fieldCount> valueFields = {tTxtBx1, tTxtBx2, tTxtBx3, tTxtBx4, tTxtBx5};
    for (int i = 1; i <= PicDataEditor::fieldCount; ++i) {
        m_fields->bind(valueFields[i - 1], i);
    }

    setTabOrder(cmdSave, cmdCancel);
    setTabOrder(cmdCancel, cmdAddPoint);
    setTabOrder(cmdAddPoint, tTxtBx0);
    setTabOrder(tTxtBx0, tTxtBx1);
    setTabOrder(tTxtBx1, tTxtBx3);
    setTabOrder(tTxtBx3, tTxtBx4);
    setTabOrder(tTxtBx4, tTxtBx5);
    setTabOrder(tTxtBx5, tTxtBx2);
    setTabOrder(tTxtBx2, LvFigure);

    // A click reaches the list after the field that had the focus has committed its edit.
    connect(LvFigure, &QTreeView::clicked, this, [this] { chooseRow(selectedReportRow(LvFigure)); });
    connect(LvFigure->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && current.row() != m_editor.currentRow()) {
                    chooseRow(current.row());
                }
            });
    connect(cmdAddPoint, &QPushButton::clicked, this, &fPicData::cmdAddPointClick);
    connect(cmdSave, &QPushButton::clicked, this, &fPicData::cmdSaveClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    auto *deleteKey = new QShortcut(QKeySequence::Delete, LvFigure, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &fPicData::deleteKeyPressed);
}

void fPicData::loadFigure(const QString &figureNumber)
{
    setWindowTitle(titleText + figureNumber + QStringLiteral("    "));
    const Status loaded = m_editor.load(figureNumber);
    cmdAddPoint->setText(tr(addCaption));
    if (!loaded) {
        libraryProblem(m_dialogs, loaded.error(), this);
    }
    if (m_editor.model()->size() > 0) {
        selectReportRow(LvFigure, 0);
        chooseRow(0);
    } else {
        showFields(initialFields());
    }
}

void fPicData::showForCurrentFigure()
{
    const QString wanted = figureNumberToLoad(m_taprell);
    // Figure numbers compare without regard to case in the library too.
    if (wanted.compare(m_editor.figureNumber(), Qt::CaseInsensitive) != 0 &&
        (!m_editor.hasUnsavedChanges() || confirmDiscard(m_dialogs, this))) {
        loadFigure(wanted);
    }
    bringWindowToFront(this);
}

void fPicData::TxtBoxesChange(int i)
{
    if (i >= 1 && i <= PicDataEditor::fieldCount) {
        m_editor.commitField(i, fieldText(i));
    }
}

void fPicData::closeEvent(QCloseEvent *event)
{
    // The close box takes no focus, so an edit still in a field is committed here.
    m_fields->commitFocused();
    if (m_editor.hasUnsavedChanges() && !confirmDiscard(m_dialogs, this)) {
        event->ignore();
        return;
    }
    event->accept();
}

void fPicData::chooseRow(int row)
{
    if (row < 0 || row >= m_editor.model()->size()) {
        return;
    }
    showFields(m_editor.chooseRow(row));
}

void fPicData::showFields(const PointFields &fields)
{
    tTxtBx0->setText(fields.number);
    tTxtBx1->setEditText(fields.value(PicDataEditor::SeriesField));
    tTxtBx2->setEditText(fields.value(PicDataEditor::CurveField));
    tTxtBx3->setText(fields.value(PicDataEditor::XField));
    tTxtBx4->setText(fields.value(PicDataEditor::YField));
    tTxtBx5->setEditText(fields.value(PicDataEditor::LineTypeField));
}

PointFields fPicData::shownFields() const
{
    PointFields fields;
    fields.number = tTxtBx0->text();
    for (int i = 1; i <= PicDataEditor::fieldCount; ++i) {
        fields.value(i) = fieldText(i);
    }
    return fields;
}

QString fPicData::fieldText(int i) const
{
    return m_fields->text(i);
}

void fPicData::cmdAddPointClick()
{
    if (!m_editor.addMode()) {
        showFields(m_editor.startAdding(shownFields()));
        cmdAddPoint->setText(tr(appendCaption));
        return;
    }
    const int row = m_editor.addRow(shownFields());
    cmdAddPoint->setText(tr(nextCaption));
    // The new row is the one the fields show, so the list shows it as the chosen row too.
    selectReportRow(LvFigure, row);
}

void fPicData::cmdSaveClick()
{
    const int rows = m_editor.model()->size();
    const Status saved = m_editor.save();
    if (m_editor.model()->size() != rows) {
        // Deleted points left the list: the fields keep to a row that is still there.
        if (m_editor.currentRow() < 0 && !m_editor.addMode() && m_editor.model()->size() > 0) {
            chooseRow(0);
        }
        selectReportRow(LvFigure, m_editor.currentRow());
    }
    if (!m_editor.addMode() && m_editor.currentRow() >= 0) {
        tTxtBx0->setText(m_editor.model()->cell(m_editor.currentRow(), 0));
    }
    if (!saved) {
        errorNotice(m_dialogs, saved.error(), this);
    }
}

void fPicData::deleteKeyPressed()
{
    removeRow(selectedReportRow(LvFigure));
}

int fPicData::appendPoint(const std::array<QString, PicDataEditor::fieldCount> &values)
{
    if (m_editor.addMode()) {
        return -1;
    }
    PointFields fields = m_editor.startAdding(shownFields());
    fields.values = values;
    const int row = m_editor.addRow(fields);
    showFields(fields);
    cmdAddPoint->setText(tr(nextCaption));
    selectReportRow(LvFigure, row);
    return row;
}

std::optional<PicDataEditor::RemovedRow> fPicData::removeRow(int row)
{
    auto removed = m_editor.removeRow(row);
    if (removed) {
        showCurrentRow(row);
    }
    return removed;
}

bool fPicData::restoreRow(const PicDataEditor::RemovedRow &removed)
{
    if (!m_editor.restoreRow(removed)) {
        return false;
    }
    showCurrentRow(removed.row);
    return true;
}

bool fPicData::setPosition(int row, const QString &x, const QString &y)
{
    if (!m_editor.setPosition(row, x, y)) {
        return false;
    }
    if (row == m_editor.currentRow() && !m_editor.addMode()) {
        tTxtBx0->setText(m_editor.model()->cell(row, 0));
        tTxtBx3->setText(x);
        tTxtBx4->setText(y);
    }
    return true;
}

void fPicData::selectRow(int row)
{
    if (row < 0 || row >= m_editor.model()->size()) {
        LvFigure->selectionModel()->clearSelection();
        return;
    }
    chooseRow(row);
    selectReportRow(LvFigure, row);
}

// After a row left the list or changed its mark: the list selects the current row again, and
// the fields show it (with none, the row now at the given place, or the last).
void fPicData::showCurrentRow(int place)
{
    if (m_editor.addMode()) {
        selectReportRow(LvFigure, m_editor.currentRow());
        return;
    }
    int row = m_editor.currentRow();
    if (row < 0 && m_editor.model()->size() > 0) {
        row = std::clamp(place, 0, m_editor.model()->size() - 1);
    }
    if (row < 0) {
        LvFigure->selectionModel()->clearSelection();
        return;
    }
    chooseRow(row);
    selectReportRow(LvFigure, row);
}
