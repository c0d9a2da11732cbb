// The texture step of the garbage collection.
#include <vgx/Vgx.h>
#include <vgx/VgxTexture.h>

#include <sstream>

#include "material/texture_entry.h"
#include "root/mod_file.h"
#include "root/registry_sweep.h"
#include "root/vgx_internal.h"

namespace vgx {
namespace {

iVgxTexture* EntryHandingOut(const std::shared_ptr<VgxTexture>& texture) {
    if (!texture->GetRoot()) return nullptr;
    for (iVgxTexture& entry : texture->GetRoot()->GetInternals().textures) {
        if (entry.VorlanTexture == texture) return &entry;
    }
    return nullptr;
}

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
        if (external == 1) {
            if (iVgxTexture* entry = EntryHandingOut(texture)) {
                modFile::WriteLogLine("Releasing Texture (RC=3): " + Describe(*entry));
                ErasePixels(*entry);
            }
        }
        return false;
    });
}

}  // namespace vgx
