#pragma once
// The highlight drawn over the scene: the face under the mouse outlined, the
// selected faces filled, the selected points and edges marked.
#include <vgx/Vgx7a.h>

#include <optional>

#include "../draw_list.h"
#include "selection.h"

namespace vgxtool {

// An object to draw in the frame `toScene` of the edited object.
DrawObject BuildSelectionOverlay(VgxObject& object, const VgxMatrix& toScene, const Selection& selection,
                                 std::optional<int32_t> hoveredFace);

}  // namespace vgxtool
