#include "scene_document.h"

#include <chrono>

#include "../scene_source.h"
#include "../scene_walk.h"

namespace vgxtool {

SceneDocument::SceneDocument()
    : root_(Vgx::Create()),
      device_(std::make_shared<VgxSoftwareDevice>()),
      deviceId_(root_->CreateDeviceID()),
      scene_(root_->CreateGroup(nullptr)) {}

void SceneDocument::Load(const std::string& input) {
    std::shared_ptr<VgxGroup> loaded = LoadScene(*root_, input);
    std::shared_ptr<VgxObject> target;
    ForEachObject(loaded, [&](VgxObject& object, const VgxMatrix&) {
        if (!target && object.GetFaceCount() > 0) target = object.shared_from_this();
    });
    scene_ = std::move(loaded);
    target_ = std::move(target);
    name_ = input;
    stale_ = true;
}

void SceneDocument::Save(const std::string& path) { scene_->Save(path); }

VgxMatrix SceneDocument::TargetToScene() const {
    VgxMatrix toScene{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    ForEachObject(scene_, [&](VgxObject& object, const VgxMatrix& toTop) {
        if (&object == target_.get()) toScene = toTop;
    });
    return toScene;
}

const std::vector<DrawObject>& SceneDocument::DrawList() {
    if (!stale_) return drawList_;
    const auto start = std::chrono::steady_clock::now();
    drawList_ = CollectDrawList(*root_, scene_, deviceId_, device_, false);
    lastRebuildMilliseconds_ =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    triangles_ = 0;
    for (const DrawObject& object : drawList_) {
        for (const DrawBatch& batch : object.batches) triangles_ += batch.indexCount / 3;
    }
    stale_ = false;
    ++generation_;
    return drawList_;
}

}  // namespace vgxtool
