// RepairGeometry and Solidify: bent polygons become triangle fans, and open
// surfaces are closed with triangles across their boundary edges.
#include <vgx/VgxObject.h>

#include <algorithm>
#include <cmath>

#include "base/errors.h"
#include "base/mod_math.h"
#include "base/vec3.h"
#include "object/object_internal.h"

namespace vgx {
namespace {

constexpr std::string_view kSource = "VgxObject";
constexpr int32_t kClosingPasses = 90;  // tolerances pi/90 (2 degrees) up to pi

Vec3 CornerPosition(const iVgxObject& level, const iVgxFacePoint& corner) {
    return Vec3(At(level.PointList, corner.Point).Point);
}

// The largest angle between a corner's normal and the face's normal, and the
// first corner that reaches it. A straight corner has no normal and bends nothing.
std::pair<double, int32_t> SharpestBend(const iVgxObject& level, int32_t face) {
    const iVgxFacePoint* corners = level.FaceCorners(face);
    const int32_t n = level.FaceList[face].PointCount;
    Vec3 faceNormal;
    for (int32_t k = 0; k < n; ++k) {
        faceNormal += CornerPosition(level, corners[(k + n - 1) % n]).Cross(CornerPosition(level, corners[k]));
    }
    faceNormal = faceNormal.Unit();
    double largest = -1;
    int32_t sharpest = 0;
    for (int32_t k = 0; k < n; ++k) {
        const Vec3 previous = CornerPosition(level, corners[(k + n - 1) % n]);
        const Vec3 own = CornerPosition(level, corners[k]);
        const Vec3 next = CornerPosition(level, corners[(k + 1) % n]);
        const Vec3 cornerNormal = (own - previous).Cross(next - own).Unit();
        if (cornerNormal.Dot(cornerNormal) == 0) continue;
        const double angle = modMath::ArcCos(std::clamp(cornerNormal.Dot(faceNormal), -1.0, 1.0));
        if (angle > largest) largest = angle, sharpest = k;
    }
    return {largest, sharpest};
}

// The angle at `own` between the directions to the two other points.
double CornerAngle(const Vec3& previous, const Vec3& own, const Vec3& next) {
    return modMath::ArcCos(std::clamp((previous - own).Unit().Dot((next - own).Unit()), -1.0, 1.0));
}

// A boundary edge's neighbour on the boundary: the edge of one face count with
// the lowest id that shares a point with `edge`, and the corner at its far end.
struct Neighbour {
    int32_t edge = -1;
    iVgxFacePoint farCorner;
};

Neighbour BoundaryNeighbour(const iVgxObject& level, int32_t edge) {
    Neighbour best;
    for (int32_t point : level.EdgeList[edge].Point) {
        level.Adjacency.ForEach(level.PointList[point].FaceList, [&](int32_t g) {
            const iVgxFacePoint* corners = level.FaceCorners(g);
            const int32_t n = level.FaceList[g].PointCount;
            for (int32_t k = 0; k < n; ++k) {
                if (corners[k].Point != point) continue;
                const iVgxFacePoint& entering = corners[(k + n - 1) % n];
                // The side leaving the point ends at the next corner; the side
                // entering it starts at the previous one.
                for (const auto& [side, far] : {std::pair{corners[k].Edge, corners[(k + 1) % n]},
                                                std::pair{entering.Edge, entering}}) {
                    if (side == edge || side < 0 || level.EdgeList[side].FaceList.count != 1) continue;
                    if (best.edge < 0 || side < best.edge) best = {side, far};
                }
            }
        });
    }
    return best;
}

std::vector<int32_t> BoundaryEdges(const iVgxObject& level, int32_t from, std::vector<int32_t> kept) {
    for (int32_t e = from; e < level.EdgeListCount; ++e) {
        if (level.EdgeList[e].FaceList.count == 1) kept.push_back(e);
    }
    return kept;
}

// One closing pass over the boundary edges, in edge order: each gets a triangle
// running back along it to the far end of its lowest boundary neighbour, when one
// of the triangle's angles lies within `tolerance` of a right angle (any triangle
// when forced). Triangles join the mesh at once, so later edges see them. Returns
// the boundary edges left, new ones included.
std::vector<int32_t> SolidifyPass(VgxObject& object, const std::vector<int32_t>& boundary, double tolerance,
                                  bool force) {
    iVgxObject& level = vgx::State(object).Base();
    const int32_t edgesBefore = level.EdgeListCount;
    for (int32_t e : boundary) {
        if (level.EdgeList[e].FaceList.count != 1) continue;
        const int32_t face = level.Adjacency.At(level.EdgeList[e].FaceList, 0);
        const iVgxFacePoint* corners = level.FaceCorners(face);
        const int32_t n = level.FaceList[face].PointCount;
        const auto side = std::find_if(corners, corners + n, [&](const iVgxFacePoint& c) { return c.Edge == e; });
        if (side == corners + n) continue;
        const Neighbour neighbour = BoundaryNeighbour(level, e);
        if (neighbour.edge < 0) continue;
        iVgxFacePoint triangle[3] = {corners[(side - corners + 1) % n], *side, neighbour.farCorner};
        if (triangle[2].Point == triangle[0].Point || triangle[2].Point == triangle[1].Point) continue;
        if (!force) {
            const Vec3 p[3] = {CornerPosition(level, triangle[0]), CornerPosition(level, triangle[1]),
                               CornerPosition(level, triangle[2])};
            bool square = false;
            for (int32_t k = 0; k < 3; ++k) {
                square |= std::fabs(CornerAngle(p[(k + 2) % 3], p[k], p[(k + 1) % 3]) - modMath::kPi / 2) < tolerance;
            }
            if (!square) continue;
        }
        FaceBatch batch;
        for (iVgxFacePoint& corner : triangle) {
            corner.Edge = -1;
            batch.corners.push_back(corner);
        }
        batch.Close(1, level.FaceMaterial(face));
        AddFaceRecords(object, level, std::move(batch), true);
    }
    std::vector<int32_t> left;
    for (int32_t e : boundary) {
        if (level.EdgeList[e].FaceList.count == 1) left.push_back(e);
    }
    return BoundaryEdges(level, edgesBefore, std::move(left));
}

}  // namespace
}  // namespace vgx

void VgxObject::RepairGeometry(int32_t Level) {
    vgx::Trap(vgx::kSource, [&] {
        if (Level == 0) return;
        const double tolerance = vgx::modMath::kPi / 90 * (11 - static_cast<double>(Level));
        Optimize(true, 100);
        vgx::iVgxObject& level = internals_->Base();
        vgx::FaceBatch fans;
        std::vector<int32_t> replaced;
        for (int32_t f = 0; f < level.FaceListCount; ++f) {
            const int32_t n = level.FaceList[f].PointCount;
            if (n <= 3) continue;
            const std::pair<double, int32_t> bend = vgx::SharpestBend(level, f);
            if (bend.first <= tolerance) continue;
            const int32_t sharpest = bend.second;
            const vgx::iVgxFacePoint* corners = level.FaceCorners(f);
            const auto corner = [&](int32_t j) {
                vgx::iVgxFacePoint c = corners[(sharpest + j) % n];
                c.Edge = -1;
                return c;
            };
            for (int32_t j = 0; j + 2 < n; ++j) {
                fans.corners.insert(fans.corners.end(), {corner(0), corner(j + 1), corner(j + 2)});
                fans.Close(1, level.FaceMaterial(f));
            }
            replaced.push_back(f);
        }
        if (!replaced.empty()) DeleteFaces(replaced);
        vgx::AddFaceRecords(*this, internals_->Base(), std::move(fans), true);
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

void VgxObject::Solidify(int32_t Version) {
    vgx::Trap(vgx::kSource, [&] {
        Optimize(false, 100);
        vgx::ObjectState& self = *internals_;
        if (Version > 100 || !self.changes.EdgesCurrent()) {
            vgx::RebuildAdjacency(self.Base());
            self.changes.EdgesBuilt();
        }
        std::vector<int32_t> boundary = vgx::BoundaryEdges(self.Base(), 0, {});
        for (int32_t d = vgx::kClosingPasses; d >= 1 && !boundary.empty(); --d) {
            boundary = vgx::SolidifyPass(*this, boundary, vgx::modMath::kPi / d, false);
        }
        // Forced passes take every triangle they can form; each closes at least one
        // more edge than it opens, so they stop once an opening cannot shrink.
        for (size_t before = boundary.size() + 1; !boundary.empty() && boundary.size() < before;) {
            before = boundary.size();
            boundary = vgx::SolidifyPass(*this, boundary, vgx::modMath::kPi, true);
        }
        self.changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}
