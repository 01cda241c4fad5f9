// Sprites and sprite lists against the recording renderer: draw sequences,
// vertex placement by align and anchor, capacity, colour streams, clearing.
#include "qzware/scene/qz_sprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::RecordingGraphics;

class SizedTexture : public QZW::IQzTexture {
public:
    SizedTexture(int w, int h) : w(w), h(h) {}
    std::int32_t GetWidth() override { return w; }
    std::int32_t GetHeight() override { return h; }
    std::string GetName() override { return "sized"; }
    void SetName(const std::string&) override {}
    void SetWrap(bool) override {}
    void SetFilter(bool, bool) override {}

private:
    int w, h;
};

const QZW::Vector3* Positions(const qz_test_support::GraphicsCall& call) {
    return static_cast<const QZW::Vector3*>(call.pointers[0]);
}

TEST(Sprite, DrawsAStripAtItsAlignedOriginUnderTheDefaultState) {
    SizedTexture texture(64, 32);
    struct Case {
        int align;
        float scaleX;
        float x0, y0;
    } const cases[] = {{0, 1, 0, 0}, {4, 1, -5, -5}, {4, -1, 5, -5}, {8, 1, -10, -10}};
    for (const Case& c : cases) {
        QZW::CQzSprite sprite;
        sprite.SetSprite(10, 10, 16, 8, c.scaleX, 1, 0x80402010u, &texture);
        sprite.SetAlign(c.align);
        RecordingGraphics g;
        QZW::CQzNode::DrawTree(&sprite, &g);
        const std::vector<std::string> expected = {
            "Translate(0, 0, 0)", "Scale(1, 1, 1)",  "PushMatrix()",       "MultMatrix()",
            "UseShader(1)",       "SetTexture(0)",   "DisableDepthTest()", "EnableDepthWrite()",
            "EnableBlend()",      "SetBlendMode(0)", "SetOfsZ(0)",         "SetFrameBuffer(0)",
            "DrawArrays(4, 4)",   "PopMatrix()"};
        ASSERT_EQ(g.Texts(), expected) << "align " << c.align;
        const auto& draw = g.calls[12];
        EXPECT_EQ(draw.pointers[3], nullptr);
        const QZW::Vector3* p = Positions(draw);
        EXPECT_EQ(p[0], QZW::Vector3(c.x0, c.y0, 0)) << "align " << c.align;
        EXPECT_EQ(p[3], QZW::Vector3(c.x0 + 10, c.y0 + 10, 0)) << "align " << c.align;
        const auto* uv = static_cast<const QZW::Vector2*>(draw.pointers[2]);
        EXPECT_EQ(uv[0].x, 0.25f);
        EXPECT_EQ(uv[3].x, 26.0f / 64.0f);
        EXPECT_EQ(uv[3].y, 18.0f / 32.0f);
        const auto* colours = static_cast<const std::uint8_t*>(draw.pointers[1]);
        EXPECT_EQ(colours[12], 0x10);  // r of the last vertex: the low byte
        EXPECT_EQ(colours[15], 0x80);
    }
}

TEST(Sprite, DrawsOnlyWhenDrawableAndShown) {
    SizedTexture texture(16, 16);
    struct Case {
        const char* what;
        bool set, hide, reset, nullTexture;
        std::size_t draws;
    } const cases[] = {
        {"set", true, false, false, false, 1},         {"never set", false, false, false, false, 0},
        {"hidden", true, true, false, false, 0},       {"reset", true, false, true, false, 0},
        {"null texture", true, false, false, true, 0},
    };
    for (const Case& c : cases) {
        QZW::CQzSprite sprite;
        if (c.set) {
            sprite.SetSprite(4, 4, 0, 0, 1, 1, 0xFFFFFFFFu, c.nullTexture ? nullptr : &texture);
        }
        if (c.hide) {
            sprite.Hide();
        }
        if (c.reset) {
            sprite.ResetSprite();
        }
        RecordingGraphics g;
        QZW::CQzNode::DrawTree(&sprite, &g);
        EXPECT_EQ(g.Count("DrawArrays"), c.draws) << c.what;
        EXPECT_EQ(g.Count("PushMatrix"), 1u) << c.what;
        EXPECT_EQ(g.Count("PopMatrix"), 1u) << c.what;
    }
}

TEST(Sprite, ZeroSizedTextureGivesFiniteUVs) {
    SizedTexture empty(0, 0);
    QZW::CQzSprite sprite;
    sprite.SetSprite(8, 8, 4, 4, 1, 1, 0xFFFFFFFFu, &empty);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(std::isfinite(sprite.GetUVs()[i].x) && std::isfinite(sprite.GetUVs()[i].y));
    }
}

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
        const std::vector<std::string> expected = {"UseShader(3)", "Translate(0, 0, 0)",
                                                   "Scale(1, 1, 0)", "SetTexture(0)",
                                                   "DrawArrays(6, 8)"};
        EXPECT_EQ(g.Texts(), expected);
        EXPECT_EQ(g.calls[3].pointers[0], &texture);
        const auto& draw = g.calls[4];
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

}  // namespace
