#pragma once
// The corner normals of a level cut down to the values its normal pool must take:
// a corner whose normal equals, bit for bit, the last one kept at the same point
// takes that entry. Faces are walked in runs on the worker threads, with the
// entries and their order one walk over all faces gives.
#include <vgx/VgxTypes.h>

#include "mesh/mesh_records.h"

namespace vgx {

// cornerNormals and cornerSlots are indexed like the level's corner store. Each
// corner's slot names its entry of `distinct`; a non-finite normal is never taken
// by a later corner.
void FindDistinctCornerNormals(const iVgxObject& level, const BlockArray<VgxVector>& cornerNormals,
                               BlockArray<int32_t>& cornerSlots, BlockArray<VgxVector>& distinct);

}  // namespace vgx
