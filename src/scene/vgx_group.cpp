// Group hierarchy and membership.
#include <vgx/Vgx.h>
#include <vgx/VgxGroup.h>
#include <vgx/VgxLight.h>
#include <vgx/VgxObject.h>

#include <algorithm>

#include "base/access.h"
#include "base/errors.h"
#include "scene/group_internal.h"
#include "state/library_state.h"
#include "state/root_state.h"

namespace {

constexpr std::string_view kSource = "VgxGroup";

template <class T>
T& Require(const std::shared_ptr<T>& reference) {
    if (!reference) vgx::Raise(VgxErrObjectNotSet);
    return *reference;
}

// Removes the first entry that is `member`; false when there is none.
template <class T>
bool RemoveFirst(VgxMemberList<T>& list, const std::shared_ptr<T>& member) {
    auto found = std::find(list.begin(), list.end(), member);
    if (found == list.end()) return false;
    list.erase(found);
    return true;
}

// A new view of `list`, registered so the garbage collection can release it.
template <class View, class T>
std::shared_ptr<View> ViewOf(const std::shared_ptr<VgxMemberList<T>>& list, vgx::Registry<View>& registry) {
    auto view = VgxAccess::Make<View>();
    registry.push_back(view);
    VgxAccess::AttachList(*view, list);
    return view;
}

}  // namespace

VgxGroup::VgxGroup() : internals_(std::make_unique<vgx::GroupState>()) {}

VgxGroup::~VgxGroup() = default;

void VgxGroup::AddChild(const std::shared_ptr<VgxGroup>& Group) {
    vgx::Trap(kSource, [&] {
        auto& children = Require(internals_->children);
        auto& child = Require(Group);
        // The hierarchy must stay a tree: the walks up the parent links rely on it.
        for (const VgxGroup* up = this; up; up = up->internals_->parent.get()) {
            if (up == &child) vgx::Raise(VgxErrInvalidCall);
        }
        if (auto oldParent = child.internals_->parent) oldParent->DeleteChild(Group);
        children.push_back(Group);
        child.internals_->parent = shared_from_this();
    });
}

void VgxGroup::DeleteChild(const std::shared_ptr<VgxGroup>& Group) {
    vgx::Trap(kSource, [&] {
        auto& children = Require(internals_->children);
        auto& child = Require(Group);
        RemoveFirst(children, Group);
        child.internals_->parent.reset();
    });
}

std::shared_ptr<VgxGroup> VgxGroup::GetParent() const { return internals_->parent; }

std::shared_ptr<VgxGroup> VgxGroup::GetScene() {
    std::shared_ptr<VgxGroup> top = shared_from_this();
    while (top->internals_->parent) top = top->internals_->parent;
    return top;
}

std::shared_ptr<VgxGroupArray> VgxGroup::GetChildren() {
    return vgx::Trap(kSource, [&] { return ViewOf(internals_->children, vgx::Registered().groupArrays); });
}

void VgxGroup::AddObject(const std::shared_ptr<VgxObject>& Object) {
    vgx::Trap(kSource, [&] {
        if (!Object) vgx::Raise(VgxErrObjectNotSet, kSource, "Object is nothing");
        Require(internals_->objects).push_back(Object);
    });
}

void VgxGroup::DeleteObject(const std::shared_ptr<VgxObject>& Object) {
    vgx::Trap(kSource, [&] { RemoveFirst(Require(internals_->objects), Object); });
}

std::shared_ptr<VgxObjectArray> VgxGroup::GetObjects() {
    return vgx::Trap(kSource, [&] { return ViewOf(internals_->objects, vgx::Registered().objectArrays); });
}

void VgxGroup::AddLight(const std::shared_ptr<VgxLight>& Light) {
    vgx::Trap(kSource, [&] {
        auto& light = Require(Light);
        if (auto owner = light.GetOwnerGroup()) owner->DeleteLight(Light);
        internals_->lights->push_back(Light);
        light.SetOwnerGroup(shared_from_this());
    });
}

void VgxGroup::DeleteLight(const std::shared_ptr<VgxLight>& Light) {
    vgx::Trap(kSource, [&] {
        auto& light = Require(Light);
        RemoveFirst(*internals_->lights, Light);
        light.SetOwnerGroup(nullptr);
    });
}

std::shared_ptr<VgxLightArray> VgxGroup::GetLights() {
    return vgx::Trap(kSource, [&] { return ViewOf(internals_->lights, vgx::Registered().lightArrays); });
}

std::string VgxGroup::GetName() const { return internals_->name; }
void VgxGroup::SetName(const std::string& Name) { internals_->name = Name; }
int32_t VgxGroup::GetAppData() const { return internals_->appData; }
void VgxGroup::SetAppData(int32_t Data) { internals_->appData = Data; }
std::shared_ptr<Vgx> VgxGroup::csVgx() const { return internals_->root; }

void VgxGroup::SetRoot(const std::shared_ptr<Vgx>& Root) { internals_->root = Root; }

int32_t VgxGroup::GetChildCount() const {
    return internals_->children ? static_cast<int32_t>(internals_->children->size()) : 0;
}

int32_t VgxGroup::GetChildrenLinkedBack() const {
    if (!internals_->children) return 0;
    int32_t linked = 0;
    for (const auto& child : *internals_->children) linked += child->internals_->parent.get() == this;
    return linked;
}

void VgxGroup::ReleaseHierarchy() {
    vgx::GroupState& self = *internals_;
    if (self.children) {
        for (const auto& child : *self.children) VgxAccess::ReleaseHierarchy(*child);
    }
    if (self.objects) {
        for (const auto& object : *self.objects) {
            const auto& root = VgxAccess::Root(*object);
            const int32_t devices = root ? vgx::State(*root).nextDeviceId : 0;
            for (int32_t deviceId = 0; deviceId < devices; ++deviceId) object->ReleaseDirect3DBuffers(deviceId);
        }
    }
    self.objects.reset();
    self.children.reset();
    self.parent.reset();
    self.root.reset();
}
