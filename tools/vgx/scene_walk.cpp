#include "scene_walk.h"

namespace vgxtool {
namespace {

void Visit(const std::shared_ptr<VgxGroup>& group, const std::shared_ptr<VgxGroup>& top, const ObjectVisitor& visit) {
    // Relative to the top, as picking measures it: the top's own placement is the
    // host's camera business, not the scene's.
    VgxMatrix toTop;
    group->GetTransform(top, toTop);
    const std::shared_ptr<VgxObjectArray> objects = group->GetObjects();
    for (int32_t i = 0; i < objects->GetSize(); ++i) visit(*objects->GetElement(i), toTop);
    const std::shared_ptr<VgxGroupArray> children = group->GetChildren();
    for (int32_t i = 0; i < children->GetSize(); ++i) Visit(children->GetElement(i), top, visit);
}

}  // namespace

void ForEachObject(const std::shared_ptr<VgxGroup>& top, const ObjectVisitor& visit) { Visit(top, top, visit); }

}  // namespace vgxtool
