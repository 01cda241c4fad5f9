// Screenshot BMP layout: header fields, row padding and pixel order.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "qzware/win/qz_bmp_writer.h"
#include "tests/support/texture_writers.h"

namespace {

using namespace QZW::Win;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) |
           (std::uint32_t(b[at + 2]) << 16) | (std::uint32_t(b[at + 3]) << 24);
}

TEST(QzBmpWriter, SizesFollowThePaddedRows) {
    struct Case {
        std::int32_t w, h;
        std::uint64_t row, size;
    };
    const Case cases[] = {
        {3, 2, 12, 78}, {1, 1, 4, 58}, {4, 1, 12, 66}, {5, 3, 16, 102}, {1280, 720, 3840, 2764854},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QzBmpRowBytes(c.w), c.row) << c.w;
        Bytes image;
        ASSERT_TRUE(QzBmpMakeImage(c.w, c.h, image));
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(U32(image, 2), c.size);
    }
}

TEST(QzBmpWriter, HeaderFieldsOfA3x2Image) {
    Bytes image;
    ASSERT_TRUE(QzBmpMakeImage(3, 2, image));
    ASSERT_EQ(image.size(), 78u);
    EXPECT_EQ(image[0], 'B');
    EXPECT_EQ(image[1], 'M');
    EXPECT_EQ(U32(image, 2), 78u);
    EXPECT_EQ(U32(image, 6), 0u);
    EXPECT_EQ(U32(image, 10), 54u);
    EXPECT_EQ(U32(image, 14), 40u);
    EXPECT_EQ(U32(image, 18), 3u);
    EXPECT_EQ(U32(image, 22), 2u);
    EXPECT_EQ(image[26] | (image[27] << 8), 1);
    EXPECT_EQ(image[28] | (image[29] << 8), 24);
    for (std::size_t i = 30; i < image.size(); ++i) {
        EXPECT_EQ(image[i], 0) << "byte " << i;
    }
}

TEST(QzBmpWriter, PixelsGoBlueFirstBottomRowFirstWithZeroPadding) {
    // Top row: red, green, blue; bottom row: (1,2,3), (4,5,6), (7,8,9).
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    Bytes image;
    ASSERT_TRUE(QzBmpEncodeRgb(3, 2, rgb.data(), image));
    const Bytes pixels(image.begin() + 54, image.end());
    const Bytes want = {3, 2, 1,   6, 5,   4, 9,   8, 7, 0, 0, 0,
                        0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(pixels, want);

    const std::string path = std::string(QZ_BINARY_DIR) + "/test_qz_bmp_writer.bmp";
    ASSERT_TRUE(QzBmpWriteFile(path.c_str(), image));
    EXPECT_EQ(qz_test::ReadBytes(path), image);
    std::remove(path.c_str());
}

TEST(QzBmpWriter, AFullDiskLeavesTheOlderPictureWhole) {
    const std::string path = std::string(QZ_BINARY_DIR) + "/test_qz_bmp_writer_full.bmp";
    Bytes older;
    ASSERT_TRUE(QzBmpMakeImage(2, 2, older));
    ASSERT_TRUE(QzBmpWriteFile(path.c_str(), older));
    Bytes bigger;
    ASSERT_TRUE(QzBmpMakeImage(64, 64, bigger));
    // A file-size limit stands in for a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool wrote = QzBmpWriteFile(path.c_str(), bigger);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(qz_test::ReadBytes(path), older);
    std::remove(path.c_str());
}

TEST(QzBmpWriter, EmptyOrOversizedImagesAreRefused) {
    struct Case {
        std::int32_t w, h;
    };
    const Case cases[] = {{0, 2}, {3, 0}, {-3, 2}, {3, -2}, {65536, 32768}};
    for (const Case& c : cases) {
        Bytes image(5, 1);
        EXPECT_FALSE(QzBmpMakeImage(c.w, c.h, image)) << c.w << "x" << c.h;
        EXPECT_TRUE(image.empty());
    }
}

}  // namespace
