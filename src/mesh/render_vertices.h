#pragma once
// The render vertices of a geometry record: one per distinct corner key.
#include <functional>

#include "mesh/mesh_records.h"
#include "mesh/render_data.h"

namespace vgx {

// One render vertex per distinct (point, normal, UV, colour) of the corners,
// numbered in order of first use in face order. Each corner gets its vertex, and
// each point the list of its vertices, in ascending order. Calls alongside(i) for
// every i below `alongsideChunks`, work that writes nothing the keying reads, on
// the threads the keying leaves idle; part of it may have run when keying fails.
void BuildRenderVertices(iVgxObject& record, RenderBlock& block, size_t alongsideChunks,
                         const std::function<void(size_t)>& alongside);

}  // namespace vgx
