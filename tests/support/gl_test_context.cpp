// Hidden test window, its renderer, and a backend wrapper that can report a
// different drawable size.
#include "tests/support/gl_test_context.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/window/window.h"
#include "qzware/win/qz_texture_gl.h"

namespace gl_test {
namespace {

using namespace platform::window;

// Forwards to the SDL backend; only the drawable size can be overridden.
class SizedBackend : public Backend {
public:
    explicit SizedBackend(Backend& real) : real(real) {}
    int width = 0, height = 0;

    bool init(std::string* e) override { return real.init(e); }
    bool register_class(const char* n, WNDPROC p) override { return real.register_class(n, p); }
    HWND create_window(const char* c, const char* t, std::uint32_t s, int x, int y, int w,
                       int h) override {
        return real.create_window(c, t, s, x, y, w, h);
    }
    bool destroy_window(HWND h) override { return real.destroy_window(h); }
    bool is_window(HWND h) override { return real.is_window(h); }
    void set_window_style(HWND h, std::uint32_t s) override { real.set_window_style(h, s); }
    bool set_window_pos(HWND h, bool t, int x, int y, int w, int hh, UINT f) override {
        return real.set_window_pos(h, t, x, y, w, hh, f);
    }
    Rect get_window_rect(HWND h) override { return real.get_window_rect(h); }
    Rect get_client_rect(HWND h) override { return real.get_client_rect(h); }
    Rect get_desktop_rect() override { return real.get_desktop_rect(); }
    Rect adjust_window_rect(const Rect& c, std::uint32_t s) override {
        return real.adjust_window_rect(c, s);
    }
    void show_window(HWND h, int c) override { real.show_window(h, c); }
    void update_window(HWND h) override { real.update_window(h); }
    HWND find_window(const char* c) override { return real.find_window(c); }
    bool peek_message(Msg* m) override { return real.peek_message(m); }
    bool get_message(Msg* m) override { return real.get_message(m); }
    bool close_requested(bool e) override { return real.close_requested(e); }
    void translate_message(const Msg& m) override { real.translate_message(m); }
    LRESULT dispatch_message(const Msg& m) override { return real.dispatch_message(m); }
    LRESULT send_message(HWND h, UINT m, WPARAM w, LPARAM l) override {
        return real.send_message(h, m, w, l);
    }
    void post_message(HWND h, UINT m, WPARAM w, LPARAM l) override {
        real.post_message(h, m, w, l);
    }
    void post_quit_message(int c) override { real.post_quit_message(c); }
    LRESULT def_window_proc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        return real.def_window_proc(h, m, w, l);
    }
    bool enum_display_settings(std::uint32_t i, DisplayMode* o) override {
        return real.enum_display_settings(i, o);
    }
    bool current_display_mode(DisplayMode* o) override { return real.current_display_mode(o); }
    long change_display_settings(const DisplayMode& m, std::uint32_t f) override {
        return real.change_display_settings(m, f);
    }
    void message_box(const char* t, const char* c) override { real.message_box(t, c); }
    bool create_gl_context(HWND h, const GlConfig& c, std::string* e) override {
        return real.create_gl_context(h, c, e);
    }
    void destroy_gl_context(HWND h) override { real.destroy_gl_context(h); }
    void swap_buffers(HWND h) override { real.swap_buffers(h); }
    bool set_swap_interval(int i) override { return real.set_swap_interval(i); }
    void get_drawable_size(HWND h, int* w, int* hh) override {
        real.get_drawable_size(h, w, hh);
        if (width > 0 && height > 0) {
            *w = width;
            *hh = height;
        }
    }

private:
    Backend& real;
};

LRESULT TestWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return current().def_window_proc(h, m, w, l);
}

struct State {
    SizedBackend* backend = nullptr;
    QZW::Win::CQzGraphicsGL2* renderer = nullptr;
    bool tried = false;
};

State& state() {
    static State s;
    return s;
}

}  // namespace

QZW::Win::CQzGraphicsGL2* Renderer() {
    State& s = state();
    if (!s.tried) {
        s.tried = true;
        s.backend = new SizedBackend(sdl_backend());
        set_current(s.backend);
        std::string error;
        if (!s.backend->init(&error)) {
            ADD_FAILURE() << "no display (run under xvfb-run -a): " << error;
            return nullptr;
        }
        s.backend->register_class("QzGlTest", TestWindowProc);
        HWND hwnd = s.backend->create_window("QzGlTest", "gl test", platform::win32::WS_POPUP, 0, 0,
                                             320, 240);
        if (hwnd == nullptr) {
            ADD_FAILURE() << "cannot create the test window";
            return nullptr;
        }
        auto* renderer = new QZW::Win::CQzGraphicsGL2();
        if (!renderer->CreateContext(hwnd)) {
            ADD_FAILURE() << "renderer start failed: " << renderer->GetErrorText();
            delete renderer;
            return nullptr;
        }
        s.renderer = renderer;
    }
    if (s.renderer == nullptr) {
        ADD_FAILURE() << "the GL context could not be made";
    }
    return s.renderer;
}

void SetReportedClientSize(int width, int height) {
    if (state().backend != nullptr) {
        state().backend->width = width;
        state().backend->height = height;
    }
}

Pixel ReadPixel(int x, int y) {
    std::uint8_t p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

QZW::IQzTexture* MakeTexel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const std::uint8_t pixel[4] = {r, g, b, a};
    return QZW::Win::CQzTextureGL::CreateFromPixels(pixel, 1, 1, "texel", GL_RGBA, GL_RGBA);
}

int ImageWidth(QZW::IQzTexture* texture) {
    GLint width = -1;
    glBindTexture(GL_TEXTURE_2D, texture->GetTextureId());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glBindTexture(GL_TEXTURE_2D, 0);
    return width;
}

}  // namespace gl_test
