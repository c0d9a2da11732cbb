#include "platform/pcx_reader.h"

#include <algorithm>
#include <cstring>

namespace vgx::image {
namespace {

constexpr size_t kHeaderSize = 128;
// A two-byte run writes at most 63 bytes, so no file decodes to more than 32 bytes
// for each of its own.
constexpr int64_t kMostDecodedBytesPerFileByte = 32;
// Room for four planes of the largest picture we decode.
constexpr int64_t kMostDecodedBytes = 4 * kMaxDecodePixels;

int16_t ReadI16(std::span<const uint8_t> bytes, size_t at) { return static_cast<int16_t>(ReadU16(bytes, at)); }

PcxHeader ParseHeader(std::span<const uint8_t> file) {
    PcxHeader header;
    header.manufacturer = file[0];
    header.version = file[1];
    header.encoding = file[2];
    header.bitsPerPixel = file[3];
    header.xMin = ReadI16(file, 4);
    header.yMin = ReadI16(file, 6);
    header.xMax = ReadI16(file, 8);
    header.yMax = ReadI16(file, 10);
    header.horizontalResolution = ReadI16(file, 12);
    header.verticalResolution = ReadI16(file, 14);
    std::memcpy(header.palette.data(), &file[16], header.palette.size());
    header.reserved = file[64];
    header.planes = file[65];
    header.bytesPerLine = ReadI16(file, 66);
    header.paletteInfo = ReadI16(file, 68);
    return header;
}

// Decodes runs from `file` at `at` until `out` is full; false when the file ends first.
bool DecodeRuns(std::span<const uint8_t> file, size_t& at, std::vector<uint8_t>& out) {
    size_t written = 0;
    while (written < out.size()) {
        if (at >= file.size()) return false;
        const uint8_t code = file[at++];
        if ((code & 0xC0) == 0xC0) {
            if (at >= file.size()) return false;
            // A run that overshoots the last row is cut there.
            const size_t count = std::min<size_t>(code & 0x3F, out.size() - written);
            std::fill_n(out.begin() + static_cast<ptrdiff_t>(written), count, file[at++]);
            written += count;
        } else {
            out[written++] = code;
        }
    }
    return true;
}

}  // namespace

std::optional<PcxFile> ParsePcx(std::span<const uint8_t> file) {
    if (file.size() < kHeaderSize) return std::nullopt;
    PcxFile pcx{ParseHeader(file), {}, {}};
    const PcxHeader& header = pcx.header;
    const int64_t rows = int64_t{header.yMax} - header.yMin + 1;
    const int64_t decodedBytes = rows * header.bytesPerLine * header.planes;
    const auto fileBytes = static_cast<int64_t>(file.size() - kHeaderSize);
    if (rows <= 0 || header.bytesPerLine <= 0 || header.planes == 0 || decodedBytes > kMostDecodedBytes ||
        decodedBytes > fileBytes * kMostDecodedBytesPerFileByte)
        return std::nullopt;

    pcx.data.resize(static_cast<size_t>(decodedBytes));
    size_t at = kHeaderSize;
    if (!DecodeRuns(file, at, pcx.data)) return std::nullopt;
    pcx.trailingPalette.resize((file.size() - at) / 4);
    for (size_t i = 0; i < pcx.trailingPalette.size(); ++i) pcx.trailingPalette[i] = ReadU32(file, at + i * 4);
    return pcx;
}

std::optional<PcxFile> ReadPcxFile(const std::string& path) {
    const auto file = ReadWholeFile(path);
    if (!file) return std::nullopt;
    return ParsePcx(*file);
}

PcxPicture LoadPcx(const std::string& path) {
    const auto pcx = ReadPcxFile(path);
    if (!pcx) return {};
    const PcxHeader& header = pcx->header;
    if (header.planes < 3 || header.bitsPerPixel != 8) return {PcxStatus::NotTrueColour, {}};
    const int64_t width = int64_t{header.xMax} - header.xMin + 1;
    const int64_t height = int64_t{header.yMax} - header.yMin + 1;
    // Each plane's row must hold the whole width, or columns would read the next plane.
    if (width > header.bytesPerLine || !IsDecodableSize(width, height)) return {};

    Picture picture{static_cast<int32_t>(width), static_cast<int32_t>(height),
                    std::vector<uint32_t>(static_cast<size_t>(width * height))};
    const auto planeBytes = static_cast<size_t>(header.bytesPerLine);
    const size_t rowBytes = planeBytes * header.planes;
    for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
        const uint8_t* red = &pcx->data[y * rowBytes];
        const uint8_t* green = red + planeBytes;
        const uint8_t* blue = green + planeBytes;
        uint32_t* out = &picture.pixels[y * static_cast<size_t>(width)];
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) out[x] = Argb(255, red[x], green[x], blue[x]);
    }
    return {PcxStatus::Loaded, std::move(picture)};
}

}  // namespace vgx::image
