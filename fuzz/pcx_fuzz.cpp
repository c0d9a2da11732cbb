// Any bytes as a PCX file: the reader must answer with a file or nothing, never
// crash, read out of bounds or allocate beyond what the bytes can describe.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/pcx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto file = vgx::image::ParsePcx(std::span<const uint8_t>(data, size));
    if (file && file->data.size() > size * 64) __builtin_trap();  // runs cannot expand past 63 bytes per 2
    return 0;
}
