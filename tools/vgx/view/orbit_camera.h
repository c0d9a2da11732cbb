#pragma once
// The viewer's camera: a yaw and pitch around a framed box, a zoom towards its
// centre and a pan across the view, turned into the matrices `vgx render` uses.
#include <vgx/Vgx7a.h>

#include "../scene_camera.h"

namespace vgxtool {

class OrbitCamera {
public:
    // Looks at the box from the current direction, zoom and pan reset.
    void Frame(const VgxBox& box);
    void Orbit(float yawDegrees, float pitchDegrees);
    // A factor below 1 comes closer.
    void Zoom(float factor);
    // Moves the scene by pixels of a `width` x `height` viewport.
    void Pan(float dxPixels, float dyPixels, int32_t width, int32_t height);
    Camera Make(float aspect) const;

private:
    VgxBox framed_{{-1, -1, -1}, {1, 1, 1}};
    VgxVector pan_{0, 0, 0};
    float yawDegrees_ = 30, pitchDegrees_ = 25;
    float zoom_ = 1;
};

// The scene-frame displacement that moves a point at `at` by (dx, dy) pixels on a
// viewport `height` pixels high (y downwards, as the mouse counts).
VgxVector ScreenDeltaToScene(const Camera& camera, const VgxVector& at, float dxPixels, float dyPixels, int32_t height);

// The same matrices with depth mapped to 0..1, as a Direct3D device's projection
// maps it: what the library's picking unprojects with.
VgxMatrix DeviceProjection(const VgxMatrix& openGlProjection);

}  // namespace vgxtool
