#pragma once
// The viewer's Dear ImGui panel (files, selection mode, settings, operations, undo)
// and its status line along the bottom of the window.
#include <array>

#include "viewer.h"

namespace vgxtool {

class ViewPanel {
public:
    // Draws both inside the current ImGui frame; buttons act on the viewer at once.
    void Draw(Viewer& viewer, int32_t windowWidth, int32_t windowHeight);

private:
    std::array<char, 512> openPath_{};
    std::array<char, 512> savePath_{"scene.glb"};
    std::array<char, 512> texturePath_{};
};

}  // namespace vgxtool
