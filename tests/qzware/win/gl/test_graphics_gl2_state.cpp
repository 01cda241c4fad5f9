// Renderer state that needs no GL context: the world matrix and its stack,
// target colours, display scales, and a start without OpenGL 2.0.
#include "qzware/win/qz_graphics_gl2.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Row vector p times the renderer's world matrix.
void Apply(QZW::Win::CQzGraphicsGL2& g, const float p[3], float out[3]) {
    QZW::Matrix w;
    g.GetWorldMatrix(w);
    for (int c = 0; c < 3; ++c) {
        out[c] = p[0] * w.m[c] + p[1] * w.m[4 + c] + p[2] * w.m[8 + c] + w.m[12 + c];
    }
}

TEST(GraphicsState, WorldOperationsActInTheObjectsOwnSpaceFirst) {
    struct Case {
        const char* what;
        void (*ops)(QZW::Win::CQzGraphicsGL2&);
        float in[3], out[3];
    } const cases[] = {
        {"translate", [](auto& g) { g.Translate(1, 2, 3); }, {0, 0, 0}, {1, 2, 3}},
        {"rotate z 90", [](auto& g) { g.Rotate(0, 0, 90); }, {1, 0, 0}, {0, 1, 0}},
        // Rz applies to the point before Rx: (1,0,0) -> (0,1,0) -> (0,0,1).
        {"rotate x and z", [](auto& g) { g.Rotate(90, 0, 90); }, {1, 0, 0}, {0, 0, 1}},
        {"scale then translate",
         [](auto& g) {
             g.Translate(10, 0, 0);
             g.Scale(2, 2, 2);
         },
         {1, 1, 0},
         {12, 2, 0}},
        {"pop restores",
         [](auto& g) {
             g.Translate(5, 0, 0);
             g.PushMatrix();
             g.Scale(3, 3, 3);
             g.PopMatrix();
         },
         {1, 0, 0},
         {6, 0, 0}},
        {"pop on empty stack is identity",
         [](auto& g) {
             g.Translate(5, 0, 0);
             g.PopMatrix();
         },
         {1, 2, 3},
         {1, 2, 3}},
    };
    for (const Case& c : cases) {
        QZW::Win::CQzGraphicsGL2 g;
        c.ops(g);
        float out[3];
        Apply(g, c.in, out);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(out[i], c.out[i], 1e-4f) << c.what << " component " << i;
        }
    }
}

TEST(GraphicsState, TargetColoursAndDisplayScalesAreKeptWithinTheTable) {
    QZW::Win::CQzGraphicsGL2 g;
    EXPECT_EQ(g.GetFrameBufferColor(0), 0xFFFFFFFFu);
    g.SetFrameBufferColor(21, 0x11, 0x22, 0x33, 0x44);
    EXPECT_EQ(g.GetFrameBufferColor(21), 0x44332211u);
    g.SetFrameBufferColor(22, 0, 0, 0, 0);
    g.SetFrameBufferColor(-1, 0, 0, 0, 0);
    EXPECT_EQ(g.GetFrameBufferColor(22), 0xFFFFFFFFu);
    EXPECT_EQ(g.GetFrameBufferColor(-1), 0xFFFFFFFFu);
    EXPECT_EQ(g.GetFrameBuffer(0), nullptr) << "no targets before start-up";
    EXPECT_FLOAT_EQ(g.GetDisplayBaseScale(), 1.0f);
    g.SetDisplayBaseScale(0.5f, 0.25f);
    EXPECT_FLOAT_EQ(g.GetDisplayBaseScale(), 0.5f);
    g.SetCurrentProgram(nullptr);
    EXPECT_EQ(g.GetShaderProgram(0), nullptr);
}

TEST(GraphicsState, StartWithoutOpenGlTwoReportsTheMessageAndStaysInert) {
    QZW::Win::CQzGraphicsGL2 g;
    std::vector<std::string> seen;
    g.SetErrorSink([&](const char* title, const char* text) {
        seen.push_back(std::string(title) + "|" + text);
    });
    g.Initialize(1280, 720);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0],
              "|This game requires graphic board with compatability with OpenGL ver2.0 and "
              "above.");
    EXPECT_FALSE(g.IsReady());
    EXPECT_EQ(g.GetErrorTitle(), "");
    // Nothing of the frame reaches GL (there is no context to reach).
    g.BeginFrame();
    g.ClearFrameBuffer(0, 1, 2, 3, 4);
    g.SetFrameBuffer(0);
    g.DrawRect(0, 0, 10, 10, 255, 255, 255, 255, 0);
    g.EndFrame();
    EXPECT_EQ(g.GetCurrentTargetIndex(), -1);
    EXPECT_EQ(g.CreateIndexBuffer(3, nullptr), nullptr);
    EXPECT_EQ(g.LoadTexture("images/a.dds"), nullptr);
}

}  // namespace
