// The modelling operations on an object's editable mesh: subdivision, division,
// face merging, cuts, repair, reduction, wraps and shadow volumes.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numeric>
#include <set>
#include <tuple>

#include "root/library_state.h"
#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

// Exact comparison and printing, so lists of coordinates compare and report in one assertion.
static bool operator==(const VgxVector& a, const VgxVector& b) { return a.X == b.X && a.Y == b.Y && a.Z == b.Z; }
static bool operator==(const VgxUV& a, const VgxUV& b) { return a.U == b.U && a.V == b.V; }
static std::ostream& operator<<(std::ostream& out, const VgxVector& v) {
    return out << "(" << v.X << ", " << v.Y << ", " << v.Z << ")";
}

namespace vgx::test {
namespace {

using Ints = std::vector<int32_t>;
using Points = std::vector<VgxVector>;
using Object = std::shared_ptr<VgxObject>;
using Position = std::tuple<float, float, float>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();

// Asserts that `call` raises the object's error `number` with that number's description.
void ExpectError(const std::function<void()>& call, int32_t number) {
    ExpectVgxError(call, number, "VgxObject",
                   number == 5 ? "Invalid procedure call or argument"
                               : (number == 9 ? "Subscript out of range" : (number == 11 ? "Division by zero" : "?")));
}

::testing::AssertionResult Near(const VgxVector& a, const VgxVector& b, float tolerance = 1e-6f) {
    if (std::fabs(a.X - b.X) <= tolerance && std::fabs(a.Y - b.Y) <= tolerance && std::fabs(a.Z - b.Z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " is not " << b;
}
::testing::AssertionResult Near(const Points& a, const Points& b, float tolerance = 1e-6f) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << a.size() << " points, not " << b.size();
    for (size_t k = 0; k < a.size(); ++k)
        if (!Near(a[k], b[k], tolerance)) return Near(a[k], b[k], tolerance) << " at " << k;
    return ::testing::AssertionSuccess();
}
// Every wanted point is among the points, within 1e-5.
::testing::AssertionResult Contains(const Points& points, const Points& wanted) {
    for (const VgxVector& p : wanted)
        if (std::none_of(points.begin(), points.end(), [&](const VgxVector& q) { return Near(p, q, 1e-5f); }))
            return ::testing::AssertionFailure() << "no point " << p;
    return ::testing::AssertionSuccess();
}

// One value per face, face by face.
template <class Get>
auto PerFace(const VgxObject& object, Get get) {
    std::vector<std::decay_t<decltype(std::invoke(get, *object.GetFace(0)))>> values;
    for (int32_t f = 0; f < object.GetFaceCount(); ++f) values.push_back(std::invoke(get, *object.GetFace(f)));
    return values;
}
Ints CornerCounts(const VgxObject& o) { return PerFace(o, &VgxFace::GetPointCount); }
Ints AppData(const VgxObject& o) { return PerFace(o, &VgxFace::GetAppData); }
// Faces, then points.
Ints Counts(const VgxObject& o) { return {o.GetFaceCount(), o.GetPointCount()}; }
// The face count, then the mesh's first fault if it has one.
std::string Shape(const VgxObject& o) {
    const std::string fault = MeshFault(o);
    return std::to_string(o.GetFaceCount()) + " faces" + (fault.empty() ? "" : ", " + fault);
}

Ints PointIDs(const VgxObject& o, int32_t face) {
    Ints ids;
    for (int32_t k = 0; k < o.GetFace(face)->GetPointCount(); ++k) ids.push_back(o.GetFace(face)->GetPointID(k));
    return ids;
}
Points Corners(const VgxObject& object, int32_t face) {
    Points points;
    for (int32_t p : PointIDs(object, face)) points.push_back(object.GetPoint(p));
    return points;
}
std::vector<Points> Faces(const VgxObject& o) {
    std::vector<Points> faces;
    for (int32_t f = 0; f < o.GetFaceCount(); ++f) faces.push_back(Corners(o, f));
    return faces;
}
VgxVector NormalAt(const VgxObject& o, int32_t face, int32_t k) { return o.GetNormal(o.GetFace(face)->GetNormalID(k)); }
// The UV of every corner, face by face.
std::vector<VgxUV> UVs(const VgxObject& o) {
    std::vector<VgxUV> uvs;
    for (int32_t f = 0; f < o.GetFaceCount(); ++f)
        for (int32_t k = 0; k < o.GetFace(f)->GetPointCount(); ++k) uvs.push_back(o.GetFace(f)->GetUV(k));
    return uvs;
}
::testing::AssertionResult Near(const std::vector<VgxUV>& a, const std::vector<VgxUV>& b, float tolerance) {
    Points pa, pb;
    for (const VgxUV& uv : a) pa.push_back({uv.U, uv.V, 0});
    for (const VgxUV& uv : b) pb.push_back({uv.U, uv.V, 0});
    return Near(pa, pb, tolerance);
}

// A closed mesh: consistent, and every edge between exactly two faces.
void ExpectClosed(VgxObject& object) {
    EXPECT_EQ(MeshFault(object), "");
    EXPECT_EQ(EdgesWithFaceCount(object, 2), Internals(object).Base().EdgeListCount);
}

// Everything a failed call must leave as it was, proxies included.
auto Take(const VgxObject& o) {
    const ExportedMesh m = ExportGeometry(o);
    return std::tuple(m.points, m.normals, m.uvs, m.faceData, AppData(o),
                      PerFace(o, [](const VgxFace& f) { return &f; }));
}

// Asserts that `call` raises the object's error `number` and leaves `object` as it was.
void ExpectRefused(const VgxObject& object, int32_t number, const std::function<void()>& call) {
    const auto before = Take(object);
    ExpectError(call, number);
    EXPECT_EQ(Take(object), before);
}

// Twice the vector area of a polygon (Newell's sum): its direction is the winding's normal.
VgxVector DoubleVectorArea(const Points& polygon) {
    double x = 0, y = 0, z = 0;
    for (size_t k = 0; k < polygon.size(); ++k) {
        const VgxVector &a = polygon[k], &b = polygon[(k + 1) % polygon.size()];
        x += (double(a.Y) - b.Y) * (double(a.Z) + b.Z);
        y += (double(a.Z) - b.Z) * (double(a.X) + b.X);
        z += (double(a.X) - b.X) * (double(a.Y) + b.Y);
    }
    return {float(x), float(y), float(z)};
}

class Ops : public ::testing::Test {
protected:
    // Faces given as point lists, the coordinates welded. Every corner takes normal 0
    // and, with one UV per point, its point's UV, else UV 0.
    Object Make(const Points& points, const std::vector<Ints>& faces, const Points& normals = {},
                const std::vector<VgxUV>& uvs = {}, bool weld = true) {
        auto object = root->CreateObject();
        Ints data;
        for (const Ints& face : faces) {
            data.push_back(int32_t(face.size()));
            for (int32_t p : face) data.insert(data.end(), {p, 0, uvs.size() == points.size() ? p : 0});
        }
        data.push_back(0);
        object->AddFaces(points, normals, uvs, data, weld, false);
        return object;
    }
    // Facing +Z, each corner with the UV (x, y) of its point.
    Object Flat(const Points& points, const std::vector<Ints>& faces) {
        std::vector<VgxUV> uvs;
        for (const VgxVector& p : points) uvs.push_back({p.X, p.Y});
        return Make(points, faces, {{0, 0, 1}}, uvs);
    }
    // n x m unit quads in the XY plane facing +Z, UVs (x, y) or, with unitUVs, spanning 0..1.
    Object Grid(int32_t n, int32_t m, bool unitUVs = false) {
        Points points;
        std::vector<VgxUV> uvs;
        std::vector<Ints> quads;
        for (int32_t j = 0; j <= m; ++j)
            for (int32_t i = 0; i <= n; ++i) {
                points.push_back({float(i), float(j), 0});
                uvs.push_back(unitUVs ? VgxUV{float(i) / n, float(j) / m} : VgxUV{float(i), float(j)});
                const int32_t a = j * (n + 1) + i;
                if (i < n && j < m) quads.push_back({a, a + 1, a + n + 2, a + n + 1});
            }
        return Make(points, quads, {{0, 0, 1}}, uvs);
    }
    // One triangle per three corners, each corner its own point.
    Object Triangles(const Points& corners) {
        std::vector<Ints> faces;
        for (int32_t c = 0; c + 2 < int32_t(corners.size()); c += 3) faces.push_back({c, c + 1, c + 2});
        return Make(corners, faces, {{0, 0, 1}}, {{0, 0}}, false);
    }
    std::shared_ptr<VgxMaterial> Material(float r, float g, float b) {
        auto material = root->CreateMaterial();
        material->SetColor(root->CreateColorRGB(r, g, b));
        return material;
    }
    // AddCube's cube, every face's application data set to `data`.
    Object Cube(int32_t data = 0) {
        auto cube = root->CreateObject();
        AddCube(*cube);
        for (int32_t f = 0; f < 6 && data; ++f) cube->GetFace(f)->SetAppData(data);
        return cube;
    }
    Object Load(const std::string& file, bool optimizeFaces = false) {
        const ObjMesh mesh = ReadObj(TestDataPath("meshes/" + file));
        auto object = root->CreateObject();
        object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, optimizeFaces);
        return object;
    }
    // Builds the render data, so that an operation is seen to mark it stale.
    void Render(VgxObject& object) {
        object.GetVertexBuffer(root->CreateDeviceID(), device);
        ASSERT_EQ(Internals(object).renderBufferState, 1);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    // Most cases start from the cube.
    Object cube = Cube();
};

// ---------------------------------------------------------------------------------
// Smooth, Crease, mirroring and the displayed subdivision.
using Smoothing = Ops;

// Where a cube corner and an edge middle of the unit cube land after one
// Catmull-Clark step: 5/9 and 3/4 of the way out from the centre.
constexpr float kCornerOut = 0.5f + 0.5f * 5.0f / 9.0f, kEdgeOut = 0.5f + 0.5f * 0.75f;

TEST_F(Smoothing, ACubeSmoothedOnceHasOneCatmullClarkStep) {
    cube->Smooth(1, VgxGreaterThan, 0, 0);
    // 8 + 6 + 12 points: corners, face points and edge points.
    EXPECT_EQ(Ints({cube->GetFaceCount(), cube->GetPointCount(), Internals(*cube).Base().EdgeListCount}),
              Ints({24, 26, 48}));
    ExpectClosed(*cube);
    // Every quad starts at its face point and keeps the cube's outward winding.
    for (int32_t f = 0; f < 24; ++f) {
        const Points c = Corners(*cube, f);
        const VgxVector n = DoubleVectorArea({c[0], c[1], c[2]});
        EXPECT_GT(n.X * (c[0].X - 0.5f) + n.Y * (c[0].Y - 0.5f) + n.Z * (c[0].Z - 0.5f), 0) << f;
    }
    // A second step keeps the counts of Catmull-Clark.
    cube->Smooth(1, VgxGreaterThan, 0, 0);
    EXPECT_EQ(Counts(*cube), (Ints{96, 98}));
    EXPECT_EQ(MeshFault(*cube), "");

    // A cube corner measures about 70.5 degrees and an edge 90: with "greater than
    // 120" neither moves, with "less than 120" both do, between the two only the edges.
    // Tension 1 is plain subdivision, 0.5 half of the smoothing. Face points stay.
    const float c = kCornerOut, e = kEdgeOut, h = (1 + kCornerOut) / 2;
    for (const auto& [condition, angle, tension, found] : std::vector<std::tuple<VgxCondition, float, float, Points>>{
             {VgxGreaterThan, 0, 0, {{c, c, c}, {1 - c, 1 - c, 1 - c}, {e, e, 0.5f}, {0.5f, 0.5f, 1}}},
             {VgxGreaterThan, 120, 0, {{1, 1, 1}, {1, 1, 0.5f}}},
             {VgxLessThan, 120, 0, {{c, c, c}, {e, e, 0.5f}}},
             {VgxLessThan, 180, 0, {{c, c, c}, {e, e, 0.5f}}},
             {VgxLessThan, 400, 0, {{c, c, c}, {e, e, 0.5f}}},
             {VgxGreaterThan, 80, 0, {{1, 1, 1}, {e, e, 0.5f}}},
             {VgxGreaterThan, 0, 1, {{1, 1, 1}, {1, 1, 0.5f}}},
             {VgxGreaterThan, 0, 0.5f, {{h, h, h}}}}) {
        SCOPED_TRACE(std::to_string(condition) + " " + std::to_string(angle) + " " + std::to_string(tension));
        auto smoothed = Cube();
        smoothed->Smooth(1, condition, angle, tension);
        const Points points = ExportGeometry(*smoothed).points;
        EXPECT_TRUE(Contains(points, found));
        for (const VgxVector& p : points)  // with tension 1 nothing moves off the cube's surface
            EXPECT_TRUE(tension != 1 || std::min({p.X, p.Y, p.Z, 1 - p.X, 1 - p.Y, 1 - p.Z}) < 1e-6f) << p;
    }
}

TEST_F(Smoothing, PolygonsAndOddInputSmoothWithoutFault) {
    // A triangle and a pentagon side by side, not sharing anything: one quad per corner.
    auto polygons =
        Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {3, 0, 0}, {4, 0, 0}, {4.5f, 1, 0}, {3.5f, 2, 0}, {2.5f, 1, 0}},
             {{0, 1, 2}, {3, 4, 5, 6, 7}});
    polygons->Smooth(1, VgxGreaterThan, 0, 0);
    EXPECT_EQ(Shape(*polygons), "8 faces");
    // The edge (0,0)-(1,0) has one face: its point moves half-way to the face point (1/3, 1/3).
    EXPECT_TRUE(Contains(ExportGeometry(*polygons).points, {{(0.5f + 1 / 3.0f) / 2, (0 + 1 / 3.0f) / 2, 0}}));

    // Three faces on one edge, and a face with a repeated point.
    auto fan =
        Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}}, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {2, 2, 4}});
    fan->SetSmoothingLevel(2);
    const ExportedMesh m = ExportVisual(*fan);
    EXPECT_EQ(m.FaceCount(), 4 * 3 * 4);
    for (const VgxVector& p : m.points) EXPECT_TRUE(std::isfinite(p.X + p.Y + p.Z)) << p;
    // Optimize drops the face with the repeated point first.
    fan->Smooth(1, VgxLessThan, 90, -0.5f);
    EXPECT_EQ(Shape(*fan), "9 faces");

    // A face running back along its own sides (0-1-0-2) gives two inner edges per
    // point pair when subdivided: the smoothed mesh pools them into one.
    auto folded = Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 0, 2}});
    folded->Smooth(2, VgxGreaterThan, 0, 0);
    EXPECT_EQ(Shape(*folded), "16 faces");
    const iVgxObject& level = Internals(*folded).Base();
    std::set<std::pair<int32_t, int32_t>> pairs;
    for (int32_t e = 0; e < level.EdgeListCount; ++e)
        pairs.emplace(level.EdgeList[e].Point[0], level.EdgeList[e].Point[1]);
    EXPECT_EQ(pairs.size(), static_cast<size_t>(level.EdgeListCount));
}

TEST_F(Smoothing, TheDisplayedMeshIsSmoothedAndMirroredLeavingTheObjectAlone) {
    // Smooth replaces the base and leaves the level attribute at 0; Crease ran with
    // factor 0: one normal per point on a closed smooth surface.
    cube->SetCreasingFactor(0);
    cube->Smooth(2, VgxGreaterThan, 0, 0);
    EXPECT_EQ(Ints({cube->GetFaceCount(), cube->GetSmoothingLevel(), cube->GetNormalCount()}),
              Ints({96, 0, cube->GetPointCount()}));
    // The displayed build at level 2 gives the same surface as Smooth(2), and the
    // editable mesh of the displayed object is untouched.
    auto shown = Cube();
    shown->SetSmoothingLevel(2);
    const ExportedMesh visual = ExportVisual(*shown), smoothed = ExportGeometry(*cube);
    ASSERT_EQ(Ints({visual.FaceCount(), visual.pointCount, visual.materialCount, shown->GetFaceCount()}),
              Ints({96, smoothed.pointCount, 96, 6}));
    EXPECT_TRUE(Contains(visual.points, smoothed.points));
    EXPECT_EQ(visual.materials[95], shown->GetFace(5)->GetMaterial());

    // An open box: the cube without its +X face, mirrored through x = 1; the four
    // points on the plane are shared.
    auto half = Cube();
    half->DeleteFaces({3});
    half->SetMirrorAxis(VgxAxisX);
    ExportedMesh m = ExportVisual(*half);
    EXPECT_EQ(Ints({m.FaceCount(), m.pointCount, half->GetFaceCount()}), Ints({10, 12, 5}));
    EXPECT_TRUE(Contains(m.points, {{2, 1, 1}}));
    // Mirrored and smoothed: the joined box (closed, 10 quads) subdivided once.
    half->SetSmoothingLevel(1);
    m = ExportVisual(*half);
    EXPECT_EQ(m.FaceCount(), 40);
    for (const VgxVector& p : m.points) EXPECT_LE(p.X, 2.0f);
    // A face lying in the plane is not doubled.
    auto lying = Cube();
    lying->SetMirrorAxis(VgxAxisZ);
    EXPECT_EQ(ExportVisual(*lying).FaceCount(), 11);
}

TEST_F(Smoothing, BadLevelsAndValuesChangeNothing) {
    for (auto [level, angle, tension, number] : std::vector<std::tuple<int32_t, float, float, int32_t>>{
             {5, 0, 0, 9}, {-1, 0, 0, 9}, {kMax, 0, 0, 9}, {1, kNaN, 0, 5}, {1, 0, kNaN, 5}})
        ExpectRefused(*cube, number, [&] { cube->Smooth(level, VgxGreaterThan, angle, tension); });

    // The display attributes are not checked when set, but the build refuses them
    // before touching anything and works again once they are fixed.
    const int32_t id = root->CreateDeviceID();
    for (auto [level, tension, number] : std::vector<std::tuple<int32_t, float, int32_t>>{{7, 0, 9}, {1, kNaN, 5}}) {
        cube->SetSmoothingLevel(level);
        cube->SetSmoothingTension(tension);
        ExpectRefused(*cube, number, [&] { cube->GetVertexBuffer(id, device); });
    }
    cube->SetSmoothingTension(0);
    EXPECT_GE(cube->GetVertexBuffer(id, device) ? cube->GetVertexBufferVisualVertexCount() : 0, 26);

    // Level 0 only optimises and creases; an empty object smooths to nothing.
    cube->Smooth(0, VgxGreaterThan, 0, 0);
    auto empty = root->CreateObject();
    empty->Smooth(3, VgxGreaterThan, 0, 0);
    empty->SetSmoothingLevel(2);
    EXPECT_EQ(Ints({cube->GetFaceCount(), empty->GetFaceCount(), ExportVisual(*empty).FaceCount()}), Ints({6, 0, 0}));
}

TEST_F(Smoothing, CreaseSplitsNormalsAtTheCreaseAngle) {
    cube->SetCreasingFactor(100);
    cube->Crease();
    const iVgxObject& base = Internals(*cube).Base();
    for (int32_t f = 0; f < 6; ++f)
        for (int32_t k = 0; k < 4; ++k)
            EXPECT_TRUE(Near(cube->GetNormal(base.FaceCorners(f)[k].Normal), FaceNormal(base, f), 1e-5f));
    EXPECT_EQ(cube->GetNormalCount(), 6);

    cube->SetCreasingFactor(0);
    cube->Crease();
    EXPECT_EQ(cube->GetNormalCount(), 8);
    const float third = 1 / std::sqrt(3.0f);
    EXPECT_TRUE(Near(cube->GetNormal(base.FaceCorners(1)[2].Normal), {third, third, third}, 1e-5f));

    // 89 degrees keeps the cube's 90-degree edges sharp, 91 smooths them.
    cube->Crease2(89);
    const int32_t sharp = cube->GetNormalCount();
    cube->Crease2(91);
    EXPECT_EQ(Ints({sharp, cube->GetNormalCount(), Internals(*cube).renderBufferState}), Ints({6, 8, 0}));
}

TEST_F(Smoothing, TheVisualBlockFollowsTheObjectBlockAndEveryMove) {
    const int32_t id = root->CreateDeviceID();
    // The displayed positions and normals of an object, read back from its vertex buffer.
    const auto shown = [&](VgxObject& object) {
        auto buffer = object.GetVertexBuffer(id, device);
        std::vector<RenderVertex> all(buffer->GetLength() / sizeof(RenderVertex));
        buffer->Read(0, all.data(), all.size() * sizeof(RenderVertex));
        Points points;
        for (size_t v = object.GetVertexBufferObjectVertexCount(); v < all.size(); ++v)
            for (const float* p : {all[v].Position, all[v].Normal}) points.push_back({p[0], p[1], p[2]});
        return points;
    };
    // The cube smoothed once, or open at +X, mirrored there and smoothed twice.
    const auto build = [&](bool mirrored, const Points& points) {
        auto object = Cube();
        if (mirrored) object->DeleteFaces({3});
        if (!points.empty()) object->SetPoints(points);
        object->SetMirrorAxis(mirrored ? VgxAxisX : VgxAxisNone);
        object->SetSmoothingLevel(mirrored ? 2 : 1);
        return object;
    };
    cube->SetSmoothingLevel(1);
    auto vertices = cube->GetVertexBuffer(id, device);
    const int32_t objectCount = cube->GetVertexBufferObjectVertexCount(),
                  visualCount = cube->GetVertexBufferVisualVertexCount();
    // One normal per point: a vertex per distinct (point, UV) pair of the displayed mesh.
    const ExportedMesh visual = ExportVisual(*cube);
    std::set<std::pair<int32_t, int32_t>> pairs;
    for (size_t i = 0; visual.faceData[i] != 0; i += 1 + 3 * static_cast<size_t>(visual.faceData[i]))
        for (size_t k = 0; k < size_t(visual.faceData[i]); ++k)
            pairs.emplace(visual.faceData[i + 1 + 3 * k], visual.faceData[i + 3 + 3 * k]);
    EXPECT_EQ(Ints({objectCount, visualCount}), Ints({24, int32_t(pairs.size())}));
    EXPECT_EQ(vertices->GetLength(), static_cast<size_t>(44 * (objectCount + visualCount)));
    // The cage is drawn as lines even though the quality asks for solid faces.
    EXPECT_EQ(Ints({cube->GetSubObjectCount(), cube->GetSubVisualSolidPrimitiveCount(0),
                    cube->GetSubObjectNonSolidPrimitiveCount(0)}),
              Ints({1, 48, 24}));
    auto visualTriangles = cube->GetSubVisualSolidIndexBuffer(id, 0);
    ASSERT_NE(visualTriangles, nullptr);
    std::vector<int16_t> indices(visualTriangles->GetLength() / 2);
    visualTriangles->Read(0, indices.data(), indices.size() * 2);
    const auto [low, high] = std::minmax_element(indices.begin(), indices.end());
    EXPECT_EQ(Ints({*low, *high}), Ints({0, visualCount - 1}));
    using Moves = std::vector<std::pair<int32_t, VgxVector>>;
    // The mirrored moves keep the plane, then shift it: beyond it every image moves.
    for (const auto& [mirrored, steps] : std::vector<std::pair<bool, std::vector<Moves>>>{
             {false, {{{6, {1.5f, 1.5f, 1.5f}}}}},
             {true,
              {{{0, {-0.3f, 0.1f, -0.2f}}}, {{3, {0.2f, 1.4f, 0}}, {4, {0, -0.5f, 1.5f}}}, {{2, {1.5f, 1, 0}}}}}}) {
        // Moving points rebuilds only what they reach; the result equals a fresh build.
        auto moving = mirrored ? build(true, {}) : cube;
        shown(*moving);
        for (const Moves& step : steps) {
            for (const auto& [point, position] : step) moving->SetPoint(point, position);
            ASSERT_EQ(Internals(*moving).renderBufferState, 2);
            const Points updated = shown(*moving);
            auto fresh = build(mirrored, ExportGeometry(*moving).points);
            EXPECT_TRUE(Near(updated, shown(*fresh), 1e-5f));
            const ExportedMesh moved = ExportVisual(*moving), rebuilt = ExportVisual(*fresh);
            EXPECT_TRUE(Near(moved.points, rebuilt.points, 1e-5f));
            EXPECT_EQ(moved.faceData, rebuilt.faceData);
        }
    }
}

// ---------------------------------------------------------------------------------
// DivideEdges, DivideFaces, DivideFaces2 and Divide.
using DivideFaces = Ops;
const std::vector<VgxUV> kSquareUVs{{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// The cube of AddCube: face 0 is (0, 3, 2, 1) at z = 0, its side 0 runs from (0,0,0)
// to (0,1,0); face 5 is (3, 0, 4, 7) at x = 0 and holds that side as its side 0.
constexpr int32_t kBottom = 0, kLeft = 5;

TEST_F(DivideFaces, DividedEdgeGetsItsCornersInBothFacesInTheirOwnOrder) {
    cube->GetFace(kBottom)->SetAppData(7);
    auto leftMaterial = root->CreateMaterial();
    cube->GetFace(kLeft)->ApplyMaterial(leftMaterial);

    // The untouched faces move up; the rebuilt ones follow in their old order.
    ASSERT_EQ(Ints({cube->DivideEdges({kBottom, 0}, 3), cube->GetFaceCount(), cube->GetPointCount()}),
              Ints({2, 6, 10}));
    const float t = 1.0f / 3, tt = 2.0f / 3;
    EXPECT_TRUE(Near(Corners(*cube, 4), {{0, 0, 0}, {0, t, 0}, {0, tt, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}));
    EXPECT_TRUE(Near(Corners(*cube, 5), {{0, 1, 0}, {0, tt, 0}, {0, t, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}}));
    const Ints bottom = PointIDs(*cube, 4), left = PointIDs(*cube, 5);
    EXPECT_EQ(Ints({bottom[1], bottom[2]}), Ints({left[2], left[1]}));
    // UVs and normals follow the side of each face.
    const auto u = [&](int32_t face, int32_t k) { return cube->GetFace(face)->GetUV(k).U; };
    EXPECT_TRUE(Near({u(4, 1), u(4, 2), u(5, 1)}, {t, tt, t}));
    EXPECT_TRUE(Near({NormalAt(*cube, 4, 1), NormalAt(*cube, 5, 2)}, {{0, 0, -1}, {-1, 0, 0}}));
    // Application data and material stay with the face; the bounds and render data are stale.
    EXPECT_EQ(cube->GetFace(5)->GetMaterial(), leftMaterial);
    EXPECT_EQ(Ints({cube->GetFace(4)->GetAppData(), Internals(*cube).boundingBoxValid,
                    Internals(*cube).renderBufferState, Internals(*cube).Base().EdgeListCount}),
              Ints({7, false, 0, 14}));
    ExpectClosed(*cube);

    // However the edge is named, and however often, it is cut once.
    for (const Ints& pairs : {Ints{kLeft, 0}, Ints{kBottom, 0, kLeft, 0}, Ints{kBottom, 0, kBottom, 0}}) {
        auto again = Cube();
        EXPECT_EQ(Ints({again->DivideEdges(pairs, 3), again->GetPointCount()}), Ints({2, 10}));
        EXPECT_EQ(CornerCounts(*again), (Ints{4, 4, 4, 4, 6, 6}));
    }
}

TEST_F(DivideFaces, PointsNearThePoolToleranceArePooledOnce) {
    // Walked from either end, this side's first third lands an ulp apart, and the
    // two positions round to different hash keys of the point pool.
    auto pair = Make({{1.18037045f, 0, 0}, {2.84230924f, 0, 0}, {2, 1, 0}, {2, -1, 0}}, {{0, 1, 2}, {1, 0, 3}},
                     {{0, 0, 1}}, {{0, 0}});
    EXPECT_EQ(Ints({pair->DivideEdges({0, 0}, 3), pair->GetPointCount(), EdgesWithFaceCount(*pair, 2)}),
              Ints({2, 6, 3}));
    EXPECT_EQ(MeshFault(*pair), "");

    // Side 3 is 0.00015 long: its midpoint is pooled onto corner 0, leaving no repeated corner.
    const Points sliver{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0.00015f, 0}};
    auto cut = Make(sliver, {{0, 1, 2, 3}}, {{0, 0, 1}}, kSquareUVs);
    EXPECT_EQ(Ints({cut->DivideEdges({0, 3}, 2), cut->GetPointCount(), cut->GetFace(0)->GetPointCount()}),
              Ints({1, 4, 4}));
    auto divided = Make(sliver, {{0, 1, 2, 3}}, {{0, 0, 1}}, kSquareUVs);
    EXPECT_EQ(divided->DivideFaces2({0}, 0), 4);
    EXPECT_TRUE(Near(Corners(*divided, 0), {{0, 0, 0}, {0.5f, 0, 0}, {0.5f, 0.2500375f, 0}}));
    EXPECT_EQ(MeshFault(*divided), "");

    // Narrower than the tolerance, face 0 has pieces without area: they are
    // dropped, the count says how many faces were made, and the pieces of face 1
    // keep its data. Each face's corners take the square's UVs in turn.
    auto thin = Make(
        {{0, 0, 0}, {1, 0, 0}, {1, 0.00015f, 0}, {0, 0.00015f, 0}, {5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}},
        {{0, 1, 2, 3}, {4, 5, 6, 7}}, {{0, 0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 1}, {0, 1}});
    thin->GetFace(0)->SetAppData(1);
    thin->GetFace(1)->SetAppData(2);
    const int32_t made = thin->DivideFaces2({0, 1}, 0);
    ASSERT_EQ(made, thin->GetFaceCount());
    EXPECT_EQ(AppData(*thin), (Ints{1, 1, 2, 2, 2, 2}));
    EXPECT_EQ(MeshFault(*thin), "");
}

TEST_F(DivideFaces, OneDivisionRebuildsAndAnEmptyListDoesNothing) {
    const Points bottom = Corners(*cube, kBottom);
    EXPECT_EQ(Ints({cube->DivideEdges({kBottom, 1}, 1), cube->GetFaceCount(), cube->GetPointCount(),
                    cube->GetFace(5)->GetPointCount()}),
              Ints({2, 6, 8, 4}));
    EXPECT_TRUE(Near(Corners(*cube, 4), bottom));
    ExpectClosed(*cube);

    const auto before = Take(*cube);
    EXPECT_EQ(Ints({cube->DivideEdges({}, 3), cube->DivideFaces2({}, 0)}), Ints({0, 0}));
    EXPECT_EQ(Take(*cube), before);

    // The edges of a face built corner by corner are found first; the normal between
    // two corners is made unit again.
    auto built = Cube();
    auto face = built->CreateFace();
    const Points points{{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}},
        normals{{0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}};
    for (size_t k = 0; k < points.size(); ++k) face->AddPoint(points[k], normals[k], {0, 0});
    ASSERT_FALSE(Internals(*built).edgesValid);
    EXPECT_EQ(built->DivideEdges({6, 2}, 2), 1);
    EXPECT_TRUE(Near(Corners(*built, 6), {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0.5f, 1, 5}, {0, 1, 5}}));
    EXPECT_TRUE(Near(NormalAt(*built, 6, 3), {std::sqrt(0.5f), 0, std::sqrt(0.5f)}));
    EXPECT_EQ(MeshFault(*built), "");
}

TEST_F(DivideFaces, BadInputIsRefusedBeforeAnythingChanges) {
    // A face without its side; no such face, alone or after a good pair; no such side,
    // alone or after a good pair; no divisions.
    const std::vector<std::tuple<Ints, int32_t, int32_t>> cases{
        {{kBottom, 0, kLeft}, 2, 9},     {{-1, 0}, 2, 9},      {{kBottom, 0, 6, 0}, 2, 9}, {{kBottom, 4}, 2, 9},
        {{kBottom, 0, kLeft, -1}, 2, 9}, {{kBottom, 0}, 0, 5}, {{kBottom, 0}, -3, 5}};
    for (const auto& [pairs, divisions, number] : cases)
        ExpectRefused(*cube, number, [&] { cube->DivideEdges(pairs, divisions); });
    for (const Ints& faces : {Ints{6}, Ints{0, -1}, Ints{1, 2, 99}}) {
        ExpectRefused(*cube, 9, [&] { cube->DivideFaces(faces, 0); });
        ExpectRefused(*cube, 9, [&] { cube->DivideFaces2(faces, 0); });
    }

    // A corner naming a normal the pool does not hold is found before any cut,
    // wherever it is.
    auto broken = Cube();
    auto face = broken->CreateFace();
    for (int32_t p : {0, 1, 2}) face->AddPointIndexed(p, p == 2 ? 99 : 0, 0);
    ExpectRefused(*broken, 9, [&] { broken->DivideEdges({kBottom, 0}, 2); });
    ExpectRefused(*broken, 9, [&] { broken->DivideFaces2({kBottom}, 0); });

    ExpectError([&] { root->CreateObject()->Divide(); }, 9);
}

TEST_F(DivideFaces, QuadsSplitIntoFourOrTwoAndTrianglesIntoFour) {
    const Points corners{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    for (auto divide : {&VgxObject::DivideFaces, &VgxObject::DivideFaces2}) {
        auto square = Make(corners, {{0, 1, 2, 3}}, {{0, 0, 1}}, kSquareUVs);
        // A face listed twice is divided once.
        ASSERT_EQ(Ints({((*square).*divide)({0, 0}, 0), square->GetFaceCount(), square->GetPointCount()}),
                  Ints({4, 4, 9}));
        EXPECT_TRUE(Near(Corners(*square, 0), {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
        EXPECT_TRUE(Near(Corners(*square, 1), {{2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 0, 0}}));
        EXPECT_TRUE(Near(Corners(*square, 3), {{0, 2, 0}, {0, 1, 0}, {1, 1, 0}, {1, 2, 0}}));
        const std::vector<VgxUV> uvs = UVs(*square);
        EXPECT_TRUE(Near(std::vector<VgxUV>(uvs.begin(), uvs.begin() + 4), {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}},
                         1e-6f));
        EXPECT_EQ(MeshFault(*square), "");
        EXPECT_EQ(Ints({EdgesWithFaceCount(*square, 1), EdgesWithFaceCount(*square, 2)}), Ints({8, 4}));
    }

    // Mode 1 splits along X, 2 and -1 along Y.
    for (const auto& [mode, first, second] : std::vector<std::tuple<int32_t, Points, Points>>{
             {1, {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 0}}, {{1, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 2, 0}}},
             {2, {{2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 0}}, {{2, 1, 0}, {2, 2, 0}, {0, 2, 0}, {0, 1, 0}}},
             {-1, {{2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 0}}, {{2, 1, 0}, {2, 2, 0}, {0, 2, 0}, {0, 1, 0}}}}) {
        auto square = Make(corners, {{0, 1, 2, 3}}, {{0, 0, 1}}, kSquareUVs);
        EXPECT_EQ(Ints({square->DivideFaces2({0}, mode), square->GetPointCount()}), Ints({2, 6})) << mode;
        EXPECT_TRUE(Near(Corners(*square, 0), first)) << mode;
        EXPECT_TRUE(Near(Corners(*square, 1), second)) << mode;
        EXPECT_EQ(MeshFault(*square), "") << mode;
    }

    // Sides 4, 5 and 3: the shortest runs from corner 2 to corner 0.
    const std::vector<VgxUV> uvs{{0, 0}, {1, 0}, {0, 1}};
    auto scalene = Make({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}}, {{0, 1, 2}}, {{0, 0, 1}}, uvs);
    EXPECT_EQ(Ints({scalene->DivideFaces2({0}, 0), scalene->GetPointCount()}), Ints({4, 6}));
    EXPECT_TRUE(Near(Corners(*scalene, 0), {{0, 3, 0}, {0, 1.5f, 0}, {2, 1.5f, 0}}));
    EXPECT_TRUE(Near(Corners(*scalene, 1), {{0, 0, 0}, {2, 0, 0}, {0, 1.5f, 0}}));
    EXPECT_TRUE(Near(Corners(*scalene, 2), {{4, 0, 0}, {2, 1.5f, 0}, {2, 0, 0}}));
    EXPECT_TRUE(Near(Corners(*scalene, 3), {{0, 1.5f, 0}, {2, 0, 0}, {2, 1.5f, 0}}));
    EXPECT_EQ(MeshFault(*scalene), "");

    // Sides 0 and 2 are equally short: the first wins.
    auto isosceles = Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, {{0, 0, 1}}, uvs);
    EXPECT_EQ(isosceles->DivideFaces2({0}, 0), 4);
    EXPECT_TRUE(Near(Corners(*isosceles, 0), {{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}}));
    EXPECT_TRUE(Near(Corners(*isosceles, 3), {{0.5f, 0, 0}, {0.5f, 0.5f, 0}, {0, 0.5f, 0}}));
}

TEST_F(DivideFaces, NeighboursTakeTheMidpointsSoNoCrackOpens) {
    // The four pieces, then the four side faces with a midpoint on their bottom side.
    EXPECT_EQ(Ints({cube->DivideFaces2({kBottom}, 0), cube->GetPointCount()}), Ints({8, 13}));
    EXPECT_EQ(CornerCounts(*cube), (Ints{4, 4, 4, 4, 4, 5, 5, 5, 5}));
    EXPECT_TRUE(Near(Corners(*cube, 8), {{0, 1, 0}, {0, 0.5f, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}}));
    ExpectClosed(*cube);

    // A face split in two keeps a whole side, which takes the midpoint that a
    // divided neighbour puts on it: the bottom keeps side 3 (from point 1 to 0), which
    // face 2 halves.
    auto split = Cube();
    split->DivideFaces2({kBottom, 2}, 1);
    EXPECT_TRUE(Near(Corners(*split, 1), {{0, 0, 0}, {0, 0.5f, 0}, {1, 0.5f, 0}, {1, 0, 0}, {0.5f, 0, 0}}));
    ExpectClosed(*split);
}

TEST_F(DivideFaces, DividingACubeTwiceKeepsItClosed) {
    for (const Ints& counts : {Ints{24, 26}, Ints{96, 98}}) {
        cube->Divide();
        EXPECT_EQ(Counts(*cube), counts);
        ExpectClosed(*cube);
    }
    // The normals are creased afresh: with a creasing factor of 0 every corner at a
    // cube corner shares the normal of all the faces there.
    auto smooth = Cube();
    smooth->SetCreasingFactor(0);
    smooth->Divide();
    const float d = 1 / std::sqrt(3.0f);
    ASSERT_EQ(smooth->GetFace(0)->GetPointCount(), 4);
    EXPECT_TRUE(Near({Corners(*smooth, 0)[0], NormalAt(*smooth, 0, 0)}, {{0, 0, 0}, {-d, -d, -d}}));
}

// A quad-dominant, closed model with triangles, pentagons and hexagons: triangles
// become four triangles, every other face one quad per corner, and each edge and
// each face of 4 or more corners gives one new point.
TEST_F(DivideFaces, RealMeshDividesIntoTheExpectedPiecesAndStaysClosed) {
    auto beast = Load("common/beast.obj");
    ASSERT_EQ(MeshFault(*beast), "");
    const iVgxObject& level = Internals(*beast).Base();
    // Faces, points and edges after the division.
    Ints expected{0, beast->GetPointCount() + level.EdgeListCount, 2 * level.EdgeListCount};
    for (int32_t n : CornerCounts(*beast))
        expected = {expected[0] + (n == 3 ? 4 : n), expected[1] + (n == 3 ? 0 : 1), expected[2] + n};
    beast->Divide();
    EXPECT_EQ(Ints({beast->GetFaceCount(), beast->GetPointCount(), level.EdgeListCount}), expected);
    ExpectClosed(*beast);
}

// ---------------------------------------------------------------------------------
// Triangulate, MergeTriangles and Consolidate.
class FaceMerge : public Ops {
protected:
    // Two coplanar triangles on the diagonal (-1, 0)-(1, 0) whose corners opposite it
    // measure 80 degrees (the other corners 50).
    Object EightyDegreePair() {
        const float apex = 1 / std::tan(40 * 3.14159265f / 180);
        return Flat({{-1, 0, 0}, {1, 0, 0}, {0, apex, 0}, {0, -apex, 0}}, {{0, 1, 2}, {1, 0, 3}});
    }
    // The unit square as two right triangles (0, 1, 2) and (0, 2, 3) on the diagonal 0-2.
    Object SplitSquare() { return Flat({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}); }
};

std::set<Position> CornerSet(const Points& points) {
    std::set<Position> set;
    for (const VgxVector& p : points) set.emplace(p.X, p.Y, p.Z);
    return set;
}

// The area of the faces taken as fans of triangles from their first corners.
double TotalArea(const VgxObject& object) {
    double area = 0;
    for (const Points& face : Faces(object))
        for (size_t k = 1; k + 1 < face.size(); ++k) {
            const VgxVector v = DoubleVectorArea({face[0], face[k], face[k + 1]});
            area += std::sqrt(double(v.X) * v.X + double(v.Y) * v.Y + double(v.Z) * v.Z) / 2;
        }
    return area;
}

// The number of triangles the faces stand for: n - 2 per face of n corners.
int32_t TriangleCount(const VgxObject& object) {
    const Ints corners = CornerCounts(object);
    return std::accumulate(corners.begin(), corners.end(), 0) - 2 * int32_t(corners.size());
}

TEST_F(FaceMerge, TwoRightTrianglesOfASquareBecomeOneQuad) {
    for (bool consolidate : {false, true}) {
        SCOPED_TRACE(consolidate ? "Consolidate" : "MergeTriangles");
        auto square = SplitSquare();
        Render(*square);
        consolidate ? square->Consolidate(1, false) : square->MergeTriangles(1, false);
        // The first triangle's corners in its winding, the other's far corner between the
        // diagonal's ends, each with its UV and normal.
        EXPECT_EQ(PointIDs(*square, 0), (Ints{0, 1, 2, 3}));
        EXPECT_EQ(UVs(*square), (std::vector<VgxUV>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
        for (int32_t k = 0; k < 4; ++k) EXPECT_EQ(NormalAt(*square, 0, k).Z, 1) << k;
        EXPECT_EQ(MeshFault(*square), "");
        EXPECT_EQ(Ints({square->GetFaceCount(), Internals(*square).renderBufferState, EdgesWithFaceCount(*square, 1)}),
                  Ints({1, 0, 4}));
    }
}

// Each case: an object, one merge, then the corner counts of its faces, the points of
// its first face when given, and that face's material when given.
TEST_F(FaceMerge, WhichNeighboursMerge) {
    // Materials equal in every value would be shared by the in-depth Optimize the
    // merges start with, so these differ in colour.
    const auto red = Material(1, 0, 0), blue = Material(0, 0, 1);
    const auto painted = [&](Object object) {
        object->GetFace(0)->ApplyMaterial(red);
        object->GetFace(1)->ApplyMaterial(blue);
        return object;
    };
    // Triangle G stands on the top side of the unit square with a right angle at its
    // apex; its neighbour N has its right angle opposite their shared side, G does not.
    const Points gn{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 1.5f, 0}, {1, 1.5f, 0}};
    // Two unit quads folded 90 degrees along the X axis; two strips of quads and of
    // triangles wound against each other; a regular hexagon in two halves.
    const Points fold{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 1}, {0, 0, 1}};
    const Points strip{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    const Points square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const float h = std::sqrt(3.0f) / 2;
    const Points hexagon{{1, 0, 0}, {0.5f, h, 0}, {-0.5f, h, 0}, {-1, 0, 0}, {-0.5f, -h, 0}, {0.5f, -h, 0}};
    auto triangulated = Cube();
    triangulated->Triangulate();
    // Each case: what, the object, Consolidate (or else MergeTriangles) at a level,
    // with dissimilar materials or not, then the corner counts of the faces left, the
    // points of the first face when given, and its material when given.
    using Case = std::tuple<std::string, Object, bool, int32_t, bool, Ints, Ints, std::shared_ptr<VgxMaterial>>;
    for (const auto& [what, object, consolidate, level, any, corners, first, material] : std::vector<Case>{
             {"materials apart", painted(SplitSquare()), false, 12, false, {3, 3}, {}, red},
             {"materials merged", painted(SplitSquare()), false, 1, true, {4}, {}, red},
             {"quad materials apart", painted(Grid(2, 1)), true, 1, false, {4, 4}, {}, red},
             {"quad materials merged", painted(Grid(2, 1)), true, 1, true, {4}, {}, red},
             // The last pass of Level 3 allows pi/20 = 9 degrees off a right angle, Level 5 pi/16 = 11.25.
             {"80 degrees, level 1", EightyDegreePair(), false, 1, false, {3, 3}, {0, 1, 2}, nullptr},
             {"80 degrees, level 2", EightyDegreePair(), false, 2, false, {3, 3}, {0, 1, 2}, nullptr},
             {"80 degrees, level 3", EightyDegreePair(), false, 3, false, {3, 3}, {0, 1, 2}, nullptr},
             {"80 degrees, level 5", EightyDegreePair(), false, 5, false, {4}, {0, 3, 1, 2}, nullptr},
             // Level 0 or below runs no pass.
             {"level 0", SplitSquare(), false, 0, false, {3, 3}, {}, nullptr},
             {"level -3", SplitSquare(), false, -3, false, {3, 3}, {}, nullptr},
             {"lowest level", SplitSquare(), false, kMin, false, {3, 3}, {}, nullptr},
             {"G and N alone", Flat(gn, {{3, 2, 4}, {4, 2, 5}}), false, 1, false, {3, 3}, {}, nullptr},
             // 20^1.5 is 89.4 degrees, 21^1.5 is 96.2.
             {"cube, level 20", Cube(), true, 20, true, Ints(6, 4), {}, nullptr},
             {"fold, level 20", Flat(fold, {{0, 1, 2, 3}, {1, 0, 5, 4}}), true, 20, false, {4, 4}, {}, nullptr},
             {"fold, level 21", Flat(fold, {{0, 1, 2, 3}, {1, 0, 5, 4}}), true, 21, false, {6}, {}, nullptr},
             // Neighbours wound against each other never merge, however wide the tolerance.
             {"quads apart", Flat(strip, {{0, 1, 4, 3}, {4, 5, 2, 1}}), true, 40, true, {4, 4}, {}, nullptr},
             {"triangles apart", Flat(square, {{0, 1, 2}, {3, 2, 0}}), false, 12, true, {3, 3}, {}, nullptr},
             // Level 25 takes 62.5 degrees off a straight line and a regular hexagon turns
             // by 60: the merged polygon keeps every corner.
             {"hexagon", Flat(hexagon, {{0, 1, 2, 3}, {3, 4, 5, 0}}), true, 25, false, {6}, {}, nullptr},
             // A triangulated cube consolidates back into its six squares.
             {"triangulated cube", triangulated, true, 1, false, Ints(6, 4), {}, nullptr},
         }) {
        SCOPED_TRACE(what);
        consolidate ? object->Consolidate(level, any) : object->MergeTriangles(level, any);
        EXPECT_EQ(CornerCounts(*object), corners);
        EXPECT_TRUE(first.empty() || PointIDs(*object, 0) == first);
        EXPECT_TRUE(!material || object->GetFace(0)->GetMaterial() == material);
        EXPECT_EQ(MeshFault(*object), "");
    }
    EXPECT_EQ(EdgesWithFaceCount(*triangulated, 2), 12);

    // On the quad, G pairs with N.
    auto onQuad = Flat(gn, {{0, 1, 2, 3}, {3, 2, 4}, {4, 2, 5}});
    onQuad->MergeTriangles(1, false);
    ASSERT_EQ(Shape(*onQuad), "2 faces");
    EXPECT_EQ(PointIDs(*onQuad, 0), (Ints{0, 1, 2, 3}));
    EXPECT_EQ(PointIDs(*onQuad, 1), (Ints{3, 2, 5, 4}));
    EXPECT_FLOAT_EQ(TotalArea(*onQuad), 1.375f);
}

TEST_F(FaceMerge, ATriangulatedGridTurnsBackIntoItsQuads) {
    auto grid = Grid(4, 4);
    grid->Triangulate();
    ASSERT_EQ(grid->GetFaceCount(), 32);
    grid->MergeTriangles(1, false);
    ASSERT_EQ(grid->GetFaceCount(), 16);
    std::set<Position> lowCorners;
    for (const Points& quad : Faces(*grid)) {
        ASSERT_EQ(quad.size(), 4u);
        EXPECT_FLOAT_EQ(DoubleVectorArea(quad).Z, 2);  // a unit square, wound as before
        lowCorners.insert(*CornerSet(quad).begin());
    }
    EXPECT_EQ(MeshFault(*grid), "");
    EXPECT_EQ(Ints({int32_t(lowCorners.size()), EdgesWithFaceCount(*grid, 2)}), Ints({16, 24}));  // one per cell

    // Triangle G stands on the top side of the unit square Q with a right angle at its
    // apex; its neighbour N has its right angle opposite their shared side, G does not.
}

TEST_F(FaceMerge, ConsolidateMergesFlatNeighboursAndDropsStraightCorners) {
    // The middle corners of a 2 x 1 rectangle's long sides run straight on and are
    // used by two faces: they go from the face, but stay in the pool.
    auto rectangle = Grid(2, 1);
    rectangle->Consolidate(1, false);
    ASSERT_EQ(Counts(*rectangle), (Ints{1, 6}));
    const Points merged = Corners(*rectangle, 0);
    EXPECT_EQ(CornerSet(merged), (std::set<Position>{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}));
    EXPECT_FLOAT_EQ(DoubleVectorArea(merged).Z, 4);
    EXPECT_EQ(MeshFault(*rectangle), "");

    // A straight corner that a neighbour turns at stays, or that neighbour's side
    // would end in the middle of the merged polygon's side. Here the triangle below
    // the first quad keeps its own material and turns at (1, 0).
    auto step = Flat({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0.5f, -1, 0}, {3, 0, 0}, {3, 1, 0}},
                     {{0, 1, 2, 3, 4}, {1, 0, 5}, {2, 6, 7, 3}});
    step->GetFace(1)->ApplyMaterial(Material(0, 1, 0));
    step->Consolidate(1, false);
    ASSERT_EQ(Shape(*step), "2 faces");
    EXPECT_EQ(PointIDs(*step, 1), (Ints{0, 1, 6, 7, 4}));
    EXPECT_EQ(EdgesWithFaceCount(*step, 2), 1);

    for (auto [n, m, triangulate] : {std::tuple{8, 8, false}, std::tuple{8, 8, true}, std::tuple{5, 3, true}}) {
        SCOPED_TRACE(std::to_string(n) + "x" + std::to_string(m));
        auto plane = Grid(n, m);
        if (triangulate) plane->Triangulate();
        plane->Consolidate(1, false);
        ASSERT_EQ(Shape(*plane), "1 faces");
        const Points outline = Corners(*plane, 0);
        EXPECT_EQ(outline.size(), 4u);
        EXPECT_EQ(CornerSet(outline),
                  (std::set<Position>{{0, 0, 0}, {float(n), 0, 0}, {float(n), float(m), 0}, {0, float(m), 0}}));
        EXPECT_FLOAT_EQ(DoubleVectorArea(outline).Z, 2.0f * n * m);
    }
}

TEST_F(FaceMerge, LevelsOutOfRangeAndEmptyObjects) {
    // From Level 13 the divisor reaches 0: that pass fails before it changes anything,
    // the twelve before it stand.
    for (int32_t level : {13, kMax}) {
        auto pair = EightyDegreePair();
        ExpectError([&] { pair->MergeTriangles(level, false); }, 11);
        EXPECT_EQ(Shape(*pair), "1 faces") << level;
    }
    auto rectangle = Grid(2, 1);
    const auto before = Take(*rectangle);
    rectangle->Consolidate(0, false);  // not even optimised
    EXPECT_EQ(Take(*rectangle), before);
    // Level^1.5 has no value below 0.
    for (int32_t level : {-1, kMin}) ExpectRefused(*rectangle, 5, [&] { rectangle->Consolidate(level, false); });
    // An empty object stays empty.
    auto empty = root->CreateObject();
    empty->Triangulate();
    empty->MergeTriangles(12, true);
    empty->Consolidate(4, true);
    EXPECT_EQ(Ints({empty->GetFaceCount(), empty->GetPointCount(), empty->GetNormalCount(), empty->GetUVCount()}),
              Ints({0, 0, 0, 0}));
    ExpectRefused(*empty, 11, [&] { empty->MergeTriangles(13, false); });
}

TEST_F(FaceMerge, TriangulateSplitsFacesKeepingMaterialAndApplicationData) {
    std::vector<std::shared_ptr<VgxMaterial>> materials;
    for (int32_t f = 0; f < 6; ++f) cube->GetFace(f)->ApplyMaterial(materials.emplace_back(root->CreateMaterial()));
    for (int32_t f = 0; f < 6; ++f) cube->GetFace(f)->SetAppData(100 + f);
    const std::vector<Points> squares = Faces(*cube);
    Render(*cube);
    cube->Triangulate();
    ASSERT_EQ(Ints({cube->GetFaceCount(), cube->GetPointCount(), Internals(*cube).renderBufferState}),
              Ints({12, 8, 0}));
    for (int32_t t = 0; t < 12; ++t) {
        SCOPED_TRACE(t);
        const int32_t f = t / 2;
        EXPECT_EQ(cube->GetFace(t)->GetMaterial(), materials[f]);
        EXPECT_EQ(cube->GetFace(t)->GetAppData(), 100 + f);
        // Half the square, wound the same way, inside it.
        const Points triangle = Corners(*cube, t);
        const VgxVector square = DoubleVectorArea(squares[f]), half = DoubleVectorArea(triangle);
        EXPECT_FLOAT_EQ(square.X + square.Y + square.Z, 2 * (half.X + half.Y + half.Z));
        for (const auto& corner : CornerSet(triangle)) EXPECT_TRUE(CornerSet(squares[f]).count(corner));
    }
    EXPECT_EQ(MeshFault(*cube), "");
    EXPECT_EQ(EdgesWithFaceCount(*cube, 2), 18);

    // Triangles stay as they are; a face of fewer than 3 corners goes.
    const Ints before = ExportGeometry(*cube).faceData;
    cube->CreateFace();
    cube->Triangulate();
    EXPECT_EQ(ExportGeometry(*cube).faceData, before);
}

TEST_F(FaceMerge, BadCornersAreRefusedBeforeAnythingChanges) {
    // A corner added by index is not checked when added: it may name no point, normal
    // or UV. A point may be moved to a position that is not a number.
    const std::vector<std::function<void()>> operations{
        [&] { cube->Triangulate(); }, [&] { cube->MergeTriangles(1, false); }, [&] { cube->Consolidate(1, false); }};
    const auto refused = [&](int32_t number) {
        const auto proxy = cube->GetFace(0);
        for (const auto& operation : operations) {
            ExpectError(operation, number);
            EXPECT_EQ(Ints({cube->GetFaceCount(), cube->GetPointCount(), cube->GetFace(0)->GetPointCount()}),
                      Ints({7, 8, 4}));
            EXPECT_EQ(cube->GetFace(0), proxy);
        }
    };
    for (const Ints& bad : {Ints{8, 0, 0}, Ints{0, 6, 0}, Ints{0, 0, -1}}) {
        const auto face = cube->CreateFace();
        for (int32_t p : {0, 1}) face->AddPointIndexed(p, 0, 0);
        face->AddPointIndexed(bad[0], bad[1], bad[2]);
        refused(9);
        cube->DeleteFaces({6});
    }
    cube->AddFacesIndexed({3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false);
    const VgxVector corner = cube->GetPoint(2);
    cube->SetPoint(2, {kNaN, 0, 0});
    refused(5);
    cube->SetPoint(2, corner);
    cube->MergeTriangles(1, false);
    EXPECT_EQ(MeshFault(*cube), "");
}

TEST_F(FaceMerge, RealMeshesKeepTheirSurface) {
    // suzanne mixes quads and triangles, spot is a quad model stored as triangles,
    // quadknot is all quads.
    for (const std::string file : {"common/suzanne.obj", "common/spot.obj", "trimesh/quadknot.obj"}) {
        SCOPED_TRACE(file);
        auto object = Load(file);
        const int32_t faces = object->GetFaceCount(), triangles = TriangleCount(*object);
        const int32_t open = EdgesWithFaceCount(*object, 1);
        const std::set<Position> points = CornerSet(ExportGeometry(*object).points);
        // The triangles the faces stand for, the open edges and the points stay, and the
        // mesh stays consistent.
        const auto kept = [&] {
            EXPECT_EQ(Ints({TriangleCount(*object), EdgesWithFaceCount(*object, 1)}), Ints({triangles, open}));
            EXPECT_EQ(MeshFault(*object), "");
            EXPECT_TRUE(CornerSet(ExportGeometry(*object).points) == points);
        };
        object->Triangulate();
        EXPECT_EQ(object->GetFaceCount(), triangles);
        kept();
        const double area = TotalArea(*object);

        // Every quad is two of the triangles: none lost, none doubled.
        object->MergeTriangles(8, false);
        const int32_t merged = object->GetFaceCount();
        EXPECT_TRUE(merged < triangles && (triangles != 2 * faces || merged <= faces * 102 / 100)) << merged;
        for (int32_t n : CornerCounts(*object)) EXPECT_LE(n, 4);
        EXPECT_NEAR(TotalArea(*object), area, 2e-3 * area);
        kept();

        // Consolidating opens no crack: no edge gains or loses a side.
        object->Consolidate(3, false);
        EXPECT_EQ(Ints({object->GetFaceCount() < merged, EdgesWithFaceCount(*object, 1)}), Ints({true, open}));
        EXPECT_EQ(MeshFault(*object), "");
    }
}

// ---------------------------------------------------------------------------------
// JoinEdges and JoinPoints.
class Join : public Ops {
protected:
    // Two unit quads side by side: (0..1) and (1..2) along x.
    Object Strip() {
        return Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}}, {{0, 1, 2, 3}, {1, 4, 5, 2}});
    }
};

TEST_F(Join, JoiningCutsFacesAtMidpointsOrBetweenPoints) {
    auto mesh = Strip();
    // Sides 0 (bottom) and 2 (top) of the first quad; the untouched neighbour is renumbered first.
    EXPECT_EQ(mesh->JoinEdges({0, 0, 0, 2}), 2);
    EXPECT_EQ(CornerCounts(*mesh), (Ints{4, 4, 4}));
    EXPECT_EQ(AppData(*mesh), (Ints{0, 1, 1}));
    const Points first = Corners(*mesh, 1);
    EXPECT_TRUE(Near({first[0], first[3]}, {{0.5f, 0, 0}, {0.5f, 1, 0}}, 0));
    EXPECT_EQ(MeshFault(*mesh), "");

    // A shared side gives both faces its midpoint, pooled once.
    auto shared = Strip();
    EXPECT_EQ(Ints({shared->JoinEdges({0, 1}), shared->GetPointCount()}), Ints({2, 7}));
    EXPECT_EQ(CornerCounts(*shared), (Ints{5, 5}));
    EXPECT_EQ(MeshFault(*shared), "");

    // All four sides of a quad: four corner triangles and the diamond between them.
    auto quad = Make({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {{0, 1, 2, 3}});
    EXPECT_EQ(
        Ints({quad->JoinEdges({0, 0, 0, 1, 0, 2, 0, 3}), quad->GetFaceCount(), quad->GetFace(4)->GetPointCount()}),
        Ints({5, 5, 4}));
    EXPECT_EQ(MeshFault(*quad), "");
    EXPECT_EQ(quad->JoinEdges({}), 0);

    auto bad = Strip();
    for (const Ints& pairs : {Ints{2, 0}, Ints{0, 4}, Ints{0, 0, 1}, Ints{-1, 0}})
        ExpectRefused(*bad, 9, [&] { bad->JoinEdges(pairs); });

    // A hexagon: points 0 and 3 cut it into two quads.
    auto hexagon = Make({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 2, 0}, {-1, 1, 0}}, {{0, 1, 2, 3, 4, 5}});
    EXPECT_EQ(Ints({hexagon->JoinPoints({0, 3}), hexagon->GetFace(1)->GetAppData()}), Ints({1, 1}));
    EXPECT_EQ(CornerCounts(*hexagon), (Ints{4, 4}));
    EXPECT_EQ(MeshFault(*hexagon), "");

    auto unit = Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}}, {{0, 1, 2, 3}});
    const auto unitBefore = Take(*unit);
    // Side by side, or a point on no shared face: nothing changes.
    for (const Ints& points : {Ints{0, 1}, Ints{0, 3}, Ints{0, 4}}) EXPECT_EQ(unit->JoinPoints(points), -1);
    EXPECT_EQ(Take(*unit), unitBefore);
    ExpectRefused(*unit, 9, [&] { unit->JoinPoints({0, 9}); });
    // Opposite corners: two triangles on the diagonal.
    EXPECT_EQ(unit->JoinPoints({2, 0}), 1);
    EXPECT_EQ(CornerCounts(*unit), (Ints{3, 3}));
}

// ---------------------------------------------------------------------------------
// BevelPoints and BevelEdges.
using Bevel = Ops;

TEST_F(Bevel, CubeCornersBecomeTrianglesAndEdgesStrips) {
    auto marked = Cube(5);
    marked->BevelPoints({6}, 0.1f);  // the corner (1, 1, 1)
    // Uncut faces keep their application data; the cut ones are new faces, the cap last.
    EXPECT_EQ(CornerCounts(*marked), (Ints{4, 4, 4, 5, 5, 5, 3}));
    EXPECT_EQ(AppData(*marked), (Ints{5, 5, 5, 0, 0, 0, 1}));
    ExpectClosed(*marked);
    for (int32_t point : PointIDs(*marked, 6)) {
        const VgxVector p = marked->GetPoint(point);
        EXPECT_NEAR(p.X + p.Y + p.Z, 2.9f, 1e-5f);
        // Each cut point is shared by two pentagons and the cap.
        EXPECT_EQ(Internals(*marked).Base().PointList[point].FaceList.count, 3);
    }
    const VgxVector normal = marked->GetFace(6)->GetFaceNormal();
    EXPECT_TRUE(normal.X > 0.5f && normal.Y > 0.5f && normal.Z > 0.5f) << normal;

    // All eight corners: six octagons and eight triangles, still closed; none, nothing.
    auto all = Cube(5), none = Cube(5);
    all->BevelPoints({0, 1, 2, 3, 4, 5, 6, 7}, 0.25f);
    Ints corners = CornerCounts(*all);
    std::sort(corners.begin(), corners.end());
    EXPECT_EQ(corners, (Ints{3, 3, 3, 3, 3, 3, 3, 3, 8, 8, 8, 8, 8, 8}));
    ExpectClosed(*all);
    none->BevelPoints({}, 0.1f);
    EXPECT_EQ(AppData(*none), Ints(6, 5));

    auto strip = Cube(5);
    // Face 1 is the top (z = 1); side 2 runs from (1, 1, 1) to (0, 1, 1).
    strip->BevelEdges({1, 2}, 0.1f, 100);
    ExpectClosed(*strip);
    int32_t strips = 0;
    for (int32_t f = 0; f < strip->GetFaceCount(); ++f) {
        const auto face = strip->GetFace(f);
        if (face->GetAppData() != 1 || face->GetPointCount() != 4) continue;
        ++strips;
        const VgxVector n = face->GetFaceNormal();
        EXPECT_TRUE(Near({0, n.Y, n.Z}, {0, std::sqrt(0.5f), std::sqrt(0.5f)}, 1e-5f));
        for (const VgxVector& p : Corners(*strip, f)) EXPECT_NEAR(p.Y + p.Z, 1.9f, 1e-5f);  // the chamfer plane
    }
    EXPECT_EQ(strips, 1);
    EXPECT_EQ(strip->GetFace(0)->GetAppData(), 5);  // untouched
}

TEST_F(Bevel, BadInputChangesNothing) {
    auto marked = Cube(5);
    for (float bevel : {0.0f, -0.1f, kNaN, 1.0f, 2.0f}) {
        ExpectRefused(*marked, 5, [&] { marked->BevelPoints({6}, bevel); });
        ExpectRefused(*marked, 5, [&] { marked->BevelEdges({1, 2}, bevel, 100); });
    }
    // Two cuts on one side need it longer than twice the distance.
    ExpectRefused(*marked, 5, [&] { marked->BevelPoints({6, 7}, 0.5f); });
    for (const Ints& points : {Ints{8}, Ints{-1}})
        ExpectRefused(*marked, 9, [&] { marked->BevelPoints(points, 0.1f); });
    for (const Ints& edges : {Ints{6, 0}, Ints{1, 4}, Ints{1, 2, 3}})
        ExpectRefused(*marked, 9, [&] { marked->BevelEdges(edges, 0.1f, 100); });
    // The same edge named from both of its faces is bevelled once.
    cube->BevelEdges({1, 2, 4, 2}, 0.1f, 100);
    marked->BevelEdges({1, 2}, 0.1f, 100);
    EXPECT_EQ(cube->GetFaceCount(), marked->GetFaceCount());
}

// ---------------------------------------------------------------------------------
// RepairGeometry and Solidify.
using Repair = Ops;

TEST_F(Repair, BentPolygonsBecomeFansAndSolidifyClosesOpenings) {
    // Level 0 does nothing at all, not even the optimisation that drops unused points.
    auto mesh = Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    mesh->AddOptimizedPoint({5, 5, 5});
    Ints counts;  // faces and points after each level
    for (int32_t level : {0, 1, 10, 11, 12}) {
        mesh->RepairGeometry(level);
        counts.insert(counts.end(), {mesh->GetFaceCount(), mesh->GetPointCount()});
    }
    // Up to 11 the flat quad stays; above 11 every polygon of 4 or more corners is fanned.
    EXPECT_EQ(counts, (Ints{1, 5, 1, 4, 1, 4, 1, 4, 2, 4}));

    // A quad folded by 30 degrees along its diagonal 0-2.
    const float lift = std::sin(30.0f * 3.141593f / 180) * std::sqrt(0.5f);
    auto folded = Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f - lift, 0.5f + lift, lift * 2}}, {{0, 1, 2, 3}});
    folded->GetFace(0)->SetAppData(7);
    folded->RepairGeometry(1);
    EXPECT_EQ(CornerCounts(*folded), (Ints{3, 3}));
    EXPECT_EQ(AppData(*folded), (Ints{1, 1}));
    EXPECT_EQ(MeshFault(*folded), "");

    // An L-shaped hexagon is fanned from its inward corner at every level.
    for (int32_t level : {1, 5, 10}) {
        auto l = Make({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}, {{0, 1, 2, 3, 4, 5}});
        l->RepairGeometry(level);
        ASSERT_EQ(l->GetFaceCount(), 4) << level;
        for (int32_t f = 0; f < 4; ++f) EXPECT_EQ(Corners(*l, f)[0], (VgxVector{1, 1, 0})) << level;
    }
    // Triangles are never touched.
    auto triangle = Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 1}}, {{0, 1, 2}});
    triangle->RepairGeometry(50);
    EXPECT_EQ(triangle->GetFace(0)->GetAppData(), 0);

    cube->Solidify(100);
    EXPECT_EQ(cube->GetFaceCount(), 6);

    // The box without its top: two triangles across the opening.
    cube->DeleteFaces({1});
    cube->GetFace(0)->SetAppData(5);
    EXPECT_EQ(EdgesWithFaceCount(*cube, 1), 4);
    cube->Solidify(200);
    ASSERT_EQ(Shape(*cube), "7 faces");
    EXPECT_EQ(EdgesWithFaceCount(*cube, 1), 0);
    EXPECT_EQ(CornerCounts(*cube), (Ints{4, 4, 4, 4, 4, 3, 3}));
    const Ints data = AppData(*cube);
    EXPECT_EQ(Ints(data.begin() + 5, data.end()), (Ints{1, 1}));
    for (int32_t f = 5; f < 7; ++f)
        for (const VgxVector& p : Corners(*cube, f)) EXPECT_EQ(p.Z, 1) << f;
    // The new triangles face outwards like the rest of the box.
    EXPECT_NEAR(FaceNormal(Internals(*cube).Base(), 5).Z, 1, 1e-6);

    // A lone triangle closes with its back face and the operation stops; an empty
    // object stays empty.
    auto lone = Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}), empty = root->CreateObject();
    lone->Solidify(100);
    empty->Solidify(100);
    EXPECT_EQ(Ints({lone->GetFaceCount(), EdgesWithFaceCount(*lone, 1), empty->GetFaceCount()}), Ints({2, 0, 0}));

    auto teapot = Load("common/teapot.obj", true);
    const int32_t faces = teapot->GetFaceCount();
    ASSERT_GT(EdgesWithFaceCount(*teapot, 1), 0);
    teapot->Solidify(100);
    EXPECT_EQ(EdgesWithFaceCount(*teapot, 1), 0);
    EXPECT_GT(teapot->GetFaceCount(), faces);
    EXPECT_EQ(MeshFault(*teapot), "");
}

// ---------------------------------------------------------------------------------
// Reduce.
using Reduce = Ops;

std::vector<std::string> Logged(const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& line : LogMessages())
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}
bool TemporaryFileLeft(const std::string& name) { return std::filesystem::exists(ScratchFolder() + "/" + name); }
std::string Reducing(int32_t from, int32_t to) {
    return "Reducing current Direct3D point count of " + std::to_string(from) + " to " + std::to_string(to);
}

TEST_F(Reduce, TargetsAShareOfTheVerticesAndKeepsMaterialsApart) {
    // 40 x 25 points, one UV each: 1000 vertices for the simplifier.
    auto object = Grid(39, 24, true);
    ClearLog();
    object->Reduce(100);
    EXPECT_EQ(Logged("Reducing"), std::vector<std::string>{Reducing(1000, 1000)});
    EXPECT_EQ(Counts(*object), (Ints{39 * 24 * 2, 1000}));

    ClearLog();
    object->Reduce(50);
    EXPECT_EQ(Logged("Reducing"), std::vector<std::string>{Reducing(1000, 500)});
    EXPECT_EQ(Logged("Mesh Simplified to ").size(), 1u);
    EXPECT_TRUE(object->GetPointCount() >= 500 && object->GetPointCount() < 1000) << object->GetPointCount();
    EXPECT_EQ(MeshFault(*object), "");

    // Small meshes and Level 0 ask for the least a mesh can be.
    auto small = Grid(9, 9, true);
    ClearLog();
    small->Reduce(1);
    const int32_t left = small->GetPointCount();
    small->Reduce(0);
    EXPECT_EQ(Logged("Reducing"), (std::vector<std::string>{Reducing(100, 3), Reducing(left, 3)}));
    EXPECT_EQ(LogMessages().front(), "Begin Reduce");
    EXPECT_EQ(LogMessages().back(), "End Reduce");
    EXPECT_FALSE(TemporaryFileLeft("~temp.x") || TemporaryFileLeft("~stemp.x"));

    auto halves = Grid(29, 29, true);
    const auto red = Material(1, 0, 0), blue = Material(0, 0, 1);
    for (int32_t f = 0; f < halves->GetFaceCount(); ++f) halves->GetFace(f)->ApplyMaterial(f % 29 < 14 ? red : blue);
    halves->Reduce(25);

    ASSERT_GT(halves->GetFaceCount(), 0);
    int32_t faces[2] = {0, 0};
    for (int32_t f = 0; f < halves->GetFaceCount(); ++f) {
        auto face = halves->GetFace(f);
        ASSERT_EQ(face->GetPointCount(), 3) << f;
        const bool isLeft = face->GetMaterial() == red;
        ASSERT_TRUE(isLeft || face->GetMaterial() == blue) << f;
        ++faces[isLeft];
        for (int32_t k = 0; k < 3; ++k) {
            const VgxVector p = halves->GetPoint(face->GetPointID(k));
            EXPECT_TRUE(isLeft ? p.X <= 14.0f : p.X >= 14.0f) << f << " " << p;
            const VgxUV uv = face->GetUV(k);
            EXPECT_TRUE(Near({uv.U, uv.V, NormalAt(*halves, f, k).Z}, {p.X / 29, p.Y / 29, 1}, 1e-5f)) << f;
        }
    }
    EXPECT_TRUE(faces[0] > 0 && faces[1] > 0);
}

TEST_F(Reduce, BadLevelsAndLostDevicesChangeNothing) {
    auto object = Grid(4, 4, true);
    const auto before = Take(*object);
    for (int32_t level : {-1, 101}) {
        ClearLog();
        ExpectRefused(*object, VgxErrInvalidCall, [&] { object->Reduce(level); });
        EXPECT_EQ(LogMessages(),
                  (std::vector<std::string>{"Begin Reduce", "Reduce Error: 5-Invalid procedure call or argument"}));
    }

    // The device stays lost: the exported file stays for the host to see.
    VgxSoftwareDevice& hidden = *Library().hiddenDevice;
    hidden.MarkLost(100);
    ClearLog();
    object->Reduce(50);
    EXPECT_EQ(Take(*object), before);
    EXPECT_EQ(Ints({int32_t(Logged("Device Lost or Not Reset").size()), TemporaryFileLeft("~temp.x")}),
              Ints({10, true}));
    hidden.MarkLost();
    object->Reduce(100);
    EXPECT_EQ(Ints({TemporaryFileLeft("~temp.x"), hidden.TestCooperativeLevel()}), Ints({false, VgxDeviceOK}));

    // An empty object has nothing to simplify: the failure is logged, not raised.
    auto empty = root->CreateObject();
    ClearLog();
    empty->Reduce(50);
    EXPECT_EQ(Ints({empty->GetFaceCount(), int32_t(Logged("Error occured simplifying mesh: ").size()),
                    TemporaryFileLeft("~temp.x")}),
              Ints({0, 1, false}));
    EXPECT_EQ(LogMessages().back(), "End Reduce");
}

// ---------------------------------------------------------------------------------
// ApplyWrap, OptimizeMaterials and shadow volumes.
using WrapAndShadow = Ops;

// A wrap with its origin at 0, looking along `dir` with `up` up; U and V scaled by
// (su, sv), then offset by (ou, ov).
void Wrap(VgxObject& object, VgxWrapType type, const std::shared_ptr<VgxGroup>& group = nullptr,
          VgxVector dir = {0, 0, 1}, VgxVector up = {0, 1, 0}, float ou = 0, float ov = 0, float su = 1, float sv = 1) {
    object.ApplyWrap(type, group, 0, 0, 0, dir.X, dir.Y, dir.Z, up.X, up.Y, up.Z, ou, ov, su, sv);
}

// Wraps looking along +z with +y up (so x runs along +x), origin at 0, scale 1.
TEST_F(WrapAndShadow, EveryProjectionOnHandCheckedCornersAndBadOnesRaise) {
    auto axes = Triangles({{1, 0, 0}, {0, 2, 0}, {0, 0, -1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}});
    Wrap(*axes, VgxWrapFlat, nullptr, {0, 0, 1}, {0, 1, 0}, 0.5f, 1, 2, 1);
    EXPECT_TRUE(Near(UVs(*axes), {{2.5f, 1}, {0.5f, -1}, {0.5f, 1}, {-1.5f, 1}, {0.5f, 2}, {0.5f, 1}}, 1e-5f));

    // Turning about +y from the far side: +z at a half, +x at three quarters.
    Wrap(*axes, VgxWrapCylinder);
    EXPECT_TRUE(Near(UVs(*axes), {{0.75f, 0}, {0.5f, -2}, {1, 0}, {0.25f, 0}, {0.5f, 1}, {0.5f, 0}}, 1e-5f));

    // A face across the seam behind (-z) keeps its corners on one side of it.
    auto seam = Triangles({{-0.1f, 0, -1}, {0.1f, 0, -1}, {0, 1, -1}});
    Wrap(*seam, VgxWrapCylinder);
    const float offset = static_cast<float>(std::atan(0.1) / (2 * M_PI));
    EXPECT_TRUE(Near(UVs(*seam), {{1 + offset, 0}, {1 - offset, 0}, {1, -1}}, 1e-5f));

    Wrap(*axes, VgxWrapSphere);
    EXPECT_TRUE(Near(UVs(*axes), {{0.75f, 0.5f}, {0.5f, 0}, {1, 0.5f}, {0.25f, 0.5f}, {0.5f, 1}, {0.5f, 0.5f}}, 1e-5f));
    Wrap(*axes, VgxWrapChrome);
    EXPECT_TRUE(Near(UVs(*axes), {{1, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}, {0.5f, 1}, {0.5f, 0.5f}}, 1e-5f));

    // In a group's frame, turned a quarter about z: its +x is the world's +y.
    auto turned = Triangles({{6, 1, 0}, {5, 0, 0}, {5, 0, 1}});
    auto group = root->CreateGroup(nullptr);
    group->SetPosition(0, nullptr, {5, 0, 0});
    group->SetOrientation(0, nullptr, {0, 0, 1}, {-1, 0, 0});
    Wrap(*turned, VgxWrapFlat, group);
    EXPECT_TRUE(Near(UVs(*turned), {{1, 1}, {0, 0}, {0, 0}}, 1e-5f));

    auto bad = Triangles({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    // An unknown type, a zero direction, parallel directions, and one that is not a number.
    const std::vector<std::tuple<VgxWrapType, VgxVector, VgxVector>> cases{
        {static_cast<VgxWrapType>(4), {0, 0, 1}, {0, 1, 0}},
        {VgxWrapFlat, {0, 0, 0}, {0, 1, 0}},
        {VgxWrapSphere, {0, 0, 1}, {0, 0, 2}},
        {VgxWrapCylinder, {0, 0, 1}, {0, kNaN, 0}}};
    for (const auto& [type, dir, up] : cases)
        ExpectRefused(*bad, VgxErrInvalidCall, [&] { Wrap(*bad, type, nullptr, dir, up); });
    // No faces: nothing to wrap, and nothing raised.
    Wrap(*root->CreateObject(), VgxWrapFlat);
}

TEST_F(WrapAndShadow, EqualMaterialsBecomeOneAndShadowsFollowTheOutline) {
    // Four separate triangles along x; the first two make the other object.
    Points corners;
    for (float x : {0, 2, 4, 6}) corners.insert(corners.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
    auto object = Triangles(corners), other = Triangles(Points(corners.begin(), corners.begin() + 6));
    const auto a = Material(1, 0, 0), b = Material(1, 0, 0), c = Material(0, 1, 0);
    const std::vector<std::shared_ptr<VgxMaterial>> assigned{b, a, c, b};
    for (int32_t f = 0; f < 4; ++f) object->GetFace(f)->ApplyMaterial(assigned[f]);
    object->OptimizeMaterials();
    // b comes first, so b is the one kept for the red faces.
    EXPECT_EQ(PerFace(*object, &VgxFace::GetMaterial), (std::vector<std::shared_ptr<VgxMaterial>>{b, b, c, b}));
    EXPECT_EQ(object->GetSubObjectCount(), 2);

    // An in-depth Optimize shares them too.
    other->GetFace(0)->ApplyMaterial(a);
    other->GetFace(1)->ApplyMaterial(b);
    other->Optimize(true, 100);
    EXPECT_EQ(other->GetFace(1)->GetMaterial(), a);

    Points points;
    int32_t count = -1;
    cube->GetShadowVolumeVertices(0, points, count, {0, 0, -1});
    // One side faces the light; its two triangles' shared diagonal cancels.
    ASSERT_EQ(Ints({count, int32_t(points.size())}), Ints({24, 24}));
    std::set<std::pair<float, float>> outline;
    for (int32_t k = 0; k < 4; ++k) {
        const VgxVector *e = &points[k * 6], &from = e[0], &to = e[1];
        EXPECT_EQ(from.Z, to.Z);
        EXPECT_FLOAT_EQ(e[2].Z, from.Z - 10);
        EXPECT_EQ(e[3].X, to.X);
        EXPECT_FLOAT_EQ(e[4].Z, to.Z - 10);
        outline.insert({from.X, from.Y});
    }
    EXPECT_EQ(outline.size(), 4u);  // the four corners of the square

    auto triangle = Triangles({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    // n = (P2 - P1) x (P1 - P0) = (0, 0, -1) for this triangle.
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, -2});
    ASSERT_EQ(count, 18);
    EXPECT_FLOAT_EQ(points[2].Z, -20);
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, 1});
    EXPECT_TRUE(count == 0 && points.empty());
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, 0});
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace vgx::test
