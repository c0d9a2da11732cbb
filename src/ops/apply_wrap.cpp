// VgxObject::ApplyWrap: every face corner's texture coordinate from a projection.
#include <vgx/VgxGroup.h>
#include <vgx/VgxObject.h>

#include "base/errors.h"
#include "base/finite.h"
#include "mesh/mod_index.h"
#include "object/object_internal.h"
#include "ops/texture_wrap.h"

void VgxObject::ApplyWrap(VgxWrapType WrapType, const std::shared_ptr<VgxGroup>& RelativeGroup, float ox, float oy,
                          float oz, float dx, float dy, float dz, float ux, float uy, float uz, float ou, float ov,
                          float su, float sv) {
    vgx::Trap("VgxObject", [&] {
        vgx::RequireFinite("VgxObject", ox, oy, oz, dx, dy, dz, ux, uy, uz, ou, ov, su, sv);
        vgx::ObjectState& self = *internals_;
        vgx::iVgxObject& level = self.Base();
        vgx::CheckCorners(level);
        std::vector<int32_t> faceCorners;
        std::vector<float> positions;
        positions.reserve(level.Corners.size() * 3);
        for (int32_t f = 0; f < level.FaceListCount; ++f) {
            const int32_t n = level.FaceList[f].PointCount;
            if (n == 0) continue;
            faceCorners.push_back(n);
            const vgx::iVgxFacePoint* corners = level.FaceCorners(f);
            for (int32_t k = 0; k < n; ++k) {
                const VgxVector& p = level.PointList[corners[k].Point].Point;
                positions.insert(positions.end(), {p.X, p.Y, p.Z});
            }
        }
        const auto cornerCount = static_cast<int32_t>(positions.size() / 3);
        if (cornerCount == 0) return;
        const vgx::rm::WrapParameters parameters{{ox, oy, oz}, {dx, dy, dz}, {ux, uy, uz}, ou, ov, su, sv};
        const auto faceCount = static_cast<int32_t>(faceCorners.size());
        std::vector<float> uvs;
        if (RelativeGroup) {
            VgxMatrix world;
            RelativeGroup->GetTransform(nullptr, world);
            vgx::rm::WrapCornersInFrame(world, positions, cornerCount, faceCorners, faceCount, WrapType, parameters,
                                        uvs);
        } else {
            vgx::rm::WrapCorners(positions, cornerCount, faceCorners, faceCount, WrapType, parameters, uvs);
        }
        std::vector<VgxUV> coordinates(static_cast<size_t>(cornerCount));
        for (size_t i = 0; i < coordinates.size(); ++i) coordinates[i] = {uvs[2 * i], uvs[2 * i + 1]};
        std::vector<int32_t> pooled;
        vgx::modIndex::AddPooledUVs(level.UVList, level.UVListCount, level.UVHashTable, coordinates, true, pooled);
        size_t next = 0;
        for (int32_t f = 0; f < level.FaceListCount; ++f) {
            vgx::iVgxFacePoint* corners = level.FaceCorners(f);
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) corners[k].UV = pooled[next++];
        }
        self.changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}
