#pragma once
// Point-to-corner adjacency in compressed rows (CSR): every corner of a record filed
// under its point, in face order.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/large_blocks.h"

namespace vgx {

struct iVgxObject;

// The corners around each point of a record, as (face, corner) pairs: those of point
// p are entries start[p] .. start[p + 1] - 1.
struct PointCorners {
    struct Corner {
        int32_t face, corner;
    };
    BlockArray<int32_t> start;
    BlockArray<Corner> corners;

    void Build(const iVgxObject& record);
    bool Built() const { return !start.empty(); }
};

// Marks that tell whether an element was met in the current round, so a partial
// update visits each element once without clearing anything between updates.
class VisitMarks {
public:
    void BeginRound(size_t elements);
    // True the first time `element` is met in this round.
    bool First(int32_t element) {
        if (marks_[element] == round_) return false;
        marks_[element] = round_;
        return true;
    }

private:
    std::vector<uint32_t> marks_;
    uint32_t round_ = 0;
};

}  // namespace vgx
