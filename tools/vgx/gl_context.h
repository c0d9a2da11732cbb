#pragma once
// An off-screen OpenGL 3.3 core context (EGL on Mesa's surfaceless platform, no
// display server needed) with a multisampled colour and depth target of a fixed
// size.
#include <EGL/egl.h>

#include <cstdint>
#include <vector>

namespace vgxtool {

// The EGL display and a current OpenGL 3.3 core context, released together.
class EglSession {
public:
    // Raises std::runtime_error when no context can be made.
    EglSession();
    ~EglSession();
    EglSession(const EglSession&) = delete;
    EglSession& operator=(const EglSession&) = delete;

private:
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
};

// The bound read framebuffer's colour: RGB bytes, rows from the top. Raises
// std::runtime_error when OpenGL cannot read it.
std::vector<uint8_t> ReadFramebufferRgb(int32_t width, int32_t height);

class GlOffscreen {
public:
    // Raises ToolError when the size is beyond what the driver can render.
    GlOffscreen(int32_t width, int32_t height);
    ~GlOffscreen();
    GlOffscreen(const GlOffscreen&) = delete;
    GlOffscreen& operator=(const GlOffscreen&) = delete;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Binds the multisampled target and its viewport for drawing.
    void Bind() const;
    // The picture drawn so far: RGB bytes, rows from the top.
    std::vector<uint8_t> ReadPixels() const;

private:
    // Made first, so that a target that fails goes with its context.
    EglSession session_;
    int32_t width_, height_;
    unsigned drawFramebuffer_ = 0, resolveFramebuffer_ = 0;
    unsigned renderbuffers_[3] = {};  // multisampled colour, depth, resolved colour
};

}  // namespace vgxtool
