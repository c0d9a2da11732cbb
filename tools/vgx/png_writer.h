#pragma once
// Writes a picture as a PNG so that the file appears whole or not at all.
#include <cstdint>
#include <string>
#include <vector>

namespace vgxtool {

// `rgb`: width x height pixels of three bytes, rows from the top. The bytes go to
// a temporary file beside `path`, renamed over it once complete; raises ToolError
// naming `path` when it cannot be written.
void WritePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgb);

}  // namespace vgxtool
