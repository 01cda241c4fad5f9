// Tile pattern rendering and the colour list (see the header).
#include "tools/pattern_writer/tile_pattern.h"

#include <cstdlib>
#include <sstream>

#include "tools/datawriters/dds_writer.h"
#include "tools/datawriters/tga_writer.h"

namespace qztools {

std::optional<std::vector<std::uint8_t>> RenderTilePattern(const TilePattern& p) {
    if (p.width == 0 || p.height == 0 || p.columns == 0 || p.rows == 0 || p.columns > p.width ||
        p.rows > p.height || p.colours.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> rgba(std::size_t(p.width) * p.height * 4);
    for (std::uint32_t y = 0; y < p.height; ++y) {
        const std::uint32_t row = y * p.rows / p.height;
        for (std::uint32_t x = 0; x < p.width; ++x) {
            const std::uint32_t column = x * p.columns / p.width;
            const std::uint32_t c = p.colours[(row * p.columns + column) % p.colours.size()];
            std::uint8_t* px = &rgba[(std::size_t(y) * p.width + x) * 4];
            px[0] = std::uint8_t(c >> 24);
            px[1] = std::uint8_t(c >> 16);
            px[2] = std::uint8_t(c >> 8);
            px[3] = std::uint8_t(c);
        }
    }
    return rgba;
}

std::optional<std::vector<std::uint32_t>> ParseColourList(const std::string& text) {
    std::vector<std::uint32_t> out;
    if (text.empty() || text.back() == ',') {
        return std::nullopt;
    }
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(item.c_str(), &end, 16);
        if (item.size() != 8 || end != item.c_str() + item.size()) {
            return std::nullopt;
        }
        out.push_back(std::uint32_t(v));
    }
    if (out.empty()) {
        return std::nullopt;
    }
    return out;
}

namespace {
bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}
}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeForPath(const std::string& path,
                                                       const std::vector<std::uint8_t>& rgba,
                                                       std::uint16_t width, std::uint16_t height) {
    if (EndsWith(path, ".tga")) {
        return EncodeTga32(rgba.data(), width, height, TgaOrigin::TopLeft);
    }
    if (EndsWith(path, ".dds")) {
        return EncodeDds(rgba.data(), width, height, DdsFormat::Rgba8);
    }
    return std::nullopt;
}

}  // namespace qztools
