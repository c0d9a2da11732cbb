#pragma once
// The vector, quaternion and colour operations every part of the library computes
// with. Angles are radians. A result may alias an input: each reads all of its
// inputs before it writes.
#include <cstdint>

#include <vgx/VgxTypes.h>

namespace vgx::rm {

float VectorModulus(const VgxVector& v);
// `v` rotated about `axis` by `theta`, returned with unit length. The sense is the
// one that carries `from` onto `to` when the axis is to x from.
void VectorRotate(VgxVector& result, const VgxVector& v, const VgxVector& axis, float theta);
void VectorScale(VgxVector& result, const VgxVector& v, float factor);
// Unit vector; the zero vector stays zero.
void VectorNormalize(VgxVector& result, const VgxVector& v);
float VectorDotProduct(const VgxVector& a, const VgxVector& b);
void VectorCrossProduct(VgxVector& result, const VgxVector& a, const VgxVector& b);
// s = cos(theta / 2), V = unit axis x sin(theta / 2).
void QuaternionFromRotation(VgxQuaternion& result, const VgxVector& axis, float theta);
// Hamilton product q1 q2; with the library's rotation sense (that of
// VectorRotate) the product turns by q1 first, then by q2.
void QuaternionMultiply(VgxQuaternion& result, const VgxQuaternion& q1, const VgxQuaternion& q2);
float ColorGetRed(int32_t color);
float ColorGetGreen(int32_t color);
float ColorGetBlue(int32_t color);
float ColorGetAlpha(int32_t color);
// Each component clamped to 0..1, times 255, rounded to the nearest byte.
int32_t CreateColorRGBA(float red, float green, float blue, float alpha);
int32_t CreateColorRGB(float red, float green, float blue);

}  // namespace vgx::rm
