// Text layout with a bitmap font: decoding into the shared UTF-16 buffer,
// measuring, line breaking and alignment, kerning, fallbacks and the two
// writers (mesh quads, capped strips). Fonts are small text-format files.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_mesh.h"
#include "tests/qzware/scene/font_fixture.h"
#include "tests/support/recording_graphics.h"

using acGraphics::CBitmapFont;

namespace {

// [SECTION] A small font

// Page 1 is never served, so its glyph ("P") has no material. lineHeight 20,
// base 16; "A" kerns -3 before "B".
std::string FontText(bool withQuestionMark) {
    std::string text =
        "common lineHeight=20 base=16 scaleW=128 scaleH=64 pages=2 packed=0\n"
        "page id=0 file=\"p0.tga\"\n"
        "page id=1 file=\"p1.tga\"\n"
        "char id=-1 x=100 y=0  width=2 height=2  xoffset=0 yoffset=0 xadvance=3  page=0\n"
        "char id=13 x=0   y=40 width=4 height=4  xoffset=0 yoffset=0 xadvance=5  page=0\n"
        "char id=65 x=0   y=0  width=8 height=12 xoffset=1 yoffset=2 xadvance=10 page=0\n"
        "char id=66 x=10  y=0  width=6 height=12 xoffset=0 yoffset=4 xadvance=8  page=0\n"
        "char id=80 x=40  y=0  width=4 height=4  xoffset=0 yoffset=0 xadvance=9  page=1\n"
        "char id=97 x=20  y=0  width=5 height=8  xoffset=0 yoffset=6 xadvance=6  page=0\n"
        "char id=98 x=30  y=0  width=5 height=10 xoffset=0 yoffset=4 xadvance=6  page=0\n"
        "kerning first=65 second=66 amount=-3\n";
    if (withQuestionMark) {
        text += "char id=63 x=60 y=0 width=6 height=10 xoffset=1 yoffset=2 xadvance=7 page=0\n";
    }
    return text;
}

struct LoadedFont {
    fonttest::MaterialOwner owner;
    CBitmapFont font;
};

std::unique_ptr<LoadedFont> MakeFont(bool withQuestionMark = true) {
    auto loaded = std::make_unique<LoadedFont>();
    const std::string text = FontText(withQuestionMark);
    loaded->owner.files["font/t.fnt"] = std::vector<std::uint8_t>(text.begin(), text.end());
    loaded->owner.textures = {"font/p0.tga"};
    EXPECT_EQ(loaded->font.Init(&loaded->owner, "font/t.fnt"), 1);
    return loaded;
}

// One glyph quad of block 1 as the writer stored it: corners TL, TR, BR, BL.
struct Quad {
    float left, top, right, bottom, z;
    float uLeft, vTop, uRight, vBottom;
};

std::size_t QuadCount(const QZW::CQzMesh& mesh) {
    return mesh.GetBlock(1).positions.size() / 4;
}

Quad QuadAt(const QZW::CQzMesh& mesh, std::size_t i) {
    const auto& b = mesh.GetBlock(1);
    const QZW::Vector3& tl = b.positions[i * 4];
    const QZW::Vector3& br = b.positions[i * 4 + 2];
    EXPECT_EQ(b.positions[i * 4 + 1].x, br.x);
    EXPECT_EQ(b.positions[i * 4 + 1].y, tl.y);
    EXPECT_EQ(b.positions[i * 4 + 3].x, tl.x);
    EXPECT_EQ(b.positions[i * 4 + 3].y, br.y);
    return Quad{tl.x,
                tl.y,
                br.x,
                br.y,
                tl.z,
                b.uvs[i * 4].x,
                b.uvs[i * 4].y,
                b.uvs[i * 4 + 2].x,
                b.uvs[i * 4 + 2].y};
}

std::vector<std::uint16_t> BufferUnits(int count) {
    std::vector<std::uint16_t> units;
    const std::uint8_t* b = acGraphics::SharedTextBuffer();
    for (int i = 0; i < count; ++i) {
        units.push_back(std::uint16_t(b[i * 2] | (b[i * 2 + 1] << 8)));
    }
    return units;
}

// [SECTION] Decoding and conversion

TEST(TextDecoding, Utf8DecoderAcceptsShortestFormsAndSkipsOneByteOfAnythingElse) {
    struct Case {
        const char* what;
        std::string bytes;
        std::int32_t code;
        std::int32_t length;
    };
    const Case cases[] = {
        {"ascii", "A", 65, 1},
        {"two bytes", "\xC3\xA9", 0xE9, 2},
        {"three bytes", "\xE3\x81\x82", 0x3042, 3},
        {"four bytes", "\xF0\x9F\x98\x80", 0x1F600, 4},
        {"overlong two", "\xC0\x80", -1, 1},
        {"overlong three", "\xE0\x80\xAF", -1, 1},
        {"overlong four", "\xF0\x80\x80\xAF", -1, 1},
        {"surrogate", "\xED\xA0\x80", -1, 1},
        {"past U+10FFFF", "\xF4\x90\x80\x80", -1, 1},
        {"stray continuation", "\x80", -1, 1},
        {"bad lead", "\xF8\x88\x80\x80\x80", -1, 1},
        {"missing continuation", "\xE3\x41\x82", -1, 1},
        {"cut at end of input", "\xE3\x81", -1, 1},
    };
    for (const Case& c : cases) {
        std::int32_t length = 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
        EXPECT_EQ(acGraphics::QzDecodeUtf8Char(bytes, c.bytes.size(), &length), c.code) << c.what;
        EXPECT_EQ(length, c.length) << c.what;
    }
}

TEST(TextDecoding, Utf16DecoderJoinsPairsAndSkipsOneUnitOfLoneSurrogates) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::int32_t bigEndian;
        std::int32_t code;
        std::int32_t length;
    };
    const Case cases[] = {
        {"little-endian unit", {0x41, 0x00}, 0, 65, 2},
        {"big-endian unit", {0x00, 0x41}, 1, 65, 2},
        {"pair", {0x3D, 0xD8, 0x00, 0xDE}, 0, 0x1F600, 4},
        {"big-endian pair", {0xD8, 0x3D, 0xDE, 0x00}, 1, 0x1F600, 4},
        {"lone low surrogate", {0x00, 0xDC, 0x41, 0x00}, 0, -1, 2},
        {"high surrogate before a plain unit", {0x3D, 0xD8, 0x41, 0x00}, 0, -1, 2},
        {"high surrogate at the end", {0x3D, 0xD8}, 0, -1, 2},
        {"odd last byte", {0x41}, 0, -1, 1},
    };
    for (const Case& c : cases) {
        std::int32_t length = 0;
        EXPECT_EQ(
            acGraphics::QzDecodeUtf16Char(c.bytes.data(), c.bytes.size(), &length, c.bigEndian),
            c.code)
            << c.what;
        EXPECT_EQ(length, c.length) << c.what;
    }
}

TEST(TextDecoding, ConversionWritesPairsAboveTheBmpAndSkipsInvalidBytes) {
    EXPECT_EQ(acGraphics::ConvertUtf8ToUtf16("A\xF0\x9F\x98\x80"
                                             "b"),
              3);
    EXPECT_EQ(BufferUnits(5), (std::vector<std::uint16_t>{0x41, 0xD83D, 0xDE00, 0x62, 0}));

    EXPECT_EQ(acGraphics::ConvertUtf8ToUtf16("a\xFF\xC0\x80"
                                             "b\xED\xA0\x80"),
              2);
    EXPECT_EQ(BufferUnits(3), (std::vector<std::uint16_t>{0x61, 0x62, 0}));

    EXPECT_EQ(acGraphics::ConvertUtf8ToUtf16(nullptr), 0);
    EXPECT_EQ(BufferUnits(1), (std::vector<std::uint16_t>{0}));
}

TEST(TextDecoding, ConversionStopsBeforeTheFormWouldFillTheBuffer) {
    struct Case {
        const char* what;
        std::string text;
        std::int32_t count;
    };
    std::string e1500;
    for (int i = 0; i < 1500; ++i) {
        e1500 += "\xC3\xA9";
    }
    std::string e1022;
    for (int i = 0; i < 1022; ++i) {
        e1022 += "\xC3\xA9";
    }
    const Case cases[] = {
        {"1500 ascii", std::string(1500, 'A'), 1023},
        {"1500 two-byte characters", e1500, 1023},
        // 2044 bytes are used; a pair would make 2048.
        {"a pair that does not fit", e1022 + "\xF0\x9F\x98\x80", 1022},
    };
    const std::uint8_t* buffer = acGraphics::SharedTextBuffer();
    for (const Case& c : cases) {
        std::memset(acGraphics::SharedTextBuffer(), 0xAB, acGraphics::kSharedTextBytes);
        EXPECT_EQ(acGraphics::ConvertUtf8ToUtf16(c.text.c_str()), c.count) << c.what;
        EXPECT_EQ(buffer[c.count * 2], 0) << c.what;
        EXPECT_EQ(buffer[c.count * 2 + 1], 0) << c.what;
    }
}

TEST(TextDecoding, ReplaceAllResumesAfterTheInsertedTextAndIgnoresAnEmptyPattern) {
    struct Case {
        std::string text, from, to, expected;
    };
    const Case cases[] = {
        {"a\\r\\nb\\r\\n", "\\r\\n", "\r\n", "a\r\nb\r\n"},
        {"aaa", "a", "aa", "aaaaaa"},
        {"abab", "ab", "", ""},
        {"abc", "", "x", "abc"},
        {"abc", "z", "x", "abc"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        acGraphics::ReplaceAll(text, c.from, c.to);
        EXPECT_EQ(text, c.expected) << c.text << " / " << c.from;
    }
}

// [SECTION] Measuring

TEST(TextMeasuring, TextLengthCountsPairsAsFourAndStopsAtTheZeroUnitOrTheCapacity) {
    CBitmapFont font;
    const std::uint8_t text[] = {0x41, 0, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xDC, 0, 0, 0x41, 0};
    EXPECT_EQ(font.GetTextLength(text, sizeof(text)), 8);
    const std::uint8_t unterminated[] = {0x41, 0, 0x42, 0, 0x43};
    EXPECT_EQ(font.GetTextLength(unterminated, sizeof(unterminated)), 4);
    font.encoding = 1;
    EXPECT_EQ(font.GetTextLength(text, sizeof(text)), 1);
    EXPECT_EQ(font.GetTextLength(nullptr, 4), 0);
}

TEST(TextMeasuring, FindTextCharFindsTheFirstLineFeedInsideTheRange) {
    CBitmapFont font;
    acGraphics::ConvertUtf8ToUtf16("ab\ncd\n");
    EXPECT_EQ(font.FindTextChar(0, 12), 4);
    EXPECT_EQ(font.FindTextChar(6, 12), 10);
    EXPECT_EQ(font.FindTextChar(0, 4), -1);
    EXPECT_EQ(font.FindTextChar(-100, 100000), 4);
    EXPECT_EQ(font.FindTextChar(100000, 200000), -1);
}

TEST(TextMeasuring, WidthAddsAdvancesAndKerningAndReportsTheGlyphExtent) {
    auto f = MakeFont();
    struct Case {
        const char* text;
        float scale;
        float width, bottom, top;
    };
    const Case cases[] = {
        {"AB", 1.0f, 15.0f, 0.0f, 14.0f},  // 10 - 3 + 8
        {"BA", 1.0f, 18.0f, 0.0f, 14.0f},  // no pair for B, A
        {"AB", 2.0f, 30.0f, 0.0f, 28.0f},      {"a", 1.0f, 6.0f, 2.0f, 10.0f},
        {"", 1.0f, 0.0f, 10000.0f, -10000.0f},
    };
    for (const Case& c : cases) {
        f->font.scale = c.scale;
        acGraphics::ConvertUtf8ToUtf16(c.text);
        float bottom = 0;
        float top = 0;
        EXPECT_EQ(f->font.GetTextWidth(0, 0, &bottom, &top), c.width) << c.text;
        EXPECT_EQ(bottom, c.bottom) << c.text;
        EXPECT_EQ(top, c.top) << c.text;
        EXPECT_EQ(f->font.MeasureText(c.text), c.width) << c.text;
    }
    f->font.scale = 1.0f;
    acGraphics::ConvertUtf8ToUtf16("AB");
    EXPECT_EQ(f->font.GetTextWidth(2, 2, nullptr, nullptr), 8.0f) << "B alone: no kerning";
    EXPECT_EQ(f->font.GetTextWidth(2046, 100, nullptr, nullptr), 0.0f) << "clamped to the buffer";
}

// [SECTION] Writing into a mesh

TEST(TextWriting, GlyphQuadsTakeTheirRectanglesUvsColourAndPageMaterial) {
    auto f = MakeFont();
    f->font.colour[0] = 1, f->font.colour[1] = 2, f->font.colour[2] = 3, f->font.colour[3] = 4;
    QZW::CQzMesh mesh;
    f->font.Write(&mesh, 0.5f, "AB", 0, 100.0f, 50.0f);

    ASSERT_EQ(QuadCount(mesh), 2u);
    const Quad a = QuadAt(mesh, 0);
    EXPECT_EQ(a.left, 101.0f);   // x + xoffset
    EXPECT_EQ(a.top, 36.0f);     // y - base + yoffset
    EXPECT_EQ(a.right, 109.0f);  // + width
    EXPECT_EQ(a.bottom, 48.0f);  // + height
    EXPECT_EQ(a.z, 0.5f);
    EXPECT_EQ(a.uLeft, 0.0f);
    EXPECT_EQ(a.vTop, 0.0f);
    EXPECT_EQ(a.uRight, 8.0f / 128.0f);
    EXPECT_EQ(a.vBottom, 12.0f / 64.0f);
    const Quad b = QuadAt(mesh, 1);
    EXPECT_EQ(b.left, 107.0f) << "advance 10, kerning -3";
    EXPECT_EQ(b.top, 38.0f);
    EXPECT_EQ(b.uLeft, 10.0f / 128.0f);
    for (const QZW::Color& c : mesh.GetBlock(1).colours) {
        EXPECT_EQ(c, QZW::Color(1, 2, 3, 4));
    }
    EXPECT_EQ(mesh.GetMaterial(), f->font.GetPageMaterial(0));
    ASSERT_NE(mesh.GetMaterial(), nullptr);
}

TEST(TextWriting, EachLineIsAlignedOnTheCallersX) {
    struct Case {
        std::int32_t align;
        float firstLeft, secondLeft;
    };
    // Line widths: "AB" 15, "a" 6; A has xoffset 1, a has 0.
    const Case cases[] = {
        {0, 101.0f, 100.0f},
        {1, 93.5f, 97.0f},
        {2, 86.0f, 94.0f},
        {7, 101.0f, 100.0f},
    };
    for (const Case& c : cases) {
        auto f = MakeFont();
        QZW::CQzMesh mesh;
        f->font.Write(&mesh, 0.0f, "AB\na", c.align, 100.0f, 50.0f);
        ASSERT_EQ(QuadCount(mesh), 3u) << "the line feed is not drawn";
        EXPECT_EQ(QuadAt(mesh, 0).left, c.firstLeft) << "align " << c.align;
        EXPECT_EQ(QuadAt(mesh, 2).left, c.secondLeft) << "align " << c.align;
        EXPECT_EQ(QuadAt(mesh, 2).top, 60.0f) << "one line height down: 70 - 16 + 6";
    }
}

TEST(TextWriting, ScriptLineBreakMakesTwoLinesAndDrawsTheCarriageReturnGlyph) {
    auto f = MakeFont();
    QZW::CQzMesh mesh;
    f->font.Write(&mesh, 0.0f, "a\\r\\nb", 0, 100.0f, 50.0f);
    ASSERT_EQ(QuadCount(mesh), 3u);
    EXPECT_EQ(QuadAt(mesh, 0).uLeft, 20.0f / 128.0f) << "a";
    const Quad cr = QuadAt(mesh, 1);
    EXPECT_EQ(cr.vTop, 40.0f / 64.0f) << "the glyph of character 13";
    EXPECT_EQ(cr.left, 106.0f);
    const Quad b = QuadAt(mesh, 2);
    EXPECT_EQ(b.uLeft, 30.0f / 128.0f);
    EXPECT_EQ(b.left, 100.0f);
    EXPECT_EQ(b.top, 58.0f);
}

TEST(TextWriting, LimitLengthCutsTheUtf16FormInBytes) {
    struct Case {
        std::int32_t limit;
        const char* text;
        std::size_t quads;
    };
    const Case cases[] = {
        {4, "ABa", 2},
        {-1, "ABa", 3},
        {0, "AB", 0},
        {3, "AB", 1},  // the half unit is not read
        {2,
         "\xF0\x9F\x98\x80"
         "A",
         0},  // half a pair is not drawn
        {4,
         "\xF0\x9F\x98\x80"
         "A",
         1},
    };
    for (const Case& c : cases) {
        auto f = MakeFont();
        f->font.limitLength = c.limit;
        QZW::CQzMesh mesh;
        f->font.Write(&mesh, 0.0f, c.text, 0, 0.0f, 0.0f);
        EXPECT_EQ(QuadCount(mesh), c.quads) << "limit " << c.limit << " " << c.text;
    }
}

TEST(TextWriting, EncodingAndByteOrderDoNotChangeHowTheConvertedTextIsRead) {
    struct Case {
        std::int32_t encoding, bigEndian;
    };
    // The shared buffer is always little-endian UTF-16: a byte-wise length or
    // a big-endian read of it would lose characters or turn them into others.
    const Case cases[] = {{2, 0}, {2, 1}, {0, 0}, {1, 0}, {0, 1}};
    for (const Case& c : cases) {
        auto f = MakeFont();
        f->font.encoding = c.encoding;
        f->font.bigEndian = c.bigEndian;
        QZW::CQzMesh mesh;
        f->font.Write(&mesh, 0.0f, "AB\na", 2, 100.0f, 50.0f);
        const std::string what =
            "encoding " + std::to_string(c.encoding) + " big-endian " + std::to_string(c.bigEndian);
        ASSERT_EQ(QuadCount(mesh), 3u) << what;
        EXPECT_EQ(QuadAt(mesh, 0).uLeft, 0.0f) << what << ": A's own glyph";
        EXPECT_EQ(QuadAt(mesh, 0).left, 86.0f) << what << ": 100 - 15 + 1";
        EXPECT_EQ(QuadAt(mesh, 2).top, 60.0f) << what << ": broken at the line feed";
        EXPECT_EQ(f->font.MeasureText("AB"), 15.0f) << what;
        float bottom = 0;
        float top = 0;
        EXPECT_EQ(f->font.GetTextWidth(0, 0, &bottom, &top), 15.0f) << what;
        EXPECT_EQ(top, 14.0f) << what;
    }
}

TEST(TextWriting, LongTextIsCutAfter1023Characters) {
    std::string e1500;
    for (int i = 0; i < 1500; ++i) {
        e1500 += "\xC3\xA9";  // not in the font: drawn with "?"
    }
    for (const std::string& text : {std::string(1500, 'a'), e1500}) {
        auto f = MakeFont();
        QZW::CQzMesh mesh;
        f->font.Write(&mesh, 0.0f, text.c_str(), 0, 0.0f, 0.0f);
        EXPECT_EQ(QuadCount(mesh), 1023u);
    }
}

TEST(TextWriting, MissingCharacterUsesTheQuestionMarkElseTheDefaultGlyph) {
    struct Case {
        bool withQuestionMark;
        float uLeft;
        float nextLeft;
    };
    const Case cases[] = {
        {true, 60.0f / 128.0f, 108.0f},    // "?" advances 7
        {false, 100.0f / 128.0f, 104.0f},  // the default glyph advances 3
    };
    for (const Case& c : cases) {
        auto f = MakeFont(c.withQuestionMark);
        QZW::CQzMesh mesh;
        f->font.Write(&mesh, 0.0f, "ZA", 0, 100.0f, 50.0f);
        ASSERT_EQ(QuadCount(mesh), 2u);
        EXPECT_EQ(QuadAt(mesh, 0).uLeft, c.uLeft);
        EXPECT_EQ(QuadAt(mesh, 1).left, c.nextLeft);
    }
}

TEST(TextWriting, GetCharAsksTheFallbackFirstThenTheGlyphsThenTheQuestionMark) {
    struct Case {
        bool withQuestionMark;
        std::int32_t id;
        std::int32_t expected;  // id of the glyph returned, -1 for none
    };
    // Both fonts also hold a glyph of their own under 65535.
    const Case cases[] = {
        {true, 65, 65},  {true, 90, 63},        {true, 65535, 63}, {false, 65, 65},
        {false, 90, -1}, {false, 65535, 65535}, {true, 63, 63},    {false, -1, -1},
    };
    for (const Case& c : cases) {
        auto f = MakeFont(c.withQuestionMark);
        f->font.glyphs[65535].xadvance = 1;
        const acGraphics::SGlyph* expected =
            c.expected < 0 ? nullptr : &f->font.glyphs.at(c.expected);
        EXPECT_EQ(f->font.GetChar(c.id), expected)
            << "id " << c.id << (c.withQuestionMark ? " with ?" : " without ?");
    }
}

TEST(TextWriting, GlyphOnAPageWithoutMaterialAdvancesLikeItsMeasurement) {
    auto f = MakeFont();
    QZW::CQzMesh mesh;
    f->font.Write(&mesh, 0.0f, "PA", 0, 100.0f, 50.0f);
    ASSERT_EQ(QuadCount(mesh), 1u);
    EXPECT_EQ(QuadAt(mesh, 0).left, 110.0f) << "P advances 9 without a quad";
    EXPECT_EQ(f->font.MeasureText("PA"), 19.0f);
}

TEST(TextWriting, FontThatFailedToLoadLaysOutNothing) {
    fonttest::MaterialOwner owner;
    CBitmapFont font;
    EXPECT_EQ(font.Init(&owner, "font/none.fnt"), 0);
    QZW::CQzMesh mesh;
    font.Write(&mesh, 0.0f, "AB", 0, 0.0f, 0.0f);
    EXPECT_EQ(QuadCount(mesh), 0u);
    EXPECT_EQ(mesh.GetMaterial(), nullptr);
    EXPECT_EQ(font.MeasureText("AB"), 0.0f);
    QZW::Vector3 positions[12];
    QZW::Vector2 uvs[12];
    std::int32_t count = 0;
    font.WriteBox(positions, uvs, 0.0f, "AB", 0, &count, 12, 0.0f);
    EXPECT_EQ(count, 0);
}

TEST(TextWriting, WrittenMeshDrawsItsGlyphsAsOneQuadBatchWithThePageTexture) {
    auto f = MakeFont();
    QZW::CQzMesh mesh;
    f->font.Write(&mesh, 0.0f, "AB", 0, 0.0f, 0.0f);
    qz_test_support::RecordingGraphics g;
    mesh.Draw(&g);
    mesh.PostDraw(&g);
    const auto draws = g.Texts("DrawArrays");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0], "DrawArrays(6, 8)");
    bool pageBound = false;
    for (const auto& call : g.calls) {
        pageBound |= call.name == "SetTexture" && call.args[0] == 0 &&
                     call.pointers[0] == f->font.GetPageTexture(0);
    }
    EXPECT_TRUE(pageBound);
}

TEST(TextWriting, TargetFrameBufferGoesToEveryPageMaterial) {
    auto f = MakeFont();
    f->font.SetTargetFrameBufferId(3);
    ASSERT_NE(f->font.GetPageMaterial(0), nullptr);
    EXPECT_EQ(f->font.GetPageMaterial(0)->frameBufferId, 3);
    EXPECT_EQ(f->font.GetPageMaterial(1), nullptr);
}

// [SECTION] Writing into arrays

TEST(TextBox, GlyphsBecomeJoinedStripsOfSixVertices) {
    auto f = MakeFont();
    QZW::Vector3 positions[12];
    QZW::Vector2 uvs[12];
    std::int32_t count = 0;
    f->font.WriteBox(positions, uvs, 50.0f, "AB", 0, &count, 12, 100.0f);
    ASSERT_EQ(count, 12);
    const float xs[6] = {101, 101, 109, 101, 109, 109};
    const float ys[6] = {36, 36, 36, 48, 48, 48};
    const float us[6] = {0, 0, 8.0f / 128, 0, 8.0f / 128, 8.0f / 128};
    const float vs[6] = {0, 0, 0, 12.0f / 64, 12.0f / 64, 12.0f / 64};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(positions[i].x, xs[i]) << i;
        EXPECT_EQ(positions[i].y, ys[i]) << i;
        EXPECT_EQ(positions[i].z, 0.0f) << i;
        EXPECT_EQ(uvs[i].x, us[i]) << i;
        EXPECT_EQ(uvs[i].y, vs[i]) << i;
    }
    EXPECT_EQ(positions[6].x, 107.0f) << "kerned like the mesh layout";
}

TEST(TextBox, NeverWritesAtOrPastCapacity) {
    struct Case {
        std::int32_t count, capacity, expected;
    };
    const Case cases[] = {
        {0, 12, 12},                                         // two glyphs of "AAA"
        {6, 12, 12},                                         // one more
        {0, 11, 6},  {0, 5, 0}, {0, 100, 18}, {-6, 12, -6},  // a negative count writes nothing
    };
    for (const Case& c : cases) {
        auto f = MakeFont();
        const QZW::Vector3 sentinel(-7, -7, -7);
        std::vector<QZW::Vector3> positions(24, sentinel);
        std::vector<QZW::Vector2> uvs(24);
        std::int32_t count = c.count;
        f->font.WriteBox(positions.data(), uvs.data(), 0.0f, "AAA", 0, &count, c.capacity, 0.0f);
        EXPECT_EQ(count, c.expected) << c.count << " / " << c.capacity;
        for (std::int32_t i = c.expected < 0 ? 0 : c.expected; i < 24; ++i) {
            EXPECT_EQ(positions[i].x, sentinel.x) << "vertex " << i << " written";
        }
    }
}

TEST(TextBox, LinesAreAlignedAndSteppedLikeTheMeshLayout) {
    auto f = MakeFont();
    QZW::Vector3 positions[18];
    QZW::Vector2 uvs[18];
    std::int32_t count = 0;
    f->font.WriteBox(positions, uvs, 50.0f, "AB\na", 2, &count, 18, 100.0f);
    ASSERT_EQ(count, 18);
    EXPECT_EQ(positions[0].x, 86.0f);
    EXPECT_EQ(positions[12].x, 94.0f);
    EXPECT_EQ(positions[12].y, 60.0f);
}

}  // namespace
