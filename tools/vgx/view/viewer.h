#pragma once
// The modeller behind the window: the scene, its camera, the selection, the undo
// history and the operations, driven alike by the mouse, the keys, the panel and
// scripts. Every library error ends up in the status line; the viewer goes on.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "../scene_renderer.h"
#include "operations.h"
#include "orbit_camera.h"
#include "scene_document.h"
#include "selection.h"
#include "undo_history.h"

namespace vgxtool {

class Viewer {
public:
    // Needs a current OpenGL 3.3 core context; `width` x `height` pixels of picture.
    Viewer(int32_t width, int32_t height);

    void Resize(int32_t width, int32_t height);
    // A file that does not load leaves the scene and says why.
    void Open(const std::string& input);
    void Save(const std::string& path);
    void RunOperation(const std::string& name);
    void Undo();
    void Redo();

    void SetMode(SelectMode mode);
    void ClearSelection() { selection_.Clear(); }
    // Selects (or with `add` toggles) the feature under pixel (x, y); a click on
    // nothing clears the selection unless `add`.
    void Click(float x, float y, bool add);
    void Hover(float x, float y);
    // Point dragging: begins only in point mode on a selected point; each move sets
    // the points through SetPoints, so the render buffers rebuild while it runs.
    bool BeginPointDrag(float x, float y);
    void DragPointsTo(float x, float y);
    void EndPointDrag();

    void Orbit(float dxPixels, float dyPixels);
    void OrbitDegrees(float yaw, float pitch) { camera_.Orbit(yaw, pitch); }
    void Pan(float dxPixels, float dyPixels) { camera_.Pan(dxPixels, dyPixels, width_, height_); }
    void Zoom(float factor) { camera_.Zoom(factor); }
    void FrameScene();
    void FrameSelection();

    // Clears and draws the scene with the highlight into the current framebuffer.
    void Draw();
    void SetFramesPerSecond(double fps) { framesPerSecond_ = fps; }
    // Counts, selection, the last edit and rebuild times, then the last message.
    std::string StatusLine();

    OperationSettings& Settings() { return settings_; }
    const Selection& CurrentSelection() const { return selection_; }
    const UndoHistory& History() const { return history_; }
    const std::string& DocumentName() const { return document_.Name(); }

private:
    Camera CurrentCamera() const;
    // Runs an edit of the target with undo, timing and error reporting.
    void Edit(const std::string& label, bool changesTopology, const std::function<void(VgxObject&)>& edit);
    std::optional<PickedFeature> Pick(float x, float y);
    // The edit the status line reports, and how long it took since `start`.
    void TimeEdit(const std::string& label, std::chrono::steady_clock::time_point start);
    // Undo or redo: `label` names the step in the status line, `done` prefixes what it stepped over.
    void StepHistory(std::string (UndoHistory::*step)(), const std::string& label, const std::string& done);
    void Report(const std::string& message) { message_ = message; }

    int32_t width_, height_;
    SceneRenderer renderer_;
    SceneDocument document_;
    // The document's draw list in OpenGL, uploaded again when it is rebuilt.
    std::unique_ptr<GlDrawList> uploaded_;
    uint64_t uploadedGeneration_ = 0;
    OrbitCamera camera_;
    Selection selection_;
    UndoHistory history_;
    OperationSettings settings_;
    std::optional<int32_t> hoveredFace_;
    struct PointDrag {
        float startX, startY;
        std::vector<VgxVector> original;
        VgxVector anchor;  // the selection's centre, in the scene's frame
    };
    std::optional<PointDrag> drag_;
    std::string lastEdit_;
    double lastEditMilliseconds_ = 0;
    double framesPerSecond_ = 0;
    std::string message_;
};

}  // namespace vgxtool
