#include "tools/fixedfont_writer/fixedfont_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace qztools {

namespace {

bool Ink(const FT_Bitmap& bm, int x, int y) {
    const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
    if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
    return row[x] >= 128;
}

}  // namespace

FixedFontRendering RenderFixedFont(const FixedFontOptions& options) {
    FixedFontRendering result;
    RgbaImage& image = result.image;
    image.width = static_cast<std::uint16_t>(options.columns * kFixedCell);
    image.height = static_cast<std::uint16_t>(options.rows * kFixedCell);
    image.rgba.assign(std::size_t(image.width) * image.height * 4, 0);

    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) {
        result.error = "FreeType did not start";
        return result;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(lib, options.fontPath.c_str(), 0, &face) != 0 ||
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(options.pixelSize)) != 0) {
        result.error = "cannot open font " + options.fontPath;
        FT_Done_FreeType(lib);
        return result;
    }
    const std::uint32_t cells = std::uint32_t(options.columns) * options.rows;
    auto plot = [&](int px, int py, int cellX, int cellY, std::uint8_t value) {
        if (px < 0 || py < 0 || px >= kFixedCell || py >= kFixedCell) {
            return;  // clipped to its own cell
        }
        std::uint8_t* t = &image.rgba[(std::size_t(cellY + py) * image.width + cellX + px) * 4];
        if (value == 255 || t[3] == 0) {
            t[0] = t[1] = t[2] = value;
            t[3] = 255;
        }
    };
    for (std::uint32_t code : options.chars) {
        const std::uint32_t cell = code - options.first;
        if (code < options.first || cell >= cells ||
            FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
            result.skipped.push_back(code);
            continue;
        }
        const FT_Bitmap& bm = face->glyph->bitmap;
        const int cellX = int(cell % options.columns) * kFixedCell;
        const int cellY = int(cell / options.columns) * kFixedCell;
        // Centre the ink horizontally; hang it from the baseline vertically.
        const int left = (kFixedCell - int(bm.width)) / 2;
        const int top = options.baseline - face->glyph->bitmap_top;
        for (int pass = options.shadow ? 0 : 1; pass < 2; ++pass) {
            for (int y = 0; y < int(bm.rows); ++y) {
                for (int x = 0; x < int(bm.width); ++x) {
                    if (!Ink(bm, x, y)) {
                        continue;
                    }
                    if (pass == 0) {
                        plot(left + x + 1, top + y + 1, cellX, cellY, 0);
                    } else {
                        plot(left + x, top + y, cellX, cellY, 255);
                    }
                }
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return result;
}

}  // namespace qztools
