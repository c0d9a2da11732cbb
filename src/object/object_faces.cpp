// VgxObject's face operations.
#include <vgx/Vgx.h>
#include <vgx/VgxFaceArray.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <cmath>

#include "base/access.h"
#include "base/errors.h"
#include "base/finite.h"
#include "base/retained_mode.h"
#include "object/object_internal.h"
#include "state/library_state.h"
#include "state/root_state.h"

namespace {
constexpr std::string_view kSource = "VgxObject";
}

namespace vgx {

const std::shared_ptr<VgxMaterial>& EnsureDefaultMaterial(VgxObject& object) {
    vgx::ObjectState& self = vgx::State(object);
    if (!self.defaultMaterial) {
        if (!self.root) Raise(VgxErrObjectNotSet);
        self.defaultMaterial = self.root->CreateMaterial();
    }
    return self.defaultMaterial;
}

std::shared_ptr<VgxMaterial> ColoredMaterial(VgxObject& object, int32_t color) {
    vgx::ObjectState& self = vgx::State(object);
    if (!self.root) Raise(VgxErrObjectNotSet);
    auto material = self.root->CreateMaterial();
    const float r = rm::ColorGetRed(color), g = rm::ColorGetGreen(color), b = rm::ColorGetBlue(color);
    material->SetColor(color);
    material->SetAmbient(0.6f * r, 0.6f * g, 0.6f * b);
    material->SetEmissive(0.2f * r, 0.2f * g, 0.2f * b);
    return material;
}

const std::shared_ptr<VgxFace>& FaceProxy(VgxObject& object, int32_t face) {
    vgx::ObjectState& self = vgx::State(object);
    iVgxObject& level = self.Base();
    CheckIndex(face, level.FaceListCount);
    if (level.FaceListObjects.size() < static_cast<size_t>(level.FaceListCount)) {
        level.FaceListObjects.resize(static_cast<size_t>(level.FaceListCount));
    }
    std::shared_ptr<VgxFace>& proxy = level.FaceListObjects[face];
    if (!proxy) {
        proxy = VgxAccess::MakeFace(self.root, object.shared_from_this(), level.FaceMaterial(face), face);
        ++level.FaceProxyCount;
    }
    return proxy;
}

}  // namespace vgx

void VgxObject::AddFaces(const std::vector<VgxVector>& PointList, const std::vector<VgxVector>& NormalList,
                         const std::vector<VgxUV>& UVList, const std::vector<int32_t>& FaceData,
                         bool OptimizeCoordinates, bool OptimizeFaces) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, PointList, NormalList, UVList);
        vgx::ObjectState& self = *internals_;
        if (self.root) {
            if (NormalList.empty()) {
                vgx::ShowMessageBox(
                    *self.root, "The Vorlan Scene Graph does not support face data without normals",
                    VgxMessageExclamation);
            }
            if (UVList.empty()) {
                vgx::ShowMessageBox(
                    *self.root, "The Vorlan Scene Graph does not support face data without UV coordinates",
                    VgxMessageExclamation);
            }
        }
        if (FaceData.empty()) return;
        vgx::ValidateFaceData(FaceData, PointList.size(), NormalList.size(), UVList.size());
        vgx::BuildFacesFromArrays(*this, PointList, NormalList, UVList, FaceData, {vgx::EnsureDefaultMaterial(*this)},
                                  OptimizeFaces, OptimizeCoordinates, 100);
        self.changes.StructureChanged(vgx::Changed::kPoints);
    });
}

void VgxObject::AddFacesIndexed(const std::vector<int32_t>& FaceData, bool OptimizeFaces) {
    vgx::Trap(kSource, [&] {
        if (FaceData.empty()) return;
        vgx::BuildFacesIndexed(*this, FaceData, OptimizeFaces);
    });
}

std::shared_ptr<VgxFace> VgxObject::CreateFace() {
    return vgx::Trap(kSource, [&] {
        vgx::FaceBatch face;
        face.Close(0, vgx::EnsureDefaultMaterial(*this));
        vgx::AddFaceRecords(*this, internals_->Base(), std::move(face), true);
        return vgx::FaceProxy(*this, GetFaceCount() - 1);
    });
}

void VgxObject::DeleteFaces(const std::vector<int32_t>& FaceIDList) {
    vgx::Trap(kSource, [&] {
        if (FaceIDList.empty()) return;
        vgx::iVgxObject& level = internals_->Base();
        for (int32_t id : FaceIDList) vgx::CheckIndex(id, level.FaceList.size());
        for (int32_t id : FaceIDList) level.FaceList[id].PointCount = 0;
        vgx::RebuildFaces(*this, level, 3);
        internals_->changes.StructureChanged(vgx::Changed::kPoints);
    });
}

int32_t VgxObject::GetFaceCount() const { return internals_->Base().FaceListCount; }

std::shared_ptr<VgxFace> VgxObject::GetFace(int32_t FaceID) const {
    // Handing out a proxy fills the proxy cache; the mesh itself stays as it is.
    return vgx::Trap(kSource, [&] { return vgx::FaceProxy(const_cast<VgxObject&>(*this), FaceID); });
}

std::shared_ptr<VgxFaceArray> VgxObject::GetFaces() {
    return vgx::Trap(kSource, [&] {
        auto faces = VgxAccess::Make<VgxFaceArray>();
        vgx::Registered().faceArrays.push_back(faces);
        VgxAccess::Bind(*faces, internals_->root, shared_from_this());
        return faces;
    });
}

void VgxObject::DefaultMaterial(int32_t Color) {
    vgx::Trap(kSource, [&] { ApplyMaterial(vgx::ColoredMaterial(*this, Color)); });
}

void VgxObject::ApplyMaterial(const std::shared_ptr<VgxMaterial>& Material) {
    vgx::Trap(kSource, [&] {
        vgx::iVgxObject& level = internals_->Base();
        for (int32_t f = 0; f < level.FaceListCount; ++f) level.SetFaceMaterial(f, Material);
        if (level.FaceListCount > 0) internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}
