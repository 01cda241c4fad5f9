// Sample::CGameDrawTask: the game's 23 draw layers (one screen each) and the
// full-window overlay, queued every frame into the engine draw task; cameras
// per layer, debug text and damage numbers in 8x8 fixed fonts, sprite,
// billboard, primitive and line appends, and the frame composition command.
// Game thread only. Layer indices outside 0..22 are ignored.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "proj/game/base_task.h"
#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {
class CQzCommandNode;
class CQzFixedFont;
class CQzMaterial;
class CQzNode;
class CQzScreen;
class CQzSpriteList;
class IQzGraphics;
class IQzTexture;
}  // namespace QZW

namespace Sample {

class CGameDrawTask : public CBaseTask {
public:
    static constexpr int kLayerCount = 23;
    // Layers with a fixed job: the main 3D field, the damage numbers, the
    // debug text (drawn into render target 12) and the composition.
    static constexpr int kFieldLayer = 6;
    static constexpr int kDamageLayer = 9;
    static constexpr int kDebugLayer = 21;
    static constexpr int kComposeLayer = 22;

    CGameDrawTask(QZW::IQzGameManager* gameManager, IGameControl* gameControl);
    ~CGameDrawTask() override;
    CGameDrawTask(const CGameDrawTask&) = delete;
    CGameDrawTask& operator=(const CGameDrawTask&) = delete;

    // Empties the layers (and frees the script nodes released since the
    // last frame was drawn), then queues layers 0..22 with the target-3
    // command before layer 4, and the overlay screen.
    void Update() override;

    // [SECTION] Cameras
    void SetCamera(int layer, const QZW::Vector3& eye, const QZW::Vector3& target,
                   const QZW::Vector3& up);
    // Angles in degrees; the basis keeps no translation.
    void SetCameraRot(int layer, const QZW::Vector3& eye, const QZW::Vector3& angles);
    void SetCameraVectors(const QZW::Vector3& eye, const QZW::Vector3& target,
                          const QZW::Vector3& up);

    // [SECTION] Drawing into the layers
    void DebugPrint(int x, int y, const char* text, QZW::Color colour = QZW::Color());
    void DmgPrint(int x, int y, const char* text, QZW::Color colour);
    // A width x height quad showing the srcW x srcH texels at (srcX, srcY)
    // of the material's unit-0 texture, placed by `m`.
    void AppendSprite(const QZW::Matrix& m, float srcX, float srcY, float srcW, float srcH,
                      std::uint32_t colour, QZW::CQzMaterial* material, int layer, float width,
                      float height);
    // As AppendSprite, turned to face the layer's camera.
    void AppendBillboard(const QZW::Matrix& m, float srcX, float srcY, float srcW, float srcH,
                         std::uint32_t colour, QZW::CQzMaterial* material, int layer, float width,
                         float height);
    // No material: the line material.
    void AppendPrim(const QZW::Matrix& m, const QZW::Vector3& p0, const QZW::Vector3& p1,
                    const QZW::Vector3& p2, QZW::Color c0, QZW::Color c1, QZW::Color c2, int layer,
                    QZW::CQzMaterial* material);
    void AppendLine(int layer, const QZW::Vector3& from, const QZW::Vector3& to,
                    std::uint32_t colour);
    // Into the layer's first layer node while it has room; false when dropped.
    bool DrawSpriteList(QZW::CQzSpriteList* list, int layer);

    // Keeps a node the scripts let go of until the frame that may have
    // queued it has been drawn (the layers hold plain pointers).
    void ReleaseAfterDraw(QZW::CQzNode* node);
    // The same for a material the scripts let go of (batch meshes of the
    // frame being built may be keyed by it).
    void ReleaseAfterDraw(QZW::CQzMaterial* material);
    std::size_t GetDeferredReleaseCount() const {
        return released.size() + releasedMaterials.size();
    }

    // [SECTION] Commands drawn between the layers (userValue: the task)
    static void ComposeFrame(QZW::IQzGraphics* g, std::uintptr_t task);
    static void TouchTarget3(QZW::IQzGraphics* g, std::uintptr_t task);

    // Null outside 0..22.
    QZW::CQzScreen* GetLayerScreen(int layer) const;
    static bool IsLayer(int layer) { return layer >= 0 && layer < kLayerCount; }

    QZW::CQzScreen* layerScreens[kLayerCount] = {};
    QZW::CQzScreen* overlayScreen = nullptr;
    QZW::Vector3 cameraEye, cameraTarget, cameraUp;
    QZW::Matrix lookAtMatrix;
    QZW::Matrix cameraBasisMatrix;
    QZW::Vector3 layerEye[kLayerCount], layerTarget[kLayerCount], layerUp[kLayerCount],
        layerAngles[kLayerCount];
    QZW::Matrix layerViewMatrix[kLayerCount];
    QZW::Matrix layerBasisMatrix[kLayerCount];
    QZW::IQzTexture* debugFontTexture = nullptr;
    QZW::CQzFixedFont* debugFont = nullptr;
    QZW::CQzSpriteList* debugSpriteList = nullptr;
    QZW::IQzTexture* damageTexture = nullptr;
    QZW::CQzFixedFont* damageFont = nullptr;
    QZW::CQzSpriteList* damageSpriteList = nullptr;
    QZW::CQzMaterial* lineMaterial = nullptr;
    QZW::CQzCommandNode* composeCommand = nullptr;
    QZW::CQzCommandNode* target3Command = nullptr;
    std::uint8_t shadowGaus = 0;

private:
    void CreateLayerScreens();
    void CreateFonts();

    void FreeReleased();

    std::vector<std::unique_ptr<QZW::CQzNode>> released;
    std::vector<std::unique_ptr<QZW::CQzMaterial>> releasedMaterials;
};

// The one instance while it exists (set by its constructor), else null.
CGameDrawTask* GetGameDrawTask();

}  // namespace Sample
