// The engine draw task: draws the scene root filled during the previous tick
// between the renderer's BeginFrame and EndFrame, then switches to the other
// of its two roots and empties it for the next tick. It also owns the
// engine's texture list (synchronous and asynchronous loads through the file
// manager). Game thread only; only the file read runs on the loader thread.
// Differs from a bare list: a failed name is remembered (not re-read every
// time it is asked for) until ReleaseTexture(nullptr) forgets failures, and
// a texture someone holds outlives its release until the last hold ends.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_task.h"

struct QzFileRequestResult;

namespace QZW {

class IQzGameManager;
class IQzGraphics;
class IQzTexture;

class CQzDrawTask : public CQzTask, public acGraphics::IFontOwner {
public:
    static constexpr const char* kTaskName = "CQzDrawTask";

    explicit CQzDrawTask(IQzGameManager* manager);
    // Releases every texture; reads still in flight drop their data unseen.
    ~CQzDrawTask() override;

    // BeginFrame, ResetWorldMatrix, the current root's draw traversal.
    void Update() override;
    // EndFrame (composition into the window), then the other root becomes
    // current and is emptied (its nodes are not destroyed).
    void PostUpdate() override;

    // [SECTION] Scene roots
    // The root the game fills now and draws next tick.
    CQzMatrixNode* GetCurrentRoot() { return &roots[currentRoot]; }
    CQzMatrixNode* GetRoot(std::uint32_t index) { return &roots[index & 1u]; }
    std::uint32_t GetCurrentRootIndex() const { return currentRoot; }

    // [SECTION] Texture list
    // The listed texture of that exact name; when none is listed and `create`
    // is set, it is loaded and listed (also when the load fails, so a
    // missing file is read once). Null for a listed failure.
    IQzTexture* GetTexture(const char* name, bool create);
    // -1 when the name is listed already (GetTexture(name, false) answers);
    // else the id of the file request, the same id for a read in flight.
    std::int32_t LoadTextureAsync(const char* name);
    IQzTexture* GetTextureFromRequestId(std::int32_t id);
    // Removes the texture's entries; a listed texture is deleted now, or when
    // its last holder lets go. Null removes the failed entries, so those
    // names load again.
    void ReleaseTexture(IQzTexture* texture);
    // Deletes every texture, held or not, and forgets every hold.
    void ReleaseAllTextures();

    // [SECTION] Texture holders
    // Whoever draws with a texture (script materials and sprites, font pages,
    // the game's own fonts) holds it, so that no release frees it under them.
    void HoldTexture(IQzTexture* texture);
    // Ends one hold. With `release`, a texture no one holds any more is also
    // released from the list (ReleaseTexture). A texture released while held
    // is deleted with its last hold. Unheld textures: release or nothing.
    void DropTexture(IQzTexture* texture, bool release);
    int TextureHolders(IQzTexture* texture) const;
    // Released but still held (alive, no longer listed).
    std::size_t GetRetiredTextureCount() const { return retired.size(); }
    std::size_t GetTextureCount() const { return textures.size(); }
    bool IsTextureListed(const char* name) const;

    // [SECTION] Bitmap font owner
    // The font file through the file manager; its pages through the texture
    // list, filtered linear, each with a material of program 1.
    bool ReadFontFile(const std::string& path, std::vector<std::uint8_t>& bytes) override;
    acGraphics::SFontPage LoadFontPage(const std::string& path) override;

    // The file manager's completion for LoadTextureAsync.
    static void OnTextureLoaded(QzFileRequestResult* result);

    IQzGameManager* gameManager;
    IQzGraphics* graphics;

private:
    struct TextureEntry {
        std::string name;
        IQzTexture* texture = nullptr;
    };
    struct PendingLoad {
        std::string name;
        std::uint32_t id = 0;
    };

    const TextureEntry* Find(const char* name) const;
    void CompleteTextureLoad(QzFileRequestResult* result);
    void DropPendingLoads();

    std::vector<TextureEntry> textures;
    std::unordered_map<IQzTexture*, int> holders;
    std::vector<IQzTexture*> retired;
    std::vector<PendingLoad> pending;
    CQzMatrixNode roots[2];
    std::uint32_t currentRoot = 0;
};

}  // namespace QZW
