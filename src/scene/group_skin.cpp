// Skinning: bone groups, their influences on a skin's points and the weight
// normalisation over all bones of a skin.
#include <vgx/VgxGroup.h>
#include <vgx/VgxObject.h>

#include <algorithm>

#include "base/errors.h"
#include "base/finite.h"
#include "scene/group_internal.h"
#include "state/library_state.h"

namespace {

constexpr std::string_view kSource = "VgxGroup";

void StoreInfluences(vgx::GroupState& group, std::vector<int32_t> points, std::vector<float> weights) {
    group.influencePoints = std::move(points);
    group.rawWeights = std::move(weights);
    group.normalisedWeights.clear();
    group.weightsStale = true;
}

// The first registered group whose objects hold `skin`.
VgxGroup* OwnerOf(const VgxObject* skin) {
    for (const auto& group : vgx::Registered().groups) {
        const auto& objects = vgx::State(*group).objects;
        if (!objects) continue;
        const bool holds = std::any_of(objects->begin(), objects->end(),
                                       [&](const std::shared_ptr<VgxObject>& object) { return object.get() == skin; });
        if (holds) return group.get();
    }
    return nullptr;
}

}  // namespace

void vgx::NormaliseSkinWeights(const std::shared_ptr<VgxObject>& skin) {
    VgxGroup* owner = OwnerOf(skin.get());
    if (!owner) Raise(VgxErrObjectNotSet);
    vgx::GroupState& ownerState = vgx::State(*owner);
    std::vector<vgx::GroupState*> bones;
    for (const auto& group : Registered().groups) {
        vgx::GroupState& state = vgx::State(*group);
        // The owner's default bone is about to be worked out again.
        if (state.skin == skin && !(&state == &ownerState && state.defaultBone)) bones.push_back(&state);
    }

    // Every check comes before the first change.
    std::vector<double> sums(static_cast<size_t>(skin->GetPointCount()), 0.0);
    for (const vgx::GroupState* bone : bones) {
        for (size_t k = 0; k < bone->influencePoints.size(); ++k) {
            At(sums, bone->influencePoints[k]) += bone->rawWeights[k];
        }
    }
    for (const vgx::GroupState* bone : bones) {
        for (int32_t point : bone->influencePoints) {
            if (sums[static_cast<size_t>(point)] == 0) Raise(VgxErrDivisionByZero);
        }
    }

    if (ownerState.skin && ownerState.defaultBone) {
        ownerState.skin.reset();
        ownerState.defaultBone = false;
        StoreInfluences(ownerState, {}, {});
        ownerState.weightsStale = false;
    }
    for (vgx::GroupState* bone : bones) {
        bone->normalisedWeights.resize(bone->rawWeights.size());
        for (size_t k = 0; k < bone->rawWeights.size(); ++k) {
            bone->normalisedWeights[k] = static_cast<float>(bone->rawWeights[k] / sums[bone->influencePoints[k]]);
        }
        bone->weightsStale = false;
    }

    std::vector<int32_t> leftover;
    for (size_t p = 0; p < sums.size(); ++p) {
        if (sums[p] == 0) leftover.push_back(static_cast<int32_t>(p));
    }
    if (leftover.empty() || leftover.size() == sums.size() || ownerState.skin) return;
    ownerState.skin = skin;
    ownerState.defaultBone = true;
    const size_t count = leftover.size();
    StoreInfluences(ownerState, std::move(leftover), std::vector<float>(count, 1.0f));
    ownerState.normalisedWeights = ownerState.rawWeights;
    ownerState.weightsStale = false;
}

void VgxGroup::SetSkin(const std::shared_ptr<VgxObject>& Skin) {
    vgx::GroupState& self = *internals_;
    if (!Skin) StoreInfluences(self, {}, {});
    self.skin = Skin;
    self.weightsStale = true;
    self.defaultBone = false;
}

std::shared_ptr<VgxObject> VgxGroup::GetSkin() {
    return vgx::Trap(kSource, [&] {
        vgx::GroupState& self = *internals_;
        if (self.skin && self.weightsStale) vgx::NormaliseSkinWeights(self.skin);
        return self.skin;
    });
}

void VgxGroup::SetSkinInfluences(const std::vector<int32_t>& PointList, const std::vector<float>& WeightList) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, WeightList);
        if (WeightList.size() < PointList.size()) vgx::Raise(VgxErrSubscript);
        StoreInfluences(*internals_, PointList,
                        std::vector<float>(WeightList.begin(), WeightList.begin() + PointList.size()));
    });
}

void VgxGroup::GetSkinInfluences(std::vector<int32_t>& PointList, std::vector<float>& WeightList,
                                 int32_t& InfluenceCount) {
    vgx::Trap(kSource, [&] {
        vgx::GroupState& self = *internals_;
        if (!self.influencePoints.empty() && self.weightsStale) {
            if (!self.skin) vgx::Raise(VgxErrObjectNotSet);
            vgx::NormaliseSkinWeights(self.skin);
        }
        PointList = self.influencePoints;
        WeightList = self.normalisedWeights;
        InfluenceCount = static_cast<int32_t>(self.influencePoints.size());
    });
}
