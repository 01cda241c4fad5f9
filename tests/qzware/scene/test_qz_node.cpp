// The draw traversal against the recording renderer: visiting order, null
// children, children added while drawing, world matrices down the tree, the
// command node and Hide/Show forwarding.
#include "qzware/scene/qz_node.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/matrix_point.h"
#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::RecordingGraphics;
using qz_test_support::TransformPoint;
using QZW::CQzMatrixNode;
using QZW::CQzNode;
using QZW::Matrix;

// Logs its name and the world matrix in force at each visit.
struct Visit {
    std::string what;
    Matrix world;
};

class Probe : public CQzNode {
public:
    Probe(std::string label, std::vector<Visit>* log) : label(std::move(label)), log(log) {}
    void PreDraw(QZW::IQzGraphics*) override { log->push_back({label + ".pre", {}}); }
    void Draw(QZW::IQzGraphics* g) override {
        Matrix w;
        g->GetWorldMatrix(w);
        log->push_back({label, w});
        if (lateChild != nullptr) {
            AppendChild(lateChild);
        }
    }
    void PostDraw(QZW::IQzGraphics*) override { log->push_back({label + ".post", {}}); }
    void Hide() override {
        ++hidden;
        CQzNode::Hide();
    }

    std::string label;
    std::vector<Visit>* log;
    CQzNode* lateChild = nullptr;
    int hidden = 0;
};

std::vector<std::string> Names(const std::vector<Visit>& log) {
    std::vector<std::string> out;
    for (const Visit& v : log) {
        out.push_back(v.what);
    }
    return out;
}

TEST(QzNodeTree, DrawsDepthFirstSkippingNullsAndIncludingChildrenAddedInDraw) {
    std::vector<Visit> log;
    Probe root("root", &log), a("a", &log), b("b", &log), late("late", &log), c("c", &log);
    root.AppendChild(&a);
    root.AppendChild(nullptr);
    root.AppendChild(&b);
    root.AppendChild(&c);
    b.lateChild = &late;  // b fills its own list while it draws

    RecordingGraphics g;
    CQzNode::DrawTree(&root, &g);
    const std::vector<std::string> expected = {
        "root.pre", "root",      "a.pre",  "a",     "a.post", "b.pre",  "b",        "late.pre",
        "late",     "late.post", "b.post", "c.pre", "c",      "c.post", "root.post"};
    EXPECT_EQ(Names(log), expected);
}

TEST(QzNodeTree, MatrixNodesComposeDownTheTreeAndRestoreOnTheWayUp) {
    std::vector<Visit> log;
    CQzMatrixNode moved, scaled;
    moved.matrix.TransrateMatrix(10, 20, 0);
    scaled.matrix.ScaleMatrix(2, 3, 1);
    Probe inner("inner", &log), sibling("sibling", &log), outside("outside", &log);
    moved.AppendChild(&scaled);
    scaled.AppendChild(&inner);
    moved.AppendChild(&sibling);
    CQzNode top;
    top.AppendChild(&moved);
    top.AppendChild(&outside);

    RecordingGraphics g;
    g.Translate(0, 0, 5);  // whatever the caller had in force stays under the tree
    CQzNode::DrawTree(&top, &g);

    struct Case {
        const char* what;
        float x, y, z;
    } const cases[] = {
        {"inner", 1 * 2 + 10, 1 * 3 + 20, 5},  // own scale first, then the parent's move
        {"sibling", 1 + 10, 1 + 20, 5},
        {"outside", 1, 1, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto it =
            std::find_if(log.begin(), log.end(), [&](const Visit& v) { return v.what == c.what; });
        ASSERT_NE(it, log.end());
        const std::vector<float> p = TransformPoint(it->world, 1, 1, 0);
        EXPECT_FLOAT_EQ(p[0], c.x);
        EXPECT_FLOAT_EQ(p[1], c.y);
        EXPECT_FLOAT_EQ(p[2], c.z);
    }
    EXPECT_EQ(g.Count("PushMatrix"), 2u);
    EXPECT_EQ(g.Count("PopMatrix"), 2u);
    EXPECT_TRUE(g.matrixStack.empty());
    Matrix expectedWorld;
    expectedWorld.TransrateMatrix(0, 0, 5);
    EXPECT_EQ(g.world, expectedWorld);
}

void Command(QZW::IQzGraphics* g, std::uintptr_t value) {
    g->SetPaletteIndex(int(value));
}

TEST(QzNodeTree, CommandNodeRunsItsCallbackWithItsValueAndToleratesNone) {
    QZW::CQzCommandNode command(&Command, 42);
    QZW::CQzCommandNode empty;
    CQzNode top;
    top.AppendChild(&command);
    top.AppendChild(&empty);
    RecordingGraphics g;
    CQzNode::DrawTree(&top, &g);
    EXPECT_EQ(g.Texts(), std::vector<std::string>{"SetPaletteIndex(42)"});
}

TEST(QzNodeTree, HideAndShowReachTheChildrenNotTheNodeAndBoundedAppendsStop) {
    std::vector<Visit> log;
    CQzMatrixNode parent;
    Probe self("self", &log), child("child", &log), grandchild("grandchild", &log);
    child.AppendChild(&grandchild);
    parent.AppendChild(&child);
    parent.AppendChild(nullptr);
    parent.Hide();
    EXPECT_EQ(child.hidden, 1);
    EXPECT_EQ(grandchild.hidden, 1);
    self.Hide();  // no children: nothing else happens
    EXPECT_EQ(self.hidden, 1);

    CQzNode bounded;
    bounded.maxChildren = 2;
    EXPECT_TRUE(bounded.AppendChildBounded(&child));
    EXPECT_TRUE(bounded.AppendChildBounded(&child));
    EXPECT_FALSE(bounded.AppendChildBounded(&child));
    EXPECT_EQ(bounded.children.size(), 2u);
    bounded.Clear();
    EXPECT_TRUE(bounded.children.empty());
    EXPECT_EQ(child.children.size(), 1u) << "Clear leaves the children alone";
}

}  // namespace
