#pragma once
// A failure the person running the tool can fix (bad file, bad option): reported
// in one line on stderr with exit code 2, unlike a fault inside the library.
#include <stdexcept>
#include <string>

namespace vgxtool {

struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace vgxtool
