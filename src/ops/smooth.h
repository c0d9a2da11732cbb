#pragma once
// The smoothing and mirroring build behind the displayed mesh, and the normal
// creasing the modelling operations share.
#include <vgx/VgxObject.h>

namespace vgx {

// Builds the working mesh, smoothing levels 1..SmoothingLevel and the visual mesh
// from the object's attributes; after point moves only positions are redone.
// Returns at once when the render data is current. Needs level 0's edges. True
// when only positions changed: then `changed` lists the displayed points whose
// position or normal changed.
bool BuildVisualLevels(VgxObject& object, std::vector<int32_t>& changed);
// Raises 9 for a smoothing level outside 0..4, before anything is built.
void ValidateSmoothingAttributes(const VgxObject& object);
// Gives every corner of level 0 the unit sum of its face's normal and those of
// the faces around its point that lie within `angle` degrees of it.
void CreaseNormals(VgxObject& object, float angle);

}  // namespace vgx
