// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>

#include <vector>

namespace Classify {

// A straight piece of a drawn line in plotting space, as the subdivision takes it.
struct LinePiece
{
    QPointF a;
    QPointF b;
    int line = 0;      // line number; -1 for the frame
    bool soft = false; // dashed or dotted: names may cross it
};

// The planar subdivision of a set of line pieces: every crossing, touch and overlap becomes a
// vertex, every piece between two vertices one edge (overlapping pieces give one edge), and the
// faces are traced from the half-edges.
//
// Half-edge h runs from vertex from(h) to vertex to(h); h ^ 1 is its twin. A half-edge's face is
// the face on its left. Bounded faces are traced counter-clockwise (positive area); each
// connected part of the drawing also has one outer cycle (zero or negative area), which is a
// hole in the face that holds it, or the outside for the part that holds the frame.
struct PlaneSubdivision
{
    std::vector<QPointF> vertices;
    std::vector<int> halfFrom;  // per half-edge
    std::vector<bool> edgeSoft; // per edge (half-edge / 2)
    std::vector<int> halfFace;  // per half-edge: the face on its left, -1 outside
    // The outgoing half-edges of each vertex, counter-clockwise by angle, and their angles.
    std::vector<int> outStart; // per vertex + 1
    std::vector<int> outHalf;
    std::vector<double> outAngle;

    struct Face
    {
        std::vector<std::vector<int>> rings; // half-edges; the first ring is the outer boundary
        double area = 0;
    };
    std::vector<Face> faces;

    int halfTo(int half) const { return halfFrom[half ^ 1]; }
    int edgeCount() const { return static_cast<int>(edgeSoft.size()); }

    // Points closer than this are one vertex.
    static constexpr double vertexEpsilon = 1e-9;

    static PlaneSubdivision build(std::vector<LinePiece> pieces);
};

} // namespace Classify
