// An in-memory desktop for tests: windows are records, the message queue is
// a deque, display modes come from a list the test sets, and every call that
// would change the screen is recorded. Nothing is shown and nothing waits.
// Differs from Win32: get_message on an empty queue answers as WM_QUIT (so a
// loop under test ends); no GL: create_gl_context fails with a reason, swaps do
// nothing, the drawable is the client area; one display only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/message_queue.h"
#include "platform/window/window.h"

namespace platform::window {

class NullBackend final : public Backend {
public:
    // The frame a captioned window gets around its client (AdjustWindowRect
    // of WS_CAPTION without a sizing border); popup windows have none.
    struct Frame {
        std::int32_t left = 3, top = 26, right = 3, bottom = 3;
    };
    struct PosCall {
        HWND hwnd;
        bool topmost;
        int x, y, width, height;
        UINT flags;
    };
    struct StyleCall {
        HWND hwnd;
        std::uint32_t style;
    };
    struct ShowCall {
        HWND hwnd;
        int cmd;
    };
    struct ModeChange {
        DisplayMode mode;
        std::uint32_t flags;
        long result;
    };
    struct Box {
        std::string text, caption;
    };

    // A 1920 x 1080 desktop offering 1920 x 1080, 1280 x 720 and 1024 x 768 at 32 bits.
    NullBackend();
    ~NullBackend() override;

    // [SECTION] Test controls
    // The mode list (in enumeration order) and the mode in force; the desktop
    // rectangle follows the mode in force.
    void set_modes(std::vector<DisplayMode> modes, DisplayMode current);
    void set_frame(const Frame& frame) { frame_ = frame; }
    void set_init_error(std::string error) { init_error_ = std::move(error); }
    // Makes the next create_window calls fail (no display).
    void set_create_fails(bool fails) { create_fails_ = fails; }
    // Makes every mode change answer DISP_CHANGE_FAILED.
    void set_mode_changes_fail(bool fails) { mode_changes_fail_ = fails; }
    // Queues WM_KEYDOWN (or WM_KEYUP) as the keyboard would; shift decides the
    // character translate_message makes of it.
    void inject_key(HWND hwnd, int vk, bool down, bool shift = false);
    // The queued messages, oldest first.
    std::vector<Msg> queue() const;
    bool is_visible(HWND hwnd) const;
    std::uint32_t style_of(HWND hwnd) const;
    std::string class_of(HWND hwnd) const;
    std::size_t window_count() const { return windows_.size(); }

    std::vector<PosCall> pos_calls;
    std::vector<StyleCall> style_calls;
    std::vector<ShowCall> show_calls;
    std::vector<ModeChange> mode_changes;
    std::vector<Box> boxes;

    // [SECTION] Backend
    bool init(std::string* error) override;
    bool register_class(const char* class_name, WNDPROC proc) override;
    HWND create_window(const char* class_name, const char* caption, std::uint32_t style, int x,
                       int y, int outer_width, int outer_height) override;
    bool destroy_window(HWND hwnd) override;
    bool is_window(HWND hwnd) override;
    void set_window_style(HWND hwnd, std::uint32_t style) override;
    bool set_window_pos(HWND hwnd, bool topmost, int x, int y, int outer_width, int outer_height,
                        UINT flags) override;
    Rect get_window_rect(HWND hwnd) override;
    Rect get_client_rect(HWND hwnd) override;
    Rect get_desktop_rect() override;
    Rect adjust_window_rect(const Rect& client, std::uint32_t style) override;
    void show_window(HWND hwnd, int cmd) override;
    void update_window(HWND hwnd) override;
    HWND find_window(const char* caption) override;
    bool peek_message(Msg* out) override;
    bool get_message(Msg* out) override;
    void translate_message(const Msg& msg) override;
    LRESULT dispatch_message(const Msg& msg) override;
    LRESULT send_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void post_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void post_quit_message(int exit_code) override;
    bool close_requested(bool escape_counts) override;
    LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool enum_display_settings(std::uint32_t index, DisplayMode* out) override;
    bool current_display_mode(DisplayMode* out) override;
    long change_display_settings(const DisplayMode& mode, std::uint32_t flags) override;
    void message_box(const char* text, const char* caption) override;
    bool create_gl_context(HWND hwnd, const GlConfig& config, std::string* error) override;
    void destroy_gl_context(HWND hwnd) override;
    void swap_buffers(HWND hwnd) override;
    bool set_swap_interval(int interval) override;
    void get_drawable_size(HWND hwnd, int* width, int* height) override;

private:
    struct Window;
    Window* find(HWND hwnd) const;
    Frame frame_for(std::uint32_t style) const;

    std::map<std::string, WNDPROC> classes_;
    std::map<HWND, std::unique_ptr<Window>> windows_;
    MessageQueue queue_;
    std::vector<DisplayMode> modes_;
    DisplayMode current_mode_;
    Frame frame_;
    std::string init_error_;
    bool create_fails_ = false;
    bool mode_changes_fail_ = false;
};

// Installs a backend for one scope and restores the SDL2 backend after.
class ScopedBackend {
public:
    explicit ScopedBackend(Backend& backend) { set_current(&backend); }
    ~ScopedBackend() { set_current(nullptr); }
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;
};

}  // namespace platform::window
