#pragma once
// The state of one scene root.
#include <vgx/PluginMaterial.h>
#include <vgx/Vgx.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "material/texture_entry.h"
#include "platform/hidden_window.h"
#include "root/access.h"

struct vgx::RootState {
    std::vector<vgx::iVgxTexture> textures;
    // Images loaded scene files held inside them, by upper-cased file name: the
    // texture maps that name them are decoded from these bytes.
    std::unordered_map<std::string, std::vector<uint8_t>> embeddedImages;
    int32_t nextDeviceId = 0;
    int32_t nextObjectId = 0;
    std::array<std::string, 3> searchPaths;
    std::vector<std::string> pluginNames;
    std::vector<std::shared_ptr<PluginMaterial>> pluginObjects;
    int32_t pluginCount = 0;
    std::unique_ptr<vgx::platform::HiddenWindow> hiddenWindow;
    VgxMessageBoxHandler messageBox;
};
