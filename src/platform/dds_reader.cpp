#include "platform/dds_reader.h"

#include <squish.h>

#include <bit>
#include <vector>

namespace vgx::image {
namespace {

constexpr size_t kDataStart = 4 + 124;
constexpr uint32_t kHeaderSize = 124, kPixelFormatSize = 32;
constexpr uint32_t kAlphaPixels = 0x1, kFourCC = 0x4, kRgb = 0x40, kLuminance = 0x20000;

constexpr uint32_t FourCC(const char (&code)[5]) {
    return static_cast<uint32_t>(code[0]) | (static_cast<uint32_t>(code[1]) << 8) |
           (static_cast<uint32_t>(code[2]) << 16) | (static_cast<uint32_t>(code[3]) << 24);
}

struct DdsHeader {
    uint32_t height, width, formatFlags, fourCC, bitCount, redMask, greenMask, blueMask, alphaMask;
};

// One channel of an uncompressed pixel, scaled from its mask's range to 0..255.
class Channel {
public:
    Channel(uint32_t mask, uint32_t absent) : mask_(mask), absent_(absent) {
        if (mask != 0) {
            shift_ = std::countr_zero(mask);
            top_ = mask >> shift_;
        }
    }
    uint32_t From(uint32_t pixel) const {
        if (mask_ == 0) return absent_;
        return static_cast<uint32_t>((uint64_t{(pixel & mask_) >> shift_} * 255 + top_ / 2) / top_);
    }

private:
    uint32_t mask_, absent_, shift_ = 0, top_ = 1;
};

bool FitsBits(uint32_t mask, uint32_t bits) { return bits >= 32 || (mask >> bits) == 0; }

std::optional<Picture> DecodeMasked(const DdsHeader& header, std::span<const uint8_t> data) {
    const bool luminance = (header.formatFlags & kLuminance) != 0;
    const uint32_t bits = header.bitCount;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
    if (luminance && bits > 16) return std::nullopt;
    // Writers disagree about the mask of 8-bit luminance; the whole byte is meant.
    const uint32_t redMask = luminance && bits == 8 ? 0xFF : header.redMask;
    const uint32_t greenMask = luminance ? redMask : header.greenMask;
    const uint32_t blueMask = luminance ? redMask : header.blueMask;
    const uint32_t alphaMask = (header.formatFlags & kAlphaPixels) ? header.alphaMask : 0;
    if ((redMask | greenMask | blueMask) == 0) return std::nullopt;
    for (uint32_t mask : {redMask, greenMask, blueMask, alphaMask})
        if (!FitsBits(mask, bits)) return std::nullopt;

    const size_t pixelBytes = bits / 8;
    const size_t count = size_t{header.width} * header.height;
    if (data.size() / pixelBytes < count) return std::nullopt;
    const Channel red(redMask, 0), green(greenMask, 0), blue(blueMask, 0), alpha(alphaMask, 255);
    Picture picture{static_cast<int32_t>(header.width), static_cast<int32_t>(header.height),
                    std::vector<uint32_t>(count)};
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* bytes = &data[i * pixelBytes];
        uint32_t pixel = 0;
        for (size_t b = 0; b < pixelBytes; ++b) pixel |= static_cast<uint32_t>(bytes[b]) << (8 * b);
        picture.pixels[i] = Argb(alpha.From(pixel), red.From(pixel), green.From(pixel), blue.From(pixel));
    }
    return picture;
}

std::optional<Picture> DecodeCompressed(const DdsHeader& header, std::span<const uint8_t> data) {
    int flags = 0;
    switch (header.fourCC) {
        case FourCC("DXT1"): flags = squish::kDxt1; break;
        case FourCC("DXT3"): flags = squish::kDxt3; break;
        case FourCC("DXT5"): flags = squish::kDxt5; break;
        default: return std::nullopt;
    }
    const size_t blockBytes = header.fourCC == FourCC("DXT1") ? 8 : 16;
    const size_t blocks = size_t{(header.width + 3) / 4} * ((header.height + 3) / 4);
    if (data.size() / blockBytes < blocks) return std::nullopt;

    const auto width = static_cast<int>(header.width), height = static_cast<int>(header.height);
    std::vector<uint8_t> rgba(size_t{header.width} * header.height * 4);
    squish::DecompressImage(rgba.data(), width, height, data.data(), flags);
    Picture picture{width, height, std::vector<uint32_t>(rgba.size() / 4)};
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const uint8_t* p = &rgba[i * 4];
        picture.pixels[i] = Argb(p[3], p[0], p[1], p[2]);
    }
    return picture;
}

}  // namespace

std::optional<Picture> DecodeDds(std::span<const uint8_t> file) {
    if (file.size() < kDataStart || ReadU32(file, 0) != FourCC("DDS ") || ReadU32(file, 4) != kHeaderSize ||
        ReadU32(file, 76) != kPixelFormatSize)
        return std::nullopt;
    const DdsHeader header{ReadU32(file, 12), ReadU32(file, 16), ReadU32(file, 80),
                           ReadU32(file, 84), ReadU32(file, 88), ReadU32(file, 92),
                           ReadU32(file, 96), ReadU32(file, 100), ReadU32(file, 104)};
    if (!IsDecodableSize(header.width, header.height)) return std::nullopt;

    const std::span<const uint8_t> data = file.subspan(kDataStart);
    if (header.formatFlags & kFourCC) return DecodeCompressed(header, data);
    if (header.formatFlags & (kRgb | kLuminance)) return DecodeMasked(header, data);
    return std::nullopt;
}

}  // namespace vgx::image
