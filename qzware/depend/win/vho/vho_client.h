// The game window's client side: creation centred on the desktop and hidden,
// the client size, and the switch between a captioned window and a
// borderless full-screen window on the nearest display mode.
// Depends on platform::window and vho::Monitor. Main thread only.
#pragma once

#include <cstdint>

#include "platform/window/window.h"
#include "qzware/depend/win/vho/vho_monitor.h"

namespace vho {

using platform::win32::HINSTANCE;
using platform::win32::HWND;

class Client {
public:
    Client() = default;
    virtual ~Client();

    // Lists the display modes, creates the window hidden and centred for a
    // client of width x height; null when the window cannot be created.
    virtual HWND Create(HINSTANCE instance, const char* className, const char* caption,
                        std::uint32_t width, std::uint32_t height);
    virtual bool IsFullScreen();
    // Switches between windowed and full screen; the window size before the
    // switch, or the full-screen mode chosen.
    virtual Size ChangeDisplayMode(bool toWindowed);
    virtual void SetClientSize(std::uint32_t width, std::uint32_t height);
    // Moves the remembered rectangle only; the window stays where it is.
    virtual void SetPosition(std::int32_t x, std::int32_t y);
    virtual std::uint32_t GetWindowStyle();
    // The outer rectangle of a width x height client, centred on the desktop.
    virtual platform::window::Rect GetCenteredRect(std::uint32_t width, std::uint32_t height);
    // The outer size of a window with a width x height client.
    virtual Size GetWindowSize(std::uint32_t width, std::uint32_t height);

    bool windowed = true;
    HWND hwnd = nullptr;
    Monitor monitor;
    platform::window::Rect windowRect;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

}  // namespace vho
