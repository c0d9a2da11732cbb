#include "ops/mesh_simplify.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include "mesh/point_normals.h"

namespace vgx::simplify {

namespace {

constexpr uint32_t kNone = UINT32_MAX;
// Simplifier runs spent on meeting the vertex count: each costs a whole pass.
constexpr int kMaxAims = 4;

// The mesh with every vertex that triangles of several attributes share copied once
// per attribute: the simplifier then sees each border between attributes as a seam,
// which it keeps closed and never collapses across.
struct SplitMesh {
    std::vector<uint32_t> indices;
    std::vector<uint32_t> source;     // per split vertex, the vertex it copies
    std::vector<uint32_t> attribute;  // per split vertex
    std::vector<float> positions;
};

SplitMesh SplitByAttribute(const TriangleMesh& mesh) {
    SplitMesh split;
    split.indices.resize(mesh.indices.size());
    std::vector<uint32_t> firstCopy(mesh.VertexCount(), kNone);
    std::unordered_map<uint64_t, uint32_t> otherCopies;
    auto newCopy = [&](uint32_t vertex, uint32_t attribute) {
        split.source.push_back(vertex);
        split.attribute.push_back(attribute);
        return static_cast<uint32_t>(split.source.size() - 1);
    };
    for (size_t corner = 0; corner < mesh.indices.size(); ++corner) {
        const uint32_t vertex = mesh.indices[corner];
        const uint32_t attribute = mesh.attributes[corner / 3];
        uint32_t& first = firstCopy[vertex];
        if (first == kNone) first = newCopy(vertex, attribute);
        if (split.attribute[first] == attribute) {
            split.indices[corner] = first;
            continue;
        }
        const auto [entry, added] = otherCopies.try_emplace(uint64_t{vertex} << 32 | attribute, 0u);
        if (added) entry->second = newCopy(vertex, attribute);
        split.indices[corner] = entry->second;
    }
    split.positions.resize(split.source.size() * 3);
    for (size_t v = 0; v < split.source.size(); ++v) {
        std::memcpy(&split.positions[v * 3], &mesh.positions[split.source[v] * 3], 3 * sizeof(float));
    }
    return split;
}

// Distinct vertices of `mesh` (not of the split) the simplified triangles use.
size_t SourceVerticesUsed(const SplitMesh& split, const uint32_t* indices, size_t count, size_t vertexCount) {
    std::vector<bool> used(vertexCount, false);
    size_t distinct = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = split.source[indices[i]];
        if (!used[v]) {
            used[v] = true;
            ++distinct;
        }
    }
    return distinct;
}

// Face normals summed into every vertex, then shared by vertices at the same position.
void AreaWeightedNormals(TriangleMesh& result) {
    const size_t vertices = result.VertexCount();
    std::vector<double> sums =
        SummedFaceNormals(result.positions, std::vector<uint32_t>(result.TriangleCount(), 3), result.indices);
    struct PositionKey {
        uint32_t bits[3];
        bool operator==(const PositionKey& other) const { return std::memcmp(bits, other.bits, sizeof(bits)) == 0; }
    };
    struct PositionHash {
        size_t operator()(const PositionKey& key) const {
            return (size_t{key.bits[0]} * 73856093u) ^ (size_t{key.bits[1]} * 19349663u) ^ (size_t{key.bits[2]} * 83492791u);
        }
    };
    std::unordered_map<PositionKey, uint32_t, PositionHash> firstAt;
    firstAt.reserve(vertices);
    std::vector<uint32_t> group(vertices);
    for (uint32_t v = 0; v < vertices; ++v) {
        PositionKey key;
        std::memcpy(key.bits, &result.positions[v * 3], sizeof(key.bits));
        group[v] = firstAt.try_emplace(key, v).first->second;
        if (group[v] != v) {
            for (int axis = 0; axis < 3; ++axis) sums[group[v] * 3 + axis] += sums[v * 3 + axis];
        }
    }
    // A vertex that only slivers of no area use (the simplifier leaves a few along
    // straight borders) takes the normal of a corner it shares a sliver with.
    const auto isZero = [&](uint32_t v) {
        const double* n = &sums[group[v] * 3];
        return n[0] == 0 && n[1] == 0 && n[2] == 0;
    };
    for (size_t t = 0; t < result.indices.size(); t += 3) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = result.indices[t + k];
            if (!isZero(v)) continue;
            for (int other = 1; other < 3; ++other) {
                const uint32_t w = result.indices[t + (k + other) % 3];
                if (isZero(w)) continue;
                std::copy_n(&sums[group[w] * 3], 3, &sums[group[v] * 3]);
                break;
            }
        }
    }
    for (uint32_t v = 0; v < vertices; ++v) {
        if (group[v] != v) std::copy_n(&sums[group[v] * 3], 3, &sums[v * 3]);
    }
    result.normals = UnitNormals(sums);
}

}  // namespace

TriangleMesh Simplify(const TriangleMesh& mesh, size_t targetVertices) {
    const SplitMesh split = SplitByAttribute(mesh);
    const size_t indexCount = split.indices.size();
    const size_t vertexCount = mesh.VertexCount();

    // The simplifier aims at a triangle count: start from the mesh's own ratio of
    // triangles to vertices, then correct the aim by how far the vertices left
    // missed, keeping the closest result that has enough of them. Seams make the
    // ratio of a simplified mesh drift from the original's.
    std::vector<uint32_t> simplified = split.indices, attempt(indexCount);
    size_t kept = indexCount, closest = vertexCount;
    size_t aim = vertexCount == 0 ? indexCount
                                  : std::clamp<size_t>(indexCount * targetVertices / vertexCount / 3 * 3, 3, indexCount);
    for (int tries = 0; tries < kMaxAims && aim < indexCount; ++tries) {
        const size_t count = meshopt_simplify(attempt.data(), split.indices.data(), indexCount, split.positions.data(),
                                              split.source.size(), 3 * sizeof(float), aim, FLT_MAX, 0, nullptr);
        const size_t used = SourceVerticesUsed(split, attempt.data(), count, vertexCount);
        if (used >= targetVertices && used < closest) {
            simplified.swap(attempt);
            kept = count;
            closest = used;
        }
        if (used >= targetVertices && used <= targetVertices + targetVertices / 50) break;
        const size_t next = (aim * targetVertices / std::max<size_t>(used, 1) + 2) / 3 * 3;
        if (next == aim) break;
        aim = std::clamp<size_t>(next + (used < targetVertices ? 3 : 0), 3, indexCount);
    }

    // Triangles grouped by attribute, in their order within each group.
    std::vector<uint32_t> order(kept / 3);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return split.attribute[simplified[a * 3]] < split.attribute[simplified[b * 3]];
    });

    TriangleMesh result;
    std::vector<uint32_t> outputOf(split.source.size(), kNone);
    result.indices.reserve(kept);
    result.attributes.reserve(kept / 3);
    for (uint32_t t : order) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = simplified[t * 3 + k];
            if (outputOf[v] == kNone) {
                outputOf[v] = static_cast<uint32_t>(result.VertexCount());
                const uint32_t s = split.source[v];
                result.positions.insert(result.positions.end(), &mesh.positions[s * 3], &mesh.positions[s * 3] + 3);
                result.uvs.insert(result.uvs.end(), &mesh.uvs[s * 2], &mesh.uvs[s * 2] + 2);
            }
            result.indices.push_back(outputOf[v]);
        }
        result.attributes.push_back(split.attribute[simplified[t * 3]]);
    }
    AreaWeightedNormals(result);
    return result;
}

}  // namespace vgx::simplify
