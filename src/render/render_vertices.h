#pragma once
// The render vertices of a geometry record: one per distinct corner key.
#include <functional>

#include "mesh/mesh_records.h"
#include "mesh/point_key_runs.h"
#include "mesh/render_data.h"

namespace vgx {

// A corner's render vertex key: its point, normal, UV and its face's colour.
struct CornerKeys {
    using Key = FacePoint;
    static int32_t Point(const FacePoint& key) { return key.Point; }
    static bool Same(const FacePoint& a, const FacePoint& b) {
        return a.Normal == b.Normal && a.UV == b.UV && a.Color == b.Color;
    }
    static int32_t& Next(FacePoint& key) { return key.NextFacePoint; }
    static int32_t Next(const FacePoint& key) { return key.NextFacePoint; }
};

using CornerKeyRuns = PointKeyRuns<CornerKeys>;

// One render vertex per distinct (point, normal, UV, colour) of the corners,
// numbered in order of first use in face order. Each point gets the list of its
// vertices, in ascending order, and each corner its vertex (the block's
// cornerVertex, by the corner's place in the corner store), except that when the
// faces were keyed in several runs, the corners of the faces after the first
// run's keep their key's place in their run, and the runs are returned (else
// nullptr) for NumberLaterCornersOfFace: the index lists' pass numbers each face
// as it reads it, which saves a pass over the corners. The runs are the caller's,
// held as long as it needs them. Calls alongside(i) for every i below `alongsideChunks`, work
// that writes nothing the keying reads, on the threads the keying leaves idle;
// part of it may have run when keying fails.
const CornerKeyRuns* BuildRenderVertices(const iVgxObject& record, RenderBlock& block, CornerKeyRuns& runs,
                                         size_t alongsideChunks, const std::function<void(size_t)>& alongside);

// Gives face `face` its corners' vertices if it is one of the faces whose corners
// BuildRenderVertices left their key's place in its run.
void NumberLaterCornersOfFace(const CornerKeyRuns& runs, const iVgxObject& record, RenderBlock& block, size_t face);

}  // namespace vgx
