#pragma once
// One entry of a scene root's texture registry: the decoded maps of up to six
// image files and the texture object handed out for them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vgx/VgxForward.h>

namespace vgx {

struct iVgxTexture {
    std::vector<int32_t> Pixels;
    std::vector<int32_t> PixelsNormalMap;
    std::vector<int32_t> PixelsTexture;
    std::vector<int32_t> PixelsTextureAlphaMap;
    std::vector<int32_t> PixelsTextureOverlay;
    std::vector<int32_t> PixelsBumpMap;
    std::vector<int32_t> PixelsSpecularMap;
    std::vector<int32_t> PixelsEnvironmentMap;
    std::string TextureName;
    std::string TextureAlphaName;
    std::string TextureOverlayName;
    float TextureOverlayDensity = 0;
    std::string TextureBumpMapName;
    std::string TextureSpecularMapName;
    std::string TextureEnvironmentMapName;
    int32_t TextureWidth = 0;
    int32_t TextureHeight = 0;
    std::string SearchPath;
    int32_t LastLoadTime = 0;
    bool PixelsChanged = false;
    bool PixelsNormalMapChanged = false;
    bool PixelsTextureChanged = false;
    bool PixelsTextureOverlayChanged = false;
    bool PixelsSpecularMapChanged = false;
    bool PixelsEnvironmentMapChanged = false;
    std::shared_ptr<VgxTexture> VorlanTexture;
};

}  // namespace vgx
