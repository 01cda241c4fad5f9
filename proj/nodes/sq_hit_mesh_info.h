// The records the model's ground queries hand to scripts: a bound box given
// by centre and full size, and the query result (the chosen ground hit, the
// highest hit of any material, and the hit mesh's axis, centre and box).
// Plain values; a new record is all zero with empty names.
#pragma once

#include <string>

#include "qzware/scene/qz_vector.h"

namespace QZW {

struct BoundBox {
    Vector3 pos;   // centre
    Vector3 size;  // full extent along x, y, z

    Vector3 GetMin() const;
    Vector3 GetMax() const;
};

struct SqHitMeshInfo {
    bool IsHit = false;
    bool IsInBound = false;
    float GroundHight = 0.0f;
    std::string MaterialName;
    float TopHight = 0.0f;
    std::string TopMaterialName;
    Vector3 zaxis;
    Vector3 MeshCenterPos;
    BoundBox boundBox;
};

}  // namespace QZW
