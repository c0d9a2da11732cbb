// The scene root's texture registry: creating textures, their device textures,
// picture composition, and the texture step of the garbage collection.
#include "material/texture_registry.h"

#include <vgx/Vgx.h>
#include <vgx/VgxTexture.h>

#include <cmath>
#include <sstream>

#include "base/errors.h"
#include "material/texture_loading.h"
#include "platform/image_decode.h"
#include "platform/mod_file.h"
#include "state/registry_sweep.h"
#include "state/root_state.h"
#include "state/texture_entry.h"

namespace vgx {
namespace {

constexpr std::string_view kSource = "Vgx";

std::string Describe(const iVgxTexture& entry) {
    std::ostringstream text;
    text << entry.TextureName << ' ' << entry.TextureAlphaName << ' ' << entry.TextureOverlayName << ' '
         << entry.TextureOverlayDensity << ' ' << entry.TextureBumpMapName << ' ' << entry.TextureSpecularMapName << ' '
         << entry.TextureEnvironmentMapName;
    return text.str();
}

void ErasePixels(iVgxTexture& entry) {
    for (auto* pixels : {&entry.Pixels, &entry.PixelsNormalMap, &entry.PixelsTexture, &entry.PixelsTextureAlphaMap,
                         &entry.PixelsTextureOverlay, &entry.PixelsBumpMap, &entry.PixelsSpecularMap,
                         &entry.PixelsEnvironmentMap}) {
        pixels->clear();
        pixels->shrink_to_fit();
    }
}

// Erases the pixels of the entry that hands out `texture`, if its root still lives.
void ReleaseEntryPixels(const std::shared_ptr<VgxTexture>& texture) {
    const std::shared_ptr<Vgx> root = VgxAccess::Root(*texture);
    if (!root) return;
    for (iVgxTexture& entry : vgx::State(*root).textures) {
        if (entry.VorlanTexture != texture) continue;
        modFile::WriteLogLine("Releasing Texture (RC=3): " + Describe(entry));
        ErasePixels(entry);
        return;
    }
}

using PixelsField = std::vector<int32_t> iVgxTexture::*;
using ChangedField = bool iVgxTexture::*;

void Rebuild(Vgx& root, VgxDevice& device, int32_t textureId, std::shared_ptr<VgxDeviceTexture>& target, bool refresh,
             PixelsField pixels, ChangedField changed) {
    Trap(kSource, [&] {
        iVgxTexture& entry = At(vgx::State(root).textures, textureId);
        if (!refresh && !(entry.*changed)) return;
        target = MakeDeviceTexture(device, entry.*pixels, entry.TextureWidth, entry.TextureHeight);
        entry.*changed = false;
    });
}

void CheckPicture(const std::shared_ptr<VgxPicture>& picture) {
    if (!picture) Raise(VgxErrObjectNotSet);
    if (picture->Width < 1 || picture->Height < 1 ||
        picture->Pixels.size() != static_cast<size_t>(picture->Width) * picture->Height) {
        Raise(VgxErrInvalidCall);
    }
}

image::Picture ToImage(const VgxPicture& picture) {
    return {picture.Width, picture.Height, std::vector<uint32_t>(picture.Pixels.begin(), picture.Pixels.end())};
}

uint32_t Channel(uint32_t pixel, int32_t shift) { return (pixel >> shift) & 0xFF; }

// Straight-alpha "over": the top pixel covers the bottom one by its alpha.
int32_t Over(uint32_t top, uint32_t bottom) {
    const float topAlpha = Channel(top, 24) / 255.0f;
    const float bottomAlpha = Channel(bottom, 24) / 255.0f;
    const float alpha = topAlpha + bottomAlpha * (1 - topAlpha);
    if (alpha <= 0) return 0;
    uint32_t result = static_cast<uint32_t>(std::lround(alpha * 255)) << 24;
    for (int32_t shift : {16, 8, 0}) {
        const float value = (Channel(top, shift) * topAlpha + Channel(bottom, shift) * bottomAlpha * (1 - topAlpha)) / alpha;
        result |= static_cast<uint32_t>(std::lround(value)) << shift;
    }
    return static_cast<int32_t>(result);
}

}  // namespace

void CollectTextures() {
    Sweep(Registered().textures, [](const std::shared_ptr<VgxTexture>& texture) {
        const long external = ExternalReferences(texture);
        if (external == 0) {
            modFile::WriteLogLine("Releasing Texture (RC=2)");
            return true;
        }
        // Held only by its registry entry: the object stays, its pixels go until
        // the next CreateTexture of the same files reloads them.
        if (external == 1) ReleaseEntryPixels(texture);
        return false;
    });
}

}  // namespace vgx

std::shared_ptr<VgxTexture> Vgx::CreateTexture(const std::string& Texture, const std::string& TextureAlpha,
                                               const std::string& TextureOverlay, float TextureOverlayDensity,
                                               const std::string& TextureBumpMap, const std::string& TextureSpecularMap,
                                               const std::string& TextureEnvironmentMap, int32_t TextureWidth,
                                               int32_t TextureHeight) {
    return vgx::Trap(vgx::kSource, [&] {
        // The decoders' own size limits: an entry holds several arrays of this size.
        if (!vgx::image::IsDecodableSize(TextureWidth, TextureHeight) ||
            !(TextureOverlayDensity >= 0 && TextureOverlayDensity <= 1)) {
            vgx::Raise(VgxErrInvalidCall);
        }
        return vgx::FindOrLoadTexture(*this, {Texture, TextureAlpha, TextureOverlay, TextureOverlayDensity,
                                              TextureBumpMap, TextureSpecularMap, TextureEnvironmentMap, TextureWidth,
                                              TextureHeight});
    });
}

int32_t Vgx::GetTextureCount() const { return static_cast<int32_t>(internals_->textures.size()); }

void Vgx::RebuildDirect3DTextureCombined8(VgxDevice& Direct3D, int32_t TextureID,
                                          std::shared_ptr<VgxDeviceTexture>& TextureCombined, bool Refresh) {
    vgx::Rebuild(*this, Direct3D, TextureID, TextureCombined, Refresh, &vgx::iVgxTexture::Pixels,
                 &vgx::iVgxTexture::PixelsChanged);
}

void Vgx::RebuildDirect3DTexture8(VgxDevice& Direct3D, int32_t TextureID, std::shared_ptr<VgxDeviceTexture>& Texture,
                                  bool Refresh) {
    vgx::Rebuild(*this, Direct3D, TextureID, Texture, Refresh, &vgx::iVgxTexture::PixelsTexture,
                 &vgx::iVgxTexture::PixelsTextureChanged);
}

void Vgx::RebuildDirect3DTextureOverlay8(VgxDevice& Direct3D, int32_t TextureID,
                                         std::shared_ptr<VgxDeviceTexture>& TextureOverlay, bool Refresh) {
    vgx::Rebuild(*this, Direct3D, TextureID, TextureOverlay, Refresh, &vgx::iVgxTexture::PixelsTextureOverlay,
                 &vgx::iVgxTexture::PixelsTextureOverlayChanged);
}

void Vgx::RebuildDirect3DBumpmap8(VgxDevice& Direct3D, int32_t TextureID, std::shared_ptr<VgxDeviceTexture>& Bumpmap,
                                  bool Refresh) {
    vgx::Rebuild(*this, Direct3D, TextureID, Bumpmap, Refresh, &vgx::iVgxTexture::PixelsNormalMap,
                 &vgx::iVgxTexture::PixelsNormalMapChanged);
}

void Vgx::RebuildDirect3DSpecularMap8(VgxDevice& Direct3D, int32_t TextureID,
                                      std::shared_ptr<VgxDeviceTexture>& SpecularMap, bool Refresh) {
    vgx::Rebuild(*this, Direct3D, TextureID, SpecularMap, Refresh, &vgx::iVgxTexture::PixelsSpecularMap,
                 &vgx::iVgxTexture::PixelsSpecularMapChanged);
}

void Vgx::RebuildDirect3DEnvironmentMap8(VgxDevice& Direct3D, int32_t TextureID,
                                         std::shared_ptr<VgxDeviceTexture>& EnvironmentMap, bool Refresh) {
    vgx::Rebuild(*this, Direct3D, TextureID, EnvironmentMap, Refresh, &vgx::iVgxTexture::PixelsEnvironmentMap,
                 &vgx::iVgxTexture::PixelsEnvironmentMapChanged);
}

void Vgx::CombineImages(std::shared_ptr<VgxPicture>& Result,
                        const std::vector<std::shared_ptr<VgxPicture>>& Pictures) const {
    vgx::Trap(vgx::kSource, [&] {
        if (Result) vgx::CheckPicture(Result);
        for (const auto& picture : Pictures) vgx::CheckPicture(picture);
        if (!Result && Pictures.empty()) return;
        auto combined = std::make_shared<VgxPicture>(Result ? *Result : VgxPicture{});
        if (!Result) {
            combined->Width = Pictures[0]->Width;
            combined->Height = Pictures[0]->Height;
            combined->Pixels.assign(Pictures[0]->Pixels.size(), 0);
        }
        for (const auto& picture : Pictures) {
            const vgx::image::Picture layer = vgx::image::Resize(vgx::ToImage(*picture), combined->Width, combined->Height);
            for (size_t i = 0; i < combined->Pixels.size(); ++i) {
                combined->Pixels[i] = vgx::Over(layer.pixels[i], static_cast<uint32_t>(combined->Pixels[i]));
            }
        }
        Result = std::move(combined);
    });
}
