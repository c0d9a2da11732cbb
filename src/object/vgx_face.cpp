// The face proxy: every operation acts on face `id` of the owning object.
#include <vgx/VgxFace.h>
#include <vgx/VgxObject.h>

#include "base/errors.h"
#include "base/finite.h"
#include "mesh/mod_index.h"
#include "object/object_internal.h"

namespace {

constexpr std::string_view kSource = "VgxFace";

struct FaceRef {
    vgx::ObjectState& object;
    vgx::iVgxObject& level;
    int32_t face;

    vgx::iVgxFacePoint& Corner(int32_t index) const {
        return level.FaceCorners(face)[vgx::CheckIndex(index, level.FaceList[face].PointCount)];
    }
    int32_t CornerCount() const { return level.FaceList[face].PointCount; }
    // A corner added or repointed changes the face's sides and what is drawn.
    void CornersChanged() const {
        object.changes.StructureChanged(vgx::Changed::kPoints | vgx::Changed::kEdges);
    }
};

FaceRef Resolve(const std::shared_ptr<VgxObject>& object, int32_t id) {
    if (!object) vgx::Raise(VgxErrObjectNotSet);
    vgx::ObjectState& internals = vgx::State(*object);
    vgx::CheckIndex(id, internals.Base().FaceList.size());
    return {internals, internals.Base(), id};
}

vgx::iVgxFacePoint Pooled(vgx::ObjectState& object, const VgxVector& point, const VgxVector& normal, const VgxUV& uv) {
    vgx::iVgxFacePoint corner;
    corner.Point = vgx::modIndex::SearchPoint(object.Base(), object.changes.PoolSearches(), point);
    corner.Normal = vgx::modIndex::SearchNormal(object.Base(), object.changes.PoolSearches(), normal);
    corner.UV = vgx::modIndex::SearchUV(object.Base(), object.changes.PoolSearches(), uv);
    return corner;
}

}  // namespace

void VgxFace::AddPoint(const VgxVector& Point, const VgxVector& Normal, const VgxUV& UV) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Point, Normal, UV);
        FaceRef ref = Resolve(object_, id_);
        ref.level.AppendCorner(ref.face, Pooled(ref.object, Point, Normal, UV));
        ref.CornersChanged();
    });
}

void VgxFace::AddPointIndexed(int32_t PointID, int32_t NormalID, int32_t UVID) {
    vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        vgx::iVgxFacePoint corner;
        corner.Point = PointID;
        corner.Normal = NormalID;
        corner.UV = UVID;
        ref.level.AppendCorner(ref.face, corner);
        ref.CornersChanged();
    });
}

void VgxFace::SetPoint(int32_t FacePointID, const VgxVector& Point, const VgxVector& Normal, const VgxUV& UV) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Point, Normal, UV);
        FaceRef ref = Resolve(object_, id_);
        vgx::iVgxFacePoint& corner = ref.Corner(FacePointID);
        const vgx::iVgxFacePoint pooled = Pooled(ref.object, Point, Normal, UV);
        corner.Point = pooled.Point;
        corner.Normal = pooled.Normal;
        corner.UV = pooled.UV;
        ref.CornersChanged();
    });
}

void VgxFace::SetPointIndexed(int32_t FacePointID, int32_t PointID, int32_t NormalID, int32_t UVID) {
    vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        vgx::iVgxFacePoint& corner = ref.Corner(FacePointID);
        corner.Point = PointID;
        corner.Normal = NormalID;
        corner.UV = UVID;
    });
}

void VgxFace::SetUV(int32_t FacePointID, const VgxUV& UV) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, UV);
        FaceRef ref = Resolve(object_, id_);
        vgx::iVgxFacePoint& corner = ref.Corner(FacePointID);
        corner.UV = vgx::modIndex::SearchUV(ref.level, ref.object.changes.PoolSearches(), UV);
        ref.object.changes.StructureChanged(vgx::Changed::kFaces);
    });
}

void VgxFace::SetUVID(int32_t FacePointID, int32_t UVID) {
    vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        ref.Corner(FacePointID).UV = UVID;
        ref.object.changes.StructureChanged(vgx::Changed::kFaces);
    });
}

VgxUV VgxFace::GetUV(int32_t Index) const {
    return vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        return vgx::At(ref.level.UVList, ref.Corner(Index).UV).Coordinate;
    });
}

int32_t VgxFace::GetPointCount() const {
    return vgx::Trap(kSource, [&] { return Resolve(object_, id_).CornerCount(); });
}

void VgxFace::GetPoint(int32_t FacePointID, VgxVector& Point, VgxVector& Normal, VgxUV& UV) const {
    vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        const vgx::iVgxFacePoint& corner = ref.Corner(FacePointID);
        Point = vgx::At(ref.level.PointList, corner.Point).Point;
        Normal = vgx::At(ref.level.NormalList, corner.Normal).Vector;
        UV = vgx::At(ref.level.UVList, corner.UV).Coordinate;
    });
}

void VgxFace::GetPoints(std::vector<VgxVector>& PointList, std::vector<VgxVector>& NormalList,
                        std::vector<VgxUV>& UVList, int32_t& PointCount) const {
    vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        const int32_t n = ref.CornerCount();
        std::vector<VgxVector> points(n), normals(n);
        std::vector<VgxUV> uvs(n);
        for (int32_t k = 0; k < n; ++k) GetPoint(k, points[k], normals[k], uvs[k]);
        PointList = std::move(points);
        NormalList = std::move(normals);
        UVList = std::move(uvs);
        PointCount = n;
    });
}

void VgxFace::GetPointIDs(std::vector<int32_t>& PointIDList, std::vector<int32_t>& NormalIDList,
                          std::vector<int32_t>& UVIDList, int32_t& PointCount) const {
    vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        const int32_t n = ref.CornerCount();
        PointIDList.resize(n);
        NormalIDList.resize(n);
        UVIDList.resize(n);
        const vgx::iVgxFacePoint* corners = ref.level.FaceCorners(ref.face);
        for (int32_t k = 0; k < n; ++k) {
            PointIDList[k] = corners[k].Point;
            NormalIDList[k] = corners[k].Normal;
            UVIDList[k] = corners[k].UV;
        }
        PointCount = n;
    });
}

int32_t VgxFace::GetPointID(int32_t Index) const {
    return vgx::Trap(kSource, [&] { return Resolve(object_, id_).Corner(Index).Point; });
}

int32_t VgxFace::GetNormalID(int32_t Index) const {
    return vgx::Trap(kSource, [&] { return Resolve(object_, id_).Corner(Index).Normal; });
}

int32_t VgxFace::GetUVID(int32_t Index) const {
    return vgx::Trap(kSource, [&] { return Resolve(object_, id_).Corner(Index).UV; });
}

VgxVector VgxFace::GetFaceNormal() const {
    return vgx::Trap(kSource, [&] {
        FaceRef ref = Resolve(object_, id_);
        return vgx::FaceNormal(ref.level, ref.face);
    });
}

void VgxFace::ApplyMaterial(const std::shared_ptr<VgxMaterial>& Material) {
    vgx::Trap(kSource, [&] {
        material_ = Material;
        if (!object_) return;
        vgx::ObjectState& owner = vgx::State(*object_);
        // A proxy a rebuild replaced keeps its material to itself.
        if (owner.Base().MadeProxy(id_) == this) owner.Base().SetFaceMaterial(id_, Material);
        owner.changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

void VgxFace::DefaultMaterial(int32_t Color) {
    vgx::Trap(kSource, [&] {
        if (!object_) vgx::Raise(VgxErrObjectNotSet);
        ApplyMaterial(vgx::ColoredMaterial(*object_, Color));
    });
}

int32_t VgxFace::GetAppData() const {
    return vgx::Trap(kSource, [&] { return Resolve(object_, id_).level.FaceList[id_].ApplicationData; });
}

void VgxFace::SetAppData(int32_t Data) {
    vgx::Trap(kSource, [&] { Resolve(object_, id_).level.FaceList[id_].ApplicationData = Data; });
}
