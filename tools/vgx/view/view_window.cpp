#include "view_window.h"

#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

namespace vgxtool {
namespace {

std::string lastGlfwError;

void KeepGlfwError(int, const char* description) { lastGlfwError = description; }

}  // namespace

ViewWindow::ViewWindow(int32_t width, int32_t height, int32_t samples, const std::string& title) {
    glfwSetErrorCallback(KeepGlfwError);
    if (!glfwInit()) throw NoDisplay("no display to open a window on (" + lastGlfwError + ")");
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_SAMPLES, samples);
    window_ = glfwCreateWindow(width, height, title.c_str(), nullptr, nullptr);
    if (!window_) {
        glfwTerminate();
        throw std::runtime_error("OpenGL 3.3 core window: " + lastGlfwError);
    }
    glfwMakeContextCurrent(window_);
    glfwSwapInterval(1);
    glfwSetWindowUserPointer(window_, this);
    glfwSetMouseButtonCallback(window_, OnButton);
    glfwSetCursorPosCallback(window_, OnMove);
    glfwSetScrollCallback(window_, OnScroll);
    glfwSetKeyCallback(window_, OnKey);
    glfwSetDropCallback(window_, OnDrop);
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    // No imgui.ini beside wherever the viewer was started.
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::StyleColorsDark();
    // Chains to the callbacks installed above, which then skip what the panel takes.
    ImGui_ImplGlfw_InitForOpenGL(window_, true);
    ImGui_ImplOpenGL3_Init("#version 330 core");
}

ViewWindow::~ViewWindow() {
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
    glfwDestroyWindow(window_);
    glfwTerminate();
}

void ViewWindow::OnButton(GLFWwindow* window, int button, int action, int mods) {
    auto& self = *static_cast<ViewWindow*>(glfwGetWindowUserPointer(window));
    if (!self.events_) return;
    // A release always passes, so a drag that ends over the panel still ends.
    if (action == GLFW_PRESS && ImGui::GetIO().WantCaptureMouse) return;
    double x = 0, y = 0;
    glfwGetCursorPos(window, &x, &y);
    const float scale = self.PixelScale();
    self.events_->Button(button, action, mods, static_cast<float>(x) * scale, static_cast<float>(y) * scale);
}

void ViewWindow::OnMove(GLFWwindow* window, double x, double y) {
    auto& self = *static_cast<ViewWindow*>(glfwGetWindowUserPointer(window));
    // Over the panel nothing is picked; a drag begun over the scene keeps the mouse.
    if (!self.events_ || ImGui::GetIO().WantCaptureMouse) return;
    const float scale = self.PixelScale();
    self.events_->Move(static_cast<float>(x) * scale, static_cast<float>(y) * scale);
}

void ViewWindow::OnScroll(GLFWwindow* window, double, double dy) {
    WindowEvents* events = static_cast<ViewWindow*>(glfwGetWindowUserPointer(window))->events_;
    if (events && !ImGui::GetIO().WantCaptureMouse) events->Scroll(static_cast<float>(dy));
}

void ViewWindow::OnKey(GLFWwindow* window, int key, int, int action, int mods) {
    WindowEvents* events = static_cast<ViewWindow*>(glfwGetWindowUserPointer(window))->events_;
    if (events && action != GLFW_RELEASE && !ImGui::GetIO().WantCaptureKeyboard) events->Key(key, mods);
}

void ViewWindow::OnDrop(GLFWwindow* window, int count, const char** paths) {
    // One scene at a time: the first file dropped.
    WindowEvents* events = static_cast<ViewWindow*>(glfwGetWindowUserPointer(window))->events_;
    if (events && count > 0) events->Drop(paths[0]);
}

float ViewWindow::PixelScale() const {
    int windowWidth = 0, windowHeight = 0, framebufferWidth = 0, framebufferHeight = 0;
    glfwGetWindowSize(window_, &windowWidth, &windowHeight);
    glfwGetFramebufferSize(window_, &framebufferWidth, &framebufferHeight);
    return windowWidth > 0 ? static_cast<float>(framebufferWidth) / static_cast<float>(windowWidth) : 1;
}

void ViewWindow::FramebufferSize(int32_t& width, int32_t& height) const {
    glfwGetFramebufferSize(window_, &width, &height);
}

void ViewWindow::BeginFrame() {
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();
}

void ViewWindow::DrawInterface() {
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

void ViewWindow::Present() { glfwSwapBuffers(window_); }

}  // namespace vgxtool
