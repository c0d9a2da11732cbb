#pragma once
// Vector routines shared by the mesh code.
#include <cstdint>
#include <vector>

#include <vgx/VgxTypes.h>

namespace vgx::modVector {

// Each component differs by less than 0.0001 (differences taken in 32-bit floats).
bool VectorsEqual(const VgxVector& a, const VgxVector& b);
// Each component differs by strictly less than `tolerance`.
bool VectorsEqualWithin(const VgxVector& a, const VgxVector& b, float tolerance);
// The angle between unit vectors a and b is strictly below `tolerance` radians.
bool VectorsWithinAngle(const VgxVector& a, const VgxVector& b, float tolerance);
// Unit normal at corner i of a closed polygon, (p[i] - p[prev]) x (p[next] - p[i]);
// the zero vector when that cross product is exactly zero.
VgxVector PolygonCornerNormal(const std::vector<VgxVector>& points, int32_t i);
// Rotates every vector of `source` by the rotation that carries `from` onto `to`,
// keeping each vector's length, into `result` (already sized like `source`).
// Opposite directions turn half a turn about the X axis.
void RotateVectorList(const std::vector<VgxVector>& source, const VgxVector& to, std::vector<VgxVector>& result,
                      const VgxVector& from);

}  // namespace vgx::modVector
