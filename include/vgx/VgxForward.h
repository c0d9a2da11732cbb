#pragma once
// Forward declarations of the public classes.
class Vgx;
class VgxObject;
class VgxGroup;
class VgxFace;
class VgxFaceArray;
class VgxGroupArray;
class VgxObjectArray;
class VgxLightArray;
class VgxPickArray;
class VgxMaterial;
class VgxLight;
class VgxTexture;
class PluginMaterial;

// The library's one friend of the public classes: it constructs them and reaches
// the state and operations they keep from hosts.
struct VgxAccess;

// Library-private state behind the public classes, defined under src/.
namespace vgx {
struct RootState;
struct ObjectState;
struct GroupState;
}  // namespace vgx
