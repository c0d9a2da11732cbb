// The mesh core on meshes from 1k to 1M faces: building a mesh from arrays, reading
// it back, rebuilding it with merged coordinates and deleting faces, against what a
// host would otherwise write itself to weld coordinates. The generated meshes are face
// soups (see bench_support.h).
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <array>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "support/obj_reader.h"

#if VGX_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

using vgx::bench::FromFile;
using vgx::bench::Generated;
using vgx::bench::MeshSource;
using vgx::bench::QuietRoot;
using vgx::bench::Shape;
using vgx::test::ObjMesh;

void CountFaces(benchmark::State& state, const ObjMesh& mesh) {
    state.SetItemsProcessed(state.iterations() * mesh.faceCount);
    state.counters["faces"] = mesh.faceCount;
}

// A fresh object holding the mesh; the previous one is collected first.
void Build(Vgx& root, std::shared_ptr<VgxObject>& object, const ObjMesh& mesh, bool optimize) {
    object.reset();
    object = root.CreateObject();
    object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, optimize, false);
}

// ---- the mesh core ----

void AddFaces(benchmark::State& state, const MeshSource& source, bool optimizeCoordinates) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    for (auto _ : state) {
        state.PauseTiming();
        object.reset();
        object = root->CreateObject();
        state.ResumeTiming();
        object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, optimizeCoordinates, false);
    }
    CountFaces(state, mesh);
}

// With `reuseArrays` the output arrays are kept across calls, as a host redrawing
// every frame would; without, each call gets fresh ones, as a Python caller does.
void GetGeometry(benchmark::State& state, const MeshSource& source, bool reuseArrays) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    Build(*root, object, mesh, true);
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;
    for (auto _ : state) {
        if (!reuseArrays) {
            points = {}, normals = {}, uvs = {}, faceData = {};
        }
        object->GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
        benchmark::DoNotOptimize(faceData.data());
    }
    CountFaces(state, mesh);
}

// The indexed triangle grid bench/python_overhead.py builds with NumPy, built the
// same way here: 707 x 707 quads as 999,698 triangles over shared points and UVs.
const ObjMesh& PythonGrid() {
    static const ObjMesh grid = [] {
        constexpr int32_t side = 707;
        ObjMesh g;
        g.normals = {{0, 0, 1}};
        for (int32_t j = 0; j <= side; ++j) {
            for (int32_t i = 0; i <= side; ++i) {
                g.points.push_back({float(i), float(j), 0});
                g.uvs.push_back({float(i) / float(side), float(j) / float(side)});
            }
        }
        for (int32_t j = 0; j < side; ++j) {
            for (int32_t i = 0; i < side; ++i) {
                const int32_t a = j * (side + 1) + i, b = a + 1, c = a + side + 2, d = a + side + 1;
                for (const auto& triangle : {std::array{a, b, c}, std::array{a, c, d}}) {
                    g.faceData.push_back(3);
                    for (int32_t corner : triangle) g.faceData.insert(g.faceData.end(), {corner, 0, corner});
                }
                g.faceCount += 2;
            }
        }
        g.faceData.push_back(0);
        return g;
    }();
    return grid;
}

// Rebuilds a mesh that was added without merging: the pools do all the work here.
void Optimize(benchmark::State& state, const MeshSource& source) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    for (auto _ : state) {
        state.PauseTiming();
        Build(*root, object, mesh, false);
        state.ResumeTiming();
        object->Optimize(false, 100);
    }
    CountFaces(state, mesh);
}

// Deletes every tenth face of a merged mesh.
void DeleteFaces(benchmark::State& state, const MeshSource& source) {
    const ObjMesh& mesh = source();
    std::vector<int32_t> doomed;
    for (int32_t face = 0; face < mesh.faceCount; face += 10) doomed.push_back(face);
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    for (auto _ : state) {
        state.PauseTiming();
        Build(*root, object, mesh, true);
        state.ResumeTiming();
        object->DeleteFaces(doomed);
    }
    CountFaces(state, mesh);
}

// ---- baselines: the welding a host would write without the library ----

struct Welded {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
};

std::array<float, 3> Key(const VgxVector& v) { return {v.X, v.Y, v.Z}; }
std::array<float, 2> Key(const VgxUV& uv) { return {uv.U, uv.V}; }

struct KeyHash {
    template <size_t N>
    size_t operator()(const std::array<float, N>& key) const {
        size_t hash = 0;
        for (float f : key) hash = hash * 0x9E3779B97F4A7C15ull ^ std::hash<float>{}(f);
        return hash;
    }
};

// Exact-match welding with a hash map: the first occurrence of each value is kept.
template <typename T>
std::vector<int32_t> WeldStream(const std::vector<T>& values, std::vector<T>& unique) {
    std::unordered_map<decltype(Key(values[0])), int32_t, KeyHash> first;
    first.reserve(values.size());
    std::vector<int32_t> remap(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        auto [at, added] = first.try_emplace(Key(values[i]), int32_t(unique.size()));
        if (added) unique.push_back(values[i]);
        remap[i] = at->second;
    }
    return remap;
}

// FaceData with every corner's indexes passed through the three remap tables.
template <typename Remap>
void RemapFaces(const std::vector<int32_t>& faceData, const Remap& points, const Remap& normals, const Remap& uvs,
                std::vector<int32_t>& out) {
    out = faceData;
    for (size_t i = 0; out[i] != 0; i += 3 * size_t(out[i]) + 1)
        for (size_t c = i + 1; c < i + 1 + 3 * size_t(out[i]); c += 3) {
            out[c] = int32_t(points[out[c]]);
            out[c + 1] = int32_t(normals[out[c + 1]]);
            out[c + 2] = int32_t(uvs[out[c + 2]]);
        }
}

void WeldUnorderedMap(benchmark::State& state, const MeshSource& source) {
    const ObjMesh& mesh = source();
    for (auto _ : state) {
        Welded welded;
        auto points = WeldStream(mesh.points, welded.points);
        auto normals = WeldStream(mesh.normals, welded.normals);
        auto uvs = WeldStream(mesh.uvs, welded.uvs);
        RemapFaces(mesh.faceData, points, normals, uvs, welded.faceData);
        benchmark::DoNotOptimize(welded.faceData.data());
    }
    CountFaces(state, mesh);
}

#if VGX_HAVE_MESHOPTIMIZER
// Bitwise welding with meshoptimizer's remap table.
template <typename T>
std::vector<unsigned int> RemapStream(const std::vector<T>& values, std::vector<T>& unique) {
    std::vector<unsigned int> remap(values.size());
    unique.resize(
        meshopt_generateVertexRemap(remap.data(), nullptr, values.size(), values.data(), values.size(), sizeof(T)));
    meshopt_remapVertexBuffer(unique.data(), values.data(), values.size(), sizeof(T), remap.data());
    return remap;
}

void WeldMeshoptimizer(benchmark::State& state, const MeshSource& source) {
    const ObjMesh& mesh = source();
    for (auto _ : state) {
        Welded welded;
        auto points = RemapStream(mesh.points, welded.points);
        auto normals = RemapStream(mesh.normals, welded.normals);
        auto uvs = RemapStream(mesh.uvs, welded.uvs);
        RemapFaces(mesh.faceData, points, normals, uvs, welded.faceData);
        benchmark::DoNotOptimize(welded.faceData.data());
    }
    CountFaces(state, mesh);
}
#endif

// ---- registration ----

// A host adding points one call at a time, each twice (the second call finds it):
// on a grid spread over the hash buckets, and on the plane x + y + z = 1, whose
// points all share one hash key and so one chain.
void SingleAdds(benchmark::State& state, bool oneChain) {
    const int side = static_cast<int>(state.range(0));
    std::vector<VgxVector> points;
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            const float x = static_cast<float>(i) * 0.5f, y = static_cast<float>(j) * 0.25f;
            points.push_back({x, y, oneChain ? 1 - x - y : 0.125f * static_cast<float>(i + j)});
        }
    const auto root = QuietRoot();
    for (auto _ : state) {
        auto object = root->CreateObject();
        for (int pass = 0; pass < 2; ++pass)
            for (const VgxVector& p : points) benchmark::DoNotOptimize(object->AddOptimizedPoint(p));
    }
    state.SetItemsProcessed(state.iterations() * 2 * static_cast<int64_t>(points.size()));
    state.counters["points"] = static_cast<double>(points.size());
}

// Names read Operation/source[/optimize:b]; generated sources carry faces:n, files
// file:name. The files are timed only where the welders compare.
using Operation = void (*)(benchmark::State&, const MeshSource&);

void Register(const std::string& name, const MeshSource& source, bool editing) {
    for (bool optimize : {false, true})
        benchmark::RegisterBenchmark(("AddFaces/" + name + "/optimize:" + std::to_string(optimize)).c_str(),
                                     [=](benchmark::State& state) { AddFaces(state, source, optimize); })
            ->Unit(benchmark::kMicrosecond);
    std::vector<std::pair<const char*, Operation>> operations;
    if (editing) {
        operations = {{"GetGeometry",
                       [](benchmark::State& state, const MeshSource& source) { GetGeometry(state, source, true); }},
                      {"Optimize", Optimize},
                      {"DeleteFaces10pct", DeleteFaces}};
    }
    operations.emplace_back("WeldUnorderedMap", WeldUnorderedMap);
#if VGX_HAVE_MESHOPTIMIZER
    operations.emplace_back("WeldMeshoptimizer", WeldMeshoptimizer);
#endif
    for (const auto& [operation, run] : operations)
        benchmark::RegisterBenchmark((std::string(operation) + "/" + name).c_str(), [=](benchmark::State& state) {
            run(state, source);
        })->Unit(benchmark::kMicrosecond);
}

const bool registered = [] {
    for (int64_t faces : {1000, 10000, 100000, 1000000}) {
        Register(
            "grid/faces:" + std::to_string(faces), [=]() -> const ObjMesh& { return Generated(Shape::Grid, faces); },
            true);
        Register(
            "sphere/faces:" + std::to_string(faces),
            [=]() -> const ObjMesh& { return Generated(Shape::Sphere, faces); }, true);
    }
    for (int64_t faces : {10000, 100000, 1000000}) {
        Register(
            "triangles/faces:" + std::to_string(faces),
            [=]() -> const ObjMesh& { return Generated(Shape::Triangles, faces); }, false);
    }
    for (const bool oneChain : {false, true})
        for (const int64_t side : {32, 100, 316})
            benchmark::RegisterBenchmark(("SingleAdds/" + std::string(oneChain ? "one-chain" : "grid") +
                                          "/points:" + std::to_string(side * side))
                                             .c_str(),
                                         [=](benchmark::State& state) { SingleAdds(state, oneChain); })
                ->Arg(side)
                ->Unit(benchmark::kMillisecond);
    // The C++ side of the Python binding's overhead (bench/python_overhead.py).
    benchmark::RegisterBenchmark("AddFaces/python-grid", [](benchmark::State& state) {
        AddFaces(state, PythonGrid, true);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("GetGeometry/python-grid", [](benchmark::State& state) {
        GetGeometry(state, PythonGrid, false);
    })->Unit(benchmark::kMillisecond);
    for (const char* file : {"suzanne", "spot", "teapot", "beast", "stanford-bunny"}) {
        const std::string relative = std::string("meshes/common/") + file + ".obj";
        Register(
            std::string("file:") + file, [=]() -> const ObjMesh& { return FromFile(relative); }, false);
    }
    return true;
}();

}  // namespace
