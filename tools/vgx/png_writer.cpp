#include "png_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/png_encode.h"
#include "tool_error.h"

namespace vgxtool {

void WritePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgb) {
    const std::vector<uint8_t> bytes = vgx::image::EncodePng(width, height, 3, rgb.data());
    // Same folder as the target, so the rename cannot cross file systems.
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    errno = 0;
    {
        std::ofstream file(temporary, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (bytes.empty() || !file.flush()) {
            const std::string reason = errno ? std::strerror(errno) : "write failed";
            std::remove(temporary.c_str());
            throw ToolError(path + ": cannot be written (" + reason + ")");
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw ToolError(path + ": cannot be written (" + reason + ")");
    }
}

}  // namespace vgxtool
