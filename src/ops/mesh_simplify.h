#pragma once
// Triangle-mesh simplification to a vertex count, keeping each triangle's attribute
// (material): the simplifier behind VgxObject::Reduce.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vgx::simplify {

struct TriangleMesh {
    std::vector<float> positions;      // x, y, z per vertex
    std::vector<float> uvs;            // u, v per vertex
    std::vector<float> normals;        // x, y, z per vertex (output only)
    std::vector<uint32_t> indices;     // three per triangle
    std::vector<uint32_t> attributes;  // per triangle

    size_t VertexCount() const { return positions.size() / 3; }
    size_t TriangleCount() const { return indices.size() / 3; }
};

// Collapses edges (quadric error, meshoptimizer) until no more than about
// `targetVertices` vertices are left, never fewer where the mesh can keep them.
// Triangles keep their attribute; no edge collapses across a border between two
// attributes, so neither side's outline moves. The result holds only the vertices
// its triangles use, in order of first use, with area-weighted normals shared by
// vertices at the same position; its triangles are those of `mesh`'s order of
// attributes.
TriangleMesh Simplify(const TriangleMesh& mesh, size_t targetVertices);

}  // namespace vgx::simplify
