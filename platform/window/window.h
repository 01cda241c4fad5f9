// The window system in place of Win32's windows, message queue, display
// modes, message boxes and WGL: one abstract backend chosen at start-up.
//   window_sdl.cpp  - SDL2 video, events, display modes, GL context (the program)
//   window_null.cpp - an in-memory desktop for tests (no display needed)
// Main (game) thread only. Calls mirror the Win32 ones they replace; sizes
// and rectangles are in pixels; an HWND is an opaque handle of the backend.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32_types.h"

namespace platform::window {

using win32::HWND;
using win32::LPARAM;
using win32::LRESULT;
using win32::UINT;
using win32::WPARAM;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
};

struct DisplayMode {
    std::uint32_t width = 0, height = 0, bits_per_pixel = 0, refresh_hz = 0;
};

struct Msg {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// What the renderer asks of a GL context (the pixel format of the window).
struct GlConfig {
    int red_bits = 8, green_bits = 8, blue_bits = 8, alpha_bits = 8;
    int depth_bits = 24;
    bool double_buffer = true;
    bool compatibility_profile = true;  // OpenGL 2 entry points, fixed state
};

class Backend {
public:
    virtual ~Backend() = default;

    // [SECTION] Start-up
    // Starts the video system once; false with a reason when there is no
    // display. Every other call starts it on demand.
    virtual bool init(std::string* error) = 0;

    // [SECTION] Windows (RegisterClassA, CreateWindowExA, ...)
    // Remembers the class procedure; false when the name is already taken.
    virtual bool register_class(const char* class_name, WNDPROC proc) = 0;
    // A hidden window with the given outer size; null on failure (no display,
    // unknown class). Messages sent while it is created go to the class
    // procedure with the new handle.
    virtual HWND create_window(const char* class_name, const char* caption, std::uint32_t style,
                               int x, int y, int outer_width, int outer_height) = 0;
    // Sends WM_DESTROY to the window's procedure, then frees the window.
    virtual bool destroy_window(HWND hwnd) = 0;
    virtual bool is_window(HWND hwnd) = 0;
    // SetWindowLongA(GWL_STYLE): windowed or borderless full screen.
    virtual void set_window_style(HWND hwnd, std::uint32_t style) = 0;
    // SetWindowPos with SWP_SHOWWINDOW / SWP_HIDEWINDOW among `flags`.
    virtual bool set_window_pos(HWND hwnd, bool topmost, int x, int y, int outer_width,
                                int outer_height, UINT flags) = 0;
    virtual Rect get_window_rect(HWND hwnd) = 0;  // outer, screen coordinates
    virtual Rect get_client_rect(HWND hwnd) = 0;  // (0, 0, client w, client h)
    virtual Rect get_desktop_rect() = 0;          // GetWindowRect(GetDesktopWindow())
    // AdjustWindowRect: the outer rectangle of a client rectangle.
    virtual Rect adjust_window_rect(const Rect& client, std::uint32_t style) = 0;
    virtual void show_window(HWND hwnd, int cmd) = 0;  // SW_SHOW / SW_HIDE
    virtual void update_window(HWND hwnd) = 0;
    // The window with this caption, if any (tests and tools).
    virtual HWND find_window(const char* caption) = 0;

    // [SECTION] Message queue (PeekMessageA, GetMessageA, ...)
    // True when a message waits; it stays queued (PM_NOREMOVE). Pumps the
    // system events first.
    virtual bool peek_message(Msg* out) = 0;
    // Takes the next message, waiting for one; false when it is WM_QUIT.
    virtual bool get_message(Msg* out) = 0;
    // WM_KEYDOWN of a key with a character posts a WM_CHAR (Escape gives 0x1B).
    virtual void translate_message(const Msg& msg) = 0;
    // Calls the procedure of the message's window class.
    virtual LRESULT dispatch_message(const Msg& msg) = 0;
    virtual LRESULT send_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void post_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void post_quit_message(int exit_code) = 0;
    // DefWindowProcA: WM_CLOSE destroys the window; the rest answer 0.
    virtual LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // [SECTION] A held game thread
    // Pumps the system events into the queue and tells whether a close
    // request (window close, quit) or, when `escape_counts`, an Escape key
    // press waits there. Only for the runaway-script watchdog, from its own
    // thread, while the game thread is held inside a script: the caller makes
    // sure the game thread does not use the window system meanwhile.
    virtual bool close_requested(bool escape_counts) = 0;

    // [SECTION] Display modes (EnumDisplaySettingsA, ChangeDisplaySettingsExA)
    // Mode `index` of the display, false past the last one.
    virtual bool enum_display_settings(std::uint32_t index, DisplayMode* out) = 0;
    virtual bool current_display_mode(DisplayMode* out) = 0;
    // Switches the display to `mode` when full screen is asked (CDS_FULLSCREEN)
    // or restores the desktop mode; DISP_CHANGE_SUCCESSFUL or DISP_CHANGE_FAILED.
    // Only the size must match a listed mode (bits and refresh 0 mean any).
    virtual long change_display_settings(const DisplayMode& mode, std::uint32_t flags) = 0;

    // [SECTION] Message box (MessageBoxA with MB_OK)
    // Shows the text and waits for the user; writes it to stderr when no box
    // can be shown. Any thread before the message loop starts.
    virtual void message_box(const char* text, const char* caption) = 0;

    // [SECTION] OpenGL context (pixel format, wglCreateContext, SwapBuffers)
    // Creates a context on the window and makes it current; false with a
    // reason when the pixel format or context cannot be had.
    virtual bool create_gl_context(HWND hwnd, const GlConfig& config, std::string* error) = 0;
    virtual void destroy_gl_context(HWND hwnd) = 0;
    virtual void swap_buffers(HWND hwnd) = 0;
    // wglSwapIntervalEXT; false when the driver refuses.
    virtual bool set_swap_interval(int interval) = 0;
    // The drawable size in pixels of the window's client area.
    virtual void get_drawable_size(HWND hwnd, int* width, int* height) = 0;
};

// The backend in force: SDL2 unless a test set another.
Backend& current();
// nullptr restores the SDL2 backend; the caller keeps ownership.
void set_current(Backend* backend);
// The SDL2 backend (window_sdl.cpp).
Backend& sdl_backend();

}  // namespace platform::window
