#include "platform/window/window.h"

// The window system on SDL2: windows, the message queue fed from SDL events,
// display modes of display 0, message boxes and the OpenGL context.
// Depends on SDL2 video. Main thread only.
//
// Done / differs from Win32:
// - [x] windows are SDL_WINDOW_OPENGL, created hidden; the window manager owns
//       the frame, so outer rectangles add the borders SDL reports (none
//       under a bare X server); set_window_pos ignores "topmost" (a full
//       screen window is on top by its state)
// - [x] queue: SDL window close and SDL_QUIT -> WM_CLOSE, key down/up ->
//       WM_KEYDOWN/WM_KEYUP (virtual-key codes), size and focus -> WM_SIZE,
//       WM_SETFOCUS, WM_KILLFOCUS; the characters of a key come from SDL text
//       input (UTF-8 decoded, one WM_CHAR per code point)
// - [x] display modes: 4-byte pixel formats count as 32 bits (SDL calls
//       XRGB8888 24 bits; Win32 calls it 32); full screen is SDL's exclusive
//       full screen on the last created window; a mode change needs a window
// - [x] message box: SDL's simple box; stderr when it cannot be shown or when
//       QZ_NO_MESSAGE_BOX is set (headless runs would wait for a click)
// - [ ] no WM_PAINT, WM_ACTIVATE, WM_SYSKEYDOWN; Alt combinations come as WM_KEYDOWN

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/message_queue.h"
#include "platform/window/vk_map.h"
#include "platform/window/window_sdl_events.h"

namespace platform::window {
namespace {

using namespace platform::win32;

struct SdlWindow {
    SDL_Window* window = nullptr;
    Uint32 id = 0;
    std::string class_name;
    WNDPROC proc = nullptr;
    std::uint32_t style = 0;
    SDL_GLContext gl = nullptr;
    bool destroying = false;
};

struct Borders {
    int top = 0, left = 0, bottom = 0, right = 0;
};

void set_gl_attributes(const GlConfig& c) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, c.red_bits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, c.green_bits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, c.blue_bits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, c.alpha_bits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, c.depth_bits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, c.double_buffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, c.compatibility_profile
                                                         ? SDL_GL_CONTEXT_PROFILE_COMPATIBILITY
                                                         : SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
}

DisplayMode to_mode(const SDL_DisplayMode& m) {
    DisplayMode d;
    d.width = std::uint32_t(m.w);
    d.height = std::uint32_t(m.h);
    d.bits_per_pixel = SDL_BYTESPERPIXEL(m.format) == 4 ? 32u : SDL_BITSPERPIXEL(m.format);
    d.refresh_hz = std::uint32_t(m.refresh_rate);
    return d;
}

class SdlBackend final : public Backend {
public:
    // X keeps a changed display mode after the process ends (Windows does
    // not), so full-screen windows give it back here. The rest (windows, GL
    // contexts other exit-time destructors may still use) is left to exit.
    ~SdlBackend() override {
        for (const auto& [hwnd, w] : windows_) {
            if (SDL_GetWindowFlags(w->window) & SDL_WINDOW_FULLSCREEN) {
                SDL_SetWindowFullscreen(w->window, 0);
            }
        }
    }

    // [SECTION] Start-up

    bool init(std::string* error) override {
        if (started_)
            return true;
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            if (error)
                *error = SDL_GetError();
            return false;
        }
        // Without a display SDL falls back to a driver that shows nothing;
        // that counts as no display unless SDL_VIDEODRIVER asked for it.
        const char* driver = SDL_GetCurrentVideoDriver();
        const char* asked = SDL_getenv("SDL_VIDEODRIVER");
        const bool blind =
            driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
        if (blind && !(asked && SDL_strcasecmp(asked, driver) == 0)) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            if (error)
                *error = "no display to open a window on (DISPLAY is not set or cannot be reached)";
            return false;
        }
        started_ = true;
        return true;
    }

    bool started() { return init(nullptr); }

    // [SECTION] Windows

    bool register_class(const char* class_name, WNDPROC proc) override {
        if (!class_name || !proc)
            return false;
        return classes_.emplace(class_name, proc).second;
    }

    HWND create_window(const char* class_name, const char* caption, std::uint32_t style, int x,
                       int y, int outer_width, int outer_height) override {
        if (!class_name || !started())
            return nullptr;
        auto cls = classes_.find(class_name);
        if (cls == classes_.end())
            return nullptr;
        // The X visual is picked at creation, so the pixel format goes first.
        set_gl_attributes(GlConfig{});
        const Borders b = borders_for(style);
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (!(style & WS_CAPTION))
            flags |= SDL_WINDOW_BORDERLESS;
        const int cx = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : x + b.left;
        const int cy = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : y + b.top;
        const int cw = std::max(1, outer_width - b.left - b.right);
        const int ch = std::max(1, outer_height - b.top - b.bottom);
        SDL_Window* sw = SDL_CreateWindow(caption ? caption : "", cx, cy, cw, ch, flags);
        if (!sw) {
            std::fprintf(stderr, "window: %s\n", SDL_GetError());
            return nullptr;
        }
        auto rec = std::make_unique<SdlWindow>();
        rec->window = sw;
        rec->id = SDL_GetWindowID(sw);
        rec->class_name = class_name;
        rec->proc = cls->second;
        rec->style = style;
        HWND hwnd = reinterpret_cast<HWND>(rec.get());
        by_id_[rec->id] = hwnd;
        windows_.emplace(hwnd, std::move(rec));
        game_window_ = hwnd;
        if (style & WS_VISIBLE)
            SDL_ShowWindow(sw);
        // WM_CREATE answering -1 refuses the window, as on Win32.
        if (cls->second(hwnd, WM_CREATE, 0, 0) == -1) {
            destroy_window(hwnd);
            return nullptr;
        }
        return hwnd;
    }

    bool destroy_window(HWND hwnd) override {
        SdlWindow* w = find(hwnd);
        if (!w || w->destroying)
            return false;
        w->destroying = true;
        w->proc(hwnd, WM_DESTROY, 0, 0);
        if (w->gl)
            SDL_GL_DeleteContext(w->gl);
        SDL_DestroyWindow(w->window);
        by_id_.erase(w->id);
        windows_.erase(hwnd);
        queue_.remove_window(hwnd);
        if (game_window_ == hwnd)
            game_window_ = nullptr;
        return true;
    }

    bool is_window(HWND hwnd) override { return find(hwnd) != nullptr; }

    void set_window_style(HWND hwnd, std::uint32_t style) override {
        SdlWindow* w = find(hwnd);
        if (!w)
            return;
        w->style = style;
        SDL_SetWindowBordered(w->window, (style & WS_CAPTION) ? SDL_TRUE : SDL_FALSE);
        if (style & WS_VISIBLE)
            SDL_ShowWindow(w->window);
    }

    bool set_window_pos(HWND hwnd, bool, int x, int y, int outer_width, int outer_height,
                        UINT flags) override {
        SdlWindow* w = find(hwnd);
        if (!w)
            return false;
        const Borders b = borders_of(*w);
        SDL_SetWindowPosition(w->window, x + b.left, y + b.top);
        SDL_SetWindowSize(w->window, std::max(1, outer_width - b.left - b.right),
                          std::max(1, outer_height - b.top - b.bottom));
        if (flags & SWP_SHOWWINDOW)
            SDL_ShowWindow(w->window);
        if (flags & SWP_HIDEWINDOW)
            SDL_HideWindow(w->window);
        return true;
    }

    Rect get_window_rect(HWND hwnd) override {
        SdlWindow* w = find(hwnd);
        if (!w)
            return Rect{};
        int x = 0, y = 0, cw = 0, ch = 0;
        SDL_GetWindowPosition(w->window, &x, &y);
        SDL_GetWindowSize(w->window, &cw, &ch);
        const Borders b = borders_of(*w);
        return Rect{x - b.left, y - b.top, x + cw + b.right, y + ch + b.bottom};
    }

    Rect get_client_rect(HWND hwnd) override {
        SdlWindow* w = find(hwnd);
        if (!w)
            return Rect{};
        int cw = 0, ch = 0;
        SDL_GetWindowSize(w->window, &cw, &ch);
        return Rect{0, 0, cw, ch};
    }

    Rect get_desktop_rect() override {
        SDL_Rect r{};
        if (!started() || SDL_GetDisplayBounds(0, &r) != 0)
            return Rect{};
        return Rect{r.x, r.y, r.x + r.w, r.y + r.h};
    }

    Rect adjust_window_rect(const Rect& client, std::uint32_t style) override {
        const Borders b = borders_for(style);
        return Rect{client.left - b.left, client.top - b.top, client.right + b.right,
                    client.bottom + b.bottom};
    }

    void show_window(HWND hwnd, int cmd) override {
        SdlWindow* w = find(hwnd);
        if (!w)
            return;
        if (cmd == SW_HIDE) {
            SDL_HideWindow(w->window);
        } else {
            SDL_ShowWindow(w->window);
        }
    }

    void update_window(HWND) override {}

    HWND find_window(const char* caption) override {
        if (!caption)
            return nullptr;
        for (const auto& [hwnd, w] : windows_) {
            if (std::string(SDL_GetWindowTitle(w->window)) == caption)
                return hwnd;
        }
        return nullptr;
    }

    // [SECTION] Message queue

    bool peek_message(Msg* out) override {
        pump();
        return queue_.peek(out);
    }

    bool get_message(Msg* out) override {
        Msg m;
        for (;;) {
            pump();
            if (queue_.take(&m))
                break;
            // Nothing can arrive without the video system: answer as WM_QUIT
            // rather than wait forever.
            if (!started_ || SDL_WaitEvent(nullptr) == 0) {
                m = Msg{nullptr, WM_QUIT, 0, 0};
                break;
            }
        }
        if (out)
            *out = m;
        return m.message != WM_QUIT;
    }

    void translate_message(const Msg& msg) override { queue_.translate(msg); }

    LRESULT dispatch_message(const Msg& msg) override {
        return send_message(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }

    LRESULT send_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        SdlWindow* w = find(hwnd);
        return w ? w->proc(hwnd, message, wParam, lParam) : 0;
    }

    void post_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        std::vector<std::uint32_t> chars;
        if (message == WM_KEYDOWN && !is_control_char_key(int(wParam))) {
            if (std::uint32_t c = char_from_vk(int(wParam), false))
                chars.push_back(c);
        }
        queue_.post(Msg{hwnd, message, wParam, lParam}, std::move(chars));
    }

    void post_quit_message(int exit_code) override {
        queue_.post(Msg{nullptr, WM_QUIT, WPARAM(exit_code), 0});
    }

    bool close_requested(bool escape_counts) override {
        pump();
        return queue_.has_close_request(escape_counts);
    }

    LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM, LPARAM) override {
        if (message == WM_CLOSE)
            destroy_window(hwnd);
        return 0;
    }

    // [SECTION] Display modes

    bool enum_display_settings(std::uint32_t index, DisplayMode* out) override {
        if (!started())
            return false;
        const int count = SDL_GetNumDisplayModes(0);
        if (count < 0 || index >= std::uint32_t(count))
            return false;
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, int(index), &m) != 0)
            return false;
        if (out)
            *out = to_mode(m);
        return true;
    }

    bool current_display_mode(DisplayMode* out) override {
        SDL_DisplayMode m{};
        if (!started() || SDL_GetDesktopDisplayMode(0, &m) != 0)
            return false;
        if (out)
            *out = to_mode(m);
        return true;
    }

    long change_display_settings(const DisplayMode& mode, std::uint32_t flags) override {
        SdlWindow* w = find(game_window_);
        if (!w)
            return fail_once("a display mode change needs the game window");
        if (!(flags & CDS_FULLSCREEN)) {
            DisplayMode desktop;
            if (!current_display_mode(&desktop) || desktop.width != mode.width ||
                desktop.height != mode.height) {
                return fail_once("only the desktop mode can be set without full screen");
            }
            return SDL_SetWindowFullscreen(w->window, 0) == 0 ? DISP_CHANGE_SUCCESSFUL
                                                              : fail_once(SDL_GetError());
        }
        SDL_DisplayMode want{};
        want.w = int(mode.width);
        want.h = int(mode.height);
        SDL_DisplayMode got{};
        if (!SDL_GetClosestDisplayMode(0, &want, &got) || got.w != want.w || got.h != want.h) {
            return fail_once("the display offers no such mode");
        }
        if (SDL_SetWindowDisplayMode(w->window, &got) != 0 ||
            SDL_SetWindowFullscreen(w->window, SDL_WINDOW_FULLSCREEN) != 0) {
            return fail_once(SDL_GetError());
        }
        return DISP_CHANGE_SUCCESSFUL;
    }

    // [SECTION] Message box

    void message_box(const char* text, const char* caption) override {
        const char* t = text ? text : "";
        const char* c = caption ? caption : "Error";  // MessageBoxA's caption for NULL
        const char* off = std::getenv("QZ_NO_MESSAGE_BOX");
        if ((off && *off) ||
            SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, c, t, nullptr) != 0) {
            std::fprintf(stderr, "%s: %s\n", c, t);
        }
    }

    // [SECTION] OpenGL context

    bool create_gl_context(HWND hwnd, const GlConfig& config, std::string* error) override {
        SdlWindow* w = find(hwnd);
        if (!w) {
            if (error)
                *error = "no such window";
            return false;
        }
        if (w->gl) {
            SDL_GL_DeleteContext(w->gl);
            w->gl = nullptr;
        }
        set_gl_attributes(config);
        w->gl = SDL_GL_CreateContext(w->window);
        if (!w->gl || SDL_GL_MakeCurrent(w->window, w->gl) != 0) {
            if (error)
                *error = SDL_GetError();
            if (w->gl)
                SDL_GL_DeleteContext(w->gl);
            w->gl = nullptr;
            return false;
        }
        return true;
    }

    void destroy_gl_context(HWND hwnd) override {
        SdlWindow* w = find(hwnd);
        if (!w || !w->gl)
            return;
        SDL_GL_MakeCurrent(w->window, nullptr);
        SDL_GL_DeleteContext(w->gl);
        w->gl = nullptr;
    }

    void swap_buffers(HWND hwnd) override {
        SdlWindow* w = find(hwnd);
        if (w && w->gl)
            SDL_GL_SwapWindow(w->window);
    }

    bool set_swap_interval(int interval) override {
        return started_ && SDL_GL_SetSwapInterval(interval) == 0;
    }

    void get_drawable_size(HWND hwnd, int* width, int* height) override {
        int dw = 0, dh = 0;
        if (SdlWindow* w = find(hwnd))
            SDL_GL_GetDrawableSize(w->window, &dw, &dh);
        if (width)
            *width = dw;
        if (height)
            *height = dh;
    }

private:
    SdlWindow* find(HWND hwnd) {
        auto it = windows_.find(hwnd);
        return it == windows_.end() ? nullptr : it->second.get();
    }

    // The frame of a window. The window manager reports it only once the
    // window is mapped; until then the last frame seen for captioned windows
    // stands in, so adjust_window_rect and the real frame agree.
    Borders borders_of(SdlWindow& w) {
        if (!(w.style & WS_CAPTION))
            return Borders{};
        Borders b;
        if ((SDL_GetWindowFlags(w.window) & SDL_WINDOW_SHOWN) &&
            SDL_GetWindowBordersSize(w.window, &b.top, &b.left, &b.bottom, &b.right) == 0) {
            caption_borders_ = b;
        }
        return caption_borders_;
    }

    Borders borders_for(std::uint32_t style) const {
        return (style & WS_CAPTION) ? caption_borders_ : Borders{};
    }

    long fail_once(const char* why) {
        if (!mode_failure_logged_) {
            std::fprintf(stderr, "window: display mode change failed: %s\n", why);
            mode_failure_logged_ = true;
        }
        return DISP_CHANGE_FAILED;
    }

    void pump() {
        if (started_)
            pump_sdl_events(queue_, by_id_, game_window_);
    }

    bool started_ = false;
    bool mode_failure_logged_ = false;
    std::map<std::string, WNDPROC> classes_;
    std::map<HWND, std::unique_ptr<SdlWindow>> windows_;
    std::map<std::uint32_t, HWND> by_id_;
    HWND game_window_ = nullptr;  // the last window created: full screen applies to it
    Borders caption_borders_;
    MessageQueue queue_;
};

}  // namespace

Backend& sdl_backend() {
    static SdlBackend backend;
    return backend;
}

}  // namespace platform::window
