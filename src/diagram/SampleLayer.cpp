// SPDX-License-Identifier: GPL-3.0-or-later
#include "SampleLayer.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace {

// Colours that stay apart on paper and in grey, on white.
const QColor palette[] = {QColor(0, 114, 178), QColor(213, 94, 0),   QColor(0, 158, 115), QColor(204, 121, 167),
                          QColor(230, 159, 0), QColor(86, 180, 233), QColor(0, 0, 0)};
constexpr int paletteSize = int(std::size(palette));
constexpr int shapeCount = 8;

bool isVector(const QPainter &painter)
{
    const QPaintEngine *engine = painter.paintEngine();
    if (!engine) {
        return true;
    }
    switch (engine->type()) {
    case QPaintEngine::Raster:
    case QPaintEngine::OpenGL:
    case QPaintEngine::OpenGL2:
        return false;
    default:
        return true;
    }
}

void setSymbolPen(QPainter &painter, const SampleSymbol &symbol, double diameter)
{
    if (symbol.filled()) {
        painter.setPen(QPen(symbol.colour.darker(130), std::max(0.5, diameter / 10)));
        painter.setBrush(symbol.colour);
    } else {
        painter.setPen(QPen(symbol.colour, std::max(1.0, diameter / 5), Qt::SolidLine, Qt::FlatCap));
        painter.setBrush(Qt::NoBrush);
    }
}

// One group's symbol as pixels to copy: each pixel's offset from the centre, its premultiplied
// colour and its coverage.
struct Stamp
{
    struct Pixel
    {
        int dx;
        int dy;
        quint32 colour;
        quint32 alpha;
    };
    std::vector<Pixel> pixels;
    int reach = 0; // no pixel further from the centre than this, in x or y
};

Stamp makeStamp(const SampleSymbol &symbol, double diameter)
{
    Stamp stamp;
    const int centre = int(std::ceil(diameter / 2 + 1.5));
    const int side = 2 * centre + 1;
    QImage sprite(side, side, QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    QPainter painter(&sprite);
    painter.setRenderHint(QPainter::Antialiasing);
    setSymbolPen(painter, symbol, diameter);
    painter.drawPath(symbol.path(diameter).translated(centre + 0.5, centre + 0.5));
    painter.end();
    for (int y = 0; y < side; ++y) {
        const auto *line = reinterpret_cast<const quint32 *>(sprite.constScanLine(y));
        for (int x = 0; x < side; ++x) {
            if (const quint32 alpha = qAlpha(line[x]); alpha != 0) {
                stamp.pixels.push_back({x - centre, y - centre, line[x], alpha});
                stamp.reach = std::max({stamp.reach, std::abs(x - centre), std::abs(y - centre)});
            }
        }
    }
    return stamp;
}

// Source over: the colour is premultiplied.
inline quint32 blend(quint32 destination, quint32 colour, quint32 alpha)
{
    if (alpha == 255) {
        return colour;
    }
    const quint32 keep = 255 - alpha;
    quint32 rb = (destination & 0xff00ff) * keep;
    quint32 ag = ((destination >> 8) & 0xff00ff) * keep;
    rb = ((rb + ((rb >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    ag = (ag + ((ag >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return colour + (rb | ag);
}

} // namespace

QPainterPath SampleSymbol::path(double diameter) const
{
    const double r = diameter / 2;
    QPainterPath path;
    switch (shape) {
    case Shape::Circle:
        path.addEllipse(QPointF(0, 0), r, r);
        break;
    case Shape::Square:
        path.addRect(QRectF(-r * 0.85, -r * 0.85, r * 1.7, r * 1.7));
        break;
    case Shape::TriangleUp:
        path.addPolygon(QPolygonF{{0, -r * 1.1}, {r, r * 0.75}, {-r, r * 0.75}, {0, -r * 1.1}});
        break;
    case Shape::TriangleDown:
        path.addPolygon(QPolygonF{{0, r * 1.1}, {r, -r * 0.75}, {-r, -r * 0.75}, {0, r * 1.1}});
        break;
    case Shape::Diamond:
        path.addPolygon(QPolygonF{{0, -r * 1.15}, {r, 0}, {0, r * 1.15}, {-r, 0}, {0, -r * 1.15}});
        break;
    case Shape::Plus:
        path.moveTo(-r, 0);
        path.lineTo(r, 0);
        path.moveTo(0, -r);
        path.lineTo(0, r);
        break;
    case Shape::Cross:
        path.moveTo(-r * 0.8, -r * 0.8);
        path.lineTo(r * 0.8, r * 0.8);
        path.moveTo(-r * 0.8, r * 0.8);
        path.lineTo(r * 0.8, -r * 0.8);
        break;
    case Shape::Star:
        for (int i = 0; i < 3; ++i) {
            const double angle = M_PI / 2 + i * M_PI / 3;
            path.moveTo(r * std::cos(angle), r * std::sin(angle));
            path.lineTo(-r * std::cos(angle), -r * std::sin(angle));
        }
        break;
    }
    return path;
}

SampleSymbol SampleLayer::paletteSymbol(int index)
{
    index = std::max(0, index);
    return {SampleSymbol::Shape(index % shapeCount), palette[index % paletteSize]};
}

SampleLayer SampleLayer::points(std::vector<double> x, std::vector<double> y)
{
    SampleLayer layer;
    const size_t n = std::min(x.size(), y.size());
    x.resize(n);
    y.resize(n);
    layer.m_x = std::move(x);
    layer.m_y = std::move(y);
    for (size_t i = 0; i < n; ++i) {
        if (std::isnan(layer.m_x[i]) || std::isnan(layer.m_y[i])) {
            layer.m_x[i] = layer.m_y[i] = std::nan("");
            layer.m_noValue.push_back(qsizetype(i));
        }
    }
    return layer;
}

SampleLayer SampleLayer::shares(const std::vector<double> &left, const std::vector<double> &top,
                                const std::vector<double> &right)
{
    SampleLayer layer;
    layer.m_triangular = true;
    const size_t n = std::min({left.size(), top.size(), right.size()});
    layer.m_x.resize(n);
    layer.m_y.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const double sum = left[i] + top[i] + right[i];
        if (!std::isfinite(sum) || sum <= 0) {
            layer.m_x[i] = layer.m_y[i] = std::nan("");
            layer.m_noValue.push_back(qsizetype(i));
            continue;
        }
        const double scale = 100.0 / sum;
        const QPointF point = DiagramMapping::pointOf({left[i] * scale, right[i] * scale, top[i] * scale});
        layer.m_x[i] = point.x();
        layer.m_y[i] = point.y();
    }
    return layer;
}

void SampleLayer::setGroups(qsizetype count, const std::function<QString(qsizetype)> &text)
{
    m_groups.clear();
    m_group.assign(size_t(std::min(count, size())), 0);
    m_group.resize(size_t(size()), 0);
    QHash<QString, qint32> index;
    for (qsizetype i = 0; i < qsizetype(m_group.size()) && i < count; ++i) {
        const QString name = text(i);
        auto found = index.constFind(name);
        if (found == index.cend()) {
            found = index.insert(name, qint32(m_groups.size()));
            m_groups.append({name, paletteSymbol(int(m_groups.size()))});
        }
        m_group[size_t(i)] = *found;
    }
    if (m_groups.isEmpty()) {
        m_groups.append({QString(), paletteSymbol(0)});
    }
}

SampleCounts SampleLayer::count(const DiagramMapping &mapping) const
{
    SampleCounts counts;
    for (size_t i = 0; i < m_x.size(); ++i) {
        const QPointF data(m_x[i], m_y[i]);
        if (std::isnan(data.x())) {
            continue;
        }
        ++(mapping.containsData(data) ? counts.drawn : counts.outside);
    }
    return counts;
}

QString SampleLayer::outsideText(qsizetype count, Wording wording)
{
    return worded(wording, QStringLiteral("%1 个在图框外"), QStringLiteral("%1 outside")).arg(count);
}

SampleCounts SampleLayer::paint(QPainter &painter, const DiagramMapping &mapping, double textPixels,
                                Wording wording) const
{
    SampleCounts counts;
    const double diameter = std::max(2.0, textPixels * symbolSize);
    painter.save();
    if (isVector(painter)) {
        paintVector(painter, mapping, diameter, counts);
    } else {
        paintRaster(painter, mapping, diameter, counts);
    }
    paintLegend(painter, mapping, textPixels, diameter, counts.outside, wording);
    painter.restore();
    return counts;
}

void SampleLayer::paintVector(QPainter &painter, const DiagramMapping &mapping, double diameter,
                              SampleCounts &counts) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    QList<QPainterPath> paths;
    for (const SampleGroup &group : m_groups) {
        paths.append(group.symbol.path(diameter));
    }
    int current = -1;
    for (size_t i = 0; i < m_x.size(); ++i) {
        const QPointF data(m_x[i], m_y[i]);
        if (std::isnan(data.x())) {
            continue;
        }
        if (!mapping.containsData(data)) {
            ++counts.outside;
            continue;
        }
        const int group = groupOf(qsizetype(i));
        if (group != current) {
            current = group;
            setSymbolPen(painter, m_groups[group].symbol, diameter);
        }
        painter.drawPath(paths[group].translated(mapping.toDevice(data)));
        ++counts.drawn;
    }
}

void SampleLayer::paintRaster(QPainter &painter, const DiagramMapping &mapping, double diameter,
                              SampleCounts &counts) const
{
    QPaintDevice *device = painter.device();
    const QTransform toPixels = painter.deviceTransform();
    const double ratio = device->devicePixelRatioF();
    // Straight into an image the painter draws on, when its pixels are ours to write; else into
    // a layer of the device's size, drawn over it at the end.
    auto *target = device->devType() == QInternal::Image ? static_cast<QImage *>(device) : nullptr;
    const bool direct =
        target && target->isDetached() && !painter.hasClipping() &&
        (target->format() == QImage::Format_ARGB32_Premultiplied || target->format() == QImage::Format_RGB32);
    QImage layer;
    if (!direct) {
        layer = QImage(QSize(int(std::ceil(device->width() * ratio)), int(std::ceil(device->height() * ratio))),
                       QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        target = &layer;
    }
    const int width = target->width(), height = target->height();
    auto *bits = reinterpret_cast<quint32 *>(target->bits());
    const qsizetype stride = target->bytesPerLine() / 4;

    std::vector<Stamp> stamps;
    for (const SampleGroup &group : m_groups) {
        stamps.push_back(makeStamp(group.symbol, diameter * toPixels.m11()));
    }
    // Which group was stamped last on each pixel, plus one.
    std::vector<qint32> last(size_t(width) * size_t(height), 0);
    const bool plain = toPixels.type() <= QTransform::TxScale;
    const double sx = toPixels.m11(), sy = toPixels.m22(), dx = toPixels.dx(), dy = toPixels.dy();

    for (size_t i = 0; i < m_x.size(); ++i) {
        const QPointF data(m_x[i], m_y[i]);
        if (std::isnan(data.x())) {
            continue;
        }
        if (!mapping.containsData(data)) {
            ++counts.outside;
            continue;
        }
        ++counts.drawn;
        QPointF at = mapping.toDevice(data);
        at = plain ? QPointF(at.x() * sx + dx, at.y() * sy + dy) : toPixels.map(at);
        const int x = int(std::floor(at.x())), y = int(std::floor(at.y()));
        const int group = groupOf(qsizetype(i));
        const Stamp &stamp = stamps[size_t(group)];
        if (x < -stamp.reach || y < -stamp.reach || x >= width + stamp.reach || y >= height + stamp.reach) {
            continue;
        }
        if (x >= 0 && y >= 0 && x < width && y < height) {
            qint32 &mark = last[size_t(y) * size_t(width) + size_t(x)];
            if (mark == group + 1) {
                continue;
            }
            mark = group + 1;
        }
        if (x >= stamp.reach && y >= stamp.reach && x < width - stamp.reach && y < height - stamp.reach) {
            quint32 *centre = bits + y * stride + x;
            for (const Stamp::Pixel &p : stamp.pixels) {
                quint32 &pixel = centre[p.dy * stride + p.dx];
                pixel = blend(pixel, p.colour, p.alpha);
            }
        } else {
            for (const Stamp::Pixel &p : stamp.pixels) {
                const int px = x + p.dx, py = y + p.dy;
                if (px >= 0 && py >= 0 && px < width && py < height) {
                    quint32 &pixel = bits[py * stride + px];
                    pixel = blend(pixel, p.colour, p.alpha);
                }
            }
        }
    }
    if (!direct) {
        layer.setDevicePixelRatio(ratio);
        painter.save();
        painter.resetTransform();
        painter.drawImage(QPointF(0, 0), layer);
        painter.restore();
    }
}

void SampleLayer::paintLegend(QPainter &painter, const DiagramMapping &mapping, double px, double diameter,
                              qsizetype outside, Wording wording) const
{
    struct Row
    {
        const SampleSymbol *symbol;
        QString text;
    };
    QList<Row> rows;
    if (legend && (m_groups.size() > 1 || !m_groups.first().name.isEmpty())) {
        for (const SampleGroup &group : m_groups) {
            rows.append({&group.symbol, group.name.isEmpty()
                                            ? worded(wording, QStringLiteral("（空）"), QStringLiteral("(empty)"))
                                            : group.name});
        }
    }
    if (outside > 0) {
        rows.append({nullptr, outsideText(outside, wording)});
    }
    if (rows.isEmpty()) {
        return;
    }
    QFont font = painter.font();
    font.setPixelSize(std::max(1, qRound(px * 0.85)));
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double lineHeight = std::max(metrics.height(), diameter * 1.3);
    const double symbolColumn = diameter * 1.6;
    double textWidth = 0;
    for (const Row &row : std::as_const(rows)) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(row.text));
    }
    const double pad = px * 0.4;
    const QRectF plot =
        mapping.kind() == DiagramMapping::Kind::Triangular ? mapping.triangle().boundingRect() : mapping.plotRect();
    const QRectF box(plot.right() - pad * 3 - symbolColumn - textWidth, plot.top() + pad,
                     symbolColumn + textWidth + pad * 2, lineHeight * rows.size() + pad * 2);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 120, 120), 0.8));
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(box);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const double y = box.top() + pad + lineHeight * (double(i) + 0.5);
        const Row &row = rows[i];
        if (row.symbol) {
            setSymbolPen(painter, *row.symbol, diameter);
            painter.drawPath(row.symbol->path(diameter).translated(box.left() + pad + symbolColumn / 2, y));
        }
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.left() + pad + symbolColumn, y - lineHeight / 2, textWidth + pad, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, row.text);
    }
}
