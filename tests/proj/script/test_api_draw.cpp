// The drawing, projection and display-effect script functions in a real VM
// over the game draw task (recording renderer, real engine draw task): one
// table of (snippet, effects on the layers and the renderer, result), the
// projection state around camera calls, SQ_DebugInfo, and sprite lists the
// scripts release while a layer still holds them.
#include <gtest/gtest.h>
#include <squirrel.h>

#include <string>

#include "proj/game/dbg_task_info_task.h"
#include "proj/game/game_draw_task.h"
#include "proj/script/api_projection.h"
#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_primitive.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/proj/script/script_snippet.h"
#include "tests/support/game_draw_fakes.h"

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
