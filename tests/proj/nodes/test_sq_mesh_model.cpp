// The script model node over files made by the model writer: synchronous
// and polled loads (missing, damaged, cleared and abandoned reads included),
// records whose material is unknown, drawing by alpha priority, the
// animation calls and the ground queries as scripts see them.
#include "proj/nodes/sq_mesh_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "proj/nodes/sq_file_read_ticket.h"
#include "proj/nodes/sq_material.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/proj/nodes/node_script_fixture.h"
#include "tests/support/poll_until.h"
#include "tests/support/process_runner.h"
#include "tools/datawriters/model_bin_writer.h"

namespace {

using qztools::ModelPartDesc;
using QZW::CSqMeshModel;

ModelPartDesc Quad(const std::string& material, float y) {
    ModelPartDesc p;
    p.materialName = material;
    p.positions = {{-10, y, -10}, {10, y, -10}, {10, y, 10}, {-10, y, 10}};
    p.indices = {0, 2, 1, 0, 3, 2};
    return p;
}

class ModelTest : public node_test::NodeScriptTest {
protected:
    void SetUp() override {
        NodeScriptTest::SetUp();
        QZW::Win::CQzFileManager::ResetRequestIdsForTests();
        files = std::make_unique<QZW::Win::CQzFileManager>(dir.path());
        world.manager.fileManager = files.get();
        // Every material the test models name, blending as the name says.
        Value(
            "local i = SqMaterialInfo(); i.alphablend = false;"
            "SQ_SetMaterialInfo(\"opaque\", i); SQ_SetMaterialInfo(\"demo_ground\", i);"
            "SQ_SetMaterialInfo(\"demo_banner\", i); SQ_SetMaterialInfo(\"demo_marker\", i);"
            "local b = SqMaterialInfo(); b.alphaPriority = 2; SQ_SetMaterialInfo(\"second\", b);"
            "local c = SqMaterialInfo(); c.alphaPriority = 5; SQ_SetMaterialInfo(\"never\", c);"
            "local d = SqMaterialInfo(); SQ_SetMaterialInfo(\"blended0\", d);"
            "return 0");
    }
    void TearDown() override {
        NodeScriptTest::TearDown();
        world.task.reset();
        world.engine.reset();
        files->Finalize();
    }
    void WriteModel(const std::string& name, const std::vector<ModelPartDesc>& parts) {
        WriteBytes(name, qztools::EncodeModelBin(parts));
    }
    void WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir.path() + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    // Polls the model in root slot "m" once per frame, running the file
    // manager's completions in between; the calls until the first true.
    int PollUntilLoaded() {
        int calls = 0;
        const bool loaded = qz_test::PollUntil(
            [&] {
                ++calls;
                files->Update();
                return Value("return m.UpdateLoadBinAsync()") == "true";
            },
            [] {});
        return loaded ? calls : -1;
    }
    CSqMeshModel* Model() { return Object<CSqMeshModel>("m"); }

    qz_test::TempDir dir;
    std::unique_ptr<QZW::Win::CQzFileManager> files;
};

// [SECTION] Loading

TEST_F(ModelTest, ManySkinAnimationsShareOneCopyOfTheWeights) {
    std::vector<qztools::ModelPartDesc> parts = qztools::DemoModelParts();
    ASSERT_TRUE(parts[1].skin.has_value());
    qztools::ModelSkinDesc& skin = *parts[1].skin;
    ASSERT_FALSE(skin.anims.empty());
    const qztools::ModelAnimDesc wave = skin.anims.front();
    for (int i = 0; i < 200; ++i) {
        skin.anims.push_back(wave);
        skin.anims.back().name = "w" + std::to_string(i);
    }
    WriteModel("many.bin", parts);
    EXPECT_EQ(Value("::m <- CSqMeshModel(); return m.LoadBin(\"many.bin\", false, true)"), "true");
    const auto& skins = Model()->parts[1].mesh->GetSkins();
    ASSERT_EQ(skins.size(), skin.anims.size()) << "one skin record per animation";
    EXPECT_EQ(skins[0].weights.size(), skin.weights.size()) << "the drawn record holds the weights";
    EXPECT_EQ(skins[0].boneIndices.size(), skin.boneIndices.size());
    for (std::size_t i = 1; i < skins.size(); ++i) {
        EXPECT_TRUE(skins[i].weights.empty() && skins[i].boneIndices.empty())
            << "record " << i << " copied the weights again";
    }
    EXPECT_EQ(skins.back().name, "w199");
}

TEST_F(ModelTest, LoadBinBuildsEveryPartOfTheDemoModel) {
    WriteModel("demo.bin", qztools::DemoModelParts());
    EXPECT_EQ(Value("::m <- CSqMeshModel(); return m.LoadBin(\"demo.bin\", false, true)"), "true");
    CSqMeshModel* m = Model();
    ASSERT_EQ(m->parts.size(), 3u);
    EXPECT_EQ(m->parts[0].mesh->GetMaterialName(), "demo_ground");
    EXPECT_EQ(m->parts[1].material->GetName(), "demo_banner");
    EXPECT_EQ(m->parts[1].material->deleteRelease, 1);
    EXPECT_EQ(m->parts[0].mesh->GetBlock(0).indices.size(), 6u);
    // The banner's rest position (0, -160, 0) and its two bones; the skin's
    // one animation gives one skin record.
    EXPECT_EQ(m->parts[1].mesh->matrix[13], -160.0f);
    EXPECT_EQ(m->parts[1].mesh->GetBones().size(), 2u);
    EXPECT_EQ(m->parts[1].mesh->GetSkins().size(), 1u);
    EXPECT_NE(m->parts[1].skinChunk, nullptr);
    EXPECT_NE(m->parts[2].meshAnimChunk, nullptr);
    // Chunks point into the kept file; the node queued is the part node
    // with the mesh as its only child.
    EXPECT_EQ(m->images.size(), 1u);
    ASSERT_EQ(m->parts[2].partNode->children.size(), 1u);
    EXPECT_EQ(m->parts[2].partNode->children[0], m->parts[2].mesh);
    EXPECT_TRUE(m->parts[2].colActive);
    // A second load appends and keeps both files: the first parts' chunks
    // still point into memory of their own.
    EXPECT_EQ(Value("m.LoadBin(\"demo.bin\", false, true); m.PlayMeshAnim(\"spin\");"
                    "m.SetAnimFrame(9); m.Update(); return m.IsEndAnim()"),
              "false");
    EXPECT_EQ(m->parts.size(), 6u);
    EXPECT_EQ(m->images.size(), 2u);
    EXPECT_EQ(m->parts[2].mesh->matrix, m->parts[5].mesh->matrix);
    EXPECT_NE(m->parts[2].mesh->matrix, QZW::Matrix());
}

TEST_F(ModelTest, LoadBinOutcomes) {
    WriteModel("plain.bin", {Quad("opaque", 0)});
    std::vector<std::uint8_t> damaged = qztools::EncodeModelBin({Quad("opaque", 0)});
    damaged[8 + 44] = 0xFF;  // vertex count 255: arrays past the record
    WriteBytes("damaged.bin", damaged);
    EXPECT_EQ(Value("::m <- CSqMeshModel(); return m.Load(\"anything\")"), "false");
    EXPECT_EQ(Value("return m.LoadBin(\"missing.bin\", true, true)"), "false");
    EXPECT_EQ(Value("return m.LoadBin(\"damaged.bin\", true, true)"), "false");
    EXPECT_TRUE(Model()->parts.empty());
    // No chunks: loaded, and no file kept.
    EXPECT_EQ(Value("return m.LoadBin(\"plain.bin\", true, true)"), "true");
    EXPECT_EQ(Model()->parts.size(), 1u);
    EXPECT_TRUE(Model()->images.empty());
    // Loading created the device buffer at once (uploadNow).
    EXPECT_NE(Model()->parts[0].mesh->GetBlock(0).vertexBuffer, nullptr);
}

TEST_F(ModelTest, RecordWithoutMaterialStillStepsOverItsChunks) {
    ModelPartDesc unknown = Quad("not_in_table", 5);
    unknown.meshAnims = std::vector<qztools::ModelAnimDesc>{
        {"spin", {qztools::ModelIdentity(), qztools::ModelIdentity()}}};
    qztools::ModelSkinDesc skin;
    skin.bones = {{"root", qztools::ModelIdentity()}};
    skin.boneIndices.assign(16, 0);
    skin.weights.assign(16, 1.0f);
    unknown.skin = skin;
    WriteModel("mixed.bin", {unknown, Quad("opaque", 3)});
    EXPECT_EQ(Value("::m <- CSqMeshModel(); return m.LoadBin(\"mixed.bin\", false, true)"), "true");
    ASSERT_EQ(Model()->parts.size(), 1u);
    EXPECT_EQ(Model()->parts[0].mesh->GetMaterialName(), "opaque");
    EXPECT_EQ(Model()->parts[0].mesh->GetBlock(0).positions[0].y, 3.0f);
    EXPECT_EQ(Value("return m.GetGroundHight(0, 10, 0)"), "3");
}

TEST_F(ModelTest, PolledLoadTakesThreeStepsBeforeDone) {
    WriteModel("demo.bin", qztools::DemoModelParts());
    EXPECT_EQ(Value("::m <- CSqMeshModel(); return m.UpdateLoadBinAsync()"), "true");
    Value("return m.LoadBinAsync(\"demo.bin\", false, true)");
    EXPECT_GE(PollUntilLoaded(), 4);
    EXPECT_EQ(Model()->parts.size(), 3u);
    EXPECT_EQ(Model()->loadState, CSqMeshModel::kDone);
}

TEST_F(ModelTest, PolledLoadOfAMissingFileEndsDoneWithNoParts) {
    Value("::m <- CSqMeshModel(); return m.LoadBinAsync(\"missing.bin\", true, true)");
    EXPECT_GT(PollUntilLoaded(), 0);
    EXPECT_TRUE(Model()->parts.empty());
    EXPECT_TRUE(Model()->images.empty());
}

TEST_F(ModelTest, ClearedRequestsDoNotLeaveTheModelWaiting) {
    WriteModel("demo.bin", qztools::DemoModelParts());
    Value("::m <- CSqMeshModel(); return m.LoadBinAsync(\"demo.bin\", false, true)");
    // The read finishes and the scripts clear the request list before the
    // model looks again.
    ASSERT_TRUE(qz_test::PollUntil([&] { return files->IsIdle(); }, [&] { files->Update(); }));
    Value("SQ_ClearFileRequest(); return 0");
    ASSERT_EQ(files->GetRequestCount(), 0);
    EXPECT_GT(PollUntilLoaded(), 0);
    EXPECT_EQ(Model()->parts.size(), 3u);
}

TEST_F(ModelTest, ModelFreedBeforeItsReadArrivesLetsTheBufferGo) {
    WriteModel("demo.bin", qztools::DemoModelParts());
    Value("::m <- CSqMeshModel(); m.LoadBinAsync(\"demo.bin\", false, true); return 0");
    const std::size_t pending = QZW::SqPendingFileReads();
    Value("::m <- null; return 0");
    NextFrame();  // the game draw task frees the released model
    // The completion still runs; LeakSanitizer would report its buffer.
    ASSERT_TRUE(qz_test::PollUntil([&] { return files->IsIdle(); }, [&] { files->Update(); }));
    EXPECT_EQ(QZW::SqPendingFileReads(), pending - 1);
}

// [SECTION] Drawing

TEST_F(ModelTest, PartsGoToTheLayerNodeTheirMaterialPicks) {
    WriteModel("layers.bin",
               {Quad("opaque", 0), Quad("second", 1), Quad("never", 2), Quad("blended0", 3)});
    Value(
        "::m <- CSqMeshModel(); m.LoadBin(\"layers.bin\", false, true);"
        "m.SetPos(5, 6, 7); m.Hide(); m.Draw(4); return 0");
    CSqMeshModel* m = Model();
    QZW::CQzScreen* screen = world.task->layerScreens[4];
    auto listed = [&](int node, int part) {
        const auto& c = screen->layers[node].children;
        return std::count(c.begin(), c.end(), m->parts[std::size_t(part)].partNode.get());
    };
    EXPECT_EQ(listed(0, 0), 1);
    EXPECT_EQ(listed(2, 1), 1);
    EXPECT_EQ(listed(0, 3), 1);
    for (int node = 0; node < 4; ++node) {
        EXPECT_EQ(listed(node, 2), 0) << "priority 5 is never queued";
    }
    // The model itself is not queued; its matrix (rebuilt even when hidden)
    // reaches every part node.
    EXPECT_EQ(screen->layers[0].children.size(), 2u);
    EXPECT_EQ(m->parts[1].partNode->matrix[12], 5.0f);
    EXPECT_EQ(m->parts[1].partNode->matrix[14], 7.0f);
    // A layer node at its limit takes no more.
    screen->layers[2].maxChildren = 1;
    Value("m.Draw(4); return 0");
    EXPECT_EQ(screen->layers[2].children.size(), 1u);
}

TEST_F(ModelTest, ReleaseAfterDrawKeepsThePartsUntilTheFrameIsDrawn) {
    WriteModel("demo.bin", qztools::DemoModelParts());
    Value(
        "::m <- CSqMeshModel(); m.LoadBin(\"demo.bin\", false, true); m.Draw(6);"
        "m.ReleaseResource(); return 0");
    EXPECT_TRUE(Model()->parts.empty());
    EXPECT_TRUE(Model()->images.empty());
    // The queued part nodes are drawn from memory that is still theirs.
    NextFrame();
    EXPECT_EQ(world.task->GetDeferredReleaseCount(), 0u);
}

// [SECTION] Script calls

TEST_F(ModelTest, AnimationCallsAsScriptsSeeThem) {
    WriteModel("demo.bin", qztools::DemoModelParts());
    Value("::m <- CSqMeshModel(); m.LoadBin(\"demo.bin\", false, true); return 0");
    EXPECT_EQ(Value("return m.IsEndAnim()"), "true");
    EXPECT_EQ(Value("m.PlayMeshAnim(\"spin\"); m.SetAnimFrame(4); m.SetAnimSpeed(0.5);"
                    "m.Update(); return m.GetAnimFrame()"),
              "4.5");
    EXPECT_EQ(Value("return m.IsEndAnim()"), "false");
    // Frame 4 of "spin" (36 frames) lifts the marker by 20 sin(40 degrees).
    EXPECT_NEAR(Model()->parts[2].mesh->matrix[13],
                -60.0f - 20.0f * std::sin(40.0f * 3.14159f / 180), 1e-3);
    EXPECT_EQ(Value("m.PlayMeshAnim(\"\"); m.SetAnimFrame(4); m.Update(); return m.GetAnimFrame()"),
              "4");
    EXPECT_EQ(Value("m.PlaySkinAnim(\"wave\"); m.SetLoop(true); m.SetAnimFrame(59); m.Update();"
                    "return m.IsEndAnim()"),
              "false");
    EXPECT_EQ(Model()->anim.skinFrame, 0.0f);
}

TEST_F(ModelTest, GroundQueriesAndRecordsAsScriptsSeeThem) {
    ModelPartDesc platform = Quad("h_norimono", 4);
    Value("SQ_SetMaterialInfo(\"h_norimono\", SqMaterialInfo()); return 0");
    WriteModel("field.bin", {Quad("opaque", 0), platform});
    Value(
        "::m <- CSqMeshModel(); m.LoadBin(\"field.bin\", false, true);"
        "::g <- m.GetGroundInfo2(Vector3().Set(1, 10, 1)); return 0");
    EXPECT_EQ(Value("return g.IsHit + \" \" + g.GroundHight + \" \" + g.MaterialName + \" \" + "
                    "g.TopHight + \" \" + g.TopMaterialName"),
              "true 0 opaque 4 h_norimono");
    EXPECT_EQ(Value("local b = g.BoundBox; return b.GetMax().x + \" \" + b.GetMin().z"), "10 -10");
    EXPECT_EQ(Value("return m.GetGroundHight(50, 0, 50)"), "-500");
    // Part 1 (the platform) switched off; indices past the parts are ignored.
    EXPECT_EQ(Value("m.SetColActive(1, false); m.SetColActive(-1, false); m.SetColActive(99, "
                    "false); return m.GetGroundInfo(1, 10, 1).TopMaterialName"),
              "opaque");
    EXPECT_EQ(Value("return m.GetGroundInfoXY(0, 0, 0).GroundHight"), "100");
    // A record a script makes starts zeroed; its clone is a copy.
    EXPECT_EQ(Value("local h = SqHitMeshInfo(); return h.IsHit + \" \" + h.IsInBound + \" \" + "
                    "h.GroundHight + \" \" + h.TopHight + \" [\" + h.MaterialName + \"] \" + "
                    "h.zaxis.x + \" \" + h.BoundBox.size.y"),
              "false false 0 0 [] 0 0");
    EXPECT_EQ(Value("local h = SqHitMeshInfo(); h.GroundHight = 3; return (clone h).GroundHight"),
              "3");
    EXPECT_EQ(Value("return QzHitMeshInfo().IsHit"), "false");
}

TEST_F(ModelTest, MaterialsByName) {
    WriteModel("two.bin", {Quad("opaque", 0), Quad("opaque", 1), Quad("second", 2)});
    Value(
        "::m <- CSqMeshModel(); m.LoadBin(\"two.bin\", false, true);"
        "m.SetMeshMaterial_TexOffset(\"opaque\", 0.25, 0.5);"
        "m.SetMeshMaterial_SetYuragiParam(\"second\", 1, 2, 3); return 0");
    CSqMeshModel* m = Model();
    EXPECT_EQ(m->parts[0].material->texOffset[0], 0.25f);
    EXPECT_EQ(m->parts[1].material->texOffset[1], 0.5f);
    EXPECT_EQ(m->parts[2].material->texOffset[0], 0.0f);
    EXPECT_EQ(m->parts[2].material->yuragiParam[2], 3.0f);
    EXPECT_EQ(Value("return m.GetMaterial(\"second\").GetName()"), "second");
    EXPECT_EQ(Value("return m.GetMaterial(\"none\")"), "null");
}

TEST_F(ModelTest, AMaterialHandleKeptPastReleaseResourceStaysUsable) {
    WriteModel("two.bin", {Quad("opaque", 0), Quad("second", 1)});
    Value(
        "::m <- CSqMeshModel(); m.LoadBin(\"two.bin\", false, true);"
        "::h <- m.GetMaterial(\"second\"); ::g <- m.GetMaterial(\"second\"); return 0");
    QZW::CSqMaterial* held = Object<QZW::CSqMaterial>("h");
    ASSERT_NE(nullptr, held);
    EXPECT_EQ(held, Model()->parts[1].material) << "the handle is the model's own material";
    EXPECT_EQ(3, held->shares) << "the model and two handles";
    Value("m.ReleaseResource()");
    NextFrame();
    EXPECT_TRUE(Model()->parts.empty());
    EXPECT_EQ(0u, world.task->GetDeferredReleaseCount())
        << "the parts were freed after the frame; the material, held, was not queued";
    EXPECT_EQ(2, held->shares);
    EXPECT_EQ(Value("h.SetTexOffset(0.5, 0.25); return h.GetName()"), "second");
    EXPECT_FLOAT_EQ(0.5f, held->texOffset[0]);
    // The model itself goes; the handles still hold the material, and the
    // last one frees it after the frame.
    Value("::m <- null; ::h <- null");
    NextFrame();
    EXPECT_EQ(Value("g.SetYuragiParam(1, 2, 3); return g.GetName()"), "second");
    Value("::g <- null");
    EXPECT_EQ(1u, world.task->GetDeferredReleaseCount()) << "the last handle frees it";
    NextFrame();
    EXPECT_EQ(0u, world.task->GetDeferredReleaseCount());
}

}  // namespace
