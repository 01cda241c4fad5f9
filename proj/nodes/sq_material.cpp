// Script material, texture holder counts and the material-info table (see
// the header).
#include "proj/nodes/sq_material.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "proj/game/game_draw_task.h"
#include "qzware/scene/iqz_frame_buffer.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/win/qz_file_manager.h"

namespace QZW {
namespace {

constexpr int kSlots = CQzMaterial::kTextureUnits;

bool IsSlot(std::int32_t slot) {
    return slot >= 0 && slot < kSlots;
}

// Ordered by plain byte comparison, as std::string compares.
std::unique_ptr<std::map<std::string, SqMaterialInfo>>& InfoTable() {
    static std::unique_ptr<std::map<std::string, SqMaterialInfo>> table;
    return table;
}

Win::CQzFileManager* SqFileManager() {
    IQzGameManager* manager = SqGameManager();
    return manager ? manager->GetFileManager() : nullptr;
}

}  // namespace

// [SECTION] Services and holder counts

IQzGameManager* SqGameManager() {
    Sample::CGameDrawTask* draw = Sample::GetGameDrawTask();
    return draw ? draw->gameManager : nullptr;
}

CQzDrawTask* SqEngineDrawTask() {
    IQzGameManager* manager = SqGameManager();
    return manager ? manager->GetDrawTask() : nullptr;
}

void SqHoldTexture(IQzTexture* texture) {
    if (CQzDrawTask* engine = SqEngineDrawTask()) {
        engine->HoldTexture(texture);
    }
}

void SqDropTexture(IQzTexture* texture, bool release) {
    if (CQzDrawTask* engine = SqEngineDrawTask()) {
        engine->DropTexture(texture, release);
    }
}

int SqTextureHolders(IQzTexture* texture) {
    CQzDrawTask* engine = SqEngineDrawTask();
    return engine ? engine->TextureHolders(texture) : 0;
}

// [SECTION] Material-info table

void SetSqMaterialInfo(const std::string& name, const SqMaterialInfo& info) {
    auto& table = InfoTable();
    if (!table) {
        table = std::make_unique<std::map<std::string, SqMaterialInfo>>();
    }
    table->emplace(name, info);
}

const SqMaterialInfo* FindSqMaterialInfo(const std::string& name) {
    const auto& table = InfoTable();
    if (!table) {
        return nullptr;
    }
    auto it = table->find(name);
    return it == table->end() ? nullptr : &it->second;
}

void FreeSqMaterialInfo() {
    InfoTable().reset();
}

// [SECTION] Material

CSqMaterial::CSqMaterial(const CSqMaterial& other) : CQzMaterial(other) {
    deleteRelease = other.deleteRelease;
    for (IQzTexture* t : textures) {
        SqHoldTexture(t);
    }
}

CSqMaterial::~CSqMaterial() {
    // Each user takes itself off the list while it is told.
    while (!users.empty()) {
        ISqMaterialUser* user = users.back();
        users.pop_back();
        user->OnMaterialGone(this);
    }
    if (deleteRelease) {
        ReleaseTexture();
    }
    for (IQzTexture*& t : textures) {
        SqDropTexture(t);
        t = nullptr;
    }
}

void CSqMaterial::RemoveUser(ISqMaterialUser* user) {
    auto it = std::find(users.begin(), users.end(), user);
    if (it != users.end()) {
        users.erase(it);
    }
}

void CSqMaterial::PutTexture(std::int32_t slot, IQzTexture* texture) {
    if (!IsSlot(slot)) {
        return;
    }
    SqHoldTexture(texture);
    SqDropTexture(textures[slot]);
    textures[slot] = texture;
}

void CSqMaterial::SetTexture(std::int32_t slot, const std::string& textureName, bool async) {
    if (!IsSlot(slot)) {
        return;
    }
    pendingRequest[slot] = -1;
    pendingName[slot].clear();
    if (textureName.compare(0, 5, "frame") == 0) {
        IQzGameManager* manager = SqGameManager();
        IQzGraphics* g = manager ? manager->GetGraphics() : nullptr;
        int n = 0;
        std::sscanf(textureName.c_str(), "frame%d", &n);
        IQzTexture* colour = nullptr;
        if (g) {
            g->Flush();
            IQzFrameBuffer* fb =
                n >= 0 && n < kQzRenderTargetCount ? g->GetFrameBuffer(n) : nullptr;
            colour = fb ? fb->GetTexture() : nullptr;
        }
        PutTexture(slot, colour);
        return;
    }
    CQzDrawTask* engine = SqEngineDrawTask();
    if (!engine) {
        PutTexture(slot, nullptr);
        return;
    }
    if (!async) {
        PutTexture(slot, engine->GetTexture(textureName.c_str(), true));
        return;
    }
    if (IQzTexture* t = engine->GetTexture(textureName.c_str(), false)) {
        PutTexture(slot, t);
        return;
    }
    PutTexture(slot, nullptr);
    const std::int32_t id = engine->LoadTextureAsync(textureName.c_str());
    if (id < 0) {
        // Listed already (a failure) or loaded at once without a file manager.
        PutTexture(slot, engine->GetTexture(textureName.c_str(), false));
        return;
    }
    pendingRequest[slot] = id;
    pendingName[slot] = textureName;
}

bool CSqMaterial::IsReady() {
    CQzDrawTask* engine = SqEngineDrawTask();
    Win::CQzFileManager* files = SqFileManager();
    bool ready = true;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (pendingRequest[slot] < 0) {
            continue;
        }
        if (!engine) {
            // No texture list to wait on any more.
            pendingRequest[slot] = -1;
            continue;
        }
        const char* wanted = pendingName[slot].c_str();
        const auto id = std::uint32_t(pendingRequest[slot]);
        if (!engine->IsTextureListed(wanted) && files && !files->IsRequestFinished(id)) {
            std::string path;
            files->GetRequestPath(path, id);
            if (path == pendingName[slot]) {
                ready = false;
                continue;
            }
            // The request was cleared (its id may even name another read now)
            // before its texture was listed: ask again by name.
            const std::int32_t again = engine->LoadTextureAsync(wanted);
            if (again >= 0) {
                pendingRequest[slot] = again;
                ready = false;
                continue;
            }
        }
        PutTexture(slot, engine->GetTexture(wanted, false));
        pendingRequest[slot] = -1;
        pendingName[slot].clear();
    }
    return ready;
}

void CSqMaterial::ReleaseTexture() {
    if (!SqEngineDrawTask()) {
        return;
    }
    for (IQzTexture*& t : textures) {
        // A texture other holders still draw with stays listed for them.
        SqDropTexture(t, true);
        t = nullptr;
    }
}

void CSqMaterial::SetTexOffset(float u, float v) {
    texOffset[0] = u;
    texOffset[1] = v;
}

void CSqMaterial::SetTex1Offset(float u, float v) {
    tex1Offset[0] = u;
    tex1Offset[1] = v;
}

void CSqMaterial::SetTextureWrapMode(std::int32_t slot, std::int32_t mode) {
    if (IsSlot(slot) && textures[slot]) {
        textures[slot]->SetWrap(mode != 0);
    }
}

void CSqMaterial::SetTextureFilter(std::int32_t slot, std::int32_t a, std::int32_t b) {
    if (IsSlot(slot) && textures[slot]) {
        textures[slot]->SetFilter(a != 0, b != 0);
    }
}

void CSqMaterial::SetGaussianDir(float x, float y) {
    gaussianDir[0] = x;
    gaussianDir[1] = y;
}

void CSqMaterial::SetYuragiParam(float a, float b, float c) {
    yuragiParam[0] = a;
    yuragiParam[1] = b;
    yuragiParam[2] = c;
}

void CSqMaterial::SetTextureSize(float w, float h) {
    texSize[0] = w;
    texSize[1] = h;
}

void SqLetGoMaterial(CSqMaterial* material) {
    if (material == nullptr || --material->shares > 0) {
        return;
    }
    if (Sample::CGameDrawTask* draw = Sample::GetGameDrawTask()) {
        draw->ReleaseAfterDraw(material);
    } else {
        delete material;
    }
}

CSqMaterial* CreateSqMaterial(const std::string& materialName, bool async) {
    const SqMaterialInfo* info = FindSqMaterialInfo(materialName);
    if (!info) {
        return nullptr;
    }
    auto* m = new CSqMaterial();
    m->shaderType = info->shaderType;
    m->blendMode = info->blendmode;
    m->depthTest = info->depthtest ? 1 : 0;
    m->depthWrite = info->depthmask ? 1 : 0;
    m->alphaBlend = info->alphablend ? 1 : 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!info->tex[slot].empty()) {
            m->SetTexture(slot, info->tex[slot], async);
        }
    }
    m->name = materialName;
    m->alphaPriority = info->alphaPriority;
    m->frameBufferId = info->frameBufferId;
    m->SetYuragiParam(0.0f, 0.0f, 16.0f);
    m->SetTextureSize(info->texwidth, info->texheight);
    for (IQzTexture* t : m->textures) {
        if (t) {
            t->SetFilter(info->texfilter != 0, info->texfilter != 0);
            t->SetWrap(info->texwrapmode != 0);
        }
    }
    return m;
}

}  // namespace QZW
