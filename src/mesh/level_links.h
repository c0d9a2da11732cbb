#pragma once
// What a level derived from another (a smoothing step, the displayed mesh) keeps
// so that moving a few points updates only what they touch.
#include <vgx/VgxTypes.h>

#include <cstdint>
#include <vector>

#include "base/large_blocks.h"
#include "mesh/point_corners.h"

namespace vgx {

// The displayed mesh's face normals and what updating them after a move needs.
struct DisplayedNormals {
    std::vector<VgxVector> faceNormals;
    PointCorners corners;  // built when first needed
    VisitMarks faces, points;
};

// Where the points of a level come from in the level below, and what a partial
// update needs to find the points a move affects.
struct SubdivisionLinks {
    BlockArray<int32_t> facePoint;   // per source face: its face point, -1 below 3 corners
    BlockArray<int32_t> edgePoint;   // per source edge: its edge point, -1 when no face uses it
    PointCorners sourceCorners;      // built when first needed
    VisitMarks faces, points, edges;
};

}  // namespace vgx
