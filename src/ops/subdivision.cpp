// One Catmull-Clark step: topology and initial positions, then the moving rules
// with tension and the sharpness condition, over all points or only those a move
// affects. Everything runs over flat arrays indexed by point, face and edge, and
// one table of the corners around each point.
#include "ops/subdivision.h"

#include <vgx/VgxMaterial.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <utility>

#include "base/block_growth.h"
#include "base/errors.h"
#include "base/mod_math.h"
#include "base/task_pool.h"
#include "base/vec3.h"
#include "mesh/first_use_runs.h"
#include "mesh/mesh_records.h"
#include "mesh/mod_index.h"

namespace vgx::smoothing {
namespace {

// Points, faces or edges per chunk of the parallel passes.
constexpr size_t kPointsPerChunk = tasks::kFineGrain;

Vec3 PositionOf(const iVgxObject& record, int32_t point) { return Vec3(record.PointList[point].Point); }

bool HasFacePoint(const iVgxObject& record, int32_t face) { return record.FaceList[face].PointCount >= 3; }

// The edge of a corner's side, checked: a corner without an edge cannot be subdivided.
int32_t SideEdge(const iVgxObject& record, const iVgxFacePoint& corner) {
    return CheckIndex(corner.Edge, static_cast<size_t>(record.EdgeListCount));
}

Vec3 MiddleOf(const iVgxObject& source, int32_t edge) {
    const iVgxEdge& e = source.EdgeList[edge];
    return (PositionOf(source, e.Point[0]) + PositionOf(source, e.Point[1])) * 0.5;
}

// A face point at its face's average.
void PlaceFacePoint(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links, int32_t face) {
    const iVgxFacePoint* corners = source.FaceCorners(face);
    const int32_t n = source.FaceList[face].PointCount;
    Vec3 sum;
    for (int32_t k = 0; k < n; ++k) sum += PositionOf(source, corners[k].Point);
    next.PointList[links.facePoint[face]].Point = (sum * (1.0 / n)).ToFloat();
}

// Vertex points at the source points, face points at their face averages, edge
// points at the edge midpoints.
void PlaceInitialPoints(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links) {
    tasks::ParallelFor(static_cast<size_t>(source.PointListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
        for (size_t p = begin; p < end; ++p) next.PointList[p].Point = source.PointList[p].Point;
    });
    tasks::ParallelFor(static_cast<size_t>(source.FaceListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            if (links.facePoint[f] >= 0) PlaceFacePoint(source, next, links, f);
        }
    });
    tasks::ParallelFor(static_cast<size_t>(source.EdgeListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
        for (auto e = static_cast<int32_t>(begin); e < static_cast<int32_t>(end); ++e) {
            if (links.edgePoint[e] >= 0) next.PointList[links.edgePoint[e]].Point = MiddleOf(source, e).ToFloat();
        }
    });
}

// Face and edge points numbered after the source points: faces in order, then
// the used edges in edge order. Returns the next level's point count.
int32_t NumberNewPoints(const iVgxObject& source, SubdivisionLinks& links) {
    const auto faces = static_cast<size_t>(source.FaceListCount);
    const auto edges = static_cast<size_t>(source.EdgeListCount);
    GrowForOverwrite(links.facePoint, faces);  // each is numbered below
    links.edgePoint.assign(edges, -1);
    // Faces sharing an edge mark it alike.
    tasks::ParallelFor(faces, kPointsPerChunk, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            if (!HasFacePoint(source, f)) continue;
            const iVgxFacePoint* corners = source.FaceCorners(f);
            for (int32_t k = 0; k < source.FaceList[f].PointCount; ++k) {
                std::atomic_ref<int32_t>(links.edgePoint[SideEdge(source, corners[k])])
                    .store(0, std::memory_order_relaxed);
            }
        }
    });
    const auto facePoints = static_cast<int32_t>(tasks::ExclusiveScan(
        faces, kPointsPerChunk, [&](size_t f) { return HasFacePoint(source, static_cast<int32_t>(f)) ? 1 : 0; },
        links.facePoint.data()));
    tasks::ParallelFor(faces, kPointsPerChunk, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            links.facePoint[f] = HasFacePoint(source, f) ? source.PointListCount + links.facePoint[f] : -1;
        }
    });
    BlockArray<int32_t> usedBefore;
    GrowForOverwrite(usedBefore, edges);
    const auto edgePoints = static_cast<int32_t>(tasks::ExclusiveScan(
        edges, kPointsPerChunk, [&](size_t e) { return links.edgePoint[e] == 0 ? 1 : 0; }, usedBefore.data()));
    const int32_t firstEdgePoint = source.PointListCount + facePoints;
    tasks::ParallelFor(edges, kPointsPerChunk, [&](size_t begin, size_t end) {
        for (size_t e = begin; e < end; ++e) {
            if (links.edgePoint[e] == 0) links.edgePoint[e] = firstEdgePoint + usedBefore[e];
        }
    });
    return firstEdgePoint + edgePoints;
}

VgxUV MeanUV(const VgxUV& a, const VgxUV& b) { return {(a.U + b.U) * 0.5f, (a.V + b.V) * 0.5f}; }

// A UV added by subdivision: a face's centre, or the middle of a side whose ends
// take the source UVs atPoint0 and atPoint1 (at its edge's Point(0) and Point(1)).
struct NewUV {
    VgxUV uv;
    int32_t atPoint0 = -1, atPoint1 = -1;
};
struct SameEnds {
    bool operator()(const NewUV& a, const NewUV& b) const {
        return a.atPoint0 == b.atPoint0 && a.atPoint1 == b.atPoint1;
    }
};

// The UVs of the new corners, after the copied source UVs: per face its centre,
// then one per side. A side shares the UV of the last side along its edge when
// that one's ends took the same source UVs, so a UV seam stays a seam and nothing
// else splits. Entries are matched by index, not searched by value: searching
// cost ten times the step. uvIndexes gets per face, from the returned start, the
// centre's entry, then side k's at 1 + k.
BlockArray<int32_t> AddNewUVs(const iVgxObject& source, iVgxObject& next, BlockArray<int32_t>& uvIndexes) {
    const auto faces = static_cast<size_t>(source.FaceListCount);
    BlockArray<int32_t> start;
    GrowForOverwrite(start, faces);
    const auto slots = static_cast<size_t>(tasks::ExclusiveScan(
        faces, kPointsPerChunk,
        [&](size_t f) {
            const auto face = static_cast<int32_t>(f);
            return HasFacePoint(source, face) ? 1 + source.FaceList[face].PointCount : 0;
        },
        start.data()));
    GrowForOverwrite(uvIndexes, slots);  // every face with a face point fills its own
    FirstUseRuns<NewUV, SameEnds> runs(faces, static_cast<size_t>(source.EdgeListCount), slots);
    runs.WalkRuns([&](size_t run, int32_t firstFace, int32_t endFace) {
        for (int32_t f = firstFace; f < endFace; ++f) {
            if (!HasFacePoint(source, f)) continue;
            const iVgxFacePoint* corners = source.FaceCorners(f);
            const int32_t n = source.FaceList[f].PointCount;
            double u = 0, v = 0;
            for (int32_t k = 0; k < n; ++k) {
                const VgxUV& uv = At(source.UVList, corners[k].UV).Coordinate;
                u += uv.U, v += uv.V;
            }
            int32_t* out = &uvIndexes[start[f]];
            out[0] = runs.Add(run, {{static_cast<float>(u / n), static_cast<float>(v / n)}});
            for (int32_t k = 0; k < n; ++k) {
                const iVgxFacePoint& from = corners[k];
                const iVgxFacePoint& to = corners[(k + 1) % n];
                const bool forward = source.EdgeList[from.Edge].Point[0] == from.Point;
                const VgxUV middle = MeanUV(source.UVList[from.UV].Coordinate, source.UVList[to.UV].Coordinate);
                out[1 + k] = runs.Keep(run, from.Edge, {middle, forward ? from.UV : to.UV, forward ? to.UV : from.UV});
            }
        }
    });
    const size_t added = runs.Number();
    const auto copied = static_cast<size_t>(source.UVListCount);
    next.UVList.clear();
    GrowForOverwrite(next.UVList, copied + added);  // all written below
    tasks::ParallelFor(copied, kPointsPerChunk, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) next.UVList[i] = {source.UVList[i].Coordinate, 0};
    });
    runs.ForEachEntry([&](size_t place, const NewUV& entry) { next.UVList[copied + place] = {entry.uv, 0}; });
    tasks::RunChunks(runs.RunCount(), [&](size_t run) {
        for (int32_t f = runs.FirstFace(run); f < runs.EndFace(run); ++f) {
            if (!HasFacePoint(source, f)) continue;
            int32_t* out = &uvIndexes[start[f]];
            for (int32_t k = 0; k <= source.FaceList[f].PointCount; ++k) {
                out[k] = static_cast<int32_t>(copied) + runs.Place(run, out[k]);
            }
        }
    });
    next.UVListCount = static_cast<int32_t>(next.UVList.size());
    next.UVHashTable.Reset(0);  // a derived level is never searched
    return start;
}

// The next level's edges numbered in order of first use by its quads' corners,
// quad by quad, as renumbering or pooling them gives. A face's quads first use
// its inner edges and the halves of the source edges it is the first face to
// use, so each face numbers those on its own, after the faces before it.
class FirstUseEdges {
public:
    FirstUseEdges(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links)
        : source_(source), links_(links) {
        const auto faces = static_cast<size_t>(source.FaceListCount);
        const auto edges = static_cast<size_t>(source.EdgeListCount);
        FindFirstUsers();
        GrowForOverwrite(firstNumber_, faces);
        count_ = static_cast<int32_t>(tasks::ExclusiveScan(
            faces, kPointsPerChunk,
            [&](size_t f) {
                const auto face = static_cast<int32_t>(f);
                if (links.facePoint[face] < 0) return 0;
                const int32_t n = source.FaceList[face].PointCount;
                int32_t owned = 0;
                for (int32_t k = 0; k < n; ++k) owned += Owns(face, k) ? 1 : 0;
                return n + 2 * owned;
            },
            firstNumber_.data()));
        GrowForOverwrite(halfAt_, 2 * edges);  // each used edge's halves are written by their first face
        GrowInParallel(next.EdgeList, static_cast<size_t>(count_));
        tasks::ParallelFor(faces, kPointsPerChunk, [&](size_t begin, size_t end) {
            for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
                if (links.facePoint[f] < 0) continue;
                const iVgxFacePoint* corners = source.FaceCorners(f);
                const int32_t n = source.FaceList[f].PointCount;
                Number(f, [&](Kind kind, int32_t k, int32_t id) {
                    const int32_t middle = links.edgePoint[corners[k].Edge];
                    const int32_t other = kind == Kind::Inner   ? links.facePoint[f]
                                          : kind == Kind::Start ? corners[k].Point
                                                                : corners[(k + 1) % n].Point;
                    next.EdgeList[id].Point[0] = std::min(middle, other);
                    next.EdgeList[id].Point[1] = std::max(middle, other);
                    if (kind != Kind::Inner) halfAt_[HalfSlot(corners[k].Edge, other)] = id;
                });
            }
        });
    }

    // ids[k]: the edge from face f's face point to side k's edge point.
    void InnerEdges(int32_t f, int32_t* ids) const {
        Number(f, [&](Kind kind, int32_t k, int32_t id) {
            if (kind == Kind::Inner) ids[k] = id;
        });
    }
    // The half of source edge e at `point`.
    int32_t Half(int32_t e, int32_t point) const { return halfAt_[HalfSlot(e, point)]; }
    int32_t Count() const { return count_; }

private:
    // The edges a face's quads use first: from the face point (inner), or side k's
    // half at its first corner (start) or at the next one (end).
    enum class Kind { Inner, Start, End };

    // Quad j uses the inner edge of side j - 1, the end half of side j - 1, the
    // start half of side j and the inner edge of side j, in that order; the inner
    // edge of the last side is met first, in quad 0.
    template <class Visit>
    void Number(int32_t f, Visit&& visit) const {
        const int32_t n = source_.FaceList[f].PointCount;
        int32_t id = firstNumber_[f];
        visit(Kind::Inner, n - 1, id++);
        for (int32_t j = 0; j < n; ++j) {
            const int32_t before = (j + n - 1) % n;
            if (Owns(f, before)) visit(Kind::End, before, id++);
            if (Owns(f, j)) visit(Kind::Start, j, id++);
            if (j != n - 1) visit(Kind::Inner, j, id++);
        }
    }

    // The lowest face with a face point using each source edge.
    void FindFirstUsers() {
        firstUser_.assign(static_cast<size_t>(source_.EdgeListCount), std::numeric_limits<int32_t>::max());
        tasks::ParallelFor(static_cast<size_t>(source_.FaceListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
            for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
                if (links_.facePoint[f] < 0) continue;
                const iVgxFacePoint* corners = source_.FaceCorners(f);
                for (int32_t k = 0; k < source_.FaceList[f].PointCount; ++k) {
                    std::atomic_ref<int32_t> user(firstUser_[corners[k].Edge]);
                    int32_t seen = user.load(std::memory_order_relaxed);
                    while (f < seen && !user.compare_exchange_weak(seen, f, std::memory_order_relaxed)) {
                    }
                }
            }
        });
    }
    bool Owns(int32_t f, int32_t k) const { return firstUser_[source_.FaceCorners(f)[k].Edge] == f; }
    size_t HalfSlot(int32_t e, int32_t point) const {
        return 2 * static_cast<size_t>(e) + (source_.EdgeList[e].Point[0] == point ? 0 : 1);
    }

    const iVgxObject& source_;
    const SubdivisionLinks& links_;
    BlockArray<int32_t> firstUser_, firstNumber_, halfAt_;
    int32_t count_ = 0;
};

}  // namespace

void MaterialSlots(const iVgxObject& record, std::vector<iVgxMaterial>& table, std::vector<int32_t>& slots) {
    if (!record.FaceMaterialSlot.empty()) {
        table.assign(record.MaterialList.begin(), record.MaterialList.begin() + record.MaterialListCount);
        slots.assign(record.FaceMaterialSlot.begin(), record.FaceMaterialSlot.begin() + record.FaceListCount);
        return;
    }
    table.clear();
    slots.resize(static_cast<size_t>(record.FaceListCount));
    std::unordered_map<const VgxMaterial*, int32_t> known;
    const VgxMaterial* previous = nullptr;
    int32_t previousSlot = -1;
    for (int32_t f = 0; f < record.FaceListCount; ++f) {
        const auto& material = record.FaceMaterial(f);
        if (material.get() != previous || previousSlot < 0) {
            auto [found, added] = known.emplace(material.get(), static_cast<int32_t>(table.size()));
            if (added) table.push_back(iVgxMaterial{material, {}, {}, {}, {}, {}});
            previous = material.get();
            previousSlot = found->second;
        }
        slots[f] = previousSlot;
    }
}

void IndexEdges(iVgxObject& record) {
    record.EdgeList.clear();
    record.EdgeListCount = 0;
    record.EdgeIndex.Clear();
    record.EdgeIndex.Reserve(record.Corners.size() / 2 + 1);
    for (int32_t f = 0; f < record.FaceListCount; ++f) {
        iVgxFacePoint* corners = record.FaceCorners(f);
        const int32_t n = record.FaceList[f].PointCount;
        for (int32_t k = 0; k < n; ++k) {
            iVgxEdge edge;
            edge.Point[0] = std::min(corners[k].Point, corners[(k + 1) % n].Point);
            edge.Point[1] = std::max(corners[k].Point, corners[(k + 1) % n].Point);
            corners[k].Edge =
                modIndex::AddPooledEdge(record.EdgeList, record.EdgeListCount, record.EdgeIndex, edge, false);
        }
    }
    record.EdgeList.resize(static_cast<size_t>(record.EdgeListCount));
}

void Subdivide(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links, EdgeOrder order) {
    next.EmptyKeepingStorage();
    links.sourceCorners = {};
    const int32_t pointCount = NumberNewPoints(source, links);
    // Each face with a face point becomes one quad per corner, numbered in face order.
    const auto faces = static_cast<size_t>(source.FaceListCount);
    BlockArray<int32_t> firstQuad(faces);
    const auto quads = static_cast<int32_t>(tasks::ExclusiveScan(
        faces, kPointsPerChunk, [&](size_t f) { return links.facePoint[f] >= 0 ? source.FaceList[f].PointCount : 0; },
        firstQuad.data()));

    GrowInParallel(next.PointList, static_cast<size_t>(pointCount));  // fresh points: the storage was emptied
    next.PointListCount = pointCount;
    next.PointHashTable.Reset(HashTable::TypeFor(static_cast<size_t>(pointCount)));
    PlaceInitialPoints(source, next, links);
    next.NormalList.assign(source.NormalList.begin(), source.NormalList.begin() + source.NormalListCount);
    next.NormalListCount = source.NormalListCount;
    next.NormalHashTable = source.NormalHashTable;
    BlockArray<int32_t> uvIndexes;
    const BlockArray<int32_t> uvStart = AddNewUVs(source, next, uvIndexes);

    std::vector<int32_t> sourceSlots;
    MaterialSlots(source, next.MaterialList, sourceSlots);
    next.MaterialListCount = static_cast<int32_t>(next.MaterialList.size());

    GrowInParallel(next.FaceList, static_cast<size_t>(quads));
    // Every slot and corner is written below.
    GrowForOverwrite(next.FaceMaterialSlot, static_cast<size_t>(quads));
    GrowForOverwrite(next.Corners, static_cast<size_t>(quads) * 4);
    // The quads of every face, given innerEdges(f, ids), which puts the edge from
    // the face point to side k's edge point at ids[k], and half(e, point), the half
    // of source edge e at `point`.
    const auto writeQuads = [&](auto&& innerEdges, auto&& half) {
        tasks::ParallelFor(faces, kPointsPerChunk, [&](size_t begin, size_t end) {
            std::vector<int32_t> inner;
            for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
                const int32_t facePoint = links.facePoint[f];
                if (facePoint < 0) continue;
                const iVgxFacePoint* corners = source.FaceCorners(f);
                const int32_t n = source.FaceList[f].PointCount;
                inner.resize(static_cast<size_t>(n));
                innerEdges(f, inner.data());
                const int32_t* uv = &uvIndexes[uvStart[f]];  // centre, then side k at 1 + k
                for (int32_t k = 0; k < n; ++k) {
                    const int32_t quad = firstQuad[f] + k;
                    const int32_t before = (k + n - 1) % n;
                    const iVgxFacePoint& corner = corners[k];
                    const int32_t edgeBefore = corners[before].Edge;
                    iVgxFace& face = next.FaceList[quad];
                    face.CornerStart = quad * 4;
                    face.PointCount = face.CornerCapacity = 4;
                    next.FaceMaterialSlot[quad] = sourceSlots[f];
                    iVgxFacePoint* out = next.Corners.data() + face.CornerStart;
                    out[0] = {facePoint, corner.Normal, uv[0], inner[before]};
                    out[1] = {links.edgePoint[edgeBefore], corner.Normal, uv[1 + before],
                              half(edgeBefore, corner.Point)};
                    out[2] = {corner.Point, corner.Normal, corner.UV, half(corner.Edge, corner.Point)};
                    out[3] = {links.edgePoint[corner.Edge], corner.Normal, uv[1 + k], inner[k]};
                }
            }
        });
    };
    next.FaceListCount = quads;
    if (order == EdgeOrder::FirstUse) {
        const FirstUseEdges numbers(source, next, links);
        writeQuads([&](int32_t f, int32_t* ids) { numbers.InnerEdges(f, ids); },
                   [&](int32_t e, int32_t point) { return numbers.Half(e, point); });
        next.EdgeListCount = numbers.Count();
        return;
    }
    // Each used source edge splits in two at its edge point (the half at Point(0)
    // first), then one inner edge per quad, numbered as the quads.
    const auto edges = static_cast<size_t>(source.EdgeListCount);
    BlockArray<int32_t> halfStart(edges);
    const auto edgeCount = static_cast<int32_t>(tasks::ExclusiveScan(
        edges, kPointsPerChunk, [&](size_t e) { return links.edgePoint[e] >= 0 ? 2 : 0; }, halfStart.data()));
    GrowInParallel(next.EdgeList, static_cast<size_t>(edgeCount + quads));
    tasks::ParallelFor(edges, kPointsPerChunk, [&](size_t begin, size_t end) {
        for (size_t e = begin; e < end; ++e) {
            const int32_t middle = links.edgePoint[e];
            if (middle < 0) continue;
            next.EdgeList[halfStart[e]].Point[0] = source.EdgeList[e].Point[0];
            next.EdgeList[halfStart[e]].Point[1] = middle;
            next.EdgeList[halfStart[e] + 1].Point[0] = middle;
            next.EdgeList[halfStart[e] + 1].Point[1] = source.EdgeList[e].Point[1];
        }
    });
    writeQuads(
        [&](int32_t f, int32_t* ids) {
            const iVgxFacePoint* corners = source.FaceCorners(f);
            for (int32_t k = 0; k < source.FaceList[f].PointCount; ++k) {
                ids[k] = edgeCount + firstQuad[f] + k;
                next.EdgeList[ids[k]].Point[0] = links.facePoint[f];
                next.EdgeList[ids[k]].Point[1] = links.edgePoint[corners[k].Edge];
            }
        },
        [&](int32_t e, int32_t point) { return halfStart[e] + (source.EdgeList[e].Point[0] == point ? 0 : 1); });
    next.EdgeListCount = edgeCount + quads;
}

namespace {

// The moving rules: a point moves when the test is off or its sharpness passes it,
// then its smoothed position is blended with the unmoved one by the tension.
struct Rules {
    bool conditional;
    VgxCondition condition;
    double limit;  // radians
    double tension;

    Rules(VgxCondition c, float angle, float t)
        : conditional((c == VgxGreaterThan && angle > 0) || (c == VgxLessThan && angle < 180)),
          condition(c),
          limit(angle / 180.0 * modMath::kPi),
          tension(t) {}

    // The sharpness 2 x (sum of angles between each direction and their mean) / count.
    bool Moves(const Vec3& from, const Vec3* facePoints, int32_t count) const {
        if (!conditional) return true;
        Vec3 mean;
        for (int32_t i = 0; i < count; ++i) mean += (facePoints[i] - from).Unit();
        mean = mean.Unit();
        double angles = 0;
        for (int32_t i = 0; i < count; ++i) angles += modMath::ArcCos((facePoints[i] - from).Unit().Dot(mean));
        const double measure = 2 * angles / count;
        return condition == VgxGreaterThan ? measure > limit : measure < limit;
    }
};

// Reused between the points of one pass: the face points around the current point
// or edge, and the edges met around the current point.
struct Scratch {
    std::vector<Vec3> facePoints;
    std::vector<int32_t> edges;
};


Vec3 FacePoint(const iVgxObject& next, const SubdivisionLinks& links, int32_t face) {
    return Vec3(next.PointList[links.facePoint[face]].Point);
}

// The vertex rule at source point p: (F - 3) P / F + (face points' mean) / F + 2 x
// (sum of the midpoints of its edges) / F^2, F its number of corners.
void MoveVertexPoint(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links, const Rules& rules,
                     int32_t p, Scratch& scratch) {
    const Vec3 position = PositionOf(source, p);
    next.PointList[p].Point = position.ToFloat();
    scratch.facePoints.clear();
    scratch.edges.clear();
    Vec3 faceSum, middleSum;
    const PointCorners& around = links.sourceCorners;
    for (int32_t i = around.start[p]; i < around.start[p + 1]; ++i) {
        const auto [face, k] = around.corners[i];
        if (links.facePoint[face] < 0) continue;
        scratch.facePoints.push_back(FacePoint(next, links, face));
        faceSum += scratch.facePoints.back();
        const iVgxFacePoint* corners = source.FaceCorners(face);
        const int32_t n = source.FaceList[face].PointCount;
        for (int32_t edge : {corners[k].Edge, corners[(k + n - 1) % n].Edge}) {
            // Each edge counts once; a point has few.
            if (std::find(scratch.edges.begin(), scratch.edges.end(), edge) != scratch.edges.end()) continue;
            scratch.edges.push_back(edge);
            middleSum += MiddleOf(source, edge);
        }
    }
    const auto count = static_cast<int32_t>(scratch.facePoints.size());
    if (count == 0 || !rules.Moves(position, scratch.facePoints.data(), count)) return;
    const double inverse = 1.0 / count;
    const Vec3 smoothed = position * ((count - 3) * inverse) + faceSum * (inverse * inverse) +
                          middleSum * (2 * inverse * inverse);
    next.PointList[p].Point = (position * rules.tension + smoothed * (1 - rules.tension)).ToFloat();
}

// The edge rule: the midpoint M moves to (mean of its faces' face points + M) / 2,
// so an edge with one face moves half-way to that face point.
void MoveEdgePoint(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links, const Rules& rules,
                   int32_t edge, Scratch& scratch) {
    const Vec3 middle = MiddleOf(source, edge);
    scratch.facePoints.clear();
    Vec3 faceSum;
    // Every side on the edge touches its first point once, leaving or entering it.
    const int32_t from = source.EdgeList[edge].Point[0];
    const PointCorners& around = links.sourceCorners;
    for (int32_t i = around.start[from]; i < around.start[from + 1]; ++i) {
        const auto [face, k] = around.corners[i];
        if (links.facePoint[face] < 0) continue;
        const iVgxFacePoint* corners = source.FaceCorners(face);
        const int32_t n = source.FaceList[face].PointCount;
        const int32_t sides = (corners[k].Edge == edge ? 1 : 0) + (corners[(k + n - 1) % n].Edge == edge ? 1 : 0);
        for (int32_t side = 0; side < sides; ++side) {
            scratch.facePoints.push_back(FacePoint(next, links, face));
            faceSum += scratch.facePoints.back();
        }
    }
    const auto count = static_cast<int32_t>(scratch.facePoints.size());
    Vec3 moved = middle;
    if (count > 0 && rules.Moves(middle, scratch.facePoints.data(), count)) {
        moved = middle * rules.tension + (faceSum * (1.0 / count) + middle) * (0.5 * (1 - rules.tension));
    }
    next.PointList[links.edgePoint[edge]].Point = moved.ToFloat();
}


void EnsureSourceCorners(const iVgxObject& source, SubdivisionLinks& links) {
    if (!links.sourceCorners.Built()) links.sourceCorners.Build(source);
}

}  // namespace

void PositionSmoothedPoints(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links,
                            VgxCondition condition, float angle, float tension) {
    EnsureSourceCorners(source, links);
    const Rules rules(condition, angle, tension);
    // Every point and edge point is written by its own step from the source and
    // the face points alone, so chunks run in any order.
    tasks::ParallelFor(static_cast<size_t>(source.PointListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
        Scratch scratch;
        for (auto p = static_cast<int32_t>(begin); p < static_cast<int32_t>(end); ++p)
            MoveVertexPoint(source, next, links, rules, p, scratch);
    });
    tasks::ParallelFor(static_cast<size_t>(source.EdgeListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
        Scratch scratch;
        for (auto e = static_cast<int32_t>(begin); e < static_cast<int32_t>(end); ++e) {
            if (links.edgePoint[e] >= 0) MoveEdgePoint(source, next, links, rules, e, scratch);
        }
    });
}

void UpdateSmoothedPositions(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links,
                             VgxCondition condition, float angle, float tension, const std::vector<int32_t>& moved,
                             std::vector<int32_t>& affected) {
    EnsureSourceCorners(source, links);
    const PointCorners& around = links.sourceCorners;
    const Rules rules(condition, angle, tension);
    Scratch scratch;
    affected.clear();
    // The faces around the moved points get their face points first: the vertex
    // and edge rules read them.
    std::vector<int32_t> faces;
    links.faces.BeginRound(static_cast<size_t>(source.FaceListCount));
    for (int32_t p : moved) {
        for (int32_t i = around.start[p]; i < around.start[p + 1]; ++i) {
            const int32_t face = around.corners[i].face;
            if (links.facePoint[face] < 0 || !links.faces.First(face)) continue;
            faces.push_back(face);
            PlaceFacePoint(source, next, links, face);
            affected.push_back(links.facePoint[face]);
        }
    }
    // A point without faces only follows its source.
    for (int32_t p : moved) next.PointList[p].Point = source.PointList[p].Point;
    links.points.BeginRound(static_cast<size_t>(source.PointListCount));
    std::vector<int32_t> sides;
    for (int32_t face : faces) {
        const iVgxFacePoint* corners = source.FaceCorners(face);
        for (int32_t k = 0; k < source.FaceList[face].PointCount; ++k) {
            sides.push_back(corners[k].Edge);
            const int32_t p = corners[k].Point;
            if (!links.points.First(p)) continue;
            MoveVertexPoint(source, next, links, rules, p, scratch);
            affected.push_back(p);
        }
    }
    links.edges.BeginRound(static_cast<size_t>(source.EdgeListCount));
    for (int32_t edge : sides) {
        if (!links.edges.First(edge)) continue;
        MoveEdgePoint(source, next, links, rules, edge, scratch);
        affected.push_back(links.edgePoint[edge]);
    }
}

}  // namespace vgx::smoothing
