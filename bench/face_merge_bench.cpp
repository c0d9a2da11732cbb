// Triangulate, MergeTriangles and Consolidate on flat grids of about 1k, 10k and 100k
// triangles (the argument). The operations rewrite their object, so every iteration
// builds a fresh one with the timer stopped.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <cstdint>
#include <memory>

#include "bench_support.h"
#include "support/obj_reader.h"

namespace {

using vgx::bench::Generated;
using vgx::bench::QuietRoot;
using vgx::bench::Shape;
using vgx::test::ObjMesh;

// The grid of quads that splits into about `triangles` triangles.
const ObjMesh& QuadGrid(int64_t triangles) { return Generated(Shape::Grid, triangles / 2); }

// The same grid with every quad split, as arrays for AddFaces: made once per size.
const ObjMesh& TriangleGrid(int64_t triangles) {
    static int64_t madeFor = -1;
    static ObjMesh mesh;
    if (madeFor != triangles) {
        auto root = QuietRoot();
        auto object = root->CreateObject();
        const ObjMesh& quads = QuadGrid(triangles);
        object->AddFaces(quads.points, quads.normals, quads.uvs, quads.faceData, true, false);
        object->Triangulate();
        int32_t pointCount, normalCount, uvCount, faceDataCount;
        object->GetGeometry(mesh.points, pointCount, mesh.normals, normalCount, mesh.uvs, uvCount, mesh.faceData,
                            faceDataCount);
        mesh.faceCount = object->GetFaceCount();
        madeFor = triangles;
    }
    return mesh;
}

// Times `operation` on a fresh pooled object holding `mesh` in every iteration.
template <class Operation>
void OnFreshObjects(benchmark::State& state, const ObjMesh& mesh, Operation&& operation) {
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    int32_t faces = 0;
    for (auto _ : state) {
        state.PauseTiming();
        object.reset();
        object = root->CreateObject();
        object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
        state.ResumeTiming();
        operation(*object);
        faces = object->GetFaceCount();
    }
    state.SetItemsProcessed(state.iterations() * mesh.faceCount);
    state.counters["faces"] = mesh.faceCount;
    state.counters["out_faces"] = faces;
}

void BM_Triangulate(benchmark::State& state) {
    OnFreshObjects(state, QuadGrid(state.range(0)), [](VgxObject& object) { object.Triangulate(); });
}

// Level 1 is one pass; 12 runs every pass down to pi/2.
void BM_MergeTriangles(benchmark::State& state) {
    const auto level = static_cast<int32_t>(state.range(1));
    OnFreshObjects(state, TriangleGrid(state.range(0)),
                   [&](VgxObject& object) { object.MergeTriangles(level, false); });
}

// The whole grid becomes one polygon, one halving of the faces per sweep.
void BM_Consolidate(benchmark::State& state) {
    OnFreshObjects(state, TriangleGrid(state.range(0)), [](VgxObject& object) { object.Consolidate(1, false); });
}

BENCHMARK(BM_Triangulate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeTriangles)->ArgsProduct({{1000, 10000, 100000}, {1, 12}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Consolidate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
