// SPDX-License-Identifier: GPL-3.0-or-later
#include "fPreview.h"

#include "Dialogs.h"
#include "FigureCanvas.h"
#include "FigureExport.h"
#include "PreviewFeed.h"
#include "Thumbnails.h"
#include "WindowFront.h"
#include "fPicData.h"
#include "fPicLbl.h"
#include "mTaprell.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

const QString fPreview::caption = QStringLiteral("图版预览");

namespace {

QString coordinate(double value)
{
    if (!std::isfinite(value)) {
        return QStringLiteral("—");
    }
    return QString::number(value, 'g', std::abs(value) >= 1e5 || std::abs(value) < 1e-3 ? 4 : 5);
}

template <typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

fPreview::fPreview(mTaprell &taprell, WorkingListModel &catalogue, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_taprell(taprell)
{
    setObjectName(QStringLiteral("fPreview"));
    setWindowTitle(caption);
    buildControls();
    m_feed = new PreviewFeed(taprell, catalogue, this);
    connect(m_feed, &PreviewFeed::changed, this, &fPreview::figureChanged);
    figureChanged();
}

fPreview::~fPreview() = default;

void fPreview::buildControls()
{
    m_canvas = named(new FigureCanvas(this), "picCanvas");
    m_source = named(new QLabel(this), "lblSource");
    m_coordinates = named(new QLabel(this), "lblCoordinates");
    m_coordinates->setMinimumWidth(260);
    m_problems = named(new QPlainTextEdit(this), "txtProblems");
    m_problems->setReadOnly(true);
    m_problems->setMaximumHeight(80);
    m_thumbnail = named(new QPushButton(QStringLiteral("生成缩略图"), this), "cmdThumbnail");
    m_export = named(new QPushButton(QStringLiteral("导出…"), this), "cmdExport");
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
    info->addWidget(m_coordinates);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_thumbnail);
    buttons->addStretch(1);
    buttons->addWidget(new QLabel(QStringLiteral("导出大小"), this));
    buttons->addWidget(m_width);
    buttons->addWidget(new QLabel(QStringLiteral("×"), this));
    buttons->addWidget(m_height);
    buttons->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_canvas, 1);
    layout->addLayout(info);
    layout->addWidget(m_problems);
    layout->addLayout(buttons);

    connect(m_canvas, &FigureCanvas::hovered, this, &fPreview::showCoordinates);
    connect(m_canvas, &FigureCanvas::left, m_coordinates, &QLabel::clear);
    connect(m_thumbnail, &QPushButton::clicked, this, &fPreview::writeThumbnail);
    connect(m_export, &QPushButton::clicked, this, &fPreview::exportClicked);
    resize(660, 700);
}

void fPreview::setCatalogueRow(int row)
{
    m_feed->setCatalogueRow(row);
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
        m_canvas->setFigure(nullptr, {}, QStringLiteral("目录中没有选中的图版"));
        m_source->clear();
        m_problems->clear();
        m_problems->hide();
        return;
    }
    m_renderer = std::make_shared<const DiagramRenderer>(feed.figure());
    RenderOptions options;
    options.highlightedPoint = feed.highlightedPoint();
    options.highlightedLabel = feed.highlightedLabel();
    m_canvas->setFigure(m_renderer, options);

    auto from = [](bool live) { return live ? QStringLiteral("编辑中") : QStringLiteral("图版库"); };
    m_source->setText(QStringLiteral("图号 %1　点 %2 个（%3）　标签 %4 个（%5）")
                          .arg(feed.figure().record.th)
                          .arg(feed.figure().points.size())
                          .arg(from(feed.pointsFromWorkingCopy()))
                          .arg(feed.figure().labels.size())
                          .arg(from(feed.labelsFromWorkingCopy())));
    QStringList lines = m_renderer->problems();
    if (!feed.readProblem().isEmpty()) {
        lines.prepend(QStringLiteral("读图版库出错：") + feed.readProblem());
    }
    m_problems->setPlainText(lines.join(u'\n'));
    m_problems->setVisible(!lines.isEmpty());
}

void fPreview::showCoordinates(QPointF data, bool inside)
{
    QString text = QStringLiteral("X = %1　Y = %2").arg(coordinate(data.x()), coordinate(data.y()));
    if (m_renderer && m_renderer->isTriangular()) {
        const DiagramMapping::Shares shares = DiagramMapping::sharesOf(data);
        text += QStringLiteral("　左 %1%　右 %2%　上 %3%")
                    .arg(QString::number(shares.left, 'f', 1), QString::number(shares.right, 'f', 1),
                         QString::number(shares.top, 'f', 1));
    }
    if (!inside) {
        text += QStringLiteral("（图外）");
    }
    m_coordinates->setText(text);
}

void fPreview::notice(const QString &text, const QString &details)
{
    m_taprell.dialogs().show({caption, text, details, Dialogs::Icon::Warning, Dialogs::Buttons::Ok}, this);
}

bool fPreview::writeThumbnail()
{
    if (!m_feed->hasFigure() || !m_renderer) {
        return false;
    }
    const QString name = m_feed->figure().record.figName;
    if (name.trimmed().isEmpty()) {
        notice(QStringLiteral("这个图版没有缩略图名，不能生成缩略图。"));
        return false;
    }
    const QString folder = m_taprell.thumbnailFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        notice(QStringLiteral("缩略图文件夹不能使用：%1").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    const QString file = Thumbnails::fileName(folder, name);
    if (QFileInfo::exists(file) &&
        m_taprell.dialogs().show({caption,
                                  QStringLiteral("缩略图 %1 已经存在，要替换吗？").arg(QDir::toNativeSeparators(file)),
                                  {},
                                  Dialogs::Icon::Question,
                                  Dialogs::Buttons::YesNo},
                                 this) != Dialogs::Answer::Yes) {
        return false;
    }
    QString error;
    if (!FigureExport::write(*m_renderer, file, Thumbnails::size, {}, &error)) {
        notice(QStringLiteral("缩略图没有写成。"), error);
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
        notice(QStringLiteral("图版没有导出。"), error);
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
        this, QStringLiteral("导出图版"), m_feed->figure().record.th + QStringLiteral(".svg"),
        QStringLiteral("SVG 矢量图 (*.svg);;PDF 文档 (*.pdf);;PNG 图片 (*.png)"), &selected);
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
