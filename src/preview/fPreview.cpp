// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/FigureExport.h>
#include <digitiser/DigitiserSession.h>
#include <digitiser/DigitiserTarget.h>
#include <digitiser/Underlay.h>
#include <exchange/DiagramFiles.h>
#include <figuredata/fPicData.h>
#include <labels/fPicLbl.h>
#include <library/state/mTaprell.h>
#include <platform/SettingsStore.h>
#include <preview/DigitiserCanvas.h>
#include <preview/FigureCanvas.h>
#include <preview/FigureReader.h>
#include <preview/PreviewFeed.h>
#include <preview/Thumbnails.h>
#include <preview/fPreview.h>
#include <widgets/Dialogs.h>
#include <widgets/WindowFront.h>

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

const QString fPreview::caption = QStringLiteral("图版预览");

namespace {

// How far from an open line end a click still means that end, in pixels.
constexpr double endReach = 8;

bool flagged(const Classify::Field &field)
{
    return field.naming == Classify::Field::Naming::Unnamed || field.naming == Classify::Field::Naming::Ambiguous;
}

// The fields view's list: the fields without one name, and the line ends that meet nothing.
QStringList fieldProblems(const Classify::FieldMap &fields)
{
    QStringList lines;
    for (const Classify::Field &field : fields.fields()) {
        if (field.naming == Classify::Field::Naming::Unnamed) {
            lines << QCoreApplication::translate("fPreview", "分区没有名字：%1（点它起名）").arg(field.name);
        } else if (field.naming == Classify::Field::Naming::Ambiguous) {
            lines << QCoreApplication::translate("fPreview", "一个分区里有几个标签：%1（点它定名）")
                         .arg(QString(field.name).replace(u'\n', u' '));
        }
    }
    for (const Classify::OpenEnd &end : fields.openEnds()) {
        lines << QCoreApplication::translate("fPreview",
                                             "第 %1 号线的端点 (%2, %3) 没有接到别的线，两侧的分区连成了一片"
                                             "（点红圈把它延长到边框）")
                     .arg(end.line)
                     .arg(end.at.x(), 0, 'g', 6)
                     .arg(end.at.y(), 0, 'g', 6);
    }
    return lines;
}

// Each field filled with a light colour of its own; those without one name hatched in red and
// outlined; the names of fields without a label written in; open line ends as red rings.
void paintFields(QPainter &painter, const DiagramMapping &mapping, const Classify::FieldMap &fields)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const QList<Classify::Field> &all = fields.fields();
    for (qsizetype i = 0; i < all.size(); ++i) {
        const Classify::Field &field = all[i];
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (const QPolygonF &ring : field.rings) {
            QPolygonF device;
            device.reserve(ring.size());
            for (const QPointF &point : ring) {
                device << mapping.toDevice(point);
            }
            path.addPolygon(device);
            path.closeSubpath();
        }
        painter.fillPath(path, QColor::fromHsv(int(i * 47 % 360), 90, 255, 70));
        if (flagged(field)) {
            painter.fillPath(path, QBrush(QColor(200, 0, 0, 110), Qt::BDiagPattern));
            painter.strokePath(path, QPen(QColor(200, 0, 0), 2, Qt::DashLine));
        }
        // A name no label shows already, where there is room for it (and always when it needs care).
        if (field.labels.isEmpty() && (flagged(field) || field.share > 0.01)) {
            const QPointF at = mapping.toDevice(field.inside);
            const QString name = QString(field.name).replace(u'\n', u' ');
            const QRectF box(at.x() - 120, at.y() - 30, 240, 60);
            painter.setPen(flagged(field) ? QColor(160, 0, 0) : QColor(60, 60, 60));
            painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, name);
        }
    }
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.setBrush(Qt::NoBrush);
    for (const Classify::OpenEnd &end : fields.openEnds()) {
        painter.drawEllipse(mapping.toDevice(end.at), endReach - 2, endReach - 2);
    }
    painter.restore();
}

QString coordinate(double value)
{
    if (!std::isfinite(value)) {
        return QStringLiteral("—");
    }
    return QString::number(value, 'g', std::abs(value) >= 1e5 || std::abs(value) < 1e-3 ? 4 : 5);
}

// Calls back when the watched widget changes its size.
class ResizeWatcher : public QObject
{
public:
    ResizeWatcher(QWidget *watched, std::function<void()> resized)
        : QObject(watched)
        , m_resized(std::move(resized))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize) {
            m_resized();
        }
        return false;
    }

private:
    std::function<void()> m_resized;
};

template <typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

fPreview::fPreview(mTaprell &taprell, Dialogs &dialogs, CurrentFigureSource &catalogue, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_taprell(taprell)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("fPreview"));
    setWindowTitle(caption);
    m_ownSettings = std::make_unique<SettingsStore>();
    m_memory = std::make_unique<UnderlayMemory>(*m_ownSettings);
    m_session = new DigitiserSession(this);
    buildControls();
    m_feed = new PreviewFeed(taprell, catalogue, this);
    connect(m_feed, &PreviewFeed::changed, this, &fPreview::figureChanged);
    connect(m_feed, &PreviewFeed::changed, this, &fPreview::showLabelsOnLines); // once the figure is drawn
    figureChanged();
}

fPreview::~fPreview() = default;

void fPreview::buildControls()
{
    m_canvas = named(new FigureCanvas(this), "picCanvas");
    m_source = named(new QLabel(this), "lblSource");
    m_coordinates = named(new QLabel(this), "lblCoordinates");
    m_coordinates->setMinimumWidth(260);
    m_labelsOnLines = named(new QLabel(this), "lblLabelsOnLines");
    m_labelsOnLines->setStyleSheet(QStringLiteral("color: #c05000"));
    m_labelsOnLines->hide();
    m_problems = named(new QPlainTextEdit(this), "txtProblems");
    m_problems->setReadOnly(true);
    m_problems->setMaximumHeight(80);
    m_thumbnail = named(new QPushButton(QCoreApplication::translate("fPreview", "生成缩略图"), this), "cmdThumbnail");
    m_export = named(new QPushButton(QCoreApplication::translate("fPreview", "导出…"), this), "cmdExport");
    auto *exportFigure =
        named(new QPushButton(QCoreApplication::translate("fPreview", "导出图版…"), this), "cmdExportFigure");
    auto *plotSamples =
        named(new QPushButton(QCoreApplication::translate("fPreview", "样品投图"), this), "cmdPlotSamples");
    m_fieldsButton = named(new QToolButton(this), "optFields");
    m_fieldsButton->setText(QCoreApplication::translate("fPreview", "分区"));
    m_fieldsButton->setCheckable(true);
    m_fieldsButton->setToolTip(QCoreApplication::translate(
        "fPreview", "把图中的界线围成的分区涂上颜色；点一个分区给它起名，点红圈把线的端点延长到边框"));
    m_width = named(new QSpinBox(this), "spinWidth");
    m_height = named(new QSpinBox(this), "spinHeight");
    for (QSpinBox *box : {m_width, m_height}) {
        box->setRange(16, 20000);
        box->setSuffix(QStringLiteral(" px"));
    }
    m_width->setValue(1000);
    m_height->setValue(800);

    auto *info = new QHBoxLayout;
    info->addWidget(m_source, 1);
    info->addWidget(m_labelsOnLines);
    info->addWidget(m_coordinates);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_thumbnail);
    buttons->addWidget(plotSamples);
    buttons->addWidget(m_fieldsButton);
    buttons->addWidget(exportFigure);
    buttons->addStretch(1);
    buttons->addWidget(new QLabel(QCoreApplication::translate("fPreview", "导出大小"), this));
    buttons->addWidget(m_width);
    buttons->addWidget(new QLabel(QStringLiteral("×"), this));
    buttons->addWidget(m_height);
    buttons->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    m_digitiser = new DigitiserCanvas(this);
    m_digitiser->setSession(m_session);
    m_views = named(new QStackedWidget(this), "stkView");
    m_views->addWidget(m_canvas);
    m_views->addWidget(m_digitiser);
    buildDigitiserControls(layout);
    layout->addWidget(m_views, 1);
    layout->addLayout(info);
    layout->addWidget(m_problems);
    layout->addLayout(buttons);

    new ResizeWatcher(m_canvas, [this] { showLabelsOnLines(); });
    connect(m_canvas, &FigureCanvas::hovered, this, &fPreview::showCoordinates);
    connect(m_canvas, &FigureCanvas::left, m_coordinates, &QLabel::clear);
    connect(m_thumbnail, &QPushButton::clicked, this, &fPreview::writeThumbnail);
    connect(m_export, &QPushButton::clicked, this, &fPreview::exportClicked);
    connect(plotSamples, &QPushButton::clicked, this, &fPreview::plotRequested);
    connect(exportFigure, &QPushButton::clicked, this, [this] {
        if (!m_feed->hasFigure()) {
            return;
        }
        const QString bundleFilter = QCoreApplication::translate("fPreview", "Taprell 图版包 (*.json)");
        const QString linesFilter = QCoreApplication::translate("fPreview", "R/Python 脚本的图形文件 (*.json)");
        QString chosen;
        const QString file = QFileDialog::getSaveFileName(this, QCoreApplication::translate("fPreview", "导出图版"),
                                                          m_feed->figure().record.th + QStringLiteral(".json"),
                                                          bundleFilter + QStringLiteral(";;") + linesFilter, &chosen);
        if (!file.isEmpty()) {
            exportFigureFile(file, chosen == linesFilter);
        }
    });
    connect(m_fieldsButton, &QToolButton::toggled, this, &fPreview::showFields);
    connect(m_canvas, &FigureCanvas::clicked, this, &fPreview::fieldClicked);
    resize(660, 760);
}

void fPreview::followPoints(fPicData *window)
{
    m_feed->followPoints(window ? &window->editor() : nullptr,
                         window ? window->findChild<QAbstractItemView *>(QStringLiteral("LvFigure")) : nullptr);
}

void fPreview::followLabels(fPicLbl *window)
{
    m_feed->followLabels(window ? &window->editor() : nullptr,
                         window ? window->findChild<QAbstractItemView *>(QStringLiteral("LvFigure")) : nullptr);
}

QStringList fPreview::problems() const
{
    return m_renderer ? m_renderer->problems() : QStringList();
}

void fPreview::figureChanged()
{
    const PreviewFeed &feed = *m_feed;
    m_thumbnail->setEnabled(feed.hasFigure());
    m_export->setEnabled(feed.hasFigure());
    if (!feed.hasFigure()) {
        m_renderer.reset();
        m_canvas->setFigure(nullptr, {}, QCoreApplication::translate("fPreview", "目录中没有选中的图版"));
        m_source->clear();
        m_problems->clear();
        m_problems->hide();
        updateDigitiser();
        return;
    }
    m_renderer = std::make_shared<const DiagramRenderer>(feed.figure());
    RenderOptions options;
    options.highlightedPoint = feed.highlightedPoint();
    options.highlightedLabel = feed.highlightedLabel();
    m_canvas->setFigure(m_renderer, options);
    if (m_fieldsButton->isChecked()) {
        buildFields();
    }

    auto from = [](bool live) {
        return live ? QCoreApplication::translate("fPreview", "编辑中")
                    : QCoreApplication::translate("fPreview", "图版库");
    };
    m_source->setText(QCoreApplication::translate("fPreview", "图号 %1　点 %2 个（%3）　标签 %4 个（%5）")
                          .arg(feed.figure().record.th)
                          .arg(feed.figure().points.size())
                          .arg(from(feed.pointsFromWorkingCopy()))
                          .arg(feed.figure().labels.size())
                          .arg(from(feed.labelsFromWorkingCopy())));
    showProblems();
    updateDigitiser();
}

void fPreview::showProblems()
{
    QStringList lines = m_renderer ? m_renderer->problems() : QStringList();
    // The line being clicked in has one point until its second click: not a problem yet.
    if (hasUnderlay() && m_session->target() && m_session->target()->acceptsPoints()) {
        lines.removeOne(DiagramRenderer::loneLineProblem(m_session->series));
    }
    if (m_feed->hasFigure() && !m_feed->readProblem().isEmpty()) {
        lines.prepend(QCoreApplication::translate("fPreview", "读图版库出错：") + m_feed->readProblem());
    }
    if (m_fields) {
        lines << fieldProblems(*m_fields);
    }
    m_problems->setPlainText(lines.join(u'\n'));
    m_problems->setVisible(!lines.isEmpty());
}

void fPreview::showLabelsOnLines()
{
    const QList<int> crossing =
        m_renderer ? m_renderer->labelsOnLines(QRectF(m_canvas->rect()), m_canvas) : QList<int>();
    if (crossing.isEmpty()) {
        m_labelsOnLines->clear();
        m_labelsOnLines->setToolTip({});
        m_labelsOnLines->hide();
        return;
    }
    QStringList named;
    for (int i : crossing) {
        const QString text = m_feed->figure().labels.value(i).text;
        named << tr("第 %1 个标签“%2”").arg(i + 1).arg(text.simplified());
    }
    m_labelsOnLines->setText(tr("⚠ %1 个标签压线").arg(crossing.size()));
    m_labelsOnLines->setToolTip(named.join(u'\n') + tr("\n压在线、图框或坐标轴上（按现在的大小）。"));
    m_labelsOnLines->show();
}

void fPreview::showCoordinates(QPointF data, bool inside)
{
    QString text =
        QCoreApplication::translate("fPreview", "X = %1　Y = %2").arg(coordinate(data.x()), coordinate(data.y()));
    if (m_renderer && m_renderer->isTriangular()) {
        const DiagramMapping::Shares shares = DiagramMapping::sharesOf(data);
        text += QCoreApplication::translate("fPreview", "　左 %1%　右 %2%　上 %3%")
                    .arg(QString::number(shares.left, 'f', 1), QString::number(shares.right, 'f', 1),
                         QString::number(shares.top, 'f', 1));
    }
    if (!inside) {
        text += QCoreApplication::translate("fPreview", "（图外）");
    }
    m_coordinates->setText(text);
}

void fPreview::notice(const QString &text, const QString &details)
{
    m_dialogs.show({caption, text, details, Dialogs::Icon::Warning, Dialogs::Buttons::Ok}, this);
}

bool fPreview::writeThumbnail()
{
    if (!m_feed->hasFigure() || !m_renderer) {
        return false;
    }
    const QString name = m_feed->figure().record.figName;
    if (name.trimmed().isEmpty()) {
        notice(QCoreApplication::translate("fPreview", "这个图版没有缩略图名，不能生成缩略图。"));
        return false;
    }
    const QString folder = m_taprell.thumbnailFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        notice(
            QCoreApplication::translate("fPreview", "缩略图文件夹不能使用：%1").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    const QString file = Thumbnails::fileName(folder, name);
    if (QFileInfo::exists(file) &&
        m_dialogs.show({caption,
                        QCoreApplication::translate("fPreview", "缩略图 %1 已经存在，要替换吗？")
                            .arg(QDir::toNativeSeparators(file)),
                        {},
                        Dialogs::Icon::Question,
                        Dialogs::Buttons::YesNo},
                       this) != Dialogs::Answer::Yes) {
        return false;
    }
    QString error;
    if (!FigureExport::write(*m_renderer, file, Thumbnails::size, {}, &error)) {
        notice(QCoreApplication::translate("fPreview", "缩略图没有写成。"), error);
        return false;
    }
    emit thumbnailWritten(file);
    return true;
}

void fPreview::setExportSize(QSize size)
{
    m_width->setValue(size.width());
    m_height->setValue(size.height());
}

bool fPreview::exportTo(const QString &fileName)
{
    if (!m_renderer) {
        return false;
    }
    QString error;
    if (!FigureExport::write(*m_renderer, fileName, QSize(m_width->value(), m_height->value()), {}, &error)) {
        notice(QCoreApplication::translate("fPreview", "图版没有导出。"), error);
        return false;
    }
    return true;
}

void fPreview::exportClicked()
{
    if (!m_feed->hasFigure()) {
        return;
    }
    QString selected;
    const QString file = QFileDialog::getSaveFileName(
        this, QCoreApplication::translate("fPreview", "导出图版"), m_feed->figure().record.th + QStringLiteral(".svg"),
        QCoreApplication::translate("fPreview", "SVG 矢量图 (*.svg);;PDF 文档 (*.pdf);;PNG 图片 (*.png)"), &selected);
    if (file.isEmpty()) {
        return;
    }
    QString target = file;
    if (FigureExport::formatOf(target) == FigureExport::Format::Unknown) {
        // No ending typed: the one of the chosen filter.
        target += selected.contains(u"*.pdf")   ? QStringLiteral(".pdf")
                  : selected.contains(u"*.png") ? QStringLiteral(".png")
                                                : QStringLiteral(".svg");
    }
    exportTo(target);
}

void fPreview::bringToFront()
{
    bringWindowToFront(this);
}

void fPreview::buildDigitiserControls(QVBoxLayout *layout)
{
    m_loadUnderlay =
        named(new QPushButton(QCoreApplication::translate("fPreview", "载入底图…"), this), "cmdLoadUnderlay");
    m_calibrate = named(new QPushButton(QCoreApplication::translate("fPreview", "定标…"), this), "cmdCalibrate");
    m_removeUnderlay =
        named(new QPushButton(QCoreApplication::translate("fPreview", "去掉底图"), this), "cmdRemoveUnderlay");
    m_modePoints = named(new QToolButton(this), "optModePoints");
    m_modePoints->setText(QCoreApplication::translate("fPreview", "点"));
    m_modeLabels = named(new QToolButton(this), "optModeLabels");
    m_modeLabels->setText(QCoreApplication::translate("fPreview", "标签"));
    auto *modes = new QButtonGroup(this);
    for (QToolButton *button : {m_modePoints, m_modeLabels}) {
        button->setCheckable(true);
        modes->addButton(button);
    }
    m_modePoints->setChecked(true);
    m_series = named(new QSpinBox(this), "spinSeries");
    // The line numbers the data window offers; N (or "新线") goes on to the next line.
    m_series->setRange(1, 16);
    m_series->setSingleStep(1);
    m_series->setPrefix(QCoreApplication::translate("fPreview", "线号 "));
    m_series->setValue(m_session->series);
    m_series->setToolTip(QCoreApplication::translate("fPreview", "下一个点的线号；N 键：线号 +1，开始一条新线"));
    m_newLine = named(new QToolButton(this), "cmdNewLine");
    m_newLine->setText(QCoreApplication::translate("fPreview", "新线"));
    m_newLine->setToolTip(QCoreApplication::translate("fPreview", "线号 +1，下一个点开始一条新线（N）"));
    m_fit = named(new QToolButton(this), "cmdFitUnderlay");
    m_fit->setText(QCoreApplication::translate("fPreview", "全图"));
    m_fit->setToolTip(QCoreApplication::translate("fPreview", "把整张底图放进窗口（F）"));
    m_curve = named(new QCheckBox(QCoreApplication::translate("fPreview", "曲线"), this), "chkCurve");
    m_lineType = named(new QComboBox(this), "cboLineType");
    m_lineType->addItems(
        {QCoreApplication::translate("fPreview", "0 无线"), QCoreApplication::translate("fPreview", "1 实线"),
         QCoreApplication::translate("fPreview", "2 点线"), QCoreApplication::translate("fPreview", "3 虚线")});
    m_lineType->setCurrentIndex(m_session->lineType);

    auto *tools = new QHBoxLayout;
    tools->addWidget(m_loadUnderlay);
    tools->addWidget(m_calibrate);
    tools->addWidget(m_removeUnderlay);
    tools->addSpacing(12);
    tools->addWidget(m_modePoints);
    tools->addWidget(m_modeLabels);
    tools->addWidget(m_series);
    tools->addWidget(m_newLine);
    tools->addWidget(m_curve);
    tools->addWidget(m_lineType);
    tools->addStretch(1);
    tools->addWidget(m_fit);
    layout->addLayout(tools);

    m_calibration =
        named(new QGroupBox(QCoreApplication::translate("fPreview", "定标：在底图上依次点参考点，填上它们的值"), this),
              "grpCalibration");
    auto *grid = new QGridLayout(m_calibration);
    m_calibrationKind = named(new QComboBox(m_calibration), "cboCalibrationKind");
    grid->addWidget(m_calibrationKind, 0, 0, 1, 3);
    for (int i = 0; i < 4; ++i) {
        m_refNames[i] = new QLabel(m_calibration);
        m_refNames[i]->setObjectName(QStringLiteral("lblRef%1").arg(i + 1));
        m_refX[i] = new QLineEdit(m_calibration);
        m_refX[i]->setObjectName(QStringLiteral("txtRefX%1").arg(i + 1));
        m_refX[i]->setPlaceholderText(QCoreApplication::translate("fPreview", "X 值"));
        m_refY[i] = new QLineEdit(m_calibration);
        m_refY[i]->setObjectName(QStringLiteral("txtRefY%1").arg(i + 1));
        m_refY[i]->setPlaceholderText(QCoreApplication::translate("fPreview", "Y 值"));
        grid->addWidget(m_refNames[i], i + 1, 0);
        grid->addWidget(m_refX[i], i + 1, 1);
        grid->addWidget(m_refY[i], i + 1, 2);
    }
    auto *apply = named(new QPushButton(QCoreApplication::translate("fPreview", "应用定标"), m_calibration),
                        "cmdApplyCalibration");
    auto *cancel =
        named(new QPushButton(QCoreApplication::translate("fPreview", "取消"), m_calibration), "cmdCancelCalibration");
    grid->addWidget(apply, 5, 1);
    grid->addWidget(cancel, 5, 2);
    m_calibration->hide();
    layout->addWidget(m_calibration);
    m_status = named(new QLabel(this), "lblDigitiserStatus");
    m_status->setWordWrap(true);
    m_status->hide();
    layout->addWidget(m_status);

    connect(m_loadUnderlay, &QPushButton::clicked, this, &fPreview::chooseUnderlayFile);
    connect(m_calibrate, &QPushButton::clicked, this, &fPreview::startCalibration);
    connect(m_removeUnderlay, &QPushButton::clicked, this, &fPreview::removeUnderlay);
    connect(apply, &QPushButton::clicked, this, &fPreview::applyCalibration);
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_calibration->hide();
        m_digitiser->setMarkers({});
        m_digitiser->setMode(m_modeLabels->isChecked() ? DigitiserCanvas::Mode::Labels : DigitiserCanvas::Mode::Points);
        refreshHint();
    });
    connect(m_calibrationKind, &QComboBox::currentIndexChanged, this, [this] {
        m_refPixels = {};
        m_nextRef = 0;
        m_digitiser->setMarkers({});
        showCalibrationRows();
    });
    connect(m_modePoints, &QToolButton::toggled, this, [this](bool on) {
        if (on && !m_calibration->isVisible()) {
            m_digitiser->setMode(DigitiserCanvas::Mode::Points);
        }
        refreshHint();
    });
    connect(m_modeLabels, &QToolButton::toggled, this, [this](bool on) {
        if (on && !m_calibration->isVisible()) {
            m_digitiser->setMode(DigitiserCanvas::Mode::Labels);
        }
        refreshHint();
    });
    connect(m_series, &QSpinBox::valueChanged, this, [this](int value) {
        const int before = m_session->series;
        m_session->series = value;
        // The line left may have one point only, or the line taken up may have had one.
        const QStringList drawn = m_renderer ? m_renderer->problems() : QStringList();
        if (drawn.contains(DiagramRenderer::loneLineProblem(before)) ||
            drawn.contains(DiagramRenderer::loneLineProblem(value))) {
            showProblems();
        }
    });
    connect(m_curve, &QCheckBox::toggled, this, [this](bool on) { m_session->curve = on; });
    connect(m_lineType, &QComboBox::currentIndexChanged, this, [this](int index) { m_session->lineType = index; });
    connect(m_digitiser, &DigitiserCanvas::calibrationClicked, this, &fPreview::calibrationClicked);
    connect(m_digitiser, &DigitiserCanvas::hovered, this, &fPreview::showCoordinates);
    connect(m_digitiser, &DigitiserCanvas::left, m_coordinates, &QLabel::clear);
    connect(m_digitiser, &DigitiserCanvas::problem, this, [this](const QString &text) { notice(text); });
    connect(m_digitiser, &DigitiserCanvas::status, this, &fPreview::showStatus);

    connect(m_newLine, &QToolButton::clicked, this, &fPreview::startNewLine);
    connect(m_fit, &QToolButton::clicked, m_digitiser, &DigitiserCanvas::fitScan);
    // Plain letters: a text box with the focus takes them as typing, not as these keys.
    connect(new QShortcut(QKeySequence(Qt::Key_N), this), &QShortcut::activated, this, &fPreview::startNewLine);
    connect(new QShortcut(QKeySequence(Qt::Key_F), this), &QShortcut::activated, m_digitiser,
            &DigitiserCanvas::fitScan);
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, &fPreview::undoLastStep);
    connect(new QShortcut(QKeySequence(Qt::Key_Delete), this), &QShortcut::activated, this,
            &fPreview::removeSelectedPoint);
    connect(new QShortcut(QKeySequence::Paste, this), &QShortcut::activated, this,
            [this] { pasteTable(QGuiApplication::clipboard()->text()); });
}

void fPreview::setSettingsStore(SettingsStore *settings)
{
    m_memory = std::make_unique<UnderlayMemory>(settings ? *settings : *m_ownSettings);
    m_underlayFor.clear();
    updateDigitiser();
}

void fPreview::setDigitiserTarget(DigitiserTarget *target)
{
    if (m_target) {
        disconnect(m_target, nullptr, this, nullptr);
    }
    m_target = target;
    if (target) {
        connect(target, &DigitiserTarget::changed, this, &fPreview::updateDigitiser);
        connect(target, &DigitiserTarget::selectionChanged, this, &fPreview::updateDigitiser);
    }
    updateDigitiser();
}

int fPreview::nextFreeLine() const
{
    int highest = 0;
    if (m_session->target()) {
        for (const FigurePoint &point : m_session->target()->points()) {
            bool ok = false;
            const double series = QLocale::c().toDouble(point.series.trimmed(), &ok);
            if (ok && series > highest) {
                highest = static_cast<int>(series);
            }
        }
    }
    return highest + 1;
}

void fPreview::startNewLine()
{
    m_series->setValue(m_series->value() + 1);
}

bool fPreview::hasUnderlay() const
{
    return !m_digitiser->scan().isNull();
}

void fPreview::recallUnderlay()
{
    const QString figure = m_feed->hasFigure() ? m_feed->figure().record.th : QString();
    if (figure.compare(m_underlayFor, Qt::CaseInsensitive) == 0 && !m_underlayFor.isEmpty()) {
        return;
    }
    m_underlayFor = figure;
    m_underlayFile.clear();
    m_digitiser->setScan({});
    m_digitiser->setCalibration({});
    m_session->setCalibration({});
    m_calibration->hide();
    if (figure.isEmpty()) {
        return;
    }
    const UnderlayMemory::Entry entry = m_memory->recall(figure);
    if (entry.fileName.isEmpty()) {
        return;
    }
    QString error;
    const QImage scan = Underlay::load(entry.fileName, &error);
    if (scan.isNull()) {
        m_problems->appendPlainText(QCoreApplication::translate("fPreview", "这个图版记下的底图没有载入：") + error);
        m_problems->show();
        return;
    }
    m_underlayFile = entry.fileName;
    layout()->activate(); // fitted to the canvas as it is shown, with the problems box
    m_digitiser->setScan(scan);
    m_digitiser->setCalibration(entry.calibration);
    m_session->setCalibration(entry.calibration);
}

void fPreview::updateDigitiser()
{
    recallUnderlay();
    const bool scan = hasUnderlay();
    m_views->setCurrentWidget(scan ? static_cast<QWidget *>(m_digitiser) : m_canvas);
    m_calibrate->setEnabled(scan);
    m_removeUnderlay->setEnabled(scan);
    m_loadUnderlay->setEnabled(m_feed->hasFigure());
    // Clicks edit the working copies only while they are the shown figure's: never another
    // figure's points with this scan's calibration.
    const bool editable = m_feed->hasFigure() && m_target &&
                          m_target->figureNumber().compare(m_feed->figure().record.th, Qt::CaseInsensitive) == 0;
    if (m_session->target() != (editable ? m_target.data() : nullptr)) {
        m_session->setTarget(editable ? m_target.data() : nullptr);
    }
    // Another figure: the tools as they were at the start.
    const QString shown = m_feed->hasFigure() ? m_feed->figure().record.th : QString();
    if (shown.compare(m_toolsFor, Qt::CaseInsensitive) != 0) {
        m_toolsFor = shown;
        m_modePoints->setChecked(true);
        m_digitiser->setMode(DigitiserCanvas::Mode::Points); // a calibration begun is given up with the figure
        m_curve->setChecked(false);
        m_lineType->setCurrentIndex(1);
    }
    // A data window opened for this figure: the clicks start a new line after its lines.
    const bool takesPoints = editable && m_target->acceptsPoints();
    if (takesPoints && !m_tookPoints) {
        m_series->setValue(nextFreeLine());
    }
    m_tookPoints = takesPoints;
    refreshHint();
    if (!m_feed->hasFigure()) {
        m_digitiserRenderer.reset();
        m_digitiser->setFigure(nullptr, {});
        m_session->setFrame(std::nullopt);
        return;
    }
    // The digitiser draws what it edits: the target's working copies when they are this figure's.
    Figure figure = m_feed->figure();
    RenderOptions options;
    options.highlightedPoint = m_feed->highlightedPoint();
    options.highlightedLabel = m_feed->highlightedLabel();
    if (editable) {
        if (m_target->acceptsPoints()) {
            figure.points = m_target->points();
            options.highlightedPoint = m_target->selectedPoint();
        }
        if (m_target->acceptsLabels()) {
            figure.labels = m_target->labels();
        }
    }
    if (scan) {
        m_digitiserRenderer = std::make_shared<const DiagramRenderer>(figure);
        m_digitiser->setFigure(m_digitiserRenderer, options);
        // The frame's ranges only: any rectangle will do.
        m_session->setFrame(m_digitiserRenderer->layout(QRectF(0, 0, 1000, 1000), m_digitiser));
    }
}

void fPreview::refreshHint()
{
    m_status->setVisible(hasUnderlay());
    QString hint;
    if (m_calibration->isVisible()) {
        hint = QCoreApplication::translate("fPreview",
                                           "定标：在底图上依次点 ▶ 所指的参考点，填好它们的值，再按“应用定标”");
    } else if (!m_session->calibration().isValid()) {
        hint = QCoreApplication::translate("fPreview", "底图还没有定标：按“定标…”");
    } else if (m_modeLabels->isChecked()) {
        hint = m_session->target() && m_session->target()->acceptsLabels()
                   ? QCoreApplication::translate("fPreview", "单击：在那里输入标签，回车放下，Shift+回车换行，Esc 取消")
                   : QCoreApplication::translate("fPreview", "要加标签，先在目录中为这个图版打开“图版标签”窗口");
    } else {
        hint = m_session->target() && m_session->target()->acceptsPoints()
                   ? QCoreApplication::translate(
                         "fPreview", "单击：加点（靠近点或图框时落在其上）　Shift+单击：不对齐　Ctrl+单击：选中点")
                   : QCoreApplication::translate("fPreview", "要加点，先在目录中为这个图版打开“图版数据”窗口");
    }
    if (hint != m_hint) {
        m_hint = hint;
        m_status->setText(hint);
    }
}

void fPreview::showStatus(const QString &text)
{
    m_status->setText(text);
}

void fPreview::chooseUnderlayFile()
{
    const QString file = QFileDialog::getOpenFileName(this, QCoreApplication::translate("fPreview", "载入底图"),
                                                      QString(), Underlay::fileFilter());
    if (!file.isEmpty()) {
        loadUnderlay(file);
    }
}

bool fPreview::loadUnderlay(const QString &fileName)
{
    if (!m_feed->hasFigure()) {
        return false;
    }
    QString error;
    const QImage scan = Underlay::load(fileName, &error);
    if (scan.isNull()) {
        notice(error);
        return false;
    }
    const QString figure = m_feed->figure().record.th;
    m_underlayFor = figure;
    m_underlayFile = QFileInfo(fileName).absoluteFilePath();
    m_digitiser->setScan(scan);
    m_digitiser->setCalibration({});
    m_session->setCalibration({});
    if (!m_memory->remember(figure, {m_underlayFile, {}})) {
        notice(
            QCoreApplication::translate("fPreview", "底图已经载入，但没能记在设置里，下次打开这个图版时要重新载入。"));
    }
    updateDigitiser();
    startCalibration();
    // The whole scan in the canvas as it is with the calibration panel open; from here on the
    // view moves only when the user zooms, pans or asks for the whole scan.
    layout()->activate();
    m_digitiser->fitScan();
    return true;
}

void fPreview::removeUnderlay()
{
    if (!m_underlayFor.isEmpty()) {
        m_memory->forget(m_underlayFor);
    }
    m_underlayFile.clear();
    m_digitiser->setScan({});
    m_digitiser->setCalibration({});
    m_session->setCalibration({});
    m_calibration->hide();
    updateDigitiser();
}

void fPreview::startCalibration()
{
    if (!hasUnderlay()) {
        return;
    }
    const bool triangular = m_feed->figure().record.isTriangular();
    {
        const QSignalBlocker blocker(m_calibrationKind);
        m_calibrationKind->clear();
        if (triangular) {
            m_calibrationKind->addItem(QCoreApplication::translate("fPreview", "三角图：依次点左角、右角、上角"));
        } else {
            m_calibrationKind->addItem(QCoreApplication::translate("fPreview", "X 轴上两点 + Y 轴上两点"));
            m_calibrationKind->addItem(QCoreApplication::translate("fPreview", "三个已知 X 和 Y 的点"));
        }
    }
    const FigureRecord &record = m_feed->figure().record;
    for (int i = 0; i < 4; ++i) {
        m_refX[i]->clear();
        m_refY[i]->clear();
    }
    // The axes' ends as a start: the user types the ticks clicked when they are other values.
    m_refX[0]->setText(record.X[0].trimmed());
    m_refX[1]->setText(record.X[1].trimmed());
    m_refY[2]->setText(record.Y[0].trimmed());
    m_refY[3]->setText(record.Y[1].trimmed());
    m_refPixels = {};
    m_nextRef = 0;
    m_digitiser->setMarkers({});
    m_digitiser->setMode(DigitiserCanvas::Mode::Calibrate);
    showCalibrationRows();
    m_calibration->show();
    refreshHint();
}

void fPreview::showCalibrationRows()
{
    const bool triangular = m_feed->figure().record.isTriangular();
    const bool axes = !triangular && m_calibrationKind->currentIndex() == 0;
    const int rows = axes ? 4 : 3;
    static const QStringList axisNames{
        QCoreApplication::translate("fPreview", "X 轴点 1"), QCoreApplication::translate("fPreview", "X 轴点 2"),
        QCoreApplication::translate("fPreview", "Y 轴点 1"), QCoreApplication::translate("fPreview", "Y 轴点 2")};
    static const QStringList cornerNames{QCoreApplication::translate("fPreview", "左角"),
                                         QCoreApplication::translate("fPreview", "右角"),
                                         QCoreApplication::translate("fPreview", "上角")};
    for (int i = 0; i < 4; ++i) {
        const bool shown = i < rows;
        QString name = triangular ? (i < 3 ? cornerNames[i] : QString())
                       : axes     ? axisNames[i]
                                  : QCoreApplication::translate("fPreview", "点 %1").arg(i + 1);
        if (shown) {
            name += m_refPixels[i] ? QCoreApplication::translate("fPreview", "（%1, %2）")
                                         .arg(QString::number(m_refPixels[i]->x(), 'f', 1),
                                              QString::number(m_refPixels[i]->y(), 'f', 1))
                                   : QCoreApplication::translate("fPreview", "（未点）");
            if (i == m_nextRef) {
                name = QStringLiteral("▶ ") + name;
            }
        }
        m_refNames[i]->setText(name);
        m_refNames[i]->setVisible(shown);
        m_refX[i]->setVisible(shown && !triangular && (!axes || i < 2));
        m_refY[i]->setVisible(shown && !triangular && (!axes || i >= 2));
    }
}

void fPreview::calibrationClicked(QPointF pixel)
{
    const bool triangular = m_feed->figure().record.isTriangular();
    const int rows = !triangular && m_calibrationKind->currentIndex() == 0 ? 4 : 3;
    m_refPixels[m_nextRef] = pixel;
    m_nextRef = (m_nextRef + 1) % rows;
    QList<QPointF> markers;
    for (int i = 0; i < rows; ++i) {
        markers << m_refPixels[i].value_or(QPointF(-1e6, -1e6));
    }
    m_digitiser->setMarkers(markers);
    showCalibrationRows();
}

bool fPreview::applyCalibration()
{
    const FigureRecord &record = m_feed->figure().record;
    const bool triangular = record.isTriangular();
    const bool axes = !triangular && m_calibrationKind->currentIndex() == 0;
    const int rows = axes ? 4 : 3;
    for (int i = 0; i < rows; ++i) {
        if (!m_refPixels[i]) {
            notice(QCoreApplication::translate("fPreview", "还没有在底图上点出“%1”。")
                       .arg(m_refNames[i]->text().remove(QStringLiteral("▶ "))));
            return false;
        }
    }
    QString error;
    auto value = [&](QLineEdit *edit, int row, QChar axis, double *out) {
        bool ok = false;
        *out = QLocale::c().toDouble(edit->text().trimmed(), &ok);
        if (!ok) {
            error = QCoreApplication::translate("fPreview", "第 %1 个参考点的 %2 值“%3”不是数字。")
                        .arg(row + 1)
                        .arg(axis)
                        .arg(edit->text());
        }
        return ok;
    };
    Calibration calibration;
    if (triangular) {
        calibration = Calibration::triangle(*m_refPixels[0], *m_refPixels[1], *m_refPixels[2], &error);
    } else {
        const bool logX = record.X[5].trimmed().compare(u"True", Qt::CaseInsensitive) == 0;
        const bool logY = record.Y[5].trimmed().compare(u"True", Qt::CaseInsensitive) == 0;
        std::array<Calibration::Reference, 4> refs;
        bool ok = true;
        for (int i = 0; i < rows && ok; ++i) {
            refs[i].pixel = *m_refPixels[i];
            if (!axes || i < 2) {
                ok = value(m_refX[i], i, u'X', &refs[i].x);
            }
            if (ok && (!axes || i >= 2)) {
                ok = value(m_refY[i], i, u'Y', &refs[i].y);
            }
        }
        if (ok) {
            calibration = axes ? Calibration::axes(refs[0], refs[1], refs[2], refs[3], logX, logY, &error)
                               : Calibration::threePoints(refs[0], refs[1], refs[2], logX, logY, &error);
        }
    }
    if (!calibration.isValid()) {
        notice(error);
        return false;
    }
    m_session->setCalibration(calibration);
    m_digitiser->setCalibration(calibration);
    m_digitiser->setMarkers({});
    m_calibration->hide();
    m_digitiser->setMode(m_modeLabels->isChecked() ? DigitiserCanvas::Mode::Labels : DigitiserCanvas::Mode::Points);
    refreshHint();
    if (!m_memory->remember(m_underlayFor, {m_underlayFile, calibration})) {
        notice(QCoreApplication::translate("fPreview", "定标已经生效，但没能记在设置里。"));
    }
    return true;
}

void fPreview::undoLastStep()
{
    QString error;
    if (!m_session->undo(&error)) {
        notice(error);
    }
}

void fPreview::removeSelectedPoint()
{
    if (!m_target) {
        return;
    }
    QString error;
    if (!m_session->removePoint(m_target->selectedPoint(), &error)) {
        notice(error);
    }
}

void fPreview::pasteTable(const QString &text)
{
    int added = 0;
    int header = 0;
    QString error;
    if (!m_session->paste(text, &added, &error, &header)) {
        notice(error);
        return;
    }
    // The next click starts a line after the pasted ones, not on one of them.
    const QList<FigurePoint> points = m_session->target()->points();
    int highest = 0;
    for (qsizetype i = points.size() - added; i < points.size(); ++i) {
        highest = std::max(highest, static_cast<int>(QLocale::c().toDouble(points[i].series.trimmed())));
    }
    if (highest >= m_series->value()) {
        m_series->setValue(highest + 1);
    }
    QString done = QCoreApplication::translate("fPreview", "粘贴了 %1 个点").arg(added);
    if (header > 0) {
        done += QCoreApplication::translate("fPreview", "（第 %1 行是栏名，没有当作点）").arg(header);
    }
    showStatus(done + QCoreApplication::translate("fPreview", "；下一个点在线号 %1 上").arg(m_series->value()));
}

plot::FigureSettingsStore &fPreview::plotSettings()
{
    return m_plotSettings ? *m_plotSettings : m_sessionSettings;
}

void fPreview::showFields(bool shown)
{
    if (m_fieldsButton->isChecked() != shown) {
        m_fieldsButton->setChecked(shown); // comes back here
        return;
    }
    if (shown) {
        buildFields();
    } else {
        m_fields.reset();
        m_canvas->setOverlay({});
        showProblems();
    }
}

void fPreview::buildFields()
{
    if (!m_feed->hasFigure()) {
        m_fields.reset();
        m_canvas->setOverlay({});
        return;
    }
    const Figure &figure = m_feed->figure();
    if (m_fieldSettings.figureNumber.compare(figure.record.th, Qt::CaseInsensitive) != 0) {
        QString problem;
        m_fieldSettings = plotSettings().read(figure.record.th, &problem).value_or(plot::FigureSettings{});
        m_fieldSettings.figureNumber = figure.record.th;
        if (!problem.isEmpty()) {
            notice(QCoreApplication::translate("fPreview", "这个图版的分区改正读不出来。"), problem);
        }
    }
    Classify::FieldOptions options;
    options.names = m_fieldSettings.fieldNames;
    options.extendToFrame = m_fieldSettings.extendToFrame;
    options.wording =
        QCoreApplication::translate("Wording", "中文") == u"English" ? Wording::English : Wording::Chinese;
    auto fields = std::make_shared<const Classify::FieldMap>(figure, options);
    m_fields = fields;
    m_canvas->setOverlay(
        [fields](QPainter &painter, const DiagramMapping &mapping) { paintFields(painter, mapping, *fields); });
    showProblems();
}

bool fPreview::writeFieldSettings(const plot::FigureSettings &settings)
{
    QString problem;
    if (!plotSettings().write(settings, &problem)) {
        notice(QCoreApplication::translate("fPreview", "分区的改正没有保存。"), problem);
        return false;
    }
    m_fieldSettings = settings;
    buildFields();
    return true;
}

bool fPreview::nameFieldAt(QPointF data, const QString &name)
{
    if (!m_fields || name.trimmed().isEmpty()) {
        return false;
    }
    plot::FigureSettings settings = m_fieldSettings;
    // A new name for the same field replaces the one given before.
    const Classify::Location place = m_fields->locate(data);
    settings.fieldNames.removeIf([&](const Classify::FieldName &given) {
        const Classify::Location there = m_fields->locate(given.at);
        return there.place == Classify::Place::Field && there.field == place.field;
    });
    settings.fieldNames.append({data, name.trimmed()});
    return writeFieldSettings(settings);
}

bool fPreview::extendEndAt(QPointF data)
{
    if (!m_fields) {
        return false;
    }
    const DiagramMapping mapping = m_canvas->mapping();
    const QPointF click = mapping.toDevice(data);
    for (const Classify::OpenEnd &end : m_fields->openEnds()) {
        const QPointF d = mapping.toDevice(end.at) - click;
        if (std::hypot(d.x(), d.y()) <= endReach) {
            plot::FigureSettings settings = m_fieldSettings;
            settings.extendToFrame.append(end.at);
            return writeFieldSettings(settings);
        }
    }
    return false;
}

void fPreview::fieldClicked(QPointF data, QPoint)
{
    if (!m_fields || !m_fieldsButton->isChecked() || m_views->currentWidget() != m_canvas) {
        return;
    }
    if (extendEndAt(data)) {
        return;
    }
    const Classify::Location place = m_fields->locate(data);
    if (place.place != Classify::Place::Field) {
        return;
    }
    const QString current = QString(m_fields->fields()[place.field].name).replace(u'\n', u' ');
    bool ok = false;
    const QString name = QInputDialog::getText(this, QCoreApplication::translate("fPreview", "分区名"),
                                               QCoreApplication::translate("fPreview", "这个分区的名字："),
                                               QLineEdit::Normal, current, &ok);
    if (ok) {
        nameFieldAt(data, name);
    }
}

bool fPreview::exportFigureFile(const QString &fileName, bool linesFile)
{
    if (!m_feed->hasFigure()) {
        return false;
    }
    const QString number = m_feed->figure().record.th;
    Library &library = m_taprell.library();
    exchange::Bundle bundle;
    Status status = library.isOpen() ? Status() : m_taprell.openLibrary();
    if (status) {
        status = exchange::read(library, {{number}, {}, false}, &bundle);
    }
    if (!status) {
        notice(QCoreApplication::translate("fPreview", "图版 %1 没有导出（要先保存到图版库）。").arg(number),
               status.error().details());
        return false;
    }
    QByteArray json = exchange::toJson(bundle);
    if (linesFile) {
        QString problem;
        plot::FigureSettings settings = plotSettings().read(number, &problem).value_or(plot::FigureSettings{});
        Classify::FieldOptions options;
        options.names = settings.fieldNames;
        options.extendToFrame = settings.extendToFrame;
        const bool triangular = m_feed->figure().record.isTriangular();
        QStringList axes = triangular ? QStringList{settings.axes.top, settings.axes.left, settings.axes.right}
                                      : QStringList{settings.axes.x, settings.axes.y};
        const QStringList plain =
            triangular ? QStringList{QStringLiteral("top"), QStringLiteral("left"), QStringLiteral("right")}
                       : QStringList{QStringLiteral("x"), QStringLiteral("y")};
        for (qsizetype i = 0; i < axes.size(); ++i) {
            axes[i] = axes[i].isEmpty() ? plain[i] : axes[i];
        }
        Figure stored;
        FigureReader::readFigure(library, number, &stored);
        json = exchange::exportLinesFile(stored, axes, options);
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) < 0 || !file.commit()) {
        notice(QCoreApplication::translate("fPreview", "文件没有写入：%1").arg(fileName), file.errorString());
        return false;
    }
    return true;
}
