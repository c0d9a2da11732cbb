#include <vgx/Vgx.h>
#include <vgx/VgxLight.h>

#include "base/access.h"
#include "base/errors.h"
#include "base/finite.h"
#include "base/retained_mode.h"

namespace {

constexpr std::string_view kSource = "VgxLight";

void StoreFinite(float& field, float value) {
    vgx::RequireFinite(kSource, value);
    field = value;
}

}  // namespace

VgxLight::~VgxLight() = default;

const std::shared_ptr<Vgx>& VgxLight::GetRoot() const {
    if (!root_) vgx::Raise(VgxErrObjectNotSet);
    return root_;
}

void VgxLight::GetColorRGB(float& Red, float& Green, float& Blue) const {
    GetRoot();
    Red = vgx::rm::ColorGetRed(color_);
    Green = vgx::rm::ColorGetGreen(color_);
    Blue = vgx::rm::ColorGetBlue(color_);
}

void VgxLight::SetColorRGB(float Red, float Green, float Blue) {
    vgx::RequireFinite(kSource, Red, Green, Blue);
    GetRoot();
    color_ = vgx::rm::CreateColorRGB(Red, Green, Blue);
}

void VgxLight::SetConstantAttenuation(float Value) { StoreFinite(constantAttenuation_, Value); }
void VgxLight::SetLinearAttenuation(float Value) { StoreFinite(linearAttenuation_, Value); }
void VgxLight::SetQuadraticAttenuation(float Value) { StoreFinite(quadraticAttenuation_, Value); }
void VgxLight::SetRange(float Value) { StoreFinite(range_, Value); }
void VgxLight::SetUmbra(float Value) { StoreFinite(umbra_, Value); }
void VgxLight::SetPenumbra(float Value) { StoreFinite(penumbra_, Value); }
