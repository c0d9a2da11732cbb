// Optimize: the weld. Every coordinate is pooled again from the mesh's own
// geometry, so equal points, normals and UVs merge, and in depth equal materials
// and degenerate faces go too.
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "object/object_internal.h"

namespace {

constexpr std::string_view kSource = "VgxObject";

}  // namespace

void VgxObject::Optimize(bool InDepth, int32_t Version) {
    vgx::Trap(kSource, [&] {
        if (GetFaceCount() == 0) return;
        std::vector<VgxVector> points, normals;
        std::vector<VgxUV> uvs;
        std::vector<int32_t> faceData;
        int32_t pointCount, normalCount, uvCount, faceDataCount;
        GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
        // A corner added by index may name no coordinate: refused before the mesh is cleared.
        vgx::ValidateFaceData(faceData, points.size(), normals.size(), uvs.size());
        if (InDepth) OptimizeMaterials();
        vgx::iVgxObject& level = internals_->Base();
        std::vector<std::shared_ptr<VgxMaterial>> materials(static_cast<size_t>(level.FaceListCount));
        for (int32_t f = 0; f < level.FaceListCount; ++f) materials[f] = level.FaceMaterial(f);
        vgx::ClearObject(*this);
        vgx::BuildFacesFromArrays(*this, points, normals, uvs, faceData, std::move(materials), InDepth, true, Version);
    });
}
