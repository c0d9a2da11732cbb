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

// Colours are 0xAARRGGBB. They are inline: image code calls them once per pixel.
namespace detail {
inline float Channel(int32_t color, int shift) {
    return static_cast<float>((static_cast<uint32_t>(color) >> shift) & 0xFFu) / 255.0f;
}
// Clamped to 0..1 (NaN to 0), times 255 in float, rounded half away from zero:
// the double sum is exact, so this is lround without the library call.
inline uint32_t ChannelByte(float component) {
    const float clamped = component >= 0.0f ? (component <= 1.0f ? component : 1.0f) : 0.0f;
    return static_cast<uint32_t>(static_cast<double>(clamped * 255.0f) + 0.5);
}
}  // namespace detail

inline float ColorGetRed(int32_t color) { return detail::Channel(color, 16); }
inline float ColorGetGreen(int32_t color) { return detail::Channel(color, 8); }
inline float ColorGetBlue(int32_t color) { return detail::Channel(color, 0); }
inline float ColorGetAlpha(int32_t color) { return detail::Channel(color, 24); }
// Each component clamped to 0..1, times 255, rounded to the nearest byte.
inline int32_t CreateColorRGBA(float red, float green, float blue, float alpha) {
    return static_cast<int32_t>(detail::ChannelByte(alpha) << 24 | detail::ChannelByte(red) << 16 |
                                detail::ChannelByte(green) << 8 | detail::ChannelByte(blue));
}
inline int32_t CreateColorRGB(float red, float green, float blue) { return CreateColorRGBA(red, green, blue, 1.0f); }

}  // namespace vgx::rm
