#pragma once
// Draws a draw list with OpenGL into the current target: one small GLSL program,
// Lambert shading in the materials' diffuse colours, lines and points unlit.
#include <vector>

#include "draw_list.h"
#include "scene_camera.h"

namespace vgxtool {

// A draw list in OpenGL buffers and textures, uploaded once: a host draws it every
// frame and uploads again only after an edit. Needs the context it was made in.
class GlDrawList {
public:
    explicit GlDrawList(const std::vector<DrawObject>& drawList);
    ~GlDrawList();
    GlDrawList(const GlDrawList&) = delete;
    GlDrawList& operator=(const GlDrawList&) = delete;

private:
    friend class SceneRenderer;
    struct Batch {
        PrimitiveKind kind;
        unsigned indexBuffer;
        bool wideIndices;
        int32_t indexCount, baseVertex;
        D3DCOLORVALUE diffuse, emissive;
        unsigned texture;  // 0 without one
    };
    struct Object {
        VgxMatrix toScene;
        unsigned vertexBuffer;
        std::vector<Batch> batches;
    };
    std::vector<Object> objects_;
    std::vector<unsigned> buffers_, textures_;
};

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
    void Draw(const GlDrawList& drawList, const Camera& camera, bool highlight = false);

private:
    unsigned program_ = 0;
    unsigned vertexArray_ = 0;
};

}  // namespace vgxtool
