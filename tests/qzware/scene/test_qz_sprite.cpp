// Sprites against the recording renderer: draw sequences, vertex placement by
// align, drawable and hidden states, texel rectangles and colours.
#include "qzware/scene/qz_sprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_node.h"
#include "tests/support/recording_graphics.h"
#include "tests/support/sized_texture.h"

namespace {

using qz_test_support::RecordingGraphics;
using qz_test_support::SizedTexture;

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

TEST(Sprite, AtlasAndUvRectanglesMapOverTheTextureAndColourReachesEveryVertex) {
    SizedTexture first(64, 32), atlas(128, 64);
    struct Case {
        const char* what;
        void (*change)(QZW::CQzSprite&, QZW::IQzTexture* atlas);
        bool hasTexture;
        QZW::IQzTexture* (*wantTexture)(QZW::IQzTexture* first, QZW::IQzTexture* atlas);
        float uLeft, uRight, vTop, vBottom;
    } const cases[] = {
        {"atlas rectangle over the new texture",
         [](QZW::CQzSprite& s, QZW::IQzTexture* t) { s.SetSpriteAtlas(32, 16, 8, 4, t); }, true,
         [](QZW::IQzTexture*, QZW::IQzTexture* t) { return t; }, 8.0f / 128, 40.0f / 128, 4.0f / 64,
         20.0f / 64},
        {"atlas without a texture changes nothing",
         [](QZW::CQzSprite& s, QZW::IQzTexture*) { s.SetSpriteAtlas(32, 16, 8, 4, nullptr); }, true,
         [](QZW::IQzTexture* f, QZW::IQzTexture*) { return f; }, 0, 10.0f / 64, 0, 10.0f / 32},
        {"uv rectangle over the current texture",
         [](QZW::CQzSprite& s, QZW::IQzTexture*) { s.SetUV(16, 8, 32, 16); }, true,
         [](QZW::IQzTexture* f, QZW::IQzTexture*) { return f; }, 0.5f, 0.75f, 0.5f, 0.75f},
        {"uv rectangle without a texture changes nothing",
         [](QZW::CQzSprite& s, QZW::IQzTexture*) { s.SetUV(16, 8, 32, 16); }, false,
         [](QZW::IQzTexture*, QZW::IQzTexture*) { return static_cast<QZW::IQzTexture*>(nullptr); },
         0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QZW::CQzSprite sprite;
        if (c.hasTexture) {
            sprite.SetSprite(10, 10, 0, 0, 1, 1, 0xFFFFFFFFu, &first);
        }
        c.change(sprite, &atlas);
        EXPECT_EQ(sprite.GetTexture(), c.wantTexture(&first, &atlas));
        const QZW::Vector2* uv = sprite.GetUVs();
        EXPECT_EQ(uv[0].x, c.uLeft);
        EXPECT_EQ(uv[0].y, c.vTop);
        EXPECT_EQ(uv[1].x, c.uRight);
        EXPECT_EQ(uv[1].y, c.vTop);
        EXPECT_EQ(uv[2].x, c.uLeft);
        EXPECT_EQ(uv[2].y, c.vBottom);
        EXPECT_EQ(uv[3].x, c.uRight);
        EXPECT_EQ(uv[3].y, c.vBottom);
        // The quad keeps the size SetSprite gave it.
        EXPECT_EQ(sprite.GetWidth(), c.hasTexture ? 10u : 0u);
    }

    QZW::CQzSprite sprite;
    sprite.SetColor(0x11223344u);
    EXPECT_EQ(sprite.GetColor(), 0x11223344u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(sprite.GetColors()[i], QZW::Color(0x44, 0x33, 0x22, 0x11)) << "vertex " << i;
    }
}

TEST(Sprite, MaterialReplacesTheDefaultStateAndTheOwnMatrixIsResetEveryDraw) {
    SizedTexture texture(16, 16), unit0(8, 8);
    QZW::CQzMaterial material(5);
    material.SetTexture(0, &unit0);
    QZW::CQzSprite sprite;
    sprite.SetSprite(4, 4, 0, 0, 1, 1, 0xFFFFFFFFu, &texture);
    sprite.SetMaterial(&material);
    sprite.matrix.TransrateMatrix(7, 8, 9);

    RecordingGraphics g;
    QZW::CQzNode::DrawTree(&sprite, &g);
    const std::vector<std::string> calls = g.Names();
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 5),
              (std::vector<std::string>{"Translate", "Scale", "PushMatrix", "MultMatrix",
                                        "DisableDepthTest"}));
    EXPECT_EQ(g.calls[3].matrix, QZW::Matrix()) << "the sprite's own matrix is reset";
    EXPECT_EQ(calls[calls.size() - 3], "SetLightViewProjMatrix");
    EXPECT_EQ(calls[calls.size() - 2], "DrawArrays");
    EXPECT_EQ(g.Texts("UseShader"), std::vector<std::string>{"UseShader(5)"});
    // Only the material's texture is bound, not the sprite's.
    std::vector<const void*> bound;
    for (const auto& call : g.calls) {
        if (call.name == "SetTexture") {
            bound.push_back(call.pointers[0]);
        }
    }
    EXPECT_EQ(bound, std::vector<const void*>{&unit0});

    sprite.ResetSprite();
    EXPECT_EQ(sprite.GetMaterial(), nullptr);
    sprite.SetSprite(4, 4, 0, 0, 1, 1, 0xFFFFFFFFu, &texture);
    RecordingGraphics again;
    QZW::CQzNode::DrawTree(&sprite, &again);
    EXPECT_EQ(again.Texts("UseShader"), std::vector<std::string>{"UseShader(1)"});
}

// Counts what reaches it through Hide and Show.
class HideCounter : public QZW::CQzNode {
public:
    void Hide() override { ++hides; }
    void Show() override { ++shows; }
    int hides = 0;
    int shows = 0;
};

TEST(Sprite, HideAndShowStayOnTheSpriteAndLeaveItsChildren) {
    SizedTexture texture(16, 16);
    QZW::CQzSprite sprite;
    sprite.SetSprite(4, 4, 0, 0, 1, 1, 0xFFFFFFFFu, &texture);
    HideCounter child;
    sprite.AppendChild(&child);
    QZW::CQzNode parent;
    parent.AppendChild(&sprite);

    parent.Hide();  // reaches the sprite through its parent
    EXPECT_TRUE(sprite.IsHidden());
    EXPECT_TRUE(sprite.IsDrawable()) << "hiding keeps the sprite drawable";
    EXPECT_EQ(child.hides, 0);
    sprite.Show();
    EXPECT_FALSE(sprite.IsHidden());
    EXPECT_EQ(child.shows, 0);
}

}  // namespace
