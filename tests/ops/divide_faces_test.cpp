#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace vgx::test {
namespace {

// The cube of AddCube: face 0 is (0, 3, 2, 1) at z = 0, its side 0 runs from (0,0,0)
// to (0,1,0); face 5 is (3, 0, 4, 7) at x = 0 and holds that side as its side 0.
constexpr int32_t kBottom = 0, kLeft = 5;

// A face's corners as read through its proxy.
struct Corners {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> pointIds;
};

Corners FaceCorners(const VgxObject& object, int32_t face) {
    Corners c;
    std::vector<int32_t> normalIds, uvIds;
    int32_t count = 0;
    object.GetFace(face)->GetPoints(c.points, c.normals, c.uvs, count);
    object.GetFace(face)->GetPointIDs(c.pointIds, normalIds, uvIds, count);
    return c;
}

std::vector<VgxVector> Positions(const VgxObject& object, int32_t face) { return FaceCorners(object, face).points; }

::testing::AssertionResult Near(const VgxVector& actual, const VgxVector& expected) {
    constexpr float kTolerance = 1e-6f;
    if (std::fabs(actual.X - expected.X) <= kTolerance && std::fabs(actual.Y - expected.Y) <= kTolerance &&
        std::fabs(actual.Z - expected.Z) <= kTolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << actual.X << ", " << actual.Y << ", " << actual.Z << ") is not ("
                                         << expected.X << ", " << expected.Y << ", " << expected.Z << ")";
}

void ExpectPositions(const VgxObject& object, int32_t face, const std::vector<VgxVector>& expected) {
    const std::vector<VgxVector> actual = Positions(object, face);
    ASSERT_EQ(actual.size(), expected.size()) << "face " << face;
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_TRUE(Near(actual[k], expected[k])) << "face " << face << " corner " << k;
}

// Everything a failed call must leave as it was, proxies included.
struct Snapshot {
    std::vector<float> coordinates;
    std::vector<int32_t> faceData;
    std::vector<const VgxFace*> proxies;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const VgxObject& object) {
    Snapshot s;
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;
    object.GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, s.faceData, faceDataCount);
    for (const std::vector<VgxVector>* list : {&points, &normals})
        for (const VgxVector& v : *list) s.coordinates.insert(s.coordinates.end(), {v.X, v.Y, v.Z});
    for (const VgxUV& uv : uvs) s.coordinates.insert(s.coordinates.end(), {uv.U, uv.V});
    for (int32_t f = 0; f < object.GetFaceCount(); ++f) s.proxies.push_back(object.GetFace(f).get());
    return s;
}

// A closed mesh: consistent, and every edge between exactly two faces.
void ExpectClosed(VgxObject& object) {
    EXPECT_EQ(MeshFault(object), "");
    EXPECT_EQ(EdgesWithFaceCount(object, 2), Internals(object).Base().EdgeListCount);
}

class DivideFaces : public ::testing::Test {
protected:
    std::shared_ptr<VgxObject> Cube() {
        auto cube = root->CreateObject();
        AddCube(*cube);
        return cube;
    }
    // One flat face in the plane z = 0, normal +Z, corner k at UV uvs[k].
    std::shared_ptr<VgxObject> Polygon(const std::vector<VgxVector>& points, const std::vector<VgxUV>& uvs) {
        auto polygon = root->CreateObject();
        std::vector<int32_t> faceData{int32_t(points.size())};
        for (int32_t k = 0; k < int32_t(points.size()); ++k) faceData.insert(faceData.end(), {k, 0, k});
        faceData.push_back(0);
        polygon->AddFaces(points, {{0, 0, 1}}, uvs, faceData, true, false);
        return polygon;
    }
    std::shared_ptr<VgxObject> Square() {
        return Polygon({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
};

TEST_F(DivideFaces, DividedEdgeGetsItsCornersInBothFacesInTheirOwnOrder) {
    auto cube = Cube();
    cube->GetFace(kBottom)->SetAppData(7);
    auto leftMaterial = root->CreateMaterial();
    cube->GetFace(kLeft)->ApplyMaterial(leftMaterial);

    EXPECT_EQ(cube->DivideEdges({kBottom, 0}, 3), 2);

    // The untouched faces move up; the rebuilt ones follow in their old order.
    ASSERT_EQ(cube->GetFaceCount(), 6);
    const float third = 1.0f / 3, twoThirds = 2.0f / 3;
    ExpectPositions(*cube, 4, {{0, 0, 0}, {0, third, 0}, {0, twoThirds, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}});
    ExpectPositions(*cube, 5, {{0, 1, 0}, {0, twoThirds, 0}, {0, third, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}});
    const Corners bottom = FaceCorners(*cube, 4), left = FaceCorners(*cube, 5);
    EXPECT_EQ(bottom.pointIds[1], left.pointIds[2]);
    EXPECT_EQ(bottom.pointIds[2], left.pointIds[1]);
    EXPECT_EQ(cube->GetPointCount(), 10);
    // UVs and normals follow the side of each face.
    EXPECT_NEAR(bottom.uvs[1].U, third, 1e-6f);
    EXPECT_NEAR(bottom.uvs[2].U, twoThirds, 1e-6f);
    EXPECT_NEAR(left.uvs[1].U, third, 1e-6f);
    EXPECT_TRUE(Near(bottom.normals[1], {0, 0, -1}));
    EXPECT_TRUE(Near(left.normals[2], {-1, 0, 0}));
    // Application data and material stay with the face.
    EXPECT_EQ(cube->GetFace(4)->GetAppData(), 7);
    EXPECT_EQ(cube->GetFace(5)->GetMaterial(), leftMaterial);
    EXPECT_FALSE(Internals(*cube).boundingBoxValid);
    EXPECT_EQ(Internals(*cube).renderBufferState, 0);
    ExpectClosed(*cube);
    EXPECT_EQ(Internals(*cube).Base().EdgeListCount, 14);

    // However the edge is named, and however often, it is cut once.
    for (const std::vector<int32_t>& pairs : std::vector<std::vector<int32_t>>{
             {kLeft, 0}, {kBottom, 0, kLeft, 0}, {kBottom, 0, kBottom, 0}}) {
        auto again = Cube();
        EXPECT_EQ(again->DivideEdges(pairs, 3), 2);
        EXPECT_EQ(again->GetPointCount(), 10);
        EXPECT_EQ(again->GetFace(4)->GetPointCount(), 6);
        EXPECT_EQ(again->GetFace(5)->GetPointCount(), 6);
    }
}

TEST_F(DivideFaces, ThirdsOfASharedSideAreOnePointFromEitherFace) {
    // Walked from either end, this side's first third lands an ulp apart, and the
    // two positions round to different hash keys of the point pool.
    const VgxVector a{1.18037045f, 0, 0}, b{2.84230924f, 0, 0};
    auto pair = root->CreateObject();
    pair->AddFaces({a, b, {2, 1, 0}, {2, -1, 0}}, {{0, 0, 1}}, {{0, 0}},
                   {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 1, 0, 0, 0, 0, 0, 3, 0, 0, 0}, true, false);
    EXPECT_EQ(pair->DivideEdges({0, 0}, 3), 2);
    EXPECT_EQ(pair->GetPointCount(), 6);
    EXPECT_EQ(EdgesWithFaceCount(*pair, 2), 3);
    EXPECT_EQ(MeshFault(*pair), "");
}

TEST_F(DivideFaces, SidesShorterThanThePoolToleranceLeaveNoRepeatedCorners) {
    const std::vector<VgxUV> uvs{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    // Side 3 is 0.00015 long: its midpoint is pooled onto corner 0.
    const std::vector<VgxVector> sliver{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0.00015f, 0}};
    auto cut = Polygon(sliver, uvs);
    EXPECT_EQ(cut->DivideEdges({0, 3}, 2), 1);
    EXPECT_EQ(cut->GetPointCount(), 4);
    EXPECT_EQ(cut->GetFace(0)->GetPointCount(), 4);
    auto divided = Polygon(sliver, uvs);
    EXPECT_EQ(divided->DivideFaces2({0}, 0), 4);
    ExpectPositions(*divided, 0, {{0, 0, 0}, {0.5f, 0, 0}, {0.5f, 0.2500375f, 0}});
    EXPECT_EQ(MeshFault(*divided), "");

    // Narrower than the tolerance, face 0 has pieces without area: they are
    // dropped, the count says how many faces were made, and the pieces of face 1
    // keep its data.
    auto thin = root->CreateObject();
    thin->AddFaces({{0, 0, 0}, {1, 0, 0}, {1, 0.00015f, 0}, {0, 0.00015f, 0}, {5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}},
                   {{0, 0, 1}}, uvs, {4, 0, 0, 0, 1, 0, 1, 2, 0, 2, 3, 0, 3, 4, 4, 0, 0, 5, 0, 1, 6, 0, 2, 7, 0, 3, 0},
                   true, false);
    thin->GetFace(0)->SetAppData(1);
    thin->GetFace(1)->SetAppData(2);
    const int32_t made = thin->DivideFaces2({0, 1}, 0);
    ASSERT_EQ(made, thin->GetFaceCount());
    EXPECT_EQ(made, 6);
    for (int32_t f = 0; f < made; ++f) EXPECT_EQ(thin->GetFace(f)->GetAppData(), f < 2 ? 1 : 2) << "face " << f;
    EXPECT_EQ(MeshFault(*thin), "");
}

TEST_F(DivideFaces, OneDivisionRebuildsAndAnEmptyListDoesNothing) {
    auto cube = Cube();
    const std::vector<VgxVector> bottom = Positions(*cube, kBottom);
    EXPECT_EQ(cube->DivideEdges({kBottom, 1}, 1), 2);
    ASSERT_EQ(cube->GetFaceCount(), 6);
    EXPECT_EQ(cube->GetPointCount(), 8);
    ExpectPositions(*cube, 4, bottom);
    EXPECT_EQ(cube->GetFace(5)->GetPointCount(), 4);
    ExpectClosed(*cube);

    const Snapshot before = Take(*cube);
    EXPECT_EQ(cube->DivideEdges({}, 3), 0);
    EXPECT_EQ(cube->DivideFaces2({}, 0), 0);
    EXPECT_EQ(Take(*cube), before);
}

TEST_F(DivideFaces, EdgesOfFacesBuiltCornerByCornerAreFoundFirst) {
    auto cube = Cube();
    auto face = cube->CreateFace();
    const std::vector<VgxVector> points{{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}};
    const std::vector<VgxVector> normals{{0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}};
    for (size_t k = 0; k < points.size(); ++k) face->AddPoint(points[k], normals[k], {0, 0});
    ASSERT_FALSE(Internals(*cube).edgesValid);
    EXPECT_EQ(cube->DivideEdges({6, 2}, 2), 1);
    ExpectPositions(*cube, 6, {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0.5f, 1, 5}, {0, 1, 5}});
    // The normal between two corners is made unit again.
    const float half = std::sqrt(0.5f);
    EXPECT_TRUE(Near(FaceCorners(*cube, 6).normals[3], {half, 0, half}));
    EXPECT_EQ(MeshFault(*cube), "");
}

TEST_F(DivideFaces, BadInputIsRefusedBeforeAnythingChanges) {
    auto cube = Cube();
    const Snapshot before = Take(*cube);
    const std::string subscript = "Subscript out of range", invalid = "Invalid procedure call or argument";
    struct Case {
        std::vector<int32_t> pairs;
        int32_t divisions, number;
        std::string description;
    };
    const std::vector<Case> cases{
        {{kBottom, 0, kLeft}, 2, 9, subscript},     // a face without its side
        {{-1, 0}, 2, 9, subscript},                  // no such face
        {{kBottom, 0, 6, 0}, 2, 9, subscript},       // a good pair, then no such face
        {{kBottom, 4}, 2, 9, subscript},             // no such side
        {{kBottom, 0, kLeft, -1}, 2, 9, subscript},  // a good pair, then no such side
        {{kBottom, 0}, 0, 5, invalid},
        {{kBottom, 0}, -3, 5, invalid},
    };
    for (const Case& c : cases) {
        ExpectVgxError([&] { cube->DivideEdges(c.pairs, c.divisions); }, c.number, "VgxObject", c.description);
        EXPECT_EQ(Take(*cube), before);
    }
    for (const std::vector<int32_t>& faces : std::vector<std::vector<int32_t>>{{6}, {0, -1}, {1, 2, 99}}) {
        ExpectVgxError([&] { cube->DivideFaces(faces, 0); }, 9, "VgxObject", subscript);
        ExpectVgxError([&] { cube->DivideFaces2(faces, 0); }, 9, "VgxObject", subscript);
        EXPECT_EQ(Take(*cube), before);
    }

    // A corner naming a normal the pool does not hold is found before any cut,
    // wherever it is.
    auto broken = Cube();
    auto face = broken->CreateFace();
    for (int32_t p : {0, 1, 2}) face->AddPointIndexed(p, p == 2 ? 99 : 0, 0);
    const Snapshot brokenBefore = Take(*broken);
    ExpectVgxError([&] { broken->DivideEdges({kBottom, 0}, 2); }, 9, "VgxObject", subscript);
    ExpectVgxError([&] { broken->DivideFaces2({kBottom}, 0); }, 9, "VgxObject", subscript);
    EXPECT_EQ(Take(*broken), brokenBefore);

    auto empty = root->CreateObject();
    ExpectVgxError([&] { empty->Divide(); }, 9, "VgxObject", subscript);
}

TEST_F(DivideFaces, QuadBecomesFourQuadsAroundItsCentre) {
    for (auto divide : {&VgxObject::DivideFaces, &VgxObject::DivideFaces2}) {
        auto square = Square();
        // A face listed twice is divided once.
        EXPECT_EQ(((*square).*divide)({0, 0}, 0), 4);
        ASSERT_EQ(square->GetFaceCount(), 4);
        ExpectPositions(*square, 0, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
        ExpectPositions(*square, 1, {{2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 0, 0}});
        ExpectPositions(*square, 3, {{0, 2, 0}, {0, 1, 0}, {1, 1, 0}, {1, 2, 0}});
        const Corners first = FaceCorners(*square, 0);
        EXPECT_NEAR(first.uvs[1].U, 0.5f, 1e-6f);
        EXPECT_NEAR(first.uvs[2].U, 0.5f, 1e-6f);
        EXPECT_NEAR(first.uvs[2].V, 0.5f, 1e-6f);
        EXPECT_NEAR(first.uvs[3].V, 0.5f, 1e-6f);
        EXPECT_EQ(square->GetPointCount(), 9);
        EXPECT_EQ(MeshFault(*square), "");
        EXPECT_EQ(EdgesWithFaceCount(*square, 1), 8);
        EXPECT_EQ(EdgesWithFaceCount(*square, 2), 4);
    }
}

TEST_F(DivideFaces, QuadModesSplitItInTwo) {
    auto alongX = Square();
    EXPECT_EQ(alongX->DivideFaces2({0}, 1), 2);
    ExpectPositions(*alongX, 0, {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 0}});
    ExpectPositions(*alongX, 1, {{1, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 2, 0}});
    EXPECT_EQ(alongX->GetPointCount(), 6);

    for (int32_t mode : {2, -1}) {
        auto alongY = Square();
        EXPECT_EQ(alongY->DivideFaces2({0}, mode), 2);
        ExpectPositions(*alongY, 0, {{2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 0}});
        ExpectPositions(*alongY, 1, {{2, 1, 0}, {2, 2, 0}, {0, 2, 0}, {0, 1, 0}});
        EXPECT_EQ(MeshFault(*alongY), "");
    }
}

TEST_F(DivideFaces, TriangleBecomesFourStartingAtItsShortestSide) {
    // Sides 4, 5 and 3: the shortest runs from corner 2 to corner 0.
    auto scalene = Polygon({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}}, {{0, 0}, {1, 0}, {0, 1}});
    EXPECT_EQ(scalene->DivideFaces2({0}, 0), 4);
    ExpectPositions(*scalene, 0, {{0, 3, 0}, {0, 1.5f, 0}, {2, 1.5f, 0}});
    ExpectPositions(*scalene, 1, {{0, 0, 0}, {2, 0, 0}, {0, 1.5f, 0}});
    ExpectPositions(*scalene, 2, {{4, 0, 0}, {2, 1.5f, 0}, {2, 0, 0}});
    ExpectPositions(*scalene, 3, {{0, 1.5f, 0}, {2, 0, 0}, {2, 1.5f, 0}});
    EXPECT_EQ(scalene->GetPointCount(), 6);
    EXPECT_EQ(MeshFault(*scalene), "");

    // Sides 0 and 2 are equally short: the first wins.
    auto isosceles = Polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}});
    EXPECT_EQ(isosceles->DivideFaces2({0}, 0), 4);
    ExpectPositions(*isosceles, 0, {{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}});
    ExpectPositions(*isosceles, 3, {{0.5f, 0, 0}, {0.5f, 0.5f, 0}, {0, 0.5f, 0}});
}

TEST_F(DivideFaces, NeighboursTakeTheMidpointsSoNoCrackOpens) {
    auto cube = Cube();
    // The four pieces, then the four side faces with a midpoint on their bottom side.
    EXPECT_EQ(cube->DivideFaces2({kBottom}, 0), 8);
    ASSERT_EQ(cube->GetFaceCount(), 9);
    EXPECT_EQ(cube->GetPointCount(), 13);
    for (int32_t f = 5; f < 9; ++f) EXPECT_EQ(cube->GetFace(f)->GetPointCount(), 5);
    ExpectPositions(*cube, 8, {{0, 1, 0}, {0, 0.5f, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}});
    ExpectClosed(*cube);

    // A face split in two keeps a whole side, which takes the midpoint that a
    // divided neighbour puts on it: the bottom keeps side 3 (from point 1 to 0), which
    // face 2 halves.
    auto split = Cube();
    split->DivideFaces2({kBottom, 2}, 1);
    ExpectPositions(*split, 1, {{0, 0, 0}, {0, 0.5f, 0}, {1, 0.5f, 0}, {1, 0, 0}, {0.5f, 0, 0}});
    ExpectClosed(*split);
}

TEST_F(DivideFaces, DividingACubeTwiceKeepsItClosed) {
    auto cube = Cube();
    cube->Divide();
    EXPECT_EQ(cube->GetFaceCount(), 24);
    EXPECT_EQ(cube->GetPointCount(), 26);
    ExpectClosed(*cube);
    cube->Divide();
    EXPECT_EQ(cube->GetFaceCount(), 96);
    EXPECT_EQ(cube->GetPointCount(), 98);
    ExpectClosed(*cube);

    // The normals are creased afresh: with a creasing factor of 0 every corner at a
    // cube corner shares the normal of all the faces there.
    auto smooth = Cube();
    smooth->SetCreasingFactor(0);
    smooth->Divide();
    const float diagonal = 1 / std::sqrt(3.0f);
    const Corners corners = FaceCorners(*smooth, 0);
    ASSERT_EQ(corners.points.size(), 4u);
    EXPECT_TRUE(Near(corners.points[0], {0, 0, 0}));
    EXPECT_TRUE(Near(corners.normals[0], {-diagonal, -diagonal, -diagonal}));
}

// A quad-dominant, closed model with triangles, pentagons and hexagons: triangles
// become four triangles, every other face one quad per corner, and each edge and
// each face of 4 or more corners gives one new point.
TEST_F(DivideFaces, RealMeshDividesIntoTheExpectedPiecesAndStaysClosed) {
    const ObjMesh file = ReadObj(TestDataPath("meshes/common/beast.obj"));
    auto beast = root->CreateObject();
    beast->AddFaces(file.points, file.normals, file.uvs, file.faceData, true, false);
    ASSERT_EQ(MeshFault(*beast), "");
    const iVgxObject& level = Internals(*beast).Base();
    int32_t faces = 0, corners = 0, centres = 0;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const int32_t n = level.FaceList[f].PointCount;
        faces += n == 3 ? 4 : n;
        corners += n == 3 ? 3 : n;
        centres += n == 3 ? 0 : 1;
    }
    const int32_t points = beast->GetPointCount() + level.EdgeListCount + centres;
    const int32_t edges = 2 * level.EdgeListCount + corners;

    beast->Divide();
    EXPECT_EQ(beast->GetFaceCount(), faces);
    EXPECT_EQ(beast->GetPointCount(), points);
    EXPECT_EQ(level.EdgeListCount, edges);
    ExpectClosed(*beast);
}

}  // namespace
}  // namespace vgx::test
