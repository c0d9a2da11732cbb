#pragma once
// The viewer's window: GLFW with an OpenGL 3.3 core context, and Dear ImGui on it.
#include <cstdint>
#include <stdexcept>
#include <string>

struct GLFWwindow;

namespace vgxtool {

// GLFW found no display to open a window on.
struct NoDisplay : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the window passes on that the panel did not take: positions in framebuffer
// pixels from the top left; buttons, actions, keys and modifier bits are GLFW's.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void Button(int button, int action, int mods, float x, float y) = 0;
    virtual void Move(float x, float y) = 0;
    virtual void Scroll(float offset) = 0;
    // Presses and repeats only.
    virtual void Key(int key, int mods) = 0;
    // A file dropped onto the window.
    virtual void Drop(const std::string& path) = 0;
};

class ViewWindow {
public:
    // Raises NoDisplay without a display, std::runtime_error when no context is made.
    // `samples` per pixel of multisampling, 0 for none.
    ViewWindow(int32_t width, int32_t height, int32_t samples, const std::string& title);
    ~ViewWindow();
    ViewWindow(const ViewWindow&) = delete;
    ViewWindow& operator=(const ViewWindow&) = delete;

    GLFWwindow* Handle() const { return window_; }
    // Events go nowhere until then; `events` must outlive the window.
    void Listen(WindowEvents& events) { events_ = &events; }
    // Framebuffer pixels per window unit (above 1 on a high-density screen).
    void FramebufferSize(int32_t& width, int32_t& height) const;
    // Starts an ImGui frame; DrawInterface draws it over the scene, Present shows the picture.
    void BeginFrame();
    void DrawInterface();
    void Present();

private:
    // GLFW's callbacks, which find the window's events through its user pointer.
    static void OnButton(GLFWwindow* window, int button, int action, int mods);
    static void OnMove(GLFWwindow* window, double x, double y);
    static void OnScroll(GLFWwindow* window, double dx, double dy);
    static void OnKey(GLFWwindow* window, int key, int scancode, int action, int mods);
    static void OnDrop(GLFWwindow* window, int count, const char** paths);
    float PixelScale() const;

    GLFWwindow* window_ = nullptr;
    WindowEvents* events_ = nullptr;
};

}  // namespace vgxtool
