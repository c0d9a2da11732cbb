#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::AddCube;
using vgx::test::EdgesWithFaceCount;
using vgx::test::ExpectVgxError;
using vgx::test::MeshFault;

using Polygon = std::vector<VgxVector>;

// Faces given as point lists; every corner takes normal (0, 0, 1) and the UV (x, y) of its point.
void AddPolygons(VgxObject& object, const std::vector<VgxVector>& points,
                 const std::vector<std::vector<int32_t>>& faces) {
    std::vector<VgxUV> uvs;
    for (const VgxVector& p : points) uvs.push_back({p.X, p.Y});
    std::vector<int32_t> faceData;
    for (const auto& face : faces) {
        faceData.push_back(static_cast<int32_t>(face.size()));
        for (int32_t p : face) faceData.insert(faceData.end(), {p, 0, p});
    }
    faceData.push_back(0);
    object.AddFaces(points, {{0, 0, 1}}, uvs, faceData, true, false);
}

// A flat n x m grid of unit quads in the XY plane, facing +Z.
void AddGrid(VgxObject& object, int32_t n, int32_t m) {
    std::vector<VgxVector> points;
    for (int32_t j = 0; j <= m; ++j)
        for (int32_t i = 0; i <= n; ++i) points.push_back({float(i), float(j), 0});
    std::vector<std::vector<int32_t>> quads;
    for (int32_t j = 0; j < m; ++j)
        for (int32_t i = 0; i < n; ++i) {
            const int32_t a = j * (n + 1) + i;
            quads.push_back({a, a + 1, a + n + 2, a + n + 1});
        }
    AddPolygons(object, points, quads);
}

struct Geometry {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
};

Geometry Export(const VgxObject& object) {
    Geometry g;
    int32_t pointCount, normalCount, uvCount, faceDataCount;
    object.GetGeometry(g.points, pointCount, g.normals, normalCount, g.uvs, uvCount, g.faceData, faceDataCount);
    return g;
}

// The corner positions of every face, in face and corner order.
std::vector<Polygon> Faces(const VgxObject& object) {
    const Geometry g = Export(object);
    std::vector<Polygon> faces;
    for (size_t i = 0; g.faceData[i] != 0; i += 1 + 3 * size_t(g.faceData[i])) {
        faces.emplace_back();
        for (int32_t k = 0; k < g.faceData[i]; ++k) faces.back().push_back(g.points[g.faceData[i + 1 + 3 * k]]);
    }
    return faces;
}

// Twice the vector area of a polygon (Newell's sum): its direction is the winding's normal.
VgxVector DoubleVectorArea(const Polygon& polygon) {
    double x = 0, y = 0, z = 0;
    for (size_t k = 0; k < polygon.size(); ++k) {
        const VgxVector& a = polygon[k];
        const VgxVector& b = polygon[(k + 1) % polygon.size()];
        x += (double(a.Y) - b.Y) * (double(a.Z) + b.Z);
        y += (double(a.Z) - b.Z) * (double(a.X) + b.X);
        z += (double(a.X) - b.X) * (double(a.Y) + b.Y);
    }
    return {float(x), float(y), float(z)};
}

// The area of a face taken as the fan of triangles from its first corner.
double FanArea(const Polygon& polygon) {
    double area = 0;
    for (size_t k = 1; k + 1 < polygon.size(); ++k) {
        const VgxVector v = DoubleVectorArea({polygon[0], polygon[k], polygon[k + 1]});
        area += std::sqrt(double(v.X) * v.X + double(v.Y) * v.Y + double(v.Z) * v.Z) / 2;
    }
    return area;
}

double TotalArea(const VgxObject& object) {
    double area = 0;
    for (const Polygon& face : Faces(object)) area += FanArea(face);
    return area;
}

// The number of triangles the faces stand for: n - 2 per face of n corners.
int32_t TriangleCount(const VgxObject& object) {
    int32_t triangles = 0;
    for (const Polygon& face : Faces(object)) triangles += int32_t(face.size()) - 2;
    return triangles;
}

using Position = std::tuple<float, float, float>;

std::set<Position> CornerSet(const Polygon& polygon) {
    std::set<Position> corners;
    for (const VgxVector& p : polygon) corners.emplace(p.X, p.Y, p.Z);
    return corners;
}

std::set<Position> PointSet(const VgxObject& object) {
    std::vector<VgxVector> points;
    int32_t count;
    object.GetPoints(points, count);
    return CornerSet(points);
}

std::vector<int32_t> PointIDs(const VgxObject& object, int32_t face) {
    std::vector<int32_t> points, normals, uvs;
    int32_t count;
    object.GetFace(face)->GetPointIDs(points, normals, uvs, count);
    return points;
}

// Two coplanar triangles on the diagonal (-1, 0)-(1, 0) whose corners opposite it
// measure 80 degrees (the other corners 50).
void AddEightyDegreePair(VgxObject& object) {
    const float apex = 1 / std::tan(40 * 3.14159265f / 180);
    AddPolygons(object, {{-1, 0, 0}, {1, 0, 0}, {0, apex, 0}, {0, -apex, 0}}, {{0, 1, 2}, {1, 0, 3}});
}

// The unit square as two right triangles (0, 1, 2) and (0, 2, 3) on the diagonal 0-2.
void AddSplitSquare(VgxObject& object) {
    AddPolygons(object, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
}

class FaceMerge : public ::testing::Test {
protected:
    std::shared_ptr<VgxObject> Make() { return root->CreateObject(); }
    // Builds the render data, so that an operation is seen to mark it stale.
    void Render(VgxObject& object) {
        object.GetVertexBuffer(deviceId, device);
        ASSERT_EQ(Internals(object).renderBufferState, 1);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    int32_t deviceId = root->CreateDeviceID();
};

TEST_F(FaceMerge, TwoRightTrianglesOfASquareBecomeOneQuad) {
    auto square = Make();
    AddSplitSquare(*square);
    Render(*square);
    square->MergeTriangles(1, false);
    ASSERT_EQ(square->GetFaceCount(), 1);
    // The first triangle's corners in its winding, the other's far corner between the diagonal's ends.
    EXPECT_EQ(PointIDs(*square, 0), (std::vector<int32_t>{0, 1, 2, 3}));
    for (int32_t k = 0; k < 4; ++k) {
        VgxVector point, normal;
        VgxUV uv;
        square->GetFace(0)->GetPoint(k, point, normal, uv);
        EXPECT_EQ(uv.U, point.X);
        EXPECT_EQ(uv.V, point.Y);
        EXPECT_EQ(normal.Z, 1);
    }
    EXPECT_EQ(MeshFault(*square), "");
    EXPECT_EQ(EdgesWithFaceCount(*square, 1), 4);
    EXPECT_EQ(Internals(*square).renderBufferState, 0);
}

TEST_F(FaceMerge, DifferentMaterialsMergeOnlyWhenAllowed) {
    // Materials equal in every value would be shared by the in-depth Optimize the
    // merges start with, so these differ in colour.
    const auto red = root->CreateMaterial(), blue = root->CreateMaterial();
    red->SetColor(root->CreateColorRGB(1, 0, 0));
    blue->SetColor(root->CreateColorRGB(0, 0, 1));
    const auto paint = [&](VgxObject& object) {
        object.GetFace(0)->ApplyMaterial(red);
        object.GetFace(1)->ApplyMaterial(blue);
    };
    auto triangles = Make();
    AddSplitSquare(*triangles);
    paint(*triangles);
    triangles->MergeTriangles(12, false);
    EXPECT_EQ(triangles->GetFaceCount(), 2);
    triangles->MergeTriangles(1, true);
    ASSERT_EQ(triangles->GetFaceCount(), 1);
    EXPECT_EQ(triangles->GetFace(0)->GetMaterial(), red);

    auto quads = Make();
    AddGrid(*quads, 2, 1);
    paint(*quads);
    quads->Consolidate(1, false);
    EXPECT_EQ(quads->GetFaceCount(), 2);
    quads->Consolidate(1, true);
    ASSERT_EQ(quads->GetFaceCount(), 1);
    EXPECT_EQ(quads->GetFace(0)->GetMaterial(), red);
    EXPECT_EQ(MeshFault(*quads), "");
}

TEST_F(FaceMerge, EightyDegreeCornersMergeOnlyOnceTheToleranceReachesThem) {
    // The last pass of Level 3 allows pi/20 = 9 degrees off a right angle, Level 5 pi/16 = 11.25.
    for (int32_t level : {1, 2, 3}) {
        auto pair = Make();
        AddEightyDegreePair(*pair);
        pair->MergeTriangles(level, false);
        EXPECT_EQ(pair->GetFaceCount(), 2) << level;
    }
    auto pair = Make();
    AddEightyDegreePair(*pair);
    pair->MergeTriangles(5, false);
    EXPECT_EQ(pair->GetFaceCount(), 1);
    EXPECT_EQ(PointIDs(*pair, 0), (std::vector<int32_t>{0, 3, 1, 2}));
}

TEST_F(FaceMerge, ATriangulatedGridTurnsBackIntoItsQuads) {
    auto grid = Make();
    AddGrid(*grid, 4, 4);
    grid->Triangulate();
    ASSERT_EQ(grid->GetFaceCount(), 32);
    grid->MergeTriangles(1, false);
    ASSERT_EQ(grid->GetFaceCount(), 16);
    std::set<Position> lowCorners;
    for (const Polygon& quad : Faces(*grid)) {
        ASSERT_EQ(quad.size(), 4u);
        EXPECT_FLOAT_EQ(DoubleVectorArea(quad).Z, 2);  // a unit square, wound as before
        lowCorners.insert(*CornerSet(quad).begin());
    }
    EXPECT_EQ(lowCorners.size(), 16u);  // one per cell
    EXPECT_EQ(MeshFault(*grid), "");
    EXPECT_EQ(EdgesWithFaceCount(*grid, 2), 24);
}

TEST_F(FaceMerge, ATriangleOnAQuadPairsWithItsNeighbourAlongTheQuad) {
    // Triangle G stands on the top side of the unit square Q with a right angle at its
    // apex; its neighbour N has its right angle opposite their shared side, G does not.
    const std::vector<VgxVector> points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 1.5f, 0}, {1, 1.5f, 0}};
    const std::vector<std::vector<int32_t>> triangles{{3, 2, 4}, {4, 2, 5}};
    auto alone = Make();
    AddPolygons(*alone, points, triangles);
    alone->MergeTriangles(1, false);
    EXPECT_EQ(alone->GetFaceCount(), 2);

    auto onQuad = Make();
    AddPolygons(*onQuad, points, {{0, 1, 2, 3}, triangles[0], triangles[1]});
    onQuad->MergeTriangles(1, false);
    ASSERT_EQ(onQuad->GetFaceCount(), 2);
    EXPECT_EQ(PointIDs(*onQuad, 0), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(PointIDs(*onQuad, 1), (std::vector<int32_t>{3, 2, 5, 4}));
    EXPECT_FLOAT_EQ(TotalArea(*onQuad), 1.375f);
    EXPECT_EQ(MeshFault(*onQuad), "");
}

TEST_F(FaceMerge, MergeLevelsOutsideOneToTwelve) {
    // From Level 13 the divisor reaches 0: that pass fails before it changes anything,
    // the twelve before it stand.
    for (int32_t level : {13, std::numeric_limits<int32_t>::max()}) {
        auto pair = Make();
        AddEightyDegreePair(*pair);
        ExpectVgxError([&] { pair->MergeTriangles(level, false); }, 11, "VgxObject", "Division by zero");
        EXPECT_EQ(pair->GetFaceCount(), 1) << level;
        EXPECT_EQ(MeshFault(*pair), "");
    }
    // Level 0 or below runs no pass.
    for (int32_t level : {0, -3, std::numeric_limits<int32_t>::min()}) {
        auto square = Make();
        AddSplitSquare(*square);
        square->MergeTriangles(level, false);
        EXPECT_EQ(square->GetFaceCount(), 2) << level;
    }
}

TEST_F(FaceMerge, ConsolidateMergesFlatNeighboursAndDropsStraightCorners) {
    auto square = Make();
    AddSplitSquare(*square);
    Render(*square);
    square->Consolidate(1, false);
    ASSERT_EQ(square->GetFaceCount(), 1);
    EXPECT_EQ(square->GetFace(0)->GetPointCount(), 4);
    EXPECT_EQ(Internals(*square).renderBufferState, 0);

    // The middle corners of a 2 x 1 rectangle's long sides run straight on and are
    // used by two faces: they go from the face, but stay in the pool.
    auto rectangle = Make();
    AddGrid(*rectangle, 2, 1);
    rectangle->Consolidate(1, false);
    ASSERT_EQ(rectangle->GetFaceCount(), 1);
    const Polygon merged = Faces(*rectangle)[0];
    EXPECT_EQ(CornerSet(merged), (std::set<Position>{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}));
    EXPECT_FLOAT_EQ(DoubleVectorArea(merged).Z, 4);
    EXPECT_EQ(rectangle->GetPointCount(), 6);
    EXPECT_EQ(MeshFault(*rectangle), "");

    // A straight corner that a neighbour turns at stays, or that neighbour's side
    // would end in the middle of the merged polygon's side. Here the triangle below
    // the first quad keeps its own material and turns at (1, 0).
    const std::vector<VgxVector> points{{0, 0, 0}, {1, 0, 0},     {2, 0, 0}, {2, 1, 0},
                                        {0, 1, 0}, {0.5f, -1, 0}, {3, 0, 0}, {3, 1, 0}};
    auto step = Make();
    AddPolygons(*step, points, {{0, 1, 2, 3, 4}, {1, 0, 5}, {2, 6, 7, 3}});
    const auto green = root->CreateMaterial();
    green->SetColor(root->CreateColorRGB(0, 1, 0));
    step->GetFace(1)->ApplyMaterial(green);
    step->Consolidate(1, false);
    ASSERT_EQ(step->GetFaceCount(), 2);
    EXPECT_EQ(PointIDs(*step, 1), (std::vector<int32_t>{0, 1, 6, 7, 4}));
    EXPECT_EQ(EdgesWithFaceCount(*step, 2), 1);
    EXPECT_EQ(MeshFault(*step), "");

    // Where every corner counts as straight (Level 25 takes 62.5 degrees off a
    // straight line, a regular hexagon turns by 60) the merged polygon keeps them.
    const float h = std::sqrt(3.0f) / 2;
    auto hexagon = Make();
    AddPolygons(*hexagon, {{1, 0, 0}, {0.5f, h, 0}, {-0.5f, h, 0}, {-1, 0, 0}, {-0.5f, -h, 0}, {0.5f, -h, 0}},
                {{0, 1, 2, 3}, {3, 4, 5, 0}});
    hexagon->Consolidate(25, false);
    ASSERT_EQ(hexagon->GetFaceCount(), 1);
    EXPECT_EQ(hexagon->GetFace(0)->GetPointCount(), 6);
    EXPECT_EQ(MeshFault(*hexagon), "");
}

TEST_F(FaceMerge, ConsolidateTurnsSubdividedPlanesIntoOnePolygon) {
    for (auto [n, m, triangulate] : {std::tuple{8, 8, false}, std::tuple{8, 8, true}, std::tuple{5, 3, true}}) {
        auto plane = Make();
        AddGrid(*plane, n, m);
        if (triangulate) plane->Triangulate();
        plane->Consolidate(1, false);
        ASSERT_EQ(plane->GetFaceCount(), 1) << n << "x" << m;
        const Polygon outline = Faces(*plane)[0];
        EXPECT_EQ(CornerSet(outline),
                  (std::set<Position>{{0, 0, 0}, {float(n), 0, 0}, {float(n), float(m), 0}, {0, float(m), 0}}));
        EXPECT_EQ(outline.size(), 4u);
        EXPECT_FLOAT_EQ(DoubleVectorArea(outline).Z, 2.0f * n * m);
        EXPECT_EQ(MeshFault(*plane), "");
    }
}

TEST_F(FaceMerge, ConsolidateKeepsBoxEdgesBelowLevelTwentyOne) {
    // 20^1.5 is 89.4 degrees, 21^1.5 is 96.2.
    auto cube = Make();
    AddCube(*cube);
    cube->Consolidate(20, true);
    EXPECT_EQ(cube->GetFaceCount(), 6);

    // Two unit quads folded 90 degrees along the X axis.
    const std::vector<VgxVector> points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 1}, {0, 0, 1}};
    const std::vector<std::vector<int32_t>> quads{{0, 1, 2, 3}, {1, 0, 5, 4}};
    auto fold = Make();
    AddPolygons(*fold, points, quads);
    fold->Consolidate(20, false);
    EXPECT_EQ(fold->GetFaceCount(), 2);
    fold->Consolidate(21, false);
    ASSERT_EQ(fold->GetFaceCount(), 1);
    EXPECT_EQ(fold->GetFace(0)->GetPointCount(), 6);
    EXPECT_EQ(MeshFault(*fold), "");

    // Neighbours wound against each other never merge, however wide the tolerance.
    auto reversed = Make();
    AddPolygons(*reversed, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
                {{0, 1, 4, 3}, {4, 5, 2, 1}});
    reversed->Consolidate(40, true);
    EXPECT_EQ(reversed->GetFaceCount(), 2);
    auto flipped = Make();
    AddPolygons(*flipped, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {3, 2, 0}});
    flipped->MergeTriangles(12, true);
    EXPECT_EQ(flipped->GetFaceCount(), 2);

    // A triangulated cube consolidates back into its six squares.
    auto triangulated = Make();
    AddCube(*triangulated);
    triangulated->Triangulate();
    triangulated->Consolidate(1, false);
    ASSERT_EQ(triangulated->GetFaceCount(), 6);
    for (const Polygon& side : Faces(*triangulated)) EXPECT_EQ(side.size(), 4u);
    EXPECT_EQ(EdgesWithFaceCount(*triangulated, 2), 12);
}

TEST_F(FaceMerge, ConsolidateLevelZeroOrBelowChangesNothing) {
    auto rectangle = Make();
    AddGrid(*rectangle, 2, 1);
    const auto proxy = rectangle->GetFace(0);
    const std::vector<Polygon> before = Faces(*rectangle);
    const auto unchanged = [&] {
        EXPECT_EQ(rectangle->GetFace(0), proxy);  // not even optimised
        EXPECT_EQ(Faces(*rectangle).size(), before.size());
    };
    rectangle->Consolidate(0, false);
    unchanged();
    // Level^1.5 has no value below 0.
    for (int32_t level : {-1, std::numeric_limits<int32_t>::min()}) {
        ExpectVgxError([&] { rectangle->Consolidate(level, false); }, 5, "VgxObject",
                       "Invalid procedure call or argument");
        unchanged();
    }
}

TEST_F(FaceMerge, TriangulateSplitsFacesKeepingMaterialAndApplicationData) {
    auto cube = Make();
    AddCube(*cube);
    std::vector<std::shared_ptr<VgxMaterial>> materials;
    for (int32_t f = 0; f < 6; ++f) {
        materials.push_back(root->CreateMaterial());
        cube->GetFace(f)->ApplyMaterial(materials.back());
        cube->GetFace(f)->SetAppData(100 + f);
    }
    const std::vector<Polygon> squares = Faces(*cube);
    Render(*cube);
    cube->Triangulate();
    ASSERT_EQ(cube->GetFaceCount(), 12);
    EXPECT_EQ(cube->GetPointCount(), 8);
    EXPECT_EQ(Internals(*cube).renderBufferState, 0);
    const std::vector<Polygon> triangles = Faces(*cube);
    for (int32_t t = 0; t < 12; ++t) {
        const int32_t f = t / 2;
        EXPECT_EQ(cube->GetFace(t)->GetMaterial(), materials[f]) << t;
        EXPECT_EQ(cube->GetFace(t)->GetAppData(), 100 + f) << t;
        // Half the square, wound the same way, inside it.
        const VgxVector square = DoubleVectorArea(squares[f]), half = DoubleVectorArea(triangles[t]);
        EXPECT_FLOAT_EQ(square.X + square.Y + square.Z, 2 * (half.X + half.Y + half.Z)) << t;
        for (const auto& corner : CornerSet(triangles[t])) EXPECT_TRUE(CornerSet(squares[f]).count(corner)) << t;
    }
    EXPECT_EQ(MeshFault(*cube), "");
    EXPECT_EQ(EdgesWithFaceCount(*cube, 2), 18);

    // Triangles stay as they are; a face of fewer than 3 corners goes.
    const Geometry before = Export(*cube);
    cube->CreateFace();
    cube->Triangulate();
    EXPECT_EQ(cube->GetFaceCount(), 12);
    EXPECT_EQ(Export(*cube).faceData, before.faceData);
}

TEST_F(FaceMerge, TriangulateKeepsConcavePolygonsInsideTheirOutline) {
    // An L-shaped hexagon of area 3 in the XY plane, wound both ways, and a dart (concave quad).
    const std::vector<VgxVector> ell{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
    const std::vector<VgxVector> dart{{0, 0, 0}, {2, 1, 0}, {0, 2, 0}, {0.5f, 1, 0}};
    struct Case {
        std::vector<VgxVector> points;
        std::vector<int32_t> order;
        float area;  // signed: positive when wound counter-clockwise seen from +Z
    };
    for (const Case& c : {Case{ell, {0, 1, 2, 3, 4, 5}, 3}, Case{ell, {5, 4, 3, 2, 1, 0}, -3},
                          Case{dart, {0, 1, 2, 3}, 1.5f}, Case{dart, {3, 2, 1, 0}, -1.5f}}) {
        auto polygon = Make();
        AddPolygons(*polygon, c.points, {c.order});
        polygon->Triangulate();
        ASSERT_EQ(polygon->GetFaceCount(), int32_t(c.order.size()) - 2) << c.area;
        // Triangles inside the outline cover it once: each is wound like it, and their areas add up to its area.
        float sum = 0;
        for (const Polygon& triangle : Faces(*polygon)) {
            const float area = DoubleVectorArea(triangle).Z / 2;
            EXPECT_GT(area * c.area, 0) << c.area;
            sum += area;
        }
        EXPECT_FLOAT_EQ(sum, c.area);
        EXPECT_EQ(MeshFault(*polygon), "");
    }
}

TEST_F(FaceMerge, BadCornersAreRefusedBeforeAnythingChanges) {
    // A corner added by index is not checked when added: it may name no point, normal
    // or UV. A point may be moved to a position that is not a number.
    const auto cube = Make();
    AddCube(*cube);
    const auto unchanged = [&](const std::string& what) {
        EXPECT_EQ(cube->GetFaceCount(), 7) << what;
        EXPECT_EQ(cube->GetFace(0)->GetPointCount(), 4) << what;
        EXPECT_EQ(cube->GetPointCount(), 8) << what;
    };
    const std::vector<std::function<void()>> operations{
        [&] { cube->Triangulate(); }, [&] { cube->MergeTriangles(1, false); }, [&] { cube->Consolidate(1, false); }};
    for (const std::vector<int32_t>& bad : {std::vector<int32_t>{8, 0, 0}, {0, 6, 0}, {0, 0, -1}}) {
        const auto face = cube->CreateFace();
        for (int32_t p : {0, 1}) face->AddPointIndexed(p, 0, 0);
        face->AddPointIndexed(bad[0], bad[1], bad[2]);
        const auto proxy = cube->GetFace(0);
        for (const auto& operation : operations) {
            ExpectVgxError(operation, 9, "VgxObject", "Subscript out of range");
            unchanged("index");
            EXPECT_EQ(cube->GetFace(0), proxy);
        }
        cube->DeleteFaces({6});
    }
    cube->AddFacesIndexed({3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false);
    const VgxVector corner = cube->GetPoint(2);
    cube->SetPoint(2, {std::numeric_limits<float>::quiet_NaN(), 0, 0});
    for (const auto& operation : operations) {
        ExpectVgxError(operation, 5, "VgxObject", "Invalid procedure call or argument");
        unchanged("position");
    }
    cube->SetPoint(2, corner);
    cube->MergeTriangles(1, false);
    EXPECT_EQ(MeshFault(*cube), "");
}

TEST_F(FaceMerge, AnEmptyObjectStaysEmpty) {
    auto empty = Make();
    empty->Triangulate();
    empty->MergeTriangles(12, true);
    empty->Consolidate(4, true);
    EXPECT_EQ(empty->GetFaceCount(), 0);
    EXPECT_EQ(empty->GetPointCount(), 0);
    EXPECT_EQ(empty->GetNormalCount(), 0);
    EXPECT_EQ(empty->GetUVCount(), 0);
    ExpectVgxError([&] { empty->MergeTriangles(13, false); }, 11, "VgxObject", "Division by zero");
    EXPECT_EQ(empty->GetFaceCount(), 0);
}

TEST_F(FaceMerge, RealMeshesKeepTheirSurface) {
    // suzanne mixes quads and triangles, spot is a quad model stored as triangles,
    // quadknot is all quads.
    for (const char* file : {"common/suzanne.obj", "common/spot.obj", "trimesh/quadknot.obj"}) {
        const vgx::test::ObjMesh mesh = vgx::test::ReadObj(vgx::test::TestDataPath(std::string("meshes/") + file));
        auto object = Make();
        object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
        const std::set<Position> points = PointSet(*object);
        const int32_t triangles = TriangleCount(*object), open = EdgesWithFaceCount(*object, 1);

        object->Triangulate();
        EXPECT_EQ(object->GetFaceCount(), triangles) << file;
        EXPECT_EQ(PointSet(*object), points) << file;
        EXPECT_EQ(EdgesWithFaceCount(*object, 1), open) << file;
        EXPECT_EQ(MeshFault(*object), "") << file;
        const double area = TotalArea(*object);

        object->MergeTriangles(8, false);
        // Every quad is two of the triangles: none lost, none doubled, the same points and open edges.
        const int32_t merged = object->GetFaceCount();
        EXPECT_LT(merged, triangles) << file;
        if (triangles == 2 * mesh.faceCount) {
            EXPECT_LE(merged, mesh.faceCount * 102 / 100) << file;
        }
        EXPECT_EQ(TriangleCount(*object), triangles) << file;
        for (const Polygon& face : Faces(*object)) EXPECT_LE(face.size(), 4u) << file;
        EXPECT_EQ(PointSet(*object), points) << file;
        EXPECT_NEAR(TotalArea(*object), area, 2e-3 * area) << file;
        EXPECT_EQ(EdgesWithFaceCount(*object, 1), open) << file;
        EXPECT_EQ(MeshFault(*object), "") << file;

        // Consolidating opens no crack: no edge gains or loses a side.
        object->Consolidate(3, false);
        EXPECT_LT(object->GetFaceCount(), merged) << file;
        EXPECT_EQ(EdgesWithFaceCount(*object, 1), open) << file;
        EXPECT_EQ(MeshFault(*object), "") << file;
    }
}

}  // namespace
