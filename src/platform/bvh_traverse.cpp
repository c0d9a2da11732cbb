// Walking the hierarchy with a fixed stack: nearer child first, boxes beyond the
// best hit so far skipped.
#include <array>
#include <cmath>
#include <limits>

#include "platform/bvh.h"

namespace vgx::platform {
namespace {

constexpr int32_t kStackSize = 128;  // deeper than any tree the build makes

// Entry distance of the ray into the node's box; false when it misses or enters
// only beyond `limit`.
inline bool EnterBox(const BvhNode& node, const Vec3& o, const Vec3& inv, float limit, float& enter) {
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

}  // namespace

MeshHit TraverseBvh(const Bvh& bvh, const Vec3& o, const Vec3& d) {
    Candidate best;
    if (bvh.triangles.empty()) return {};
    const Ray ray{{o.x, o.y, o.z}, {d.x, d.y, d.z}};
    const Vec3 inv{Reciprocal(d.x), Reciprocal(d.y), Reciprocal(d.z)};
    const float far = std::numeric_limits<float>::infinity();
    // Rounded up so that a box entered exactly at the best distance stays in.
    float limit = far;
    float enter;
    if (!EnterBox(bvh.Root(), o, inv, far, enter)) return {};
    std::array<const BvhNode*, kStackSize> stack;
    int32_t top = 0;
    stack[top++] = &bvh.Root();
    while (top > 0) {
        const BvhNode& node = *stack[--top];
        if (node.count > 0) {
            bool improved = false;
            const Triangle* tri = bvh.triangles.data() + node.first;
            for (int32_t k = 0; k < node.count; ++k) improved |= Offer(best, tri[k], ray);
            if (improved) limit = std::nextafter(static_cast<float>(best.t), far);
            continue;
        }
        const BvhNodePair& children = bvh.pairs[node.first];
        float enterA, enterB;
        const bool a = EnterBox(children.child[0], o, inv, limit, enterA);
        const bool b = EnterBox(children.child[1], o, inv, limit, enterB);
        if (a && b) {
            // The nearer child is popped first.
            const bool aFirst = enterA <= enterB;
            stack[top++] = &children.child[aFirst ? 1 : 0];
            stack[top++] = &children.child[aFirst ? 0 : 1];
        } else if (a) {
            stack[top++] = &children.child[0];
        } else if (b) {
            stack[top++] = &children.child[1];
        }
    }
    return Result(best);
}

}  // namespace vgx::platform
