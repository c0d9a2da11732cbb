// The edges of a level and the lists around its points and edges: built for every
// face at once in flat passes, or side by side for faces appended later.
#include <vgx/VgxObject.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/task_pool.h"
#include "mesh/mod_index.h"
#include "mesh/point_key_runs.h"
#include "object/object_internal.h"

namespace vgx {
namespace {

constexpr size_t kListGrain = tasks::kCoarseGrain;  // points or edges whose lists one worker places at a time
constexpr size_t kFaceGrain = tasks::kCoarseGrain;  // faces one worker checks at a time

uint64_t EdgeKey(const iVgxEdge& edge) {
    return static_cast<uint64_t>(static_cast<uint32_t>(edge.Point[0])) << 32 | static_cast<uint32_t>(edge.Point[1]);
}

// The edge index finds pooled edges for side-by-side appends. The bulk build leaves
// it empty; it is filled from the edge list the first time an append needs it.
void EnsureEdgeIndex(iVgxObject& level) {
    if (level.EdgeIndex.Size() == static_cast<size_t>(level.EdgeListCount)) return;
    level.EdgeIndex.Clear();
    level.EdgeIndex.Reserve(static_cast<size_t>(level.EdgeListCount));
    for (int32_t e = 0; e < level.EdgeListCount; ++e) level.EdgeIndex.Insert(EdgeKey(level.EdgeList[e]), e);
}

// Raises 9 unless every corner names a point of the level, before anything is built.
void CheckCornerPoints(const iVgxObject& level, int32_t firstFace) {
    const size_t points = level.PointList.size();
    const size_t faces = level.FaceList.size() - static_cast<size_t>(firstFace);
    tasks::ParallelFor(faces, kFaceGrain, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin) + firstFace; f < static_cast<int32_t>(end) + firstFace; ++f) {
            const iVgxFacePoint* corners = level.FaceCorners(f);
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) CheckIndex(corners[k].Point, points);
        }
    });
}

}  // namespace

void AddFaceSide(iVgxObject& level, int32_t face, int32_t side) {
    iVgxFacePoint* corners = level.FaceCorners(face);
    const int32_t count = level.FaceList[face].PointCount;
    const int32_t a = corners[side].Point;
    const int32_t b = corners[(side + 1) % count].Point;
    VgxPoint& point = At(level.PointList, a);
    EnsureEdgeIndex(level);
    iVgxEdge edge;
    edge.Point[0] = std::min(a, b);
    edge.Point[1] = std::max(a, b);
    const int32_t index = modIndex::AddPooledEdge(level.EdgeList, level.EdgeListCount, level.EdgeIndex, edge, false);
    corners[side].Edge = index;
    level.Adjacency.Append(point.FaceList, face);
    level.Adjacency.Append(level.EdgeList[index].FaceList, face);
}

namespace {

// A side's key: filed under its lower point, the same edge as any side there
// with the same higher point.
struct SideKeys {
    struct Key {
        int32_t lower, higher, next;
    };
    static int32_t Point(const Key& key) { return key.lower; }
    static bool Same(const Key& a, const Key& b) { return a.higher == b.higher; }
    static int32_t& Next(Key& key) { return key.next; }
    static int32_t Next(const Key& key) { return key.next; }
};

iVgxEdge EdgeOf(const SideKeys::Key& key) {
    iVgxEdge edge;
    edge.Point[0] = key.lower;
    edge.Point[1] = key.higher;
    return edge;
}

// Pools every side's edge, numbered in order of first use, in runs of faces on
// the worker threads; the first run appends its edges as it meets them.
void PoolEdges(iVgxObject& level) {
    PointKeyRuns<SideKeys> runs;
    runs.Start(static_cast<size_t>(level.FaceListCount), level.PointList.size());
    // The first run appends to an array of its own: the level's fields share cache
    // lines that the other runs read for every face.
    BlockArray<iVgxEdge> edges;
    edges.swap(level.EdgeList);
    edges.reserve(level.Corners.size() / 2 + 1);
    runs.WalkRuns([&](size_t r) {
        for (auto f = static_cast<int32_t>(runs.FirstFace(r)); f < static_cast<int32_t>(runs.EndFace(r)); ++f) {
            iVgxFacePoint* corners = level.FaceCorners(f);
            const int32_t n = level.FaceList[f].PointCount;
            for (int32_t k = 0; k < n; ++k) {
                const int32_t a = corners[k].Point, b = corners[(k + 1) % n].Point;
                const SideKeys::Key key{std::min(a, b), std::max(a, b), 0};
                const int32_t edge = runs.FindOrAdd(r, key);
                if (r == 0 && static_cast<size_t>(edge) == edges.size()) edges.push_back(EdgeOf(key));
                corners[k].Edge = edge;
            }
        }
    });
    edges.swap(level.EdgeList);
    level.EdgeListCount = static_cast<int32_t>(level.EdgeList.size());
    if (runs.RunCount() == 1) return;
    runs.NumberLaterRuns(
        [&](size_t count) {
            GrowForOverwrite(level.EdgeList, count);
            level.EdgeListCount = static_cast<int32_t>(count);
        },
        [&](int32_t edge, const SideKeys::Key& key) { level.EdgeList[static_cast<size_t>(edge)] = EdgeOf(key); });
    runs.NumberLaterCorners(level, [&](size_t c) -> int32_t& { return level.Corners[c].Edge; });
}

// Calls visit(face, corner) for every corner, face by face.
template <class Visit>
void ForEachCorner(const iVgxObject& level, Visit&& visit) {
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) visit(f, corners[k]);
    }
}

// The faces around every point and the faces along every edge, each list in face
// order: what appending them one by one gives. They are counted, packed back to
// back in the arena's store (offsets by prefix sum, as in CSR), then filled by two
// walks over the faces that run side by side.
void FillLists(iVgxObject& level) {
    const size_t points = level.PointList.size(), edges = static_cast<size_t>(level.EdgeListCount);
    BlockArray<int32_t> cornersAt(points + 1, 0), sidesOf(edges + 1, 0);
    tasks::RunChunks(2, [&](size_t kind) {
        if (kind == 0) {
            ForEachCorner(level, [&](int32_t, const iVgxFacePoint& c) { ++cornersAt[c.Point]; });
        } else {
            ForEachCorner(level, [&](int32_t, const iVgxFacePoint& c) { ++sidesOf[c.Edge]; });
        }
    });
    // Counts become starts; the last entry is the total.
    const auto toStarts = [](BlockArray<int32_t>& counts) {
        int32_t at = 0;
        for (int32_t& count : counts) at += std::exchange(count, at);
    };
    tasks::RunChunks(2, [&](size_t kind) { toStarts(kind == 0 ? cornersAt : sidesOf); });
    const int32_t sides = cornersAt[points];
    BlockArray<int32_t> store = level.Adjacency.TakePacked();
    GrowForOverwrite(store, 2 * static_cast<size_t>(sides));  // every entry is filled below
    // The store holds the faces around the points, then the faces along the edges.
    const auto fill = [&](const BlockArray<int32_t>& starts, int32_t* out, auto keyOf) {
        BlockArray<int32_t> next(starts.begin(), starts.end() - 1);
        ForEachCorner(level, [&](int32_t f, const iVgxFacePoint& c) { out[next[keyOf(c)]++] = f; });
    };
    tasks::RunChunks(2, [&](size_t kind) {
        if (kind == 0) {
            fill(cornersAt, store.data(), [](const iVgxFacePoint& c) { return c.Point; });
        } else {
            fill(sidesOf, store.data() + sides, [](const iVgxFacePoint& c) { return c.Edge; });
        }
    });
    level.Adjacency.AdoptPacked(std::move(store));
    tasks::ParallelFor(points, kListGrain, [&](size_t begin, size_t end) {
        for (size_t p = begin; p < end; ++p) {
            level.PointList[p].FaceList = ListArena::Packed(cornersAt[p], cornersAt[p + 1] - cornersAt[p]);
        }
    });
    tasks::ParallelFor(edges, kListGrain, [&](size_t begin, size_t end) {
        for (size_t e = begin; e < end; ++e) {
            level.EdgeList[e].FaceList = ListArena::Packed(sides + sidesOf[e], sidesOf[e + 1] - sidesOf[e]);
        }
    });
}

}  // namespace

void RebuildAdjacency(iVgxObject& level, EdgeIds edgeIds) {
    CheckCornerPoints(level, 0);
    level.EdgeIndex.Clear();
    level.Adjacency.Clear();
    tasks::ParallelFor(level.PointList.size(), kListGrain, [&](size_t begin, size_t end) {
        for (size_t p = begin; p < end; ++p) level.PointList[p].FaceList = {};
    });
    if (edgeIds == EdgeIds::Pool) {
        level.EdgeList.clear();
        level.EdgeListCount = 0;
        PoolEdges(level);
    }
    FillLists(level);
}

void AddFaceSides(iVgxObject& level, int32_t firstFace) {
    CheckCornerPoints(level, firstFace);
    for (int32_t f = firstFace; f < static_cast<int32_t>(level.FaceList.size()); ++f) {
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) AddFaceSide(level, f, k);
    }
}

void EnsureAdjacency(VgxObject& object) {
    vgx::ObjectState& self = vgx::State(object);
    if (self.changes.EdgesCurrent()) return;
    RebuildAdjacency(self.Base());
    self.changes.EdgesBuilt();
}

}  // namespace vgx
