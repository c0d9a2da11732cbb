#include "scene_source.h"

#include <filesystem>
#include <fstream>

#include "primitives.h"
#include "tool_error.h"

namespace vgxtool {
namespace {

// The library reports a file it cannot read through the message box; the tool
// turns that message into its one-line error.
void LoadSceneFile(Vgx& root, VgxGroup& scene, const std::filesystem::path& path) {
    std::string complaint;
    struct RestoreHandler {
        Vgx& root;
        ~RestoreHandler() { root.SetMessageBoxHandler({}); }
    } restore{root};
    root.SetMessageBoxHandler([&](const std::string& text, const std::string&, int32_t) { complaint = text; });
    try {
        // Absolute, so the library's search path plays no part.
        scene.Load(std::filesystem::absolute(path).string());
    } catch (const VgxError& error) {
        complaint = error.Description;
    }
    if (!complaint.empty()) throw ToolError(path.string() + ": " + complaint);
}

}  // namespace

std::shared_ptr<VgxGroup> LoadScene(Vgx& root, const std::string& input) {
    std::shared_ptr<VgxGroup> scene = root.CreateGroup(nullptr);
    if (std::shared_ptr<VgxObject> primitive = MakePrimitive(root, input)) {
        scene->AddObject(primitive);
        return scene;
    }
    const std::filesystem::path path(input);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw ToolError(input + ": no such file, nor a built-in primitive (" + PrimitiveNames() + ")");
    }
    if (!std::filesystem::is_regular_file(path, error) || !std::ifstream(path, std::ios::binary)) {
        throw ToolError(input + ": cannot be read");
    }
    // The library tells the formats apart by their content.
    LoadSceneFile(root, *scene, path);
    return scene;
}

}  // namespace vgxtool
