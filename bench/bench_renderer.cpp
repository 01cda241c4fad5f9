// The drawing benchmarks' shared window, renderer, white texture and GPU wait.
#include "bench/bench_renderer.h"

#include <GL/glew.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/window/window.h"
#include "qzware/win/qz_texture_gl.h"

namespace qz_bench {

namespace {

using namespace platform::window;

LRESULT BenchWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return current().def_window_proc(h, m, w, l);
}

}  // namespace

QZW::Win::CQzGraphicsGL2* Renderer() {
    static QZW::Win::CQzGraphicsGL2* renderer = []() -> QZW::Win::CQzGraphicsGL2* {
        Backend& backend = sdl_backend();
        set_current(&backend);
        std::string error;
        if (!backend.init(&error)) {
            std::fprintf(stderr, "no display: %s\n", error.c_str());
            return nullptr;
        }
        backend.register_class("QzBench", BenchWindowProc);
        HWND hwnd =
            backend.create_window("QzBench", "bench", platform::win32::WS_POPUP, 0, 0, 1280, 720);
        auto* g = new QZW::Win::CQzGraphicsGL2();
        if (hwnd == nullptr || !g->CreateContext(hwnd)) {
            std::fprintf(stderr, "no GL context\n");
            delete g;
            return nullptr;
        }
        return g;
    }();
    return renderer;
}

void Begin2D(QZW::Win::CQzGraphicsGL2* g) {
    g->SetFrameBuffer(0);
    g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
    g->SetOrthoProjection();
    g->DisableDepthTest();
}

void FinishGpu() {
    glFinish();
}

std::unique_ptr<QZW::IQzTexture> WhiteTexture(std::int32_t width, std::int32_t height,
                                              const char* name) {
    const std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4, 0xFF);
    return std::unique_ptr<QZW::IQzTexture>(QZW::Win::CQzTextureGL::CreateFromPixels(
        pixels.data(), width, height, name, GL_RGBA, GL_RGBA8));
}

}  // namespace qz_bench
