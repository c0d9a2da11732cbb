#pragma once
// DirectDraw surfaces: the top level of an uncompressed RGB, RGBA or luminance
// surface described by channel masks, or of a DXT1, DXT3 or DXT5 surface.
#include <cstdint>
#include <optional>
#include <span>

#include "platform/image_decode.h"

namespace vgx::image {

// std::nullopt for a bad magic or header size, a pixel format outside those above,
// a zero or oversized picture, or data shorter than the top level.
std::optional<Picture> DecodeDds(std::span<const uint8_t> file);

}  // namespace vgx::image
