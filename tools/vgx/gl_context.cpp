#include "gl_context.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/eglext.h>
#include <GL/glcorearb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "tool_error.h"

namespace vgxtool {
namespace {

// Multisampling a very large picture would need gigabytes; it is sharp enough without.
constexpr int64_t kMultisampledPixelLimit = int64_t{4096} * 4096;

std::string EglFailure(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string("OpenGL: ") + what + " failed (EGL error " + code +
           "; Mesa's libegl-mesa0 and libgl1-mesa-dri provide the off-screen driver)";
}

}  // namespace

EglSession::EglSession() {
    // Mesa's EGL then needs neither X11 nor Wayland; a platform the caller chose stays.
    setenv("EGL_PLATFORM", "surfaceless", 0);
    display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) {
        throw std::runtime_error(EglFailure("opening the surfaceless display"));
    }
    const EGLint attributes[]{
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    if (!eglBindAPI(EGL_OPENGL_API) ||
        (context_ = eglCreateContext(display_, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes)) == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
        const std::string failure = EglFailure("making an OpenGL 3.3 core context");
        eglTerminate(display_);
        throw std::runtime_error(failure);
    }
}

EglSession::~EglSession() {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
    eglTerminate(display_);
}

GlOffscreen::GlOffscreen(int32_t width, int32_t height) : width_(width), height_(height) {
    GLint maxSide = 0, maxViewport[2] = {}, maxSamples = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSide);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    const GLint limit = std::min({maxSide, maxViewport[0], maxViewport[1]});
    if (width_ > limit || height_ > limit) {
        throw ToolError("--size " + std::to_string(width_) + "x" + std::to_string(height_) +
                        ": beyond this OpenGL driver's limit of " + std::to_string(limit));
    }
    const GLsizei samples = int64_t{width_} * height_ <= kMultisampledPixelLimit ? std::min<GLint>(4, maxSamples) : 0;

    glGenRenderbuffers(3, renderbuffers_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[0]);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width_, height_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[1]);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width_, height_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[2]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);

    glGenFramebuffers(1, &drawFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers_[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers_[1]);
    const bool drawComplete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glGenFramebuffers(1, &resolveFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers_[2]);
    const bool resolveComplete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (glGetError() != GL_NO_ERROR || !drawComplete || !resolveComplete) {
        throw std::runtime_error("OpenGL: no " + std::to_string(width_) + "x" + std::to_string(height_) +
                                 " render target (out of memory?)");
    }
}

GlOffscreen::~GlOffscreen() {
    glDeleteFramebuffers(1, &drawFramebuffer_);
    glDeleteFramebuffers(1, &resolveFramebuffer_);
    glDeleteRenderbuffers(3, renderbuffers_);
}

void GlOffscreen::Bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
    glViewport(0, 0, width_, height_);
}

std::vector<uint8_t> GlOffscreen::ReadPixels() const {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawFramebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFramebuffer_);
    glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer_);
    return ReadFramebufferRgb(width_, height_);
}

std::vector<uint8_t> ReadFramebufferRgb(int32_t width, int32_t height) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const size_t row = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> bottomUp(row * height), topDown(row * height);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    if (glGetError() != GL_NO_ERROR) throw std::runtime_error("OpenGL: reading the picture back failed");
    // OpenGL's rows start at the bottom, a PNG's at the top.
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(topDown.data() + row * y, bottomUp.data() + row * (height - 1 - y), row);
    }
    return topDown;
}

}  // namespace vgxtool
