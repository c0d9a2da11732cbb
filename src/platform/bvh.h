#pragma once
// The bounding volume hierarchy picking keeps per mesh: 4-wide nodes, one ray tested
// against all four child boxes at once, and triangles copied in leaf order.
#include <cstdint>
#include <vector>

#include "platform/mesh_intersect.h"
#include "platform/triangle_hit.h"

namespace vgx::platform {

// Four child boxes, axis by axis so that one vector holds an axis of all four.
// Lane k: count[k] == 0, an inner node, first[k] its index; count[k] > 0, a leaf of
// triangles first[k] .. first[k] + count[k] - 1; count[k] < 0, no child (NaN bounds).
// 128 bytes.
struct alignas(64) BvhNode {
    float lo[3][4];
    float hi[3][4];
    int32_t first[4];
    int32_t count[4];
};

struct Bvh {
    std::vector<BvhNode> nodes;  // the root is node 0; none for no triangles
    BlockArray<Triangle> triangles;
};

// Binned SAH over the mesh's triangles, on the library's worker threads; the result
// does not depend on their number.
Bvh BuildBvh(const MeshTriangles& mesh);

// The nearest hit as the plain scan finds it; origin and direction are finite and
// the direction is not zero.
MeshHit TraverseBvh(const Bvh& bvh, const Vec3& origin, const Vec3& direction);

}  // namespace vgx::platform
