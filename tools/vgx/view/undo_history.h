#pragma once
// Undo and redo by whole snapshots of an object: its geometry (GetGeometry, put
// back with AddFaces), each face's material and the display attributes. A snapshot
// costs the object's arrays once; the history keeps a bounded number of them.
#include <vgx/Vgx7a.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace vgxtool {

struct MeshSnapshot {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    std::vector<std::shared_ptr<VgxMaterial>> faceMaterials;
    int32_t smoothingLevel;
    VgxAxis mirrorAxis;
    float creasingFactor;
};

MeshSnapshot TakeSnapshot(VgxObject& object);
void RestoreSnapshot(VgxObject& object, const MeshSnapshot& snapshot);

class UndoHistory {
public:
    // Keeps the object as it is before an edit named `label`; clears the redo side.
    void Record(const std::shared_ptr<VgxObject>& object, const std::string& label);
    // Forgets the last record: the edit it was for did not happen.
    void DropLast();
    // Each returns the label of the edit undone or redone; empty when there is none.
    std::string Undo();
    std::string Redo();
    void Clear();
    size_t UndoCount() const { return undo_.size(); }
    size_t RedoCount() const { return redo_.size(); }

private:
    struct Entry {
        std::shared_ptr<VgxObject> object;
        std::string label;
        MeshSnapshot snapshot;
    };
    // Moves the newest entry of `from` to `to`, swapping the object's state with it.
    static std::string Swap(std::deque<Entry>& from, std::deque<Entry>& to);

    std::deque<Entry> undo_, redo_;
};

}  // namespace vgxtool
