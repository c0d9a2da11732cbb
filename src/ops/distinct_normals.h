#pragma once
// The corner normals of a level cut down to the values its normal pool must take:
// a corner whose normal equals, bit for bit, the last one kept at the same point,
// or the last one kept before it, takes that entry. Faces are walked in runs on
// the worker threads. Pooling the entries in order gives what pooling every
// corner's normal in face order gives, for any number of runs: a finite value
// finds the entry its first equal found, and a non-finite one is an entry of its
// own.
#include <vgx/VgxTypes.h>

#include "mesh/mesh_records.h"

namespace vgx {

// cornerNormals and cornerSlots are indexed like the level's corner store. Each
// corner's slot names its entry of `distinct`; a non-finite normal is never taken
// by a later corner.
void FindDistinctCornerNormals(const iVgxObject& level, const BlockArray<VgxVector>& cornerNormals,
                               BlockArray<int32_t>& cornerSlots, BlockArray<VgxVector>& distinct);

}  // namespace vgx
