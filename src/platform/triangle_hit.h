#pragma once
// The ray-triangle test shared by the hierarchy and the plain scan, so both agree bit
// for bit: a triangle is its first vertex and two float edges, tested in double.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "base/simd.h"
#include "platform/mesh_intersect.h"

namespace vgx::platform {

struct Vec3 {
    float x, y, z;
};
inline Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// The edges are the float differences of the corners, whoever computes them.
struct Triangle {
    Vec3 p0, e1, e2;
    int32_t index;
};

inline Triangle MakeTriangle(const MeshTriangles& mesh, int32_t t) {
    const float* p = mesh.positions.data();
    const uint32_t* i = mesh.indices.data() + 3 * static_cast<size_t>(t);
    const Vec3 a{p[3 * i[0]], p[3 * i[0] + 1], p[3 * i[0] + 2]};
    const Vec3 b{p[3 * i[1]], p[3 * i[1] + 1], p[3 * i[1] + 2]};
    const Vec3 c{p[3 * i[2]], p[3 * i[2] + 1], p[3 * i[2] + 2]};
    return {a, Sub(b, a), Sub(c, a), t};
}

// Both sides count; t >= 0 only. Computed in double: rays that graze a triangle
// make the float form wander far enough off the triangle to leave its box, and the
// hierarchy would then disagree with a plain scan.
struct Candidate {
    bool hit = false;
    int32_t index = -1;
    double t = 0, u = 0, v = 0;
};

struct Ray {
    double o[3], d[3];
};

// Keeps the nearest (t, triangle index) pair; true when `best` changed.
inline bool Keep(Candidate& best, int32_t index, double t, double u, double v) {
    if (best.hit && (t > best.t || (t == best.t && index > best.index))) return false;
    best = {true, index, t, u, v};
    return true;
}

// Möller-Trumbore in double for two triangles at once. Bit k of the result is set
// when triangle k is hit at t >= 0.
inline int HitPair(const Triangle& a, const Triangle& b, const Ray& ray, double t[2], double u[2], double v[2]) {
    using simd::Double2;
    const auto cross = [](const Double2 x[3], const Double2 y[3], Double2 out[3]) {
        out[0] = x[1] * y[2] - x[2] * y[1];
        out[1] = x[2] * y[0] - x[0] * y[2];
        out[2] = x[0] * y[1] - x[1] * y[0];
    };
    const auto dot = [](const Double2 x[3], const Double2 y[3]) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
    using simd::Pair, simd::Splat;
    const Double2 e1[3] = {Pair(a.e1.x, b.e1.x), Pair(a.e1.y, b.e1.y), Pair(a.e1.z, b.e1.z)};
    const Double2 e2[3] = {Pair(a.e2.x, b.e2.x), Pair(a.e2.y, b.e2.y), Pair(a.e2.z, b.e2.z)};
    const Double2 d[3] = {Splat(ray.d[0]), Splat(ray.d[1]), Splat(ray.d[2])};
    const Double2 s[3] = {Splat(ray.o[0]) - Pair(a.p0.x, b.p0.x), Splat(ray.o[1]) - Pair(a.p0.y, b.p0.y),
                          Splat(ray.o[2]) - Pair(a.p0.z, b.p0.z)};
    Double2 p[3], q[3];
    cross(d, e2, p);
    cross(s, e1, q);
    const Double2 det = dot(e1, p);
    const Double2 inv = Splat(1.0) / det;
    const Double2 uu = dot(s, p) * inv, vv = dot(d, q) * inv, tt = dot(e2, q) * inv;
    const Double2 zero = Splat(0.0), one = Splat(1.0);
    // A zero or NaN determinant (parallel or degenerate triangle) fails the first
    // test; a NaN anywhere fails one of them.
    const Double2 hit =
        (simd::Abs(det) > zero) & (uu >= zero) & (uu <= one) & (vv >= zero) & (uu + vv <= one) & (tt >= zero);
    simd::Store(t, tt);
    simd::Store(u, uu);
    simd::Store(v, vv);
    return simd::Bits(hit);
}

// Offers triangles tri[0 .. count) to `best`; true when it changed. The hierarchy and
// the plain scan both test through here, so they agree bit for bit on any machine.
inline bool OfferTriangles(Candidate& best, const Triangle* tri, int32_t count, const Ray& ray) {
    bool improved = false;
    for (int32_t k = 0; k < count; k += 2) {
        const bool single = k + 1 == count;
        const Triangle& second = tri[single ? k : k + 1];
        double t[2], u[2], v[2];
        const int hits = HitPair(tri[k], second, ray, t, u, v);
        if (hits & 1) improved |= Keep(best, tri[k].index, t[0], u[0], v[0]);
        if ((hits & 2) && !single) improved |= Keep(best, second.index, t[1], u[1], v[1]);
    }
    return improved;
}

inline MeshHit Result(const Candidate& best) {
    if (!best.hit) return {};
    return {true, best.index, static_cast<float>(best.u), static_cast<float>(best.v), static_cast<float>(best.t)};
}

}  // namespace vgx::platform
