#pragma once
// ZSoft PCX, read the way the library always has: every file run-length decoded
// plane by plane, and only 8-bit files of three or four planes (red, green, blue
// and an unused fourth) become pictures.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/image_decode.h"

namespace vgx::image {

// The 128-byte header, little-endian.
struct PcxHeader {
    uint8_t manufacturer = 0, version = 0, encoding = 0, bitsPerPixel = 0;
    int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int16_t horizontalResolution = 0, verticalResolution = 0;
    std::array<uint8_t, 48> palette{};
    uint8_t reserved = 0, planes = 0;
    int16_t bytesPerLine = 0, paletteInfo = 0;
};

struct PcxFile {
    PcxHeader header;
    // (yMax - yMin + 1) rows of `planes` planes of `bytesPerLine` bytes each.
    std::vector<uint8_t> data;
    // What follows the image data, as 4-byte little-endian entries; a partial
    // last entry is dropped.
    std::vector<uint32_t> trailingPalette;
};

// Reads the header and run-length decodes the planes: a byte with both top bits
// set repeats the next byte (its low six bits) times, any other byte stands for
// itself. std::nullopt when the file is missing, shorter than its header, its
// sizes are not positive or more than the file could hold, or the data ends early.
std::optional<PcxFile> ReadPcxFile(const std::string& path);
std::optional<PcxFile> ParsePcx(std::span<const uint8_t> file);

enum class PcxStatus {
    Loaded,
    Unreadable,
    // Fewer than three planes, or not 8 bits a plane: the caller tells the user
    // that PCX files must be 24 or 32-bit colour.
    NotTrueColour,
};

struct PcxPicture {
    PcxStatus status = PcxStatus::Unreadable;
    Picture picture;  // opaque; filled only when Loaded
};

PcxPicture LoadPcx(const std::string& path);

}  // namespace vgx::image
