#include "platform/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>

namespace vgx::image {
namespace {

// Hands the file to giflib, which counts a short read as a failure.
struct GifSource {
    std::span<const uint8_t> file;
    size_t at = 0;

    static int Read(GifFileType* gif, GifByteType* data, int size) {
        auto& source = *static_cast<GifSource*>(gif->UserData);
        const size_t count = std::min(static_cast<size_t>(std::max(size, 0)), source.file.size() - source.at);
        std::copy_n(source.file.begin() + static_cast<ptrdiff_t>(source.at), count, data);
        source.at += count;
        return static_cast<int>(count);
    }
};

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

// The rows of an interlaced image arrive in four passes.
std::vector<int> RowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

uint32_t MapColour(const ColorMapObject& map, int index) {
    if (index >= map.ColorCount) return 0;
    const GifColorType& colour = map.Colors[index];
    return Argb(255, colour.Red, colour.Green, colour.Blue);
}

// Reads the image whose descriptor was just met onto the screen; the screen
// outside it shows the background colour when the file names one past entry 0.
std::optional<Picture> ReadImage(GifFileType& gif, int transparent) {
    if (DGifGetImageDesc(&gif) == GIF_ERROR) return std::nullopt;
    const GifImageDesc& image = gif.Image;
    const ColorMapObject* map = image.ColorMap ? image.ColorMap : gif.SColorMap;
    if (!map || image.Width < 1 || image.Height < 1 || image.Left + image.Width > gif.SWidth ||
        image.Top + image.Height > gif.SHeight)
        return std::nullopt;
    Picture picture{gif.SWidth, gif.SHeight, std::vector<uint32_t>(size_t(gif.SWidth) * size_t(gif.SHeight))};
    if (gif.SBackGroundColor > 0) {
        const uint32_t background =
            gif.SColorMap ? MapColour(*gif.SColorMap, gif.SBackGroundColor) | 0xFF000000 : 0xFF000000;
        std::fill(picture.pixels.begin(), picture.pixels.end(), background);
    }
    std::vector<GifPixelType> line(static_cast<size_t>(image.Width));
    for (const int row : RowOrder(image.Height, image.Interlace)) {
        if (DGifGetLine(&gif, line.data(), image.Width) == GIF_ERROR) return std::nullopt;
        uint32_t* out = &picture.pixels[size_t(image.Top + row) * size_t(gif.SWidth) + size_t(image.Left)];
        for (const GifPixelType index : line) *out++ = index == transparent ? 0 : MapColour(*map, index);
    }
    return picture;
}

}  // namespace

std::optional<Picture> DecodeGif(std::span<const uint8_t> file) {
    GifSource source{file};
    int error = 0;
    const GifFile gif(DGifOpen(&source, GifSource::Read, &error));
    if (!gif || !IsDecodableSize(gif->SWidth, gif->SHeight)) return std::nullopt;
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) return std::nullopt;
        if (record == IMAGE_DESC_RECORD_TYPE) return ReadImage(*gif, transparent);
        if (record != EXTENSION_RECORD_TYPE) return std::nullopt;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return std::nullopt;
        GraphicsControlBlock control{};
        if (code == GRAPHICS_EXT_FUNC_CODE && block && DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
        while (block)
            if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return std::nullopt;
    }
}

}  // namespace vgx::image
