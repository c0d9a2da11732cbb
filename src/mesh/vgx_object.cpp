#include <vgx/Vgx.h>
#include <vgx/VgxFaceArray.h>
#include <vgx/VgxObject.h>

#include "mesh/object_internal.h"
#include "root/errors.h"
#include "root/factory.h"
#include "root/library_state.h"

namespace {
constexpr std::string_view kSource = "VgxObject";
}

VgxObject::VgxObject() : internals_(std::make_unique<Internals>()) { ++vgx::Library().liveObjectCount; }

VgxObject::~VgxObject() {
    vgx::ClearObject(*this);
    internals_->root.reset();
    if (vgx::LibraryAlive()) --vgx::Library().liveObjectCount;
}

void vgx::ClearObject(VgxObject& object) {
    object.ReleaseDirect3DBuffers();
    VgxObject::Internals& self = object.GetInternals();
    // Dropping the proxies breaks the cycle between the object and its faces.
    self.faceProxies.clear();
    self.renderBufferState = 0;
}

int32_t VgxObject::GetFaceCount() const { return static_cast<int32_t>(internals_->faceProxies.size()); }

std::shared_ptr<VgxFace> VgxObject::GetFace(int32_t FaceID) const {
    return vgx::Trap(kSource, [&] { return vgx::At(internals_->faceProxies, FaceID); });
}

std::shared_ptr<VgxFaceArray> VgxObject::GetFaces() {
    return vgx::Trap(kSource, [&] {
        auto faces = VgxFactory::Make<VgxFaceArray>();
        vgx::Registered().faceArrays.push_back(faces);
        VgxFactory::Bind(*faces, internals_->root, shared_from_this());
        return faces;
    });
}

void VgxObject::ReleaseDirect3DBuffers() { internals_->renderBufferState = 0; }

void VgxObject::ReleaseDirect3DBuffers(int32_t /*DeviceID*/) { internals_->renderBufferState = 0; }

std::string VgxObject::GetName() const { return internals_->name; }
void VgxObject::SetName(const std::string& Name) { internals_->name = Name; }
int32_t VgxObject::GetAppData() const { return internals_->appData; }
void VgxObject::SetAppData(int32_t Data) { internals_->appData = Data; }
int32_t VgxObject::GetObjectID() const { return internals_->objectId; }

const std::shared_ptr<Vgx>& VgxObject::GetRoot() const { return internals_->root; }

void VgxObject::SetRoot(const std::shared_ptr<Vgx>& Root) {
    internals_->root = Root;
    if (!Root) vgx::ClearObject(*this);
}

void VgxFactory::SetObjectID(VgxObject& object, int32_t id) { object.GetInternals().objectId = id; }
