// QZW::CQzMesh: two vertex-stream blocks, their draws and the queries.
#include "qzware/scene/qz_mesh.h"

#include <algorithm>
#include <climits>

#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/iqz_vertex_buffer.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_sprite_geometry.h"

namespace QZW {

namespace {

// A stream goes to the renderer only when it covers every vertex; a shorter
// one would be read past its end.
template <typename T>
const T* Covering(const std::vector<T>& stream, std::size_t vertexCount) {
    return !stream.empty() && stream.size() >= vertexCount ? stream.data() : nullptr;
}

const float* Floats(const Vector3* p) {
    return reinterpret_cast<const float*>(p);
}
const float* Floats(const Vector2* p) {
    return reinterpret_cast<const float*>(p);
}
const std::uint8_t* Bytes(const Color* p) {
    return reinterpret_cast<const std::uint8_t*>(p);
}

constexpr float kNoGround = -500.0f;

}  // namespace

int QzBuildBonePalette(const std::vector<QzMeshBone>& bones, Matrix (&palette)[kQzMaxBones]) {
    for (Matrix& m : palette) {
        m.ResetMatrix();
    }
    // The skinned programs declare 16 matrices; further bones are dropped.
    const int count = int(std::min<std::size_t>(bones.size(), kQzMaxBones));
    for (int i = 0; i < count; ++i) {
        palette[i] = bones[std::size_t(i)].bind;
    }
    return count;
}

// [SECTION] Life and data

CQzMesh::CQzMesh() = default;

CQzMesh::~CQzMesh() {
    for (QzMeshBlock& block : blocks) {
        delete block.vertexBuffer;
    }
}

void CQzMesh::PreDraw(IQzGraphics*) {}

void CQzMesh::Clear() {
    for (QzMeshBlock& block : blocks) {
        block.positions.clear();
        block.colours.clear();
        block.uvs.clear();
        block.normals.clear();
        block.indices.clear();
        delete block.vertexBuffer;
        block.vertexBuffer = nullptr;
    }
}

namespace {

template <class T>
std::int32_t PushOnto(QzMeshBlock& block, std::vector<T>& stream, const T& value) {
    delete block.vertexBuffer;
    block.vertexBuffer = nullptr;
    stream.push_back(value);
    return std::int32_t(stream.size());
}

}  // namespace

std::int32_t CQzMesh::AppendPosition(const Vector3& p) {
    return PushOnto(blocks[0], blocks[0].positions, p);
}
std::int32_t CQzMesh::AppendColour(Color c) {
    return PushOnto(blocks[0], blocks[0].colours, c);
}
std::int32_t CQzMesh::AppendUV(const Vector2& uv) {
    return PushOnto(blocks[0], blocks[0].uvs, uv);
}
std::int32_t CQzMesh::AppendNormal(const Vector3& n) {
    return PushOnto(blocks[0], blocks[0].normals, n);
}
std::int32_t CQzMesh::AppendIndex(std::uint16_t index) {
    return PushOnto(blocks[0], blocks[0].indices, index);
}

void CQzMesh::SetMaterial(CQzMaterial* material) {
    this->material = material;
    materialName = material != nullptr ? material->GetName() : std::string();
}

void CQzMesh::SetVertexData(std::uint32_t vertexCount, std::uint32_t indexCount,
                            const Vector3* positions, const Color* colours, const Vector2* uvs,
                            const Vector3* normals, const std::uint16_t* indices) {
    Clear();
    QzMeshBlock& b = blocks[0];
    if (positions != nullptr) {
        b.positions.assign(positions, positions + vertexCount);
    }
    if (colours != nullptr) {
        b.colours.assign(colours, colours + vertexCount);
    }
    if (uvs != nullptr) {
        b.uvs.assign(uvs, uvs + vertexCount);
    }
    if (normals != nullptr) {
        b.normals.assign(normals, normals + vertexCount);
    }
    if (indices != nullptr) {
        b.indices.assign(indices, indices + indexCount);
    }
    CalcBoundBox();
}

IQzVertexBuffer* CQzMesh::CreateVertexBuffer(IQzGraphics* g) {
    QzMeshBlock& b = blocks[0];
    delete b.vertexBuffer;
    b.vertexBuffer = nullptr;
    const std::size_t n = b.positions.size();
    if (n == 0 || n > std::size_t(INT_MAX)) {
        return nullptr;
    }
    b.vertexBuffer =
        g->CreateVertexBuffer(int(n), Floats(b.positions.data()), Bytes(Covering(b.colours, n)),
                              Floats(Covering(b.uvs, n)), Floats(Covering(b.normals, n)));
    return b.vertexBuffer;
}

void CQzMesh::AddBone(const Matrix& bind, const std::string& name) {
    bones.push_back(QzMeshBone{name, bind});
}

void CQzMesh::AddSkinWeights(std::uint32_t vertexCount, const std::uint16_t* boneIndices,
                             const float* weights, const std::string& name) {
    QzMeshSkin skin;
    skin.name = name;
    const std::size_t n = std::size_t(vertexCount) * 4;
    if (boneIndices != nullptr) {
        skin.boneIndices.assign(boneIndices, boneIndices + n);
    }
    if (weights != nullptr) {
        skin.weights.assign(weights, weights + n);
    }
    skins.push_back(std::move(skin));
}

// [SECTION] Appends

void CQzMesh::AppendSprite(float x, float y, float z, float scaleX, float scaleY, float scaleZ,
                           float rotX, float rotY, float rotZ, float width, float height,
                           float srcX, float srcY, std::uint32_t colour, std::int32_t anchor) {
    Matrix m;
    m.TransrateMatrix(x, y, z);
    m.ScaleMatrix(scaleX, scaleY, scaleZ);
    m.RotateMatrixX(rotX);
    m.RotateMatrixY(rotY);
    m.RotateMatrixZ(rotZ);
    const Vector2 offset = QzMeshAnchorOffset(anchor, width, height);
    AppendSpriteQuad(m, width, height, srcX, srcY, colour, offset.x, offset.y);
}

void CQzMesh::AppendSpriteQuad(const Matrix& transform, float width, float height, float srcX,
                               float srcY, std::uint32_t colour, float offsetX, float offsetY) {
    IQzTexture* texture = material != nullptr ? material->GetTexture(0) : nullptr;
    if (texture == nullptr) {
        return;
    }
    const QzUvRect uv = QzCalcUvRect(srcX, srcY, width, height, texture);
    const Vector3 corners[4] = {
        Vector3(offsetX, offsetY, 0.0f),
        Vector3(offsetX + width, offsetY, 0.0f),
        Vector3(offsetX + width, offsetY + height, 0.0f),
        Vector3(offsetX, offsetY + height, 0.0f),
    };
    const Vector2 cornerUvs[4] = {
        Vector2(uv.uLeft, uv.vTop),
        Vector2(uv.uRight, uv.vTop),
        Vector2(uv.uRight, uv.vBottom),
        Vector2(uv.uLeft, uv.vBottom),
    };
    QzMeshBlock& b = blocks[1];
    const Color c = Color::FromU32(colour);
    for (int i = 0; i < 4; ++i) {
        b.positions.push_back(corners[i].Transform(transform));
        b.uvs.push_back(cornerUvs[i]);
        b.colours.push_back(c);
    }
}

void CQzMesh::AppendPrim(const Matrix& transform, const Vector3 (&points)[3],
                         const Color (&colours)[3]) {
    QzMeshBlock& b = blocks[0];
    for (int i = 0; i < 3; ++i) {
        b.positions.push_back(points[i].Transform(transform));
        b.colours.push_back(colours[i]);
    }
}

void CQzMesh::AppendGlyph(const Vector3 (&positions)[4], const Color (&colours)[4],
                          const Vector2 (&uvs)[4]) {
    QzMeshBlock& b = blocks[1];
    b.positions.insert(b.positions.end(), positions, positions + 4);
    b.colours.insert(b.colours.end(), colours, colours + 4);
    b.uvs.insert(b.uvs.end(), uvs, uvs + 4);
}

// [SECTION] Drawing

void CQzMesh::Draw(IQzGraphics* g) {
    g->Translate(0.0f, 0.0f, 0.0f);
    g->Scale(1.0f, 1.0f, 1.0f);
    CQzMatrixNode::Draw(g);
    // One material state for both blocks: text meshes fill block 1 only.
    const bool any = !blocks[0].positions.empty() || !blocks[1].positions.empty();
    if (any && material != nullptr) {
        material->Apply(g);
    }
    DrawBlock0(g);
    DrawBlock1(g);
}

void CQzMesh::PostDraw(IQzGraphics* g) {
    CQzMatrixNode::PostDraw(g);
}

void CQzMesh::DrawBlock0(IQzGraphics* g) {
    const QzMeshBlock& b = blocks[0];
    const std::size_t n = b.positions.size();
    if (n == 0 || n > std::size_t(INT_MAX) || b.indices.size() > std::size_t(INT_MAX)) {
        return;
    }
    const int vertexCount = int(n);
    const int indexCount = int(b.indices.size());
    const std::uint16_t* indices = indexCount > 0 ? b.indices.data() : nullptr;
    if (indices != nullptr && !QzIndicesInRange(indices, b.indices.size(), n)) {
        return;
    }
    const float* positions = Floats(b.positions.data());
    const std::uint8_t* colours = Bytes(Covering(b.colours, n));
    const float* uvs = Floats(Covering(b.uvs, n));
    const float* normals = Floats(Covering(b.normals, n));

    // A skin record that does not cover every vertex is not used.
    const QzMeshSkin* skin = skins.empty() ? nullptr : &skins.front();
    if (skin != nullptr && skin->boneIndices.size() >= n * 4 && skin->weights.size() >= n * 4) {
        const int boneCount = QzBuildBonePalette(bones, palette);
        g->SetBoneMatrices(palette, boneCount);
        if (indices != nullptr) {
            g->DrawIndexedSkinned(QZ_PRIM_TRIANGLES, vertexCount, indexCount, positions, colours,
                                  uvs, normals, indices, skin->boneIndices.data(),
                                  skin->weights.data());
        } else {
            g->DrawSkinned(QZ_PRIM_TRIANGLES, vertexCount, positions, colours, uvs, normals,
                           skin->boneIndices.data(), skin->weights.data());
        }
        return;
    }
    if (b.vertexBuffer != nullptr) {
        const int bufferCount = b.vertexBuffer->GetVertexCount();
        if (indices != nullptr) {
            if (QzIndicesInRange(indices, b.indices.size(),
                                 std::size_t(std::max(bufferCount, 0)))) {
                g->DrawRangeElementsVB(QZ_PRIM_TRIANGLES, bufferCount, indexCount, b.vertexBuffer,
                                       indices);
            }
        } else {
            g->DrawArraysVBFromStart(QZ_PRIM_TRIANGLES, bufferCount, b.vertexBuffer);
        }
        return;
    }
    if (indices != nullptr) {
        g->DrawIndexed(QZ_PRIM_TRIANGLES, vertexCount, indexCount, positions, colours, uvs, normals,
                       indices);
    } else {
        g->DrawArrays(QZ_PRIM_TRIANGLES, vertexCount, positions, colours, uvs, normals);
    }
}

void CQzMesh::DrawBlock1(IQzGraphics* g) {
    const QzMeshBlock& b = blocks[1];
    const std::size_t n = b.positions.size();
    if (n == 0 || n > std::size_t(INT_MAX)) {
        return;
    }
    g->DrawArrays(QZ_PRIM_QUADS, int(n), Floats(b.positions.data()), Bytes(Covering(b.colours, n)),
                  Floats(Covering(b.uvs, n)), Floats(Covering(b.normals, n)));
}

// [SECTION] Queries

QzTriangleSet CQzMesh::Triangles() const {
    QzTriangleSet set;
    set.positions = blocks[0].positions.data();
    set.positionCount = blocks[0].positions.size();
    set.indices = blocks[0].indices.empty() ? nullptr : blocks[0].indices.data();
    set.indexCount = blocks[0].indices.size();
    set.matrix = matrix;
    return set;
}

bool CQzMesh::InBound(QzAxis axis, float p) const {
    return QzInBoundAxis(QzBoundBox{boundCentre, boundSize}, axis, p);
}

void CQzMesh::CalcBoundBox(Vector3& centre, Vector3& size) {
    const QzBoundBox box = QzCalcBoundBox(Triangles());
    boundCentre = box.centre;
    boundSize = box.size;
    centre = boundCentre;
    size = boundSize;
}

void CQzMesh::CalcBoundBox() {
    Vector3 centre;
    Vector3 size;
    CalcBoundBox(centre, size);
}

bool CQzMesh::IsInBoundXZ(float x, float, float z) const {
    if (!InBound(QZ_AXIS_X, x) || !InBound(QZ_AXIS_Z, z)) {
        return false;
    }
    return QzFindTriangle(Triangles(), QZ_AXIS_X, QZ_AXIS_Z, x, z, QzFlatTriangles::Skip).hit;
}

float CQzMesh::GetGroundHight(float x, float, float z) const {
    if (!InBound(QZ_AXIS_X, x) || !InBound(QZ_AXIS_Z, z)) {
        return kNoGround;
    }
    const QzTriangleHit hit =
        QzFindTriangle(Triangles(), QZ_AXIS_X, QZ_AXIS_Z, x, z, QzFlatTriangles::Skip);
    return hit.hit ? hit.value : kNoGround;
}

void CQzMesh::GetGroundInfo(QzHitMeshInfo& out, float x, float y, float z) const {
    out = QzHitMeshInfo{};
    if (!InBound(QZ_AXIS_X, x) || !InBound(QZ_AXIS_Z, z)) {
        return;
    }
    out.InBound = InBound(QZ_AXIS_Y, y);
    const QzTriangleHit hit =
        QzFindTriangle(Triangles(), QZ_AXIS_X, QZ_AXIS_Z, x, z, QzFlatTriangles::SkipBackFace);
    if (hit.hit) {
        out.IsHit = true;
        out.GroundHight = hit.value;
        out.MaterialName = material != nullptr ? materialName : std::string();
    }
}

void CQzMesh::GetGroundInfoXY(QzHitMeshInfo& out, float x, float y, float z) const {
    out = QzHitMeshInfo{};
    if (!InBound(QZ_AXIS_X, x) || !InBound(QZ_AXIS_Y, y)) {
        return;
    }
    out.InBound = InBound(QZ_AXIS_Z, z);
    const QzTriangleHit hit =
        QzFindTriangle(Triangles(), QZ_AXIS_X, QZ_AXIS_Y, x, y, QzFlatTriangles::Skip);
    if (hit.hit) {
        out.IsHit = true;
        out.GroundHight = hit.value;
        out.MaterialName = material != nullptr ? materialName : std::string();
    }
}

}  // namespace QZW
