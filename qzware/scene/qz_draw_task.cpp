// Engine draw task: root alternation and the texture list (see the header).
#include "qzware/scene/qz_draw_task.h"

#include <algorithm>

#include "qzware/common/qz_mem.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_load_report.h"
#include "qzware/scene/qz_lock.h"
#include "qzware/scene/qz_material.h"
#include "qzware/win/qz_file_manager.h"

namespace QZW {
namespace {

constexpr std::uint32_t kTextureReadAlignment = 4;

// The completion a read gets when its draw task is gone: the data is only
// handed back to the engine allocator.
void DiscardTextureData(QzFileRequestResult* result) {
    if (result->request != nullptr) {
        QzMemFree(result->request->data);
    }
    result->data = nullptr;
}

}  // namespace

// [SECTION] Task

CQzDrawTask::CQzDrawTask(IQzGameManager* manager)
    : CQzTask(kTaskName),
      gameManager(manager),
      graphics(manager != nullptr ? manager->GetGraphics() : nullptr) {
    textures.reserve(64);
}

CQzDrawTask::~CQzDrawTask() {
    DropPendingLoads();
    ReleaseAllTextures();
}

void CQzDrawTask::Update() {
    if (graphics == nullptr) {
        return;
    }
    graphics->BeginFrame();
    graphics->ResetWorldMatrix();
    CQzNode::DrawTree(&roots[currentRoot], graphics);
}

void CQzDrawTask::PostUpdate() {
    if (graphics != nullptr) {
        graphics->EndFrame();
    }
    currentRoot = (currentRoot - 1u) & 1u;
    roots[currentRoot].Clear();
}

// [SECTION] Texture list

const CQzDrawTask::TextureEntry* CQzDrawTask::Find(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    for (const TextureEntry& entry : textures) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

bool CQzDrawTask::IsTextureListed(const char* name) const {
    return Find(name) != nullptr;
}

IQzTexture* CQzDrawTask::GetTexture(const char* name, bool create) {
    if (const TextureEntry* entry = Find(name)) {
        return entry->texture;
    }
    if (!create || name == nullptr) {
        return nullptr;
    }
    IQzTexture* texture = graphics != nullptr ? graphics->LoadTexture(name) : nullptr;
    textures.push_back({name, texture});
    return texture;
}

std::int32_t CQzDrawTask::LoadTextureAsync(const char* name) {
    if (name == nullptr || Find(name) != nullptr) {
        return -1;
    }
    for (const PendingLoad& load : pending) {
        if (load.name == name) {
            return std::int32_t(load.id);
        }
    }
    Win::CQzFileManager* files = gameManager != nullptr ? gameManager->GetFileManager() : nullptr;
    if (files == nullptr) {
        // Nothing to read in the background with: load now, so -1 (listed)
        // holds.
        GetTexture(name, true);
        return -1;
    }
    const std::uint32_t id = files->LoadFileAsync(name, kTextureReadAlignment, &OnTextureLoaded,
                                                  reinterpret_cast<std::uintptr_t>(this));
    pending.push_back({name, id});
    return std::int32_t(id);
}

bool CQzDrawTask::ReadFontFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    Win::CQzFileManager* files = gameManager != nullptr ? gameManager->GetFileManager() : nullptr;
    if (files == nullptr) {
        return false;
    }
    std::uint32_t size = 0;
    void* data = files->LoadFile(path, &size, 8);
    if (data == nullptr) {
        return false;
    }
    const auto* first = static_cast<const std::uint8_t*>(data);
    bytes.assign(first, first + size);
    files->FreeBuffer(data);
    return true;
}

acGraphics::SFontPage CQzDrawTask::LoadFontPage(const std::string& path) {
    acGraphics::SFontPage page;
    page.texture = GetTexture(path.c_str(), true);
    if (page.texture != nullptr) {
        // Fonts live as long as the program: the page is held for good.
        HoldTexture(page.texture);
        page.texture->SetFilter(true, true);
        page.material = std::make_shared<CQzMaterial>(1);
        page.material->SetTexture(0, page.texture);
    }
    return page;
}

void CQzDrawTask::OnTextureLoaded(QzFileRequestResult* result) {
    if (result == nullptr || result->userData == 0) {
        return;
    }
    reinterpret_cast<CQzDrawTask*>(result->userData)->CompleteTextureLoad(result);
}

void CQzDrawTask::CompleteTextureLoad(QzFileRequestResult* result) {
    const std::uint32_t id = result->request != nullptr ? result->request->id : 0;
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [&](const PendingLoad& load) {
                                     return load.id == id || load.name == result->path;
                                 }),
                  pending.end());

    if (Find(result->path.c_str()) == nullptr) {
        // A missing or unreadable file has no data: it is listed as a failure
        // without ever reaching a decoder.
        IQzTexture* texture = nullptr;
        if (result->status == 0 && result->data != nullptr && graphics != nullptr) {
            texture =
                graphics->LoadTextureFromMemory(result->path.c_str(), result->data, result->size);
        } else if (result->status != 0 || result->data == nullptr) {
            QzReportLoadFailure("texture", result->path, "the file is missing or cannot be read");
        }
        textures.push_back({result->path, texture});
    }

    if (result->request != nullptr) {
        QzMemFree(result->request->data);
    } else {
        QzMemFree(result->data);
    }
    result->data = nullptr;
}

void CQzDrawTask::DropPendingLoads() {
    Win::CQzFileManager* files = gameManager != nullptr ? gameManager->GetFileManager() : nullptr;
    if (files == nullptr || pending.empty()) {
        return;
    }
    CQzScopedLock hold(&files->lock);
    const std::uintptr_t self = reinterpret_cast<std::uintptr_t>(this);
    for (QzFileRequest& request : files->requests) {
        if (request.callback == &OnTextureLoaded && request.userData == self) {
            request.callback = &DiscardTextureData;
            request.userData = 0;
        }
    }
    pending.clear();
}

IQzTexture* CQzDrawTask::GetTextureFromRequestId(std::int32_t id) {
    Win::CQzFileManager* files = gameManager != nullptr ? gameManager->GetFileManager() : nullptr;
    if (files == nullptr || id < 0) {
        return nullptr;
    }
    std::string path;
    files->GetRequestPath(path, std::uint32_t(id));
    return GetTexture(path.c_str(), false);
}

void CQzDrawTask::ReleaseTexture(IQzTexture* texture) {
    const auto listed = [texture](const TextureEntry& e) { return e.texture == texture; };
    const bool wasListed = std::any_of(textures.begin(), textures.end(), listed);
    textures.erase(std::remove_if(textures.begin(), textures.end(), listed), textures.end());
    // Only a listed texture is ours to delete (a render target's colour
    // texture, say, is not); one still drawn with waits for its last holder.
    if (!wasListed || texture == nullptr) {
        return;
    }
    if (TextureHolders(texture) > 0) {
        retired.push_back(texture);
    } else {
        delete texture;
    }
}

void CQzDrawTask::ReleaseAllTextures() {
    for (TextureEntry& entry : textures) {
        delete entry.texture;
    }
    textures.clear();
    for (IQzTexture* texture : retired) {
        delete texture;
    }
    retired.clear();
    holders.clear();
}

// [SECTION] Texture holders

void CQzDrawTask::HoldTexture(IQzTexture* texture) {
    if (texture != nullptr) {
        ++holders[texture];
    }
}

void CQzDrawTask::DropTexture(IQzTexture* texture, bool release) {
    if (texture == nullptr) {
        return;
    }
    auto it = holders.find(texture);
    if (it != holders.end()) {
        if (--it->second > 0) {
            return;
        }
        holders.erase(it);
        auto gone = std::find(retired.begin(), retired.end(), texture);
        if (gone != retired.end()) {
            retired.erase(gone);
            delete texture;
            return;
        }
    }
    if (release) {
        ReleaseTexture(texture);
    }
}

int CQzDrawTask::TextureHolders(IQzTexture* texture) const {
    auto it = holders.find(texture);
    return it == holders.end() ? 0 : it->second;
}

}  // namespace QZW
