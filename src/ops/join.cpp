// JoinEdges and JoinPoints: faces cut along the segment between two midpoints of
// chosen edges, or between two chosen corners. Pieces are new faces (application
// data 1) appended in one batch; the faces they replace go in one delete.
#include <vgx/VgxObject.h>

#include <algorithm>

#include "base/errors.h"
#include "ops/divide_faces.h"

namespace vgx {
namespace {

constexpr std::string_view kSource = "VgxObject";

using cutting::FaceEdits;
using cutting::PushCorner;

// Closes a piece of `face`, marked as made by a join.
void ClosePiece(FaceEdits& edits, const iVgxObject& level, int32_t face) {
    cutting::CloseFace(edits.added, level, face);
    edits.added.applicationData.back() = 1;
}

// A face with midpoints on its listed sides: one listed side only gains its
// midpoint; with more, each run of corners between two listed sides becomes a piece
// bounded by their midpoints, and three or more midpoints also make the polygon
// between them.
void PieceFace(const iVgxObject& level, int32_t face, const std::vector<uint8_t>& listed, FaceEdits& edits) {
    const iVgxFacePoint* corners = level.FaceCorners(face);
    const int32_t n = level.FaceList[face].PointCount;
    std::vector<int32_t> sides;
    std::vector<iVgxFacePoint> mids;
    for (int32_t k = 0; k < n; ++k) {
        if (!listed[corners[k].Edge]) continue;
        sides.push_back(k);
        mids.push_back(cutting::NewCornerAlong(level, edits, corners[k], corners[(k + 1) % n], 1, 2));
    }
    const auto m = static_cast<int32_t>(sides.size());
    if (m == 1) {
        for (int32_t k = 0; k < n; ++k) {
            PushCorner(edits.added, corners[k]);
            if (k == sides[0]) PushCorner(edits.added, mids[0]);
        }
        ClosePiece(edits, level, face);
    } else {
        for (int32_t i = 0; i < m; ++i) {
            const int32_t next = (i + 1) % m;
            PushCorner(edits.added, mids[i]);
            for (int32_t k = sides[i] + 1;; ++k) {
                PushCorner(edits.added, corners[k % n]);
                if (k % n == sides[next]) break;
            }
            PushCorner(edits.added, mids[next]);
            ClosePiece(edits, level, face);
        }
        if (m >= 3) {
            for (const iVgxFacePoint& mid : mids) PushCorner(edits.added, mid);
            ClosePiece(edits, level, face);
        }
    }
    edits.Replace(face);
}

}  // namespace
}  // namespace vgx

int32_t VgxObject::JoinEdges(const std::vector<int32_t>& EdgeList) {
    return vgx::Trap(vgx::kSource, [&] {
        vgx::iVgxObject& level = internals_->Base();
        vgx::cutting::CheckEdgePairs(level, EdgeList);
        vgx::CheckCorners(level);
        vgx::EnsureAdjacency(*this);
        const std::vector<uint8_t> listed = vgx::cutting::ListedEdges(level, EdgeList);
        vgx::FaceEdits edits(level.FaceListCount);
        for (int32_t f = 0; f < level.FaceListCount; ++f) {
            const vgx::iVgxFacePoint* corners = level.FaceCorners(f);
            const int32_t n = level.FaceList[f].PointCount;
            const bool holds = std::any_of(corners, corners + n, [&](const vgx::iVgxFacePoint& c) { return listed[c.Edge]; });
            if (n >= 3 && holds) vgx::PieceFace(level, f, listed, edits);
        }
        const int32_t made = vgx::cutting::CommitFaceEdits(*this, edits);
        internals_->changes.StructureChanged(vgx::Changed::kPoints);
        return made;
    });
}

int32_t VgxObject::JoinPoints(const std::vector<int32_t>& Points) {
    return vgx::Trap(vgx::kSource, [&] {
        vgx::iVgxObject& level = internals_->Base();
        std::vector<uint8_t> given(static_cast<size_t>(level.PointListCount), 0);
        for (int32_t point : Points) given[vgx::CheckIndex(point, given.size())] = 1;
        vgx::EnsureAdjacency(*this);
        // The corners of each face touched that sit on given points.
        const auto givenCorners = [&](int32_t face) {
            std::vector<int32_t> at;
            const vgx::iVgxFacePoint* corners = level.FaceCorners(face);
            for (int32_t k = 0; k < level.FaceList[face].PointCount; ++k) {
                if (given[corners[k].Point]) at.push_back(k);
            }
            return at;
        };
        for (int32_t point : Points) {
            bool joined = false;
            level.Adjacency.ForEach(level.PointList[point].FaceList, [&](int32_t f) {
                for (int32_t k : givenCorners(f)) joined |= level.FaceCorners(f)[k].Point != point;
            });
            if (!joined) return -1;
        }
        vgx::FaceEdits edits(level.FaceListCount);
        int32_t split = 0;
        for (int32_t point : Points) {
            level.Adjacency.ForEach(level.PointList[point].FaceList, [&](int32_t f) {
                if (edits.isReplaced[f]) return;
                const std::vector<int32_t> at = givenCorners(f);
                const int32_t n = level.FaceList[f].PointCount;
                if (at.size() != 2) return;
                const int32_t lo = at[0], hi = at[1];
                if (hi - lo < 2 || (lo == 0 && hi == n - 1)) return;
                const vgx::iVgxFacePoint* corners = level.FaceCorners(f);
                for (int32_t k = lo; k <= hi; ++k) vgx::PushCorner(edits.added, corners[k]);
                vgx::ClosePiece(edits, level, f);
                for (int32_t k = hi; k != lo + n + 1; ++k) vgx::PushCorner(edits.added, corners[k % n]);
                vgx::ClosePiece(edits, level, f);
                edits.Replace(f);
                ++split;
            });
        }
        if (split == 0) return -1;
        vgx::cutting::CommitFaceEdits(*this, edits);
        internals_->changes.StructureChanged(vgx::Changed::kPoints);
        return split;
    });
}
