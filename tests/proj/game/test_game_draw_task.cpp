// The game draw task against the recording renderer and a real engine draw
// task: what a frame queues and in which order, the layer table, debug text
// and damage numbers with and without their textures, bounded sprite-list
// appends, cameras, the composition command and deferred releases.
#include "proj/game/game_draw_task.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qzware/scene/qz_environment_node.h"
#include "qzware/scene/qz_fixed_font.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_projection_matrix_node.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/support/game_draw_fakes.h"

namespace {

using qz_test_support::CountingFrameBuffer;
using qz_test_support::GameDrawWorld;
using qz_test_support::RecordingGraphics;
using QZW::Vector3;
using Sample::CGameDrawTask;

class GameDrawTaskTest : public ::testing::Test {
protected:
    RecordingGraphics graphics;
    GameDrawWorld world{graphics};
};

TEST_F(GameDrawTaskTest, AFrameWithoutScriptDrawingQueuesLayersTarget3CommandAndOverlay) {
    CGameDrawTask& task = world.MakeTask(false);
    EXPECT_EQ("CGameDrawTask", task.name);
    EXPECT_EQ(&task, Sample::GetGameDrawTask());
    task.Update();
    std::vector<const QZW::CQzNode*> want;
    for (int layer = 0; layer < CGameDrawTask::kLayerCount; ++layer) {
        if (layer == 4) {
            want.push_back(task.target3Command);
        }
        want.push_back(task.layerScreens[layer]);
    }
    want.push_back(task.overlayScreen);
    const std::vector<QZW::CQzNode*>& got = world.engine->GetCurrentRoot()->children;
    EXPECT_EQ(want, std::vector<const QZW::CQzNode*>(got.begin(), got.end()));
    // The composition is the last content of layer 22.
    ASSERT_EQ(1u, task.layerScreens[22]->layers[0].children.size());
    EXPECT_EQ(task.composeCommand, task.layerScreens[22]->layers[0].children[0]);
}

TEST_F(GameDrawTaskTest, TheNextFrameQueuesTheLayersOnceIntoTheOtherRoot) {
    CGameDrawTask& task = world.MakeTask(false);
    task.Update();
    world.DrawFrame();
    task.Update();
    EXPECT_EQ(25u, world.engine->GetCurrentRoot()->children.size());
    EXPECT_EQ(1u, task.layerScreens[22]->layers[0].children.size());
}

TEST_F(GameDrawTaskTest, LayerScreensFollowTheLayerTable) {
    CGameDrawTask& task = world.MakeTask(false);
    using Env = QZW::CQzEnvironmentNode;
    const struct {
        int layer;
        int x, y, w, h, targetW, targetH;
        std::uint32_t projection, switches, shader, frameBuffer;
        float firstParameter;
    } rows[] = {
        {0, 0, 0, 1280, 720, 1280, 720, 0, 0x14, 1, 0, 0.0f},
        {4, 0, 60, 1280, 580, 1280, 580, 1, 0x07, 0, 0, 20.0f},
        {8, 0, 60, 1280, 580, 1280, 580, 1, 0x04, 0, 0, 20.0f},
        {14, 0, 60, 1280, 580, 1280, 580, 1, 0x07, 0, 0, 20.0f},
        {20, 0, 0, 1024, 1024, 1024, 1024, 0, 0x14, 1, 0, 0.0f},
        {21, 0, 0, 1280, 720, 1280, 720, 0, 0x14, 1, 12, 0.0f},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.layer);
        const QZW::CQzScreen& s = *task.layerScreens[r.layer];
        EXPECT_EQ(r.layer, s.layerIndex);
        EXPECT_EQ((std::vector<int>{r.x, r.y, r.w, r.h, r.targetW, r.targetH}),
                  (std::vector<int>{s.x, s.y, s.width, s.height, s.targetWidth, s.targetHeight}));
        EXPECT_EQ(r.projection, s.environment.projection->mode);
        EXPECT_EQ(r.switches, s.environment.switches);
        EXPECT_EQ(r.shader, s.environment.shaderIndex);
        EXPECT_EQ(r.frameBuffer, s.frameBuffer);
        EXPECT_EQ(0u, s.environment.blendMode);
        EXPECT_EQ(r.firstParameter, s.environment.parameters[Env::kParamNear]);
    }
    const float* p = task.layerScreens[6]->environment.parameters;
    EXPECT_EQ((std::vector<float>{20, 25, 0, 0, 0, 1, 1, 1}), std::vector<float>(p, p + 8));
    EXPECT_EQ((std::vector<int>{1280, 720}),
              (std::vector<int>{task.overlayScreen->width, task.overlayScreen->height}));
}

TEST_F(GameDrawTaskTest, EveryLayerHasItsRowsViewportProjectionDepthAndTarget) {
    CGameDrawTask& task = world.MakeTask(false);
    // o: 1280 x 720 flat; P: the 1280 x 580 field with depth; p: without
    // depth; q: the 1024 square.
    const char kinds[] = "ooooPoPopopopoPoooooqoo";
    for (int layer = 0; layer < CGameDrawTask::kLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        const char kind = kinds[layer];
        const bool perspective = kind == 'P' || kind == 'p';
        const int y = perspective ? 60 : 0;
        const int w = kind == 'q' ? 1024 : 1280;
        const int h = kind == 'q' ? 1024 : perspective ? 580 : 720;
        const QZW::CQzScreen& s = *task.layerScreens[layer];
        EXPECT_EQ((std::vector<int>{0, y, w, h, w, h}),
                  (std::vector<int>{s.x, s.y, s.width, s.height, s.targetWidth, s.targetHeight}));
        EXPECT_EQ(perspective ? 1u : 0u, s.environment.projectionMode);
        EXPECT_EQ(perspective ? 1u : 0u, s.environment.projection->mode);
        const std::uint32_t switches = kind == 'P' ? 0x07u : kind == 'p' ? 0x04u : 0x14u;
        EXPECT_EQ(switches, s.environment.switches);
        EXPECT_EQ(perspective ? 0u : 1u, s.environment.shaderIndex);
        EXPECT_EQ(layer == 21 ? 12u : 0u, s.frameBuffer);
        const QZW::Matrix projection =
            perspective ? QZW::QzNodePerspectiveProjection(w, h) : QZW::QzNodeOrthoProjection(w, h);
        EXPECT_EQ(projection, s.environment.projection->matrices[0]);
        const float* p = s.environment.parameters;
        const std::vector<float> parameters = perspective
                                                  ? std::vector<float>{20, 25, 0, 0, 0, 1, 1, 1}
                                                  : std::vector<float>{0, 0, 0, 0, 0, 0, 2, 2};
        EXPECT_EQ(parameters, std::vector<float>(p, p + 8));
    }
    EXPECT_EQ(0u, task.overlayScreen->environment.projection->mode);
}

TEST_F(GameDrawTaskTest, SetCameraRotTurnsAboutZThenYThenX) {
    CGameDrawTask& task = world.MakeTask(false);
    const Vector3 eye(1, 2, 3);
    const struct {
        float x, y, z;
    } angles[] = {{30, 0, 0}, {0, 40, 0}, {0, 0, 50}, {30, 40, 50}, {-70, 15, 120}};
    for (const auto& a : angles) {
        SCOPED_TRACE(testing::Message() << a.x << " " << a.y << " " << a.z);
        task.SetCameraRot(5, eye, Vector3(a.x, a.y, a.z));
        // R = Rx Ry Rz for row vectors, multiplied out here.
        const float k = 3.14159f / 180.0f;
        const float cx = std::cos(a.x * k), sx = std::sin(a.x * k);
        const float cy = std::cos(a.y * k), sy = std::sin(a.y * k);
        const float cz = std::cos(a.z * k), sz = std::sin(a.z * k);
        // Third row of Rx Ry Rz: Rx's (0, -sx, cx), times Ry, times Rz.
        const Vector3 afterY(cx * sy, -sx, cx * cy);
        const Vector3 forward(afterY.x * cz - afterY.y * sz, afterY.x * sz + afterY.y * cz,
                              afterY.z);
        const Vector3& target = task.layerTarget[5];
        EXPECT_NEAR(eye.x + forward.x, target.x, 1e-5f);
        EXPECT_NEAR(eye.y + forward.y, target.y, 1e-5f);
        EXPECT_NEAR(eye.z + forward.z, target.z, 1e-5f);
        // The basis looks the same way, without translation.
        const QZW::Matrix& basis = task.layerBasisMatrix[5];
        EXPECT_NEAR(forward.x, basis[8], 1e-5f);
        EXPECT_NEAR(forward.y, basis[9], 1e-5f);
        EXPECT_NEAR(forward.z, basis[10], 1e-5f);
        EXPECT_EQ(Vector3(), Vector3(basis[12], basis[13], basis[14]));
        EXPECT_EQ(Vector3(a.x, a.y, a.z), task.layerAngles[5]);
    }
}

TEST_F(GameDrawTaskTest, DebugTextAndDamageNumbersNeedTheirTextures) {
    CGameDrawTask& bare = world.MakeTask(false);
    EXPECT_EQ(nullptr, bare.debugSpriteList);
    EXPECT_EQ(nullptr, bare.damageSpriteList);
    bare.DebugPrint(0, 0, "HELLO");
    bare.DmgPrint(0, 0, "123", QZW::Color());
    bare.Update();
    EXPECT_TRUE(bare.layerScreens[21]->layers[3].children.empty());
    EXPECT_TRUE(bare.layerScreens[9]->layers[0].children.empty());
    ASSERT_NE(nullptr, bare.lineMaterial);
    EXPECT_EQ(5, bare.lineMaterial->shaderType);
}

TEST_F(GameDrawTaskTest, DebugTextGoesToLayer21AndDamageNumbersToLayer9) {
    CGameDrawTask& task = world.MakeTask(true);
    ASSERT_NE(nullptr, task.debugSpriteList);
    ASSERT_NE(nullptr, task.damageSpriteList);
    EXPECT_EQ(255, task.debugFont->GetLast());
    EXPECT_EQ('0', task.damageFont->GetFirst());
    EXPECT_EQ('9', task.damageFont->GetLast());
    task.Update();
    task.DebugPrint(8, 16, "AB");
    task.DmgPrint(0, 0, "7x", QZW::Color());  // 'x' is no digit
    EXPECT_EQ(8u, task.debugSpriteList->GetVertexCount());
    EXPECT_EQ(4u, task.damageSpriteList->GetVertexCount());
    EXPECT_EQ(std::vector<QZW::CQzNode*>{task.debugSpriteList},
              task.layerScreens[21]->layers[3].children);
    EXPECT_EQ(std::vector<QZW::CQzNode*>{task.damageSpriteList},
              task.layerScreens[9]->layers[0].children);
    // The next frame starts empty.
    task.Update();
    EXPECT_EQ(0u, task.debugSpriteList->GetVertexCount());
}

TEST_F(GameDrawTaskTest, ASpriteListForAFullFirstNodeOrABadLayerIsDropped) {
    CGameDrawTask& task = world.MakeTask(false);
    QZW::CQzSpriteList a, b;
    task.layerScreens[5]->layers[0].maxChildren = 1;
    EXPECT_TRUE(task.DrawSpriteList(&a, 5));
    EXPECT_FALSE(task.DrawSpriteList(&b, 5));
    EXPECT_EQ(std::vector<QZW::CQzNode*>{&a}, task.layerScreens[5]->layers[0].children);
    for (int layer : {-1, 23, 1000}) {
        EXPECT_FALSE(task.DrawSpriteList(&b, layer)) << layer;
    }
}

TEST_F(GameDrawTaskTest, LayerIndicesOutsideTheTableAreIgnored) {
    CGameDrawTask& task = world.MakeTask(false);
    const QZW::Matrix identity;
    for (int layer : {-1, 23, 0x7fffffff}) {
        task.SetCamera(layer, Vector3(1, 2, 3), Vector3(), Vector3(0, 1, 0));
        task.SetCameraRot(layer, Vector3(1, 2, 3), Vector3(10, 20, 30));
        task.AppendPrim(identity, Vector3(), Vector3(1, 0, 0), Vector3(0, 1, 0), {}, {}, {}, layer,
                        nullptr);
        task.AppendLine(layer, Vector3(), Vector3(1, 1, 0), 0xFFFFFFFFu);
        task.AppendBillboard(identity, 0, 0, 8, 8, 0xFFFFFFFFu, nullptr, layer, 8, 8);
    }
    for (const QZW::CQzScreen* s : task.layerScreens) {
        EXPECT_TRUE(s->batchMeshes.empty() && s->lineLists.empty());
    }
    for (const QZW::Matrix& m : task.layerViewMatrix) {
        EXPECT_EQ(identity, m);
    }
}

TEST_F(GameDrawTaskTest, SetCameraRotDropsTheBasisTranslationWhileSetCameraKeepsTheEye) {
    CGameDrawTask& task = world.MakeTask(false);
    const Vector3 eye(3, -4, 5);
    task.SetCamera(2, eye, Vector3(0, 0, 0), Vector3(0, -1, 0));
    const QZW::Matrix& kept = task.layerBasisMatrix[2];
    EXPECT_EQ(eye, Vector3(kept[12], kept[13], kept[14]));
    QZW::Matrix view;
    QZW::Matrix::SetLookAt(view, eye, Vector3(0, 0, 0), Vector3(0, -1, 0));
    EXPECT_EQ(view, task.layerViewMatrix[2]);

    task.SetCameraRot(7, eye, Vector3(0, 90, 0));
    const QZW::Matrix& turned = task.layerBasisMatrix[7];
    EXPECT_EQ(Vector3(0, 0, 0), Vector3(turned[12], turned[13], turned[14]));
    // Turned 90 degrees about y, the camera looks along x.
    EXPECT_NEAR(eye.x + 1.0f, task.layerTarget[7].x, 1e-5f);
    EXPECT_NEAR(eye.z, task.layerTarget[7].z, 1e-5f);
    QZW::Matrix::SetLookAtRot(view, eye, 0, 90, 0);
    EXPECT_EQ(view, task.layerViewMatrix[7]);

    // Each frame the layer's view matrix reaches its screen.
    task.Update();
    EXPECT_EQ(task.layerViewMatrix[7], task.layerScreens[7]->layerMatrix.matrix);
}

TEST_F(GameDrawTaskTest, TheTaskWideCameraLooksFromSixteenNinthsBack) {
    CGameDrawTask& task = world.MakeTask(false);
    EXPECT_EQ(Vector3(0, 0, -16.0f / 9.0f), task.cameraEye);
    QZW::Matrix basis;
    QZW::Matrix::SetCameraBasis(basis, task.cameraEye, Vector3(), Vector3(0, -1, 0));
    EXPECT_EQ(basis, task.cameraBasisMatrix);
}

TEST_F(GameDrawTaskTest, ComposeFrameMergesTargets10And0And11And12IntoTarget13) {
    CGameDrawTask& task = world.MakeTask(false);
    CountingFrameBuffer t0(0), t10(10), t11(11), t12(12);
    graphics.frameBuffers[0] = &t0;
    graphics.frameBuffers[10] = &t10;
    graphics.frameBuffers[11] = &t11;
    graphics.frameBuffers[12] = &t12;
    graphics.SetFrameBufferColor(0, 10, 20, 30, 40);
    graphics.ClearCalls();
    CGameDrawTask::ComposeFrame(&graphics, reinterpret_cast<std::uintptr_t>(&task));
    const std::string pass = "SetViewport(0, 0, 1280, 720, 0, 1) SetScreenSize(1280, 720) ";
    const std::string white = "DrawRect(0, 0, 1280, 720, 255, 255, 255, 255, 0)";
    std::string got;
    for (const std::string& t : graphics.Texts()) {
        got += (got.empty() ? "" : " ") + t;
    }
    EXPECT_EQ(
        "UseShader(1) SetTexOffset(0, 0) DisableDepthTest() SetBlendMode(0) EnableBlend() "
        "SetFrameBuffer(0) SetTexture(0) " +
            pass + white + " SetFrameBuffer(13) SetTexture(0) " + pass +
            "DrawRect(0, 0, 1280, 720, 10, 20, 30, 40, 0) SetTexture(0) " + pass + white +
            " SetTexture(0) " + pass + white,
        got);
    const std::vector<const void*> bound = {&t10.texture, &t0.texture, &t11.texture, &t12.texture};
    std::vector<const void*> seen;
    for (const auto& c : graphics.calls) {
        if (c.name == "SetTexture") {
            seen.push_back(c.pointers.at(0));
        }
    }
    EXPECT_EQ(bound, seen);
    EXPECT_EQ(1, t10.reserved);
}

TEST_F(GameDrawTaskTest, ComposeFrameLeavesOutTargetsTheRendererDoesNotHave) {
    CGameDrawTask& task = world.MakeTask(false);
    CountingFrameBuffer t12(12);
    graphics.frameBuffers[12] = &t12;
    graphics.ClearCalls();
    CGameDrawTask::ComposeFrame(&graphics, reinterpret_cast<std::uintptr_t>(&task));
    EXPECT_EQ(1u, graphics.Count("DrawRect"));
    EXPECT_EQ(1u, graphics.Count("SetTexture"));
}

TEST_F(GameDrawTaskTest, TheTarget3CommandTouchesTarget3WhenDrawn) {
    CGameDrawTask& task = world.MakeTask(false);
    CountingFrameBuffer t3(3);
    graphics.frameBuffers[3] = &t3;
    task.Update();
    world.DrawFrame();
    EXPECT_EQ(1, t3.reserved);
    EXPECT_EQ(0u, graphics.Count("DrawRect")) << "no composition target exists";
}

// Counts its own destruction.
class WatchedNode : public QZW::CQzNode {
public:
    explicit WatchedNode(bool& gone) : gone(gone) {}
    ~WatchedNode() override { gone = true; }
    bool& gone;
};

TEST_F(GameDrawTaskTest, AReleasedNodeLivesUntilTheFrameThatQueuedItWasDrawn) {
    CGameDrawTask& task = world.MakeTask(false);
    bool gone = false;
    task.Update();
    auto* node = new WatchedNode(gone);
    task.layerScreens[3]->layers[0].AppendChild(node);
    task.ReleaseAfterDraw(node);
    world.DrawFrame();  // still reaches the node
    EXPECT_FALSE(gone);
    task.Update();
    EXPECT_TRUE(gone);
    EXPECT_EQ(0u, task.GetDeferredReleaseCount());
}

TEST_F(GameDrawTaskTest, AppendsLandInTheLayerBatchesWithTheRightMaterial) {
    CGameDrawTask& task = world.MakeTask(false);
    qz_test_support::SizedTexture texture(64, 64, "sprite");
    QZW::CQzMaterial material(1);
    material.SetTexture(0, &texture);
    const QZW::Matrix identity;
    task.AppendPrim(identity, Vector3(), Vector3(1, 0, 0), Vector3(0, 1, 0), {}, {}, {}, 4,
                    nullptr);
    task.AppendSprite(identity, 16, 0, 16, 8, 0xFFFFFFFFu, &material, 4, 32, 8);
    task.AppendLine(4, Vector3(), Vector3(5, 5, 0), 0xFF0000FFu);
    const QZW::CQzScreen& s = *task.layerScreens[4];
    ASSERT_EQ(2u, s.batchMeshes.size());
    EXPECT_EQ(task.lineMaterial, s.batchMeshes[0].material);
    auto* prims = static_cast<QZW::CQzMesh*>(s.batchMeshes[0].node);
    EXPECT_EQ(3u, prims->GetBlock(0).positions.size());
    auto* sprites = static_cast<QZW::CQzMesh*>(s.batchMeshes[1].node);
    const QZW::QzMeshBlock& quad = sprites->GetBlock(1);
    ASSERT_EQ(4u, quad.positions.size());
    // A 32 x 8 quad showing the 16 x 8 texels at (16, 0).
    EXPECT_EQ(Vector3(32, 8, 0), quad.positions[2]);
    EXPECT_FLOAT_EQ(0.25f, quad.uvs[0].x);
    EXPECT_FLOAT_EQ(0.5f, quad.uvs[2].x);
    ASSERT_EQ(1u, s.lineLists.size());
    EXPECT_EQ(task.lineMaterial, s.lineLists[0].material);
}

TEST_F(GameDrawTaskTest, AnEmptySourceSideFallsBackToTheQuadSize) {
    CGameDrawTask& task = world.MakeTask(false);
    qz_test_support::SizedTexture texture(64, 64, "sprite");
    QZW::CQzMaterial material(1);
    material.SetTexture(0, &texture);
    const QZW::Matrix identity;
    struct Case {
        const char* what;
        float srcW, srcH;
        float uRight, vBottom;
    };
    const Case cases[] = {
        {"no source width", 0, 8, (16.0f + 32.0f) / 64.0f, 8.0f / 64.0f},
        {"no source height", 16, 0, (16.0f + 16.0f) / 64.0f, 8.0f / 64.0f},
        {"no source size", 0, 0, (16.0f + 32.0f) / 64.0f, 8.0f / 64.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        task.Update();  // a fresh frame empties the layer batches
        task.AppendSprite(identity, 16, 0, c.srcW, c.srcH, 0xFFFFFFFFu, &material, 4, 32, 8);
        const QZW::CQzScreen& s = *task.layerScreens[4];
        ASSERT_EQ(1u, s.batchMeshes.size());
        const QZW::QzMeshBlock& quad =
            static_cast<QZW::CQzMesh*>(s.batchMeshes[0].node)->GetBlock(1);
        ASSERT_EQ(4u, quad.positions.size()) << "the sprite was dropped";
        EXPECT_EQ(Vector3(32, 8, 0), quad.positions[2]);
        EXPECT_FLOAT_EQ(c.uRight, quad.uvs[2].x);
        EXPECT_FLOAT_EQ(c.vBottom, quad.uvs[2].y);
    }
}

}  // namespace
