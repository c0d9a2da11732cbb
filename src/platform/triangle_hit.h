#pragma once
// The ray-triangle test shared by the hierarchy and the plain scan, so both agree bit
// for bit: a triangle is its first vertex and two float edges, tested in double.
#include <cmath>
#include <cstddef>
#include <cstdint>

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

// Keeps the nearest (t, triangle index) pair; true when `best` changed.
inline bool Offer(Candidate& best, const Triangle& tri, const Ray& ray) {
    double t, u, v;
    if (!HitTriangle(tri, ray, t, u, v)) return false;
    if (best.hit && (t > best.t || (t == best.t && tri.index > best.index))) return false;
    best = {true, tri.index, t, u, v};
    return true;
}

inline MeshHit Result(const Candidate& best) {
    if (!best.hit) return {};
    return {true, best.index, static_cast<float>(best.u), static_cast<float>(best.v), static_cast<float>(best.t)};
}

}  // namespace vgx::platform
