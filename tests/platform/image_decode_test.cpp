#include "platform/image_decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/dds_reader.h"
#include "platform/pcx_reader.h"
#include "platform/tga_reader.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace vgx::image {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string ImagePath(const std::string& relative) { return test::TestDataPath("images/" + relative); }

Picture Decoded(const std::string& relative) {
    auto picture = DecodeFile(ImagePath(relative));
    if (!picture) {
        ADD_FAILURE() << relative << " gave no picture";
        return {};
    }
    EXPECT_EQ(picture->pixels.size(), size_t(picture->width) * size_t(picture->height)) << relative;
    return *picture;
}

bool ChannelsWithin(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

// Sizes equal and every channel within `tolerance`; reports the first difference only.
void ExpectSamePixels(const Picture& actual, const Picture& expected, const std::string& what, int tolerance = 0) {
    ASSERT_EQ(actual.width, expected.width) << what;
    ASSERT_EQ(actual.height, expected.height) << what;
    ASSERT_EQ(actual.pixels.size(), expected.pixels.size()) << what;
    const auto mismatch = std::mismatch(actual.pixels.begin(), actual.pixels.end(), expected.pixels.begin(),
                                        [&](uint32_t a, uint32_t b) { return ChannelsWithin(a, b, tolerance); });
    if (mismatch.first != actual.pixels.end()) {
        const auto at = mismatch.first - actual.pixels.begin();
        ADD_FAILURE() << what << ": pixel " << at % actual.width << "," << at / actual.width << " is " << std::hex
                      << *mismatch.first << ", expected " << *mismatch.second;
    }
}

// The mean absolute difference per channel, for lossy formats.
double MeanChannelDifference(const Picture& a, const Picture& b) {
    double total = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            total += std::abs(int((a.pixels[i] >> shift) & 0xFF) - int((b.pixels[i] >> shift) & 0xFF));
    return total / (4.0 * double(a.pixels.size()));
}

std::string WriteScratch(const std::string& name, const Bytes& bytes) {
    const std::string path = test::ScratchFolder() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

Bytes ReadBytes(const std::string& path) { return *ReadWholeFile(path); }

void PutU16(Bytes& bytes, size_t at, uint16_t value) {
    bytes[at] = uint8_t(value);
    bytes[at + 1] = uint8_t(value >> 8);
}

// ---- Failures common to every format ----

TEST(ImageDecodeFile, MissingFileUnknownExtensionAndFolderGiveNoPicture) {
    EXPECT_FALSE(DecodeFile(ImagePath("pillow") + "/no_such_file.png"));
    EXPECT_FALSE(DecodeFile(ImagePath("pillow/LICENSE")));
    EXPECT_FALSE(DecodeFile(WriteScratch("hopper.xyz", ReadBytes(ImagePath("pillow/hopper.png")))));
    fs::create_directories(test::ScratchFolder() + "/folder.png");
    EXPECT_FALSE(DecodeFile(test::ScratchFolder() + "/folder.png"));
    // The dot of a folder is no extension.
    fs::create_directories(test::ScratchFolder() + "/pictures.png");
    const Bytes png = ReadBytes(ImagePath("pillow/hopper.png"));
    EXPECT_FALSE(DecodeFile(WriteScratch("pictures.png/hopper", png)));
}

TEST(ImageDecodeFile, ExtensionIsMatchedWhateverItsCase) {
    const auto picture = DecodeFile(WriteScratch("Hopper.Png", ReadBytes(ImagePath("pillow/hopper.png"))));
    ASSERT_TRUE(picture);
    ExpectSamePixels(*picture, Decoded("pillow/hopper.png"), "Hopper.Png");
}

TEST(ImageDecodeFile, EmptyTextAndTruncatedFilesGiveNoPictureInEveryFormat) {
    const Bytes text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    for (const char* extension : {"bmp", "jpg", "gif", "png", "tga", "dds", "tif", "tiff", "pcx"}) {
        EXPECT_FALSE(DecodeFile(WriteScratch(std::string("empty.") + extension, {}))) << extension;
        EXPECT_FALSE(DecodeFile(WriteScratch(std::string("text.") + extension, text))) << extension;
    }
    for (const char* name : {"hopper.png", "hopper.bmp", "hopper.gif", "hopper.tif", "hopper.dds"}) {
        Bytes bytes = ReadBytes(ImagePath(std::string("pillow/") + name));
        bytes.resize(bytes.size() / 3);
        EXPECT_FALSE(DecodeFile(WriteScratch(std::string("truncated_") + name, bytes))) << name;
    }
}

// ---- stb_image: BMP, JPG, GIF, PNG ----

// Reads a binary PPM printed by the `convert` stand-in; empty when it is not there.
Picture PpmFromConvert(const std::string& path) {
    const std::string command = "convert '" + path + "' ppm:- 2>/dev/null";
    const std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    int width = 0, height = 0, top = 0;
    if (std::fscanf(pipe.get(), "P6 %d %d %d", &width, &height, &top) != 3 || top != 255) return {};
    std::fgetc(pipe.get());
    Picture picture{width, height, std::vector<uint32_t>(size_t(width) * size_t(height))};
    for (uint32_t& pixel : picture.pixels) {
        uint8_t rgb[3];
        if (std::fread(rgb, 1, 3, pipe.get()) != 3) return {};
        pixel = Argb(255, rgb[0], rgb[1], rgb[2]);
    }
    return picture;
}

TEST(ImageDecodeStb, PngMatchesAnIndependentDecoder) {
    for (const char* name : {"pillow/hopper.png", "pngsuite/basn2c08.png", "pngsuite/basn3p08.png"}) {
        const Picture expected = PpmFromConvert(ImagePath(name));
        if (expected.pixels.empty()) GTEST_SKIP() << "convert cannot print " << name;
        ExpectSamePixels(Decoded(name), expected, name);
    }
}

TEST(ImageDecodeStb, BmpAndGifOfHopperAgreeWithThePng) {
    const Picture png = Decoded("pillow/hopper.png");
    ExpectSamePixels(Decoded("pillow/hopper.bmp"), png, "hopper.bmp");
    const Picture gif = Decoded("pillow/hopper.gif");
    ASSERT_EQ(gif.pixels.size(), png.pixels.size());
    EXPECT_LT(MeanChannelDifference(gif, png), 8.0);
}

TEST(ImageDecodeStb, JpgIsCloseToTheLosslessPicture) {
    const Picture jpg = Decoded("pillow/hopper.jpg");
    const Picture png = Decoded("pillow/hopper.png");
    ASSERT_EQ(jpg.pixels.size(), png.pixels.size());
    EXPECT_LT(MeanChannelDifference(jpg, png), 4.0);
}

TEST(ImageDecodeStb, GifTransparencyBecomesClearAlpha) {
    const Picture gif = Decoded("pillow/transparent.gif");
    EXPECT_TRUE(std::any_of(gif.pixels.begin(), gif.pixels.end(), [](uint32_t p) { return p >> 24 == 0; }));
    EXPECT_TRUE(std::any_of(gif.pixels.begin(), gif.pixels.end(), [](uint32_t p) { return p >> 24 == 255; }));
}

TEST(ImageDecodeStb, BrokenAndOversizedFilesNeverCrash) {
    EXPECT_FALSE(DecodeFile(ImagePath("pillow/zero_width.gif")));
    EXPECT_FALSE(DecodeFile(ImagePath("pillow/decompression_bomb.gif")));
    for (const auto& entry : fs::directory_iterator(ImagePath("pillow/bmp/b"))) {
        if (const auto picture = DecodeFile(entry.path().string())) {
            EXPECT_EQ(picture->pixels.size(), size_t(picture->width) * size_t(picture->height)) << entry.path();
        }
    }
    for (const char* name : {"pillow/truncated_jpeg.jpg", "pillow/hopper_rle8_row_overflow.bmp"}) {
        if (const auto picture = DecodeFile(ImagePath(name))) {
            EXPECT_EQ(picture->pixels.size(), size_t(picture->width) * size_t(picture->height)) << name;
        }
    }
}

// ---- TGA ----

class ImageDecodeTgaSample : public testing::TestWithParam<std::string> {};

// GIMP's samples in every layout against the PNG of the same picture.
TEST_P(ImageDecodeTgaSample, MatchesItsPng) {
    const std::string stem = GetParam();
    const std::string picture = stem.substr(0, stem.find('_', stem.find('_') + 1));
    for (const char* layout : {"_bl_raw", "_bl_rle", "_tl_raw", "_tl_rle"}) {
        const std::string name = "pillow/tga/common/" + stem + layout + ".tga";
        ExpectSamePixels(Decoded(name), Decoded("pillow/tga/common/" + stem + ".png"), name);
    }
}
INSTANTIATE_TEST_SUITE_P(ImageDecodeTga, ImageDecodeTgaSample,
                         testing::Values("1x1_l", "200x32_l", "200x32_la", "200x32_p", "200x32_rgb", "200x32_rgba"));

TEST(ImageDecodeTga, ColourMapStartingAfterEntryZero) {
    // First map entry 1: pixel value v is entry v - 1.
    ExpectSamePixels(Decoded("pillow/200x32_p_bl_raw_origin.tga"), Decoded("pillow/tga/common/200x32_p.png"),
                     "200x32_p_bl_raw_origin.tga");
}

TEST(ImageDecodeTga, SixteenBitColourMapMatchesItsPng) {
    ExpectSamePixels(Decoded("pillow/p_16.tga"), Decoded("pillow/p_16.png"), "p_16.tga");
}

TEST(ImageDecodeTga, FourOriginsGiveTheSamePicture) {
    // The same run-length data stored bottom-up, bottom-up right-to-left and top-down right-to-left.
    const Picture bottomLeft = Decoded("pillow/rgb32rle.tga");
    Picture bottomRight = Decoded("pillow/rgb32rle_bottom_right.tga");
    Picture topRight = Decoded("pillow/rgb32rle_top_right.tga");
    ASSERT_EQ(bottomLeft.width, 199);
    const auto width = size_t(bottomLeft.width);
    for (size_t y = 0; y < size_t(bottomLeft.height); ++y) {
        std::reverse(bottomRight.pixels.begin() + y * width, bottomRight.pixels.begin() + (y + 1) * width);
        std::reverse(topRight.pixels.begin() + y * width, topRight.pixels.begin() + (y + 1) * width);
    }
    for (size_t top = 0, bottom = size_t(bottomLeft.height) - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(topRight.pixels.begin() + top * width, topRight.pixels.begin() + (top + 1) * width,
                         topRight.pixels.begin() + bottom * width);
    // The descriptor counts no alpha bits, yet the alpha bytes hold a ramp: they are kept.
    EXPECT_EQ(bottomLeft.pixels[0] >> 24, 0u);
    EXPECT_TRUE(std::any_of(bottomLeft.pixels.begin(), bottomLeft.pixels.end(),
                            [](uint32_t p) { return p >> 24 > 0 && p >> 24 < 255; }));
    EXPECT_NE(std::count(bottomLeft.pixels.begin(), bottomLeft.pixels.end(), bottomLeft.pixels.front()),
              std::ptrdiff_t(bottomLeft.pixels.size()));
    ExpectSamePixels(bottomRight, bottomLeft, "bottom right, mirrored");
    ExpectSamePixels(topRight, bottomLeft, "top right, turned");
}

TEST(ImageDecodeTga, RunCrossingARowContinuesOnTheNextRow) {
    // 2 x 2 grey from the bottom: one raw packet 00 FF FF, then 00.
    const Picture picture = Decoded("pillow/cross_scan_line.tga");
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF}));
}

TEST(ImageDecodeTga, SixteenBitAttributeIsAlphaWhenTheDescriptorCountsIt) {
    // rgba16.tga: 2 x 1, descriptor alpha bits 8, pixels 0x541F and 0x83EA (A1 R5 G5 B5).
    const Picture picture = Decoded("pillow/rgba16.tga");
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{Argb(0, 173, 0, 255), Argb(255, 0, 255, 82)}));

    Bytes file = ReadBytes(ImagePath("pillow/rgba16.tga"));
    file[17] = 0x00;  // no alpha bits: the attribute bit is not alpha
    EXPECT_EQ(DecodeTga(file)->pixels, (std::vector<uint32_t>{Argb(255, 173, 0, 255), Argb(255, 0, 255, 82)}));
    file[16] = 15;  // 15-bit colour has no attribute bit at all
    file[17] = 0x08;
    EXPECT_EQ(DecodeTga(file)->pixels, (std::vector<uint32_t>{Argb(255, 173, 0, 255), Argb(255, 0, 255, 82)}));
}

Bytes TgaHeader(uint8_t type, int width, int height, uint8_t bits, uint8_t descriptor) {
    Bytes header(18, 0);
    header[2] = type;
    PutU16(header, 12, uint16_t(width));
    PutU16(header, 14, uint16_t(height));
    header[16] = bits;
    header[17] = descriptor;
    return header;
}

TEST(ImageDecodeTga, ColourMapInATrueColourFileIsSkipped) {
    Bytes file = TgaHeader(2, 1, 1, 24, 0x20);
    file[1] = 1;         // a map is present
    PutU16(file, 5, 2);  // two entries
    file[7] = 24;
    file.insert(file.end(), {1, 2, 3, 4, 5, 6});     // the map
    file.insert(file.end(), {0x30, 0x20, 0x10});  // the pixel, blue first
    EXPECT_EQ(DecodeTga(file)->pixels, (std::vector<uint32_t>{0xFF102030}));
}

TEST(ImageDecodeTga, IdFieldIsSkipped) {
    const Bytes file = ReadBytes(ImagePath("pillow/tga_id_field.tga"));
    const Picture picture = Decoded("pillow/tga_id_field.tga");
    ASSERT_EQ(picture.width, 100);
    // Bottom-up: the first stored pixel, after the 6-byte ID, is the bottom-left one.
    EXPECT_EQ(picture.pixels[99 * 100], Argb(255, file[26], file[25], file[24]));
}

TEST(ImageDecodeTga, TruncatedOrLyingFilesGiveNoPicture) {
    EXPECT_FALSE(DecodeFile(ImagePath("pillow/cross_scan_line_truncated.tga")));
    EXPECT_FALSE(DecodeFile(ImagePath("pillow/p_8.tga")));  // header only, 8-bit map entries
    EXPECT_FALSE(DecodeTga(TgaHeader(2, 65535, 65535, 24, 0)));
    EXPECT_FALSE(DecodeTga(TgaHeader(2, 0, 5, 24, 0)));
    EXPECT_FALSE(DecodeTga(TgaHeader(4, 1, 1, 24, 0)));  // no such image type
    EXPECT_FALSE(DecodeTga(TgaHeader(3, 1, 1, 24, 0)));  // grey is 8 or 16 bits
    EXPECT_FALSE(DecodeTga(TgaHeader(1, 1, 1, 8, 0)));   // colour-mapped without a map
    Bytes runs = TgaHeader(10, 4000, 4000, 24, 0);  // 16 M pixels promised by one packet
    runs.insert(runs.end(), {0xFF, 1, 2, 3});
    EXPECT_FALSE(DecodeTga(runs));
    Bytes raw = TgaHeader(2, 2, 1, 24, 0);
    raw.insert(raw.end(), {1, 2, 3, 4, 5});  // one byte short
    EXPECT_FALSE(DecodeTga(raw));
}

// ---- PCX ----

// A PCX header of 8 bits a plane; the caller appends the encoded planes.
Bytes PcxHeaderBytes(int16_t width, int16_t height, uint8_t planes, int16_t bytesPerLine) {
    Bytes header(128, 0);
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = 1;
    header[3] = 8;
    PutU16(header, 8, uint16_t(width - 1));
    PutU16(header, 10, uint16_t(height - 1));
    header[65] = planes;
    PutU16(header, 66, uint16_t(bytesPerLine));
    return header;
}

TEST(ImageDecodePcx, TwentyFourBitFileMatchesItsReference) {
    const PcxPicture pcx = LoadPcx(ImagePath("image-rs/pcx/images/24bit.pcx"));
    ASSERT_EQ(pcx.status, PcxStatus::Loaded);
    EXPECT_EQ(pcx.picture.width, 435);  // an odd BytesPerLine, no padding byte
    ExpectSamePixels(pcx.picture, Decoded("image-rs/reference/pcx/images/24bit.pcx.4210721a.png"), "24bit.pcx");
    ExpectSamePixels(Decoded("image-rs/pcx/images/24bit.pcx"), pcx.picture, "DecodeFile 24bit.pcx");
}

TEST(ImageDecodePcx, EachPixelLandsAtItsOwnColumnAndRow) {
    // 3 x 2, planes R, G, B per row; pixel (x, y) has red 10x + y, green 100 + x, blue 50 + y
    // (all below 0xC0, so each byte stands for itself).
    Bytes file = PcxHeaderBytes(3, 2, 3, 3);
    for (uint8_t y = 0; y < 2; ++y)
        file.insert(file.end(), {uint8_t(y), uint8_t(10 + y), uint8_t(20 + y), 100, 101, 102, uint8_t(50 + y),
                                 uint8_t(50 + y), uint8_t(50 + y)});
    const PcxPicture pcx = LoadPcx(WriteScratch("3x2.pcx", file));
    ASSERT_EQ(pcx.status, PcxStatus::Loaded);
    ASSERT_EQ(pcx.picture.width, 3);
    ASSERT_EQ(pcx.picture.height, 2);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(pcx.picture.pixels[y * 3 + x], Argb(255, 10 * x + y, 100 + x, 50 + y)) << x << "," << y;
}

TEST(ImageDecodePcx, RunsRepeatTheNextByteAndThePaletteFollows) {
    // 0xC3 0x7F is three 0x7F; 0xC1 0xC5 is one 0xC5 (a literal that needs a run);
    // 0x05 is itself. Two whole 4-byte palette entries and one stray byte follow.
    Bytes file = PcxHeaderBytes(5, 1, 1, 5);
    file.insert(file.end(), {0xC3, 0x7F, 0xC1, 0xC5, 0x05, 1, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 9});
    const auto pcx = ReadPcxFile(WriteScratch("runs.pcx", file));
    ASSERT_TRUE(pcx);
    EXPECT_EQ(pcx->data, (Bytes{0x7F, 0x7F, 0x7F, 0xC5, 0x05}));
    EXPECT_EQ(pcx->trailingPalette, (std::vector<uint32_t>{1, 0x11223344}));
    EXPECT_EQ(pcx->header.planes, 1);
    EXPECT_EQ(pcx->header.bytesPerLine, 5);
}

TEST(ImageDecodePcx, RunPastTheLastRowIsCut) {
    Bytes file = PcxHeaderBytes(2, 1, 1, 2);
    file.insert(file.end(), {0xFF, 0x09, 0, 0, 0, 7});
    const auto pcx = ReadPcxFile(WriteScratch("long_run.pcx", file));
    ASSERT_TRUE(pcx);
    EXPECT_EQ(pcx->data, (Bytes{9, 9}));
    EXPECT_EQ(pcx->trailingPalette, (std::vector<uint32_t>{0x07000000}));
}

TEST(ImageDecodePcx, FewerThanThreePlanesIsNotTrueColour) {
    EXPECT_EQ(LoadPcx(ImagePath("image-rs/pcx/images/256-palette.pcx")).status, PcxStatus::NotTrueColour);
    EXPECT_EQ(LoadPcx(ImagePath("pillow/01r_00.pcx")).status, PcxStatus::NotTrueColour);
    EXPECT_EQ(LoadPcx(ImagePath("pillow/odd_stride.pcx")).status, PcxStatus::NotTrueColour);
    // Four planes of one bit each are sixteen colours, not 32-bit colour.
    EXPECT_EQ(LoadPcx(ImagePath("pillow/p_4_planes.pcx")).status, PcxStatus::NotTrueColour);
    EXPECT_FALSE(DecodeFile(ImagePath("image-rs/pcx/images/256-palette.pcx")));
}

TEST(ImageDecodePcx, BrokenFilesAreUnreadable) {
    EXPECT_EQ(LoadPcx(ImagePath("pillow") + "/no_such_file.pcx").status, PcxStatus::Unreadable);
    EXPECT_EQ(LoadPcx(ImagePath("pillow/ossfuzz-4836216264589312.pcx")).status, PcxStatus::Unreadable);
    EXPECT_EQ(LoadPcx(WriteScratch("short.pcx", Bytes(100, 0x0A))).status, PcxStatus::Unreadable);

    Bytes truncated = ReadBytes(ImagePath("image-rs/pcx/images/24bit.pcx"));
    truncated.resize(truncated.size() / 2);
    EXPECT_EQ(LoadPcx(WriteScratch("truncated.pcx", truncated)).status, PcxStatus::Unreadable);

    Bytes huge = PcxHeaderBytes(32767, 32767, 4, 32767);  // 4 GB promised by a 132-byte file
    huge.insert(huge.end(), {0xFF, 0, 0xFF, 0});
    EXPECT_EQ(LoadPcx(WriteScratch("huge.pcx", huge)).status, PcxStatus::Unreadable);

    Bytes upsideDown = PcxHeaderBytes(1, 1, 3, 1);
    PutU16(upsideDown, 6, 5);  // Ymin above Ymax
    upsideDown.insert(upsideDown.end(), {1, 2, 3});
    EXPECT_EQ(LoadPcx(WriteScratch("upside_down.pcx", upsideDown)).status, PcxStatus::Unreadable);

    Bytes narrowLines = PcxHeaderBytes(4, 1, 3, 2);  // rows of 2 bytes cannot hold 4 columns
    narrowLines.insert(narrowLines.end(), {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(LoadPcx(WriteScratch("narrow.pcx", narrowLines)).status, PcxStatus::Unreadable);
}

// ---- DDS ----

TEST(ImageDecodeDds, CompressedAndUncompressedMatchTheirPngs) {
    for (const char* stem : {"dxt1-rgb-4bbp-noalpha_MipMaps-1", "dxt3-argb-8bbp-explicitalpha_MipMaps-1",
                             "dxt5-argb-8bbp-interpolatedalpha_MipMaps-1", "uncompressed_rgb", "uncompressed_l",
                             "uncompressed_la"}) {
        const std::string name = std::string("pillow/") + stem;
        ExpectSamePixels(Decoded(name + ".dds"), Decoded(name + ".png"), name);
    }
    // The reference truncates 5-bit channels (31 x 255 / 31); we round to the nearest 8-bit value.
    ExpectSamePixels(Decoded("pillow/bgr15.dds"), Decoded("pillow/bgr15.png"), "bgr15", 1);
}

TEST(ImageDecodeDds, TopMipLevelOnly) {
    // hopper.dds holds eight levels of 24-bit RGB; the first is hopper.png.
    ExpectSamePixels(Decoded("pillow/hopper.dds"), Decoded("pillow/hopper.png"), "hopper.dds");
}

TEST(ImageDecodeDds, UnsupportedOrLyingHeadersGiveNoPicture) {
    for (const char* name :
         {"palette.dds", "unimplemented_pfflags.dds", "unimplemented_pixel_format.dds", "unsupported_bitcount.dds",
          "zero_mask_totals.dds", "timeout-041dd17dfde800360a47a172269df127af138c6b.dds",
          "timeout-52d106579505547091ef69b58341351a37c23e31.dds",
          "timeout-755a4d204f4208e3597ac3391edebee196462bd0.dds",
          "timeout-c60a3d7314213624607bfb3e38d551a8b24a7435.dds"}) {
        EXPECT_FALSE(DecodeFile(ImagePath(std::string("pillow/") + name))) << name;
    }
    Bytes dxt1 = ReadBytes(ImagePath("pillow/dxt1-rgb-4bbp-noalpha_MipMaps-1.dds"));
    dxt1.resize(dxt1.size() - 1);
    EXPECT_FALSE(DecodeDds(dxt1));
    dxt1[0] = 'X';
    EXPECT_FALSE(DecodeDds(dxt1));
}

// ---- TIFF ----

TEST(ImageDecodeTiff, MatchesThePngOfTheSamePicture) {
    const Picture png = Decoded("pillow/hopper.png");
    ExpectSamePixels(Decoded("pillow/hopper.tif"), png, "hopper.tif");
    ExpectSamePixels(Decoded("pillow/hopper_lzw.tif"), png, "hopper_lzw.tif");
    ExpectSamePixels(Decoded("pillow/tiff_adobe_deflate.tif"), Decoded("pillow/tiff_adobe_deflate.png"),
                     "tiff_adobe_deflate.tif");
    EXPECT_EQ(Decoded("pillow/multipage.tiff").pixels.empty(), false);
}

TEST(ImageDecodeTiff, BrokenFilesNeverCrash) {
    for (const char* name : {"pillow/libtiff_segfault.tif", "pillow/seek_too_large.tif"}) {
        if (const auto picture = DecodeFile(ImagePath(name))) {
            EXPECT_EQ(picture->pixels.size(), size_t(picture->width) * size_t(picture->height)) << name;
        }
    }
}

// ---- Resize ----

Picture Filled(int32_t width, int32_t height, uint32_t pixel) {
    return {width, height, std::vector<uint32_t>(size_t(width) * size_t(height), pixel)};
}

TEST(ImageDecodeResize, SameSizeIsUnchangedAndAFlatColourStaysFlat) {
    const Picture hopper = Decoded("pillow/hopper.png");
    ExpectSamePixels(Resize(hopper, hopper.width, hopper.height), hopper, "same size");
    const Picture up = Resize(Filled(3, 5, 0x80336699), 64, 17);
    ExpectSamePixels(up, Filled(64, 17, 0x80336699), "enlarged");
    ExpectSamePixels(Resize(up, 1, 1), Filled(1, 1, 0x80336699), "shrunk");
}

TEST(ImageDecodeResize, EnlargingInterpolates) {
    const Picture wide = Resize(Picture{2, 1, {0xFF000000, 0xFFFFFFFF}}, 8, 1);
    const auto red = [&](int x) { return (wide.pixels[size_t(x)] >> 16) & 0xFF; };
    EXPECT_LT(red(0), 16u);
    EXPECT_GT(red(7), 239u);
    EXPECT_GT(red(4), red(3));
    EXPECT_GT(red(3), 16u);
    EXPECT_LT(red(4), 239u);
}

TEST(ImageDecodeResize, ClearPixelsLendNoColour) {
    // Straight alpha: the clear red pixel's colour must not tint its opaque blue neighbour.
    const Picture mixed = Resize(Picture{2, 1, {0xFF0000FF, 0x00FF0000}}, 1, 1);
    EXPECT_LE((mixed.pixels[0] >> 16) & 0xFF, 1u);
    EXPECT_GE(mixed.pixels[0] & 0xFF, 254u);
    EXPECT_NEAR(double(mixed.pixels[0] >> 24), 127.5, 2.0);
}

TEST(ImageDecodeResize, BadSizesRaiseInvalidCall) {
    const Picture picture = Filled(2, 2, 0xFFFFFFFF);
    for (const auto& [width, height] : {std::pair{0, 1}, {1, 0}, {-3, 4}, {16385, 1}, {1, 16385}}) {
        test::ExpectVgxError([&] { Resize(picture, width, height); }, 5, "VorlanSG",
                             "Invalid procedure call or argument");
    }
    test::ExpectVgxError([&] { Resize(Picture{3, 3, {1, 2}}, 4, 4); }, 5, "VorlanSG",
                         "Invalid procedure call or argument");
    EXPECT_EQ(Resize(picture, 16384, 1).pixels.size(), 16384u);
}

}  // namespace
}  // namespace vgx::image
