// VgxObject's single-coordinate operations on the pools of level 0.
#include <vgx/VgxObject.h>

#include "base/errors.h"
#include "base/finite.h"
#include "mesh/mod_index.h"
#include "object/object_internal.h"

namespace {

constexpr std::string_view kSource = "VgxObject";

}  // namespace

int32_t VgxObject::AddOptimizedPoint(const VgxVector& Point) {
    return vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Point);
        const int32_t index = vgx::modIndex::SearchPoint(internals_->Base(), internals_->changes.PoolSearches(), Point);
        internals_->changes.StructureChanged(vgx::Changed::kPoints);
        return index;
    });
}

void VgxObject::AddOptimizedPoints(const std::vector<VgxVector>& PointList, std::vector<int32_t>& PointIndexList) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, PointList);
        vgx::iVgxObject& level = internals_->Base();
        std::vector<int32_t> indexes;
        vgx::modIndex::AddPooledPoints(level.PointList, level.PointListCount, level.PointHashTable, PointList, true,
                                       indexes);
        PointIndexList = std::move(indexes);
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues | vgx::Changed::kPoints);
    });
}

int32_t VgxObject::AddOptimizedNormal(const VgxVector& Normal) {
    return vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Normal);
        const int32_t index =
            vgx::modIndex::SearchNormal(internals_->Base(), internals_->changes.PoolSearches(), Normal);
        internals_->changes.StructureChanged(vgx::Changed::kFaces);
        return index;
    });
}

void VgxObject::AddOptimizedNormals(const std::vector<VgxVector>& NormalList, std::vector<int32_t>& NormalIndexList) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, NormalList);
        vgx::iVgxObject& level = internals_->Base();
        std::vector<int32_t> indexes;
        vgx::modIndex::AddPooledNormals(level.NormalList, level.NormalListCount, level.NormalHashTable, NormalList,
                                        true, indexes);
        NormalIndexList = std::move(indexes);
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

int32_t VgxObject::AddOptimizedUV(const VgxUV& UV) {
    return vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, UV);
        const int32_t index = vgx::modIndex::SearchUV(internals_->Base(), internals_->changes.PoolSearches(), UV);
        internals_->changes.StructureChanged(vgx::Changed::kFaces);
        return index;
    });
}

void VgxObject::AddOptimizedUVs(const std::vector<VgxUV>& UVList, std::vector<int32_t>& UVIndexList) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, UVList);
        vgx::iVgxObject& level = internals_->Base();
        std::vector<int32_t> indexes;
        vgx::modIndex::AddPooledUVs(level.UVList, level.UVListCount, level.UVHashTable, UVList, true, indexes);
        UVIndexList = std::move(indexes);
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

int32_t VgxObject::GetPointCount() const { return internals_->Base().PointListCount; }
int32_t VgxObject::GetNormalCount() const { return internals_->Base().NormalListCount; }
int32_t VgxObject::GetUVCount() const { return internals_->Base().UVListCount; }

// Single entries are checked against the array, which may hold spare entries past the count.
VgxVector VgxObject::GetPoint(int32_t PointID) const {
    return vgx::Trap(kSource, [&] { return vgx::At(internals_->Base().PointList, PointID).Point; });
}

void VgxObject::SetPoint(int32_t PointID, const VgxVector& Point) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Point);
        vgx::At(internals_->Base().PointList, PointID).Point = Point;
        internals_->changes.PointsMoved({&PointID, 1}, internals_->Base().PointListCount);
    });
}

VgxVector VgxObject::GetNormal(int32_t NormalID) const {
    return vgx::Trap(kSource, [&] { return vgx::At(internals_->Base().NormalList, NormalID).Vector; });
}

void VgxObject::SetNormal(int32_t NormalID, const VgxVector& Normal) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Normal);
        vgx::At(internals_->Base().NormalList, NormalID).Vector = Normal;
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

VgxUV VgxObject::GetUV(int32_t UVID) const {
    return vgx::Trap(kSource, [&] { return vgx::At(internals_->Base().UVList, UVID).Coordinate; });
}

void VgxObject::SetUV(int32_t UVID, const VgxUV& UV) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, UV);
        vgx::At(internals_->Base().UVList, UVID).Coordinate = UV;
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}
