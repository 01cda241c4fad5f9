#include "qzware/depend/win/vho/vho_client.h"

#include <algorithm>

namespace vho {

namespace pw = platform::window;
using namespace platform::win32;

namespace {

constexpr std::uint32_t kWindowedStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr std::uint32_t kFullScreenStyle = WS_POPUP | WS_VISIBLE;

}  // namespace

Client::~Client() = default;

HWND Client::Create(HINSTANCE, const char* className, const char* caption, std::uint32_t w,
                    std::uint32_t h) {
    monitor.EnumerateModes();
    pw::Backend& backend = pw::current();
    const std::uint32_t style = GetWindowStyle();
    const pw::Rect outer = backend.adjust_window_rect(pw::Rect{0, 0, int(w), int(h)}, style);
    hwnd = backend.create_window(className, caption, style, CW_USEDEFAULT, 0, outer.width(),
                                 outer.height());
    if (!hwnd)
        return nullptr;
    // Placed in the middle of the desktop but kept hidden until the first frame shows it.
    windowRect = GetCenteredRect(w, h);
    backend.set_window_pos(hwnd, false, windowRect.left, windowRect.top, windowRect.width(),
                           windowRect.height(), SWP_HIDEWINDOW);
    width = w;
    height = h;
    return hwnd;
}

bool Client::IsFullScreen() {
    return !windowed;
}

Size Client::ChangeDisplayMode(bool toWindowed) {
    Size out{std::uint32_t(windowRect.width()), std::uint32_t(windowRect.height())};
    if (toWindowed == windowed)
        return out;
    windowed = toWindowed;
    pw::Backend& backend = pw::current();
    if (windowed) {
        monitor.RestoreMode();
        backend.set_window_style(hwnd, kWindowedStyle);
        // Centre for the client size last set: the kept rectangle is an outer
        // size, and centring it as a client would grow the window by its
        // frame on every round trip.
        windowRect = GetCenteredRect(width, height);
        backend.set_window_pos(hwnd, false, windowRect.left, windowRect.top, windowRect.width(),
                               windowRect.height(), SWP_SHOWWINDOW);
    } else {
        out = monitor.FindNearestMode(width, height);
        monitor.SetFullScreenMode(out.width, out.height);
        backend.set_window_style(hwnd, kFullScreenStyle);
        backend.set_window_pos(hwnd, true, 0, 0, int(out.width), int(out.height), SWP_SHOWWINDOW);
    }
    return out;
}

void Client::SetClientSize(std::uint32_t w, std::uint32_t h) {
    if (std::uint32_t(windowRect.width()) == w && std::uint32_t(windowRect.height()) == h)
        return;
    pw::Backend& backend = pw::current();
    if (windowed) {
        backend.set_window_style(hwnd, kWindowedStyle);
        windowRect = GetCenteredRect(w, h);
        backend.set_window_pos(hwnd, false, windowRect.left, windowRect.top, windowRect.width(),
                               windowRect.height(), SWP_SHOWWINDOW);
        width = w;
        height = h;
    } else {
        backend.set_window_style(hwnd, kFullScreenStyle);
        width = w;
        height = h;
        windowRect = GetCenteredRect(w, h);
        const Size m = monitor.FindNearestMode(w, h);
        monitor.SetFullScreenMode(m.width, m.height);
        backend.set_window_pos(hwnd, true, 0, 0, int(m.width), int(m.height), SWP_SHOWWINDOW);
    }
}

void Client::SetPosition(std::int32_t x, std::int32_t y) {
    const std::int32_t w = windowRect.width();
    const std::int32_t h = windowRect.height();
    windowRect = pw::Rect{x, y, x + w, y + h};
}

std::uint32_t Client::GetWindowStyle() {
    return windowed ? kWindowedStyle : kFullScreenStyle;
}

pw::Rect Client::GetCenteredRect(std::uint32_t w, std::uint32_t h) {
    const Size s = GetWindowSize(w, h);
    const pw::Rect d = pw::current().get_desktop_rect();
    pw::Rect r;
    r.left = std::int32_t(float(d.right) * 0.5f - float(s.width) * 0.5f);
    r.top = std::int32_t(float(d.bottom) * 0.5f - float(s.height) * 0.5f);
    r.right = r.left + std::int32_t(s.width);
    r.bottom = r.top + std::int32_t(s.height);
    return r;
}

Size Client::GetWindowSize(std::uint32_t w, std::uint32_t h) {
    pw::Backend& backend = pw::current();
    const pw::Rect outer = backend.get_window_rect(hwnd);
    const pw::Rect client = backend.get_client_rect(hwnd);
    const std::int64_t ow = std::int64_t(outer.width()) - client.width() + w;
    const std::int64_t oh = std::int64_t(outer.height()) - client.height() + h;
    return Size{std::uint32_t(std::max<std::int64_t>(0, ow)),
                std::uint32_t(std::max<std::int64_t>(0, oh))};
}

}  // namespace vho
