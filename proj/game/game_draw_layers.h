// The fixed table of the game's 23 draw layers (viewport, target size,
// projection, depth) and the screen each row builds, with its environment
// settings written. Plain data and one factory; no state.
#pragma once

#include <cstdint>

namespace QZW {
class CQzScreen;
}

namespace Sample {

struct DrawLayerSetup {
    std::int32_t x, y, width, height;
    std::int32_t targetWidth, targetHeight;
    bool perspective;
    bool depth;  // depth test and write
};

inline constexpr int kDrawLayerCount = 23;
// Render target of the debug layer; every other layer draws into target 0.
inline constexpr int kDebugLayerIndex = 21;
inline constexpr std::uint32_t kDebugLayerTarget = 12;

const DrawLayerSetup& GetDrawLayerSetup(int layer);

// A new screen for layer 0..22 with the layer's environment settings and
// index; its projection matrix is filled already, so the projection script
// functions see the layer's real projection before its first frame.
QZW::CQzScreen* CreateDrawLayerScreen(int layer);

}  // namespace Sample
