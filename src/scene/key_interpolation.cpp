#include "scene/key_interpolation.h"

#include <algorithm>
#include <cmath>

#include "base/errors.h"

namespace vgx::animation {

Neighbours NeighbourKeys(const std::vector<VgxAnimationKey>& keys, float time, bool closed) {
    const auto n = static_cast<int32_t>(keys.size());
    if (n == 1) return {0, 0, 0, 0, 0.0f};
    const auto k = static_cast<int32_t>(
        std::find_if(keys.begin(), keys.end(), [time](const VgxAnimationKey& key) { return key.dvTime > time; }) -
        keys.begin());
    // Before the first key: shifted by n - 2 when closed, clamped to 0 when open.
    auto below = [&](int32_t i) { return i >= 0 ? i : closed ? i + n - 2 : 0; };
    // Past the last key: `wrapped` when closed, clamped to n - 1 when open.
    auto above = [&](int32_t i, int32_t wrapped) { return i <= n - 1 ? i : closed ? wrapped : n - 1; };
    Neighbours result{below(k - 2), below(k - 1), above(k, 0), above(k + 1, 1), 0.0f};
    const float from = vgx::At(keys, result.i1).dvTime;
    const float span = vgx::At(keys, result.i2).dvTime - from;
    result.f = span == 0 ? 1.0f : (time - from) / span;
    return result;
}

VgxVector CatmullRom(const VgxVector& p0, const VgxVector& p1, const VgxVector& p2, const VgxVector& p3, float s) {
    const double s2 = static_cast<double>(s) * s, s3 = s2 * s;
    auto axis = [&](float a, float b, float c, float d) {
        return static_cast<float>(0.5 * (2.0 * b + (static_cast<double>(c) - a) * s +
                                         (2.0 * a - 5.0 * b + 4.0 * c - d) * s2 + (3.0 * b - a - 3.0 * c + d) * s3));
    };
    return {axis(p0.X, p1.X, p2.X, p3.X), axis(p0.Y, p1.Y, p2.Y, p3.Y), axis(p0.Z, p1.Z, p2.Z, p3.Z)};
}

VgxQuaternion Slerp(const VgxQuaternion& a, const VgxQuaternion& b, float f) {
    const double qa[4] = {a.s, a.V.X, a.V.Y, a.V.Z};
    double qb[4] = {b.s, b.V.X, b.V.Y, b.V.Z};
    double cosine = qa[0] * qb[0] + qa[1] * qb[1] + qa[2] * qb[2] + qa[3] * qb[3];
    if (cosine < 0) {  // q and -q are the same rotation: take the shorter arc
        for (double& c : qb) c = -c;
        cosine = -cosine;
    }
    double wa = 1 - f, wb = f;
    // Nearly equal quaternions: the sine below vanishes and a straight blend is exact enough.
    if (cosine < 0.9999) {
        const double angle = std::acos(cosine), sine = std::sin(angle);
        wa = std::sin((1 - f) * angle) / sine;
        wb = std::sin(f * angle) / sine;
    }
    double q[4];
    for (int i = 0; i < 4; ++i) q[i] = wa * qa[i] + wb * qb[i];
    return {static_cast<float>(q[0]), {static_cast<float>(q[1]), static_cast<float>(q[2]), static_cast<float>(q[3])}};
}

}  // namespace vgx::animation
