// TGA writer: 32-bit uncompressed true-colour images (type 2) without ID
// field or colour map, the subset the engine's texture loader reads (pixel
// data at offset 18). Pixels are given as RGBA, top row first.
#pragma once

#include <cstdint>
#include <vector>

namespace qztools {

enum class TgaOrigin { BottomLeft, TopLeft };

constexpr std::uint32_t kTgaHeaderSize = 18;

// `rgba` holds width x height x 4 bytes. The file stores BGRA and, for a
// bottom-left origin, the rows bottom first (descriptor bit 5 clear).
std::vector<std::uint8_t> EncodeTga32(const std::uint8_t* rgba, std::uint16_t width,
                                      std::uint16_t height, TgaOrigin origin);

}  // namespace qztools
