#pragma once
// The bounding volume hierarchy picking keeps per mesh: nodes in 64-byte pairs (the
// two children of a node share one cache line), triangles copied in leaf order.
#include <cstdint>
#include <vector>

#include "platform/mesh_intersect.h"
#include "platform/triangle_hit.h"

namespace vgx::platform {

// Internal node: count 0, children in pair `first`. Leaf: triangles first ..
// first + count - 1 of the leaf-ordered array. 32 bytes.
struct BvhNode {
    Vec3 lo;
    int32_t first;
    Vec3 hi;
    int32_t count;
};

struct alignas(64) BvhNodePair {
    BvhNode child[2];
};

struct Bvh {
    std::vector<BvhNodePair> pairs;  // the root is child 0 of pair 0, the only node there
    std::vector<Triangle> triangles;
    const BvhNode& Root() const { return pairs[0].child[0]; }
};

// Binned SAH over the mesh's triangles, on the library's worker threads; the result
// does not depend on their number.
Bvh BuildBvh(const MeshTriangles& mesh);

// The nearest hit as the plain scan finds it; origin and direction are finite and
// the direction is not zero.
MeshHit TraverseBvh(const Bvh& bvh, const Vec3& origin, const Vec3& direction);

}  // namespace vgx::platform
