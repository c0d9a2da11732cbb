// Any bytes as a DDS file: a picture or nothing, within the decoder's size limits.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/dds_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto picture = vgx::image::DecodeDds(std::span<const uint8_t>(data, size));
    if (picture && !vgx::image::IsDecodableSize(picture->width, picture->height)) __builtin_trap();
    return 0;
}
