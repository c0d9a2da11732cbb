#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::AddCube;
using vgx::test::ExpectVgxError;

using Geometry = vgx::test::ExportedMesh;
constexpr auto Export = vgx::test::ExportGeometry;

class GeometryAccess : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
};

TEST_F(GeometryAccess, EmptyObjectExportsOnlyTheTerminator) {
    Geometry g = Export(*mesh);
    EXPECT_EQ(g.pointCount, 0);
    EXPECT_EQ(g.normalCount, 0);
    EXPECT_EQ(g.uvCount, 0);
    EXPECT_TRUE(g.points.empty());
    EXPECT_EQ(g.faceData, std::vector<int32_t>{0});
    EXPECT_EQ(g.faceDataCount, 1);
}

TEST_F(GeometryAccess, GeometryRoundTripsThroughAddFacesIndexed) {
    AddCube(*mesh);
    Geometry g = Export(*mesh);
    EXPECT_EQ(g.pointCount, 8);
    EXPECT_EQ(g.normalCount, 6);
    EXPECT_EQ(g.uvCount, 4);
    EXPECT_EQ(g.faceDataCount, 6 * 13 + 1);
    auto copy = root->CreateObject();
    copy->AddFaces(g.points, g.normals, g.uvs, g.faceData, false, false);
    Geometry again = Export(*copy);
    EXPECT_EQ(again.faceData, g.faceData);
    EXPECT_EQ(again.pointCount, 8);
}

TEST_F(GeometryAccess, PointUVPairsOfACubeWithPerFaceUVs) {
    AddCube(*mesh);
    std::vector<VgxVectorUV> pairs;
    std::vector<VgxVector> normals;
    std::vector<int32_t> faceData;
    int32_t pairCount = 0, normalCount = 0, faceDataCount = 0;
    mesh->GetGeometryPointUV(pairs, pairCount, normals, normalCount, faceData, faceDataCount);
    EXPECT_GT(pairCount, 8);
    EXPECT_LE(pairCount, 24);
    EXPECT_EQ(faceDataCount, 6 * 9 + 1);
    // The first face's corners come first, in order.
    EXPECT_EQ(faceData[0], 4);
    EXPECT_EQ(faceData[1], 0);
    EXPECT_EQ(faceData[3], 1);
    EXPECT_EQ(pairs[1].Vector.Y, 1);  // point 3 with UV (1, 0)
    EXPECT_EQ(pairs[1].UV.U, 1);
    // Every corner's pair holds its point's position and its UV.
    for (int32_t f = 0, position = 0; f < 6; ++f) {
        const int32_t n = faceData[position++];
        for (int32_t k = 0; k < n; ++k, position += 2) {
            VgxVector point, normal;
            VgxUV uv;
            mesh->GetFace(f)->GetPoint(k, point, normal, uv);
            EXPECT_EQ(pairs[faceData[position]].Vector.X, point.X);
            EXPECT_EQ(pairs[faceData[position]].UV.V, uv.V);
            EXPECT_EQ(normals[faceData[position + 1]].Z, normal.Z);
        }
    }
}

TEST_F(GeometryAccess, VisualExportTriangulates) {
    AddCube(*mesh);
    mesh->GetFace(2)->ApplyMaterial(root->CreateMaterial());
    Geometry g;
    std::vector<std::shared_ptr<VgxMaterial>> materials;
    int32_t materialCount = 0;
    mesh->GetVisual(false, g.points, g.pointCount, g.normals, g.normalCount, g.uvs, g.uvCount, g.faceData,
                    g.faceDataCount, materials, materialCount);
    EXPECT_EQ(g.faceData, Export(*mesh).faceData);
    EXPECT_EQ(materialCount, 6);
    mesh->GetVisual(true, g.points, g.pointCount, g.normals, g.normalCount, g.uvs, g.uvCount, g.faceData,
                    g.faceDataCount, materials, materialCount);
    ASSERT_EQ(materialCount, 12);
    EXPECT_EQ(g.faceDataCount, 12 * 10 + 1);
    // A flat quad is fanned from its first corner, keeping each corner's indexes.
    EXPECT_EQ(std::vector<int32_t>(g.faceData.begin(), g.faceData.begin() + 20),
              (std::vector<int32_t>{3, 0, 0, 0, 3, 0, 1, 2, 0, 2, 3, 0, 0, 0, 2, 0, 2, 1, 0, 3}));
    EXPECT_EQ(materials[4], mesh->GetFace(2)->GetMaterial());
    EXPECT_EQ(materials[5], mesh->GetFace(2)->GetMaterial());
    EXPECT_NE(materials[3], materials[4]);
}

TEST_F(GeometryAccess, BoundingBoxFollowsMovesAndScales) {
    mesh->AddOptimizedPoint({1, 2, 3});
    VgxBox box = mesh->GetBoundingBox();
    EXPECT_EQ(box.Min.X, 1);
    EXPECT_EQ(box.Max.Z, 3);
    AddCube(*mesh);
    box = mesh->GetBoundingBox();
    EXPECT_EQ(box.Min.X, 0);
    EXPECT_EQ(box.Max.Y, 2);
    // Translate moves the cached box; Resize makes it be computed again.
    mesh->Translate({10, 0, 0});
    EXPECT_EQ(mesh->GetBoundingBox().Min.X, 10);
    mesh->Resize({2, 1, 1});
    EXPECT_EQ(mesh->GetBoundingBox().Min.X, 20);
    EXPECT_EQ(mesh->GetBoundingBox().Max.X, 22);
    mesh->Clear();
    EXPECT_EQ(mesh->GetBoundingBox().Max.X, 0);
    EXPECT_EQ(mesh->GetFaceCount(), 0);
}

TEST_F(GeometryAccess, BulkCoordinates) {
    AddCube(*mesh);
    std::vector<VgxVector> points;
    int32_t count = 0;
    mesh->GetPoints(points, count);
    ASSERT_EQ(count, 8);
    for (auto& p : points) p.Z += 1;
    mesh->SetPoints(points);
    EXPECT_EQ(mesh->GetPoint(4).Z, 2);
    std::vector<VgxUV> uvs;
    mesh->GetUVs(uvs, count);
    EXPECT_EQ(count, 4);
    uvs[0] = {0.25f, 0.25f};
    mesh->SetUVs(uvs);
    EXPECT_EQ(mesh->GetUV(0).U, 0.25f);
    std::vector<VgxVector> normals;
    mesh->GetNormals(normals, count);
    EXPECT_EQ(count, 6);
    // Values past the pool's array are refused before anything is written.
    points.resize(20, {7, 7, 7});
    ExpectVgxError([&] { mesh->SetPoints(points); }, 9, "VgxObject", "Subscript out of range");
    EXPECT_EQ(mesh->GetPoint(0).X, 0);
    normals.resize(7);
    ExpectVgxError([&] { mesh->SetNormals(normals); }, 9, "VgxObject", "Subscript out of range");
}

TEST_F(GeometryAccess, OptimizeMergesCoordinatesAndKeepsFaces) {
    // Two triangles whose shared corners were given twice.
    mesh->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 0, 1}}, {{0, 0}},
                   {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 4, 0, 0, 3, 0, 0, 5, 0, 0, 0}, false, false);
    auto oldProxy = mesh->GetFace(0);
    EXPECT_EQ(mesh->GetPointCount(), 6);
    mesh->Optimize(false, 100);
    EXPECT_EQ(mesh->GetPointCount(), 4);
    EXPECT_EQ(mesh->GetFaceCount(), 2);
    EXPECT_NE(mesh->GetFace(0), oldProxy);
    EXPECT_EQ(mesh->GetFace(1)->GetPointID(0), 2);
    EXPECT_EQ(Internals(*mesh).Base().EdgeListCount, 5);
    // In depth, a degenerate face and the coordinates only it used go too.
    mesh->AddFaces({{5, 5, 5}, {6, 6, 6}}, {{0, 0, 1}}, {{0, 0}}, {3, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0}, false, false);
    EXPECT_EQ(mesh->GetFaceCount(), 3);
    mesh->Optimize(true, 100);
    EXPECT_EQ(mesh->GetFaceCount(), 2);
    EXPECT_EQ(mesh->GetPointCount(), 4);
    auto empty = root->CreateObject();
    empty->Optimize(true, 100);
    EXPECT_EQ(empty->GetFaceCount(), 0);
}

TEST_F(GeometryAccess, AddObjectAppendsFacesWithTheirMaterials) {
    AddCube(*mesh);
    mesh->DeleteFaces({0, 1, 2});
    ASSERT_EQ(mesh->GetFaceCount(), 3);
    auto source = root->CreateObject();
    source->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {}, {}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 2, 0, 0,
                                                                             1, 0, 0, 3, 0, 0, 0},
                     false, false);
    auto red = root->CreateMaterial();
    source->GetFace(1)->ApplyMaterial(red);
    source->GetFace(1)->SetAppData(42);
    source->SetCustomFieldValue(3, "bolt");
    source->SetCloneOptions({2, 1, 1}, {1, 0, 0}, {0, 0, 0});
    mesh->AddObject(source);
    ASSERT_EQ(mesh->GetFaceCount(), 5);
    EXPECT_EQ(mesh->GetFace(3)->GetMaterial(), source->GetFace(0)->GetMaterial());
    EXPECT_EQ(mesh->GetFace(4)->GetMaterial(), red);
    EXPECT_EQ(mesh->GetFace(4)->GetAppData(), 42);
    EXPECT_EQ(mesh->GetCustomFieldValue(3), "bolt");
    VgxVectorLong number;
    VgxVector offset, rotate;
    mesh->GetCloneOptions(number, offset, rotate);
    EXPECT_EQ(number.X, 2);
    // Coordinates are appended, not merged.
    EXPECT_EQ(mesh->GetPointCount(), 8 + 4);
    vgx::test::ClearLog();
    ExpectVgxError([&] { mesh->AddObject(nullptr); }, 91, "VgxObject",
                   "Object variable or With block variable not set");
    EXPECT_EQ(vgx::test::LogMessages(), std::vector<std::string>{"AddObject Error Location: 0"});
    EXPECT_EQ(mesh->GetFaceCount(), 5);
}

TEST_F(GeometryAccess, AttributesAndTheirEffectOnRenderData) {
    auto& state = Internals(*mesh).renderBufferState;
    state = 1;
    mesh->SetQuality(137);
    EXPECT_EQ(state, 1);
    mesh->SetQuality(137 | VgxShadePhong);
    EXPECT_EQ(state, 1);
    mesh->SetQuality(73);  // wireframe instead of solid
    EXPECT_EQ(state, 0);
    state = 1;
    mesh->SetSmoothingLevel(0);
    mesh->SetMirrorAxis(VgxAxisNone);
    EXPECT_EQ(state, 1);
    mesh->SetSmoothingAngle(30);
    EXPECT_EQ(state, 0);
    state = 1;
    mesh->SetCreasingFactor(70);
    EXPECT_EQ(state, 0);
    state = 1;
    mesh->AddOptimizedPoint({0, 0, 0});
    state = 1;
    mesh->SetPoint(0, {1, 1, 1});
    EXPECT_EQ(state, 2);
    mesh->SetNormals({});
    EXPECT_EQ(state, 0);

    EXPECT_EQ(mesh->GetQuality(), 73);
    EXPECT_EQ(mesh->GetEnable(), 3);
    EXPECT_FLOAT_EQ(mesh->GetCreasingFactor(), 70);
    mesh->SetMaintainAdjacency(true);
    EXPECT_FALSE(mesh->GetMaintainAdjacency());
    mesh->SetObjectType(VgxPatch);
    EXPECT_EQ(mesh->GetObjectType(), VgxPatch);
    mesh->SetOperationControlOrientation({0, 0, 1}, {0, 1, 0});
    VgxVector dir, up;
    mesh->GetOperationControlOrientation(dir, up);
    EXPECT_EQ(up.Y, 1);
    mesh->SetCustomFieldValue(5, "x");
    EXPECT_EQ(mesh->GetCustomFieldValue(5), "x");
    ExpectVgxError([&] { mesh->SetCustomFieldValue(6, "x"); }, 9, "VorlanSG", "Subscript out of range");
    ExpectVgxError([&] { mesh->GetCustomFieldValue(-1); }, 9, "VorlanSG", "Subscript out of range");
}

}  // namespace
