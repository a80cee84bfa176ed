// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/DiagramRenderer.h>

#include <QWidget>

#include <functional>
#include <memory>

// Paints one figure to fill the widget and reports the data coordinates under the mouse,
// through the same mapping the painting used.
class FigureCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit FigureCanvas(QWidget *parent = nullptr);

    // Null shows an empty canvas with the text.
    void setFigure(std::shared_ptr<const DiagramRenderer> renderer, const RenderOptions &options,
                   const QString &emptyText = {});
    // The mapping of the last painting (or of the widget's size when it was not painted yet).
    DiagramMapping mapping() const;
    // Drawn over the figure with its mapping; none when empty.
    using Overlay = std::function<void(QPainter &painter, const DiagramMapping &mapping)>;
    void setOverlay(Overlay overlay);
    QSize sizeHint() const override { return {620, 520}; }

signals:
    // data: the coordinates under the mouse; inside: within the drawn range.
    void hovered(QPointF data, bool inside);
    void left();
    // A click with the left button: the data coordinates and the widget's position under it.
    void clicked(QPointF data, QPoint position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    std::shared_ptr<const DiagramRenderer> m_renderer;
    RenderOptions m_options;
    Overlay m_overlay;
    QString m_emptyText;
    DiagramMapping m_mapping;
    bool m_painted = false;
};
