// Animation keys of a group and their application at a time.
#include <vgx/VgxGroup.h>

#include <cmath>
#include <iterator>
#include <optional>

#include "base/errors.h"
#include "base/finite.h"
#include "base/frame_math.h"
#include "scene/group_internal.h"
#include "scene/key_interpolation.h"

namespace {

constexpr std::string_view kSource = "VgxGroup";

// Keys this close in time count as the same time.
constexpr float kSameTime = 0.0001f;

VgxVector KeyPosition(const VgxAnimationKey& key) { return {key.dvK[0], key.dvK[1], key.dvK[2]}; }
// dvK holds the vector part first and the scalar part last.
VgxQuaternion KeyRotation(const VgxAnimationKey& key) { return {key.dvK[3], {key.dvK[0], key.dvK[1], key.dvK[2]}}; }

void AppendWithin(const std::vector<VgxAnimationKey>& keys, float timeMin, float timeMax,
                  std::vector<VgxAnimationKey>& result) {
    for (const VgxAnimationKey& key : keys) {
        if (timeMin <= key.dvTime && key.dvTime <= timeMax) result.push_back(key);
    }
}

}  // namespace

void VgxGroup::AddAnimationKey(const VgxAnimationKey& Key) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Key.dvK, Key.dvTime);
        auto& keys = Key.dwKeyType == VgxAnimationPositionKey ? internals_->positionKeys : internals_->rotationKeys;
        // From the last key back: the new key goes after the first one not later than it.
        auto at = keys.end();
        while (at != keys.begin() && !(std::prev(at)->dvTime <= Key.dvTime)) --at;
        keys.insert(at, Key);
    });
}

void VgxGroup::DeleteAnimationKey(float Time) {
    vgx::RequireFinite(kSource, Time);
    auto atTime = [Time](const VgxAnimationKey& key) { return std::fabs(key.dvTime - Time) < kSameTime; };
    std::erase_if(internals_->positionKeys, atTime);
    std::erase_if(internals_->rotationKeys, atTime);
}

void VgxGroup::GetAnimationKeys(float TimeMin, float TimeMax, std::vector<VgxAnimationKey>& KeyList,
                                int32_t& KeyListCount) const {
    vgx::Trap(kSource, [&] {
        std::vector<VgxAnimationKey> found;
        AppendWithin(internals_->positionKeys, TimeMin, TimeMax, found);
        AppendWithin(internals_->rotationKeys, TimeMin, TimeMax, found);
        KeyList = std::move(found);
        KeyListCount = static_cast<int32_t>(KeyList.size());
    });
}

void VgxGroup::SetAnimationOptions(int32_t Flags) { internals_->animationOptions = Flags; }
int32_t VgxGroup::GetAnimationOptions() const { return internals_->animationOptions; }

void VgxGroup::SetAnimationTime(float Time) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Time);
        const vgx::GroupState& self = *internals_;
        const int32_t options = self.animationOptions;
        const bool closed = (options & VgxAnimationClosed) != 0;
        // Both values are interpolated before anything moves, so a key that cannot be
        // read leaves the group where it was.
        std::optional<VgxVector> position;
        if (!self.positionKeys.empty() && (options & VgxAnimationPosition)) {
            const auto& keys = self.positionKeys;
            auto n = vgx::animation::NeighbourKeys(keys, Time, closed);
            position = vgx::animation::CatmullRom(KeyPosition(vgx::At(keys, n.i0)), KeyPosition(keys[n.i1]),
                                                  KeyPosition(keys[n.i2]), KeyPosition(vgx::At(keys, n.i3)), n.f);
        }
        std::optional<VgxQuaternion> rotation;
        if (!self.rotationKeys.empty() && (options & VgxAnimationScaleAndRotation)) {
            const auto& keys = self.rotationKeys;
            auto n = vgx::animation::NeighbourKeys(keys, Time, closed);
            rotation = vgx::animation::Slerp(KeyRotation(keys[n.i1]), KeyRotation(keys[n.i2]), n.f);
        }
        // Placed relative to the parent, as SetPosition and SetQuaternion would.
        const VgxMatrix parent = vgx::WorldMatrix(self.parent.get());
        VgxMatrix local = self.local;
        if (position) {
            local = vgx::rm::FrameSetPosition(vgx::rm::MatrixMultiply(local, parent), parent, parent, *position);
        }
        if (rotation) {
            local = vgx::rm::FrameSetQuaternion(vgx::rm::MatrixMultiply(local, parent), parent, parent, *rotation);
        }
        internals_->local = local;
    });
}
