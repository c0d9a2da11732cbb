#include "material/texture_loading.h"

#include <vgx/Vgx.h>
#include <vgx/VgxTexture.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "base/access.h"
#include "base/errors.h"
#include "base/retained_mode.h"
#include "base/task_pool.h"
#include "platform/image_decode.h"
#include "platform/mod_file.h"
#include "platform/os.h"
#include "platform/picture_files.h"
#include "platform/png_encode.h"
#include "state/hidden_device.h"
#include "state/library_state.h"
#include "state/root_state.h"
#include "state/texture_entry.h"

namespace vgx {
namespace {

// An entry loaded this recently is handed out again without reading its files.
constexpr uint32_t kReloadAfterMilliseconds = 2000;
constexpr int32_t kMaxDeviceResets = 20;
// Bump heights (0 to 255) are divided by this to give the slope of the normal map.
constexpr float kBumpHeightScale = 64.0f;

using Pixels = std::vector<int32_t>;

// Title and extension without the folder; empty when either is missing.
std::string StoredName(const std::string& name) {
    std::string folder, title, extension;
    modFile::SplitPath(name, folder, title, extension);
    if (title.empty() || extension.empty()) return {};
    return title + "." + extension;
}

bool SameText(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

struct StoredNames {
    std::array<std::string, 6> names;  // texture, alpha, overlay, bump, specular, environment
};

StoredNames NamesOf(const TextureRequest& request) {
    return {{StoredName(request.texture), StoredName(request.alpha), StoredName(request.overlay),
             StoredName(request.bumpMap), StoredName(request.specularMap), StoredName(request.environmentMap)}};
}

StoredNames NamesOf(const iVgxTexture& entry) {
    return {{entry.TextureName, entry.TextureAlphaName, entry.TextureOverlayName, entry.TextureBumpMapName,
             entry.TextureSpecularMapName, entry.TextureEnvironmentMapName}};
}

bool Matches(const iVgxTexture& entry, const StoredNames& wanted, float density) {
    const StoredNames stored = NamesOf(entry);
    for (size_t i = 0; i < wanted.names.size(); ++i) {
        if (!SameText(stored.names[i], wanted.names[i])) return false;
    }
    return entry.TextureOverlayDensity == density;
}

std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

Pixels LoadMap(const Vgx& root, const std::string& name, const TextureRequest& request, const std::string& searchPath) {
    if (StoredName(name).empty()) return {};
    const auto& embedded = State(root).embeddedImages;
    if (const auto image = embedded.find(UpperCase(StoredName(name))); image != embedded.end()) {
        const auto picture = image::DecodeBytes(image->second);
        if (!picture) return {};
        const image::Picture sized = image::Resize(*picture, request.width, request.height);
        return Pixels(sized.pixels.begin(), sized.pixels.end());
    }
    std::string found;
    const auto picture =
        platform::LoadTextureFile(State(root).messageBox, request.width, request.height, name, searchPath, found);
    if (!picture) return {};
    return Pixels(picture->pixels.begin(), picture->pixels.end());
}

// Formats whose files carry an alpha channel of their own.
bool HasOwnAlpha(const std::string& name) {
    std::string folder, title, extension;
    modFile::SplitPath(name, folder, title, extension);
    return extension == "TGA" || extension == "PNG" || extension == "DDS";
}

// A translucency map naming the texture's own file of a format with alpha is not
// read again: the texture's alpha serves.
bool LoadsTranslucencyMap(const TextureRequest& request, bool textureDecoded) {
    if (request.alpha.size() < 3) return false;
    return !(textureDecoded && SameText(request.alpha, request.texture) && HasOwnAlpha(request.texture));
}

float Height(int32_t pixel) {
    const auto u = static_cast<uint32_t>(pixel);
    const float grey = static_cast<float>(((u >> 16) & 0xFF) + ((u >> 8) & 0xFF) + (u & 0xFF)) / 3;
    return std::clamp(grey, 0.0f, 255.0f) / kBumpHeightScale;
}

// Decodes every map of the request and derives the combined image and normal map;
// the entry is changed only once everything is in hand.
void LoadEntry(Vgx& root, iVgxTexture& entry, const TextureRequest& request) {
    const std::string searchPath = root.GetSearchPath();
    iVgxTexture maps;
    maps.TextureOverlayDensity = request.overlayDensity;
    if (RecoverHiddenDevice(kMaxDeviceResets, "Vgx: Device Lost or Not Reset") != VgxDeviceLost) {
        maps.PixelsTexture = LoadMap(root, request.texture, request, searchPath);
        if (LoadsTranslucencyMap(request, !maps.PixelsTexture.empty())) {
            maps.PixelsTextureAlphaMap = LoadMap(root, request.alpha, request, searchPath);
        }
        maps.PixelsTextureOverlay = LoadMap(root, request.overlay, request, searchPath);
        maps.PixelsBumpMap = LoadMap(root, request.bumpMap, request, searchPath);
        maps.PixelsSpecularMap = LoadMap(root, request.specularMap, request, searchPath);
        maps.PixelsEnvironmentMap = LoadMap(root, request.environmentMap, request, searchPath);
    }
    Pixels normals = NormalMap(maps.PixelsBumpMap, request.width, request.height);
    Pixels combined = CombinedImage(maps, request.width, request.height);

    entry.SearchPath = searchPath;
    entry.PixelsTexture = std::move(maps.PixelsTexture);
    entry.PixelsTextureAlphaMap = std::move(maps.PixelsTextureAlphaMap);
    entry.PixelsTextureOverlay = std::move(maps.PixelsTextureOverlay);
    entry.PixelsBumpMap = std::move(maps.PixelsBumpMap);
    entry.PixelsSpecularMap = std::move(maps.PixelsSpecularMap);
    entry.PixelsEnvironmentMap = std::move(maps.PixelsEnvironmentMap);
    entry.PixelsNormalMap = std::move(normals);
    entry.Pixels = std::move(combined);
    entry.PixelsChanged = entry.PixelsNormalMapChanged = entry.PixelsTextureChanged = true;
    entry.PixelsTextureOverlayChanged = entry.PixelsSpecularMapChanged = entry.PixelsEnvironmentMapChanged = true;
    entry.TextureWidth = request.width;
    entry.TextureHeight = request.height;
    entry.LastLoadTime = platform::TickCount();
}

bool LoadedRecently(const iVgxTexture& entry) {
    // Unsigned, so the difference survives the tick counter wrapping.
    const uint32_t elapsed = static_cast<uint32_t>(platform::TickCount()) - static_cast<uint32_t>(entry.LastLoadTime);
    return elapsed <= kReloadAfterMilliseconds;
}

// row(y) for every row, in chunks of rows on the pool: each row writes its own pixels.
template <class Row>
void EachRowRange(int32_t height, Row&& row) {
    constexpr size_t kRowsPerChunk = 32;
    tasks::ParallelFor(static_cast<size_t>(std::max(height, 0)), kRowsPerChunk, [&](size_t begin, size_t end) {
        for (size_t y = begin; y < end; ++y) row(static_cast<int32_t>(y));
    });
}

// The average of up to four pixels of the level above, per channel, rounded.
Pixels HalveLevel(const Pixels& source, int32_t sourceWidth, int32_t sourceHeight, int32_t width, int32_t height) {
    Pixels level(static_cast<size_t>(width) * height);
    EachRowRange(height, [&](int32_t y) {
        for (int32_t x = 0; x < width; ++x) {
            std::array<uint32_t, 4> sum{};
            for (int32_t dy = 0; dy < 2; ++dy) {
                for (int32_t dx = 0; dx < 2; ++dx) {
                    const int32_t sx = std::min(2 * x + dx, sourceWidth - 1);
                    const int32_t sy = std::min(2 * y + dy, sourceHeight - 1);
                    const auto pixel = static_cast<uint32_t>(source[static_cast<size_t>(sy) * sourceWidth + sx]);
                    for (int32_t c = 0; c < 4; ++c) sum[c] += (pixel >> (8 * c)) & 0xFF;
                }
            }
            uint32_t averaged = 0;
            for (int32_t c = 0; c < 4; ++c) averaged |= ((sum[c] + 2) / 4) << (8 * c);
            level[static_cast<size_t>(y) * width + x] = static_cast<int32_t>(averaged);
        }
    });
    return level;
}

}  // namespace

// Texture colours, blended towards the overlay by the density, with the alpha of
// the translucency map's grey level when there is one.
Pixels CombinedImage(const iVgxTexture& maps, int32_t width, int32_t height) {
    Pixels combined(static_cast<size_t>(width) * height);
    const float d = maps.TextureOverlayDensity;
    EachRowRange(height, [&](int32_t y) {
        for (size_t i = static_cast<size_t>(y) * width, end = i + width; i < end; ++i) {
            float r = 1, g = 1, b = 1, a = 1;
            if (!maps.PixelsTexture.empty()) {
                const int32_t c = maps.PixelsTexture[i];
                r = rm::ColorGetRed(c), g = rm::ColorGetGreen(c), b = rm::ColorGetBlue(c), a = rm::ColorGetAlpha(c);
            }
            if (!maps.PixelsTextureOverlay.empty()) {
                const int32_t c = maps.PixelsTextureOverlay[i];
                r = (1 - d) * r + d * rm::ColorGetRed(c);
                g = (1 - d) * g + d * rm::ColorGetGreen(c);
                b = (1 - d) * b + d * rm::ColorGetBlue(c);
            }
            if (!maps.PixelsTextureAlphaMap.empty()) {
                const int32_t c = maps.PixelsTextureAlphaMap[i];
                a = (rm::ColorGetRed(c) + rm::ColorGetGreen(c) + rm::ColorGetBlue(c)) / 3;
            }
            combined[i] = rm::CreateColorRGBA(r, g, b, a);
        }
    });
    return combined;
}

// Each pixel's normal from the slopes towards its right and lower neighbours (a
// neighbour past the edge lies at height 0), encoded as colour = 0.5 + 0.5 n:
// a flat map is 0x8080FF everywhere.
Pixels NormalMap(const Pixels& bump, int32_t width, int32_t height) {
    if (bump.empty()) return {};
    Pixels normals(bump.size());
    EachRowRange(height, [&](int32_t y) {
        for (int32_t x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            const float h = Height(bump[at]);
            const float right = x + 1 < width ? Height(bump[at + 1]) : 0;
            const float below = y + 1 < height ? Height(bump[at + width]) : 0;
            // (1, 0, right - h) x (0, 1, below - h)
            VgxVector n{-(right - h), -(below - h), 1};
            rm::VectorNormalize(n, n);
            normals[at] = rm::CreateColorRGBA(0.5f + 0.5f * n.X, 0.5f + 0.5f * n.Y, 0.5f + 0.5f * n.Z, 1);
        }
    });
    return normals;
}

void RegisterEmbeddedImage(Vgx& root, const std::string& name, std::vector<uint8_t> bytes) {
    State(root).embeddedImages[UpperCase(StoredName(name))] = std::move(bytes);
}

std::vector<uint8_t> TextureImageFile(const VgxTexture& texture, std::string& mimeType) {
    const std::shared_ptr<Vgx> root = VgxAccess::Root(texture);
    if (!root) return {};
    const RootState& state = State(*root);
    const iVgxTexture& entry = vgx::At(state.textures, static_cast<int64_t>(texture.GetTextureID()) - 1);
    mimeType = "image/png";
    if (const auto image = state.embeddedImages.find(UpperCase(entry.TextureName));
        image != state.embeddedImages.end()) {
        if (image->second.size() > 2 && image->second[0] == 0xFF && image->second[1] == 0xD8) mimeType = "image/jpeg";
        return image->second;
    }
    if (entry.PixelsTexture.empty()) return {};
    image::Picture picture{entry.TextureWidth, entry.TextureHeight, {}};
    picture.pixels.assign(entry.PixelsTexture.begin(), entry.PixelsTexture.end());
    return image::EncodePng(picture);
}

std::shared_ptr<VgxTexture> FindOrLoadTexture(Vgx& root, const TextureRequest& request) {
    std::vector<iVgxTexture>& registry = vgx::State(root).textures;
    const StoredNames wanted = NamesOf(request);
    for (iVgxTexture& entry : registry) {
        if (!Matches(entry, wanted, request.overlayDensity)) continue;
        if (LoadedRecently(entry)) return entry.VorlanTexture;
        modFile::WriteLogLine("Reloading Texture: " + entry.TextureName);
        LoadEntry(root, entry, request);
        return entry.VorlanTexture;
    }

    iVgxTexture entry;
    entry.TextureName = wanted.names[0];
    entry.TextureAlphaName = wanted.names[1];
    entry.TextureOverlayName = wanted.names[2];
    entry.TextureOverlayDensity = request.overlayDensity;
    entry.TextureBumpMapName = wanted.names[3];
    entry.TextureSpecularMapName = wanted.names[4];
    entry.TextureEnvironmentMapName = wanted.names[5];
    modFile::WriteLogLine("Loading Texture: " + entry.TextureName);
    LoadEntry(root, entry, request);

    auto texture = VgxAccess::Make<VgxTexture>();
    VgxAccess::SetRoot(*texture, root.shared_from_this());
    VgxAccess::SetTextureID(*texture, static_cast<int32_t>(registry.size()) + 1);
    entry.VorlanTexture = texture;
    // Room first, so that once the entry is appended registering cannot fail.
    Registered().textures.reserve(Registered().textures.size() + 1);
    registry.push_back(std::move(entry));
    Registered().textures.push_back(texture);
    return texture;
}

std::shared_ptr<VgxDeviceTexture> MakeDeviceTexture(VgxDevice& device, const Pixels& pixels, int32_t width,
                                                    int32_t height) {
    if (pixels.empty()) return nullptr;
    constexpr int32_t kFullMipChain = 0;
    auto texture = device.CreateTexture(width, height, kFullMipChain, 0, VgxFormatA8R8G8B8, VgxPoolManaged);
    texture->WriteLevel(0, pixels);
    Pixels above = pixels;
    for (int32_t level = 1; level < texture->GetLevelCount(); ++level) {
        Pixels below = HalveLevel(above, texture->GetLevelWidth(level - 1), texture->GetLevelHeight(level - 1),
                                  texture->GetLevelWidth(level), texture->GetLevelHeight(level));
        texture->WriteLevel(level, below);
        above = std::move(below);
    }
    return texture;
}

}  // namespace vgx
