// Group transforms recompute world matrices by walking to the top on every call;
// these cases show what that costs on a deep chain and across a wide tree.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <vector>

#include "bench_support.h"

namespace {

using vgx::bench::QuietRoot;

// `count` groups, each under the one before (a chain) or ten to a parent (a tree),
// every one placed off its parent's origin and turned, with four position and four
// rotation keys.
struct Scene {
    std::shared_ptr<Vgx> root = QuietRoot();
    std::vector<std::shared_ptr<VgxGroup>> groups;

    Scene(int64_t count, bool chain) {
        groups.reserve(static_cast<size_t>(count));
        for (int64_t i = 0; i < count; ++i) {
            auto parent = i == 0 ? nullptr : groups[static_cast<size_t>(chain ? i - 1 : (i - 1) / 10)];
            auto group = root->CreateGroup(parent);
            group->AddRotation(VgxCombineReplace, {0.3f, 1, 0.2f}, 0.1f * static_cast<float>(i % 7));
            group->AddTranslation(VgxCombineAfter, {1, 0.5f, 0.25f});
            for (int k = 0; k < 4; ++k) {
                const float t = static_cast<float>(k), half = 0.2f * t;
                group->AddAnimationKey({{t, 2 * t, -t, 0}, t, 0, VgxAnimationPositionKey, 0});
                group->AddAnimationKey({{0, std::sin(half), 0, std::cos(half)}, t, 0, VgxAnimationRotateKey, 0});
            }
            group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationScaleAndRotation);
            groups.push_back(group);
        }
    }
};

void LeafWorldMatrix(benchmark::State& state, bool chain) {
    Scene scene(state.range(0), chain);
    const auto& leaf = scene.groups.back();
    VgxMatrix world;
    for (auto _ : state) {
        leaf->GetTransform(nullptr, world);
        benchmark::DoNotOptimize(world);
    }
}

void SetAnimationTimeAll(benchmark::State& state, bool chain) {
    Scene scene(state.range(0), chain);
    float time = 0;
    for (auto _ : state) {
        for (const auto& group : scene.groups) group->SetAnimationTime(time);
        time = time > 3 ? 0 : time + 0.37f;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LeafWorldMatrixChain(benchmark::State& state) { LeafWorldMatrix(state, true); }
void BM_LeafWorldMatrixTree(benchmark::State& state) { LeafWorldMatrix(state, false); }
void BM_SetAnimationTimeChain(benchmark::State& state) { SetAnimationTimeAll(state, true); }
void BM_SetAnimationTimeTree(benchmark::State& state) { SetAnimationTimeAll(state, false); }

BENCHMARK(BM_LeafWorldMatrixChain)->Arg(10)->Arg(1000);
BENCHMARK(BM_LeafWorldMatrixTree)->Arg(1000)->Arg(10000);
BENCHMARK(BM_SetAnimationTimeChain)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetAnimationTimeTree)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
