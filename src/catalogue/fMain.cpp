// SPDX-License-Identifier: GPL-3.0-or-later
#include <catalogue/fMain.h>
#include <exchange/DiagramFiles.h>
#include <figuredata/fPicData.h>
#include <groups/fGroup.h>
#include <labels/fPicLbl.h>
#include <library/state/mTaprell.h>
#include <plotwindow/fPlot.h>
#include <preview/LibrarySettings.h>
#include <preview/WindowsTarget.h>
#include <preview/fPreview.h>
#include <widgets/Controls.h>
#include <widgets/Dialogs.h>
#include <widgets/FieldBinder.h>
#include <widgets/Notices.h>
#include <widgets/ReportView.h>
#include <widgets/Twips.h>
#include <widgets/WindowFront.h>
#include <widgets/WindowPlacement.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>

#include <functional>

namespace {

// An option button that takes a click anywhere in its box, not only on its circle and caption.
class OptionButton final : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

// The figure list, telling of each click and double click anywhere in it once it has handled
// the click itself: the selection is then the one the click left (none after a click on empty
// space).
class FigureList final : public QTreeView
{
public:
    using QTreeView::QTreeView;

    std::function<void()> clicked;
    std::function<void()> doubleClicked;

    std::function<void()> movedByKey; // after an arrow, page, Home or End key

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QTreeView::mouseReleaseEvent(event);
        if (clicked) {
            clicked();
        }
    }
    void keyReleaseEvent(QKeyEvent *event) override
    {
        QTreeView::keyReleaseEvent(event);
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (movedByKey) {
                movedByKey();
            }
            break;
        default:
            break;
        }
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QTreeView::mouseDoubleClickEvent(event);
        if (doubleClicked) {
            doubleClicked();
        }
    }
};

// The thumbnail box, telling of a click (the release of a mouse button) on it.
class PictureBox final : public QLabel
{
public:
    using QLabel::QLabel;

    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent *) override
    {
        if (clicked) {
            clicked();
        }
    }
};

const char *const updateCaption = QT_TRANSLATE_NOOP("fMain", "刷新列表");
const char *const appendCaption = QT_TRANSLATE_NOOP("fMain", "加入列表");

} // namespace

fMain::fMain(mTaprell &taprell, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_taprell(taprell)
    , m_dialogs(dialogs)
    , m_editor(taprell)
{
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral(" Kalvor - Dozazoruzu Zurozur - 图版管理"));
    setFixedSize(twipsSize(15408, 10164));
    m_digitiserTarget = new WindowsTarget(this);
    setAcceptDrops(true);
    buildControls();

    // Window load.
    LvFigure->setModel(&m_editor.model());
    setupReportView(LvFigure, m_editor.widthsInTwips());
    LvFigure->setGeometry(twipsRect(200, 500, 15000, 4215));
    comGroup->clear();
    for (int i = 1; i <= 10; ++i) {
        comGroup->addItem(QString::number(i));
    }
    comGroup->setEditText(QStringLiteral("1"));
    m_taprell.setThumbnailFolder(m_taprell.settingsLookup(QStringLiteral("Path")) +
                                 QStringLiteral("/Diagram/MiniMap/"));
    Opt1->setChecked(true);
    kindOptionClicked();
    displaySelectedFigure();

    if (const QScreen *screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

fMain::~fMain()
{
    delete m_plotWindow; // it reads the catalogue's current figure and the settings kept here
}

void fMain::buildControls()
{
    Opt1 = control<OptionButton>(this, "Opt1", twipsRect(480, 80, 3495, 375));
    Opt1->setText(QCoreApplication::translate("fMain", " 直角坐标图"));
    Opt2 = control<OptionButton>(this, "Opt2", twipsRect(5280, 120, 3015, 375));
    Opt2->setText(QCoreApplication::translate("fMain", " 三角形图"));
    lblNumber = label(this, "lblNumber", {}, twipsRect(10200, 165, 4815, 255));
    lblNumber->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblNumber->setStyleSheet(QStringLiteral("color: blue;"));
    auto *figureList = control<FigureList>(this, "LvFigure", twipsRect(200, 500, 15000, 4215));
    figureList->clicked = [this] { displaySelectedFigure(); };
    figureList->doubleClicked = [this] { showFigureDataWindow(); };
    figureList->movedByKey = [this] { displaySelectedFigure(); };
    LvFigure = figureList;
    auto *picture = control<PictureBox>(this, "Image1", twipsRect(200, 4900, 5896, 5056));
    picture->clicked = [this] { showPreviewWindow(); };
    Image1 = picture;
    Image1->setScaledContents(true);

    label(this, "Label1", QCoreApplication::translate("fMain", "图  号"), twipsRect(6360, 5205, 735, 255));
    tTh = textBox(this, "tTh", twipsRect(7080, 5160, 855, 320));
    cmdAddPic =
        button(this, "cmdAddPic", QCoreApplication::translate("fMain", "新建"), twipsRect(7920, 5175, 495, 265));
    label(this, "Label2", QCoreApplication::translate("fMain", "图名"), twipsRect(8580, 5205, 495, 255));
    tPicName = textBox(this, "tPicName", twipsRect(9000, 5160, 6135, 320));
    label(this, "Label6", QCoreApplication::translate("fMain", "缩略图"), twipsRect(6360, 5715, 735, 255));
    tFigName = textBox(this, "tFigName", twipsRect(7080, 5640, 855, 320));
    QLabel *gif = label(this, "Label7", QStringLiteral(".gif"), twipsRect(7920, 5655, 375, 255));
    gif->setFont(QFont(QStringLiteral("Verdana"), 8));
    label(this, "Label3", QCoreApplication::translate("fMain", "分组号"), twipsRect(9000, 5715, 855, 255));
    comGroup = comboBox(this, "comGroup", twipsRect(9645, 5640, 1020, 315), {});
    comGroup->setFont(QFont(QStringLiteral("宋体"), 9));
    Command1 =
        button(this, "Command1", QCoreApplication::translate("fMain", "显示分组"), twipsRect(10800, 5580, 975, 375));
    label(this, "Label5", QCoreApplication::translate("fMain", "特殊处理号"), twipsRect(13260, 5685, 975, 255));
    tSPCase = textBox(this, "tSPCase", twipsRect(14280, 5640, 855, 320));

    Frame1 =
        frame(this, "Frame1", QCoreApplication::translate("fMain", " 坐标参数 "), twipsRect(6360, 6120, 7575, 1335));
    sjx = label(this, "sjx", QCoreApplication::translate("fMain", "三角形图解没有坐标参数"),
                twipsRect(6360, 6520, 7455, 735));
    QFont kai(QStringLiteral("楷体"), 16);
    kai.setBold(true);
    sjx->setFont(kai);
    sjx->setAlignment(Qt::AlignCenter);
    sjx->setStyleSheet(QStringLiteral("color: red;"));
    sjx->hide();

    CheckVector =
        checkBox(this, "CheckVector", QCoreApplication::translate("fMain", "矢量图"), twipsRect(14200, 6360, 855, 255));
    CheckBitmap =
        checkBox(this, "CheckBitmap", QCoreApplication::translate("fMain", "位 图"), twipsRect(14200, 6840, 975, 255));
    tComment = textArea(this, "tComment", twipsRect(6360, 7680, 8895, 1335));
    CommandButton1 = button(this, "CommandButton1", QCoreApplication::translate("fMain", "显示图版数据"),
                            twipsRect(6600, 9360, 1455, 375));
    CommandButton2 = button(this, "CommandButton2", QCoreApplication::translate("fMain", "显示图版标签"),
                            twipsRect(8376, 9360, 1335, 375));
    CmdDelete =
        button(this, "CmdDelete", QCoreApplication::translate("fMain", "删 除"), twipsRect(10032, 9360, 975, 375));
    cmdUpdate = button(this, "cmdUpdate", tr(updateCaption), twipsRect(11328, 9360, 1095, 375));
    cmdCancel =
        button(this, "cmdCancel", QCoreApplication::translate("fMain", "退 出"), twipsRect(12744, 9360, 975, 375));
    cmdSaveLvFigure = button(this, "cmdSaveLvFigure", QCoreApplication::translate("fMain", "保 存"),
                             twipsRect(14040, 9360, 975, 375));

    // The axis frame; positions relative to the frame.
    const int headerTop = 240, xTop = 600, yTop = 960;
    label(Frame1, "Label8(0)", QCoreApplication::translate("fMain", "最小值"), twipsRect(720, headerTop, 615, 255));
    label(Frame1, "Label14", QCoreApplication::translate("fMain", "最大值"), twipsRect(1560, headerTop, 615, 255));
    label(Frame1, "Label8(1)", QCoreApplication::translate("fMain", "次间隔"), twipsRect(2280, headerTop, 615, 255));
    label(Frame1, "Label8(2)", QCoreApplication::translate("fMain", "主间隔"), twipsRect(3000, headerTop, 615, 255));
    label(Frame1, "Label9", QCoreApplication::translate("fMain", "轴交点"), twipsRect(3840, headerTop, 735, 255));
    label(Frame1, "Label11", QCoreApplication::translate("fMain", "对数坐标"), twipsRect(4660, headerTop, 855, 255));
    label(Frame1, "Label10", QCoreApplication::translate("fMain", "小数位数"), twipsRect(5600, headerTop, 855, 255));
    label(Frame1, "Label12", QCoreApplication::translate("fMain", "图形边框"), twipsRect(6600, headerTop, 855, 255));
    label(Frame1, "Label4", QCoreApplication::translate("fMain", "x-轴"), twipsRect(120, xTop, 495, 255));
    label(Frame1, "Label13", QCoreApplication::translate("fMain", "y-轴"), twipsRect(120, yTop, 495, 255));
    const int lefts[5] = {660, 1440, 2220, 3000, 3780};
    for (int i = 0; i < 5; ++i) {
        const QByteArray xName = "tX" + QByteArray::number(i + 1);
        const QByteArray yName = "tY" + QByteArray::number(i + 1);
        tX << textBox(Frame1, xName.constData(), twipsRect(lefts[i], xTop, 780, 270),
                      QString::fromLatin1(xName.mid(1)));
        tY << textBox(Frame1, yName.constData(), twipsRect(lefts[i], yTop, 780, 270),
                      QString::fromLatin1(yName.mid(1)));
    }
    CheckX6 =
        checkBox(Frame1, "CheckX6", QCoreApplication::translate("fMain", "对数"), twipsRect(4660, xTop, 760, 255));
    CheckY6 =
        checkBox(Frame1, "CheckY6", QCoreApplication::translate("fMain", "对数"), twipsRect(4700, yTop, 760, 255));
    const QStringList places = {QStringLiteral("-1"), QStringLiteral("0"), QStringLiteral("1"),
                                QStringLiteral("2"),  QStringLiteral("3"), QStringLiteral("4")};
    CombX7 = comboBox(Frame1, "CombX7", twipsRect(5560, xTop, 900, 300), places);
    CombY7 = comboBox(Frame1, "CombY7", twipsRect(5560, yTop, 900, 300), places);
    CheckBorder =
        checkBox(Frame1, "CheckBorder", QCoreApplication::translate("fMain", "边框"), twipsRect(6600, 660, 795, 255));

    // The edit controls go to and from the list by the fields' columns, through 刷新列表 and a
    // click on a row rather than as the focus moves.
    m_fields = new FieldBinder(this, FieldBinder::Counted::Every, {}, {});
    const auto bind = [this](const QString &field, QWidget *control) {
        m_fields->bind(control, m_editor.column(field));
    };
    bind(QStringLiteral("th"), tTh);
    bind(QStringLiteral("tm"), tPicName);
    bind(QStringLiteral("figName"), tFigName);
    bind(QStringLiteral("grp"), comGroup);
    for (int i = 0; i < 5; ++i) {
        bind(QStringLiteral("X%1").arg(i + 1), tX[i]);
    }
    bind(QStringLiteral("X6"), CheckX6);
    bind(QStringLiteral("X7"), CombX7);
    for (int i = 0; i < 5; ++i) {
        bind(QStringLiteral("Y%1").arg(i + 1), tY[i]);
    }
    bind(QStringLiteral("Y6"), CheckY6);
    bind(QStringLiteral("Y7"), CombY7);
    bind(QStringLiteral("border"), CheckBorder);
    bind(QStringLiteral("specialCase"), tSPCase);
    bind(QStringLiteral("Comment"), tComment);
    bind(QStringLiteral("Vector"), CheckVector);
    bind(QStringLiteral("Bitmap"), CheckBitmap);

    setTabOrder(tTh, tPicName);
    setTabOrder(tPicName, tFigName);
    setTabOrder(tFigName, comGroup);
    setTabOrder(comGroup, tSPCase);
    setTabOrder(tSPCase, tX[0]);
    QWidget *previous = tX[0];
    for (QWidget *next : QList<QWidget *>{tX[1], tX[2], tX[3], tX[4], CheckX6, CombX7, CheckBorder, tY[0], tY[1], tY[2],
                                          tY[3], tY[4], CheckY6, CombY7, CheckVector, CheckBitmap, tComment}) {
        setTabOrder(previous, next);
        previous = next;
    }

    connect(Opt1, &QRadioButton::clicked, this, &fMain::kindOptionClicked);
    connect(Opt2, &QRadioButton::clicked, this, &fMain::kindOptionClicked);
    connect(cmdAddPic, &QPushButton::clicked, this, &fMain::newFigure);
    connect(cmdUpdate, &QPushButton::clicked, this, &fMain::updateList);
    connect(CmdDelete, &QPushButton::clicked, this, &fMain::deleteRow);
    connect(cmdSaveLvFigure, &QPushButton::clicked, this, &fMain::saveList);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(Command1, &QPushButton::clicked, this, &fMain::showGroupWindow);
    connect(CommandButton1, &QPushButton::clicked, this, &fMain::showFigureDataWindow);
    connect(CommandButton2, &QPushButton::clicked, this, &fMain::showFigureLabelWindow);
    connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, this, &fMain::showPreviewWindow);
    connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, this, &fMain::showPlotWindow);
}

void fMain::LoadFigData(FigureKind &FT)
{
    const bool triangular = FT == FigureKind::Triangular;
    const Status status = m_editor.load(FT);
    Frame1->setEnabled(!triangular);
    Frame1->setVisible(!triangular);
    sjx->setVisible(triangular);
    CheckBorder->setEnabled(!triangular);
    lblNumber->setText(QCoreApplication::translate("fMain", "共有 %1 个图版").arg(m_editor.model().size()));
    // The first row is selected after every load, but only a click (or the window load) shows it
    // and makes it the row the editing buttons act on.
    selectReportRow(LvFigure, m_editor.model().size() > 0 ? 0 : -1);
    if (!status) {
        if (isVisible()) {
            libraryProblem(m_dialogs, status.error(), this);
        } else {
            m_pendingProblem = status.error(); // told once the window is there to say it over
        }
    }
}

void fMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_pendingProblem) {
        QTimer::singleShot(0, this, [this] {
            if (m_pendingProblem) {
                const LibraryError problem = *m_pendingProblem;
                m_pendingProblem.reset();
                libraryProblem(m_dialogs, problem, this);
            }
        });
    }
}

QString fMain::NewFigNumber(int position) const
{
    return m_editor.newFigNumber(position);
}

void fMain::kindOptionClicked()
{
    const FigureKind wanted = Opt2->isChecked() ? FigureKind::Triangular : FigureKind::Rectangular;
    if (m_editor.model().hasUnsavedChanges() && !confirmDiscard(m_dialogs, this)) {
        // Keep the list and its marks: put the option back to the kind that is listed.
        const QSignalBlocker block1(Opt1), block2(Opt2);
        (m_editor.kind() == FigureKind::Triangular ? Opt2 : Opt1)->setChecked(true);
        return;
    }
    m_taprell.setFigureKind(wanted);
    FigureKind kind = m_taprell.figureKind();
    LoadFigData(kind);
}

void fMain::displaySelectedFigure()
{
    m_editor.chooseRow(selectedReportRow(LvFigure));
    if (const int row = m_editor.currentRow(); row >= 0) {
        forEachFieldControl(
            [&](int column, QWidget *control) { setControlText(control, m_editor.model().cell(row, column)); });
    }
    showThumbnail();
    cmdUpdate->setText(tr(updateCaption));
}

void fMain::forEachFieldControl(const std::function<void(int column, QWidget *control)> &visit) const
{
    for (const auto &[column, control] : m_fields->fields()) {
        // The axis controls belong to rectangular figures only.
        if (m_editor.isUsed(column)) {
            visit(column, control);
        }
    }
}

void fMain::showThumbnail()
{
    const QString file = m_taprell.thumbnailFolder() + tFigName->text() + QStringLiteral(".gif");
    if (!QFileInfo::exists(file)) {
        Image1->clear();
    } else {
        QImageReader reader(file);
        const QImage image = reader.read();
        if (!image.isNull()) {
            Image1->setPixmap(QPixmap::fromImage(image)); // an unreadable file keeps the picture shown before
        }
    }
    Image1->setGeometry(twipsRect(200, 4900, 5896, 5056));
}

QList<QString> fMain::cellsFromControls() const
{
    QList<QString> cells(m_editor.columns().size());
    for (const auto &[column, control] : m_fields->fields()) {
        cells[column] = controlText(control);
    }
    return cells;
}

void fMain::newFigure()
{
    const int count = m_editor.model().size();
    if (m_editor.addMode()) {
        return;
    }
    const QString number = NewFigNumber(count);
    tTh->setText(number);
    tPicName->clear();
    tFigName->setText(number.left(1) + QStringLiteral("P") + number.mid(1));
    comGroup->setEditText(QString());
    for (int i = 0; i < 5; ++i) {
        tX[i]->clear();
        tY[i]->clear();
    }
    CheckX6->setCheckState(Qt::Unchecked);
    CombX7->setEditText(QString());
    CheckY6->setCheckState(Qt::Unchecked);
    CombY7->setEditText(QString());
    CheckBorder->setCheckState(Qt::Unchecked);
    tSPCase->clear();
    tComment->clear();
    cmdUpdate->setText(tr(appendCaption));
    m_editor.startAdding();
}

bool fMain::refuseDuplicate(const QString &number, int exceptRow)
{
    const int other = m_editor.rowWithFigureNumber(number, exceptRow);
    if (other < 0) {
        return false;
    }
    m_dialogs.show({mTaprell::programTitle,
                    QCoreApplication::translate("fMain", "图号“%1”已经在列表的第 %2 行，不能重复。\n请换一个图号。")
                        .arg(number)
                        .arg(other + 1),
                    {},
                    Dialogs::Icon::Warning,
                    Dialogs::Buttons::Ok},
                   this);
    return true;
}

void fMain::updateList()
{
    const QList<QString> cells = cellsFromControls();
    if (m_editor.addMode()) {
        if (refuseDuplicate(cells[CatalogueEditor::Th], -1)) {
            return;
        }
        m_editor.setCurrentRow(m_editor.addRow(cells));
        selectReportRow(LvFigure, m_editor.currentRow());
        return;
    }
    const int row = m_editor.currentRow();
    if (row < 0) {
        return;
    }
    if (refuseDuplicate(cells[CatalogueEditor::Th], row)) {
        return;
    }
    m_editor.changeRow(row, cells);
}

void fMain::deleteRow()
{
    if (m_editor.currentRow() < 0) {
        return;
    }
    m_editor.markDeleted(m_editor.currentRow());
}

void fMain::saveList()
{
    const Status status = m_editor.save();
    if (!status) {
        errorNotice(m_dialogs, status.error(), this);
    }
}

void fMain::closeEvent(QCloseEvent *event)
{
    if (m_editor.model().hasUnsavedChanges() && !confirmDiscard(m_dialogs, this)) {
        event->ignore();
        return;
    }
    event->accept();
}

void fMain::dragEnterEvent(QDragEnterEvent *event)
{
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) {
            event->acceptProposedAction();
            return;
        }
    }
}

void fMain::dropEvent(QDropEvent *event)
{
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) {
            importFigures(url.toLocalFile());
        }
    }
    event->acceptProposedAction();
}

bool fMain::importFigures(const QString &fileName)
{
    const QString title = QCoreApplication::translate("fMain", "导入图版");
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > exchange::largestBundle) {
        m_dialogs.show({title, QCoreApplication::translate("fMain", "文件读不出来（或大于 50 MB）：%1").arg(fileName),
                        file.errorString(), Dialogs::Icon::Warning, Dialogs::Buttons::Ok},
                       this);
        return false;
    }
    if (m_editor.model().hasUnsavedChanges() && !confirmDiscard(m_dialogs, this)) {
        return false;
    }
    Library &library = m_taprell.library();
    if (!library.isOpen()) {
        if (Status opened = m_taprell.openLibrary(); !opened) {
            errorNotice(m_dialogs, opened.error(), this);
            return false;
        }
    }
    const QByteArray json = file.readAll();
    // Figure numbers the library holds already: added under new numbers, or left out.
    exchange::OnConflict onConflict = exchange::OnConflict::Renumber;
    const exchange::ImportResult plan = exchange::importFile(library, json, onConflict, true);
    QStringList taken;
    for (const exchange::ImportStep &step : plan.steps) {
        if (step.action == exchange::ImportStep::Action::Renumber) {
            taken << step.number;
        }
    }
    if (plan.status && !taken.isEmpty() &&
        m_dialogs.show({title,
                        QCoreApplication::translate("fMain", "图号 %1 已在图版库中。以新图号导入这些图版吗？"
                                                             "（选“否”则跳过它们）")
                            .arg(taken.join(QStringLiteral("，"))),
                        {},
                        Dialogs::Icon::Question,
                        Dialogs::Buttons::YesNo},
                       this) == Dialogs::Answer::No) {
        onConflict = exchange::OnConflict::Skip;
    }
    const exchange::ImportResult result = exchange::importFile(library, json, onConflict);
    if (!result.status) {
        m_dialogs.show({title,
                        QCoreApplication::translate("fMain", "没有导入任何图版：%1").arg(result.status.error().message),
                        result.notes.join(u'\n'), Dialogs::Icon::Warning, Dialogs::Buttons::Ok},
                       this);
        return false;
    }
    QStringList added;
    for (const exchange::ImportStep &step : result.steps) {
        if (step.action != exchange::ImportStep::Action::Skip) {
            added << (step.as == step.number ? step.as : QStringLiteral("%1 → %2").arg(step.number, step.as));
        }
    }
    FigureKind kind = m_taprell.figureKind();
    LoadFigData(kind);
    m_dialogs.show({title, QCoreApplication::translate("fMain", "已导入图版：%1").arg(added.join(QStringLiteral("，"))),
                    result.notes.join(u'\n'), Dialogs::Icon::Information, Dialogs::Buttons::Ok},
                   this);
    return true;
}

void fMain::placeBeside(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Each further open list window steps down, so that the title bars of all stay in sight.
    const QList<QPointer<QWidget>> windows{m_groupWindow, m_dataWindow, m_labelWindow, m_previewWindow};
    int open = 0;
    QList<const QWidget *> others;
    for (const QPointer<QWidget> &other : windows) {
        if (other && other != window && other->isVisible()) {
            others << other;
            open += other != m_previewWindow ? 1 : 0;
        }
    }
    // The catalogue's buttons stay in sight above all.
    QList<const QWidget *> buttons;
    for (const QPushButton *button : findChildren<QPushButton *>()) {
        buttons << button;
    }
    WindowPlacement::placeBeside(window, this, buttons, others, window == m_previewWindow ? 0 : 32 * open);
}

void fMain::showGroupWindow()
{
    if (auto *window = qobject_cast<fGroup *>(m_groupWindow.data())) {
        window->bringToFront();
        return;
    }
    auto *window = new fGroup(m_taprell, m_dialogs);
    m_groupWindow = window;
    placeBeside(window);
    window->show();
}

void fMain::showFigureDataWindow()
{
    m_taprell.setCurrentFigureNumber(tTh->text());
    if (auto *window = qobject_cast<fPicData *>(m_dataWindow.data())) {
        window->showForCurrentFigure();
        return;
    }
    auto *window = new fPicData(m_taprell, m_dialogs);
    m_dataWindow = window;
    m_digitiserTarget->setDataWindow(window);
    if (auto *preview = qobject_cast<fPreview *>(m_previewWindow.data())) {
        preview->followPoints(window);
    }
    placeBeside(window);
    window->show();
}

void fMain::showFigureLabelWindow()
{
    m_taprell.setCurrentFigureNumber(tTh->text());
    if (auto *window = qobject_cast<fPicLbl *>(m_labelWindow.data())) {
        window->showForCurrentFigure();
        return;
    }
    auto *window = new fPicLbl(m_taprell, m_dialogs);
    m_labelWindow = window;
    m_digitiserTarget->setLabelWindow(window);
    if (auto *preview = qobject_cast<fPreview *>(m_previewWindow.data())) {
        preview->followLabels(window);
    }
    placeBeside(window);
    window->show();
}

void fMain::showPlotWindow()
{
    if (m_plotWindow) {
        bringWindowToFront(m_plotWindow);
        return;
    }
    if (!m_plotSettings) {
        m_plotSettings = std::make_unique<LibrarySettings>(m_taprell);
    }
    auto *window = new plotwindow::fPlot(m_taprell, m_dialogs, m_editor, m_plotSettings.get());
    m_plotWindow = window;
    // A large window of its own, over the catalogue: the diagram and the table need the room.
    if (const QScreen *screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        window->resize(std::min(1280, room.width() - 40), std::min(860, room.height() - 60));
        window->move(room.center() - window->rect().center());
    }
    window->show();
}

void fMain::showPreviewWindow()
{
    if (auto *window = qobject_cast<fPreview *>(m_previewWindow.data())) {
        window->bringToFront();
        return;
    }
    auto *window = new fPreview(m_taprell, m_dialogs, m_editor);
    m_previewWindow = window;
    window->followPoints(qobject_cast<fPicData *>(m_dataWindow.data()));
    window->followLabels(qobject_cast<fPicLbl *>(m_labelWindow.data()));
    window->setSettingsStore(m_settings);
    window->setDigitiserTarget(m_digitiserTarget);
    if (!m_plotSettings) {
        m_plotSettings = std::make_unique<LibrarySettings>(m_taprell);
    }
    window->setPlotSettings(m_plotSettings.get());
    connect(window, &fPreview::thumbnailWritten, this, &fMain::showThumbnail);
    connect(window, &fPreview::plotRequested, this, &fMain::showPlotWindow);
    placeBeside(window);
    window->show();
}
