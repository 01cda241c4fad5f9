// The game draw task: layers, cameras and the appends the scripts make (see
// the header). The composition commands live in game_draw_compose.cpp.
#include "proj/game/game_draw_task.h"

#include <cmath>

#include "proj/win/text_entry_overlay.h"

#include "proj/game/game_draw_layers.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/qz_fixed_font.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_primitive.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/qz_sprite_list.h"
#include "qzware/scene/resource_manager.h"
#include "qzware/win/qz_movie_player.h"

namespace Sample {
namespace {

CGameDrawTask* g_gameDrawTask = nullptr;

// The movie player queues itself where sprite lists go: a layer's first node.
QZW::CQzNode* MovieLayerList(std::int32_t layer) {
    QZW::CQzScreen* screen = g_gameDrawTask ? g_gameDrawTask->GetLayerScreen(layer) : nullptr;
    return screen ? &screen->layers[0] : nullptr;
}

constexpr const char* kPreloadedFonts[] = {
    "font/lumesa_gosiL30.fnt",
    "font/lumesa_gosiL30_ch.fnt",
    "font/lumesa_gosiL80.fnt",
    "font/velmofont.fnt",
};
constexpr const char* kDebugFontTexture = "font/X68KFont.dds";
constexpr const char* kDamageFontTexture = "images/dmgnum.tga";
constexpr std::uint32_t kDebugSprites = 4096;
constexpr std::uint32_t kDamageSprites = 256;
constexpr std::int32_t kLineShader = 5;
// The layer node of the debug layer that holds the debug text.
constexpr int kDebugTextNode = 3;

// A fixed font over `texture` for characters first..last, or null.
QZW::CQzFixedFont* NewFixedFont(QZW::IQzTexture* texture, std::int32_t first, std::int32_t last) {
    if (texture == nullptr) {
        return nullptr;
    }
    auto* font = new QZW::CQzFixedFont();
    if (!font->Build(first, last, texture->GetWidth() / QZW::CQzFixedFont::kCellSize, texture)) {
        delete font;
        return nullptr;
    }
    return font;
}

}  // namespace

CGameDrawTask* GetGameDrawTask() {
    return g_gameDrawTask;
}

// [SECTION] Construction and the frame

CGameDrawTask::CGameDrawTask(QZW::IQzGameManager* gameManager, IGameControl* gameControl)
    : CBaseTask("CGameDrawTask", gameManager, gameControl) {
    g_gameDrawTask = this;
    QZW::Win::CQzMoviePlayer::SetLayerList(&MovieLayerList);
    CreateLayerScreens();
    SetCameraVectors(QZW::Vector3(0.0f, 0.0f, -16.0f / 9.0f), QZW::Vector3(0.0f, 0.0f, 0.0f),
                     QZW::Vector3(0.0f, -1.0f, 0.0f));
    for (const char* name : kPreloadedFonts) {
        QZW::CResourceManager::GetInstance()->GetFont(name);
    }
    CreateFonts();
    composeCommand = new QZW::CQzCommandNode(&CGameDrawTask::ComposeFrame,
                                             reinterpret_cast<std::uintptr_t>(this));
    target3Command = new QZW::CQzCommandNode(&CGameDrawTask::TouchTarget3,
                                             reinterpret_cast<std::uintptr_t>(this));
}

CGameDrawTask::~CGameDrawTask() {
    // What is freed below must not reach services through this task any
    // more (the engine draw task may be gone already).
    if (g_gameDrawTask == this) {
        g_gameDrawTask = nullptr;
    }
    for (QZW::CQzScreen*& screen : layerScreens) {
        delete screen;
        screen = nullptr;
    }
    delete overlayScreen;
    delete debugFont;
    delete damageFont;
    delete debugSpriteList;
    delete damageSpriteList;
    delete lineMaterial;
    delete composeCommand;
    delete target3Command;
    FreeReleased();
}

void CGameDrawTask::CreateLayerScreens() {
    for (int layer = 0; layer < kLayerCount; ++layer) {
        layerScreens[layer] = CreateDrawLayerScreen(layer);
    }
    QZW::IQzGraphics* g = gameManager ? gameManager->GetGraphics() : nullptr;
    const int w = g ? g->GetScreenWidth() : 1280;
    const int h = g ? g->GetScreenHeight() : 720;
    overlayScreen = new QZW::CQzScreen(0, 0, w, h, w, h, 0);
    overlayScreen->environment.projectionMode = 0;
    overlayScreen->environment.projection->mode = 0;
}

void CGameDrawTask::CreateFonts() {
    QZW::CQzDrawTask* engine = gameManager ? gameManager->GetDrawTask() : nullptr;
    debugFontTexture = engine ? engine->GetTexture(kDebugFontTexture, true) : nullptr;
    debugFont = NewFixedFont(debugFontTexture, 0, 255);
    if (debugFont) {
        debugSpriteList = new QZW::CQzSpriteList(kDebugSprites, debugFontTexture);
    }
    lineMaterial = new QZW::CQzMaterial(kLineShader);
    damageTexture = engine ? engine->GetTexture(kDamageFontTexture, true) : nullptr;
    damageFont = NewFixedFont(damageTexture, '0', '9');
    // The fonts draw with them for the task's life, whatever a script releases.
    if (engine) {
        engine->HoldTexture(debugFontTexture);
        engine->HoldTexture(damageTexture);
    }
    if (damageFont) {
        damageSpriteList = new QZW::CQzSpriteList(kDamageSprites, damageTexture);
    }
}

void CGameDrawTask::Update() {
    QZW::CQzDrawTask* engine = gameManager ? gameManager->GetDrawTask() : nullptr;
    for (QZW::CQzScreen* screen : layerScreens) {
        screen->Clear();
    }
    overlayScreen->Clear();
    if (debugSpriteList) {
        debugSpriteList->Clear();
    }
    if (damageSpriteList) {
        damageSpriteList->Clear();
    }
    // The engine draw task has drawn the frame that could still point at
    // them, and the layers no longer do.
    FreeReleased();

    QZW::CQzNode* root = engine ? engine->GetCurrentRoot() : nullptr;
    for (int layer = 0; layer < kLayerCount; ++layer) {
        QZW::CQzScreen* screen = layerScreens[layer];
        if (layer == 4 && root) {
            root->AppendChildBounded(target3Command);
        }
        screen->layerMatrix.matrix = layerViewMatrix[layer];
        if (root) {
            root->AppendChildBounded(screen);
        }
    }
    if (damageSpriteList) {
        layerScreens[kDamageLayer]->layers[0].AppendChildBounded(damageSpriteList);
    }
    if (debugSpriteList) {
        layerScreens[kDebugLayer]->layers[kDebugTextNode].AppendChildBounded(debugSpriteList);
    }
    layerScreens[kComposeLayer]->layers[0].AppendChildBounded(composeCommand);
    if (root) {
        root->AppendChildBounded(overlayScreen);
    }
    // An open text-entry prompt is drawn over everything, every frame.
    Win::DrawTextEntryPrompt(*this);
}

void CGameDrawTask::ReleaseAfterDraw(QZW::CQzNode* node) {
    if (node) {
        released.emplace_back(node);
    }
}

void CGameDrawTask::ReleaseAfterDraw(QZW::CQzMaterial* material) {
    if (material) {
        releasedMaterials.emplace_back(material);
    }
}

// Nodes first: a dying node lets go of the materials it uses.
void CGameDrawTask::FreeReleased() {
    released.clear();
    releasedMaterials.clear();
}

QZW::CQzScreen* CGameDrawTask::GetLayerScreen(int layer) const {
    return IsLayer(layer) ? layerScreens[layer] : nullptr;
}

// [SECTION] Cameras

void CGameDrawTask::SetCamera(int layer, const QZW::Vector3& eye, const QZW::Vector3& target,
                              const QZW::Vector3& up) {
    if (!IsLayer(layer)) {
        return;
    }
    layerEye[layer] = eye;
    layerTarget[layer] = target;
    layerUp[layer] = up;
    QZW::Matrix::SetLookAt(layerViewMatrix[layer], eye, target, up);
    QZW::Matrix::SetCameraBasis(layerBasisMatrix[layer], eye, target, up);
}

void CGameDrawTask::SetCameraRot(int layer, const QZW::Vector3& eye, const QZW::Vector3& angles) {
    if (!IsLayer(layer)) {
        return;
    }
    layerEye[layer] = eye;
    layerAngles[layer] = angles;
    QZW::Matrix::SetLookAtRot(layerViewMatrix[layer], eye, angles.x, angles.y, angles.z);
    // R = Rx Ry Rz; its third row is where the camera looks.
    QZW::Matrix r;
    r.RotateMatrixZ(angles.z);
    r.RotateMatrixY(angles.y);
    r.RotateMatrixX(angles.x);
    const QZW::Vector3 target = eye + QZW::Vector3(r[8], r[9], r[10]);
    layerTarget[layer] = target;
    QZW::Matrix& basis = layerBasisMatrix[layer];
    QZW::Matrix::SetCameraBasis(basis, eye, target, QZW::Vector3(0.0f, -1.0f, 0.0f));
    basis[12] = 0.0f;
    basis[13] = 0.0f;
    basis[14] = 0.0f;
}

void CGameDrawTask::SetCameraVectors(const QZW::Vector3& eye, const QZW::Vector3& target,
                                     const QZW::Vector3& up) {
    cameraEye = eye;
    cameraTarget = target;
    cameraUp = up;
    QZW::Matrix::SetLookAt(lookAtMatrix, eye, target, up);
    QZW::Matrix::SetCameraBasis(cameraBasisMatrix, eye, target, up);
}

// [SECTION] Appends

void CGameDrawTask::DebugPrint(int x, int y, const char* text, QZW::Color colour) {
    if (debugFont && debugSpriteList && text) {
        debugFont->DrawText(debugSpriteList, x, y, 1.0f, 1.0f, colour.ToU32(), text);
    }
}

void CGameDrawTask::DmgPrint(int x, int y, const char* text, QZW::Color colour) {
    if (damageFont && damageSpriteList && text) {
        damageFont->DrawText(damageSpriteList, x, y, 2.0f, 2.0f, colour.ToU32(), text);
    }
}

void CGameDrawTask::AppendSprite(const QZW::Matrix& m, float srcX, float srcY, float srcW,
                                 float srcH, std::uint32_t colour, QZW::CQzMaterial* material,
                                 int layer, float width, float height) {
    QZW::CQzScreen* screen = GetLayerScreen(layer);
    if (!screen) {
        return;
    }
    // An empty source side spans as many texels as the quad is wide or high,
    // which also keeps the scale below from dividing by zero.
    if (srcW == 0.0f) {
        srcW = width;
    }
    if (srcH == 0.0f) {
        srcH = height;
    }
    // Still nothing to span (or a size that is no number): nothing to show.
    if (srcW == 0.0f || srcH == 0.0f || !std::isfinite(srcW) || !std::isfinite(srcH)) {
        return;
    }
    // The quad is laid out over the source size, which also spans the
    // texture coordinates, then scaled to the quad size.
    QZW::Matrix placed = m;
    placed.ScaleMatrix(width / srcW, height / srcH, 1.0f);
    screen->GetBatchMesh(material)->AppendSpriteQuad(placed, srcW, srcH, srcX, srcY, colour, 0.0f,
                                                     0.0f);
}

void CGameDrawTask::AppendBillboard(const QZW::Matrix& m, float srcX, float srcY, float srcW,
                                    float srcH, std::uint32_t colour, QZW::CQzMaterial* material,
                                    int layer, float width, float height) {
    if (!IsLayer(layer)) {
        return;
    }
    QZW::Matrix facing = m;
    QZW::MulMatrixInPlace(facing, layerBasisMatrix[layer]);
    AppendSprite(facing, srcX, srcY, srcW, srcH, colour, material, layer, width, height);
}

void CGameDrawTask::AppendPrim(const QZW::Matrix& m, const QZW::Vector3& p0, const QZW::Vector3& p1,
                               const QZW::Vector3& p2, QZW::Color c0, QZW::Color c1, QZW::Color c2,
                               int layer, QZW::CQzMaterial* material) {
    QZW::CQzScreen* screen = GetLayerScreen(layer);
    if (!screen) {
        return;
    }
    const QZW::Vector3 points[3] = {p0, p1, p2};
    const QZW::Color colours[3] = {c0, c1, c2};
    screen->GetBatchMesh(material ? material : lineMaterial)->AppendPrim(m, points, colours);
}

void CGameDrawTask::AppendLine(int layer, const QZW::Vector3& from, const QZW::Vector3& to,
                               std::uint32_t colour) {
    if (QZW::CQzScreen* screen = GetLayerScreen(layer)) {
        screen->GetLineList(lineMaterial)->AppendLine(from, to, colour);
    }
}

bool CGameDrawTask::DrawSpriteList(QZW::CQzSpriteList* list, int layer) {
    QZW::CQzScreen* screen = GetLayerScreen(layer);
    return screen && list && screen->layers[0].AppendChildBounded(list);
}

}  // namespace Sample
