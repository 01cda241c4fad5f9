// Window objects and the manager's routing of "QZ_WC" messages, on the
// in-memory desktop.
#include "qzware/win/qz_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/window/window_null.h"

namespace {

using namespace platform::window;
using namespace platform::win32;
using QZW::Win::CQzWindow;
using QZW::Win::CQzWindowManager;

class RecordingWindow : public CQzWindow {
public:
    LRESULT WndProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(Msg{h, message, wParam, lParam});
        return CQzWindow::WndProc(h, message, wParam, lParam);
    }
    std::vector<Msg> seen;
};

HWND fake_handle(std::uintptr_t n) {
    return reinterpret_cast<HWND>(n * 16u);
}

class QzWindowTest : public ::testing::Test {
protected:
    void SetUp() override { manager().windows.clear(); }
    void TearDown() override { manager().windows.clear(); }
    static CQzWindowManager& manager() { return CQzWindowManager::GetInstance(); }
    NullBackend desk;
    ScopedBackend scoped{desk};
};

TEST_F(QzWindowTest, WindowProcRoutesByHandleAndTheLastWindowAdoptsUnknownOnes) {
    EXPECT_EQ(CQzWindowManager::WindowProc(fake_handle(1), WM_SIZE, 0, 0), 0)
        << "an empty list must answer 0";
    RecordingWindow a, b;
    a.hwnd = fake_handle(1);
    b.hwnd = fake_handle(2);
    manager().AddWindow(&a);
    manager().AddWindow(&b);
    manager().AddWindow(&a);  // listed once only
    ASSERT_EQ(manager().windows.size(), 2u);

    const struct {
        HWND target;
        RecordingWindow* receiver;
    } cases[] = {{fake_handle(1), &a}, {fake_handle(2), &b}, {fake_handle(3), &b}};
    for (const auto& c : cases) {
        const std::size_t a_before = a.seen.size(), b_before = b.seen.size();
        CQzWindowManager::WindowProc(c.target, WM_SIZE, 1, 2);
        RecordingWindow* other = c.receiver == &a ? &b : &a;
        ASSERT_EQ(c.receiver->seen.size(), (c.receiver == &a ? a_before : b_before) + 1);
        EXPECT_EQ(other->seen.size(), other == &a ? a_before : b_before);
        EXPECT_EQ(c.receiver->seen.back().hwnd, c.target);
    }
    EXPECT_EQ(b.hwnd, fake_handle(3)) << "the last window did not adopt the unknown handle";
    EXPECT_EQ(manager().GetFirstWindow(), &a);
    EXPECT_EQ(manager().GetFirstWindowHandle(), fake_handle(1));
}

TEST_F(QzWindowTest, CreationMessagesReachTheWindowBeingCreated) {
    RecordingWindow first, second;
    ASSERT_TRUE(first.Register(nullptr));
    EXPECT_FALSE(second.Register(nullptr)) << "the class is already registered";
    EXPECT_EQ(manager().windows.size(), 2u);
    manager().RemoveWindow(&second);

    HWND h = first.client.Create(nullptr, "QZ_WC", "Vornakle", 1280, 720);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(first.hwnd, h) << "WM_CREATE should have handed the window its handle";
    ASSERT_FALSE(first.seen.empty());
    EXPECT_EQ(first.seen.front().message, WM_CREATE);
    EXPECT_EQ(desk.class_of(h), "QZ_WC");
}

TEST_F(QzWindowTest, CloseDestroysTheWindowPostsQuitAndUnlistsIt) {
    RecordingWindow game, other;
    ASSERT_TRUE(game.Register(nullptr));
    HWND h = game.client.Create(nullptr, "QZ_WC", "Vornakle", 1280, 720);
    ASSERT_NE(h, nullptr);
    manager().AddWindow(&other);

    game.Close();
    EXPECT_FALSE(desk.is_window(h));
    ASSERT_GE(game.seen.size(), 2u);
    EXPECT_EQ(game.seen[game.seen.size() - 2].message, WM_CLOSE);
    EXPECT_EQ(game.seen.back().message, WM_DESTROY);
    EXPECT_TRUE(other.seen.empty());
    ASSERT_EQ(manager().windows.size(), 1u);
    EXPECT_EQ(manager().windows[0], &other) << "later entries move up";
    Msg m;
    EXPECT_FALSE(desk.get_message(&m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_TRUE(desk.queue().empty()) << "WM_DESTROY must post exactly one WM_QUIT";
}

TEST_F(QzWindowTest, DeletedWindowIsNoLongerRoutedTo) {
    RecordingWindow keep;
    manager().AddWindow(&keep);
    auto gone = std::make_unique<RecordingWindow>();
    manager().AddWindow(gone.get());
    gone.reset();
    ASSERT_EQ(manager().windows.size(), 1u);
    CQzWindowManager::WindowProc(fake_handle(9), WM_SIZE, 0, 0);
    EXPECT_EQ(keep.seen.size(), 1u);
}

}  // namespace
