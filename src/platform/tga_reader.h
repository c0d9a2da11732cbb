#pragma once
// Truevision TGA: colour-mapped, true-colour and grey images (types 1, 2, 3) and
// their run-length forms (9, 10, 11), 8, 15, 16, 24 and 32 bits a pixel, any of the
// four origins. Our own reader because stb_image mishandles colour maps that do not
// start at entry 0, 16-bit alpha and right-to-left rows.
#include <cstdint>
#include <optional>
#include <span>

#include "platform/image_decode.h"

namespace vgx::image {

// std::nullopt for an unknown type or depth, a zero or oversized picture, or data
// that ends early.
std::optional<Picture> DecodeTga(std::span<const uint8_t> file);

}  // namespace vgx::image
