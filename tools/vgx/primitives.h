#pragma once
// Built-in meshes the tool can show without a scene file, made through the public
// AddFaces call as any host would make them.
#include <vgx/Vgx7a.h>

#include <memory>
#include <string>

namespace vgxtool {

// A unit cube centred on the origin, one normal per side.
void AddCube(VgxObject& object);
// A ring of radius 1 around the Y axis with a tube of radius 0.4, smooth normals.
void AddTorus(VgxObject& object);

// The object a primitive name describes, with a coloured material; none for an
// unknown name.
std::shared_ptr<VgxObject> MakePrimitive(Vgx& root, const std::string& name);
// The names MakePrimitive knows, for messages.
std::string PrimitiveNames();

}  // namespace vgxtool
