#pragma once
// Ray intersection with the extension library's meshes: the nearest triangle a ray
// meets, with its barycentric position and ray parameter.
//
// Contract: both sides of a triangle count; only hits at ray parameter t >= 0 are
// reported (nothing behind the origin), so a caller that steps past a hit and asks
// again moves forward through the mesh. The hit point is origin + t * direction,
// and also P0 + U (P1 - P0) + V (P2 - P0) of the hit triangle. Equal t goes to the
// lower triangle index. A zero or non-finite direction or origin hits nothing.
//
// The first intersection of a mesh reads its triangles once and builds a bounding
// volume hierarchy over them; it is kept, per thread, for as long as the mesh lives
// and dropped when the next hierarchy is built after the mesh died. The contents of
// a mesh are taken to be fixed once it has been intersected (the library recreates
// its meshes at every rebuild).
#include <vgx/VgxDevice.h>
#include <vgx/VgxTypes.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/large_blocks.h"

namespace vgx::platform {

struct MeshHit {
    bool hit = false;
    int32_t triangle = -1;  // index of the triangle within the mesh
    float U = 0, V = 0;
    float t = 0;
};

// The nearest hit of the ray on `mesh`; no hit for a null mesh. A mesh whose index
// buffer names a vertex it does not have raises 9; errors of the mesh's buffers pass
// unchanged, and nothing is cached then.
MeshHit IntersectMesh(const std::shared_ptr<VgxDeviceMesh>& mesh, const VgxVector& origin,
                      const VgxVector& direction);

// The triangles of a mesh as plain arrays: three floats per vertex, three indices
// per triangle (checked against the vertex count, 9 otherwise).
struct MeshTriangles {
    BlockArray<float> positions;
    BlockArray<uint32_t> indices;
    int32_t TriangleCount() const { return static_cast<int32_t>(indices.size() / 3); }
};
MeshTriangles ReadMeshTriangles(const VgxDeviceMesh& mesh);

// The same answer as IntersectMesh by testing every triangle: the baseline of the
// hierarchy's tests and benchmarks.
MeshHit IntersectTrianglesBruteForce(const MeshTriangles& triangles, const VgxVector& origin,
                                     const VgxVector& direction);


}  // namespace vgx::platform
