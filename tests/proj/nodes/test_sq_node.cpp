// The script scene node: its matrix, alpha, tree rules (limits, cycles,
// unlinking on free), visibility recursion and the draw-layer queue, in C++
// and through the "CSqNode" script class.
#include "proj/nodes/sq_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "qzware/scene/qz_vector.h"
#include "tests/proj/nodes/node_script_fixture.h"
#include "tests/support/matrix_point.h"
#include "tests/support/recording_graphics.h"

namespace {

using QZW::CQzNode;
using QZW::CSqNode;
using QZW::Vector3;

// An engine node that counts what reaches it.
class EngineChild : public CQzNode {
public:
    void Hide() override { ++hides; }
    void Show() override { ++shows; }
    int hides = 0, shows = 0;
};

// Scale, then turn about x, y, z (degrees x 3.14159 / 180), then move.
Vector3 Place(Vector3 p, const Vector3& s, const Vector3& deg, const Vector3& t) {
    const float k = 3.14159f / 180.0f;
    p = Vector3(p.x * s.x, p.y * s.y, p.z * s.z);
    const float cx = std::cos(deg.x * k), sx = std::sin(deg.x * k);
    const float cy = std::cos(deg.y * k), sy = std::sin(deg.y * k);
    const float cz = std::cos(deg.z * k), sz = std::sin(deg.z * k);
    p = Vector3(p.x, p.y * cx - p.z * sx, p.y * sx + p.z * cx);
    p = Vector3(p.x * cy + p.z * sy, p.y, -p.x * sy + p.z * cy);
    p = Vector3(p.x * cz - p.y * sz, p.x * sz + p.y * cz, p.z);
    return Vector3(p.x + t.x, p.y + t.y, p.z + t.z);
}

TEST(SqNode, MatrixScalesThenTurnsAboutXThenYThenZThenMoves) {
    CSqNode node;
    const Vector3 s(2, 3, 0.5f), deg(30, 45, 60), t(100, -20, 7);
    node.SetScale(s.x, s.y, s.z);
    node.SetRotate(deg.x, deg.y, deg.z);
    node.SetPos(t.x, t.y, t.z);
    node.UpdateMatrix();
    for (const Vector3& p :
         {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(3, -2, 5)}) {
        const Vector3 want = Place(p, s, deg, t);
        const std::vector<float> got = qz_test_support::TransformPoint(node.matrix, p.x, p.y, p.z);
        EXPECT_NEAR(want.x, got[0], 1e-3f);
        EXPECT_NEAR(want.y, got[1], 1e-3f);
        EXPECT_NEAR(want.z, got[2], 1e-3f);
        EXPECT_FLOAT_EQ(1.0f, got[3]);
    }
}

TEST(SqNode, QuarterTurnKeepsTheSinglePrecisionPiResidue) {
    CSqNode node;
    node.SetRotate(0, 0, 90);
    node.UpdateMatrix();
    const float a = 90.0f * 3.14159f / 180.0f;
    EXPECT_FLOAT_EQ(std::cos(a), node.matrix[0]);
    EXPECT_FLOAT_EQ(std::cos(a), node.matrix[5]);
    EXPECT_NE(0.0f, node.matrix[0]);
    EXPECT_FLOAT_EQ(std::sin(a), node.matrix[1]);
    EXPECT_FLOAT_EQ(-std::sin(a), node.matrix[4]);
}

TEST(SqNode, AlphaIsClampedAndRecursesIntoScriptNodesOnly) {
    CSqNode root, child, underEngine;
    EngineChild engine;
    root.PushBack(&child);
    root.AppendChild(&engine);
    engine.AppendChild(&underEngine);
    EXPECT_EQ(255, root.AlphaByte()) << "the initial -1 reads as opaque";

    struct Case {
        int alpha;
        bool recursive;
        int root, child;
    };
    for (const Case& c : {Case{300, false, 255, -1}, Case{-5, false, 0, -1},
                          Case{128, true, 128, 128}, Case{999, true, 255, 255}}) {
        root.SetAlpha(c.alpha, c.recursive);
        EXPECT_EQ(c.root, root.alpha) << c.alpha;
        EXPECT_EQ(c.child, child.alpha) << c.alpha;
    }
    EXPECT_EQ(-1, underEngine.alpha) << "nodes below an engine node are not reached";
}

TEST(SqNode, HideAndShowReachScriptChildrenAndSkipEngineOnes) {
    CSqNode root, child, grandChild;
    EngineChild engine;
    root.PushBack(&child);
    child.PushBack(&grandChild);
    root.AppendChild(&engine);
    root.Hide();
    EXPECT_EQ(0, root.visible);
    EXPECT_EQ(0, grandChild.visible);
    EXPECT_EQ(0, engine.hides);
    root.Show();
    EXPECT_EQ(1, grandChild.visible);
    EXPECT_EQ(0, engine.shows);
}

TEST(SqNode, PushBackInsertAndRemoveFollowTheirRules) {
    CSqNode root, a, b, stranger;
    root.PushBack(&a);
    root.PushBack(&a);
    root.Insert(&b);
    ASSERT_EQ(3u, root.children.size());
    EXPECT_EQ(&b, root.children[0]);
    EXPECT_EQ(&root, a.parent);
    EXPECT_EQ(nullptr, b.parent) << "Insert sets no parent link";

    root.Remove(&a);
    ASSERT_EQ(2u, root.LiveChildren().size()) << "only the first occurrence goes";
    EXPECT_EQ(&b, root.LiveChildren()[0]);
    EXPECT_EQ(&a, root.LiveChildren()[1]);
    EXPECT_EQ(nullptr, a.parent);

    stranger.parent = &root;
    root.Remove(&stranger);
    EXPECT_EQ(2u, root.LiveChildren().size());
    EXPECT_EQ(nullptr, stranger.parent) << "cleared also when not a child";

    CSqNode full, child;
    full.maxChildren = 0;
    full.PushBack(&child);
    EXPECT_TRUE(full.children.empty());
    EXPECT_EQ(&full, child.parent) << "the link is set even when nothing is added";
}

TEST(SqNode, PushesThatWouldCloseACycleAreRefused) {
    CSqNode a, b, c;
    a.PushBack(&b);
    b.PushBack(&c);
    c.PushBack(&a);
    c.Insert(&a);
    a.PushBack(&a);
    EXPECT_TRUE(c.children.empty());
    EXPECT_EQ(1u, a.children.size());
    EXPECT_EQ(nullptr, a.parent);
    // The walks end: Hide, SetAlpha and the draw traversal.
    a.Hide();
    a.SetAlpha(10, true);
    qz_test_support::RecordingGraphics g;
    CQzNode::DrawTree(&a, &g);
    EXPECT_EQ(3u, g.Count("PushMatrix"));
    EXPECT_EQ(3u, g.Count("PopMatrix"));
}

TEST(SqNode, AFreedNodeLeavesNoPointerToItselfInTheTree) {
    CSqNode parent;
    auto child = std::make_unique<CSqNode>();
    auto grandChild = std::make_unique<CSqNode>();
    parent.PushBack(child.get());
    parent.Insert(child.get());
    child->PushBack(grandChild.get());
    child.reset();
    EXPECT_TRUE(parent.children.empty());
    EXPECT_EQ(nullptr, grandChild->parent);

    auto owner = std::make_unique<CSqNode>();
    CSqNode kept;
    owner->PushBack(&kept);
    owner->Clear();
    EXPECT_EQ(owner.get(), kept.parent) << "Clear leaves the parent links";
    owner.reset();
    EXPECT_EQ(nullptr, kept.parent);
}

TEST(SqNode, ManyRemovalsAndDeathsKeepTheOrderOfTheRest) {
    CSqNode parent;
    std::vector<std::unique_ptr<CSqNode>> kids;
    for (int i = 0; i < 100; ++i) {
        kids.push_back(std::make_unique<CSqNode>());
        parent.PushBack(kids.back().get());
    }
    parent.PushBack(kids[7].get());  // listed twice: first at 7, then at 100
    for (int i = 0; i < 100; i += 2) {
        parent.Remove(kids[std::size_t(i)].get());
    }
    for (int i = 1; i < 100; i += 4) {
        kids[std::size_t(i)].reset();
    }
    std::vector<QZW::CQzNode*> want;
    for (int i = 3; i < 100; i += 4) {
        want.push_back(kids[std::size_t(i)].get());
    }
    want.push_back(kids[7].get());
    EXPECT_EQ(parent.LiveChildren(), want);
    EXPECT_LE(parent.children.size(), want.size() * 2) << "holes never outnumber the live half";

    // Removing the twice-listed child takes its first listing.
    parent.Remove(kids[7].get());
    want.erase(want.begin() + 1);
    EXPECT_EQ(parent.LiveChildren(), want);
    // A limit counts live children only.
    parent.maxChildren = std::uint32_t(want.size() + 1);
    CSqNode extra;
    parent.PushBack(&extra);
    want.push_back(&extra);
    EXPECT_EQ(parent.LiveChildren(), want);
    CSqNode refused;
    parent.PushBack(&refused);
    EXPECT_EQ(parent.LiveChildren(), want) << "the limit is reached";
    // A walk over the holes reaches exactly the live children.
    parent.SetAlpha(40, true);
    EXPECT_EQ(40, extra.alpha);
    EXPECT_EQ(-1, refused.alpha);
}

TEST(SqNode, DeviceDrawRebuildsOnlyWhenVisibleAndAlwaysPushes) {
    qz_test_support::RecordingGraphics g;
    CSqNode node;
    node.SetPos(5, 6, 7);
    CQzNode::DrawTree(&node, &g);
    EXPECT_EQ((std::vector<std::string>{"PushMatrix()", "MultMatrix()", "PopMatrix()"}), g.Texts());
    EXPECT_FLOAT_EQ(5.0f, g.calls[1].matrix[12]);
    node.Hide();
    node.SetPos(50, 0, 0);
    g.ClearCalls();
    CQzNode::DrawTree(&node, &g);
    ASSERT_EQ(3u, g.calls.size());
    EXPECT_FLOAT_EQ(5.0f, g.calls[1].matrix[12]) << "a hidden node keeps its last matrix";
}

// [SECTION] Through the script class
class NodeScript : public node_test::NodeScriptTest {
protected:
    // Matrices the test's nodes (placed at x 8 and 9) pushed.
    std::size_t NodeMatrices() const {
        std::size_t n = 0;
        for (const auto& c : graphics.calls) {
            n += c.name == "MultMatrix" && (c.matrix[12] == 8.0f || c.matrix[12] == 9.0f);
        }
        return n;
    }
};

TEST_F(NodeScript, ANewNodeIsAtRest) {
    EXPECT_EQ("0 0 0/1 1 1/0 0 0/''/",
              Value("local n = CSqNode(); local f = @(v) v.x + \" \" + v.y + \" \" + v.z;"
                    "::n <- n; return f(n.GetPos()) + \"/\" + f(n.GetScale()) + \"/\" +"
                    " f(n.GetRotate()) + \"/'\" + n.GetName() + \"'/\""));
    EXPECT_EQ(255, Object<CSqNode>("n")->AlphaByte());
    Value(
        "n.SetPos(1, 2, 3); n.SetScale(4, 5, 6); n.SetRotate(7, 8, 9); n.SetName(\"hero\");"
        "n.SetColor(1, 2, 3, 4); n.SetAlpha(40, false)");
    CSqNode* n = Object<CSqNode>("n");
    EXPECT_FLOAT_EQ(3.0f, n->position.z);
    EXPECT_FLOAT_EQ(6.0f, n->scale.z);
    EXPECT_FLOAT_EQ(9.0f, n->rotation.z);
    EXPECT_EQ("hero", n->name);
    EXPECT_EQ(40, n->alpha);
    EXPECT_EQ("wrong argument type, expected 'CSqNode' got 'integer'",
              Run("return CSqNode().PushBack(3)").text);
}

TEST_F(NodeScript, DrawQueuesVisibleNodesOnLayerNodeZeroWhileItHasRoom) {
    Value(
        "::a <- CSqNode(); ::b <- CSqNode(); ::c <- CSqNode(); b.Hide();"
        "a.Draw(3); b.Draw(3); a.Draw(-1); a.Draw(23); a.Draw(2147483647)");
    ASSERT_EQ(1u, LayerNode(3).children.size()) << "hidden or unknown layers queue nothing";
    EXPECT_EQ(Object<CSqNode>("a"), LayerNode(3).children[0]);
    LayerNode(3).maxChildren = 1;
    Value("c.Draw(3)");
    EXPECT_EQ(1u, LayerNode(3).children.size()) << "a full layer node ignores more";
}

TEST_F(NodeScript, NodesTheScriptsDropAfterQueuingAreFreedOnlyAfterTheFrameIsDrawn) {
    Value(
        "local p = CSqNode(); local c = CSqNode(); p.PushBack(c); p.Draw(4);"
        "p.SetPos(8, 0, 0); c.SetPos(9, 0, 0)");
    EXPECT_EQ(2u, world.task->GetDeferredReleaseCount());
    EXPECT_EQ(1u, LayerNode(4).children.size());
    world.DrawFrame();  // draws both; the sanitizer catches a freed one
    EXPECT_EQ(2u, NodeMatrices());
    world.task->Update();
    EXPECT_EQ(0u, world.task->GetDeferredReleaseCount());
}

TEST_F(NodeScript, AChildTheScriptsFreeLeavesItsParentsList) {
    Value(
        "::p <- CSqNode(); local c = CSqNode(); c.SetPos(9, 0, 0); p.PushBack(c); p.Draw(4);"
        "p.SetPos(8, 0, 0)");
    EXPECT_EQ(1u, Object<CSqNode>("p")->children.size());
    NextFrame();
    EXPECT_TRUE(Object<CSqNode>("p")->children.empty());
    Value("p.Draw(4)");
    graphics.ClearCalls();
    NextFrame();  // draws p alone
    EXPECT_EQ(1u, NodeMatrices());
}

TEST_F(NodeScript, AClonedNodeSharesItsChildrenAndParentAndOutlivesThemSafely) {
    Value(
        "::p <- CSqNode(); ::a <- CSqNode(); ::c <- CSqNode(); a.SetPos(1, 2, 3); a.SetName(\"a\");"
        "a.SetAlpha(7, false); p.PushBack(a); a.PushBack(c); ::b <- clone a");
    CSqNode* a = Object<CSqNode>("a");
    CSqNode* b = Object<CSqNode>("b");
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b) << "the clone has an object of its own";
    EXPECT_EQ(
        "1,2,3,a",
        Value(
            "local q = b.GetPos(); return q.x + \",\" + q.y + \",\" + q.z + \",\" + b.GetName()"));
    EXPECT_EQ(7, b->alpha);
    EXPECT_EQ(Object<CSqNode>("p"), b->parent) << "member-wise: the same parent link";
    EXPECT_EQ(b->LiveChildren(), a->LiveChildren()) << "member-wise: the same children";
    // The child dies: neither list keeps it; the parent dies: neither link.
    Value("::c <- null");
    NextFrame();
    EXPECT_TRUE(b->LiveChildren().empty());
    EXPECT_TRUE(a->LiveChildren().empty());
    Value("::p <- null");
    NextFrame();
    EXPECT_EQ(nullptr, b->parent);
    EXPECT_EQ(nullptr, a->parent);
    Value("b.SetName(\"b\"); ::a <- null");
    NextFrame();
    EXPECT_EQ("b", Value("return b.GetName()"));
}

}  // namespace
