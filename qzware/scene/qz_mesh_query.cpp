// Triangle geometry behind the mesh's queries and bound box.
#include "qzware/scene/qz_mesh_query.h"

#include <cmath>

namespace QZW {

namespace {

float Axis(const Vector3& p, QzAxis a) {
    return a == QZ_AXIS_X ? p.x : a == QZ_AXIS_Y ? p.y : p.z;
}

QzAxis Third(QzAxis u, QzAxis v) {
    return QzAxis(3 - int(u) - int(v));
}

bool Contains(const Vector3& v0, const Vector3& v1, const Vector3& v2, QzAxis u, QzAxis v, float pu,
              float pv) {
    const float e0 = (Axis(v1, v) - Axis(v2, v)) * (Axis(v2, u) - pu) -
                     (Axis(v1, u) - Axis(v2, u)) * (Axis(v2, v) - pv);
    const float e1 = (Axis(v0, v) - Axis(v1, v)) * (Axis(v1, u) - pu) -
                     (Axis(v0, u) - Axis(v1, u)) * (Axis(v1, v) - pv);
    const float e2 = (Axis(v2, v) - Axis(v0, v)) * (Axis(v0, u) - pu) -
                     (Axis(v2, u) - Axis(v0, u)) * (Axis(v0, v) - pv);
    return e0 >= 0.0f && e1 >= 0.0f && e2 >= 0.0f;
}

}  // namespace

bool QzIndicesInRange(const std::uint16_t* indices, std::size_t indexCount,
                      std::size_t positionCount) {
    for (std::size_t i = 0; i < indexCount; ++i) {
        if (indices[i] >= positionCount) {
            return false;
        }
    }
    return true;
}

QzTriangleHit QzFindTriangle(const QzTriangleSet& set, QzAxis u, QzAxis v, float pu, float pv,
                             QzFlatTriangles flat) {
    QzTriangleHit result;
    if (set.indices == nullptr ||
        !QzIndicesInRange(set.indices, set.indexCount, set.positionCount)) {
        return result;
    }
    const QzAxis w = Third(u, v);
    for (std::size_t t = 0; t + 3 <= set.indexCount; t += 3) {
        const Vector3 v0 = set.positions[set.indices[t]].Transform(set.matrix);
        const Vector3 v1 = set.positions[set.indices[t + 1]].Transform(set.matrix);
        const Vector3 v2 = set.positions[set.indices[t + 2]].Transform(set.matrix);
        // Twice the projected area; the sign gives the winding.
        const float area = (Axis(v1, v) - Axis(v0, v)) * (Axis(v2, u) - Axis(v1, u)) -
                           (Axis(v1, u) - Axis(v0, u)) * (Axis(v2, v) - Axis(v1, v));
        if (flat == QzFlatTriangles::SkipBackFace ? !(area > 0.0f) : area == 0.0f) {
            continue;
        }
        if (!Contains(v0, v1, v2, u, v, pu, pv)) {
            continue;
        }
        Vector3 n = (v0 - v1).Cross(v1 - v2);
        const float length = n.Length();
        if (!(length < 0.000001f)) {
            n = n * (1.0f / length);
        }
        const float nw = Axis(n, w);
        if (nw == 0.0f) {
            continue;  // an edge-on plane has no height over the point
        }
        result.hit = true;
        result.value =
            Axis(v0, w) - (Axis(n, u) * (pu - Axis(v0, u)) + Axis(n, v) * (pv - Axis(v0, v))) / nw;
        return result;
    }
    return result;
}

QzBoundBox QzCalcBoundBox(const QzTriangleSet& set) {
    Vector3 lo(9999999.0f, 9999999.0f, 9999999.0f);
    Vector3 hi(-9999999.0f, -9999999.0f, -9999999.0f);
    for (std::size_t i = 0; set.indices != nullptr && i < set.indexCount; ++i) {
        if (set.indices[i] >= set.positionCount) {
            continue;
        }
        const Vector3 p = set.positions[set.indices[i]].Transform(set.matrix);
        lo = Vector3(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z));
        hi = Vector3(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z));
    }
    QzBoundBox box;
    box.centre = (hi + lo) * 0.5f;
    box.size = hi - lo;
    return box;
}

bool QzInBoundAxis(const QzBoundBox& box, QzAxis axis, float p) {
    const float c = Axis(box.centre, axis);
    const float half = Axis(box.size, axis) * 0.5f;
    return c - half <= p && p <= c + half;
}

}  // namespace QZW
