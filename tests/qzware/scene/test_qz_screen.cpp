// A layer screen against the recording renderer: what it sets before its
// layers, the order of layers and batch nodes, the child limits, and the
// lifetime of the batch nodes it owns.
#include "qzware/scene/qz_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_primitive.h"
#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::RecordingGraphics;
using QZW::CQzMaterial;
using QZW::CQzNode;
using QZW::CQzScreen;

// Draws as "SetPaletteIndex(id)" so its place among the renderer calls shows.
class Marker : public CQzNode {
public:
    explicit Marker(int id, int* alive = nullptr) : id(id), alive(alive) {
        if (alive) {
            ++*alive;
        }
    }
    ~Marker() override {
        if (alive) {
            --*alive;
        }
    }
    void Draw(QZW::IQzGraphics* g) override { g->SetPaletteIndex(id); }
    int id;
    int* alive;
};

int g_batchNodesAlive = 0;
int g_nextBatchId = 100;
CQzNode* MakeBatchNode(CQzMaterial*) {
    return new Marker(g_nextBatchId++, &g_batchNodesAlive);
}

std::vector<std::string> Draw(CQzNode& node) {
    RecordingGraphics g;
    CQzNode::DrawTree(&node, &g);
    return g.Texts();
}

TEST(QzScreen, AnEmptyScreenSetsItsTargetAndDrawsOnlyItsEnvironment) {
    CQzScreen screen(100, 50, 200, 100, 1280, 720, 0);
    screen.frameBuffer = 12;
    RecordingGraphics g;
    CQzNode::DrawTree(&screen, &g);
    const std::vector<std::string> expected = {
        "SetFrameBuffer(12)",
        "SetViewport(100, 50, 200, 100, 0.1, 200)",
        "SetScreenSize(1280, 720)",
        "UseShader(0)",
        "SetProjectionMatrix()",
        "ResetWorldMatrix()",
        "EnableDepthTest()",
        "EnableDepthWrite()",
        "EnableBlend()",
        "SetBlendMode(0)",
        "PushMatrix()",
        "MultMatrix()",
        "PopMatrix()",
    };
    EXPECT_EQ(g.Texts(), expected);
    EXPECT_EQ(g.projection, QZW::QzNodeOrthoProjection(1280, 720));
    EXPECT_FALSE(screen.HadContents());
    EXPECT_TRUE(screen.layerMatrix.children.empty());
}

TEST(QzScreen, LayersDrawInOrderUnderTheLayerMatrixWithBatchesAfterLayerZero) {
    CQzScreen screen(0, 0, 1280, 720, 1280, 720, 1);
    screen.layerMatrix.matrix.TransrateMatrix(5, 0, 0);
    Marker owner0(1), owner2(3), owner3(4);
    screen.layers[3].AppendChild(&owner3);
    screen.layers[0].AppendChild(&owner0);
    screen.layers[2].AppendChild(&owner2);
    CQzMaterial a, b;
    CQzNode* meshA = CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, &a, &MakeBatchNode);
    CQzNode* lines = CQzScreen::FindOrCreateBatchNode(screen.lineLists, &a, &MakeBatchNode);
    CQzNode* meshB = CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, &b, &MakeBatchNode);
    EXPECT_EQ(CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, &a, &MakeBatchNode), meshA);
    EXPECT_EQ(CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, nullptr, &MakeBatchNode),
              CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, nullptr, &MakeBatchNode))
        << "a material-less batch is one more key";

    RecordingGraphics g;
    CQzNode::DrawTree(&screen, &g);
    std::vector<std::string> markers;
    for (const auto& call : g.calls) {
        if (call.name == "SetPaletteIndex") {
            markers.push_back(call.Text());
            EXPECT_FLOAT_EQ(call.world[12], 5.0f) << "under the layer matrix";
        }
    }
    const int idA = static_cast<Marker*>(meshA)->id, idB = static_cast<Marker*>(meshB)->id;
    const int idLines = static_cast<Marker*>(lines)->id;
    const std::vector<std::string> expected = {
        "SetPaletteIndex(1)",
        "SetPaletteIndex(" + std::to_string(idA) + ")",
        "SetPaletteIndex(" + std::to_string(idB) + ")",
        "SetPaletteIndex(" + std::to_string(idA + 3) + ")",  // the material-less mesh
        "SetPaletteIndex(" + std::to_string(idLines) + ")",
        "SetPaletteIndex(3)",
        "SetPaletteIndex(4)",
    };
    EXPECT_EQ(markers, expected);
    EXPECT_TRUE(screen.HadContents());
    EXPECT_EQ(g.projection, QZW::QzNodePerspectiveProjection(1280, 720));
    EXPECT_EQ(g.Count("PushMatrix"), g.Count("PopMatrix"));
}

TEST(QzScreen, ChildLimitsStopTheAppendsOfDraw) {
    Marker owner(1);
    CQzMaterial material;
    struct Case {
        const char* what;
        std::uint32_t screenMax, layerMatrixMax, layer0Max;
        std::vector<int> drawn;  // markers reached, in order
    } const cases[] = {
        {"screen limited to one child: the environment only", 1, ~0u, ~0u, {}},
        {"layer matrix takes no children", ~0u, 0, ~0u, {}},
        {"layer 0 full with the owner's node", ~0u, ~0u, 1, {1}},
        {"no limits", ~0u, ~0u, ~0u, {1, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_nextBatchId = 100;
        CQzScreen screen(0, 0, 1280, 720, 1280, 720, 0);
        screen.maxChildren = c.screenMax;
        screen.layerMatrix.maxChildren = c.layerMatrixMax;
        screen.layers[0].maxChildren = c.layer0Max;
        screen.layers[0].AppendChild(&owner);
        CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, &material, &MakeBatchNode);
        RecordingGraphics g;
        CQzNode::DrawTree(&screen, &g);
        std::vector<int> drawn;
        for (const auto& call : g.calls) {
            if (call.name == "SetPaletteIndex") {
                drawn.push_back(int(call.args[0]));
            }
        }
        EXPECT_EQ(drawn, c.drawn);
        EXPECT_EQ(g.Count("UseShader"), 1u) << "the environment is drawn in every case";
    }
}

TEST(QzScreen, ClearDeletesTheBatchNodesAndIsHarmlessTwice) {
    g_batchNodesAlive = 0;
    CQzMaterial material;
    {
        CQzScreen screen(0, 0, 1280, 720, 1280, 720, 0);
        Marker owner(1);
        screen.layers[0].AppendChild(&owner);
        CQzNode* first =
            CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, &material, &MakeBatchNode);
        CQzScreen::FindOrCreateBatchNode(screen.lineLists, &material, &MakeBatchNode);
        EXPECT_EQ(g_batchNodesAlive, 2);
        Draw(screen);
        EXPECT_EQ(screen.layers[0].children.size(), 3u);

        // Released alone, the batches also leave layer 0, which keeps the
        // owner's node.
        screen.ReleaseBatchNodes();
        EXPECT_EQ(g_batchNodesAlive, 0);
        EXPECT_EQ(screen.layers[0].children, std::vector<CQzNode*>{&owner});

        CQzScreen::FindOrCreateBatchNode(screen.batchMeshes, &material, &MakeBatchNode);
        Draw(screen);
        screen.Clear();
        screen.Clear();
        EXPECT_EQ(g_batchNodesAlive, 0);
        EXPECT_FALSE(screen.HasContents());
        EXPECT_TRUE(screen.children.empty());
        EXPECT_TRUE(screen.layerMatrix.children.empty());
        for (const CQzNode& layer : screen.layers) {
            EXPECT_TRUE(layer.children.empty());
        }
        (void)first;

        CQzScreen::FindOrCreateBatchNode(screen.lineLists, &material, &MakeBatchNode);
        EXPECT_EQ(g_batchNodesAlive, 1);
    }
    EXPECT_EQ(g_batchNodesAlive, 0) << "the destructor deletes what is left";
}

TEST(QzScreen, BatchMeshesAndLineListsAreOnePerMaterialForOneFrame) {
    CQzMaterial lineMaterial(3), other;
    CQzScreen screen(0, 0, 1280, 720, 1280, 720, 0);
    QZW::CQzMesh* mesh = screen.GetBatchMesh(&other);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetMaterial(), &other);
    EXPECT_EQ(screen.GetBatchMesh(&other), mesh);
    EXPECT_NE(screen.GetBatchMesh(&lineMaterial), mesh);
    QZW::CQzPrimLineList* lines = screen.GetLineList(&lineMaterial);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->GetMaterial(), &lineMaterial);
    EXPECT_EQ(screen.GetLineList(&lineMaterial), lines);
    QZW::CQzPrimLineList* bare = screen.GetLineList(nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_NE(bare, lines);
    EXPECT_EQ(bare->GetMaterial(), nullptr);
    EXPECT_EQ(screen.batchMeshes.size(), 2u);
    EXPECT_EQ(screen.lineLists.size(), 2u);

    // The line list draws under its own material, below the layer matrix.
    lines->AppendLine({0, 0, 0}, {10, 0, 0}, 0xFFFFFFFFu);
    RecordingGraphics g;
    CQzNode::DrawTree(&screen, &g);
    EXPECT_TRUE(screen.HadContents());
    EXPECT_EQ(g.Texts("DrawArrays"), std::vector<std::string>{"DrawArrays(1, 2)"});
    EXPECT_EQ(g.Texts("UseShader").back(), "UseShader(3)");

    // The next frame starts with none; new ones are made on demand.
    screen.Clear();
    EXPECT_TRUE(screen.batchMeshes.empty());
    EXPECT_TRUE(screen.lineLists.empty());
    ASSERT_NE(screen.GetLineList(&lineMaterial), nullptr);
    EXPECT_EQ(screen.lineLists.size(), 1u);
    EXPECT_TRUE(screen.GetLineList(&lineMaterial)->GetSourcePoints().empty());
}

}  // namespace
