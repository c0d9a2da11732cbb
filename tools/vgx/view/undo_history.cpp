#include "undo_history.h"

namespace vgxtool {
namespace {

// Enough steps back for an editing session; a 100k-face mesh's snapshot is a few MB.
constexpr size_t kMaxUndoSteps = 64;

}  // namespace

MeshSnapshot TakeSnapshot(VgxObject& object) {
    MeshSnapshot snapshot;
    int32_t pointCount = 0, normalCount = 0, uvCount = 0, faceDataCount = 0;
    object.GetGeometry(snapshot.points, pointCount, snapshot.normals, normalCount, snapshot.uvs, uvCount,
                       snapshot.faceData, faceDataCount);
    snapshot.faceMaterials.resize(object.GetFaceCount());
    for (int32_t face = 0; face < object.GetFaceCount(); ++face) {
        snapshot.faceMaterials[face] = object.GetFace(face)->GetMaterial();
    }
    snapshot.smoothingLevel = object.GetSmoothingLevel();
    snapshot.mirrorAxis = object.GetMirrorAxis();
    snapshot.creasingFactor = object.GetCreasingFactor();
    return snapshot;
}

void RestoreSnapshot(VgxObject& object, const MeshSnapshot& snapshot) {
    object.Clear();
    // As taken: no merging, so every index of the face data still holds.
    object.AddFaces(snapshot.points, snapshot.normals, snapshot.uvs, snapshot.faceData, false, false);
    for (size_t face = 0; face < snapshot.faceMaterials.size(); ++face) {
        if (snapshot.faceMaterials[face]) {
            object.GetFace(static_cast<int32_t>(face))->ApplyMaterial(snapshot.faceMaterials[face]);
        }
    }
    object.SetSmoothingLevel(snapshot.smoothingLevel);
    object.SetMirrorAxis(snapshot.mirrorAxis);
    object.SetCreasingFactor(snapshot.creasingFactor);
}

void UndoHistory::Record(const std::shared_ptr<VgxObject>& object, const std::string& label) {
    undo_.push_back({object, label, TakeSnapshot(*object)});
    if (undo_.size() > kMaxUndoSteps) undo_.pop_front();
    redo_.clear();
}

void UndoHistory::DropLast() {
    if (!undo_.empty()) undo_.pop_back();
}

std::string UndoHistory::Swap(std::deque<Entry>& from, std::deque<Entry>& to) {
    if (from.empty()) return {};
    Entry entry = std::move(from.back());
    from.pop_back();
    MeshSnapshot current = TakeSnapshot(*entry.object);
    RestoreSnapshot(*entry.object, entry.snapshot);
    entry.snapshot = std::move(current);
    to.push_back(std::move(entry));
    return to.back().label;
}

std::string UndoHistory::Undo() { return Swap(undo_, redo_); }
std::string UndoHistory::Redo() { return Swap(redo_, undo_); }

void UndoHistory::Clear() {
    undo_.clear();
    redo_.clear();
}

}  // namespace vgxtool
