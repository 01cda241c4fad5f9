#include "qzware/scene/resource_manager.h"

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/win/qz_game_manager.h"

namespace QZW {

CResourceManager* CResourceManager::GetInstance() {
    static CResourceManager instance;
    return &instance;
}

CResourceManager::~CResourceManager() {
    ReleaseAll();
}

void CResourceManager::SetServices(IQzGraphics* graphics, acGraphics::IFontOwner* fontOwner) {
    graphicsOverride = graphics;
    fontOwnerOverride = fontOwner;
}

IQzGraphics* CResourceManager::Graphics() const {
    return graphicsOverride ? graphicsOverride : Win::GetGameManager().GetGraphics();
}

acGraphics::IFontOwner* CResourceManager::FontOwner() const {
    return fontOwnerOverride ? fontOwnerOverride : Win::GetGameManager().GetDrawTask();
}

CQzMesh* CResourceManager::GetMesh(const QzModelPartGeometry* part) {
    if (part == nullptr) {
        return nullptr;
    }
    CQzMesh*& slot = meshes[reinterpret_cast<std::uintptr_t>(part)];
    if (slot == nullptr) {
        slot = new CQzMesh();
        slot->SetVertexData(part->vertexCount, part->indexCount, part->positions, part->colours,
                            part->uvs, part->normals, part->indices);
        if (IQzGraphics* g = Graphics()) {
            slot->CreateVertexBuffer(g);
        }
    }
    return slot;
}

acGraphics::CBitmapFont* CResourceManager::GetFont(const std::string& fileName) {
    acGraphics::CBitmapFont*& slot = fonts[fileName];
    if (slot == nullptr) {
        slot = new acGraphics::CBitmapFont();
        slot->Init(FontOwner(), fileName);
    }
    return slot;
}

void CResourceManager::ReleaseAll() {
    for (auto& [address, mesh] : meshes) {
        delete mesh;
    }
    for (auto& [name, font] : fonts) {
        delete font;
    }
    meshes.clear();
    fonts.clear();
}

}  // namespace QZW
