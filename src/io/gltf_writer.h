#pragma once
// glTF 2.0 out: a group's subtree, or one object, as nodes, meshes, materials and
// punctual lights.
#include <vgx/VgxForward.h>

#include <string>

namespace vgx::gltf {

// A `.glb` path gets one binary file; a `.gltf` path a JSON file and, beside it,
// its buffer in a `.bin` file of the same stem. Raises 75 when a file cannot be
// written, leaving none.
void SaveGroup(VgxGroup& group, const std::string& path);
void SaveObject(VgxObject& object, const std::string& path);

// Whether `path` names a glTF file by its extension (any case).
bool IsGltfPath(const std::string& path);

}  // namespace vgx::gltf
