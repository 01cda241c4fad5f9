// CPU time per frame to fill a 10,000-quad sprite list and draw it through
// the OpenGL 2 renderer (one quad batch), in a hidden window; run under
// xvfb-run on Mesa llvmpipe. The _Finish variant also waits for the GPU.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_renderer.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_sprite_list.h"

namespace {

constexpr int kQuads = 10000;

void FillAndDraw(QZW::Win::CQzGraphicsGL2* g, QZW::CQzSpriteList& list, int frame) {
    const float shift = float(frame % 8);
    for (int i = 0; i < kQuads; ++i) {
        list.AppendSpriteAnchored(8, 8, std::uint32_t(i % 16) * 8, 0, 1, 1, 0xFFFFFFFFu, 4,
                                  float(i % 160) * 8 + shift, float(i / 160) * 8, 0);
    }
    list.Draw(g);
}

void Run(benchmark::State& state, bool finish) {
    QZW::Win::CQzGraphicsGL2* g = qz_bench::Renderer();
    if (g == nullptr) {
        state.SkipWithError("no GL context (run under xvfb-run -a)");
        return;
    }
    // A 128 x 8 white atlas: sixteen 8 x 8 cells for the quads.
    const std::unique_ptr<QZW::IQzTexture> texture = qz_bench::WhiteTexture(128, 8, "atlas");
    if (texture == nullptr) {
        state.SkipWithError("the atlas could not be made");
        return;
    }
    QZW::CQzSpriteList list(kQuads, texture.get());
    qz_bench::DrawFrames(state, g, finish, kQuads, [&](int frame) { FillAndDraw(g, list, frame); });
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
