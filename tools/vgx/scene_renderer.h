#pragma once
// Draws a draw list with OpenGL into the current target: one small GLSL program,
// Lambert shading in the materials' diffuse colours, lines and points unlit.
#include <vector>

#include "draw_list.h"
#include "scene_camera.h"

namespace vgxtool {

class SceneRenderer {
public:
    // Needs a current OpenGL 3.3 core context.
    SceneRenderer();
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Clears the bound target to the background colour and depth.
    void Clear() const;
    // Draws every batch over what the target holds. A scene's filled triangles sit a
    // little deeper than their depth, so a highlight drawn after them on the same
    // surface (`highlight`: lines, points or faces at their true depth) stays in front.
    void Draw(const std::vector<DrawObject>& drawList, const Camera& camera, bool highlight = false);

private:
    unsigned program_ = 0;
    unsigned vertexArray_ = 0;
    unsigned buffers_[2] = {};  // vertices, indices
};

}  // namespace vgxtool
