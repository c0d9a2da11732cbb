#include "platform/png_encode.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace vgx::image {

std::vector<uint8_t> EncodePng(int32_t width, int32_t height, int channels, const uint8_t* pixels) {
    std::vector<uint8_t> out;
    const auto append = [](void* context, void* data, int size) {
        auto& bytes = *static_cast<std::vector<uint8_t>*>(context);
        const auto* begin = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), begin, begin + size);
    };
    if (!stbi_write_png_to_func(append, &out, width, height, channels, pixels, width * channels)) return {};
    return out;
}

std::vector<uint8_t> EncodePng(const Picture& picture) {
    std::vector<uint8_t> rgba(picture.pixels.size() * 4);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const uint32_t p = picture.pixels[i];
        rgba[4 * i] = static_cast<uint8_t>(p >> 16);
        rgba[4 * i + 1] = static_cast<uint8_t>(p >> 8);
        rgba[4 * i + 2] = static_cast<uint8_t>(p);
        rgba[4 * i + 3] = static_cast<uint8_t>(p >> 24);
    }
    return EncodePng(picture.width, picture.height, 4, rgba.data());
}

}  // namespace vgx::image
