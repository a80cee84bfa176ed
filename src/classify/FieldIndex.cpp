// SPDX-License-Identifier: GPL-3.0-or-later
#include <classify/FieldIndex.h>
#include <diagram/SegmentClip.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

namespace Classify {

FieldIndex::FieldIndex(const PlaneSubdivision &plane, const QRectF &area, double tolerance)
    : m_plane(&plane)
{
    // About one cell per tolerance and a half: few cells hold an edge, and those hold few.
    const int edges = plane.edgeCount();
    const int across = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(edges)) * 8), 256, 2048);
    const double longer = std::max(area.width(), area.height());
    m_columns = std::max(1, static_cast<int>(std::ceil(across * area.width() / longer)));
    m_rows = std::max(1, static_cast<int>(std::ceil(across * area.height() / longer)));
    m_left = area.left();
    m_top = area.top();
    m_cellW = area.width() / m_columns;
    m_cellH = area.height() / m_rows;
    m_scaleX = 1 / m_cellW;
    m_scaleY = 1 / m_cellH;
    m_tolerance2 = tolerance * tolerance;
    const int cellCount = m_columns * m_rows;

    std::vector<std::pair<int, Piece>> found;
    for (int e = 0; e < edges; ++e) {
        const QPointF a = plane.vertices[plane.halfFrom[2 * e]], b = plane.vertices[plane.halfTo(2 * e)];
        const double minX = std::min(a.x(), b.x()) - tolerance, maxX = std::max(a.x(), b.x()) + tolerance;
        const int c0 = std::max(0, static_cast<int>(std::floor((minX - m_left) * m_scaleX)));
        const int c1 = std::min(m_columns - 1, static_cast<int>(std::floor((maxX - m_left) * m_scaleX)));
        for (int c = c0; c <= c1; ++c) {
            // The rows this column's slab (grown by the tolerance) sees of the edge.
            const double slabLeft = m_left + c * m_cellW - tolerance, slabRight = slabLeft + m_cellW + 2 * tolerance;
            double y0 = std::min(a.y(), b.y()), y1 = std::max(a.y(), b.y());
            if (a.x() != b.x()) {
                const double ta = std::clamp((slabLeft - a.x()) / (b.x() - a.x()), 0.0, 1.0);
                const double tb = std::clamp((slabRight - a.x()) / (b.x() - a.x()), 0.0, 1.0);
                const double ya = a.y() + ta * (b.y() - a.y()), yb = a.y() + tb * (b.y() - a.y());
                y0 = std::min(ya, yb);
                y1 = std::max(ya, yb);
            }
            const int r0 = std::max(0, static_cast<int>(std::floor((y0 - tolerance - m_top) * m_scaleY)));
            const int r1 = std::min(m_rows - 1, static_cast<int>(std::floor((y1 + tolerance - m_top) * m_scaleY)));
            for (int r = r0; r <= r1; ++r) {
                const double left = m_left + c * m_cellW - tolerance, bottom = m_top + r * m_cellH - tolerance;
                double t0, t1;
                const QRectF cell(left, bottom, m_cellW + 2 * tolerance, m_cellH + 2 * tolerance);
                if (!clipParameters(a, b, cell, t0, t1)) {
                    continue;
                }
                const QPointF d = b - a;
                found.push_back({r * m_columns + c, Piece{a.x() + t0 * d.x(), a.y() + t0 * d.y(), a.x() + t1 * d.x(),
                                                          a.y() + t1 * d.y(), 2 * e, t0 == 0, t1 == 1}});
            }
        }
    }
    m_start.assign(cellCount + 1, 0);
    for (const auto &entry : found) {
        ++m_start[entry.first + 1];
    }
    for (int i = 0; i < cellCount; ++i) {
        m_start[i + 1] += m_start[i];
    }
    m_pieces.resize(found.size());
    {
        std::vector<std::uint32_t> fill(m_start.begin(), m_start.end() - 1);
        for (const auto &entry : found) {
            m_pieces[fill[entry.first]++] = entry.second;
        }
    }

    // Cells without pieces: each connected run of them lies in one face, found from a point on
    // its border with a cell that has pieces.
    constexpr int unknown = std::numeric_limits<int>::min();
    m_cells.assign(cellCount, unknown);
    for (int i = 0; i < cellCount; ++i) {
        if (m_start[i + 1] > m_start[i]) {
            m_cells[i] = mixed;
        }
    }
    std::vector<int> run;
    std::deque<int> queue;
    for (int seed = 0; seed < cellCount; ++seed) {
        if (m_cells[seed] != unknown) {
            continue;
        }
        run.clear();
        m_cells[seed] = outside; // visited; replaced below
        queue.push_back(seed);
        int face = unknown;
        while (!queue.empty()) {
            const int cell = queue.front();
            queue.pop_front();
            run.push_back(cell);
            const int r = cell / m_columns, c = cell % m_columns;
            const int neighbours[4][2] = {{r, c - 1}, {r, c + 1}, {r - 1, c}, {r + 1, c}};
            for (const auto &[nr, nc] : neighbours) {
                if (nr < 0 || nc < 0 || nr >= m_rows || nc >= m_columns) {
                    continue;
                }
                const int other = nr * m_columns + nc;
                if (m_cells[other] == unknown) {
                    m_cells[other] = outside;
                    queue.push_back(other);
                } else if (m_cells[other] == mixed && face == unknown) {
                    // The middle of the shared side: in both cells, and clear of every edge.
                    const double x = m_left + (c + 0.5 + (nc - c) * 0.5) * m_cellW;
                    const double y = m_top + (r + 0.5 + (nr - r) * 0.5) * m_cellH;
                    const int located = locateNear(other, x, y);
                    if (located != onBoundary) {
                        face = located;
                    }
                }
            }
        }
        for (int cell : run) {
            m_cells[cell] = face == unknown ? outside : face;
        }
    }
}

int FieldIndex::locateNear(int cell, double x, double y) const
{
    double best = std::numeric_limits<double>::infinity();
    const Piece *nearest = nullptr;
    double nearestT = 0;
    for (std::uint32_t i = m_start[cell], end = m_start[cell + 1]; i < end; ++i) {
        const Piece &p = m_pieces[i];
        const double dx = p.bx - p.ax, dy = p.by - p.ay;
        const double length2 = dx * dx + dy * dy;
        double t = length2 > 0 ? ((x - p.ax) * dx + (y - p.ay) * dy) / length2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = p.ax + t * dx - x, ey = p.ay + t * dy - y;
        const double distance2 = ex * ex + ey * ey;
        if (distance2 < best) {
            best = distance2;
            nearest = &p;
            nearestT = t;
        }
    }
    if (!nearest) {
        return outside;
    }
    if (best <= m_tolerance2) {
        return onBoundary;
    }
    if (nearestT <= 0 && nearest->aVertex) {
        return faceAround(m_plane->halfFrom[nearest->half], x, y);
    }
    if (nearestT >= 1 && nearest->bVertex) {
        return faceAround(m_plane->halfTo(nearest->half), x, y);
    }
    const double side =
        (nearest->bx - nearest->ax) * (y - nearest->ay) - (nearest->by - nearest->ay) * (x - nearest->ax);
    return m_plane->halfFace[side > 0 ? nearest->half : nearest->half ^ 1];
}

int FieldIndex::faceAround(int vertex, double x, double y) const
{
    const QPointF at = m_plane->vertices[vertex];
    const double angle = std::atan2(y - at.y(), x - at.x());
    const int first = m_plane->outStart[vertex], last = m_plane->outStart[vertex + 1];
    // The outgoing edge just clockwise of the direction has the point's angle on its left.
    int chosen = last - 1;
    for (int k = first; k < last; ++k) {
        if (m_plane->outAngle[k] <= angle) {
            chosen = k;
        }
    }
    return m_plane->halfFace[m_plane->outHalf[chosen]];
}

std::vector<QPointF> FieldIndex::cellCentresNear(const std::vector<QPointF> &targets) const
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<QPointF> result(targets.size(), QPointF(nan, nan));
    std::vector<double> best(targets.size(), std::numeric_limits<double>::infinity());
    for (int cell = 0; cell < static_cast<int>(m_cells.size()); ++cell) {
        const int face = m_cells[cell];
        if (face < 0 || face >= static_cast<int>(targets.size())) {
            continue;
        }
        const QPointF centre(m_left + (cell % m_columns + 0.5) * m_cellW, m_top + (cell / m_columns + 0.5) * m_cellH);
        const QPointF d = centre - targets[face];
        const double distance2 = d.x() * d.x() + d.y() * d.y();
        if (distance2 < best[face]) {
            best[face] = distance2;
            result[face] = centre;
        }
    }
    return result;
}

} // namespace Classify
