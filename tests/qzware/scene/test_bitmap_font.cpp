// Bitmap font files: the binary and text forms of one font load to the same
// records; malformed files are refused or their bad records skipped, never
// read out of bounds (the test binary runs under ASan and UBSan).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "tests/qzware/scene/font_fixture.h"

using acGraphics::CBitmapFont;
using acGraphics::SGlyph;
using fonttest::Bytes;

namespace {

// [SECTION] One font, two forms

const char kTextFont[] =
    "info face=\"Test Sans\" size=16 bold=0 italic=0 charset=\"\" unicode=1 stretchH=100 "
    "smooth=1 aa=1 padding=0,0,0,0 spacing=1,1 outline=0\r\n"
    "common lineHeight=19 base=15 scaleW=256 scaleH=128 pages=2 packed=0 alphaChnl=0\r\n"
    "page id=0 file=\"t_0.tga\"\r\n"
    "page id=1 file=\"t_1.tga\"\r\n"
    "chars count=7\r\n"
    "char id=-1    x=0   y=0  width=3  height=4  xoffset=0  yoffset=0 xadvance=5  page=0 chnl=15\n"
    "char id=32    x=250 y=0  width=0  height=0  xoffset=0  yoffset=0 xadvance=4  page=0 chnl=15\n"
    "char id=63    x=20  y=0  width=8  height=12 xoffset=1  yoffset=3 xadvance=8  page=0 chnl=15\n"
    "char id=65    x=1   y=2  width=10 height=12 xoffset=-1 yoffset=3 xadvance=9  page=0 chnl=1\n"
    "char id=86    x=40  y=20 width=11 height=12 xoffset=0  yoffset=3 xadvance=10 page=1 chnl=2\n"
    "char id=200   x=60  y=20 width=9  height=15 xoffset=0  yoffset=0 xadvance=9  page=1 chnl=8\n"
    "char id=12354 x=80  y=40 width=15 height=15 xoffset=0  yoffset=1 xadvance=16 page=1 chnl=4\n"
    "kernings count=5\n"
    "kerning first=65  second=86    amount=-2\n"
    "kerning first=86  second=65    amount=-1\n"
    "kerning first=300 second=65    amount=-3\n"
    "kerning first=66  second=65    amount=-4\n"
    "kerning first=65  second=12354 amount=2";

std::vector<std::uint8_t> BinaryFont() {
    using namespace fonttest;
    Bytes chars;
    chars.append(CharRecord(0xFFFFFFFFu, 0, 0, 3, 4, 0, 0, 5, 0, 15))
        .append(CharRecord(32, 250, 0, 0, 0, 0, 0, 4, 0, 15))
        .append(CharRecord(63, 20, 0, 8, 12, 1, 3, 8, 0, 15))
        .append(CharRecord(65, 1, 2, 10, 12, -1, 3, 9, 0, 1))
        .append(CharRecord(86, 40, 20, 11, 12, 0, 3, 10, 1, 2))
        .append(CharRecord(200, 60, 20, 9, 15, 0, 0, 9, 1, 8))
        .append(CharRecord(12354, 80, 40, 15, 15, 0, 1, 16, 1, 4));
    Bytes kerning;
    kerning.append(KerningRecord(65, 86, -2))
        .append(KerningRecord(86, 65, -1))
        .append(KerningRecord(300, 65, -3))
        .append(KerningRecord(66, 65, -4))
        .append(KerningRecord(65, 12354, 2));
    return Header()
        .block(1, InfoBlock(0))
        .block(2, CommonBlock(19, 15, 256, 128, 2, 0))
        .block(3, Bytes().cstr("t_0.tga").cstr("t_1.tga"))
        .block(4, chars)
        .block(5, kerning)
        .b;
}

std::vector<std::uint8_t> TextFont() {
    return std::vector<std::uint8_t>(kTextFont, kTextFont + sizeof(kTextFont) - 1);
}

void ExpectSameRecords(const CBitmapFont& a, const CBitmapFont& b) {
    EXPECT_EQ(a.lineHeight, b.lineHeight);
    EXPECT_EQ(a.base, b.base);
    EXPECT_EQ(a.scaleW, b.scaleW);
    EXPECT_EQ(a.scaleH, b.scaleH);
    EXPECT_EQ(a.packedOutline, b.packedOutline);
    EXPECT_EQ(a.defaultGlyph, b.defaultGlyph);
    EXPECT_EQ(a.pageFiles, b.pageFiles);
    EXPECT_EQ(a.pageTextures, b.pageTextures);
    ASSERT_EQ(a.glyphs.size(), b.glyphs.size());
    for (const auto& [id, glyph] : a.glyphs) {
        auto other = b.glyphs.find(id);
        ASSERT_NE(other, b.glyphs.end()) << "glyph " << id;
        EXPECT_EQ(glyph, other->second) << "glyph " << id;
    }
}

TEST(BitmapFont, BinaryAndTextFormsLoadToTheSameRecords) {
    fonttest::MemoryOwner owner;
    owner.files["font/t.fnt"] = BinaryFont();
    owner.files["font/t.txt"] = TextFont();
    owner.textures = {"font/t_0.tga"};  // page 1's texture is missing
    CBitmapFont binary, text;
    ASSERT_EQ(binary.Init(&owner, "font/t.fnt"), 1);
    ASSERT_EQ(text.Init(&owner, "font/t.txt"), 1);
    ExpectSameRecords(binary, text);

    // And both are what the file says, not merely equal to each other.
    EXPECT_EQ(text.lineHeight, 19);
    EXPECT_EQ(text.base, 15);
    EXPECT_EQ(text.scaleW, 256);
    EXPECT_EQ(text.scaleH, 128);
    EXPECT_EQ(text.pageFiles, (std::vector<std::string>{"font/t_0.tga", "font/t_1.tga"}));
    EXPECT_EQ(owner.requested, (std::vector<std::string>{"font/t_0.tga", "font/t_1.tga",
                                                         "font/t_0.tga", "font/t_1.tga"}));
    EXPECT_NE(text.GetPageTexture(0), nullptr);
    EXPECT_NE(text.GetPageMaterial(0), nullptr);
    EXPECT_EQ(text.GetPageTexture(1), nullptr);
    EXPECT_EQ(text.GetPageMaterial(1), nullptr);

    SGlyph a;
    a.x = 1, a.y = 2, a.width = 10, a.height = 12, a.xoffset = -1, a.yoffset = 3, a.xadvance = 9;
    a.channelMask = 0x00010000u;
    a.kerning = {{86, -2}, {12354, 2}};
    EXPECT_EQ(text.glyphs.at(65), a);
    EXPECT_EQ(text.glyphs.at(86).channelMask, 0x00000100u);
    EXPECT_EQ(text.glyphs.at(12354).channelMask, 0x00000001u);
    EXPECT_EQ(text.glyphs.at(200).channelMask, 0x01000000u);
    EXPECT_EQ(text.glyphs.at(63).channelMask, 0u);  // chnl 15
    EXPECT_EQ(text.defaultGlyph.xadvance, 5);
    EXPECT_EQ(text.glyphs.count(-1), 0u);
    // Kerning with first 300 and with a first that has no glyph is dropped.
    EXPECT_EQ(text.glyphs.count(66), 0u);
    EXPECT_EQ(text.glyphs.count(300), 0u);
    EXPECT_EQ(text.GetKerning(65, 86), -2);
    EXPECT_EQ(text.GetKerning(86, 65), -1);
    EXPECT_EQ(text.GetKerning(86, 86), 0);
    // A character the font lacks falls back to "?".
    EXPECT_EQ(text.GetChar(66), &text.glyphs.at(63));
    EXPECT_EQ(text.GetChar(65), &text.glyphs.at(65));
}

TEST(BitmapFont, PagePathsFollowTheFontFilesFolderAndMaterialsGoWithTheFont) {
    fonttest::MemoryOwner owner;
    owner.files["a.fnt"] = TextFont();
    owner.files["font/sub/a.fnt"] = TextFont();
    owner.textures = {"t_0.tga", "t_1.tga", "font/sub/t_0.tga"};
    {
        CBitmapFont top, nested;
        ASSERT_EQ(top.Init(&owner, "a.fnt"), 1);
        ASSERT_EQ(nested.Init(&owner, "font/sub/a.fnt"), 1);
        EXPECT_EQ(top.pageFiles, (std::vector<std::string>{"t_0.tga", "t_1.tga"}));
        EXPECT_EQ(nested.pageFiles[0], "font/sub/t_0.tga");
        EXPECT_EQ(owner.materialsReleased, 0);
        top.Clear();
        EXPECT_EQ(owner.materialsReleased, 2);
        EXPECT_TRUE(top.glyphs.empty());
        EXPECT_EQ(top.GetChar(65), nullptr);
    }
    EXPECT_EQ(owner.materialsReleased, 3);
}

TEST(BitmapFont, UnreadableFileLeavesAnEmptyFontThatReportsFailure) {
    fonttest::MemoryOwner owner;
    owner.files["font/t.fnt"] = TextFont();
    CBitmapFont font;
    ASSERT_EQ(font.Init(&owner, "font/t.fnt"), 1);
    EXPECT_EQ(font.Init(&owner, "font/missing.fnt"), 0);
    EXPECT_FALSE(font.IsLoaded());
    EXPECT_TRUE(font.glyphs.empty());
    EXPECT_EQ(font.GetPageCount(), 0u);
    EXPECT_EQ(font.GetChar(63), nullptr);
    EXPECT_EQ(font.Init(nullptr, "font/t.fnt"), 0);
}

// [SECTION] Malformed files

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}
const std::string kCommon = "common lineHeight=10 base=8 scaleW=64 scaleH=64 pages=1\n";

struct MalformedCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    int result;
    std::size_t glyphs;
    std::vector<std::string> pageFiles;
    std::function<void(const CBitmapFont&)> check;
};

std::vector<MalformedCase> MalformedCases() {
    using namespace fonttest;
    const Bytes common1 = Bytes().block(2, CommonBlock(10, 8, 64, 64, 1, 0));
    const Bytes oneChar = Bytes().block(4, CharRecord(65, 0, 0, 4, 4, 0, 0, 5, 0, 4));
    return {
        {"empty file", {}, 0, 0, {}, nullptr},
        {"two bytes of a header", Text("BM"), 0, 0, {}, nullptr},
        {"binary header only", Header().b, 0, 0, {}, nullptr},
        {"binary version 2",
         Bytes().raw("BMF").u8(2).append(common1).append(oneChar).b,
         0,
         0,
         {},
         nullptr},
        {"first block of type 6",
         Header().block(6, Bytes().u32(0)).append(common1).b,
         0,
         0,
         {},
         nullptr},
        {"block of type 0 after the common block keeps it",
         Header().append(common1).block(0, Bytes()).b,
         1,
         0,
         {""},
         nullptr},
        {"bad block after good ones keeps what they loaded",
         Header().append(common1).append(oneChar).block(7, Bytes()).b,
         1,
         1,
         {""},
         [](const CBitmapFont& f) { EXPECT_EQ(f.glyphs.at(65).xadvance, 5); }},
        {"a single trailing byte keeps the font",
         Header().append(common1).append(oneChar).u8(4).b,
         1,
         1,
         {""},
         nullptr},
        {"block size past the end",
         Header().block(2, CommonBlock(10, 8, 64, 64, 1, 0), 40).b,
         0,
         0,
         {},
         nullptr},
        {"block size near 4 GiB after the common block",
         Header().append(common1).block(4, Bytes(), 0xFFFFFFF0u).b,
         1,
         0,
         {""},
         nullptr},
        {"block header cut short after good blocks",
         Header().append(common1).append(oneChar).u8(4).u16(0).b,
         1,
         1,
         {""},
         nullptr},
        {"info block too short for its outline byte",
         Header().block(1, Bytes().u32(0).u32(0).u32(0).u8(0)).append(common1).b,
         0,
         0,
         {},
         nullptr},
        {"common block too short",
         Header().block(2, Bytes().u32(0).u32(0).u16(1)).b,
         0,
         0,
         {},
         nullptr},
        {"page name without its terminator",
         Header()
             .block(2, CommonBlock(10, 8, 64, 64, 2, 0))
             .block(3, Bytes().cstr("a.tga").raw("b.tg"))
             .b,
         1,
         0,
         {"a.tga", ""},
         nullptr},
        {"more page names than pages",
         Header().append(common1).block(3, Bytes().cstr("a").cstr("b")).b,
         1,
         0,
         {"a"},
         nullptr},
        {"pages before the common block",
         Header().block(3, Bytes().cstr("a")).append(common1).b,
         1,
         0,
         {""},
         nullptr},
        {"char and kerning records cut short",
         Header()
             .append(common1)
             .block(4, CharRecord(65, 1, 2, 3, 4, 0, 0, 5, 0, 4).raw("0123456789"))
             .block(5, KerningRecord(65, 66, -3).raw("01234"))
             .b,
         1,
         1,
         {""},
         [](const CBitmapFont& f) {
             EXPECT_EQ(f.glyphs.at(65).kerning, (std::vector<acGraphics::SKerningPair>{{66, -3}}));
         }},
        {"glyph on a page the file never declared",
         Header().append(common1).block(4, CharRecord(65, 0, 0, 4, 4, 0, 0, 5, 9, 4)).b,
         1,
         1,
         {""},
         [](const CBitmapFont& f) {
             EXPECT_EQ(f.glyphs.at(65).page, 9);
             EXPECT_EQ(f.GetPageTexture(9), nullptr);
             EXPECT_EQ(f.GetPageMaterial(9), nullptr);
         }},
        {"text without a common line", Text("char id=65 x=1\n"), 0, 0, {}, nullptr},
        {"page id outside the table",
         Text(kCommon + "page id=1 file=\"a.tga\"\npage id=-1 file=\"b.tga\"\n"),
         1,
         0,
         {""},
         nullptr},
        {"page file unquoted, empty, a lone quote or never closed",
         Text(kCommon + "page id=0 file=a.tga\npage id=0 file=\"\"\npage id=0 file=\"\n"
                        "page id=0 file=\"a.tga\n"),
         1,
         0,
         {""},
         nullptr},
        {"quoted page name with blanks and an = inside",
         Text(kCommon + "page id=0 file=\"my page=1.tga\""),
         1,
         0,
         {"my page=1.tga"},
         nullptr},
        {"numbers past the 32-bit range saturate",
         Text(kCommon + "char id=65 x=99999999999999999999 xoffset=-99999999999 xadvance=+7\n"),
         1,
         1,
         {""},
         [](const CBitmapFont& f) {
             EXPECT_EQ(f.glyphs.at(65).x, 0xFFFF);
             EXPECT_EQ(f.glyphs.at(65).xoffset, 0);  // low 16 bits of INT32_MIN
             EXPECT_EQ(f.glyphs.at(65).xadvance, 7);
         }},
        {"pairs end at a key without =, at the end of the data",
         Text(kCommon + "char id=66 x=3 width\nchar id=67 y=2 = 5\nchar id=68 height="),
         1,
         3,
         {""},
         [](const CBitmapFont& f) {
             EXPECT_EQ(f.glyphs.at(66).x, 3);
             EXPECT_EQ(f.glyphs.at(66).width, 0);
             EXPECT_EQ(f.glyphs.at(67).y, 2);
         }},
        {"negative ids other than -1 and duplicates are skipped",
         Text(kCommon + "char id=-5 xadvance=3\nchar id=65 xadvance=4\nchar id=65 xadvance=9\n"),
         1,
         1,
         {""},
         [](const CBitmapFont& f) {
             EXPECT_EQ(f.glyphs.at(65).xadvance, 4);
             EXPECT_EQ(f.defaultGlyph.xadvance, 0);
         }},
        {"kerning before its glyph is dropped, garbage lines ignored",
         Text(kCommon + "kerning first=65 second=66 amount=1\n\x01\xff=\"\n  \t\r\n"
                        "char id=65\nkerning first=65 second=66 amount=2\n"),
         1,
         1,
         {""},
         [](const CBitmapFont& f) {
             EXPECT_EQ(f.glyphs.at(65).kerning, (std::vector<acGraphics::SKerningPair>{{66, 2}}));
         }},
        {"packed flag needs an outline",
         Text("info outline=2\ncommon pages=0 packed=1\n"),
         1,
         0,
         {},
         [](const CBitmapFont& f) { EXPECT_EQ(f.packedOutline, 1); }},
        {"packed flag without outline is not kept",
         Text("common pages=0 packed=1\n"),
         1,
         0,
         {},
         [](const CBitmapFont& f) { EXPECT_EQ(f.packedOutline, 0); }},
    };
}

TEST(BitmapFont, MalformedFilesAreRefusedOrTheirBadRecordsSkipped) {
    for (const MalformedCase& c : MalformedCases()) {
        SCOPED_TRACE(c.name);
        // An exactly sized heap copy, so that any read past the end trips ASan.
        std::vector<std::uint8_t> exact(c.bytes.begin(), c.bytes.end());
        exact.shrink_to_fit();
        fonttest::MemoryOwner owner;
        CBitmapFont font;
        const int result = font.InitFromMemory(&owner, "f.fnt", exact.data(),
                                               static_cast<std::uint32_t>(exact.size()));
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(font.IsLoaded(), c.result == 1);
        EXPECT_EQ(font.glyphs.size(), c.glyphs);
        EXPECT_EQ(font.pageFiles, c.pageFiles);
        if (c.check) {
            c.check(font);
        }
    }
}

TEST(BitmapFont, ABadBlockAfterGoodOnesIsLoggedWithItsReason) {
    using namespace fonttest;
    const Bytes common1 = Bytes().block(2, CommonBlock(10, 8, 64, 64, 1, 0));
    const std::vector<std::uint8_t> bytes = Header().append(common1).block(9, Bytes()).b;
    fonttest::MemoryOwner owner;
    CBitmapFont font;
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, font.InitFromMemory(&owner, "f.fnt", bytes.data(),
                                     static_cast<std::uint32_t>(bytes.size())));
    EXPECT_EQ("Font f.fnt: unknown block type; keeping what was read before it\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(10, font.lineHeight);
}

}  // namespace
