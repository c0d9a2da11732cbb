// glTF 2.0 in and out, in bytes of the .glb file per second: a grid of about a
// million triangles (one object, normals and UVs) saved once, then loaded into
// a group as a host does, read into the scene form alone, and saved again;
// beside it Assimp's importer and exporter on the same file, no post-processing.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <filesystem>
#include <string>

#include "bench_support.h"
#include "io/scene_import.h"
#include "platform/image_decode.h"

#ifdef VGX_HAVE_ASSIMP
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace {

constexpr int64_t kTriangles = 1'000'000;

// The grid saved once as a .glb in the temporary folder.
const std::string& GridFile() {
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "vgx_bench_grid_1M.glb").string();
        std::shared_ptr<Vgx> root = vgx::bench::QuietRoot();
        std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
        scene->AddObject(vgx::bench::Pooled(*root, vgx::bench::Generated(vgx::bench::Shape::Triangles, kTriangles)));
        scene->Save(file);
        return file;
    }();
    return path;
}

int64_t FileBytes() { return static_cast<int64_t>(std::filesystem::file_size(GridFile())); }

void LoadIntoGroup(benchmark::State& state) {
    const std::string& path = GridFile();
    std::shared_ptr<Vgx> root = vgx::bench::QuietRoot();
    for (auto _ : state) {
        std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
        scene->Load(path);
        benchmark::DoNotOptimize(scene.get());
    }
    state.SetBytesProcessed(state.iterations() * FileBytes());
}

void ReadSceneForm(benchmark::State& state) {
    const auto bytes = vgx::image::ReadWholeFile(GridFile());
    for (auto _ : state) {
        const vgx::rm::ImportedScene scene = vgx::rm::ImportGltf(*bytes, GridFile());
        benchmark::DoNotOptimize(scene.scene.meshes.data());
    }
    state.SetBytesProcessed(state.iterations() * FileBytes());
}

void Save(benchmark::State& state) {
    std::shared_ptr<Vgx> root = vgx::bench::QuietRoot();
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    scene->Load(GridFile());
    const std::string out = (std::filesystem::temp_directory_path() / "vgx_bench_saved.glb").string();
    for (auto _ : state) scene->Save(out);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(out)));
}

#ifdef VGX_HAVE_ASSIMP
void AssimpImport(benchmark::State& state) {
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(GridFile(), 0);
        if (!scene) {
            state.SkipWithError(importer.GetErrorString());
            return;
        }
        benchmark::DoNotOptimize(scene->mMeshes);
    }
    state.SetBytesProcessed(state.iterations() * FileBytes());
}

void AssimpExport(benchmark::State& state) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(GridFile(), 0);
    Assimp::Exporter exporter;
    const std::string out = (std::filesystem::temp_directory_path() / "vgx_bench_assimp.glb").string();
    for (auto _ : state) {
        if (exporter.Export(scene, "glb2", out) != AI_SUCCESS) {
            state.SkipWithError(exporter.GetErrorString());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(out)));
}

BENCHMARK(AssimpImport)->Name("GltfLoad/assimp/grid_1M")->Unit(benchmark::kMillisecond);
BENCHMARK(AssimpExport)->Name("GltfSave/assimp/grid_1M")->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(LoadIntoGroup)->Name("GltfLoad/vgx/grid_1M")->Unit(benchmark::kMillisecond);
BENCHMARK(ReadSceneForm)->Name("GltfRead/vgx/grid_1M")->Unit(benchmark::kMillisecond);
BENCHMARK(Save)->Name("GltfSave/vgx/grid_1M")->Unit(benchmark::kMillisecond);

}  // namespace
