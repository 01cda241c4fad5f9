// The 8x8 fixed-cell font: cells in rows of the texture, and DrawText's
// sprites and advances (spaces, code 64, codes outside the font's range).
#include "qzware/scene/qz_fixed_font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qzware/common/qz_mem.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/support/sized_texture.h"

namespace {

using qz_test_support::SizedTexture;
using QZW::CQzFixedFont;

class FixedFontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QzMemManagerCreate()); }
    void TearDown() override { QzMemManagerDestroy(); }
};

void ExpectCell(const CQzFixedFont& font, std::int32_t code, CQzFixedFont::SCell expected) {
    const CQzFixedFont::SCell* cell = font.GetCell(code);
    ASSERT_NE(cell, nullptr) << code;
    EXPECT_EQ(cell->x, expected.x) << code;
    EXPECT_EQ(cell->y, expected.y) << code;
    EXPECT_EQ(cell->width, expected.width) << code;
    EXPECT_EQ(cell->height, expected.height) << code;
}

TEST_F(FixedFontTest, CellsFollowColumnsThenRowsUntilTheTextureEnds) {
    SizedTexture texture(128, 16);  // two rows of sixteen cells
    CQzFixedFont font;
    ASSERT_TRUE(font.Build(0, 255, 16, &texture));
    ExpectCell(font, 0, {0, 0, 8, 8});
    ExpectCell(font, 17, {8, 8, 8, 8});
    ExpectCell(font, 31, {120, 8, 8, 8});
    ExpectCell(font, 32, {0, 0, 0, 0});  // past the last row: empty
    EXPECT_EQ(font.GetCell(256), nullptr);
    EXPECT_EQ(font.GetCell(-1), nullptr);

    SizedTexture digitsTexture(80, 8);
    CQzFixedFont digits;
    ASSERT_TRUE(digits.Build('0', '9', 10, &digitsTexture));
    ExpectCell(digits, '0', {0, 0, 8, 8});
    ExpectCell(digits, '9', {72, 0, 8, 8});
    EXPECT_EQ(digits.GetCell('/'), nullptr);
    EXPECT_EQ(digits.GetCell(':'), nullptr);
}

TEST_F(FixedFontTest, BuildRefusesAnEmptyRangeOrNoColumns) {
    SizedTexture texture(128, 128);
    struct Case {
        std::int32_t first, last, columns;
    };
    for (const Case& c : {Case{5, 4, 16}, Case{0, 255, 0}, Case{0, 255, -3}}) {
        CQzFixedFont font;
        EXPECT_FALSE(font.Build(c.first, c.last, c.columns, &texture))
            << c.first << ".." << c.last << " / " << c.columns;
        EXPECT_EQ(font.GetCell(c.first), nullptr);
    }
}

TEST_F(FixedFontTest, DrawTextAppendsOneCellPerDrawnCharacterAndAdvancesByTheScaledCell) {
    SizedTexture allTexture(128, 128);
    SizedTexture digitsTexture(80, 8);
    CQzFixedFont all;
    CQzFixedFont digits;
    ASSERT_TRUE(all.Build(0, 255, 16, &allTexture));
    ASSERT_TRUE(digits.Build('0', '9', 10, &digitsTexture));
    struct Case {
        const char* what;
        const CQzFixedFont* font;
        SizedTexture* texture;
        const char* text;
        float scaleX;
        std::vector<float> xs;  // left edge of every appended cell
    };
    const Case cases[] = {
        {"space outside the digits: skipped, no advance",
         &digits,
         &digitsTexture,
         "12 3",
         1.0f,
         {10, 18, 26}},
        {"space in a font holding 64: advance only", &all, &allTexture, "1 2", 1.0f, {10, 26}},
        {"code 64 is never drawn", &all, &allTexture, "@A", 1.0f, {18}},
        {"letters outside the digits", &digits, &digitsTexture, "1x2", 1.0f, {10, 18}},
        {"integer part of the scaled cell", &digits, &digitsTexture, "123", 1.9f, {10, 25, 40}},
        {"scale 2.5", &digits, &digitsTexture, "12", 2.5f, {10, 30}},
        // Past the integer range the advance is clamped, not converted.
        {"huge scale", &digits, &digitsTexture, "12", 1e12f, {10, 1000000010.0f}},
    };
    for (const Case& c : cases) {
        QZW::CQzSpriteList list(64, c.texture);
        c.font->DrawText(&list, 10, 20, c.scaleX, 2.0f, 0x11223344u, c.text);
        ASSERT_EQ(list.GetVertexCount(), c.xs.size() * 4) << c.what;
        for (std::size_t i = 0; i < c.xs.size(); ++i) {
            const QZW::Vector3& corner = list.GetPositions()[i * 4];
            EXPECT_EQ(corner.x, c.xs[i]) << c.what << " cell " << i;
            EXPECT_EQ(corner.y, 20.0f) << c.what;
            EXPECT_EQ(corner.z, 100.0f) << c.what;
            EXPECT_EQ(list.GetPositions()[i * 4 + 2].x, c.xs[i] + 8.0f * c.scaleX) << c.what;
            EXPECT_EQ(list.GetPositions()[i * 4 + 2].y, 36.0f) << c.what;
            EXPECT_EQ(list.GetColors()[i * 4], 0x11223344u) << c.what;
        }
    }
}

TEST_F(FixedFontTest, DrawTextTakesEachCharactersOwnCell) {
    SizedTexture texture(80, 8);
    CQzFixedFont digits;
    ASSERT_TRUE(digits.Build('0', '9', 10, &texture));
    QZW::CQzSpriteList list(16, &texture);
    digits.DrawText(&list, 0, 0, 1.0f, 1.0f, 0xFFFFFFFFu, "70");
    ASSERT_EQ(list.GetVertexCount(), 8u);
    EXPECT_EQ(list.GetUVs()[0].x, 56.0f / 80.0f);
    EXPECT_EQ(list.GetUVs()[2].x, 64.0f / 80.0f);
    EXPECT_EQ(list.GetUVs()[4].x, 0.0f);
}

TEST_F(FixedFontTest, DrawTextWithAnUnbuiltFontOrNoTextAppendsNothing) {
    SizedTexture texture(80, 8);
    QZW::CQzSpriteList list(16, &texture);
    CQzFixedFont unbuilt;
    unbuilt.DrawText(&list, 0, 0, 1.0f, 1.0f, 0xFFFFFFFFu, "123");
    CQzFixedFont digits;
    ASSERT_TRUE(digits.Build('0', '9', 10, &texture));
    digits.DrawText(&list, 0, 0, 1.0f, 1.0f, 0xFFFFFFFFu, nullptr);
    digits.DrawText(nullptr, 0, 0, 1.0f, 1.0f, 0xFFFFFFFFu, "1");
    EXPECT_EQ(list.GetVertexCount(), 0u);
}

}  // namespace
