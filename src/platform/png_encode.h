#pragma once
// Pictures encoded as PNG files in memory (stb_image_write).
#include <cstdint>
#include <vector>

#include "platform/image_decode.h"

namespace vgx::image {

// `channels` bytes per pixel (3: RGB, 4: RGBA), rows from the top.
std::vector<uint8_t> EncodePng(int32_t width, int32_t height, int channels, const uint8_t* pixels);
// A picture of 0xAARRGGBB pixels, alpha kept.
std::vector<uint8_t> EncodePng(const Picture& picture);

}  // namespace vgx::image
