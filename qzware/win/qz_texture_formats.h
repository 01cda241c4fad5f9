// Texture file decoding without OpenGL: the TGA subset (also under ".dat") and
// DDS (DXT1/3/5 or uncompressed, with mip levels) turned into a description of
// the upload. Every parser takes the data's length and refuses what it cannot
// read inside it; nothing here allocates or touches the engine allocator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace QZW::Win {

// [SECTION] File type by extension

enum class QzTextureFileType { Unknown, Tga, Dds };

// The text after the last "." of the path (the whole path when it has none),
// at most 255 characters of it.
std::string QzTextureExtension(const char* path);
// "tga" and "dat" -> Tga, "dds" -> Dds, exactly and case-sensitively.
QzTextureFileType QzTextureFileTypeOf(const char* path);

// [SECTION] Upload formats

enum class QzPixelFormat : std::uint8_t {
    Alpha8,      // TGA palette indices, read by the palette program from alpha
    Rgba8,       // TGA true colour (24-bit files widened), DDS 32-bit
    Rgb8,        // DDS 24-bit
    Luminance8,  // DDS 8-bit
    Dxt1,
    Dxt3,
    Dxt5,
};

// Larger sides are refused before any size arithmetic, so every level size
// below fits comfortably in 64 bits.
constexpr std::uint32_t kQzTextureMaxDimension = 65536;
constexpr std::uint32_t kQzTextureMaxLevels = 16;

// [SECTION] TGA

constexpr std::size_t kQzTgaHeaderSize = 18;

enum class QzTgaStatus {
    Ok,
    ShortHeader,      // fewer than 18 bytes
    UnsupportedType,  // not type 1 with 8 bits or another type with 24/32 bits
    EmptyImage,       // width or height 0
    ShortData,        // pixel rows run past the end of the data
    TooLarge,         // decoded image above 4 GiB
};

struct QzTgaInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t imageType = 0;
    std::uint8_t bitsPerPixel = 0;
    std::uint8_t descriptor = 0;
    std::uint32_t fileBytesPerPixel = 0;    // 1, 3 or 4
    std::uint32_t outputBytesPerPixel = 0;  // 1 (alpha) or 4 (RGBA)
    QzPixelFormat format = QzPixelFormat::Rgba8;
    // 1 for alpha rows (any width), else 4.
    std::uint32_t unpackAlignment = 4;
    std::uint64_t outputSize = 0;  // width x height x outputBytesPerPixel
    bool swapRedBlue = false;      // type 2 only; other true-colour types as stored
};

QzTgaStatus QzTgaParse(const std::uint8_t* data, std::size_t length, QzTgaInfo* info);
// Writes the image top row first, each row left to right, red before blue
// for type 2 (other true-colour types keep the file's byte order), 24-bit
// pixels widened with alpha 255. False when the data does not parse
// or `capacity` is below info.outputSize.
bool QzTgaDecode(const std::uint8_t* data, std::size_t length, std::uint8_t* out,
                 std::size_t capacity);

// [SECTION] DDS

constexpr std::size_t kQzDdsHeaderSize = 128;

enum class QzDdsStatus {
    Ok,
    ShortHeader,        // fewer than 128 bytes
    BadMagic,           // not "DDS "
    VolumeTexture,      // caps2 volume bit with depth above 0
    UnsupportedFourCC,  // compressed, but not DXT1/DXT3/DXT5
    UnsupportedFormat,  // uncompressed layout that is not 8, 24 or 32 bits
    BadDimensions,      // width or height 0 or above kQzTextureMaxDimension
    TooManyLevels,      // more than 16 mip levels declared
    ShortData,          // a level of the first face runs past the data's end
};

struct QzDdsLevel {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t offset = 0;  // from the start of the file
    std::uint64_t size = 0;
};

struct QzDdsInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    QzPixelFormat format = QzPixelFormat::Rgba8;
    bool compressed = false;
    std::uint32_t components = 0;  // 1, 3 or 4 (DXT1 counts 3)
    std::uint32_t faces = 1;       // 6 for a cube map
    std::uint32_t levelCount = 0;  // a mip count of 0 counts as 1
    // levelCount - 1: a chain that stops before 1x1 is still complete.
    std::uint32_t maxLevel = 0;
    std::uint32_t unpackAlignment = 4;  // 1 for 1- and 3-component rows
    // Levels of the first face (the only one that is uploaded).
    std::array<QzDdsLevel, kQzTextureMaxLevels> levels{};
};

QzDdsStatus QzDdsParse(const std::uint8_t* data, std::size_t length, QzDdsInfo* info);
// Bytes of one level of the format at the given size.
std::uint64_t QzDdsLevelSize(QzPixelFormat format, std::uint32_t components, std::uint32_t width,
                             std::uint32_t height);

}  // namespace QZW::Win
