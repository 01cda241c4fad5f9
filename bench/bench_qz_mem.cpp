// The engine allocator (pools plus heap, each call under "MemManLocker")
// against the C library's malloc, on the game's mix of request sizes; alone
// and with a second thread allocating file buffers as the loader does.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "qzware/common/qz_mem.h"

namespace {

constexpr int kSlots = 512;
constexpr int kSizes = 4096;

// Mostly small script and vertex buffers that fit the pools, some larger
// heap blocks, a few file-sized ones.
std::vector<std::uint32_t> MakeGameSizes() {
    std::mt19937 rng(1234);
    std::vector<std::uint32_t> sizes(kSizes);
    for (std::uint32_t& s : sizes) {
        const unsigned roll = rng() % 100;
        s = roll < 50   ? 8 + rng() % 57
            : roll < 70 ? 65 + rng() % 192
            : roll < 75 ? 257 + rng() % 256
            : roll < 80 ? 513 + rng() % 512
            : roll < 98 ? 1025 + rng() % 64512
                        : 65536 + rng() % 196608;
    }
    return sizes;
}

// The loader's reads: whole files plus the eight zero bytes.
std::vector<std::uint32_t> MakeLoaderSizes() {
    std::mt19937 rng(99);
    std::vector<std::uint32_t> sizes(kSizes);
    for (std::uint32_t& s : sizes) {
        s = 4096 + rng() % (512 * 1024) + 8;
    }
    return sizes;
}

const std::vector<std::uint32_t>& Sizes(bool loader) {
    static const std::vector<std::uint32_t> game = MakeGameSizes();
    static const std::vector<std::uint32_t> files = MakeLoaderSizes();
    return loader ? files : game;
}

void EnsureEngineHeap() {
    static const bool ready = [] {
        QzMemManagerCreate();
        QzMemEnablePools(true);
        return true;
    }();
    (void)ready;
}

struct EngineAllocator {
    static void* Alloc(std::uint32_t size) { return QzMemAllocLocked(size, 8); }
    static void Free(void* p) { QzMemFree(p); }
};

struct LibcAllocator {
    static void* Alloc(std::uint32_t size) { return std::malloc(size); }
    static void Free(void* p) { std::free(p); }
};

// Each iteration replaces one live block by a new one of the next size, so
// the live set stays at kSlots blocks (fewer for the loader, as it holds
// only a few files at once).
template <class Allocator>
void ReplaceLoop(benchmark::State& state) {
    EnsureEngineHeap();
    const bool loader = state.thread_index() == 1;
    const std::vector<std::uint32_t>& sizes = Sizes(loader);
    const int slots = loader ? 8 : kSlots;
    std::vector<void*> live(std::size_t(slots), nullptr);
    std::size_t next = 0;
    for (auto _ : state) {
        void*& slot = live[next % std::size_t(slots)];
        if (slot) {
            Allocator::Free(slot);
        }
        slot = Allocator::Alloc(sizes[next % kSizes]);
        if (slot) {
            static_cast<volatile unsigned char*>(slot)[0] = 1;
        }
        benchmark::DoNotOptimize(slot);
        ++next;
    }
    for (void* p : live) {
        if (p) {
            Allocator::Free(p);
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.threads() == 2 ? "game + loader thread" : "game thread");
}

void BM_Engine(benchmark::State& state) {
    ReplaceLoop<EngineAllocator>(state);
}
void BM_Malloc(benchmark::State& state) {
    ReplaceLoop<LibcAllocator>(state);
}

BENCHMARK(BM_Engine)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_Malloc)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace
