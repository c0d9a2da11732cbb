#include "platform/tga_reader.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vgx::image {
namespace {

constexpr size_t kHeaderSize = 18;
// A run-length packet of two bytes or more yields at most 128 pixels, which
// bounds what a file of a given length can honestly describe.
constexpr int64_t kMostPixelsPerRunByte = 128;

enum class Kind { ColourMapped = 1, TrueColour = 2, Grey = 3 };

uint32_t Expand5(uint32_t value) { return (value << 3) | (value >> 2); }

// A 15/16/24/32-bit stored colour (blue first) as 0xAARRGGBB. 16-bit colour
// carries one attribute bit, which is alpha only when the descriptor counts
// alpha bits; 32-bit colour always carries its alpha byte, as files that count
// no alpha bits still fill it.
uint32_t StoredColour(const uint8_t* bytes, int bits, bool attributeIsAlpha) {
    switch (bits) {
        case 15:
        case 16: {
            const uint32_t value = bytes[0] | (bytes[1] << 8);
            const uint32_t alpha = (bits == 16 && attributeIsAlpha && !(value & 0x8000)) ? 0 : 255;
            return Argb(alpha, Expand5((value >> 10) & 31), Expand5((value >> 5) & 31), Expand5(value & 31));
        }
        case 24: return Argb(255, bytes[2], bytes[1], bytes[0]);
        default: return Argb(bytes[3], bytes[2], bytes[1], bytes[0]);
    }
}

bool IsColourDepth(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// Turns one stored pixel into 0xAARRGGBB for the file's kind and depth.
struct PixelFormat {
    Kind kind;
    int bits;
    bool attributeIsAlpha;
    // The colour map, already converted; entry 0 stands for the file's first index.
    std::vector<uint32_t> colourMap;
    uint32_t firstIndex = 0;

    size_t Bytes() const { return static_cast<size_t>(bits + 7) / 8; }

    uint32_t ToArgb(const uint8_t* bytes) const {
        switch (kind) {
            case Kind::Grey:
                return Argb(bits == 16 ? bytes[1] : 255, bytes[0], bytes[0], bytes[0]);
            case Kind::ColourMapped: {
                const uint32_t index = bits == 16 ? ReadU16({bytes, 2}, 0) : bytes[0];
                // An index outside the map has no colour: leave it transparent black.
                return index >= firstIndex && index - firstIndex < colourMap.size() ? colourMap[index - firstIndex] : 0;
            }
            default: return StoredColour(bytes, bits, attributeIsAlpha);
        }
    }
};

bool IsPixelDepth(Kind kind, int bits) {
    switch (kind) {
        case Kind::ColourMapped:
        case Kind::Grey: return bits == 8 || bits == 16;
        default: return IsColourDepth(bits);
    }
}

// Fills `pixels` in file order from uncompressed data known to be long enough.
void ReadRaw(std::span<const uint8_t> data, const PixelFormat& format, std::vector<uint32_t>& pixels) {
    const size_t stride = format.Bytes();
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = format.ToArgb(&data[i * stride]);
}

// Fills `pixels` in file order from run-length packets, which may run on from one
// row into the next; false when the data ends early.
bool ReadRunLength(std::span<const uint8_t> data, const PixelFormat& format, std::vector<uint32_t>& pixels) {
    const size_t stride = format.Bytes();
    size_t at = 0, written = 0;
    while (written < pixels.size()) {
        if (at >= data.size()) return false;
        const uint8_t packet = data[at++];
        const size_t count = std::min<size_t>((packet & 0x7F) + 1, pixels.size() - written);
        if (packet & 0x80) {
            if (data.size() - at < stride) return false;
            std::fill_n(pixels.begin() + static_cast<ptrdiff_t>(written), count, format.ToArgb(&data[at]));
            at += stride;
        } else {
            if ((data.size() - at) / stride < count) return false;
            for (size_t i = 0; i < count; ++i, at += stride) pixels[written + i] = format.ToArgb(&data[at]);
        }
        written += count;
    }
    return true;
}

// Rows from the bottom unless descriptor bit 5 says top; columns from the left
// unless bit 4 says right.
void ApplyOrigin(Picture& picture, uint8_t descriptor) {
    const auto width = static_cast<size_t>(picture.width);
    auto row = [&](size_t y) { return picture.pixels.begin() + static_cast<ptrdiff_t>(y * width); };
    if (!(descriptor & 0x20)) {
        for (size_t top = 0, bottom = static_cast<size_t>(picture.height) - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(row(top), row(top + 1), row(bottom));
    }
    if (descriptor & 0x10) {
        for (size_t y = 0; y < static_cast<size_t>(picture.height); ++y) std::reverse(row(y), row(y + 1));
    }
}

}  // namespace

std::optional<Picture> DecodeTga(std::span<const uint8_t> file) {
    if (file.size() < kHeaderSize) return std::nullopt;
    const uint8_t idLength = file[0], mapType = file[1], imageType = file[2];
    const uint16_t mapFirst = ReadU16(file, 3), mapLength = ReadU16(file, 5);
    const uint8_t mapEntryBits = file[7];
    const int32_t width = ReadU16(file, 12), height = ReadU16(file, 14);
    const uint8_t pixelBits = file[16], descriptor = file[17];

    const int kindCode = imageType & ~8;
    if ((imageType & ~11) != 0 || kindCode < 1 || kindCode > 3 || mapType > 1) return std::nullopt;
    PixelFormat format{static_cast<Kind>(kindCode), pixelBits, (descriptor & 0x0F) != 0, {}, mapFirst};
    if (!IsPixelDepth(format.kind, pixelBits) || !IsDecodableSize(width, height))
        return std::nullopt;

    size_t at = kHeaderSize + idLength;
    const size_t mapBytes = mapType == 1 ? size_t{mapLength} * ((mapEntryBits + 7u) / 8u) : 0;
    if (at + mapBytes > file.size()) return std::nullopt;
    if (format.kind == Kind::ColourMapped) {
        // A map is only read where pixels index it; true-colour and grey files skip theirs.
        if (mapType != 1 || !IsColourDepth(mapEntryBits)) return std::nullopt;
        format.colourMap.resize(mapLength);
        const size_t entryBytes = (mapEntryBits + 7u) / 8u;
        for (size_t i = 0; i < mapLength; ++i)
            format.colourMap[i] = StoredColour(&file[at + i * entryBytes], mapEntryBits, format.attributeIsAlpha);
    }
    at += mapBytes;

    const std::span<const uint8_t> data = file.subspan(at);
    const bool runLength = (imageType & 8) != 0;
    const int64_t pixelCount = int64_t{width} * height;
    const auto dataBytes = static_cast<int64_t>(data.size());
    const int64_t mostPixels =
        runLength ? dataBytes * kMostPixelsPerRunByte : dataBytes / static_cast<int64_t>(format.Bytes());
    if (pixelCount > mostPixels) return std::nullopt;

    Picture picture{width, height, std::vector<uint32_t>(static_cast<size_t>(pixelCount))};
    if (runLength) {
        if (!ReadRunLength(data, format, picture.pixels)) return std::nullopt;
    } else {
        ReadRaw(data, format, picture.pixels);
    }
    ApplyOrigin(picture, descriptor);
    return picture;
}

}  // namespace vgx::image
