// Frame pacing on the real clock: 600 paced frames with a little work each;
// reports the mean frame period and its spread (standard deviation) in ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "qzware/depend/win/vho/vho_fps.h"

namespace {

void BM_FramePacing600(benchmark::State& state) {
    for (auto _ : state) {
        vho::FPS fps;
        fps.Initialize(60);
        fps.Wait();  // the first wait starts the schedule
        std::vector<double> periods;
        periods.reserve(600);
        auto last = std::chrono::steady_clock::now();
        for (int i = 0; i < 600; ++i) {
            fps.Wait();
            const auto now = std::chrono::steady_clock::now();
            periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        }
        double sum = 0.0;
        for (double p : periods) {
            sum += p;
        }
        const double mean = sum / double(periods.size());
        double var = 0.0;
        for (double p : periods) {
            var += (p - mean) * (p - mean);
        }
        state.counters["mean_ms"] = mean;
        state.counters["stddev_ms"] = std::sqrt(var / double(periods.size()));
    }
}
BENCHMARK(BM_FramePacing600)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
