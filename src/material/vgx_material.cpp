#include <vgx/Vgx.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxTexture.h>

#include <cctype>

#include "base/errors.h"
#include "base/finite.h"
#include "base/retained_mode.h"

namespace {

constexpr std::string_view kSource = "VgxMaterial";
// Alpha above which a colour is drawn opaque, below which it is translucent.
constexpr float kOpaqueAlpha = 0.97f;

bool EndsWithTranslucentFormat(const std::string& name) {
    if (name.size() < 3) return false;
    std::string tail = name.substr(name.size() - 3);
    for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == "TGA" || tail == "PNG" || tail == "DDS";
}

}  // namespace

VgxMaterial::~VgxMaterial() = default;

const Vgx& VgxMaterial::RequireRoot() const {
    if (!root_) vgx::Raise(VgxErrObjectNotSet);
    return *root_;
}

D3DMATERIAL8 VgxMaterial::GetD3DMaterial() {
    if (deviceMaterialValid_) return deviceMaterial_;
    RequireRoot();
    D3DMATERIAL8 m{};
    m.Diffuse = {vgx::rm::ColorGetRed(color_), vgx::rm::ColorGetGreen(color_), vgx::rm::ColorGetBlue(color_),
                 vgx::rm::ColorGetAlpha(color_)};
    if (m.Diffuse.a > kOpaqueAlpha) m.Diffuse.a = 1.0f;
    // An all-black ambient or emissive follows the diffuse colour instead.
    if (ambient_[0] == 0 && ambient_[1] == 0 && ambient_[2] == 0) {
        m.Ambient = {m.Diffuse.r * 0.6f, m.Diffuse.g * 0.6f, m.Diffuse.b * 0.6f, 0};
    } else {
        m.Ambient = {ambient_[0], ambient_[1], ambient_[2], 0};
    }
    if (emissive_[0] == 0 && emissive_[1] == 0 && emissive_[2] == 0) {
        m.Emissive = {m.Diffuse.r * 0.2f, m.Diffuse.g * 0.2f, m.Diffuse.b * 0.2f, 0};
    } else {
        m.Emissive = {emissive_[0], emissive_[1], emissive_[2], 0};
    }
    m.Specular = {specular_[0], specular_[1], specular_[2], 1.0f};
    m.Power = power_;
    deviceMaterial_ = m;
    deviceMaterialValid_ = true;
    return m;
}

void VgxMaterial::SetPower(float Power) {
    vgx::RequireFinite(kSource, Power);
    power_ = Power;
    deviceMaterialValid_ = false;
}

void VgxMaterial::SetCustomFieldValue(int32_t FieldID, const std::string& FieldValue) {
    vgx::At(customFields_, FieldID) = FieldValue;
}

std::string VgxMaterial::GetCustomFieldValue(int32_t FieldID) const { return vgx::At(customFields_, FieldID); }

void VgxMaterial::SetPlugInParameters(const std::vector<float>& PluginParameters) {
    vgx::RequireFinite(kSource, PluginParameters);
    if (!PluginParameters.empty()) pluginParameters_ = PluginParameters;
}

void VgxMaterial::GetPlugInParameters(std::vector<float>& PluginParameters) const {
    if (!pluginParameters_.empty()) PluginParameters = pluginParameters_;
}

void VgxMaterial::GetColorRGBA(float& Red, float& Green, float& Blue, float& Alpha) const {
    RequireRoot();
    Red = vgx::rm::ColorGetRed(color_);
    Green = vgx::rm::ColorGetGreen(color_);
    Blue = vgx::rm::ColorGetBlue(color_);
    Alpha = vgx::rm::ColorGetAlpha(color_);
}

void VgxMaterial::SetColorRGBA(float Red, float Green, float Blue, float Alpha) {
    vgx::RequireFinite(kSource, Red, Green, Blue, Alpha);
    RequireRoot();
    SetColor(vgx::rm::CreateColorRGBA(Red, Green, Blue, Alpha));
}

void VgxMaterial::SetColor(int32_t Color) {
    RequireRoot();
    color_ = Color;
    UpdateTranslucent();
    deviceMaterialValid_ = false;
}

void VgxMaterial::GetEmissive(float& Red, float& Green, float& Blue) const {
    Red = emissive_[0], Green = emissive_[1], Blue = emissive_[2];
}

void VgxMaterial::SetEmissive(float Red, float Green, float Blue) {
    vgx::RequireFinite(kSource, Red, Green, Blue);
    emissive_ = {Red, Green, Blue};
    deviceMaterialValid_ = false;
}

void VgxMaterial::GetSpecular(float& Red, float& Green, float& Blue) const {
    Red = specular_[0], Green = specular_[1], Blue = specular_[2];
}

void VgxMaterial::SetSpecular(float Red, float Green, float Blue) {
    vgx::RequireFinite(kSource, Red, Green, Blue);
    specular_ = {Red, Green, Blue};
    deviceMaterialValid_ = false;
}

void VgxMaterial::GetAmbient(float& Red, float& Green, float& Blue) const {
    Red = ambient_[0], Green = ambient_[1], Blue = ambient_[2];
}

void VgxMaterial::SetAmbient(float Red, float Green, float Blue) {
    vgx::RequireFinite(kSource, Red, Green, Blue);
    ambient_ = {Red, Green, Blue};
    deviceMaterialValid_ = false;
}

void VgxMaterial::GetTextureWrappingFlags(int32_t& U, int32_t& V) const { U = wrapU_, V = wrapV_; }

void VgxMaterial::SetTextureWrappingFlags(int32_t U, int32_t V) { wrapU_ = U, wrapV_ = V; }

void VgxMaterial::SetTexture(const std::shared_ptr<VgxTexture>& Texture) {
    RequireRoot();
    texture_ = Texture;
    UpdateTranslucent();
}

void VgxMaterial::UpdateTranslucent() {
    vgx::Trap(kSource, [&] {
        translucent_ = false;
        RequireRoot();
        if (vgx::rm::ColorGetAlpha(color_) < kOpaqueAlpha) {
            translucent_ = true;
            return;
        }
        if (!texture_) return;
        // A texture whose names cannot be read (its entry is gone) makes no difference.
        try {
            std::string alphaMap = texture_->GetTranslucencyMapName();
            if (alphaMap.size() > 2) {
                translucent_ = true;
            } else {
                translucent_ = EndsWithTranslucentFormat(texture_->GetTextureName());
            }
        } catch (const VgxError&) {
        }
    });
}

void VgxMaterial::CopyTo(VgxMaterial& Target) const {
    Target.SetRoot(root_);
    Target.SetAmbient(ambient_[0], ambient_[1], ambient_[2]);
    Target.SetAppData(appData_);
    Target.SetColor(color_);
    Target.SetEmissive(emissive_[0], emissive_[1], emissive_[2]);
    Target.SetMaterialIndex(materialIndex_);
    Target.SetName(name_);
    Target.SetPower(power_);
    Target.SetRaytraceAttributes(raytraceAttributes_);
    Target.SetSpecular(specular_[0], specular_[1], specular_[2]);
    Target.SetTexture(texture_);
    Target.SetTextureWrappingFlags(wrapU_, wrapV_);
}
