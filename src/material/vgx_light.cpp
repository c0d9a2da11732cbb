#include <vgx/Vgx.h>
#include <vgx/VgxLight.h>

#include "root/errors.h"
#include "root/access.h"

VgxLight::~VgxLight() = default;

const std::shared_ptr<Vgx>& VgxLight::GetRoot() const {
    if (!root_) vgx::Raise(VgxErrObjectNotSet);
    return root_;
}

void VgxLight::GetColorRGB(float& Red, float& Green, float& Blue) const {
    const Vgx& root = *GetRoot();
    Red = root.ColorGetRed(color_);
    Green = root.ColorGetGreen(color_);
    Blue = root.ColorGetBlue(color_);
}

void VgxLight::SetColorRGB(float Red, float Green, float Blue) { color_ = GetRoot()->CreateColorRGB(Red, Green, Blue); }

