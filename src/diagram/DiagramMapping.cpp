// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/DiagramMapping.h>

#include <cmath>
#include <limits>

bool AxisScale::isValid() const
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || !(minimum < maximum)) {
        return false;
    }
    return !logarithmic || minimum > 0;
}

double AxisScale::fraction(double value) const
{
    if (logarithmic) {
        if (!(value > 0)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        const double low = std::log10(minimum);
        return (std::log10(value) - low) / (std::log10(maximum) - low);
    }
    return (value - minimum) / (maximum - minimum);
}

double AxisScale::value(double fraction) const
{
    if (logarithmic) {
        const double low = std::log10(minimum);
        return std::pow(10.0, low + fraction * (std::log10(maximum) - low));
    }
    return minimum + fraction * (maximum - minimum);
}

DiagramMapping DiagramMapping::rectangular(const AxisScale &x, const AxisScale &y, const QRectF &plot)
{
    DiagramMapping mapping;
    mapping.m_kind = Kind::Rectangular;
    mapping.m_x = x;
    mapping.m_y = y;
    mapping.m_plot = plot;
    return mapping;
}

DiagramMapping DiagramMapping::triangular(const QRectF &area, const QRectF &extent)
{
    DiagramMapping mapping;
    mapping.m_kind = Kind::Triangular;
    mapping.m_x = {0, 100, false};
    mapping.m_y = {0, triangleHeight, false};
    const QRectF fit = extent.united(QRectF(0, 0, 100, triangleHeight));
    const double scale = std::max(1e-9, std::min(area.width() / fit.width(), area.height() / fit.height()));
    // Data y grows upwards: the extent's top in data is its bottom on the device.
    const QPointF fitTopLeft(area.center().x() - fit.width() * scale / 2, area.center().y() - fit.height() * scale / 2);
    const QPointF origin(fitTopLeft.x() - fit.left() * scale, fitTopLeft.y() + fit.bottom() * scale);
    mapping.m_plot = QRectF(origin.x(), origin.y() - triangleHeight * scale, 100 * scale, triangleHeight * scale);
    return mapping;
}

QPolygonF DiagramMapping::triangle() const
{
    return QPolygonF{toDevice({0, 0}), toDevice({100, 0}), toDevice({50, triangleHeight})};
}

bool DiagramMapping::canMap(QPointF data) const
{
    if (!std::isfinite(data.x()) || !std::isfinite(data.y())) {
        return false;
    }
    return !(m_x.logarithmic && data.x() <= 0) && !(m_y.logarithmic && data.y() <= 0);
}

QPointF DiagramMapping::toDevice(QPointF data) const
{
    return {m_plot.left() + m_x.fraction(data.x()) * m_plot.width(),
            m_plot.bottom() - m_y.fraction(data.y()) * m_plot.height()};
}

QPointF DiagramMapping::toData(QPointF device) const
{
    return {m_x.value((device.x() - m_plot.left()) / m_plot.width()),
            m_y.value((m_plot.bottom() - device.y()) / m_plot.height())};
}

bool DiagramMapping::containsData(QPointF data) const
{
    if (!canMap(data)) {
        return false;
    }
    if (m_kind == Kind::Triangular) {
        const Shares s = sharesOf(data);
        constexpr double slack = 1e-9;
        return s.left >= -slack && s.right >= -slack && s.top >= -slack;
    }
    const double fx = m_x.fraction(data.x());
    const double fy = m_y.fraction(data.y());
    return fx >= 0 && fx <= 1 && fy >= 0 && fy <= 1;
}

DiagramMapping::Shares DiagramMapping::sharesOf(QPointF data)
{
    const double top = data.y() / triangleHeight * 100.0;
    const double right = data.x() - top / 2.0;
    return {100.0 - right - top, right, top};
}

QPointF DiagramMapping::pointOf(const Shares &shares)
{
    return {shares.right + shares.top / 2.0, shares.top / 100.0 * triangleHeight};
}
