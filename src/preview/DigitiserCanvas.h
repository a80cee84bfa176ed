// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/DiagramRenderer.h>
#include <digitiser/Calibration.h>

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <memory>

class DigitiserSession;
class QPlainTextEdit;

// A scanned figure under the figure being edited, for digitising it: zoom with the wheel, pan
// by dragging (or with the middle or right button), a magnifier beside the cursor, and the
// figure drawn over the scan through the calibration, so a misfit shows at once.
//
// Clicks go by mode: in Calibrate they report the scan pixel; in Points a click appends a point,
// snapped onto the point, corner or side of the frame it is next to (see
// DigitiserSession::place), Shift+click appends one exactly where clicked, Ctrl+click selects
// the point under it and a drag of a point moves it; in Labels a click opens a text box in place
// whose Enter places the label (Shift+Enter for a line break, Escape cancels).
//
// The scan is scaled once per zoom level, and the scan with the figure over it is kept as one
// picture until the view or the figure changes: moving the mouse repaints only the magnifier.
class DigitiserCanvas : public QWidget
{
    Q_OBJECT

public:
    enum class Mode
    {
        Calibrate,
        Points,
        Labels,
    };

    explicit DigitiserCanvas(QWidget *parent = nullptr);
    ~DigitiserCanvas() override;

    void setSession(DigitiserSession *session) { m_session = session; }
    void setScan(const QImage &scan);
    const QImage &scan() const { return m_scan; }
    void setCalibration(const Calibration &calibration);
    void setFigure(std::shared_ptr<const DiagramRenderer> renderer, const RenderOptions &options);
    // Reference points clicked so far while calibrating, numbered from 1.
    void setMarkers(const QList<QPointF> &scanPixels);
    void setMode(Mode mode);
    Mode mode() const { return m_mode; }

    // The view: widget = scan pixel * zoom + offset. It changes only when the user zooms or
    // pans, or asks for the whole scan (fitScan, also done for a new scan): panels opening or
    // closing around the canvas leave the scan where it is on the screen.
    void fitScan();
    void setView(double zoom, QPointF offset);
    double zoom() const { return m_zoom; }
    QPointF toWidget(QPointF scanPixel) const { return scanPixel * m_zoom + m_offset; }
    QPointF toScan(QPointF widget) const { return (widget - m_offset) / m_zoom; }

    // Milliseconds of the last full redraw (scan and figure) and of the last paint.
    double lastRedrawMs() const { return m_redrawMs; }
    double lastPaintMs() const { return m_paintMs; }

    QSize sizeHint() const override { return {620, 520}; }

signals:
    void calibrationClicked(QPointF scanPixel);
    void hovered(QPointF data, bool inside);
    void left();
    // Something the user tried that could not be done, for the window to show.
    void problem(const QString &text);
    // What a click or a drag did, for the status line.
    void status(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void invalidate();
    // Moves the offset against a move of the canvas in its window, so the scan stays put.
    void keepPlace();
    void redraw();
    QRect magnifierRect(QPoint cursor) const;
    void paintMagnifier(QPainter &painter, QPoint cursor) const;
    void openLabelEditor(QPoint at);
    void closeLabelEditor(bool place);
    QString describePoint(int index) const;

    DigitiserSession *m_session = nullptr;
    QImage m_scan;
    QImage m_scaled; // the scan at m_scaledZoom, when that is below 1
    double m_scaledZoom = 0;
    Calibration m_calibration;
    std::shared_ptr<const DiagramRenderer> m_renderer;
    RenderOptions m_options;
    QList<QPointF> m_markers;
    Mode m_mode = Mode::Points;

    double m_zoom = 1;
    QPointF m_offset;
    bool m_fitPending = false; // fit the scan once the canvas is shown at its size
    QPoint m_place;            // where the canvas was in its window when the view was set
    QPixmap m_frame;
    bool m_frameValid = false;

    QPoint m_cursor{-1, -1};
    bool m_pressed = false;
    QPoint m_pressAt;
    QPointF m_pressOffset;
    int m_pressedPoint = -1;
    bool m_dragging = false;
    bool m_panning = false;

    QPointer<QPlainTextEdit> m_labelEditor;
    QPointF m_labelAt; // scan pixel of the label being typed

    double m_redrawMs = 0;
    double m_paintMs = 0;
};
