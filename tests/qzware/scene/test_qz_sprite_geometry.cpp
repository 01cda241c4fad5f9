// Anchor tables of sprites, sprite lists and meshes, and the UV rectangle.
#include "qzware/scene/qz_sprite_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using QZW::QzSpriteMargins;

struct OriginCase {
    int align;
    std::uint32_t width, height;
    QzSpriteMargins margins;
    float scaleX, scaleY;
    float x, y;
};

TEST(SpriteGeometry, SpriteOriginFollowsTheAlignGridMarginsAndFlip) {
    const QzSpriteMargins none{};
    const OriginCase cases[] = {
        {0, 10, 10, none, 1, 1, 0, 0},
        {1, 10, 10, none, 1, 1, -5, 0},
        {2, 10, 10, none, 1, 1, -10, 0},
        {3, 10, 10, none, 1, 1, 0, -5},
        {4, 10, 10, none, 1, 1, -5, -5},
        {4, 10, 10, none, -1, 1, 5, -5},
        {4, 10, 10, none, 1, -1, -5, 5},
        {5, 10, 7, none, 1, 1, -10, -3},  // 7 / 2 truncates
        {6, 10, 10, none, 1, 1, 0, -10},
        {7, 10, 10, none, 1, 1, -5, -10},
        {8, 10, 10, none, 1, 1, -10, -10},
        {9, 10, 10, none, 1, 1, 0, 0},
        {-1, 10, 10, none, 1, 1, 0, 0},
        {0, 10, 10, {2, 3, 0, 0}, 1, 1, 2, 0},
        {2, 10, 10, {2, 3, 0, 0}, 1, 1, -13, 0},
        {0, 10, 10, {2, 3, 0, 0}, 0, 1, 17, 0},  // zero scale counts as a flip
        // Negative margins shrink the extent; unsigned sums would wrap to ~4e9.
        {2, 10, 10, {-4, -20, 0, 0}, 1, 1, 10, 0},
        {7, 3, 3, {0, 0, -3, -3}, 1, 1, -1, 0},
        {4, 1, 1, {0, 0, 0, -4}, 1, 1, 0, 1},  // extent -3: -3 / 2 rounds towards zero
    };
    for (const OriginCase& c : cases) {
        const QZW::Vector2 got =
            QZW::QzSpriteOrigin(c.align, c.width, c.height, c.margins, c.scaleX, c.scaleY);
        EXPECT_EQ(got.x, c.x) << "align " << c.align << " margins " << c.margins.left << ","
                              << c.margins.right << " scaleX " << c.scaleX;
        EXPECT_EQ(got.y, c.y) << "align " << c.align << " margins " << c.margins.top << ","
                              << c.margins.bottom << " scaleY " << c.scaleY;
    }
}

TEST(SpriteGeometry, ListAnchorMovesOnlyForItsFourCodesByTheUnscaledSize) {
    struct Case {
        int anchor;
        float x, y;
    };
    // width 10, height 7 at (100, 100); halves by shift: 5 and 3.
    const Case cases[] = {
        {0, 100, 100}, {1, 95, 100}, {2, 100, 100}, {3, 100, 100}, {4, 95, 97},    {5, 100, 100},
        {6, 100, 100}, {7, 95, 93},  {8, 90, 93},   {9, 100, 100}, {-4, 100, 100},
    };
    for (const Case& c : cases) {
        float x = 100, y = 100;
        QZW::QzSpriteListAnchorShift(c.anchor, 10, 7, x, y);
        EXPECT_EQ(x, c.x) << "anchor " << c.anchor;
        EXPECT_EQ(y, c.y) << "anchor " << c.anchor;
    }
}

TEST(SpriteGeometry, MeshAnchorCoversTheWholeGrid) {
    const float expected[9][2] = {{0, 0},      {-5, 0}, {-10, 0}, {0, -3.5}, {-5, -3.5},
                                  {-10, -3.5}, {0, -7}, {-5, -7}, {-10, -7}};
    for (int anchor = 0; anchor < 9; ++anchor) {
        const QZW::Vector2 o = QZW::QzMeshAnchorOffset(anchor, 10, 7);
        EXPECT_EQ(o.x, expected[anchor][0]) << "anchor " << anchor;
        EXPECT_EQ(o.y, expected[anchor][1]) << "anchor " << anchor;
    }
    const QZW::Vector2 other = QZW::QzMeshAnchorOffset(12, 10, 7);
    EXPECT_EQ(other.x, 0.0f);
    EXPECT_EQ(other.y, 0.0f);
}

TEST(SpriteGeometry, UvRectMapsTexelsAndSurvivesAZeroSizedTexture) {
    const QZW::QzUvRect uv = QZW::QzCalcUvRect(16, 8, 32, 24, 64, 32);
    EXPECT_EQ(uv.uLeft, 0.25f);
    EXPECT_EQ(uv.uRight, 0.75f);
    EXPECT_EQ(uv.vTop, 0.25f);
    EXPECT_EQ(uv.vBottom, 1.0f);
    const float sizes[][2] = {{0, 32}, {64, 0}, {0, 0}, {-1, 4}};
    for (const auto& s : sizes) {
        const QZW::QzUvRect z = QZW::QzCalcUvRect(16, 8, 32, 24, s[0], s[1]);
        EXPECT_TRUE(std::isfinite(z.uLeft) && std::isfinite(z.uRight) && std::isfinite(z.vTop) &&
                    std::isfinite(z.vBottom))
            << s[0] << "x" << s[1];
        EXPECT_EQ(z.uRight, 0.0f) << s[0] << "x" << s[1];
    }
}

}  // namespace
