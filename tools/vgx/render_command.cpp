// vgx render: draws a scene with OpenGL off-screen and writes it as a PNG.
#include <chrono>
#include <cstdio>

#include "commands.h"
#include "draw_list.h"
#include "gl_context.h"
#include "png_writer.h"
#include "progress_line.h"
#include "render_options.h"
#include "scene_camera.h"
#include "scene_renderer.h"
#include "scene_source.h"
#include "scene_walk.h"
#include "tool_error.h"

namespace vgxtool {
namespace {

constexpr int32_t kFillModes = VgxFillWireframe | VgxFillSolid | VgxFillPoints | VgxFillOutline | VgxFillCartoon;

// The display settings of the command line, on every object of the scene.
void ApplyDisplaySettings(const std::shared_ptr<VgxGroup>& scene, const RenderOptions& options) {
    ForEachObject(scene, [&](VgxObject& object, const VgxMatrix&) {
        if (options.reducePercent != 100) {
            ProgressLine progress("reducing " + object.GetName());
            object.Reduce(options.reducePercent);
        }
        object.SetSmoothingLevel(options.smoothing);
        object.SetMirrorAxis(options.mirror);
        if (options.wireframe) object.SetQuality((object.GetQuality() & ~kFillModes) | VgxFillWireframe);
    });
}

int64_t CountPrimitives(const std::vector<DrawObject>& drawList) {
    int64_t count = 0;
    for (const DrawObject& object : drawList) {
        for (const DrawBatch& batch : object.batches) {
            count += batch.indexCount / (batch.kind == PrimitiveKind::Triangles ? 3 : 2);
        }
    }
    return count;
}

int Render(const RenderOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> scene;
    {
        ProgressLine progress("loading " + options.input);
        scene = LoadScene(*root, options.input);
    }
    ApplyDisplaySettings(scene, options);

    const auto device = std::make_shared<VgxSoftwareDevice>();
    std::vector<DrawObject> drawList;
    {
        ProgressLine progress("building the render buffers");
        drawList = CollectDrawList(*root, scene, root->CreateDeviceID(), device, options.wireframe);
    }
    const std::optional<VgxBox> bounds = SceneBounds(scene);
    if (drawList.empty() || !bounds) throw ToolError(options.input + ": nothing to draw");
    const Camera camera = FrameBox(*bounds, options.yawDegrees, options.pitchDegrees,
                                   static_cast<float>(options.width) / static_cast<float>(options.height));

    GlOffscreen target(options.width, options.height);
    SceneRenderer renderer;
    target.Bind();
    renderer.Clear();
    renderer.Draw(GlDrawList(drawList), camera);
    WritePng(options.output, options.width, options.height, target.ReadPixels());

    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %lld %s of %zu object%s drawn at %dx%d in %.0f ms into %s\n", options.input.c_str(),
                static_cast<long long>(CountPrimitives(drawList)), options.wireframe ? "lines" : "triangles",
                drawList.size(), drawList.size() == 1 ? "" : "s", options.width, options.height, milliseconds,
                options.output.c_str());
    return 0;
}

}  // namespace

int RunRender(int argc, char** argv) { return Render(ParseRenderOptions(argc, argv)); }

}  // namespace vgxtool
