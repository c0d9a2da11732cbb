#include "state/library_state.h"

#include <vgx/VgxGroup.h>
#include <vgx/VgxObject.h>

#include "base/access.h"
#include "base/errors.h"

namespace vgx {
namespace {
thread_local bool stateTornDown = false;  // trivially destructible: readable during teardown
}

LibraryState::~LibraryState() {
    stateTornDown = true;
    if (!registries) return;
    // Groups and children hold each other, objects and their face proxies too:
    // dismantle both before the registries let go of them.
    for (auto& group : registries->groups) VgxAccess::ReleaseHierarchy(*group);
    for (auto& object : registries->objects) VgxAccess::SetRoot(*object, nullptr);
    registries.reset();
    hiddenDevice.reset();
}

LibraryState& Library() {
    thread_local LibraryState state;
    return state;
}

bool LibraryAlive() { return !stateTornDown; }

Registries& Registered() {
    auto& registries = Library().registries;
    if (!registries) Raise(VgxErrObjectNotSet);
    return *registries;
}

}  // namespace vgx
