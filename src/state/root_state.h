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

#include "base/access.h"
#include "platform/hidden_window.h"
#include "platform/message_box.h"
#include "state/texture_entry.h"

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

namespace vgx {

// The root's message box: its host's handler, or the log and standard error.
inline void ShowMessageBox(const Vgx& root, const std::string& text, int32_t style,
                           const std::string& title = "VorlanSG") {
    platform::ShowMessageBox(State(root).messageBox, text, style, title);
}

}  // namespace vgx
