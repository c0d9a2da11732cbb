// The library's own plug-in does nothing and names no one.
#include <vgx/PluginMaterial.h>

void PluginMaterial::Apply(VgxDevice&, const std::shared_ptr<VgxIndexBuffer>&, int32_t, int32_t,
                           const std::shared_ptr<VgxDeviceTexture>&, const std::shared_ptr<VgxDeviceTexture>&,
                           const std::shared_ptr<VgxDeviceTexture>&, const std::shared_ptr<VgxDeviceTexture>&,
                           const std::shared_ptr<VgxDeviceTexture>&, const std::shared_ptr<VgxDeviceTexture>&,
                           const std::vector<float>&, bool&) {}

std::string PluginMaterial::GetName() { return {}; }
std::string PluginMaterial::GetAuthor() { return {}; }
void PluginMaterial::GetParameters(std::vector<VgxParameter>&) {}
