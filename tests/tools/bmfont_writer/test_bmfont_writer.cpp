// The font writer's output loads with the engine's loader: both file forms
// give the same records, glyph rectangles lie on their pages and hold ink,
// FreeType's kerning arrives; and the demo fonts the build wrote load with
// every page texture present at the size the font declares.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "tools/bmfont_writer/bmfont_render.h"

namespace {

const char kDejaVuSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

int Load(acGraphics::CBitmapFont& font, const std::vector<std::uint8_t>& bytes) {
    return font.InitFromMemory(nullptr, "font/w.fnt", bytes.data(),
                               static_cast<std::uint32_t>(bytes.size()));
}

TEST(BmFontWriter, RenderedFontLoadsTheSameFromBothFormsWithInkedGlyphs) {
    qztools::BmFontRenderOptions options;
    options.fontPath = kDejaVuSans;
    options.pixelSize = 20;
    for (std::uint32_t c = 32; c <= 126; ++c) {
        options.chars.push_back(c);
    }
    options.chars.push_back(0x3042);  // not in DejaVu
    options.pageWidth = options.pageHeight = 128;
    options.pageBaseName = "w";
    const qztools::BmFontRendering out = qztools::RenderBmFont(options);
    ASSERT_EQ(out.error, "");
    EXPECT_EQ(out.missing, std::vector<std::uint32_t>{0x3042});
    ASSERT_GT(out.pages.size(), 1u) << "128x128 pages should not hold 95 glyphs at 20 px";

    const std::vector<std::uint8_t> binary = qztools::EncodeBmFontBinary(out.file);
    const std::string textForm = qztools::EncodeBmFontText(out.file);
    acGraphics::CBitmapFont a, b;
    ASSERT_EQ(Load(a, binary), 1);
    ASSERT_EQ(Load(b, std::vector<std::uint8_t>(textForm.begin(), textForm.end())), 1);
    EXPECT_EQ(a.glyphs, b.glyphs);
    EXPECT_EQ(a.pageFiles, b.pageFiles);
    EXPECT_EQ(a.lineHeight, b.lineHeight);
    EXPECT_EQ(a.base, b.base);
    EXPECT_EQ(a.pageFiles[0], "font/w_0.tga");
    EXPECT_EQ(a.scaleW, 128);
    ASSERT_EQ(a.glyphs.size(), 95u);
    EXPECT_GT(a.lineHeight, 20);

    for (const auto& [id, g] : a.glyphs) {
        SCOPED_TRACE(id);
        ASSERT_LT(g.page, out.pages.size());
        EXPECT_LE(g.x + g.width, a.scaleW);
        EXPECT_LE(g.y + g.height, a.scaleH);
        EXPECT_GT(g.xadvance, 0);
        const qztools::RgbaImage& page = out.pages[g.page];
        int ink = 0;
        for (int y = g.y; y < g.y + g.height; ++y) {
            for (int x = g.x; x < g.x + g.width; ++x) {
                ink += page.rgba[(std::size_t(y) * page.width + x) * 4 + 3] > 0;
            }
        }
        EXPECT_EQ(ink > 0, id != ' ');
    }
    // DejaVu pulls "A" and "V" together.
    EXPECT_LT(a.GetKerning('A', 'V'), 0);
}

// Reads the data tree the build wrote.
class TreeOwner : public acGraphics::IFontOwner {
public:
    explicit TreeOwner(std::filesystem::path root) : root_(std::move(root)) {}
    bool ReadFontFile(const std::string& path, std::vector<std::uint8_t>& bytes) override {
        std::ifstream in(root_ / path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        return static_cast<bool>(in) || in.eof();
    }
    acGraphics::SFontPage LoadFontPage(const std::string& path) override {
        pages.push_back(path);
        return {};
    }
    std::vector<std::uint8_t> Read(const std::string& path) {
        std::vector<std::uint8_t> bytes;
        ReadFontFile(path, bytes);
        return bytes;
    }
    std::vector<std::string> pages;

private:
    std::filesystem::path root_;
};

std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

TEST(DemoFonts, PreloadedFontsLoadWithEveryPageOnDisk) {
    const std::filesystem::path tree = std::filesystem::path(QZ_BINARY_DIR) / "USRDIR";
    ASSERT_TRUE(std::filesystem::exists(tree / "font/lumesa_gosiL30.fnt"))
        << "the build writes the demo data (target demo_data) into " << tree;
    const char* names[] = {"font/lumesa_gosiL30.fnt", "font/lumesa_gosiL30_ch.fnt",
                           "font/lumesa_gosiL80.fnt", "font/velmofont.fnt"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        TreeOwner owner(tree);
        acGraphics::CBitmapFont font;
        ASSERT_EQ(font.Init(&owner, name), 1);
        EXPECT_GE(font.glyphs.size(), 190u);  // printable ASCII and Latin-1
        ASSERT_NE(font.GetChar('?'), nullptr);
        EXPECT_EQ(font.GetChar(0x4E00), font.GetChar('?'));
        EXPECT_EQ(owner.pages, font.pageFiles);
        for (const std::string& page : font.pageFiles) {
            const std::vector<std::uint8_t> tga = owner.Read(page);
            ASSERT_GE(tga.size(), 18u) << page;
            EXPECT_EQ(tga[2], 2);
            EXPECT_EQ(tga[16], 32);
            EXPECT_EQ(U16(tga, 12), font.scaleW);
            EXPECT_EQ(U16(tga, 14), font.scaleH);
            EXPECT_EQ(tga.size(), 18u + std::size_t(font.scaleW) * font.scaleH * 4);
        }
    }
}

TEST(DemoFonts, FixedCellTexturesHoldWholeCells) {
    const std::filesystem::path tree = std::filesystem::path(QZ_BINARY_DIR) / "USRDIR";
    TreeOwner owner(tree);
    // The debug font: 16 x 16 cells of 8 x 8, uncompressed RGBA DDS.
    const std::vector<std::uint8_t> dds = owner.Read("font/X68KFont.dds");
    ASSERT_EQ(dds.size(), 128u + 128 * 128 * 4);
    EXPECT_EQ(U16(dds, 12), 128u);
    EXPECT_EQ(U16(dds, 16), 128u);
    EXPECT_EQ(dds[80], 0x41);
    EXPECT_EQ(dds[88], 32);
    // Cell 65 ("A", column 1 of row 4) has ink; cell 0 has none.
    auto cellInk = [&](int cell) {
        int ink = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const int px = (cell % 16) * 8 + x, py = (cell / 16) * 8 + y;
                ink += dds[128 + (std::size_t(py) * 128 + px) * 4 + 3] > 0;
            }
        }
        return ink;
    };
    EXPECT_GT(cellInk('A'), 8);
    EXPECT_EQ(cellInk(0), 0);
    EXPECT_EQ(cellInk(' '), 0);
    // The damage digits: ten cells in one row.
    const std::vector<std::uint8_t> tga = owner.Read("images/dmgnum.tga");
    ASSERT_EQ(tga.size(), 18u + 80 * 8 * 4);
    EXPECT_EQ(U16(tga, 12), 80u);
    EXPECT_EQ(U16(tga, 14), 8u);
}

}  // namespace
