// The projection script functions (world, view and screen space of draw
// layer 6, the ground under a screen position, point in triangle) and the
// renderer's clearing and display effects. The renderer is reached through
// the game manager; without one these do nothing.
#include "proj/script/api_projection.h"

#include <cstdint>

#include "proj/game/game_draw_task.h"
#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_projection_matrix_node.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/qz_view_pos.h"

namespace Sample {
namespace {

ProjectionMatrices g_matrices;

QZW::IQzGraphics* Graphics() {
    CGameDrawTask* draw = GetGameDrawTask();
    QZW::IQzGameManager* gm =
        draw && draw->gameManager ? draw->gameManager : GetScriptGameManager();
    return gm ? gm->GetGraphics() : nullptr;
}

// [SECTION] Projection
QZW::Vector3 SQ_World2ScreenPos(const QZW::Vector3& p) {
    return WorldToScreen(FieldLayerCamera(), g_matrices, p);
}
QZW::Vector3 SQ_World2ScreenPos2(float x, float y, float z) {
    return SQ_World2ScreenPos(QZW::Vector3(x, y, z));
}
QZW::Vector3 SQ_World2ViewPos(const QZW::Vector3& p) {
    return WorldToView(FieldLayerCamera(), p);
}
QZW::Vector3 SQ_World2ViewPos2(float x, float y, float z) {
    return SQ_World2ViewPos(QZW::Vector3(x, y, z));
}
float SQ_World2ScreenScale(const QZW::Vector3& p) {
    return WorldToScreenScale(FieldLayerCamera(), p);
}
float SQ_World2ScreenScale2(float x, float y, float z) {
    return SQ_World2ScreenScale(QZW::Vector3(x, y, z));
}
QZW::ResultViewPosScScale SQ_ViewPosScScale(float x, float y, float z) {
    const ProjectionCamera camera = FieldLayerCamera();
    const QZW::Vector3 p(x, y, z);
    const QZW::Vector3 view = WorldToView(camera, p);
    QZW::ResultViewPosScScale r;
    r.x = view.x;
    r.y = view.y;
    r.z = view.z;
    r.scale = WorldToScreenScale(camera, p);
    return r;
}
QZW::Vector3 SQ_Screen2WorldPos0Y(float sx, float sy) {
    return ScreenToGround(FieldLayerCamera(), g_matrices, sx, sy);
}
QZW::Vector3 SQ_GetMove25D(float x, float z, float dx, float dy) {
    return Move25D(FieldLayerCamera(), g_matrices, x, z, dx, dy);
}
std::int32_t SQ_Math_IsHitPointTriangle(const QZW::Vector2& p, const QZW::Vector2& a,
                                        const QZW::Vector2& b, const QZW::Vector2& c) {
    return IsHitPointTriangle(p, a, b, c);
}

// [SECTION] Clearing and display effects
void SQ_ClearScreen(QZW::Color c) {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->Clear(c.r, c.g, c.b, c.a);
    }
}
// The renderer bounds the target index itself.
void SQ_ClearTargetFrameBuffer(std::int32_t target, QZW::Color c) {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->ClearFrameBuffer(target, c.r, c.g, c.b, c.a);
    }
}
void SQ_SetFrameBufferColor(std::int32_t target, std::int32_t r, std::int32_t gr, std::int32_t b,
                            std::int32_t a) {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->SetFrameBufferColor(target, std::uint8_t(r), std::uint8_t(gr), std::uint8_t(b),
                               std::uint8_t(a));
    }
}
void SQ_EnableYuragi() {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->EnableYuragi();
    }
}
void SQ_DisableYuragi() {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->DisableYuragi();
    }
}
void SQ_SetGreaPow(float) {}
void SQ_SetDisplayBaseScale(float x, float y) {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->SetDisplayBaseScale(x, y);
    }
}
void SQ_SetDisplayScale(float x, float y) {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->SetDisplayScale(x, y);
    }
}
void SQ_SetDisplayOfs(float x, float y) {
    if (QZW::IQzGraphics* g = Graphics()) {
        g->SetDisplayOfs(x, y);
    }
}

constexpr ScriptFunction kProjectionFunctions[] = {
    ScriptFn<&SQ_World2ScreenPos>("SQ_World2ScreenPos"),
    ScriptFn<&SQ_World2ScreenPos2>("SQ_World2ScreenPos2"),
    ScriptFn<&SQ_World2ViewPos>("SQ_World2ViewPos"),
    ScriptFn<&SQ_World2ViewPos2>("SQ_World2ViewPos2"),
    ScriptFn<&SQ_World2ScreenScale>("SQ_World2ScreenScale"),
    ScriptFn<&SQ_World2ScreenScale2>("SQ_World2ScreenScale2"),
    ScriptFn<&SQ_ViewPosScScale>("SQ_ViewPosScScale"),
    ScriptFn<&SQ_Screen2WorldPos0Y>("SQ_Screen2WorldPos0Y"),
    ScriptFn<&SQ_GetMove25D>("SQ_GetMove25D"),
    ScriptFn<&SQ_Math_IsHitPointTriangle>("SQ_Math_IsHitPointTriangle"),
    ScriptFn<&SQ_ClearScreen>("SQ_ClearScreen"),
    ScriptFn<&SQ_ClearTargetFrameBuffer>("SQ_ClearTargetFrameBuffer"),
    ScriptFn<&SQ_SetFrameBufferColor>("SQ_SetFrameBufferColor"),
    ScriptFn<&SQ_EnableYuragi>("SQ_EnableYuragi"),
    ScriptFn<&SQ_DisableYuragi>("SQ_DisableYuragi"),
    ScriptFn<&SQ_SetGreaPow>("SQ_SetGreaPow"),
    ScriptFn<&SQ_SetDisplayBaseScale>("SQ_SetDisplayBaseScale"),
    ScriptFn<&SQ_SetDisplayScale>("SQ_SetDisplayScale"),
    ScriptFn<&SQ_SetDisplayOfs>("SQ_SetDisplayOfs"),
};

}  // namespace

// [SECTION] Projection state
ProjectionCamera FieldLayerCamera() {
    ProjectionCamera camera;
    CGameDrawTask* draw = GetGameDrawTask();
    if (draw == nullptr) {
        return camera;
    }
    const int layer = CGameDrawTask::kFieldLayer;
    const QZW::CQzScreen* screen = draw->layerScreens[layer];
    camera.view = draw->layerViewMatrix[layer];
    camera.projection =
        screen->environment.projection->matrices[QZW::CQzProjectionMatrixNode::kProjection];
    camera.eye = draw->layerEye[layer];
    camera.viewportX = float(screen->x);
    camera.viewportY = float(screen->y);
    camera.viewportWidth = float(screen->width);
    camera.viewportHeight = float(screen->height);
    return camera;
}

void UpdateProjectionMatrices() {
    if (GetGameDrawTask() != nullptr) {
        g_matrices = BuildProjectionMatrices(FieldLayerCamera());
    }
}

const ProjectionMatrices& GetProjectionMatrices() {
    return g_matrices;
}

void ResetProjectionMatrices() {
    g_matrices = ProjectionMatrices();
}

ScriptFunctionTable ProjectionScriptFunctions() {
    return kProjectionFunctions;
}

}  // namespace Sample
