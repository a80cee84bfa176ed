// SPDX-License-Identifier: GPL-3.0-or-later
#include <preview/FigureCanvas.h>

#include <QMouseEvent>
#include <QPainter>

FigureCanvas::FigureCanvas(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(240, 200);
    setCursor(Qt::CrossCursor);
}

void FigureCanvas::setFigure(std::shared_ptr<const DiagramRenderer> renderer, const RenderOptions &options,
                             const QString &emptyText)
{
    m_renderer = std::move(renderer);
    m_options = options;
    m_emptyText = emptyText;
    m_painted = false;
    update();
}

DiagramMapping FigureCanvas::mapping() const
{
    if (m_painted || !m_renderer) {
        return m_mapping;
    }
    return m_renderer->layout(QRectF(rect()), const_cast<FigureCanvas *>(this), m_options);
}

void FigureCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_renderer) {
        painter.fillRect(rect(), palette().window());
        painter.drawText(rect(), Qt::AlignCenter, m_emptyText);
        return;
    }
    m_mapping = m_renderer->render(painter, QRectF(rect()), m_options).mapping;
    m_painted = true;
    if (m_overlay) {
        m_overlay(painter, m_mapping);
    }
}

void FigureCanvas::resizeEvent(QResizeEvent *event)
{
    // The last painting's mapping is of the old size; until the next one, mapping() lays out anew.
    m_painted = false;
    QWidget::resizeEvent(event);
}

void FigureCanvas::setOverlay(Overlay overlay)
{
    m_overlay = std::move(overlay);
    update();
}

void FigureCanvas::mousePressEvent(QMouseEvent *event)
{
    if (m_renderer && event->button() == Qt::LeftButton) {
        emit clicked(mapping().toData(event->position()), event->position().toPoint());
    }
}

void FigureCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_renderer) {
        return;
    }
    const DiagramMapping map = mapping();
    const QPointF data = map.toData(event->position());
    emit hovered(data, map.containsData(data));
}

void FigureCanvas::leaveEvent(QEvent *)
{
    emit left();
}
