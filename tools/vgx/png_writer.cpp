#include "png_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tool_error.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace vgxtool {

void WritePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgb) {
    // Same folder as the target, so the rename cannot cross file systems.
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    errno = 0;
    if (!stbi_write_png(temporary.c_str(), width, height, 3, rgb.data(), width * 3)) {
        const std::string reason = errno ? std::strerror(errno) : "write failed";
        std::remove(temporary.c_str());
        throw ToolError(path + ": cannot be written (" + reason + ")");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw ToolError(path + ": cannot be written (" + reason + ")");
    }
}

}  // namespace vgxtool
