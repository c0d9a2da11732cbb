#include <vgx/VgxGroup.h>
#include <vgx/VgxObject.h>
#include <vgx/VgxPickArray.h>

#include "base/errors.h"

namespace {
// The lists grow by this many entries whenever they are full.
constexpr int32_t kGrowth = 10;
}

void VgxPickArray::GetPick(int32_t Index, std::shared_ptr<VgxObject>& Object, std::shared_ptr<VgxGroup>& Group,
                           VgxPickDesc& PickDescription) const {
    const size_t i = vgx::CheckIndex(Index, picks_.size());
    Object = objects_[i];
    Group = groups_[i];
    PickDescription = picks_[i];
}

int32_t VgxPickArray::FindNearest() const {
    int32_t nearest = -1;
    for (int32_t i = 0; i < count_; ++i) {
        if (nearest < 0 || picks_[i].dist < picks_[nearest].dist) nearest = i;
    }
    return nearest;
}

int32_t VgxPickArray::FindFurthest() const {
    int32_t furthest = -1;
    for (int32_t i = 0; i < count_; ++i) {
        if (furthest < 0 || picks_[i].dist > picks_[furthest].dist) furthest = i;
    }
    return furthest;
}

void VgxPickArray::AddPick(const std::shared_ptr<VgxGroup>& Group, const std::shared_ptr<VgxObject>& Object,
                           const VgxPickDesc& PickDescription) {
    if (capacity_ == 0) {
        capacity_ = kGrowth;
    } else if (count_ >= capacity_) {
        capacity_ += kGrowth;
    }
    // Storage holds indices 0..capacity, one more than the capacity.
    const size_t slots = static_cast<size_t>(capacity_) + 1;
    picks_.resize(slots);
    groups_.resize(slots);
    objects_.resize(slots);
    picks_[count_] = PickDescription;
    groups_[count_] = Group;
    objects_[count_] = Object;
    ++count_;
}
