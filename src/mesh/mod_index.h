#pragma once
// The coordinate pools: find-or-insert into a list through its hash chains.
// Points, normals and UVs match within 0.0001 per component and are found
// through hash chains; edges match exactly. Each returns the index found or appended (-1 when
// find-only found nothing).
#include <cstdint>
#include <vector>

#include "mesh/mesh_records.h"

namespace vgx::modIndex {

// The 5-significant-digit sum of the components above 0.0001 in magnitude.
float PointHashKey(const VgxVector& point);
// The bucket of a float key: byte 2, plus byte 1 in tables of 65536 buckets.
int32_t FloatBucket(float key, int32_t tableType);

int32_t AddPooledPoint(std::vector<VgxPoint>& list, int32_t& count, HashTable& table, const VgxPoint& point,
                       bool findOnly, bool search);
int32_t AddPooledNormal(std::vector<iVgxNormal>& list, int32_t& count, HashTable& table, const VgxVector& normal,
                        bool search);
int32_t AddPooledUV(std::vector<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, const VgxUV& uv,
                    bool search);
int32_t AddPooledEdge(std::vector<iVgxEdge>& list, int32_t& count, FlatIndexMap& index, const iVgxEdge& edge,
                      bool findOnly);

}  // namespace vgx::modIndex
