// SPDX-License-Identifier: GPL-3.0-or-later
#include <classify/FieldIndex.h>
#include <classify/FieldMap.h>
#include <classify/PlaneSubdivision.h>
#include <diagram/DiagramMapping.h>
#include <diagram/SmoothCurve.h>

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>

namespace Classify {

struct FieldMap::Index
{
    PlaneSubdivision plane;
    FieldIndex grid;
};

namespace {

constexpr double triangleTop = DiagramMapping::triangleHeight / 100.0;
// How finely curves are flattened: the most a flattened piece strays from the curve.
constexpr double flatness = 1e-5;
constexpr int mostPiecesPerCurve = 256;

// A number as the renderer reads it: the whole text, blanks around it allowed.
std::optional<double> parseNumber(const QString &text)
{
    bool ok = false;
    const double value = QStringView(text).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool isTrue(const QString &text)
{
    return text.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

double dot(QPointF a, QPointF b)
{
    return a.x() * b.x() + a.y() * b.y();
}

double length(QPointF a)
{
    return std::sqrt(dot(a, a));
}

QPointF nearestOnPiece(QPointF p, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double length2 = dot(d, d);
    const double t = length2 > 0 ? std::clamp(dot(p - a, d) / length2, 0.0, 1.0) : 0.0;
    return a + t * d;
}

// Where the ray from p along d (unit length) first meets piece a-b: its distance, or infinity.
double rayHit(QPointF p, QPointF d, QPointF a, QPointF b)
{
    const QPointF s = b - a;
    const double denominator = cross(d, s);
    if (std::abs(denominator) < 1e-15) {
        return std::numeric_limits<double>::infinity();
    }
    const QPointF ap = a - p;
    const double distance = cross(ap, s) / denominator, u = cross(ap, d) / denominator;
    if (distance <= 1e-12 || u < -1e-12 || u > 1 + 1e-12) {
        return std::numeric_limits<double>::infinity();
    }
    return distance;
}

// A line as drawn: its points in plotting space, unclipped, and whether each piece is soft.
struct Chain
{
    int line = 0;
    std::vector<QPointF> points;
    std::vector<bool> soft; // per piece between points k and k + 1
};

// A drawn piece after cutting it to the frame, with where it lies along its chain.
struct Drawn
{
    LinePiece piece;
    int chain = -1;
    double arcFrom = 0, arcTo = 0;
};

// The part of a-b inside the convex polygon (counter-clockwise); false when none is.
bool clipToConvex(QPointF &a, QPointF &b, const std::vector<QPointF> &polygon)
{
    double t0 = 0, t1 = 1;
    const QPointF d = b - a;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const QPointF e0 = polygon[i], e1 = polygon[(i + 1) % polygon.size()];
        const QPointF edge = e1 - e0;
        // Inside is left of each edge: cross(edge, p - e0) >= 0.
        const double start = cross(edge, a - e0), change = cross(edge, d);
        if (change == 0) {
            if (start < 0) {
                return false;
            }
            continue;
        }
        const double t = -start / change;
        if (change > 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    const QPointF from = a;
    a = from + t0 * d;
    b = from + t1 * d;
    return true;
}

// Distance from p to the polygon's outline, negative outside.
double insideDistance(QPointF p, const std::vector<QPointF> &polygon, QPointF *nearest)
{
    double best = std::numeric_limits<double>::infinity();
    bool inside = true;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const QPointF e0 = polygon[i], e1 = polygon[(i + 1) % polygon.size()];
        if (cross(e1 - e0, p - e0) < 0) {
            inside = false;
        }
        const QPointF at = nearestOnPiece(p, e0, e1);
        const double distance = length(p - at);
        if (distance < best) {
            best = distance;
            *nearest = at;
        }
    }
    return inside ? best : -best;
}

void flattenCubic(QPointF a, QPointF c1, QPointF c2, QPointF b, std::vector<QPointF> &out)
{
    // The polyline of n pieces strays at most |B''| / (8 n^2) from the cubic.
    const double bend = std::max(length(a - 2 * c1 + c2), length(c1 - 2 * c2 + b)) * 6;
    const int n = std::clamp(static_cast<int>(std::ceil(std::sqrt(bend / (8 * flatness)))), 1, mostPiecesPerCurve);
    for (int k = 1; k <= n; ++k) {
        const double t = static_cast<double>(k) / n, s = 1 - t;
        out.push_back(s * s * s * a + 3 * s * s * t * c1 + 3 * s * t * t * c2 + t * t * t * b);
    }
}

QString number(double value)
{
    return QLocale::c().toString(value, 'g', 6);
}

} // namespace

FieldMap::FieldMap(const Figure &figure, const FieldOptions &options)
    : m_wording(options.wording)
{
    const FigureRecord &record = figure.record;
    m_triangular = record.isTriangular();
    if (!m_triangular) {
        bool usable = true;
        auto readAxis = [&](const std::array<QString, 7> &fields, QChar name, double &low, double &span, bool &log) {
            log = isTrue(fields[5]);
            const auto minimum = parseNumber(fields[0]), maximum = parseNumber(fields[1]);
            const AxisScale scale{minimum.value_or(0), maximum.value_or(0), log};
            if (!minimum || !maximum || !scale.isValid()) {
                m_problems << worded(m_wording, QStringLiteral("%1 轴范围“%2”到“%3”不可用，图中没有分区"),
                                     QStringLiteral("%1 axis: the range \"%2\" to \"%3\" cannot be used, so the "
                                                    "figure has no fields"))
                                  .arg(name)
                                  .arg(fields[0], fields[1]);
                usable = false;
                return;
            }
            low = log ? std::log10(scale.minimum) : scale.minimum;
            span = (log ? std::log10(scale.maximum) : scale.maximum) - low;
        };
        readAxis(record.X, QLatin1Char('X'), m_xLow, m_xSpan, m_xLog);
        readAxis(record.Y, QLatin1Char('Y'), m_yLow, m_ySpan, m_yLog);
        if (!usable) {
            return;
        }
    } else {
        m_xLow = m_yLow = 0;
        m_xSpan = m_ySpan = 100;
    }

    const std::vector<QPointF> frame = m_triangular ? std::vector<QPointF>{{0, 0}, {1, 0}, {0.5, triangleTop}}
                                                    : std::vector<QPointF>{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const QRectF frameBox(0, 0, 1, m_triangular ? triangleTop : 1);
    const double reachLength = reach * std::hypot(frameBox.width(), frameBox.height());
    // The renderer draws a curve piece as a curve while it stays near the frame, else straight.
    const QRectF curveBounds = frameBox.adjusted(-0.1, -0.1 * frameBox.height(), 0.1, 0.1 * frameBox.height());

    // The points as the renderer reads them.
    struct Point
    {
        int series = 0;
        bool curve = false;
        int lineType = 1;
        QPointF plot;
        bool usable = false;
    };
    std::vector<Point> points;
    points.reserve(figure.points.size());
    for (const FigurePoint &source : figure.points) {
        Point point;
        const auto series = parseNumber(source.series);
        point.series = series ? static_cast<int>(*series) : 0;
        point.curve = isTrue(source.curve);
        const auto lineType = parseNumber(source.lineType);
        point.lineType = lineType ? static_cast<int>(*lineType) : 1;
        if (point.lineType < 0 || point.lineType > 3) {
            point.lineType = 1;
        }
        const auto x = parseNumber(source.x), y = parseNumber(source.y);
        if (x && y && !(m_xLog && *x <= 0) && !(m_yLog && *y <= 0)) {
            point.plot = toPlot({*x, *y});
            point.usable = true;
        }
        points.push_back(point);
    }
    const int count = static_cast<int>(points.size());
    std::vector<int> previousOf(count, -1), nextOf(count, -1);
    {
        QHash<int, int> lastOfSeries;
        for (int i = 0; i < count; ++i) {
            if (const auto it = lastOfSeries.constFind(points[i].series); it != lastOfSeries.cend()) {
                previousOf[i] = *it;
                nextOf[*it] = i;
            }
            lastOfSeries[points[i].series] = i;
        }
    }

    // Each run of neighbouring points whose curve flag is True (and that differ) is one smooth
    // curve, as the renderer draws it; a piece between two points of one run follows it.
    auto smooth = [&](int i) { return i >= 0 && points[i].curve && points[i].usable; };
    auto joined = [&](int from, int to) {
        return smooth(from) && smooth(to) && length(points[to].plot - points[from].plot) > 1e-12;
    };
    std::vector<int> runOf(count, -1);
    std::vector<QPointF> tangentOf(count);
    for (int i = 0; i < count; ++i) {
        if (!smooth(i) || joined(previousOf[i], i)) {
            continue;
        }
        QList<int> run{i};
        QList<QPointF> at{points[i].plot};
        for (int next = nextOf[i]; next >= 0 && joined(run.last(), next); next = nextOf[next]) {
            run << next;
            at << points[next].plot;
        }
        if (run.size() < 2) {
            continue;
        }
        const QList<QPointF> tangents = smoothCurveTangents(at);
        for (qsizetype k = 0; k < run.size(); ++k) {
            runOf[run[k]] = i;
            tangentOf[run[k]] = tangents[k];
        }
    }

    // Chains: runs of drawn pieces, each piece from the previous point of its line number.
    std::vector<Chain> chains;
    QHash<int, std::pair<int, int>> openChain; // series -> (chain, its last point)
    for (int i = 0; i < count; ++i) {
        const int previous = previousOf[i];
        const Point &here = points[i];
        if (previous < 0 || here.lineType == 0 || !here.usable || !points[previous].usable) {
            continue;
        }
        const Point &before = points[previous];
        const auto open = openChain.constFind(here.series);
        int chain;
        if (open != openChain.cend() && open->second == previous) {
            chain = open->first;
        } else {
            chain = static_cast<int>(chains.size());
            chains.push_back({here.series, {before.plot}, {}});
        }
        Chain &c = chains[chain];
        bool straight = true;
        if (runOf[i] >= 0 && runOf[i] == runOf[previous]) {
            // The renderer runs the same curve through the points as placed on the device, which
            // is plotting space scaled by the plot's width and height: the same curve for a square
            // plot, and within the chord lengths' slight dependence on the aspect otherwise.
            const double third = length(here.plot - before.plot) / 3;
            const QPointF c1 = before.plot + tangentOf[previous] * third;
            const QPointF c2 = here.plot - tangentOf[i] * third;
            if (curveBounds.contains(before.plot) && curveBounds.contains(here.plot) && curveBounds.contains(c1) &&
                curveBounds.contains(c2)) {
                flattenCubic(before.plot, c1, c2, here.plot, c.points);
                straight = false;
            }
        }
        if (straight) {
            c.points.push_back(here.plot);
        }
        c.soft.resize(c.points.size() - 1, here.lineType == 2 || here.lineType == 3);
        openChain[here.series] = {chain, i};
    }

    // The drawn pieces, cut to the frame.
    std::vector<Drawn> drawn;
    std::vector<double> chainLength(chains.size(), 0);
    for (size_t c = 0; c < chains.size(); ++c) {
        const Chain &chain = chains[c];
        double arc = 0;
        for (size_t k = 0; k + 1 < chain.points.size(); ++k) {
            QPointF a = chain.points[k], b = chain.points[k + 1];
            const double pieceLength = length(b - a);
            // (Values so large that their differences overflow give no usable piece.)
            if (clipToConvex(a, b, frame) && std::isfinite(a.x() + a.y() + b.x() + b.y())) {
                drawn.push_back({{a, b, chain.line, chain.soft[k]}, static_cast<int>(c), arc, arc + pieceLength});
            }
            arc += pieceLength;
        }
        chainLength[c] = arc;
    }
    std::vector<LinePiece> pieces;
    pieces.reserve(drawn.size() + 16);
    for (const Drawn &d : drawn) {
        pieces.push_back(d.piece);
    }
    for (size_t i = 0; i < frame.size(); ++i) {
        pieces.push_back({frame[i], frame[(i + 1) % frame.size()], -1, false});
    }

    // Line ends inside the frame: joined to what is within the tolerance, else extended.
    struct End
    {
        int chain;
        bool atStart;
        QPointF at;
        QPointF outward; // unit direction of the last piece, away from the line
    };
    std::vector<End> ends;
    for (size_t c = 0; c < chains.size(); ++c) {
        const std::vector<QPointF> &p = chains[c].points;
        for (const bool atStart : {true, false}) {
            const QPointF at = atStart ? p.front() : p.back();
            QPointF direction;
            for (size_t k = 1; k < p.size(); ++k) {
                const QPointF d = at - (atStart ? p[k] : p[p.size() - 1 - k]);
                if (length(d) > 1e-12) {
                    direction = d / length(d);
                    break;
                }
            }
            QPointF onFrame;
            const double inside = insideDistance(at, frame, &onFrame);
            if (direction.isNull() || !std::isfinite(direction.x() + direction.y()) || !(inside >= 0)) {
                continue; // a line of one place, or one that leaves the frame here
            }
            if (inside <= tolerance) {
                pieces.push_back({at, onFrame, chains[c].line, false});
                continue;
            }
            ends.push_back({static_cast<int>(c), atStart, at, direction});
        }
    }
    // Pieces of the end's own line right next to it never count as what it meets.
    auto nearOwnEnd = [&](const Drawn &d, const End &end) {
        if (d.chain != end.chain) {
            return false;
        }
        return end.atStart ? d.arcFrom < 3 * tolerance : d.arcTo > chainLength[end.chain] - 3 * tolerance;
    };
    auto frameHit = [&](const End &end) {
        double best = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < frame.size(); ++i) {
            best = std::min(best, rayHit(end.at, end.outward, frame[i], frame[(i + 1) % frame.size()]));
        }
        return best;
    };
    std::vector<bool> extended(ends.size(), false);
    for (const QPointF &request : options.extendToFrame) {
        const QPointF at = toPlot(request);
        int chosen = -1;
        double best = tolerance;
        for (size_t e = 0; e < ends.size(); ++e) {
            const double distance = length(ends[e].at - at);
            if (distance <= best) {
                best = distance;
                chosen = static_cast<int>(e);
            }
        }
        if (chosen < 0) {
            m_problems << worded(m_wording, QStringLiteral("(%1, %2) 处没有可延长到边框的线端"),
                                 QStringLiteral("there is no line end at (%1, %2) to extend to the frame"))
                              .arg(number(request.x()), number(request.y()));
            continue;
        }
        const End &end = ends[chosen];
        double distance = frameHit(end);
        for (const Drawn &d : drawn) {
            if (!nearOwnEnd(d, end)) {
                distance = std::min(distance, rayHit(end.at, end.outward, d.piece.a, d.piece.b));
            }
        }
        if (std::isfinite(distance)) {
            pieces.push_back({end.at, end.at + distance * end.outward, chains[end.chain].line,
                              chains[end.chain].soft[end.atStart ? 0 : chains[end.chain].soft.size() - 1]});
            extended[chosen] = true;
        }
    }
    for (size_t e = 0; e < ends.size(); ++e) {
        if (extended[e]) {
            continue;
        }
        const End &end = ends[e];
        const bool soft = chains[end.chain].soft[end.atStart ? 0 : chains[end.chain].soft.size() - 1];
        // Joined: the nearest other line within the tolerance, unless the line already crosses
        // one that close to its end (a join would only cut off a sliver there).
        double nearest = tolerance;
        std::optional<QPointF> join;
        bool crosses = false;
        for (const Drawn &d : drawn) {
            if (nearOwnEnd(d, end)) {
                continue;
            }
            if (rayHit(end.at, -end.outward, d.piece.a, d.piece.b) <= 2 * tolerance) {
                crosses = true;
                break;
            }
            const QPointF at = nearestOnPiece(end.at, d.piece.a, d.piece.b);
            const double distance = length(at - end.at);
            if (distance <= nearest) {
                nearest = distance;
                join = at;
            }
        }
        if (crosses || join) {
            if (!crosses) {
                pieces.push_back({end.at, *join, chains[end.chain].line, soft});
            }
            continue;
        }
        // Extended: the first line or frame edge straight ahead within reach.
        double distance = frameHit(end);
        for (const Drawn &d : drawn) {
            if (!nearOwnEnd(d, end)) {
                distance = std::min(distance, rayHit(end.at, end.outward, d.piece.a, d.piece.b));
            }
        }
        if (distance <= reachLength) {
            pieces.push_back({end.at, end.at + distance * end.outward, chains[end.chain].line, soft});
            continue;
        }
        const QPointF at = toData(end.at);
        m_openEnds.append({chains[end.chain].line, at});
        m_problems << worded(m_wording, QStringLiteral("线号 %1 在 (%2, %3) 的端点不与任何线相接，两侧的分区在此相连"),
                             QStringLiteral("line number %1 ends at (%2, %3) without meeting another line; the fields "
                                            "on either side run into each other there"))
                          .arg(chains[end.chain].line)
                          .arg(number(at.x()), number(at.y()));
    }

    auto index = std::make_shared<Index>();
    index->plane = PlaneSubdivision::build(std::move(pieces));
    index->grid = FieldIndex(
        index->plane, frameBox.adjusted(-2 * tolerance, -2 * tolerance, 2 * tolerance, 2 * tolerance), tolerance);
    m_index = index;
    const PlaneSubdivision &plane = index->plane;

    // Fields and their outlines.
    double frameArea = 0;
    for (size_t i = 0; i < frame.size(); ++i) {
        frameArea += cross(frame[i], frame[(i + 1) % frame.size()]) / 2;
    }
    std::vector<QPointF> centroids;
    for (const PlaneSubdivision::Face &face : plane.faces) {
        Field field;
        field.share = face.area / frameArea;
        QPointF weighted;
        double twiceArea = 0;
        for (const std::vector<int> &ring : face.rings) {
            QPolygonF polygon;
            polygon.reserve(static_cast<qsizetype>(ring.size()) + 1);
            for (int h : ring) {
                polygon << toData(plane.vertices[plane.halfFrom[h]]);
            }
            if (!polygon.isEmpty()) {
                polygon << polygon.front();
            }
            field.rings << polygon;
            if (&ring == &face.rings.front()) {
                for (int h : ring) {
                    const QPointF a = plane.vertices[plane.halfFrom[h]], b = plane.vertices[plane.halfTo(h)];
                    weighted += (a + b) * cross(a, b);
                    twiceArea += cross(a, b);
                }
            }
        }
        centroids.push_back(twiceArea != 0 ? weighted / (3 * twiceArea) : QPointF());
        m_fields << field;
    }
    const std::vector<QPointF> middles = index->grid.cellCentresNear(centroids);
    for (qsizetype f = 0; f < m_fields.size(); ++f) {
        const QPointF middle = std::isnan(middles[f].x()) ? centroids[f] : middles[f];
        m_fields[f].inside = toData(middle);
    }

    // Names from the labels inside the frame.
    for (qsizetype i = 0; i < figure.labels.size(); ++i) {
        const FigureLabel &label = figure.labels[i];
        const auto x = parseNumber(label.x), y = parseNumber(label.y);
        if (!x || !y || (m_xLog && *x <= 0) || (m_yLog && *y <= 0)) {
            continue;
        }
        const Location at = locate(QPointF(*x, *y));
        if (at.place == Place::Boundary) {
            m_problems << worded(m_wording, QStringLiteral("第 %1 个标签“%2”在线上，不为任何分区命名"),
                                 QStringLiteral("label %1 \"%2\" lies on a line, so it names no field"))
                              .arg(i + 1)
                              .arg(QString(label.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        } else if (at.place == Place::Field) {
            Field &field = m_fields[at.field];
            if (field.labels.isEmpty()) {
                field.inside = QPointF(*x, *y);
            }
            field.labels << label.text;
        }
    }
    for (Field &field : m_fields) {
        if (field.labels.size() == 1) {
            field.naming = Field::Naming::Label;
            field.name = field.labels.front();
        } else if (field.labels.size() > 1) {
            field.naming = Field::Naming::Ambiguous;
            field.name = field.labels.join(QStringLiteral("; "));
        }
    }
    // The user's names first: a neighbour across a soft line takes the name given, not the
    // labels it replaces.
    for (const FieldName &correction : options.names) {
        const Location at = locate(correction.at);
        if (at.place != Place::Field) {
            m_problems << worded(m_wording, QStringLiteral("名称“%1”所在的点 (%2, %3) 不在任何分区内"),
                                 QStringLiteral("the name \"%1\" given at (%2, %3) is not inside a field"))
                              .arg(correction.name, number(correction.at.x()), number(correction.at.y()));
            continue;
        }
        m_fields[at.field].name = correction.name;
        m_fields[at.field].naming = Field::Naming::Corrected;
    }
    // A field without a label or a name given takes the name of its one named neighbour across
    // soft lines.
    const auto named = [&](int f) {
        return !m_fields[f].labels.isEmpty() || m_fields[f].naming == Field::Naming::Corrected;
    };
    QList<Field> neighbours = m_fields;
    for (qsizetype f = 0; f < m_fields.size(); ++f) {
        if (named(int(f))) {
            continue;
        }
        std::set<int> across;
        for (const std::vector<int> &ring : plane.faces[f].rings) {
            for (int h : ring) {
                const int other = plane.halfFace[h ^ 1];
                if (plane.edgeSoft[h / 2] && other >= 0 && other != f && named(other)) {
                    across.insert(other);
                }
            }
        }
        if (across.size() == 1) {
            neighbours[f].name = m_fields[*across.begin()].name;
            neighbours[f].naming = Field::Naming::Neighbour;
        }
    }
    m_fields = neighbours;
    int unnamed = 0;
    for (Field &field : m_fields) {
        if (field.naming == Field::Naming::Unnamed) {
            field.name =
                worded(m_wording, QStringLiteral("未命名分区 %1"), QStringLiteral("unnamed field %1")).arg(++unnamed);
        }
    }
}

bool FieldMap::isUsable() const
{
    return m_index != nullptr;
}

QPointF FieldMap::toPlot(QPointF data) const
{
    const double x = m_xLog ? std::log10(data.x()) : data.x();
    const double y = m_yLog ? std::log10(data.y()) : data.y();
    return {(x - m_xLow) / m_xSpan, (y - m_yLow) / m_ySpan};
}

QPointF FieldMap::toData(QPointF plot) const
{
    const double x = m_xLow + plot.x() * m_xSpan, y = m_yLow + plot.y() * m_ySpan;
    return {m_xLog ? std::pow(10.0, x) : x, m_yLog ? std::pow(10.0, y) : y};
}

Location FieldMap::locatePlot(double x, double y) const
{
    const int face = m_index->grid.locate(x, y);
    if (face >= 0) {
        return {Place::Field, face};
    }
    return {face == FieldIndex::onBoundary ? Place::Boundary : Place::Outside, -1};
}

Location FieldMap::locate(QPointF data) const
{
    Location result;
    locate(std::span<const double>(&data.rx(), 1), std::span<const double>(&data.ry(), 1),
           std::span<Location>(&result, 1));
    return result;
}

void FieldMap::locate(std::span<const double> x, std::span<const double> y, std::span<Location> out) const
{
    const size_t n = std::min({x.size(), y.size(), out.size()});
    if (!m_index) {
        std::fill_n(out.begin(), n, Location{});
        return;
    }
    const double xScale = 1 / m_xSpan, yScale = 1 / m_ySpan;
    for (size_t i = 0; i < n; ++i) {
        double u = x[i], v = y[i];
        if (std::isnan(u) || std::isnan(v)) {
            out[i] = {Place::NoValue, -1};
            continue;
        }
        if ((m_xLog && !(u > 0)) || (m_yLog && !(v > 0))) {
            out[i] = {Place::Outside, -1};
            continue;
        }
        if (m_xLog) {
            u = std::log10(u);
        }
        if (m_yLog) {
            v = std::log10(v);
        }
        out[i] = locatePlot((u - m_xLow) * xScale, (v - m_yLow) * yScale);
    }
}

Location FieldMap::locateShares(double left, double right, double top) const
{
    Location result;
    locateShares(std::span<const double>(&left, 1), std::span<const double>(&right, 1),
                 std::span<const double>(&top, 1), std::span<Location>(&result, 1));
    return result;
}

void FieldMap::locateShares(std::span<const double> left, std::span<const double> right, std::span<const double> top,
                            std::span<Location> out) const
{
    const size_t n = std::min({left.size(), right.size(), top.size(), out.size()});
    if (!m_index || !m_triangular) {
        std::fill_n(out.begin(), n, Location{});
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const double sum = left[i] + right[i] + top[i];
        if (!std::isfinite(sum) || !(sum > 0)) {
            out[i] = {Place::NoValue, -1};
            continue;
        }
        const double scale = 100 / sum;
        const QPointF p = DiagramMapping::pointOf({left[i] * scale, right[i] * scale, top[i] * scale});
        out[i] = locatePlot(p.x() / 100, p.y() / 100);
    }
}

QString FieldMap::text(Location location, const QString &reason) const
{
    switch (location.place) {
    case Place::Field:
        return location.field >= 0 && location.field < m_fields.size() ? m_fields[location.field].name : QString();
    case Place::Boundary:
        return worded(m_wording, QStringLiteral("在边界上"), QStringLiteral("on a boundary"));
    case Place::Outside:
        return worded(m_wording, QStringLiteral("在图外"), QStringLiteral("outside the diagram"));
    case Place::NoValue:
        break;
    }
    return !reason.isEmpty() ? reason : worded(m_wording, QStringLiteral("无值"), QStringLiteral("no value"));
}

} // namespace Classify
