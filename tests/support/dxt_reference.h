// A plain reference decoder of S3TC blocks (DXT1, DXT3, DXT5) to RGBA8, for
// pixel tests that compare what GL sampled with what a file holds. The engine
// itself never decodes: GL does. Also a one-colour DXT1 block encoder.
#pragma once

#include <cstdint>

namespace qz_test {

// Each decodes one 4x4 block into 16 RGBA pixels, row by row.
void DecodeDxt1Block(const std::uint8_t block[8], std::uint8_t rgba[64]);
void DecodeDxt3Block(const std::uint8_t block[16], std::uint8_t rgba[64]);
void DecodeDxt5Block(const std::uint8_t block[16], std::uint8_t rgba[64]);

// Decodes a whole level of the format (1, 3 or 5) of width x height pixels
// into width x height RGBA pixels, top row first.
void DecodeDxtImage(int dxt, const std::uint8_t* data, int width, int height, std::uint8_t* rgba);

// A DXT1 block whose 16 pixels all take the RGB565 colour `c565` (opaque).
void MakeSolidDxt1Block(std::uint16_t c565, std::uint8_t block[8]);

}  // namespace qz_test
