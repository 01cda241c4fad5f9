// The drawing script functions: cameras, debug text and damage numbers,
// sprites, billboards, primitives, lines and sprite lists in the game draw
// task's layers. Without the draw task they do nothing and answer identity
// matrices; layer indices outside 0..22 are ignored.
#include <cstdint>

#include "proj/game/game_draw_task.h"
#include "proj/nodes/sq_material.h"
#include "proj/script/api_projection.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_projection_matrix_node.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/qz_sprite_list.h"
#include "qzware/scene/qz_vector.h"

namespace Sample {
namespace {

using QZW::Color;
using QZW::Matrix;
using QZW::Vector3;

void SQ_SetCamera(const Vector3& eye, const Vector3& target, const Vector3& up,
                  std::int32_t layer) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->SetCamera(layer, eye, target, up);
        UpdateProjectionMatrices();
    }
}

void SQ_SetCameraRot(const Vector3& eye, const Vector3& angles, std::int32_t layer) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->SetCameraRot(layer, eye, angles);
        UpdateProjectionMatrices();
    }
}

void SQ_DebugPrint(std::int32_t x, std::int32_t y, const char* text, Color colour) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->DebugPrint(x, y, text, colour);
    }
}

void SQ_DmgPrint(std::int32_t x, std::int32_t y, const char* text, Color colour) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->DmgPrint(x, y, text, colour);
    }
}

void SQ_DrawSpriteList(QZW::CQzSpriteList* list, std::int32_t layer) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->DrawSpriteList(list, layer);
    }
}

void SQ_AppendSprite2(const Matrix& m, float width, float height, std::int32_t srcX,
                      std::int32_t srcY, std::int32_t srcW, std::int32_t srcH, Color colour,
                      QZW::CSqMaterial* material, std::int32_t layer) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->AppendSprite(m, float(srcX), float(srcY), float(srcW), float(srcH), colour.ToU32(),
                           material, layer, width, height);
    }
}

// M = S(scale) Rx Ry Rz T(position): scaled first, moved last.
void SQ_AppendSprite3(const Vector3& position, const Vector3& scale, const Vector3& angles,
                      float width, float height, std::int32_t srcX, std::int32_t srcY,
                      std::int32_t srcW, std::int32_t srcH, Color colour,
                      QZW::CSqMaterial* material, std::int32_t layer) {
    Matrix m;
    m.TransrateMatrix(position.x, position.y, position.z);
    m.RotateMatrixZ(angles.z);
    m.RotateMatrixY(angles.y);
    m.RotateMatrixX(angles.x);
    m.ScaleMatrix(scale.x, scale.y, scale.z);
    SQ_AppendSprite2(m, width, height, srcX, srcY, srcW, srcH, colour, material, layer);
}

void SQ_AppendBillboard(const Matrix& m, float width, float height, std::int32_t srcX,
                        std::int32_t srcY, std::int32_t srcW, std::int32_t srcH, Color colour,
                        QZW::CSqMaterial* material, std::int32_t layer) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->AppendBillboard(m, float(srcX), float(srcY), float(srcW), float(srcH), colour.ToU32(),
                              material, layer, width, height);
    }
}

void SQ_AppendPrim(const Matrix& m, const Vector3& p0, const Vector3& p1, const Vector3& p2,
                   Color c0, Color c1, Color c2, std::int32_t layer, QZW::CSqMaterial* material) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->AppendPrim(m, p0, p1, p2, c0, c1, c2, layer, material);
    }
}

// The points are taken as they are; the matrix is not applied.
void SQ_AppendLine(const Matrix&, const Vector3& from, const Vector3& to, Color colour,
                   std::int32_t layer) {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->AppendLine(layer, from, to, colour.ToU32());
    }
}

void SQ_DrawBox(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color colour,
                std::int32_t layer) {
    const Matrix identity;
    const float left = float(x), top = float(y);
    // Summed in 64 bits: the scripts' integers may be anything.
    const float right = float(std::int64_t(x) + w), bottom = float(std::int64_t(y) + h);
    const Vector3 corners[4] = {Vector3(left, top, 0.0f), Vector3(right, top, 0.0f),
                                Vector3(right, bottom, 0.0f), Vector3(left, bottom, 0.0f)};
    for (int i = 0; i < 4; ++i) {
        SQ_AppendLine(identity, corners[i], corners[(i + 1) % 4], colour, layer);
    }
}

Matrix SQ_GetLookAtMatrix() {
    CGameDrawTask* draw = GetGameDrawTask();
    return draw ? draw->cameraBasisMatrix : Matrix();
}

Matrix SQ_GetScreenProjMatrix(std::int32_t layer) {
    CGameDrawTask* draw = GetGameDrawTask();
    QZW::CQzScreen* screen = draw ? draw->GetLayerScreen(layer) : nullptr;
    return screen
               ? screen->environment.projection->matrices[QZW::CQzProjectionMatrixNode::kProjection]
               : Matrix();
}

void SQ_EnableShadowGaus() {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->shadowGaus = 1;
    }
}

void SQ_DisableShadowGaus() {
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->shadowGaus = 0;
    }
}

constexpr ScriptFunction kDrawFunctions[] = {
    ScriptFn<&SQ_SetCamera>("SQ_SetCamera"),
    ScriptFn<&SQ_SetCameraRot>("SQ_SetCameraRot"),
    ScriptFn<&SQ_DebugPrint>("SQ_DebugPrint"),
    ScriptFn<&SQ_DmgPrint>("SQ_DmgPrint"),
    ScriptFn<&SQ_DrawSpriteList>("SQ_DrawSpriteList"),
    ScriptFn<&SQ_AppendSprite2>("SQ_AppendSprite2"),
    ScriptFn<&SQ_AppendSprite3>("SQ_AppendSprite3"),
    ScriptFn<&SQ_AppendBillboard>("SQ_AppendBillboard"),
    ScriptFn<&SQ_AppendPrim>("SQ_AppendPrim"),
    ScriptFn<&SQ_AppendLine>("SQ_AppendLine"),
    ScriptFn<&SQ_DrawBox>("SQ_DrawBox"),
    ScriptFn<&SQ_GetLookAtMatrix>("SQ_GetLookAtMatrix"),
    ScriptFn<&SQ_GetScreenProjMatrix>("SQ_GetScreenProjMatrix"),
    ScriptFn<&SQ_EnableShadowGaus>("SQ_EnableShadowGaus"),
    ScriptFn<&SQ_DisableShadowGaus>("SQ_DisableShadowGaus"),
};

}  // namespace

ScriptFunctionTable DrawScriptFunctions() {
    return kDrawFunctions;
}

}  // namespace Sample
