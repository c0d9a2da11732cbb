#include "view_input.h"

#include <GLFW/glfw3.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <utility>

namespace vgxtool {
namespace {

// A press that moves less than this is a click, not a drag.
constexpr float kClickSlopPixels = 3;
constexpr float kArrowDegrees = 15;

}  // namespace

void ViewInput::Button(int button, int action, int mods, float x, float y) {
    if (action == GLFW_PRESS) {
        if (!press_) press_ = Press{button, mods, x, y, x, y};
        return;
    }
    if (!press_ || press_->button != button) return;
    const Press press = *std::exchange(press_, std::nullopt);
    if (press.draggingPoints) viewer_.EndPointDrag();
    if (!press.moved && button == GLFW_MOUSE_BUTTON_LEFT) viewer_.Click(x, y, (press.mods & GLFW_MOD_SHIFT) != 0);
}

void ViewInput::Move(float x, float y) {
    if (!press_) return viewer_.Hover(x, y);
    Press& press = *press_;
    if (!press.moved) {
        if (std::hypot(x - press.x, y - press.y) < kClickSlopPixels) return;
        press.moved = true;
        press.draggingPoints = press.button == GLFW_MOUSE_BUTTON_LEFT && viewer_.BeginPointDrag(press.x, press.y);
    }
    if (press.draggingPoints) {
        viewer_.DragPointsTo(x, y);
    } else if (press.button == GLFW_MOUSE_BUTTON_LEFT) {
        viewer_.Orbit(x - press.lastX, y - press.lastY);
    } else {
        viewer_.Pan(x - press.lastX, y - press.lastY);
    }
    press.lastX = x;
    press.lastY = y;
}

void ViewInput::Scroll(float offset) { viewer_.Zoom(std::pow(0.9f, offset)); }

void ViewInput::Key(int key, int mods) {
    const bool control = (mods & GLFW_MOD_CONTROL) != 0;
    switch (key) {
        case GLFW_KEY_1:
            return viewer_.SetMode(SelectMode::Faces);
        case GLFW_KEY_2:
            return viewer_.SetMode(SelectMode::Points);
        case GLFW_KEY_3:
            return viewer_.SetMode(SelectMode::Edges);
        case GLFW_KEY_F:
            return viewer_.FrameSelection();
        case GLFW_KEY_A:
            return viewer_.FrameScene();
        case GLFW_KEY_Z:
            if (control) (mods & GLFW_MOD_SHIFT) ? viewer_.Redo() : viewer_.Undo();
            return;
        case GLFW_KEY_Y:
            if (control) viewer_.Redo();
            return;
        case GLFW_KEY_DELETE:
            return viewer_.RunOperation("delete-faces");
        case GLFW_KEY_ESCAPE:
            return viewer_.ClearSelection();
        case GLFW_KEY_LEFT:
            return viewer_.OrbitDegrees(-kArrowDegrees, 0);
        case GLFW_KEY_RIGHT:
            return viewer_.OrbitDegrees(kArrowDegrees, 0);
        case GLFW_KEY_UP:
            return viewer_.OrbitDegrees(0, kArrowDegrees);
        case GLFW_KEY_DOWN:
            return viewer_.OrbitDegrees(0, -kArrowDegrees);
        default:
            return;
    }
}

bool ParseKey(const std::string& name, int& key, int& mods) {
    mods = 0;
    std::string rest = name;
    for (const auto& [prefix, bit] : {std::pair{"ctrl+", GLFW_MOD_CONTROL}, std::pair{"shift+", GLFW_MOD_SHIFT}}) {
        if (rest.starts_with(prefix)) {
            mods |= bit;
            rest.erase(0, std::strlen(prefix));
        }
    }
    if (rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]))) {
        // GLFW's letter and digit keys are their upper-case ASCII codes.
        key = std::toupper(static_cast<unsigned char>(rest[0]));
        return true;
    }
    static constexpr std::pair<const char*, int> kNamed[]{{"delete", GLFW_KEY_DELETE}, {"escape", GLFW_KEY_ESCAPE},
                                                          {"left", GLFW_KEY_LEFT},     {"right", GLFW_KEY_RIGHT},
                                                          {"up", GLFW_KEY_UP},         {"down", GLFW_KEY_DOWN}};
    for (const auto& [keyName, code] : kNamed) {
        if (rest == keyName) {
            key = code;
            return true;
        }
    }
    return false;
}

}  // namespace vgxtool
