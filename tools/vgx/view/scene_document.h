#pragma once
// The scene the viewer edits: the library's root, the host's device, the loaded
// scene and the object being edited, and the draw list built from the library's
// buffers, rebuilt only after an edit.
#include <vgx/Vgx7a.h>

#include <memory>
#include <string>
#include <vector>

#include "../draw_list.h"

namespace vgxtool {

class SceneDocument {
public:
    SceneDocument();

    // Replaces the scene by a primitive or a scene file; raises ToolError with the
    // library's message and leaves the current scene when it does not load.
    void Load(const std::string& input);
    // Writes the scene through VgxGroup::Save (glTF 2.0, .glb or .gltf).
    void Save(const std::string& path);

    Vgx& Root() { return *root_; }
    const std::shared_ptr<VgxSoftwareDevice>& Device() const { return device_; }
    int32_t DeviceId() const { return deviceId_; }
    const std::shared_ptr<VgxGroup>& Scene() const { return scene_; }
    // The object edits apply to: the one picked last, else the first with faces.
    const std::shared_ptr<VgxObject>& Target() const { return target_; }
    void SetTarget(const std::shared_ptr<VgxObject>& object) { target_ = object; }
    // The transform from the target's coordinates to the scene's top frame.
    VgxMatrix TargetToScene() const;
    const std::string& Name() const { return name_; }

    // The library's buffers as drawn; rebuilt (and timed) after MarkEdited.
    const std::vector<DrawObject>& DrawList();
    void MarkEdited() { stale_ = true; }
    // Counts the rebuilds, so a host knows when to upload the draw list again.
    uint64_t Generation() const { return generation_; }
    double LastRebuildMilliseconds() const { return lastRebuildMilliseconds_; }
    int64_t TriangleCount() const { return triangles_; }

private:
    std::shared_ptr<Vgx> root_;
    std::shared_ptr<VgxSoftwareDevice> device_;
    int32_t deviceId_;
    std::shared_ptr<VgxGroup> scene_;
    std::shared_ptr<VgxObject> target_;
    std::string name_;
    std::vector<DrawObject> drawList_;
    bool stale_ = true;
    uint64_t generation_ = 0;
    double lastRebuildMilliseconds_ = 0;
    int64_t triangles_ = 0;
};

}  // namespace vgxtool
