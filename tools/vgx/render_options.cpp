#include "render_options.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "tool_error.h"

namespace vgxtool {
namespace {

template <class Number>
bool ParseNumber(std::string_view text, Number& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && stop == end;
}

// "A<separator>B" as two numbers.
template <class Number>
bool ParsePair(std::string_view text, char separator, Number& first, Number& second) {
    const size_t split = text.find(separator);
    return split != std::string_view::npos && ParseNumber(text.substr(0, split), first) &&
           ParseNumber(text.substr(split + 1), second);
}

void ParseSize(std::string_view text, RenderOptions& options) {
    if (!ParsePair(text, 'x', options.width, options.height)) {
        throw ToolError("--size " + std::string(text) + ": expected WIDTHxHEIGHT");
    }
    for (int32_t side : {options.width, options.height}) {
        if (side < 1 || side > kMaxPictureSide) {
            throw ToolError("--size " + std::string(text) + ": each side must be 1 to " +
                            std::to_string(kMaxPictureSide));
        }
    }
}

VgxAxis ParseAxis(std::string_view text) {
    if (text == "x") return VgxAxisX;
    if (text == "y") return VgxAxisY;
    if (text == "z") return VgxAxisZ;
    throw ToolError("--mirror " + std::string(text) + ": expected x, y or z");
}

}  // namespace

RenderOptions ParseRenderOptions(int argc, char** argv) {
    RenderOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        // Every option but --wireframe takes the next argument.
        auto value = [&]() -> std::string_view {
            if (i + 1 >= argc) throw ToolError(std::string(arg) + ": missing value");
            return argv[++i];
        };
        if (arg == "-o") {
            options.output = value();
        } else if (arg == "--size") {
            ParseSize(value(), options);
        } else if (arg == "--smooth") {
            const std::string_view text = value();
            if (!ParseNumber(text, options.smoothing) || options.smoothing < 0 || options.smoothing > 4) {
                throw ToolError("--smooth " + std::string(text) + ": expected a level from 0 to 4");
            }
        } else if (arg == "--reduce") {
            const std::string_view text = value();
            if (!ParseNumber(text, options.reducePercent) || options.reducePercent < 0 || options.reducePercent > 100) {
                throw ToolError("--reduce " + std::string(text) + ": expected a percentage from 0 to 100");
            }
        } else if (arg == "--mirror") {
            options.mirror = ParseAxis(value());
        } else if (arg == "--wireframe") {
            options.wireframe = true;
        } else if (arg == "--view") {
            const std::string_view text = value();
            if (!ParsePair(text, ',', options.yawDegrees, options.pitchDegrees) || !std::isfinite(options.yawDegrees) ||
                !(std::abs(options.pitchDegrees) <= 89)) {
                throw ToolError("--view " + std::string(text) + ": expected YAW,PITCH in degrees, pitch within 89");
            }
        } else if (arg.starts_with("-")) {
            throw ToolError(std::string(arg) + ": unknown option");
        } else if (options.input.empty()) {
            options.input = arg;
        } else {
            throw ToolError(std::string(arg) + ": only one scene can be rendered");
        }
    }
    if (options.input.empty()) throw ToolError("render: no primitive or scene file given");
    if (options.output.empty()) throw ToolError(options.input + ": no output file given (-o OUT.png)");
    return options;
}

}  // namespace vgxtool
