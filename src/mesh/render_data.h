#pragma once
// The CPU side of an object's render buffers: render vertices and, per
// sub-object, the index lists the device buffers are filled from.
#include <vgx/VgxTypes.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/large_blocks.h"

namespace vgx {

// One render vertex, byte for byte as the device receives it (format 0x252).
struct RenderVertex {
    float Position[3];
    float Normal[3];
    int32_t Diffuse;
    float UV0[2];
    float UV1[2];
};
static_assert(sizeof(RenderVertex) == 44, "render vertices are 44 bytes");

// Each point's render vertices in ascending order, in compressed rows (CSR) laid out
// point after point by every full build. Points added since have none.
struct PointVertexLists {
    std::vector<int32_t> first;  // point p's entries are [first[p], first[p + 1])
    BlockArray<int32_t> vertices;

    int32_t Count(int32_t point) const {
        return static_cast<size_t>(point) + 1 < first.size() ? first[point + 1] - first[point] : 0;
    }
    template <class Visit>
    void ForEach(int32_t point, Visit&& visit) const {
        if (static_cast<size_t>(point) + 1 >= first.size()) return;
        for (int32_t i = first[point]; i < first[point + 1]; ++i) visit(vertices[static_cast<size_t>(i)]);
    }
    void Clear() {
        first.clear();
        vertices.clear();
    }
};

struct IndexList {
    std::vector<int32_t> Indices;
    int32_t Count = 0;
};

// Where a face's triangles sit in its sub-object's list, so a partial rebuild
// can rewrite them in place.
struct FaceTriangles {
    int32_t subObject = -1;
    int32_t first = 0;  // first index in the list
    int32_t count = 0;  // triangles
};

// The object block (from the editable mesh) or the visual block.
struct RenderBlock {
    BlockArray<RenderVertex> vertices;
    std::vector<IndexList> triangles;   // per sub-object
    std::vector<IndexList> edgePoints;  // per sub-object: line pairs or points
    std::vector<int32_t> solidCounts;
    std::vector<int32_t> nonSolidCounts;
    std::vector<FaceTriangles> faces;
    // The normal each vertex was made from, so moved points can be written into
    // their vertices without rebuilding them.
    BlockArray<int32_t> vertexNormal;
    // Each corner's vertex, by the corner's place in its record's corner store.
    BlockArray<int32_t> cornerVertex;
    // Each point's vertices, so a moved point rewrites just those.
    PointVertexLists pointVertices;

    int32_t VertexCount() const { return static_cast<int32_t>(vertices.size()); }
    // The vertices of a face's corners, given where its corners start in the store.
    int32_t* CornerVertices(int32_t cornerStart) { return cornerVertex.data() + cornerStart; }
    const int32_t* CornerVertices(int32_t cornerStart) const { return cornerVertex.data() + cornerStart; }
};

enum class IndexWidth { Undecided, Bits16, Bits32 };

struct RenderData {
    RenderBlock object;
    RenderBlock visual;
    IndexWidth indexWidth = IndexWidth::Undecided;
    // Per sub-object: the face that produced each object triangle.
    std::vector<std::vector<int32_t>> triangleToFace;
    // The base faces a moved point touched, kept until a build has redone them.
    std::vector<int32_t> facesToRedo;
    // Where each base point was drawn by the last build, to tell which moved since.
    BlockArray<VgxVector> drawnPoints;
};

}  // namespace vgx
