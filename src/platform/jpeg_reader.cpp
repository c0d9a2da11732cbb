#include "platform/jpeg_reader.h"

#include <bit>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace vgx::image {
namespace {

static_assert(std::endian::native == std::endian::little, "BGRA bytes are 0xAARRGGBB only on little-endian machines");

// A hostile progressive file can hold thousands of tiny scans and take minutes
// each; no real encoder writes more than a few dozen.
constexpr int kMaxScans = 500;
// Whole-image coefficient buffers of progressive files stay below this, so a
// header that promises the largest picture cannot take a gigabyte.
constexpr long kMaxDecoderMemory = 512L << 20;

// Everything libjpeg may touch after a longjmp lives here, on the heap, so its
// values are defined when the jump lands.
struct JpegDecoder {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escape{};
    bool endedEarly = false;
    Picture picture;

    ~JpegDecoder() { jpeg_destroy_decompress(&info); }
};

JpegDecoder& DecoderOf(j_common_ptr info) { return *static_cast<JpegDecoder*>(info->client_data); }

[[noreturn]] void Escape(j_common_ptr info) { std::longjmp(DecoderOf(info).escape, 1); }

// Warnings are silent; a file cut short is noted, as libjpeg pads it with grey.
void NoteWarning(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) DecoderOf(info).endedEarly = true;
}

void LimitScans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) Escape(info);
}

// Adobe files store CMYK inverted, so each channel times K is the colour.
void CmykToColour(uint8_t* pixel) {
    const unsigned k = pixel[3];
    const auto times = [k](unsigned c) { return static_cast<uint8_t>((c * k + 127) / 255); };
    const uint8_t red = times(pixel[0]), green = times(pixel[1]), blue = times(pixel[2]);
    pixel[0] = blue, pixel[1] = green, pixel[2] = red, pixel[3] = 255;
}

}  // namespace

std::optional<Picture> DecodeJpeg(std::span<const uint8_t> file) {
    const auto decoder = std::make_unique<JpegDecoder>();
    jpeg_decompress_struct& info = decoder->info;
    info.err = jpeg_std_error(&decoder->errors);
    decoder->errors.error_exit = Escape;
    decoder->errors.emit_message = NoteWarning;
    decoder->progress.progress_monitor = LimitScans;
    info.client_data = decoder.get();
    if (setjmp(decoder->escape)) return std::nullopt;
    jpeg_create_decompress(&info);
    info.progress = &decoder->progress;
    info.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    if (!IsDecodableSize(info.image_width, info.image_height)) return std::nullopt;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&info);

    Picture& picture = decoder->picture;
    picture = {static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height),
               std::vector<uint32_t>(size_t{info.output_width} * info.output_height)};
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&picture.pixels[size_t{info.output_scanline} * info.output_width]);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    if (decoder->endedEarly) return std::nullopt;
    if (cmyk)
        for (uint32_t& pixel : picture.pixels) CmykToColour(reinterpret_cast<uint8_t*>(&pixel));
    return std::move(picture);
}

}  // namespace vgx::image
