#include "proj/nodes/sq_model_ground.h"

#include <cmath>
#include <string>

namespace QZW {

namespace {

constexpr const char* kRideMaterial = "h_norimono";
constexpr float kNoGround = -500.0f;
constexpr float kGroundFloor = -100.0f;
constexpr float kXYCeiling = 100.0f;
constexpr float kProbeLift = 0.01f;

struct Hit {
    bool isHit = false;
    bool inBound = false;
    float height = 0.0f;
    std::string name;
};

Hit Take(const QzHitMeshInfo& h) {
    return Hit{true, h.InBound, h.GroundHight, h.MaterialName};
}

// Divided by its length (not scaled by the reciprocal); a vector shorter
// than 1e-6 is left as it is.
Vector3 DivideByLength(const Vector3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length < 1e-6f) {
        return v;
    }
    return Vector3(v.x / length, v.y / length, v.z / length);
}

}  // namespace

float SqModelGroundHight(const std::vector<SqModelPart>& parts, float x, float y, float z) {
    for (const SqModelPart& part : parts) {
        if (part.mesh != nullptr && part.mesh->IsInBoundXZ(x, y, z)) {
            return part.mesh->GetGroundHight(x, y, z);
        }
    }
    return kNoGround;
}

SqHitMeshInfo SqModelGroundInfo(const std::vector<SqModelPart>& parts, float x, float y, float z) {
    const float probeY = y + kProbeLift;
    Hit top{false, false, kGroundFloor, {}};
    Hit ground = top;
    const CQzMesh* hitMesh = nullptr;
    for (const SqModelPart& part : parts) {
        if (!part.colActive || part.mesh == nullptr) {
            continue;
        }
        QzHitMeshInfo h;
        part.mesh->GetGroundInfo(h, x, probeY, z);
        if (!h.IsHit) {
            continue;
        }
        if (h.GroundHight > top.height) {
            top = Take(h);
            hitMesh = part.mesh;
        }
        if (h.GroundHight > ground.height && h.MaterialName != kRideMaterial) {
            ground = Take(h);
        }
    }
    SqHitMeshInfo out;
    out.IsHit = ground.isHit;
    out.IsInBound = ground.inBound;
    out.GroundHight = ground.height;
    out.MaterialName = ground.name;
    out.TopHight = top.height;
    out.TopMaterialName = top.name;
    if (hitMesh != nullptr) {
        const Matrix& m = hitMesh->matrix;
        out.zaxis = DivideByLength(Vector3(m[8], m[9], m[10]));
        out.MeshCenterPos = Vector3(m[12], m[13], m[14]);
        out.boundBox.pos = hitMesh->GetBoundCentre();
        out.boundBox.size = hitMesh->GetBoundSize();
    }
    return out;
}

SqHitMeshInfo SqModelGroundInfoXY(const std::vector<SqModelPart>& parts, float x, float y,
                                  float z) {
    Hit best{false, false, kXYCeiling, {}};
    for (const SqModelPart& part : parts) {
        if (part.mesh == nullptr) {
            continue;
        }
        QzHitMeshInfo h;
        part.mesh->GetGroundInfoXY(h, x, y, z);
        if (h.IsHit && h.GroundHight < best.height) {
            best = Take(h);
        }
    }
    SqHitMeshInfo out;
    out.IsHit = best.isHit;
    out.IsInBound = best.inBound;
    out.GroundHight = best.height;
    out.MaterialName = best.name;
    out.TopHight = best.height;
    out.TopMaterialName = best.name;
    return out;
}

}  // namespace QZW
