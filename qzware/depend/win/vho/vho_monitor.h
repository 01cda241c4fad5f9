// The display's list of modes and the switches between the desktop mode and
// a full-screen mode: enumeration (32-bit modes, each size once), the mode
// nearest to a client size by the ratio score, and mode changes.
// Depends on platform::window (display 0 only). Main thread only.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace vho {

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const Size&) const = default;
};

class Monitor {
public:
    Monitor() = default;
    virtual ~Monitor();

    // Lists the display's modes and reads the desktop size; always true.
    virtual bool EnumerateModes();
    virtual bool HasMode(std::uint32_t width, std::uint32_t height);
    virtual void SetFullScreenMode(std::uint32_t width, std::uint32_t height);
    // Back to the mode that was current at enumeration.
    virtual void RestoreMode();
    // The listed mode with the best ratio score (the first of equals); the
    // request itself when nothing is listed.
    virtual Size FindNearestMode(std::uint32_t width, std::uint32_t height);
    // True when the display took the mode.
    virtual bool ChangeMode(std::uint32_t width, std::uint32_t height, std::uint32_t flags);
    // min(a, b) / max(a, b); 1 when both are equal (zero included).
    virtual float GetRatio(std::uint32_t a, std::uint32_t b);

    std::vector<std::pair<std::uint32_t, std::uint32_t>> modes;
    std::uint32_t desktopWidth = 0;
    std::uint32_t desktopHeight = 0;
};

}  // namespace vho
