#pragma once
// Names one entry of its scene root's texture registry (id = registry index + 1).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VgxDevice.h"
#include "VgxForward.h"
#include "VgxPicture.h"

class VgxTexture : public std::enable_shared_from_this<VgxTexture> {
public:
    VgxTexture(const VgxTexture&) = delete;
    VgxTexture& operator=(const VgxTexture&) = delete;

    int32_t GetTextureID() const { return id_; }
    std::string GetAppDataString() const { return appDataString_; }
    void SetAppDataString(const std::string& Data) { appDataString_ = Data; }
    // The entry's file names and overlay density; raise 91 without a root, 9 for a
    // stale id.
    std::string GetTextureName() const;
    std::string GetTranslucencyMapName() const;
    std::string GetTextureOverlayName() const;
    std::string GetBumpMapName() const;
    std::string GetSpecularMapName() const;
    std::string GetEnvironmentMapName() const;
    float GetTextureOverlayDensity() const;

    // The combined image (texture, translucency map and overlay) and its size.
    void GetPixels(std::vector<int32_t>& PixelList, int32_t& Width, int32_t& Height) const;

    // Previews: of the map's mip chain, the first of levels 0 to 5 whose width is
    // at most MaximumDimension, else level 5 (or the smallest). None when the map's
    // file name is shorter than 3 characters or the map is empty. The texture
    // preview shows the combined image unless an overlay is named, then the texture
    // alone.
    std::shared_ptr<VgxPicture> GetTextureThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const;
    std::shared_ptr<VgxPicture> GetTranslucencyMapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const;
    std::shared_ptr<VgxPicture> GetTextureOverlayThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const;
    std::shared_ptr<VgxPicture> GetBumpmapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const;
    std::shared_ptr<VgxPicture> GetSpecularMapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const;
    std::shared_ptr<VgxPicture> GetEnvironmentMapThumbnail(VgxDevice& Direct3D, int32_t MaximumDimension) const;

private:
    friend struct VgxAccess;
    VgxTexture() = default;
    // The root is held weakly: the root's registry holds its textures, and a strong
    // link back would keep a root with textures alive forever.
    std::shared_ptr<Vgx> GetRoot() const { return root_.lock(); }
    void SetRoot(const std::shared_ptr<Vgx>& Root) { root_ = Root; }
    void SetTextureID(int32_t Id) { id_ = Id; }

    std::weak_ptr<Vgx> root_;
    int32_t id_ = 0;
    std::string appDataString_;
};
