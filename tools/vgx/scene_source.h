#pragma once
// Turns the FILE argument of `vgx render` into a scene below a fresh group.
#include <vgx/Vgx7a.h>

#include <memory>
#include <string>

namespace vgxtool {

// A built-in primitive name or a DirectX .x file (VgxGroup::Load); raises
// ToolError naming the input when it is neither, cannot be read or does not load.
std::shared_ptr<VgxGroup> LoadScene(Vgx& root, const std::string& input);

}  // namespace vgxtool
