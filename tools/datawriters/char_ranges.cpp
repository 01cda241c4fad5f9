#include "tools/datawriters/char_ranges.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace qztools {

namespace {

std::optional<std::uint32_t> ParseCode(const std::string& s) {
    if (s.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    // Hex with 0x, else decimal (a leading zero does not mean octal).
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    const unsigned long v = std::strtoul(s.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || v > 0x10FFFF || s[0] == '-' || s[0] == '+') {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(v);
}

}  // namespace

std::optional<std::vector<std::uint32_t>> ParseCharRanges(const std::string& text) {
    std::vector<std::uint32_t> codes;
    std::set<std::uint32_t> seen;
    std::stringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const std::size_t dash = part.find('-', 1);
        const auto lo = ParseCode(part.substr(0, dash));
        const auto hi = dash == std::string::npos ? lo : ParseCode(part.substr(dash + 1));
        if (!lo || !hi || *hi < *lo) {
            return std::nullopt;
        }
        for (std::uint32_t c = *lo; c <= *hi; ++c) {
            if (seen.insert(c).second) {
                codes.push_back(c);
            }
        }
    }
    if (codes.empty()) {
        return std::nullopt;
    }
    return codes;
}

}  // namespace qztools
