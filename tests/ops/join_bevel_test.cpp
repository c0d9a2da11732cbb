// Cuts between points and edge midpoints, and bevels.
#include "ops/ops_fixture.h"

namespace vgx::test {
namespace {

// JoinEdges and JoinPoints.
class Join : public Ops {
protected:
    // Two unit quads side by side: (0..1) and (1..2) along x.
    Object Strip() {
        return Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}}, {{0, 1, 2, 3}, {1, 4, 5, 2}});
    }
};

TEST_F(Join, JoiningCutsFacesAtMidpointsOrBetweenPoints) {
    auto mesh = Strip();
    // Sides 0 (bottom) and 2 (top) of the first quad; the untouched neighbour is renumbered first.
    EXPECT_EQ(mesh->JoinEdges({0, 0, 0, 2}), 2);
    EXPECT_EQ(CornerCounts(*mesh), (Ints{4, 4, 4}));
    EXPECT_EQ(AppData(*mesh), (Ints{0, 1, 1}));
    const Points first = Corners(*mesh, 1);
    EXPECT_TRUE(Near({first[0], first[3]}, {{0.5f, 0, 0}, {0.5f, 1, 0}}, 0));
    EXPECT_EQ(MeshFault(*mesh), "");

    // A shared side gives both faces its midpoint, pooled once.
    auto shared = Strip();
    EXPECT_EQ(Ints({shared->JoinEdges({0, 1}), shared->GetPointCount()}), Ints({2, 7}));
    EXPECT_EQ(CornerCounts(*shared), (Ints{5, 5}));
    EXPECT_EQ(MeshFault(*shared), "");

    // All four sides of a quad: four corner triangles and the diamond between them.
    auto quad = Make({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {{0, 1, 2, 3}});
    EXPECT_EQ(
        Ints({quad->JoinEdges({0, 0, 0, 1, 0, 2, 0, 3}), quad->GetFaceCount(), quad->GetFace(4)->GetPointCount()}),
        Ints({5, 5, 4}));
    EXPECT_EQ(MeshFault(*quad), "");
    EXPECT_EQ(quad->JoinEdges({}), 0);

    auto bad = Strip();
    for (const Ints& pairs : {Ints{2, 0}, Ints{0, 4}, Ints{0, 0, 1}, Ints{-1, 0}})
        ExpectRefused(*bad, 9, [&] { bad->JoinEdges(pairs); });

    // A hexagon: points 0 and 3 cut it into two quads.
    auto hexagon = Make({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 2, 0}, {-1, 1, 0}}, {{0, 1, 2, 3, 4, 5}});
    EXPECT_EQ(Ints({hexagon->JoinPoints({0, 3}), hexagon->GetFace(1)->GetAppData()}), Ints({1, 1}));
    EXPECT_EQ(CornerCounts(*hexagon), (Ints{4, 4}));
    EXPECT_EQ(MeshFault(*hexagon), "");

    auto unit = Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}}, {{0, 1, 2, 3}});
    const auto unitBefore = Take(*unit);
    // Side by side, or a point on no shared face: nothing changes.
    for (const Ints& points : {Ints{0, 1}, Ints{0, 3}, Ints{0, 4}}) EXPECT_EQ(unit->JoinPoints(points), -1);
    EXPECT_EQ(Take(*unit), unitBefore);
    ExpectRefused(*unit, 9, [&] { unit->JoinPoints({0, 9}); });
    // Opposite corners: two triangles on the diagonal.
    EXPECT_EQ(unit->JoinPoints({2, 0}), 1);
    EXPECT_EQ(CornerCounts(*unit), (Ints{3, 3}));
}

// BevelPoints and BevelEdges.
using Bevel = Ops;

TEST_F(Bevel, CubeCornersBecomeTrianglesAndEdgesStrips) {
    auto marked = Cube(5);
    marked->BevelPoints({6}, 0.1f);  // the corner (1, 1, 1)
    // Uncut faces keep their application data; the cut ones are new faces, the cap last.
    EXPECT_EQ(CornerCounts(*marked), (Ints{4, 4, 4, 5, 5, 5, 3}));
    EXPECT_EQ(AppData(*marked), (Ints{5, 5, 5, 0, 0, 0, 1}));
    ExpectClosed(*marked);
    for (int32_t point : PointIDs(*marked, 6)) {
        const VgxVector p = marked->GetPoint(point);
        EXPECT_NEAR(p.X + p.Y + p.Z, 2.9f, 1e-5f);
        // Each cut point is shared by two pentagons and the cap.
        EXPECT_EQ(Internals(*marked).Base().PointList[point].FaceList.count, 3);
    }
    const VgxVector normal = marked->GetFace(6)->GetFaceNormal();
    EXPECT_TRUE(normal.X > 0.5f && normal.Y > 0.5f && normal.Z > 0.5f) << normal;

    // All eight corners: six octagons and eight triangles, still closed; none, nothing.
    auto all = Cube(5), none = Cube(5);
    all->BevelPoints({0, 1, 2, 3, 4, 5, 6, 7}, 0.25f);
    Ints corners = CornerCounts(*all);
    std::sort(corners.begin(), corners.end());
    EXPECT_EQ(corners, (Ints{3, 3, 3, 3, 3, 3, 3, 3, 8, 8, 8, 8, 8, 8}));
    ExpectClosed(*all);
    none->BevelPoints({}, 0.1f);
    EXPECT_EQ(AppData(*none), Ints(6, 5));

    auto strip = Cube(5);
    // Face 1 is the top (z = 1); side 2 runs from (1, 1, 1) to (0, 1, 1).
    strip->BevelEdges({1, 2}, 0.1f, 100);
    ExpectClosed(*strip);
    // The strip is new, the two end faces are cut to pentagons; the rest keep their data.
    EXPECT_EQ(CornerCounts(*strip), (Ints{4, 4, 4, 4, 4, 5, 5}));
    EXPECT_EQ(AppData(*strip), (Ints{5, 5, 5, 5, 1, 0, 0}));
    const VgxVector n = strip->GetFace(4)->GetFaceNormal();
    EXPECT_TRUE(Near({0, n.Y, n.Z}, {0, std::sqrt(0.5f), std::sqrt(0.5f)}, 1e-5f));
    for (const VgxVector& p : Corners(*strip, 4)) EXPECT_NEAR(p.Y + p.Z, 1.9f, 1e-5f);  // the chamfer plane
}

TEST_F(Bevel, BadInputChangesNothing) {
    auto marked = Cube(5);
    for (float bevel : {0.0f, -0.1f, kNaN, 1.0f, 2.0f}) {
        ExpectRefused(*marked, 5, [&] { marked->BevelPoints({6}, bevel); });
        ExpectRefused(*marked, 5, [&] { marked->BevelEdges({1, 2}, bevel, 100); });
    }
    // Two cuts on one side need it longer than twice the distance.
    ExpectRefused(*marked, 5, [&] { marked->BevelPoints({6, 7}, 0.5f); });
    for (const Ints& points : {Ints{8}, Ints{-1}})
        ExpectRefused(*marked, 9, [&] { marked->BevelPoints(points, 0.1f); });
    for (const Ints& edges : {Ints{6, 0}, Ints{1, 4}, Ints{1, 2, 3}})
        ExpectRefused(*marked, 9, [&] { marked->BevelEdges(edges, 0.1f, 100); });
    // The same edge named from both of its faces is bevelled once.
    cube->BevelEdges({1, 2, 4, 2}, 0.1f, 100);
    marked->BevelEdges({1, 2}, 0.1f, 100);
    EXPECT_EQ(cube->GetFaceCount(), marked->GetFaceCount());
}

}  // namespace
}  // namespace vgx::test
