#include "orbit_camera.h"

#include <algorithm>

namespace vgxtool {
namespace {

VgxVector CameraRight(const VgxMatrix& view) { return {view.m[0], view.m[4], view.m[8]}; }
VgxVector CameraUp(const VgxMatrix& view) { return {view.m[1], view.m[5], view.m[9]}; }
float CameraDepth(const VgxMatrix& view, const VgxVector& p) {
    return p.X * view.m[2] + p.Y * view.m[6] + p.Z * view.m[10] + view.m[14];
}

// Moves the eye `distance` along the view direction and keeps the near and far
// planes around the same stretch of the scene (never behind the eye).
void MoveEyeForward(Camera& camera, float distance) {
    camera.view.m[14] -= distance;
    float* p = camera.projection.m;
    const float nearPlane = -p[14] / (p[10] + 1), farPlane = -p[14] / (p[10] - 1);
    const float newFar = farPlane - distance;
    const float newNear = std::max(nearPlane - distance, newFar * 1e-4f);
    p[10] = (newFar + newNear) / (newFar - newNear);
    p[14] = -2 * newNear * newFar / (newFar - newNear);
}

}  // namespace

void OrbitCamera::Frame(const VgxBox& box) {
    framed_ = box;
    pan_ = {0, 0, 0};
    zoom_ = 1;
}

void OrbitCamera::Orbit(float yawDegrees, float pitchDegrees) {
    yawDegrees_ += yawDegrees;
    // Short of straight up or down, where the camera's up direction flips.
    pitchDegrees_ = std::clamp(pitchDegrees_ + pitchDegrees, -89.f, 89.f);
}

void OrbitCamera::Zoom(float factor) { zoom_ = std::clamp(zoom_ * factor, 0.02f, 50.f); }

void OrbitCamera::Pan(float dxPixels, float dyPixels, int32_t width, int32_t height) {
    const Camera camera = Make(static_cast<float>(width) / static_cast<float>(height));
    const VgxVector centre{(framed_.Min.X + framed_.Max.X) / 2 + pan_.X, (framed_.Min.Y + framed_.Max.Y) / 2 + pan_.Y,
                           (framed_.Min.Z + framed_.Max.Z) / 2 + pan_.Z};
    // The scene follows the mouse, so the box the view frames moves the other way.
    const VgxVector move = ScreenDeltaToScene(camera, centre, -dxPixels, -dyPixels, height);
    pan_ = {pan_.X + move.X, pan_.Y + move.Y, pan_.Z + move.Z};
}

Camera OrbitCamera::Make(float aspect) const {
    const VgxBox moved{{framed_.Min.X + pan_.X, framed_.Min.Y + pan_.Y, framed_.Min.Z + pan_.Z},
                       {framed_.Max.X + pan_.X, framed_.Max.Y + pan_.Y, framed_.Max.Z + pan_.Z}};
    Camera camera = FrameBox(moved, yawDegrees_, pitchDegrees_, aspect);
    const VgxVector centre{(moved.Min.X + moved.Max.X) / 2, (moved.Min.Y + moved.Max.Y) / 2,
                           (moved.Min.Z + moved.Max.Z) / 2};
    MoveEyeForward(camera, (1 - zoom_) * CameraDepth(camera.view, centre));
    return camera;
}

VgxVector ScreenDeltaToScene(const Camera& camera, const VgxVector& at, float dxPixels, float dyPixels,
                             int32_t height) {
    // A pixel spans 2 tan(fov/2) / height of the depth; projection[5] is 1 / tan(fov/2).
    const float perPixel = 2 * CameraDepth(camera.view, at) / (camera.projection.m[5] * static_cast<float>(height));
    const VgxVector right = CameraRight(camera.view), up = CameraUp(camera.view);
    const float x = dxPixels * perPixel, y = -dyPixels * perPixel;
    return {right.X * x + up.X * y, right.Y * x + up.Y * y, right.Z * x + up.Z * y};
}

VgxMatrix DeviceProjection(const VgxMatrix& openGlProjection) {
    // Row vectors: the third column makes depth; z' = (z + w) / 2.
    VgxMatrix projection = openGlProjection;
    for (int row = 0; row < 4; ++row) {
        float* m = projection.m + row * 4;
        m[2] = (m[2] + m[3]) / 2;
    }
    return projection;
}

}  // namespace vgxtool
