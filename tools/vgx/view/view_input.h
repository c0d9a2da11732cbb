#pragma once
// The mouse and keyboard of the viewer, as GLFW reports them and as scripts play
// them: a left click selects (shift adds), a left drag on the selection moves its
// points and elsewhere orbits, a right drag pans, the wheel zooms.
//   1 2 3  faces, points, edges     F  frame the selection    A  frame the scene
//   Ctrl+Z undo, Ctrl+Y redo         Delete  delete the selected faces
//   arrows orbit by 15 degrees       Escape  clear the selection
#include <optional>
#include <string>

#include "view_window.h"
#include "viewer.h"

namespace vgxtool {

class ViewInput : public WindowEvents {
public:
    explicit ViewInput(Viewer& viewer) : viewer_(viewer) {}

    void Button(int button, int action, int mods, float x, float y) override;
    void Move(float x, float y) override;
    void Scroll(float offset) override;
    void Key(int key, int mods) override;
    void Drop(const std::string& path) override { viewer_.Open(path); }

private:
    struct Press {
        int button;
        int mods;
        float x, y;  // where it went down
        float lastX, lastY;
        bool moved = false;
        bool draggingPoints = false;
    };
    Viewer& viewer_;
    std::optional<Press> press_;
};

// "ctrl+z", "shift+f", "delete", "1": the GLFW key and modifier bits; false for an
// unknown name.
bool ParseKey(const std::string& name, int& key, int& mods);

}  // namespace vgxtool
