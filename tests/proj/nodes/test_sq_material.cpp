// The script material: textures by name (now, in the background, or a
// render target's colour), holder counts and releases, the material-info
// table and CreateSqMaterial, and the script material in the draw functions.
#include "proj/nodes/sq_material.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/proj/nodes/node_script_fixture.h"
#include "tests/support/poll_until.h"
#include "tests/support/process_runner.h"
#include "tests/support/sized_texture.h"

namespace {

using QZW::CSqMaterial;
using QZW::IQzTexture;

int g_alive = 0;

// Counts itself and the sampling calls it gets.
class TrackedTexture : public qz_test_support::SizedTexture {
public:
    explicit TrackedTexture(const std::string& name) : SizedTexture(64, 32, name) { ++g_alive; }
    ~TrackedTexture() override { --g_alive; }
    void SetWrap(bool repeat) override { wraps += repeat ? "R" : "C"; }
    void SetFilter(bool a, bool b) override {
        filters += std::string(a ? "L" : "N") + (b ? "L" : "N");
    }
    std::string wraps, filters;
};

class MaterialTest : public node_test::NodeScriptTest {
protected:
    void SetUp() override {
        g_alive = 0;
        NodeScriptTest::SetUp();
        for (int i = 0; i < 4; ++i) {
            world.graphics.frameBuffers[i] = &targets[i];
        }
    }
    void TearDown() override {
        NodeScriptTest::TearDown();
        if (files) {
            world.engine.reset();
            files->Finalize();
        }
    }
    // A texture the renderer hands out for `name` (the texture list then owns it).
    TrackedTexture* Offer(const std::string& name) {
        auto* t = new TrackedTexture(name);
        graphics.textures[name] = t;
        return t;
    }
    QZW::CQzDrawTask& Engine() { return *world.engine; }
    void UseFiles() {
        QZW::Win::CQzFileManager::ResetRequestIdsForTests();
        files = std::make_unique<QZW::Win::CQzFileManager>(dir.path());
        world.manager.fileManager = files.get();
    }
    void WriteFile(const std::string& name) {
        std::ofstream(dir.path() + "/" + name, std::ios::binary) << "texels";
    }
    // Runs the file manager's completions until `done` holds.
    template <class F>
    bool PumpUntil(F done) {
        return qz_test::PollUntil(done, [&] { files->Update(); });
    }

    qz_test_support::CountingFrameBuffer targets[4]{
        qz_test_support::CountingFrameBuffer(0), qz_test_support::CountingFrameBuffer(1),
        qz_test_support::CountingFrameBuffer(2), qz_test_support::CountingFrameBuffer(3)};
    qz_test::TempDir dir;
    std::unique_ptr<QZW::Win::CQzFileManager> files;
};

TEST_F(MaterialTest, FrameNamesTakeARenderTargetsColourTextureAndOtherNamesAFile) {
    TrackedTexture* file = Offer("fram");
    struct Case {
        const char* name;
        IQzTexture* want;
        bool flushes;
    };
    const Case cases[] = {
        {"frame3", targets[3].GetTexture(), true},
        {"frame", targets[0].GetTexture(), true},
        {"frame99", nullptr, true},
        {"frame-1", nullptr, true},
        {"fram", file, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSqMaterial m;
        graphics.ClearCalls();
        m.SetTexture(2, c.name, false);
        EXPECT_EQ(c.want, m.textures[2]);
        EXPECT_EQ(c.flushes ? 1u : 0u, graphics.Count("Flush"));
        EXPECT_EQ(c.flushes ? 0u : 1u, graphics.Count("LoadTexture"));
        EXPECT_EQ(-1, m.pendingRequest[2]);
    }
    CSqMaterial m;
    m.SetTexture(8, "fram", false);
    m.SetTexture(-1, "fram", false);
    m.SetTextureWrapMode(9, 1);
    m.SetTextureFilter(-3, 1, 1);
    for (IQzTexture* t : m.textures) {
        EXPECT_EQ(nullptr, t) << "slots outside 0..7 are ignored";
    }
}

TEST_F(MaterialTest, BackgroundLoadsEndInIsReadyAlsoAfterTheScriptsClearedTheRequests) {
    UseFiles();
    WriteFile("ok.tga");
    TrackedTexture* ok = Offer("ok.tga");
    CSqMaterial m;
    EXPECT_TRUE(m.IsReady()) << "nothing pending";
    m.SetTexture(0, "ok.tga", true);
    m.SetTexture(1, "missing.tga", true);
    EXPECT_GE(m.pendingRequest[0], 0);
    EXPECT_EQ(nullptr, m.textures[0]);
    ASSERT_TRUE(PumpUntil([&] { return files->IsIdle(); }));
    // Idle cleared the finished requests: their ids are unknown now.
    EXPECT_FALSE(files->IsRequestFinished(std::uint32_t(m.pendingRequest[0])));
    EXPECT_TRUE(m.IsReady());
    EXPECT_EQ(ok, m.textures[0]);
    EXPECT_EQ(nullptr, m.textures[1]) << "a failed load leaves the slot empty";
    EXPECT_EQ(-1, m.pendingRequest[1]);

    // Listed now: a second material gets it at once.
    CSqMaterial other;
    other.SetTexture(5, "ok.tga", true);
    EXPECT_EQ(ok, other.textures[5]);
    EXPECT_EQ(-1, other.pendingRequest[5]);
}

TEST_F(MaterialTest, ASynchronousSetEndsTheSlotsBackgroundLoad) {
    UseFiles();
    WriteFile("late.tga");
    Offer("late.tga");
    TrackedTexture* now = Offer("now.tga");
    CSqMaterial m;
    m.SetTexture(0, "late.tga", true);
    m.SetTexture(0, "now.tga", false);
    EXPECT_EQ(-1, m.pendingRequest[0]);
    ASSERT_TRUE(PumpUntil([&] { return Engine().IsTextureListed("late.tga"); }));
    EXPECT_TRUE(m.IsReady());
    EXPECT_EQ(now, m.textures[0]);
}

TEST_F(MaterialTest, AMaterialFreedWhileItsLoadRunsIsNotTouchedByTheCompletion) {
    UseFiles();
    WriteFile("ok.tga");
    Offer("ok.tga");
    auto m = std::make_unique<CSqMaterial>();
    m->SetTexture(0, "ok.tga", true);
    m.reset();
    ASSERT_TRUE(PumpUntil([&] { return Engine().IsTextureListed("ok.tga"); }));
    EXPECT_EQ(1, g_alive);
}

TEST_F(MaterialTest, SharedTexturesAreReleasedWithTheirLastHolderAndTargetsNever) {
    Offer("shared.tga");
    auto first = std::make_unique<CSqMaterial>();
    CSqMaterial second;
    first->SetTexture(0, "shared.tga", false);
    second.SetTexture(3, "shared.tga", false);
    first->SetTexture(1, "frame2", false);
    first->SetDeleteRelease(true);
    EXPECT_EQ(2, QZW::SqTextureHolders(second.textures[3]));
    first.reset();
    EXPECT_TRUE(Engine().IsTextureListed("shared.tga")) << "the second material still draws it";
    EXPECT_EQ(1, g_alive);
    second.ReleaseTexture();
    EXPECT_FALSE(Engine().IsTextureListed("shared.tga"));
    EXPECT_EQ(0, g_alive);
    EXPECT_EQ(nullptr, second.textures[3]);
    EXPECT_EQ(1280, targets[2].GetTexture()->GetWidth()) << "a target's texture is not freed";

    // Without the flag a dying material leaves its textures cached.
    Offer("kept.tga");
    {
        CSqMaterial m;
        m.SetTexture(0, "kept.tga", false);
    }
    EXPECT_TRUE(Engine().IsTextureListed("kept.tga"));
}

TEST_F(MaterialTest, TheFirstInfoOfANameWinsAndCreateSqMaterialBuildsFromIt) {
    TrackedTexture* stone = Offer("stone.tga");
    Value(
        "local i = SqMaterialInfo(); i.tex1 = \"stone.tga\"; i.alphaPriority = 4;"
        "SQ_SetMaterialInfo(\"wall\", i);"
        "local j = SqMaterialInfo(); j.shaderType = 7; SQ_SetMaterialInfo(\"wall\", j);"
        "local k = SqMaterialInfo(); k.texfilter = 0; k.texwrapmode = 1; k.depthtest = true;"
        "k.tex0 = \"stone.tga\"; k.frameBufferId = 10; k.texwidth = 256.0;"
        "SQ_SetMaterialInfo(\"floor\", k)");
    EXPECT_EQ(nullptr, QZW::CreateSqMaterial("roof", false));

    std::unique_ptr<CSqMaterial> wall(QZW::CreateSqMaterial("wall", false));
    ASSERT_NE(nullptr, wall);
    EXPECT_EQ(1, wall->shaderType) << "the second record of the name was not taken";
    EXPECT_EQ("wall", wall->GetName());
    EXPECT_EQ(1, wall->alphaBlend);
    EXPECT_EQ(0, wall->depthTest);
    EXPECT_EQ(0, wall->depthWrite);
    EXPECT_EQ(4, wall->alphaPriority);
    EXPECT_EQ(stone, wall->textures[1]);
    EXPECT_FLOAT_EQ(2048.0f, wall->texSize[0]);
    EXPECT_FLOAT_EQ(2048.0f, wall->texSize[1]);
    EXPECT_FLOAT_EQ(16.0f, wall->yuragiParam[2]);
    EXPECT_EQ("LL", stone->filters);
    EXPECT_EQ("C", stone->wraps);

    std::unique_ptr<CSqMaterial> floor(QZW::CreateSqMaterial("floor", false));
    EXPECT_EQ(1, floor->depthTest);
    EXPECT_EQ(10, floor->frameBufferId);
    EXPECT_FLOAT_EQ(256.0f, floor->texSize[0]);
    EXPECT_EQ("LLNN", stone->filters);
    EXPECT_EQ("CR", stone->wraps);
}

TEST_F(MaterialTest, InfoPropertiesReadTheirDefaultsAndTakeValues) {
    EXPECT_EQ("1,0,false,false,true,0,0,2048,2048,1,0,''",
              Value("local i = SqMaterialInfo(); return i.shaderType + \",\" + i.blendmode + \",\""
                    " + i.depthtest + \",\" + i.depthmask + \",\" + i.alphablend + \",\" +"
                    " i.alphaPriority + \",\" + i.frameBufferId + \",\" + i.texwidth + \",\" +"
                    " i.texheight + \",\" + i.texfilter + \",\" + i.texwrapmode + \",'\" + i.tex7 +"
                    " \"'\""));
    EXPECT_EQ("b.tga", Value("local i = SqMaterialInfo(); i.tex7 = \"b.tga\"; return i.tex7"));
}

TEST_F(MaterialTest, ScriptMaterialsSetTheirFieldsAndReachTheDrawFunctions) {
    Offer("sprite.tga");
    Value(
        "::m <- CSqMaterial(); m.SetShaderType(3); m.SetTexture(0, \"sprite.tga\", false);"
        "m.SetBlendMode(2); m.EnableDepthTest(); m.EnableDepthMask(); m.DisableAlphaBlend();"
        "m.SetName(\"glass\"); m.SetPaletteIndex(5); m.SetTexOffset(0.25, 0.5);"
        "m.SetTex1Offset(1, 2); local p = Matrix(); p.TransrateMatrix(1, 2, 3);"
        "m.SetProjectMapMatrix(p); m.SetGreaPow(3); m.SetGaussianDir(0, 1);"
        "m.SetYuragiParam(1, 2, 3); m.SetZOffset(0.5); m.SetTextureSize(64, 32);"
        "m.SetTargetFrameBufferId(11); m.SetAlphaPriority(9); m.SetTextureWrapMode(0, 1);"
        "m.SetTextureFilter(0, 0, 1)");
    CSqMaterial* m = Object<CSqMaterial>("m");
    ASSERT_NE(nullptr, m);
    EXPECT_EQ("glass", Value("return m.GetName()"));
    EXPECT_EQ(3, m->shaderType);
    EXPECT_EQ(2, m->blendMode);
    EXPECT_EQ(1, m->depthTest);
    EXPECT_EQ(1, m->depthWrite);
    EXPECT_EQ(0, m->alphaBlend);
    EXPECT_EQ(5, m->paletteIndex);
    EXPECT_FLOAT_EQ(0.5f, m->texOffset[1]);
    EXPECT_FLOAT_EQ(2.0f, m->tex1Offset[1]);
    EXPECT_FLOAT_EQ(3.0f, m->projectMapMatrix[14]);
    EXPECT_FLOAT_EQ(3.0f, m->greaPow);
    EXPECT_FLOAT_EQ(1.0f, m->gaussianDir[1]);
    EXPECT_FLOAT_EQ(3.0f, m->yuragiParam[2]);
    EXPECT_FLOAT_EQ(0.5f, m->zOffset);
    EXPECT_FLOAT_EQ(32.0f, m->texSize[1]);
    EXPECT_EQ(11, m->frameBufferId);
    EXPECT_EQ(9, m->alphaPriority);
    auto* t = static_cast<TrackedTexture*>(m->textures[0]);
    EXPECT_EQ("R", t->wraps);
    EXPECT_EQ("NL", t->filters);

    // A sprite with the material lands in the layer's batch keyed by it,
    // and the material outlives the frame the script dropped it in.
    Value(
        "m.SetShaderType(1); SQ_AppendSprite2(Matrix(), 8.0, 8.0, 0, 0, 8, 8, Color(), m, 4);"
        "::m <- null");
    const auto& batches = world.task->layerScreens[4]->batchMeshes;
    ASSERT_EQ(1u, batches.size());
    EXPECT_EQ(m, batches[0].material);
    EXPECT_EQ(4u, static_cast<QZW::CQzMesh*>(batches[0].node)->GetBlock(1).positions.size());
    EXPECT_EQ(1u, world.task->GetDeferredReleaseCount());
    NextFrame();
    EXPECT_EQ(0u, world.task->GetDeferredReleaseCount());
}

TEST_F(MaterialTest, AClonedMaterialHoldsItsTexturesOnItsOwn) {
    Offer("shared.tga");
    Value(
        "::m <- CSqMaterial(); m.SetTexture(0, \"shared.tga\", false); m.SetShaderType(4);"
        "m.SetDeleteRelease(true); ::k <- clone m");
    CSqMaterial* m = Object<CSqMaterial>("m");
    CSqMaterial* k = Object<CSqMaterial>("k");
    ASSERT_NE(nullptr, k);
    EXPECT_NE(m, k);
    EXPECT_EQ(4, k->shaderType);
    EXPECT_EQ(m->textures[0], k->textures[0]);
    EXPECT_EQ(2, QZW::SqTextureHolders(k->textures[0]));
    // The original dies releasing its textures: the clone's hold keeps it.
    Value("::m <- null");
    NextFrame();
    EXPECT_EQ(1, g_alive) << "expected the clone's texture alive";
    EXPECT_TRUE(Engine().IsTextureListed("shared.tga"));
    Value("::k <- null");
    NextFrame();
    EXPECT_EQ(0, g_alive) << "the clone's deleteRelease releases it last";
}

}  // namespace
