#pragma once
// Names one entry of its scene root's texture registry (id = registry index + 1).
#include <cstdint>
#include <memory>
#include <string>

#include "VgxForward.h"

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

    // Library-private links.
    const std::shared_ptr<Vgx>& GetRoot() const { return root_; }
    void SetRoot(const std::shared_ptr<Vgx>& Root) { root_ = Root; }
    void SetTextureID(int32_t Id) { id_ = Id; }

private:
    friend struct VgxFactory;
    VgxTexture() = default;

    std::shared_ptr<Vgx> root_;
    int32_t id_ = 0;
    std::string appDataString_;
};
