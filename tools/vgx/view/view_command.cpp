// vgx view: the interactive modeller window over the library.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#include <GLFW/glfw3.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "../commands.h"
#include "../gl_context.h"
#include "../png_writer.h"
#include "../tool_error.h"
#include "view_input.h"
#include "view_panel.h"
#include "view_script.h"
#include "view_window.h"
#include "viewer.h"

namespace vgxtool {
namespace {

struct ViewOptions {
    std::string input;
    std::string script;
    int32_t width = 1280, height = 800;
    // Software OpenGL (llvmpipe) draws about twice as fast without.
    int32_t samples = 4;
};

ViewOptions ParseViewOptions(int argc, char** argv) {
    ViewOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--script" || argument == "--size" || argument == "--samples") && i + 1 == argc) {
            throw ToolError(argument + ": missing its value");
        }
        if (argument == "--script") {
            options.script = argv[++i];
        } else if (argument == "--size") {
            const std::string size = argv[++i];
            if (std::sscanf(size.c_str(), "%dx%d", &options.width, &options.height) != 2 || options.width < 64 ||
                options.height < 64 || options.width > 8192 || options.height > 8192) {
                throw ToolError("--size " + size + ": expected WxH, 64 to 8192 a side");
            }
        } else if (argument == "--samples") {
            const std::string samples = argv[++i];
            if (std::sscanf(samples.c_str(), "%d", &options.samples) != 1 || options.samples < 0 ||
                options.samples > 16) {
                throw ToolError("--samples " + samples + ": expected 0 to 16");
            }
        } else if (argument.starts_with("-")) {
            throw ToolError(argument + ": unknown option");
        } else if (options.input.empty()) {
            options.input = argument;
        } else {
            throw ToolError(argument + ": only one file");
        }
    }
    return options;
}

// Frames drawn over the last second, for the status line.
class FrameCounter {
public:
    void Tick() {
        ++frames_;
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - start_).count();
        if (seconds >= 1) {
            perSecond_ = frames_ / seconds;
            frames_ = 0;
            start_ = now;
        }
    }
    double PerSecond() const { return perSecond_; }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    int frames_ = 0;
    double perSecond_ = 0;
};

int View(const ViewOptions& options) {
    const std::vector<ScriptLine> script =
        options.script.empty() ? std::vector<ScriptLine>{} : ReadScript(options.script);
    std::unique_ptr<ViewWindow> window;
    try {
        window = std::make_unique<ViewWindow>(options.width, options.height, options.samples, "vgx view");
    } catch (const NoDisplay& error) {
        std::fprintf(stderr, "vgx view: %s\n", error.what());
        return 2;
    }
    int32_t width = 0, height = 0;
    window->FramebufferSize(width, height);
    Viewer viewer(width, height);
    ViewInput input(viewer);
    ViewPanel panel;
    window->Listen(input);
    if (!options.input.empty()) viewer.Open(options.input);

    FrameCounter frames;
    size_t nextLine = 0;
    bool quit = false;
    while (!quit && !glfwWindowShouldClose(window->Handle())) {
        glfwPollEvents();
        ScriptStep step;
        if (nextLine < script.size()) {
            const ScriptLine& line = script[nextLine++];
            step = PlayScriptLine(line, viewer, input);
            std::printf("%d %s: %s\n", line.number, line.words[0].c_str(), viewer.StatusLine().c_str());
            std::fflush(stdout);
        }
        window->FramebufferSize(width, height);
        viewer.Resize(width, height);
        glViewport(0, 0, width, height);
        viewer.Draw();
        // The scene as drawn, without the panel over it unless asked.
        if (step.screenshot && !step.withPanel)
            WritePng(*step.screenshot, width, height, ReadFramebufferRgb(width, height));
        window->BeginFrame();
        int32_t windowWidth = 0, windowHeight = 0;
        glfwGetWindowSize(window->Handle(), &windowWidth, &windowHeight);
        panel.Draw(viewer, windowWidth, windowHeight);
        window->DrawInterface();
        if (step.screenshot && step.withPanel)
            WritePng(*step.screenshot, width, height, ReadFramebufferRgb(width, height));
        window->Present();
        frames.Tick();
        viewer.SetFramesPerSecond(frames.PerSecond());
        quit = step.quit;
    }
    return 0;
}

}  // namespace

int RunView(int argc, char** argv) { return View(ParseViewOptions(argc, argv)); }

}  // namespace vgxtool
