// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/AxisTitle.h>
#include <diagram/CurrentFigureSource.h>
#include <diagram/DiagramRenderer.h>
#include <diagram/FigureExport.h>
#include <diagram/SampleLayer.h>
#include <library/state/mTaprell.h>
#include <plot/TableExport.h>
#include <plotwindow/fPlot.h>
#include <preview/FigureCanvas.h>
#include <preview/FigureReader.h>
#include <samples/DelimitedTable.h>
#include <samples/XlsxTable.h>
#include <widgets/Dialogs.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <cmath>

namespace plotwindow {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("fPlot", text);
}

enum Axis
{
    X,
    Y,
    Left,
    Top,
    Right,
};

QList<QString *> axisTexts(plot::AxisExpressions &axes)
{
    return {&axes.x, &axes.y, &axes.left, &axes.top, &axes.right};
}

} // namespace

// Every sample with its coordinates and field on every chosen figure, as the session has them.
class SampleTableModel final : public QAbstractTableModel
{
public:
    explicit SampleTableModel(const plot::PlotSession &session, QObject *parent)
        : QAbstractTableModel(parent)
        , m_session(session)
    {
    }

    // While the session computes nothing of it is shown.
    void setShown(bool shown)
    {
        beginResetModel();
        m_shown = shown;
        m_header = shown ? plot::exportHeader(m_session) : QStringList();
        m_columns = m_session.table().columnCount();
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() || !m_shown ? 0 : int(m_session.table().rowCount());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_header.size());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole) {
            return {};
        }
        if (orientation == Qt::Vertical) {
            return section + 1;
        }
        return section < m_header.size() ? m_header[section] : QVariant();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || !m_shown) {
            return {};
        }
        const qsizetype row = index.row();
        qsizetype column = index.column();
        if (column < m_columns) {
            return m_session.cellText(row, column);
        }
        column -= m_columns;
        for (qsizetype f = 0; f < m_session.figureCount(); ++f) {
            const plot::FigureResult &result = m_session.result(f);
            const qsizetype coordinates = qsizetype(result.coordinates.size());
            const qsizetype width = (m_session.figure(f).figure.record.LB == u"T" ? 3 : 2) + 1;
            if (column < width) {
                if (column < coordinates) {
                    const double value = result.coordinates[size_t(column)][size_t(row)];
                    return std::isnan(value) ? QVariant() : QVariant(QString::number(value, 'g', 6));
                }
                if (column == width - 1 && m_session.isComputed(f)) {
                    return QString(m_session.placeText(f, row)).replace(u'\n', u' ');
                }
                return {};
            }
            column -= width;
        }
        return {};
    }

private:
    const plot::PlotSession &m_session;
    QStringList m_header;
    qsizetype m_columns = 0;
    bool m_shown = false;
};

fPlot::fPlot(mTaprell &taprell, Dialogs &dialogs, CurrentFigureSource &catalogue, plot::FigureSettingsStore *settings,
             QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_taprell(taprell)
    , m_dialogs(dialogs)
    , m_catalogue(catalogue)
    , m_settings(settings)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("fPlot"));
    setWindowTitle(tr("样品投图"));
    buildWindow();
    loadFigureList();
    chooseCurrentFigure();
    connect(&m_reading, &QFutureWatcher<samples::ReadResult>::finished, this, [this] {
        const QString source = m_reading.property("source").toString();
        tableRead(m_reading.result(), source);
    });
    connect(&m_computing, &QFutureWatcher<bool>::finished, this, &fPlot::computed);
}

fPlot::~fPlot()
{
    m_cancelled = true;
    m_reading.waitForFinished();
    m_computing.waitForFinished();
}

void fPlot::buildWindow()
{
    auto *layout = new QVBoxLayout(this);

    // The table.
    auto *tableRow = new QHBoxLayout;
    m_open = new QPushButton(tr("打开表格…"), this);
    m_open->setObjectName(QStringLiteral("cmdOpenTable"));
    m_paste = new QPushButton(tr("粘贴表格"), this);
    m_paste->setObjectName(QStringLiteral("cmdPasteTable"));
    m_tableInfo =
        new QLabel(tr("还没有样品：从电子表格复制带表头的分析数据，按 Ctrl+V 粘贴，或打开 CSV、XLSX 文件。"), this);
    m_tableInfo->setObjectName(QStringLiteral("lblTable"));
    m_tableInfo->setWordWrap(true);
    m_idColumn = new QComboBox(this);
    m_idColumn->setObjectName(QStringLiteral("cboId"));
    m_groupColumn = new QComboBox(this);
    m_groupColumn->setObjectName(QStringLiteral("cboGroup"));
    // They are empty when the window first shows: they grow with the columns of each table.
    m_idColumn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_groupColumn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    tableRow->addWidget(m_open);
    tableRow->addWidget(m_paste);
    tableRow->addWidget(m_tableInfo, 1);
    tableRow->addWidget(new QLabel(tr("样品号"), this));
    tableRow->addWidget(m_idColumn);
    tableRow->addWidget(new QLabel(tr("分组"), this));
    tableRow->addWidget(m_groupColumn);
    layout->addLayout(tableRow);

    // The figures and their axes.
    auto *figureRow = new QHBoxLayout;
    m_figure = new QComboBox(this);
    m_figure->setObjectName(QStringLiteral("cboFigure"));
    m_figure->setMinimumContentsLength(24);
    m_library = new QComboBox(this);
    m_library->setObjectName(QStringLiteral("cboLibrary"));
    m_library->setMinimumContentsLength(24);
    m_add = new QPushButton(tr("加入"), this);
    m_add->setObjectName(QStringLiteral("cmdAddFigure"));
    m_remove = new QPushButton(tr("移除"), this);
    m_remove->setObjectName(QStringLiteral("cmdRemoveFigure"));
    figureRow->addWidget(new QLabel(tr("图版"), this));
    figureRow->addWidget(m_figure, 1);
    figureRow->addWidget(m_remove);
    figureRow->addSpacing(16);
    figureRow->addWidget(m_library, 1);
    figureRow->addWidget(m_add);
    layout->addLayout(figureRow);

    auto *axes = new QGridLayout;
    const char *const names[] = {QT_TRANSLATE_NOOP("fPlot", "x 轴"), QT_TRANSLATE_NOOP("fPlot", "y 轴"),
                                 QT_TRANSLATE_NOOP("fPlot", "左角"), QT_TRANSLATE_NOOP("fPlot", "顶角"),
                                 QT_TRANSLATE_NOOP("fPlot", "右角")};
    const char *const objects[] = {"txtX", "txtY", "txtLeft", "txtTop", "txtRight"};
    for (int i = 0; i < 5; ++i) {
        auto *label = new QLabel(tr(names[i]), this);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(objects[i]));
        auto *check = new QLabel(this);
        check->setObjectName(QLatin1String(objects[i]) + QStringLiteral("Check"));
        m_axisLabels << label;
        m_axisEdits << edit;
        m_axisChecks << check;
        const int row = i < 2 ? i : i - 2;
        axes->addWidget(label, row, 0);
        axes->addWidget(edit, row, 1);
        axes->addWidget(check, row, 2);
        connect(edit, &QLineEdit::textEdited, this, &fPlot::expressionsEdited);
    }
    m_xTitle = new QLineEdit(this);
    m_xTitle->setObjectName(QStringLiteral("txtXTitle"));
    m_yTitle = new QLineEdit(this);
    m_yTitle->setObjectName(QStringLiteral("txtYTitle"));
    m_xTitle->setPlaceholderText(tr("由表达式生成"));
    m_yTitle->setPlaceholderText(tr("由表达式生成"));
    axes->addWidget(new QLabel(tr("x 轴标题"), this), 0, 3);
    axes->addWidget(m_xTitle, 0, 4);
    axes->addWidget(new QLabel(tr("y 轴标题"), this), 1, 3);
    axes->addWidget(m_yTitle, 1, 4);
    m_save = new QPushButton(tr("保存到图库"), this);
    m_save->setObjectName(QStringLiteral("cmdSaveAxes"));
    m_save->setEnabled(m_settings != nullptr);
    axes->addWidget(m_save, 2, 4, Qt::AlignRight);
    // Columns the user names for the expressions: "FeOt = FeO + 0.8998 * Fe2O3; …".
    m_named = new QLineEdit(this);
    m_named->setObjectName(QStringLiteral("txtNamedColumns"));
    m_named->setPlaceholderText(tr("自定义列，例如 FeOt = FeO + 0.8998 * Fe2O3；多个用分号隔开"));
    axes->addWidget(new QLabel(tr("自定义列"), this), 2, 0);
    axes->addWidget(m_named, 2, 1, 1, 2);
    connect(m_named, &QLineEdit::editingFinished, this, &fPlot::namedColumnsEdited);
    axes->setColumnStretch(1, 3);
    axes->setColumnStretch(4, 2);
    layout->addLayout(axes);
    connect(m_xTitle, &QLineEdit::textEdited, this, &fPlot::titlesEdited);
    connect(m_yTitle, &QLineEdit::textEdited, this, &fPlot::titlesEdited);

    // The diagram beside the table.
    auto *split = new QSplitter(this);
    m_canvas = new FigureCanvas(split);
    m_canvas->setObjectName(QStringLiteral("picPlot"));
    m_canvas->setMouseTracking(true);
    m_canvas->installEventFilter(this);
    auto *right = new QWidget(split);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    m_model = new SampleTableModel(m_session, this);
    m_tableView = new QTableView(right);
    m_tableView->setObjectName(QStringLiteral("tblSamples"));
    m_tableView->setModel(m_model);
    m_tableView->verticalHeader()->setDefaultSectionSize(m_tableView->fontMetrics().height() + 4);
    m_counts = new QLabel(right);
    m_counts->setObjectName(QStringLiteral("lblCounts"));
    m_counts->setWordWrap(true);
    m_counts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rightLayout->addWidget(m_tableView, 1);
    rightLayout->addWidget(m_counts);
    split->addWidget(m_canvas);
    split->addWidget(right);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({760, 500});
    layout->addWidget(split, 1);

    auto *bottom = new QHBoxLayout;
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->hide();
    m_cancel = new QPushButton(tr("取消"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cancel->hide();
    m_exportPicture = new QPushButton(tr("导出图…"), this);
    m_exportPicture->setObjectName(QStringLiteral("cmdExportPicture"));
    m_exportTable = new QPushButton(tr("导出表…"), this);
    m_exportTable->setObjectName(QStringLiteral("cmdExportTable"));
    bottom->addWidget(m_message, 1);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_cancel);
    m_pictureWidth = new QSpinBox(this);
    m_pictureWidth->setObjectName(QStringLiteral("spinWidth"));
    m_pictureHeight = new QSpinBox(this);
    m_pictureHeight->setObjectName(QStringLiteral("spinHeight"));
    for (QSpinBox *box : {m_pictureWidth, m_pictureHeight}) {
        box->setRange(16, 20000);
        box->setSuffix(QStringLiteral(" px"));
    }
    m_pictureWidth->setValue(1000);
    m_pictureHeight->setValue(800);
    m_pictureDpi = new QSpinBox(this);
    m_pictureDpi->setObjectName(QStringLiteral("spinDpi"));
    m_pictureDpi->setRange(36, 2400);
    m_pictureDpi->setValue(150);
    m_pictureDpi->setSuffix(QStringLiteral(" dpi"));
    m_pictureDpi->setToolTip(tr("PNG 写明的分辨率；PDF 的页面大小由像素数和它算出"));
    bottom->addWidget(new QLabel(tr("图片大小"), this));
    bottom->addWidget(m_pictureWidth);
    bottom->addWidget(new QLabel(QStringLiteral("×"), this));
    bottom->addWidget(m_pictureHeight);
    bottom->addWidget(m_pictureDpi);
    bottom->addWidget(m_exportPicture);
    bottom->addWidget(m_exportTable);
    layout->addLayout(bottom);

    connect(m_open, &QPushButton::clicked, this, &fPlot::openClicked);
    connect(m_paste, &QPushButton::clicked, this, [this] { pasteTable(QApplication::clipboard()->text()); });
    connect(new QShortcut(QKeySequence::Paste, this), &QShortcut::activated, this,
            [this] { pasteTable(QApplication::clipboard()->text()); });
    connect(m_cancel, &QPushButton::clicked, this, &fPlot::cancel);
    connect(m_add, &QPushButton::clicked, this, &fPlot::addFigureClicked);
    connect(m_remove, &QPushButton::clicked, this, &fPlot::removeFigureClicked);
    connect(m_figure, &QComboBox::currentIndexChanged, this, &fPlot::showFigure);
    connect(m_save, &QPushButton::clicked, this, &fPlot::saveSettings);
    connect(m_exportPicture, &QPushButton::clicked, this, &fPlot::exportPictureClicked);
    connect(m_exportTable, &QPushButton::clicked, this, &fPlot::exportTableClicked);
    connect(m_groupColumn, &QComboBox::activated, this, &fPlot::groupChosen);
    connect(m_idColumn, &QComboBox::activated, this, [this](int index) {
        m_session.setIdColumn(index);
        m_hoverSize = {};
    });
    resize(1280, 800);
}

void fPlot::loadFigureList()
{
    Library &library = m_taprell.library();
    if (!library.isOpen() && !m_taprell.openLibrary()) {
        return;
    }
    QStringList numbers;
    if (!FigureReader::figureNumbers(library, &numbers)) {
        return;
    }
    for (const QString &number : std::as_const(numbers)) {
        Figure figure;
        if (FigureReader::readFigure(library, number, &figure)) {
            m_library->addItem(number + QStringLiteral("  ") + figure.record.tm, number);
        }
    }
}

void fPlot::chooseCurrentFigure()
{
    // The catalogue's current figure; the library's first when it has none.
    if (const std::optional<FigureRecord> current = m_catalogue.currentFigure(); current && !current->th.isEmpty()) {
        addFigure(current->th);
    } else if (m_library->count() > 0) {
        addFigure(m_library->itemData(0).toString());
    }
    if (m_figure->count() == 0) {
        showFigure(-1);
    }
}

bool fPlot::addFigure(const QString &figureNumber)
{
    if (m_busy) {
        return false;
    }
    for (int i = 0; i < m_figure->count(); ++i) {
        if (m_figure->itemData(i).toString().compare(figureNumber, Qt::CaseInsensitive) == 0) {
            m_figure->setCurrentIndex(i);
            return true;
        }
    }
    Library &library = m_taprell.library();
    if (!library.isOpen() && !m_taprell.openLibrary()) {
        showMessage(tr("图版库打不开。"), true);
        return false;
    }
    Figure figure;
    bool found = false;
    if (Status status = FigureReader::readFigure(library, figureNumber, &figure, &found); !status || !found) {
        showMessage(tr("图版 %1 读不出来。").arg(figureNumber), true);
        return false;
    }
    plot::FigureSettings settings;
    settings.figureNumber = figure.record.th;
    if (m_settings) {
        QString problem;
        if (const std::optional<plot::FigureSettings> stored = m_settings->read(figure.record.th, &problem)) {
            settings = *stored;
        } else if (!problem.isEmpty()) {
            showMessage(tr("图版 %1 的坐标轴设置读不出来：%2").arg(figure.record.th, problem), true);
        }
    }
    Classify::FieldOptions options;
    options.names = settings.fieldNames;
    options.extendToFrame = settings.extendToFrame;
    options.wording =
        QCoreApplication::translate("Wording", "中文") == u"English" ? Wording::English : Wording::Chinese;
    m_session.addFigure({figure, settings.axes, options});
    m_titles.append({settings.xTitle, settings.yTitle});
    m_stored.append(settings);
    m_figure->addItem(figure.record.th + QStringLiteral("  ") + figure.record.tm, figure.record.th);
    m_figure->setCurrentIndex(m_figure->count() - 1);
    compute();
    return true;
}

void fPlot::addFigureClicked()
{
    if (m_library->currentIndex() >= 0) {
        addFigure(m_library->currentData().toString());
    }
}

void fPlot::removeFigureClicked()
{
    const int index = m_figure->currentIndex();
    if (index < 0 || m_busy) {
        return;
    }
    m_session.removeFigure(index);
    m_titles.removeAt(index);
    m_stored.removeAt(index);
    m_model->setShown(false);
    m_figure->removeItem(index);
    compute();
}

void fPlot::showFigure(int index)
{
    const bool any = index >= 0 && index < m_session.figureCount();
    const bool triangular = any && m_session.figure(index).figure.record.LB == u"T";
    for (int i = 0; i < 5; ++i) {
        const bool used = any && (triangular ? i >= Left : i < Left);
        m_axisLabels[i]->setVisible(used);
        m_axisEdits[i]->setVisible(used);
        m_axisChecks[i]->setVisible(used);
    }
    m_xTitle->setEnabled(any && !triangular);
    m_yTitle->setEnabled(any && !triangular);
    m_save->setEnabled(any && m_settings);
    m_remove->setEnabled(any);
    if (any) {
        plot::AxisExpressions axes = m_session.figure(index).axes;
        const QList<QString *> texts = axisTexts(axes);
        for (int i = 0; i < 5; ++i) {
            m_axisEdits[i]->setText(*texts[i]);
        }
        m_xTitle->setText(m_titles[index].x);
        m_yTitle->setText(m_titles[index].y);
        m_renderer = std::make_shared<DiagramRenderer>(m_session.figure(index).figure);
    } else {
        m_renderer.reset();
    }
    updateChecks();
    showSamples();
}

void fPlot::expressionsEdited()
{
    const int index = m_figure->currentIndex();
    if (index < 0) {
        return;
    }
    updateChecks();
    if (m_busy) {
        m_recompute = true;
        return;
    }
    plot::AxisExpressions axes;
    const QList<QString *> texts = axisTexts(axes);
    for (int i = 0; i < 5; ++i) {
        *texts[i] = m_axisEdits[i]->text().trimmed();
    }
    m_session.setAxes(index, axes);
    compute();
}

void fPlot::namedColumnsEdited()
{
    if (m_busy) {
        return;
    }
    QList<samples::NamedColumn> named;
    for (const QString &part : m_named->text().split(QRegularExpression(QStringLiteral("[;；]")), Qt::SkipEmptyParts)) {
        const qsizetype equals = part.indexOf(u'=');
        if (equals > 0) {
            named.append({part.left(equals).trimmed(), part.mid(equals + 1).trimmed()});
        }
    }
    m_session.setNamedColumns(named);
    m_model->setShown(false);
    compute();
}

void fPlot::titlesEdited()
{
    const int index = m_figure->currentIndex();
    if (index >= 0) {
        m_titles[index] = {m_xTitle->text(), m_yTitle->text()};
        showSamples();
    }
}

void fPlot::updateChecks()
{
    const bool table = m_session.table().rowCount() > 0;
    for (int i = 0; i < 5; ++i) {
        QLabel *check = m_axisChecks[i];
        const QString text = m_axisEdits[i]->text().trimmed();
        if (!table || text.isEmpty() || m_busy) {
            check->clear();
            continue;
        }
        const plot::ExpressionCheck result = m_session.check(text);
        if (!result.ok()) {
            check->setText(result.error.position >= 0
                               ? tr("第 %1 个字符处：%2").arg(result.error.position + 1).arg(result.error.message)
                               : result.error.message);
            check->setStyleSheet(QStringLiteral("color: #b00020"));
        } else {
            check->setText(tr("%1 个样品有值").arg(result.valueCount));
            check->setStyleSheet({});
        }
    }
}

void fPlot::pasteTable(const QString &text)
{
    if (m_busy) {
        return;
    }
    if (text.trimmed().isEmpty()) {
        showMessage(tr("剪贴板里没有表格。"), true);
        return;
    }
    tableRead(samples::readPastedText(text), tr("粘贴的表格"));
}

void fPlot::openClicked()
{
    const QString file =
        QFileDialog::getOpenFileName(this, tr("打开样品表"), {}, tr("样品表 (*.csv *.tsv *.txt *.xlsx);;所有文件 (*)"));
    if (file.isEmpty()) {
        return;
    }
    QString sheet;
    if (file.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        QString error;
        const QStringList sheets = samples::xlsxSheetNames(file, &error);
        if (sheets.size() > 1) {
            bool ok = false;
            sheet = QInputDialog::getItem(this, tr("选择工作表"), tr("工作表"), sheets, 0, false, &ok);
            if (!ok) {
                return;
            }
        }
    }
    openTable(file, sheet);
}

void fPlot::openTable(const QString &fileName, const QString &sheet)
{
    if (m_busy) {
        return;
    }
    m_cancelled = false;
    m_progressValue = 0;
    setBusy(true, tr("正在读取 %1…").arg(QFileInfo(fileName).fileName()));
    auto progress = [this](double fraction) {
        m_progressValue = int(fraction * 1000);
        return !m_cancelled.load();
    };
    m_reading.setProperty("source", QFileInfo(fileName).fileName());
    const bool xlsx = fileName.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
    m_reading.setFuture(QtConcurrent::run([fileName, sheet, xlsx, progress] {
        return xlsx ? samples::readXlsxFile(fileName, sheet, progress)
                    : samples::readDelimitedFile(fileName, {}, progress);
    }));
}

void fPlot::tableRead(const samples::ReadResult &result, const QString &source)
{
    setBusy(false, {});
    if (result.cancelled) {
        showMessage(tr("读取已取消，样品表没有改变。"), false);
        emit idle();
        return;
    }
    if (!result.ok()) {
        showMessage(tr("%1 读不出来：%2").arg(source, result.error), true);
        emit idle();
        return;
    }
    m_model->setShown(false);
    m_session.setTable(result.table);
    const samples::SampleTable &table = m_session.table();
    QStringList noValue;
    for (qsizetype c = 0; c < table.columnCount(); ++c) {
        if (const qsizetype n = table.column(c).noValueCount(); n > 0 && n < table.rowCount()) {
            noValue << QStringLiteral("%1 %2").arg(table.column(c).name()).arg(n);
        }
    }
    QString info = tr("%1：%2 个样品，%3 列").arg(source).arg(table.rowCount()).arg(table.columnCount());
    if (!noValue.isEmpty()) {
        info += tr("；不是数字的单元格（当作无值）：%1").arg(noValue.mid(0, 8).join(QStringLiteral("，")));
    }
    m_tableInfo->setText(info);
    columnsChanged();
    showMessage({}, false);
    compute();
}

void fPlot::columnsChanged()
{
    const QStringList names = m_session.table().columnNames();
    m_idColumn->clear();
    m_idColumn->addItems(names);
    m_idColumn->setCurrentIndex(names.isEmpty() ? -1 : 0);
    m_session.setIdColumn(0);
    m_groupColumn->clear();
    m_groupColumn->addItem(tr("（不分组）"));
    m_groupColumn->addItems(names);
    m_session.setGroupColumn(-1);
}

void fPlot::groupChosen()
{
    m_session.setGroupColumn(m_groupColumn->currentIndex() - 1);
    showSamples();
}

void fPlot::compute()
{
    if (m_busy) {
        m_recompute = true;
        return;
    }
    updateChecks();
    if (m_session.table().rowCount() == 0 || m_session.figureCount() == 0) {
        showSamples();
        return;
    }
    m_recompute = false;
    m_cancelled = false;
    m_progressValue = 0;
    m_model->setShown(false);
    setBusy(true, tr("正在计算…"));
    plot::PlotSession *session = &m_session;
    m_computing.setFuture(QtConcurrent::run([this, session] {
        return session->compute([this](double fraction) {
            m_progressValue = int(fraction * 1000);
            return !m_cancelled.load();
        });
    }));
}

void fPlot::computed()
{
    setBusy(false, {});
    if (!m_computing.result()) {
        showMessage(tr("计算已取消；改动表达式或重新打开表格后再算。"), false);
    }
    if (m_recompute) {
        expressionsEdited();
        if (m_busy) {
            return;
        }
    }
    m_model->setShown(true);
    updateChecks();
    showSamples();
    emit idle();
}

void fPlot::showSamples()
{
    const int index = m_figure->currentIndex();
    m_layer.reset();
    m_hoverSize = {};
    RenderOptions options;
    QString counts;
    if (index >= 0 && index < m_session.figureCount() && m_session.isComputed(index) && !m_busy) {
        const plot::FigureResult &result = m_session.result(index);
        if (!result.error.isEmpty()) {
            showMessage(result.error, true);
        } else if (result.coordinates.size() >= 2) {
            const auto &c = result.coordinates;
            m_layer = std::make_unique<SampleLayer>(c.size() == 3 ? SampleLayer::shares(c[0], c[1], c[2])
                                                                  : SampleLayer::points(c[0], c[1]));
            if (m_session.groupColumn() >= 0) {
                m_layer->setGroups(m_session.table().rowCount(), [&](qsizetype row) { return m_session.group(row); });
            }
            options.samples = m_layer.get();
            counts = tr("%1 个样品有值，%2 个无值，%3 个在图外，%4 个在界线上。")
                         .arg(result.valueCount)
                         .arg(result.noValueCount)
                         .arg(result.outsideCount)
                         .arg(result.boundaryCount);
            if (const Classify::FieldMap *fields = m_session.fieldMap(index)) {
                // Fields of one name (split by a dashed line) count together.
                QStringList names;
                QHash<QString, qsizetype> byName;
                for (qsizetype i = 0; i < fields->fields().size(); ++i) {
                    if (result.fieldCounts.value(i) > 0) {
                        const QString name = QString(fields->fields()[i].name).replace(u'\n', u' ');
                        if (!byName.contains(name)) {
                            names << name;
                        }
                        byName[name] += result.fieldCounts[i];
                    }
                }
                QStringList perField;
                for (const QString &name : std::as_const(names)) {
                    perField << QStringLiteral("%1: %2").arg(name).arg(byName[name]);
                }
                if (!perField.isEmpty()) {
                    counts += u'\n' + perField.join(QStringLiteral("；"));
                }
            }
        }
        setTitles(index, options);
    }
    m_counts->setText(counts);
    m_canvas->setFigure(m_renderer, options, m_renderer ? QString() : tr("没有选中的图版"));
    scheduleHoverIndex();
}

void fPlot::scheduleHoverIndex()
{
    // Built once the window is idle, so that the first hover finds it ready.
    QTimer::singleShot(0, this, [this] {
        if (m_layer && m_hoverSize != m_canvas->size()) {
            buildHoverIndex();
        }
    });
}

void fPlot::setTitles(int index, RenderOptions &options) const
{
    const plot::AxisExpressions &axes = m_session.figure(index).axes;
    if (m_session.figure(index).figure.record.LB == u"T") {
        options.cornerTitles = {AxisTitle::fromExpression(axes.left), AxisTitle::fromExpression(axes.top),
                                AxisTitle::fromExpression(axes.right)};
        return;
    }
    options.xTitle = m_titles[index].x.isEmpty() ? AxisTitle::fromExpression(axes.x) : m_titles[index].x;
    options.yTitle = m_titles[index].y.isEmpty() ? AxisTitle::fromExpression(axes.y) : m_titles[index].y;
}

void fPlot::setBusy(bool busy, const QString &what)
{
    m_busy = busy;
    m_progress->setVisible(busy);
    m_cancel->setVisible(busy);
    for (QWidget *w : std::initializer_list<QWidget *>{m_open, m_paste, m_add, m_remove, m_save, m_exportPicture,
                                                       m_exportTable, m_figure, m_idColumn, m_groupColumn}) {
        w->setEnabled(!busy);
    }
    if (!busy) {
        showMessage({}, false);
    } else {
        m_progress->setValue(0);
        showMessage(what, false);
        // The worker reports its progress in a number the window shows while it works.
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, timer] {
            if (!m_busy) {
                timer->deleteLater();
                return;
            }
            m_progress->setValue(m_progressValue.load());
        });
        timer->start(50);
    }
}

void fPlot::cancel()
{
    m_cancelled = true;
}

void fPlot::showMessage(const QString &text, bool problem)
{
    m_message->setText(text);
    m_message->setStyleSheet(problem ? QStringLiteral("color: #b00020") : QString());
}

bool fPlot::saveSettings()
{
    const int index = m_figure->currentIndex();
    if (!m_settings || index < 0 || m_busy) {
        return false;
    }
    plot::FigureSettings settings = m_stored[index];
    settings.figureNumber = m_session.figure(index).figure.record.th;
    settings.axes = m_session.figure(index).axes;
    settings.xTitle = m_titles[index].x;
    settings.yTitle = m_titles[index].y;
    QString problem;
    if (!m_settings->write(settings, &problem)) {
        m_dialogs.show({tr("样品投图"),
                        tr("图版 %1 的坐标轴设置没有保存，窗口里的表达式都还在。").arg(settings.figureNumber), problem,
                        Dialogs::Icon::Critical, Dialogs::Buttons::Ok},
                       this);
        return false;
    }
    m_stored[index] = settings;
    showMessage(tr("图版 %1 的坐标轴表达式和标题已保存到图库。").arg(settings.figureNumber), false);
    return true;
}

bool fPlot::exportPicture(const QString &fileName, QSize size, int dotsPerInch)
{
    if (!m_renderer) {
        return false;
    }
    RenderOptions options;
    options.samples = m_layer.get();
    options.dotsPerInch = dotsPerInch;
    const int index = m_figure->currentIndex();
    if (index >= 0) {
        setTitles(index, options);
    }
    QString error;
    if (!FigureExport::write(*m_renderer, fileName, size, options, &error)) {
        showMessage(error, true);
        return false;
    }
    showMessage(tr("已导出：%1").arg(QDir::toNativeSeparators(fileName)), false);
    return true;
}

void fPlot::exportPictureClicked()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("导出图"), {}, tr("图片 (*.svg *.pdf *.png)"));
    if (!file.isEmpty()) {
        exportPicture(file, QSize(m_pictureWidth->value(), m_pictureHeight->value()), m_pictureDpi->value());
    }
}

bool fPlot::exportTable(const QString &fileName)
{
    if (m_busy || m_session.table().rowCount() == 0) {
        return false;
    }
    const QString problem = fileName.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)
                                ? plot::exportXlsx(m_session, fileName)
                                : plot::exportCsv(m_session, fileName);
    if (!problem.isEmpty()) {
        showMessage(problem, true);
        return false;
    }
    showMessage(tr("已导出：%1").arg(QDir::toNativeSeparators(fileName)), false);
    return true;
}

void fPlot::exportTableClicked()
{
    const QString file =
        QFileDialog::getSaveFileName(this, tr("导出表"), {}, tr("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"));
    if (!file.isEmpty()) {
        exportTable(file);
    }
}

void fPlot::buildHoverIndex()
{
    m_hoverSize = m_canvas->size();
    m_hoverSamples.clear();
    m_hoverPoints.clear();
    m_hoverStart.clear();
    if (!m_layer) {
        return;
    }
    const DiagramMapping mapping = m_canvas->mapping();
    m_hoverColumns = m_hoverSize.width() / hoverCell + 1;
    const int rows = m_hoverSize.height() / hoverCell + 1;
    const qsizetype n = m_layer->size();
    std::vector<qint32> cellOf(size_t(n), -1);
    m_hoverPoints.resize(size_t(n));
    m_hoverStart.assign(size_t(m_hoverColumns) * rows + 1, 0);
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF data = m_layer->dataPoint(i);
        if (std::isnan(data.x()) || std::isnan(data.y()) || !mapping.canMap(data)) {
            continue;
        }
        const QPointF at = mapping.toDevice(data);
        if (at.x() < 0 || at.y() < 0 || at.x() >= m_hoverSize.width() || at.y() >= m_hoverSize.height()) {
            continue;
        }
        m_hoverPoints[size_t(i)] = at;
        cellOf[size_t(i)] = qint32(int(at.y()) / hoverCell * m_hoverColumns + int(at.x()) / hoverCell);
        ++m_hoverStart[size_t(cellOf[size_t(i)]) + 1];
    }
    for (size_t c = 1; c < m_hoverStart.size(); ++c) {
        m_hoverStart[c] += m_hoverStart[c - 1];
    }
    m_hoverSamples.resize(size_t(m_hoverStart.back()));
    std::vector<qint32> fill(m_hoverStart.begin(), m_hoverStart.end() - 1);
    for (qsizetype i = 0; i < n; ++i) {
        if (const qint32 cell = cellOf[size_t(i)]; cell >= 0) {
            m_hoverSamples[size_t(fill[size_t(cell)]++)] = i;
        }
    }
}

qsizetype fPlot::sampleNear(QPoint position)
{
    if (!m_layer) {
        return -1;
    }
    if (m_hoverSize != m_canvas->size()) {
        buildHoverIndex();
    }
    if (m_hoverStart.empty()) {
        return -1;
    }
    constexpr double reach = 6; // pixels
    const int rows = int(m_hoverStart.size() - 1) / m_hoverColumns;
    const int cx = position.x() / hoverCell, cy = position.y() / hoverCell;
    qsizetype best = -1;
    double bestDistance = reach * reach;
    for (int y = std::max(0, cy - 1); y <= std::min(rows - 1, cy + 1); ++y) {
        for (int x = std::max(0, cx - 1); x <= std::min(m_hoverColumns - 1, cx + 1); ++x) {
            const int cell = y * m_hoverColumns + x;
            for (qint32 k = m_hoverStart[size_t(cell)]; k < m_hoverStart[size_t(cell) + 1]; ++k) {
                const qsizetype sample = m_hoverSamples[size_t(k)];
                const QPointF d = m_hoverPoints[size_t(sample)] - QPointF(position);
                if (const double distance = d.x() * d.x() + d.y() * d.y(); distance <= bestDistance) {
                    bestDistance = distance;
                    best = sample;
                }
            }
        }
    }
    return best;
}

QString fPlot::sampleTextAt(QPoint canvasPosition)
{
    const qsizetype sample = sampleNear(canvasPosition);
    const int index = m_figure->currentIndex();
    if (sample < 0 || index < 0) {
        return {};
    }
    QStringList lines{m_session.sampleId(sample)};
    if (const QString group = m_session.group(sample); !group.isEmpty()) {
        lines << group;
    }
    const plot::FigureResult &result = m_session.result(index);
    const QStringList axes = result.coordinates.size() == 3 ? QStringList{tr("左角"), tr("顶角"), tr("右角")}
                                                            : QStringList{QStringLiteral("x"), QStringLiteral("y")};
    for (qsizetype a = 0; a < axes.size() && a < qsizetype(result.coordinates.size()); ++a) {
        lines << QStringLiteral("%1 = %2").arg(axes[a]).arg(result.coordinates[size_t(a)][size_t(sample)], 0, 'g', 5);
    }
    lines << QString(m_session.placeText(index, sample)).replace(u'\n', u' ');
    return lines.join(u'\n');
}

bool fPlot::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas && event->type() == QEvent::Resize) {
        m_hoverSize = {};
        scheduleHoverIndex();
    } else if (watched == m_canvas && event->type() == QEvent::MouseMove) {
        const auto *move = static_cast<QMouseEvent *>(event);
        const QString text = sampleTextAt(move->position().toPoint());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(move->globalPosition().toPoint(), text, m_canvas);
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace plotwindow
