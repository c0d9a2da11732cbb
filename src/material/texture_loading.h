#pragma once
// Filling the entries of a scene root's texture registry: finding or loading the
// maps a request names, the images derived from them, and device textures of a map.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vgx/VgxDevice.h>
#include <vgx/VgxForward.h>

namespace vgx {

struct iVgxTexture;

// The arguments of CreateTexture, already checked.
struct TextureRequest {
    std::string texture, alpha, overlay;
    float overlayDensity = 0;
    std::string bumpMap, specularMap, environmentMap;
    int32_t width = 0, height = 0;
};

// The texture object of the registry entry matching the request: reused when it
// was loaded at most 2 s ago, reloaded into its entry otherwise, or appended and
// loaded when no entry matches.
std::shared_ptr<VgxTexture> FindOrLoadTexture(Vgx& root, const TextureRequest& request);

// Images a scene file holds inside it, kept under their names (any letter case):
// a texture map naming one decodes it instead of looking for a file, now and
// whenever the entry is reloaded. A later image of the same name replaces it.
void RegisterEmbeddedImage(Vgx& root, const std::string& name, std::vector<uint8_t> bytes);

// The texture map of a registered texture as an image file for writing into a
// scene file: an embedded image's own bytes, otherwise the decoded map as PNG.
// Empty when the texture has no map. `mimeType` is "image/png" or "image/jpeg".
std::vector<uint8_t> TextureImageFile(const VgxTexture& texture, std::string& mimeType);

// The combined image of an entry's maps: texture colours (white without one),
// blended towards the overlay by its density, with the translucency map's grey
// level as alpha when there is one.
std::vector<int32_t> CombinedImage(const iVgxTexture& maps, int32_t width, int32_t height);
// The normal map of a bump map, each normal encoded as colour = 0.5 + 0.5 n.
std::vector<int32_t> NormalMap(const std::vector<int32_t>& bump, int32_t width, int32_t height);
// A texture of width x height with a full mip chain: level 0 holds `pixels`, each
// lower level is filtered from the one above. None for an empty array.
std::shared_ptr<VgxDeviceTexture> MakeDeviceTexture(VgxDevice& device, const std::vector<int32_t>& pixels,
                                                    int32_t width, int32_t height);

}  // namespace vgx
