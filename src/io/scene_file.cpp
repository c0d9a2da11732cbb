// Which reader a scene file gets, and the errors every reader's refusal becomes.
#include <vgx/VgxError.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string_view>

#include "base/errors.h"
#include "io/xfile_conversion.h"
#include "platform/file_search.h"
#include "platform/gltf_reader.h"
#include "platform/image_decode.h"

namespace vgx::rm {

namespace {

bool StartsWith(std::span<const uint8_t> bytes, std::string_view head) {
    return bytes.size() >= head.size() && std::equal(head.begin(), head.end(), bytes.begin());
}

// The content picks the reader: glTF by its first bytes; a file with a .x header,
// or of an extension Assimp is not asked for, goes to the .x reader first, whose
// errors stand as they always have; Assimp reads its own extensions, and what the
// .x reader refuses when the file has no .x header.
ImportedScene ReadScene(const std::string& path) {
    const auto bytes = image::ReadWholeFile(path);
    if (!bytes) return {xfile::ReadXFile(path), {}, {}, {}};  // says why it cannot be read
    if (gltf::LooksLikeGlb(*bytes) || gltf::LooksLikeGltfJson(*bytes)) return ImportGltf(*bytes, path);
    if (StartsWith(*bytes, "xof ") || !IsAssimpExtension(path)) {
        try {
            return {xfile::ParseXFile(bytes->data(), bytes->size()), {}, {}, {}};
        } catch (const xfile::FormatError&) {
            if (StartsWith(*bytes, "xof ")) throw;
            try {
                return ImportWithAssimp(*bytes, path);
            } catch (const xfile::FormatError&) {
            }
            throw;
        }
    }
    return ImportWithAssimp(*bytes, path);
}

}  // namespace

void RequireFiniteNumbers(const std::string& path, std::span<const float> numbers) {
    if (!std::all_of(numbers.begin(), numbers.end(), [](float value) { return std::isfinite(value); })) {
        Raise(VgxErrInvalidFileFormat, kRuntimeSource,
              "Invalid file format: " + path + ": numbers beyond the range of a float once combined");
    }
}

void RequireFiniteScene(const std::string& path, const xfile::Scene& scene) {
    for (const xfile::Frame& frame : scene.frames) RequireFiniteNumbers(path, frame.transform);
    for (const xfile::Mesh& mesh : scene.meshes) {
        for (const std::vector<float>* numbers : {&mesh.positions, &mesh.normals, &mesh.uvs}) {
            RequireFiniteNumbers(path, *numbers);
        }
        for (const xfile::SkinWeights& bone : mesh.skinWeights) {
            RequireFiniteNumbers(path, bone.weights);
            RequireFiniteNumbers(path, bone.offset);
        }
    }
    for (const xfile::AnimationSet& set : scene.animationSets) {
        for (const xfile::Animation& animation : set.animations) {
            for (const xfile::AnimationKeys& keys : animation.keys) RequireFiniteNumbers(path, keys.values);
        }
    }
}

ImportedScene ReadSceneFile(const std::string& fileName, const std::string& searchPath, std::string* foundPath) {
    const std::string path = platform::FindFile(fileName, searchPath);
    if (path.empty()) Raise(VgxErrFileNotFound, kRuntimeSource, "File not found: " + fileName);
    try {
        ImportedScene scene = ReadScene(path);
        // Importers combine the file's numbers (skinning, Assimp's transforms).
        RequireFiniteScene(path, scene.scene);
        if (foundPath) *foundPath = path;
        return scene;
    } catch (const xfile::FormatError& error) {
        Raise(VgxErrInvalidFileFormat, kRuntimeSource, "Invalid file format: " + path + ": " + error.what());
    } catch (const gltf::FormatError& error) {
        Raise(VgxErrInvalidFileFormat, kRuntimeSource, "Invalid file format: " + path + ": " + error.what());
    }
}

}  // namespace vgx::rm
