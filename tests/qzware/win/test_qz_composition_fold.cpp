// The composition fold's arithmetic without GL: which result each blend mode
// leaves in a zero target, the blender's product of bytes, and the window
// bytes of faint texels (alpha near 0), where the copy's discard decides.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "qzware/scene/iqz_graphics.h"
#include "qzware/win/qz_composition_fold.h"

namespace {

using QZW::Win::QzCompositionFoldKind;
using QZW::Win::QzFoldKind;
using QZW::Win::QzFoldTexel;
using QZW::Win::QzMulByte;

TEST(CompositionFold, EachBlendModeOntoZeroIsACopyAPremultiplyOrNothing) {
    const struct {
        const char* what;
        bool on;
        int mode;
        QzFoldKind want;
    } cases[] = {
        {"blending off", false, QZW::QZ_BLEND_ALPHA, QzFoldKind::kCopy},
        {"blending off, default functions", false, -1, QzFoldKind::kCopy},
        {"alpha", true, QZW::QZ_BLEND_ALPHA, QzFoldKind::kPremultiplied},
        {"add alpha", true, QZW::QZ_BLEND_ADD_ALPHA, QzFoldKind::kPremultiplied},
        {"multiply", true, QZW::QZ_BLEND_MULTIPLY, QzFoldKind::kNothing},
        {"inverse multiply", true, QZW::QZ_BLEND_INVERSE_MULTIPLY, QzFoldKind::kNothing},
        {"screen", true, QZW::QZ_BLEND_SCREEN, QzFoldKind::kCopy},
        {"add", true, QZW::QZ_BLEND_ADD, QzFoldKind::kCopy},
        {"default functions", true, -1, QzFoldKind::kNone},
        {"unknown mode", true, 6, QzFoldKind::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(int(c.want), int(QzCompositionFoldKind(c.on, c.mode))) << c.what;
    }
}

TEST(CompositionFold, ByteProductIsRoundingExceptJustAboveAHalf) {
    int below = 0;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const double exact = a * b / 255.0;
            const int got = QzMulByte(a, b);
            const int rounded = int(std::floor(exact + 0.5));
            // Never more than one below, and only where the fraction is just
            // over a half.
            ASSERT_TRUE(got == rounded || (got == rounded - 1 && exact - std::floor(exact) < 0.51))
                << a << " * " << b << ": got " << got << ", exact " << exact;
            below += got != rounded ? 1 : 0;
        }
    }
    EXPECT_EQ(137 - 1, QzMulByte(229, 152)) << "the measured case";
    EXPECT_EQ(255, QzMulByte(255, 255));
    EXPECT_EQ(0, QzMulByte(0, 255));
    EXPECT_GT(below, 0);
}

TEST(CompositionFold, FaintTexelsLeaveTheWindowClearWhereTheirAlphaByteRoundsToZero) {
    const std::uint8_t white[4] = {255, 255, 255, 255};
    const struct {
        const char* what;
        QzFoldKind kind;
        std::uint8_t tint[4];
        std::uint8_t texel[4];
        bool drawn;
        std::uint8_t want[4];
    } cases[] = {
        // 11 * 11 = 121 < 127.5: alpha 0, colour 11 would survive.
        {"alpha 11 premultiplied", QzFoldKind::kPremultiplied, {}, {255, 255, 255, 11}, false, {}},
        {"alpha 12 premultiplied",
         QzFoldKind::kPremultiplied,
         {},
         {255, 0, 100, 12},
         true,
         {12, 0, 5, 1}},
        {"alpha 1 copied", QzFoldKind::kCopy, {}, {255, 7, 0, 1}, true, {255, 7, 0, 1}},
        {"alpha 0 never drawn", QzFoldKind::kCopy, {}, {255, 255, 255, 0}, false, {}},
        {"tint alpha 12 on alpha 255",
         QzFoldKind::kPremultiplied,
         {255, 255, 255, 12},
         {200, 100, 50, 255},
         true,
         {9, 5, 2, 1}},
        {"tint alpha 12 on alpha 240",
         QzFoldKind::kPremultiplied,
         {255, 255, 255, 12},
         {200, 100, 50, 240},
         false,
         {}},
        {"copy of a tint that makes alpha 0",
         QzFoldKind::kCopy,
         {255, 255, 255, 1},
         {200, 100, 50, 127},
         false,
         {}},
        {"multiply", QzFoldKind::kNothing, {}, {255, 255, 255, 255}, false, {}},
    };
    for (const auto& c : cases) {
        const bool tinted = c.tint[0] | c.tint[1] | c.tint[2] | c.tint[3];
        std::uint8_t got[4] = {0, 0, 0, 0};
        const bool drawn = QzFoldTexel(c.kind, tinted ? c.tint : white, c.texel, got);
        EXPECT_EQ(c.drawn, drawn) << c.what;
        if (c.drawn && drawn) {
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(int(c.want[i]), int(got[i])) << c.what << ", channel " << i;
            }
        }
    }
}

}  // namespace
