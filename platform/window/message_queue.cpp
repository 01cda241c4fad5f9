#include "platform/window/message_queue.h"

#include <algorithm>
#include <utility>

#include "platform/window/vk_map.h"

namespace platform::window {

using namespace platform::win32;

void MessageQueue::post(const Msg& msg, std::vector<std::uint32_t> chars) {
    entries_.push_back(Entry{msg, std::move(chars)});
}

bool MessageQueue::peek(Msg* out) const {
    if (entries_.empty())
        return false;
    if (out)
        *out = entries_.front().msg;
    return true;
}

bool MessageQueue::take(Msg* out) {
    if (entries_.empty())
        return false;
    last_taken_ = std::move(entries_.front());
    entries_.pop_front();
    if (out)
        *out = last_taken_.msg;
    return true;
}

void MessageQueue::translate(const Msg& msg) {
    if (msg.message != WM_KEYDOWN)
        return;
    const int vk = int(msg.wParam);
    std::vector<std::uint32_t> chars;
    if (is_control_char_key(vk)) {
        chars.push_back(std::uint32_t(vk));
    } else {
        const Msg& t = last_taken_.msg;
        if (t.hwnd == msg.hwnd && t.message == msg.message && t.wParam == msg.wParam &&
            t.lParam == msg.lParam) {
            chars = last_taken_.chars;
        }
    }
    // Insert in reverse at the front so they come out in typing order.
    for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
        entries_.push_front(Entry{Msg{msg.hwnd, WM_CHAR, WPARAM(*it), msg.lParam}, {}});
    }
}

bool MessageQueue::attach_to_last_key_down(const std::vector<std::uint32_t>& chars) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->msg.message != WM_KEYDOWN)
            continue;
        if (!it->chars.empty() || is_control_char_key(int(it->msg.wParam)))
            return false;
        it->chars = chars;
        return true;
    }
    return false;
}

bool MessageQueue::contains(HWND hwnd, UINT message) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.msg.hwnd == hwnd && e.msg.message == message;
    });
}

bool MessageQueue::has_close_request(bool escape_counts) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
        const UINT m = e.msg.message;
        const bool escape = (m == WM_KEYDOWN || m == WM_CHAR) && e.msg.wParam == WPARAM(VK_ESCAPE);
        return m == WM_CLOSE || m == WM_QUIT || (escape_counts && escape);
    });
}

void MessageQueue::remove_window(HWND hwnd) {
    std::erase_if(entries_, [&](const Entry& e) { return e.msg.hwnd == hwnd; });
    if (last_taken_.msg.hwnd == hwnd)
        last_taken_ = Entry{};
}

std::vector<Msg> MessageQueue::messages() const {
    std::vector<Msg> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_)
        out.push_back(e.msg);
    return out;
}

}  // namespace platform::window
