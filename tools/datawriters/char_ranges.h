// Character sets given on a tool's command line: comma-separated code points
// or ranges, decimal or 0x hex ("32-126,0xA0-0xFF,0x3042").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qztools {

// The code points in order of first mention, without repeats; nothing when
// the text is malformed, a range runs backwards or a value passes 0x10FFFF.
std::optional<std::vector<std::uint32_t>> ParseCharRanges(const std::string& text);

}  // namespace qztools
