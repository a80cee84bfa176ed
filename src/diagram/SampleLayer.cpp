// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/SampleLayer.h>

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <climits>
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
        painter.setPen(QPen(symbol.colour, std::max(0.5, diameter / 10)));
        painter.setBrush(symbol.colour);
    } else {
        painter.setPen(QPen(symbol.colour, std::max(1.0, diameter / 5), Qt::SolidLine, Qt::FlatCap));
        painter.setBrush(Qt::NoBrush);
    }
}

// One group's symbol as coverage (0 to 255), row by row, centred on its middle pixel.
struct Stamp
{
    int side = 0;
    int centre = 0;
    std::vector<quint8> coverage; // side * side
};

Stamp makeStamp(const SampleSymbol &symbol, double diameter)
{
    Stamp stamp;
    stamp.centre = int(std::ceil(diameter / 2 + 1.5));
    stamp.side = 2 * stamp.centre + 1;
    QImage sprite(stamp.side, stamp.side, QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    QPainter painter(&sprite);
    painter.setRenderHint(QPainter::Antialiasing);
    setSymbolPen(painter, symbol, diameter);
    painter.drawPath(symbol.path(diameter).translated(stamp.centre + 0.5, stamp.centre + 0.5));
    painter.end();
    stamp.coverage.resize(size_t(stamp.side) * size_t(stamp.side));
    for (int y = 0; y < stamp.side; ++y) {
        const auto *line = reinterpret_cast<const quint32 *>(sprite.constScanLine(y));
        for (int x = 0; x < stamp.side; ++x) {
            stamp.coverage[size_t(y * stamp.side + x)] = quint8(qAlpha(line[x]));
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

// The larger coverage of each pixel of a row: a run of bytes the compiler does in vector steps.
inline void raise(quint8 *__restrict target, const quint8 *__restrict source, int count)
{
    for (int i = 0; i < count; ++i) {
        target[i] = std::max(target[i], source[i]);
    }
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
    std::vector<qint32> order;
    for (size_t i = 0; i < m_x.size(); ++i) {
        const QPointF data(m_x[i], m_y[i]);
        if (std::isnan(data.x())) {
            continue;
        }
        if (!mapping.containsData(data)) {
            ++counts.outside;
            continue;
        }
        order.push_back(qint32(i));
    }
    std::stable_sort(order.begin(), order.end(), [this](qint32 a, qint32 b) { return groupOf(a) < groupOf(b); });
    int current = -1;
    for (const qint32 i : order) {
        const int group = groupOf(i);
        if (group != current) {
            current = group;
            setSymbolPen(painter, m_groups[group].symbol, diameter);
        }
        painter.drawPath(paths[group].translated(mapping.toDevice(dataPoint(i))));
        ++counts.drawn;
    }
}

void SampleLayer::paintRaster(QPainter &painter, const DiagramMapping &mapping, double diameter,
                              SampleCounts &counts) const
{
    QPaintDevice *device = painter.device();
    const double ratio = device->devicePixelRatioF();
    // The device's own pixels, without the offset a widget's painter carries to its place in the
    // window: the layer below is drawn at the widget's origin.
    const QTransform toPixels = painter.combinedTransform() * QTransform::fromScale(ratio, ratio);
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
    if (width <= 0 || height <= 0) {
        return;
    }

    // Each sample's pixel, or -1; the samples ordered by group (stable), so each group is drawn
    // whole over the groups before it.
    const bool plain = toPixels.type() <= QTransform::TxScale;
    const double sx = toPixels.m11(), sy = toPixels.m22(), dx = toPixels.dx(), dy = toPixels.dy();
    const size_t n = m_x.size();
    std::vector<QPoint> pixel(n);
    std::vector<qsizetype> groupStart(size_t(m_groups.size()) + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        pixel[i] = QPoint(INT_MIN, INT_MIN);
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
        pixel[i] = QPoint(int(std::floor(at.x())), int(std::floor(at.y())));
        ++groupStart[size_t(groupOf(qsizetype(i))) + 1];
    }
    for (size_t g = 1; g < groupStart.size(); ++g) {
        groupStart[g] += groupStart[g - 1];
    }
    std::vector<qint32> order(size_t(groupStart.back()));
    {
        std::vector<qsizetype> next(groupStart.begin(), groupStart.end() - 1);
        for (size_t i = 0; i < n; ++i) {
            if (pixel[i].x() != INT_MIN) {
                order[size_t(next[size_t(groupOf(qsizetype(i)))]++)] = qint32(i);
            }
        }
    }

    // Per group: the largest coverage of its symbols on each pixel (a sample on a pixel another
    // of its group took already is skipped), then the group's colour laid on by that coverage.
    auto *bits = reinterpret_cast<quint32 *>(target->bits());
    const qsizetype stride = target->bytesPerLine() / 4;
    std::vector<quint8> coverage(size_t(width) * size_t(height), 0);
    std::vector<bool> taken(size_t(width) * size_t(height));
    for (qsizetype g = 0; g < m_groups.size(); ++g) {
        const qsizetype first = groupStart[size_t(g)], last = groupStart[size_t(g) + 1];
        if (first == last) {
            continue;
        }
        const Stamp stamp = makeStamp(m_groups[g].symbol, diameter * toPixels.m11());
        std::fill(taken.begin(), taken.end(), false);
        int left = width, top = height, right = -1, bottom = -1;
        for (qsizetype k = first; k < last; ++k) {
            const QPoint at = pixel[size_t(order[size_t(k)])];
            if (at.x() >= 0 && at.y() >= 0 && at.x() < width && at.y() < height) {
                const size_t index = size_t(at.y()) * size_t(width) + size_t(at.x());
                if (taken[index]) {
                    continue;
                }
                taken[index] = true;
            }
            const int x0 = at.x() - stamp.centre, y0 = at.y() - stamp.centre;
            const int from = std::max(0, -x0), to = std::min(stamp.side, width - x0);
            if (from >= to) {
                continue;
            }
            const int rowFrom = std::max(0, -y0), rowTo = std::min(stamp.side, height - y0);
            for (int row = rowFrom; row < rowTo; ++row) {
                raise(&coverage[size_t(y0 + row) * size_t(width) + size_t(x0 + from)],
                      &stamp.coverage[size_t(row * stamp.side + from)], to - from);
            }
            if (rowFrom < rowTo) {
                left = std::min(left, x0 + from);
                right = std::max(right, x0 + to - 1);
                top = std::min(top, y0 + rowFrom);
                bottom = std::max(bottom, y0 + rowTo - 1);
            }
        }
        quint32 shades[256];
        const QRgb colour = m_groups[g].symbol.colour.rgba();
        for (quint32 a = 0; a < 256; ++a) {
            shades[a] = qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), int(a)));
        }
        for (int y = top; y <= bottom; ++y) {
            quint8 *cover = &coverage[size_t(y) * size_t(width)];
            quint32 *line = bits + y * stride;
            for (int x = left; x <= right; ++x) {
                if (const quint32 a = cover[x]; a != 0) {
                    line[x] = blend(line[x], shades[a], a);
                    cover[x] = 0;
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
    const double pad = px * 0.4;
    const QRectF plot =
        mapping.kind() == DiagramMapping::Kind::Triangular ? mapping.triangle().boundingRect() : mapping.plotRect();
    // As many groups as the plot's height holds; a last row counts the rest.
    const qsizetype fit = std::max<qsizetype>(2, qsizetype((plot.height() - pad * 4) / lineHeight));
    if (rows.size() > fit) {
        const qsizetype groupRows = rows.size() - (outside > 0 ? 1 : 0);
        const qsizetype keep = fit - 1 - (outside > 0 ? 1 : 0);
        const Row note = rows.last();
        rows.resize(std::max<qsizetype>(0, keep));
        rows.append({nullptr, worded(wording, QStringLiteral("另有 %1 组"), QStringLiteral("%1 more groups"))
                                  .arg(groupRows - rows.size())});
        if (outside > 0) {
            rows.append(note);
        }
    }
    double textWidth = 0;
    for (const Row &row : std::as_const(rows)) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(row.text));
    }
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
