// Merging triangles into polygons, Consolidate and Triangulate.
#include "ops/ops_fixture.h"

namespace vgx::test {
namespace {

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

TEST_F(FaceMerge, TwoRightTrianglesOfASquareBecomeOneQuad) {
    for (bool consolidate : {false, true}) {
        SCOPED_TRACE(consolidate ? "Consolidate" : "MergeTriangles");
        auto square = SplitSquare();
        square->GetVertexBuffer(root->CreateDeviceID(), device);  // render data, to be marked stale
        consolidate ? square->Consolidate(1, false) : square->MergeTriangles(1, false);
        // The first triangle's corners in its winding, the other's far corner between the
        // diagonal's ends, each with its UV and normal.
        EXPECT_EQ(PointIDs(*square, 0), (Ints{0, 1, 2, 3}));
        EXPECT_EQ(UVs(*square), (std::vector<VgxUV>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
        for (int32_t k = 0; k < 4; ++k) EXPECT_EQ(NormalAt(*square, 0, k).Z, 1) << k;
        EXPECT_EQ(MeshFault(*square), "");
        EXPECT_EQ(Ints({square->GetFaceCount(), RenderState(*square), EdgesWithFaceCount(*square, 1)}),
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
        object->GetFace(0)->ApplyMaterial(red), object->GetFace(1)->ApplyMaterial(blue);
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
             {"80 degrees, level 3", EightyDegreePair(), false, 3, false, {3, 3}, {0, 1, 2}, nullptr},
             {"80 degrees, level 5", EightyDegreePair(), false, 5, false, {4}, {0, 3, 1, 2}, nullptr},
             // Level 0 or below runs no pass.
             {"level 0", SplitSquare(), false, 0, false, {3, 3}, {}, nullptr},
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
}

TEST_F(FaceMerge, ConsolidateMergesFlatNeighboursAndDropsStraightCorners) {
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

    // Grids, plain or triangulated, become their outline. The corners inside run straight on
    // or lie within: they go from the face, but stay in the pool.
    for (auto [n, m, triangulate] :
         {std::tuple{2, 1, false}, std::tuple{8, 8, false}, std::tuple{8, 8, true}, std::tuple{5, 3, true}}) {
        SCOPED_TRACE(std::to_string(n) + "x" + std::to_string(m));
        auto plane = Grid(n, m);
        if (triangulate) plane->Triangulate();
        plane->Consolidate(1, false);
        ASSERT_EQ(Shape(*plane), "1 faces");
        const Points outline = Corners(*plane, 0);
        EXPECT_EQ(Ints({int32_t(outline.size()), plane->GetPointCount()}), Ints({4, (n + 1) * (m + 1)}));
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
    cube->GetVertexBuffer(root->CreateDeviceID(), device);
    cube->Triangulate();
    ASSERT_EQ(Ints({cube->GetFaceCount(), cube->GetPointCount(), RenderState(*cube)}),
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
    // or UV. A point may overflow to an infinite position, which only arithmetic
    // leaves, never the setters.
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
    Internals(*cube).Base().PointList[2].Point = {std::numeric_limits<float>::infinity(), 0, 0};
    refused(5);
    cube->SetPoint(2, corner);
    cube->MergeTriangles(1, false);
    EXPECT_EQ(MeshFault(*cube), "");
}

}  // namespace
}  // namespace vgx::test
