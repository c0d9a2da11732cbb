// Image decoding: a 2048 x 2048 PNG and JPG (written once from a generated picture)
// decoded, and decoded then resampled to 1024 x 1024 as a texture load asks; and the
// two images a texture entry derives from its maps at 2048 x 2048: the combined
// image (texture, overlay and translucency map) and the normal map of a bump map.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "material/texture_loading.h"
#include "platform/image_decode.h"
#include "state/texture_entry.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr int kSide = 2048;

// A smooth colour field with fine detail, so neither format compresses it to nothing.
std::vector<uint8_t> GeneratedRgb() {
    std::vector<uint8_t> rgb(static_cast<size_t>(kSide) * kSide * 3);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * kSide + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / kSide);
            p[1] = static_cast<uint8_t>(y * 255 / kSide);
            p[2] = static_cast<uint8_t>(127 + 127 * std::sin(x * 0.05) * std::cos(y * 0.03));
        }
    }
    return rgb;
}

// The file, written on first use into the scratch folder.
const std::string& File(const std::string& extension) {
    static const std::string folder = [] {
        vgx::bench::QuietRoot();  // points the scratch folders away from the user's own
        const auto path = std::filesystem::temp_directory_path() / "vgx_image_bench";
        std::filesystem::create_directories(path);
        return path.string();
    }();
    static const std::string png = [] {
        const std::string path = folder + "/field.png";
        const auto rgb = GeneratedRgb();
        stbi_write_png(path.c_str(), kSide, kSide, 3, rgb.data(), kSide * 3);
        return path;
    }();
    static const std::string jpg = [] {
        const std::string path = folder + "/field.jpg";
        const auto rgb = GeneratedRgb();
        stbi_write_jpg(path.c_str(), kSide, kSide, 3, rgb.data(), 90);
        return path;
    }();
    return extension == "png" ? png : jpg;
}

void Decode(benchmark::State& state, const std::string& extension, int32_t resizeTo) {
    const std::string& path = File(extension);
    for (auto _ : state) {
        auto picture = vgx::image::DecodeFile(path);
        if (!picture) {
            state.SkipWithError("not decoded");
            return;
        }
        if (resizeTo > 0) {
            benchmark::DoNotOptimize(vgx::image::Resize(*picture, resizeTo, resizeTo).pixels.data());
        } else {
            benchmark::DoNotOptimize(picture->pixels.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

// The generated field as 0xAARRGGBB pixels, shifted so the maps differ.
std::vector<int32_t> GeneratedPixels(int shift) {
    const auto rgb = GeneratedRgb();
    std::vector<int32_t> pixels(static_cast<size_t>(kSide) * kSide);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint8_t* p = &rgb[((i + static_cast<size_t>(shift)) % pixels.size()) * 3];
        pixels[i] = static_cast<int32_t>(0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
    }
    return pixels;
}

void Combine(benchmark::State& state) {
    vgx::iVgxTexture maps;
    maps.PixelsTexture = GeneratedPixels(0);
    maps.PixelsTextureOverlay = GeneratedPixels(7);
    maps.PixelsTextureAlphaMap = GeneratedPixels(13);
    maps.TextureOverlayDensity = 0.3f;
    for (auto _ : state) benchmark::DoNotOptimize(vgx::CombinedImage(maps, kSide, kSide).data());
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BumpToNormals(benchmark::State& state) {
    const std::vector<int32_t> bump = GeneratedPixels(0);
    for (auto _ : state) benchmark::DoNotOptimize(vgx::NormalMap(bump, kSide, kSide).data());
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("TextureCombine/2048", Combine)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TextureNormalMap/2048", BumpToNormals)->Unit(benchmark::kMillisecond);
    for (const char* extension : {"png", "jpg"}) {
        const std::string name = std::string("ImageDecode/") + extension + "/2048";
        benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) { Decode(s, extension, 0); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/resize:1024").c_str(),
                                     [=](benchmark::State& s) { Decode(s, extension, 1024); })
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
