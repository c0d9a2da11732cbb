// The edges of a level and the lists around its points and edges: built for every
// face at once in flat passes, or side by side for faces appended later.
#include <vgx/VgxObject.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "mesh/mod_index.h"
#include "mesh/object_internal.h"
#include "root/errors.h"
#include "root/task_pool.h"

namespace vgx {
namespace {

constexpr size_t kListGrain = 65536;  // points or edges whose lists one worker places at a time
constexpr size_t kFaceGrain = 65536;  // faces one worker checks at a time

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
    level.Adjacency.Append(point.EdgeList, index);
    level.Adjacency.Append(point.FaceList, face);
    level.Adjacency.Append(level.EdgeList[index].FaceList, face);
}

namespace {

// Appends an edge record joining a side's two points, lower point first.
int32_t AppendEdge(iVgxObject& level, int32_t a, int32_t b) {
    iVgxEdge& record = level.EdgeList.emplace_back();
    record.Point[0] = std::min(a, b);
    record.Point[1] = std::max(a, b);
    return level.EdgeListCount++;
}

// Pools every side's edge, numbered in order of first use. Each side is filed under
// its lower point and the few sides filed there are searched for the higher one, so
// pooling touches memory near the point instead of a hash slot per side.
void PoolEdges(iVgxObject& level) {
    const size_t points = level.PointList.size();
    BlockArray<int32_t> sidesFrom(points + 1, 0);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        const int32_t n = level.FaceList[f].PointCount;
        for (int32_t k = 0; k < n; ++k) ++sidesFrom[std::min(corners[k].Point, corners[(k + 1) % n].Point) + 1];
    }
    for (size_t p = 0; p < points; ++p) sidesFrom[p + 1] += sidesFrom[p];
    struct Filed {
        int32_t higher, edge;
    };
    BlockArray<Filed> filed(static_cast<size_t>(sidesFrom[points]));
    BlockArray<int32_t> filedEnd(sidesFrom.begin(), sidesFrom.end() - 1);
    level.EdgeList.reserve(filed.size() / 2 + 1);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        iVgxFacePoint* corners = level.FaceCorners(f);
        const int32_t n = level.FaceList[f].PointCount;
        for (int32_t k = 0; k < n; ++k) {
            const int32_t a = corners[k].Point, b = corners[(k + 1) % n].Point;
            const int32_t lower = std::min(a, b), higher = std::max(a, b);
            int32_t edge = -1;
            for (int32_t i = sidesFrom[lower]; i < filedEnd[lower]; ++i) {
                if (filed[i].higher == higher) {
                    edge = filed[i].edge;
                    break;
                }
            }
            if (edge < 0) {
                edge = AppendEdge(level, a, b);
                filed[filedEnd[lower]++] = {higher, edge};
            }
            corners[k].Edge = edge;
        }
    }
}

// Calls visit(face, corner) for every corner, face by face.
template <class Visit>
void ForEachCorner(const iVgxObject& level, Visit&& visit) {
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) visit(f, corners[k]);
    }
}

// The faces and edges around every point and the faces along every edge, each
// list in face order, side by side: what appending them one by one gives. They
// are counted, packed back to back in the arena's store, then filled by two walks
// over the faces that run side by side.
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
    GrowForOverwrite(store, 3 * static_cast<size_t>(sides));  // every entry is filled below
    // The store holds the faces around the points, then their edges, then the faces
    // along the edges. One walk fills both lists of the points, another the edges'.
    tasks::RunChunks(2, [&](size_t kind) {
        if (kind == 1) {
            BlockArray<int32_t> next(sidesOf.begin(), sidesOf.end() - 1);
            int32_t* out = store.data() + 2 * static_cast<size_t>(sides);
            ForEachCorner(level, [&](int32_t f, const iVgxFacePoint& c) { out[next[c.Edge]++] = f; });
            return;
        }
        BlockArray<int32_t> next(cornersAt.begin(), cornersAt.end() - 1);
        int32_t* faces = store.data();
        int32_t* edgesOut = store.data() + static_cast<size_t>(sides);
        ForEachCorner(level, [&](int32_t f, const iVgxFacePoint& c) {
            const int32_t at = next[c.Point]++;
            faces[at] = f;
            edgesOut[at] = c.Edge;
        });
    });
    level.Adjacency.AdoptPacked(std::move(store));
    tasks::ParallelFor(points, kListGrain, [&](size_t begin, size_t end) {
        for (size_t p = begin; p < end; ++p) {
            const int32_t count = cornersAt[p + 1] - cornersAt[p];
            level.PointList[p].FaceList = ListArena::Packed(cornersAt[p], count);
            level.PointList[p].EdgeList = ListArena::Packed(sides + cornersAt[p], count);
        }
    });
    tasks::ParallelFor(edges, kListGrain, [&](size_t begin, size_t end) {
        for (size_t e = begin; e < end; ++e) {
            level.EdgeList[e].FaceList = ListArena::Packed(2 * sides + sidesOf[e], sidesOf[e + 1] - sidesOf[e]);
        }
    });
}

}  // namespace

void RebuildAdjacency(iVgxObject& level, EdgeIds edgeIds) {
    CheckCornerPoints(level, 0);
    level.EdgeIndex.Clear();
    level.Adjacency.Clear();
    tasks::ParallelFor(level.PointList.size(), kListGrain, [&](size_t begin, size_t end) {
        for (size_t p = begin; p < end; ++p) level.PointList[p].FaceList = level.PointList[p].EdgeList = {};
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
    if (self.edgesValid) return;
    RebuildAdjacency(self.Base());
    self.edgesValid = true;
}

}  // namespace vgx
