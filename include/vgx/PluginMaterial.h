#pragma once
// The interface material plug-ins implement. The library stores plug-in objects
// in the scene root's registry and never calls them; the host does while drawing.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VgxDevice.h"
#include "VgxTypes.h"

class PluginMaterial {
public:
    virtual ~PluginMaterial() = default;
    // Draws one batch; sets DeviceStatesModified when it left device states changed.
    virtual void Apply(VgxDevice& D3DDevice, const std::shared_ptr<VgxIndexBuffer>& IndexData, int32_t BaseVertexIndex,
                       int32_t PrimitiveCount, const std::shared_ptr<VgxDeviceTexture>& TextureCombined,
                       const std::shared_ptr<VgxDeviceTexture>& Texture,
                       const std::shared_ptr<VgxDeviceTexture>& TextureOverlay,
                       const std::shared_ptr<VgxDeviceTexture>& NormalMap,
                       const std::shared_ptr<VgxDeviceTexture>& SpecularMap,
                       const std::shared_ptr<VgxDeviceTexture>& EnvironmentMap,
                       const std::vector<float>& UserDataSingles, bool& DeviceStatesModified);
    virtual std::string GetName();
    virtual std::string GetAuthor();
    virtual void GetParameters(std::vector<VgxParameter>& Parameters);
};
