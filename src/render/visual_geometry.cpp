// The displayed mesh handed out in the FaceData layout: the smoothing or mirror
// build when one is on, else the editable mesh.
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "object/object_internal.h"
#include "ops/smooth.h"

namespace {

constexpr std::string_view kSource = "VgxObject";

}  // namespace

void VgxObject::GetVisual(bool Triangulate, std::vector<VgxVector>& PointList, int32_t& PointListCount,
                          std::vector<VgxVector>& NormalList, int32_t& NormalListCount, std::vector<VgxUV>& UVList,
                          int32_t& UVListCount, std::vector<int32_t>& FaceData, int32_t& FaceDataCount,
                          std::vector<std::shared_ptr<VgxMaterial>>& FaceMaterialList,
                          int32_t& FaceMaterialListCount) {
    vgx::Trap(kSource, [&] {
        vgx::ObjectState& self = *internals_;
        const vgx::iVgxObject* level = &self.Base();
        bool triangulate = Triangulate;
        if (self.attributes.SmoothingLevel != 0 || self.attributes.MirrorAxis != VgxAxisNone) {
            vgx::EnsureAdjacency(*this);
            std::vector<int32_t> changed;
            vgx::BuildVisualLevels(*this, changed);
            static const vgx::iVgxObject nothing;
            level = self.visual ? self.visual : &nothing;
            triangulate = false;
        }
        std::vector<std::shared_ptr<VgxMaterial>> materials;
        vgx::ExportFaces(*level, triangulate, FaceData, FaceDataCount, &materials);
        vgx::ExportCoordinates(*level, PointList, PointListCount, NormalList, NormalListCount, UVList, UVListCount);
        FaceMaterialListCount = static_cast<int32_t>(materials.size());
        FaceMaterialList = std::move(materials);
    });
}
