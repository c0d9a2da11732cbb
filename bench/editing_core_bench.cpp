// The editable mesh beside OpenMesh: building a triangle mesh with its connectivity,
// deleting 1% of a grid's faces, and the heap a 1M-triangle mesh holds per face.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <string>
#include <vector>

#include "bench_support.h"
#if VGX_HAVE_OPENMESH
#include "openmesh_peer.h"
#endif

namespace {

using vgx::bench::Generated;
using vgx::bench::IndexedGenerated;
using vgx::bench::IndexedMesh;
using vgx::bench::Pooled;
using vgx::bench::QuietRoot;
using vgx::bench::Shape;

// Every 100th face.
std::vector<int32_t> OnePercent(int32_t faces) {
    std::vector<int32_t> picked;
    for (int32_t f = 0; f < faces; f += 100) picked.push_back(f);
    return picked;
}

void DeleteFaces(benchmark::State& state, int64_t faces) {
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    std::vector<int32_t> doomed;
    for (auto _ : state) {
        state.PauseTiming();
        object.reset();
        object = Pooled(*root, Generated(Shape::Grid, faces));
        doomed = OnePercent(object->GetFaceCount());
        state.ResumeTiming();
        object->DeleteFaces(doomed);
    }
    state.counters["faces"] = double(faces);
}

void BytesPerFace(benchmark::State& state, int64_t faces) {
    auto root = QuietRoot();
    const vgx::test::ObjMesh& soup = Generated(Shape::Triangles, faces);
    double bytes = 0;
    for (auto _ : state) {
        // Creating the object collects the objects earlier cases left behind.
        auto object = root->CreateObject();
        const size_t before = vgx::bench::HeapInUse();
        object->AddFaces(soup.points, soup.normals, soup.uvs, soup.faceData, true, false);
        bytes = (double(vgx::bench::HeapInUse()) - double(before)) / object->GetFaceCount();
    }
    state.counters["bytes_per_face"] = bytes;
}

const bool registered = [] {
    for (int64_t faces : {10000, 100000}) {
        const std::string source = "/grid/faces:" + std::to_string(faces);
        benchmark::RegisterBenchmark(("DeleteFaces1pct" + source).c_str(),
                                     [=](benchmark::State& state) { DeleteFaces(state, faces); })
            ->Unit(benchmark::kMillisecond);
#if VGX_HAVE_OPENMESH
        benchmark::RegisterBenchmark(("OpenMeshDeleteFaces1pct" + source).c_str(), [=](benchmark::State& state) {
            const IndexedMesh mesh = IndexedGenerated(Shape::Grid, faces);
            vgx::bench::openmesh::DeleteFaces(state, mesh, OnePercent(int32_t(mesh.cornerCounts.size())));
        })->Unit(benchmark::kMillisecond);
#endif
    }
#if VGX_HAVE_OPENMESH
    for (int64_t faces : {10000, 100000, 1000000}) {
        benchmark::RegisterBenchmark(("OpenMeshBuild/triangles/faces:" + std::to_string(faces)).c_str(),
                                     [=](benchmark::State& state) {
                                         vgx::bench::openmesh::Build(state, IndexedGenerated(Shape::Triangles, faces));
                                     })
            ->Unit(benchmark::kMillisecond);
    }
#endif
    benchmark::RegisterBenchmark("MeshMemory/triangles/faces:1000000",
                                 [](benchmark::State& state) { BytesPerFace(state, 1000000); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
#if VGX_HAVE_OPENMESH
    benchmark::RegisterBenchmark("OpenMeshMemory/triangles/faces:1000000", [](benchmark::State& state) {
        const IndexedMesh mesh = IndexedGenerated(Shape::Triangles, 1000000);
        for (auto _ : state) state.counters["bytes_per_face"] = vgx::bench::openmesh::BytesPerFace(mesh);
    })->Iterations(1)->Unit(benchmark::kMillisecond);
#endif
    return true;
}();

}  // namespace
