// The mesh core on meshes from 1k to 1M faces: building a mesh from arrays, reading
// it back, rebuilding it with merged coordinates and deleting faces, against what a
// host would otherwise write itself to weld coordinates.
//
// Generated meshes list every corner of every face separately (a face soup), so the
// corners neighbouring faces share arrive as repeated coordinates for the pools to
// merge, as they do from most exporters that write flat vertex streams.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "support/obj_reader.h"

#if VGX_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

using vgx::bench::QuietRoot;
using vgx::test::ObjMesh;

// ---- generated meshes ----

// Appends one face whose corners are new entries of every list.
struct SoupBuilder {
    ObjMesh mesh;
    void Face(std::initializer_list<std::pair<VgxVector, VgxUV>> corners, const std::function<VgxVector(VgxVector)>& normal) {
        mesh.faceData.push_back(int32_t(corners.size()));
        for (const auto& [point, uv] : corners) {
            const auto index = int32_t(mesh.points.size());
            mesh.points.push_back(point);
            mesh.normals.push_back(normal(point));
            mesh.uvs.push_back(uv);
            mesh.faceData.insert(mesh.faceData.end(), {index, index, index});
        }
        ++mesh.faceCount;
    }
    ObjMesh Finish() {
        mesh.faceData.push_back(0);
        return std::move(mesh);
    }
};

// A flat grid of side x side quads.
ObjMesh MakeGrid(int64_t faces) {
    const int side = std::max(1, int(std::lround(std::sqrt(double(faces)))));
    SoupBuilder soup;
    const auto up = [](VgxVector) { return VgxVector{0, 0, 1}; };
    auto corner = [&](int i, int j) {
        return std::pair{VgxVector{float(i), float(j), 0}, VgxUV{float(i) / side, float(j) / side}};
    };
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) soup.Face({corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)}, up);
    return soup.Finish();
}

// A unit UV sphere of rings x 2 rings faces: quads, and triangles round the poles.
// Positions repeat exactly (the seam and the poles too); UVs split at the seam.
ObjMesh MakeSphere(int64_t faces) {
    const int rings = std::max(2, int(std::lround(std::sqrt(double(faces) / 2)))), segments = 2 * rings;
    SoupBuilder soup;
    const auto outward = [](VgxVector p) { return p; };
    auto corner = [&](int ring, int segment) {
        const double theta = std::numbers::pi * ring / rings, phi = 2 * std::numbers::pi * (segment % segments) / segments;
        VgxVector p{float(std::sin(theta) * std::cos(phi)), float(std::cos(theta)), float(std::sin(theta) * std::sin(phi))};
        if (ring == 0 || ring == rings) p = {0, ring == 0 ? 1.0f : -1.0f, 0};
        return std::pair{p, VgxUV{float(segment) / segments, float(ring) / rings}};
    };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            if (r == 0)
                soup.Face({corner(0, s), corner(1, s + 1), corner(1, s)}, outward);
            else if (r == rings - 1)
                soup.Face({corner(r, s), corner(r, s + 1), corner(rings, s)}, outward);
            else
                soup.Face({corner(r, s), corner(r, s + 1), corner(r + 1, s + 1), corner(r + 1, s)}, outward);
        }
    return soup.Finish();
}

enum class Shape { Grid, Sphere };

// One generated mesh at a time: the 1M-face soups are large.
const ObjMesh& Generated(Shape shape, int64_t faces) {
    static struct {
        Shape shape;
        int64_t faces = -1;
        ObjMesh mesh;
    } cache;
    if (cache.shape != shape || cache.faces != faces) {
        cache.mesh = {};
        cache.mesh = shape == Shape::Grid ? MakeGrid(faces) : MakeSphere(faces);
        cache.shape = shape;
        cache.faces = faces;
    }
    return cache.mesh;
}

const ObjMesh& FromFile(const std::string& relative) {
    static std::unordered_map<std::string, ObjMesh> loaded;
    auto found = loaded.find(relative);
    if (found == loaded.end()) found = loaded.emplace(relative, vgx::test::ReadObj(vgx::test::TestDataPath(relative))).first;
    return found->second;
}

using MeshSource = std::function<const ObjMesh&()>;

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

void GetGeometry(benchmark::State& state, const MeshSource& source) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    Build(*root, object, mesh, true);
    // Output arrays kept across calls, as a host redrawing every frame would.
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;
    for (auto _ : state) {
        object->GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
        benchmark::DoNotOptimize(faceData.data());
    }
    CountFaces(state, mesh);
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
    unique.resize(meshopt_generateVertexRemap(remap.data(), nullptr, values.size(), values.data(), values.size(), sizeof(T)));
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

// Names read Operation/source[/optimize:b]; generated sources carry faces:n, files
// file:name. The files are timed only where the welders compare.
using Operation = void (*)(benchmark::State&, const MeshSource&);

void Register(const std::string& name, const MeshSource& source, bool editing) {
    for (bool optimize : {false, true})
        benchmark::RegisterBenchmark(("AddFaces/" + name + "/optimize:" + std::to_string(optimize)).c_str(),
                                     [=](benchmark::State& state) { AddFaces(state, source, optimize); })
            ->Unit(benchmark::kMicrosecond);
    std::vector<std::pair<const char*, Operation>> operations;
    if (editing) operations = {{"GetGeometry", GetGeometry}, {"Optimize", Optimize}, {"DeleteFaces10pct", DeleteFaces}};
    operations.emplace_back("WeldUnorderedMap", WeldUnorderedMap);
#if VGX_HAVE_MESHOPTIMIZER
    operations.emplace_back("WeldMeshoptimizer", WeldMeshoptimizer);
#endif
    for (const auto& [operation, run] : operations)
        benchmark::RegisterBenchmark((std::string(operation) + "/" + name).c_str(),
                                     [=](benchmark::State& state) { run(state, source); })
            ->Unit(benchmark::kMicrosecond);
}

const bool registered = [] {
    for (int64_t faces : {1000, 10000, 100000, 1000000}) {
        Register("grid/faces:" + std::to_string(faces), [=]() -> const ObjMesh& { return Generated(Shape::Grid, faces); },
                 true);
        Register("sphere/faces:" + std::to_string(faces),
                 [=]() -> const ObjMesh& { return Generated(Shape::Sphere, faces); }, true);
    }
    for (const char* file : {"suzanne", "spot", "teapot", "beast", "stanford-bunny"}) {
        const std::string relative = std::string("meshes/common/") + file + ".obj";
        Register(std::string("file:") + file, [=]() -> const ObjMesh& { return FromFile(relative); }, false);
    }
    return true;
}();

}  // namespace
