// SPDX-License-Identifier: GPL-3.0-or-later
#include <digitiser/DigitiserSession.h>
#include <digitiser/DigitiserTarget.h>
#include <preview/DigitiserCanvas.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>

#include <cmath>

namespace {

constexpr int magnifierRadius = 70;
constexpr double hitRadius = 6;   // widget pixels around a point (or corner) that a click lands on
constexpr double alignRadius = 4; // widget pixels beside a point's X or Y (or the frame) that a click snaps to
constexpr int dragThreshold = 4;  // widget pixels a press moves before it is a drag

} // namespace

DigitiserCanvas::DigitiserCanvas(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picDigitiser"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(240, 200);
    setCursor(Qt::CrossCursor);
}

DigitiserCanvas::~DigitiserCanvas() = default;

void DigitiserCanvas::invalidate()
{
    m_frameValid = false;
    update();
}

void DigitiserCanvas::setScan(const QImage &scan)
{
    m_scan = scan;
    m_scaled = QImage();
    m_scaledZoom = 0;
    m_fitPending = true;
    fitScan();
}

void DigitiserCanvas::setCalibration(const Calibration &calibration)
{
    m_calibration = calibration;
    invalidate();
}

void DigitiserCanvas::setFigure(std::shared_ptr<const DiagramRenderer> renderer, const RenderOptions &options)
{
    m_renderer = std::move(renderer);
    m_options = options;
    invalidate();
}

void DigitiserCanvas::setMarkers(const QList<QPointF> &scanPixels)
{
    m_markers = scanPixels;
    invalidate();
}

void DigitiserCanvas::setMode(Mode mode)
{
    closeLabelEditor(false);
    m_mode = mode;
}

void DigitiserCanvas::fitScan()
{
    if (m_scan.isNull() || width() < 2 || height() < 2) {
        invalidate();
        return;
    }
    const double zoom = std::min(double(width()) / m_scan.width(), double(height()) / m_scan.height());
    setView(zoom, QPointF((width() - m_scan.width() * zoom) / 2, (height() - m_scan.height() * zoom) / 2));
    // A hidden canvas does not have its size yet: fitted again when it is shown.
    m_fitPending = !isVisible();
}

void DigitiserCanvas::setView(double zoom, QPointF offset)
{
    m_zoom = std::clamp(zoom, 0.01, 64.0);
    m_offset = offset;
    m_fitPending = false;
    m_place = mapTo(window(), QPoint(0, 0));
    invalidate();
}

void DigitiserCanvas::keepPlace()
{
    const QPoint place = mapTo(window(), QPoint(0, 0));
    if (place != m_place) {
        m_offset -= QPointF(place - m_place);
        m_place = place;
        invalidate();
    }
}

void DigitiserCanvas::resizeEvent(QResizeEvent *)
{
    if (m_fitPending) {
        fitScan();
    } else {
        keepPlace();
    }
    invalidate();
}

void DigitiserCanvas::showEvent(QShowEvent *)
{
    if (m_fitPending) {
        fitScan();
    } else {
        keepPlace();
    }
}

void DigitiserCanvas::redraw()
{
    QElapsedTimer timer;
    timer.start();
    if (m_frame.size() != size() * devicePixelRatioF()) {
        m_frame = QPixmap(size() * devicePixelRatioF());
        m_frame.setDevicePixelRatio(devicePixelRatioF());
    }
    m_frame.fill(palette().color(QPalette::Dark));
    QPainter painter(&m_frame);
    if (!m_scan.isNull()) {
        if (m_zoom < 1) {
            // Once per zoom level: smooth scaling of a large scan is the slow part.
            if (m_scaledZoom != m_zoom) {
                m_scaled = m_scan.scaled(
                    QSize(std::max(1, qRound(m_scan.width() * m_zoom)), std::max(1, qRound(m_scan.height() * m_zoom))),
                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                m_scaledZoom = m_zoom;
            }
            painter.drawImage(m_offset, m_scaled);
        } else {
            // Magnified: only the visible part, pixel by pixel, so the scan's pixels show.
            const QRectF visible = QRectF(toScan({0, 0}), toScan(QPointF(width(), height())))
                                       .intersected(QRectF(m_scan.rect()))
                                       .toAlignedRect();
            painter.drawImage(QRectF(toWidget(visible.topLeft()), visible.size() * m_zoom), m_scan, visible);
        }
    }
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_renderer && m_calibration.isValid()) {
        // The figure's data corners, drawn where the calibration puts them on the scan.
        const QRectF target(QPointF(0, 0), QSizeF(m_scan.isNull() ? size() : m_scan.size()));
        const DiagramMapping mapping = m_renderer->layout(target, &m_frame, m_options);
        const AxisScale &x = mapping.xAxis(), &y = mapping.yAxis();
        const QPointF corners[4] = {
            {x.minimum, y.minimum}, {x.maximum, y.minimum}, {x.maximum, y.maximum}, {x.minimum, y.maximum}};
        QPolygonF device, scan;
        for (const QPointF &corner : corners) {
            device << mapping.toDevice(corner);
            scan << toWidget(m_calibration.toPixel(corner));
        }
        QTransform transform;
        if (QTransform::quadToQuad(device, scan, transform)) {
            painter.save();
            painter.setTransform(transform);
            painter.setOpacity(0.8);
            m_renderer->render(painter, target, m_options);
            painter.restore();
        }
    }
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    for (int i = 0; i < m_markers.size(); ++i) {
        const QPointF at = toWidget(m_markers[i]);
        painter.setPen(QPen(QColor(220, 0, 120), 2));
        painter.drawLine(at - QPointF(8, 0), at + QPointF(8, 0));
        painter.drawLine(at - QPointF(0, 8), at + QPointF(0, 8));
        painter.drawText(at + QPointF(6, -6), QString::number(i + 1));
    }
    m_frameValid = true;
    m_redrawMs = timer.nsecsElapsed() / 1e6;
}

void DigitiserCanvas::paintEvent(QPaintEvent *event)
{
    QElapsedTimer timer;
    timer.start();
    keepPlace(); // the canvas may have moved without changing size
    if (!m_frameValid) {
        redraw();
    }
    QPainter painter(this);
    painter.drawPixmap(event->rect(), m_frame,
                       QRectF(QPointF(event->rect().topLeft()) * devicePixelRatioF(),
                              QSizeF(event->rect().size()) * devicePixelRatioF()));
    if (m_dragging && m_pressedPoint >= 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(230, 80, 0), 2));
        painter.drawEllipse(QPointF(m_cursor), 6, 6);
    }
    if (m_cursor.x() >= 0 && !m_scan.isNull() && !m_panning) {
        paintMagnifier(painter, m_cursor);
    }
    m_paintMs = timer.nsecsElapsed() / 1e6;
}

QRect DigitiserCanvas::magnifierRect(QPoint cursor) const
{
    const int side = 2 * magnifierRadius + 4;
    QPoint topLeft = cursor + QPoint(24, 24);
    if (topLeft.x() + side > width()) {
        topLeft.setX(cursor.x() - 24 - side);
    }
    if (topLeft.y() + side > height()) {
        topLeft.setY(cursor.y() - 24 - side);
    }
    return QRect(topLeft, QSize(side, side));
}

void DigitiserCanvas::paintMagnifier(QPainter &painter, QPoint cursor) const
{
    const QRect box = magnifierRect(cursor).adjusted(2, 2, -2, -2);
    const double scale = std::max(m_zoom * 4, 2.0); // widget pixels per scan pixel
    const QPointF centre = toScan(cursor);
    const QRectF source(centre - QPointF(magnifierRadius / scale, magnifierRadius / scale),
                        QSizeF(2 * magnifierRadius / scale, 2 * magnifierRadius / scale));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath circle;
    circle.addEllipse(QRectF(box));
    painter.setClipPath(circle);
    painter.fillRect(box, Qt::white);
    painter.drawImage(QRectF(box), m_scan, source);
    painter.setClipping(false);
    painter.setPen(QPen(QColor(220, 0, 120), 1));
    const QPointF mid = QRectF(box).center();
    painter.drawLine(mid - QPointF(10, 0), mid + QPointF(10, 0));
    painter.drawLine(mid - QPointF(0, 10), mid + QPointF(0, 10));
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(QRectF(box));
    painter.restore();
}

void DigitiserCanvas::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    closeLabelEditor(true);
    m_pressed = true;
    m_pressAt = event->position().toPoint();
    m_pressOffset = m_offset;
    m_dragging = false;
    m_panning = event->button() != Qt::LeftButton;
    m_pressedPoint = -1;
    // The point under the press: Ctrl+click selects it, a drag moves it. A plain click adds a
    // point onto it, Shift+click adds one where clicked.
    if (event->button() == Qt::LeftButton && m_mode == Mode::Points && m_session &&
        !(event->modifiers() & Qt::ShiftModifier)) {
        m_pressedPoint = m_session->pointNear(toScan(event->position()), hitRadius / m_zoom);
    }
}

QString DigitiserCanvas::describePoint(int index) const
{
    const QList<FigurePoint> points =
        m_session && m_session->target() ? m_session->target()->points() : QList<FigurePoint>();
    if (index < 0 || index >= points.size()) {
        return {};
    }
    const FigurePoint &p = points[index];
    return QCoreApplication::translate("DigitiserCanvas", "线号 %1　X %2　Y %3")
        .arg(p.series.trimmed(), p.x.trimmed(), p.y.trimmed());
}

void DigitiserCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    const QRect before = m_cursor.x() >= 0 ? magnifierRect(m_cursor) : QRect();
    const QPoint previous = m_cursor;
    m_cursor = at;
    if (m_pressed && !m_dragging && !m_panning && (at - m_pressAt).manhattanLength() > dragThreshold) {
        m_dragging = m_pressedPoint >= 0;
        m_panning = !m_dragging;
        if (m_dragging && m_session->target()) {
            m_session->target()->selectPoint(m_pressedPoint);
        }
    }
    if (m_pressed && m_panning) {
        setView(m_zoom, m_pressOffset + QPointF(at - m_pressAt));
    } else {
        QRegion dirty = QRegion(before) + magnifierRect(at);
        if (m_dragging) {
            dirty += QRect(previous - QPoint(9, 9), QSize(18, 18));
            dirty += QRect(at - QPoint(9, 9), QSize(18, 18));
        }
        update(dirty);
    }
    if (m_calibration.isValid()) {
        const QPointF data = m_calibration.toData(toScan(event->position()));
        bool inside = m_scan.rect().contains(toScan(event->position()).toPoint());
        emit hovered(data, inside);
    }
}

void DigitiserCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressed) {
        return;
    }
    m_pressed = false;
    const QPointF scanPixel = toScan(event->position());
    QString error;
    QString done;
    bool failed = false;
    if (m_dragging) {
        failed = !m_session->moveTo(m_pressedPoint, scanPixel, &error);
        if (!failed) {
            done = QCoreApplication::translate("DigitiserCanvas", "移动了一点：") + describePoint(m_pressedPoint);
        }
    } else if (!m_panning && event->button() == Qt::LeftButton) {
        switch (m_mode) {
        case Mode::Calibrate:
            emit calibrationClicked(scanPixel);
            break;
        case Mode::Points:
            if (!m_session) {
                break;
            }
            if (event->modifiers() & Qt::ControlModifier) {
                if (m_pressedPoint >= 0 && m_session->target()) {
                    m_session->target()->selectPoint(m_pressedPoint);
                    done = QCoreApplication::translate("DigitiserCanvas", "选中了一点：") +
                           describePoint(m_pressedPoint) +
                           QCoreApplication::translate("DigitiserCanvas", "（Delete 删去，拖动移动）");
                } else {
                    done =
                        QCoreApplication::translate("DigitiserCanvas", "Ctrl+单击处没有点，什么也没选中，也没有加点");
                }
            } else {
                const bool snap = !(event->modifiers() & Qt::ShiftModifier);
                const DigitiserSession::Placement placement =
                    m_session->place(scanPixel, snap ? hitRadius / m_zoom : 0, snap ? alignRadius / m_zoom : 0);
                failed = !m_session->append(placement, &error);
                if (!failed) {
                    const int index = static_cast<int>(m_session->target()->points().size()) - 1;
                    done = QCoreApplication::translate("DigitiserCanvas", "加了一点：") + describePoint(index);
                    if (!snap) {
                        done += QCoreApplication::translate("DigitiserCanvas", "（Shift：没有对齐）");
                    } else if (!placement.snappedTo.isEmpty()) {
                        done += QCoreApplication::translate("DigitiserCanvas", "（%1）").arg(placement.snappedTo);
                    }
                }
            }
            break;
        case Mode::Labels:
            openLabelEditor(event->position().toPoint());
            break;
        }
    }
    m_dragging = m_panning = false;
    m_pressedPoint = -1;
    update();
    if (!done.isEmpty()) {
        emit status(done);
    }
    if (failed && !error.isEmpty()) {
        emit problem(error);
    }
}

void DigitiserCanvas::wheelEvent(QWheelEvent *event)
{
    const double factor = std::pow(1.25, event->angleDelta().y() / 120.0);
    const QPointF at = event->position();
    const QPointF scanPixel = toScan(at);
    const double zoom = std::clamp(m_zoom * factor, 0.01, 64.0);
    setView(zoom, at - scanPixel * zoom);
    event->accept();
}

void DigitiserCanvas::leaveEvent(QEvent *)
{
    const QRect before = m_cursor.x() >= 0 ? magnifierRect(m_cursor) : QRect();
    m_cursor = QPoint(-1, -1);
    update(before);
    emit left();
}

void DigitiserCanvas::openLabelEditor(QPoint at)
{
    closeLabelEditor(false);
    m_labelAt = toScan(at);
    m_labelEditor = new QPlainTextEdit(this);
    m_labelEditor->setObjectName(QStringLiteral("txtLabelInPlace"));
    m_labelEditor->setToolTip(QCoreApplication::translate("DigitiserCanvas", "回车放下标签，Shift+回车换行，Esc 取消"));
    m_labelEditor->setGeometry(QRect(at - QPoint(80, 24), QSize(160, 48)).intersected(rect()));
    m_labelEditor->installEventFilter(this);
    m_labelEditor->show();
    m_labelEditor->setFocus();
}

void DigitiserCanvas::closeLabelEditor(bool place)
{
    if (!m_labelEditor) {
        return;
    }
    QPlainTextEdit *editor = m_labelEditor;
    m_labelEditor = nullptr;
    const QString text = editor->toPlainText();
    editor->hide();
    editor->deleteLater();
    setFocus();
    if (place && m_session && !text.trimmed().isEmpty()) {
        QString error;
        if (!m_session->placeLabel(m_labelAt, text, &error)) {
            emit problem(error);
        }
    }
}

bool DigitiserCanvas::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_labelEditor && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !(key->modifiers() & Qt::ShiftModifier)) {
            closeLabelEditor(true);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            closeLabelEditor(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
