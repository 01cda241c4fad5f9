#include "qzware/win/qz_window.h"

#include <algorithm>

namespace QZW::Win {

namespace pw = platform::window;
using namespace platform::win32;

// [SECTION] CQzWindow

CQzWindow::CQzWindow() {
    CQzWindowManager::GetInstance();
}

CQzWindow::~CQzWindow() {
    CQzWindowManager::GetInstance().RemoveWindow(this);
}

LRESULT CQzWindow::WndProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    pw::Backend& backend = pw::current();
    if (message == WM_DESTROY)
        backend.post_quit_message(0);
    return backend.def_window_proc(h, message, wParam, lParam);
}

bool CQzWindow::Register(HINSTANCE) {
    CQzWindowManager::GetInstance().AddWindow(this);
    return pw::current().register_class("QZ_WC", &CQzWindowManager::WindowProc);
}

void CQzWindow::Close() {
    pw::current().send_message(hwnd, WM_CLOSE, 0, 0);
    CQzWindowManager::GetInstance().RemoveWindow(this);
}

// [SECTION] CQzWindowManager

CQzWindowManager& CQzWindowManager::GetInstance() {
    static CQzWindowManager manager;
    return manager;
}

LRESULT CQzWindowManager::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::vector<CQzWindow*>& list = GetInstance().windows;
    for (CQzWindow* w : list) {
        // Returns at once: the procedure may unlist windows.
        if (w->hwnd == hwnd)
            return w->WndProc(hwnd, message, wParam, lParam);
    }
    if (list.empty())
        return 0;
    CQzWindow* last = list.back();
    last->hwnd = hwnd;
    return last->WndProc(hwnd, message, wParam, lParam);
}

void CQzWindowManager::AddWindow(CQzWindow* window) {
    if (std::find(windows.begin(), windows.end(), window) == windows.end()) {
        windows.push_back(window);
    }
}

void CQzWindowManager::RemoveWindow(CQzWindow* window) {
    std::erase(windows, window);
}

CQzWindow* CQzWindowManager::GetFirstWindow() const {
    return windows.empty() ? nullptr : windows.front();
}

HWND CQzWindowManager::GetFirstWindowHandle() const {
    const CQzWindow* w = GetFirstWindow();
    return w ? w->hwnd : nullptr;
}

}  // namespace QZW::Win
