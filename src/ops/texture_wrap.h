#pragma once
// Texture coordinates from a projection: the wrap operations behind
// VgxObject::ApplyWrap, in object coordinates and through a frame's matrix.
#include <vgx/VgxDevice.h>
#include <vgx/VgxEnums.h>
#include <vgx/VgxTypes.h>

#include <cstdint>
#include <vector>

namespace vgx::rm {

struct WrapParameters {
    VgxVector origin, dir, up;
    float ou, ov, su, sv;
};

// One (U, V) pair per corner into `uvs` (2 x cornerCount values), corners given as
// x, y, z each, faces as their corner counts. In the wrap's frame (z along dir, y
// along up made perpendicular to it, x = y x z, origin at `origin`) a corner at
// (x, y, z) gets, before scaling by (su, sv) and offsetting by (ou, ov):
//   flat      u = x, v = -y;
//   cylinder  u = turn about y from z (0..1, 0.5 on z), v = -y;
//   sphere    u as the cylinder, v = angle from +y over pi (0..1);
//   chrome    the unit direction d from the origin as a sphere map:
//             u = 0.5 + 0.5 d.x, v = 0.5 - 0.5 d.y.
// A face that a cylinder or sphere wrap sees across its seam (its u spanning more
// than half a turn) has its low u moved up one turn, so it is not smeared over the
// whole texture. 5 for an unknown type, a zero or non-finite dir or up, or parallel
// ones, before anything is written.
void WrapCorners(const std::vector<float>& positions, int32_t cornerCount, const std::vector<int32_t>& faceCorners,
                 int32_t faceCount, VgxWrapType type, const WrapParameters& parameters, std::vector<float>& uvs);
// The same with origin, dir and up given in the frame whose world matrix is `frame`.
void WrapCornersInFrame(const VgxMatrix& frame, const std::vector<float>& positions, int32_t cornerCount,
                        const std::vector<int32_t>& faceCorners, int32_t faceCount, VgxWrapType type,
                        const WrapParameters& parameters, std::vector<float>& uvs);

}  // namespace vgx::rm
