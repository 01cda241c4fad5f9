// TGA and DDS writers: the headers carry the fields the engine's texture
// loader reads, the pixel data sits where that loader expects it, and DXT1
// blocks decode back to the colours (and transparency) they were made from.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "tools/datawriters/dds_writer.h"
#include "tools/datawriters/tga_writer.h"

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

TEST(TgaWriter, HeaderAndRowOrderFollowTheOrigin) {
    // 2x2, top row (T1 T2), bottom row (B1 B2), RGBA.
    const std::uint8_t rgba[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    struct Case {
        qztools::TgaOrigin origin;
        std::uint8_t descriptor;
        std::array<std::uint8_t, 4> firstFilePixel;  // BGRA
    };
    const Case cases[] = {
        {qztools::TgaOrigin::TopLeft, 0x28, {3, 2, 1, 4}},
        {qztools::TgaOrigin::BottomLeft, 0x08, {11, 10, 9, 12}},
    };
    for (const Case& c : cases) {
        const auto tga = qztools::EncodeTga32(rgba, 2, 2, c.origin);
        ASSERT_EQ(tga.size(), 18u + 16u);
        EXPECT_EQ(tga[0], 0);  // no ID field: pixels start at 18
        EXPECT_EQ(tga[1], 0);  // no colour map
        EXPECT_EQ(tga[2], 2);
        EXPECT_EQ(U16(tga, 12), 2u);
        EXPECT_EQ(U16(tga, 14), 2u);
        EXPECT_EQ(tga[16], 32);
        EXPECT_EQ(tga[17], c.descriptor);
        EXPECT_EQ((std::array<std::uint8_t, 4>{tga[18], tga[19], tga[20], tga[21]}),
                  c.firstFilePixel);
    }
}

TEST(DdsWriter, HeaderFieldsAndLevelSizesMatchTheFormat) {
    struct Case {
        qztools::DdsFormat format;
        std::uint32_t width, height, mips;
        std::uint32_t levels, flags, bytes;
    };
    const Case cases[] = {
        {qztools::DdsFormat::Rgba8, 4, 4, 1, 1, 0x41, 64},
        {qztools::DdsFormat::Rgba8, 3, 5, 0, 3, 0x41, 60 + 8 + 4},
        {qztools::DdsFormat::Dxt1, 6, 2, 1, 1, 0x4, 16},
        {qztools::DdsFormat::Dxt1, 256, 256, 0, 9, 0x4,
         32768 + 8192 + 2048 + 512 + 128 + 32 + 8 + 8 + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        std::vector<std::uint8_t> rgba(std::size_t(c.width) * c.height * 4, 200);
        const auto dds = qztools::EncodeDds(rgba.data(), c.width, c.height, c.format, c.mips);
        ASSERT_EQ(dds.size(), 128u + c.bytes);
        EXPECT_EQ(U32(dds, 0), 0x20534444u);  // "DDS "
        EXPECT_EQ(U32(dds, 4), 124u);
        EXPECT_EQ(U32(dds, 12), c.height);
        EXPECT_EQ(U32(dds, 16), c.width);
        EXPECT_EQ(U32(dds, 24), 0u);  // not a volume
        EXPECT_EQ(U32(dds, 28), c.levels);
        EXPECT_EQ(U32(dds, 80), c.flags);
        EXPECT_EQ(U32(dds, 112), 0u);  // not a cube map
        if (c.format == qztools::DdsFormat::Dxt1) {
            EXPECT_EQ(U32(dds, 84), 0x31545844u);  // "DXT1"
        } else {
            EXPECT_EQ(U32(dds, 88), 32u);
            EXPECT_EQ(U32(dds, 92), 0x000000ffu);  // red first in memory
            EXPECT_EQ(dds[128], 200);
        }
    }
}

// Decodes one DXT1 block the way the format defines it.
std::array<std::array<int, 4>, 16> DecodeDxt1(const std::uint8_t* b) {
    auto expand = [](int v) {
        const int r = (v >> 11) & 31, g = (v >> 5) & 63, bl = v & 31;
        return std::array<int, 4>{(r << 3) | (r >> 2), (g << 2) | (g >> 4), (bl << 3) | (bl >> 2),
                                  255};
    };
    const int c0 = b[0] | (b[1] << 8), c1 = b[2] | (b[3] << 8);
    std::array<std::array<int, 4>, 4> pal{expand(c0), expand(c1)};
    for (int c = 0; c < 3; ++c) {
        pal[2][c] = c0 > c1 ? (2 * pal[0][c] + pal[1][c]) / 3 : (pal[0][c] + pal[1][c]) / 2;
        pal[3][c] = c0 > c1 ? (pal[0][c] + 2 * pal[1][c]) / 3 : 0;
    }
    pal[2][3] = 255;
    pal[3][3] = c0 > c1 ? 255 : 0;
    std::array<std::array<int, 4>, 16> out{};
    const std::uint32_t idx = b[4] | (b[5] << 8) | (b[6] << 16) | (std::uint32_t(b[7]) << 24);
    for (int i = 0; i < 16; ++i) {
        out[i] = pal[(idx >> (2 * i)) & 3];
    }
    return out;
}

TEST(DdsWriter, Dxt1BlocksDecodeToTheirColoursAndTransparency) {
    struct Case {
        const char* name;
        std::array<std::uint8_t, 4> even, odd;  // pixels alternate
    };
    const Case cases[] = {
        {"black and white", {0, 0, 0, 255}, {255, 255, 255, 255}},
        {"pure red and blue", {255, 0, 0, 255}, {0, 0, 255, 255}},
        {"white and clear", {255, 255, 255, 255}, {255, 255, 255, 0}},
        {"one colour", {0, 255, 0, 255}, {0, 255, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::array<std::uint8_t, 64> block{};
        for (int i = 0; i < 16; ++i) {
            const auto& p = (i % 2) ? c.odd : c.even;
            std::copy(p.begin(), p.end(), &block[i * 4]);
        }
        std::array<std::uint8_t, 8> packed{};
        qztools::CompressDxt1Block(block.data(), packed.data());
        const auto decoded = DecodeDxt1(packed.data());
        for (int i = 0; i < 16; ++i) {
            const auto& want = (i % 2) ? c.odd : c.even;
            if (want[3] < 128) {
                EXPECT_EQ(decoded[i][3], 0) << "pixel " << i;
                continue;
            }
            for (int ch = 0; ch < 4; ++ch) {
                EXPECT_EQ(decoded[i][ch], want[ch]) << "pixel " << i << " channel " << ch;
            }
        }
    }
}

}  // namespace
