// QZW::CQzMesh: the engine's geometry node. Block 0 holds indexed (or plain)
// triangles, optionally skinned with up to 16 bones; block 1 holds quads
// (sprites, billboards, glyphs) drawn after block 0 under the same material
// state. Answers ground and hit queries against block 0's triangles placed
// by the node matrix. Streams shorter than the vertex count and indices past
// it are never handed to the renderer. Material not owned; game thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_mesh_query.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

class IQzGraphics;
class IQzVertexBuffer;
class CQzMaterial;

struct QzHitMeshInfo {
    bool IsHit = false;
    bool InBound = false;
    float GroundHight = 0.0f;
    std::string MaterialName;
};

struct QzMeshBlock {
    std::vector<Vector3> positions;
    std::vector<Color> colours;
    std::vector<Vector2> uvs;
    std::vector<Vector3> normals;
    std::vector<std::uint16_t> indices;
    IQzVertexBuffer* vertexBuffer = nullptr;
};

struct QzMeshBone {
    std::string name;
    Matrix bind;
};

struct QzMeshSkin {
    std::string name;
    std::vector<std::uint16_t> boneIndices;  // 4 per vertex
    std::vector<float> weights;              // 4 per vertex
};

constexpr int kQzMaxBones = 16;

// The palette the skinned draws upload: identity, then the first 16 bind
// matrices; returns how many entries carry a bone.
int QzBuildBonePalette(const std::vector<QzMeshBone>& bones, Matrix (&palette)[kQzMaxBones]);

class CQzMesh : public CQzMatrixNode {
public:
    CQzMesh();
    CQzMesh(const CQzMesh&) = delete;
    CQzMesh& operator=(const CQzMesh&) = delete;
    ~CQzMesh() override;

    void Draw(IQzGraphics* g) override;
    void PreDraw(IQzGraphics* g) override;
    void PostDraw(IQzGraphics* g) override;
    // Empties both blocks and releases their vertex buffers (a buffer made
    // from the old data would be drawn in place of the new); bones and skins
    // stay.
    void Clear() override;

    // Null is allowed: no material, empty name.
    void SetMaterial(CQzMaterial* material);
    CQzMaterial* GetMaterial() const { return material; }
    const std::string& GetMaterialName() const { return materialName; }

    // Replaces block 0 with the given streams (null ones skipped) and
    // recomputes the bound box.
    void SetVertexData(std::uint32_t vertexCount, std::uint32_t indexCount,
                       const Vector3* positions, const Color* colours, const Vector2* uvs,
                       const Vector3* normals, const std::uint16_t* indices);
    IQzVertexBuffer* CreateVertexBuffer(IQzGraphics* g);

    // [SECTION] Appends
    void AppendSprite(float x, float y, float z, float scaleX, float scaleY, float scaleZ,
                      float rotX, float rotY, float rotZ, float width, float height, float srcX,
                      float srcY, std::uint32_t colour, std::int32_t anchor);
    // Needs the material's unit-0 texture; without one nothing is appended.
    void AppendSpriteQuad(const Matrix& transform, float width, float height, float srcX,
                          float srcY, std::uint32_t colour, float offsetX, float offsetY);
    void AppendPrim(const Matrix& transform, const Vector3 (&points)[3], const Color (&colours)[3]);
    void AppendGlyph(const Vector3 (&positions)[4], const Color (&colours)[4],
                     const Vector2 (&uvs)[4]);
    // One value onto a block-0 stream; each answers that stream's new
    // length. A vertex buffer made from the old data is released.
    std::int32_t AppendPosition(const Vector3& p);
    std::int32_t AppendColour(Color c);
    std::int32_t AppendUV(const Vector2& uv);
    std::int32_t AppendNormal(const Vector3& n);
    std::int32_t AppendIndex(std::uint16_t index);
    void AddBone(const Matrix& bind, const std::string& name);
    void AddSkinWeights(std::uint32_t vertexCount, const std::uint16_t* boneIndices,
                        const float* weights, const std::string& name);

    // [SECTION] Queries
    bool IsInBoundXZ(float x, float y, float z) const;
    // -500 when the point is off the mesh.
    float GetGroundHight(float x, float y, float z) const;
    void GetGroundInfo(QzHitMeshInfo& out, float x, float y, float z) const;
    void GetGroundInfoXY(QzHitMeshInfo& out, float x, float y, float z) const;
    void CalcBoundBox(Vector3& centre, Vector3& size);
    void CalcBoundBox();
    const Vector3& GetBoundCentre() const { return boundCentre; }
    const Vector3& GetBoundSize() const { return boundSize; }

    const QzMeshBlock& GetBlock(int index) const { return blocks[index & 1]; }
    const std::vector<QzMeshBone>& GetBones() const { return bones; }
    const std::vector<QzMeshSkin>& GetSkins() const { return skins; }

private:
    void DrawBlock0(IQzGraphics* g);
    void DrawBlock1(IQzGraphics* g);
    QzTriangleSet Triangles() const;
    bool InBound(QzAxis axis, float p) const;

    QzMeshBlock blocks[2];
    CQzMaterial* material = nullptr;
    std::string materialName;
    std::vector<QzMeshBone> bones;
    std::vector<QzMeshSkin> skins;
    Vector3 boundCentre;
    Vector3 boundSize;
    Matrix palette[kQzMaxBones];
};

}  // namespace QZW
