#include "mesh/point_corners.h"

#include <algorithm>
#include <utility>

#include "base/errors.h"
#include "base/task_pool.h"
#include "mesh/mesh_records.h"

namespace vgx {

namespace {
constexpr size_t kPointsPerChunk = tasks::kFineGrain;
}  // namespace

// A counting sort of the corners by point. Runs of faces count their corners per
// point on the worker threads; each run then files its corners after those of
// the runs before it, so every point's corners stay in face order.
void PointCorners::Build(const iVgxObject& record) {
    const auto faces = static_cast<size_t>(record.FaceListCount);
    const auto points = static_cast<size_t>(record.PointListCount);
    const size_t runs = tasks::RunCount(faces, tasks::kMinFacesPerRun);
    const auto firstFace = [&](size_t run) { return static_cast<int32_t>(faces * run / runs); };
    // Per run, the corners of each point: counted, then the place of the next one.
    std::vector<BlockArray<int32_t>> place(runs);
    tasks::RunChunks(runs, [&](size_t run) {
        place[run].assign(points, 0);
        for (int32_t f = firstFace(run); f < firstFace(run + 1); ++f) {
            const iVgxFacePoint* c = record.FaceCorners(f);
            for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) ++place[run][CheckIndex(c[k].Point, points)];
        }
    });
    GrowForOverwrite(start, points + 1);
    const auto total = tasks::ExclusiveScan(points, kPointsPerChunk, [&](size_t p) {
        int32_t count = 0;
        for (const BlockArray<int32_t>& counts : place) count += counts[p];
        return count;
    }, start.data());
    start[points] = static_cast<int32_t>(total);
    tasks::ParallelFor(points, kPointsPerChunk, [&](size_t begin, size_t end) {
        for (size_t p = begin; p < end; ++p) {
            int32_t at = start[p];
            for (BlockArray<int32_t>& counts : place) at += std::exchange(counts[p], at);
        }
    });
    GrowForOverwrite(corners, static_cast<size_t>(total));
    tasks::RunChunks(runs, [&](size_t run) {
        for (int32_t f = firstFace(run); f < firstFace(run + 1); ++f) {
            const iVgxFacePoint* c = record.FaceCorners(f);
            for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) corners[place[run][c[k].Point]++] = {f, k};
        }
    });
}

void VisitMarks::BeginRound(size_t elements) {
    if (marks_.size() < elements) marks_.resize(elements, round_);
    if (++round_ == 0) {
        // The counter wrapped: old marks could match again.
        std::fill(marks_.begin(), marks_.end(), 0);
        round_ = 1;
    }
}

}  // namespace vgx
