// Texture and image files made in code for tests and fixture tools: a TGA
// (18-byte header, no ID or colour map) and a DDS (128-byte header) with every
// header field the readers look at given as a parameter. No engine code needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qz_test {

struct TgaFields {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 2;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t bitsPerPixel = 32;
    std::uint8_t descriptor = 0x20;  // top row first
};

// Header followed by `pixels` exactly as given (file order, BGR(A)).
std::vector<std::uint8_t> MakeTga(const TgaFields& fields, const std::vector<std::uint8_t>& pixels);

// A true-colour TGA from RGBA pixels given top row first: written top-down
// (descriptor 0x20) with 32 bits, or 24 bits when `withAlpha` is false.
std::vector<std::uint8_t> MakeTgaFromRgba(std::uint16_t width, std::uint16_t height,
                                          const std::vector<std::uint8_t>& rgba,
                                          bool withAlpha = true);

constexpr std::uint32_t MakeFourCC(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) | (std::uint32_t(std::uint8_t(s[1])) << 8) |
           (std::uint32_t(std::uint8_t(s[2])) << 16) | (std::uint32_t(std::uint8_t(s[3])) << 24);
}

struct DdsFields {
    char magic[4] = {'D', 'D', 'S', ' '};
    std::uint32_t height = 0;
    std::uint32_t width = 0;
    std::uint32_t depth = 0;
    std::uint32_t mipCount = 0;
    std::uint32_t pixelFlags = 0x4;  // FourCC
    std::uint32_t fourCC = MakeFourCC("DXT1");
    std::uint32_t rgbBitCount = 0;
    std::uint32_t caps2 = 0;
};

// The 128-byte header (size fields 124 and 32 filled in as writers do)
// followed by `payload`.
std::vector<std::uint8_t> MakeDds(const DdsFields& fields,
                                  const std::vector<std::uint8_t>& payload);

// `count` bytes counting up from `seed` (wrapping), so that every level of a
// file has recognisable contents.
std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint8_t seed = 0);

// Writes the bytes to a file, replacing it; false when it cannot be written.
bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// The whole file, or an empty vector when it cannot be read.
std::vector<std::uint8_t> ReadBytes(const std::string& path);

}  // namespace qz_test
