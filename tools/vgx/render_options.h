#pragma once
// The options of `vgx render`, read from the command line.
#include <vgx/VgxEnums.h>

#include <cstdint>
#include <string>

namespace vgxtool {

struct RenderOptions {
    std::string input;   // a primitive name or a scene file
    std::string output;  // the PNG to write
    int32_t width = 512;
    int32_t height = 512;
    int32_t smoothing = 0;
    int32_t reducePercent = 100;  // of each object's vertices; 100 leaves them as they are
    VgxAxis mirror = VgxAxisNone;
    bool wireframe = false;
    float yawDegrees = 30;
    float pitchDegrees = 25;
};

// The largest picture side, as the image readers of the library accept.
constexpr int32_t kMaxPictureSide = 16384;

// Raises ToolError for a missing, unknown or out-of-range option.
RenderOptions ParseRenderOptions(int argc, char** argv);

}  // namespace vgxtool
