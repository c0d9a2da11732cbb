#include <vgx/VgxTexture.h>

#include <algorithm>

#include "base/errors.h"
#include "material/texture_loading.h"
#include "state/root_state.h"

namespace {

constexpr std::string_view kSource = "VgxTexture";
// Previews come from one of the first six mip levels.
constexpr int32_t kLastThumbnailLevel = 5;
// A map file name shorter than this names no map.
constexpr size_t kShortestName = 3;

using PixelsField = std::vector<int32_t> vgx::iVgxTexture::*;
using NameField = std::string vgx::iVgxTexture::*;

// Calls `read` with the registry entry this texture names, its root held meanwhile.
template <class Read>
auto WithEntry(const VgxTexture& texture, Read&& read) {
    return vgx::Trap(kSource, [&] {
        const std::shared_ptr<Vgx> root = VgxAccess::Root(texture);
        if (!root) vgx::Raise(VgxErrObjectNotSet);
        return read(vgx::At(vgx::State(*root).textures, static_cast<int64_t>(texture.GetTextureID()) - 1));
    });
}

template <class Field>
auto Read(const VgxTexture& texture, Field field) {
    return WithEntry(texture, [&](const vgx::iVgxTexture& entry) { return entry.*field; });
}

// The first level no wider than `maximumDimension`, else the smallest of the first six.
std::shared_ptr<VgxPicture> Preview(VgxDevice& device, const vgx::iVgxTexture& entry, const std::vector<int32_t>& pixels,
                                    int32_t maximumDimension) {
    const auto texture = vgx::MakeDeviceTexture(device, pixels, entry.TextureWidth, entry.TextureHeight);
    if (!texture) return nullptr;
    int32_t level = 0;
    while (level < kLastThumbnailLevel && (entry.TextureWidth >> level) > maximumDimension) ++level;
    level = std::min(level, texture->GetLevelCount() - 1);
    auto picture = std::make_shared<VgxPicture>();
    picture->Width = texture->GetLevelWidth(level);
    picture->Height = texture->GetLevelHeight(level);
    picture->Pixels = texture->ReadLevel(level);
    return picture;
}

std::shared_ptr<VgxPicture> Thumbnail(const VgxTexture& texture, VgxDevice& device, int32_t maximumDimension,
                                      NameField name, PixelsField pixels) {
    return WithEntry(texture, [&](const vgx::iVgxTexture& entry) -> std::shared_ptr<VgxPicture> {
        if ((entry.*name).size() < kShortestName) return nullptr;
        return Preview(device, entry, entry.*pixels, maximumDimension);
    });
}

}  // namespace

std::string VgxTexture::GetTextureName() const { return Read(*this, &vgx::iVgxTexture::TextureName); }
std::string VgxTexture::GetTranslucencyMapName() const { return Read(*this, &vgx::iVgxTexture::TextureAlphaName); }
std::string VgxTexture::GetTextureOverlayName() const { return Read(*this, &vgx::iVgxTexture::TextureOverlayName); }
std::string VgxTexture::GetBumpMapName() const { return Read(*this, &vgx::iVgxTexture::TextureBumpMapName); }
std::string VgxTexture::GetSpecularMapName() const { return Read(*this, &vgx::iVgxTexture::TextureSpecularMapName); }
std::string VgxTexture::GetEnvironmentMapName() const {
    return Read(*this, &vgx::iVgxTexture::TextureEnvironmentMapName);
}
float VgxTexture::GetTextureOverlayDensity() const { return Read(*this, &vgx::iVgxTexture::TextureOverlayDensity); }

void VgxTexture::GetPixels(std::vector<int32_t>& PixelList, int32_t& Width, int32_t& Height) const {
    WithEntry(*this, [&](const vgx::iVgxTexture& entry) {
        PixelList = entry.Pixels;
        Width = entry.TextureWidth;
        Height = entry.TextureHeight;
    });
}

std::shared_ptr<VgxPicture> VgxTexture::GetTextureThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const {
    return WithEntry(*this, [&](const vgx::iVgxTexture& entry) -> std::shared_ptr<VgxPicture> {
        if (entry.TextureName.size() < kShortestName) return nullptr;
        // With an overlay the combined image would not show the texture itself.
        const bool overlaid = entry.TextureOverlayName.size() >= kShortestName;
        return Preview(Direct3D, entry, overlaid ? entry.PixelsTexture : entry.Pixels, MaximumDimension);
    });
}
std::shared_ptr<VgxPicture> VgxTexture::GetTranslucencyMapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const {
    return Thumbnail(*this, Direct3D, MaximumDimension, &vgx::iVgxTexture::TextureAlphaName,
                     &vgx::iVgxTexture::PixelsTextureAlphaMap);
}
std::shared_ptr<VgxPicture> VgxTexture::GetTextureOverlayThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const {
    return Thumbnail(*this, Direct3D, MaximumDimension, &vgx::iVgxTexture::TextureOverlayName,
                     &vgx::iVgxTexture::PixelsTextureOverlay);
}
std::shared_ptr<VgxPicture> VgxTexture::GetBumpmapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const {
    return Thumbnail(*this, Direct3D, MaximumDimension, &vgx::iVgxTexture::TextureBumpMapName,
                     &vgx::iVgxTexture::PixelsBumpMap);
}
std::shared_ptr<VgxPicture> VgxTexture::GetSpecularMapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const {
    return Thumbnail(*this, Direct3D, MaximumDimension, &vgx::iVgxTexture::TextureSpecularMapName,
                     &vgx::iVgxTexture::PixelsSpecularMap);
}
std::shared_ptr<VgxPicture> VgxTexture::GetEnvironmentMapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const {
    return Thumbnail(*this, Direct3D, MaximumDimension, &vgx::iVgxTexture::TextureEnvironmentMapName,
                     &vgx::iVgxTexture::PixelsEnvironmentMap);
}
