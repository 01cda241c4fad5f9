// TGA and DDS header analysis and the TGA pixel reorder. Fields are read
// byte by byte little-endian at their file offsets; sizes are 64-bit and
// checked against the length before anything is read.
#include "qzware/win/qz_texture_formats.h"

#include <cstring>

namespace QZW::Win {

namespace {

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

constexpr std::uint32_t FourCC(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) | (std::uint32_t(std::uint8_t(s[1])) << 8) |
           (std::uint32_t(std::uint8_t(s[2])) << 16) | (std::uint32_t(std::uint8_t(s[3])) << 24);
}

constexpr std::size_t kMaxExtension = 255;

// TGA field offsets.
constexpr std::size_t kTgaImageType = 2;
constexpr std::size_t kTgaWidth = 12;
constexpr std::size_t kTgaHeight = 14;
constexpr std::size_t kTgaBits = 16;
constexpr std::size_t kTgaDescriptor = 17;
constexpr std::uint8_t kTgaRightToLeft = 0x10;
constexpr std::uint8_t kTgaTopToBottom = 0x20;

// DDS field offsets and flags.
constexpr std::size_t kDdsHeight = 12;
constexpr std::size_t kDdsWidth = 16;
constexpr std::size_t kDdsDepth = 24;
constexpr std::size_t kDdsMipCount = 28;
constexpr std::size_t kDdsPixelFlags = 80;
constexpr std::size_t kDdsFourCC = 84;
constexpr std::size_t kDdsRgbBits = 88;
constexpr std::size_t kDdsCaps2 = 112;
constexpr std::uint32_t kDdsFlagFourCC = 0x4;
constexpr std::uint32_t kDdsFlagRgb = 0x40;
constexpr std::uint32_t kDdsFlagRgbAlpha = 0x41;
constexpr std::uint32_t kDdsCaps2CubeMap = 0x200;
constexpr std::uint32_t kDdsCaps2Volume = 0x200000;

}  // namespace

// [SECTION] File type by extension

std::string QzTextureExtension(const char* path) {
    const char* dot = std::strrchr(path, '.');
    const char* ext = dot ? dot + 1 : path;
    const std::size_t n = std::strlen(ext);
    return std::string(ext, n < kMaxExtension ? n : kMaxExtension);
}

QzTextureFileType QzTextureFileTypeOf(const char* path) {
    const std::string ext = QzTextureExtension(path);
    if (ext == "tga" || ext == "dat") {
        return QzTextureFileType::Tga;
    }
    if (ext == "dds") {
        return QzTextureFileType::Dds;
    }
    return QzTextureFileType::Unknown;
}

// [SECTION] TGA

QzTgaStatus QzTgaParse(const std::uint8_t* data, std::size_t length, QzTgaInfo* info) {
    // Pixel data always starts right after the 18-byte header: the files
    // carry no ID field and no colour map, so those fields are not read.
    if (data == nullptr || length < kQzTgaHeaderSize) {
        return QzTgaStatus::ShortHeader;
    }
    QzTgaInfo t;
    t.imageType = data[kTgaImageType];
    t.width = ReadU16(data + kTgaWidth);
    t.height = ReadU16(data + kTgaHeight);
    t.bitsPerPixel = data[kTgaBits];
    t.descriptor = data[kTgaDescriptor];
    if (t.imageType == 1 && t.bitsPerPixel == 8) {
        t.fileBytesPerPixel = 1;
        t.outputBytesPerPixel = 1;
        t.format = QzPixelFormat::Alpha8;
        t.unpackAlignment = 1;
    } else if (t.imageType != 1 && (t.bitsPerPixel == 24 || t.bitsPerPixel == 32)) {
        // Every type but the palette one is read as uncompressed true colour;
        // only type 2 has its blue and red exchanged.
        t.fileBytesPerPixel = t.bitsPerPixel / 8u;
        t.outputBytesPerPixel = 4;
        t.format = QzPixelFormat::Rgba8;
        t.unpackAlignment = 4;
        t.swapRedBlue = t.imageType == 2;
    } else {
        return QzTgaStatus::UnsupportedType;
    }
    if (t.width == 0 || t.height == 0) {
        return QzTgaStatus::EmptyImage;
    }
    const std::uint64_t pixels = std::uint64_t(t.width) * t.height;
    if (pixels * t.fileBytesPerPixel > length - kQzTgaHeaderSize) {
        return QzTgaStatus::ShortData;
    }
    t.outputSize = pixels * t.outputBytesPerPixel;
    if (t.outputSize > 0xFFFFFFFFull) {
        return QzTgaStatus::TooLarge;
    }
    *info = t;
    return QzTgaStatus::Ok;
}

bool QzTgaDecode(const std::uint8_t* data, std::size_t length, std::uint8_t* out,
                 std::size_t capacity) {
    QzTgaInfo t;
    if (QzTgaParse(data, length, &t) != QzTgaStatus::Ok || out == nullptr ||
        capacity < t.outputSize) {
        return false;
    }
    const std::uint32_t w = t.width;
    const std::uint32_t h = t.height;
    const std::uint32_t in = t.fileBytesPerPixel;
    const std::uint32_t op = t.outputBytesPerPixel;
    const bool topDown = (t.descriptor & kTgaTopToBottom) != 0;
    const bool rightToLeft = (t.descriptor & kTgaRightToLeft) != 0;
    const std::uint8_t* src = data + kQzTgaHeaderSize;
    for (std::uint32_t r = 0; r < h; ++r) {
        const std::uint32_t outRow = topDown ? r : h - 1 - r;
        for (std::uint32_t c = 0; c < w; ++c) {
            const std::uint32_t outCol = rightToLeft ? w - 1 - c : c;
            const std::uint8_t* s = src + (std::uint64_t(r) * w + c) * in;
            std::uint8_t* d = out + (std::uint64_t(outRow) * w + outCol) * op;
            if (in == 1) {
                d[0] = s[0];
            } else {
                // Blue-green-red(-alpha) in a type 2 file.
                d[0] = t.swapRedBlue ? s[2] : s[0];
                d[1] = s[1];
                d[2] = t.swapRedBlue ? s[0] : s[2];
                d[3] = in == 4 ? s[3] : 255;
            }
        }
    }
    return true;
}

// [SECTION] DDS

std::uint64_t QzDdsLevelSize(QzPixelFormat format, std::uint32_t components, std::uint32_t width,
                             std::uint32_t height) {
    const std::uint64_t blocks =
        ((std::uint64_t(width) + 3) / 4) * ((std::uint64_t(height) + 3) / 4);
    switch (format) {
        case QzPixelFormat::Dxt1:
            return blocks * 8;
        case QzPixelFormat::Dxt3:
        case QzPixelFormat::Dxt5:
            return blocks * 16;
        default:
            return std::uint64_t(width) * height * components;
    }
}

QzDdsStatus QzDdsParse(const std::uint8_t* data, std::size_t length, QzDdsInfo* info) {
    if (data == nullptr || length < kQzDdsHeaderSize) {
        return QzDdsStatus::ShortHeader;
    }
    if (std::memcmp(data, "DDS ", 4) != 0) {
        return QzDdsStatus::BadMagic;
    }
    QzDdsInfo d;
    d.height = ReadU32(data + kDdsHeight);
    d.width = ReadU32(data + kDdsWidth);
    const std::uint32_t depth = ReadU32(data + kDdsDepth);
    const std::uint32_t mipCount = ReadU32(data + kDdsMipCount);
    const std::uint32_t flags = ReadU32(data + kDdsPixelFlags);
    const std::uint32_t fourCC = ReadU32(data + kDdsFourCC);
    const std::uint32_t rgbBits = ReadU32(data + kDdsRgbBits);
    const std::uint32_t caps2 = ReadU32(data + kDdsCaps2);

    if ((caps2 & kDdsCaps2Volume) != 0 && depth > 0) {
        return QzDdsStatus::VolumeTexture;
    }
    if ((flags & kDdsFlagFourCC) != 0) {
        d.compressed = true;
        if (fourCC == FourCC("DXT1")) {
            d.format = QzPixelFormat::Dxt1;
            d.components = 3;
        } else if (fourCC == FourCC("DXT3")) {
            d.format = QzPixelFormat::Dxt3;
            d.components = 4;
        } else if (fourCC == FourCC("DXT5")) {
            d.format = QzPixelFormat::Dxt5;
            d.components = 4;
        } else {
            return QzDdsStatus::UnsupportedFourCC;
        }
    } else if ((flags == kDdsFlagRgbAlpha || flags == kDdsFlagRgb) && rgbBits == 32) {
        d.format = QzPixelFormat::Rgba8;
        d.components = 4;
    } else if (flags == kDdsFlagRgb && rgbBits == 24) {
        d.format = QzPixelFormat::Rgb8;
        d.components = 3;
        d.unpackAlignment = 1;
    } else if (rgbBits == 8) {
        d.format = QzPixelFormat::Luminance8;
        d.components = 1;
        d.unpackAlignment = 1;
    } else {
        return QzDdsStatus::UnsupportedFormat;
    }
    if (d.width == 0 || d.height == 0 || d.width > kQzTextureMaxDimension ||
        d.height > kQzTextureMaxDimension) {
        return QzDdsStatus::BadDimensions;
    }
    d.levelCount = mipCount == 0 ? 1 : mipCount;
    if (d.levelCount > kQzTextureMaxLevels) {
        return QzDdsStatus::TooManyLevels;
    }
    d.maxLevel = d.levelCount - 1;
    d.faces = (caps2 & kDdsCaps2CubeMap) != 0 ? 6 : 1;

    // Only the first face's levels are ever uploaded, so only they must lie
    // inside the data; a cube map is refused by the uploader afterwards.
    std::uint64_t offset = kQzDdsHeaderSize;
    std::uint32_t w = d.width;
    std::uint32_t h = d.height;
    for (std::uint32_t level = 0; level < d.levelCount; ++level) {
        QzDdsLevel& l = d.levels[level];
        l.width = w;
        l.height = h;
        l.offset = offset;
        l.size = QzDdsLevelSize(d.format, d.components, w, h);
        if (l.size > length - offset) {
            return QzDdsStatus::ShortData;
        }
        offset += l.size;
        w = w / 2 > 0 ? w / 2 : 1;
        h = h / 2 > 0 ? h / 2 : 1;
    }
    *info = d;
    return QzDdsStatus::Ok;
}

}  // namespace QZW::Win
