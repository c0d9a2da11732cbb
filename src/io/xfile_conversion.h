#pragma once
// The two .x file conversions behind VgxObject::Load and VgxGroup::Load: a file
// read into the flat arrays an object is built from, and a file's frame tree read
// into the parallel frame arrays, its meshes written to temporary files an object
// can load.
#include <vgx/VgxForward.h>
#include <vgx/VgxTypes.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "io/scene_import.h"
#include "platform/xfile.h"

namespace vgx::rm {

// Values per material description in MeshFileArrays::materialValues: 0-2 diffuse
// red, green, blue, 3-5 ambient, 6-8 emissive, 9-11 specular, 12 power, 13 diffuse
// alpha, 14 unused, 15 application data.
inline constexpr int32_t kMaterialValueCount = 16;

struct MeshFileArrays {
    std::string name;
    std::vector<float> positions;  // x, y, z per point
    int32_t positionCount = 0;
    std::vector<float> normals;  // x, y, z per normal
    int32_t normalCount = 0;
    std::vector<VgxUV> uvs;
    int32_t uvCount = 0;
    std::vector<int32_t> faceData;  // blocks of n, then n (point, normal, UV) triples; a final 0
    int32_t faceDataCount = 0;
    int32_t materialCount = 0;
    std::vector<int32_t> materialColors;  // 0xAARRGGBB per material
    std::vector<float> materialValues;    // kMaterialValueCount per material
    std::vector<int32_t> faceMaterials;   // per face block, its material; -1 for the object's default
    std::vector<std::string> textureNames;  // per material, empty when it has no texture
    std::vector<int32_t> vertexColors;    // per point, 0xAARRGGBB; empty when the file has none
    std::vector<EmbeddedImage> images;    // images inside the file its textures name
};

// The file found through the search path and read, its path in `foundPath` when
// given; 53 when no candidate exists, 321 with the reason when it is not a readable
// scene file. The content decides the format: glTF, .x, then whatever Assimp reads.
ImportedScene ReadSceneFile(const std::string& fileName, const std::string& searchPath,
                            std::string* foundPath = nullptr);
// The folder part of a path with its separator; empty when there is none.
std::string FolderOf(const std::string& path);

// Raises 321 for the file at `path` unless every number is finite. Files hold finite
// numbers (their readers refuse others), but what importing computes from them (node
// and joint matrices multiplied, points placed by them) may overflow.
void RequireFiniteNumbers(const std::string& path, std::span<const float> numbers);
void RequireFiniteScene(const std::string& path, const xfile::Scene& scene);

// Every mesh of the file as one, each placed by its frames' transforms, materials in
// mesh order. Meshes without normals get area-weighted point normals. Texture names
// that name a file beside the .x file are given with that file's folder.
void ConvertMeshFile(const std::string& fileName, const std::string& searchPath, MeshFileArrays& result);
// The same for a scene already read, whose file lies in `folder`.
void ConvertSceneMeshes(ImportedScene& imported, const std::string& folder, MeshFileArrays& result);

// Builds the object from the arrays as VgxObject::Load does: its materials and
// textures first, so a failure leaves the old mesh.
void LoadObjectFromArrays(VgxObject& object, MeshFileArrays& file);

// The arrays of the frame tree. Frames are numbered from 1 (entry 0 of the per-frame
// arrays is unused) and meshes from 0; entry 0 of FrameParent and ObjectParent's
// value 0 stand for the group that receives the file.
struct FrameHierarchyArrays {
    std::vector<int32_t> frameParent;
    std::vector<std::string> frameName;
    std::vector<float> positionX, positionY, positionZ;
    std::vector<float> dirX, dirY, dirZ;
    std::vector<float> upX, upY, upZ;
    std::vector<int32_t> objectParent;
    std::vector<int32_t> frameAnimationKeyCount, frameAnimationType;
    std::vector<int32_t> animationKeyType;
    std::vector<float> animationKeyTime, animationKeyX, animationKeyY, animationKeyZ, animationKeyS;
    std::vector<SceneLight> lights;     // `frame` numbered as frameParent's entries
    std::vector<EmbeddedImage> images;  // images inside the file its textures name
    std::vector<std::string> skipped;   // what the file holds that no group or object can
    bool animateGroups = false;         // the groups play the animation keys, times in seconds
    bool xFile = true;                  // the file was a .x file
};

// Fills `result` from the file and hands mesh j to placedMesh(j, scene) as a scene
// of that one mesh, placed so that in the group of its frame it stands where the
// file puts it; `xFile` tells whether the file was a .x file. Returns the last
// mesh index, -1 when the file has no mesh. Errors as ReadSceneFile.
using PlacedMeshSink = std::function<void(int32_t j, xfile::Scene&& single, bool xFile)>;
int32_t ConvertFrameHierarchy(const std::string& fileName, const std::string& searchPath, FrameHierarchyArrays& result,
                              const PlacedMeshSink& placedMesh);

// "<temp folder>/~VRL<j>.x".
std::string TemporaryMeshFile(int32_t j);

}  // namespace vgx::rm
