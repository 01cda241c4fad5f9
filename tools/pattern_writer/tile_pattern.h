// A grid of solid-colour tiles as RGBA pixels, top row first: tile (c, r)
// covers columns c x W / cols .. and rows r x H / rows .., and takes colour
// r x cols + c of the list (the list repeats when it is shorter).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qztools {

struct TilePattern {
    std::uint16_t width = 0, height = 0;
    std::uint16_t columns = 1, rows = 1;
    std::vector<std::uint32_t> colours;  // 0xRRGGBBAA each
};

// Null when a size is 0, the grid has more tiles than pixels or no colour is given.
std::optional<std::vector<std::uint8_t>> RenderTilePattern(const TilePattern& pattern);

// "RRGGBBAA,RRGGBBAA,..." (hex); null on any malformed entry.
std::optional<std::vector<std::uint32_t>> ParseColourList(const std::string& text);

// The file `rgba` (width x height, top row first) becomes for a path ending
// in ".tga" (32-bit, top-left origin) or ".dds" (uncompressed RGBA, one
// level); null for any other name.
std::optional<std::vector<std::uint8_t>> EncodeForPath(const std::string& path,
                                                       const std::vector<std::uint8_t>& rgba,
                                                       std::uint16_t width, std::uint16_t height);

}  // namespace qztools
