// Triangle geometry behind the mesh's ground and hit queries and its bound
// box: indexed triangles placed by a node matrix, walked in index order,
// projected onto two axes. Pure functions over arrays; no node, no renderer.
// Triangles with an index outside the vertex array are never read: a walk
// over such an index array finds nothing and the bound box skips the entry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

enum QzAxis : int { QZ_AXIS_X = 0, QZ_AXIS_Y = 1, QZ_AXIS_Z = 2 };

struct QzTriangleSet {
    const Vector3* positions = nullptr;
    std::size_t positionCount = 0;
    const std::uint16_t* indices = nullptr;
    std::size_t indexCount = 0;
    Matrix matrix;  // places the positions (row vectors, w = 1)
};

// How a walk treats triangles whose projection has no area.
enum class QzFlatTriangles {
    Skip,          // zero projected area: never a hit (no plane to read a height from)
    SkipBackFace,  // the projected area must be strictly positive (the ground walk)
};

struct QzTriangleHit {
    bool hit = false;
    float value = 0.0f;  // the plane's coordinate on the third axis at the point
};

// First triangle, in index order, that contains (pu, pv) in the (u, v)
// projection, with the plane value along the remaining axis.
QzTriangleHit QzFindTriangle(const QzTriangleSet& set, QzAxis u, QzAxis v, float pu, float pv,
                             QzFlatTriangles flat);

// True when every index addresses a position.
bool QzIndicesInRange(const std::uint16_t* indices, std::size_t indexCount,
                      std::size_t positionCount);

struct QzBoundBox {
    Vector3 centre;
    Vector3 size;  // full extents
};

// Box over the transformed positions of every index entry; with no (valid)
// entries the box is inverted (size -19999998) and contains no point.
QzBoundBox QzCalcBoundBox(const QzTriangleSet& set);

// Inclusive test of one coordinate against the box.
bool QzInBoundAxis(const QzBoundBox& box, QzAxis axis, float p);

}  // namespace QZW
