// The posted-message queue: TranslateMessage's characters come right after
// the key, text typed by a key travels with it, and a destroyed window's
// messages are gone. Driven through the in-memory desktop.
#include "platform/window/message_queue.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/window/vk_map.h"
#include "platform/window/window_null.h"

namespace {

using namespace platform::window;
using namespace platform::win32;

std::vector<Msg> g_seen;

LRESULT recording_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back(Msg{hwnd, message, wParam, lParam});
    return current().def_window_proc(hwnd, message, wParam, lParam);
}

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        ASSERT_TRUE(desk.register_class("test", &recording_proc));
        hwnd = desk.create_window("test", "queue", WS_CAPTION, 0, 0, 200, 100);
        ASSERT_NE(hwnd, nullptr);
    }
    NullBackend desk;
    ScopedBackend scoped{desk};
    HWND hwnd = nullptr;
};

struct TranslateCase {
    int vk;
    bool shift;
    std::vector<std::uint32_t> chars;
};

TEST_F(MessageQueueTest, TranslatedCharactersArriveBeforeLaterMessages) {
    const TranslateCase cases[] = {
        {VK_ESCAPE, false, {0x1B}}, {VK_RETURN, false, {0x0D}}, {VK_BACK, false, {0x08}},
        {'A', false, {'a'}},        {'A', true, {'A'}},         {'2', true, {'@'}},
        {VK_DECIMAL, false, {'.'}}, {VK_F1, false, {}},         {VK_LSHIFT, false, {}},
    };
    for (const TranslateCase& c : cases) {
        desk.inject_key(hwnd, c.vk, true, c.shift);
        desk.inject_key(hwnd, c.vk, false, c.shift);
        Msg m;
        ASSERT_TRUE(desk.get_message(&m));
        ASSERT_EQ(m.message, WM_KEYDOWN);
        EXPECT_EQ(int(m.wParam), generic_vk(c.vk));
        desk.translate_message(m);
        for (std::uint32_t ch : c.chars) {
            ASSERT_TRUE(desk.get_message(&m));
            EXPECT_EQ(m.message, WM_CHAR) << "vk " << c.vk;
            EXPECT_EQ(m.wParam, ch) << "vk " << c.vk;
            EXPECT_EQ(m.hwnd, hwnd);
        }
        ASSERT_TRUE(desk.get_message(&m));
        EXPECT_EQ(m.message, WM_KEYUP) << "vk " << c.vk << ": wrong number of WM_CHARs";
        EXPECT_TRUE(desk.queue().empty());
    }
}

TEST_F(MessageQueueTest, TranslatingAnotherKeyDownThanTheOneTakenUsesOnlyControlKeys) {
    desk.inject_key(hwnd, 'Q', true, true);
    Msg taken;
    ASSERT_TRUE(desk.get_message(&taken));
    // A key down made up by the caller never picks up the characters of another key.
    desk.translate_message(Msg{hwnd, WM_KEYDOWN, 'W', 1});
    EXPECT_TRUE(desk.queue().empty());
    desk.translate_message(Msg{hwnd, WM_KEYDOWN, WPARAM(VK_ESCAPE), 1});
    ASSERT_EQ(desk.queue().size(), 1u);
    EXPECT_EQ(desk.queue()[0].wParam, 0x1Bu);
}

TEST(MessageQueue, TextTypedByAKeyTravelsWithIt) {
    MessageQueue q;
    HWND h = reinterpret_cast<HWND>(std::uintptr_t(0x40));
    q.post(Msg{h, WM_KEYDOWN, 'E', 1});
    q.post(Msg{h, WM_KEYUP, 'E', 1});
    EXPECT_TRUE(q.attach_to_last_key_down({0xE9}));
    // The key already has its text: a second text event stays separate.
    EXPECT_FALSE(q.attach_to_last_key_down({0xEA}));
    Msg m;
    ASSERT_TRUE(q.take(&m));
    q.translate(m);
    ASSERT_TRUE(q.take(&m));
    EXPECT_EQ(m.message, WM_CHAR);
    EXPECT_EQ(m.wParam, 0xE9u);
    // Control keys never take text.
    q.post(Msg{h, WM_KEYDOWN, WPARAM(VK_RETURN), 1});
    EXPECT_FALSE(q.attach_to_last_key_down({'x'}));
}

TEST_F(MessageQueueTest, CloseDestroysTheWindowAndDropsItsQueuedMessages) {
    desk.post_message(hwnd, WM_CLOSE, 0, 0);
    desk.post_message(hwnd, WM_KEYDOWN, 'A', 1);
    desk.post_quit_message(3);
    Msg m;
    ASSERT_TRUE(desk.peek_message(&m));
    EXPECT_EQ(m.message, WM_CLOSE);
    ASSERT_TRUE(desk.get_message(&m));
    desk.dispatch_message(m);
    EXPECT_FALSE(desk.is_window(hwnd));
    ASSERT_GE(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[g_seen.size() - 2].message, WM_CLOSE);
    EXPECT_EQ(g_seen.back().message, WM_DESTROY);
    EXPECT_EQ(g_seen.back().hwnd, hwnd);
    // The key down of the dead window is gone; the quit message is not.
    EXPECT_FALSE(desk.get_message(&m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(desk.dispatch_message(Msg{hwnd, WM_CLOSE, 0, 0}), 0);
    EXPECT_EQ(g_seen.back().message, WM_DESTROY) << "a dead window got a message";
}

TEST(MessageQueue, CloseRequestsAndEscapeAreFoundAnywhereInTheQueue) {
    struct Case {
        std::vector<Msg> queued;
        bool escapeCounts;
        bool found;
    };
    const HWND w = reinterpret_cast<HWND>(1);
    const Msg keyA{w, WM_KEYDOWN, WPARAM('A'), 0};
    const Case cases[] = {
        {{}, true, false},
        {{keyA}, true, false},
        {{keyA, Msg{w, WM_CLOSE, 0, 0}}, false, true},
        {{Msg{nullptr, WM_QUIT, 0, 0}}, false, true},
        {{keyA, Msg{w, WM_KEYDOWN, WPARAM(VK_ESCAPE), 0}}, true, true},
        {{Msg{w, WM_KEYDOWN, WPARAM(VK_ESCAPE), 0}}, false, false},
        {{Msg{w, WM_CHAR, WPARAM(0x1B), 0}}, true, true},
        {{Msg{w, WM_KEYUP, WPARAM(VK_ESCAPE), 0}}, true, false},
    };
    for (const Case& c : cases) {
        MessageQueue q;
        for (const Msg& m : c.queued)
            q.post(m);
        EXPECT_EQ(c.found, q.has_close_request(c.escapeCounts))
            << c.queued.size() << " messages, escape " << c.escapeCounts;
    }
}

}  // namespace
