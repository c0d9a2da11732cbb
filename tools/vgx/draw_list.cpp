#include "draw_list.h"

#include <map>
#include <stdexcept>

#include "scene_walk.h"

namespace vgxtool {
namespace {

std::vector<uint8_t> ReadAll(const VgxDeviceBuffer& buffer) {
    std::vector<uint8_t> bytes(buffer.GetLength());
    buffer.Read(0, bytes.data(), bytes.size());
    return bytes;
}

// The index buffer and primitive count of one sub-object, from the object block or
// the visual block (smoothed or mirrored display).
struct IndexSource {
    std::shared_ptr<VgxIndexBuffer> buffer;
    int32_t primitives;
};

IndexSource FindIndices(VgxObject& object, int32_t deviceId, int32_t subObject, bool visual, bool wireframe) {
    if (visual) {
        return wireframe ? IndexSource{object.GetSubVisualNonSolidIndexBuffer(deviceId, subObject),
                                       object.GetSubVisualNonSolidPrimitiveCount(subObject)}
                         : IndexSource{object.GetSubVisualSolidIndexBuffer(deviceId, subObject),
                                       object.GetSubVisualSolidPrimitiveCount(subObject)};
    }
    return wireframe ? IndexSource{object.GetSubObjectNonSolidIndexBuffer(deviceId, subObject),
                                   object.GetSubObjectNonSolidPrimitiveCount(subObject)}
                     : IndexSource{object.GetSubObjectSolidIndexBuffer(deviceId, subObject),
                                   object.GetSubObjectSolidPrimitiveCount(subObject)};
}

// The top level of the texture's device texture, built once per texture.
std::shared_ptr<const DrawTexture> TextureOf(Vgx& root, VgxDevice& device, const VgxMaterial& material,
                                             std::map<int32_t, std::shared_ptr<const DrawTexture>>& built) {
    const std::shared_ptr<VgxTexture> texture = material.GetTexture();
    if (!texture) return nullptr;
    const auto [found, added] = built.emplace(texture->GetTextureID(), nullptr);
    if (!added) return found->second;
    std::shared_ptr<VgxDeviceTexture> deviceTexture;
    root.RebuildDirect3DTexture8(device, texture->GetTextureID() - 1, deviceTexture, true);
    if (deviceTexture) {
        found->second = std::make_shared<const DrawTexture>(DrawTexture{
            deviceTexture->GetLevelWidth(0), deviceTexture->GetLevelHeight(0), deviceTexture->ReadLevel(0)});
    }
    return found->second;
}

}  // namespace

std::vector<DrawObject> CollectDrawList(Vgx& root, const std::shared_ptr<VgxGroup>& top, int32_t deviceId,
                                        const std::shared_ptr<VgxDevice>& device, bool wireframe) {
    std::vector<DrawObject> drawList;
    std::map<int32_t, std::shared_ptr<const DrawTexture>> textures;
    ForEachObject(top, [&](VgxObject& object, const VgxMatrix& toTop) {
        const std::shared_ptr<VgxVertexBuffer> vertices = object.GetVertexBuffer(deviceId, device);
        if (!vertices) return;
        // The library adds the visual block exactly when it shows more than the
        // editable mesh.
        const bool visual = object.GetSmoothingLevel() != 0 || object.GetMirrorAxis() != VgxAxisNone;
        DrawObject drawn{toTop, ReadAll(*vertices), {}};
        for (int32_t s = 0; s < object.GetSubObjectCount(); ++s) {
            const IndexSource source = FindIndices(object, deviceId, s, visual, wireframe);
            if (!source.buffer || source.primitives == 0) continue;
            const bool wide = source.buffer->GetFormat() == VgxFormatIndex32;
            const int32_t indexCount = source.primitives * (wireframe ? 2 : 3);
            if (static_cast<size_t>(indexCount) * (wide ? 4 : 2) > source.buffer->GetLength()) {
                throw std::runtime_error("object '" + object.GetName() + "': index buffer shorter than its count");
            }
            const std::shared_ptr<VgxMaterial> material = object.GetSubObjectMaterial(s);
            const D3DMATERIAL8 look = material->GetD3DMaterial();
            drawn.batches.push_back({wireframe ? PrimitiveKind::Lines : PrimitiveKind::Triangles,
                                     ReadAll(*source.buffer), wide, indexCount,
                                     visual ? object.GetVertexBufferObjectVertexCount() : 0, look.Diffuse,
                                     look.Emissive, TextureOf(root, *device, *material, textures)});
        }
        if (!drawn.batches.empty()) drawList.push_back(std::move(drawn));
    });
    return drawList;
}

}  // namespace vgxtool
