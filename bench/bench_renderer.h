// The OpenGL 2 renderer the drawing benchmarks draw through: one hidden
// 1280 x 720 window and context per process, made on first use. Needs a
// display (run under xvfb-run -a); without one the renderer is null.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "qzware/scene/iqz_texture.h"
#include "qzware/win/qz_graphics_gl2.h"

namespace qz_bench {

// The shared renderer, or null (the reason printed once on stderr).
QZW::Win::CQzGraphicsGL2* Renderer();

// Render target 0 over the whole window, orthographic projection and no
// depth test: the 2D state the sprite and text frames are drawn in.
void Begin2D(QZW::Win::CQzGraphicsGL2* g);

// An opaque white RGBA8 texture, so the quads' colours reach the target
// unchanged; null when it cannot be made.
std::unique_ptr<QZW::IQzTexture> WhiteTexture(std::int32_t width, std::int32_t height,
                                              const char* name);

// Waits until the GPU has done everything queued so far (glFinish).
void FinishGpu();

// The timed loop of a drawing benchmark: the 2D state, then `drawFrame(n)`
// for frames n = 0, 1, ...; with `finish` each frame also waits for the GPU.
// The last wait keeps queued work from leaking into the next benchmark.
template <typename DrawFrame>
void DrawFrames(benchmark::State& state, QZW::Win::CQzGraphicsGL2* g, bool finish,
                std::int64_t itemsPerFrame, DrawFrame drawFrame) {
    int frame = 0;
    Begin2D(g);
    for (auto _ : state) {
        drawFrame(frame++);
        if (finish) {
            FinishGpu();
        }
    }
    FinishGpu();
    state.SetItemsProcessed(state.iterations() * itemsPerFrame);
}

}  // namespace qz_bench
