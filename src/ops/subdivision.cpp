// One Catmull-Clark step: topology and initial positions, then the moving rules
// with tension and the sharpness condition. Everything runs over flat arrays
// indexed by point, face and edge; no adjacency lists are needed.
#include "ops/subdivision.h"

#include <vgx/VgxMaterial.h>

#include <cmath>
#include <unordered_map>

#include "mesh/mod_index.h"
#include "mesh/mesh_records.h"
#include "ops/vec3.h"
#include "root/errors.h"
#include "root/mod_math.h"

namespace vgx::smoothing {
namespace {

Vec3 PositionOf(const iVgxObject& record, int32_t point) { return Vec3(record.PointList[point].Point); }

bool HasFacePoint(const iVgxObject& record, int32_t face) { return record.FaceList[face].PointCount >= 3; }

// The edge of a corner's side, checked: a corner without an edge cannot be subdivided.
int32_t SideEdge(const iVgxObject& record, const iVgxFacePoint& corner) {
    return CheckIndex(corner.Edge, static_cast<size_t>(record.EdgeListCount));
}

// Vertex points at the source points, face points at their face averages, edge
// points at the edge midpoints.
void PlaceInitialPoints(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links) {
    for (int32_t p = 0; p < source.PointListCount; ++p) next.PointList[p].Point = source.PointList[p].Point;
    for (int32_t f = 0; f < source.FaceListCount; ++f) {
        if (links.facePoint[f] < 0) continue;
        const iVgxFacePoint* corners = source.FaceCorners(f);
        const int32_t n = source.FaceList[f].PointCount;
        Vec3 sum;
        for (int32_t k = 0; k < n; ++k) sum += PositionOf(source, corners[k].Point);
        next.PointList[links.facePoint[f]].Point = (sum * (1.0 / n)).ToFloat();
    }
    for (int32_t e = 0; e < source.EdgeListCount; ++e) {
        if (links.edgePoint[e] < 0) continue;
        const iVgxEdge& edge = source.EdgeList[e];
        const Vec3 middle = (PositionOf(source, edge.Point[0]) + PositionOf(source, edge.Point[1])) * 0.5;
        next.PointList[links.edgePoint[e]].Point = middle.ToFloat();
    }
}

// Face and edge points numbered after the source points: faces in order, then
// the used edges in edge order.
int32_t NumberNewPoints(const iVgxObject& source, SubdivisionLinks& links) {
    links.facePoint.assign(static_cast<size_t>(source.FaceListCount), -1);
    links.edgePoint.assign(static_cast<size_t>(source.EdgeListCount), -1);
    int32_t next = source.PointListCount;
    for (int32_t f = 0; f < source.FaceListCount; ++f) {
        if (!HasFacePoint(source, f)) continue;
        links.facePoint[f] = next++;
        const iVgxFacePoint* corners = source.FaceCorners(f);
        for (int32_t k = 0; k < source.FaceList[f].PointCount; ++k) links.edgePoint[SideEdge(source, corners[k])] = 0;
    }
    for (int32_t& point : links.edgePoint) {
        if (point == 0) point = next++;
    }
    return next;
}

VgxUV MeanUV(const VgxUV& a, const VgxUV& b) { return {(a.U + b.U) * 0.5f, (a.V + b.V) * 0.5f}; }

// The UVs of the new corners, after the copied source UVs: per face its centre,
// then one per side. Two faces that give an edge's ends the same UV entries share
// that side's UV, so a UV seam stays a seam and nothing else splits. Entries are
// matched by index, not searched by value: searching cost ten times the step.
std::vector<int32_t> AddNewUVs(const iVgxObject& source, iVgxObject& next, std::vector<int32_t>& uvIndexes) {
    struct SideUV {
        int32_t atPoint0 = -1, atPoint1 = -1, index = -1;
    };
    std::vector<SideUV> sides(static_cast<size_t>(source.EdgeListCount));
    std::vector<int32_t> start(static_cast<size_t>(source.FaceListCount), -1);
    std::vector<VgxUV> fresh;
    uvIndexes.clear();
    const auto add = [&](const VgxUV& uv) {
        fresh.push_back(uv);
        return static_cast<int32_t>(fresh.size()) - 1;
    };
    for (int32_t f = 0; f < source.FaceListCount; ++f) {
        if (!HasFacePoint(source, f)) continue;
        start[f] = static_cast<int32_t>(uvIndexes.size());
        const iVgxFacePoint* corners = source.FaceCorners(f);
        const int32_t n = source.FaceList[f].PointCount;
        double u = 0, v = 0;
        for (int32_t k = 0; k < n; ++k) {
            const VgxUV& uv = At(source.UVList, corners[k].UV).Coordinate;
            u += uv.U, v += uv.V;
        }
        uvIndexes.push_back(add({static_cast<float>(u / n), static_cast<float>(v / n)}));
        for (int32_t k = 0; k < n; ++k) {
            const iVgxFacePoint& from = corners[k];
            const iVgxFacePoint& to = corners[(k + 1) % n];
            const bool forward = source.EdgeList[from.Edge].Point[0] == from.Point;
            const int32_t atPoint0 = forward ? from.UV : to.UV, atPoint1 = forward ? to.UV : from.UV;
            SideUV& side = sides[from.Edge];
            if (side.index < 0 || side.atPoint0 != atPoint0 || side.atPoint1 != atPoint1) {
                side = {atPoint0, atPoint1,
                        add(MeanUV(source.UVList[from.UV].Coordinate, source.UVList[to.UV].Coordinate))};
            }
            uvIndexes.push_back(side.index);
        }
    }
    next.UVList.assign(source.UVList.begin(), source.UVList.begin() + source.UVListCount);
    next.UVList.reserve(next.UVList.size() + fresh.size());
    for (const VgxUV& uv : fresh) next.UVList.push_back({uv, 0});
    for (iVgxUVCoordinate& uv : next.UVList) uv.NextUV = 0;
    next.UVListCount = static_cast<int32_t>(next.UVList.size());
    next.UVHashTable.Reset(0);  // a derived level is never searched
    for (int32_t& index : uvIndexes) index += source.UVListCount;
    return start;
}

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

void Subdivide(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links) {
    next.EmptyKeepingStorage();
    const int32_t pointCount = NumberNewPoints(source, links);
    int32_t quads = 0;
    for (int32_t f = 0; f < source.FaceListCount; ++f) {
        if (HasFacePoint(source, f)) quads += source.FaceList[f].PointCount;
    }

    next.PointList.resize(static_cast<size_t>(pointCount));  // fresh points: the storage was emptied
    next.PointListCount = pointCount;
    next.PointHashTable.Reset(pointCount > 4000 ? 1 : 0);
    for (int32_t p = 0; p < source.PointListCount; ++p) next.PointList[p].Weight = source.PointList[p].Weight;
    PlaceInitialPoints(source, next, links);
    next.NormalList.assign(source.NormalList.begin(), source.NormalList.begin() + source.NormalListCount);
    next.NormalListCount = source.NormalListCount;
    next.NormalHashTable = source.NormalHashTable;
    std::vector<int32_t> uvIndexes;
    const std::vector<int32_t> uvStart = AddNewUVs(source, next, uvIndexes);

    std::vector<int32_t> sourceSlots;
    MaterialSlots(source, next.MaterialList, sourceSlots);
    next.MaterialListCount = static_cast<int32_t>(next.MaterialList.size());

    // Edges: each used source edge splits in two at its edge point (the half at
    // Point(0) first), then one inner edge per side from the face point.
    std::vector<int32_t> halfStart(static_cast<size_t>(source.EdgeListCount), -1);
    int32_t edgeCount = 0;
    for (int32_t e = 0; e < source.EdgeListCount; ++e) {
        if (links.edgePoint[e] < 0) continue;
        halfStart[e] = edgeCount;
        edgeCount += 2;
    }
    next.EdgeList.resize(static_cast<size_t>(edgeCount + quads));
    for (int32_t e = 0; e < source.EdgeListCount; ++e) {
        if (halfStart[e] < 0) continue;
        const int32_t middle = links.edgePoint[e];
        next.EdgeList[halfStart[e]].Point[0] = source.EdgeList[e].Point[0];
        next.EdgeList[halfStart[e]].Point[1] = middle;
        next.EdgeList[halfStart[e] + 1].Point[0] = middle;
        next.EdgeList[halfStart[e] + 1].Point[1] = source.EdgeList[e].Point[1];
    }
    // The half of edge e that ends at `point`.
    const auto half = [&](int32_t e, int32_t point) {
        return halfStart[e] + (source.EdgeList[e].Point[0] == point ? 0 : 1);
    };

    next.FaceList.resize(static_cast<size_t>(quads));
    next.FaceMaterialSlot.resize(static_cast<size_t>(quads));
    next.Corners.resize(static_cast<size_t>(quads) * 4);
    int32_t quad = 0;
    int32_t innerEdge = edgeCount;
    for (int32_t f = 0; f < source.FaceListCount; ++f) {
        if (links.facePoint[f] < 0) continue;
        const iVgxFacePoint* corners = source.FaceCorners(f);
        const int32_t n = source.FaceList[f].PointCount;
        const int32_t facePoint = links.facePoint[f];
        const int32_t* uv = &uvIndexes[uvStart[f]];  // centre, then side k at 1 + k
        for (int32_t k = 0; k < n; ++k) {
            next.EdgeList[innerEdge + k].Point[0] = facePoint;
            next.EdgeList[innerEdge + k].Point[1] = links.edgePoint[corners[k].Edge];
        }
        for (int32_t k = 0; k < n; ++k, ++quad) {
            const int32_t before = (k + n - 1) % n;
            const iVgxFacePoint& corner = corners[k];
            const int32_t edgeBefore = corners[before].Edge;
            iVgxFace& face = next.FaceList[quad];
            face.CornerStart = quad * 4;
            face.PointCount = face.CornerCapacity = 4;
            next.FaceMaterialSlot[quad] = sourceSlots[f];
            iVgxFacePoint* out = next.Corners.data() + face.CornerStart;
            out[0] = {facePoint, corner.Normal, uv[0], 0, innerEdge + before};
            out[1] = {links.edgePoint[edgeBefore], corner.Normal, uv[1 + before], 0, half(edgeBefore, corner.Point)};
            out[2] = {corner.Point, corner.Normal, corner.UV, 0, half(corner.Edge, corner.Point)};
            out[3] = {links.edgePoint[corner.Edge], corner.Normal, uv[1 + k], 0, innerEdge + k};
        }
        innerEdge += n;
    }
    next.FaceListCount = quads;
    next.EdgeListCount = edgeCount + quads;
}

void UpdateSmoothedPositions(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links) {
    PlaceInitialPoints(source, next, links);
}

void PositionSmoothedPoints(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links,
                            VgxCondition condition, float angle, float tension) {
    const double limit = angle / 180.0 * modMath::kPi;
    const bool conditional = (condition == VgxGreaterThan && angle > 0) || (condition == VgxLessThan && angle < 180);
    const auto passes = [&](double measure) {
        if (!conditional) return true;
        return condition == VgxGreaterThan ? measure > limit : measure < limit;
    };
    const double t = tension;

    // Around every source point and edge: the face points' sum and count, and
    // for the sharpness test the sum of unit directions towards them.
    const auto points = static_cast<size_t>(source.PointListCount);
    const auto edges = static_cast<size_t>(source.EdgeListCount);
    std::vector<Vec3> faceSum(points + edges), directionSum(conditional ? points + edges : 0);
    std::vector<int32_t> faceCount(points + edges, 0);
    const auto middleOf = [&](int32_t e) { return Vec3(next.PointList[links.edgePoint[e]].Point); };
    const auto visitFaces = [&](auto&& visit) {
        for (int32_t f = 0; f < source.FaceListCount; ++f) {
            if (links.facePoint[f] < 0) continue;
            const Vec3 facePoint(next.PointList[links.facePoint[f]].Point);
            const iVgxFacePoint* corners = source.FaceCorners(f);
            for (int32_t k = 0; k < source.FaceList[f].PointCount; ++k) {
                visit(static_cast<size_t>(corners[k].Point), PositionOf(source, corners[k].Point), facePoint);
                visit(points + corners[k].Edge, middleOf(corners[k].Edge), facePoint);
            }
        }
    };
    visitFaces([&](size_t slot, const Vec3& from, const Vec3& facePoint) {
        faceSum[slot] += facePoint;
        ++faceCount[slot];
        if (conditional) directionSum[slot] += (facePoint - from).Unit();
    });
    std::vector<double> angleSum;
    if (conditional) {
        angleSum.assign(points + edges, 0);
        for (Vec3& sum : directionSum) sum = sum.Unit();
        visitFaces([&](size_t slot, const Vec3& from, const Vec3& facePoint) {
            angleSum[slot] += modMath::ArcCos((facePoint - from).Unit().Dot(directionSum[slot]));
        });
    }
    const auto sharpnessPasses = [&](size_t slot) {
        return !conditional || passes(2 * angleSum[slot] / faceCount[slot]);
    };

    // Edge midpoints summed around each point, before any edge point moves.
    std::vector<Vec3> middleSum(points);
    for (size_t e = 0; e < edges; ++e) {
        if (links.edgePoint[e] < 0) continue;
        const iVgxEdge& edge = source.EdgeList[e];
        const Vec3 middle = middleOf(static_cast<int32_t>(e));
        middleSum[edge.Point[0]] += middle;
        if (edge.Point[1] != edge.Point[0]) middleSum[edge.Point[1]] += middle;
    }

    for (size_t p = 0; p < points; ++p) {
        const int32_t count = faceCount[p];
        if (count == 0 || !sharpnessPasses(p)) continue;
        const Vec3 position = PositionOf(source, static_cast<int32_t>(p));
        const double inverse = 1.0 / count;
        const Vec3 faceMean = faceSum[p] * inverse;
        const Vec3 smoothed = position * ((count - 3) * inverse) + faceMean * inverse + middleSum[p] * (2 * inverse * inverse);
        next.PointList[p].Point = (position * t + smoothed * (1 - t)).ToFloat();
    }
    for (size_t e = 0; e < edges; ++e) {
        const size_t slot = points + e;
        const int32_t count = faceCount[slot];
        if (count == 0 || !sharpnessPasses(slot)) continue;
        const Vec3 middle = middleOf(static_cast<int32_t>(e));
        const Vec3 faceMean = faceSum[slot] * (1.0 / count);
        next.PointList[links.edgePoint[e]].Point = (middle * t + (faceMean + middle) * (0.5 * (1 - t))).ToFloat();
    }
}

}  // namespace vgx::smoothing
