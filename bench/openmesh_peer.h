#pragma once
// OpenMesh, the peer of the editable mesh: the same edits done with its polygon mesh
// (half-edge connectivity kept up to date by every change).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench_support.h"

namespace vgx::bench::openmesh {

// Building the mesh with its connectivity: add_vertex for every point, add_face for
// every face.
void Build(benchmark::State& state, const IndexedMesh& mesh);
// delete_face of the given faces, then garbage_collection; building is not timed.
void DeleteFaces(benchmark::State& state, const IndexedMesh& mesh, const std::vector<int32_t>& faces);
// Its Catmull-Clark subdivider applied `level` times, positions included.
void CatmullClark(benchmark::State& state, const IndexedMesh& mesh, int32_t level);
// The heap bytes a built mesh holds, per face.
double BytesPerFace(const IndexedMesh& mesh);

// A mesh built as Build builds it and kept alive while `mesh` is, for measuring the
// memory a live mesh holds from outside (the process's resident pages).
struct Built {
    std::shared_ptr<void> mesh;
    int64_t faces = 0;
};
Built Keep(const IndexedMesh& mesh);

}  // namespace vgx::bench::openmesh
