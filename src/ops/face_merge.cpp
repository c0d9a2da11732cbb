// Triangulate, MergeTriangles and Consolidate: operations that change the number of
// faces of the base level. Merges are collected over a whole sweep of the faces and
// applied with one add and one delete; neighbours are found through the edge face
// lists, never by searching the faces.
#include <vgx/VgxObject.h>

#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/finite.h"
#include "base/mod_math.h"
#include "base/mod_vector.h"
#include "base/retained_mode.h"
#include "object/object_internal.h"

namespace vgx {
namespace {

constexpr std::string_view kSource = "VgxObject";
constexpr double kRightAngle = modMath::kPi / 2;
// Triangle pairs are looked for with the tolerance pi / d, d running 24, 22, 20, ...
constexpr int32_t kFirstDivisor = 24;
constexpr int32_t kDivisorStep = 2;

// Every corner must name an entry of each pool (9 otherwise) and lie at a finite
// position (5 otherwise: it has no angles), so an operation refuses a mesh before it
// changes anything rather than failing half-way.
void ValidateCorners(const iVgxObject& level) {
    CheckCorners(level);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            const VgxVector& p = level.PointList[corners[k].Point].Point;
            if (!IsFinite(p)) Raise(VgxErrInvalidCall);
        }
    }
}

const VgxVector& CornerPosition(const iVgxObject& level, int32_t face, int32_t k) {
    return level.PointList[level.FaceCorners(face)[k].Point].Point;
}

VgxVector UnitDirection(const VgxVector& from, const VgxVector& to) {
    VgxVector direction{to.X - from.X, to.Y - from.Y, to.Z - from.Z};
    rm::VectorNormalize(direction, direction);
    return direction;
}

// The angle (0 to pi) at corner k of a face, between the directions to its two
// neighbouring corners.
double CornerAngle(const iVgxObject& level, int32_t face, int32_t k) {
    const int32_t n = level.FaceList[face].PointCount;
    const VgxVector& here = CornerPosition(level, face, k);
    const VgxVector back = UnitDirection(here, CornerPosition(level, face, (k + n - 1) % n));
    const VgxVector ahead = UnitDirection(here, CornerPosition(level, face, (k + 1) % n));
    return modMath::ArcCos(rm::VectorDotProduct(back, ahead));
}

double RightAngleDeviation(const iVgxObject& level, int32_t face, int32_t k) {
    return std::fabs(CornerAngle(level, face, k) - kRightAngle);
}

// The unit normal of a face's plane from all its sides (Newell's sum), so a merged
// polygon whose first corners run straight on or turn inwards still gets the normal
// of its plane. For a triangle it is the face normal.
VgxVector PlaneNormal(const iVgxObject& level, int32_t face) {
    const int32_t n = level.FaceList[face].PointCount;
    double x = 0, y = 0, z = 0;
    for (int32_t k = 0; k < n; ++k) {
        const VgxVector& a = CornerPosition(level, face, k);
        const VgxVector& b = CornerPosition(level, face, (k + 1) % n);
        x += (double{a.Y} - b.Y) * (double{a.Z} + b.Z);
        y += (double{a.Z} - b.Z) * (double{a.X} + b.X);
        z += (double{a.X} - b.X) * (double{a.Y} + b.Y);
    }
    VgxVector normal{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    rm::VectorNormalize(normal, normal);
    return normal;
}

// The face on the other side of side k, or -1 unless the side's edge has exactly two faces.
int32_t FaceAcross(const iVgxObject& level, int32_t face, int32_t side) {
    const ListArena::List& faces = level.EdgeList[level.FaceCorners(face)[side].Edge].FaceList;
    if (faces.count != 2) return -1;
    const int32_t first = level.Adjacency.At(faces, 0), second = level.Adjacency.At(faces, 1);
    if (first == second) return -1;  // one face on both sides of the edge
    return first == face ? second : first;
}

// The side of `other` that runs back along side `side` of `face` (the two are wound
// the same way round), or -1.
int32_t SideRunningBack(const iVgxObject& level, int32_t face, int32_t side, int32_t other) {
    const iVgxFacePoint* corners = level.FaceCorners(face);
    const int32_t from = corners[(side + 1) % level.FaceList[face].PointCount].Point, to = corners[side].Point;
    const iVgxFacePoint* others = level.FaceCorners(other);
    const int32_t n = level.FaceList[other].PointCount;
    for (int32_t k = 0; k < n; ++k) {
        if (others[k].Point == from && others[(k + 1) % n].Point == to) return k;
    }
    return -1;
}

bool SameMaterial(const iVgxObject& level, int32_t a, int32_t b, bool anyMaterial) {
    return anyMaterial || level.FaceMaterial(a) == level.FaceMaterial(b);
}

// A corner for a new face: point, normal and UV; its edge and render vertex are made
// when the face is added.
iVgxFacePoint FreshCorner(const iVgxFacePoint& corner) { return {corner.Point, corner.Normal, corner.UV}; }

// One sweep over the faces: the faces that replace merged pairs, the pairs, and which
// faces are processed already (no face takes part in two merges of one sweep).
struct Sweep {
    explicit Sweep(const iVgxObject& level) : processed(static_cast<size_t>(level.FaceListCount), false) {}

    bool Free(int32_t face) const { return !processed[face]; }
    void Replace(int32_t a, int32_t b) {
        processed[a] = processed[b] = true;
        replaced.push_back(a);
        replaced.push_back(b);
    }

    FaceBatch merged;
    std::vector<int32_t> replaced;
    std::vector<bool> processed;
};

// Appends the sweep's merged faces and deletes the faces they replace; false when the
// sweep merged nothing.
bool ApplySweep(VgxObject& object, Sweep&& sweep) {
    if (sweep.replaced.empty()) return false;
    // DeleteFaces rebuilds every edge right after, so the new faces need none yet.
    AddFaceRecords(object, vgx::State(object).Base(), std::move(sweep.merged), false);
    object.DeleteFaces(sweep.replaced);
    return true;
}

// ---- MergeTriangles ----

// The tolerances of the pass with divisor d.
struct PassTolerance {
    double corner;       // pi / d: how far a pair's far corners may be from a right angle
    double tightCorner;  // pi / (1.5 d): the same for triangles found along a quad
    float normals;       // 2 pi / d: how far apart the two triangles' normals may be
};

// The free triangle across side `side` of `face`, wound the same way round and passing
// the material rule, with its side on `face`; face -1 when there is none.
struct Neighbour {
    int32_t face = -1;
    int32_t side = -1;
};

Neighbour TriangleAcross(const iVgxObject& level, int32_t face, int32_t side, bool anyMaterial, const Sweep& sweep) {
    const int32_t other = FaceAcross(level, face, side);
    if (other < 0 || !sweep.Free(other) || level.FaceList[other].PointCount != 3 ||
        !SameMaterial(level, face, other, anyMaterial)) {
        return {};
    }
    const int32_t back = SideRunningBack(level, face, side, other);
    return back < 0 ? Neighbour{} : Neighbour{other, back};
}

// The quad of triangle t and the corner of triangle n opposite their shared side: t's
// corners in t's winding, n's corner put between the two ends of t's side `side`.
// Normals and UVs come along; the quad takes t's material.
void AppendQuad(const iVgxObject& level, int32_t t, int32_t side, int32_t n, int32_t nCorner, FaceBatch& out) {
    const iVgxFacePoint* corners = level.FaceCorners(t);
    for (int32_t k = 0; k < 3; ++k) {
        out.corners.push_back(FreshCorner(corners[k]));
        if (k == side) out.corners.push_back(FreshCorner(level.FaceCorners(n)[nCorner]));
    }
    out.Close(0, level.FaceMaterial(t));
}

// Merges triangle t with the triangle across its side `side` when that triangle's
// corner opposite the side is within `cornerTolerance` of a right angle and the two
// lie nearly in one plane.
bool PairAcross(const iVgxObject& level, int32_t t, int32_t side, double cornerTolerance, const PassTolerance& pass,
                bool anyMaterial, Sweep& sweep) {
    const Neighbour n = TriangleAcross(level, t, side, anyMaterial, sweep);
    if (n.face < 0) return false;
    const int32_t nCorner = (n.side + 2) % 3;
    if (!(RightAngleDeviation(level, n.face, nCorner) < cornerTolerance)) return false;
    if (!modVector::VectorsWithinAngle(PlaneNormal(level, t), PlaneNormal(level, n.face), pass.normals)) return false;
    AppendQuad(level, t, side, n.face, nCorner, sweep.merged);
    sweep.Replace(t, n.face);
    return true;
}

// A pass's first sweep: each free triangle whose corner nearest a right angle (the
// first on ties) is within tolerance pairs across the side opposite that corner.
Sweep PairTriangles(const iVgxObject& level, const PassTolerance& pass, bool anyMaterial) {
    Sweep sweep(level);
    for (int32_t t = 0; t < level.FaceListCount; ++t) {
        if (!sweep.Free(t) || level.FaceList[t].PointCount != 3) continue;
        int32_t right = -1;
        double deviation = 1e14;
        for (int32_t k = 0; k < 3; ++k) {
            const double d = RightAngleDeviation(level, t, k);
            if (d < deviation) {
                right = k;
                deviation = d;
            }
        }
        if (!(deviation < pass.corner)) continue;
        PairAcross(level, t, (right + 1) % 3, pass.corner, pass, anyMaterial, sweep);
    }
    return sweep;
}

// The later sweeps: a free triangle on a side of a quad, whose corner opposite that
// side is near a right angle, cannot pair across its long side (the quad is there);
// it pairs with a triangle across one of its two other sides instead, taken in its
// winding after the quad's side.
Sweep PairTrianglesAlongQuads(const iVgxObject& level, const PassTolerance& pass, bool anyMaterial) {
    Sweep sweep(level);
    for (int32_t q = 0; q < level.FaceListCount; ++q) {
        if (!sweep.Free(q) || level.FaceList[q].PointCount != 4) continue;
        for (int32_t side = 0; side < 4; ++side) {
            const Neighbour t = TriangleAcross(level, q, side, anyMaterial, sweep);
            if (t.face < 0 || !(RightAngleDeviation(level, t.face, (t.side + 2) % 3) < pass.tightCorner)) continue;
            for (int32_t turn = 1; turn <= 2; ++turn) {
                if (PairAcross(level, t.face, (t.side + turn) % 3, pass.tightCorner, pass, anyMaterial, sweep)) break;
            }
        }
    }
    return sweep;
}

void MergePass(VgxObject& object, int32_t divisor, bool anyMaterial) {
    if (divisor == 0) Raise(VgxErrDivisionByZero);
    const PassTolerance pass{modMath::kPi / divisor, modMath::kPi / (1.5 * divisor),
                             static_cast<float>(2 * modMath::kPi / divisor)};
    const iVgxObject& level = vgx::State(object).Base();
    ApplySweep(object, PairTriangles(level, pass, anyMaterial));
    while (ApplySweep(object, PairTrianglesAlongQuads(level, pass, anyMaterial))) {
    }
}

// ---- Consolidate ----

// Appends f's corner loop with g's corners spliced in where the two meet, the sides
// they share dropped. Those sides must form one run (two runs would enclose a hole)
// that g runs the other way; false, and nothing appended, otherwise.
bool AppendUnion(const iVgxObject& level, int32_t f, int32_t side, int32_t g, FaceBatch& out) {
    const int32_t n = level.FaceList[f].PointCount, m = level.FaceList[g].PointCount;
    const auto sharedWithG = [&](int32_t k) { return FaceAcross(level, f, (k % n + n) % n) == g; };
    int32_t shared = 0;
    for (int32_t k = 0; k < n; ++k) shared += sharedWithG(k) ? 1 : 0;
    if (shared >= n || shared >= m) return false;
    int32_t first = side, last = side, run = 1;
    for (; run < shared && sharedWithG(first - 1); ++run) first = (first + n - 1) % n;
    for (; run < shared && sharedWithG(last + 1); ++run) last = (last + 1) % n;
    if (run != shared) return false;
    const int32_t back = SideRunningBack(level, f, first, g);
    if (back < 0) return false;
    // In g the run ends at f's corner `first`, g's corner back + 1; g's own corners follow.
    const iVgxFacePoint* fc = level.FaceCorners(f);
    const iVgxFacePoint* gc = level.FaceCorners(g);
    const int32_t own = m - shared - 1;
    if (gc[(back + own + 2) % m].Point != fc[(last + 1) % n].Point) return false;
    for (int32_t k = 0; k < n; ++k) {
        const int32_t intoRun = (k - first + n) % n;
        if (intoRun >= 1 && intoRun < shared) continue;  // inside the shared run
        out.corners.push_back(FreshCorner(fc[k]));
        if (k != first) continue;
        for (int32_t i = 2; i < own + 2; ++i) out.corners.push_back(FreshCorner(gc[(back + i) % m]));
    }
    out.Close(0, level.FaceMaterial(f));
    return true;
}

// One sweep: each free face merges with the first free neighbour, in the order of its
// sides, that lies within `tolerance` of its plane.
Sweep MergeFlatNeighbours(const iVgxObject& level, double tolerance, bool anyMaterial) {
    Sweep sweep(level);
    std::vector<VgxVector> normals(static_cast<size_t>(level.FaceListCount));
    for (int32_t f = 0; f < level.FaceListCount; ++f) normals[f] = PlaneNormal(level, f);
    const auto within = static_cast<float>(tolerance);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        if (!sweep.Free(f)) continue;
        for (int32_t side = 0; side < level.FaceList[f].PointCount; ++side) {
            const int32_t g = FaceAcross(level, f, side);
            if (g < 0 || !sweep.Free(g) || !SameMaterial(level, f, g, anyMaterial) ||
                !modVector::VectorsWithinAngle(normals[f], normals[g], within)) {
                continue;
            }
            if (AppendUnion(level, f, side, g, sweep.merged)) {
                sweep.Replace(f, g);
                break;
            }
        }
    }
    return sweep;
}

// Drops the corners that run straight on (within `tolerance` of pi) at points fewer
// than 3 faces use. A point leaves all its faces or none, so no face keeps a corner in
// the middle of its neighbour's side; a face that would fall below 3 corners keeps
// its corners. True when any corner went.
bool DropStraightCorners(iVgxObject& level, double tolerance) {
    std::vector<uint8_t> keep(static_cast<size_t>(level.PointListCount), 0);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            const int32_t p = corners[k].Point;
            if (keep[p]) continue;
            keep[p] = level.PointList[p].FaceList.count >= 3 ||
                      std::fabs(CornerAngle(level, f, k) - modMath::kPi) > tolerance;
        }
    }
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        const int32_t n = level.FaceList[f].PointCount;
        int32_t left = 0;
        for (int32_t k = 0; k < n; ++k) left += keep[corners[k].Point];
        if (left >= 3) continue;
        for (int32_t k = 0; k < n; ++k) keep[corners[k].Point] = 1;
    }
    bool dropped = false;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        iVgxFacePoint* corners = level.FaceCorners(f);
        int32_t& n = level.FaceList[f].PointCount;
        int32_t left = 0;
        for (int32_t k = 0; k < n; ++k) {
            if (keep[corners[k].Point]) corners[left++] = corners[k];
        }
        dropped = dropped || left != n;
        n = left;
    }
    return dropped;
}

}  // namespace
}  // namespace vgx

void VgxObject::Triangulate() {
    vgx::Trap(vgx::kSource, [&] {
        const vgx::iVgxObject& level = internals_->Base();
        if (level.FaceListCount == 0) return;
        vgx::ValidateCorners(level);
        std::vector<int32_t> faceData, sourceFaces;
        std::vector<std::shared_ptr<VgxMaterial>> materials;
        int32_t faceDataCount = 0, pointCount = 0, normalCount = 0, uvCount = 0;
        vgx::ExportFaces(level, true, faceData, faceDataCount, &materials, &sourceFaces);
        std::vector<VgxVector> points, normals;
        std::vector<VgxUV> uvs;
        GetPoints(points, pointCount);
        GetNormals(normals, normalCount);
        GetUVs(uvs, uvCount);
        // A face's triangles carry its application data, as they carry its material.
        std::vector<int32_t> appData(sourceFaces.size());
        for (size_t i = 0; i < sourceFaces.size(); ++i) appData[i] = level.FaceList[sourceFaces[i]].ApplicationData;

        vgx::ClearObject(*this);
        // The coordinates pooled again, the faces kept as exported.
        vgx::BuildFacesFromArrays(*this, points, normals, uvs, faceData, std::move(materials), false, true, 100);
        vgx::iVgxObject& rebuilt = internals_->Base();
        for (size_t i = 0; i < appData.size(); ++i) rebuilt.FaceList[i].ApplicationData = appData[i];
    });
}

void VgxObject::MergeTriangles(int32_t Level, bool MergeDissimilarMaterials) {
    vgx::Trap(vgx::kSource, [&] {
        vgx::ValidateCorners(internals_->Base());
        Optimize(true, 100);
        vgx::EnsureAdjacency(*this);
        const int64_t lowest = vgx::kFirstDivisor - vgx::kDivisorStep * (int64_t{Level} - 1);
        for (int64_t divisor = vgx::kFirstDivisor; divisor >= lowest; divisor -= vgx::kDivisorStep) {
            vgx::MergePass(*this, static_cast<int32_t>(divisor), MergeDissimilarMaterials);
        }
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

void VgxObject::Consolidate(int32_t Level, bool ConsolidateDissimilarMaterials) {
    vgx::Trap(vgx::kSource, [&] {
        // Level^1.5 has no value below 0.
        if (Level < 0) vgx::Raise(VgxErrInvalidCall);
        if (Level == 0) return;
        vgx::ValidateCorners(internals_->Base());
        const double tolerance = vgx::modMath::kPi / (180 / std::pow(static_cast<double>(Level), 1.5));
        Optimize(true, 100);
        vgx::EnsureAdjacency(*this);
        vgx::iVgxObject& level = internals_->Base();
        while (vgx::ApplySweep(*this, vgx::MergeFlatNeighbours(level, tolerance, ConsolidateDissimilarMaterials))) {
            if (vgx::DropStraightCorners(level, tolerance / 2)) vgx::RebuildAdjacency(level);
        }
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}
