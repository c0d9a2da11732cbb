#include "object/change_state.h"

#include <algorithm>
#include <numeric>

namespace vgx {

void ChangeState::StructureChanged(uint32_t changed) {
    render_ = Render::Rebuild;
    if (changed & Changed::kPoolValues) poolSearches_.reset();
    if (changed & Changed::kPoints) boxCurrent_ = false;
    if (changed & Changed::kEdges) edgesCurrent_ = false;
}

void ChangeState::PointsMoved(EveryPoint, bool boxMovedAlong) {
    PositionsStale();
    movedPointsListed_ = false;
    movedPoints_.clear();
    if (!boxMovedAlong) boxCurrent_ = false;
}

// Past a quarter of the points listed, looking at every point costs no more than the list.
void ChangeState::PointsMoved(std::span<const int32_t> points, int32_t pointCount) {
    for (const int32_t point : points) {
        if (!movedPointsListed_ || movedPoints_.size() * 4 >= static_cast<size_t>(pointCount)) {
            return PointsMoved(EveryPoint{});
        }
        PositionsStale();
        boxCurrent_ = false;
        movedPoints_.push_back(point);
    }
}

void ChangeState::PositionsStale() {
    if (render_ != Render::Rebuild) render_ = Render::PositionsOnly;
    poolSearches_.reset();
}

void ChangeState::RenderBuilt() {
    render_ = Render::Current;
    movedPoints_.clear();
    movedPointsListed_ = true;
}

const std::vector<int32_t>& ChangeState::MovedPointCandidates(int32_t pointCount) {
    if (!movedPointsListed_) {
        movedPoints_.resize(static_cast<size_t>(pointCount));
        std::iota(movedPoints_.begin(), movedPoints_.end(), 0);
    } else {
        std::sort(movedPoints_.begin(), movedPoints_.end());
        movedPoints_.erase(std::unique(movedPoints_.begin(), movedPoints_.end()), movedPoints_.end());
    }
    return movedPoints_;
}

}  // namespace vgx
