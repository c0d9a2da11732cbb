// Subdivision smoothing on grids of 1k to 100k quads and on public meshes: the Smooth
// operation, the displayed build at SmoothingLevel 2 (full, and after one point
// moved), and the bare Catmull-Clark step (topology and positions) against
// OpenSubdiv's uniform refinement of the same mesh to the same level.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "object/object_internal.h"
#include "ops/subdivision.h"
#include "support/obj_reader.h"

#if VGX_HAVE_OPENMESH
#include "openmesh_peer.h"
#endif
#if VGX_HAVE_OPENSUBDIV
#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>
#endif

namespace {

using vgx::bench::FromFile;
using vgx::bench::Generated;
using vgx::bench::MeshSource;
using vgx::bench::Pooled;
using vgx::bench::QuietRoot;
using vgx::bench::Shape;
using vgx::test::ObjMesh;

void CountFaces(benchmark::State& state, int64_t sourceFaces, int64_t outFaces) {
    state.SetItemsProcessed(state.iterations() * outFaces);
    state.counters["faces"] = double(sourceFaces);
    state.counters["out_faces"] = double(outFaces);
}

// The operation: optimise, subdivide `level` times, replace the editable mesh, crease.
void Smooth(benchmark::State& state, const MeshSource& source, int32_t level) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    int64_t outFaces = 0;
    for (auto _ : state) {
        state.PauseTiming();
        object.reset();
        object = Pooled(*root, mesh);
        state.ResumeTiming();
        object->Smooth(level, VgxGreaterThan, 0, 0);
        outFaces = object->GetFaceCount();
    }
    CountFaces(state, mesh.faceCount, outFaces);
}

// An object shown at SmoothingLevel 2, its buffers on a software device.
struct Displayed {
    std::shared_ptr<Vgx> root = QuietRoot();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    int32_t id = root->CreateDeviceID();
    std::shared_ptr<VgxObject> object;

    explicit Displayed(const ObjMesh& mesh) : object(Pooled(*root, mesh)) {
        object->SetSmoothingLevel(2);
        Build();
    }
    void Build() { benchmark::DoNotOptimize(object->GetVertexBuffer(id, device).get()); }
};

// Every pass marks the object stale (a fill bit the buffers do not depend on) and
// builds again.
void DisplayFull(benchmark::State& state, const MeshSource& source) {
    Displayed shown(source());
    for (auto _ : state) {
        shown.object->SetQuality(shown.object->GetQuality() ^ VgxFillCartoon);
        shown.Build();
    }
    CountFaces(state, source().faceCount, shown.object->GetSubVisualSolidPrimitiveCount(0));
}

// The same after one point moved: positions are redone through the stored links.
void DisplayPointMoved(benchmark::State& state, const MeshSource& source) {
    Displayed shown(source());
    const VgxVector home = shown.object->GetPoint(0);
    bool out = false;
    for (auto _ : state) {
        out = !out;
        shown.object->SetPoint(0, out ? VgxVector{home.X + 0.01f, home.Y, home.Z} : home);
        shown.Build();
    }
    CountFaces(state, source().faceCount, shown.object->GetSubVisualSolidPrimitiveCount(0));
}

// The bare step, `level` times: what OpenSubdiv's refinement below also computes.
void CatmullClark(benchmark::State& state, const MeshSource& source, int32_t level) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    auto object = Pooled(*root, mesh);
    std::vector<vgx::iVgxObject> levels(static_cast<size_t>(level) + 1);
    std::vector<vgx::SubdivisionLinks> links(levels.size());
    const vgx::iVgxObject& base = vgx::State(*object).Base();
    for (auto _ : state) {
        for (int32_t k = 1; k <= level; ++k) {
            const vgx::iVgxObject& below = k == 1 ? base : levels[k - 1];
            vgx::smoothing::Subdivide(below, levels[k], links[k]);
            vgx::smoothing::PositionSmoothedPoints(below, levels[k], links[k], VgxGreaterThan, 0, 0);
        }
    }
    CountFaces(state, mesh.faceCount, levels[level].FaceListCount);
}

#if VGX_HAVE_OPENSUBDIV
namespace Far = OpenSubdiv::Far;
namespace Sdc = OpenSubdiv::Sdc;

struct Position {
    float x, y, z;
    void Clear() { x = y = z = 0; }
    void AddWithWeight(const Position& p, float w) { x += w * p.x, y += w * p.y, z += w * p.z; }
};

// Topology analysis, uniform refinement and position interpolation of every level.
void OpenSubdivRefine(benchmark::State& state, const MeshSource& source, int32_t level) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    const vgx::bench::IndexedMesh indexed = vgx::bench::Indexed(*Pooled(*root, mesh));
    std::vector<Position> positions;
    for (const VgxVector& v : indexed.points) positions.push_back({v.X, v.Y, v.Z});
    Far::TopologyDescriptor descriptor;
    descriptor.numVertices = static_cast<int>(indexed.points.size());
    descriptor.numFaces = static_cast<int>(indexed.cornerCounts.size());
    descriptor.numVertsPerFace = indexed.cornerCounts.data();
    descriptor.vertIndicesPerFace = indexed.corners.data();
    Sdc::Options options;
    options.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_ONLY);
    int64_t outFaces = 0;
    std::vector<Position> refined;
    for (auto _ : state) {
        std::unique_ptr<Far::TopologyRefiner> refiner(Far::TopologyRefinerFactory<Far::TopologyDescriptor>::Create(
            descriptor, Far::TopologyRefinerFactory<Far::TopologyDescriptor>::Options(Sdc::SCHEME_CATMARK, options)));
        refiner->RefineUniform(Far::TopologyRefiner::UniformOptions(level));
        refined.resize(static_cast<size_t>(refiner->GetNumVerticesTotal()));
        std::copy(positions.begin(), positions.end(), refined.begin());
        Far::PrimvarRefiner primvars(*refiner);
        Position* from = refined.data();
        for (int32_t k = 1; k <= level; ++k) {
            Position* to = from + refiner->GetLevel(k - 1).GetNumVertices();
            primvars.Interpolate(k, from, to);
            from = to;
        }
        benchmark::DoNotOptimize(refined.data());
        outFaces = refiner->GetLevel(level).GetNumFaces();
    }
    CountFaces(state, mesh.faceCount, outFaces);
}
#endif

// Names read Operation/source, as the other benchmarks do.
void Register(const std::string& name, const MeshSource& source, int64_t faces) {
    const auto add = [&](const std::string& operation, auto run) {
        benchmark::RegisterBenchmark((operation + "/" + name).c_str(), run)->Unit(benchmark::kMillisecond);
    };
    // Three levels multiply the faces by 64: the largest meshes stop at two.
    const int32_t deepest = faces > 20000 ? 2 : 3;
    for (int32_t level = 1; level <= deepest; ++level) {
        const std::string suffix = std::to_string(level);
        add("Smooth" + suffix, [=](benchmark::State& state) { Smooth(state, source, level); });
        add("CatmullClark" + suffix, [=](benchmark::State& state) { CatmullClark(state, source, level); });
#if VGX_HAVE_OPENSUBDIV
        add("OpenSubdiv" + suffix, [=](benchmark::State& state) { OpenSubdivRefine(state, source, level); });
#endif
#if VGX_HAVE_OPENMESH
        add("OpenMesh" + suffix, [=](benchmark::State& state) {
            auto root = QuietRoot();
            vgx::bench::openmesh::CatmullClark(state, vgx::bench::Indexed(*Pooled(*root, source())), level);
        });
#endif
    }
    add("SmoothDisplayFull2", [=](benchmark::State& state) { DisplayFull(state, source); });
    add("SmoothDisplayPointMoved2", [=](benchmark::State& state) { DisplayPointMoved(state, source); });
}

const bool registered = [] {
    for (int64_t faces : {1000, 10000, 100000}) {
        Register("grid/faces:" + std::to_string(faces), [=]() -> const ObjMesh& { return Generated(Shape::Grid, faces); },
                 faces);
    }
    for (const char* file : {"suzanne", "spot", "teapot", "stanford-bunny"}) {
        const std::string relative = std::string("meshes/common/") + file + ".obj";
        Register(std::string("file:") + file, [=]() -> const ObjMesh& { return FromFile(relative); }, 0);
    }
    return true;
}();

}  // namespace
