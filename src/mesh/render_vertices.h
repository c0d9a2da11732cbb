#pragma once
// The render vertices of a geometry record: one per distinct corner key.
#include "mesh/mesh_records.h"
#include "mesh/render_data.h"

namespace vgx {

// One render vertex per distinct (point, normal, UV, colour) of the corners,
// numbered in order of first use in face order. Each corner gets its vertex, and
// each point the list of its vertices, in ascending order.
void BuildRenderVertices(iVgxObject& record, RenderBlock& block);

}  // namespace vgx
