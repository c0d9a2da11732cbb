#include "ops/distinct_normals.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "root/task_pool.h"

namespace vgx {
namespace {

constexpr size_t kFacesPerRun = 16384;  // fewer faces than this are not worth a run
constexpr size_t kMaxRuns = 8;

bool SameBits(const VgxVector& a, const VgxVector& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool Finite(const VgxVector& v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z); }

// A run of faces walked on its own. At a point's first corner with a finite
// normal, a run after the first cannot know what the runs before it kept there
// last: that entry is pending until they are done.
struct NormalRun {
    struct Pending {
        int32_t entry, point;
    };
    struct Merge {
        int32_t entry, run, earlier;  // the entry is earlier run's entry `earlier`
    };
    int32_t firstFace = 0, endFace = 0;
    BlockArray<int32_t> lastAt;  // per point: the run's last entry with a finite value, -1 before
    BlockArray<VgxVector> values;
    std::vector<Pending> pending;
    std::vector<Merge> merges;
    std::vector<int32_t> index;  // entry -> place in `distinct`
};

// Keeps a corner's normal unless it equals the last finite one kept at its point
// in this run; corner slots get the run's entry numbers.
void WalkRun(const iVgxObject& level, const BlockArray<VgxVector>& cornerNormals, BlockArray<int32_t>& cornerSlots,
             bool afterFirst, NormalRun& run) {
    GrowForOverwrite(run.lastAt, level.PointList.size());
    std::fill(run.lastAt.begin(), run.lastAt.end(), -1);
    for (int32_t f = run.firstFace; f < run.endFace; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        const auto first = static_cast<size_t>(corners - level.Corners.data());
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            const VgxVector& normal = cornerNormals[first + k];
            int32_t& last = run.lastAt[corners[k].Point];
            if (last >= 0 && SameBits(run.values[last], normal)) {
                cornerSlots[first + k] = last;
                continue;
            }
            const auto entry = static_cast<int32_t>(run.values.size());
            cornerSlots[first + k] = entry;
            run.values.push_back(normal);
            // A non-finite value matches nothing, not even itself.
            if (!Finite(normal)) continue;
            if (last < 0 && afterFirst) run.pending.push_back({entry, corners[k].Point});
            last = entry;
        }
    }
}

// A pending entry takes the entry the latest earlier run to keep a finite value
// at its point kept last, when the values are the same.
void FindMerges(std::vector<NormalRun>& runs, size_t r) {
    NormalRun& run = runs[r];
    for (const NormalRun::Pending& pending : run.pending) {
        for (size_t earlier = r; earlier-- > 0;) {
            const int32_t last = runs[earlier].lastAt[pending.point];
            if (last < 0) continue;
            if (SameBits(runs[earlier].values[last], run.values[pending.entry])) {
                run.merges.push_back({pending.entry, static_cast<int32_t>(earlier), last});
            }
            break;
        }
    }
}

}  // namespace

void FindDistinctCornerNormals(const iVgxObject& level, const BlockArray<VgxVector>& cornerNormals,
                               BlockArray<int32_t>& cornerSlots, BlockArray<VgxVector>& distinct) {
    const auto faces = static_cast<size_t>(level.FaceListCount);
    const size_t runCount =
        std::clamp<size_t>(faces / kFacesPerRun, 1, std::min<size_t>(kMaxRuns, tasks::ThreadCount()));
    std::vector<NormalRun> runs(runCount);
    for (size_t r = 0; r < runCount; ++r) {
        runs[r].firstFace = static_cast<int32_t>(faces * r / runCount);
        runs[r].endFace = static_cast<int32_t>(faces * (r + 1) / runCount);
    }
    tasks::RunChunks(runCount, [&](size_t r) { WalkRun(level, cornerNormals, cornerSlots, r > 0, runs[r]); });
    if (runCount == 1) {
        distinct = std::move(runs[0].values);  // one walk's entries are the result
        return;
    }
    tasks::RunChunks(runCount, [&](size_t r) { FindMerges(runs, r); });

    // Entries that merged take their place last, run after run, as the one they
    // merged with may itself have merged into an even earlier run's.
    std::vector<int32_t> firstIndex(runCount + 1, 0);
    for (size_t r = 0; r < runCount; ++r) {
        firstIndex[r + 1] = firstIndex[r] + static_cast<int32_t>(runs[r].values.size() - runs[r].merges.size());
    }
    GrowForOverwrite(distinct, static_cast<size_t>(firstIndex[runCount]));
    tasks::RunChunks(runCount, [&](size_t r) {
        NormalRun& run = runs[r];
        run.index.assign(run.values.size(), 0);
        for (const NormalRun::Merge& merge : run.merges) run.index[merge.entry] = -1;
        int32_t next = firstIndex[r];
        for (size_t entry = 0; entry < run.values.size(); ++entry) {
            if (run.index[entry] < 0) continue;
            run.index[entry] = next;
            distinct[static_cast<size_t>(next++)] = run.values[entry];
        }
    });
    for (NormalRun& run : runs) {
        for (const NormalRun::Merge& merge : run.merges) run.index[merge.entry] = runs[merge.run].index[merge.earlier];
    }
    tasks::RunChunks(runCount, [&](size_t r) {
        const NormalRun& run = runs[r];
        for (int32_t f = run.firstFace; f < run.endFace; ++f) {
            const auto first = static_cast<size_t>(level.FaceCorners(f) - level.Corners.data());
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
                int32_t& slot = cornerSlots[first + k];
                slot = run.index[slot];
            }
        }
    });
}

}  // namespace vgx
