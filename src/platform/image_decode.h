#pragma once
// Image files to pixel arrays: one entry point that picks the decoder by the file's
// extension, the resampling to a requested size, and the few helpers the format
// readers share.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vgx::image {

// 0xAARRGGBB pixels, row by row from the top, `width` per row.
struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

// Decodes by the upper-cased extension: BMP, PNG (stb_image), JPG (libjpeg-turbo),
// GIF (giflib), TGA, DDS, PCX (our readers), TIF and TIFF (libtiff). std::nullopt when the file is missing,
// unreadable, or not a picture this format can hold.
std::optional<Picture> DecodeFile(const std::string& path);

// An image held in memory (one embedded in a scene file), by its signature: PNG,
// JPEG, GIF, BMP and DDS; std::nullopt for anything else or a broken image.
std::optional<Picture> DecodeBytes(std::span<const uint8_t> bytes);

// The picture resampled to width x height with stb_image_resize's default filters,
// straight (not premultiplied) alpha; the same picture when the size already
// matches. Raises 5 for a size below 1 or above kMaxResizeSide, or a picture whose
// pixel count does not match its size.
inline constexpr int32_t kMaxResizeSide = 16384;
Picture Resize(const Picture& picture, int32_t width, int32_t height);

// Limits every decoder checks before it allocates, so a lying header cannot ask
// for gigabytes: 1 to 16384 pixels a side and at most 64 M pixels in all.
inline constexpr int64_t kMaxDecodeSide = 16384;
inline constexpr int64_t kMaxDecodePixels = int64_t{1} << 26;
bool IsDecodableSize(int64_t width, int64_t height);

// Packs straight 8-bit channels into 0xAARRGGBB.
constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Little-endian fields of a file already known to be long enough.
inline uint16_t ReadU16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
inline uint32_t ReadU32(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint32_t>(ReadU16(bytes, at)) | (static_cast<uint32_t>(ReadU16(bytes, at + 2)) << 16);
}

// The whole file; std::nullopt when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);

}  // namespace vgx::image
