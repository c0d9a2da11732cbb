// DivideEdges, DivideFaces, DivideFaces2 and Divide.
#include "ops/ops_fixture.h"

namespace vgx::test {
namespace {

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
    // UVs and normals follow the side of each face.
    const auto u = [&](int32_t face, int32_t k) { return cube->GetFace(face)->GetUV(k).U; };
    EXPECT_TRUE(Near({u(4, 1), u(4, 2), u(5, 1)}, {t, tt, t}));
    EXPECT_TRUE(Near({NormalAt(*cube, 4, 1), NormalAt(*cube, 5, 2)}, {{0, 0, -1}, {-1, 0, 0}}));
    // Application data and material stay with the face; the bounds and render data are stale.
    EXPECT_EQ(cube->GetFace(5)->GetMaterial(), leftMaterial);
    EXPECT_EQ(Ints({cube->GetFace(4)->GetAppData(), Internals(*cube).changes.BoxCurrent(),
                    RenderState(*cube), Internals(*cube).Base().EdgeListCount}),
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
    ASSERT_FALSE(Internals(*built).changes.EdgesCurrent());
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
    // The normals are creased afresh: with a creasing factor of 0 every corner at a
    // cube corner shares the normal of all the faces there.
    cube->SetCreasingFactor(0);
    const float d = 1 / std::sqrt(3.0f);
    for (const Ints& counts : {Ints{24, 26}, Ints{96, 98}}) {
        cube->Divide();
        EXPECT_EQ(Counts(*cube), counts);
        ExpectClosed(*cube);
        EXPECT_TRUE(Near({Corners(*cube, 0)[0], NormalAt(*cube, 0, 0)}, {{0, 0, 0}, {-d, -d, -d}}));
    }
}

// A quad-dominant, closed model with triangles, pentagons and hexagons: triangles
// become four triangles, every other face one quad per corner, and each edge and
// each face of 4 or more corners gives one new point.
TEST_F(DivideFaces, RealMeshDividesIntoTheExpectedPiecesAndStaysClosed) {
    const ObjMesh mesh = ReadObj(TestDataPath("meshes/common/beast.obj"));
    auto beast = root->CreateObject();
    beast->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
    const iVgxObject& level = Internals(*beast).Base();
    // Faces, points and edges after the division.
    Ints expected{0, beast->GetPointCount() + level.EdgeListCount, 2 * level.EdgeListCount};
    for (int32_t n : CornerCounts(*beast))
        expected = {expected[0] + (n == 3 ? 4 : n), expected[1] + (n == 3 ? 0 : 1), expected[2] + n};
    beast->Divide();
    EXPECT_EQ(Ints({beast->GetFaceCount(), beast->GetPointCount(), level.EdgeListCount}), expected);
    ExpectClosed(*beast);
}

}  // namespace
}  // namespace vgx::test
