// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/AxisTitle.h>
#include <diagram/DiagramRenderer.h>
#include <diagram/SegmentClip.h>
#include <diagram/SmoothCurve.h>

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <optional>

namespace {

const QColor axisColour(0, 0, 0);
const QColor lineColour(0, 70, 170);
const QColor labelColour(60, 60, 60);
const QColor highlightColour(230, 80, 0);

// A number typed into a field: the whole text, blanks around it allowed. Anything else is not a
// number (unlike the lists' numeric value, which reads "12*" as 12).
std::optional<double> parseNumber(const QString &text)
{
    bool ok = false;
    const double value = QStringView(text).trimmed().toDouble(&ok); // C locale: a dot, never a comma
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool isTrue(const QString &text)
{
    return text.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

Qt::PenStyle penStyle(int lineType)
{
    switch (lineType) {
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashLine;
    default:
        return Qt::SolidLine;
    }
}

} // namespace

DiagramRenderer::DiagramRenderer(const Figure &figure, Wording wording)
    : m_wording(wording)
{
    const FigureRecord &record = figure.record;
    m_triangular = record.isTriangular();
    m_title = record.tm;
    m_border = isTrue(record.border);
    if (!m_triangular) {
        readAxes(record);
    }

    const int count = static_cast<int>(figure.points.size());
    m_points.reserve(count);
    QHash<int, int> pointsPerSeries;
    QList<int> seriesOrder;
    for (int i = 0; i < count; ++i) {
        const FigurePoint &source = figure.points[i];
        Point point;
        const auto series = parseNumber(source.series);
        point.series = series ? static_cast<int>(*series) : 0;
        point.curve = isTrue(source.curve);
        const auto lineType = parseNumber(source.lineType);
        point.lineType = lineType ? static_cast<int>(*lineType) : 1;
        if (!lineType || point.lineType < 0 || point.lineType > 3) {
            m_problems << worded(m_wording, QStringLiteral("第 %1 点：线型“%2”不是 0 到 3，按实线画"),
                                 QStringLiteral("point %1: line type \"%2\" is not 0 to 3, drawn solid"))
                              .arg(i + 1)
                              .arg(source.lineType);
            point.lineType = 1;
        }
        const auto x = parseNumber(source.x), y = parseNumber(source.y);
        if (!x || !y) {
            m_problems << worded(m_wording, QStringLiteral("第 %1 点：%2值“%3”不是数字，未画与它相连的线段"),
                                 QStringLiteral(
                                     "point %1: %2 value \"%3\" is not a number, its line pieces are not drawn"))
                              .arg(i + 1)
                              .arg(!x ? QStringLiteral("X") : QStringLiteral("Y"), !x ? source.x : source.y);
        } else {
            point.data = QPointF(*x, *y);
            point.usable = true;
            if ((m_x.scale.logarithmic && *x <= 0) || (m_y.scale.logarithmic && *y <= 0)) {
                point.usable = false;
                m_problems << worded(m_wording,
                                     QStringLiteral("第 %1 点 (%2, %3)：对数坐标轴上的值不大于 0，未画与它相连的线段"),
                                     QStringLiteral("point %1 (%2, %3): a value on a logarithmic axis is not above 0, "
                                                    "its line pieces are not drawn"))
                                  .arg(i + 1)
                                  .arg(source.x.trimmed(), source.y.trimmed());
            }
        }
        if (!pointsPerSeries.contains(point.series)) {
            seriesOrder << point.series;
        }
        ++pointsPerSeries[point.series];
        m_points << point;
    }
    for (int series : std::as_const(seriesOrder)) {
        if (pointsPerSeries.value(series) == 1) {
            m_problems << loneLineProblem(series, m_wording);
        }
    }

    for (int i = 0; i < figure.labels.size(); ++i) {
        const FigureLabel &source = figure.labels[i];
        Label label;
        label.text = source.text;
        const auto x = parseNumber(source.x), y = parseNumber(source.y);
        if (!x || !y) {
            m_problems << worded(m_wording, QStringLiteral("第 %1 个标签：%2值“%3”不是数字，未画"),
                                 QStringLiteral("label %1: %2 value \"%3\" is not a number, not drawn"))
                              .arg(i + 1)
                              .arg(!x ? QStringLiteral("X") : QStringLiteral("Y"), !x ? source.x : source.y);
        } else if ((m_x.scale.logarithmic && *x <= 0) || (m_y.scale.logarithmic && *y <= 0)) {
            m_problems << worded(m_wording, QStringLiteral("第 %1 个标签：对数坐标轴上的值不大于 0，未画"),
                                 QStringLiteral("label %1: a value on a logarithmic axis is not above 0, not drawn"))
                              .arg(i + 1);
        } else {
            label.data = QPointF(*x, *y);
            label.usable = true;
        }
        m_labels << label;
    }

    if (!m_triangular) {
        m_xTicks = ticks(m_x);
        m_yTicks = ticks(m_y);
    }
}

QString DiagramRenderer::loneLineProblem(int series, Wording wording)
{
    return worded(wording, QStringLiteral("线号 %1 只有一个点，画不出线"),
                  QStringLiteral("line number %1 has one point only, no line can be drawn"))
        .arg(series);
}

void DiagramRenderer::readAxes(const FigureRecord &record)
{
    m_x = readAxis(record, QLatin1Char('X'), record.X, record.X[4]);
    m_y = readAxis(record, QLatin1Char('Y'), record.Y, record.Y[4]);
}

DiagramRenderer::AxisSpec DiagramRenderer::readAxis(const FigureRecord &, QChar name,
                                                    const std::array<QString, 7> &fields, const QString &crossingField)
{
    AxisSpec axis;
    const QString axisName = QString(name) + worded(m_wording, QStringLiteral(" 轴"), QStringLiteral(" axis"));
    auto field = [&](int i) { return QString(name) + QString::number(i); };
    axis.scale.logarithmic = isTrue(fields[5]);
    const auto low = parseNumber(fields[0]), high = parseNumber(fields[1]);
    if (!low) {
        m_problems << worded(m_wording, QStringLiteral("%1：最小值 %2“%3”不是数字"),
                             QStringLiteral("%1: minimum %2 \"%3\" is not a number"))
                          .arg(axisName, field(1), fields[0]);
    }
    if (!high) {
        m_problems << worded(m_wording, QStringLiteral("%1：最大值 %2“%3”不是数字"),
                             QStringLiteral("%1: maximum %2 \"%3\" is not a number"))
                          .arg(axisName, field(2), fields[1]);
    }
    double minimum = low.value_or(axis.scale.logarithmic ? 1.0 : 0.0);
    double maximum = high.value_or(axis.scale.logarithmic ? minimum * 1000 : minimum + 100);
    if (low && high && minimum >= maximum) {
        m_problems << worded(m_wording, QStringLiteral("%1：最小值 %2 (%3) 不小于最大值 %4 (%5)"),
                             QStringLiteral("%1: minimum %2 (%3) is not below maximum %4 (%5)"))
                          .arg(axisName, field(1), fields[0].trimmed(), field(2), fields[1].trimmed());
    }
    if (minimum > maximum) {
        std::swap(minimum, maximum);
    }
    if (axis.scale.logarithmic && minimum <= 0) {
        m_problems << worded(m_wording, QStringLiteral("%1：对数坐标的最小值 %2 (%3) 不大于 0"),
                             QStringLiteral("%1: minimum %2 (%3) of a logarithmic axis is not above 0"))
                          .arg(axisName, field(1), fields[0].trimmed());
        minimum = maximum > 0 ? maximum / 1000 : 1;
    }
    if (axis.scale.logarithmic && maximum <= minimum) {
        maximum = minimum * 1000;
    }
    if (minimum == maximum) {
        minimum -= 1;
        maximum += 1;
    }
    axis.scale.minimum = minimum;
    axis.scale.maximum = maximum;

    if (!axis.scale.logarithmic) {
        const auto minor = parseNumber(fields[2]), major = parseNumber(fields[3]);
        axis.minor = minor && *minor > 0 ? *minor : 0;
        axis.major = major && *major > 0 ? *major : 0;
        if (!major || *major <= 0) {
            m_problems << worded(m_wording, QStringLiteral("%1：主间隔 %2“%3”不是正数，未画主刻度"),
                                 QStringLiteral(
                                     "%1: major interval %2 \"%3\" is not a positive number, no major ticks drawn"))
                              .arg(axisName, field(4), fields[3]);
        }
        for (const auto &[step, fieldNumber] : {std::pair{axis.minor, 3}, std::pair{axis.major, 4}}) {
            if (step > 0 && !((maximum - minimum) / step <= maximumTicks)) {
                m_problems << worded(m_wording, QStringLiteral("%1：间隔 %2 (%3) 在这个范围内超过 %4 个刻度，未画"),
                                     QStringLiteral(
                                         "%1: interval %2 (%3) gives more than %4 ticks in this range, not drawn"))
                                  .arg(axisName, field(fieldNumber), fields[fieldNumber - 1].trimmed())
                                  .arg(maximumTicks);
            }
        }
    }
    const auto crossing = parseNumber(crossingField);
    axis.crossing = crossing.value_or(0);
    const auto decimals = parseNumber(fields[6]);
    axis.decimals = decimals ? std::clamp(static_cast<int>(*decimals), -1, 10) : -1;
    return axis;
}

QList<DiagramRenderer::Tick> DiagramRenderer::ticks(const AxisSpec &axis) const
{
    QList<Tick> result;
    const double minimum = axis.scale.minimum, maximum = axis.scale.maximum;
    if (axis.scale.logarithmic) {
        const int first = static_cast<int>(std::floor(std::log10(minimum)));
        const int last = static_cast<int>(std::ceil(std::log10(maximum)));
        const bool minors = last - first <= 60;
        for (int k = first; k <= last; ++k) {
            for (int m = 1; m <= (minors ? 9 : 1); ++m) {
                const double value = m * std::pow(10.0, k);
                if (value >= minimum * (1 - 1e-12) && value <= maximum * (1 + 1e-12)) {
                    result.append({value, m == 1});
                }
            }
        }
        return result;
    }
    // Both kinds counted in whole steps from a multiple of the interval, so a tiny interval on a
    // huge range is refused up front instead of being stepped through.
    auto add = [&](double step, bool major) {
        if (step <= 0) {
            return;
        }
        const double span = (maximum - minimum) / step;
        if (!(span <= maximumTicks)) {
            return;
        }
        const double first = std::ceil(minimum / step - 1e-9);
        const int count = static_cast<int>(std::floor(maximum / step + 1e-9) - first) + 1;
        for (int i = 0; i < count; ++i) {
            double value = (first + i) * step;
            if (std::abs(value) < step * 1e-9) {
                value = 0;
            }
            result.append({value, major});
        }
    };
    add(axis.major, true);
    QList<Tick> majors = result;
    add(axis.minor, false);
    // A minor tick where a major one stands is the major one.
    result.erase(std::remove_if(result.begin() + majors.size(), result.end(),
                                [&](const Tick &tick) {
                                    return std::any_of(majors.begin(), majors.end(), [&](const Tick &m) {
                                        return std::abs(m.value - tick.value) < axis.minor * 1e-6;
                                    });
                                }),
                 result.end());
    return result;
}

QString DiagramRenderer::tickText(const AxisSpec &axis, double value)
{
    if (axis.scale.logarithmic || axis.decimals < 0) {
        return QLocale::c().toString(value, 'g', 12);
    }
    return QLocale::c().toString(value, 'f', axis.decimals);
}

// The height kept beside an axis for its title: a line of text with room for sub- and superscripts.
static double axisTitleRow(const QFontMetricsF &metrics)
{
    return metrics.height() * 1.5;
}

double DiagramRenderer::fontPixels(const QRectF &target) const
{
    return std::clamp(std::min(target.width(), target.height()) / 38.0, 7.0, 28.0);
}

DiagramMapping DiagramRenderer::layout(const QRectF &target, QPaintDevice *device, const RenderOptions &options) const
{
    const double px = fontPixels(target);
    const double titleHeight = m_title.isEmpty() ? px : px * 2.2;
    if (m_triangular) {
        // The labels placed just outside the corners stay in the picture: the triangle is fitted
        // together with every label's anchor (within reason), and half a label's size around it.
        QRectF extent(0, 0, 100, DiagramMapping::triangleHeight);
        for (const Label &label : m_labels) {
            if (label.usable && QRectF(-50, -50, 200, 190).contains(label.data)) {
                extent = extent.united(QRectF(label.data, QSizeF(1e-9, 1e-9)));
            }
        }
        // Below the bottom corners their names, when given, take a row of their own.
        const double below = options.cornerTitles.isEmpty() ? px * 1.5 : px * 3;
        const QRectF area = target.adjusted(px * 4, titleHeight + px * 1.5 + (options.cornerTitles.isEmpty() ? 0 : px),
                                            -px * 4, -below);
        return DiagramMapping::triangular(area, extent);
    }
    QFont font = options.font;
    font.setPixelSize(std::max(1, qRound(px)));
    const QFontMetricsF metrics(font, device);
    double widest = 0;
    for (const Tick &tick : m_yTicks) {
        if (tick.major) {
            widest = std::max(widest, metrics.horizontalAdvance(tickText(m_y, tick.value)));
        }
    }
    const double tick = px * 0.6;
    const double titleRow = axisTitleRow(metrics);
    const double left = widest + tick + px * 1.0 + (options.yTitle.isEmpty() ? 0 : titleRow);
    const double bottom = metrics.height() + tick + px * 0.8 + (options.xTitle.isEmpty() ? 0 : titleRow);
    const double right = px * 2.0;
    QRectF plot = target.adjusted(left, titleHeight, -right, -bottom);
    if (plot.width() < 1 || plot.height() < 1) {
        plot = QRectF(target.center(), QSizeF(1, 1));
    }
    if (options.equalDecades && m_x.scale.logarithmic && m_y.scale.logarithmic && m_x.scale.isValid() &&
        m_y.scale.isValid()) {
        const double xDecades = std::log10(m_x.scale.maximum / m_x.scale.minimum);
        const double yDecades = std::log10(m_y.scale.maximum / m_y.scale.minimum);
        const double decade = std::min(plot.width() / xDecades, plot.height() / yDecades);
        const QSizeF size(xDecades * decade, yDecades * decade);
        plot = QRectF(plot.left() + (plot.width() - size.width()) / 2, plot.top() + (plot.height() - size.height()) / 2,
                      size.width(), size.height());
    }
    return DiagramMapping::rectangular(m_x.scale, m_y.scale, plot);
}

RenderResult DiagramRenderer::render(QPainter &painter, const QRectF &target, const RenderOptions &options) const
{
    RenderResult result;
    result.problems = m_problems;
    result.mapping = layout(target, painter.device(), options);
    const double px = fontPixels(target);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(target, Qt::white);
    QFont font = options.font;
    font.setPixelSize(std::max(1, qRound(px)));
    painter.setFont(font);

    if (m_triangular) {
        paintTriangleFrame(painter, result.mapping, options, px);
    } else {
        paintRectangularFrame(painter, result.mapping, options, px);
    }
    paintLines(painter, result.mapping, options, px);
    paintLabels(painter, result.mapping, options, px);
    if (options.samples && options.samples->isTriangular() == m_triangular) {
        result.samples = options.samples->paint(painter, result.mapping, px, m_wording);
    } else if (options.samples) {
        result.problems.append(
            worded(m_wording, QStringLiteral("样品是按%1图给的，这个图是%2图，没有画样品"),
                   QStringLiteral("the samples are given for a %1 figure, this one is %2: not drawn"))
                .arg(worded(m_wording,
                            options.samples->isTriangular() ? QStringLiteral("三角") : QStringLiteral("直角坐标"),
                            options.samples->isTriangular() ? QStringLiteral("triangular")
                                                            : QStringLiteral("rectangular")),
                     worded(m_wording, m_triangular ? QStringLiteral("三角") : QStringLiteral("直角坐标"),
                            m_triangular ? QStringLiteral("triangular") : QStringLiteral("rectangular"))));
    }

    if (options.highlightedPoint >= 0 && options.highlightedPoint < m_points.size()) {
        const Point &point = m_points[options.highlightedPoint];
        if (point.usable) {
            painter.setPen(QPen(highlightColour, std::max(1.5, px / 6)));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(result.mapping.toDevice(point.data), px * 0.6, px * 0.6);
        }
    }

    if (!m_title.isEmpty()) {
        QFont titleFont = font;
        titleFont.setBold(true);
        titleFont.setPixelSize(std::max(1, qRound(px * 1.15)));
        painter.setFont(titleFont);
        painter.setPen(axisColour);
        painter.drawText(QRectF(target.left(), target.top(), target.width(), px * 2.2), Qt::AlignCenter, m_title);
    }
    painter.restore();
    return result;
}

QImage DiagramRenderer::renderImage(QSize size, const RenderOptions &options) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    render(painter, QRectF(QPointF(0, 0), QSizeF(size)), options);
    painter.end();
    return image;
}

void DiagramRenderer::paintRectangularFrame(QPainter &painter, const DiagramMapping &mapping,
                                            const RenderOptions &options, double px) const
{
    const QRectF plot = mapping.plotRect();
    const double lineWidth = options.frameWidth > 0 ? options.frameWidth : std::max(1.0, px / 12);
    painter.setPen(QPen(axisColour, lineWidth));
    painter.setBrush(Qt::NoBrush);
    if (m_border) {
        painter.drawRect(plot);
    }
    const auto [xAxis, yAxis] = axisLines(mapping);
    painter.drawLine(xAxis);
    painter.drawLine(yAxis);
    const double xAxisY = xAxis.y1(), yAxisX = yAxis.x1();

    const double majorLength = px * 0.6, minorLength = px * 0.35;
    const QFontMetricsF metrics(painter.font(), painter.device());
    for (const Tick &tick : m_xTicks) {
        const double x = plot.left() + m_x.scale.fraction(tick.value) * plot.width();
        painter.drawLine(QPointF(x, xAxisY), QPointF(x, xAxisY + (tick.major ? majorLength : minorLength)));
        if (tick.major) {
            const QString text = tickText(m_x, tick.value);
            painter.drawText(QRectF(x - 100 * px, xAxisY + majorLength + px * 0.2, 200 * px, metrics.height()),
                             Qt::AlignHCenter | Qt::AlignTop, text);
        }
    }
    for (const Tick &tick : m_yTicks) {
        const double y = plot.bottom() - m_y.scale.fraction(tick.value) * plot.height();
        painter.drawLine(QPointF(yAxisX, y), QPointF(yAxisX - (tick.major ? majorLength : minorLength), y));
        if (tick.major) {
            const QString text = tickText(m_y, tick.value);
            painter.drawText(QRectF(yAxisX - majorLength - px * 0.3 - 200 * px, y - metrics.height() / 2, 200 * px,
                                    metrics.height()),
                             Qt::AlignRight | Qt::AlignVCenter, text);
        }
    }
    // The titles in the row the layout keeps for them, outside the tick labels.
    const double titleRow = axisTitleRow(metrics);
    if (!options.xTitle.isEmpty()) {
        const double below = metrics.height() + majorLength + px * 0.8;
        AxisTitle::paint(painter, options.xTitle, QPointF(plot.center().x(), plot.bottom() + below + titleRow / 2),
                         false);
    }
    if (!options.yTitle.isEmpty()) {
        double widest = 0;
        for (const Tick &tick : m_yTicks) {
            if (tick.major) {
                widest = std::max(widest, metrics.horizontalAdvance(tickText(m_y, tick.value)));
            }
        }
        const double beside = widest + majorLength + px * 1.0;
        AxisTitle::paint(painter, options.yTitle, QPointF(plot.left() - beside - titleRow / 2, plot.center().y()),
                         true);
    }
}

void DiagramRenderer::paintTriangleFrame(QPainter &painter, const DiagramMapping &mapping, const RenderOptions &options,
                                         double px) const
{
    painter.setPen(QPen(axisColour, options.frameWidth > 0 ? options.frameWidth : std::max(1.0, px / 12)));
    painter.setBrush(Qt::NoBrush);
    const QPolygonF corners = mapping.triangle();
    painter.drawPolygon(corners);
    // Ticks every 10% along each side, pointing inwards along the grid line through them.
    const double length = px * 0.6;
    for (int side = 0; side < 3; ++side) {
        const QPointF from = corners[side], to = corners[(side + 1) % 3], opposite = corners[(side + 2) % 3];
        const QPointF direction = opposite - to;
        const QPointF step = direction / std::hypot(direction.x(), direction.y()) * length;
        for (int i = 1; i < 10; ++i) {
            const QPointF at = from + (to - from) * (i / 10.0);
            painter.drawLine(at, at + step);
        }
    }
    // The shares at every other tick, outside each side: along a side the share of the corner it
    // runs to grows from 0 to 100 (left to right below, up the right side, down the left one).
    QFont font = options.font;
    font.setPixelSize(std::max(1, qRound(px * 0.75)));
    painter.setFont(font);
    painter.setPen(axisColour);
    const QPointF centre = (corners[0] + corners[1] + corners[2]) / 3;
    for (int side = 0; side < 3; ++side) {
        const QPointF from = corners[side], to = corners[(side + 1) % 3];
        const QPointF along = to - from;
        QPointF outward(along.y(), -along.x());
        outward /= std::hypot(outward.x(), outward.y());
        if (QPointF::dotProduct(outward, (from + to) / 2 - centre) < 0) {
            outward = -outward;
        }
        for (int i = 2; i < 10; i += 2) {
            const QPointF at = from + along * (i / 10.0) + outward * px * 0.9;
            painter.drawText(QRectF(at.x() - px * 1.5, at.y() - px * 0.6, px * 3, px * 1.2), Qt::AlignCenter,
                             QString::number(i * 10));
        }
    }
    // The corner names: below the bottom corners, above the top one; not where the figure names
    // a corner itself with a label just outside it.
    if (options.cornerTitles.size() == 3) {
        const QPointF places[] = {corners[0] + QPointF(-px * 0.5, px * 2.1), corners[2] + QPointF(0, -px * 1.1),
                                  corners[1] + QPointF(px * 0.5, px * 2.1)};
        const QPointF cornerData[] = {{0, 0}, {50, DiagramMapping::triangleHeight}, {100, 0}};
        font.setPixelSize(std::max(1, qRound(px)));
        painter.setFont(font);
        for (int c = 0; c < 3; ++c) {
            const bool named = std::any_of(m_labels.cbegin(), m_labels.cend(), [&](const Label &label) {
                const QPointF d = label.data - cornerData[c];
                return label.usable && std::hypot(d.x(), d.y()) < 15 &&
                       !QPolygonF(mapping.triangle()).containsPoint(mapping.toDevice(label.data), Qt::OddEvenFill);
            });
            if (named) {
                continue;
            }
            AxisTitle::paint(painter, options.cornerTitles[c], places[c], false);
        }
    }
}

std::pair<QLineF, QLineF> DiagramRenderer::axisLines(const DiagramMapping &mapping) const
{
    // The x axis stands at the y value X5, the y axis at the x value Y5, each kept in the range.
    const QRectF plot = mapping.plotRect();
    auto clampedFraction = [](const AxisSpec &other, double value) {
        const double f = other.scale.fraction(value);
        return std::isfinite(f) ? std::clamp(f, 0.0, 1.0) : 0.0;
    };
    const double xAxisY = plot.bottom() - clampedFraction(m_y, m_x.crossing) * plot.height();
    const double yAxisX = plot.left() + clampedFraction(m_x, m_y.crossing) * plot.width();
    return {QLineF(plot.left(), xAxisY, plot.right(), xAxisY), QLineF(yAxisX, plot.top(), yAxisX, plot.bottom())};
}

QList<DiagramRenderer::Stroke> DiagramRenderer::strokes(const DiagramMapping &mapping) const
{
    // Segments are cut to a rectangle a little larger than the plot before they are painted, so
    // a point far outside the range never hands the paint engine a huge coordinate.
    const QRectF plot = mapping.plotRect();
    const QRectF bounds = plot.adjusted(-plot.width() * 0.1 - 10, -plot.height() * 0.1 - 10, plot.width() * 0.1 + 10,
                                        plot.height() * 0.1 + 10);

    QHash<int, int> lastOfSeries; // series -> index of its previous point
    QList<int> previousOf(m_points.size(), -1), nextOf(m_points.size(), -1);
    for (int i = 0; i < m_points.size(); ++i) {
        const int series = m_points[i].series;
        if (const auto it = lastOfSeries.constFind(series); it != lastOfSeries.cend()) {
            previousOf[i] = *it;
            nextOf[*it] = i;
        }
        lastOfSeries[series] = i;
    }

    // Each run of neighbouring points whose curve flag is True (and that differ) is one smooth
    // curve; a piece between two points of one run follows it.
    QList<QPointF> device(m_points.size());
    for (int i = 0; i < m_points.size(); ++i) {
        device[i] = m_points[i].usable ? mapping.toDevice(m_points[i].data) : QPointF();
    }
    auto smooth = [&](int i) { return i >= 0 && m_points[i].curve && m_points[i].usable; };
    auto joined = [&](int from, int to) {
        return smooth(from) && smooth(to) &&
               std::hypot(device[to].x() - device[from].x(), device[to].y() - device[from].y()) > 1e-9;
    };
    QList<int> runOf(m_points.size(), -1);
    QList<QPointF> tangentOf(m_points.size());
    for (int i = 0; i < m_points.size(); ++i) {
        if (!smooth(i) || joined(previousOf[i], i)) {
            continue;
        }
        QList<int> run{i};
        QList<QPointF> at{device[i]};
        for (int next = nextOf[i]; next >= 0 && joined(run.last(), next); next = nextOf[next]) {
            run << next;
            at << device[next];
        }
        if (run.size() < 2) {
            continue;
        }
        const QList<QPointF> tangents = smoothCurveTangents(at);
        for (int k = 0; k < run.size(); ++k) {
            runOf[run[k]] = i;
            tangentOf[run[k]] = tangents[k];
        }
    }

    QList<Stroke> result;
    QPointF pathEnd;
    auto extend = [&](int style, QPointF a) -> QPainterPath & {
        if (result.isEmpty() || result.last().lineType != style) {
            result.append({style, QPainterPath()});
        }
        QPainterPath &path = result.last().path;
        if (path.isEmpty() || pathEnd != a) {
            path.moveTo(a);
        }
        return path;
    };
    for (int i = 0; i < m_points.size(); ++i) {
        const int previous = previousOf[i];
        const Point &here = m_points[i];
        if (previous < 0 || here.lineType == 0 || !here.usable || !m_points[previous].usable) {
            continue;
        }
        QPointF a = device[previous], b = device[i];
        if (runOf[i] >= 0 && runOf[i] == runOf[previous]) {
            const double third = std::hypot(b.x() - a.x(), b.y() - a.y()) / 3;
            const QPointF c1 = a + tangentOf[previous] * third, c2 = b - tangentOf[i] * third;
            if (bounds.contains(a) && bounds.contains(b) && bounds.contains(c1) && bounds.contains(c2)) {
                extend(here.lineType, a).cubicTo(c1, c2, b);
                pathEnd = b;
                continue;
            }
        }
        if (!clipSegment(a, b, bounds)) {
            continue;
        }
        extend(here.lineType, a).lineTo(b);
        pathEnd = b;
    }
    return result;
}

QList<QPainterPath> DiagramRenderer::linePaths(const QRectF &target, QPaintDevice *device,
                                               const RenderOptions &options) const
{
    QList<QPainterPath> paths;
    for (const Stroke &stroke : strokes(layout(target, device, options))) {
        paths << stroke.path;
    }
    return paths;
}

void DiagramRenderer::paintLines(QPainter &painter, const DiagramMapping &mapping, const RenderOptions &options,
                                 double px) const
{
    painter.save();
    if (m_triangular) {
        QPainterPath clip;
        clip.addPolygon(mapping.triangle());
        clip.closeSubpath();
        painter.setClipPath(clip);
    } else {
        painter.setClipRect(mapping.plotRect());
    }
    painter.setBrush(Qt::NoBrush);
    const double width = options.lineWidth > 0 ? options.lineWidth : std::max(1.2, px / 7);
    const QColor colour = options.blackLines ? QColor(Qt::black) : lineColour;
    for (const Stroke &stroke : strokes(mapping)) {
        painter.setPen(QPen(colour, width, penStyle(stroke.lineType), Qt::FlatCap, Qt::RoundJoin));
        painter.drawPath(stroke.path);
    }
    painter.restore();
}

QFont DiagramRenderer::labelFont(const RenderOptions &options, double px)
{
    QFont font = options.font;
    font.setPixelSize(std::max(1, qRound(px * 0.85)));
    return font;
}

QList<QRectF> DiagramRenderer::labelLines(const QString &text, QPointF at, const QFontMetricsF &metrics)
{
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
    }
    const double spacing = metrics.lineSpacing(), height = metrics.height();
    const double top = at.y() - ((lines.size() - 1) * spacing + height) / 2;
    QList<QRectF> boxes;
    for (int i = 0; i < lines.size(); ++i) {
        const double width = metrics.horizontalAdvance(lines[i]);
        boxes << QRectF(at.x() - width / 2, top + i * spacing, width, height);
    }
    return boxes;
}

QList<int> DiagramRenderer::labelsOnLines(const QRectF &target, QPaintDevice *device,
                                          const RenderOptions &options) const
{
    const DiagramMapping mapping = layout(target, device, options);
    const double px = fontPixels(target);
    // The drawn lines as straight pieces, cut to the plot they are drawn in.
    QList<QLineF> drawn;
    const QRectF plot = m_triangular ? mapping.triangle().boundingRect() : mapping.plotRect();
    for (const Stroke &stroke : strokes(mapping)) {
        for (const QPolygonF &polygon : stroke.path.toSubpathPolygons()) {
            for (qsizetype k = 1; k < polygon.size(); ++k) {
                QPointF a = polygon[k - 1], b = polygon[k];
                if (clipSegment(a, b, plot)) {
                    drawn << QLineF(a, b);
                }
            }
        }
    }
    if (m_triangular) {
        const QPolygonF corners = mapping.triangle();
        for (int side = 0; side < 3; ++side) {
            drawn << QLineF(corners[side], corners[(side + 1) % 3]);
        }
    } else {
        const auto [xAxis, yAxis] = axisLines(mapping);
        drawn << xAxis << yAxis;
        if (m_border) {
            drawn << QLineF(plot.topLeft(), plot.topRight()) << QLineF(plot.topRight(), plot.bottomRight())
                  << QLineF(plot.bottomRight(), plot.bottomLeft()) << QLineF(plot.bottomLeft(), plot.topLeft());
        }
    }
    const QFontMetricsF metrics(labelFont(options, px), device);
    QList<int> crossing;
    for (int i = 0; i < m_labels.size(); ++i) {
        if (!m_labels[i].usable) {
            continue;
        }
        const QList<QRectF> boxes = labelLines(m_labels[i].text, mapping.toDevice(m_labels[i].data), metrics);
        const bool crosses = std::any_of(boxes.cbegin(), boxes.cend(), [&](const QRectF &box) {
            return !box.isEmpty() && std::any_of(drawn.cbegin(), drawn.cend(), [&](const QLineF &line) {
                QPointF a = line.p1(), b = line.p2();
                return clipSegment(a, b, box);
            });
        });
        if (crosses) {
            crossing << i;
        }
    }
    return crossing;
}

void DiagramRenderer::paintLabels(QPainter &painter, const DiagramMapping &mapping, const RenderOptions &options,
                                  double px) const
{
    const QFont font = labelFont(options, px);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const QRectF visible = painter.window();
    for (int i = 0; i < m_labels.size(); ++i) {
        const Label &label = m_labels[i];
        if (!label.usable) {
            continue;
        }
        const QPointF at = mapping.toDevice(label.data);
        if (!visible.adjusted(-px * 20, -px * 20, px * 20, px * 20).contains(at)) {
            continue;
        }
        // Line by line, in the boxes labelsOnLines() checks.
        const QList<QRectF> boxes = labelLines(label.text, at, metrics);
        const QStringList lines = label.text.split(u'\n');
        if (i == options.highlightedLabel) {
            QRectF used;
            for (const QRectF &box : boxes) {
                used = used.isNull() ? box : used.united(box);
            }
            painter.setPen(QPen(highlightColour, std::max(1.5, px / 6)));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(used.adjusted(-px * 0.3, -px * 0.2, px * 0.3, px * 0.2), px * 0.3, px * 0.3);
        }
        painter.setPen(labelColour);
        for (int k = 0; k < boxes.size(); ++k) {
            QString line = lines[k];
            if (line.endsWith(u'\r')) {
                line.chop(1);
            }
            painter.drawText(boxes[k], Qt::AlignCenter | Qt::TextDontClip, line);
        }
    }
}
