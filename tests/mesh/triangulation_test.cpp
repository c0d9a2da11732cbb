#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "mesh/triangulation.h"
#include "support/vgx_test.h"

namespace vgx {
namespace {

using modFace::FaceTriangle;
using Tri = std::array<int32_t, 3>;
using Tris = std::vector<Tri>;

struct Point2 {
    double x, y;
};

Tris AsList(const std::vector<FaceTriangle>& triangles) {
    Tris list;
    for (const FaceTriangle& t : triangles) list.push_back({t.Corner[0], t.Corner[1], t.Corner[2]});
    return list;
}

Tris Triangulate(const std::vector<VgxVector>& rotated) {
    std::vector<FaceTriangle> triangles;
    modFace::TriangulatePolygon(rotated, triangles);
    return AsList(triangles);
}

Tris Split(const std::vector<VgxVector>& positions) {
    std::vector<FaceTriangle> triangles;
    modFace::SplitFace(positions, triangles);
    return AsList(triangles);
}

std::vector<VgxVector> InXY(const std::vector<Point2>& outline, float z = 0) {
    std::vector<VgxVector> positions;
    for (const Point2& p : outline) positions.push_back({static_cast<float>(p.x), static_cast<float>(p.y), z});
    return positions;
}

// The same outline mirrored in the X axis: wound the other way round.
std::vector<Point2> Mirrored(std::vector<Point2> outline) {
    for (Point2& p : outline) p.y = -p.y;
    return outline;
}

double SignedArea(const std::vector<Point2>& outline) {
    double twice = 0;
    for (size_t i = 0; i < outline.size(); ++i) {
        const Point2& a = outline[i];
        const Point2& b = outline[(i + 1) % outline.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

double SignedArea(const Point2& a, const Point2& b, const Point2& c) {
    return ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2;
}

// Crossing-number test, independent of the angle sum under test.
bool Contains(const std::vector<Point2>& outline, const Point2& p) {
    bool inside = false;
    for (size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
        const Point2& a = outline[i];
        const Point2& b = outline[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

// Checks that `triangles` tile the simple outline: n - 2 triangles over distinct corners, none wound
// against the outline, each of some size lying inside it, together covering exactly its area. Slivers
// of no area are let through: cutting ears can leave three corners in a row on the outline, and when
// rounding makes the middle one convex it goes as an ear of its own.
void ExpectTiles(const std::vector<Point2>& outline, const Tris& triangles) {
    const double area = SignedArea(outline);
    const double sense = area > 0 ? 1 : -1;
    const double sliver = 1e-6 * std::fabs(area);
    ASSERT_EQ(triangles.size(), outline.size() - 2);
    double covered = 0;
    for (const Tri& t : triangles) {
        for (int32_t c : t) ASSERT_TRUE(c >= 0 && c < static_cast<int32_t>(outline.size())) << c;
        EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
        const Point2 &a = outline[t[0]], &b = outline[t[1]], &c = outline[t[2]];
        const double piece = SignedArea(a, b, c) * sense;
        EXPECT_GT(piece, -sliver) << "triangle " << t[0] << "," << t[1] << "," << t[2] << " is folded over";
        covered += piece;
        const Point2 centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3};
        if (piece > sliver) {
            EXPECT_TRUE(Contains(outline, centroid))
                << "triangle " << t[0] << "," << t[1] << "," << t[2] << " lies outside the outline";
        }
    }
    EXPECT_NEAR(covered, std::fabs(area), 1e-5 * std::fabs(area));
}

// Counter-clockwise seen from +Z, with the notch (1..2, 1..2) cut out of the square (0..2, 0..2) and
// the concave corner at index 3.
const std::vector<Point2> kLShape{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};

std::vector<Point2> RegularPolygon(int n, double radius, bool clockwise) {
    std::vector<Point2> outline;
    for (int k = 0; k < n; ++k) {
        const double angle = (clockwise ? -1 : 1) * 2 * M_PI * k / n;
        outline.push_back({radius * std::cos(angle), radius * std::sin(angle)});
    }
    return outline;
}

std::vector<Point2> Star(int points, double outer, double inner) {
    std::vector<Point2> outline;
    for (int k = 0; k < 2 * points; ++k) {
        const double radius = k % 2 == 0 ? outer : inner;
        const double angle = M_PI * k / points;
        outline.push_back({radius * std::cos(angle), radius * std::sin(angle)});
    }
    return outline;
}

// A comb with three teeth pointing up, counter-clockwise.
const std::vector<Point2> kComb{{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 1}, {3, 1},
                                {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};

const std::vector<Point2> kU{{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
const std::vector<Point2> kNotchedPentagon{{0, 0}, {4, 0}, {4, 3}, {2, 1}, {0, 3}};
// Two dents and no three corners in a row.
const std::vector<Point2> kIrregular{{0, 0},     {5, 0.3},   {5.4, 3.1}, {3.9, 3.3},
                                     {3.2, 1.2}, {1.7, 1.4}, {1.1, 3.6}, {-0.2, 2.9}};

// A plane through `origin` spanned by the orthonormal u and v; the face normal is u x v.
struct Plane {
    VgxVector origin, u, v;

    std::vector<VgxVector> Place(const std::vector<Point2>& outline) const {
        std::vector<VgxVector> positions;
        for (const Point2& p : outline) {
            const auto x = static_cast<float>(p.x), y = static_cast<float>(p.y);
            positions.push_back({origin.X + x * u.X + y * v.X, origin.Y + x * u.Y + y * v.Y,
                                 origin.Z + x * u.Z + y * v.Z});
        }
        return positions;
    }
};

const Plane kFacingUp{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};                // normal +Z
const Plane kFacingUpRaised{{-3, 4, 7.5f}, {1, 0, 0}, {0, 1, 0}};      // normal +Z, off the origin
const Plane kFacingDown{{0, 0, 0}, {1, 0, 0}, {0, -1, 0}};             // normal -Z
const Plane kFacingDownLowered{{2, 2, -5}, {1, 0, 0}, {0, -1, 0}};     // normal -Z, off the origin
const float kR2 = 1 / std::sqrt(2.0f), kR6 = 1 / std::sqrt(6.0f);
const Plane kTilted{{3, -2, 5}, {kR2, kR2, 0}, {-kR6, kR6, 2 * kR6}};  // normal (1, -1, 1) / sqrt(3)
const Plane kPlanes[] = {kFacingUp, kFacingUpRaised, kFacingDown, kFacingDownLowered, kTilted};

// ---------------------------------------------------------------------------------------------------
// TriangulatePolygon: outlines already turned to face (0, 0, -1), i.e. clockwise seen from +Z.

TEST(TriangulatePolygon, ConvexOutlinesAreFannedAroundTheLastCorner) {
    // The sweep cuts (n-1, 0, 1), (n-1, 1, 2), ... and the last three corners remain.
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 1}, {1, 1}, {1, 0}})), (Tris{{3, 0, 1}, {1, 2, 3}}));
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 1}, {1, 0}})), (Tris{{0, 1, 2}}));
    for (int n = 5; n <= 12; ++n) {
        Tris expected;
        for (int k = 0; k + 3 < n; ++k) expected.push_back({n - 1, k, k + 1});
        expected.push_back({n - 3, n - 2, n - 1});
        EXPECT_EQ(Triangulate(InXY(RegularPolygon(n, 2, true))), expected) << n << " corners";
    }
    // Only X and Y count: the corners' heights change nothing.
    std::vector<VgxVector> hexagon = InXY(RegularPolygon(6, 2, true));
    for (size_t i = 0; i < hexagon.size(); ++i) hexagon[i].Z = static_cast<float>(i * i) - 7;
    EXPECT_EQ(Triangulate(hexagon), Triangulate(InXY(RegularPolygon(6, 2, true))));
}

TEST(TriangulatePolygon, AppendsToTheTrianglesAlreadyThere) {
    std::vector<FaceTriangle> triangles{{{7, 8, 9}}};
    modFace::TriangulatePolygon(InXY({{0, 0}, {0, 1}, {1, 1}, {1, 0}}), triangles);
    EXPECT_EQ(AsList(triangles), (Tris{{7, 8, 9}, {3, 0, 1}, {1, 2, 3}}));
}

TEST(TriangulatePolygon, DropsCornersThatAddNothing) {
    // Corner 1 lies on the straight line from corner 0 to corner 2.
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 1}, {0, 2}, {1, 1}})), (Tris{{0, 2, 3}}));
    // ... or close enough that the two directions agree within 0.001.
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0.0004, 1}, {0, 2}, {1, 1}})), (Tris{{0, 2, 3}}));
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0.01, 1}, {0, 2}, {1, 1}})).size(), 2u);

    // Corner 2 repeats corner 1 (within 0.001): the second of the two goes.
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 1}, {0, 1}, {1, 1}, {1, 0}})), (Tris{{4, 0, 1}, {1, 3, 4}}));
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 1}, {0.0009, 1.0009}, {1, 1}, {1, 0}})), (Tris{{4, 0, 1}, {1, 3, 4}}));
    // The last corner repeats the first: corner 0 is the second of the pair.
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}})), (Tris{{4, 1, 2}, {2, 3, 4}}));

    // A spike out to (2, 2) and straight back: its tip doubles back onto the corner before it, and the
    // return corner repeats that corner.
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 1}, {1, 1}, {2, 2}, {1, 1}, {1, 0}})), (Tris{{5, 0, 1}, {1, 2, 5}}));

    // Nothing is left of a line, a point, or an outline of fewer than three corners.
    EXPECT_TRUE(Triangulate(InXY({{0, 0}, {0, 1}, {0, 2}, {0, 3}})).empty());
    EXPECT_TRUE(Triangulate(InXY({{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}})).empty());
    EXPECT_TRUE(Triangulate(InXY({{0, 0}, {1, 0}})).empty());
    EXPECT_TRUE(Triangulate(InXY({{0, 0}})).empty());
    EXPECT_TRUE(Triangulate({}).empty());
}

TEST(TriangulatePolygon, LShapeLeavesTheNotchUncovered) {
    // Wound clockwise, notch (1..2, 1..2). The first ear, (5, 0, 1), would run its long side straight
    // through the concave corner 3 and is refused; corner 0 sees the whole L, so the rest fans from it.
    const std::vector<Point2> outline{{0, 0}, {0, 2}, {1, 2}, {1, 1}, {2, 1}, {2, 0}};
    const Tris triangles = Triangulate(InXY(outline));
    EXPECT_EQ(triangles, (Tris{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}}));
    ExpectTiles(outline, triangles);
    for (const Tri& t : triangles) {
        const Point2 &a = outline[t[0]], &b = outline[t[1]], &c = outline[t[2]];
        const Point2 centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3};
        EXPECT_FALSE(centroid.x > 1 && centroid.y > 1) << "covers the notch";
    }
}

TEST(TriangulatePolygon, ConcaveOutlinesAreTiled) {
    ExpectTiles(Mirrored(kComb), Triangulate(InXY(Mirrored(kComb))));
    ExpectTiles(Mirrored(Star(5, 2, 0.8)), Triangulate(InXY(Mirrored(Star(5, 2, 0.8)))));
    ExpectTiles(Mirrored(Star(16, 10, 9)), Triangulate(InXY(Mirrored(Star(16, 10, 9)))));
    // A thin kite is cut along its short diagonal: the long one would pass within 0.01 of corner 2,
    // which the first, widest inside test counts as touching.
    const std::vector<Point2> kite{{1, 0.01}, {2, 0}, {1, -0.01}, {0, 0}};
    const Tris cut = Triangulate(InXY(kite));
    EXPECT_EQ(cut, (Tris{{0, 1, 2}, {0, 2, 3}}));
    ExpectTiles(kite, cut);
}

TEST(TriangulatePolygon, OutlineWithoutEarsIsFannedAsItStands) {
    // Wound the wrong way round, no corner is convex at any tolerance: the outline is fanned from its
    // first corner once the smallest tolerance cuts nothing either.
    EXPECT_EQ(Triangulate(InXY(RegularPolygon(5, 1, false))), (Tris{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
    // A self-intersecting outline still gives one triangle per kept corner beyond two.
    const Tris bowTie = Triangulate(InXY({{0, 0}, {0, 2}, {2, 0}, {2, 2}, {1, 3}}));
    EXPECT_EQ(bowTie.size(), 3u);
}

TEST(TriangulatePolygon, ScratchListsStartAfreshOnEveryThread) {
    const std::vector<VgxVector> quad = InXY({{0, 0}, {0, 1}, {1, 1}, {1, 0}});
    const std::vector<VgxVector> star = InXY(Mirrored(Star(12, 3, 1)));
    const Tris starTriangles = Triangulate(star);
    EXPECT_EQ(Triangulate(quad), (Tris{{3, 0, 1}, {1, 2, 3}}));  // right after a larger outline
    std::vector<std::thread> threads;
    std::array<int, 4> mismatches{};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                if (Triangulate(star) != starTriangles) ++mismatches[t];
                if (Triangulate(quad) != Tris{{3, 0, 1}, {1, 2, 3}}) ++mismatches[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, (std::array<int, 4>{}));
}

TEST(TriangulatePolygon, PositionsThatAreNotNumbersRaiseAndLeaveTheListAlone) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {nan, inf}) {
        std::vector<VgxVector> pentagon = InXY(RegularPolygon(5, 1, true));
        pentagon[2].X = bad;
        std::vector<FaceTriangle> triangles{{{7, 8, 9}}};
        test::ExpectVgxError([&] { modFace::TriangulatePolygon(pentagon, triangles); }, 5, "modFace",
                             "Invalid procedure call or argument");
        EXPECT_EQ(AsList(triangles), (Tris{{7, 8, 9}}));
    }
}

// ---------------------------------------------------------------------------------------------------
// SplitFace

TEST(SplitFace, EvenFacesAreFannedFromCornerZero) {
    EXPECT_EQ(Split(kTilted.Place({{0, 0}, {1, 0}, {1, 1}, {0, 1}})), (Tris{{0, 1, 2}, {0, 2, 3}}));
    EXPECT_EQ(Split(kFacingDown.Place(RegularPolygon(5, 3, false))), (Tris{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
    EXPECT_EQ(Split(kTilted.Place(RegularPolygon(7, 3, false))),
              (Tris{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}}));
    // Collinear corners have no normal at all: all alike, so even.
    EXPECT_EQ(Split({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}), (Tris{{0, 1, 2}, {0, 2, 3}}));
    // A triangle is itself; fewer corners give nothing.
    EXPECT_EQ(Split({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), (Tris{{0, 1, 2}}));
    EXPECT_TRUE(Split({{0, 0, 0}, {1, 0, 0}}).empty());
    EXPECT_TRUE(Split({}).empty());
    // Triangles already in the list stay.
    std::vector<FaceTriangle> triangles{{{7, 8, 9}}};
    modFace::SplitFace(kFacingUp.Place({{0, 0}, {1, 0}, {1, 1}, {0, 1}}), triangles);
    modFace::SplitFace({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, triangles);
    EXPECT_EQ(AsList(triangles), (Tris{{7, 8, 9}, {0, 1, 2}, {0, 2, 3}, {0, 1, 2}}));
}

TEST(SplitFace, UnevenQuadsAreFannedFromTheMostFoldedCorner) {
    // A dart: its concave corner 2 bends against the face normal, so the diagonal must start there.
    const std::vector<Point2> dart{{0.5, 1}, {0, 0}, {2, 1}, {0, 2}};
    const std::vector<Point2> dartConcaveAt2{{2, 1}, {0, 2}, {0.5, 1}, {0, 0}};
    for (const Plane& plane : kPlanes) {
        const Tris split = Split(plane.Place(dartConcaveAt2));
        EXPECT_EQ(split, (Tris{{2, 3, 0}, {2, 0, 1}}));
        ExpectTiles(dartConcaveAt2, split);
        EXPECT_EQ(Split(plane.Place(dart)), (Tris{{0, 1, 2}, {0, 2, 3}}));
    }
    // Corner 1 lifted out of the unit square. The corner normals are (-1, 0, 1)/sqrt 2, (-1, 1, 1)/sqrt 3,
    // (0, 1, 1)/sqrt 2 and (0, 0, 1); corner 3's leans least towards their mean.
    EXPECT_EQ(Split({{0, 0, 0}, {1, 0, 1}, {1, 1, 0}, {0, 1, 0}}), (Tris{{3, 0, 1}, {3, 1, 2}}));
    EXPECT_EQ(Split({{0, 1, 0}, {0, 0, 0}, {1, 0, 1}, {1, 1, 0}}), (Tris{{0, 1, 2}, {0, 2, 3}}));
    // A saddle: all four corners fold equally far and the first of them wins.
    EXPECT_EQ(Split({{0, 0, 0.5f}, {1, 0, 0}, {1, 1, 0.5f}, {0, 1, 0}}), (Tris{{0, 1, 2}, {0, 2, 3}}));
}

TEST(SplitFace, ConcaveFacesAreCutIntoEarsWhereverTheyLie) {
    // The L gives the same four triangles whichever way it faces and wherever its plane lies, flat on
    // the ground facing up or down included.
    for (const Plane& plane : kPlanes) {
        const Tris split = Split(plane.Place(kLShape));
        EXPECT_EQ(split, (Tris{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}}));
        ExpectTiles(kLShape, split);
    }
    // Facing down, the face needs no turning; facing up, it is turned half a turn about X.
    EXPECT_EQ(Split(kFacingDown.Place(kIrregular)), Triangulate(kFacingDown.Place(kIrregular)));
    EXPECT_EQ(Split(kFacingUp.Place(kIrregular)), Triangulate(InXY(Mirrored(kIrregular))));

    for (const Plane& plane : kPlanes) {
        ExpectTiles(kComb, Split(plane.Place(kComb)));
        ExpectTiles(kIrregular, Split(plane.Place(kIrregular)));
        ExpectTiles(kU, Split(plane.Place(kU)));
        ExpectTiles(kNotchedPentagon, Split(plane.Place(kNotchedPentagon)));
    }
}

TEST(SplitFace, PositionsThatAreNotNumbersRaiseAndLeaveTheListAlone) {
    std::vector<VgxVector> pentagon = kTilted.Place(RegularPolygon(5, 1, false));
    pentagon[3].Y = std::numeric_limits<float>::quiet_NaN();
    std::vector<FaceTriangle> triangles{{{7, 8, 9}}};
    test::ExpectVgxError([&] { modFace::SplitFace(pentagon, triangles); }, 5, "modFace",
                         "Invalid procedure call or argument");
    EXPECT_EQ(AsList(triangles), (Tris{{7, 8, 9}}));
}

// ---------------------------------------------------------------------------------------------------
// PointInPolygon

TEST(PointInPolygon, AngleSumDecidesWithinTheTolerance) {
    const std::vector<VgxVector> triangle{{0, 0, 0}, {0, 2, 0}, {2, 0, 0}};
    const float tolerances[] = {0.1f, 0.01f, 0.001f, 0.0001f};
    for (float tolerance : tolerances) {
        // The centroid, and a point on a side (half a turn seen from there), are inside.
        EXPECT_TRUE(modFace::PointInPolygon(triangle, {2.0f / 3, 2.0f / 3, 0}, true, tolerance));
        EXPECT_TRUE(modFace::PointInPolygon(triangle, {1, 0, 0}, true, tolerance));
        // A corner, or a point within 0.0001 of one, is outside when corners are excluded.
        for (const VgxVector& corner : triangle) {
            EXPECT_FALSE(modFace::PointInPolygon(triangle, corner, true, tolerance));
            EXPECT_FALSE(modFace::PointInPolygon(triangle, {corner.X + 0.00005f, corner.Y, corner.Z}, true, tolerance));
        }
        EXPECT_FALSE(modFace::PointInPolygon(triangle, {3, 3, 0}, true, tolerance));
        EXPECT_FALSE(modFace::PointInPolygon(triangle, {-0.5f, 1, 0}, false, tolerance));
        // Off the plane, above the centroid.
        EXPECT_FALSE(modFace::PointInPolygon(triangle, {2.0f / 3, 2.0f / 3, 1}, false, tolerance));
    }
    // 0.0014 beyond the long side the angle sum falls short of a full turn by about 0.004.
    const VgxVector nearSide{1.001f, 1.001f, 0};
    EXPECT_TRUE(modFace::PointInPolygon(triangle, nearSide, true, 0.1f));
    EXPECT_TRUE(modFace::PointInPolygon(triangle, nearSide, true, 0.01f));
    EXPECT_FALSE(modFace::PointInPolygon(triangle, nearSide, true, 0.001f));
    EXPECT_FALSE(modFace::PointInPolygon(triangle, nearSide, true, 0.0001f));

    // Polygons of more corners (the angles are unsigned, so convex ones): only corners 0 to 2 are ever
    // excluded, the others are simply not inside.
    const std::vector<VgxVector> pentagon = InXY(RegularPolygon(5, 2, false));
    EXPECT_TRUE(modFace::PointInPolygon(pentagon, {0, 0, 0}, true, 0.0001f));
    EXPECT_TRUE(modFace::PointInPolygon(pentagon, {1.5f, 0.2f, 0}, true, 0.0001f));
    EXPECT_FALSE(modFace::PointInPolygon(pentagon, {2.5f, 0, 0}, true, 0.1f));
    EXPECT_FALSE(modFace::PointInPolygon(pentagon, pentagon[2], true, 0.1f));
    EXPECT_FALSE(modFace::PointInPolygon(pentagon, pentagon[3], true, 0.1f));
}

TEST(PointInPolygon, RaisesForTooFewCornersAndForNonNumbers) {
    for (size_t corners = 0; corners < 3; ++corners) {
        const std::vector<VgxVector> polygon(corners, VgxVector{1, 1, 0});
        test::ExpectVgxError([&] { modFace::PointInPolygon(polygon, {0, 0, 0}, false, 0.1f); }, 9, "modFace",
                             "Subscript out of range");
        test::ExpectVgxError([&] { modFace::PointInPolygon(polygon, {1, 1, 0}, true, 0.1f); }, 9, "modFace",
                             "Subscript out of range");
    }
    // The angles cannot be taken: the arc cosine's error, raised on by this module.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<VgxVector> triangle{{0, 0, 0}, {0, 2, 0}, {2, 0, 0}};
    test::ExpectVgxError([&] { modFace::PointInPolygon(triangle, {nan, 0.5f, 0}, true, 0.1f); }, 5, "modFace",
                         "Invalid procedure call or argument");
    test::ExpectVgxError([&] { modFace::PointInPolygon(triangle, {0.5f, 0.5f, inf}, false, 0.1f); }, 5, "modFace",
                         "Invalid procedure call or argument");
    const std::vector<VgxVector> broken{{0, 0, 0}, {0, 2, 0}, {2, nan, 0}};
    test::ExpectVgxError([&] { modFace::PointInPolygon(broken, {0.5f, 0.5f, 0}, true, 0.1f); }, 5, "modFace",
                         "Invalid procedure call or argument");
}

}  // namespace
}  // namespace vgx
