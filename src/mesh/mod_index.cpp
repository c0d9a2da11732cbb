// Single adds into the pools: the plain chain walk for points, normals and UVs, one
// exact lookup for edges.
#include "mesh/mod_index.h"

#include "mesh/pool_chains.h"

namespace vgx::modIndex {

int32_t AddPooledPoint(BlockArray<VgxPoint>& list, int32_t& count, HashTable& table, const VgxPoint& point,
                       bool findOnly, bool search) {
    return FindOrInsert(list, count, table, PointPool::Bucket(point.Point, table.type), point, findOnly, search,
                        [&](const VgxPoint& candidate) { return PointPool::Matches(candidate.Point, point.Point); });
}

int32_t AddPooledNormal(BlockArray<iVgxNormal>& list, int32_t& count, HashTable& table, const VgxVector& normal,
                        bool search) {
    return AddOne<NormalPool>(list, count, table, NormalPool::Bucket(normal, table.type), normal, search);
}

int32_t AddPooledUV(BlockArray<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, const VgxUV& uv,
                    bool search) {
    return AddOne<UVPool>(list, count, table, UVPool::Bucket(uv, table.type), uv, search);
}

int32_t AddPooledEdge(BlockArray<iVgxEdge>& list, int32_t& count, FlatIndexMap& index, const iVgxEdge& edge,
                      bool findOnly) {
    // Exact matches: one lookup finds what walking a hash chain would.
    const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(edge.Point[0])) << 32 |
                         static_cast<uint32_t>(edge.Point[1]);
    const int32_t found = index.Find(key);
    if (found >= 0 || findOnly) return found;
    if (static_cast<int32_t>(list.size()) <= count) list.resize(static_cast<size_t>(count) + 1);
    list[count] = edge;
    index.Insert(key, count);
    return count++;
}

}  // namespace vgx::modIndex
