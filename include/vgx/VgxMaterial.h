#pragma once
// The surface description faces refer to through their object's material slots.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VgxForward.h"
#include "VgxTypes.h"

class VgxMaterial : public std::enable_shared_from_this<VgxMaterial> {
public:
    ~VgxMaterial();
    VgxMaterial(const VgxMaterial&) = delete;
    VgxMaterial& operator=(const VgxMaterial&) = delete;

    // The device material, rebuilt only after a colour or power setter ran.
    D3DMATERIAL8 GetD3DMaterial();
    bool Translucent() const { return translucent_; }
    float GetPower() const { return power_; }
    void SetPower(float Power);
    // FieldID 0..5, else 9.
    void SetCustomFieldValue(int32_t FieldID, const std::string& FieldValue);
    std::string GetCustomFieldValue(int32_t FieldID) const;
    void SetPlugInID(int32_t PlugInID) { pluginId_ = PlugInID; }
    int32_t GetPluginID() const { return pluginId_; }
    // An empty array keeps the earlier parameters.
    void SetPlugInParameters(const std::vector<float>& PluginParameters);
    // Leaves the caller's array untouched when no parameters are stored.
    void GetPlugInParameters(std::vector<float>& PluginParameters) const;
    void GetColorRGBA(float& Red, float& Green, float& Blue, float& Alpha) const;
    void SetColorRGBA(float Red, float Green, float Blue, float Alpha);
    void GetEmissive(float& Red, float& Green, float& Blue) const;
    void SetEmissive(float Red, float Green, float Blue);
    void GetSpecular(float& Red, float& Green, float& Blue) const;
    void SetSpecular(float Red, float Green, float Blue);
    void GetTextureWrappingFlags(int32_t& U, int32_t& V) const;
    void SetTextureWrappingFlags(int32_t U, int32_t V);
    void GetAmbient(float& Red, float& Green, float& Blue) const;
    void SetAmbient(float Red, float Green, float Blue);
    std::string GetRaytraceAttributes() const { return raytraceAttributes_; }
    void SetRaytraceAttributes(const std::string& Attributes) { raytraceAttributes_ = Attributes; }
    std::shared_ptr<VgxTexture> GetTexture() const { return texture_; }
    void SetTexture(const std::shared_ptr<VgxTexture>& Texture);
    int32_t GetColor() const { return color_; }
    void SetColor(int32_t Color);
    int32_t GetAppData() const { return appData_; }
    void SetAppData(int32_t Data) { appData_ = Data; }
    std::string GetName() const { return name_; }
    void SetName(const std::string& Name) { name_ = Name; }

private:
    friend struct VgxAccess;
    VgxMaterial() = default;
    // Copies every setting but the plug-in id, plug-in parameters and custom fields,
    // each through Target's own setters.
    void CopyTo(VgxMaterial& Target) const;
    // The slot of this material in the material list of the object that added it.
    int32_t GetMaterialIndex() const { return materialIndex_; }
    void SetMaterialIndex(int32_t Index) { materialIndex_ = Index; }
    const std::shared_ptr<Vgx>& GetRoot() const { return root_; }
    void SetRoot(const std::shared_ptr<Vgx>& Root) { root_ = Root; }
    void UpdateTranslucent();
    const Vgx& RequireRoot() const;

    int32_t color_ = 0;
    std::shared_ptr<Vgx> root_;
    float power_ = 0;
    std::array<float, 3> emissive_{};
    std::array<float, 3> specular_{};
    std::array<float, 3> ambient_{};
    std::string raytraceAttributes_;
    int32_t wrapU_ = 0;
    int32_t wrapV_ = 0;
    std::shared_ptr<VgxTexture> texture_;
    int32_t appData_ = 0;
    int32_t materialIndex_ = 0;
    std::string name_;
    D3DMATERIAL8 deviceMaterial_{};
    bool deviceMaterialValid_ = false;
    bool translucent_ = false;
    std::array<std::string, 6> customFields_;
    int32_t pluginId_ = -1;
    std::vector<float> pluginParameters_;
};
