#include "viewer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "../tool_error.h"
#include "selection_overlay.h"

namespace vgxtool {
namespace {

std::string Milliseconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, ms < 10 ? "%.2f ms" : "%.0f ms", ms);
    return text;
}

std::string Describe(const VgxError& error) {
    return "error " + std::to_string(error.Number) + " (" + error.Source + "): " + error.Description;
}

// Carries a scene-frame displacement into the coordinates of an object placed by
// `toScene`: the inverse of its 3x3 part, by cofactors.
VgxVector SceneToObjectDirection(const VgxVector& d, const VgxMatrix& toScene) {
    const float* m = toScene.m;
    const float a = m[0], b = m[1], c = m[2], e = m[4], f = m[5], g = m[6], h = m[8], i = m[9], k = m[10];
    const float determinant = a * (f * k - g * i) - b * (e * k - g * h) + c * (e * i - f * h);
    if (std::abs(determinant) < 1e-12f) return d;
    // Row vectors: d = o x M, so o = d x M^-1.
    const float inverse[9] = {
        (f * k - g * i) / determinant, (c * i - b * k) / determinant, (b * g - c * f) / determinant,
        (g * h - e * k) / determinant, (a * k - c * h) / determinant, (c * e - a * g) / determinant,
        (e * i - f * h) / determinant, (b * h - a * i) / determinant, (a * f - b * e) / determinant};
    return {d.X * inverse[0] + d.Y * inverse[3] + d.Z * inverse[6],
            d.X * inverse[1] + d.Y * inverse[4] + d.Z * inverse[7],
            d.X * inverse[2] + d.Y * inverse[5] + d.Z * inverse[8]};
}

// Every point the selection moves: the points, or the corners of the faces or edges.
std::vector<int32_t> SelectedPoints(const VgxObject& object, const Selection& selection) {
    if (selection.mode != SelectMode::Edges) return selection.PointsOrCorners(object);
    std::set<int32_t> points;
    for (const FaceSide& edge : selection.edges) {
        const std::shared_ptr<VgxFace> face = object.GetFace(edge.face);
        points.insert(face->GetPointID(edge.side));
        points.insert(face->GetPointID((edge.side + 1) % face->GetPointCount()));
    }
    return {points.begin(), points.end()};
}

bool Holds(const Selection& selection, const PickedFeature& picked) {
    switch (selection.mode) {
        case SelectMode::Faces:
            return std::ranges::find(selection.faces, picked.face) != selection.faces.end();
        case SelectMode::Points:
            return std::ranges::find(selection.points, picked.point) != selection.points.end();
        case SelectMode::Edges:
            return std::ranges::find(selection.edges, picked.edge) != selection.edges.end();
    }
    return false;
}

}  // namespace

Viewer::Viewer(int32_t width, int32_t height) : width_(width), height_(height) {}

void Viewer::Resize(int32_t width, int32_t height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
}

Camera Viewer::CurrentCamera() const { return camera_.Make(static_cast<float>(width_) / static_cast<float>(height_)); }

void Viewer::Open(const std::string& input) {
    try {
        document_.Load(input);
    } catch (const ToolError& error) {
        return Report(error.what());
    } catch (const VgxError& error) {
        return Report(input + ": " + Describe(error));
    }
    selection_.Clear();
    history_.Clear();
    hoveredFace_.reset();
    lastEdit_.clear();
    FrameScene();
    if (const std::shared_ptr<VgxObject>& target = document_.Target()) {
        // A bevel that suits the model's size: a thousandth of its box's diagonal.
        const VgxBox box = target->GetBoundingBox();
        const float dx = box.Max.X - box.Min.X, dy = box.Max.Y - box.Min.Y, dz = box.Max.Z - box.Min.Z;
        settings_.bevel = std::sqrt(dx * dx + dy * dy + dz * dz) / 1000;
    }
    Report("opened " + input);
}

void Viewer::Save(const std::string& path) {
    try {
        document_.Save(path);
        Report("saved " + path);
    } catch (const VgxError& error) {
        Report(path + ": " + Describe(error));
    }
}

void Viewer::Edit(const std::string& label, bool changesTopology, const std::function<void(VgxObject&)>& edit) {
    const std::shared_ptr<VgxObject> target = document_.Target();
    if (!target) return Report(label + ": no object to edit");
    history_.Record(target, label);
    const auto start = std::chrono::steady_clock::now();
    try {
        edit(*target);
    } catch (const VgxError& error) {
        // The library leaves the object as it was.
        history_.DropLast();
        return Report(label + ": " + Describe(error));
    } catch (const std::invalid_argument& error) {
        history_.DropLast();
        return Report(label + ": " + error.what());
    }
    TimeEdit(label, start);
    if (changesTopology) selection_.Clear();
    hoveredFace_.reset();
    document_.MarkEdited();
    Report({});
}

void Viewer::TimeEdit(const std::string& label, std::chrono::steady_clock::time_point start) {
    lastEditMilliseconds_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    lastEdit_ = label;
}

void Viewer::RunOperation(const std::string& name) {
    const Operation* operation = FindOperation(name);
    if (!operation) return Report(name + ": no such operation");
    Edit(name, operation->changesTopology,
         [&](VgxObject& object) { operation->run(object, document_.Root(), selection_, settings_); });
}

void Viewer::Undo() { StepHistory(&UndoHistory::Undo, "undo", "undid "); }

void Viewer::Redo() { StepHistory(&UndoHistory::Redo, "redo", "redid "); }

void Viewer::StepHistory(std::string (UndoHistory::*step)(), const std::string& label, const std::string& done) {
    const auto start = std::chrono::steady_clock::now();
    const std::string stepped = (history_.*step)();
    if (stepped.empty()) return Report("nothing to " + label);
    selection_.Clear();
    hoveredFace_.reset();
    document_.MarkEdited();
    TimeEdit(label, start);
    Report(done + stepped);
}

void Viewer::SetMode(SelectMode mode) { selection_.mode = mode; }

std::optional<PickedFeature> Viewer::Pick(float x, float y) {
    try {
        return PickAt(document_, CurrentCamera(), width_, height_, x, y);
    } catch (const VgxError& error) {
        Report("pick: " + Describe(error));
        return std::nullopt;
    }
}

void Viewer::Click(float x, float y, bool add) {
    const std::optional<PickedFeature> picked = Pick(x, y);
    if (!picked) {
        if (!add) selection_.Clear();
        return;
    }
    if (picked->object != document_.Target()) {
        // Selections belong to one object: picking another makes it the edited one.
        selection_.Clear();
        document_.SetTarget(picked->object);
    }
    selection_.Choose(picked->face, picked->point, picked->edge, add);
}

void Viewer::Hover(float x, float y) {
    const std::optional<PickedFeature> picked = Pick(x, y);
    hoveredFace_.reset();
    if (picked && picked->object == document_.Target()) hoveredFace_ = picked->face;
}

bool Viewer::BeginPointDrag(float x, float y) {
    const std::shared_ptr<VgxObject>& target = document_.Target();
    const std::optional<PickedFeature> picked = Pick(x, y);
    if (!target || !picked || picked->object != target || !Holds(selection_, *picked)) return false;
    PointDrag drag{x, y, {}, {0, 0, 0}};
    int32_t count = 0;
    target->GetPoints(drag.original, count);
    const std::vector<int32_t> moved = SelectedPoints(*target, selection_);
    for (const int32_t point : moved) {
        drag.anchor = {drag.anchor.X + drag.original[point].X, drag.anchor.Y + drag.original[point].Y,
                       drag.anchor.Z + drag.original[point].Z};
    }
    const float share = 1.f / static_cast<float>(moved.size());
    drag.anchor = TransformPoint({drag.anchor.X * share, drag.anchor.Y * share, drag.anchor.Z * share},
                                 document_.TargetToScene());
    history_.Record(target, "move points");
    drag_ = std::move(drag);
    return true;
}

void Viewer::DragPointsTo(float x, float y) {
    if (!drag_) return;
    const std::shared_ptr<VgxObject>& target = document_.Target();
    const VgxVector sceneMove =
        ScreenDeltaToScene(CurrentCamera(), drag_->anchor, x - drag_->startX, y - drag_->startY, height_);
    const VgxVector move = SceneToObjectDirection(sceneMove, document_.TargetToScene());
    std::vector<VgxVector> points = drag_->original;
    for (const int32_t point : SelectedPoints(*target, selection_)) {
        points[point] = {points[point].X + move.X, points[point].Y + move.Y, points[point].Z + move.Z};
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        target->SetPoints(points);
    } catch (const VgxError& error) {
        return Report("move points: " + Describe(error));
    }
    TimeEdit("move points", start);
    document_.MarkEdited();
}

void Viewer::EndPointDrag() { drag_.reset(); }

void Viewer::Orbit(float dxPixels, float dyPixels) {
    // Half a turn across the picture's width.
    const float degreesPerPixel = 180.f / static_cast<float>(width_);
    camera_.Orbit(-dxPixels * degreesPerPixel, dyPixels * degreesPerPixel);
}

void Viewer::FrameScene() {
    if (const std::optional<VgxBox> bounds = SceneBounds(document_.Scene())) camera_.Frame(*bounds);
}

void Viewer::FrameSelection() {
    const std::shared_ptr<VgxObject>& target = document_.Target();
    if (!target || selection_.Empty()) return FrameScene();
    const VgxMatrix toScene = document_.TargetToScene();
    std::optional<VgxBox> box;
    for (const int32_t point : SelectedPoints(*target, selection_)) {
        const VgxVector p = TransformPoint(target->GetPoint(point), toScene);
        if (!box) box = VgxBox{p, p};
        box->Min = {std::min(box->Min.X, p.X), std::min(box->Min.Y, p.Y), std::min(box->Min.Z, p.Z)};
        box->Max = {std::max(box->Max.X, p.X), std::max(box->Max.Y, p.Y), std::max(box->Max.Z, p.Z)};
    }
    if (box) camera_.Frame(*box);
}

void Viewer::Draw() {
    const Camera camera = CurrentCamera();
    renderer_.Clear();
    const std::vector<DrawObject>& drawList = document_.DrawList();
    if (!uploaded_ || uploadedGeneration_ != document_.Generation()) {
        uploaded_ = std::make_unique<GlDrawList>(drawList);
        uploadedGeneration_ = document_.Generation();
    }
    renderer_.Draw(*uploaded_, camera);
    if (const std::shared_ptr<VgxObject>& target = document_.Target()) {
        const GlDrawList overlay({BuildSelectionOverlay(*target, document_.TargetToScene(), selection_, hoveredFace_)});
        renderer_.Draw(overlay, camera, true);
    }
}

std::string Viewer::StatusLine() {
    const std::shared_ptr<VgxObject>& target = document_.Target();
    std::string line = target ? target->GetName() + ": " + std::to_string(target->GetFaceCount()) + " faces, " +
                                    std::to_string(target->GetPointCount()) + " points, "
                              : std::string("no object, ");
    document_.DrawList();
    line += std::to_string(document_.TriangleCount()) + " triangles drawn | selected " + selection_.Describe();
    if (!lastEdit_.empty()) line += " | " + lastEdit_ + " " + Milliseconds(lastEditMilliseconds_);
    line += " | rebuild " + Milliseconds(document_.LastRebuildMilliseconds());
    if (framesPerSecond_ > 0) {
        char fps[32];
        std::snprintf(fps, sizeof fps, " | %.0f fps", framesPerSecond_);
        line += fps;
    }
    if (!message_.empty()) line += " | " + message_;
    return line;
}

}  // namespace vgxtool
