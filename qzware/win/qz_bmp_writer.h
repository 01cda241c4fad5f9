// The screenshot file: a 24-bit BMP, 54-byte header, rows of blue-green-red
// bottom row first, each row padded with zeros to a multiple of 4 bytes (the
// layout glReadPixels gives with the default pack alignment). Pure functions
// plus one file writer; sizes above 4 GiB or empty images are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace QZW::Win {

constexpr std::size_t kQzBmpHeaderSize = 54;

// width x 3 rounded up to a multiple of 4.
std::uint64_t QzBmpRowBytes(std::uint32_t width);
// 54 + row bytes x height.
std::uint64_t QzBmpFileSize(std::uint32_t width, std::uint32_t height);

// The whole file image, header filled and pixel area zero; false (image
// left empty) when a side is not positive or the file would not fit the
// 32-bit size field.
bool QzBmpMakeImage(std::int32_t width, std::int32_t height, std::vector<std::uint8_t>& image);

// A file image from RGB pixels given top row first, tightly packed.
bool QzBmpEncodeRgb(std::int32_t width, std::int32_t height, const std::uint8_t* rgb,
                    std::vector<std::uint8_t>& image);

// Replaces the file whole (temporary, flush, rename); false, with any old
// file left as it was, when it cannot.
bool QzBmpWriteFile(const char* path, const std::vector<std::uint8_t>& image);

}  // namespace QZW::Win
