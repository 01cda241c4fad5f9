// The engine's window object and the window manager that routes the messages
// of the window class "QZ_WC" to window objects. Depends on platform::window
// and vho::Client. Main thread only.
// The class has no icon, cursor or background brush: the SDL window has no
// such class attributes (the system cursor and a GL-cleared client stand in).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/window.h"
#include "qzware/depend/win/vho/vho_client.h"

namespace QZW::Win {

using platform::win32::HINSTANCE;
using platform::win32::HWND;
using platform::win32::LPARAM;
using platform::win32::LRESULT;
using platform::win32::UINT;
using platform::win32::WPARAM;

class CQzWindow {
public:
    // Builds the manager first, so it outlives every window object.
    CQzWindow();
    // Unlists the window, so the manager never routes to a deleted object.
    virtual ~CQzWindow();
    CQzWindow(const CQzWindow&) = delete;
    CQzWindow& operator=(const CQzWindow&) = delete;

    // WM_DESTROY posts WM_QUIT; every message then goes to the default procedure.
    virtual LRESULT WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Lists this window with the manager and registers "QZ_WC" with the
    // manager's procedure; false when the class was already registered.
    bool Register(HINSTANCE instance);
    // Sends WM_CLOSE (the default procedure destroys the window), then unlists it.
    void Close();

    std::uint32_t clientWidth = 0;
    std::uint32_t clientHeight = 0;
    HWND hwnd = nullptr;
    vho::Client client;
};

class CQzWindowManager {
public:
    static CQzWindowManager& GetInstance();

    // The class procedure of "QZ_WC": the first listed window owning `hwnd`
    // gets the message; an unknown handle is adopted by the last listed window
    // (messages sent during creation come before the handle is known); 0 when
    // no window is listed.
    static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Appends the window unless it is already listed.
    void AddWindow(CQzWindow* window);
    // Unlists the window; later entries move up.
    void RemoveWindow(CQzWindow* window);
    // The first listed window (the game's), or null: the script globals for
    // full screen and resolution use its client.
    CQzWindow* GetFirstWindow() const;
    // Its handle, or null: the input layer's window.
    HWND GetFirstWindowHandle() const;

    std::vector<CQzWindow*> windows;  // not owned, in registration order
};

}  // namespace QZW::Win
