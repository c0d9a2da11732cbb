// .x files parsed from memory, in bytes per second: the largest text and binary
// samples, the small text cube, and a generated grid of about a million
// triangles written once by WriteXText; and the same bytes through Assimp's
// importer (no post-processing) when it is installed. Writing is timed on the
// grid and the animated sample.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/xfile.h"

#ifdef VGX_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace {

using vgx::xfile::Scene;

constexpr uint32_t kGridSide = 708;  // 708 x 708 quads, two triangles each: 1,002,528

Scene GridScene() {
    Scene scene;
    scene.frames.resize(1);
    scene.frames[0].name = "Grid";
    scene.frames[0].meshes = {0};
    scene.meshFrame = {0};
    vgx::xfile::Mesh& mesh = scene.meshes.emplace_back();
    mesh.name = "GridMesh";
    const uint32_t row = kGridSide + 1;
    for (uint32_t y = 0; y < row; ++y) {
        for (uint32_t x = 0; x < row; ++x) {
            const float u = static_cast<float>(x) / kGridSide, v = static_cast<float>(y) / kGridSide;
            mesh.positions.insert(mesh.positions.end(), {u * 10.0f, 0.25f * std::sin(u * 20.0f) * std::cos(v * 15.0f), v * 10.0f});
            mesh.normals.insert(mesh.normals.end(), {0.0f, 1.0f, 0.0f});
            mesh.uvs.insert(mesh.uvs.end(), {u, v});
        }
    }
    for (uint32_t y = 0; y < kGridSide; ++y) {
        for (uint32_t x = 0; x < kGridSide; ++x) {
            const uint32_t corner = y * row + x;
            mesh.faceSizes.insert(mesh.faceSizes.end(), {3, 3});
            mesh.faceVertices.insert(mesh.faceVertices.end(), {corner, corner + row, corner + 1, corner + 1, corner + row, corner + row + 1});
        }
    }
    mesh.normalFaceSizes = mesh.faceSizes;
    mesh.normalFaceIndices = mesh.faceVertices;
    mesh.materials.emplace_back().name = "Ground";
    mesh.faceMaterials.assign(mesh.FaceCount(), 0);
    return scene;
}

// The file's bytes, read or generated once.
const std::string& Bytes(const std::string& name) {
    static std::map<std::string, std::string> files;
    auto found = files.find(name);
    if (found != files.end()) return found->second;
    std::string bytes;
    if (name == "grid_1M") {
        bytes = vgx::xfile::WriteXText(GridScene());
    } else {
        std::ifstream file(std::string(VGX_TESTDATA_DIR) + "/x/" + name + ".x", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return files.emplace(name, std::move(bytes)).first->second;
}

void Parse(benchmark::State& state, const std::string& name) {
    const std::string& bytes = Bytes(name);
    for (auto _ : state) {
        const Scene scene = vgx::xfile::ParseXFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        benchmark::DoNotOptimize(scene.meshes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void Write(benchmark::State& state, const std::string& name) {
    const std::string& source = Bytes(name);
    const Scene scene = vgx::xfile::ParseXFile(reinterpret_cast<const uint8_t*>(source.data()), source.size());
    size_t written = 0;
    for (auto _ : state) {
        const std::string text = vgx::xfile::WriteXText(scene);
        written = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
}

#ifdef VGX_HAVE_ASSIMP
void ParseAssimp(benchmark::State& state, const std::string& name) {
    const std::string& bytes = Bytes(name);
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "x");
        if (!scene) {
            state.SkipWithError(importer.GetErrorString());
            return;
        }
        benchmark::DoNotOptimize(scene->mMeshes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
#endif

const bool registered = [] {
    for (const char* name : {"test_cube_text", "anim_test", "fromtruespace_bin32", "grid_1M"}) {
        const std::string file = name;
        benchmark::RegisterBenchmark(("XFileParse/vgx/" + file).c_str(), [=](benchmark::State& s) { Parse(s, file); })
            ->Unit(benchmark::kMillisecond);
#ifdef VGX_HAVE_ASSIMP
        benchmark::RegisterBenchmark(("XFileParse/assimp/" + file).c_str(), [=](benchmark::State& s) { ParseAssimp(s, file); })
            ->Unit(benchmark::kMillisecond);
#endif
    }
    for (const char* name : {"anim_test", "grid_1M"}) {
        const std::string file = name;
        benchmark::RegisterBenchmark(("XFileWrite/" + file).c_str(), [=](benchmark::State& s) { Write(s, file); })
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
