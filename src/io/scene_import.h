#pragma once
// Scene files of every readable format brought to one form: the frame tree,
// meshes, materials, animation and skins as a .x file holds them (in this
// library's left-handed coordinates), plus what only other formats carry.
#include <vgx/VgxEnums.h>
#include <vgx/VgxTypes.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/xfile.h"

namespace vgx::rm {

// A punctual light held by a frame (-1: the file's top), shining along the
// frame's +z.
struct SceneLight {
    int32_t frame = -1;
    VgxLightType type = VgxLightPoint;
    float red = 1, green = 1, blue = 1;
    float range = 0;                // 0: unlimited
    float umbra = 0, penumbra = 0;  // spot cones, whole angles in radians
};

// An image stored inside the scene file, registered under `name` (a file name
// with an extension) so materials can name it like any texture file.
struct EmbeddedImage {
    std::string name;
    std::vector<uint8_t> bytes;
};

struct ImportedScene {
    xfile::Scene scene;
    std::vector<SceneLight> lights;
    std::vector<EmbeddedImage> images;
    // What the file holds that the library cannot (cameras, morph targets, ...),
    // each named once, in the order first met.
    std::vector<std::string> skipped;
    // Formats other than .x have their animation played by the groups they load
    // into, key times in seconds (the scene's ticks over ticksPerSecond).
    bool animateGroups = false;
};

// Key times of formats that count in seconds become ticks at the rate .x files
// use by default.
inline constexpr double kImportTicksPerSecond = 4800;

// A rotation as this library's groups hold it, written as the .x rotation key
// (w, x, y, z) the frame conversion turns back into it.
std::array<float, 4> XRotationKey(const VgxQuaternion& rotation);

// A glTF 2.0 file (`.gltf` or `.glb`) at `path` whose bytes are given; buffers
// and images it names are read beside it. Raises gltf::FormatError.
ImportedScene ImportGltf(std::span<const uint8_t> bytes, const std::string& path);

// Whether the path ends in an extension of a format Assimp is asked for: .obj,
// .ply, .stl, .fbx, .dae (any case).
bool IsAssimpExtension(const std::string& path);

// A file Assimp reads (OBJ with MTL, PLY, STL, FBX, COLLADA and others): read from
// its path, where files beside it (an OBJ's MTL) are found, when its extension is
// one of those, else recognised from its bytes alone. Raises xfile::FormatError
// with Assimp's reason.
ImportedScene ImportWithAssimp(std::span<const uint8_t> bytes, const std::string& path);

// Adds `what` to the skipped list unless it is there already.
void NoteSkipped(ImportedScene& imported, const std::string& what);

}  // namespace vgx::rm
