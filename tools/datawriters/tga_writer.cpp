#include "tools/datawriters/tga_writer.h"

namespace qztools {

std::vector<std::uint8_t> EncodeTga32(const std::uint8_t* rgba, std::uint16_t width,
                                      std::uint16_t height, TgaOrigin origin) {
    const std::size_t pixels = std::size_t(width) * height;
    std::vector<std::uint8_t> out(kTgaHeaderSize + pixels * 4, 0);
    out[2] = 2;  // uncompressed true colour
    out[12] = static_cast<std::uint8_t>(width);
    out[13] = static_cast<std::uint8_t>(width >> 8);
    out[14] = static_cast<std::uint8_t>(height);
    out[15] = static_cast<std::uint8_t>(height >> 8);
    out[16] = 32;
    // Eight alpha bits; bit 5 says the rows run top to bottom.
    out[17] = static_cast<std::uint8_t>(8 | (origin == TgaOrigin::TopLeft ? 0x20 : 0));
    for (std::size_t row = 0; row < height; ++row) {
        const std::size_t fileRow = origin == TgaOrigin::TopLeft ? row : height - 1 - row;
        for (std::size_t col = 0; col < width; ++col) {
            const std::uint8_t* src = rgba + (row * width + col) * 4;
            std::uint8_t* dst = out.data() + kTgaHeaderSize + (fileRow * width + col) * 4;
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    }
    return out;
}

}  // namespace qztools
