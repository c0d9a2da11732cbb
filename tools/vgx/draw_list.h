#pragma once
// What the host draws, asked from every object the way a host asks: the vertex
// buffer first, then per sub-object (material) its index buffer and primitive
// count. The bytes are copied out of the library's device buffers so the
// graphics side needs nothing from the library.
#include <vgx/Vgx7a.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vgxtool {

enum class PrimitiveKind { Triangles, Lines, Points };

// A texture map as the library hands it to a host's device: 0xAARRGGBB rows from the top.
struct DrawTexture {
    int32_t width, height;
    std::vector<int32_t> pixels;
};

struct DrawBatch {
    PrimitiveKind kind;
    std::vector<uint8_t> indices;
    bool wideIndices;  // 32-bit rather than 16-bit
    int32_t indexCount;
    int32_t baseVertex;  // the visual block starts after the object block
    D3DCOLORVALUE diffuse;
    D3DCOLORVALUE emissive;
    std::shared_ptr<const DrawTexture> texture;  // the material's texture map; none without one
};

struct DrawObject {
    VgxMatrix toScene;
    std::vector<uint8_t> vertices;  // 44-byte vertices, format 0x252
    std::vector<DrawBatch> batches;
};

// Lines (the library's wireframe fill) instead of triangles when `wireframe`.
// Textures come from the root's registry, built for `device` as a host builds them.
std::vector<DrawObject> CollectDrawList(Vgx& root, const std::shared_ptr<VgxGroup>& top, int32_t deviceId,
                                        const std::shared_ptr<VgxDevice>& device, bool wireframe);

}  // namespace vgxtool
