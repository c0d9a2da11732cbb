#pragma once
// Cutting faces of the editable mesh into smaller faces: what the divide and join
// operations share. New corners go through the level's pools, so the corners that
// neighbouring faces make on a shared side are one point; replacement faces are
// appended and the faces they replace deleted in one go.
#include <cstdint>
#include <vector>

#include "object/object_internal.h"

namespace vgx::cutting {

// Faces that replace faces of level 0: the new ones, which faces they replace, and
// the values of the new corners they use. The values are pooled together when the
// edits are committed: one search structure for the whole batch instead of a hash
// chain walk per corner.
struct FaceEdits {
    explicit FaceEdits(int32_t faces) : isReplaced(static_cast<size_t>(faces), 0) {}

    void Replace(int32_t face) {
        isReplaced[face] = 1;
        replaced.push_back(face);
    }
    // A corner with new values; until the commit its three indexes are -1 - the
    // entry of the values below.
    iVgxFacePoint NewCorner(const VgxVector& position, const VgxVector& normal, const VgxUV& uv) {
        const auto entry = -1 - static_cast<int32_t>(newPositions.size());
        newPositions.push_back(position);
        newNormals.push_back(normal);
        newUVs.push_back(uv);
        return {entry, entry, entry, -1};
    }

    FaceBatch added;
    std::vector<int32_t> replaced;    // in the order they were replaced
    std::vector<uint8_t> isReplaced;  // one flag per face of the level
    std::vector<VgxVector> newPositions, newNormals;
    std::vector<VgxUV> newUVs;
};


// Raises 9 unless `pairs` holds whole (face, side) pairs naming existing sides.
void CheckEdgePairs(const iVgxObject& level, const std::vector<int32_t>& pairs);
// One flag per edge of the level, set for the edges of the pairs (adjacency built).
std::vector<uint8_t> ListedEdges(const iVgxObject& level, const std::vector<int32_t>& pairs);

// The new corner j/n of the way from corner a to corner b: position and UV
// interpolated, the normal interpolated and made unit. The halfway corner is the
// mean of the two, whichever way the side is walked.
iVgxFacePoint NewCornerAlong(const iVgxObject& level, FaceEdits& edits, const iVgxFacePoint& a,
                             const iVgxFacePoint& b, int32_t j, int32_t n);
// Appends a corner to the face being built, as its three indexes.
void PushCorner(FaceBatch& faces, const iVgxFacePoint& corner);
// Closes the face being built with the material and application data of the face
// it replaces.
void CloseFace(FaceBatch& faces, const iVgxObject& level, int32_t replacedFace);

// Rebuilds every face of 3 or more corners not yet replaced that has a side on a
// flagged edge, with divisions - 1 evenly spaced corners inserted on each such
// side; returns how many faces it rebuilt. Needs adjacency.
int32_t SplitEdges(const iVgxObject& level, const std::vector<uint8_t>& cutEdges, int32_t divisions,
                   FaceEdits& edits);
// Pools the new corners, appends the new faces and deletes the replaced ones
// (renumbering the rest). A corner on the previous corner's point (a new point
// pooled onto its neighbour, on a side shorter than the pool's tolerance) is left
// out, and so is a face left with fewer than 3 corners, which has no area. Returns
// how many faces were appended: they are the last of the face list.
int32_t CommitFaceEdits(VgxObject& object, FaceEdits& edits);

}  // namespace vgx::cutting
