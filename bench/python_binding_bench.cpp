// The C++ side of the Python binding's overhead check (bench/python_overhead.py):
// AddFaces and GetGeometry of a grid of 999,698 triangles, built exactly as the
// Python script builds it with NumPy.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <vector>

#include "bench_support.h"

namespace {

constexpr int32_t kSide = 707;  // quads per side: 2 * 707^2 = 999,698 triangles

struct Grid {
    std::vector<VgxVector> points, normals{{0, 0, 1}};
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
};

const Grid& TriangleGrid() {
    static const Grid grid = [] {
        Grid g;
        for (int32_t j = 0; j <= kSide; ++j) {
            for (int32_t i = 0; i <= kSide; ++i) {
                g.points.push_back({float(i), float(j), 0});
                g.uvs.push_back({float(i) / float(kSide), float(j) / float(kSide)});
            }
        }
        for (int32_t j = 0; j < kSide; ++j) {
            for (int32_t i = 0; i < kSide; ++i) {
                const int32_t a = j * (kSide + 1) + i, b = a + 1, c = a + kSide + 2, d = a + kSide + 1;
                for (int32_t corner : {a, b, c, a, c, d}) {
                    if (g.faceData.size() % 10 == 0) g.faceData.push_back(3);
                    g.faceData.insert(g.faceData.end(), {corner, 0, corner});
                }
            }
        }
        g.faceData.push_back(0);
        return g;
    }();
    return grid;
}

void AddFacesGrid(benchmark::State& state) {
    const Grid& grid = TriangleGrid();
    auto root = vgx::bench::QuietRoot();
    std::shared_ptr<VgxObject> object;
    for (auto _ : state) {
        state.PauseTiming();
        object.reset();
        object = root->CreateObject();
        state.ResumeTiming();
        object->AddFaces(grid.points, grid.normals, grid.uvs, grid.faceData, true, false);
    }
}
BENCHMARK(AddFacesGrid)->Name("PythonBinding/AddFaces/grid1M")->Unit(benchmark::kMillisecond);

void GetGeometryGrid(benchmark::State& state) {
    const Grid& grid = TriangleGrid();
    auto root = vgx::bench::QuietRoot();
    auto object = root->CreateObject();
    object->AddFaces(grid.points, grid.normals, grid.uvs, grid.faceData, true, false);
    for (auto _ : state) {
        // Fresh arrays each call, as Python gets.
        std::vector<VgxVector> points, normals;
        std::vector<VgxUV> uvs;
        std::vector<int32_t> faceData;
        int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;
        object->GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
        benchmark::DoNotOptimize(faceData.data());
    }
}
BENCHMARK(GetGeometryGrid)->Name("PythonBinding/GetGeometry/grid1M")->Unit(benchmark::kMillisecond);

}  // namespace
