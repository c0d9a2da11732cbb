#include "mesh/triangulation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "base/errors.h"
#include "base/mod_math.h"
#include "base/mod_vector.h"
#include "base/retained_mode.h"

namespace vgx::modFace {
namespace {

constexpr std::string_view kSource = "modFace";

// The sum of the angles a convex outline subtends at a point inside it.
constexpr double kFullTurn = 6.283186;
// Two corners closer than this (per component) are one corner; directions closer than this are one direction.
constexpr float kStep = 0.001f;
// How far (per component) a corner normal may stray from the face normal and still be convex.
constexpr float kConvexTolerance = 0.001f;
// The face normal every outline handed to the ear cutting has been turned onto.
constexpr VgxVector kDown{0, 0, -1};
// Coordinates this small subtract without overflowing, so the angle-sum test cannot fail on them.
constexpr float kSafeCoordinate = 1e30f;

// Restores `triangles` to its length on entry unless the triangles appended since are committed, so a
// failed split leaves the caller's list as it was.
class AppendGuard {
public:
    explicit AppendGuard(std::vector<FaceTriangle>& triangles) : triangles_(triangles), mark_(triangles.size()) {}
    AppendGuard(const AppendGuard&) = delete;
    AppendGuard& operator=(const AppendGuard&) = delete;
    ~AppendGuard() {
        if (!committed_) triangles_.resize(mark_);
    }
    void Commit() { committed_ = true; }

private:
    std::vector<FaceTriangle>& triangles_;
    size_t mark_;
    bool committed_ = false;
};

// Working lists of the ear cutting, kept per thread so that splitting millions of faces allocates only
// while the largest face seen so far grows.
struct EarScratch {
    std::vector<VgxVector> keptPositions;  // every corner that survived cleaning, Z = 0; never shrinks
    std::vector<int32_t> keptCorners;      // their positions in the face
    std::vector<VgxVector> outline;        // the outline still to be cut
    std::vector<int32_t> outlineCorners;
    std::vector<VgxVector> ear = std::vector<VgxVector>(3);
};

EarScratch& Scratch() {
    thread_local EarScratch scratch;
    return scratch;
}

std::vector<VgxVector>& RotatedScratch() {
    thread_local std::vector<VgxVector> rotated;
    return rotated;
}

VgxVector Flat(const VgxVector& v) { return {v.X, v.Y, 0}; }

// Unit direction from `from` to `to` in the XY plane; the zero vector for steps too short to have one.
VgxVector Direction2D(const VgxVector& from, const VgxVector& to) {
    VgxVector d{to.X - from.X, to.Y - from.Y, 0};
    if (!(std::fabs(d.X) > kStep) && !(std::fabs(d.Y) > kStep)) return {0, 0, 0};
    rm::VectorNormalize(d, d);
    return d;
}

bool InsideByAngleSum(const std::vector<VgxVector>& polygon, const VgxVector& p, bool excludeCorners,
                      float tolerance) {
    using modVector::VectorsEqual;
    if (excludeCorners && (VectorsEqual(p, polygon[0]) || VectorsEqual(p, polygon[1]) || VectorsEqual(p, polygon[2])))
        return false;
    const size_t count = polygon.size();
    double sum = 0;
    for (size_t k = 0; k < count; ++k) {
        const VgxVector& a = polygon[k];
        const VgxVector& b = polygon[k + 1 == count ? 0 : k + 1];
        VgxVector toA{a.X - p.X, a.Y - p.Y, a.Z - p.Z};
        VgxVector toB{b.X - p.X, b.Y - p.Y, b.Z - p.Z};
        rm::VectorNormalize(toA, toA);
        rm::VectorNormalize(toB, toB);
        sum += modMath::ArcCos(rm::VectorDotProduct(toA, toB));
    }
    return static_cast<float>(std::fabs(sum - kFullTurn)) <= tolerance;
}

// A cheap reject for the inside test of an ear: a point further than a quarter of the ear's size beyond
// its bounding box sees the ear within an angle of at most 2 atan(4) (about 2.65), so its angle sum is at
// most 5.31, far below a full turn less the largest tolerance (6.18). The exact test would say "outside"
// too; points it could fail on (not finite, or large enough to overflow) are left to it.
class EarBounds {
public:
    explicit EarBounds(const std::vector<VgxVector>& ear) {
        float minX = ear[0].X, maxX = ear[0].X, minY = ear[0].Y, maxY = ear[0].Y;
        for (size_t k = 1; k < 3; ++k) {
            minX = std::min(minX, ear[k].X);
            maxX = std::max(maxX, ear[k].X);
            minY = std::min(minY, ear[k].Y);
            maxY = std::max(maxY, ear[k].Y);
        }
        usable_ = Safe(minX) && Safe(maxX) && Safe(minY) && Safe(maxY);
        const float margin = std::max(maxX - minX, maxY - minY) * 0.25f;
        loX_ = minX - margin;
        hiX_ = maxX + margin;
        loY_ = minY - margin;
        hiY_ = maxY + margin;
    }

    bool ClearlyOutside(const VgxVector& p) const {
        if (!usable_ || !Safe(p.X) || !Safe(p.Y)) return false;
        return p.X < loX_ || p.X > hiX_ || p.Y < loY_ || p.Y > hiY_;
    }

private:
    static bool Safe(float v) { return std::fabs(v) <= kSafeCoordinate; }  // false for NaN

    bool usable_;
    float loX_, hiX_, loY_, hiY_;
};

// Corner i of the outline can be cut off when it is convex and no other kept corner lies inside the
// triangle it makes with its neighbours.
bool IsEar(EarScratch& s, size_t i, float tolerance) {
    const size_t count = s.outline.size();
    const size_t before = i == 0 ? count - 1 : i - 1;
    const size_t after = i + 1 == count ? 0 : i + 1;
    const VgxVector normal = modVector::PolygonCornerNormal(s.outline, static_cast<int32_t>(i));
    if (!modVector::VectorsEqualWithin(normal, kDown, kConvexTolerance)) return false;

    s.ear[0] = s.outline[before];
    s.ear[1] = s.outline[i];
    s.ear[2] = s.outline[after];
    const int32_t c0 = s.outlineCorners[before], c1 = s.outlineCorners[i], c2 = s.outlineCorners[after];
    const EarBounds bounds(s.ear);
    for (size_t k = 0; k < s.keptPositions.size(); ++k) {
        const int32_t corner = s.keptCorners[k];
        if (corner == c0 || corner == c1 || corner == c2) continue;
        const VgxVector& p = s.keptPositions[k];
        if (bounds.ClearlyOutside(p)) continue;
        if (InsideByAngleSum(s.ear, p, true, tolerance)) return false;
    }
    return true;
}

void CutEars(const std::vector<VgxVector>& positions, std::vector<FaceTriangle>& triangles) {
    const size_t n = positions.size();
    if (n < 3) return;
    EarScratch& s = Scratch();
    s.keptPositions.clear();
    s.keptCorners.clear();

    // Drop corners that add nothing to the outline: a repeat of the previous kept corner, a corner on the
    // straight line through it, and the tip of a spike that doubles straight back.
    VgxVector prev = Flat(positions[n - 1]);
    VgxVector dirIn = Direction2D(positions[n - 1], positions[0]);
    for (size_t i = 0; i < n; ++i) {
        const VgxVector here = Flat(positions[i]);
        const VgxVector next = Flat(positions[i + 1 == n ? 0 : i + 1]);
        const VgxVector dirOut = Direction2D(here, next);
        if (modVector::VectorsEqualWithin(here, prev, kStep) || modVector::VectorsEqualWithin(dirOut, dirIn, kStep) ||
            modVector::VectorsEqualWithin(prev, next, kStep))
            continue;
        s.keptPositions.push_back(here);
        s.keptCorners.push_back(static_cast<int32_t>(i));
        prev = here;
        dirIn = dirOut;
    }
    if (s.keptPositions.size() < 3) return;
    s.outline.assign(s.keptPositions.begin(), s.keptPositions.end());
    s.outlineCorners.assign(s.keptCorners.begin(), s.keptCorners.end());

    // Cut ears while any can be cut, strict inside test first, so that ears that would graze another
    // corner are left until no cleaner ear remains. The smallest tolerance is kept until a sweep cuts
    // nothing.
    constexpr float kSmallest = 0.0001f;
    float tolerance = kSmallest * 1000;
    bool progress = true;
    while (s.outline.size() >= 4) {
        if (!progress) break;
        progress = false;
        size_t i = 0;
        while (i < s.outline.size() && s.outline.size() >= 4) {
            if (!IsEar(s, i, tolerance)) {
                ++i;
                continue;
            }
            const size_t count = s.outline.size();
            const size_t before = i == 0 ? count - 1 : i - 1;
            const size_t after = i + 1 == count ? 0 : i + 1;
            triangles.push_back({{s.outlineCorners[before], s.outlineCorners[i], s.outlineCorners[after]}});
            s.outline.erase(s.outline.begin() + static_cast<std::ptrdiff_t>(i));
            s.outlineCorners.erase(s.outlineCorners.begin() + static_cast<std::ptrdiff_t>(i));
            progress = true;  // the following corner has moved into i: try it next
        }
        if (std::fabs(tolerance - kSmallest) <= kSmallest) continue;
        if (!progress) {
            tolerance /= 10;
            progress = true;
        }
    }

    // What is left is a triangle, or an outline no ear can be cut from (it crosses itself): fan it.
    const std::vector<int32_t>& rest = s.outlineCorners;
    for (size_t k = 0; k + 2 < rest.size(); ++k) triangles.push_back({{rest[0], rest[k + 1], rest[k + 2]}});
}

}  // namespace

void TriangulatePolygon(const std::vector<VgxVector>& rotatedPositions, std::vector<FaceTriangle>& triangles) {
    Trap(kSource, [&] {
        AppendGuard guard(triangles);
        CutEars(rotatedPositions, triangles);
        guard.Commit();
    });
}

void SplitFace(const std::vector<VgxVector>& cornerPositions, std::vector<FaceTriangle>& triangles) {
    Trap(kSource, [&] {
        const size_t n = cornerPositions.size();
        if (n < 3) return;
        if (n == 3) {
            triangles.push_back({{0, 1, 2}});
            return;
        }
        AppendGuard guard(triangles);

        // The face is even (planar and convex) when every corner bends the same way as corner 0.
        VgxVector quadNormals[4];
        VgxVector first{};
        VgxVector sum{0, 0, 0};
        bool uneven = false;
        for (size_t i = 0; i < n; ++i) {
            const VgxVector normal = modVector::PolygonCornerNormal(cornerPositions, static_cast<int32_t>(i));
            if (i == 0)
                first = normal;
            else if (!modVector::VectorsEqual(normal, first))
                uneven = true;
            if (n == 4) quadNormals[i] = normal;
            sum = {sum.X + normal.X, sum.Y + normal.Y, sum.Z + normal.Z};
        }

        if (!uneven) {
            for (size_t k = 0; k + 2 < n; ++k)
                triangles.push_back({{0, static_cast<int32_t>(k + 1), static_cast<int32_t>(k + 2)}});
            guard.Commit();
            return;
        }

        VgxVector faceNormal = sum;
        if (sum.X != 0 || sum.Y != 0 || sum.Z != 0) rm::VectorNormalize(faceNormal, sum);

        if (n == 4) {
            // The diagonal from the most folded corner: the one bending furthest away from the face normal.
            float lowest = 1e14f;
            int32_t s = 0;
            for (int32_t k = 0; k < 4; ++k) {
                const float dot = rm::VectorDotProduct(quadNormals[k], faceNormal);
                if (dot < lowest) {
                    lowest = dot;
                    s = k;
                }
            }
            triangles.push_back({{s, (s + 1) % 4, (s + 2) % 4}});
            triangles.push_back({{s, (s + 2) % 4, (s + 3) % 4}});
            guard.Commit();
            return;
        }

        std::vector<VgxVector>& rotated = RotatedScratch();
        rotated.resize(n);
        modVector::RotateVectorList(cornerPositions, kDown, rotated, faceNormal);
        CutEars(rotated, triangles);
        guard.Commit();
    });
}

}  // namespace vgx::modFace
