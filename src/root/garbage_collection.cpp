// The garbage collection: releases every registered library object that nobody
// outside the library references any more, breaking the cycles the library's
// back references form.
#include <vgx/Vgx.h>
#include <vgx/VgxGroup.h>
#include <vgx/VgxObject.h>

#include "base/errors.h"
#include "material/texture_registry.h"
#include "object/object_internal.h"
#include "platform/mod_file.h"
#include "platform/os.h"
#include "state/library_state.h"
#include "state/registry_sweep.h"

namespace vgx {
namespace {

// The hidden device is reset when more than five minutes passed since the last reset.
constexpr int64_t kDeviceResetInterval = 300001;

template <class T>
bool OnlyRegistered(const std::shared_ptr<T>& member) {
    return ExternalReferences(member) == 0;
}

// A child whose parent link is the group holds it, so a group held only by such
// children is unreferenced. A child listed but linked elsewhere (after DeleteChild
// through another group) holds nothing and counts for nothing.
bool ReleaseGroup(const std::shared_ptr<VgxGroup>& group) {
    if (ExternalReferences(group) != VgxAccess::ChildrenLinkedBack(*group)) return false;
    if (VgxAccess::ChildCount(*group) > 0) VgxAccess::ReleaseHierarchy(*group);
    return true;
}

// Each face proxy holds its object, so an object held only by its faces is unreferenced.
bool ReleaseObject(const std::shared_ptr<VgxObject>& object) {
    if (ExternalReferences(object) != vgx::State(*object).Base().FaceProxyCount) return false;
    VgxAccess::SetRoot(*object, nullptr);
    return true;
}

void KeepHiddenDeviceAlive(LibraryState& library) {
    const int32_t now = platform::TickCount();
    if (library.lastDeviceReset == 0) {
        library.lastDeviceReset = now;
        return;
    }
    if (static_cast<int64_t>(now) - library.lastDeviceReset < kDeviceResetInterval) return;
    if (library.hiddenDevice) library.hiddenDevice->Reset(library.presentParameters);
    library.lastDeviceReset = now;
    modFile::WriteLogLine("Resetting Vgx Device");
}

// Clears the busy flag however the collection ends.
struct BusyFlag {
    explicit BusyFlag(LibraryState& library) : library_(library) { library_.collectionBusy = true; }
    ~BusyFlag() { library_.collectionBusy = false; }
    LibraryState& library_;
};

}  // namespace
}  // namespace vgx

void Vgx::CollectGarbage() {
    vgx::Trap("Vgx", [] {
        vgx::LibraryState& library = vgx::Library();
        if (library.collectionBusy) return;
        vgx::BusyFlag busy(library);
        vgx::Registries& registered = vgx::Registered();
        vgx::Sweep(registered.lightArrays, vgx::OnlyRegistered<VgxLightArray>);
        vgx::Sweep(registered.lights, vgx::OnlyRegistered<VgxLight>);
        vgx::Sweep(registered.materials, vgx::OnlyRegistered<VgxMaterial>);
        vgx::CollectTextures();
        vgx::Sweep(registered.pickArrays, vgx::OnlyRegistered<VgxPickArray>);
        vgx::Sweep(registered.groupArrays, vgx::OnlyRegistered<VgxGroupArray>);
        vgx::Sweep(registered.faceArrays, vgx::OnlyRegistered<VgxFaceArray>);
        vgx::Sweep(registered.objectArrays, vgx::OnlyRegistered<VgxObjectArray>);
        vgx::Sweep(registered.groups, vgx::ReleaseGroup);
        vgx::Sweep(registered.objects, vgx::ReleaseObject);
        vgx::KeepHiddenDeviceAlive(library);
    });
}
