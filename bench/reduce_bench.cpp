// Reduce on spheres of 100k and 1M triangles and on public meshes, to 50% and 10% of
// the vertices: the whole operation (export, .x file round trip, simplification,
// rebuild), its simplification step alone, and meshoptimizer's meshopt_simplify on
// the same triangles with the same aim, so the overhead around the simplifier shows.
// After the timed passes each case measures its result against the original surface:
// "hausdorff" (symmetric) and "mean_dist" (the mean of the two one-sided area-weighted
// means), both as a share of the original's bounding-box diagonal, and "open_edges",
// edges one triangle uses (holes) where the original has "open_edges_in", and
// "slivers", triangles with an angle under a degree ("slivers_in" in the original).
// Then the shadow volume outline on spheres of 10k and 100k triangles.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "base/vec3.h"
#include "ops/mesh_simplify.h"
#include "support/obj_reader.h"

#if VGX_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

using vgx::Vec3;
using vgx::bench::FromFile;
using vgx::bench::Generated;
using vgx::bench::MeshSource;
using vgx::bench::Pooled;
using vgx::bench::QuietRoot;
using vgx::bench::Shape;
using vgx::test::ObjMesh;

// Sampling the 1M-triangle meshes would take longer than all the timed cases.
constexpr size_t kMeasuredTriangles = 200000;

// A triangle list over one vertex per distinct (point, UV) pair: what Reduce hands
// its simplifier, and what it leaves behind.
struct Triangles {
    std::vector<float> positions, uvs;
    std::vector<uint32_t> indices;

    size_t VertexCount() const { return positions.size() / 3; }
    size_t TriangleCount() const { return indices.size() / 3; }
    Vec3 At(uint32_t v) const { return {positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2]}; }
};

// The object's faces split into fans (all meshes here are triangles or planar quads,
// so the diagonal chosen does not move the surface).
Triangles Surface(const VgxObject& object) {
    std::vector<VgxVectorUV> vertices;
    std::vector<VgxVector> normals;
    std::vector<int32_t> faceData;
    int32_t vertexCount = 0, normalCount = 0, faceDataCount = 0;
    object.GetGeometryPointUV(vertices, vertexCount, normals, normalCount, faceData, faceDataCount);
    Triangles surface;
    for (const VgxVectorUV& v : vertices) {
        surface.positions.insert(surface.positions.end(), {v.Vector.X, v.Vector.Y, v.Vector.Z});
        surface.uvs.insert(surface.uvs.end(), {v.UV.U, v.UV.V});
    }
    for (size_t i = 0; i < faceData.size() && faceData[i] != 0; i += 1 + 2 * size_t(faceData[i])) {
        const int32_t* corner = &faceData[i + 1];
        for (int32_t k = 2; k < faceData[i]; ++k)
            surface.indices.insert(surface.indices.end(),
                                   {uint32_t(corner[0]), uint32_t(corner[2 * (k - 1)]), uint32_t(corner[2 * k])});
    }
    return surface;
}

size_t VerticesUsed(const Triangles& mesh) {
    std::vector<bool> used(mesh.VertexCount());
    for (uint32_t v : mesh.indices) used[v] = true;
    return size_t(std::count(used.begin(), used.end(), true));
}

// Edges (by position: UV seams are not holes) that only one triangle uses.
size_t OpenEdges(const Triangles& mesh) {
    std::map<std::array<float, 3>, uint32_t> welded;
    std::vector<uint32_t> point(mesh.VertexCount());
    for (uint32_t v = 0; v < point.size(); ++v)
        point[v] = welded.try_emplace({mesh.positions[v * 3], mesh.positions[v * 3 + 1], mesh.positions[v * 3 + 2]},
                                      uint32_t(welded.size()))
                       .first->second;
    std::unordered_map<uint64_t, int> uses;
    for (size_t t = 0; t < mesh.indices.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = point[mesh.indices[t + k]], b = point[mesh.indices[t + (k + 1) % 3]];
            ++uses[uint64_t(std::min(a, b)) << 32 | std::max(a, b)];
        }
    return size_t(std::count_if(uses.begin(), uses.end(), [](const auto& entry) { return entry.second == 1; }));
}

// Triangles with an angle under a degree, those of no area included.
size_t Slivers(const Triangles& mesh) {
    const double cosine = std::cos(std::numbers::pi / 180);
    size_t slivers = 0;
    for (size_t t = 0; t < mesh.indices.size(); t += 3) {
        bool thin = false;
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = mesh.At(mesh.indices[t + k]);
            const Vec3 u = mesh.At(mesh.indices[t + (k + 1) % 3]) - p, v = mesh.At(mesh.indices[t + (k + 2) % 3]) - p;
            const double lengths = std::sqrt(u.Dot(u) * v.Dot(v));
            thin = thin || !(lengths > 0) || u.Dot(v) / lengths > cosine;
        }
        slivers += thin;
    }
    return slivers;
}

// ---- distance between surfaces ----

Vec3 ClosestOnSegment(const Vec3& p, const Vec3& a, const Vec3& b) {
    const Vec3 ab = b - a;
    const double length2 = ab.Dot(ab);
    return length2 > 0 ? a + ab * std::clamp((p - a).Dot(ab) / length2, 0.0, 1.0) : a;
}

// The closest point by the triangle's Voronoi regions (Ericson, Real-Time Collision
// Detection 5.1.5); a triangle of no area falls back to its edges.
Vec3 ClosestOnTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 ab = b - a, ac = c - a, ap = p - a;
    const double d1 = ab.Dot(ap), d2 = ac.Dot(ap);
    if (d1 <= 0 && d2 <= 0) return a;
    const Vec3 bp = p - b;
    const double d3 = ab.Dot(bp), d4 = ac.Dot(bp);
    if (d3 >= 0 && d4 <= d3) return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
    const Vec3 cp = p - c;
    const double d5 = ab.Dot(cp), d6 = ac.Dot(cp);
    if (d6 >= 0 && d5 <= d6) return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double sum = va + vb + vc;
    if (!(sum > 0)) {
        Vec3 best = ClosestOnSegment(p, a, b);
        for (const Vec3& q : {ClosestOnSegment(p, b, c), ClosestOnSegment(p, c, a)})
            if ((q - p).Dot(q - p) < (best - p).Dot(best - p)) best = q;
        return best;
    }
    return a + ab * (vb / sum) + ac * (vc / sum);
}

// Triangles listed in every cell of a uniform grid their bounding box touches. A
// query searches shells of cells outwards until nothing unvisited can be nearer.
class TriangleGrid {
public:
    explicit TriangleGrid(const Triangles& mesh) : mesh_(mesh) {
        Vec3 hi(-DBL_MAX, -DBL_MAX, -DBL_MAX);
        lo_ = {DBL_MAX, DBL_MAX, DBL_MAX};
        double area = 0;
        for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
            const auto [a, b, c] = Corners(t);
            const Vec3 normal = (b - a).Cross(c - a);
            area += std::sqrt(normal.Dot(normal)) / 2;
            for (const Vec3& p : {a, b, c}) {
                lo_ = {std::min(lo_.x, p.x), std::min(lo_.y, p.y), std::min(lo_.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
        }
        // A few triangles per occupied cell, but no more cells than four per triangle.
        const Vec3 extent = hi - lo_;
        const double triangles = double(std::max<size_t>(mesh.TriangleCount(), 1));
        cell_ = std::max({2 * std::sqrt(area / triangles), std::cbrt(extent.x * extent.y * extent.z / (4 * triangles)),
                          std::sqrt(extent.Dot(extent)) * 1e-4});
        for (int axis = 0; axis < 3; ++axis) dims_[axis] = std::clamp(int(Axis(extent, axis) / cell_) + 1, 1, 512);

        std::vector<std::array<int, 6>> ranges(mesh.TriangleCount());
        start_.assign(size_t(dims_[0]) * dims_[1] * dims_[2] + 1, 0);
        for (size_t t = 0; t < ranges.size(); ++t) {
            const auto [a, b, c] = Corners(t);
            for (int axis = 0; axis < 3; ++axis) {
                ranges[t][axis] = CellOf(std::min({Axis(a, axis), Axis(b, axis), Axis(c, axis)}), axis);
                ranges[t][axis + 3] = CellOf(std::max({Axis(a, axis), Axis(b, axis), Axis(c, axis)}), axis);
            }
            ForCells(ranges[t], [&](size_t cell) { ++start_[cell + 1]; });
        }
        for (size_t i = 1; i < start_.size(); ++i) start_[i] += start_[i - 1];
        items_.resize(start_.back());
        std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
        for (size_t t = 0; t < ranges.size(); ++t) ForCells(ranges[t], [&](size_t cell) { items_[fill[cell]++] = uint32_t(t); });
    }

    double Distance(const Vec3& p) const {
        std::array<int, 3> home;
        for (int axis = 0; axis < 3; ++axis) home[axis] = CellOf(Axis(p, axis), axis);
        double best2 = DBL_MAX;
        for (int r = 0;; ++r) {
            std::array<int, 6> block;
            for (int axis = 0; axis < 3; ++axis) {
                block[axis] = std::max(home[axis] - r, 0);
                block[axis + 3] = std::min(home[axis] + r, dims_[axis] - 1);
            }
            ForCells(block, [&](size_t cell, int i, int j, int k) {
                if (std::max({std::abs(i - home[0]), std::abs(j - home[1]), std::abs(k - home[2])}) != r) return;
                for (uint32_t n = start_[cell]; n < start_[cell + 1]; ++n) {
                    const auto [a, b, c] = Corners(items_[n]);
                    const Vec3 d = ClosestOnTriangle(p, a, b, c) - p;
                    best2 = std::min(best2, d.Dot(d));
                }
            });
            // Every unvisited triangle lies wholly beyond one face of the block.
            double reach = DBL_MAX;
            for (int axis = 0; axis < 3; ++axis) {
                if (block[axis] > 0) reach = std::min(reach, std::max(0.0, Axis(p, axis) - Lower(block[axis], axis)));
                if (block[axis + 3] < dims_[axis] - 1)
                    reach = std::min(reach, std::max(0.0, Lower(block[axis + 3] + 1, axis) - Axis(p, axis)));
            }
            if (reach == DBL_MAX || best2 <= reach * reach) return std::sqrt(best2);
        }
    }

private:
    static double Axis(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
    double Lower(int cell, int axis) const { return Axis(lo_, axis) + cell * cell_; }
    int CellOf(double value, int axis) const {
        return std::clamp(int(std::floor((value - Axis(lo_, axis)) / cell_)), 0, dims_[axis] - 1);
    }
    std::array<Vec3, 3> Corners(size_t t) const {
        const uint32_t* v = &mesh_.indices[t * 3];
        return {mesh_.At(v[0]), mesh_.At(v[1]), mesh_.At(v[2])};
    }
    template <typename Visit>
    void ForCells(const std::array<int, 6>& range, Visit visit) const {
        for (int k = range[2]; k <= range[5]; ++k)
            for (int j = range[1]; j <= range[4]; ++j)
                for (int i = range[0]; i <= range[3]; ++i) {
                    const size_t cell = (size_t(k) * dims_[1] + j) * dims_[0] + i;
                    if constexpr (std::is_invocable_v<Visit, size_t, int, int, int>)
                        visit(cell, i, j, k);
                    else
                        visit(cell);
                }
    }

    const Triangles& mesh_;
    Vec3 lo_;
    double cell_ = 1;
    std::array<int, 3> dims_{1, 1, 1};
    std::vector<uint32_t> start_, items_;
};

struct Distances {
    double max = 0, mean = 0;
};

// From surface `from` to `to`: at every vertex, and at the centroids of the n x n
// equal sub-triangles of every triangle (n its longest edge over `spacing`), so large
// triangles are sampled as densely as small ones. The mean is weighted by area.
Distances OneSided(const Triangles& from, const TriangleGrid& to, double spacing) {
    Distances result;
    std::vector<bool> done(from.VertexCount());
    for (uint32_t v : from.indices) {
        if (done[v]) continue;
        done[v] = true;
        result.max = std::max(result.max, to.Distance(from.At(v)));
    }
    double weighted = 0, area = 0;
    for (size_t t = 0; t < from.indices.size(); t += 3) {
        const Vec3 a = from.At(from.indices[t]), ab = from.At(from.indices[t + 1]) - a, ac = from.At(from.indices[t + 2]) - a;
        const double longest = std::sqrt(std::max({ab.Dot(ab), ac.Dot(ac), (ac - ab).Dot(ac - ab)}));
        const int n = std::clamp(int(std::ceil(longest / spacing)), 1, 64);
        const double share = std::sqrt(ab.Cross(ac).Dot(ab.Cross(ac))) / 2 / (n * n);
        const auto sample = [&](double u, double v) {
            const double d = to.Distance(a + ab * (u / n) + ac * (v / n));
            result.max = std::max(result.max, d);
            weighted += d * share;
        };
        for (int i = 0; i < n; ++i)
            for (int j = 0; i + j < n; ++j) {
                sample(i + 1.0 / 3, j + 1.0 / 3);
                if (i + j + 1 < n) sample(i + 2.0 / 3, j + 2.0 / 3);
            }
        area += share * n * n;
    }
    result.mean = area > 0 ? weighted / area : 0;
    return result;
}

void ReportQuality(benchmark::State& state, const Triangles& original, const Triangles& result) {
    state.counters["open_edges"] = double(OpenEdges(result));
    state.counters["open_edges_in"] = double(OpenEdges(original));
    state.counters["slivers"] = double(Slivers(result));
    state.counters["slivers_in"] = double(Slivers(original));
    if (original.TriangleCount() > kMeasuredTriangles) return;
    Vec3 lo(DBL_MAX, DBL_MAX, DBL_MAX), hi(-DBL_MAX, -DBL_MAX, -DBL_MAX);
    double edges = 0;
    for (size_t i = 0; i < original.indices.size(); ++i) {
        const Vec3 p = original.At(original.indices[i]), e = original.At(original.indices[i % 3 == 2 ? i - 2 : i + 1]) - p;
        edges += std::sqrt(e.Dot(e));
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const double diagonal = std::sqrt((hi - lo).Dot(hi - lo)), spacing = edges / double(original.indices.size());
    const Distances there = OneSided(result, TriangleGrid(original), spacing);
    const Distances back = OneSided(original, TriangleGrid(result), spacing);
    state.counters["hausdorff"] = std::max(there.max, back.max) / diagonal;
    state.counters["mean_dist"] = (there.mean + back.mean) / 2 / diagonal;
}

// ---- the timed cases ----

// Reduce's aim: Level % of the vertices, halves to even, at least 3.
size_t TargetVertices(size_t vertices, int32_t level) {
    return std::max<size_t>(3, size_t(std::nearbyint(float(vertices) * float(level) / 100.0f)));
}

enum class Variant { Reduce, SimplifyStep, Meshopt };

// Times one variant, then measures the last result against the original.
void Run(benchmark::State& state, const MeshSource& source, int32_t level, Variant variant) {
    const ObjMesh& mesh = source();
    auto root = QuietRoot();
    const Triangles original = Surface(*Pooled(*root, mesh));
    const size_t target = TargetVertices(original.VertexCount(), level);
    Triangles result;
    if (variant == Variant::Reduce) {
        std::shared_ptr<VgxObject> object;
        for (auto _ : state) {
            state.PauseTiming();
            object.reset();
            object = Pooled(*root, mesh);
            state.ResumeTiming();
            object->Reduce(level);
        }
        result = Surface(*object);
    } else if (variant == Variant::SimplifyStep) {
        vgx::simplify::TriangleMesh input{original.positions, original.uvs, {}, original.indices,
                                          std::vector<uint32_t>(original.TriangleCount(), 0)};
        vgx::simplify::TriangleMesh simplified;
        for (auto _ : state) simplified = vgx::simplify::Simplify(input, target);
        result.positions = std::move(simplified.positions);
        result.indices = std::move(simplified.indices);
    } else {
#if VGX_HAVE_MESHOPTIMIZER
        // meshopt_simplify aims at an index count: the mesh's own ratio of triangles to
        // vertices, as the simplification step's first try takes it.
        const size_t count = original.indices.size();
        const size_t aim = std::clamp<size_t>(count * target / original.VertexCount() / 3 * 3, 3, count);
        result.positions = original.positions;
        for (auto _ : state) {
            result.indices.resize(count);
            result.indices.resize(meshopt_simplify(result.indices.data(), original.indices.data(), count,
                                                   original.positions.data(), original.VertexCount(), 3 * sizeof(float),
                                                   aim, FLT_MAX, 0, nullptr));
        }
#endif
    }
    state.SetItemsProcessed(state.iterations() * int64_t(original.TriangleCount()));
    state.counters["triangles"] = double(original.TriangleCount());
    state.counters["target_vertices"] = double(target);
    state.counters["out_vertices"] = double(VerticesUsed(result));
    state.counters["out_triangles"] = double(result.TriangleCount());
    ReportQuality(state, original, result);
}

// The outline of a closed sphere lit from an oblique direction, its render data built
// before the timed calls.
void ShadowVolume(benchmark::State& state, const MeshSource& source) {
    auto root = QuietRoot();
    const int32_t device = root->CreateDeviceID();
    auto object = Pooled(*root, source());
    const auto software = std::make_shared<VgxSoftwareDevice>();
    object->GetVertexBuffer(device, software);
    const VgxVector light{0.36f, -0.48f, 0.8f};
    std::vector<VgxVector> points;
    int32_t count = 0;
    for (auto _ : state) {
        object->GetShadowVolumeVertices(device, points, count, light);
        benchmark::DoNotOptimize(points.data());
    }
    const size_t triangles = Surface(*object).TriangleCount();
    state.SetItemsProcessed(state.iterations() * int64_t(triangles));
    state.counters["triangles"] = double(triangles);
    state.counters["outline_edges"] = count / 6.0;
}

// Names read Operation/source/level:n; generated sources carry faces:n (the sphere's
// quads: twice as many triangles), files file:name.
void Register(const std::string& name, const MeshSource& source, bool large) {
    std::vector<std::pair<const char*, Variant>> variants = {{"Reduce", Variant::Reduce},
                                                             {"ReduceSimplifyStep", Variant::SimplifyStep}};
#if VGX_HAVE_MESHOPTIMIZER
    variants.emplace_back("MeshoptSimplify", Variant::Meshopt);
#endif
    for (int32_t level : {50, 10})
        for (const auto& [operation, variant] : variants) {
            auto* bench = benchmark::RegisterBenchmark(
                (std::string(operation) + "/" + name + "/level:" + std::to_string(level)).c_str(),
                [=, variant = variant](benchmark::State& state) { Run(state, source, level, variant); });
            bench->Unit(benchmark::kMillisecond);
            if (large) bench->Iterations(1);
        }
}

const bool registered = [] {
    for (int64_t faces : {50000, 500000})
        Register("sphere/faces:" + std::to_string(faces), [=]() -> const ObjMesh& { return Generated(Shape::Sphere, faces); },
                 faces > 100000);
    for (const char* file : {"spot", "stanford-bunny"}) {
        const std::string relative = std::string("meshes/common/") + file + ".obj";
        Register(std::string("file:") + file, [=]() -> const ObjMesh& { return FromFile(relative); }, false);
    }
    for (int64_t faces : {5000, 50000})
        benchmark::RegisterBenchmark(("ShadowVolume/sphere/faces:" + std::to_string(faces)).c_str(),
                                     [=](benchmark::State& state) {
                                         ShadowVolume(state, [=]() -> const ObjMesh& { return Generated(Shape::Sphere, faces); });
                                     })
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
