#pragma once
// The coordinate pools: find-or-insert into a list through its hash chains, the
// weld of coordinates that match. Points, normals and UVs match within 0.0001 per
// component and are found through hash chains; edges match exactly. Each returns
// the index found or appended (-1 when find-only found nothing).
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "mesh/decimal_key.h"
#include "mesh/mesh_records.h"

namespace vgx::modIndex {

int32_t AddPooledPoint(BlockArray<VgxPoint>& list, int32_t& count, HashTable& table, const VgxPoint& point,
                       bool findOnly, bool search);
int32_t AddPooledNormal(BlockArray<iVgxNormal>& list, int32_t& count, HashTable& table, const VgxVector& normal,
                        bool search);
int32_t AddPooledUV(BlockArray<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, const VgxUV& uv, bool search);
int32_t AddPooledEdge(BlockArray<iVgxEdge>& list, int32_t& count, FlatIndexMap& index, const iVgxEdge& edge,
                      bool findOnly);

// Batches: indexes[i] becomes exactly what the single call above would return
// for values[i], the values pooled in order (`indexes` is the batch's remap
// table). Large searching batches look
// matches up through a temporary index instead of walking the chains.
void AddPooledPoints(BlockArray<VgxPoint>& list, int32_t& count, HashTable& table, std::span<const VgxVector> points,
                     bool search, std::vector<int32_t>& indexes);
void AddPooledNormals(BlockArray<iVgxNormal>& list, int32_t& count, HashTable& table,
                      std::span<const VgxVector> normals, bool search, std::vector<int32_t>& indexes);
void AddPooledUVs(BlockArray<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, std::span<const VgxUV> uvs,
                  bool search, std::vector<int32_t>& indexes);
// Links entries [0, count) of a pool into an emptied table in index order, each
// under its current value: what adding them one by one without searching gives.
void RefilePoints(BlockArray<VgxPoint>& list, int32_t count, HashTable& table);
void RefileNormals(BlockArray<iVgxNormal>& list, int32_t count, HashTable& table);
void RefileUVs(BlockArray<iVgxUVCoordinate>& list, int32_t count, HashTable& table);

// Searching single adds into the pools of one level, each returning what
// AddPooledPoint, AddPooledNormal or AddPooledUV with `search` would. The cache
// may keep indexes of the pools across calls so that a long hash chain is not
// walked on every add; it follows appends made through these calls only, so its
// owner resets it whenever the pools change any other way (moved, overwritten,
// rebuilt, or grown by other calls).
struct PoolSearches;
struct PoolSearchesDeleter {
    void operator()(PoolSearches* searches) const;
};
using PoolSearchCache = std::unique_ptr<PoolSearches, PoolSearchesDeleter>;
int32_t SearchPoint(iVgxObject& level, PoolSearchCache& cache, const VgxVector& point);
int32_t SearchNormal(iVgxObject& level, PoolSearchCache& cache, const VgxVector& normal);
int32_t SearchUV(iVgxObject& level, PoolSearchCache& cache, const VgxUV& uv);

// Whether a batch of `incoming` searched values into a pool of `pooled` entries
// uses the temporary index; either way gives the same results.
bool BatchUsesIndex(size_t incoming, int32_t pooled);

}  // namespace vgx::modIndex
