#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::AddCube;
using vgx::test::ExpectVgxError;
using vgx::test::MeshFault;

using Mesh = vgx::test::ExportedMesh;
constexpr auto Geometry = vgx::test::ExportGeometry;
constexpr auto Visual = vgx::test::ExportVisual;

bool Near(const VgxVector& a, const VgxVector& b, float tolerance = 1e-5f) {
    return std::fabs(a.X - b.X) <= tolerance && std::fabs(a.Y - b.Y) <= tolerance && std::fabs(a.Z - b.Z) <= tolerance;
}

bool HasPoint(const std::vector<VgxVector>& points, const VgxVector& p) {
    return std::any_of(points.begin(), points.end(), [&](const VgxVector& q) { return Near(p, q); });
}

// Where a cube corner and an edge middle of the unit cube land after one
// Catmull-Clark step: 5/9 and 3/4 of the way out from the centre.
constexpr float kCornerOut = 0.5f + 0.5f * 5.0f / 9.0f;
constexpr float kEdgeOut = 0.5f + 0.5f * 0.75f;

class Smoothing : public ::testing::Test {
protected:
    void SetUp() override { AddCube(*cube); }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> cube = root->CreateObject();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
};

TEST_F(Smoothing, ACubeSmoothedOnceHasOneCatmullClarkStep) {
    cube->Smooth(1, VgxGreaterThan, 0, 0);
    EXPECT_EQ(cube->GetFaceCount(), 24);
    EXPECT_EQ(cube->GetPointCount(), 8 + 6 + 12);
    EXPECT_EQ(Internals(*cube).Base().EdgeListCount, 48);
    EXPECT_EQ(MeshFault(*cube), "");
    EXPECT_EQ(vgx::test::EdgesWithFaceCount(*cube, 2), 48);
    const Mesh m = Geometry(*cube);
    EXPECT_TRUE(HasPoint(m.points, {kCornerOut, kCornerOut, kCornerOut}));
    EXPECT_TRUE(HasPoint(m.points, {1 - kCornerOut, 1 - kCornerOut, 1 - kCornerOut}));
    EXPECT_TRUE(HasPoint(m.points, {kEdgeOut, kEdgeOut, 0.5f}));
    EXPECT_TRUE(HasPoint(m.points, {0.5f, 0.5f, 1}));  // face points stay
    // Every quad starts at its face point and keeps the cube's outward winding.
    for (int32_t f = 0; f < 24; ++f) {
        const VgxVector a = m.Corner(f, 0), b = m.Corner(f, 1), c = m.Corner(f, 2);
        const VgxVector n{(b.Y - a.Y) * (c.Z - b.Z) - (b.Z - a.Z) * (c.Y - b.Y),
                          (b.Z - a.Z) * (c.X - b.X) - (b.X - a.X) * (c.Z - b.Z),
                          (b.X - a.X) * (c.Y - b.Y) - (b.Y - a.Y) * (c.X - b.X)};
        const VgxVector out{a.X - 0.5f, a.Y - 0.5f, a.Z - 0.5f};
        EXPECT_GT(n.X * out.X + n.Y * out.Y + n.Z * out.Z, 0) << f;
    }
    // A second step keeps the counts of Catmull-Clark: 96 faces, 98 points.
    cube->Smooth(1, VgxGreaterThan, 0, 0);
    EXPECT_EQ(cube->GetFaceCount(), 96);
    EXPECT_EQ(cube->GetPointCount(), 98);
    EXPECT_EQ(MeshFault(*cube), "");
}

TEST_F(Smoothing, TensionBlendsBetweenSmoothedAndPlainSubdivision) {
    auto plain = root->CreateObject();
    AddCube(*plain);
    plain->Smooth(1, VgxGreaterThan, 0, 1);
    const Mesh m = Geometry(*plain);
    EXPECT_TRUE(HasPoint(m.points, {1, 1, 1}));
    EXPECT_TRUE(HasPoint(m.points, {1, 1, 0.5f}));
    for (const VgxVector& p : m.points) {
        // Nothing moved off the cube's surface.
        const bool onSurface = std::min({p.X, p.Y, p.Z, 1 - p.X, 1 - p.Y, 1 - p.Z}) < 1e-6f;
        EXPECT_TRUE(onSurface) << p.X << " " << p.Y << " " << p.Z;
    }
    cube->Smooth(1, VgxGreaterThan, 0, 0.5f);
    const float half = (1 + kCornerOut) / 2;
    EXPECT_TRUE(HasPoint(Geometry(*cube).points, {half, half, half}));
}

TEST_F(Smoothing, TheAngleConditionKeepsSharpCornersInPlace) {
    // A cube corner measures about 70.5 degrees and an edge 90: with "greater than
    // 120" neither moves, with "less than 120" both do.
    cube->Smooth(1, VgxGreaterThan, 120, 0);
    Mesh m = Geometry(*cube);
    EXPECT_TRUE(HasPoint(m.points, {1, 1, 1}));
    EXPECT_TRUE(HasPoint(m.points, {1, 1, 0.5f}));

    for (auto [condition, angle] : {std::pair{VgxLessThan, 120.0f}, std::pair{VgxLessThan, 180.0f},
                                    std::pair{VgxLessThan, 400.0f}, std::pair{VgxGreaterThan, 0.0f}}) {
        auto other = root->CreateObject();
        AddCube(*other);
        other->Smooth(1, condition, angle, 0);
        m = Geometry(*other);
        EXPECT_TRUE(HasPoint(m.points, {kCornerOut, kCornerOut, kCornerOut})) << condition << " " << angle;
        EXPECT_TRUE(HasPoint(m.points, {kEdgeOut, kEdgeOut, 0.5f})) << condition << " " << angle;
    }
    // Between the corner's 70.5 and the edge's 90 degrees only the edges move.
    auto between = root->CreateObject();
    AddCube(*between);
    between->Smooth(1, VgxGreaterThan, 80, 0);
    m = Geometry(*between);
    EXPECT_TRUE(HasPoint(m.points, {1, 1, 1}));
    EXPECT_TRUE(HasPoint(m.points, {kEdgeOut, kEdgeOut, 0.5f}));
}

TEST_F(Smoothing, PolygonsBecomeOneQuadPerCornerAndOpenEdgesMoveHalfWay) {
    auto polygons = root->CreateObject();
    // A triangle and a pentagon side by side, not sharing anything.
    polygons->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {3, 0, 0}, {4, 0, 0}, {4.5f, 1, 0}, {3.5f, 2, 0}, {2.5f, 1, 0}},
                       {}, {}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 5, 3, 0, 0, 4, 0, 0, 5, 0, 0, 6, 0, 0, 7, 0, 0, 0}, true,
                       false);
    polygons->Smooth(1, VgxGreaterThan, 0, 0);
    EXPECT_EQ(polygons->GetFaceCount(), 8);
    EXPECT_EQ(MeshFault(*polygons), "");
    // The edge (0,0)-(1,0) has one face: its point moves half-way to the face point (1/3, 1/3).
    EXPECT_TRUE(HasPoint(Geometry(*polygons).points, {(0.5f + 1 / 3.0f) / 2, (0 + 1 / 3.0f) / 2, 0}));
}

TEST_F(Smoothing, SmoothReplacesTheBaseAndLeavesTheAttributesAlone) {
    cube->SetCreasingFactor(0);
    cube->Smooth(2, VgxGreaterThan, 0, 0);
    EXPECT_EQ(cube->GetFaceCount(), 96);
    EXPECT_EQ(cube->GetSmoothingLevel(), 0);
    // Crease ran with factor 0: one normal per point on a closed smooth surface.
    EXPECT_EQ(cube->GetNormalCount(), cube->GetPointCount());
    // The displayed build at level 2 gives the same surface as Smooth(2).
    auto shown = root->CreateObject();
    AddCube(*shown);
    shown->SetSmoothingLevel(2);
    const Mesh visual = Visual(*shown);
    const Mesh smoothed = Geometry(*cube);
    ASSERT_EQ(visual.FaceCount(), 96);
    ASSERT_EQ(visual.pointCount, smoothed.pointCount);
    for (const VgxVector& p : smoothed.points) EXPECT_TRUE(HasPoint(visual.points, p));
    // The editable mesh of the displayed object is untouched.
    EXPECT_EQ(shown->GetFaceCount(), 6);
    EXPECT_EQ(visual.materialCount, 96);
    EXPECT_EQ(visual.materials[95], shown->GetFace(5)->GetMaterial());
}

TEST_F(Smoothing, BadLevelsAndValuesChangeNothing) {
    const Mesh before = Geometry(*cube);
    const auto unchanged = [&] {
        const Mesh after = Geometry(*cube);
        EXPECT_EQ(after.faceData, before.faceData);
        EXPECT_EQ(after.pointCount, before.pointCount);
    };
    for (int32_t level : {5, -1, std::numeric_limits<int32_t>::max()}) {
        ExpectVgxError([&] { cube->Smooth(level, VgxGreaterThan, 0, 0); }, 9, "VgxObject", "Subscript out of range");
        unchanged();
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ExpectVgxError([&] { cube->Smooth(1, VgxGreaterThan, nan, 0); }, 5, "VgxObject",
                   "Invalid procedure call or argument");
    ExpectVgxError([&] { cube->Smooth(1, VgxGreaterThan, 0, nan); }, 5, "VgxObject",
                   "Invalid procedure call or argument");
    unchanged();

    // The display attributes are not checked when set, but the build refuses them
    // before touching anything and works again once they are fixed.
    const int32_t id = root->CreateDeviceID();
    cube->SetSmoothingLevel(7);
    ExpectVgxError([&] { cube->GetVertexBuffer(id, device); }, 9, "VgxObject", "Subscript out of range");
    cube->SetSmoothingLevel(1);
    cube->SetSmoothingTension(nan);
    ExpectVgxError([&] { cube->GetVertexBuffer(id, device); }, 5, "VgxObject", "Invalid procedure call or argument");
    unchanged();
    cube->SetSmoothingTension(0);
    EXPECT_NE(cube->GetVertexBuffer(id, device), nullptr);
    EXPECT_GE(cube->GetVertexBufferVisualVertexCount(), 26);

    // Level 0 only optimises and creases; an empty object smooths to nothing.
    cube->Smooth(0, VgxGreaterThan, 0, 0);
    EXPECT_EQ(cube->GetFaceCount(), 6);
    auto empty = root->CreateObject();
    empty->Smooth(3, VgxGreaterThan, 0, 0);
    EXPECT_EQ(empty->GetFaceCount(), 0);
    empty->SetSmoothingLevel(2);
    EXPECT_EQ(Visual(*empty).FaceCount(), 0);
}

TEST_F(Smoothing, OddInputSmoothsWithoutFault) {
    // Three faces on one edge, and a face with a repeated point.
    auto fan = root->CreateObject();
    fan->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}}, {}, {},
                  {3, 0, 0, 0, 1, 0, 0, 2, 0, 0,  //
                   3, 1, 0, 0, 0, 0, 0, 3, 0, 0,  //
                   3, 0, 0, 0, 1, 0, 0, 4, 0, 0,  //
                   3, 2, 0, 0, 2, 0, 0, 4, 0, 0,  //
                   0},
                  true, false);
    fan->SetSmoothingLevel(2);
    const Mesh m = Visual(*fan);
    EXPECT_EQ(m.FaceCount(), 4 * 3 * 4);
    for (const VgxVector& p : m.points) EXPECT_TRUE(std::isfinite(p.X + p.Y + p.Z));
    // Optimize drops the face with the repeated point first.
    fan->Smooth(1, VgxLessThan, 90, -0.5f);
    EXPECT_EQ(fan->GetFaceCount(), 9);
    EXPECT_EQ(MeshFault(*fan), "");

    // A face running back along its own sides (0-1-0-2) gives two inner edges per
    // point pair when subdivided: the smoothed mesh pools them into one.
    auto folded = root->CreateObject();
    folded->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, {}, {4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0}, true, false);
    folded->Smooth(2, VgxGreaterThan, 0, 0);
    EXPECT_EQ(folded->GetFaceCount(), 16);
    EXPECT_EQ(MeshFault(*folded), "");
    const vgx::iVgxObject& level = Internals(*folded).Base();
    std::set<std::pair<int32_t, int32_t>> pairs;
    for (int32_t e = 0; e < level.EdgeListCount; ++e) pairs.emplace(level.EdgeList[e].Point[0], level.EdgeList[e].Point[1]);
    EXPECT_EQ(pairs.size(), static_cast<size_t>(level.EdgeListCount));
}

TEST_F(Smoothing, CreaseSplitsNormalsAtTheCreaseAngle) {
    cube->SetCreasingFactor(100);
    cube->Crease();
    const vgx::iVgxObject& base = Internals(*cube).Base();
    for (int32_t f = 0; f < 6; ++f) {
        const VgxVector face = vgx::FaceNormal(base, f);
        for (int32_t k = 0; k < 4; ++k) EXPECT_TRUE(Near(cube->GetNormal(base.FaceCorners(f)[k].Normal), face));
    }
    EXPECT_EQ(cube->GetNormalCount(), 6);

    cube->SetCreasingFactor(0);
    cube->Crease();
    EXPECT_EQ(cube->GetNormalCount(), 8);
    const float third = 1 / std::sqrt(3.0f);
    EXPECT_TRUE(Near(cube->GetNormal(base.FaceCorners(1)[2].Normal), {third, third, third}));

    // 89 degrees keeps the cube's 90-degree edges sharp, 91 smooths them.
    cube->Crease2(89);
    EXPECT_EQ(cube->GetNormalCount(), 6);
    cube->Crease2(91);
    EXPECT_EQ(cube->GetNormalCount(), 8);
    EXPECT_EQ(Internals(*cube).renderBufferState, 0);
}

TEST_F(Smoothing, MirroringAddsTheReflectedCopy) {
    // An open box: the cube without its +X face, mirrored through x = 1.
    auto half = root->CreateObject();
    AddCube(*half);
    half->DeleteFaces({3});
    half->SetMirrorAxis(VgxAxisX);
    Mesh m = Visual(*half);
    EXPECT_EQ(m.FaceCount(), 10);
    EXPECT_EQ(m.pointCount, 12);  // the four points on the plane are shared
    EXPECT_TRUE(HasPoint(m.points, {2, 1, 1}));
    EXPECT_EQ(half->GetFaceCount(), 5);

    // A face lying in the plane is not doubled.
    cube->SetMirrorAxis(VgxAxisZ);
    EXPECT_EQ(Visual(*cube).FaceCount(), 11);

    // Mirrored and smoothed: the joined box (closed, 10 quads) subdivided once.
    half->SetSmoothingLevel(1);
    m = Visual(*half);
    EXPECT_EQ(m.FaceCount(), 40);
    for (const VgxVector& p : m.points) EXPECT_LE(p.X, 2.0f);
}

TEST_F(Smoothing, TheVisualBlockFollowsTheObjectBlock) {
    const int32_t id = root->CreateDeviceID();
    cube->SetSmoothingLevel(1);
    auto vertices = cube->GetVertexBuffer(id, device);
    const int32_t objectCount = cube->GetVertexBufferObjectVertexCount();
    const int32_t visualCount = cube->GetVertexBufferVisualVertexCount();
    EXPECT_EQ(objectCount, 24);
    // One normal per point: a vertex per distinct (point, UV) pair of the displayed mesh.
    const Mesh shown = Visual(*cube);
    std::set<std::pair<int32_t, int32_t>> pairs;
    for (size_t i = 0; shown.faceData[i] != 0; i += 1 + 3 * static_cast<size_t>(shown.faceData[i])) {
        for (int32_t k = 0; k < shown.faceData[i]; ++k) {
            pairs.emplace(shown.faceData[i + 1 + 3 * k], shown.faceData[i + 3 + 3 * k]);
        }
    }
    EXPECT_EQ(visualCount, static_cast<int32_t>(pairs.size()));
    EXPECT_EQ(vertices->GetLength(), static_cast<size_t>(44 * (objectCount + visualCount)));
    ASSERT_EQ(cube->GetSubObjectCount(), 1);
    EXPECT_EQ(cube->GetSubVisualSolidPrimitiveCount(0), 48);
    // The cage is drawn as lines even though the quality asks for solid faces.
    EXPECT_EQ(cube->GetSubObjectNonSolidPrimitiveCount(0), 24);
    auto visualTriangles = cube->GetSubVisualSolidIndexBuffer(id, 0);
    ASSERT_NE(visualTriangles, nullptr);
    std::vector<int16_t> indices(visualTriangles->GetLength() / 2);
    visualTriangles->Read(0, indices.data(), indices.size() * 2);
    EXPECT_EQ(*std::min_element(indices.begin(), indices.end()), 0);
    EXPECT_EQ(*std::max_element(indices.begin(), indices.end()), visualCount - 1);

    // Moving a point rebuilds only positions; the result equals a fresh build.
    cube->SetPoint(6, {1.5f, 1.5f, 1.5f});
    EXPECT_EQ(Internals(*cube).renderBufferState, 2);
    cube->GetVertexBuffer(id, device);
    auto fresh = root->CreateObject();
    AddCube(*fresh);
    fresh->SetPoint(6, {1.5f, 1.5f, 1.5f});
    fresh->SetSmoothingLevel(1);
    const Mesh moved = Visual(*cube), rebuilt = Visual(*fresh);
    ASSERT_EQ(moved.pointCount, rebuilt.pointCount);
    for (int32_t p = 0; p < moved.pointCount; ++p) EXPECT_TRUE(Near(moved.points[p], rebuilt.points[p])) << p;
    EXPECT_EQ(moved.faceData, rebuilt.faceData);
}

// The displayed vertices of an object, read back from its vertex buffer.
std::vector<vgx::RenderVertex> VisualVertices(VgxObject& object, int32_t id, const std::shared_ptr<VgxDevice>& device) {
    auto buffer = object.GetVertexBuffer(id, device);
    const auto first = static_cast<size_t>(object.GetVertexBufferObjectVertexCount());
    std::vector<vgx::RenderVertex> all(buffer->GetLength() / sizeof(vgx::RenderVertex));
    buffer->Read(0, all.data(), all.size() * sizeof(vgx::RenderVertex));
    return {all.begin() + static_cast<std::ptrdiff_t>(first), all.end()};
}

TEST_F(Smoothing, MovingPointsUpdatesOnlyWhatTheyReachAndMatchesAFreshBuild) {
    // Mirrored and smoothed twice; the moves keep the plane, then shift it.
    const int32_t id = root->CreateDeviceID();
    cube->DeleteFaces({3});
    cube->SetMirrorAxis(VgxAxisX);
    cube->SetSmoothingLevel(2);
    VisualVertices(*cube, id, device);
    const std::vector<std::vector<std::pair<int32_t, VgxVector>>> steps{
        {{0, {-0.3f, 0.1f, -0.2f}}},
        {{3, {0.2f, 1.4f, 0}}, {4, {0, -0.5f, 1.5f}}},
        {{2, {1.5f, 1, 0}}},  // beyond the mirror plane: every image moves
    };
    for (const auto& step : steps) {
        for (const auto& [point, position] : step) cube->SetPoint(point, position);
        ASSERT_EQ(Internals(*cube).renderBufferState, 2);
        const auto updated = VisualVertices(*cube, id, device);
        auto fresh = root->CreateObject();
        AddCube(*fresh);
        fresh->DeleteFaces({3});
        fresh->SetPoints([&] {
            std::vector<VgxVector> points;
            for (int32_t p = 0; p < cube->GetPointCount(); ++p) points.push_back(cube->GetPoint(p));
            return points;
        }());
        fresh->SetMirrorAxis(VgxAxisX);
        fresh->SetSmoothingLevel(2);
        const auto rebuilt = VisualVertices(*fresh, id, device);
        ASSERT_EQ(updated.size(), rebuilt.size());
        for (size_t v = 0; v < updated.size(); ++v) {
            const auto& a = updated[v];
            const auto& b = rebuilt[v];
            EXPECT_TRUE(Near({a.Position[0], a.Position[1], a.Position[2]}, {b.Position[0], b.Position[1], b.Position[2]}))
                << v;
            EXPECT_TRUE(Near({a.Normal[0], a.Normal[1], a.Normal[2]}, {b.Normal[0], b.Normal[1], b.Normal[2]})) << v;
        }
    }
}

TEST(SmoothingRealMesh, ASmoothedRealMeshStaysClosed) {
    const auto source = vgx::test::ReadObj(vgx::test::TestDataPath("meshes/common/suzanne.obj"));
    auto root = Vgx::Create();
    auto mesh = root->CreateObject();
    mesh->AddFaces(source.points, source.normals, source.uvs, source.faceData, true, true);
    const int32_t openBefore = vgx::test::EdgesWithFaceCount(*mesh, 1);
    int32_t corners = 0;
    for (int32_t f = 0; f < mesh->GetFaceCount(); ++f) corners += mesh->GetFace(f)->GetPointCount();
    mesh->Smooth(1, VgxGreaterThan, 0, 0);
    EXPECT_EQ(mesh->GetFaceCount(), corners);
    EXPECT_EQ(MeshFault(*mesh), "");
    // Every open edge splits in two; no new opening appears.
    EXPECT_EQ(vgx::test::EdgesWithFaceCount(*mesh, 1), 2 * openBefore);
}

}  // namespace
