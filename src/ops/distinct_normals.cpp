#include "ops/distinct_normals.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "base/task_pool.h"
#include "mesh/first_use_runs.h"

namespace vgx {
namespace {

struct SameBits {
    bool operator()(const VgxVector& a, const VgxVector& b) const { return std::memcmp(&a, &b, sizeof a) == 0; }
};

}  // namespace

void FindDistinctCornerNormals(const iVgxObject& level, const BlockArray<VgxVector>& cornerNormals,
                               BlockArray<int32_t>& cornerSlots, BlockArray<VgxVector>& distinct) {
    // Mostly one entry per point.
    FirstUseRuns<VgxVector, SameBits> runs(static_cast<size_t>(level.FaceListCount), level.PointList.size(),
                                           level.PointList.size());
    const auto cornersOf = [&](int32_t f) { return static_cast<size_t>(level.FaceCorners(f) - level.Corners.data()); };
    runs.WalkRuns([&](size_t run, int32_t firstFace, int32_t endFace) {
        for (int32_t f = firstFace; f < endFace; ++f) {
            const iVgxFacePoint* corners = level.FaceCorners(f);
            const size_t first = cornersOf(f);
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
                const VgxVector& normal = cornerNormals[first + k];
                // A non-finite value matches nothing, not even itself.
                const bool finite = std::isfinite(normal.X) && std::isfinite(normal.Y) && std::isfinite(normal.Z);
                cornerSlots[first + k] =
                    finite ? runs.KeepOrLatest(run, corners[k].Point, normal) : runs.Add(run, normal);
            }
        }
    });
    runs.Finish(distinct);
    if (runs.RunCount() == 1) return;
    // The first run's entries are the first places, in its own order: its corners
    // keep their numbers.
    constexpr size_t kFacesPerChunk = tasks::kGrain;
    tasks::ForEachItemOfLaterRuns(
        runs.RunCount(), kFacesPerChunk, [&](size_t run) { return runs.EndFace(run); },
        [&](size_t run, size_t face) {
            const auto f = static_cast<int32_t>(face);
            const size_t first = cornersOf(f);
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
                cornerSlots[first + k] = runs.Place(run, cornerSlots[first + k]);
            }
        });
}

}  // namespace vgx
