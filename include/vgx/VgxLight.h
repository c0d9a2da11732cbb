#pragma once
// A light source description the host's renderer reads; the library only stores it.
#include <cstdint>
#include <memory>

#include "VgxEnums.h"
#include "VgxForward.h"

class VgxLight : public std::enable_shared_from_this<VgxLight> {
public:
    ~VgxLight();
    VgxLight(const VgxLight&) = delete;
    VgxLight& operator=(const VgxLight&) = delete;

    VgxLightType GetType() const { return type_; }
    void SetType(VgxLightType LightType) { type_ = LightType; }
    int32_t GetColor() const { return color_; }
    void SetColor(int32_t Color) { color_ = Color; }
    // Raise 91 on a light that no scene root made.
    void GetColorRGB(float& Red, float& Green, float& Blue) const;
    void SetColorRGB(float Red, float Green, float Blue);
    // These and SetColorRGB raise 5 for a NaN or an infinity and change nothing.
    float GetConstantAttenuation() const { return constantAttenuation_; }
    void SetConstantAttenuation(float Value);
    float GetLinearAttenuation() const { return linearAttenuation_; }
    void SetLinearAttenuation(float Value);
    float GetQuadraticAttenuation() const { return quadraticAttenuation_; }
    void SetQuadraticAttenuation(float Value);
    float GetRange() const { return range_; }
    void SetRange(float Value);
    float GetUmbra() const { return umbra_; }
    void SetUmbra(float Value);
    float GetPenumbra() const { return penumbra_; }
    void SetPenumbra(float Value);
    bool GetCastShadow() const { return castShadow_; }
    void SetCastShadow(bool Value) { castShadow_ = Value; }
    int32_t GetAppData() const { return appData_; }
    void SetAppData(int32_t Data) { appData_ = Data; }

private:
    friend struct VgxAccess;
    friend class VgxGroup;
    VgxLight() = default;
    std::shared_ptr<VgxGroup> GetOwnerGroup() const { return ownerGroup_.lock(); }
    void SetOwnerGroup(const std::shared_ptr<VgxGroup>& Group) { ownerGroup_ = Group; }
    const std::shared_ptr<Vgx>& GetRoot() const;

    std::weak_ptr<VgxGroup> ownerGroup_;  // the group's list holds the light, not the reverse
    std::shared_ptr<Vgx> root_;
    VgxLightType type_ = VgxLightAmbient;
    int32_t appData_ = 0;
    int32_t color_ = 0;
    float constantAttenuation_ = 0;
    float linearAttenuation_ = 0;
    float quadraticAttenuation_ = 0;
    float range_ = 0;
    float umbra_ = 0;
    float penumbra_ = 0;
    bool castShadow_ = false;
};
