// Texture file decoding: the extension rule, TGA reordering and the formats it
// refuses, DDS level layout (sizes, offsets, maximum level) and the files that
// lie about their sizes. Files are made in code by tests/support.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qzware/win/qz_texture_formats.h"
#include "tests/support/texture_writers.h"

namespace {

using namespace QZW::Win;
using qz_test::DdsFields;
using qz_test::MakeDds;
using qz_test::MakeFourCC;
using qz_test::MakeTga;
using qz_test::PatternBytes;
using qz_test::TgaFields;
using Bytes = std::vector<std::uint8_t>;

TEST(QzTextureFormats, FileTypeComesFromTheTextAfterTheLastDot) {
    struct Case {
        std::string path;
        QzTextureFileType want;
    };
    const Case cases[] = {
        {"images/ui/title.tga", QzTextureFileType::Tga},
        {"images/font/font0.dat", QzTextureFileType::Tga},
        {"images/model/water/normal01.dds", QzTextureFileType::Dds},
        {"images/ui/TITLE.TGA", QzTextureFileType::Unknown},
        {"images/ui/title.Tga", QzTextureFileType::Unknown},
        {"images/set.tga/readme", QzTextureFileType::Unknown},
        {"tga", QzTextureFileType::Tga},
        {"images/ui/title.tga.png", QzTextureFileType::Unknown},
        {"images/ui/title.", QzTextureFileType::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QzTextureFileTypeOf(c.path.c_str()), c.want) << c.path;
    }
    EXPECT_EQ(QzTextureExtension("a/b.c/d"), "c/d");
    EXPECT_EQ(QzTextureExtension(("x." + std::string(300, 'e')).c_str()).size(), 255u);
}

// [SECTION] TGA

struct TgaGood {
    const char* what;
    Bytes file;
    QzPixelFormat format;
    std::uint32_t alignment;
    Bytes want;  // decoded, top row first
};

TEST(QzTextureFormats, TgaPixelsAreReorderedTopRowFirstAndRedFirst) {
    // Bottom-up 2x2: file rows (B1 B2) then (T1 T2), pixels BGRA.
    const Bytes bottomUp = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const TgaGood cases[] = {
        {"bottom-up 32-bit",
         MakeTga({.width = 2, .height = 2, .descriptor = 0}, bottomUp),
         QzPixelFormat::Rgba8,
         4,
         {11, 10, 9, 12, 15, 14, 13, 16, 3, 2, 1, 4, 7, 6, 5, 8}},
        {"top-down 32-bit",
         MakeTga({.width = 2, .height = 2, .descriptor = 0x20}, bottomUp),
         QzPixelFormat::Rgba8,
         4,
         {3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16}},
        {"top-down right-to-left",
         MakeTga({.width = 2, .height = 2, .descriptor = 0x30}, bottomUp),
         QzPixelFormat::Rgba8,
         4,
         {7, 6, 5, 8, 3, 2, 1, 4, 15, 14, 13, 16, 11, 10, 9, 12}},
        {"24-bit widened to opaque 32-bit",
         MakeTga({.width = 3, .height = 1, .bitsPerPixel = 24}, {1, 2, 3, 4, 5, 6, 7, 8, 9}),
         QzPixelFormat::Rgba8,
         4,
         {3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255}},
        {"8-bit palette indices, odd width, bottom-up",
         MakeTga({.imageType = 1, .width = 3, .height = 2, .bitsPerPixel = 8, .descriptor = 0},
                 {1, 2, 3, 4, 5, 6}),
         QzPixelFormat::Alpha8,
         1,
         {4, 5, 6, 1, 2, 3}},
        {"other types read as stored, without the swap",
         MakeTga({.imageType = 10, .width = 2, .height = 1}, {1, 2, 3, 4, 5, 6, 7, 8}),
         QzPixelFormat::Rgba8,
         4,
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {"type 3 with 24 bits, widened without the swap",
         MakeTga({.imageType = 3, .width = 1, .height = 1, .bitsPerPixel = 24}, {1, 2, 3}),
         QzPixelFormat::Rgba8,
         4,
         {1, 2, 3, 255}},
        {"trailing bytes are ignored",
         MakeTga({.width = 1, .height = 1}, {1, 2, 3, 4, 99, 99}),
         QzPixelFormat::Rgba8,
         4,
         {3, 2, 1, 4}},
    };
    for (const TgaGood& c : cases) {
        QzTgaInfo info;
        ASSERT_EQ(QzTgaParse(c.file.data(), c.file.size(), &info), QzTgaStatus::Ok) << c.what;
        EXPECT_EQ(info.format, c.format) << c.what;
        EXPECT_EQ(info.unpackAlignment, c.alignment) << c.what;
        ASSERT_EQ(info.outputSize, c.want.size()) << c.what;
        Bytes out(c.want.size(), 0xEE);
        ASSERT_TRUE(QzTgaDecode(c.file.data(), c.file.size(), out.data(), out.size())) << c.what;
        EXPECT_EQ(out, c.want) << c.what;
        EXPECT_FALSE(QzTgaDecode(c.file.data(), c.file.size(), out.data(), out.size() - 1))
            << c.what << ": output one byte short";
    }
}

TEST(QzTextureFormats, TgaRefusesWhatItCannotReadSafely) {
    struct Case {
        const char* what;
        Bytes file;
        QzTgaStatus want;
    };
    Bytes header17 = MakeTga({.width = 1, .height = 1}, {});
    header17.pop_back();
    const Case cases[] = {
        {"empty", {}, QzTgaStatus::ShortHeader},
        {"17-byte header", header17, QzTgaStatus::ShortHeader},
        {"header only", MakeTga({.width = 1, .height = 1}, {}), QzTgaStatus::ShortData},
        {"last pixel one byte short", MakeTga({.width = 2, .height = 1}, PatternBytes(7)),
         QzTgaStatus::ShortData},
        {"24-bit rows one byte short",
         MakeTga({.width = 2, .height = 2, .bitsPerPixel = 24}, PatternBytes(11)),
         QzTgaStatus::ShortData},
        {"huge declared size, tiny file",
         MakeTga({.width = 65535, .height = 65535}, PatternBytes(64)), QzTgaStatus::ShortData},
        {"greyscale type 3",
         MakeTga({.imageType = 3, .width = 1, .height = 1, .bitsPerPixel = 8}, {7}),
         QzTgaStatus::UnsupportedType},
        {"run-length type 10 shorter than its raw pixels",
         MakeTga({.imageType = 10, .width = 2, .height = 2}, {0x83, 1, 2, 3, 4}),
         QzTgaStatus::ShortData},
        {"16-bit true colour", MakeTga({.width = 1, .height = 1, .bitsPerPixel = 16}, {1, 2}),
         QzTgaStatus::UnsupportedType},
        {"palette with 16-bit indices",
         MakeTga({.imageType = 1, .width = 1, .height = 1, .bitsPerPixel = 16}, {1, 2}),
         QzTgaStatus::UnsupportedType},
        {"type 0 without its pixels",
         MakeTga({.imageType = 0, .width = 2, .height = 1}, {1, 2, 3, 4}), QzTgaStatus::ShortData},
        {"zero width", MakeTga({.width = 0, .height = 4}, PatternBytes(16)),
         QzTgaStatus::EmptyImage},
    };
    for (const Case& c : cases) {
        QzTgaInfo info;
        EXPECT_EQ(QzTgaParse(c.file.data(), c.file.size(), &info), c.want) << c.what;
        Bytes out(64);
        EXPECT_FALSE(QzTgaDecode(c.file.data(), c.file.size(), out.data(), out.size())) << c.what;
    }
}

// [SECTION] DDS

DdsFields Compressed(const char (&fourCC)[5], std::uint32_t w, std::uint32_t h,
                     std::uint32_t mips) {
    DdsFields f;
    f.width = w;
    f.height = h;
    f.mipCount = mips;
    f.fourCC = MakeFourCC(fourCC);
    return f;
}

DdsFields Uncompressed(std::uint32_t flags, std::uint32_t bits, std::uint32_t w, std::uint32_t h,
                       std::uint32_t mips) {
    DdsFields f;
    f.width = w;
    f.height = h;
    f.mipCount = mips;
    f.pixelFlags = flags;
    f.fourCC = 0;
    f.rgbBitCount = bits;
    return f;
}

struct DdsGood {
    const char* what;
    DdsFields fields;
    std::vector<std::uint64_t> sizes;  // per level; the payload is exactly their sum
    QzPixelFormat format;
    bool compressed;
    std::uint32_t components;
    std::uint32_t alignment;
    std::uint32_t faces;
};

TEST(QzTextureFormats, DdsLevelsAreLaidOutOneAfterAnother) {
    DdsFields cube = Compressed("DXT1", 4, 4, 1);
    cube.caps2 = 0x200 | 0xFC00;
    DdsFields volumeWithoutDepth = Compressed("DXT5", 4, 4, 1);
    volumeWithoutDepth.caps2 = 0x200000;
    const DdsGood cases[] = {
        {"256x256 DXT1 full chain",
         Compressed("DXT1", 256, 256, 9),
         {32768, 8192, 2048, 512, 128, 32, 8, 8, 8},
         QzPixelFormat::Dxt1,
         true,
         3,
         4,
         1},
        {"mip count 0 is one level",
         Compressed("DXT1", 16, 16, 0),
         {128},
         QzPixelFormat::Dxt1,
         true,
         3,
         4,
         1},
        {"partial DXT5 chain",
         Compressed("DXT5", 64, 32, 3),
         {2048, 512, 128},
         QzPixelFormat::Dxt5,
         true,
         4,
         4,
         1},
        {"DXT3 sides not multiples of 4",
         Compressed("DXT3", 6, 2, 3),
         {32, 16, 16},
         QzPixelFormat::Dxt3,
         true,
         4,
         4,
         1},
        {"32-bit RGBA",
         Uncompressed(0x41, 32, 2, 2, 2),
         {16, 4},
         QzPixelFormat::Rgba8,
         false,
         4,
         4,
         1},
        {"32-bit RGB", Uncompressed(0x40, 32, 1, 1, 1), {4}, QzPixelFormat::Rgba8, false, 4, 4, 1},
        {"24-bit RGB odd width",
         Uncompressed(0x40, 24, 3, 3, 2),
         {27, 3},
         QzPixelFormat::Rgb8,
         false,
         3,
         1,
         1},
        {"8-bit luminance whatever the flags",
         Uncompressed(0x20000, 8, 5, 1, 3),
         {5, 2, 1},
         QzPixelFormat::Luminance8,
         false,
         1,
         1,
         1},
        {"cube map: only the first face must be present",
         cube,
         {8},
         QzPixelFormat::Dxt1,
         true,
         3,
         4,
         6},
        {"volume bit without depth is a plain texture",
         volumeWithoutDepth,
         {16},
         QzPixelFormat::Dxt5,
         true,
         4,
         4,
         1},
    };
    for (const DdsGood& c : cases) {
        std::uint64_t total = 0;
        for (std::uint64_t s : c.sizes) {
            total += s;
        }
        const Bytes file = MakeDds(c.fields, PatternBytes(total));
        QzDdsInfo info;
        ASSERT_EQ(QzDdsParse(file.data(), file.size(), &info), QzDdsStatus::Ok) << c.what;
        EXPECT_EQ(info.width, c.fields.width) << c.what;
        EXPECT_EQ(info.height, c.fields.height) << c.what;
        EXPECT_EQ(info.format, c.format) << c.what;
        EXPECT_EQ(info.compressed, c.compressed) << c.what;
        EXPECT_EQ(info.components, c.components) << c.what;
        EXPECT_EQ(info.unpackAlignment, c.alignment) << c.what;
        EXPECT_EQ(info.faces, c.faces) << c.what;
        ASSERT_EQ(info.levelCount, c.sizes.size()) << c.what;
        EXPECT_EQ(info.maxLevel, c.sizes.size() - 1) << c.what;
        std::uint64_t offset = 128;
        std::uint32_t w = c.fields.width, h = c.fields.height;
        for (std::size_t i = 0; i < c.sizes.size(); ++i) {
            EXPECT_EQ(info.levels[i].size, c.sizes[i]) << c.what << " level " << i;
            EXPECT_EQ(info.levels[i].offset, offset) << c.what << " level " << i;
            EXPECT_EQ(info.levels[i].width, w) << c.what << " level " << i;
            EXPECT_EQ(info.levels[i].height, h) << c.what << " level " << i;
            offset += c.sizes[i];
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
        // One byte fewer and the last level no longer fits.
        EXPECT_EQ(QzDdsParse(file.data(), file.size() - 1, &info), QzDdsStatus::ShortData)
            << c.what;
    }
}

TEST(QzTextureFormats, DdsRefusesBadAndLyingHeaders) {
    struct Case {
        const char* what;
        Bytes file;
        QzDdsStatus want;
    };
    DdsFields badMagic = Compressed("DXT1", 4, 4, 1);
    badMagic.magic[3] = 'X';
    DdsFields volume = Compressed("DXT1", 4, 4, 1);
    volume.caps2 = 0x200000;
    volume.depth = 4;
    const Bytes header = MakeDds(Compressed("DXT1", 4, 4, 1), {});
    const Case cases[] = {
        {"empty", {}, QzDdsStatus::ShortHeader},
        {"127-byte header", Bytes(header.begin(), header.end() - 1), QzDdsStatus::ShortHeader},
        {"header without pixels", header, QzDdsStatus::ShortData},
        {"bad magic", MakeDds(badMagic, PatternBytes(8)), QzDdsStatus::BadMagic},
        {"volume texture", MakeDds(volume, PatternBytes(64)), QzDdsStatus::VolumeTexture},
        {"DXT2", MakeDds(Compressed("DXT2", 4, 4, 1), PatternBytes(16)),
         QzDdsStatus::UnsupportedFourCC},
        {"ATI2", MakeDds(Compressed("ATI2", 4, 4, 1), PatternBytes(16)),
         QzDdsStatus::UnsupportedFourCC},
        {"16-bit RGB", MakeDds(Uncompressed(0x40, 16, 1, 1, 1), PatternBytes(2)),
         QzDdsStatus::UnsupportedFormat},
        {"24 bits with alpha flag", MakeDds(Uncompressed(0x41, 24, 1, 1, 1), PatternBytes(3)),
         QzDdsStatus::UnsupportedFormat},
        {"zero width", MakeDds(Compressed("DXT1", 0, 4, 1), PatternBytes(8)),
         QzDdsStatus::BadDimensions},
        {"width above 65536", MakeDds(Compressed("DXT1", 65537, 4, 1), PatternBytes(8)),
         QzDdsStatus::BadDimensions},
        {"4G x 4G uncompressed",
         MakeDds(Uncompressed(0x41, 32, 0xFFFFFFFF, 0xFFFFFFFF, 1), PatternBytes(16)),
         QzDdsStatus::BadDimensions},
        {"65536 x 65536 DXT5 in 64 bytes",
         MakeDds(Compressed("DXT5", 65536, 65536, 1), PatternBytes(64)), QzDdsStatus::ShortData},
        {"17 levels", MakeDds(Compressed("DXT1", 4, 4, 17), PatternBytes(17 * 8)),
         QzDdsStatus::TooManyLevels},
        {"mip count all ones", MakeDds(Compressed("DXT1", 4, 4, 0xFFFFFFFF), PatternBytes(256)),
         QzDdsStatus::TooManyLevels},
        {"second level missing", MakeDds(Compressed("DXT1", 8, 8, 2), PatternBytes(32)),
         QzDdsStatus::ShortData},
    };
    for (const Case& c : cases) {
        QzDdsInfo info;
        info.width = 1234;
        EXPECT_EQ(QzDdsParse(c.file.data(), c.file.size(), &info), c.want) << c.what;
        EXPECT_EQ(info.width, 1234u) << c.what << ": a refused file leaves the info alone";
    }
}

}  // namespace
