#include "platform/window/window_null.h"

#include <algorithm>

#include "platform/window/vk_map.h"

namespace platform::window {

using namespace platform::win32;

struct NullBackend::Window {
    std::string class_name, caption;
    WNDPROC proc = nullptr;
    std::uint32_t style = 0;
    Rect outer;
    bool visible = false;
    bool destroying = false;  // WM_DESTROY is sent once even if the procedure destroys again
};

namespace {

// Handles are numbers that are never dereferenced, so a stale one can only
// miss the lookup.
HWND handle_from_number(std::uintptr_t n) {
    return reinterpret_cast<HWND>(n * 16u);
}

std::uintptr_t g_next_handle = 1;

}  // namespace

// [SECTION] Test controls

NullBackend::NullBackend() {
    set_modes({{1920, 1080, 32, 60}, {1280, 720, 32, 60}, {1024, 768, 32, 60}},
              {1920, 1080, 32, 60});
}

NullBackend::~NullBackend() = default;

void NullBackend::set_modes(std::vector<DisplayMode> modes, DisplayMode current) {
    modes_ = std::move(modes);
    current_mode_ = current;
}

void NullBackend::inject_key(HWND hwnd, int vk, bool down, bool shift) {
    std::vector<std::uint32_t> chars;
    if (down && !is_control_char_key(vk)) {
        if (std::uint32_t c = char_from_vk(vk, shift))
            chars.push_back(c);
    }
    queue_.post(Msg{hwnd, down ? WM_KEYDOWN : WM_KEYUP, WPARAM(generic_vk(vk)), 1}, chars);
}

std::vector<Msg> NullBackend::queue() const {
    return queue_.messages();
}

bool NullBackend::is_visible(HWND hwnd) const {
    const Window* w = find(hwnd);
    return w && w->visible;
}

std::uint32_t NullBackend::style_of(HWND hwnd) const {
    const Window* w = find(hwnd);
    return w ? w->style : 0;
}

std::string NullBackend::class_of(HWND hwnd) const {
    const Window* w = find(hwnd);
    return w ? w->class_name : std::string();
}

NullBackend::Window* NullBackend::find(HWND hwnd) const {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : it->second.get();
}

NullBackend::Frame NullBackend::frame_for(std::uint32_t style) const {
    return (style & WS_CAPTION) ? frame_ : Frame{0, 0, 0, 0};
}

// [SECTION] Windows

bool NullBackend::init(std::string* error) {
    if (init_error_.empty())
        return true;
    if (error)
        *error = init_error_;
    return false;
}

bool NullBackend::register_class(const char* class_name, WNDPROC proc) {
    if (!class_name || !proc)
        return false;
    return classes_.emplace(class_name, proc).second;
}

HWND NullBackend::create_window(const char* class_name, const char* caption, std::uint32_t style,
                                int x, int y, int outer_width, int outer_height) {
    if (create_fails_ || !class_name)
        return nullptr;
    auto cls = classes_.find(class_name);
    if (cls == classes_.end())
        return nullptr;
    auto w = std::make_unique<Window>();
    w->class_name = class_name;
    w->caption = caption ? caption : "";
    w->proc = cls->second;
    w->style = style;
    // "Let the system place it" puts the window at the desktop's corner.
    if (x == CW_USEDEFAULT)
        x = y = 0;
    w->outer = Rect{x, y, x + outer_width, y + outer_height};
    w->visible = (style & WS_VISIBLE) != 0;
    HWND hwnd = handle_from_number(g_next_handle++);
    WNDPROC proc = w->proc;
    windows_.emplace(hwnd, std::move(w));
    // WM_CREATE answering -1 refuses the window, as on Win32.
    if (proc(hwnd, WM_CREATE, 0, 0) == -1) {
        destroy_window(hwnd);
        return nullptr;
    }
    return hwnd;
}

bool NullBackend::destroy_window(HWND hwnd) {
    Window* w = find(hwnd);
    if (!w || w->destroying)
        return false;
    w->destroying = true;
    w->proc(hwnd, WM_DESTROY, 0, 0);
    windows_.erase(hwnd);
    queue_.remove_window(hwnd);
    return true;
}

bool NullBackend::is_window(HWND hwnd) {
    return find(hwnd) != nullptr;
}

void NullBackend::set_window_style(HWND hwnd, std::uint32_t style) {
    style_calls.push_back({hwnd, style});
    if (Window* w = find(hwnd))
        w->style = style;
}

bool NullBackend::set_window_pos(HWND hwnd, bool topmost, int x, int y, int outer_width,
                                 int outer_height, UINT flags) {
    pos_calls.push_back({hwnd, topmost, x, y, outer_width, outer_height, flags});
    Window* w = find(hwnd);
    if (!w)
        return false;
    w->outer = Rect{x, y, x + outer_width, y + outer_height};
    if (flags & SWP_SHOWWINDOW)
        w->visible = true;
    if (flags & SWP_HIDEWINDOW)
        w->visible = false;
    return true;
}

Rect NullBackend::get_window_rect(HWND hwnd) {
    const Window* w = find(hwnd);
    return w ? w->outer : Rect{};
}

Rect NullBackend::get_client_rect(HWND hwnd) {
    const Window* w = find(hwnd);
    if (!w)
        return Rect{};
    const Frame f = frame_for(w->style);
    const std::int32_t cw = std::max(0, w->outer.width() - f.left - f.right);
    const std::int32_t ch = std::max(0, w->outer.height() - f.top - f.bottom);
    return Rect{0, 0, cw, ch};
}

Rect NullBackend::get_desktop_rect() {
    return Rect{0, 0, std::int32_t(current_mode_.width), std::int32_t(current_mode_.height)};
}

Rect NullBackend::adjust_window_rect(const Rect& client, std::uint32_t style) {
    const Frame f = frame_for(style);
    return Rect{client.left - f.left, client.top - f.top, client.right + f.right,
                client.bottom + f.bottom};
}

void NullBackend::show_window(HWND hwnd, int cmd) {
    show_calls.push_back({hwnd, cmd});
    if (Window* w = find(hwnd))
        w->visible = (cmd != SW_HIDE);
}

void NullBackend::update_window(HWND) {}

HWND NullBackend::find_window(const char* caption) {
    for (const auto& [hwnd, w] : windows_) {
        if (caption && w->caption == caption)
            return hwnd;
    }
    return nullptr;
}

// [SECTION] Message queue

bool NullBackend::peek_message(Msg* out) {
    return queue_.peek(out);
}

bool NullBackend::get_message(Msg* out) {
    Msg m;
    if (!queue_.take(&m))
        m = Msg{nullptr, WM_QUIT, 0, 0};
    if (out)
        *out = m;
    return m.message != WM_QUIT;
}

void NullBackend::translate_message(const Msg& msg) {
    queue_.translate(msg);
}

LRESULT NullBackend::dispatch_message(const Msg& msg) {
    return send_message(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT NullBackend::send_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    return w ? w->proc(hwnd, message, wParam, lParam) : 0;
}

void NullBackend::post_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::vector<std::uint32_t> chars;
    if (message == WM_KEYDOWN && !is_control_char_key(int(wParam))) {
        if (std::uint32_t c = char_from_vk(int(wParam), false))
            chars.push_back(c);
    }
    queue_.post(Msg{hwnd, message, wParam, lParam}, chars);
}

void NullBackend::post_quit_message(int exit_code) {
    queue_.post(Msg{nullptr, WM_QUIT, WPARAM(exit_code), 0});
}

bool NullBackend::close_requested(bool escape_counts) {
    return queue_.has_close_request(escape_counts);
}

LRESULT NullBackend::def_window_proc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE)
        destroy_window(hwnd);
    return 0;
}

// [SECTION] Display modes

bool NullBackend::enum_display_settings(std::uint32_t index, DisplayMode* out) {
    if (index >= modes_.size())
        return false;
    if (out)
        *out = modes_[index];
    return true;
}

bool NullBackend::current_display_mode(DisplayMode* out) {
    if (out)
        *out = current_mode_;
    return true;
}

long NullBackend::change_display_settings(const DisplayMode& mode, std::uint32_t flags) {
    long result = DISP_CHANGE_FAILED;
    if (!mode_changes_fail_) {
        auto it = std::find_if(modes_.begin(), modes_.end(), [&](const DisplayMode& m) {
            return m.width == mode.width && m.height == mode.height;
        });
        if (it != modes_.end()) {
            current_mode_ = *it;
            result = DISP_CHANGE_SUCCESSFUL;
        }
    }
    mode_changes.push_back({mode, flags, result});
    return result;
}

// [SECTION] Message box and GL

void NullBackend::message_box(const char* text, const char* caption) {
    boxes.push_back({text ? text : "", caption ? caption : ""});
}

bool NullBackend::create_gl_context(HWND, const GlConfig&, std::string* error) {
    if (error)
        *error = "the in-memory desktop has no OpenGL";
    return false;
}

void NullBackend::destroy_gl_context(HWND) {}

void NullBackend::swap_buffers(HWND) {}

bool NullBackend::set_swap_interval(int) {
    return false;
}

void NullBackend::get_drawable_size(HWND hwnd, int* width, int* height) {
    const Rect c = get_client_rect(hwnd);
    if (width)
        *width = c.width();
    if (height)
        *height = c.height();
}

}  // namespace platform::window
