// BevelPoints and BevelEdges: corners and edges of the editable mesh cut back by a
// distance, the cuts closed with new faces (application data 1). Cuts are made on a
// working copy of the faces and applied with one delete and one append, so many
// selected points cost no more than one pass over the mesh each.
#include <vgx/VgxObject.h>

#include <algorithm>
#include <cmath>

#include "base/errors.h"
#include "base/finite.h"
#include "base/mod_vector.h"
#include "base/vec3.h"
#include "mesh/list_arena.h"
#include "mesh/mod_index.h"
#include "object/object_internal.h"
#include "ops/divide_faces.h"

namespace vgx {
namespace {

constexpr std::string_view kSource = "VgxObject";
constexpr float kSamePosition = 0.0001f;

VgxVector PositionOf(const iVgxObject& level, int32_t point) { return At(level.PointList, point).Point; }

// A new point, not merged with any other until the final optimisation.
int32_t AppendPoint(iVgxObject& level, const VgxVector& position) {
    VgxPoint point;
    point.Point = position;
    if (level.PointList.size() <= static_cast<size_t>(level.PointListCount)) level.PointList.resize(level.PointListCount + 1);
    return modIndex::AddPooledPoint(level.PointList, level.PointListCount, level.PointHashTable, point, false, false);
}

// The point `bevel` from `from` towards `to`.
VgxVector CutPoint(const VgxVector& from, const VgxVector& to, float bevel) {
    const Vec3 p(from);
    return (p + (Vec3(to) - p).Unit() * bevel).ToFloat();
}

// The faces of level 0 being cut: the originals, then the faces made from them,
// each with its corners and where it stands in face order.
struct WorkingFaces {
    struct Face {
        std::vector<iVgxFacePoint> corners;
        std::shared_ptr<VgxMaterial> material;
        int32_t appData = 0;
        bool alive = true;
    };
    std::vector<Face> made;               // new faces in order of creation
    std::vector<bool> originalCut;        // per original face
    ListArena arena;                      // new faces around each point
    std::vector<ListArena::List> madeAt;  // per point

    void NoteCorners(int32_t face) {
        for (const iVgxFacePoint& corner : made[face].corners) {
            if (madeAt.size() <= static_cast<size_t>(corner.Point)) madeAt.resize(corner.Point + 1);
            arena.Append(madeAt[corner.Point], face);
        }
    }
};

// Every live face with a corner at `point`, in face order.
std::vector<int32_t> FacesAt(const iVgxObject& level, const WorkingFaces& work, int32_t point) {
    std::vector<int32_t> faces;
    level.Adjacency.ForEach(level.PointList[point].FaceList, [&](int32_t f) {
        if (!work.originalCut[f]) faces.push_back(f);
    });
    if (static_cast<size_t>(point) < work.madeAt.size()) {
        work.arena.ForEach(work.madeAt[point], [&](int32_t m) {
            if (work.made[m].alive) faces.push_back(level.FaceListCount + m);
        });
    }
    std::sort(faces.begin(), faces.end());
    faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
    return faces;
}

// Cuts every face at `point` back by `bevel` and closes the corner with a cap.
void CutCorner(iVgxObject& level, WorkingFaces& work, int32_t point, float bevel) {
    const int32_t originals = level.FaceListCount;
    struct Pair {
        int32_t first, second;
        bool used = false;
    };
    std::vector<Pair> pairs;
    std::shared_ptr<VgxMaterial> lastMaterial;
    iVgxFacePoint lastCorner;
    for (int32_t handle : FacesAt(level, work, point)) {
        std::vector<iVgxFacePoint> corners;
        WorkingFaces::Face cut;
        if (handle < originals) {
            const iVgxFacePoint* source = level.FaceCorners(handle);
            corners.assign(source, source + level.FaceList[handle].PointCount);
            cut.material = level.FaceMaterial(handle);
            work.originalCut[handle] = true;
        } else {
            WorkingFaces::Face& old = work.made[handle - originals];
            corners = old.corners;
            cut.material = old.material;
            old.alive = false;
        }
        const auto n = static_cast<int32_t>(corners.size());
        const VgxVector at = PositionOf(level, point);
        for (int32_t k = 0; k < n; ++k) {
            iVgxFacePoint corner = corners[k];
            corner.Edge = -1;
            if (corner.Point != point) {
                cut.corners.push_back(corner);
                continue;
            }
            const int32_t towardsPrevious =
                AppendPoint(level, CutPoint(at, PositionOf(level, corners[(k + n - 1) % n].Point), bevel));
            const int32_t towardsNext = AppendPoint(level, CutPoint(at, PositionOf(level, corners[(k + 1) % n].Point), bevel));
            pairs.push_back({towardsPrevious, towardsNext});
            lastCorner = corner;
            corner.Point = towardsPrevious;
            cut.corners.push_back(corner);
            corner.Point = towardsNext;
            cut.corners.push_back(corner);
        }
        lastMaterial = cut.material;
        work.made.push_back(std::move(cut));
        work.NoteCorners(static_cast<int32_t>(work.made.size()) - 1);
    }
    if (pairs.empty()) return;
    // The ring runs from each pair's second point to the pair that starts there.
    std::vector<int32_t> ring{pairs[0].second};
    pairs[0].used = true;
    for (bool found = true; found;) {
        found = false;
        const VgxVector current = PositionOf(level, ring.back());
        for (Pair& pair : pairs) {
            if (pair.used || !modVector::VectorsEqualWithin(PositionOf(level, pair.first), current, kSamePosition)) continue;
            pair.used = found = true;
            ring.push_back(pair.second);
            break;
        }
    }
    if (ring.size() < 3) return;
    // The ring runs against the cut faces' winding: reversed, the cap faces outwards with them.
    std::reverse(ring.begin(), ring.end());
    WorkingFaces::Face cap;
    cap.material = lastMaterial;
    cap.appData = 1;
    for (int32_t p : ring) cap.corners.push_back({p, lastCorner.Normal, lastCorner.UV, -1});
    work.made.push_back(std::move(cap));
}

// Deletes the cut originals and appends the made faces still alive, in order.
void ApplyCuts(VgxObject& object, const WorkingFaces& work) {
    std::vector<int32_t> cut;
    for (size_t f = 0; f < work.originalCut.size(); ++f) {
        if (work.originalCut[f]) cut.push_back(static_cast<int32_t>(f));
    }
    FaceBatch batch;
    for (const WorkingFaces::Face& face : work.made) {
        if (!face.alive) continue;
        batch.corners.insert(batch.corners.end(), face.corners.begin(), face.corners.end());
        batch.Close(face.appData, face.material);
    }
    if (!cut.empty()) object.DeleteFaces(cut);
    vgx::ObjectState& self = vgx::State(object);
    // The optimisation that follows rebuilds every edge, so none are built here.
    AddFaceRecords(object, self.Base(), std::move(batch), false);
    self.changes.StructureChanged(vgx::Changed::kPoints);
}

// Application data survives the optimisation that merges the cut points.
void OptimizeKeepingAppData(VgxObject& object) {
    iVgxObject& level = vgx::State(object).Base();
    std::vector<int32_t> appData(static_cast<size_t>(level.FaceListCount));
    for (int32_t f = 0; f < level.FaceListCount; ++f) appData[f] = level.FaceList[f].ApplicationData;
    vgx::State(object).changes.StructureChanged(vgx::Changed::kEdges);
    object.Optimize(false, 100);
    iVgxObject& optimized = vgx::State(object).Base();
    for (int32_t f = 0; f < optimized.FaceListCount && f < static_cast<int32_t>(appData.size()); ++f) {
        optimized.FaceList[f].ApplicationData = appData[f];
    }
}

void BevelCorners(VgxObject& object, const std::vector<int32_t>& points, float bevel) {
    EnsureAdjacency(object);
    iVgxObject& level = vgx::State(object).Base();
    WorkingFaces work;
    work.originalCut.assign(static_cast<size_t>(level.FaceListCount), false);
    for (int32_t point : points) CutCorner(level, work, point, bevel);
    ApplyCuts(object, work);
    OptimizeKeepingAppData(object);
}

// Raises 5 unless `bevel` (finite) is a positive distance that leaves every side
// at a cut corner longer than its cuts: `bevel` for one cut end, twice that for two.
void ValidateBevel(const iVgxObject& level, const std::vector<bool>& cutPoint, float bevel) {
    if (!(bevel > 0)) Raise(VgxErrInvalidCall);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        const int32_t n = level.FaceList[f].PointCount;
        for (int32_t k = 0; k < n; ++k) {
            const int32_t a = corners[k].Point, b = corners[(k + 1) % n].Point;
            const int cuts = (cutPoint[a] ? 1 : 0) + (cutPoint[b] ? 1 : 0);
            if (cuts == 0) continue;
            const Vec3 side = Vec3(PositionOf(level, b)) - Vec3(PositionOf(level, a));
            if (std::sqrt(side.Dot(side)) <= double{bevel} * cuts) Raise(VgxErrInvalidCall);
        }
    }
}

// The listed edges as (face, side) pairs, checked, each edge once.
std::vector<std::pair<int32_t, int32_t>> ReadEdgePairs(const iVgxObject& level, const std::vector<int32_t>& list) {
    cutting::CheckEdgePairs(level, list);
    std::vector<std::pair<int32_t, int32_t>> pairs;
    std::vector<bool> seen(static_cast<size_t>(level.EdgeListCount), false);
    for (size_t i = 0; i < list.size(); i += 2) {
        const int32_t face = list[i], side = list[i + 1];
        const int32_t edge = level.FaceCorners(face)[side].Edge;
        if (seen[edge]) continue;
        seen[edge] = true;
        pairs.emplace_back(face, side);
    }
    return pairs;
}

}  // namespace
}  // namespace vgx

void VgxObject::BevelPoints(const std::vector<int32_t>& PointList, float Bevel) {
    vgx::Trap(vgx::kSource, [&] {
        vgx::RequireFinite(vgx::kSource, Bevel);
        vgx::EnsureAdjacency(*this);
        const vgx::iVgxObject& level = internals_->Base();
        std::vector<bool> cut(static_cast<size_t>(level.PointListCount), false);
        for (int32_t point : PointList) cut[vgx::CheckIndex(point, cut.size())] = true;
        vgx::ValidateBevel(level, cut, Bevel);
        vgx::BevelCorners(*this, PointList, Bevel);
    });
}

void VgxObject::BevelEdges(const std::vector<int32_t>& EdgeList, float Bevel, int32_t Version) {
    vgx::Trap(vgx::kSource, [&] {
        vgx::RequireFinite(vgx::kSource, Bevel);
        vgx::EnsureAdjacency(*this);
        vgx::iVgxObject& level = internals_->Base();
        const auto pairs = vgx::ReadEdgePairs(level, EdgeList);
        std::vector<bool> endPoint(static_cast<size_t>(level.PointListCount), false);
        std::vector<bool> listedEdge(static_cast<size_t>(level.EdgeListCount), false);
        std::vector<int32_t> ends;
        for (const auto& [face, side] : pairs) {
            const vgx::iVgxFacePoint* corners = level.FaceCorners(face);
            listedEdge[corners[side].Edge] = true;
            for (int32_t point : level.EdgeList[corners[side].Edge].Point) {
                if (!endPoint[point]) ends.push_back(point);
                endPoint[point] = true;
            }
        }
        vgx::ValidateBevel(level, endPoint, Bevel);

        // Each face along a listed edge is made again with the edge's ends moved
        // back along its other sides; the moved ends of the two faces sharing an
        // edge are joined by a strip.
        const int32_t faces = level.FaceListCount;
        std::vector<int32_t> replaced;
        vgx::FaceBatch batch;
        struct MovedSide {
            int32_t face = -1;
            vgx::iVgxFacePoint from, to;  // the side's moved corners, in the face's order
        };
        vgx::BlockArray<MovedSide> firstSide(listedEdge.size()), secondSide(listedEdge.size());
        for (int32_t f = 0; f < faces; ++f) {
            const vgx::iVgxFacePoint* corners = level.FaceCorners(f);
            const int32_t n = level.FaceList[f].PointCount;
            const bool touched = std::any_of(corners, corners + n, [&](const vgx::iVgxFacePoint& c) {
                return c.Edge >= 0 && listedEdge[c.Edge];
            });
            if (!touched) continue;
            std::vector<vgx::iVgxFacePoint> moved(corners, corners + n);
            for (int32_t k = 0; k < n; ++k) {
                const bool before = listedEdge[corners[(k + n - 1) % n].Edge], after = listedEdge[corners[k].Edge];
                if (!before && !after) continue;
                const vgx::Vec3 at(vgx::PositionOf(level, corners[k].Point));
                vgx::Vec3 target = at;
                const auto away = [&](int32_t neighbour) {
                    target += (vgx::Vec3(vgx::PositionOf(level, corners[neighbour].Point)) - at).Unit() * Bevel;
                };
                if (before) away((k + 1) % n);
                if (after) away((k + n - 1) % n);
                moved[k].Point = vgx::AppendPoint(level, target.ToFloat());
            }
            for (int32_t k = 0; k < n; ++k) {
                moved[k].Edge = -1;
                const int32_t edge = corners[k].Edge;
                if (!listedEdge[edge]) continue;
                MovedSide& slot = firstSide[edge].face < 0 ? firstSide[edge] : secondSide[edge];
                slot = {f, moved[k], moved[(k + 1) % n]};
            }
            batch.corners.insert(batch.corners.end(), moved.begin(), moved.end());
            batch.Close(level.FaceList[f].ApplicationData, level.FaceMaterial(f));
            replaced.push_back(f);
        }
        for (size_t e = 0; e < listedEdge.size(); ++e) {
            if (!listedEdge[e] || secondSide[e].face < 0 || level.EdgeList[e].FaceList.count != 2) continue;
            const MovedSide& one = firstSide[e];
            const MovedSide& other = secondSide[e];
            batch.corners.insert(batch.corners.end(), {one.to, one.from, other.to, other.from});
            batch.Close(1, level.FaceMaterial(one.face));
        }
        DeleteFaces(replaced);
        vgx::AddFaceRecords(*this, internals_->Base(), std::move(batch), true);
        internals_->changes.StructureChanged(vgx::Changed::kPoints);

        if (!ends.empty()) vgx::BevelCorners(*this, ends, Bevel);
        vgx::iVgxObject& beveled = internals_->Base();
        std::vector<int32_t> appData(static_cast<size_t>(beveled.FaceListCount));
        for (int32_t f = 0; f < beveled.FaceListCount; ++f) appData[f] = beveled.FaceList[f].ApplicationData;
        Solidify(Version);
        vgx::iVgxObject& solid = internals_->Base();
        for (size_t f = 0; f < appData.size() && f < static_cast<size_t>(solid.FaceListCount); ++f) {
            solid.FaceList[f].ApplicationData = appData[f];
        }
        vgx::OptimizeKeepingAppData(*this);
    });
}
