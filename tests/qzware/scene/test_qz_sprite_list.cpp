// Sprite lists against the recording renderer: quad order and capacity,
// anchors on the unscaled size, the one-call batch from arrays or a vertex
// buffer, colour streams, clearing after the draw, and copies.
#include "qzware/scene/qz_sprite_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_graphics.h"
#include "tests/support/sized_texture.h"

namespace {

using qz_test_support::RecordingGraphics;
using qz_test_support::SizedTexture;

TEST(SpriteList, QuadsFillInQuadOrderUpToCapacity) {
    SizedTexture texture(100, 50);
    QZW::CQzSpriteList list(2, &texture);
    list.AppendQuad(10, 5, 20, 10, 2, 1, 0x11223344u, 1, 2, 3);
    list.AppendQuad(10, 5, 0, 0, 1, 1, 0x55667788u, 0, 0, 0);
    list.AppendQuad(10, 5, 0, 0, 1, 1, 0x99AABBCCu, 0, 0, 0);  // full: dropped
    ASSERT_EQ(list.GetVertexCount(), 8u);
    const QZW::Vector3* p = list.GetPositions();
    // Scaled by scaleX 2 in width; z carried.
    EXPECT_EQ(p[0], QZW::Vector3(1, 2, 3));
    EXPECT_EQ(p[1], QZW::Vector3(21, 2, 3));
    EXPECT_EQ(p[2], QZW::Vector3(21, 7, 3));
    EXPECT_EQ(p[3], QZW::Vector3(1, 7, 3));
    // UVs from the unscaled rectangle.
    const QZW::Vector2* uv = list.GetUVs();
    EXPECT_EQ(uv[0].x, 0.2f);
    EXPECT_EQ(uv[0].y, 0.2f);
    EXPECT_EQ(uv[2].x, 0.3f);
    EXPECT_EQ(uv[2].y, 0.3f);
    EXPECT_EQ(list.GetColors()[3], 0x11223344u);
    EXPECT_EQ(list.GetColors()[7], 0x55667788u);

    QZW::CQzSpriteList none;
    none.AppendQuad(10, 5, 0, 0, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(none.GetVertexCount(), 0u);
}

TEST(SpriteList, ScriptAppendAnchorsOnTheUnscaledSize) {
    SizedTexture texture(64, 64);
    struct Case {
        int anchor;
        float scaleX;
        float x0, y0;
    } const cases[] = {{4, 1, 95, 97}, {3, 1, 100, 100}, {5, 1, 100, 100}, {8, 2, 90, 93}};
    for (const Case& c : cases) {
        QZW::CQzSpriteList list(1, &texture);
        list.AppendSprite2(100, 100, 0, 10, 7, 0, 0, c.scaleX, 1, c.anchor);
        ASSERT_EQ(list.GetVertexCount(), 4u);
        EXPECT_EQ(list.GetPositions()[0], QZW::Vector3(c.x0, c.y0, 0)) << "anchor " << c.anchor;
        EXPECT_EQ(list.GetColors()[0], 0xFFFFFFFFu);
    }
}

TEST(SpriteList, DrawsOneQuadBatchAndClearsAfterwardsUnlessTold) {
    SizedTexture texture(64, 64);
    struct Case {
        bool useColours, clearAfterDraw;
    } const cases[] = {{true, true}, {false, true}, {true, false}};
    for (const Case& c : cases) {
        QZW::CQzSpriteList list(4, &texture);
        list.SetUseColours(c.useColours);
        list.SetClearAfterDraw(c.clearAfterDraw);
        list.SetShaderIndex(3);
        list.AppendQuad(8, 8, 0, 0, 1, 1, 0x01020304u, 0, 0, 0);
        list.AppendQuad(8, 8, 0, 0, 1, 1, 0x01020304u, 0, 0, 0);
        RecordingGraphics g;
        list.Draw(&g);
        // The flattening scale stays inside its own push and pop.
        const std::vector<std::string> expected = {
            "UseShader(3)",  "PushMatrix()",     "Translate(0, 0, 0)", "Scale(1, 1, 0)",
            "SetTexture(0)", "DrawArrays(6, 8)", "PopMatrix()"};
        EXPECT_EQ(g.Texts(), expected);
        EXPECT_EQ(g.calls[4].pointers[0], &texture);
        const auto& draw = g.calls[5];
        EXPECT_EQ(draw.pointers[1] != nullptr, c.useColours);
        // Appends without colours leave the array's initial white.
        EXPECT_EQ(list.GetColors()[0], c.useColours ? 0x01020304u : 0xFFFFFFFFu);
        EXPECT_EQ(list.GetVertexCount(), c.clearAfterDraw ? 0u : 8u);
    }
}

TEST(SpriteList, CopyKeepsTheQuadsAndSettings) {
    SizedTexture texture(64, 64);
    QZW::CQzSpriteList list(2, &texture);
    list.SetClearAfterDraw(false);
    list.AppendQuad(8, 8, 0, 0, 1, 1, 0x01020304u, 5, 6, 0);
    QZW::CQzSpriteList copy(list);
    list.Clear();
    ASSERT_EQ(copy.GetVertexCount(), 4u);
    EXPECT_EQ(copy.GetPositions()[0], QZW::Vector3(5, 6, 0));
    RecordingGraphics g;
    copy.Draw(&g);
    EXPECT_EQ(g.Texts("DrawArrays"), std::vector<std::string>{"DrawArrays(6, 4)"});
    EXPECT_EQ(copy.GetVertexCount(), 4u);
}

TEST(SpriteList, VertexBufferReplacesTheArraysAndIsNeverDrawnPastItsEnd) {
    SizedTexture texture(64, 64);
    struct Case {
        int bufferVertices;
        const char* draw;
    } const cases[] = {{8, "DrawArraysVBFromStart(6, 8)"}, {4, "DrawArraysVBFromStart(6, 4)"}};
    for (const Case& c : cases) {
        qz_test_support::RecordedVertexBuffer buffer(c.bufferVertices, true, true, false);
        QZW::CQzSpriteList list(4, &texture);
        list.SetVertexBuffer(&buffer);
        list.AppendQuad(8, 8, 0, 0, 1, 1, 0xFFFFFFFFu, 0, 0, 0);
        list.AppendQuad(8, 8, 0, 0, 1, 1, 0xFFFFFFFFu, 0, 0, 0);
        RecordingGraphics g;
        list.Draw(&g);
        const std::vector<std::string> expected = {
            "UseShader(1)",  "PushMatrix()", "Translate(0, 0, 0)", "Scale(1, 1, 0)",
            "SetTexture(0)", c.draw,         "PopMatrix()"};
        EXPECT_EQ(g.Texts(), expected) << c.bufferVertices << "-vertex buffer";
        EXPECT_EQ(g.calls[5].pointers[0], &buffer);
        EXPECT_EQ(list.GetVertexCount(), 0u) << "cleared after the draw";
    }
}

}  // namespace
