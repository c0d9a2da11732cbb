#include "platform/image_decode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/dds_reader.h"
#include "platform/pcx_reader.h"
#include "platform/tga_reader.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace vgx::image {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Pixels = std::vector<uint32_t>;

// A file of the image test data, or an absolute path as it is.
std::string ImagePath(const std::string& file) { return file[0] == '/' ? file : test::TestDataPath("images/" + file); }

Picture Decoded(const std::string& file) {
    const auto picture = DecodeFile(ImagePath(file));
    EXPECT_TRUE(picture && picture->pixels.size() == size_t(picture->width) * size_t(picture->height))
        << file << " gave no picture or a malformed one";
    return picture.value_or(Picture{});
}

// The difference of the 8-bit channels at bit `at` of two pixels.
int ChannelDifference(uint32_t a, uint32_t b, int at) { return std::abs(int(a >> at & 0xFF) - int(b >> at & 0xFF)); }

// Sizes equal and every channel within `tolerance`; reports the first difference only.
void ExpectSamePixels(const Picture& actual, const Picture& expected, const std::string& what, int tolerance = 0) {
    ASSERT_EQ(std::tie(actual.width, actual.height), std::tie(expected.width, expected.height)) << what;
    ASSERT_EQ(actual.pixels.size(), expected.pixels.size()) << what;
    for (size_t i = 0; i < actual.pixels.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            if (ChannelDifference(actual.pixels[i], expected.pixels[i], shift) > tolerance)
                return ADD_FAILURE() << what << ": pixel " << i % actual.width << "," << i / actual.width << " is "
                                     << std::hex << actual.pixels[i] << ", expected " << expected.pixels[i];
}

std::string WriteScratch(const std::string& name, const Bytes& bytes) {
    const std::string path = test::ScratchFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << std::string(bytes.begin(), bytes.end());
    return path;
}

Bytes ReadBytes(const std::string& file) { return *ReadWholeFile(ImagePath(file)); }

void PutU16(Bytes& bytes, size_t at, int value) { bytes[at] = uint8_t(value), bytes[at + 1] = uint8_t(value >> 8); }

// A PCX file of 8 bits a plane and the given encoded planes.
Bytes PcxFile(int16_t width, int16_t height, uint8_t planes, int16_t bytesPerLine, const Bytes& data) {
    Bytes file = data;
    file.insert(file.begin(), 128, 0);
    file[0] = 0x0A, file[1] = 5, file[2] = 1, file[3] = 8, file[65] = planes;
    PutU16(file, 8, width - 1), PutU16(file, 10, height - 1), PutU16(file, 66, bytesPerLine);
    return file;
}

TEST(ImageDecode, EveryFormatMatchesAPngOfTheSamePictureOrComesClose) {
    std::vector<std::pair<std::string, std::string>> cases = {
        // First map entry 1: pixel value v is entry v - 1.
        {"pillow/200x32_p_bl_raw_origin.tga", "pillow/tga/common/200x32_p.png"},
        // 435 wide: an odd BytesPerLine, no padding byte.
        {"image-rs/pcx/images/24bit.pcx", "image-rs/reference/pcx/images/24bit.pcx.4210721a.png"}};
    // hopper.dds holds eight levels of 24-bit RGB: the first is read. The extension's case does not matter.
    // The TIFF, read through libtiff, must give its pixels in the order the other decoders do.
    for (const std::string& hopper : {WriteScratch("Hopper.Png", ReadBytes("pillow/hopper.png")),
                                      ImagePath("pillow/hopper.tif"), ImagePath("pillow/hopper.dds")})
        cases.emplace_back(hopper, "pillow/hopper.png");
    // Against the PNG of the same name; p_16.tga has a 16-bit colour map.
    for (const std::string name :
         {"p_16.tga", "dxt1-rgb-4bbp-noalpha_MipMaps-1.dds", "dxt3-argb-8bbp-explicitalpha_MipMaps-1.dds",
          "dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.dds", "uncompressed_rgb.dds", "uncompressed_l.dds",
          "uncompressed_la.dds"})
        cases.emplace_back("pillow/" + name, "pillow/" + name.substr(0, name.rfind('.')) + ".png");
    // GIMP's TGA samples in every layout.
    for (const std::string stem : {"1x1_l", "200x32_l", "200x32_la", "200x32_p", "200x32_rgb", "200x32_rgba"})
        for (const char* layout : {"_bl_raw", "_bl_rle", "_tl_raw", "_tl_rle"})
            cases.emplace_back("pillow/tga/common/" + stem + layout + ".tga", "pillow/tga/common/" + stem + ".png");
    for (const auto& [file, png] : cases) ExpectSamePixels(Decoded(file), Decoded(png), file);
    // The reference truncates 5-bit channels (31 x 255 / 31); we round to the nearest 8-bit value.
    ExpectSamePixels(Decoded("pillow/bgr15.dds"), Decoded("pillow/bgr15.png"), "bgr15.dds", 1);
}

TEST(ImageDecode, MissingBrokenAndLyingFilesGiveNoPictureAndNeverCrash) {
    const Bytes png = ReadBytes("pillow/hopper.png");
    fs::create_directories(test::ScratchFolder() + "/folder.png");
    fs::create_directories(test::ScratchFolder() + "/pictures.png");  // the dot of a folder is no extension
    std::vector<std::string> none = {ImagePath("pillow") + "/no_such_file.png", WriteScratch("hopper.xyz", png),
                                     ImagePath("image-rs/pcx/images/256-palette.pcx"),
                                     test::ScratchFolder() + "/folder.png", WriteScratch("pictures.png/hopper", png)};
    // p_8.tga is a header only, with 8-bit map entries.
    for (const char* name :
         {"LICENSE", "zero_width.gif", "decompression_bomb.gif", "truncated_jpeg.jpg", "cross_scan_line_truncated.tga",
          "p_8.tga", "palette.dds", "unimplemented_pfflags.dds", "unimplemented_pixel_format.dds",
          "unsupported_bitcount.dds", "zero_mask_totals.dds", "timeout-041dd17dfde800360a47a172269df127af138c6b.dds",
          "timeout-52d106579505547091ef69b58341351a37c23e31.dds",
          "timeout-755a4d204f4208e3597ac3391edebee196462bd0.dds",
          "timeout-c60a3d7314213624607bfb3e38d551a8b24a7435.dds"})
        none.push_back(ImagePath(std::string("pillow/") + name));
    const Bytes text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    for (const std::string extension : {"bmp", "jpg", "gif", "png", "tga", "dds", "tif", "tiff", "pcx"})
        none.insert(none.end(), {WriteScratch("empty." + extension, {}), WriteScratch("text." + extension, text)});
    for (const std::string name :
         {"hopper.png", "hopper.bmp", "hopper.gif", "hopper.jpg", "hopper.tif", "hopper.dds"}) {
        const Bytes bytes = ReadBytes("pillow/" + name);
        none.push_back(WriteScratch("truncated_" + name, Bytes(bytes.begin(), bytes.begin() + bytes.size() / 3)));
    }
    for (const std::string& file : none) EXPECT_FALSE(DecodeFile(file)) << file;

    // TGA headers: ID length, map type, image type, map start, length and entry bits, x and y origin, width,
    // height, bits a pixel and descriptor; then the data. Too large, empty, no such image type, grey of 24 bits (not
    // 8 or 16), colour-mapped without a map, 16 M pixels promised by one packet, one byte short.
    // clang-format off
    const Bytes tgas[] = {{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 24, 0},
                          {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 24, 0},
                          {0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0},
                          {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0},
                          {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0},
                          {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x0F, 0xA0, 0x0F, 24, 0, 0xFF, 1, 2, 3},
                          {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 1, 2, 3, 4, 5}};
    // clang-format on
    for (const Bytes& tga : tgas) EXPECT_FALSE(DecodeTga(tga)) << testing::PrintToString(tga);
    Bytes dxt1 = ReadBytes("pillow/dxt1-rgb-4bbp-noalpha_MipMaps-1.dds");
    dxt1.pop_back();
    EXPECT_FALSE(DecodeDds(dxt1));
    dxt1[0] = 'X';
    EXPECT_FALSE(DecodeDds(dxt1));
}

TEST(ImageDecodeTga, OriginsRunsAttributeBitsColourMapsAndIdFieldsAreRead) {
    // The same run-length data stored bottom-up, bottom-up right-to-left and top-down right-to-left.
    const Picture bottomLeft = Decoded("pillow/rgb32rle.tga");
    Picture bottomRight = Decoded("pillow/rgb32rle_bottom_right.tga");
    Picture topRight = Decoded("pillow/rgb32rle_top_right.tga");
    ASSERT_EQ(bottomLeft.width, 199);
    const auto width = size_t(bottomLeft.width);
    for (size_t y = 0; y < size_t(bottomLeft.height); ++y)
        std::reverse(bottomRight.pixels.begin() + y * width, bottomRight.pixels.begin() + (y + 1) * width);
    // Mirrored both ways is turned half round.
    std::reverse(topRight.pixels.begin(), topRight.pixels.end());
    // The descriptor counts no alpha bits, yet the alpha bytes hold a ramp: they are kept.
    EXPECT_EQ(bottomLeft.pixels[0] >> 24, 0u);
    EXPECT_TRUE(std::any_of(bottomLeft.pixels.begin(), bottomLeft.pixels.end(),
                            [](uint32_t p) { return p >> 24 > 0 && p >> 24 < 255; }));
    EXPECT_NE(std::count(bottomLeft.pixels.begin(), bottomLeft.pixels.end(), bottomLeft.pixels.front()),
              std::ptrdiff_t(bottomLeft.pixels.size()));
    ExpectSamePixels(bottomRight, bottomLeft, "bottom right, mirrored");
    ExpectSamePixels(topRight, bottomLeft, "top right, turned");

    // rgba16.tga: 2 x 1, descriptor alpha bits 8, pixels 0x541F and 0x83EA (A1 R5 G5 B5).
    const Bytes rgba16 = ReadBytes("pillow/rgba16.tga");
    Bytes noAlphaBits = rgba16, fifteenBits = rgba16;
    noAlphaBits[17] = 0x00;                        // the attribute bit is not alpha
    fifteenBits[16] = 15, fifteenBits[17] = 0x08;  // 15-bit colour has no attribute bit at all
    // A map of two 24-bit entries in a true-colour file is skipped; the pixel is blue first.
    const Bytes mapped = {0, 1, 2,  0,    0, 2, 0, 24, 0, 0, 0,    0,    1,   0,
                          1, 0, 24, 0x20, 1, 2, 3, 4,  5, 6, 0x30, 0x20, 0x10};
    const std::pair<Bytes, Pixels> cases[] = {
        // 2 x 2 grey from the bottom: one raw packet 00 FF FF, then 00; the run crosses a row.
        {ReadBytes("pillow/cross_scan_line.tga"), {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF}},
        {rgba16, {Argb(0, 173, 0, 255), Argb(255, 0, 255, 82)}},
        {noAlphaBits, {Argb(255, 173, 0, 255), Argb(255, 0, 255, 82)}},
        {fifteenBits, {Argb(255, 173, 0, 255), Argb(255, 0, 255, 82)}},
        {mapped, {0xFF102030}},
    };
    for (const auto& [file, pixels] : cases) EXPECT_EQ(DecodeTga(file).value_or(Picture{}).pixels, pixels);

    const Bytes id = ReadBytes("pillow/tga_id_field.tga");
    const Picture picture = Decoded("pillow/tga_id_field.tga");
    ASSERT_EQ(picture.width, 100);
    // Bottom-up: the first stored pixel, after the 6-byte ID, is the bottom-left one.
    EXPECT_EQ(picture.pixels[99 * 100], Argb(255, id[26], id[25], id[24]));
}

TEST(ImageDecodePcx, PixelsRunsAndPalettesLandWhereTheyBelongAndStatusSaysWhyAFileIsNotLoaded) {
    // 3 x 2, planes R, G, B per row; pixel (x, y) has red 10x + y, green 100 + x, blue 50 + y
    // (all below 0xC0, so each byte stands for itself).
    const Bytes planes = {0, 10, 20, 100, 101, 102, 50, 50, 50, 1, 11, 21, 100, 101, 102, 51, 51, 51};
    const PcxPicture pcx = LoadPcx(WriteScratch("3x2.pcx", PcxFile(3, 2, 3, 3, planes)));
    ASSERT_EQ(pcx.status, PcxStatus::Loaded);
    EXPECT_EQ(std::tie(pcx.picture.width, pcx.picture.height, pcx.picture.pixels),
              std::tuple(3, 2,
                         Pixels{Argb(255, 0, 100, 50), Argb(255, 10, 101, 50), Argb(255, 20, 102, 50),
                                Argb(255, 1, 100, 51), Argb(255, 11, 101, 51), Argb(255, 21, 102, 51)}));

    // 0xC3 0x7F is three 0x7F; 0xC1 0xC5 is one 0xC5 (a literal that needs a run); 0x05 is
    // itself. Two whole 4-byte palette entries and one stray byte follow. A run past the
    // last row is cut.
    const auto runs = ReadPcxFile(WriteScratch(
        "runs.pcx", PcxFile(5, 1, 1, 5, {0xC3, 0x7F, 0xC1, 0xC5, 0x05, 1, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 9})));
    const auto cut = ReadPcxFile(WriteScratch("cut.pcx", PcxFile(2, 1, 1, 2, {0xFF, 0x09, 0, 0, 0, 7})));
    ASSERT_TRUE(runs && cut);
    EXPECT_EQ(std::tie(runs->data, runs->trailingPalette, runs->header.planes, runs->header.bytesPerLine),
              std::tuple(Bytes{0x7F, 0x7F, 0x7F, 0xC5, 0x05}, Pixels{1, 0x11223344}, 1, 5));
    EXPECT_EQ(std::tie(cut->data, cut->trailingPalette), std::tuple(Bytes{9, 9}, Pixels{0x07000000}));

    Bytes truncated = ReadBytes("image-rs/pcx/images/24bit.pcx");
    truncated.resize(truncated.size() / 2);
    Bytes upsideDown = PcxFile(1, 1, 3, 1, {1, 2, 3});
    PutU16(upsideDown, 6, 5);  // Ymin above Ymax
    for (const char* file : {"image-rs/pcx/images/256-palette.pcx", "pillow/01r_00.pcx", "pillow/odd_stride.pcx",
                             "pillow/p_4_planes.pcx" /* four 1-bit planes are sixteen colours */})
        EXPECT_EQ(LoadPcx(ImagePath(file)).status, PcxStatus::NotTrueColour) << file;
    // 4 GB promised by a 132-byte file, and rows of 2 bytes that cannot hold 4 columns.
    for (const std::string& file :
         {ImagePath("pillow") + "/no_such_file.pcx", ImagePath("pillow/ossfuzz-4836216264589312.pcx"),
          WriteScratch("short.pcx", Bytes(100, 0x0A)), WriteScratch("truncated.pcx", truncated),
          WriteScratch("huge.pcx", PcxFile(32767, 32767, 4, 32767, {0xFF, 0, 0xFF, 0})),
          WriteScratch("upside_down.pcx", upsideDown),
          WriteScratch("narrow.pcx", PcxFile(4, 1, 3, 2, {1, 2, 3, 4, 5, 6}))})
        EXPECT_EQ(LoadPcx(file).status, PcxStatus::Unreadable) << file;
}

TEST(ImageDecodeResize, KeepsSizeAndFlatColoursInterpolatesAndIgnoresClearColour) {
    const Picture hopper = Decoded("pillow/hopper.png");
    ExpectSamePixels(Resize(hopper, hopper.width, hopper.height), hopper, "same size");
    const Picture up = Resize(Picture{3, 5, Pixels(15, 0x80336699)}, 64, 17);
    ExpectSamePixels(up, Picture{64, 17, Pixels(1088, 0x80336699)}, "enlarged");
    ExpectSamePixels(Resize(up, 1, 1), Picture{1, 1, Pixels(1, 0x80336699)}, "shrunk");
    EXPECT_EQ(Resize(Picture{2, 2, Pixels(4, 0xFFFFFFFF)}, 16384, 1).pixels.size(), 16384u);

    const Picture wide = Resize(Picture{2, 1, {0xFF000000, 0xFFFFFFFF}}, 8, 1);
    const auto red = [&](int x) { return (wide.pixels[size_t(x)] >> 16) & 0xFF; };
    // The ends stay near black and white; the middle rises between them.
    EXPECT_TRUE(red(0) < 16 && 16 < red(3) && red(3) < red(4) && red(4) < 239 && red(7) > 239)
        << testing::PrintToString(wide.pixels);

    // Straight alpha: the clear red pixel's colour must not tint its opaque blue neighbour.
    const uint32_t mixed = Resize(Picture{2, 1, {0xFF0000FF, 0x00FF0000}}, 1, 1).pixels.at(0);
    EXPECT_TRUE(((mixed >> 16) & 0xFF) <= 1 && (mixed & 0xFF) >= 254 && std::abs(double(mixed >> 24) - 127.5) <= 2)
        << std::hex << mixed;
}

TEST(ImageDecodeResize, BadSizesRaiseInvalidCall) {
    const auto invalid = [](auto call) {
        test::ExpectVgxError(call, 5, "VorlanSG", "Invalid procedure call or argument");
    };
    const Picture square{2, 2, Pixels(4, 0xFFFFFFFF)};
    for (const auto& [width, height] : {std::pair{0, 1}, {1, 0}, {-3, 4}, {16385, 1}, {1, 16385}})
        invalid([&] { Resize(square, width, height); });
    invalid([] { Resize(Picture{3, 3, {1, 2}}, 4, 4); });  // pixels that do not fill the size
}

}  // namespace
}  // namespace vgx::image
