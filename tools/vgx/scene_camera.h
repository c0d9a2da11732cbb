#pragma once
// A camera that frames a scene: its box from the objects' bounding boxes and the
// group transforms, then a view from a yaw and pitch around the box's centre.
// Matrices follow the library's convention (row vectors, p' = p x M) and its
// left-handed frame; the projection maps depth to OpenGL's -1..1.
#include <vgx/Vgx7a.h>

#include <memory>
#include <optional>

namespace vgxtool {

struct Camera {
    VgxMatrix view;
    VgxMatrix projection;
    VgxVector towardsLight;  // unit, in scene coordinates
    VgxVector towardsEye;    // unit: the view direction reversed
};

// p x m: a point carried by one of the library's matrices.
VgxVector TransformPoint(const VgxVector& p, const VgxMatrix& m);

// The box around every object with faces, in the frame of `top`; none when no
// object has faces. A mirrored object's copy lies beyond its box's far side on
// the mirror axis, where the library puts the mirror plane.
std::optional<VgxBox> SceneBounds(const std::shared_ptr<VgxGroup>& top);

// Looks at the box's centre from yaw degrees around +Y (0 looks along +Z) and
// pitch degrees above it, from far enough that the whole box fits the picture.
Camera FrameBox(const VgxBox& box, float yawDegrees, float pitchDegrees, float aspect);

}  // namespace vgxtool
