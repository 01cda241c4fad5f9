#include "qzware/depend/win/vho/vho_monitor.h"

#include <algorithm>

#include "platform/window/window.h"

namespace vho {

namespace pw = platform::window;

Monitor::~Monitor() = default;

bool Monitor::EnumerateModes() {
    modes.clear();
    pw::Backend& backend = pw::current();
    pw::DisplayMode mode;
    for (std::uint32_t index = 0; backend.enum_display_settings(index, &mode); ++index) {
        // 16-bit modes cannot hold the renderer's RGBA8 back buffer.
        if (mode.bits_per_pixel < 32)
            continue;
        if (HasMode(mode.width, mode.height))
            continue;
        modes.emplace_back(mode.width, mode.height);
    }
    if (backend.current_display_mode(&mode)) {
        desktopWidth = mode.width;
        desktopHeight = mode.height;
    }
    return true;
}

bool Monitor::HasMode(std::uint32_t width, std::uint32_t height) {
    return std::find(modes.begin(), modes.end(), std::make_pair(width, height)) != modes.end();
}

void Monitor::SetFullScreenMode(std::uint32_t width, std::uint32_t height) {
    ChangeMode(width, height, platform::win32::CDS_FULLSCREEN);
}

void Monitor::RestoreMode() {
    ChangeMode(desktopWidth, desktopHeight, 0);
}

Size Monitor::FindNearestMode(std::uint32_t width, std::uint32_t height) {
    Size best{width, height};
    int score = 0;
    for (const auto& [mw, mh] : modes) {
        const int s = int((GetRatio(width, mw) + GetRatio(height, mh)) * 100.0f);
        if (s > score) {
            best = Size{mw, mh};
            score = s;
        }
    }
    return best;
}

bool Monitor::ChangeMode(std::uint32_t width, std::uint32_t height, std::uint32_t flags) {
    // Only the size is given, as a DEVMODE with just the width and height fields.
    pw::DisplayMode mode;
    mode.width = width;
    mode.height = height;
    return pw::current().change_display_settings(mode, flags) ==
           platform::win32::DISP_CHANGE_SUCCESSFUL;
}

float Monitor::GetRatio(std::uint32_t a, std::uint32_t b) {
    // Equal sizes score 1; this also keeps a zero size from dividing by zero.
    if (a == b)
        return 1.0f;
    return float(std::min(a, b)) / float(std::max(a, b));
}

}  // namespace vho
