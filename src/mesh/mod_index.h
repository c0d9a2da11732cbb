#pragma once
// The coordinate pools: find-or-insert into a list through its hash chains.
// Points, normals and UVs match within 0.0001 per component; edges and point-UV
// pairs match exactly. Each returns the index found or appended (-1 when
// find-only found nothing).
#include <cstdint>
#include <vector>

#include "mesh/mesh_records.h"

namespace vgx::modIndex {

// The 5-significant-digit sum of the components above 0.0001 in magnitude.
float PointHashKey(const VgxVector& point);
// The bucket of a float key (bytes 1 and 2) or an integer key (bytes 0 and 1).
int32_t FloatBucket(float key, int32_t tableType);
int32_t LongBucket(int32_t key, int32_t tableType);

int32_t AddPooledPoint(std::vector<VgxPoint>& list, int32_t& count, HashTable& table, const VgxPoint& point,
                       bool findOnly, bool search);
int32_t AddPooledNormal(std::vector<iVgxNormal>& list, int32_t& count, HashTable& table, const VgxVector& normal,
                        bool search);
int32_t AddPooledUV(std::vector<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, const VgxUV& uv,
                    bool search);
int32_t AddPooledEdge(std::vector<iVgxEdge>& list, int32_t& count, HashTable& table, const iVgxEdge& edge,
                      bool findOnly);
int32_t AddPooledPointUV(std::vector<VgxPointUV>& list, int32_t& count, HashTable& table, const VgxPointUV& entry);

}  // namespace vgx::modIndex
