// The screen's per-material batch nodes: a mesh or a line list per material,
// created on first use in a frame and deleted with the screen's batch tables.
#include "qzware/scene/qz_screen.h"

#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_primitive.h"

namespace QZW {

namespace {

CQzNode* NewBatchMesh(CQzMaterial* material) {
    CQzMesh* mesh = new CQzMesh();
    mesh->SetMaterial(material);
    return mesh;
}

CQzNode* NewLineList(CQzMaterial* material) {
    CQzPrimLineList* lines = new CQzPrimLineList();
    lines->SetMaterial(material);
    return lines;
}

}  // namespace

CQzMesh* CQzScreen::GetBatchMesh(CQzMaterial* material) {
    return static_cast<CQzMesh*>(FindOrCreateBatchNode(batchMeshes, material, NewBatchMesh));
}

CQzPrimLineList* CQzScreen::GetLineList(CQzMaterial* material) {
    return static_cast<CQzPrimLineList*>(FindOrCreateBatchNode(lineLists, material, NewLineList));
}

}  // namespace QZW
