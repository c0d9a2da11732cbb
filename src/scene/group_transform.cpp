// Group transforms: world matrices are assembled here from the local transforms and
// handed to the frame operations, whose result replaces the local transform whole.
#include <vgx/VgxGroup.h>

#include <vector>

#include "base/errors.h"
#include "base/finite.h"
#include "base/frame_math.h"
#include "scene/group_internal.h"

namespace {

constexpr std::string_view kSource = "VgxGroup";

struct Frames {
    VgxMatrix self, parent;
};

// W(self) = L(self) x W(parent), so one walk up gives both.
Frames SelfAndParent(const vgx::GroupState& group) {
    VgxMatrix parent = vgx::WorldMatrix(group.parent.get());
    return {vgx::rm::MatrixMultiply(group.local, parent), parent};
}

VgxMatrix World(const std::shared_ptr<VgxGroup>& group) { return vgx::WorldMatrix(group.get()); }

}  // namespace

VgxMatrix vgx::WorldMatrix(const VgxGroup* group) {
    if (!group) return rm::MatrixIdentity();
    const vgx::GroupState* up = &vgx::State(*group);
    rm::MatrixProduct world(up->local);
    while (up->parent) {
        up = &vgx::State(*up->parent);
        world.Append(up->local);
    }
    return world.Result();
}

void VgxGroup::SetPosition(float Time, const std::shared_ptr<VgxGroup>& RelativeGroup, const VgxVector& Position) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Time, Position);
        auto [self, parent] = SelfAndParent(*internals_);
        internals_->local = vgx::rm::FrameSetPosition(self, World(RelativeGroup), parent, Position);
    });
}

void VgxGroup::GetPosition(float /*Time*/, const std::shared_ptr<VgxGroup>& RelativeGroup, VgxVector& Position) const {
    vgx::Trap(kSource, [&] { Position = vgx::rm::FrameGetPosition(vgx::WorldMatrix(this), World(RelativeGroup)); });
}

void VgxGroup::SetOrientation(float Time, const std::shared_ptr<VgxGroup>& RelativeGroup, const VgxVector& Dir,
                              const VgxVector& Up) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Time, Dir, Up);
        auto [self, parent] = SelfAndParent(*internals_);
        internals_->local = vgx::rm::FrameSetOrientation(self, World(RelativeGroup), parent, Dir, Up);
    });
}

void VgxGroup::GetOrientation(float /*Time*/, const std::shared_ptr<VgxGroup>& RelativeGroup, VgxVector& Dir,
                              VgxVector& Up) const {
    vgx::Trap(kSource, [&] { vgx::rm::FrameGetOrientation(vgx::WorldMatrix(this), World(RelativeGroup), Dir, Up); });
}

void VgxGroup::SetQuaternion(const std::shared_ptr<VgxGroup>& RelativeGroup, const VgxQuaternion& Q) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Q);
        auto [self, parent] = SelfAndParent(*internals_);
        internals_->local = vgx::rm::FrameSetQuaternion(self, World(RelativeGroup), parent, Q);
    });
}

void VgxGroup::SetRotation(const VgxVector& Axis, float Theta) {
    vgx::RequireFinite(kSource, Axis, Theta);
    internals_->rotationAxis = Axis;
    internals_->rotationAngle = Theta;
}

void VgxGroup::GetRotation(VgxVector& Axis, float& Theta) const {
    Axis = internals_->rotationAxis;
    Theta = internals_->rotationAngle;
}

void VgxGroup::ApplyRotation(float Delta) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Delta);
        // Depth first, each group before its children and children in list order.
        std::vector<vgx::GroupState*> pending{internals_.get()};
        while (!pending.empty()) {
            vgx::GroupState& group = *pending.back();
            pending.pop_back();
            if (group.parent) {
                auto [self, parent] = SelfAndParent(group);
                group.local = vgx::rm::FrameApplyRotation(self, parent, group.rotationAxis, group.rotationAngle, Delta);
            }
            if (!group.children) continue;
            for (auto child = group.children->rbegin(); child != group.children->rend(); ++child) {
                pending.push_back(&vgx::State(**child));
            }
        }
    });
}

void VgxGroup::AddRotation(VgxCombineType Combine, const VgxVector& Axis, float Theta) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Axis, Theta);
        auto [self, parent] = SelfAndParent(*internals_);
        internals_->local = vgx::rm::FrameAddRotation(self, parent, Combine, Axis, Theta);
    });
}

void VgxGroup::AddTranslation(VgxCombineType Combine, const VgxVector& Translation) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Translation);
        auto [self, parent] = SelfAndParent(*internals_);
        internals_->local = vgx::rm::FrameAddTranslation(self, parent, Combine, Translation);
    });
}

void VgxGroup::LookAt(const std::shared_ptr<VgxGroup>& LookAtGroup, VgxGroupConstraint Constraint) {
    vgx::Trap(kSource, [&] {
        auto [self, parent] = SelfAndParent(*internals_);
        internals_->local = vgx::rm::FrameLookAt(self, World(LookAtGroup), parent, Constraint);
    });
}

void VgxGroup::GetTransform(const std::shared_ptr<VgxGroup>& RelativeGroup, VgxMatrix& Transform) const {
    vgx::Trap(kSource, [&] { Transform = vgx::rm::FrameGetTransform(vgx::WorldMatrix(this), World(RelativeGroup)); });
}

void VgxGroup::GetLocalTransform(VgxMatrix& Transform) const { Transform = internals_->local; }

void VgxGroup::Transform(VgxVector& DestinationVector, const VgxVector& SourceVector) const {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, SourceVector);
        DestinationVector = vgx::rm::FrameTransform(vgx::WorldMatrix(this), SourceVector);
    });
}

void VgxGroup::InverseTransform(VgxVector& DestinationVector, const VgxVector& SourceVector) const {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, SourceVector);
        DestinationVector = vgx::rm::FrameInverseTransform(vgx::WorldMatrix(this), SourceVector);
    });
}

void VgxGroup::TransformVectors(std::vector<VgxVector>& Result, const std::vector<VgxVector>& VectorList,
                                const std::shared_ptr<VgxGroup>& RelativeGroup) const {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, VectorList);
        if (VectorList.empty()) vgx::Raise(VgxErrSubscript);
        VgxMatrix self = vgx::WorldMatrix(this), ref = World(RelativeGroup);
        Result.resize(VectorList.size());
        vgx::rm::FrameTransformVectors(self, ref, VectorList, Result);
    });
}

void VgxGroup::InverseTransformVectors(std::vector<VgxVector>& Result, const std::vector<VgxVector>& VectorList,
                                       const std::shared_ptr<VgxGroup>& RelativeGroup) const {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, VectorList);
        // Result is not resized: it must already hold room for every vector.
        if (VectorList.empty() || Result.size() < VectorList.size()) vgx::Raise(VgxErrSubscript);
        vgx::rm::FrameInverseTransformVectors(vgx::WorldMatrix(this), World(RelativeGroup), VectorList,
                                              std::span(Result).first(VectorList.size()));
    });
}
