// Walking the hierarchy with a fixed stack: the four child boxes of a node tested at
// once, hit children pushed farthest first, and entries beyond the best hit so far
// dropped when they come up.
#include <array>
#include <cmath>
#include <limits>

#include "base/simd.h"
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
// keeps every box a hit could lie in. An empty lane's NaN bounds are never entered.
inline int EnterChildren(const BvhNode& node, const RaySlabs& ray, float limit, float enter[4]) {
    using namespace simd;
    const float o[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const float inv[3] = {ray.inverse.x, ray.inverse.y, ray.inverse.z};
    Float4 tmin = Splat(0.0f), tmax = Splat(0.0f);
    for (int a = 0; a < 3; ++a) {
        const Float4 origin = Splat(o[a]), scale = Splat(inv[a]);
        const Float4 t0 = (Load(node.lo[a]) - origin) * scale, t1 = (Load(node.hi[a]) - origin) * scale;
        // Operands in the order that lets NaN through as std::min and std::max do.
        const Float4 near = Min(t1, t0), far = Max(t1, t0);
        tmin = a == 0 ? near : Max(near, tmin);
        tmax = a == 0 ? far : Min(far, tmax);
    }
    const Float4 slack = Splat(1e-6f) * (Abs(tmin) + Abs(tmax)) + Splat(1e-30f);
    const Float4 low = tmin - slack, high = tmax + slack;
    Store(enter, low);
    return Bits((high >= low) & (high >= Splat(0.0f)) & (low <= Splat(limit)));
}

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
