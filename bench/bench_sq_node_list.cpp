// The script node's child list: a frame empties a node of 10,000 children
// and pushes them back (BM_ClearAndRefill), and freeing 20,000 children of
// one node, each leaving its parent's list as it dies (BM_FreeChildren).
// No renderer: only the list bookkeeping is measured.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "proj/nodes/sq_node.h"

namespace {

void BM_ClearAndRefill(benchmark::State& state) {
    const auto count = std::size_t(state.range(0));
    QZW::CSqNode parent;
    std::vector<std::unique_ptr<QZW::CSqNode>> kids;
    for (std::size_t i = 0; i < count; ++i) {
        kids.push_back(std::make_unique<QZW::CSqNode>());
        parent.PushBack(kids.back().get());
    }
    for (auto _ : state) {
        parent.Clear();
        for (auto& kid : kids) {
            parent.PushBack(kid.get());
        }
        benchmark::DoNotOptimize(parent.children.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(count));
}
BENCHMARK(BM_ClearAndRefill)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_FreeChildren(benchmark::State& state) {
    const auto count = std::size_t(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QZW::CSqNode parent;
        std::vector<std::unique_ptr<QZW::CSqNode>> kids;
        for (std::size_t i = 0; i < count; ++i) {
            kids.push_back(std::make_unique<QZW::CSqNode>());
            parent.PushBack(kids.back().get());
        }
        state.ResumeTiming();
        kids.clear();
        benchmark::DoNotOptimize(parent.children.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(count));
}
BENCHMARK(BM_FreeChildren)->Arg(20000)->Unit(benchmark::kMillisecond);

// Removing every child one by one from the front, as a script emptying a
// list in order would.
void BM_RemoveInOrder(benchmark::State& state) {
    const auto count = std::size_t(state.range(0));
    QZW::CSqNode parent;
    std::vector<std::unique_ptr<QZW::CSqNode>> kids;
    for (std::size_t i = 0; i < count; ++i) {
        kids.push_back(std::make_unique<QZW::CSqNode>());
    }
    for (auto _ : state) {
        for (auto& kid : kids) {
            parent.PushBack(kid.get());
        }
        for (auto& kid : kids) {
            parent.Remove(kid.get());
        }
        benchmark::DoNotOptimize(parent.children.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(count));
}
BENCHMARK(BM_RemoveInOrder)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
