// Draws characters into a grid of 8x8 cells: the character `code` goes to
// cell (code - first), counted left to right, top to bottom, which is how
// the engine's fixed-cell font finds it. Glyphs are rasterised monochrome
// (hinted, crisp at 8 pixels) in white with full alpha; empty texels are
// clear. An optional one-texel shadow to the lower right keeps light digits
// readable on light backgrounds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/bmfont_writer/bmfont_render.h"

namespace qztools {

struct FixedFontOptions {
    std::string fontPath;
    int pixelSize = 8;
    int baseline = 6;  // texel row of the baseline inside a cell
    std::vector<std::uint32_t> chars;
    std::uint32_t first = 0;
    std::uint16_t columns = 16, rows = 16;
    bool shadow = false;
};

// Empty `error` on success. Characters the face lacks, or whose cell lies
// past the grid, are listed in `skipped`.
struct FixedFontRendering {
    RgbaImage image;
    std::vector<std::uint32_t> skipped;
    std::string error;
};

constexpr int kFixedCell = 8;

FixedFontRendering RenderFixedFont(const FixedFontOptions& options);

}  // namespace qztools
