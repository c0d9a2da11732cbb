// Mesh ray intersection: the hierarchy each thread keeps per mesh, reading a mesh's
// triangles, and the plain scan the hierarchy is checked against.
#include "platform/mesh_intersect.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "base/errors.h"
#include "base/finite.h"
#include "base/task_pool.h"
#include "platform/bvh.h"
#include "platform/triangle_hit.h"

namespace vgx::platform {
namespace {

constexpr size_t kVertexGrain = tasks::kCoarseGrain;  // vertices one worker copies positions of at a time
constexpr size_t kIndexGrain = 262144;  // indices one worker checks at a time

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
    auto bvh = std::make_unique<Bvh>(BuildBvh(ReadMeshTriangles(*mesh)));
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
    // Read whole, on the calling thread: a host's buffers need not take reads from
    // several threads. The arrays are filled whole below, so none is cleared first;
    // the bytes are held in words, as growing for overwrite asks.
    const size_t bytes = stride * static_cast<size_t>(vertices);
    BlockArray<uint32_t> words;
    GrowForOverwrite(words, (bytes + 3) / 4);
    vertexBuffer->Read(0, words.data(), bytes);
    const auto* vertexBytes = reinterpret_cast<const uint8_t*>(words.data());
    GrowForOverwrite(out.positions, 3 * static_cast<size_t>(vertices));
    tasks::ParallelFor(static_cast<size_t>(vertices), kVertexGrain, [&](size_t begin, size_t end) {
        for (size_t v = begin; v < end; ++v) std::memcpy(&out.positions[3 * v], vertexBytes + v * stride, 12);
    });
    const size_t indexCount = 3 * static_cast<size_t>(faces);
    GrowForOverwrite(out.indices, indexCount);
    if (mesh.GetOptions() & VgxMeshIndex32) {
        indexBuffer->Read(0, out.indices.data(), indexCount * 4);
    } else {
        std::vector<uint16_t> narrow(indexCount);
        indexBuffer->Read(0, narrow.data(), indexCount * 2);
        std::copy(narrow.begin(), narrow.end(), out.indices.begin());
    }
    const bool allNamed = tasks::AllRangesHold(indexCount, kIndexGrain, [&](size_t begin, size_t end) {
        return std::all_of(out.indices.begin() + begin, out.indices.begin() + end,
                           [&](uint32_t index) { return index < static_cast<uint32_t>(vertices); });
    });
    if (!allNamed) Raise(VgxErrSubscript);
    return out;
}

MeshHit IntersectTrianglesBruteForce(const MeshTriangles& triangles, const VgxVector& origin,
                                     const VgxVector& direction) {
    Candidate best;
    if (!vgx::IsFinite(origin) || !vgx::IsFinite(direction)) return {};
    const Ray ray{{origin.X, origin.Y, origin.Z}, {direction.X, direction.Y, direction.Z}};
    const int32_t count = triangles.TriangleCount();
    for (int32_t first = 0; first < count; first += 4) {
        Triangle group[4];
        const int32_t size = std::min(4, count - first);
        for (int32_t k = 0; k < size; ++k) group[k] = MakeTriangle(triangles, first + k);
        OfferTriangles(best, group, size, ray);
    }
    return Result(best);
}

MeshHit IntersectMesh(const std::shared_ptr<VgxDeviceMesh>& mesh, const VgxVector& origin, const VgxVector& direction) {
    if (!mesh || !vgx::IsFinite(origin) || !vgx::IsFinite(direction)) return {};
    if (direction.X == 0 && direction.Y == 0 && direction.Z == 0) return {};
    return TraverseBvh(HierarchyOf(mesh), Vec3{origin.X, origin.Y, origin.Z},
                       Vec3{direction.X, direction.Y, direction.Z});
}

}  // namespace vgx::platform
