#pragma once
// Visits every object of a scene with the transform that places it in the frame
// of the scene's top group.
#include <vgx/Vgx7a.h>

#include <functional>
#include <memory>

namespace vgxtool {

using ObjectVisitor = std::function<void(VgxObject& object, const VgxMatrix& toTop)>;

void ForEachObject(const std::shared_ptr<VgxGroup>& top, const ObjectVisitor& visit);

}  // namespace vgxtool
