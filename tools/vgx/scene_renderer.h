#pragma once
// Draws a draw list with OpenGL into the current target: one small GLSL program,
// Lambert shading in the materials' diffuse colours, lines unlit.
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

    // Clears the bound target and draws every batch.
    void Draw(const std::vector<DrawObject>& drawList, const Camera& camera);

private:
    unsigned program_ = 0;
    unsigned vertexArray_ = 0;
    unsigned buffers_[2] = {};  // vertices, indices
};

}  // namespace vgxtool
