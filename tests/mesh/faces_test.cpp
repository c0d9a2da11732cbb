#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

// Two triangles (0, 1, 2) and (2, 1, 3) sharing the side between points 1 and 2.
const std::vector<VgxVector> kPoints{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
const std::vector<VgxVector> kNormals{{0, 0, 1}};
const std::vector<VgxUV> kUVs{{0, 0}, {1, 0}, {0, 1}, {1, 1}};
const std::vector<int32_t> kTwoTriangles{3, 0, 0, 0, 1, 0, 1, 2, 0, 2, 3, 2, 0, 2, 1, 0, 1, 3, 0, 3, 0};

class Faces : public ::testing::Test {
protected:
    void SetUp() override {
        root->SetMessageBoxHandler([&](const std::string& text, const std::string&, int32_t) { shown.push_back(text); });
    }
    const vgx::iVgxObject& Level() const { return Internals(*mesh).Base(); }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
    std::vector<std::string> shown;
};

TEST_F(Faces, SharedSidesShareOneUndirectedEdge) {
    mesh->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
    const vgx::iVgxObject& level = Level();
    ASSERT_EQ(mesh->GetFaceCount(), 2);
    ASSERT_EQ(level.EdgeListCount, 5);
    // Face 1's side from corner 1 (point 1) to corner 0 (point 2) is side 0: (2, 1).
    const int32_t shared = level.FaceCorners(1)[0].Edge;
    EXPECT_EQ(level.FaceCorners(0)[1].Edge, shared);
    EXPECT_EQ(level.EdgeList[shared].Point[0], 1);
    EXPECT_EQ(level.EdgeList[shared].Point[1], 2);
    EXPECT_EQ(level.Adjacency.ToVector(level.EdgeList[shared].FaceList), (std::vector<int32_t>{0, 1}));
    // A point lists a face once per corner that uses it, and the edges leaving it.
    EXPECT_EQ(level.Adjacency.ToVector(level.PointList[2].FaceList), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(level.Adjacency.ToVector(level.PointList[3].FaceList), std::vector<int32_t>{1});
    EXPECT_EQ(level.Adjacency.ToVector(level.PointList[1].EdgeList).size(), 2u);
    EXPECT_TRUE(Internals(*mesh).edgesValid);
    EXPECT_TRUE(shown.empty());
}

TEST_F(Faces, MissingNormalsAndUVsAreWarnedAndDefaulted) {
    mesh->AddFaces(kPoints, {}, {}, {3, 0, 5, 5, 1, 5, 5, 2, 5, 5, 0}, false, false);
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "The Vorlan Scene Graph does not support face data without normals",
                         "The Vorlan Scene Graph does not support face data without UV coordinates"}));
    ASSERT_EQ(mesh->GetFaceCount(), 1);
    VgxVector point, normal;
    VgxUV uv;
    mesh->GetFace(0)->GetPoint(2, point, normal, uv);
    EXPECT_EQ(normal.Z, 1);
    EXPECT_EQ(uv.U, 0);
    EXPECT_EQ(mesh->GetNormalCount(), 1);
    EXPECT_EQ(mesh->GetUVCount(), 1);
}

TEST_F(Faces, OptimizeFacesDropsRepeatedCornersAndDegenerateFaces) {
    const std::vector<VgxVector> points{{0, 0, 0}, {1, 0, 0}, {1, 0, 0.00005f}, {0, 1, 0}, {5, 5, 5}, {9, 9, 9}};
    // A triangle with two coincident corners goes; a quad with one repeated corner
    // keeps three; a clean triangle stays; the unused point 5 is compacted away.
    mesh->AddFaces(points, kNormals, kUVs,
                   {3, 0, 0, 0, 1, 0, 0, 2, 0, 0,                 //
                    4, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0,        //
                    3, 2, 0, 0, 3, 0, 0, 4, 0, 0, 0},
                   false, true);
    ASSERT_EQ(mesh->GetFaceCount(), 2);
    EXPECT_EQ(mesh->GetFace(0)->GetPointCount(), 3);
    EXPECT_EQ(mesh->GetFace(0)->GetPointID(2), 3);
    EXPECT_EQ(mesh->GetPointCount(), 5);
    // The dropped corner's point was moved exactly onto the corner it repeats.
    EXPECT_EQ(mesh->GetPoint(2).Z, 0);
    EXPECT_EQ(mesh->GetPoint(2).X, 1);
    EXPECT_FALSE(Internals(*mesh).edgesValid);
}

TEST_F(Faces, DeleteFacesRenumbersAndGivesNewProxies) {
    mesh->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
    auto oldSecond = mesh->GetFace(1);
    auto faces = mesh->GetFaces();
    EXPECT_EQ(faces->GetSize(), 2);
    mesh->DeleteFaces({0});
    ASSERT_EQ(mesh->GetFaceCount(), 1);
    EXPECT_EQ(faces->GetSize(), 1);
    EXPECT_NE(mesh->GetFace(0), oldSecond);
    EXPECT_EQ(mesh->GetFace(0)->id(), 0);
    EXPECT_EQ(oldSecond->id(), 1);
    EXPECT_EQ(mesh->GetFace(0)->GetPointID(2), 3);
    EXPECT_EQ(Level().EdgeListCount, 3);
    EXPECT_EQ(Level().Adjacency.ToVector(Level().PointList[0].FaceList), std::vector<int32_t>{});
    mesh->DeleteFaces({});
    EXPECT_EQ(mesh->GetFaceCount(), 1);
}

TEST_F(Faces, BadFaceDataRaisesNineAndChangesNothing) {
    mesh->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
    const auto material = mesh->GetFace(0)->GetMaterial();
    const std::vector<std::vector<int32_t>> bad{
        {3, 0, 0, 0, 1, 0, 0, 4, 0, 0, 0},     // point index outside the caller's points
        {3, 0, 0, 0, 1, 1, 0, 2, 0, 0, 0},     // normal index outside
        {3, 0, 0, 0, 1, 0, 0, 2, 0, -1, 0},    // negative UV index
        {4, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0, 0},  // block runs past the end
        {-2, 0, 0, 0, 0},                      // negative corner count
    };
    for (const auto& faceData : bad) {
        ExpectVgxError([&] { mesh->AddFaces(kPoints, kNormals, kUVs, faceData, true, true); }, 9, "VgxObject",
                       "Subscript out of range");
    }
    ExpectVgxError([&] { mesh->AddFacesIndexed({3, 0, 0, 0, 1, 0, 0, 9, 0, 0, 0}, false); }, 9, "VgxObject",
                   "Subscript out of range");
    ExpectVgxError([&] { mesh->DeleteFaces({0, 2}); }, 9, "VgxObject", "Subscript out of range");
    EXPECT_EQ(mesh->GetFaceCount(), 2);
    EXPECT_EQ(mesh->GetPointCount(), 4);
    EXPECT_EQ(mesh->GetFace(0)->GetMaterial(), material);
    EXPECT_EQ(Level().EdgeListCount, 5);
}

TEST_F(Faces, IndexedFacesUseThePoolsAsTheyStand) {
    mesh->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
    mesh->AddFacesIndexed({4, 0, 0, 0, 1, 0, 1, 3, 0, 3, 2, 0, 2, 0}, false);
    ASSERT_EQ(mesh->GetFaceCount(), 3);
    EXPECT_EQ(mesh->GetFace(2)->GetPointCount(), 4);
    EXPECT_EQ(mesh->GetFace(2)->GetMaterial(), mesh->GetFace(0)->GetMaterial());
    // Every side of the quad is an edge the triangles already made.
    EXPECT_EQ(Level().EdgeListCount, 5);
}

TEST_F(Faces, ProxiesEditTheirFace) {
    auto face = mesh->CreateFace();
    EXPECT_EQ(face->id(), 0);
    EXPECT_EQ(face->GetPointCount(), 0);
    face->AddPoint({0, 0, 0}, {0, 0, 1}, {0, 0});
    face->AddPoint({1, 0, 0}, {0, 0, 1}, {1, 0});
    face->AddPoint({0, 1, 0}, {0, 0, 1}, {0, 1});
    face->AddPoint({1, 0, 0}, {0, 0, 1}, {1, 0});
    EXPECT_EQ(face->GetPointCount(), 4);
    EXPECT_EQ(mesh->GetPointCount(), 3);
    EXPECT_EQ(face->GetPointID(3), 1);
    VgxVector n = face->GetFaceNormal();
    EXPECT_FLOAT_EQ(n.Z, 1);
    face->SetUV(0, {0.5f, 0.5f});
    EXPECT_EQ(face->GetUV(0).U, 0.5f);
    face->SetPointIndexed(3, 2, 0, 2);
    std::vector<int32_t> points, normals, uvs;
    int32_t count = 0;
    face->GetPointIDs(points, normals, uvs, count);
    EXPECT_EQ(points, (std::vector<int32_t>{0, 1, 2, 2}));
    std::vector<VgxVector> positions, normalVectors;
    std::vector<VgxUV> coordinates;
    face->GetPoints(positions, normalVectors, coordinates, count);
    EXPECT_EQ(positions[3].Y, 1);
    face->SetAppData(7);
    EXPECT_EQ(face->GetAppData(), 7);
    ExpectVgxError([&] { face->GetPointID(4); }, 9, "VgxFace", "Subscript out of range");
    ExpectVgxError([&] { face->SetUVID(-1, 0); }, 9, "VgxFace", "Subscript out of range");
    ExpectVgxError([&] { mesh->GetFace(1); }, 9, "VgxObject", "Subscript out of range");
    // Corners added through a proxy get edges only at the next rebuild.
    EXPECT_FALSE(Internals(*mesh).edgesValid);
}

TEST_F(Faces, FaceNormals) {
    mesh->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
    VgxVector n = mesh->GetFace(0)->GetFaceNormal();
    EXPECT_FLOAT_EQ(n.X, 0);
    EXPECT_FLOAT_EQ(n.Z, 1);
    // Collinear corners and faces of two corners give the zero vector.
    auto line = mesh->CreateFace();
    line->AddPoint({0, 0, 0}, {0, 0, 1}, {0, 0});
    line->AddPoint({2, 0, 0}, {0, 0, 1}, {0, 0});
    EXPECT_EQ(line->GetFaceNormal().Z, 0);
    line->AddPoint({3, 0, 0}, {0, 0, 1}, {0, 0});
    EXPECT_EQ(line->GetFaceNormal().Z, 0);
}

TEST_F(Faces, MaterialsAndSlots) {
    mesh->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
    ASSERT_EQ(Level().MaterialListCount, 1);
    EXPECT_EQ(MaterialIndex(*mesh->GetFace(0)->GetMaterial()), 0);
    const int32_t orange = root->CreateColorRGB(1, 0.5f, 0);
    mesh->DefaultMaterial(orange);
    auto material = mesh->GetFace(1)->GetMaterial();
    EXPECT_EQ(material, mesh->GetFace(0)->GetMaterial());
    EXPECT_EQ(material->GetColor(), orange);
    float r, g, b;
    material->GetAmbient(r, g, b);
    EXPECT_FLOAT_EQ(r, 0.6f);
    material->GetEmissive(r, g, b);
    EXPECT_NEAR(g, 0.1f, 0.001f);
    auto blue = root->CreateMaterial();
    mesh->GetFace(1)->ApplyMaterial(blue);
    // Slots follow at the next rebuild, in order of first use.
    mesh->Optimize(false, 100);
    ASSERT_EQ(Level().MaterialListCount, 2);
    EXPECT_EQ(Level().MaterialList[1].Material, blue);
    EXPECT_EQ(MaterialIndex(*blue), 1);
    mesh->GetFace(0)->DefaultMaterial(orange);
    EXPECT_NE(mesh->GetFace(0)->GetMaterial(), material);
}

TEST_F(Faces, ProxiesLastUntilTheNextRebuildAndThenKeepTheirMaterialToThemselves) {
    mesh->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
    EXPECT_EQ(Level().FaceProxyCount, 0);  // none until the host asks
    const std::shared_ptr<VgxFace> first = mesh->GetFace(1);
    EXPECT_EQ(mesh->GetFace(1), first);
    EXPECT_EQ(Level().FaceProxyCount, 1);
    const auto red = root->CreateMaterial(), blue = root->CreateMaterial();
    first->ApplyMaterial(red);
    EXPECT_EQ(Level().FaceMaterial(1), red);

    mesh->DeleteFaces({0});  // a rebuild: face 1 is now face 0, with a new proxy
    const std::shared_ptr<VgxFace> moved = mesh->GetFace(0);
    EXPECT_NE(moved, first);
    EXPECT_EQ(moved->GetMaterial(), red);
    first->ApplyMaterial(blue);
    EXPECT_EQ(first->GetMaterial(), blue);
    EXPECT_EQ(moved->GetMaterial(), red);
    EXPECT_EQ(Level().FaceMaterial(0), red);
    // The object's own material change reaches the proxies it handed out.
    mesh->ApplyMaterial(blue);
    EXPECT_EQ(moved->GetMaterial(), blue);
}

TEST_F(Faces, TheCollectionCountsOnlyTheProxiesHandedOut) {
    const std::vector<int32_t> one{3, 0, 0, 0, 1, 0, 1, 2, 0, 2, 0};
    std::weak_ptr<VgxObject> unasked, asked, replaced;
    std::shared_ptr<VgxFace> stale;
    {
        auto a = root->CreateObject(), b = root->CreateObject(), c = root->CreateObject();
        for (auto& object : {a, b, c}) object->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
        b->GetFace(1);
        stale = c->GetFace(0);
        c->AddFacesIndexed(one, false);
        c->DeleteFaces({2});
        unasked = a, asked = b, replaced = c;
    }
    root->CollectGarbage();
    EXPECT_TRUE(unasked.expired());
    EXPECT_TRUE(asked.expired());  // its own proxy does not hold it
    // A proxy a rebuild replaced is the host's reference: the object stays.
    ASSERT_FALSE(replaced.expired());
    EXPECT_EQ(replaced.lock()->GetFaceCount(), 2);
}

}  // namespace
