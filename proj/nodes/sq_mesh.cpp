// Script mesh node (see the header).
#include "proj/nodes/sq_mesh.h"

#include <algorithm>

#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

CSqMesh::CSqMesh() : mesh(std::make_unique<CQzMesh>()) {
    AppendChildBounded(mesh.get());
}

CSqMesh::~CSqMesh() {
    children.erase(std::remove(children.begin(), children.end(), mesh.get()), children.end());
    if (material) {
        material->RemoveUser(this);
    }
}

void CSqMesh::Clear() {
    mesh->Clear();
}

void CSqMesh::OnMaterialGone(CSqMaterial* gone) {
    if (material == gone) {
        material = nullptr;
        mesh->SetMaterial(nullptr);
    }
}

void CSqMesh::SetMaterial(CSqMaterial* m) {
    if (material) {
        material->RemoveUser(this);
    }
    material = m;
    mesh->SetMaterial(m);
    if (m) {
        m->AddUser(this);
    }
}

std::int32_t CSqMesh::AppendVertex(float x, float y, float z) {
    return mesh->AppendPosition(Vector3(x, y, z));
}

std::int32_t CSqMesh::AppendColor(std::uint32_t value) {
    return mesh->AppendColour(Color::FromU32(value));
}

std::int32_t CSqMesh::AppendTexCoord(float u, float v) {
    return mesh->AppendUV(Vector2(u, v));
}

std::int32_t CSqMesh::AppendNormal(float x, float y, float z) {
    return mesh->AppendNormal(Vector3(x, y, z));
}

std::int32_t CSqMesh::AppendIndex(std::uint16_t index) {
    return mesh->AppendIndex(index);
}

void CSqMesh::AppendPrim(const Matrix& m, const Vector3& p0, const Vector3& p1, const Vector3& p2,
                         std::uint32_t c0, std::uint32_t c1, std::uint32_t c2) {
    const Vector3 points[3] = {p0, p1, p2};
    const Color colours[3] = {Color::FromU32(c0), Color::FromU32(c1), Color::FromU32(c2)};
    mesh->AppendPrim(m, points, colours);
}

void CSqMesh::AppendSprite(const Vector3& position, const Vector3& scaleBy, const Vector3& rotateBy,
                           std::int32_t width, std::int32_t height, std::int32_t srcX,
                           std::int32_t srcY, std::uint32_t colour, std::int32_t anchor) {
    mesh->AppendSprite(position.x, position.y, position.z, scaleBy.x, scaleBy.y, scaleBy.z,
                       rotateBy.x, rotateBy.y, rotateBy.z, float(width), float(height), float(srcX),
                       float(srcY), colour, anchor);
}

}  // namespace QZW
