// A mesh object's life: construction, clearing, its root and render buffers.
#include <vgx/Vgx.h>
#include <vgx/VgxObject.h>

#include <algorithm>
#include <numeric>

#include "base/access.h"
#include "base/errors.h"
#include "object/object_internal.h"
#include "state/library_state.h"

VgxObject::VgxObject() : internals_(std::make_unique<vgx::ObjectState>()) { ++vgx::Library().liveObjectCount; }

VgxObject::~VgxObject() {
    vgx::ClearObject(*this);
    internals_->defaultMaterial.reset();
    internals_->root.reset();
    if (vgx::LibraryAlive()) --vgx::Library().liveObjectCount;
}

void vgx::ClearObject(VgxObject& object) {
    object.ReleaseDirect3DBuffers();
    vgx::ObjectState& self = vgx::State(object);
    // Dropping the proxies breaks the cycle between the object and its faces.
    for (iVgxObject& level : self.levels) level.ClearGeometry();
    for (SubdivisionLinks& links : self.links) links = {};
    self.working.ClearGeometry();
    self.workingMirrorOf.clear();
    self.visual = nullptr;
    self.changes.StructureChanged(vgx::Changed::kPoolValues | vgx::Changed::kPoints);
}

void VgxObject::Clear() {
    vgx::Trap("VgxObject", [&] { vgx::ClearObject(*this); });
}

namespace {

// Empties the device slots `release` picks, in the vertex buffer array and every
// sub-object's arrays; the arrays keep their size.
template <class Release>
void ReleaseDeviceSlots(vgx::ObjectState& self, Release&& release) {
    vgx::iVgxObject& level = self.Base();
    release(level.D3DVertexBuffer);
    for (vgx::iVgxMaterial& slot : level.MaterialList) {
        release(slot.D3DXMeshesNew);
        release(slot.D3DObjectTriangleIndexBuffers);
        release(slot.D3DObjectEdgePointIndexBuffers);
        release(slot.D3DVisualTriangleIndexBuffers);
        release(slot.D3DVisualEdgePointIndexBuffers);
    }
    self.changes.StructureChanged(vgx::Changed::kPoolValues);
}

}  // namespace

void VgxObject::ReleaseDirect3DBuffers() {
    ReleaseDeviceSlots(*internals_, [](auto& slots) {
        for (auto& resource : slots) resource.reset();
    });
}

void VgxObject::ReleaseDirect3DBuffers(int32_t DeviceID) {
    ReleaseDeviceSlots(*internals_, [&](auto& slots) {
        if (DeviceID >= 0 && static_cast<size_t>(DeviceID) < slots.size()) slots[DeviceID].reset();
    });
}

int32_t VgxObject::GetObjectID() const { return internals_->objectId; }

const std::shared_ptr<Vgx>& VgxObject::GetRoot() const { return internals_->root; }

void VgxObject::SetRoot(const std::shared_ptr<Vgx>& Root) {
    internals_->root = Root;
    if (!Root) vgx::ClearObject(*this);
}

void VgxAccess::SetObjectID(VgxObject& object, int32_t id) { vgx::State(object).objectId = id; }
