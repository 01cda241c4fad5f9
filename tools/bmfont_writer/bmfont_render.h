// Renders the glyphs of a TrueType font (FreeType, anti-aliased 8-bit
// coverage) and packs them in rows onto pages: white texels whose alpha is
// the coverage. Metrics and kerning pairs (first code up to 255, as the
// engine uses no others) come from FreeType. Code points the face lacks are
// listed in `missing` and left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/datawriters/bmfont_file_writer.h"

namespace qztools {

struct RgbaImage {
    std::uint16_t width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
};

struct BmFontRenderOptions {
    std::string fontPath;
    int pixelSize = 16;
    std::vector<std::uint32_t> chars;
    std::uint16_t pageWidth = 256, pageHeight = 256;
    int spacing = 1;  // empty texels between glyphs on a page
    // Page n is named pageBaseName + "_" + n + "." + pageExtension.
    std::string pageBaseName = "font";
    std::string pageExtension = "tga";
};

struct BmFontRendering {
    BmFontFile file;
    std::vector<RgbaImage> pages;
    std::vector<std::uint32_t> missing;
    std::string error;  // empty on success
};

BmFontRendering RenderBmFont(const BmFontRenderOptions& options);

}  // namespace qztools
