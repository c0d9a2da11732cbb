// The collection runs before every CreateObject and CreateGroup, so its cost over
// a full registry is paid by every host that builds scenes.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <vector>

#include "bench_support.h"

namespace {

using vgx::bench::QuietRoot;

// Collection over a registry of held objects: nothing is released, every member is tested.
void BM_CollectGarbageHeld(benchmark::State& state) {
    auto root = QuietRoot();
    auto scene = root->CreateGroup(nullptr);
    std::vector<std::shared_ptr<VgxObject>> held;
    for (int64_t i = 0; i < state.range(0); ++i) {
        held.push_back(root->CreateObject());
        scene->AddObject(held.back());
    }
    for (auto _ : state) root->CollectGarbage();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CollectGarbageHeld)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMicrosecond);

// Collection that releases a whole scene tree: groups with children and objects.
void BM_CollectGarbageReleaseTree(benchmark::State& state) {
    auto root = QuietRoot();
    for (auto _ : state) {
        state.PauseTiming();
        {
            auto top = root->CreateGroup(nullptr);
            for (int64_t i = 0; i < state.range(0); ++i) {
                auto group = root->CreateGroup(top);
                group->AddObject(root->CreateObject());
            }
        }
        state.ResumeTiming();
        root->CollectGarbage();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Building each tree costs a collection per creation, so few iterations.
BENCHMARK(BM_CollectGarbageReleaseTree)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

// CreateObject collects first: its cost grows with the number of live objects.
void BM_CreateObject(benchmark::State& state) {
    auto root = QuietRoot();
    std::vector<std::shared_ptr<VgxObject>> held;
    for (int64_t i = 0; i < state.range(0); ++i) held.push_back(root->CreateObject());
    for (auto _ : state) benchmark::DoNotOptimize(root->CreateObject());
}
BENCHMARK(BM_CreateObject)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMicrosecond);

}  // namespace
