#pragma once
// JPEG through libjpeg-turbo: baseline and progressive, grey, YCbCr, RGB, and
// Adobe CMYK or YCCK brought to RGB. Opaque pixels.
#include <cstdint>
#include <optional>
#include <span>

#include "platform/image_decode.h"

namespace vgx::image {

// std::nullopt for data libjpeg refuses, a zero or oversized picture, or a file
// that ends before its last scan.
std::optional<Picture> DecodeJpeg(std::span<const uint8_t> file);

}  // namespace vgx::image
