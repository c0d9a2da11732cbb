#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/mesh_checks.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;
using vgx::test::MeshFault;

std::vector<int32_t> Polygon(std::initializer_list<int32_t> points) {
    std::vector<int32_t> data{static_cast<int32_t>(points.size())};
    for (int32_t p : points) data.insert(data.end(), {p, 0, 0});
    return data;
}

std::vector<int32_t> FaceData(std::initializer_list<std::vector<int32_t>> faces) {
    std::vector<int32_t> data;
    for (const auto& face : faces) data.insert(data.end(), face.begin(), face.end());
    data.push_back(0);
    return data;
}

std::vector<VgxVector> Corners(const VgxObject& object, int32_t face) {
    std::vector<VgxVector> points;
    const auto proxy = object.GetFace(face);
    for (int32_t k = 0; k < proxy->GetPointCount(); ++k) points.push_back(object.GetPoint(proxy->GetPointID(k)));
    return points;
}

class Join : public ::testing::Test {
protected:
    // Two unit quads side by side: (0..1) and (1..2) along x.
    void AddStrip() {
        mesh->AddFaces({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}}, {}, {},
                       FaceData({Polygon({0, 1, 2, 3}), Polygon({1, 4, 5, 2})}), true, false);
    }
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
};

TEST_F(Join, JoiningTwoOppositeSidesCutsTheQuadInTwo) {
    AddStrip();
    // Sides 0 (bottom) and 2 (top) of the first quad.
    EXPECT_EQ(mesh->JoinEdges({0, 0, 0, 2}), 2);
    ASSERT_EQ(mesh->GetFaceCount(), 3);
    EXPECT_EQ(mesh->GetFace(0)->GetPointCount(), 4);  // the untouched neighbour, renumbered first
    for (int32_t f = 1; f < 3; ++f) {
        EXPECT_EQ(mesh->GetFace(f)->GetPointCount(), 4);
        EXPECT_EQ(mesh->GetFace(f)->GetAppData(), 1);
    }
    const auto first = Corners(*mesh, 1);
    EXPECT_EQ(first[0].X, 0.5f);
    EXPECT_EQ(first[0].Y, 0.0f);
    EXPECT_EQ(first[3].X, 0.5f);
    EXPECT_EQ(first[3].Y, 1.0f);
    EXPECT_EQ(MeshFault(*mesh), "");
}

TEST_F(Join, ASharedSideGivesBothFacesItsMidpoint) {
    AddStrip();
    EXPECT_EQ(mesh->JoinEdges({0, 1}), 2);
    ASSERT_EQ(mesh->GetFaceCount(), 2);
    EXPECT_EQ(mesh->GetFace(0)->GetPointCount(), 5);
    EXPECT_EQ(mesh->GetFace(1)->GetPointCount(), 5);
    EXPECT_EQ(mesh->GetPointCount(), 7);  // one midpoint, pooled once
    EXPECT_EQ(MeshFault(*mesh), "");
    // All four sides of a quad: four corner triangles and the diamond between them.
    auto quad = root->CreateObject();
    quad->AddFaces({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {}, {}, FaceData({Polygon({0, 1, 2, 3})}), true, false);
    EXPECT_EQ(quad->JoinEdges({0, 0, 0, 1, 0, 2, 0, 3}), 5);
    EXPECT_EQ(quad->GetFaceCount(), 5);
    EXPECT_EQ(quad->GetFace(4)->GetPointCount(), 4);
    EXPECT_EQ(MeshFault(*quad), "");
    EXPECT_EQ(quad->JoinEdges({}), 0);
}

TEST_F(Join, JoiningPointsSplitsTheFacesBetweenThem) {
    // A hexagon: points 0 and 3 cut it into two quads.
    mesh->AddFaces({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 2, 0}, {-1, 1, 0}}, {}, {},
                   FaceData({Polygon({0, 1, 2, 3, 4, 5})}), true, false);
    EXPECT_EQ(mesh->JoinPoints({0, 3}), 1);
    ASSERT_EQ(mesh->GetFaceCount(), 2);
    EXPECT_EQ(mesh->GetFace(0)->GetPointCount(), 4);
    EXPECT_EQ(mesh->GetFace(1)->GetPointCount(), 4);
    EXPECT_EQ(mesh->GetFace(1)->GetAppData(), 1);
    EXPECT_EQ(MeshFault(*mesh), "");

    auto quad = root->CreateObject();
    quad->AddFaces({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}}, {}, {},
                   FaceData({Polygon({0, 1, 2, 3})}), true, false);
    // Side by side, or a point on no shared face: nothing changes.
    EXPECT_EQ(quad->JoinPoints({0, 1}), -1);
    EXPECT_EQ(quad->JoinPoints({0, 3}), -1);
    EXPECT_EQ(quad->JoinPoints({0, 4}), -1);
    EXPECT_EQ(quad->GetFaceCount(), 1);
    ExpectVgxError([&] { quad->JoinPoints({0, 9}); }, 9, "VgxObject", "Subscript out of range");
    EXPECT_EQ(quad->GetFaceCount(), 1);
    // Opposite corners: two triangles on the diagonal.
    EXPECT_EQ(quad->JoinPoints({2, 0}), 1);
    EXPECT_EQ(quad->GetFaceCount(), 2);
    EXPECT_EQ(quad->GetFace(0)->GetPointCount(), 3);
    EXPECT_EQ(quad->GetFace(1)->GetPointCount(), 3);
}

TEST_F(Join, BadEdgePairsChangeNothing) {
    AddStrip();
    const std::string subscript = "Subscript out of range";
    ExpectVgxError([&] { mesh->JoinEdges({2, 0}); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { mesh->JoinEdges({0, 4}); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { mesh->JoinEdges({0, 0, 1}); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { mesh->JoinEdges({-1, 0}); }, 9, "VgxObject", subscript);
    EXPECT_EQ(mesh->GetFaceCount(), 2);
    EXPECT_EQ(mesh->GetPointCount(), 6);
    EXPECT_EQ(mesh->GetFace(0)->GetPointCount(), 4);
}

}  // namespace
