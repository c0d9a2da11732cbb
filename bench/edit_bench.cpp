// Mesh editing on grids of 10k and 100k quads with 1%, 10% and 100% of the elements
// selected: joining and bevelling edges and points, and on the whole mesh the
// repair of bent quads and the closing of the grid's open border. Every pass edits
// a fresh copy of the mesh; building the copy is not timed.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "support/obj_reader.h"

namespace {

using vgx::bench::Generated;
using vgx::bench::QuietRoot;
using vgx::bench::Shape;
using vgx::test::ObjMesh;

// The grid with every other point lifted, so its quads are bent.
ObjMesh Bent(const ObjMesh& grid) {
    ObjMesh bent = grid;
    for (VgxVector& p : bent.points) p.Z = (static_cast<int>(p.X + p.Y) % 2) * 0.5f;
    return bent;
}

// Every `step`-th of `count` elements.
std::vector<int32_t> Every(int32_t count, int32_t step) {
    std::vector<int32_t> picked;
    for (int32_t i = 0; i < count; i += step) picked.push_back(i);
    return picked;
}

using Edit = std::function<void(VgxObject&, int32_t percent)>;

void Run(benchmark::State& state, const ObjMesh& mesh, int32_t percent, const Edit& edit) {
    auto root = QuietRoot();
    std::shared_ptr<VgxObject> object;
    int64_t faces = 0;
    for (auto _ : state) {
        state.PauseTiming();
        object.reset();
        object = root->CreateObject();
        object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
        faces = object->GetFaceCount();
        state.ResumeTiming();
        edit(*object, percent);
    }
    state.SetItemsProcessed(state.iterations() * faces);
    state.counters["faces"] = double(faces);
    state.counters["out_faces"] = double(object->GetFaceCount());
}

// Side 0 of every picked face.
std::vector<int32_t> EdgePairs(const VgxObject& object, int32_t percent) {
    std::vector<int32_t> pairs;
    for (int32_t f : Every(object.GetFaceCount(), 100 / percent)) pairs.insert(pairs.end(), {f, 0});
    return pairs;
}

const bool registered = [] {
    const std::vector<std::pair<std::string, Edit>> selected{
        {"JoinEdges", [](VgxObject& o, int32_t p) { o.JoinEdges(EdgePairs(o, p)); }},
        {"DivideEdges", [](VgxObject& o, int32_t p) { o.DivideEdges(EdgePairs(o, p), 3); }},
        {"DivideFaces2", [](VgxObject& o, int32_t p) { o.DivideFaces2(Every(o.GetFaceCount(), 100 / p), 0); }},
        {"BevelPoints", [](VgxObject& o, int32_t p) { o.BevelPoints(Every(o.GetPointCount(), 100 / p), 0.1f); }},
        {"BevelEdges", [](VgxObject& o, int32_t p) { o.BevelEdges(EdgePairs(o, p), 0.1f, 100); }},
    };
    for (int64_t faces : {10000, 100000}) {
        const std::string source = "grid/faces:" + std::to_string(faces);
        for (const auto& [name, edit] : selected) {
            for (int32_t percent : {1, 10, 100}) {
                benchmark::RegisterBenchmark(
                    (name + "/" + source + "/selected:" + std::to_string(percent)).c_str(),
                    [=](benchmark::State& state) { Run(state, Generated(Shape::Grid, faces), percent, edit); })
                    ->Unit(benchmark::kMillisecond);
            }
        }
        // Joining points cuts the faces that hold exactly two of them: one diagonal
        // of one quad, as a host joins a pair the user picked.
        benchmark::RegisterBenchmark(("JoinPoints/" + source).c_str(), [=](benchmark::State& state) {
            Run(state, Generated(Shape::Grid, faces), 100, [](VgxObject& o, int32_t) {
                o.JoinPoints({o.GetFace(0)->GetPointID(0), o.GetFace(0)->GetPointID(2)});
            });
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("RepairGeometry/" + source).c_str(), [=](benchmark::State& state) {
            Run(state, Bent(Generated(Shape::Grid, faces)), 100, [](VgxObject& o, int32_t) { o.RepairGeometry(5); });
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Solidify/" + source).c_str(), [=](benchmark::State& state) {
            Run(state, Generated(Shape::Grid, faces), 100, [](VgxObject& o, int32_t) { o.Solidify(100); });
        })->Unit(benchmark::kMillisecond);
    }
    // One picked element on a big mesh, as a host edits under the mouse.
    const std::string big = "triangles/faces:1000000";
    benchmark::RegisterBenchmark(("BevelPointsOne/" + big).c_str(), [=](benchmark::State& state) {
        Run(state, Generated(Shape::Triangles, 1000000), 100,
            [](VgxObject& o, int32_t) { o.BevelPoints({o.GetPointCount() / 2}, 0.1f); });
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("DivideFacesOne/" + big).c_str(), [=](benchmark::State& state) {
        Run(state, Generated(Shape::Triangles, 1000000), 100,
            [](VgxObject& o, int32_t) { o.DivideFaces({o.GetFaceCount() / 2}, 0); });
    })->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
