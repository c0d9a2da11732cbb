#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "mesh/triangulation.h"

namespace vgx {
namespace {

using modFace::FaceTriangle;
using Tri = std::array<int32_t, 3>;
using Tris = std::vector<Tri>;
using Cut = void (*)(const std::vector<VgxVector>&, std::vector<FaceTriangle>&);

struct Point2 {
    double x, y;
};

Tris AsList(const std::vector<FaceTriangle>& triangles) {
    Tris list;
    for (const FaceTriangle& t : triangles) list.push_back({t.Corner[0], t.Corner[1], t.Corner[2]});
    return list;
}

Tris Apply(Cut cut, const std::vector<VgxVector>& positions, std::vector<FaceTriangle> triangles = {}) {
    cut(positions, triangles);
    return AsList(triangles);
}
Tris Triangulate(const std::vector<VgxVector>& rotated) { return Apply(modFace::TriangulatePolygon, rotated); }
Tris Split(const std::vector<VgxVector>& positions) { return Apply(modFace::SplitFace, positions); }

// The same outline mirrored in the X axis: wound the other way round.
std::vector<Point2> Mirrored(std::vector<Point2> outline) {
    for (Point2& p : outline) p.y = -p.y;
    return outline;
}

double SignedArea(const Point2& a, const Point2& b, const Point2& c) {
    return ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2;
}

double SignedArea(const std::vector<Point2>& outline) {
    double area = 0;
    for (size_t i = 0, n = outline.size(); i < n; ++i) area += SignedArea({0, 0}, outline[i], outline[(i + 1) % n]);
    return area;
}

// Crossing-number test, independent of the angle sum the ear cutting uses.
bool Contains(const std::vector<Point2>& outline, const Point2& p) {
    bool inside = false;
    for (size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
        const Point2 &a = outline[i], &b = outline[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

// Checks that `triangles` tile the simple outline: n - 2 triangles over distinct corners, none wound
// against the outline, each of some size lying inside it, together covering exactly its area. Slivers
// of no area are let through: cutting ears can leave three corners in a row on the outline, and when
// rounding makes the middle one convex it goes as an ear of its own.
void ExpectTiles(const std::vector<Point2>& outline, const Tris& triangles) {
    const double area = SignedArea(outline), sense = area > 0 ? 1 : -1, sliver = 1e-6 * std::fabs(area);
    ASSERT_EQ(triangles.size(), outline.size() - 2);
    double covered = 0;
    for (const Tri& t : triangles) {
        SCOPED_TRACE(testing::PrintToString(t));
        for (int32_t c : t) ASSERT_TRUE(c >= 0 && c < static_cast<int32_t>(outline.size())) << c;
        EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
        const Point2 &a = outline[t[0]], &b = outline[t[1]], &c = outline[t[2]];
        const double piece = SignedArea(a, b, c) * sense;
        EXPECT_GT(piece, -sliver) << "folded over";
        covered += piece;
        EXPECT_TRUE(piece <= sliver || Contains(outline, {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3})) << "outside";
    }
    EXPECT_NEAR(covered, std::fabs(area), 1e-5 * std::fabs(area));
}

// n corners at the angles 2 pi k / n, clockwise when `sense` is -1, their radii alternating between `even` and `odd`.
std::vector<Point2> Ring(int n, double even, double odd, int sense = 1) {
    std::vector<Point2> outline;
    for (int k = 0; k < n; ++k) {
        const double radius = k % 2 == 0 ? even : odd, angle = sense * 2 * M_PI * k / n;
        outline.push_back({radius * std::cos(angle), radius * std::sin(angle)});
    }
    return outline;
}
std::vector<Point2> RegularPolygon(int n, double radius, bool clockwise) {
    return Ring(n, radius, radius, clockwise ? -1 : 1);
}
std::vector<Point2> Star(int points, double outer, double inner) { return Ring(2 * points, outer, inner); }

// Counter-clockwise seen from +Z, with the notch (1..2, 1..2) cut out of the square (0..2, 0..2) and
// the concave corner at index 3.
const std::vector<Point2> kLShape{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
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
const Plane kFacingDown{{0, 0, 0}, {1, 0, 0}, {0, -1, 0}};             // normal -Z
std::vector<VgxVector> InXY(const std::vector<Point2>& outline) { return kFacingUp.Place(outline); }
const float kR2 = 1 / std::sqrt(2.0f), kR6 = 1 / std::sqrt(6.0f);
const Plane kTilted{{3, -2, 5}, {kR2, kR2, 0}, {-kR6, kR6, 2 * kR6}};  // normal (1, -1, 1) / sqrt(3)
// Off the origin too, facing up and down.
const Plane kPlanes[] = {kFacingUp, {{-3, 4, 7.5f}, {1, 0, 0}, {0, 1, 0}}, kFacingDown,
                         {{2, 2, -5}, {1, 0, 0}, {0, -1, 0}}, kTilted};

// ---------------------------------------------------------------------------------------------------
// TriangulatePolygon: outlines already turned to face (0, 0, -1), i.e. clockwise seen from +Z.

TEST(TriangulatePolygon, ConvexOutlinesAreFannedAroundTheLastCornerAfterTheTrianglesThere) {
    // The sweep cuts (n-1, 0, 1), (n-1, 1, 2), ... and the last three corners remain.
    for (int n = 3; n <= 12; ++n) {
        Tris expected;
        for (int k = 0; k + 3 < n; ++k) expected.push_back({n - 1, k, k + 1});
        expected.push_back({n - 3, n - 2, n - 1});
        EXPECT_EQ(Triangulate(InXY(RegularPolygon(n, 2, true))), expected) << n << " corners";
    }
    EXPECT_EQ(Apply(modFace::TriangulatePolygon, InXY({{0, 0}, {0, 1}, {1, 1}, {1, 0}}), {{{7, 8, 9}}}),
              (Tris{{7, 8, 9}, {3, 0, 1}, {1, 2, 3}}));
    // Only X and Y count: the corners' heights change nothing.
    std::vector<VgxVector> hexagon = InXY(RegularPolygon(6, 2, true));
    for (size_t i = 0; i < hexagon.size(); ++i) hexagon[i].Z = static_cast<float>(i * i) - 7;
    EXPECT_EQ(Triangulate(hexagon), Triangulate(InXY(RegularPolygon(6, 2, true))));
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
    const std::vector<Point2> line{{0, 0}, {0, 1}, {0, 2}, {0, 3}}, point(5, {1, 1});
    for (const std::vector<Point2>& nothing : {line, point, {{0, 0}, {1, 0}}, {{0, 0}}, {}})
        EXPECT_TRUE(Triangulate(InXY(nothing)).empty()) << nothing.size();
}

TEST(TriangulatePolygon, ConcaveOutlinesAreTiled) {
    // The L wound clockwise. The first ear, (5, 0, 1), would run its long side straight through the concave
    // corner 3 and is refused; corner 0 sees the whole L, so the rest fans from it, leaving the notch uncovered.
    const std::vector<Point2> outline{{0, 0}, {0, 2}, {1, 2}, {1, 1}, {2, 1}, {2, 0}};
    const Tris triangles = Triangulate(InXY(outline));
    EXPECT_EQ(triangles, (Tris{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}}));
    ExpectTiles(outline, triangles);
    for (const std::vector<Point2>& concave : {Mirrored(kComb), Mirrored(Star(5, 2, 0.8)), Mirrored(Star(16, 10, 9))})
        ExpectTiles(concave, Triangulate(InXY(concave)));
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
    EXPECT_EQ(Triangulate(InXY({{0, 0}, {0, 2}, {2, 0}, {2, 2}, {1, 3}})).size(), 3u);
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
    EXPECT_EQ(Apply(modFace::SplitFace, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, triangles),
              (Tris{{7, 8, 9}, {0, 1, 2}, {0, 2, 3}, {0, 1, 2}}));
}

TEST(SplitFace, UnevenQuadsAreFannedFromTheMostFoldedCorner) {
    // A dart: its concave corner 2 bends against the face normal, so the diagonal must start there.
    const std::vector<Point2> dart{{0.5, 1}, {0, 0}, {2, 1}, {0, 2}}, dartConcaveAt2{{2, 1}, {0, 2}, {0.5, 1}, {0, 0}};
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
        for (const auto& outline : {kComb, kIrregular, kU, kNotchedPentagon})
            ExpectTiles(outline, Split(plane.Place(outline)));
    }
    // Facing down, the face needs no turning; facing up, it is turned half a turn about X.
    EXPECT_EQ(Split(kFacingDown.Place(kIrregular)), Triangulate(kFacingDown.Place(kIrregular)));
    EXPECT_EQ(Split(kFacingUp.Place(kIrregular)), Triangulate(InXY(Mirrored(kIrregular))));
}

}  // namespace
}  // namespace vgx
