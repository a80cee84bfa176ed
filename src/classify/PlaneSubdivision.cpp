// SPDX-License-Identifier: GPL-3.0-or-later
#include <classify/PlaneSubdivision.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace Classify {

namespace {

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

double dot(QPointF a, QPointF b)
{
    return a.x() * b.x() + a.y() * b.y();
}

struct UnionFind
{
    std::vector<int> parent;
    explicit UnionFind(int n)
        : parent(n)
    {
        std::iota(parent.begin(), parent.end(), 0);
    }
    int find(int i)
    {
        while (parent[i] != i) {
            parent[i] = parent[parent[i]];
            i = parent[i];
        }
        return i;
    }
    void join(int a, int b) { parent[find(a)] = find(b); }
};

// Vertices by position: points closer than the vertex epsilon are one vertex.
class VertexTable
{
public:
    int add(QPointF p, std::vector<QPointF> &vertices)
    {
        const qint64 kx = key(p.x()), ky = key(p.y());
        for (qint64 dx = -1; dx <= 1; ++dx) {
            for (qint64 dy = -1; dy <= 1; ++dy) {
                const auto range = m_cells.equal_range(cellKey(kx + dx, ky + dy));
                for (auto it = range.first; it != range.second; ++it) {
                    const QPointF d = vertices[it->second] - p;
                    if (dot(d, d) <= PlaneSubdivision::vertexEpsilon * PlaneSubdivision::vertexEpsilon) {
                        return it->second;
                    }
                }
            }
        }
        const int id = static_cast<int>(vertices.size());
        vertices.push_back(p);
        m_cells.emplace(cellKey(kx, ky), id);
        return id;
    }

private:
    static qint64 key(double v) { return static_cast<qint64>(std::floor(v / PlaneSubdivision::vertexEpsilon)); }
    static quint64 cellKey(qint64 x, qint64 y)
    {
        return static_cast<quint64>(x) * 0x9E3779B97F4A7C15ULL ^ static_cast<quint64>(y);
    }
    std::unordered_multimap<quint64, int> m_cells;
};

// Adds to each piece's list of points the places where the other piece crosses, touches or
// overlaps it.
void splitPair(const LinePiece &p, const LinePiece &q, std::vector<QPointF> &onP, std::vector<QPointF> &onQ)
{
    const double eps = PlaneSubdivision::vertexEpsilon;
    const QPointF r = p.b - p.a, s = q.b - q.a;
    const double lr = std::sqrt(dot(r, r)), ls = std::sqrt(dot(s, s));
    const double denominator = cross(r, s);
    const QPointF ac = q.a - p.a;
    if (std::abs(denominator) > 1e-12 * lr * ls) {
        const double t = cross(ac, s) / denominator, u = cross(ac, r) / denominator;
        const double et = eps / lr, eu = eps / ls;
        if (t >= -et && t <= 1 + et && u >= -eu && u <= 1 + eu) {
            // An end lying on the other piece is kept as it is, so touching lines share its vertex.
            QPointF at = p.a + std::clamp(t, 0.0, 1.0) * r;
            if (u <= eu || u >= 1 - eu) {
                at = u <= eu ? q.a : q.b;
            } else if (t <= et || t >= 1 - et) {
                at = t <= et ? p.a : p.b;
            }
            onP.push_back(at);
            onQ.push_back(at);
        }
        return;
    }
    // Parallel: only collinear pieces meet; each takes the other's ends that lie on it.
    if (std::abs(cross(r, ac)) / lr > eps) {
        return;
    }
    auto within = [eps](const LinePiece &piece, QPointF point, double length) {
        const QPointF d = piece.b - piece.a;
        const double t = dot(point - piece.a, d) / (length * length);
        return t > -eps / length && t < 1 + eps / length;
    };
    for (QPointF end : {q.a, q.b}) {
        if (within(p, end, lr)) {
            onP.push_back(end);
        }
    }
    for (QPointF end : {p.a, p.b}) {
        if (within(q, end, ls)) {
            onQ.push_back(end);
        }
    }
}

} // namespace

PlaneSubdivision PlaneSubdivision::build(std::vector<LinePiece> pieces)
{
    PlaneSubdivision result;
    pieces.erase(std::remove_if(pieces.begin(), pieces.end(),
                                [](const LinePiece &p) {
                                    const QPointF d = p.b - p.a;
                                    return !(dot(d, d) > vertexEpsilon * vertexEpsilon);
                                }),
                 pieces.end());
    const int n = static_cast<int>(pieces.size());
    if (n == 0) {
        return result;
    }

    // Crossings: pieces are bucketed by their bounding boxes in a grid; a pair is tested in the
    // first cell both boxes share, so once.
    double minX = pieces[0].a.x(), maxX = minX, minY = pieces[0].a.y(), maxY = minY;
    for (const LinePiece &p : pieces) {
        for (QPointF e : {p.a, p.b}) {
            minX = std::min(minX, e.x());
            maxX = std::max(maxX, e.x());
            minY = std::min(minY, e.y());
            maxY = std::max(maxY, e.y());
        }
    }
    const int grid = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(n))), 1, 512);
    const double cellW = std::max(maxX - minX, 1e-12) / grid, cellH = std::max(maxY - minY, 1e-12) / grid;
    struct Box
    {
        int x0, y0, x1, y1;
    };
    std::vector<Box> boxes(n);
    auto cellOf = [grid](double v, double low, double size) {
        return std::clamp(static_cast<int>((v - low) / size), 0, grid - 1);
    };
    std::vector<std::vector<int>> cells(static_cast<size_t>(grid) * grid);
    for (int i = 0; i < n; ++i) {
        const LinePiece &p = pieces[i];
        const double pad = vertexEpsilon * 2;
        Box box{cellOf(std::min(p.a.x(), p.b.x()) - pad, minX, cellW),
                cellOf(std::min(p.a.y(), p.b.y()) - pad, minY, cellH),
                cellOf(std::max(p.a.x(), p.b.x()) + pad, minX, cellW),
                cellOf(std::max(p.a.y(), p.b.y()) + pad, minY, cellH)};
        boxes[i] = box;
        for (int x = box.x0; x <= box.x1; ++x) {
            for (int y = box.y0; y <= box.y1; ++y) {
                cells[static_cast<size_t>(y) * grid + x].push_back(i);
            }
        }
    }
    std::vector<std::vector<QPointF>> onPiece(n);
    for (int cy = 0; cy < grid; ++cy) {
        for (int cx = 0; cx < grid; ++cx) {
            const std::vector<int> &here = cells[static_cast<size_t>(cy) * grid + cx];
            for (size_t i = 0; i < here.size(); ++i) {
                for (size_t j = i + 1; j < here.size(); ++j) {
                    const Box &a = boxes[here[i]], &b = boxes[here[j]];
                    if (std::max(a.x0, b.x0) != cx || std::max(a.y0, b.y0) != cy) {
                        continue;
                    }
                    splitPair(pieces[here[i]], pieces[here[j]], onPiece[here[i]], onPiece[here[j]]);
                }
            }
        }
    }

    // Edges between neighbouring points of each piece; overlapping pieces give the same edge
    // once, soft only when every piece drawn along it is.
    VertexTable table;
    std::unordered_map<quint64, int> edgeOf;
    std::vector<std::pair<int, int>> edges;
    UnionFind parts(0);
    std::vector<std::pair<double, int>> along;
    for (int i = 0; i < n; ++i) {
        const LinePiece &p = pieces[i];
        const QPointF d = p.b - p.a;
        along.clear();
        along.emplace_back(0.0, table.add(p.a, result.vertices));
        along.emplace_back(1.0, table.add(p.b, result.vertices));
        for (QPointF at : onPiece[i]) {
            along.emplace_back(dot(at - p.a, d) / dot(d, d), table.add(at, result.vertices));
        }
        std::sort(along.begin(), along.end());
        for (size_t k = 1; k < along.size(); ++k) {
            int u = along[k - 1].second, v = along[k].second;
            if (u == v) {
                continue;
            }
            const quint64 key = (static_cast<quint64>(std::min(u, v)) << 32) | static_cast<quint32>(std::max(u, v));
            const auto [it, added] = edgeOf.emplace(key, static_cast<int>(edges.size()));
            if (added) {
                edges.emplace_back(u, v);
                result.edgeSoft.push_back(p.soft);
            } else if (!p.soft) {
                result.edgeSoft[it->second] = false;
            }
        }
    }

    const int vertexCount = static_cast<int>(result.vertices.size());
    const int halfCount = static_cast<int>(edges.size()) * 2;
    result.halfFrom.resize(halfCount);
    for (size_t e = 0; e < edges.size(); ++e) {
        result.halfFrom[2 * e] = edges[e].first;
        result.halfFrom[2 * e + 1] = edges[e].second;
    }
    // Outgoing half-edges around each vertex, counter-clockwise.
    result.outStart.assign(vertexCount + 1, 0);
    for (int h = 0; h < halfCount; ++h) {
        ++result.outStart[result.halfFrom[h] + 1];
    }
    std::partial_sum(result.outStart.begin(), result.outStart.end(), result.outStart.begin());
    result.outHalf.resize(halfCount);
    result.outAngle.resize(halfCount);
    {
        std::vector<int> fill(result.outStart.begin(), result.outStart.end() - 1);
        for (int h = 0; h < halfCount; ++h) {
            result.outHalf[fill[result.halfFrom[h]]++] = h;
        }
    }
    std::vector<int> slotOf(halfCount);
    for (int v = 0; v < vertexCount; ++v) {
        const int first = result.outStart[v], last = result.outStart[v + 1];
        for (int k = first; k < last; ++k) {
            const QPointF d = result.vertices[result.halfTo(result.outHalf[k])] - result.vertices[v];
            result.outAngle[k] = std::atan2(d.y(), d.x());
        }
        std::vector<std::pair<double, int>> order;
        for (int k = first; k < last; ++k) {
            order.emplace_back(result.outAngle[k], result.outHalf[k]);
        }
        std::sort(order.begin(), order.end());
        for (int k = first; k < last; ++k) {
            result.outAngle[k] = order[k - first].first;
            result.outHalf[k] = order[k - first].second;
            slotOf[order[k - first].second] = k;
        }
    }
    // Walking along h into its end vertex, the face on the left continues along the outgoing
    // half-edge just clockwise of h's twin.
    auto next = [&](int h) {
        const int twin = h ^ 1;
        const int v = result.halfFrom[twin];
        const int slot = slotOf[twin];
        const int first = result.outStart[v], last = result.outStart[v + 1];
        return result.outHalf[slot == first ? last - 1 : slot - 1];
    };

    // Cycles and their signed areas.
    std::vector<int> cycleOf(halfCount, -1);
    std::vector<std::vector<int>> cycles;
    std::vector<double> cycleArea;
    for (int h = 0; h < halfCount; ++h) {
        if (cycleOf[h] >= 0) {
            continue;
        }
        const int id = static_cast<int>(cycles.size());
        cycles.emplace_back();
        double area = 0;
        int at = h;
        do {
            cycleOf[at] = id;
            cycles.back().push_back(at);
            const QPointF a = result.vertices[result.halfFrom[at]], b = result.vertices[result.halfTo(at)];
            area += cross(a, b);
            at = next(at);
        } while (at != h && cycleOf[at] < 0);
        cycleArea.push_back(area / 2);
    }

    // Connected parts: the one holding the frame has the outside as its outer cycle; the outer
    // cycle of every other part lies in the face found by a ray to the left of its leftmost
    // vertex.
    UnionFind joined(vertexCount);
    for (const auto &[u, v] : edges) {
        joined.join(u, v);
    }
    int frameVertex = -1;
    for (int i = 0; i < n && frameVertex < 0; ++i) {
        if (pieces[i].line == -1) {
            frameVertex = table.add(pieces[i].a, result.vertices);
        }
    }
    const int frameRoot = frameVertex >= 0 ? joined.find(frameVertex) : -1;
    std::unordered_map<int, int> outerOfPart; // root -> cycle with the smallest area
    for (size_t c = 0; c < cycles.size(); ++c) {
        const int root = joined.find(result.halfFrom[cycles[c].front()]);
        const auto it = outerOfPart.find(root);
        if (it == outerOfPart.end() || cycleArea[c] < cycleArea[it->second]) {
            outerOfPart[root] = static_cast<int>(c);
        }
    }
    std::vector<int> faceOfCycle(cycles.size(), -2); // -2: not known yet
    for (size_t c = 0; c < cycles.size(); ++c) {
        const int root = joined.find(result.halfFrom[cycles[c].front()]);
        if (outerOfPart[root] == static_cast<int>(c)) {
            if (root == frameRoot) {
                faceOfCycle[c] = -1;
            }
            continue;
        }
        faceOfCycle[c] = static_cast<int>(result.faces.size());
        PlaneSubdivision::Face face;
        face.rings.push_back(cycles[c]);
        face.area = cycleArea[c];
        result.faces.push_back(std::move(face));
    }
    // Holes: resolved from right to left, as each ray ends on a part further left.
    std::vector<int> holes;
    for (const auto &[root, cycle] : outerOfPart) {
        if (root != frameRoot) {
            holes.push_back(cycle);
        }
    }
    auto leftmost = [&](int cycle) {
        int best = result.halfFrom[cycles[cycle].front()];
        for (int h : cycles[cycle]) {
            const QPointF p = result.vertices[result.halfFrom[h]], b = result.vertices[best];
            if (p.x() < b.x() || (p.x() == b.x() && p.y() < b.y())) {
                best = result.halfFrom[h];
            }
        }
        return best;
    };
    std::vector<int> holeVertex(cycles.size(), -1);
    for (int c : holes) {
        holeVertex[c] = leftmost(c);
    }
    std::sort(holes.begin(), holes.end(),
              [&](int a, int b) { return result.vertices[holeVertex[a]].x() < result.vertices[holeVertex[b]].x(); });
    for (int c : holes) {
        const QPointF from = result.vertices[holeVertex[c]];
        const int root = joined.find(holeVertex[c]);
        double bestX = -std::numeric_limits<double>::infinity();
        int bestHalf = -1;
        for (size_t e = 0; e < edges.size(); ++e) {
            const QPointF a = result.vertices[edges[e].first], b = result.vertices[edges[e].second];
            if ((a.y() > from.y()) == (b.y() > from.y()) || joined.find(edges[e].first) == root) {
                continue;
            }
            const double x = a.x() + (from.y() - a.y()) / (b.y() - a.y()) * (b.x() - a.x());
            if (x < from.x() && x > bestX) {
                bestX = x;
                // The half-edge running down has the east on its left.
                bestHalf = b.y() < a.y() ? static_cast<int>(2 * e) : static_cast<int>(2 * e + 1);
            }
        }
        const int face = bestHalf < 0 ? -1 : faceOfCycle[cycleOf[bestHalf]];
        faceOfCycle[c] = face < -1 ? -1 : face;
        if (faceOfCycle[c] >= 0) {
            result.faces[faceOfCycle[c]].rings.push_back(cycles[c]);
        }
    }
    result.halfFace.resize(halfCount);
    for (int h = 0; h < halfCount; ++h) {
        result.halfFace[h] = std::max(-1, faceOfCycle[cycleOf[h]]);
    }
    return result;
}

} // namespace Classify
