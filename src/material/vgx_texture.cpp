#include <vgx/VgxTexture.h>

#include "root/errors.h"
#include "root/vgx_internal.h"

namespace {

constexpr std::string_view kSource = "VgxTexture";

// The registry entry this texture names.
const vgx::iVgxTexture& Entry(const VgxTexture& texture) {
    if (!texture.GetRoot()) vgx::Raise(VgxErrObjectNotSet);
    return vgx::At(texture.GetRoot()->GetInternals().textures, static_cast<int64_t>(texture.GetTextureID()) - 1);
}

template <class Field>
auto Read(const VgxTexture& texture, Field field) {
    return vgx::Trap(kSource, [&] { return Entry(texture).*field; });
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
