// DDS writer: 2D textures, uncompressed 32-bit RGBA (bytes in R, G, B, A
// order, the order the engine uploads them in) or DXT1, with an optional mip
// chain made by 2x2 box filtering. No cube maps, volumes, DXT3 or DXT5.
#pragma once

#include <cstdint>
#include <vector>

namespace qztools {

enum class DdsFormat { Rgba8, Dxt1 };

constexpr std::uint32_t kDdsHeaderSize = 128;  // magic + 124-byte header

// `rgba` holds width x height x 4 bytes, top row first. `mipLevels` 1 writes
// the base level only, 0 the full chain down to 1 x 1.
std::vector<std::uint8_t> EncodeDds(const std::uint8_t* rgba, std::uint32_t width,
                                    std::uint32_t height, DdsFormat format,
                                    std::uint32_t mipLevels = 1);

// One 4x4 block (16 RGBA pixels, row by row) as 8 bytes of DXT1. Pixels with
// alpha below 128 turn the block into 3-colour mode with transparency.
void CompressDxt1Block(const std::uint8_t* pixels, std::uint8_t* out);

}  // namespace qztools
