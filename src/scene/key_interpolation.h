#pragma once
// Interpolation of animation keys: the four keys around a time, the position spline
// and the rotation slerp.
#include <vgx/VgxTypes.h>

#include <cstdint>
#include <vector>

namespace vgx::animation {

// Indices of the keys before the previous one, previous, next and after the next,
// and the fraction of the way from the previous key to the next.
struct Neighbours {
    int32_t i0, i1, i2, i3;
    float f;
};

// The neighbours of `time` in `keys` (ascending, at least one). A closed list wraps:
// indices below 0 move up by n - 2, past the end they become 0 and 1. A wrapped index
// may still fall outside the list: 9 when that is i1 or i2, whose times give f; the
// caller reads i0 and i3 checked.
Neighbours NeighbourKeys(const std::vector<VgxAnimationKey>& keys, float time, bool closed);

// The Catmull-Rom spline through p1 (s = 0) and p2 (s = 1).
VgxVector CatmullRom(const VgxVector& p0, const VgxVector& p1, const VgxVector& p2, const VgxVector& p3, float s);

// Spherical interpolation of unit quaternions from a (f = 0) to b (f = 1) along the
// shorter arc.
VgxQuaternion Slerp(const VgxQuaternion& a, const VgxQuaternion& b, float f);

}  // namespace vgx::animation
