// The scene root's vector, quaternion and colour helpers: each forwards to the
// retained-mode operations, so the host and the library compute alike.
#include <vgx/Vgx.h>

#include "base/finite.h"
#include "base/retained_mode.h"

namespace {
constexpr std::string_view kSource = "Vgx";
}  // namespace

float Vgx::VectorModulus(const VgxVector& Vector) const {
    vgx::RequireFinite(kSource, Vector);
    return vgx::rm::VectorModulus(Vector);
}

void Vgx::VectorRotate(VgxVector& Result, const VgxVector& Vector, const VgxVector& Axis, float Theta) const {
    vgx::RequireFinite(kSource, Vector, Axis, Theta);
    vgx::rm::VectorRotate(Result, Vector, Axis, Theta);
}

void Vgx::VectorScale(VgxVector& Result, const VgxVector& Vector, float Factor) const {
    vgx::RequireFinite(kSource, Vector, Factor);
    vgx::rm::VectorScale(Result, Vector, Factor);
}

void Vgx::VectorNormalize(VgxVector& Result, const VgxVector& Vector) const {
    vgx::RequireFinite(kSource, Vector);
    vgx::rm::VectorNormalize(Result, Vector);
}

float Vgx::VectorDotProduct(const VgxVector& Vector1, const VgxVector& Vector2) const {
    vgx::RequireFinite(kSource, Vector1, Vector2);
    return vgx::rm::VectorDotProduct(Vector1, Vector2);
}

void Vgx::VectorCrossProduct(VgxVector& Result, const VgxVector& Vector1, const VgxVector& Vector2) const {
    vgx::RequireFinite(kSource, Vector1, Vector2);
    vgx::rm::VectorCrossProduct(Result, Vector1, Vector2);
}

void Vgx::QuaternionFromRotation(VgxQuaternion& Result, const VgxVector& Vector, float Theta) const {
    vgx::RequireFinite(kSource, Vector, Theta);
    vgx::rm::QuaternionFromRotation(Result, Vector, Theta);
}

void Vgx::QuaternionMultiply(VgxQuaternion& Result, const VgxQuaternion& Quaternion1,
                             const VgxQuaternion& Quaternion2) const {
    vgx::RequireFinite(kSource, Quaternion1, Quaternion2);
    vgx::rm::QuaternionMultiply(Result, Quaternion1, Quaternion2);
}

float Vgx::ColorGetRed(int32_t Color) const { return vgx::rm::ColorGetRed(Color); }
float Vgx::ColorGetGreen(int32_t Color) const { return vgx::rm::ColorGetGreen(Color); }
float Vgx::ColorGetBlue(int32_t Color) const { return vgx::rm::ColorGetBlue(Color); }
float Vgx::ColorGetAlpha(int32_t Color) const { return vgx::rm::ColorGetAlpha(Color); }

int32_t Vgx::CreateColorRGBA(float Red, float Green, float Blue, float Alpha) const {
    vgx::RequireFinite(kSource, Red, Green, Blue, Alpha);
    return vgx::rm::CreateColorRGBA(Red, Green, Blue, Alpha);
}

int32_t Vgx::CreateColorRGB(float Red, float Green, float Blue) const {
    vgx::RequireFinite(kSource, Red, Green, Blue);
    return vgx::rm::CreateColorRGB(Red, Green, Blue);
}
