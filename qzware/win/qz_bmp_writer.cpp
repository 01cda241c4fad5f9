// Screenshot BMP layout; fields are written byte by byte little-endian.
#include "qzware/win/qz_bmp_writer.h"

#include "platform/file/file.h"

namespace QZW::Win {

namespace {

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = std::uint8_t(v >> (8 * i));
    }
}

}  // namespace

std::uint64_t QzBmpRowBytes(std::uint32_t width) {
    return (std::uint64_t(width) * 3 + 3) & ~3ull;
}

std::uint64_t QzBmpFileSize(std::uint32_t width, std::uint32_t height) {
    return kQzBmpHeaderSize + QzBmpRowBytes(width) * height;
}

bool QzBmpMakeImage(std::int32_t width, std::int32_t height, std::vector<std::uint8_t>& image) {
    image.clear();
    if (width <= 0 || height <= 0) {
        return false;
    }
    const std::uint64_t size = QzBmpFileSize(std::uint32_t(width), std::uint32_t(height));
    if (size > 0xFFFFFFFFull) {
        return false;
    }
    image.assign(size, 0);
    std::uint8_t* h = image.data();
    h[0] = 'B';
    h[1] = 'M';
    PutU32(h + 2, std::uint32_t(size));
    PutU32(h + 10, kQzBmpHeaderSize);
    PutU32(h + 14, 40);
    PutU32(h + 18, std::uint32_t(width));
    PutU32(h + 22, std::uint32_t(height));
    PutU16(h + 26, 1);
    PutU16(h + 28, 24);
    return true;
}

bool QzBmpEncodeRgb(std::int32_t width, std::int32_t height, const std::uint8_t* rgb,
                    std::vector<std::uint8_t>& image) {
    if (rgb == nullptr || !QzBmpMakeImage(width, height, image)) {
        image.clear();
        return false;
    }
    const std::uint64_t row = QzBmpRowBytes(std::uint32_t(width));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = rgb + std::uint64_t(y) * width * 3;
        std::uint8_t* dst = image.data() + kQzBmpHeaderSize + std::uint64_t(height - 1 - y) * row;
        for (std::int32_t x = 0; x < width; ++x) {
            dst[x * 3 + 0] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3 + 0];
        }
    }
    return true;
}

bool QzBmpWriteFile(const char* path, const std::vector<std::uint8_t>& image) {
    // Through a temporary beside the target: a full disk or a crash leaves
    // the old picture, never a cut-off or empty one.
    return path != nullptr && platform::file::replace_contents(path, image.data(), image.size());
}

}  // namespace QZW::Win
