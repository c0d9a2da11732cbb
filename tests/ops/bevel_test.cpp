#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <limits>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::AddCube;
using vgx::test::EdgesWithFaceCount;
using vgx::test::ExpectVgxError;
using vgx::test::MeshFault;

// Faces and points are what a failed bevel must leave as they were.
bool SameMesh(const vgx::test::ExportedMesh& a, const vgx::test::ExportedMesh& b) {
    return a.faceData == b.faceData && a.points.size() == b.points.size();
}

// Faces with this many corners.
int32_t FacesWithCorners(const VgxObject& object, int32_t corners) {
    int32_t count = 0;
    for (int32_t f = 0; f < object.GetFaceCount(); ++f) count += object.GetFace(f)->GetPointCount() == corners;
    return count;
}

class Bevel : public ::testing::Test {
protected:
    void SetUp() override {
        AddCube(*cube);
        for (int32_t f = 0; f < 6; ++f) cube->GetFace(f)->SetAppData(5);
    }
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> cube = root->CreateObject();
};

TEST_F(Bevel, ACubeCornerBecomesATriangle) {
    cube->BevelPoints({6}, 0.1f);  // the corner (1, 1, 1)
    ASSERT_EQ(cube->GetFaceCount(), 7);
    EXPECT_EQ(FacesWithCorners(*cube, 4), 3);
    EXPECT_EQ(FacesWithCorners(*cube, 5), 3);
    EXPECT_EQ(MeshFault(*cube), "");
    EXPECT_EQ(EdgesWithFaceCount(*cube, 2), Internals(*cube).Base().EdgeListCount);
    const auto cap = cube->GetFace(6);
    ASSERT_EQ(cap->GetPointCount(), 3);
    EXPECT_EQ(cap->GetAppData(), 1);
    for (int32_t k = 0; k < 3; ++k) {
        const VgxVector p = cube->GetPoint(cap->GetPointID(k));
        EXPECT_NEAR(p.X + p.Y + p.Z, 2.9f, 1e-5f);
        // Each cut point is shared by two pentagons and the cap.
        EXPECT_EQ(Internals(*cube).Base().PointList[cap->GetPointID(k)].FaceList.count, 3);
    }
    const VgxVector normal = cap->GetFaceNormal();
    EXPECT_GT(normal.X, 0.5f);
    EXPECT_GT(normal.Y, 0.5f);
    EXPECT_GT(normal.Z, 0.5f);
    // Uncut faces keep their application data; the cut ones are new faces.
    for (int32_t f = 0; f < 3; ++f) EXPECT_EQ(cube->GetFace(f)->GetAppData(), 5);
    for (int32_t f = 3; f < 6; ++f) EXPECT_EQ(cube->GetFace(f)->GetAppData(), 0);
}

TEST_F(Bevel, EveryCornerAndNothing) {
    cube->BevelPoints({}, 0.1f);
    EXPECT_EQ(cube->GetFaceCount(), 6);
    for (int32_t f = 0; f < 6; ++f) EXPECT_EQ(cube->GetFace(f)->GetAppData(), 5);
    // All eight corners: six octagons and eight triangles, still closed.
    cube->BevelPoints({0, 1, 2, 3, 4, 5, 6, 7}, 0.25f);
    EXPECT_EQ(cube->GetFaceCount(), 14);
    EXPECT_EQ(FacesWithCorners(*cube, 8), 6);
    EXPECT_EQ(FacesWithCorners(*cube, 3), 8);
    EXPECT_EQ(MeshFault(*cube), "");
    EXPECT_EQ(EdgesWithFaceCount(*cube, 1), 0);
}

TEST_F(Bevel, ACubeEdgeBecomesAStrip) {
    // Face 1 is the top (z = 1); side 2 runs from (1, 1, 1) to (0, 1, 1).
    cube->BevelEdges({1, 2}, 0.1f, 100);
    EXPECT_EQ(MeshFault(*cube), "");
    EXPECT_EQ(EdgesWithFaceCount(*cube, 1), 0);
    EXPECT_EQ(EdgesWithFaceCount(*cube, 3), 0);
    int32_t strips = 0;
    for (int32_t f = 0; f < cube->GetFaceCount(); ++f) {
        const auto face = cube->GetFace(f);
        if (face->GetAppData() != 1 || face->GetPointCount() != 4) continue;
        ++strips;
        const VgxVector normal = face->GetFaceNormal();
        EXPECT_NEAR(normal.Y, std::sqrt(0.5f), 1e-5f);
        EXPECT_NEAR(normal.Z, std::sqrt(0.5f), 1e-5f);
        for (int32_t k = 0; k < 4; ++k) {
            const VgxVector p = cube->GetPoint(face->GetPointID(k));
            EXPECT_NEAR(p.Y + p.Z, 1.9f, 1e-5f);  // the chamfer plane
        }
    }
    EXPECT_EQ(strips, 1);
    // The untouched faces keep their data.
    EXPECT_EQ(cube->GetFace(0)->GetAppData(), 5);
}

TEST_F(Bevel, BadInputChangesNothing) {
    const auto before = vgx::test::ExportGeometry(*cube);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::string invalid = "Invalid procedure call or argument", subscript = "Subscript out of range";
    for (float bevel : {0.0f, -0.1f, nan, 1.0f, 2.0f}) {
        ExpectVgxError([&] { cube->BevelPoints({6}, bevel); }, 5, "VgxObject", invalid);
        ExpectVgxError([&] { cube->BevelEdges({1, 2}, bevel, 100); }, 5, "VgxObject", invalid);
    }
    // Two cuts on one side need it longer than twice the distance.
    ExpectVgxError([&] { cube->BevelPoints({6, 7}, 0.5f); }, 5, "VgxObject", invalid);
    ExpectVgxError([&] { cube->BevelPoints({8}, 0.1f); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { cube->BevelPoints({-1}, 0.1f); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { cube->BevelEdges({6, 0}, 0.1f, 100); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { cube->BevelEdges({1, 4}, 0.1f, 100); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { cube->BevelEdges({1, 2, 3}, 0.1f, 100); }, 9, "VgxObject", subscript);
    EXPECT_TRUE(SameMesh(vgx::test::ExportGeometry(*cube), before));
    for (int32_t f = 0; f < 6; ++f) EXPECT_EQ(cube->GetFace(f)->GetAppData(), 5);
    // The same edge named from both of its faces is bevelled once.
    auto twice = root->CreateObject();
    AddCube(*twice);
    twice->BevelEdges({1, 2, 4, 2}, 0.1f, 100);
    cube->BevelEdges({1, 2}, 0.1f, 100);
    EXPECT_EQ(twice->GetFaceCount(), cube->GetFaceCount());
}

}  // namespace
