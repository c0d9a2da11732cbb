#include "platform/image_decode.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/errors.h"
#include "platform/dds_reader.h"
#include "platform/gif_reader.h"
#include "platform/jpeg_reader.h"
#include "platform/pcx_reader.h"
#include "platform/tga_reader.h"

// stb_image is compiled here for BMP and PNG only: its JPEG and GIF decoders in
// this release read freed and unallocated memory on hostile files.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb/stb_image_resize.h>

namespace vgx::image {
namespace {

static_assert(STBI_MAX_DIMENSIONS == kMaxDecodeSide);
// The pixel bytes go to stb_image_resize as four channels with alpha last, which
// is where 0xAARRGGBB keeps it on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

// Feeds a file to stb_image and notes whether it asked for bytes past the end:
// stb reads those as zeros and would return a picture the file does not hold.
class StbSource {
public:
    explicit StbSource(std::span<const uint8_t> file) : file_(file) {}
    bool ReadPastEnd() const { return readPastEnd_; }

    static int Read(void* user, char* data, int size) {
        auto& source = *static_cast<StbSource*>(user);
        const size_t count = std::min(static_cast<size_t>(size), source.file_.size() - source.at_);
        if (count == 0 && size > 0) source.readPastEnd_ = true;
        std::copy_n(source.file_.begin() + static_cast<ptrdiff_t>(source.at_), count, data);
        source.at_ += count;
        return static_cast<int>(count);
    }
    static void Skip(void* user, int count) {
        auto& source = *static_cast<StbSource*>(user);
        source.at_ = std::min(source.at_ + static_cast<size_t>(std::max(count, 0)), source.file_.size());
    }
    static int AtEnd(void* user) {
        const auto& source = *static_cast<StbSource*>(user);
        return source.at_ == source.file_.size();
    }

private:
    std::span<const uint8_t> file_;
    size_t at_ = 0;
    bool readPastEnd_ = false;
};
constexpr stbi_io_callbacks kStbCallbacks{StbSource::Read, StbSource::Skip, StbSource::AtEnd};

std::optional<Picture> DecodeWithStb(std::span<const uint8_t> file) {
    if (file.size() > INT_MAX) return std::nullopt;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels) ||
        !IsDecodableSize(width, height))
        return std::nullopt;
    StbSource source(file);
    const std::unique_ptr<stbi_uc, decltype(&stbi_image_free)> rgba(
        stbi_load_from_callbacks(&kStbCallbacks, &source, &width, &height, &channels, 4), stbi_image_free);
    if (!rgba || source.ReadPastEnd()) return std::nullopt;
    Picture picture{width, height, std::vector<uint32_t>(size_t(width) * size_t(height))};
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const stbi_uc* p = &rgba.get()[i * 4];
        picture.pixels[i] = Argb(p[3], p[0], p[1], p[2]);
    }
    return picture;
}

// stb_image grows its buffer by the length a PNG chunk claims before it reads the
// chunk, so a file of a hundred bytes could ask for gigabytes: every chunk up to
// IEND must lie inside the file.
bool PngChunksFitFile(std::span<const uint8_t> file) {
    constexpr size_t kSignatureSize = 8, kChunkFrameSize = 12;  // length, type, CRC
    constexpr std::array<uint8_t, 4> kEndType = {'I', 'E', 'N', 'D'};
    size_t at = kSignatureSize;
    while (at + kChunkFrameSize <= file.size()) {
        const size_t length =
            size_t{file[at]} << 24 | size_t{file[at + 1]} << 16 | size_t{file[at + 2]} << 8 | file[at + 3];
        if (length > file.size() - at - kChunkFrameSize) return false;
        if (std::equal(kEndType.begin(), kEndType.end(), file.begin() + static_cast<ptrdiff_t>(at + 4))) return true;
        at += kChunkFrameSize + length;
    }
    return false;
}

std::optional<Picture> DecodePng(std::span<const uint8_t> file) {
    return PngChunksFitFile(file) ? DecodeWithStb(file) : std::nullopt;
}

// libtiff reports every broken tag and strip; a file that fails is simply no picture.
int IgnoreTiffMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

std::optional<Picture> DecodeTiff(const std::string& path) {
    const std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(TIFFOpenOptionsAlloc(),
                                                                                  TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), IgnoreTiffMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), IgnoreTiffMessage, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), 4 * kMaxDecodePixels);
    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpenExt(path.c_str(), "r", options.get()), TIFFClose);
    if (!tiff) return std::nullopt;
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) ||
        !IsDecodableSize(width, height))
        return std::nullopt;
    Picture picture{static_cast<int32_t>(width), static_cast<int32_t>(height),
                    std::vector<uint32_t>(size_t{width} * height)};
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, picture.pixels.data(), ORIENTATION_TOPLEFT, 1))
        return std::nullopt;
    for (uint32_t& pixel : picture.pixels)
        pixel = Argb(TIFFGetA(pixel), TIFFGetR(pixel), TIFFGetG(pixel), TIFFGetB(pixel));
    return picture;
}

std::string UpperExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t separator = path.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension;
}

}  // namespace

bool IsDecodableSize(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxDecodeSide && height <= kMaxDecodeSide &&
           width * height <= kMaxDecodePixels;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(size);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) return std::nullopt;
    return bytes;
}

std::optional<Picture> DecodeFile(const std::string& path) {
    const std::string extension = UpperExtension(path);
    if (extension == "TIF" || extension == "TIFF") return DecodeTiff(path);
    if (extension == "PCX") {
        PcxPicture pcx = LoadPcx(path);
        if (pcx.status != PcxStatus::Loaded) return std::nullopt;
        return std::move(pcx.picture);
    }
    using Decoder = std::optional<Picture> (*)(std::span<const uint8_t>);
    Decoder decoder = nullptr;
    if (extension == "BMP") {
        decoder = DecodeWithStb;
    } else if (extension == "PNG") {
        decoder = DecodePng;
    } else if (extension == "JPG") {
        decoder = DecodeJpeg;
    } else if (extension == "GIF") {
        decoder = DecodeGif;
    } else if (extension == "TGA") {
        decoder = DecodeTga;
    } else if (extension == "DDS") {
        decoder = DecodeDds;
    } else {
        return std::nullopt;
    }
    const auto file = ReadWholeFile(path);
    if (!file) return std::nullopt;
    return decoder(*file);
}

std::optional<Picture> DecodeBytes(std::span<const uint8_t> bytes) {
    const auto starts = [&](std::string_view head) {
        return bytes.size() >= head.size() &&
               std::equal(head.begin(), head.end(), bytes.begin(),
                          [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
    };
    if (starts("\x89PNG")) return DecodePng(bytes);
    if (starts("\xFF\xD8\xFF")) return DecodeJpeg(bytes);
    if (starts("GIF8")) return DecodeGif(bytes);
    if (starts("BM")) return DecodeWithStb(bytes);
    if (starts("DDS ")) return DecodeDds(bytes);
    return std::nullopt;
}

Picture Resize(const Picture& picture, int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > kMaxResizeSide || height > kMaxResizeSide || picture.width < 1 ||
        picture.height < 1 || picture.pixels.size() != size_t(picture.width) * size_t(picture.height))
        Raise(VgxErrInvalidCall);
    // Resampling at the same size would still blur with the downsampling filter.
    if (width == picture.width && height == picture.height) return picture;
    Picture resized{width, height, std::vector<uint32_t>(size_t(width) * size_t(height))};
    constexpr int kChannels = 4, kAlphaChannel = 3;
    if (!stbir_resize_uint8_generic(reinterpret_cast<const unsigned char*>(picture.pixels.data()), picture.width,
                                    picture.height, 0, reinterpret_cast<unsigned char*>(resized.pixels.data()),
                                    width, height, 0, kChannels, kAlphaChannel, 0, STBIR_EDGE_CLAMP,
                                    STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR, nullptr))
        Raise(VgxErrOutOfMemory);
    return resized;
}

}  // namespace vgx::image
