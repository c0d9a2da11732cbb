#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::AddCube;
using vgx::test::EdgesWithFaceCount;
using vgx::test::MeshFault;

// FaceData of one polygon through points 0..n-1, in order.
std::vector<int32_t> Polygon(int32_t n) {
    std::vector<int32_t> data{n};
    for (int32_t k = 0; k < n; ++k) data.insert(data.end(), {k, 0, 0});
    data.push_back(0);
    return data;
}

class Repair : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
};

TEST_F(Repair, BentPolygonsBecomeFansAndFlatOnesStay) {
    // Level 0 does nothing at all, not even the optimisation that drops unused points.
    mesh->AddFaces({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {}, {}, Polygon(4), true, false);
    mesh->AddOptimizedPoint({5, 5, 5});
    mesh->RepairGeometry(0);
    EXPECT_EQ(mesh->GetPointCount(), 5);
    for (int32_t level : {1, 10, 11}) {
        mesh->RepairGeometry(level);
        EXPECT_EQ(mesh->GetFaceCount(), 1) << level;
    }
    EXPECT_EQ(mesh->GetPointCount(), 4);
    // Above 11 every polygon of 4 or more corners is fanned.
    mesh->RepairGeometry(12);
    EXPECT_EQ(mesh->GetFaceCount(), 2);

    // A quad folded by 30 degrees along its diagonal 0-2.
    auto folded = root->CreateObject();
    const float lift = std::sin(30.0f * 3.141593f / 180) * std::sqrt(0.5f);
    folded->AddFaces({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f - lift, 0.5f + lift, lift * 2}}, {}, {}, Polygon(4),
                     true, false);
    folded->GetFace(0)->SetAppData(7);
    folded->RepairGeometry(1);
    ASSERT_EQ(folded->GetFaceCount(), 2);
    for (int32_t f = 0; f < 2; ++f) {
        EXPECT_EQ(folded->GetFace(f)->GetPointCount(), 3);
        EXPECT_EQ(folded->GetFace(f)->GetAppData(), 1);
    }
    EXPECT_EQ(MeshFault(*folded), "");

    // An L-shaped hexagon is fanned from its inward corner at every level.
    for (int32_t level : {1, 5, 10}) {
        auto l = root->CreateObject();
        l->AddFaces({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}, {}, {}, Polygon(6), true,
                    false);
        l->RepairGeometry(level);
        ASSERT_EQ(l->GetFaceCount(), 4) << level;
        for (int32_t f = 0; f < 4; ++f) {
            const VgxVector apex = l->GetPoint(l->GetFace(f)->GetPointID(0));
            EXPECT_EQ(apex.X, 1);
            EXPECT_EQ(apex.Y, 1);
        }
    }
    // Triangles are never touched.
    auto triangle = root->CreateObject();
    triangle->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 1}}, {}, {}, Polygon(3), true, false);
    triangle->RepairGeometry(50);
    EXPECT_EQ(triangle->GetFace(0)->GetAppData(), 0);
}

TEST_F(Repair, SolidifyClosesOpenSurfaces) {
    AddCube(*mesh);
    mesh->Solidify(100);
    EXPECT_EQ(mesh->GetFaceCount(), 6);

    // The box without its top: two triangles across the opening.
    mesh->DeleteFaces({1});
    mesh->GetFace(0)->SetAppData(5);
    EXPECT_EQ(EdgesWithFaceCount(*mesh, 1), 4);
    mesh->Solidify(200);
    ASSERT_EQ(mesh->GetFaceCount(), 7);
    EXPECT_EQ(EdgesWithFaceCount(*mesh, 1), 0);
    EXPECT_EQ(MeshFault(*mesh), "");
    for (int32_t f = 5; f < 7; ++f) {
        EXPECT_EQ(mesh->GetFace(f)->GetPointCount(), 3);
        EXPECT_EQ(mesh->GetFace(f)->GetAppData(), 1);
        for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(mesh->GetPoint(mesh->GetFace(f)->GetPointID(k)).Z, 1);
    }
    // The new triangles face outwards like the rest of the box.
    const VgxVector normal = vgx::FaceNormal(Internals(*mesh).Base(), 5);
    EXPECT_NEAR(normal.Z, 1, 1e-6);

    // A lone triangle closes with its back face and the operation stops.
    auto lone = root->CreateObject();
    lone->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, {}, Polygon(3), true, false);
    lone->Solidify(100);
    EXPECT_EQ(lone->GetFaceCount(), 2);
    EXPECT_EQ(EdgesWithFaceCount(*lone, 1), 0);
    // An empty object stays empty.
    auto empty = root->CreateObject();
    empty->Solidify(100);
    EXPECT_EQ(empty->GetFaceCount(), 0);
}

TEST(RepairRealMesh, SolidifyClosesTheTeapot) {
    const auto source = vgx::test::ReadObj(vgx::test::TestDataPath("meshes/common/teapot.obj"));
    auto root = Vgx::Create();
    auto teapot = root->CreateObject();
    teapot->AddFaces(source.points, source.normals, source.uvs, source.faceData, true, true);
    const int32_t faces = teapot->GetFaceCount();
    ASSERT_GT(EdgesWithFaceCount(*teapot, 1), 0);
    teapot->Solidify(100);
    EXPECT_EQ(EdgesWithFaceCount(*teapot, 1), 0);
    EXPECT_GT(teapot->GetFaceCount(), faces);
    EXPECT_EQ(MeshFault(*teapot), "");
}

}  // namespace
