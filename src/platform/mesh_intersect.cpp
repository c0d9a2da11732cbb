// Mesh ray intersection over a bounding volume hierarchy: triangles are copied once
// into a flat array in leaf order (first vertex and two edges each, tested in double), nodes are one
// flat array with the two children of a node side by side, built by binned SAH.
#include "platform/mesh_intersect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "root/errors.h"
#include "root/finite.h"

namespace vgx::platform {
namespace {

constexpr int32_t kLeafSize = 4;
constexpr int32_t kBins = 16;
constexpr int32_t kSahDepth = 64;   // below this depth splits halve the count
constexpr int32_t kStackSize = 128;  // deeper than any tree the build makes

struct Vec3 {
    float x, y, z;
};
inline Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// A triangle as the hit test wants it; the edges are the same float differences the
// brute-force test computes, so both agree bit for bit.
struct Triangle {
    Vec3 p0, e1, e2;
    int32_t index;
};

Triangle MakeTriangle(const MeshTriangles& mesh, int32_t t) {
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

// Keeps the nearest (t, triangle index) pair.
inline void Offer(Candidate& best, const Triangle& tri, const Ray& ray) {
    double t, u, v;
    if (!HitTriangle(tri, ray, t, u, v)) return;
    if (best.hit && (t > best.t || (t == best.t && tri.index > best.index))) return;
    best = {true, tri.index, t, u, v};
}

MeshHit Result(const Candidate& best) {
    if (!best.hit) return {};
    return {true, best.index, static_cast<float>(best.u), static_cast<float>(best.v), static_cast<float>(best.t)};
}

struct Box {
    Vec3 lo{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    Vec3 hi{-std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
            -std::numeric_limits<float>::max()};
    void Grow(const Vec3& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    void Grow(const Box& b) {
        Grow(b.lo);
        Grow(b.hi);
    }
    float Area() const {
        const Vec3 e = Sub(hi, lo);
        if (e.x < 0) return 0;
        return e.x * e.y + e.y * e.z + e.z * e.x;
    }
};

inline float Axis(const Vec3& v, int a) { return a == 0 ? v.x : (a == 1 ? v.y : v.z); }

// Internal node: count 0, children at first and first + 1. Leaf: triangles
// first .. first + count - 1 of the leaf-ordered array.
struct Node {
    Vec3 lo;
    int32_t first;
    Vec3 hi;
    int32_t count;
};

struct Bvh {
    std::vector<Node> nodes;
    std::vector<Triangle> triangles;
};

class Builder {
public:
    Builder(const MeshTriangles& mesh, Bvh& bvh) : bvh_(bvh) {
        const int32_t n = mesh.TriangleCount();
        boxes_.resize(static_cast<size_t>(n));
        centroids_.resize(static_cast<size_t>(n));
        order_.resize(static_cast<size_t>(n));
        for (int32_t t = 0; t < n; ++t) {
            const Triangle tri = MakeTriangle(mesh, t);
            Box b;
            b.Grow(tri.p0);
            b.Grow(Vec3{tri.p0.x + tri.e1.x, tri.p0.y + tri.e1.y, tri.p0.z + tri.e1.z});
            b.Grow(Vec3{tri.p0.x + tri.e2.x, tri.p0.y + tri.e2.y, tri.p0.z + tri.e2.z});
            // The corners exactly as stored, so rounding in p0 + e cannot leave one out.
            const uint32_t* i = mesh.indices.data() + 3 * static_cast<size_t>(t);
            for (int k = 0; k < 3; ++k) {
                const float* p = mesh.positions.data() + 3 * i[k];
                b.Grow(Vec3{p[0], p[1], p[2]});
            }
            boxes_[t] = b;
            centroids_[t] = {(b.lo.x + b.hi.x) * 0.5f, (b.lo.y + b.hi.y) * 0.5f, (b.lo.z + b.hi.z) * 0.5f};
            order_[t] = t;
        }
        bvh_.nodes.reserve(n > 0 ? 2 * static_cast<size_t>(n) : 1);
        bvh_.nodes.push_back({});
        if (n > 0) Build(0, 0, n, 0);
        bvh_.triangles.resize(static_cast<size_t>(n));
        for (int32_t k = 0; k < n; ++k) bvh_.triangles[k] = MakeTriangle(mesh, order_[k]);
    }

private:
    void Build(int32_t node, int32_t begin, int32_t end, int32_t depth) {
        Box bounds, centres;
        for (int32_t k = begin; k < end; ++k) {
            bounds.Grow(boxes_[order_[k]]);
            centres.Grow(centroids_[order_[k]]);
        }
        // Widened a little so that a ray the triangle test hits is never culled by
        // the rounding of the slab test.
        const Vec3 size = Sub(bounds.hi, bounds.lo);
        const float scale = std::max({std::fabs(bounds.lo.x), std::fabs(bounds.lo.y), std::fabs(bounds.lo.z),
                                      std::fabs(bounds.hi.x), std::fabs(bounds.hi.y), std::fabs(bounds.hi.z)});
        const float pad = 1e-5f * std::max({size.x, size.y, size.z}) + 1e-6f * scale + 1e-30f;
        Node& out = bvh_.nodes[node];
        out.lo = {bounds.lo.x - pad, bounds.lo.y - pad, bounds.lo.z - pad};
        out.hi = {bounds.hi.x + pad, bounds.hi.y + pad, bounds.hi.z + pad};
        const int32_t count = end - begin;
        if (count <= kLeafSize) return Leaf(node, begin, count);

        const Vec3 extent = Sub(centres.hi, centres.lo);
        int axis = 0;
        if (extent.y > Axis(extent, axis)) axis = 1;
        if (extent.z > Axis(extent, axis)) axis = 2;
        const float lo = Axis(centres.lo, axis), width = Axis(extent, axis);
        int32_t mid = begin;
        if (width > 0 && depth < kSahDepth) {
            std::array<Box, kBins> binBoxes{};
            std::array<int32_t, kBins> binCounts{};
            const float k = kBins / width;
            // Clamped before the conversion: huge coordinates can give an infinite
            // or NaN offset, which no integer holds.
            auto binOf = [&](int32_t t) {
                const float offset = (Axis(centroids_[t], axis) - lo) * k;
                return offset >= 0 ? static_cast<int32_t>(std::min(offset, static_cast<float>(kBins - 1))) : 0;
            };
            for (int32_t i = begin; i < end; ++i) {
                const int32_t b = binOf(order_[i]);
                ++binCounts[b];
                binBoxes[b].Grow(boxes_[order_[i]]);
            }
            std::array<float, kBins - 1> leftCost{};
            Box running;
            int32_t n = 0;
            for (int32_t b = 0; b < kBins - 1; ++b) {
                running.Grow(binBoxes[b]);
                n += binCounts[b];
                leftCost[b] = running.Area() * static_cast<float>(n);
            }
            running = Box{};
            n = 0;
            float bestCost = std::numeric_limits<float>::max();
            int32_t bestSplit = -1;
            for (int32_t b = kBins - 1; b > 0; --b) {
                running.Grow(binBoxes[b]);
                n += binCounts[b];
                const float cost = leftCost[b - 1] + running.Area() * static_cast<float>(n);
                if (n > 0 && n < count && cost < bestCost) bestCost = cost, bestSplit = b;
            }
            if (bestSplit > 0) {
                mid = static_cast<int32_t>(
                    std::partition(order_.begin() + begin, order_.begin() + end,
                                   [&](int32_t t) { return binOf(t) < bestSplit; }) -
                    order_.begin());
            }
        }
        if (mid <= begin || mid >= end) {
            // Centroids that coincide, or a deep tree: halve by count.
            mid = begin + count / 2;
            // NaN sorts last, so the order stays strict and the selection in range.
            const auto key = [&](int32_t t) {
                const float c = Axis(centroids_[t], axis);
                return std::isnan(c) ? std::numeric_limits<float>::infinity() : c;
            };
            std::nth_element(order_.begin() + begin, order_.begin() + mid, order_.begin() + end,
                             [&](int32_t a, int32_t b) { return key(a) < key(b); });
        }
        const auto left = static_cast<int32_t>(bvh_.nodes.size());
        bvh_.nodes.push_back({});
        bvh_.nodes.push_back({});
        bvh_.nodes[node].first = left;
        bvh_.nodes[node].count = 0;
        Build(left, begin, mid, depth + 1);
        Build(left + 1, mid, end, depth + 1);
    }

    void Leaf(int32_t node, int32_t begin, int32_t count) {
        bvh_.nodes[node].first = begin;
        bvh_.nodes[node].count = count;
    }

    Bvh& bvh_;
    std::vector<Box> boxes_;
    std::vector<Vec3> centroids_;
    std::vector<int32_t> order_;
};

// Entry distance of the ray into the node's box; false when it misses or enters
// only beyond `limit`.
inline bool EnterBox(const Node& node, const Vec3& o, const Vec3& inv, float limit, float& enter) {
    float t0 = (node.lo.x - o.x) * inv.x, t1 = (node.hi.x - o.x) * inv.x;
    float tmin = std::min(t0, t1), tmax = std::max(t0, t1);
    t0 = (node.lo.y - o.y) * inv.y, t1 = (node.hi.y - o.y) * inv.y;
    tmin = std::max(tmin, std::min(t0, t1)), tmax = std::min(tmax, std::max(t0, t1));
    t0 = (node.lo.z - o.z) * inv.z, t1 = (node.hi.z - o.z) * inv.z;
    tmin = std::max(tmin, std::min(t0, t1)), tmax = std::min(tmax, std::max(t0, t1));
    enter = tmin;
    // The slabs round in float; a little slack keeps every box a hit could lie in.
    const float slack = 1e-6f * (std::fabs(tmin) + std::fabs(tmax)) + 1e-30f;
    return tmax + slack >= tmin - slack && tmax + slack >= 0.0f && tmin - slack <= limit;
}

// A zero component becomes a tiny one of the same sign: the slabs then stay free of
// 0 x infinity.
inline float Reciprocal(float c) {
    if (c == 0.0f) c = std::signbit(c) ? -1e-30f : 1e-30f;
    return 1.0f / c;
}

MeshHit Traverse(const Bvh& bvh, const Vec3& o, const Vec3& d) {
    Candidate best;
    if (bvh.triangles.empty()) return {};
    const Ray ray{{o.x, o.y, o.z}, {d.x, d.y, d.z}};
    const Vec3 inv{Reciprocal(d.x), Reciprocal(d.y), Reciprocal(d.z)};
    std::array<int32_t, kStackSize> stack;
    int32_t top = 0;
    float enter;
    const float far = std::numeric_limits<float>::infinity();
    if (!EnterBox(bvh.nodes[0], o, inv, far, enter)) return {};
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = bvh.nodes[stack[--top]];
        if (node.count > 0) {
            for (int32_t k = node.first; k < node.first + node.count; ++k) Offer(best, bvh.triangles[k], ray);
            continue;
        }
        // Rounded up so that a box entered exactly at the best distance stays in.
        const float limit = best.hit ? std::nextafter(static_cast<float>(best.t), far) : far;
        float enterA, enterB;
        const bool a = EnterBox(bvh.nodes[node.first], o, inv, limit, enterA);
        const bool b = EnterBox(bvh.nodes[node.first + 1], o, inv, limit, enterB);
        if (a && b) {
            // The nearer child is popped first.
            const bool aFirst = enterA <= enterB;
            stack[top++] = aFirst ? node.first + 1 : node.first;
            stack[top++] = aFirst ? node.first : node.first + 1;
        } else if (a) {
            stack[top++] = node.first;
        } else if (b) {
            stack[top++] = node.first + 1;
        }
    }
    return Result(best);
}

struct CacheEntry {
    std::weak_ptr<VgxDeviceMesh> owner;
    std::unique_ptr<Bvh> bvh;
};

std::unordered_map<const VgxDeviceMesh*, CacheEntry>& Cache() {
    thread_local std::unordered_map<const VgxDeviceMesh*, CacheEntry> cache;
    return cache;
}

const Bvh& HierarchyOf(const std::shared_ptr<VgxDeviceMesh>& mesh) {
    auto& cache = Cache();
    auto found = cache.find(mesh.get());
    if (found != cache.end() && !found->second.owner.expired()) return *found->second.bvh;
    // A mesh that died left its entry (perhaps at this very address): sweep them.
    std::erase_if(cache, [](const auto& entry) { return entry.second.owner.expired(); });
    auto bvh = std::make_unique<Bvh>();
    Builder(ReadMeshTriangles(*mesh), *bvh);
    CacheEntry& entry = cache[mesh.get()];
    entry.owner = mesh;
    entry.bvh = std::move(bvh);
    return *entry.bvh;
}

}  // namespace

MeshTriangles ReadMeshTriangles(const VgxDeviceMesh& mesh) {
    MeshTriangles out;
    const int32_t faces = mesh.GetNumFaces();
    const int32_t vertices = mesh.GetNumVertices();
    if (faces <= 0 || vertices <= 0) return out;
    const auto& vertexBuffer = mesh.GetVertexBuffer();
    const auto& indexBuffer = mesh.GetIndexBuffer();
    if (!vertexBuffer || !indexBuffer) Raise(VgxErrObjectNotSet);
    // Position leads every vertex; the stride follows from the buffer for formats
    // other than the library's own.
    size_t stride = 44;
    if (mesh.GetFormat() != VgxVertexFormat44) stride = vertexBuffer->GetLength() / static_cast<size_t>(vertices);
    if (stride < 12) Raise(VgxErrSubscript);
    std::vector<uint8_t> bytes(stride * static_cast<size_t>(vertices));
    vertexBuffer->Read(0, bytes.data(), bytes.size());
    out.positions.resize(3 * static_cast<size_t>(vertices));
    for (size_t v = 0; v < static_cast<size_t>(vertices); ++v) {
        std::memcpy(&out.positions[3 * v], bytes.data() + v * stride, 12);
    }
    const size_t indexCount = 3 * static_cast<size_t>(faces);
    out.indices.resize(indexCount);
    if (mesh.GetOptions() & VgxMeshIndex32) {
        indexBuffer->Read(0, out.indices.data(), indexCount * 4);
    } else {
        std::vector<uint16_t> narrow(indexCount);
        indexBuffer->Read(0, narrow.data(), indexCount * 2);
        std::copy(narrow.begin(), narrow.end(), out.indices.begin());
    }
    for (uint32_t index : out.indices) {
        if (index >= static_cast<uint32_t>(vertices)) Raise(VgxErrSubscript);
    }
    return out;
}

MeshHit IntersectTrianglesBruteForce(const MeshTriangles& triangles, const VgxVector& origin,
                                     const VgxVector& direction) {
    Candidate best;
    if (!vgx::IsFinite(origin) || !vgx::IsFinite(direction)) return {};
    const Ray ray{{origin.X, origin.Y, origin.Z}, {direction.X, direction.Y, direction.Z}};
    for (int32_t t = 0; t < triangles.TriangleCount(); ++t) Offer(best, MakeTriangle(triangles, t), ray);
    return Result(best);
}

MeshHit IntersectMesh(const std::shared_ptr<VgxDeviceMesh>& mesh, const VgxVector& origin,
                      const VgxVector& direction) {
    if (!mesh || !vgx::IsFinite(origin) || !vgx::IsFinite(direction)) return {};
    if (direction.X == 0 && direction.Y == 0 && direction.Z == 0) return {};
    return Traverse(HierarchyOf(mesh), Vec3{origin.X, origin.Y, origin.Z},
                    Vec3{direction.X, direction.Y, direction.Z});
}

}  // namespace vgx::platform
