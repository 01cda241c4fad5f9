// QZW::CSqMesh: a script node whose geometry the script builds value by
// value into an engine mesh the node owns and hangs under itself as its
// first child, so the tree walk draws it inside the node's transform. The
// material is not owned; one that dies is forgotten. Game thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_node.h"
#include "qzware/scene/qz_color.h"

namespace QZW {

class CQzMesh;
struct Matrix;
struct Vector3;

class CSqMesh : public CSqNode, public ISqMaterialUser {
public:
    CSqMesh();
    ~CSqMesh() override;

    // Empties the mesh's arrays; the child list (which holds the mesh) stays.
    void Clear() override;
    void OnMaterialGone(CSqMaterial* gone) override;

    // [SECTION] Script methods
    void SetMaterial(CSqMaterial* m);
    std::int32_t AppendVertex(float x, float y, float z);
    // Bytes r, g, b, a from bits 0-7, 8-15, 16-23, 24-31.
    std::int32_t AppendColor(std::uint32_t colour);
    std::int32_t AppendTexCoord(float u, float v);
    std::int32_t AppendNormal(float x, float y, float z);
    std::int32_t AppendIndex(std::uint16_t index);
    void AppendPrim(const Matrix& m, const Vector3& p0, const Vector3& p1, const Vector3& p2,
                    std::uint32_t c0, std::uint32_t c1, std::uint32_t c2);
    void AppendSprite(const Vector3& position, const Vector3& scaleBy, const Vector3& rotateBy,
                      std::int32_t width, std::int32_t height, std::int32_t srcX, std::int32_t srcY,
                      std::uint32_t colour, std::int32_t anchor);

    std::unique_ptr<CQzMesh> mesh;
    CSqMaterial* material = nullptr;
    Color colour;
};

}  // namespace QZW
