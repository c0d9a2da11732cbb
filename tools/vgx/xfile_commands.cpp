// vgx info: what a scene file holds and what the library makes of it; vgx convert:
// a scene file of any readable format written as a text .x file, or loaded and
// saved as glTF 2.0.
#include <vgx/Vgx7a.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>

#include "commands.h"
#include "platform/gltf_reader.h"
#include "platform/xfile.h"
#include "progress_line.h"
#include "base/errors.h"
#include "io/gltf_writer.h"
#include "io/xfile_conversion.h"
#include "scene_source.h"
#include "tool_error.h"

namespace vgxtool {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

vgx::rm::ImportedScene ReadFile(const std::string& path) {
    try {
        ProgressLine progress("reading " + path);
        return vgx::rm::ReadSceneFile(path, "");
    } catch (const VgxError& error) {
        throw ToolError(error.Description);
    }
}

// The format the library's reader chose, told from the same first bytes.
std::string FormatOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    uint8_t head[64] = {};
    file.read(reinterpret_cast<char*>(head), sizeof head);
    const std::span<const uint8_t> bytes(head, static_cast<size_t>(file.gcount()));
    if (vgx::gltf::LooksLikeGlb(bytes)) return "glTF binary";
    if (vgx::gltf::LooksLikeGltfJson(bytes)) return "glTF";
    return bytes.size() >= 4 && std::memcmp(head, "xof ", 4) == 0 ? ".x" : "read by Assimp";
}

const char* KeyKind(uint32_t keyType) {
    switch (keyType) {
        case 0: return "rotation";
        case 1: return "scale";
        case 2: return "position";
        case 4: return "matrix";
        default: return "unknown";
    }
}

void PrintMesh(const vgx::xfile::Mesh& mesh, int depth) {
    std::printf("%*smesh %s: %zu vertices, %zu faces%s%s%s, %zu material%s", depth * 2, "",
                mesh.name.empty() ? "(unnamed)" : mesh.name.c_str(), mesh.VertexCount(), mesh.FaceCount(),
                mesh.normals.empty() ? "" : ", normals", mesh.uvs.empty() ? "" : ", UVs",
                mesh.vertexColors.empty() ? "" : ", vertex colours", mesh.materials.size(),
                mesh.materials.size() == 1 ? "" : "s");
    for (const auto& material : mesh.materials) {
        if (!material.textureFile.empty()) std::printf(", texture \"%s\"", material.textureFile.c_str());
    }
    if (!mesh.skinWeights.empty()) {
        size_t influences = 0;
        for (const auto& bone : mesh.skinWeights) influences += bone.vertices.size();
        std::printf(", skin: %zu bone%s, %zu influences", mesh.skinWeights.size(),
                    mesh.skinWeights.size() == 1 ? "" : "s", influences);
    }
    std::printf("\n");
}

void PrintFrames(const vgx::xfile::Scene& scene) {
    std::vector<int> depth(scene.frames.size(), 0);
    for (size_t j = 0; j < scene.meshes.size(); ++j) {
        if (scene.meshFrame[j] < 0) PrintMesh(scene.meshes[j], 1);
    }
    for (size_t i = 0; i < scene.frames.size(); ++i) {
        const vgx::xfile::Frame& frame = scene.frames[i];
        depth[i] = frame.parent < 0 ? 1 : depth[static_cast<size_t>(frame.parent)] + 1;
        std::printf("%*sframe %s\n", depth[i] * 2, "", frame.name.empty() ? "(unnamed)" : frame.name.c_str());
        for (uint32_t j : frame.meshes) PrintMesh(scene.meshes[j], depth[i] + 1);
    }
}

void PrintAnimation(const vgx::xfile::Scene& scene) {
    for (const auto& set : scene.animationSets) {
        std::printf("  animation set %s: %zu animation%s", set.name.empty() ? "(unnamed)" : set.name.c_str(),
                    set.animations.size(), set.animations.size() == 1 ? "" : "s");
        std::map<std::string, size_t> keys;
        for (const auto& animation : set.animations) {
            for (const auto& block : animation.keys) keys[KeyKind(block.keyType)] += block.times.size();
        }
        for (const auto& [kind, count] : keys) std::printf(", %zu %s keys", count, kind.c_str());
        std::printf("\n");
        // Which frame, so which group, each animation drives.
        for (const auto& animation : set.animations) {
            std::string target = "frame " + (animation.frameName.empty() ? "(unnamed)" : animation.frameName);
            if (animation.frame >= 0) target += " (#" + std::to_string(animation.frame + 1) + ")";
            size_t count = 0;
            for (const auto& block : animation.keys) count += block.times.size();
            std::printf("    drives %s: %zu keys\n", target.c_str(), count);
        }
    }
    if (scene.ticksPerSecond != 0) std::printf("  %u ticks per second\n", scene.ticksPerSecond);
}

void PrintExtras(const vgx::rm::ImportedScene& imported) {
    if (!imported.lights.empty())
        std::printf("  %zu light%s\n", imported.lights.size(), imported.lights.size() == 1 ? "" : "s");
    for (const auto& image : imported.images)
        std::printf("  embedded image %s: %zu bytes\n", image.name.c_str(), image.bytes.size());
    if (imported.skipped.empty()) return;
    std::printf("  skipped (the library cannot hold them):");
    for (size_t i = 0; i < imported.skipped.size(); ++i)
        std::printf("%s %s", i ? "," : "", imported.skipped[i].c_str());
    std::printf("\n");
}

// What the scene graph built from the file: groups, objects and their pooled counts.
void PrintLoaded(const std::shared_ptr<VgxGroup>& scene) {
    int groups = 0, objects = 0;
    int64_t points = 0, faces = 0;
    std::set<std::string> textures;
    std::function<void(const std::shared_ptr<VgxGroup>&)> visit = [&](const std::shared_ptr<VgxGroup>& group) {
        ++groups;
        auto members = group->GetObjects();
        for (int32_t i = 0; i < members->GetSize(); ++i) {
            auto object = members->GetElement(i);
            ++objects;
            points += object->GetPointCount();
            faces += object->GetFaceCount();
            for (int32_t f = 0; f < object->GetFaceCount(); ++f) {
                auto material = object->GetFace(f)->GetMaterial();
                if (material && material->GetTexture()) textures.insert(material->GetTexture()->GetTextureName());
            }
        }
        auto children = group->GetChildren();
        for (int32_t i = 0; i < children->GetSize(); ++i) visit(children->GetElement(i));
    };
    visit(scene);
    std::printf("loaded: %d groups, %d object%s, %lld points, %lld faces", groups - 1, objects, objects == 1 ? "" : "s",
                static_cast<long long>(points), static_cast<long long>(faces));
    for (const std::string& texture : textures) std::printf(", texture %s", texture.c_str());
    std::printf("\n");
}

}  // namespace

int RunInfo(int argc, char** argv) {
    if (argc < 1) throw ToolError("usage: vgx info FILE [--stats]");
    const std::string path = argv[0];
    const bool stats = argc > 1 && std::strcmp(argv[1], "--stats") == 0;
    if (!std::filesystem::is_regular_file(path)) throw ToolError(path + ": no such file");

    auto start = Clock::now();
    const vgx::rm::ImportedScene imported = ReadFile(path);
    const vgx::xfile::Scene& scene = imported.scene;
    const double readTime = MillisecondsSince(start);
    const std::string format = FormatOf(path);
    if (format == ".x") {
        std::printf("%s: .x %u.%u", path.c_str(), scene.majorVersion, scene.minorVersion);
    } else {
        std::printf("%s: %s", path.c_str(), format.c_str());
    }
    std::printf(", %zu frame%s, %zu mesh%s\n", scene.frames.size(), scene.frames.size() == 1 ? "" : "s",
                scene.meshes.size(), scene.meshes.size() == 1 ? "" : "es");
    PrintFrames(scene);
    PrintAnimation(scene);
    PrintExtras(imported);

    start = Clock::now();
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> loaded;
    {
        ProgressLine progress("loading " + path);
        loaded = LoadScene(*root, path);
    }
    const double loadTime = MillisecondsSince(start);
    PrintLoaded(loaded);
    if (stats) std::printf("stats: read %.1f ms, load into the scene graph %.1f ms\n", readTime, loadTime);
    return 0;
}

// Loaded into a group as a host would, then saved as glTF.
int ConvertToGltf(const std::string& input, const std::string& output, bool stats) {
    auto start = Clock::now();
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> scene;
    {
        ProgressLine progress("loading " + input);
        scene = LoadScene(*root, input);
    }
    const double loadTime = MillisecondsSince(start);
    start = Clock::now();
    try {
        ProgressLine progress("writing " + output);
        scene->Save(output);
    } catch (const VgxError& error) {
        throw ToolError(output + ": " + error.Description);
    }
    const double writeTime = MillisecondsSince(start);
    std::printf("%s: written as glTF 2.0 to %s\n", input.c_str(), output.c_str());
    if (stats) std::printf("stats: load %.1f ms, write %.1f ms\n", loadTime, writeTime);
    return 0;
}

int RunConvert(int argc, char** argv) {
    if (argc < 2) throw ToolError("usage: vgx convert IN OUT.x|OUT.gltf|OUT.glb [--stats]");
    const std::string input = argv[0], output = argv[1];
    const bool stats = argc > 2 && std::strcmp(argv[2], "--stats") == 0;
    if (!std::filesystem::is_regular_file(input)) throw ToolError(input + ": no such file");
    if (vgx::gltf::IsGltfPath(output)) {
        return ConvertToGltf(input, output, stats);
    }

    auto start = Clock::now();
    const vgx::xfile::Scene scene = ReadFile(input).scene;
    const double readTime = MillisecondsSince(start);
    start = Clock::now();
    // Written under a temporary name and renamed, so a failed write leaves no half file.
    const std::string partial = output + ".partial";
    try {
        ProgressLine progress("writing " + output);
        vgx::xfile::WriteXFile(partial, scene);
        std::filesystem::rename(partial, output);
    } catch (const std::exception& error) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw ToolError(output + ": " + error.what());
    }
    const double writeTime = MillisecondsSince(start);
    std::printf("%s: %zu frame%s, %zu mesh%s written as text to %s\n", input.c_str(), scene.frames.size(),
                scene.frames.size() == 1 ? "" : "s", scene.meshes.size(), scene.meshes.size() == 1 ? "" : "es",
                output.c_str());
    if (stats) std::printf("stats: read %.1f ms, write %.1f ms\n", readTime, writeTime);
    return 0;
}

}  // namespace vgxtool
