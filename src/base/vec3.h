#pragma once
// A double-precision vector for the smoothing arithmetic: sums of many float
// positions are formed in double and stored back as float.
#include <cmath>

#include <vgx/VgxTypes.h>

namespace vgx {

struct Vec3 {
    double x = 0, y = 0, z = 0;
    Vec3() = default;
    Vec3(double ax, double ay, double az) : x(ax), y(ay), z(az) {}
    explicit Vec3(const VgxVector& v) : x(v.X), y(v.Y), z(v.Z) {}
    Vec3& operator+=(const Vec3& o) {
        x += o.x, y += o.y, z += o.z;
        return *this;
    }
    friend Vec3 operator+(Vec3 a, const Vec3& b) { return a += b; }
    friend Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
    double Dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 Cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    // The unit vector; zero stays zero.
    Vec3 Unit() const {
        const double length = std::sqrt(Dot(*this));
        return length > 0 ? *this * (1 / length) : Vec3{};
    }
    VgxVector ToFloat() const { return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)}; }
};

}  // namespace vgx
