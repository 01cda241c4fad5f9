// BMFont file writer: one font description written as a binary file
// (version 3) or as a text file, both read by the engine's font loaders.
// The packed flag goes into bit 0 of the common bit field, where the engine
// reads it, and into bit 7 for other BMFont readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qztools {

struct BmChar {
    std::uint32_t id = 0;  // 0xFFFFFFFF is the default glyph (-1 in text)
    std::uint16_t x = 0, y = 0, width = 0, height = 0;
    std::int16_t xoffset = 0, yoffset = 0, xadvance = 0;
    std::uint8_t page = 0;
    std::uint8_t chnl = 15;
};

struct BmKerning {
    std::uint32_t first = 0, second = 0;
    std::int16_t amount = 0;
};

struct BmFontFile {
    // info
    std::string face;
    std::int16_t size = 0;
    bool smooth = true, unicode = true, italic = false, bold = false;
    std::uint16_t stretchH = 100;
    std::uint8_t aa = 1;
    std::uint8_t padding[4] = {0, 0, 0, 0};  // up, right, down, left
    std::uint8_t spacing[2] = {1, 1};
    std::uint8_t outline = 0;
    // common
    std::uint16_t lineHeight = 0, base = 0, scaleW = 0, scaleH = 0;
    bool packed = false;
    // 0 glyph, 1 outline, 2 both, 3 zero, 4 one: white glyphs in alpha.
    std::uint8_t alphaChnl = 0, redChnl = 4, greenChnl = 4, blueChnl = 4;
    std::vector<std::string> pages;  // file names relative to the font file
    std::vector<BmChar> chars;
    std::vector<BmKerning> kernings;
};

std::vector<std::uint8_t> EncodeBmFontBinary(const BmFontFile& font);
std::string EncodeBmFontText(const BmFontFile& font);

}  // namespace qztools
