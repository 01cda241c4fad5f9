#include "proj/win/resolution_pick.h"

namespace Sample::Win {

std::optional<ResolutionSize> PickResolution(std::int32_t index, std::uint32_t screenWidth,
                                             std::uint32_t screenHeight) {
    if (index < 0 || index > 5) {
        return std::nullopt;
    }
    for (std::int32_t i = index; i < 6; ++i) {
        const ResolutionSize& size = kResolutionTable[i];
        if (size.width <= screenWidth && size.height <= screenHeight) {
            return size;
        }
    }
    return std::nullopt;
}

}  // namespace Sample::Win
