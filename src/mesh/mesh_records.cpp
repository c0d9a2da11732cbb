#include "mesh/mesh_records.h"

#include <algorithm>

#include "base/access.h"

namespace vgx {

void iVgxObject::SetFaceMaterial(int32_t face, const std::shared_ptr<VgxMaterial>& material) {
    GiveFacesOwnMaterials();
    FaceMaterials.Set(static_cast<size_t>(face), material);
    if (VgxFace* proxy = MadeProxy(face)) VgxAccess::SetFaceMaterial(*proxy, material);
}

void iVgxObject::GiveFacesOwnMaterials() {
    if (FaceMaterialSlot.empty()) return;
    FaceMaterials.clear();
    FaceMaterials.reserve(FaceMaterialSlot.size());
    for (const int32_t slot : FaceMaterialSlot) FaceMaterials.push_back(MaterialList[slot].Material);
    FaceMaterialSlot = {};
}

void iVgxObject::EmptyKeepingStorage() {
    PointList.clear();
    NormalList.clear();
    UVList.clear();
    MaterialList.clear();
    EdgeList.clear();
    FaceList.clear();
    FaceMaterials.clear();
    DropFaceProxies();
    FaceMaterialSlot.clear();
    ActiveFaceList.clear();
    Corners.clear();
    D3DVertexBuffer.clear();
    PointListCount = NormalListCount = UVListCount = MaterialListCount = EdgeListCount = FaceListCount =
        ActiveFaceListCount = 0;
    EdgeIndex.Clear();
    Adjacency.Clear();
    ResetHashTables();
}

int32_t iVgxObject::AppendFace(int32_t corners) {
    iVgxFace face;
    face.CornerStart = static_cast<int32_t>(Corners.size());
    face.CornerCapacity = corners;
    Corners.resize(Corners.size() + static_cast<size_t>(corners));
    FaceList.push_back(face);
    return static_cast<int32_t>(FaceList.size()) - 1;
}

void iVgxObject::AppendCorner(int32_t faceIndex, const iVgxFacePoint& corner) {
    iVgxFace& face = FaceList[faceIndex];
    if (face.PointCount == face.CornerCapacity) {
        // Move the corners to the end of the store with room to grow; the old
        // slots stay unused until the next rebuild.
        const auto start = static_cast<int32_t>(Corners.size());
        const int32_t capacity = face.CornerCapacity < 2 ? 4 : face.CornerCapacity * 2;
        Corners.resize(Corners.size() + static_cast<size_t>(capacity));
        std::copy_n(Corners.begin() + face.CornerStart, face.PointCount, Corners.begin() + start);
        face.CornerStart = start;
        face.CornerCapacity = capacity;
    }
    Corners[static_cast<size_t>(face.CornerStart) + face.PointCount] = corner;
    ++face.PointCount;
}

}  // namespace vgx
