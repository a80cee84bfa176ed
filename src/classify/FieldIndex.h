// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <classify/PlaneSubdivision.h>

#include <QRectF>

#include <cstdint>
#include <vector>

namespace Classify {

// Point location in a planar subdivision over a uniform grid of cells.
//
// A cell no edge comes within the tolerance of holds its face, found once by a flood fill, so
// most points cost one look-up. Any other cell holds the edges near it, each cut to the cell
// grown by the tolerance. A point there takes the nearest of those pieces: within the tolerance
// it is on a boundary, otherwise in the face on its side of that piece (or, when the nearest
// place is a vertex, in the angle between the vertex's edges it lies in). Nothing can lie
// between a point and the nearest piece of its own grown cell, so this is exact.
class FieldIndex
{
public:
    static constexpr int onBoundary = -2;
    static constexpr int outside = -1;

    FieldIndex() = default;
    // The grid covers area; points outside it are outside.
    FieldIndex(const PlaneSubdivision &plane, const QRectF &area, double tolerance);

    // A face number, onBoundary or outside.
    int locate(double x, double y) const
    {
        const double fx = (x - m_left) * m_scaleX, fy = (y - m_top) * m_scaleY;
        if (!(fx >= 0 && fy >= 0 && fx < m_columns && fy < m_rows)) {
            return outside;
        }
        const int cell = static_cast<int>(fy) * m_columns + static_cast<int>(fx);
        const int face = m_cells[cell];
        return face != mixed ? face : locateNear(cell, x, y);
    }

    // For each face, the middle of its cell nearest to the given point (NaN when it has none).
    std::vector<QPointF> cellCentresNear(const std::vector<QPointF> &targets) const;

private:
    static constexpr int mixed = -3;
    struct Piece
    {
        double ax, ay, bx, by;
        int half;     // the half-edge this piece belongs to, running from a to b
        bool aVertex; // a (or b) is the edge's own end, not where the cell cut it
        bool bVertex;
    };
    int locateNear(int cell, double x, double y) const;
    int faceAround(int vertex, double x, double y) const;

    double m_left = 0, m_top = 0, m_scaleX = 0, m_scaleY = 0, m_cellW = 0, m_cellH = 0;
    int m_columns = 0, m_rows = 0;
    double m_tolerance2 = 0;
    std::vector<int> m_cells;           // face, outside, or mixed
    std::vector<std::uint32_t> m_start; // per cell + 1: its pieces
    std::vector<Piece> m_pieces;
    const PlaneSubdivision *m_plane = nullptr;
};

} // namespace Classify
