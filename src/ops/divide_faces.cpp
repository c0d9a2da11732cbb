// Dividing edges and faces of the editable mesh: the cutting machinery the join
// operations share, the patterns faces are divided by, then the operations.
#include "ops/divide_faces.h"

#include <vgx/VgxObject.h>

#include <algorithm>

#include "base/errors.h"
#include "base/retained_mode.h"
#include "mesh/mod_index.h"

namespace vgx::cutting {
namespace {

// The difference divided into n parts as a float, then j of them; the halfway
// point is the mean, which does not depend on the direction.
float Along(float from, float to, int32_t j, int32_t n) {
    if (2 * int64_t{j} == n) return (from + to) / 2;
    return from + (to - from) / static_cast<float>(n) * static_cast<float>(j);
}

VgxVector Along(const VgxVector& from, const VgxVector& to, int32_t j, int32_t n) {
    return {Along(from.X, to.X, j, n), Along(from.Y, to.Y, j, n), Along(from.Z, to.Z, j, n)};
}

struct CornerValues {
    VgxVector position, normal;
    VgxUV uv;
};

CornerValues ValuesAlong(const iVgxObject& level, const iVgxFacePoint& a, const iVgxFacePoint& b, int32_t j,
                         int32_t n) {
    // Walked from the side's lower point, so the faces on both sides of it make
    // bit-identical positions: positions an ulp apart can round to different hash
    // keys in the point pool, stay two points and open a crack.
    const bool reverse = a.Point > b.Point;
    const iVgxFacePoint& from = reverse ? b : a;
    const iVgxFacePoint& to = reverse ? a : b;
    if (reverse) j = n - j;
    CornerValues values;
    values.position = Along(level.PointList[from.Point].Point, level.PointList[to.Point].Point, j, n);
    values.normal = Along(level.NormalList[from.Normal].Vector, level.NormalList[to.Normal].Vector, j, n);
    rm::VectorNormalize(values.normal, values.normal);
    const VgxUV& fromUV = level.UVList[from.UV].Coordinate;
    const VgxUV& toUV = level.UVList[to.UV].Coordinate;
    values.uv = {Along(fromUV.U, toUV.U, j, n), Along(fromUV.V, toUV.V, j, n)};
    return values;
}

// Gives the new corners their pooled indexes.
void PoolNewCorners(iVgxObject& level, FaceEdits& edits) {
    std::vector<int32_t> points, normals, uvs;
    modIndex::AddPooledPoints(level.PointList, level.PointListCount, level.PointHashTable, edits.newPositions, true,
                              points);
    modIndex::AddPooledNormals(level.NormalList, level.NormalListCount, level.NormalHashTable, edits.newNormals, true,
                               normals);
    modIndex::AddPooledUVs(level.UVList, level.UVListCount, level.UVHashTable, edits.newUVs, true, uvs);
    for (iVgxFacePoint& corner : edits.added.corners) {
        if (corner.Point >= 0) continue;
        const auto entry = static_cast<size_t>(-1 - corner.Point);
        corner = {points[entry], normals[entry], uvs[entry], -1};
    }
}

// Leaves out corners on the previous corner's point, a last corner on the first
// one's, and faces left with fewer than 3 corners.
void DropRepeatedCorners(FaceBatch& faces) {
    BlockArray<iVgxFacePoint>& corners = faces.corners;
    const int32_t count = faces.Count();
    size_t write = 0;
    int32_t kept = 0;
    for (int32_t i = 0, begin = 0; i < count; ++i) {
        const int32_t end = faces.offsets[i + 1];
        const size_t first = write;
        for (int32_t c = begin; c < end; ++c) {
            if (write > first && corners[write - 1].Point == corners[c].Point) continue;
            corners[write++] = corners[c];
        }
        begin = end;
        if (write - first > 1 && corners[write - 1].Point == corners[first].Point) --write;
        if (write - first < 3) {
            write = first;
            continue;
        }
        faces.offsets[kept + 1] = static_cast<int32_t>(write);
        if (kept != i) {
            faces.applicationData[kept] = faces.applicationData[i];
            faces.materials[kept] = std::move(faces.materials[i]);
        }
        ++kept;
    }
    corners.resize(write);
    faces.offsets.resize(static_cast<size_t>(kept) + 1);
    faces.applicationData.resize(static_cast<size_t>(kept));
    faces.materials.resize(static_cast<size_t>(kept));
}

}  // namespace

void CheckEdgePairs(const iVgxObject& level, const std::vector<int32_t>& pairs) {
    // A face id without its side would read past the end of the list.
    if (pairs.size() % 2 != 0) Raise(VgxErrSubscript);
    for (size_t i = 0; i < pairs.size(); i += 2) {
        const size_t face = CheckIndex(pairs[i], static_cast<size_t>(level.FaceListCount));
        CheckIndex(pairs[i + 1], static_cast<size_t>(level.FaceList[face].PointCount));
    }
}

std::vector<uint8_t> ListedEdges(const iVgxObject& level, const std::vector<int32_t>& pairs) {
    std::vector<uint8_t> listed(static_cast<size_t>(level.EdgeListCount), 0);
    for (size_t i = 0; i < pairs.size(); i += 2) listed[level.FaceCorners(pairs[i])[pairs[i + 1]].Edge] = 1;
    return listed;
}

iVgxFacePoint NewCornerAlong(const iVgxObject& level, FaceEdits& edits, const iVgxFacePoint& a,
                             const iVgxFacePoint& b, int32_t j, int32_t n) {
    const CornerValues values = ValuesAlong(level, a, b, j, n);
    return edits.NewCorner(values.position, values.normal, values.uv);
}

void PushCorner(FaceBatch& faces, const iVgxFacePoint& corner) {
    faces.corners.push_back({corner.Point, corner.Normal, corner.UV, -1});
}

void CloseFace(FaceBatch& faces, const iVgxObject& level, int32_t replacedFace) {
    faces.Close(level.FaceList[replacedFace].ApplicationData, level.FaceMaterial(replacedFace));
}

int32_t SplitEdges(const iVgxObject& level, const std::vector<uint8_t>& cutEdges, int32_t divisions,
                   FaceEdits& edits) {
    const auto isCut = [&](const iVgxFacePoint& corner) { return cutEdges[corner.Edge] != 0; };
    int32_t rebuilt = 0;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const int32_t n = level.FaceList[f].PointCount;
        const iVgxFacePoint* corners = level.FaceCorners(f);
        if (edits.isReplaced[f] || n < 3 || std::none_of(corners, corners + n, isCut)) continue;
        for (int32_t k = 0; k < n; ++k) {
            PushCorner(edits.added, corners[k]);
            if (!isCut(corners[k])) continue;
            const iVgxFacePoint& next = corners[(k + 1) % n];
            for (int32_t j = 1; j < divisions; ++j) {
                PushCorner(edits.added, NewCornerAlong(level, edits, corners[k], next, j, divisions));
            }
        }
        CloseFace(edits.added, level, f);
        edits.Replace(f);
        ++rebuilt;
    }
    return rebuilt;
}

int32_t CommitFaceEdits(VgxObject& object, FaceEdits& edits) {
    if (edits.replaced.empty()) return 0;
    iVgxObject& level = vgx::State(object).Base();
    PoolNewCorners(level, edits);
    DropRepeatedCorners(edits.added);
    // Deleting rebuilds every edge, the new faces' too, so none are built here.
    const int32_t added = edits.added.Count();
    AddFaceRecords(object, level, std::move(edits.added), false);
    object.DeleteFaces(edits.replaced);
    return added;
}

}  // namespace vgx::cutting

namespace vgx {
namespace {

using cutting::FaceEdits;
using cutting::PushCorner;

constexpr std::string_view kSource = "VgxObject";

// A quad in a non-zero mode is split in two through the midpoints of sides a and
// a + 2: a = 0 in mode 1, 1 in any other. Every other face is cut on all sides.
bool SplitsInTwo(int32_t corners, int32_t mode) { return corners == 4 && mode != 0; }
int32_t FirstSplitSide(int32_t mode) { return mode == 1 ? 0 : 1; }
bool HalvesSide(int32_t corners, int32_t mode, int32_t side) {
    return !SplitsInTwo(corners, mode) || side % 2 == FirstSplitSide(mode);
}

// A face being divided: its corners, and the new midpoint of every side that is
// halved, by its own pattern or by a divided neighbour.
struct Outline {
    const iVgxFacePoint* corners = nullptr;
    int32_t count = 0;
    const std::vector<uint8_t>* halvedEdges = nullptr;
    std::vector<iVgxFacePoint> mids;

    // Corner, side and midpoint k, counted round the face (k = -1 is the last).
    const iVgxFacePoint& Corner(int32_t k) const { return corners[(k + count) % count]; }
    bool Halved(int32_t k) const { return (*halvedEdges)[Corner(k).Edge] != 0; }
    const iVgxFacePoint& Mid(int32_t k) const { return mids[static_cast<size_t>((k + count) % count)]; }
};

void TraceOutline(const iVgxObject& level, int32_t face, const std::vector<uint8_t>& halvedEdges, FaceEdits& edits,
                  Outline& outline) {
    outline.corners = level.FaceCorners(face);
    outline.count = level.FaceList[face].PointCount;
    outline.halvedEdges = &halvedEdges;
    outline.mids.resize(static_cast<size_t>(outline.count));
    for (int32_t k = 0; k < outline.count; ++k) {
        if (outline.Halved(k)) {
            outline.mids[k] = cutting::NewCornerAlong(level, edits, outline.Corner(k), outline.Corner(k + 1), 1, 2);
        }
    }
}

// Corner k, then the midpoint of side k when that side is halved.
void PushSide(FaceBatch& faces, const Outline& outline, int32_t k) {
    PushCorner(faces, outline.Corner(k));
    if (outline.Halved(k)) PushCorner(faces, outline.Mid(k));
}

// One quad per corner k: (corner k, midpoint of side k, centre, midpoint of side k - 1).
// The centre is the mean of the corners; its normal, like the midpoints', only
// stands until the normals are creased.
void DivideAroundCentre(const iVgxObject& level, int32_t face, const Outline& outline, FaceEdits& edits) {
    VgxVector sum{0, 0, 0};
    VgxUV uvSum{0, 0};
    for (int32_t k = 0; k < outline.count; ++k) {
        const VgxVector& p = level.PointList[outline.Corner(k).Point].Point;
        const VgxUV& uv = level.UVList[outline.Corner(k).UV].Coordinate;
        sum = {sum.X + p.X, sum.Y + p.Y, sum.Z + p.Z};
        uvSum = {uvSum.U + uv.U, uvSum.V + uv.V};
    }
    const auto n = static_cast<float>(outline.count);
    const iVgxFacePoint centre =
        edits.NewCorner({sum.X / n, sum.Y / n, sum.Z / n}, FaceNormal(level, face), {uvSum.U / n, uvSum.V / n});
    for (int32_t k = 0; k < outline.count; ++k) {
        PushCorner(edits.added, outline.Corner(k));
        PushCorner(edits.added, outline.Mid(k));
        PushCorner(edits.added, centre);
        PushCorner(edits.added, outline.Mid(k - 1));
        cutting::CloseFace(edits.added, level, face);
    }
}

// Four triangles by the side midpoints: the corner triangles, starting with the
// corner that begins the shortest side (the first of equally short ones), then the
// middle triangle.
void DivideTriangle(const iVgxObject& level, int32_t face, const Outline& outline, FaceBatch& faces) {
    int32_t shortest = 0;
    float shortestLength = 1e14f;
    for (int32_t k = 0; k < 3; ++k) {
        const VgxVector& a = level.PointList[outline.Corner(k).Point].Point;
        const VgxVector& b = level.PointList[outline.Corner(k + 1).Point].Point;
        const float length = rm::VectorModulus({b.X - a.X, b.Y - a.Y, b.Z - a.Z});
        if (length < shortestLength) {
            shortestLength = length;
            shortest = k;
        }
    }
    for (int32_t k = shortest; k < shortest + 3; ++k) {
        PushCorner(faces, outline.Corner(k));
        PushCorner(faces, outline.Mid(k));
        PushCorner(faces, outline.Mid(k - 1));
        cutting::CloseFace(faces, level, face);
    }
    for (int32_t k = shortest; k < shortest + 3; ++k) PushCorner(faces, outline.Mid(k));
    cutting::CloseFace(faces, level, face);
}

// Two quads through the midpoints of sides a and a + 2, the first holding corner a.
// Their whole sides take a midpoint a divided neighbour puts there.
void SplitInTwo(const iVgxObject& level, int32_t face, const Outline& outline, int32_t a, FaceBatch& faces) {
    PushCorner(faces, outline.Corner(a));
    PushCorner(faces, outline.Mid(a));
    PushCorner(faces, outline.Mid(a + 2));
    PushSide(faces, outline, a + 3);
    cutting::CloseFace(faces, level, face);
    PushCorner(faces, outline.Mid(a));
    PushSide(faces, outline, a + 1);
    PushCorner(faces, outline.Corner(a + 2));
    PushCorner(faces, outline.Mid(a + 2));
    cutting::CloseFace(faces, level, face);
}

int32_t DivideListedEdges(VgxObject& object, const std::vector<int32_t>& pairs, int32_t divisions) {
    if (divisions < 1) Raise(VgxErrInvalidCall);
    iVgxObject& level = vgx::State(object).Base();
    cutting::CheckEdgePairs(level, pairs);
    if (pairs.empty()) return 0;
    CheckCorners(level);
    EnsureAdjacency(object);
    FaceEdits edits(level.FaceListCount);
    const int32_t rebuilt = cutting::SplitEdges(level, cutting::ListedEdges(level, pairs), divisions, edits);
    cutting::CommitFaceEdits(object, edits);
    return rebuilt;
}

// Divides each listed face of 3 or more corners once, cuts the faces across its
// halved sides at their midpoints so no crack opens, and creases the normals.
// Returns how many faces were appended (the pieces, then the rebuilt neighbours):
// they are the last faces of the list.
int32_t SubdivideFaces(VgxObject& object, const std::vector<int32_t>& faceIds, int32_t mode) {
    iVgxObject& level = vgx::State(object).Base();
    for (int32_t id : faceIds) CheckIndex(id, static_cast<size_t>(level.FaceListCount));
    if (faceIds.empty()) return 0;
    CheckCorners(level);
    EnsureAdjacency(object);

    // Every halved edge is known before the first piece is built, so a face split
    // in two can take the midpoint a divided neighbour puts on one of its whole sides.
    FaceEdits edits(level.FaceListCount);
    std::vector<uint8_t> halved(static_cast<size_t>(level.EdgeListCount), 0);
    for (int32_t f : faceIds) {
        const int32_t n = level.FaceList[f].PointCount;
        if (edits.isReplaced[f] || n < 3) continue;
        edits.Replace(f);
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < n; ++k) {
            if (HalvesSide(n, mode, k)) halved[corners[k].Edge] = 1;
        }
    }
    if (edits.replaced.empty()) return 0;

    Outline outline;
    for (int32_t f : edits.replaced) {
        TraceOutline(level, f, halved, edits, outline);
        if (SplitsInTwo(outline.count, mode)) {
            SplitInTwo(level, f, outline, FirstSplitSide(mode), edits.added);
        } else if (outline.count == 3) {
            DivideTriangle(level, f, outline, edits.added);
        } else {
            DivideAroundCentre(level, f, outline, edits);
        }
    }
    cutting::SplitEdges(level, halved, 2, edits);
    const int32_t added = cutting::CommitFaceEdits(object, edits);
    object.Crease();
    return added;
}

}  // namespace
}  // namespace vgx

int32_t VgxObject::DivideEdges(const std::vector<int32_t>& EdgeList, int32_t Divisions) {
    return vgx::Trap(vgx::kSource, [&] { return vgx::DivideListedEdges(*this, EdgeList, Divisions); });
}

int32_t VgxObject::DivideFaces(const std::vector<int32_t>& FaceIDList, int32_t DivisionMode) {
    return vgx::Trap(vgx::kSource, [&] { return vgx::SubdivideFaces(*this, FaceIDList, DivisionMode); });
}

// The two names once passed different versions to the division, and the version
// chose only how the new faces' sides found their edges: looked up in the level's
// edge table as they were made, or left to the next adjacency build. Here every cut
// ends by deleting the faces it replaced, which rebuilds every edge from the faces,
// so both ways end in the same faces, edges, orders and counts.
int32_t VgxObject::DivideFaces2(const std::vector<int32_t>& FaceIDList, int32_t DivisionMode) {
    return DivideFaces(FaceIDList, DivisionMode);
}
