// The drawing, projection and display-effect script functions in a real VM
// over the game draw task (recording renderer, real engine draw task): one
// table of (snippet, effects, result), where quads, lines and glyphs land,
// extreme script values, the projection state around camera calls,
// SQ_DebugInfo, and sprite lists released while a layer still holds them.
#include <gtest/gtest.h>
#include <squirrel.h>

#include <cmath>
#include <string>
#include <vector>

#include "proj/game/dbg_task_info_task.h"
#include "proj/game/game_draw_task.h"
#include "proj/nodes/sq_material.h"
#include "proj/script/api_projection.h"
#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_primitive.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/proj/script/script_snippet.h"
#include "tests/support/game_draw_fakes.h"
#include "tests/support/sized_texture.h"

namespace {

using qz_test_support::GameDrawWorld;
using qz_test_support::RecordingGraphics;
using Sample::CGameDrawTask;

class DrawApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.MakeTask(true);
        Sample::ResetProjectionMatrices();
        v = sq_open(1024);
        Sample::SetSquirrelVM(v);
        sq_pushroottable(v);
        Sample::RegisterScriptApi(&world.manager, nullptr);
        world.task->Update();
        graphics.ClearCalls();
    }
    void TearDown() override {
        sq_pop(v, 1);
        Sample::SqBind::ForgetClasses();
        sq_close(v);
        Sample::SetSquirrelVM(nullptr);
        Sample::SetScriptServices(nullptr, nullptr);
        Sample::ResetProjectionMatrices();
    }
    script_test::SnippetResult Run(const char* script) {
        return script_test::RunSnippet(v, script);
    }
    // What the scripts left in the layers and asked of the renderer.
    std::string Effects() {
        std::string out;
        auto add = [&out](const std::string& s) { out += (out.empty() ? "" : " ") + s; };
        CGameDrawTask& t = *world.task;
        for (int layer = 0; layer < CGameDrawTask::kLayerCount; ++layer) {
            const QZW::CQzScreen& s = *t.layerScreens[layer];
            const std::string name = "L" + std::to_string(layer);
            for (const auto& e : s.batchMeshes) {
                auto* mesh = static_cast<QZW::CQzMesh*>(e.node);
                add(name + ".mesh(" + std::to_string(mesh->GetBlock(0).positions.size()) + "/" +
                    std::to_string(mesh->GetBlock(1).positions.size()) + ")");
            }
            for (const auto& e : s.lineLists) {
                add(name + ".lines(" +
                    std::to_string(
                        static_cast<QZW::CQzPrimitive*>(e.node)->GetSourcePoints().size()) +
                    ")");
            }
            // Layer 9, 21 and 22 hold the task's own lists and command.
            const std::size_t own = layer == 9 || layer == 22 ? 1u : 0u;
            if (s.layers[0].children.size() > own) {
                add(name + ".node0(" + std::to_string(s.layers[0].children.size() - own) + ")");
            }
        }
        if (std::uint32_t n = t.debugSpriteList->GetVertexCount()) {
            add("debug(" + std::to_string(n) + ")");
        }
        if (std::uint32_t n = t.damageSpriteList->GetVertexCount()) {
            add("dmg(" + std::to_string(n) + ")");
        }
        if (t.shadowGaus) {
            add("shadow");
        }
        if (std::size_t n = t.GetDeferredReleaseCount()) {
            add("released(" + std::to_string(n) + ")");
        }
        for (const std::string& c : graphics.Texts()) {
            add(c);
        }
        return out;
    }

    RecordingGraphics graphics;
    GameDrawWorld world{graphics};
    HSQUIRRELVM v = nullptr;
};

struct Case {
    const char* script;
    const char* effects;
    const char* result;
};

const Case kCases[] = {
    // Text: the debug font has 256 characters, the damage font digits only.
    {"return SQ_DebugPrint(8, 8, \"AB\", Color())", "debug(8)", "null"},
    {"return SQ_DmgPrint(0, 0, \"1x2\", Color())", "dmg(8)", "null"},
    {"return SQ_DebugPrint(0, 0, 5, Color())", "",
     "wrong argument type, expected 'string' got 'integer'"},
    // Geometry into the layers; other layers are ignored.
    {"return SQ_AppendPrim(Matrix(), Vector3(), Vector3(), Vector3(), Color(), Color(), "
     "Color(), 5, null)",
     "L5.mesh(3/0)", "null"},
    {"return SQ_AppendLine(Matrix(), Vector3(), Vector3().Set(1, 2, 0), Color(), 2)", "L2.lines(2)",
     "null"},
    {"return SQ_DrawBox(10, 20, 30, 40, Color(), 3)", "L3.lines(8)", "null"},
    {"SQ_DrawBox(10, 20, 30, 40, Color(), 23); return SQ_DrawBox(0, 0, 1, 1, Color(), -1)", "",
     "null"},
    // Without a texture in the material nothing is appended to the batch.
    {"return SQ_AppendSprite2(Matrix(), 8.0, 8.0, 0, 0, 8, 8, Color(), null, 4)", "L4.mesh(0/0)",
     "null"},
    {"return SQ_AppendSprite3(Vector3(), Vector3(), Vector3(), 8.0, 8.0, 0, 0, 8, 8, Color(), "
     "null, 40)",
     "", "null"},
    {"return SQ_AppendBillboard(Matrix(), 8.0, 8.0, 0, 0, 8, 8, Color(), null, 14)",
     "L14.mesh(0/0)", "null"},
    // A list the script drops right away stays alive for the next drawing.
    {"local l = CQzSpriteList(); SQ_DrawSpriteList(l, 7); return l != null",
     "L7.node0(1) released(1)", "true"},
    {"return SQ_DrawSpriteList(null, 7)", "", "null"},
    {"SQ_EnableShadowGaus(); return 1", "shadow", "1"},
    {"SQ_EnableShadowGaus(); return SQ_DisableShadowGaus()", "", "null"},
    // Matrices: the task-wide camera basis sits at the eye (0, 0, -16/9);
    // layer 0's orthographic projection takes x 1280 to 1.
    {"return Vector3().Transform(SQ_GetLookAtMatrix()).z", "", "-1.77777779"},
    {"return Vector3().Set(1280, 0, 0).Transform(SQ_GetScreenProjMatrix(0)).x", "", "1"},
    {"return Vector3().Set(5, 0, 0).Transform(SQ_GetScreenProjMatrix(99)).x", "", "5"},
    // Renderer services.
    {"return SQ_ClearScreen(Color().Set(1, 2, 3, 4))", "Clear(1, 2, 3, 4)", "null"},
    {"return SQ_ClearTargetFrameBuffer(30, Color().Set(5, 6, 7, 8))",
     "ClearFrameBuffer(30, 5, 6, 7, 8)", "null"},
    {"return SQ_SetFrameBufferColor(0, 261, 6, 7, 8)", "SetFrameBufferColor(0, 5, 6, 7, 8)",
     "null"},
    {"SQ_EnableYuragi(); return SQ_DisableYuragi()", "EnableYuragi() DisableYuragi()", "null"},
    {"return SQ_SetGreaPow(2.0)", "", "null"},
    {"SQ_SetDisplayBaseScale(1.5, 2); SQ_SetDisplayScale(0.5, 1); return SQ_SetDisplayOfs(3, 4)",
     "SetDisplayBaseScale(1.5, 2) SetDisplayScale(0.5, 1) SetDisplayOfs(3, 4)", "null"},
    {"local p = Vector2(); p.Set(2, 2); local a = Vector2(); local b = Vector2(); b.Set(10, 0);"
     "local c = Vector2(); c.Set(0, 10);"
     "return SQ_Math_IsHitPointTriangle(p, a, b, c) * 10 + SQ_Math_IsHitPointTriangle(p, a, c, b)",
     "", "10"},
};

TEST_F(DrawApiTest, DrawAndDisplayFunctionsReachTheLayersAndTheRenderer) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.script);
        world.DrawFrame();
        world.task->Update();
        world.task->shadowGaus = 0;
        graphics.ClearCalls();
        script_test::SnippetResult r = Run(c.script);
        EXPECT_EQ(c.effects, Effects());
        EXPECT_EQ(c.result, r.text);
        EXPECT_EQ(1, sq_gettop(v));
    }
}

bool IsIdentity(const QZW::Matrix& m) {
    return m == QZW::Matrix();
}

TEST_F(DrawApiTest, ProjectionMatricesStayIdentityUntilACameraCallThenFollowLayer6) {
    const Sample::ProjectionMatrices& m = Sample::GetProjectionMatrices();
    EXPECT_TRUE(IsIdentity(m.screen) && IsIdentity(m.screenInverse) &&
                IsIdentity(m.projectionInverse) && IsIdentity(m.viewInverse));
    // A camera on another layer still recomputes from layer 6.
    ASSERT_TRUE(Run("SQ_SetCameraRot(Vector3().Set(1, 2, 3), Vector3(), 2)").ok);
    EXPECT_EQ(640.0f, m.screen[0]);
    EXPECT_EQ(-290.0f, m.screen[5]);
    EXPECT_TRUE(IsIdentity(m.viewInverse));
    EXPECT_FALSE(IsIdentity(m.projectionInverse));

    // Results in hundredths, rounded towards zero.
    script_test::SnippetResult r =
        Run("SQ_SetCamera(Vector3().Set(0, 10, -10), Vector3(), Vector3().Set(0, -1, 0), 6);"
            "local h = @(f) (f * 100).tointeger();"
            "local s = SQ_World2ScreenPos(Vector3());"
            "local g = SQ_Screen2WorldPos0Y(s.x, s.y);"
            "local m = SQ_GetMove25D(0, 0, 25, 0);"
            "return h(s.x) + \" \" + h(s.y) + \" \" + h(g.x) + \" \" + h(g.y) + \" \" + h(g.z) +"
            "  \" \" + (m.x > 0 && m.z == 0)");
    EXPECT_EQ("64000 35000 0 0 0 true", r.text);
    EXPECT_FALSE(IsIdentity(m.viewInverse));

    r =
        Run("local v = SQ_ViewPosScScale(0, 0, 0); local w = SQ_World2ViewPos2(0, 0, 0);"
            "return [v.z - w.z, v.scale - SQ_World2ScreenScale2(0, 0, 0),"
            " SQ_World2ScreenPos2(0, 0, 0).x - SQ_World2ScreenPos(Vector3()).x,"
            " v.scale > 0 ? 0 : 1].reduce(@(a, b) a + (b == 0 ? 0 : 1))");
    EXPECT_EQ("0", r.text);
}

// A textured script material the scripts reach as `mat`.
class DrawApiWithMaterialTest : public DrawApiTest {
protected:
    void SetUp() override {
        DrawApiTest::SetUp();
        material.shaderType = 1;
        material.PutTexture(0, &texture);
        sq_pushstring(v, "mat", -1);
        Sample::SqBind::PushInstance(v, Sample::SqBind::InfoOf<QZW::CSqMaterial>(), &material,
                                     nullptr);
        sq_newslot(v, -3, SQFalse);
    }
    // The quads the scripts appended to `layer` with the material.
    const QZW::QzMeshBlock* Quads(int layer) const {
        for (const auto& e : world.task->layerScreens[layer]->batchMeshes) {
            if (e.material == &material) {
                return &static_cast<QZW::CQzMesh*>(e.node)->GetBlock(1);
            }
        }
        return nullptr;
    }

    qz_test_support::SizedTexture texture{64, 64, "sprite"};
    QZW::CSqMaterial material;
};

// Rotates p about x, then y, then z (row vectors, degrees x 3.14159 / 180).
QZW::Vector3 Turn(QZW::Vector3 p, const QZW::Vector3& degrees) {
    const float k = 3.14159f / 180.0f;
    const float cx = std::cos(degrees.x * k), sx = std::sin(degrees.x * k);
    const float cy = std::cos(degrees.y * k), sy = std::sin(degrees.y * k);
    const float cz = std::cos(degrees.z * k), sz = std::sin(degrees.z * k);
    p = QZW::Vector3(p.x, p.y * cx - p.z * sx, p.y * sx + p.z * cx);
    p = QZW::Vector3(p.x * cy + p.z * sy, p.y, -p.x * sy + p.z * cy);
    return QZW::Vector3(p.x * cz - p.y * sz, p.x * sz + p.y * cz, p.z);
}

TEST_F(DrawApiWithMaterialTest, AppendSprite3ScalesThenTurnsXYZThenMoves) {
    const QZW::Vector3 position(100, -20, 7), scale(2, 3, 0.5f), angles(30, 45, 60);
    ASSERT_TRUE(Run("SQ_AppendSprite3(Vector3().Set(100, -20, 7), Vector3().Set(2, 3, 0.5),"
                    " Vector3().Set(30, 45, 60), 40.0, 10.0, 16, 8, 32, 16,"
                    " Color().Set(1, 2, 3, 4), mat, 4)")
                    .ok);
    const QZW::QzMeshBlock* quad = Quads(4);
    ASSERT_NE(nullptr, quad);
    ASSERT_EQ(4u, quad->positions.size());
    // A 40 x 10 quad showing the 32 x 16 texels at (16, 8) of 64 x 64.
    const QZW::Vector3 corners[4] = {{0, 0, 0}, {40, 0, 0}, {40, 10, 0}, {0, 10, 0}};
    const QZW::Vector2 uvs[4] = {
        {0.25f, 0.125f}, {0.75f, 0.125f}, {0.75f, 0.375f}, {0.25f, 0.375f}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const QZW::Vector3 c = corners[i];
        const QZW::Vector3 want =
            Turn(QZW::Vector3(c.x * scale.x, c.y * scale.y, c.z * scale.z), angles) + position;
        EXPECT_NEAR(want.x, quad->positions[i].x, 1e-3f);
        EXPECT_NEAR(want.y, quad->positions[i].y, 1e-3f);
        EXPECT_NEAR(want.z, quad->positions[i].z, 1e-3f);
        EXPECT_EQ(uvs[i].x, quad->uvs[i].x);
        EXPECT_EQ(uvs[i].y, quad->uvs[i].y);
        EXPECT_EQ(QZW::Color(1, 2, 3, 4), quad->colours[i]);
    }
}

TEST_F(DrawApiWithMaterialTest, AppendSprite2AndBillboardTakeWidthHeightThenTheSource) {
    ASSERT_TRUE(Run("local m = Matrix(); m.TransrateMatrix(5, 6, 0);"
                    "return SQ_AppendSprite2(m, 24.0, 12.0, 0, 32, 8, 16, Color(), mat, 3)")
                    .ok);
    const QZW::QzMeshBlock* quad = Quads(3);
    ASSERT_NE(nullptr, quad);
    ASSERT_EQ(4u, quad->positions.size());
    EXPECT_EQ(QZW::Vector3(5, 6, 0), quad->positions[0]);
    EXPECT_EQ(QZW::Vector3(29, 18, 0), quad->positions[2]);
    EXPECT_EQ(0.125f, quad->uvs[2].x);
    EXPECT_EQ(0.75f, quad->uvs[2].y);

    // A billboard turns with the layer camera's basis.
    ASSERT_TRUE(Run("SQ_SetCamera(Vector3().Set(3, 4, -5), Vector3(), Vector3().Set(0, -1, 0), 14);"
                    "SQ_AppendBillboard(Matrix(), 8.0, 4.0, 0, 0, 8, 4, Color(), mat, 14)")
                    .ok);
    quad = Quads(14);
    ASSERT_NE(nullptr, quad);
    ASSERT_EQ(4u, quad->positions.size());
    const QZW::Matrix& basis = world.task->layerBasisMatrix[14];
    const QZW::Vector3 far = QZW::Vector3(8, 4, 0).Transform(basis);
    EXPECT_NEAR(far.x, quad->positions[2].x, 1e-4f);
    EXPECT_NEAR(far.y, quad->positions[2].y, 1e-4f);
    EXPECT_NEAR(far.z, quad->positions[2].z, 1e-4f);
    EXPECT_EQ(QZW::Vector3(3, 4, -5), quad->positions[0]);
}

TEST_F(DrawApiTest, DrawBoxDrawsItsFourEdgesAndPrimKeepsItsCornerColours) {
    ASSERT_TRUE(Run("SQ_DrawBox(10, 20, 30, 40, Color().Set(9, 8, 7, 6), 3)").ok);
    const QZW::CQzScreen& s = *world.task->layerScreens[3];
    ASSERT_EQ(1u, s.lineLists.size());
    EXPECT_EQ(world.task->lineMaterial, s.lineLists[0].material);
    const auto* lines = static_cast<QZW::CQzPrimitive*>(s.lineLists[0].node);
    const std::vector<QZW::Vector3> edges = {{10, 20, 0}, {40, 20, 0}, {40, 20, 0}, {40, 60, 0},
                                             {40, 60, 0}, {10, 60, 0}, {10, 60, 0}, {10, 20, 0}};
    EXPECT_EQ(edges, lines->GetSourcePoints());
    for (const QZW::Color& c : lines->GetSourceColors()) {
        EXPECT_EQ(QZW::Color(9, 8, 7, 6), c);
    }

    ASSERT_TRUE(Run("local m = Matrix(); m.TransrateMatrix(1, 0, 0);"
                    "SQ_AppendPrim(m, Vector3(), Vector3().Set(2, 0, 0), Vector3().Set(0, 2, 0),"
                    " Color().Set(1, 0, 0, 255), Color().Set(0, 2, 0, 255),"
                    " Color().Set(0, 0, 3, 255), 5, null)")
                    .ok);
    const QZW::CQzScreen& p = *world.task->layerScreens[5];
    ASSERT_EQ(1u, p.batchMeshes.size());
    EXPECT_EQ(world.task->lineMaterial, p.batchMeshes[0].material);
    const QZW::QzMeshBlock& tri = static_cast<QZW::CQzMesh*>(p.batchMeshes[0].node)->GetBlock(0);
    EXPECT_EQ((std::vector<QZW::Vector3>{{1, 0, 0}, {3, 0, 0}, {1, 2, 0}}), tri.positions);
    EXPECT_EQ((std::vector<QZW::Color>{{1, 0, 0, 255}, {0, 2, 0, 255}, {0, 0, 3, 255}}),
              tri.colours);
}

TEST_F(DrawApiTest, DebugTextIsDrawnAtScaleOneAndDamageNumbersAtScaleTwo) {
    ASSERT_TRUE(Run("SQ_DebugPrint(10, 20, \"A\", Color().Set(1, 2, 3, 4));"
                    "SQ_DmgPrint(30, 40, \"12\", Color().Set(5, 6, 7, 8))")
                    .ok);
    const QZW::CQzSpriteList& text = *world.task->debugSpriteList;
    ASSERT_EQ(4u, text.GetVertexCount());
    EXPECT_EQ(QZW::Vector3(10, 20, 100), text.GetPositions()[0]);
    EXPECT_EQ(QZW::Vector3(18, 28, 100), text.GetPositions()[2]);
    EXPECT_EQ(QZW::Color(1, 2, 3, 4).ToU32(), text.GetColors()[0]);
    const QZW::CQzSpriteList& digits = *world.task->damageSpriteList;
    ASSERT_EQ(8u, digits.GetVertexCount());
    EXPECT_EQ(QZW::Vector3(30, 40, 100), digits.GetPositions()[0]);
    EXPECT_EQ(QZW::Vector3(46, 56, 100), digits.GetPositions()[2]);
    EXPECT_EQ(QZW::Vector3(46, 40, 100), digits.GetPositions()[4]);
    EXPECT_EQ(QZW::Color(5, 6, 7, 8).ToU32(), digits.GetColors()[4]);
}

// Script values at the edges: a null text, integers past 32 bits, NaN and
// infinite floats. Nothing may crash or trip the sanitizers; layers and
// results stay sane.
TEST_F(DrawApiTest, ExtremeScriptValuesAreHandledSafely) {
    const Case cases[] = {
        {"return SQ_DebugPrint(0, 0, null, Color())", "", "null"},
        {"return SQ_DmgPrint(2147483647, -2147483648, null, Color())", "", "null"},
        {"return SQ_DebugPrint(2147483647, 2147483647, \"AB\", Color())", "debug(8)", "null"},
        {"return SQ_DmgPrint(0x7fffffffffff, 0, \"99\", Color())", "dmg(8)", "null"},
        {"return SQ_DrawBox(2147483647, 2147483647, 2147483647, 2147483647, Color(), 3)",
         "L3.lines(8)", "null"},
        {"return SQ_DrawBox(0, 0, 1, 1, Color(), 0x100000003)", "L3.lines(8)", "null"},
        {"return SQ_AppendSprite2(Matrix(), 1e38 * 10, 0.0 / 0.0, 0, 0, 0, 0, Color(), null, 4)",
         "", "null"},
        {"SQ_SetCameraRot(Vector3(), Vector3().Set(0.0 / 0.0, 1e38 * 10, 0), 6);"
         "return SQ_GetMove25D(0.0 / 0.0, 0, 1, 1).y",
         "", "0"},
        {"return SQ_Math_IsHitPointTriangle(Vector2(), Vector2(), Vector2(), Vector2())", "", "1"},
        {"local n = 0.0 / 0.0; local p = Vector2(); p.Set(n, n);"
         "return SQ_Math_IsHitPointTriangle(p, Vector2(), Vector2(), Vector2())",
         "", "0"},
        {"return SQ_GetScreenProjMatrix(-2147483648) != null", "", "true"},
        {"return SQ_SetFrameBufferColor(0x100000000, -1, 256, 0, 0)",
         "SetFrameBufferColor(0, 255, 0, 0, 0)", "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        world.DrawFrame();
        world.task->Update();
        graphics.ClearCalls();
        script_test::SnippetResult r = Run(c.script);
        EXPECT_EQ(c.effects, Effects());
        EXPECT_EQ(c.result, r.text);
    }
}

TEST_F(DrawApiTest, DebugInfoDrawsThroughTheDebugTaskOnlyWhenEnabled) {
    Sample::CDbgTaskInfoTask debug(nullptr, nullptr);
    debug.Start();
    ASSERT_TRUE(Run("SQ_DebugInfo(0, 1, 1)").ok);
    EXPECT_EQ("", Effects());
    ASSERT_TRUE(Run("SQ_DebugInfo(1, 0, 0)").ok);
    EXPECT_GT(world.task->debugSpriteList->GetVertexCount(), 0u);
    EXPECT_FALSE(world.task->layerScreens[21]->batchMeshes.empty());
}

TEST_F(DrawApiTest, AReleasedSpriteListIsDrawnSafelyAndFreedAfterThatFrame) {
    ASSERT_TRUE(Run("local l = CQzSpriteList(); l.AppendSprite2(0, 0, 0, 8, 8, 0, 0, 1, 1, 0);"
                    "SQ_DrawSpriteList(l, 3); l = null; collectgarbage()")
                    .ok);
    EXPECT_EQ(1u, world.task->GetDeferredReleaseCount());
    // The engine draws the layer that still points at the list.
    world.DrawFrame();
    world.task->Update();
    EXPECT_EQ(0u, world.task->GetDeferredReleaseCount());
    EXPECT_TRUE(world.task->layerScreens[3]->layers[0].children.empty());
}

TEST_F(DrawApiTest, SpriteListsReleasedWithoutTheDrawTaskAreFreedAtOnce) {
    world.task.reset();
    EXPECT_EQ(nullptr, Sample::GetGameDrawTask());
    script_test::SnippetResult r =
        Run("local l = CQzSpriteList(); local k = clone l; l.Clear(); return k != l");
    EXPECT_EQ("true", r.text);
    EXPECT_EQ("null", Run("return SQ_DrawSpriteList(CQzSpriteList(), 3)").text);
}

}  // namespace
