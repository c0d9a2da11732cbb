#include "base/retained_mode.h"

#include <algorithm>
#include <cmath>

namespace vgx::rm {
namespace {

struct Vec3d {
    double x, y, z;
};

Vec3d Widen(const VgxVector& v) { return {v.X, v.Y, v.Z}; }
VgxVector Narrow(const Vec3d& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}
double Dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3d Cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3d Unit(const Vec3d& v) {
    double length = std::sqrt(Dot(v, v));
    if (length == 0) return {0, 0, 0};
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

float VectorModulus(const VgxVector& v) {
    Vec3d w = Widen(v);
    return static_cast<float>(std::sqrt(Dot(w, w)));
}

void VectorRotate(VgxVector& result, const VgxVector& v, const VgxVector& axis, float theta) {
    Vec3d a = Unit(Widen(axis));
    Vec3d p = Widen(v);
    double c = std::cos(static_cast<double>(theta));
    double s = std::sin(static_cast<double>(theta));
    Vec3d axv = Cross(a, p);
    double along = Dot(a, p) * (1 - c);
    Vec3d rotated{p.x * c - axv.x * s + a.x * along, p.y * c - axv.y * s + a.y * along,
                  p.z * c - axv.z * s + a.z * along};
    result = Narrow(Unit(rotated));
}

void VectorScale(VgxVector& result, const VgxVector& v, float factor) {
    result = {v.X * factor, v.Y * factor, v.Z * factor};
}

void VectorNormalize(VgxVector& result, const VgxVector& v) { result = Narrow(Unit(Widen(v))); }

float VectorDotProduct(const VgxVector& a, const VgxVector& b) {
    return static_cast<float>(Dot(Widen(a), Widen(b)));
}

void VectorCrossProduct(VgxVector& result, const VgxVector& a, const VgxVector& b) {
    result = Narrow(Cross(Widen(a), Widen(b)));
}

void QuaternionFromRotation(VgxQuaternion& result, const VgxVector& axis, float theta) {
    Vec3d a = Unit(Widen(axis));
    double half = static_cast<double>(theta) / 2;
    double s = std::sin(half);
    result = {static_cast<float>(std::cos(half)), Narrow({a.x * s, a.y * s, a.z * s})};
}

void QuaternionMultiply(VgxQuaternion& result, const VgxQuaternion& q1, const VgxQuaternion& q2) {
    Vec3d v1 = Widen(q1.V), v2 = Widen(q2.V);
    double s1 = q1.s, s2 = q2.s;
    Vec3d c = Cross(v1, v2);
    result = {static_cast<float>(s1 * s2 - Dot(v1, v2)),
              Narrow({s1 * v2.x + s2 * v1.x + c.x, s1 * v2.y + s2 * v1.y + c.y, s1 * v2.z + s2 * v1.z + c.z})};
}

}  // namespace vgx::rm
