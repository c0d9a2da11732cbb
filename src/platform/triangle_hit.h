#pragma once
// The ray-triangle test shared by the hierarchy and the plain scan, so both agree bit
// for bit: a triangle is its first vertex and two float edges, tested in double.
#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Two triangles at once, each lane the very operations of the scalar Möller-Trumbore
// test in double. Bit k of the result is set when triangle k is hit at t >= 0.
inline int HitPair(const Triangle& a, const Triangle& b, const Ray& ray, double t[2], double u[2], double v[2]) {
    const auto pair = [](float x, float y) { return _mm_set_pd(y, x); };
    const auto cross = [](const __m128d x[3], const __m128d y[3], __m128d out[3]) {
        out[0] = _mm_sub_pd(_mm_mul_pd(x[1], y[2]), _mm_mul_pd(x[2], y[1]));
        out[1] = _mm_sub_pd(_mm_mul_pd(x[2], y[0]), _mm_mul_pd(x[0], y[2]));
        out[2] = _mm_sub_pd(_mm_mul_pd(x[0], y[1]), _mm_mul_pd(x[1], y[0]));
    };
    const auto dot = [](const __m128d x[3], const __m128d y[3]) {
        return _mm_add_pd(_mm_add_pd(_mm_mul_pd(x[0], y[0]), _mm_mul_pd(x[1], y[1])), _mm_mul_pd(x[2], y[2]));
    };
    const __m128d e1[3] = {pair(a.e1.x, b.e1.x), pair(a.e1.y, b.e1.y), pair(a.e1.z, b.e1.z)};
    const __m128d e2[3] = {pair(a.e2.x, b.e2.x), pair(a.e2.y, b.e2.y), pair(a.e2.z, b.e2.z)};
    const __m128d d[3] = {_mm_set1_pd(ray.d[0]), _mm_set1_pd(ray.d[1]), _mm_set1_pd(ray.d[2])};
    const __m128d s[3] = {_mm_sub_pd(_mm_set1_pd(ray.o[0]), pair(a.p0.x, b.p0.x)),
                          _mm_sub_pd(_mm_set1_pd(ray.o[1]), pair(a.p0.y, b.p0.y)),
                          _mm_sub_pd(_mm_set1_pd(ray.o[2]), pair(a.p0.z, b.p0.z))};
    __m128d p[3], q[3];
    cross(d, e2, p);
    cross(s, e1, q);
    const __m128d det = dot(e1, p);
    const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0);
    const __m128d inv = _mm_div_pd(one, det);
    const __m128d uu = _mm_mul_pd(dot(s, p), inv), vv = _mm_mul_pd(dot(d, q), inv), tt = _mm_mul_pd(dot(e2, q), inv);
    // A zero or NaN determinant (parallel, degenerate) fails the first test, NaN any.
    __m128d hit = _mm_cmpgt_pd(_mm_andnot_pd(_mm_set1_pd(-0.0), det), zero);
    hit = _mm_and_pd(hit, _mm_and_pd(_mm_cmpge_pd(uu, zero), _mm_cmple_pd(uu, one)));
    hit = _mm_and_pd(hit, _mm_and_pd(_mm_cmpge_pd(vv, zero), _mm_cmple_pd(_mm_add_pd(uu, vv), one)));
    hit = _mm_and_pd(hit, _mm_cmpge_pd(tt, zero));
    _mm_storeu_pd(t, tt);
    _mm_storeu_pd(u, uu);
    _mm_storeu_pd(v, vv);
    return _mm_movemask_pd(hit);
}
#else
// Möller-Trumbore in double.
inline bool HitTriangle(const Triangle& tri, const Ray& ray, double& t, double& u, double& v) {
    const double e1[3] = {tri.e1.x, tri.e1.y, tri.e1.z}, e2[3] = {tri.e2.x, tri.e2.y, tri.e2.z};
    const double* d = ray.d;
    const double p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
    const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
    if (!(std::fabs(det) > 0.0)) return false;  // parallel, degenerate or NaN
    const double inv = 1.0 / det;
    const double s[3] = {ray.o[0] - tri.p0.x, ray.o[1] - tri.p0.y, ray.o[2] - tri.p0.z};
    u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) * inv;
    if (!(u >= 0.0 && u <= 1.0)) return false;
    const double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) * inv;
    if (!(v >= 0.0 && u + v <= 1.0)) return false;
    t = (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) * inv;
    return t >= 0.0;
}
#endif

// Offers triangles tri[0 .. count) to `best`; true when it changed. The hierarchy and
// the plain scan both test through here, so they agree bit for bit on any machine.
inline bool OfferTriangles(Candidate& best, const Triangle* tri, int32_t count, const Ray& ray) {
    bool improved = false;
#if defined(__SSE2__)
    for (int32_t k = 0; k < count; k += 2) {
        const bool single = k + 1 == count;
        const Triangle& second = tri[single ? k : k + 1];
        double t[2], u[2], v[2];
        const int hits = HitPair(tri[k], second, ray, t, u, v);
        if (hits & 1) improved |= Keep(best, tri[k].index, t[0], u[0], v[0]);
        if ((hits & 2) && !single) improved |= Keep(best, second.index, t[1], u[1], v[1]);
    }
#else
    for (int32_t k = 0; k < count; ++k) {
        double t, u, v;
        if (HitTriangle(tri[k], ray, t, u, v)) improved |= Keep(best, tri[k].index, t, u, v);
    }
#endif
    return improved;
}

inline MeshHit Result(const Candidate& best) {
    if (!best.hit) return {};
    return {true, best.index, static_cast<float>(best.u), static_cast<float>(best.v), static_cast<float>(best.t)};
}

}  // namespace vgx::platform
