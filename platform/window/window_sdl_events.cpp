#include "platform/window/window_sdl_events.h"

#include <SDL.h>

#include "platform/window/vk_map.h"

namespace platform::window {
namespace {

using namespace platform::win32;

struct Routes {
    MessageQueue& queue;
    const std::map<std::uint32_t, HWND>& by_id;
    HWND game_window;

    // Keys without a window (focus elsewhere in the process) go to the game window.
    HWND hwnd_of(Uint32 id, bool or_game_window) const {
        auto it = by_id.find(id);
        if (it != by_id.end())
            return it->second;
        return or_game_window ? game_window : nullptr;
    }

    void post_close(HWND hwnd) {
        // SDL reports a closed last window twice (window close, then quit).
        if (!queue.contains(hwnd, WM_CLOSE))
            queue.post(Msg{hwnd, WM_CLOSE, 0, 0});
    }
};

void on_window_event(Routes& r, const SDL_WindowEvent& we) {
    HWND hwnd = r.hwnd_of(we.windowID, false);
    if (!hwnd)
        return;
    switch (we.event) {
        case SDL_WINDOWEVENT_CLOSE:
            r.post_close(hwnd);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            const std::uint32_t size =
                (std::uint32_t(we.data2) & 0xFFFFu) << 16 | (std::uint32_t(we.data1) & 0xFFFFu);
            r.queue.post(Msg{hwnd, WM_SIZE, 0, LPARAM(size)});
            break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            r.queue.post(Msg{hwnd, WM_SETFOCUS, 0, 0});
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            r.queue.post(Msg{hwnd, WM_KILLFOCUS, 0, 0});
            break;
        default:
            break;
    }
}

void on_key(Routes& r, const SDL_KeyboardEvent& ke) {
    const int vk = vk_from_scancode(int(ke.keysym.scancode));
    HWND hwnd = r.hwnd_of(ke.windowID, true);
    if (vk == 0 || !hwnd)
        return;
    const bool down = ke.type == SDL_KEYDOWN;
    // Win32 key lParam: repeat count 1, scan code in bits 16-23, bit 30 the
    // previous state, bit 31 the transition.
    std::uint32_t lp = 1u | (std::uint32_t(ke.keysym.scancode) & 0xFFu) << 16;
    if (!down || ke.repeat)
        lp |= 1u << 30;
    if (!down)
        lp |= 1u << 31;
    // With text input on, the characters come from SDL_TEXTINPUT (keyboard
    // layout aware); without it, from the key on a US layout.
    std::vector<std::uint32_t> chars;
    if (down && !SDL_IsTextInputActive() && !is_control_char_key(vk)) {
        if (std::uint32_t c = char_from_vk(vk, (ke.keysym.mod & KMOD_SHIFT) != 0)) {
            chars.push_back(c);
        }
    }
    r.queue.post(Msg{hwnd, down ? WM_KEYDOWN : WM_KEYUP, WPARAM(generic_vk(vk)), LPARAM(lp)},
                 std::move(chars));
}

void on_text(Routes& r, const SDL_TextInputEvent& te) {
    HWND hwnd = r.hwnd_of(te.windowID, true);
    if (!hwnd)
        return;
    const std::vector<std::uint32_t> chars = decode_utf8(te.text);
    if (chars.empty() || r.queue.attach_to_last_key_down(chars))
        return;
    // Text without a waiting key (an input method): the characters alone.
    for (std::uint32_t c : chars)
        r.queue.post(Msg{hwnd, WM_CHAR, WPARAM(c), 1});
}

}  // namespace

void pump_sdl_events(MessageQueue& queue, const std::map<std::uint32_t, HWND>& by_id,
                     HWND game_window) {
    Routes r{queue, by_id, game_window};
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_WINDOWEVENT:
                on_window_event(r, e.window);
                break;
            case SDL_QUIT:
                if (game_window) {
                    r.post_close(game_window);
                } else {
                    queue.post(Msg{nullptr, WM_QUIT, 0, 0});
                }
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                on_key(r, e.key);
                break;
            case SDL_TEXTINPUT:
                on_text(r, e.text);
                break;
            default:
                break;
        }
    }
}

std::vector<std::uint32_t> decode_utf8(const char* text) {
    std::vector<std::uint32_t> out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        std::uint32_t c = *p;
        const int extra = c < 0x80         ? 0
                          : (c >> 5) == 6  ? 1
                          : (c >> 4) == 14 ? 2
                          : (c >> 3) == 30 ? 3
                                           : -1;
        int i = 1;
        if (extra > 0) {
            c &= 0x3Fu >> extra;
            for (; i <= extra && (p[i] & 0xC0) == 0x80; ++i)
                c = (c << 6) | (p[i] & 0x3Fu);
        }
        if (extra < 0 || i <= extra) {
            out.push_back(0xFFFD);
            ++p;
            continue;
        }
        out.push_back(c);
        p += extra + 1;
    }
    return out;
}

}  // namespace platform::window
