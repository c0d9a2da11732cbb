// vgx view in a build without GLFW or Dear ImGui.
#include "../commands.h"
#include "../tool_error.h"

namespace vgxtool {

int RunView(int, char**) {
    throw ToolError("this vgx was built without GLFW and Dear ImGui (install libglfw3-dev and libimgui-dev)");
}

}  // namespace vgxtool
