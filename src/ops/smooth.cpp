// Smooth, Divide and Crease: the mirror copy, the display build of the smoothing
// levels, the normals of the displayed mesh and the creased normals of the
// editable mesh, then the operations.
#include "ops/smooth.h"

#include <algorithm>
#include <cmath>

#include "base/block_growth.h"
#include "base/errors.h"
#include "base/finite.h"
#include "base/mod_math.h"
#include "base/retained_mode.h"
#include "base/task_pool.h"
#include "base/vec3.h"
#include "mesh/mod_index.h"
#include "object/object_internal.h"
#include "ops/distinct_normals.h"
#include "ops/subdivision.h"

namespace vgx {
namespace {

// Faces per chunk of the parallel passes.
constexpr size_t kFacesPerChunk = tasks::kFineGrain;

constexpr std::string_view kSource = "VgxObject";
constexpr float kInPlane = 0.0001f;

float& AxisComponent(VgxVector& v, VgxAxis axis) { return axis == VgxAxisX ? v.X : axis == VgxAxisY ? v.Y : v.Z; }

VgxVector Reflect(VgxVector v, VgxAxis axis, float plane) {
    float& c = AxisComponent(v, axis);
    c = 2 * plane - c;
    return v;
}

// The working mesh: level 0, then for every face not lying in the mirror plane a
// copy reflected through it, with reversed corners so it faces outwards. Reflected
// points pool with the originals, so points on the plane are shared.
void MirrorBase(const iVgxObject& base, VgxAxis axis, float plane, iVgxObject& working,
                std::vector<int32_t>& mirroredPoint) {
    working.ClearGeometry();
    const auto points = static_cast<size_t>(base.PointListCount);
    std::vector<VgxVector> positions(points), reflected(points);
    for (size_t p = 0; p < points; ++p) {
        positions[p] = base.PointList[p].Point;
        reflected[p] = Reflect(positions[p], axis, plane);
    }
    working.PointHashTable.Reset(HashTable::TypeFor(2 * points));
    working.PointList.resize(2 * points);
    std::vector<int32_t> ignored;
    modIndex::AddPooledPoints(working.PointList, working.PointListCount, working.PointHashTable, positions, false,
                              ignored);
    modIndex::AddPooledPoints(working.PointList, working.PointListCount, working.PointHashTable, reflected, true,
                              mirroredPoint);

    const auto normals = static_cast<size_t>(base.NormalListCount);
    std::vector<VgxVector> normalValues(normals), reflectedNormals(normals);
    for (size_t i = 0; i < normals; ++i) {
        normalValues[i] = base.NormalList[i].Vector;
        reflectedNormals[i] = normalValues[i];
        AxisComponent(reflectedNormals[i], axis) = -AxisComponent(reflectedNormals[i], axis);
    }
    std::vector<int32_t> mirroredNormal;
    working.NormalHashTable.Reset(HashTable::TypeFor(2 * normals));
    working.NormalList.resize(2 * normals);
    modIndex::AddPooledNormals(working.NormalList, working.NormalListCount, working.NormalHashTable, normalValues,
                               false, ignored);
    modIndex::AddPooledNormals(working.NormalList, working.NormalListCount, working.NormalHashTable,
                               reflectedNormals, true, mirroredNormal);
    working.UVList.assign(base.UVList.begin(), base.UVList.begin() + base.UVListCount);
    working.UVListCount = base.UVListCount;
    working.UVHashTable = base.UVHashTable;

    std::vector<int32_t> slots;
    smoothing::MaterialSlots(base, working.MaterialList, slots);
    working.MaterialListCount = static_cast<int32_t>(working.MaterialList.size());
    working.Corners.reserve(2 * base.Corners.size());
    const auto inPlane = [&](const iVgxFacePoint* corners, int32_t n) {
        for (int32_t k = 0; k < n; ++k) {
            VgxVector p = positions[corners[k].Point];
            if (std::fabs(AxisComponent(p, axis) - plane) >= kInPlane) return false;
        }
        return true;
    };
    for (int32_t f = 0; f < base.FaceListCount; ++f) {
        const int32_t n = base.FaceList[f].PointCount;
        const int32_t face = working.AppendFace(n);
        working.FaceList[face].PointCount = n;
        std::copy_n(base.FaceCorners(f), n, working.FaceCorners(face));
        working.FaceMaterialSlot.push_back(slots[f]);
    }
    for (int32_t f = 0; f < base.FaceListCount; ++f) {
        const iVgxFacePoint* corners = base.FaceCorners(f);
        const int32_t n = base.FaceList[f].PointCount;
        if (inPlane(corners, n)) continue;
        const int32_t face = working.AppendFace(n);
        working.FaceList[face].PointCount = n;
        iVgxFacePoint* out = working.FaceCorners(face);
        for (int32_t k = 0; k < n; ++k) {
            const iVgxFacePoint& corner = corners[n - 1 - k];
            out[k] = {mirroredPoint[corner.Point], mirroredNormal[CheckIndex(corner.Normal, normals)], corner.UV, -1};
        }
        working.FaceMaterialSlot.push_back(slots[f]);
    }
    working.FaceListCount = static_cast<int32_t>(working.FaceList.size());
    smoothing::IndexEdges(working);
}

// After base points moved: they and their images follow. Returns the working
// points that moved.
std::vector<int32_t> Remirror(const iVgxObject& base, const std::vector<int32_t>& movedBase, VgxAxis axis,
                              float plane, iVgxObject& working, const std::vector<int32_t>& mirrorOf) {
    std::vector<int32_t> moved;
    for (int32_t p : movedBase) {
        working.PointList[p].Point = base.PointList[p].Point;
        working.PointList[mirrorOf[p]].Point = Reflect(base.PointList[p].Point, axis, plane);
        moved.insert(moved.end(), {p, mirrorOf[p]});
    }
    return moved;
}

// Whether moving these points keeps the mirror copy's structure: the plane stays,
// and no moved point was shared with its image or comes near enough to be.
bool MirrorHolds(const iVgxObject& base, const std::vector<int32_t>& moved, VgxAxis axis, float plane,
                 float previousPlane, const std::vector<int32_t>& mirrorOf) {
    if (plane != previousPlane) return false;
    for (int32_t p : moved) {
        VgxVector position = base.PointList[p].Point;
        if (mirrorOf[p] == p || std::fabs(AxisComponent(position, axis) - plane) < kInPlane) return false;
    }
    return true;
}

// A quad's normal comes from its diagonals, which suits the bent quads smoothing
// makes; other faces take their first two sides.
VgxVector DisplayedFaceNormal(const iVgxObject& record, int32_t face) {
    const iVgxFacePoint* corners = record.FaceCorners(face);
    const int32_t n = record.FaceList[face].PointCount;
    if (n < 3) return {0, 0, 0};
    const auto at = [&](int32_t k) { return Vec3(record.PointList[corners[k].Point].Point); };
    return (n == 4 ? (at(2) - at(0)).Cross(at(3) - at(1)) : (at(1) - at(0)).Cross(at(2) - at(1))).Unit().ToFloat();
}

// Smooth shading for the displayed mesh: each point's normal is the unit sum of
// the normals of the faces around it, and every corner takes its point's normal.
void RecomputeVisualNormals(iVgxObject& record, DisplayedNormals& shading) {
    const auto points = static_cast<size_t>(record.PointListCount);
    shading.faceNormals.resize(static_cast<size_t>(record.FaceListCount));
    shading.corners = {};
    std::vector<Vec3> sums(points);
    for (int32_t f = 0; f < record.FaceListCount; ++f) {
        const VgxVector normal = shading.faceNormals[f] = DisplayedFaceNormal(record, f);
        iVgxFacePoint* corners = record.FaceCorners(f);
        for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) {
            sums[corners[k].Point] += Vec3(normal);
            corners[k].Normal = corners[k].Point;
        }
    }
    record.NormalList.resize(points);
    record.NormalListCount = record.PointListCount;
    record.NormalHashTable.Reset(HashTable::TypeFor(points));
    for (size_t p = 0; p < points; ++p) record.NormalList[p] = {sums[p].Unit().ToFloat(), 0};
}

// After the points in `moved` changed: the faces around them get new normals, and
// every point of those faces its new sum. Returns the points whose normal was redone.
std::vector<int32_t> UpdateVisualNormals(iVgxObject& record, DisplayedNormals& shading,
                                         const std::vector<int32_t>& moved) {
    PointCorners& around = shading.corners;
    if (!around.Built()) around.Build(record);
    std::vector<int32_t> faces, points;
    shading.faces.BeginRound(static_cast<size_t>(record.FaceListCount));
    for (int32_t p : moved) {
        for (int32_t i = around.start[p]; i < around.start[p + 1]; ++i) {
            const int32_t face = around.corners[i].face;
            if (!shading.faces.First(face)) continue;
            faces.push_back(face);
            shading.faceNormals[face] = DisplayedFaceNormal(record, face);
        }
    }
    shading.points.BeginRound(static_cast<size_t>(record.PointListCount));
    for (int32_t face : faces) {
        const iVgxFacePoint* corners = record.FaceCorners(face);
        for (int32_t k = 0; k < record.FaceList[face].PointCount; ++k) {
            if (shading.points.First(corners[k].Point)) points.push_back(corners[k].Point);
        }
    }
    for (int32_t p : points) {
        Vec3 sum;
        for (int32_t i = around.start[p]; i < around.start[p + 1]; ++i) {
            sum += Vec3(shading.faceNormals[around.corners[i].face]);
        }
        record.NormalList[p].Vector = sum.Unit().ToFloat();
    }
    return points;
}

// Base points not where they were last drawn, ascending.
std::vector<int32_t> MovedBasePoints(vgx::ObjectState& self) {
    const iVgxObject& base = self.Base();
    std::vector<int32_t> moved;
    for (const int32_t p : self.changes.MovedPointCandidates(self.Base().PointListCount)) {
        const VgxVector& now = base.PointList[p].Point;
        const VgxVector& drawn = At(self.render.drawnPoints, p);
        if (now.X != drawn.X || now.Y != drawn.Y || now.Z != drawn.Z) moved.push_back(p);
    }
    return moved;
}

// Whether a level still has the topology its links were made for.
bool LinksFit(const SubdivisionLinks& links, const iVgxObject& source, const iVgxObject& level) {
    return level.FaceListCount > 0 && links.facePoint.size() == static_cast<size_t>(source.FaceListCount) &&
           links.edgePoint.size() == static_cast<size_t>(source.EdgeListCount);
}

// Frees the smoothing levels from `first` up.
void EmptySmoothingLevels(vgx::ObjectState& self, size_t first = 1) {
    for (size_t k = first; k < self.levels.size(); ++k) {
        self.levels[k].ClearGeometry();
        self.links[k] = {};
    }
}

// Files every point and UV of a freshly subdivided level again under its current
// value (one entry each, as they are), so later searches of the pools find them.
void RefileCoordinates(iVgxObject& level) {
    level.PointHashTable.Reset(HashTable::TypeFor(static_cast<size_t>(level.PointListCount)));
    modIndex::RefilePoints(level.PointList, level.PointListCount, level.PointHashTable);
    level.UVHashTable.Reset(HashTable::TypeFor(static_cast<size_t>(level.UVListCount)));
    modIndex::RefileUVs(level.UVList, level.UVListCount, level.UVHashTable);
}

// Whether no face of a level has two sides on one edge or a side from a point to
// itself. Subdividing such a level, whose own edges join distinct pairs of
// points, names one edge per pair of points.
bool SidesOnDistinctEdges(const iVgxObject& level) {
    const auto rangeHolds = [&](size_t begin, size_t end) {
        std::vector<int32_t> edges;
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            const iVgxFacePoint* corners = level.FaceCorners(f);
            edges.clear();
            const int32_t n = level.FaceList[f].PointCount;
            bool closed = false;
            for (int32_t k = 0; k < n; ++k) {
                edges.push_back(corners[k].Edge);
                closed = closed || corners[k].Point == corners[(k + 1) % n].Point;
            }
            std::sort(edges.begin(), edges.end());
            if (closed || std::adjacent_find(edges.begin(), edges.end()) != edges.end()) return false;
        }
        return true;
    };
    return tasks::AllRangesHold(static_cast<size_t>(level.FaceListCount), kFacesPerChunk, rangeHolds);
}

}  // namespace

void ValidateSmoothingAttributes(const VgxObject& object) {
    const VgxAttributes& a = vgx::State(object).attributes;
    if (a.SmoothingLevel < 0 || a.SmoothingLevel > 4) Raise(VgxErrSubscript);
}

bool BuildVisualLevels(VgxObject& object, std::vector<int32_t>& changed) {
    vgx::ObjectState& self = vgx::State(object);
    changed.clear();
    if (self.changes.RenderCurrent()) return false;
    ValidateSmoothingAttributes(object);
    const VgxAttributes& a = self.attributes;
    const bool mirror = a.MirrorAxis != VgxAxisNone;
    if (!mirror && a.SmoothingLevel == 0) {
        self.visual = nullptr;
        return false;
    }
    bool partial = self.changes.RenderPositionsOnly() && self.visual != nullptr;
    const iVgxObject& base = self.Base();
    std::vector<int32_t> moved = partial ? MovedBasePoints(self) : std::vector<int32_t>{};
    if (mirror) {
        const VgxBox box = object.GetBoundingBox();
        const float plane = a.MirrorAxis == VgxAxisX ? box.Max.X : a.MirrorAxis == VgxAxisY ? box.Max.Y : box.Max.Z;
        partial = partial && MirrorHolds(base, moved, a.MirrorAxis, plane, self.workingPlane, self.workingMirrorOf);
        if (partial) {
            moved = Remirror(base, moved, a.MirrorAxis, plane, self.working, self.workingMirrorOf);
        } else {
            MirrorBase(base, a.MirrorAxis, plane, self.working, self.workingMirrorOf);
        }
        self.workingPlane = plane;
    } else if (!partial) {
        self.working.ClearGeometry();
        self.workingMirrorOf.clear();
    }
    if (a.SmoothingLevel == 0) {
        self.visual = &self.working;
        changed = std::move(moved);
        return partial;
    }
    // Levels in use are rebuilt in their own storage; those above are freed.
    if (!partial) EmptySmoothingLevels(self, static_cast<size_t>(a.SmoothingLevel) + 1);
    std::vector<int32_t> affected;
    for (int32_t k = 1; k <= a.SmoothingLevel; ++k) {
        const iVgxObject& source = (k == 1 && mirror) ? self.working : self.levels[k - 1];
        partial = partial && LinksFit(self.links[k], source, self.levels[k]);
        if (partial) {
            smoothing::UpdateSmoothedPositions(source, self.levels[k], self.links[k], a.SmoothingCondition,
                                               a.SmoothingAngle, a.SmoothingTension, moved, affected);
            moved.swap(affected);
            continue;
        }
        smoothing::Subdivide(source, self.levels[k], self.links[k]);
        smoothing::PositionSmoothedPoints(source, self.levels[k], self.links[k], a.SmoothingCondition,
                                          a.SmoothingAngle, a.SmoothingTension);
    }
    self.visual = &self.levels[a.SmoothingLevel];
    if (!partial) {
        RecomputeVisualNormals(*self.visual, self.displayedNormals);
        return false;
    }
    changed = UpdateVisualNormals(*self.visual, self.displayedNormals, moved);
    return true;
}

void CreaseNormals(VgxObject& object, float angle) {
    vgx::ObjectState& self = vgx::State(object);
    iVgxObject& level = self.Base();
    if (!self.changes.EdgesCurrent()) RebuildFaces(object, level, 1);
    const double threshold = 1 - std::cos(angle / 180.0 * modMath::kPi);
    const auto faces = static_cast<size_t>(level.FaceListCount);
    BlockArray<VgxVector> faceNormals;
    GrowForOverwrite(faceNormals, faces);
    tasks::ParallelFor(faces, kFacesPerChunk, [&](size_t begin, size_t end) {
        for (size_t f = begin; f < end; ++f) faceNormals[f] = FaceNormal(level, static_cast<int32_t>(f));
    });
    // Each corner's normal depends on the face normals alone.
    BlockArray<VgxVector> cornerNormals;
    GrowForOverwrite(cornerNormals, level.Corners.size());
    tasks::ParallelFor(faces, kFacesPerChunk, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            const VgxVector& own = faceNormals[f];
            const iVgxFacePoint* corners = level.FaceCorners(f);
            VgxVector* out = &cornerNormals[static_cast<size_t>(corners - level.Corners.data())];
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
                double sum[3] = {own.X, own.Y, own.Z};
                level.Adjacency.ForEach(At(level.PointList, corners[k].Point).FaceList, [&](int32_t g) {
                    if (g == f) return;
                    const VgxVector& other = faceNormals[g];
                    const double dot = double{own.X} * other.X + double{own.Y} * other.Y + double{own.Z} * other.Z;
                    if (1 - dot > threshold) return;
                    sum[0] += other.X, sum[1] += other.Y, sum[2] += other.Z;
                });
                out[k] = {static_cast<float>(sum[0]), static_cast<float>(sum[1]), static_cast<float>(sum[2])};
                rm::VectorNormalize(out[k], out[k]);
            }
        }
    });

    // The corners of one point mostly get the same normal. A value equal bit for bit
    // to the last one pooled for the same point finds the entry that one found (the
    // pool's first match cannot change), so only the first of such a run is pooled.
    BlockArray<VgxVector> distinct;
    BlockArray<int32_t> cornerSlots;
    GrowForOverwrite(cornerSlots, level.Corners.size());
    FindDistinctCornerNormals(level, cornerNormals, cornerSlots, distinct);
    level.NormalHashTable.Reset(HashTable::TypeFor(static_cast<size_t>(level.PointListCount)));
    level.NormalList.clear();
    GrowInParallel(level.NormalList, static_cast<size_t>(level.PointListCount) + 1);
    level.NormalListCount = 0;
    std::vector<int32_t> indexes;
    modIndex::AddPooledNormals(level.NormalList, level.NormalListCount, level.NormalHashTable, distinct, true,
                               indexes);
    tasks::ParallelFor(faces, kFacesPerChunk, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            iVgxFacePoint* corners = level.FaceCorners(f);
            const int32_t* slots = &cornerSlots[static_cast<size_t>(corners - level.Corners.data())];
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) corners[k].Normal = indexes[slots[k]];
        }
    });
    self.changes.StructureChanged(vgx::Changed::kPoolValues);
}

}  // namespace vgx

void VgxObject::Smooth(int32_t SmoothingLevel, VgxCondition SmoothingCondition, float SmoothingAngle,
                       float SmoothingTension) {
    vgx::Trap(vgx::kSource, [&] {
        vgx::RequireFinite(vgx::kSource, SmoothingAngle, SmoothingTension);
        if (SmoothingLevel < 0 || SmoothingLevel > 4) vgx::Raise(VgxErrSubscript);
        Optimize(true, 100);
        vgx::ObjectState& self = *internals_;
        if (!self.changes.EdgesCurrent()) vgx::RebuildFaces(*this, self.Base(), 1);
        // The subdivided level becomes the editable mesh: the last step numbers its
        // edges as pooling would, unless a face ran two sides along one edge or a
        // side from a point to itself; then they are pooled.
        bool onePerPair = true;
        for (int32_t k = 1; k <= SmoothingLevel; ++k) {
            onePerPair = onePerPair && vgx::SidesOnDistinctEdges(self.levels[k - 1]);
            const bool firstUse = k == SmoothingLevel && onePerPair;
            vgx::smoothing::Subdivide(
                self.levels[k - 1], self.levels[k], self.links[k],
                firstUse ? vgx::smoothing::EdgeOrder::FirstUse : vgx::smoothing::EdgeOrder::Split);
            vgx::smoothing::PositionSmoothedPoints(self.levels[k - 1], self.levels[k], self.links[k],
                                                   SmoothingCondition, SmoothingAngle, SmoothingTension);
        }
        if (SmoothingLevel >= 1) {
            ReleaseDirect3DBuffers();
            self.Base() = std::move(self.levels[SmoothingLevel]);
            vgx::RefileCoordinates(self.Base());
            vgx::RebuildFaces(*this, self.Base(), 1, onePerPair ? vgx::EdgeIds::InFirstUseOrder : vgx::EdgeIds::Pool);
            self.changes.StructureChanged(vgx::Changed::kPoints);
        }
        vgx::EmptySmoothingLevels(self);
        self.visual = nullptr;
        Crease();
    });
}

void VgxObject::Crease() {
    vgx::Trap(vgx::kSource, [&] {
        const float factor = internals_->attributes.CreasingFactor;
        vgx::CreaseNormals(*this, (100 - factor) / 100 * 180);
    });
}

void VgxObject::Crease2(float CreaseAngle) {
    vgx::Trap(vgx::kSource, [&] {
        vgx::RequireFinite(vgx::kSource, CreaseAngle);
        vgx::CreaseNormals(*this, CreaseAngle);
    });
}

void VgxObject::Divide() {
    vgx::Trap(vgx::kSource, [&] {
        const int32_t faces = GetFaceCount();
        if (faces == 0) vgx::Raise(VgxErrSubscript);
        std::vector<int32_t> all(static_cast<size_t>(faces));
        for (int32_t f = 0; f < faces; ++f) all[f] = f;
        DivideFaces2(all, 0);
    });
}
