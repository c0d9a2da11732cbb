#include "scene_camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scene_walk.h"

namespace vgxtool {
namespace {

constexpr float kVerticalFieldOfView = 35 * std::numbers::pi_v<float> / 180;

VgxVector Sub(const VgxVector& a, const VgxVector& b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
float Dot(const VgxVector& a, const VgxVector& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }
VgxVector Cross(const VgxVector& a, const VgxVector& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
VgxVector Normalize(const VgxVector& v) {
    const float length = std::sqrt(Dot(v, v));
    return {v.X / length, v.Y / length, v.Z / length};
}

void Include(VgxBox& box, const VgxVector& p) {
    box.Min = {std::min(box.Min.X, p.X), std::min(box.Min.Y, p.Y), std::min(box.Min.Z, p.Z)};
    box.Max = {std::max(box.Max.X, p.X), std::max(box.Max.Y, p.Y), std::max(box.Max.Z, p.Z)};
}

void ExtendByMirror(VgxBox& box, VgxAxis axis) {
    auto extend = [](float min, float& max) { max = 2 * max - min; };
    if (axis == VgxAxisX) extend(box.Min.X, box.Max.X);
    if (axis == VgxAxisY) extend(box.Min.Y, box.Max.Y);
    if (axis == VgxAxisZ) extend(box.Min.Z, box.Max.Z);
}

}  // namespace

VgxVector TransformPoint(const VgxVector& p, const VgxMatrix& m) {
    const float* a = m.m;
    return {p.X * a[0] + p.Y * a[4] + p.Z * a[8] + a[12], p.X * a[1] + p.Y * a[5] + p.Z * a[9] + a[13],
            p.X * a[2] + p.Y * a[6] + p.Z * a[10] + a[14]};
}

std::optional<VgxBox> SceneBounds(const std::shared_ptr<VgxGroup>& top) {
    std::optional<VgxBox> bounds;
    ForEachObject(top, [&](VgxObject& object, const VgxMatrix& toTop) {
        if (object.GetFaceCount() == 0) return;
        VgxBox box = object.GetBoundingBox();
        ExtendByMirror(box, object.GetMirrorAxis());
        for (int corner = 0; corner < 8; ++corner) {
            const VgxVector p = TransformPoint({(corner & 1 ? box.Max : box.Min).X, (corner & 2 ? box.Max : box.Min).Y,
                                                (corner & 4 ? box.Max : box.Min).Z},
                                               toTop);
            if (!bounds) bounds = VgxBox{p, p};
            Include(*bounds, p);
        }
    });
    return bounds;
}

Camera FrameBox(const VgxBox& box, float yawDegrees, float pitchDegrees, float aspect) {
    const VgxVector centre{(box.Min.X + box.Max.X) / 2, (box.Min.Y + box.Max.Y) / 2, (box.Min.Z + box.Max.Z) / 2};
    const float yaw = yawDegrees * std::numbers::pi_v<float> / 180;
    const float pitch = pitchDegrees * std::numbers::pi_v<float> / 180;
    const VgxVector forward{std::cos(pitch) * std::sin(yaw), -std::sin(pitch), std::cos(pitch) * std::cos(yaw)};
    // Left-handed: right = up x forward.
    const VgxVector right = Normalize(Cross({0, 1, 0}, forward));
    const VgxVector up = Cross(forward, right);

    // Back off until every corner of the box is inside the view: a corner at
    // (x, y, z) from the centre in camera axes needs |x| <= (distance + z) tan.
    const float tanY = std::tan(kVerticalFieldOfView / 2), tanX = tanY * aspect;
    float distance = 0, nearest = 0, farthest = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const VgxVector offset = Sub({(corner & 1 ? box.Max : box.Min).X, (corner & 2 ? box.Max : box.Min).Y,
                                      (corner & 4 ? box.Max : box.Min).Z},
                                     centre);
        const float x = Dot(offset, right), y = Dot(offset, up), z = Dot(offset, forward);
        distance = std::max({distance, std::abs(x) / tanX - z, std::abs(y) / tanY - z});
        nearest = std::min(nearest, z);
        farthest = std::max(farthest, z);
    }
    // A margin around the scene, and some depth even for a flat or point-like one.
    const float depth = std::max(farthest - nearest, 1e-3f);
    distance = std::max(distance * 1.08f, depth);
    const VgxVector eye = Sub(centre, {forward.X * distance, forward.Y * distance, forward.Z * distance});
    const float nearPlane = std::max(distance + nearest - 0.01f * depth, distance * 1e-3f);
    const float farPlane = distance + farthest + 0.01f * depth;

    Camera camera{};
    camera.view = {{right.X, up.X, forward.X, 0, right.Y, up.Y, forward.Y, 0, right.Z, up.Z, forward.Z, 0,
                    -Dot(right, eye), -Dot(up, eye), -Dot(forward, eye), 1}};
    camera.projection = {{1 / tanX, 0, 0, 0, 0, 1 / tanY, 0, 0, 0, 0, (farPlane + nearPlane) / (farPlane - nearPlane),
                          1, 0, 0, -2 * nearPlane * farPlane / (farPlane - nearPlane), 0}};
    // A key light over the viewer's left shoulder.
    const VgxVector towardsLight{-forward.X + 0.6f * up.X - 0.4f * right.X, -forward.Y + 0.6f * up.Y - 0.4f * right.Y,
                                 -forward.Z + 0.6f * up.Z - 0.4f * right.Z};
    camera.towardsLight = Normalize(towardsLight);
    camera.towardsEye = {-forward.X, -forward.Y, -forward.Z};
    return camera;
}

}  // namespace vgxtool
