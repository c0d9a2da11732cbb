#pragma once
// Objects and groups in the form a .x file holds them.
#include <vgx/VgxForward.h>

#include <string>

#include "platform/xfile.h"

namespace vgx::rm {

// The editable mesh's points and faces: one vertex per distinct (point, UV) pair,
// the faces as polygons; no normals and no materials yet.
xfile::Mesh EditableGeometryAsX(VgxObject& object);

// Colour, power, specular, emissive and texture name.
xfile::Material MaterialAsX(const VgxMaterial& material);

// A group's subtree, or one object, as a .x file: groups become frames with their
// local transforms and names, objects meshes with their materials (colour,
// power, specular, emissive, texture name), one per distinct material in face
// order. The file appears whole or not at all (75).
void SaveGroupAsX(VgxGroup& group, const std::string& path);
void SaveObjectAsX(VgxObject& object, const std::string& path);

// Whether `path` ends in ".x" (any case).
bool IsXFilePath(const std::string& path);

}  // namespace vgx::rm
