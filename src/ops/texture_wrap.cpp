#include "ops/texture_wrap.h"

#include <vgx/VgxError.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/errors.h"
#include "base/frame_math.h"
#include "base/vec3.h"

namespace vgx::rm {
namespace {

constexpr double kTurn = 2 * std::numbers::pi;

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
double Length(const Vec3& v) { return std::sqrt(v.Dot(v)); }

struct WrapFrame {
    Vec3 origin, x, y, z;
};

WrapFrame FrameOf(const WrapParameters& p) {
    const Vec3 dir(p.dir), up(p.up);
    if (!Finite(dir) || !Finite(up) || Length(dir) == 0) Raise(VgxErrInvalidCall);
    WrapFrame frame;
    frame.origin = Vec3(p.origin);
    frame.z = dir.Unit();
    const Vec3 upright = up - frame.z * up.Dot(frame.z);
    // Parallel (or zero) up: nothing tells the projection which way is up.
    if (Length(up) == 0 || Length(upright) <= 1e-6 * Length(up)) Raise(VgxErrInvalidCall);
    frame.y = upright.Unit();
    frame.x = frame.y.Cross(frame.z);
    return frame;
}

// The projection of one corner, before scale and offset.
void Project(VgxWrapType type, const WrapFrame& frame, const Vec3& p, double& u, double& v) {
    const Vec3 d = p - frame.origin;
    const double x = d.Dot(frame.x), y = d.Dot(frame.y), z = d.Dot(frame.z);
    const double r = Length(d);
    switch (type) {
        case VgxWrapFlat:
            u = x, v = -y;
            return;
        case VgxWrapCylinder:
            u = std::atan2(x, z) / kTurn + 0.5, v = -y;
            return;
        case VgxWrapSphere:
            u = std::atan2(x, z) / kTurn + 0.5;
            v = r > 0 ? std::acos(std::clamp(y / r, -1.0, 1.0)) / std::numbers::pi : 0.5;
            return;
        case VgxWrapChrome:
            u = 0.5 + 0.5 * (r > 0 ? x / r : 0.0);
            v = 0.5 - 0.5 * (r > 0 ? y / r : 0.0);
            return;
    }
}

void Wrap(const WrapFrame& frame, const std::vector<float>& positions, int32_t cornerCount,
          const std::vector<int32_t>& faceCorners, int32_t faceCount, VgxWrapType type,
          const WrapParameters& parameters, std::vector<float>& uvs) {
    if (type < VgxWrapFlat || type > VgxWrapChrome) Raise(VgxErrInvalidCall);
    if (cornerCount < 0 || positions.size() < static_cast<size_t>(cornerCount) * 3 || faceCount < 0 ||
        faceCorners.size() < static_cast<size_t>(faceCount)) {
        Raise(VgxErrSubscript);
    }
    std::vector<double> u(static_cast<size_t>(cornerCount)), v(static_cast<size_t>(cornerCount));
    for (int32_t c = 0; c < cornerCount; ++c) {
        const Vec3 p(positions[c * 3], positions[c * 3 + 1], positions[c * 3 + 2]);
        Project(type, frame, p, u[c], v[c]);
    }
    if (type == VgxWrapCylinder || type == VgxWrapSphere) {
        size_t start = 0;
        for (int32_t f = 0; f < faceCount && start < u.size(); ++f) {
            const size_t end = std::min(u.size(), start + static_cast<size_t>(std::max(faceCorners[f], 0)));
            const auto [low, high] = std::minmax_element(u.begin() + start, u.begin() + end);
            if (low != u.begin() + end && *high - *low > 0.5) {
                for (size_t c = start; c < end; ++c) {
                    if (u[c] < 0.5) u[c] += 1;
                }
            }
            start = end;
        }
    }
    uvs.resize(static_cast<size_t>(cornerCount) * 2);
    for (int32_t c = 0; c < cornerCount; ++c) {
        uvs[c * 2] = static_cast<float>(parameters.ou + parameters.su * u[c]);
        uvs[c * 2 + 1] = static_cast<float>(parameters.ov + parameters.sv * v[c]);
    }
}

}  // namespace

void WrapCorners(const std::vector<float>& positions, int32_t cornerCount, const std::vector<int32_t>& faceCorners,
                 int32_t faceCount, VgxWrapType type, const WrapParameters& parameters, std::vector<float>& uvs) {
    Wrap(FrameOf(parameters), positions, cornerCount, faceCorners, faceCount, type, parameters, uvs);
}

void WrapCornersInFrame(const VgxMatrix& frame, const std::vector<float>& positions, int32_t cornerCount,
                        const std::vector<int32_t>& faceCorners, int32_t faceCount, VgxWrapType type,
                        const WrapParameters& parameters, std::vector<float>& uvs) {
    WrapParameters placed = parameters;
    placed.origin = TransformPoint(parameters.origin, frame);
    // Directions turn with the frame but do not move with it.
    const VgxVector zero = TransformPoint({0, 0, 0}, frame);
    const auto direction = [&](const VgxVector& d) {
        const VgxVector moved = TransformPoint(d, frame);
        return VgxVector{moved.X - zero.X, moved.Y - zero.Y, moved.Z - zero.Z};
    };
    placed.dir = direction(parameters.dir);
    placed.up = direction(parameters.up);
    Wrap(FrameOf(placed), positions, cornerCount, faceCorners, faceCount, type, parameters, uvs);
}

}  // namespace vgx::rm
