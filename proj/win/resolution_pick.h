// The window sizes the game offers, and the pick of the largest one that fits
// the screen starting at the saved index. Pure; used by the first frame.
#pragma once

#include <cstdint>
#include <optional>

namespace Sample::Win {

struct ResolutionSize {
    std::uint32_t width;
    std::uint32_t height;
};

inline constexpr ResolutionSize kResolutionTable[6] = {
    {1920, 1080}, {1366, 768}, {1280, 720}, {1280, 1024}, {800, 600}, {640, 480},
};

// The first table entry from `index` on that fits the screen; none when the
// index is outside the table (negative included) or nothing from it fits,
// and the window then keeps its size.
std::optional<ResolutionSize> PickResolution(std::int32_t index, std::uint32_t screenWidth,
                                             std::uint32_t screenHeight);

}  // namespace Sample::Win
