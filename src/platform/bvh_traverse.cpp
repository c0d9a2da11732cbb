// Walking the hierarchy with a fixed stack: the four child boxes of a node tested at
// once, hit children pushed farthest first, and entries beyond the best hit so far
// dropped when they come up.
#include <array>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/bvh.h"

namespace vgx::platform {
namespace {

// A wide node's depth is at most the build's binary depth (under 128), and each node
// visited replaces its entry by at most four.
constexpr int32_t kStackSize = 3 * 128 + 1;

// A zero component becomes a tiny one of the same sign: the slabs then stay free of
// 0 x infinity.
inline float Reciprocal(float c) {
    if (c == 0.0f) c = std::signbit(c) ? -1e-30f : 1e-30f;
    return 1.0f / c;
}

struct RaySlabs {
    Vec3 origin, inverse;
};

// The children of `node` the ray enters no farther than `limit`, as a bit mask, with
// their entry distances less the slack (`enter`). The slabs round in float; the slack
// keeps every box a hit could lie in.
#if defined(__SSE2__)
inline int EnterChildren(const BvhNode& node, const RaySlabs& ray, float limit, float enter[4]) {
    const float o[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const float inv[3] = {ray.inverse.x, ray.inverse.y, ray.inverse.z};
    __m128 tmin, tmax;
    for (int a = 0; a < 3; ++a) {
        const __m128 origin = _mm_set1_ps(o[a]), scale = _mm_set1_ps(inv[a]);
        const __m128 t0 = _mm_mul_ps(_mm_sub_ps(_mm_load_ps(node.lo[a]), origin), scale);
        const __m128 t1 = _mm_mul_ps(_mm_sub_ps(_mm_load_ps(node.hi[a]), origin), scale);
        // Operands in the order that makes NaN come out as std::min and std::max do.
        const __m128 near = _mm_min_ps(t1, t0), far = _mm_max_ps(t1, t0);
        tmin = a == 0 ? near : _mm_max_ps(near, tmin);
        tmax = a == 0 ? far : _mm_min_ps(far, tmax);
    }
    const __m128 sign = _mm_set1_ps(-0.0f);
    const __m128 magnitude = _mm_add_ps(_mm_andnot_ps(sign, tmin), _mm_andnot_ps(sign, tmax));
    const __m128 slack = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(1e-6f), magnitude), _mm_set1_ps(1e-30f));
    const __m128 low = _mm_sub_ps(tmin, slack), high = _mm_add_ps(tmax, slack);
    const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(high, low), _mm_cmpge_ps(high, _mm_setzero_ps())),
                                     _mm_cmple_ps(low, _mm_set1_ps(limit)));
    const __m128i present =
        _mm_cmpgt_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(node.count)), _mm_set1_epi32(-1));
    _mm_storeu_ps(enter, low);
    return _mm_movemask_ps(_mm_and_ps(inside, _mm_castsi128_ps(present)));
}
#else
inline int EnterChildren(const BvhNode& node, const RaySlabs& ray, float limit, float enter[4]) {
    const float o[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const float inv[3] = {ray.inverse.x, ray.inverse.y, ray.inverse.z};
    int mask = 0;
    for (int k = 0; k < 4; ++k) {
        float tmin = 0, tmax = 0;
        for (int a = 0; a < 3; ++a) {
            const float t0 = (node.lo[a][k] - o[a]) * inv[a], t1 = (node.hi[a][k] - o[a]) * inv[a];
            const float near = std::min(t0, t1), far = std::max(t0, t1);
            tmin = a == 0 ? near : std::max(tmin, near);
            tmax = a == 0 ? far : std::min(tmax, far);
        }
        const float slack = 1e-6f * (std::fabs(tmin) + std::fabs(tmax)) + 1e-30f;
        enter[k] = tmin - slack;
        if (node.count[k] >= 0 && tmax + slack >= enter[k] && tmax + slack >= 0.0f && enter[k] <= limit) {
            mask |= 1 << k;
        }
    }
    return mask;
}
#endif

struct Entry {
    int32_t first, count;  // a lane of a node
    float enter;
};

}  // namespace

MeshHit TraverseBvh(const Bvh& bvh, const Vec3& o, const Vec3& d) {
    Candidate best;
    if (bvh.nodes.empty()) return {};
    const Ray ray{{o.x, o.y, o.z}, {d.x, d.y, d.z}};
    const RaySlabs slabs{o, {Reciprocal(d.x), Reciprocal(d.y), Reciprocal(d.z)}};
    const float far = std::numeric_limits<float>::infinity();
    // Rounded up so that a box entered exactly at the best distance stays in.
    float limit = far;
    std::array<Entry, kStackSize> stack;
    int32_t top = 0;
    Entry current{0, 0, -far};
    for (;;) {
        // Down the nearest child of each node, the others stacked farthest first.
        while (current.count == 0) {
            const BvhNode& node = bvh.nodes[current.first];
            float enter[4];
            int mask = EnterChildren(node, slabs, limit, enter);
            if (mask == 0) break;
            const int32_t base = top;
            for (; mask != 0; mask &= mask - 1) {
                const int k = __builtin_ctz(static_cast<unsigned>(mask));
                const Entry child{node.first[k], node.count[k], enter[k]};
                // Fetched while the nearer children are worked on.
                const char* next = child.count > 0 ? reinterpret_cast<const char*>(bvh.triangles.data() + child.first)
                                                   : reinterpret_cast<const char*>(bvh.nodes.data() + child.first);
                __builtin_prefetch(next);
                __builtin_prefetch(next + 64);
                int32_t at = top++;
                for (; at > base && stack[at - 1].enter < child.enter; --at) stack[at] = stack[at - 1];
                stack[at] = child;
            }
            current = stack[--top];
        }
        if (current.count > 0) {
            if (OfferTriangles(best, bvh.triangles.data() + current.first, current.count, ray))
                limit = std::nextafter(static_cast<float>(best.t), far);
        }
        // The next stacked entry still nearer than the best hit.
        do {
            if (top == 0) return Result(best);
            current = stack[--top];
        } while (current.enter > limit);
    }
}

}  // namespace vgx::platform
