// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/DiagramMapping.h>
#include <diagram/Figure.h>
#include <diagram/SampleLayer.h>
#include <diagram/Wording.h>

#include <QFont>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QPainterPath>
#include <QStringList>

class QFontMetricsF;
class QPainter;

// What to draw besides the figure itself.
struct RenderOptions
{
    int highlightedPoint = -1;                 // index into Figure::points, -1 for none
    int highlightedLabel = -1;                 // index into Figure::labels
    QFont font{QStringLiteral("DejaVu Sans")}; // family of the texts; the size follows the drawing's size
    const SampleLayer *samples = nullptr;      // drawn over the figure when given (not owned)
    int dotsPerInch = 96;                      // of exported files: a PNG's stated resolution, a PDF's page size

    // Titles of a rectangular figure's axes, drawn beside them when given, with sub- and
    // superscripts as AxisTitle reads them ("SiO_2 (wt%)"; AxisTitle::fromExpression makes one).
    QString xTitle;
    QString yTitle;
    // A triangular figure's corner names (left, top, right), written outside the corners in the
    // same way; none when empty.
    QStringList cornerTitles;
    // Log-log axes: a decade the same length on both, the plot made smaller to fit.
    bool equalDecades = false;
    // For print: the boundary lines black; widths in device units, 0 for the drawing's own.
    bool blackLines = false;
    double lineWidth = 0;  // of the boundary lines
    double frameWidth = 0; // of the frame, the axes and their ticks
};

struct RenderResult
{
    DiagramMapping mapping;
    QStringList problems; // what could not be drawn, and why
    SampleCounts samples; // what became of RenderOptions::samples
};

// Draws a figure onto any paint device (widget, image, SVG or PDF generator): title, axes with
// ticks and tick labels (or the triangle with its 10% ticks), the boundary lines of each line
// number, and the labels.
//
// The figure is read once, when the renderer is made: numbers are parsed and everything that
// cannot be drawn is listed as a problem (a range whose minimum is not below its maximum, a
// logarithmic axis with a minimum <= 0, a value that is not a number, a line number with one
// point). Drawing then only maps and paints, so a preview repaints without reading texts again.
// A bad definition draws what it can; nothing in it can make the drawing fail or loop.
class DiagramRenderer
{
public:
    // The wording is the language of the problems, and of FigureExport's reasons for this figure.
    explicit DiagramRenderer(const Figure &figure, Wording wording = Wording::Chinese);

    // Problems found while reading the figure; render() reports the same list.
    QStringList problems() const { return m_problems; }
    // The problem listed for a line number with one point.
    static QString loneLineProblem(int series, Wording wording = Wording::Chinese);
    bool isTriangular() const { return m_triangular; }
    Wording wording() const { return m_wording; }

    // The mapping a drawing into the target rectangle uses, without drawing. The device gives
    // the font metrics of the tick labels (the screen's when null).
    DiagramMapping layout(const QRectF &target, QPaintDevice *device = nullptr,
                          const RenderOptions &options = {}) const;

    RenderResult render(QPainter &painter, const QRectF &target, const RenderOptions &options = {}) const;

    // The boundary lines as a drawing into the target draws them, in device coordinates (before
    // they are cut at the plot): one path for each stretch of one line type.
    QList<QPainterPath> linePaths(const QRectF &target, QPaintDevice *device = nullptr,
                                  const RenderOptions &options = {}) const;
    // The labels (indices into the figure's labels) whose text, in a drawing into the target,
    // crosses a drawn line: a boundary line, the frame or an axis. Each line of a label's text
    // counts with the box its font gives it.
    QList<int> labelsOnLines(const QRectF &target, QPaintDevice *device = nullptr,
                             const RenderOptions &options = {}) const;
    QImage renderImage(QSize size, const RenderOptions &options = {}) const;

    // Most ticks drawn on one axis; a finer interval draws no ticks of that kind and says so.
    static constexpr int maximumTicks = 1000;

private:
    struct AxisSpec
    {
        AxisScale scale;
        double minor = 0; // intervals of a linear axis; 0 for none
        double major = 0;
        double crossing = 0; // where the other axis crosses this one, in this axis's values
        int decimals = -1;   // of the tick labels; -1 for the shortest form
    };
    struct Point
    {
        int series = 0;
        bool curve = false;
        int lineType = 1;
        QPointF data;
        bool usable = false; // parsed, and on a logarithmic axis > 0
    };
    struct Label
    {
        QPointF data;
        QString text;
        bool usable = false;
    };
    struct Tick
    {
        double value;
        bool major;
    };

    void readAxes(const FigureRecord &record);
    AxisSpec readAxis(const FigureRecord &record, QChar name, const std::array<QString, 7> &fields,
                      const QString &crossingField);
    QList<Tick> ticks(const AxisSpec &axis) const;
    static QString tickText(const AxisSpec &axis, double value);
    double fontPixels(const QRectF &target) const;

    struct Stroke
    {
        int lineType = 1;
        QPainterPath path;
    };
    QList<Stroke> strokes(const DiagramMapping &mapping) const;
    std::pair<QLineF, QLineF> axisLines(const DiagramMapping &mapping) const; // x axis, y axis
    static QFont labelFont(const RenderOptions &options, double px);
    static QList<QRectF> labelLines(const QString &text, QPointF at, const QFontMetricsF &metrics);

    void paintRectangularFrame(QPainter &painter, const DiagramMapping &mapping, const RenderOptions &options,
                               double px) const;
    void paintTriangleFrame(QPainter &painter, const DiagramMapping &mapping, const RenderOptions &options,
                            double px) const;
    void paintLines(QPainter &painter, const DiagramMapping &mapping, const RenderOptions &options, double px) const;
    void paintLabels(QPainter &painter, const DiagramMapping &mapping, const RenderOptions &options, double px) const;

    bool m_triangular = false;
    QString m_title;
    bool m_border = false;
    AxisSpec m_x;
    AxisSpec m_y;
    QList<Point> m_points;
    QList<Label> m_labels;
    Wording m_wording = Wording::Chinese;
    QStringList m_problems;
    QList<Tick> m_xTicks;
    QList<Tick> m_yTicks;
};
