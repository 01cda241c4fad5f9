#include "tools/bmfont_writer/bmfont_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <memory>

namespace qztools {

namespace {

struct FreeTypeDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, FreeTypeDeleter>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FreeTypeDeleter>;

struct RenderedGlyph {
    std::uint32_t code = 0;
    FT_UInt index = 0;
    int width = 0, height = 0, left = 0, top = 0, advance = 0;
    std::vector<std::uint8_t> coverage;
};

int Round26_6(FT_Pos v) {
    return static_cast<int>(std::lround(double(v) / 64.0));
}

bool RenderGlyph(FT_Face face, std::uint32_t code, RenderedGlyph& out) {
    out.code = code;
    out.index = FT_Get_Char_Index(face, code);
    if (out.index == 0 || FT_Load_Glyph(face, out.index, FT_LOAD_RENDER) != 0) {
        return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.width > 0) {
        return false;
    }
    out.width = static_cast<int>(bm.width);
    out.height = static_cast<int>(bm.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.advance = Round26_6(slot->advance.x);
    out.coverage.resize(std::size_t(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
        std::copy_n(row, out.width, out.coverage.begin() + std::ptrdiff_t(y) * out.width);
    }
    return true;
}

}  // namespace

BmFontRendering RenderBmFont(const BmFontRenderOptions& options) {
    BmFontRendering result;
    FT_Library rawLib = nullptr;
    if (FT_Init_FreeType(&rawLib) != 0) {
        result.error = "FreeType did not start";
        return result;
    }
    LibraryPtr lib(rawLib);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(lib.get(), options.fontPath.c_str(), 0, &rawFace) != 0) {
        result.error = "cannot open font " + options.fontPath;
        return result;
    }
    FacePtr face(rawFace);
    if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(options.pixelSize)) != 0) {
        result.error = "font has no size " + std::to_string(options.pixelSize);
        return result;
    }

    BmFontFile& file = result.file;
    file.face = face->family_name ? face->family_name : "";
    file.size = static_cast<std::int16_t>(options.pixelSize);
    file.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    file.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    file.spacing[0] = file.spacing[1] = static_cast<std::uint8_t>(options.spacing);
    file.lineHeight = static_cast<std::uint16_t>(Round26_6(face->size->metrics.height));
    file.base = static_cast<std::uint16_t>(Round26_6(face->size->metrics.ascender));
    file.scaleW = options.pageWidth;
    file.scaleH = options.pageHeight;

    std::vector<RenderedGlyph> glyphs;
    for (std::uint32_t code : options.chars) {
        RenderedGlyph g;
        if (RenderGlyph(face.get(), code, g)) {
            glyphs.push_back(std::move(g));
        } else {
            result.missing.push_back(code);
        }
    }

    // Shelf packing, tallest first, so rows waste little height.
    std::vector<std::size_t> order(glyphs.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return glyphs[a].height > glyphs[b].height;
    });
    const int pad = options.spacing;
    int penX = pad, penY = pad, rowHeight = 0;
    auto newPage = [&] {
        RgbaImage page;
        page.width = options.pageWidth;
        page.height = options.pageHeight;
        page.rgba.assign(std::size_t(page.width) * page.height * 4, 0);
        for (std::size_t i = 0; i < page.rgba.size(); i += 4) {
            page.rgba[i] = page.rgba[i + 1] = page.rgba[i + 2] = 255;
        }
        result.pages.push_back(std::move(page));
        penX = pad, penY = pad, rowHeight = 0;
    };
    newPage();
    for (std::size_t i : order) {
        const RenderedGlyph& g = glyphs[i];
        if (g.width + 2 * pad > options.pageWidth || g.height + 2 * pad > options.pageHeight) {
            result.error = "glyph " + std::to_string(g.code) + " does not fit on a page";
            return result;
        }
        if (penX + g.width + pad > options.pageWidth) {
            penX = pad, penY += rowHeight + pad, rowHeight = 0;
        }
        if (penY + g.height + pad > options.pageHeight) {
            if (result.pages.size() == 255) {
                result.error = "more than 255 pages";
                return result;
            }
            newPage();
        }
        RgbaImage& page = result.pages.back();
        for (int y = 0; y < g.height; ++y) {
            for (int x = 0; x < g.width; ++x) {
                const std::size_t at = (std::size_t(penY + y) * page.width + penX + x) * 4;
                page.rgba[at + 3] = g.coverage[std::size_t(y) * g.width + x];
            }
        }
        BmChar c;
        c.id = g.code;
        c.x = static_cast<std::uint16_t>(penX);
        c.y = static_cast<std::uint16_t>(penY);
        c.width = static_cast<std::uint16_t>(g.width);
        c.height = static_cast<std::uint16_t>(g.height);
        c.xoffset = static_cast<std::int16_t>(g.left);
        c.yoffset = static_cast<std::int16_t>(file.base - g.top);
        c.xadvance = static_cast<std::int16_t>(g.advance);
        c.page = static_cast<std::uint8_t>(result.pages.size() - 1);
        c.chnl = 15;
        file.chars.push_back(c);
        penX += g.width + pad;
        rowHeight = std::max(rowHeight, g.height);
    }
    std::sort(file.chars.begin(), file.chars.end(),
              [](const BmChar& a, const BmChar& b) { return a.id < b.id; });
    for (std::size_t i = 0; i < result.pages.size(); ++i) {
        file.pages.push_back(options.pageBaseName + "_" + std::to_string(i) + "." +
                             options.pageExtension);
    }

    if (FT_HAS_KERNING(face.get())) {
        for (const RenderedGlyph& a : glyphs) {
            if (a.code > 255) {
                continue;
            }
            for (const RenderedGlyph& b : glyphs) {
                FT_Vector delta{};
                if (FT_Get_Kerning(face.get(), a.index, b.index, FT_KERNING_DEFAULT, &delta) == 0 &&
                    Round26_6(delta.x) != 0) {
                    file.kernings.push_back(
                        BmKerning{a.code, b.code, static_cast<std::int16_t>(Round26_6(delta.x))});
                }
            }
        }
    }
    return result;
}

}  // namespace qztools
