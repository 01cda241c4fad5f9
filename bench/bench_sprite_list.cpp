// CPU time per frame to fill a 10,000-quad sprite list and draw it through
// the OpenGL 2 renderer (one quad batch), in a hidden window; run under
// xvfb-run on Mesa llvmpipe. The _Finish variant also waits for the GPU.
#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/window.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_sprite_list.h"
#include "qzware/win/qz_graphics_gl2.h"
#include "qzware/win/qz_texture_gl.h"

namespace {

using namespace platform::window;

constexpr int kQuads = 10000;

LRESULT BenchWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return current().def_window_proc(h, m, w, l);
}

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

void FillAndDraw(QZW::Win::CQzGraphicsGL2* g, QZW::CQzSpriteList& list, int frame) {
    const float shift = float(frame % 8);
    for (int i = 0; i < kQuads; ++i) {
        list.AppendSpriteAnchored(8, 8, std::uint32_t(i % 16) * 8, 0, 1, 1, 0xFFFFFFFFu, 4,
                                  float(i % 160) * 8 + shift, float(i / 160) * 8, 0);
    }
    list.Draw(g);
}

void Run(benchmark::State& state, bool finish) {
    QZW::Win::CQzGraphicsGL2* g = Renderer();
    if (g == nullptr) {
        state.SkipWithError("no GL context (run under xvfb-run -a)");
        return;
    }
    // A 128 x 8 white atlas: sixteen 8 x 8 cells for the quads.
    const std::vector<std::uint8_t> pixels(128 * 8 * 4, 0xFF);
    const std::unique_ptr<QZW::IQzTexture> texture(QZW::Win::CQzTextureGL::CreateFromPixels(
        pixels.data(), 128, 8, "atlas", GL_RGBA, GL_RGBA8));
    if (texture == nullptr) {
        state.SkipWithError("the atlas could not be made");
        return;
    }
    QZW::CQzSpriteList list(kQuads, texture.get());
    int frame = 0;
    g->SetFrameBuffer(0);
    g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
    g->SetOrthoProjection();
    g->DisableDepthTest();
    for (auto _ : state) {
        FillAndDraw(g, list, frame++);
        if (finish) {
            glFinish();
        }
    }
    glFinish();
    state.SetItemsProcessed(state.iterations() * kQuads);
}

void BM_SpriteList10k(benchmark::State& state) {
    Run(state, false);
}
void BM_SpriteList10k_Finish(benchmark::State& state) {
    Run(state, true);
}

// The appends alone (no renderer), to split the frame's cost.
void BM_SpriteList10kFillOnly(benchmark::State& state) {
    QZW::CQzSpriteList list(kQuads, nullptr);
    int frame = 0;
    for (auto _ : state) {
        const float shift = float(frame++ % 8);
        for (int i = 0; i < kQuads; ++i) {
            list.AppendSpriteAnchored(8, 8, std::uint32_t(i % 16) * 8, 0, 1, 1, 0xFFFFFFFFu, 4,
                                      float(i % 160) * 8 + shift, float(i / 160) * 8, 0);
        }
        benchmark::DoNotOptimize(list.GetPositions());
        list.Clear();
    }
    state.SetItemsProcessed(state.iterations() * kQuads);
}

BENCHMARK(BM_SpriteList10kFillOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteList10k)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteList10k_Finish)->Unit(benchmark::kMicrosecond);

}  // namespace
