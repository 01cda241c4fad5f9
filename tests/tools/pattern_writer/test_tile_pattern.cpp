// The tile pattern: which colour each texel of the grid takes, the colour
// list's syntax, and the grids refused.
#include "tools/pattern_writer/tile_pattern.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/datawriters/dds_writer.h"

namespace {

using qztools::EncodeForPath;
using qztools::ParseColourList;
using qztools::RenderTilePattern;
using qztools::TilePattern;

TEST(TilePattern, EachTileTakesItsColourInRowOrder) {
    TilePattern p{4, 4, 2, 2, {0x11223344u, 0x55667788u, 0x99AABBCCu}};
    const auto rgba = RenderTilePattern(p);
    ASSERT_TRUE(rgba);
    const auto texel = [&](int x, int y) {
        const std::uint8_t* t = &(*rgba)[std::size_t(y * 4 + x) * 4];
        return std::uint32_t(t[0]) << 24 | std::uint32_t(t[1]) << 16 | std::uint32_t(t[2]) << 8 |
               t[3];
    };
    EXPECT_EQ(0x11223344u, texel(0, 0));
    EXPECT_EQ(0x11223344u, texel(1, 1));
    EXPECT_EQ(0x55667788u, texel(2, 0));
    EXPECT_EQ(0x99AABBCCu, texel(0, 3));
    EXPECT_EQ(0x11223344u, texel(3, 3)) << "the list repeats";
}

TEST(TilePattern, RefusesEmptyOrOverfullGridsAndMalformedColours) {
    EXPECT_FALSE(RenderTilePattern(TilePattern{0, 4, 1, 1, {1}}));
    EXPECT_FALSE(RenderTilePattern(TilePattern{4, 4, 5, 1, {1}}));
    EXPECT_FALSE(RenderTilePattern(TilePattern{4, 4, 1, 1, {}}));
    EXPECT_EQ((std::vector<std::uint32_t>{0xFF0000FFu, 0x00FF00FFu}),
              ParseColourList("FF0000FF,00ff00ff").value());
    for (const char* bad : {"", "FF0000", "FF0000FF,", "GG0000FF", "FF0000FF0"}) {
        EXPECT_FALSE(ParseColourList(bad)) << bad;
    }
}

TEST(TilePattern, TheOutputNameChoosesTgaOrDdsAndNothingElse) {
    const auto rgba = RenderTilePattern(TilePattern{4, 2, 1, 1, {0x8080FFFFu}});
    ASSERT_TRUE(rgba);
    const auto tga = EncodeForPath("images/a.tga", *rgba, 4, 2);
    ASSERT_TRUE(tga);
    EXPECT_EQ(2, (*tga)[2]) << "uncompressed true-colour TGA";
    EXPECT_EQ(18u + 4 * 2 * 4, tga->size());
    const auto dds = EncodeForPath("images/model/water/normal01.dds", *rgba, 4, 2);
    ASSERT_TRUE(dds);
    ASSERT_EQ(qztools::kDdsHeaderSize + 4 * 2 * 4, dds->size());
    EXPECT_EQ("DDS ", std::string(dds->begin(), dds->begin() + 4));
    // Texels in R, G, B, A order after the header.
    EXPECT_EQ((std::vector<std::uint8_t>{0x80, 0x80, 0xFF, 0xFF}),
              std::vector<std::uint8_t>(dds->begin() + qztools::kDdsHeaderSize,
                                        dds->begin() + qztools::kDdsHeaderSize + 4));
    for (const char* name : {"a.png", "a.tga.txt", "dds", ""}) {
        EXPECT_FALSE(EncodeForPath(name, *rgba, 4, 2)) << name;
    }
}

}  // namespace
