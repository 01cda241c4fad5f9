// The engine's colour value: four unsigned bytes r, g, b, a in this order,
// which is also the byte order of vertex colour streams. As a 32-bit
// little-endian word r is the low byte. White is the default.
#pragma once

#include <cstdint>

namespace QZW {

struct Color {
    std::uint8_t r = 255;
    std::uint8_t g = 255;
    std::uint8_t b = 255;
    std::uint8_t a = 255;

    Color() = default;
    Color(std::uint8_t cr, std::uint8_t cg, std::uint8_t cb, std::uint8_t ca)
        : r(cr), g(cg), b(cb), a(ca) {}

    // The packed word as the colour's four bytes read little-endian.
    std::uint32_t ToU32() const {
        return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16) |
               (std::uint32_t(a) << 24);
    }
    static Color FromU32(std::uint32_t v) {
        return Color(std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                     std::uint8_t(v >> 24));
    }
    friend bool operator==(const Color&, const Color&) = default;
};

static_assert(sizeof(Color) == 4, "Color is four packed bytes");

}  // namespace QZW
