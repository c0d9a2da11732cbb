#pragma once
// GIF through giflib: the first image of the file on its logical screen, its
// transparent colour as alpha 0.
#include <cstdint>
#include <optional>
#include <span>

#include "platform/image_decode.h"

namespace vgx::image {

// std::nullopt for data giflib refuses, a screen of zero or oversized size, a
// file without an image or without a colour table for it, an image outside its
// screen, or image data that ends early.
std::optional<Picture> DecodeGif(std::span<const uint8_t> file);

}  // namespace vgx::image
