// Any bytes as an image file of the format this target was built for (BMP, JPG,
// GIF, PNG or TIF: the decoders we do not own, reached through our one decoding
// entry): a picture or nothing, within the size limits we put in front of them.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "platform/image_decode.h"
#include "platform/os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The decoders read files; one private file serves every input of this process.
    static vgx::platform::TemporaryFiles temporary;
    static const std::string path = temporary.Add("fuzz", VGX_FUZZ_EXTENSION);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    const auto picture = vgx::image::DecodeFile(path);
    if (picture && (!vgx::image::IsDecodableSize(picture->width, picture->height) ||
                    picture->pixels.size() != static_cast<size_t>(picture->width) * picture->height))
        __builtin_trap();
    return 0;
}
