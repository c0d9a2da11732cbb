// Compiled with NDEBUG: OpenMesh's asserts live in its headers and would triple
// its subdivision time.
#include "openmesh_peer.h"

#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/CatmullClarkT.hh>

#include <memory>

namespace vgx::bench::openmesh {
namespace {

using Mesh = OpenMesh::PolyMesh_ArrayKernelT<>;

void Fill(Mesh& mesh, const IndexedMesh& source) {
    mesh.reserve(source.points.size(), source.corners.size() / 2, source.cornerCounts.size());
    std::vector<Mesh::VertexHandle> vertices;
    vertices.reserve(source.points.size());
    for (const VgxVector& p : source.points) vertices.push_back(mesh.add_vertex(Mesh::Point(p.X, p.Y, p.Z)));
    std::vector<Mesh::VertexHandle> face;
    size_t next = 0;
    for (int32_t n : source.cornerCounts) {
        face.clear();
        for (int32_t k = 0; k < n; ++k) face.push_back(vertices[source.corners[next++]]);
        mesh.add_face(face);
    }
}

}  // namespace

void Build(benchmark::State& state, const IndexedMesh& source) {
    for (auto _ : state) {
        Mesh mesh;
        Fill(mesh, source);
        benchmark::DoNotOptimize(mesh.n_faces());
    }
}

void DeleteFaces(benchmark::State& state, const IndexedMesh& source, const std::vector<int32_t>& faces) {
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<Mesh>();
        Fill(*mesh, source);
        mesh->request_face_status();
        mesh->request_edge_status();
        mesh->request_vertex_status();
        state.ResumeTiming();
        for (int32_t f : faces) mesh->delete_face(mesh->face_handle(f), true);
        mesh->garbage_collection();
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
}

void CatmullClark(benchmark::State& state, const IndexedMesh& source, int32_t level) {
    int64_t outFaces = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<Mesh>();
        Fill(*mesh, source);
        state.ResumeTiming();
        OpenMesh::Subdivider::Uniform::CatmullClarkT<Mesh> subdivide;
        subdivide.attach(*mesh);
        subdivide(level);
        subdivide.detach();
        outFaces = static_cast<int64_t>(mesh->n_faces());
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
    state.counters["out_faces"] = double(outFaces);
}

double BytesPerFace(const IndexedMesh& source) {
    const size_t before = HeapInUse();
    Mesh mesh;
    Fill(mesh, source);
    return double(HeapInUse() - before) / double(mesh.n_faces());
}

Built Keep(const IndexedMesh& source) {
    auto mesh = std::make_shared<Mesh>();
    Fill(*mesh, source);
    return {mesh, static_cast<int64_t>(mesh->n_faces())};
}

}  // namespace vgx::bench::openmesh
