#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "platform/image_decode.h"
#include "platform/os.h"
#include "platform/picture_files.h"
#include "root/errors.h"
#include "root/library_state.h"
#include "support/internals.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

namespace fs = std::filesystem;
using vgx::test::ExpectVgxError;
using vgx::test::LogMessages;

const std::string kSubscript = "Subscript out of range";
const std::string kInvalidCall = "Invalid procedure call or argument";

vgx::image::Picture Decoded(const std::string& path) {
    auto picture = vgx::image::DecodeFile(path);
    EXPECT_TRUE(picture) << path;
    return picture ? *picture : vgx::image::Picture{};
}

std::vector<int32_t> Signed(const std::vector<uint32_t>& pixels) { return {pixels.begin(), pixels.end()}; }

// `path` decoded and resampled the way a texture of width x height loads it.
std::vector<int32_t> Expected(const std::string& path, int32_t width, int32_t height) {
    return Signed(vgx::image::Resize(Decoded(path), width, height).pixels);
}

uint32_t Alpha(int32_t pixel) { return static_cast<uint32_t>(pixel) >> 24; }
uint32_t Rgb(int32_t pixel) { return static_cast<uint32_t>(pixel) & 0xFFFFFF; }

// A device that counts the textures it creates.
class CountingDevice : public VgxSoftwareDevice {
public:
    std::shared_ptr<VgxDeviceTexture> CreateTexture(int32_t width, int32_t height, int32_t levels, int32_t usage,
                                                    int32_t format, int32_t pool) override {
        ++created;
        return VgxSoftwareDevice::CreateTexture(width, height, levels, usage, format, pool);
    }
    int32_t created = 0;
};

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = vgx::test::ScratchFolder() + "/" + info->test_suite_name() + "_" + info->name() + "/";
        fs::create_directories(folder);
        vgx::platform::SetTickSource([this] { return now; });
        root->SetMessageBoxHandler([this](const std::string& text, const std::string&, int32_t style) {
            messages.push_back(text);
            styles.push_back(style);
        });
        // Textures of earlier tests' roots leave the library registry first.
        root->CollectGarbage();
        vgx::test::ClearLog();
    }
    void TearDown() override { vgx::platform::SetTickSource({}); }

    // Copies a test image to `name` under the test's own folder and returns its path.
    std::string Place(const std::string& image, const std::string& name) {
        const fs::path target = folder + name;
        fs::create_directories(target.parent_path());
        fs::copy_file(vgx::test::TestDataPath("images/" + image), target, fs::copy_options::overwrite_existing);
        return target.string();
    }
    // A BMP of one colour under the test's folder.
    std::string PlainBmp(const std::string& name, int32_t width, int32_t height, uint8_t grey) {
        const std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3, grey);
        const std::string path = folder + name;
        EXPECT_TRUE(stbi_write_bmp(path.c_str(), width, height, 3, rgb.data()));
        return path;
    }
    std::shared_ptr<VgxTexture> Create(const std::string& texture, const std::string& alpha = "",
                                       const std::string& overlay = "", float density = 0,
                                       const std::string& bump = "", int32_t width = 16, int32_t height = 16) {
        return root->CreateTexture(texture, alpha, overlay, density, bump, "", "", width, height);
    }
    vgx::iVgxTexture& Entry(int32_t index) { return Internals(*root).textures.at(index); }

    std::string folder;
    int32_t now = 100000;
    std::vector<std::string> messages;
    std::vector<int32_t> styles;
    std::shared_ptr<Vgx> root = Vgx::Create();
    VgxSoftwareDevice device;
};

// ---- Finding and decoding files ----

class TextureFiles : public TextureTest {};

TEST_F(TextureFiles, FolderQualifiedNameFirstThenSearchFoldersInOrderThenNothing) {
    const std::string first = Place("pillow/hopper.png", "a/wood.png");
    const std::string second = Place("pngsuite/basn6a08.png", "b/wood.png");
    const std::string own = Place("pngsuite/basn2c08.png", "c/wood.png");
    const std::string path = folder + "a;" + folder + "b/";
    std::string found;

    auto picture = vgx::platform::LoadTextureFile(*root, 8, 8, "wood.png", path, found);
    ASSERT_TRUE(picture);
    EXPECT_EQ(found, first);
    EXPECT_EQ(Signed(picture->pixels), Expected(first, 8, 8));

    ASSERT_TRUE(vgx::platform::LoadTextureFile(*root, 8, 8, "wood.png", folder + "b;" + folder + "a", found));
    EXPECT_EQ(found, second);
    // The folder given with the name wins over the search folders, with either separator.
    ASSERT_TRUE(vgx::platform::LoadTextureFile(*root, 8, 8, folder + "c/wood.png", path, found));
    EXPECT_EQ(found, own);
    ASSERT_TRUE(vgx::platform::LoadTextureFile(*root, 8, 8, folder + "c\\wood.png", path, found));
    EXPECT_EQ(found, own);
    // ... and when the file is not there, the search folders are searched.
    ASSERT_TRUE(vgx::platform::LoadTextureFile(*root, 8, 8, folder + "none/wood.png", path, found));
    EXPECT_EQ(found, first);

    found = "unchanged";
    EXPECT_FALSE(vgx::platform::LoadTextureFile(*root, 8, 8, "wood.png", folder + "none", found));
    EXPECT_FALSE(vgx::platform::LoadTextureFile(*root, 8, 8, "wood.xyz", path, found));
    EXPECT_EQ(found, "unchanged");
}

TEST_F(TextureFiles, TifGoesThroughATemporaryBmpThatIsGoneAfterwards) {
    const std::string tif = Place("pillow/hopper.tif", "hopper.tif");
    std::string found;
    auto picture = vgx::platform::LoadTextureFile(*root, 32, 32, "hopper.tif", folder, found);
    ASSERT_TRUE(picture);
    EXPECT_EQ(found, tif);
    EXPECT_EQ(Signed(picture->pixels), Expected(tif, 32, 32));
    for (const auto& file : fs::directory_iterator(vgx::platform::TempFolder())) {
        EXPECT_NE(file.path().filename().string().rfind("VRL", 0), 0u) << file.path();
    }
}

TEST_F(TextureFiles, TheTemporaryBmpIsVrlTickInTheTempFolderAndDeletedEvenWhenItFails) {
    Place("pillow/hopper.tif", "hopper.tif");
    now = 777;
    // An empty folder where the temporary file goes: it cannot be written, then is removed.
    const fs::path blocker = fs::path(vgx::platform::ShortPath(vgx::platform::TempFolder())) / "VRL777.BMP";
    fs::create_directory(blocker);
    std::string found;
    EXPECT_FALSE(vgx::platform::LoadTextureFile(*root, 32, 32, "hopper.tif", folder, found));
    EXPECT_FALSE(fs::exists(blocker));
}

TEST_F(TextureFiles, EightBitPcxIsRefusedWithTheMessageAndTwentyFourBitLoads) {
    Place("image-rs/pcx/images/256-palette.pcx", "palette.pcx");
    std::string found;
    EXPECT_FALSE(vgx::platform::LoadTextureFile(*root, 8, 8, "palette.pcx", folder, found));
    EXPECT_EQ(messages, (std::vector<std::string>{"PCX files must be either 24 or 32 bit color."}));
    EXPECT_EQ(styles, (std::vector<int32_t>{VgxMessageExclamation}));

    messages.clear();
    const std::string pcx = Place("image-rs/pcx/images/24bit.pcx", "true.pcx");
    auto picture = vgx::platform::LoadTextureFile(*root, 64, 16, "true.pcx", folder, found);
    ASSERT_TRUE(picture);
    EXPECT_EQ(found, pcx);
    EXPECT_EQ(Signed(picture->pixels), Expected(pcx, 64, 16));
    EXPECT_TRUE(messages.empty());
}

// ---- The registry ----

class TextureRegistry : public TextureTest {};

TEST_F(TextureRegistry, AnIdenticalRequestWithin2sReusesTheEntryAndLaterReloadsIt) {
    const std::string a = Place("pillow/hopper.bmp", "a/Wood.BMP");
    const std::string b = Place("pillow/bmp/g/rgb24.bmp", "b/wood.bmp");
    auto texture = Create(a);
    EXPECT_EQ(texture->GetTextureID(), 1);
    EXPECT_EQ(texture->GetTextureName(), "Wood.BMP");
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Loading Texture: Wood.BMP"}));

    now += 2000;
    EXPECT_EQ(Create(b), texture);
    EXPECT_EQ(root->GetTextureCount(), 1);
    EXPECT_EQ(Entry(0).PixelsTexture, Expected(a, 16, 16));
    EXPECT_EQ(LogMessages().size(), 1u);

    now += 1;  // 2001 ms after the load
    EXPECT_EQ(Create(b), texture);
    EXPECT_EQ(root->GetTextureCount(), 1);
    EXPECT_EQ(Entry(0).PixelsTexture, Expected(b, 16, 16));
    EXPECT_EQ(Entry(0).LastLoadTime, now);
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Loading Texture: Wood.BMP", "Reloading Texture: Wood.BMP"}));
}

TEST_F(TextureRegistry, TheReuseWindowSurvivesTheTickCounterWrapping) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    now = std::numeric_limits<int32_t>::max() - 500;
    auto texture = Create(a);
    now = std::numeric_limits<int32_t>::min() + 500;  // 1001 ms later
    EXPECT_EQ(Create(a), texture);
    EXPECT_EQ(LogMessages().size(), 1u);
}

TEST_F(TextureRegistry, ADifferentDensityOrNameMakesANewEntry) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    const std::string o = Place("pillow/hopper.png", "dirt.png");
    auto half = Create(a, "", o, 0.5f);
    auto almost = Create(a, "", o, 0.50001f);
    auto other = Create(a, "", "", 0.5f);
    EXPECT_EQ(root->GetTextureCount(), 3);
    EXPECT_EQ(half->GetTextureID(), 1);
    EXPECT_EQ(almost->GetTextureID(), 2);
    EXPECT_EQ(other->GetTextureID(), 3);
    EXPECT_FLOAT_EQ(almost->GetTextureOverlayDensity(), 0.50001f);
    EXPECT_EQ(Create(a, "", o, 0.5f), half);
}

TEST_F(TextureRegistry, StoredNamesLoseTheirFolderAndNeedATitleAndExtension) {
    auto texture = root->CreateTexture("/x/y/Wall.tga", "ab", "noextension", 0, "c:\\maps\\Bump.Png", ".bmp", "e.dds",
                                       4, 4);
    EXPECT_EQ(texture->GetTextureName(), "Wall.TGA");
    EXPECT_EQ(texture->GetTranslucencyMapName(), "");
    EXPECT_EQ(texture->GetTextureOverlayName(), "");
    EXPECT_EQ(texture->GetBumpMapName(), "Bump.PNG");
    EXPECT_EQ(texture->GetSpecularMapName(), "");
    EXPECT_EQ(texture->GetEnvironmentMapName(), "e.DDS");
    // Missing files leave their maps empty; the combined image is then plain white.
    EXPECT_TRUE(Entry(0).PixelsTexture.empty());
    EXPECT_TRUE(Entry(0).PixelsNormalMap.empty());
    EXPECT_EQ(Entry(0).Pixels, std::vector<int32_t>(16, -1));
}

TEST_F(TextureRegistry, BadSizesAndDensitiesAreRefusedBeforeAnythingChanges) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    Create(a);
    vgx::test::ClearLog();
    for (auto [width, height, density] : std::vector<std::tuple<int32_t, int32_t, float>>{
             {0, 4, 0.0f}, {4, -1, 0.0f}, {16385, 4, 0.0f}, {16384, 16384, 0.0f}, {4, 4, -0.01f}, {4, 4, 1.01f},
             {4, 4, std::numeric_limits<float>::quiet_NaN()}}) {
        ExpectVgxError([&] { Create(a, "", "", density, "", width, height); }, 5, "Vgx", kInvalidCall);
    }
    EXPECT_EQ(root->GetTextureCount(), 1);
    EXPECT_EQ(Entry(0).TextureWidth, 16);
    EXPECT_TRUE(LogMessages().empty());
    EXPECT_EQ(vgx::Registered().textures.size(), 1u);
}

TEST_F(TextureRegistry, GarbageCollectionErasesPixelsOfDroppedTexturesUntilTheNextLoad) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    const std::string o = Place("pillow/hopper.png", "dirt.png");
    std::weak_ptr<VgxTexture> watch = Create(a, "", o, 0.25f);
    vgx::test::ClearLog();
    root->CollectGarbage();
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Releasing Texture (RC=3): wood.BMP  dirt.PNG 0.25   "}));
    ASSERT_FALSE(watch.expired());
    EXPECT_TRUE(Entry(0).Pixels.empty());
    EXPECT_TRUE(Entry(0).PixelsTexture.empty());

    EXPECT_EQ(Create(a, "", o, 0.25f), watch.lock());  // within 2 s: still empty
    EXPECT_TRUE(Entry(0).Pixels.empty());
    now += 2001;
    auto texture = Create(a, "", o, 0.25f);
    EXPECT_EQ(texture, watch.lock());
    EXPECT_EQ(Entry(0).PixelsTexture, Expected(a, 16, 16));
}

TEST_F(TextureRegistry, ARootWithTexturesIsDestroyedWhenTheHostDropsIt) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    auto texture = Create(a);
    std::weak_ptr<Vgx> watch = root;
    root.reset();
    EXPECT_TRUE(watch.expired());
    // The texture the host kept outlives its root; it can no longer be read.
    ExpectVgxError([&] { texture->GetTextureName(); }, 91, "VgxTexture",
                   std::string(vgx::DescribeError(VgxErrObjectNotSet)));
    std::weak_ptr<VgxTexture> kept = texture;
    texture.reset();
    auto other = Vgx::Create();
    vgx::test::ClearLog();
    other->CollectGarbage();
    EXPECT_TRUE(kept.expired());
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Releasing Texture (RC=2)"}));
}

TEST_F(TextureRegistry, ALostHiddenDeviceIsResetBeforeDecoding) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    VgxSoftwareDevice& hidden = *vgx::Library().hiddenDevice;
    const int32_t resets = hidden.GetResetCount();
    hidden.MarkLost();
    Create(a);
    EXPECT_EQ(hidden.GetResetCount(), resets + 1);
    EXPECT_EQ(hidden.TestCooperativeLevel(), VgxDeviceOK);
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Loading Texture: wood.BMP", "Vgx: Device Lost or Not Reset"}));
    EXPECT_EQ(Entry(0).PixelsTexture, Expected(a, 16, 16));
}

// While the display is held elsewhere the maps are not decoded; the entry is made
// without pixels and the next load after the device is back fills it.
TEST_F(TextureRegistry, AHiddenDeviceThatStaysLostLeavesThePixelsEmpty) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    VgxSoftwareDevice& hidden = *vgx::Library().hiddenDevice;
    const int32_t resets = hidden.GetResetCount();
    hidden.MarkLost(100);
    Create(a);
    EXPECT_EQ(hidden.GetResetCount(), resets + 20);
    EXPECT_EQ(hidden.TestCooperativeLevel(), VgxDeviceLost);
    EXPECT_TRUE(Entry(0).PixelsTexture.empty());
    hidden.MarkLost();
    hidden.Reset(hidden.GetPresentParameters());
}

TEST_F(TextureRegistry, StaleIdsRaiseSubscriptErrorsAndChangeNothing) {
    auto stale = Create("");
    Internals(*root).textures.clear();
    ExpectVgxError([&] { stale->GetTextureName(); }, 9, "VgxTexture", kSubscript);
    std::vector<int32_t> pixels{7};
    int32_t width = 3, height = 3;
    ExpectVgxError([&] { stale->GetPixels(pixels, width, height); }, 9, "VgxTexture", kSubscript);
    ExpectVgxError([&] { stale->GetBumpmapThumbnail(device, 8); }, 9, "VgxTexture", kSubscript);
    EXPECT_EQ(pixels, std::vector<int32_t>{7});
    EXPECT_EQ(width, 3);
}

// ---- The maps of an entry ----

class TextureMaps : public TextureTest {};

TEST_F(TextureMaps, AFileWithAlphaNamedAsItsOwnTranslucencyMapKeepsItsAlpha) {
    for (const char* image : {"pngsuite/basn6a08.png", "pillow/rgb32rle.tga", "pillow/dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.dds"}) {
        const std::string name = fs::path(image).filename().string();
        const std::string path = Place(image, name);
        auto texture = Create(path, path);
        const vgx::iVgxTexture& entry = Entry(texture->GetTextureID() - 1);
        EXPECT_TRUE(entry.PixelsTextureAlphaMap.empty()) << image;
        ASSERT_EQ(entry.Pixels.size(), entry.PixelsTexture.size()) << image;
        bool translucent = false;
        for (size_t i = 0; i < entry.Pixels.size(); ++i) {
            EXPECT_EQ(Alpha(entry.Pixels[i]), Alpha(entry.PixelsTexture[i])) << image << " " << i;
            translucent = translucent || Alpha(entry.Pixels[i]) < 255;
        }
        EXPECT_TRUE(translucent) << image;
        EXPECT_EQ(texture->GetTranslucencyMapThumbnail(device, 64), nullptr);
    }
}

TEST_F(TextureMaps, ABmpNamedTwiceGivesItsGreyLevelAsAlpha) {
    const std::string path = Place("pillow/hopper.bmp", "wood.bmp");
    auto texture = Create(path, path);
    const vgx::iVgxTexture& entry = Entry(0);
    ASSERT_EQ(entry.PixelsTextureAlphaMap, entry.PixelsTexture);
    for (size_t i = 0; i < entry.Pixels.size(); ++i) {
        const auto c = static_cast<uint32_t>(entry.PixelsTexture[i]);
        const float grey = (((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3.0f;
        EXPECT_EQ(Alpha(entry.Pixels[i]), static_cast<uint32_t>(std::lround(grey))) << i;
        EXPECT_EQ(Rgb(entry.Pixels[i]), Rgb(entry.PixelsTexture[i])) << i;
    }
}

TEST_F(TextureMaps, OverlayDensityZeroShowsTheTextureAndOneTheOverlayWithTheTextureAlpha) {
    const std::string texturePath = Place("pngsuite/basn6a08.png", "glass.png");
    const std::string overlayPath = Place("pillow/hopper.png", "dirt.png");
    Create(texturePath, "", overlayPath, 0);
    Create(texturePath, "", overlayPath, 1);
    EXPECT_EQ(Entry(0).Pixels, Entry(0).PixelsTexture);
    const vgx::iVgxTexture& full = Entry(1);
    for (size_t i = 0; i < full.Pixels.size(); ++i) {
        EXPECT_EQ(Rgb(full.Pixels[i]), Rgb(full.PixelsTextureOverlay[i])) << i;
        EXPECT_EQ(Alpha(full.Pixels[i]), Alpha(full.PixelsTexture[i])) << i;
    }
}

TEST_F(TextureMaps, AFlatBumpMapPointsStraightUpAndTheFarEdgesFallToZero) {
    constexpr int32_t kUp = static_cast<int32_t>(0xFF8080FF);
    Create("", "", "", 0, PlainBmp("black.bmp", 4, 4, 0), 4, 4);
    EXPECT_EQ(Entry(0).PixelsNormalMap, std::vector<int32_t>(16, kUp));

    Create("", "", "", 0, PlainBmp("white.bmp", 4, 4, 255), 4, 4);
    const std::vector<int32_t>& normals = Entry(1).PixelsNormalMap;
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            const auto n = static_cast<uint32_t>(normals[y * 4 + x]);
            const uint32_t red = (n >> 16) & 0xFF, green = (n >> 8) & 0xFF;
            // The height falls from 255/64 to 0 past the last column and row:
            // the normal leans towards +x and +y there.
            EXPECT_EQ(red > 128, x == 3) << x << "," << y;
            EXPECT_EQ(green > 128, y == 3) << x << "," << y;
            if (x < 3 && y < 3) {
                EXPECT_EQ(normals[y * 4 + x], kUp);
            }
        }
    }
}

// ---- Device textures and previews ----

class TextureDevice : public TextureTest {};

TEST_F(TextureDevice, RebuildTakesTheRegistryIndexAndBuildsAFullFilteredMipChain) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    auto texture = Create(a, "", "", 0, "", 8, 4);
    ASSERT_EQ(texture->GetTextureID(), 1);
    std::shared_ptr<VgxDeviceTexture> built;
    root->RebuildDirect3DTexture8(device, 0, built, false);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->GetLevelCount(), 4);  // 8x4, 4x2, 2x1, 1x1
    EXPECT_EQ(built->ReadLevel(0), Entry(0).PixelsTexture);
    const std::vector<int32_t> level0 = built->ReadLevel(0);
    const std::vector<int32_t> level1 = built->ReadLevel(1);
    for (int32_t shift : {0, 8, 16, 24}) {
        uint32_t sum = 0;
        for (int32_t i : {0, 1, 8, 9}) sum += (static_cast<uint32_t>(level0[i]) >> shift) & 0xFF;
        EXPECT_EQ((static_cast<uint32_t>(level1[0]) >> shift) & 0xFF, (sum + 2) / 4) << shift;
    }
}

TEST_F(TextureDevice, RebuildWithoutRefreshBuildsOnlyWhatChanged) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    Create(a);
    CountingDevice counting;
    std::shared_ptr<VgxDeviceTexture> combined;
    root->RebuildDirect3DTextureCombined8(counting, 0, combined, false);
    const auto first = combined;
    root->RebuildDirect3DTextureCombined8(counting, 0, combined, false);
    EXPECT_EQ(counting.created, 1);
    EXPECT_EQ(combined, first);
    root->RebuildDirect3DTextureCombined8(counting, 0, combined, true);
    EXPECT_EQ(counting.created, 2);
    EXPECT_NE(combined, first);
    // A reload marks every map changed again.
    now += 2001;
    Create(a);
    root->RebuildDirect3DTextureCombined8(counting, 0, combined, false);
    EXPECT_EQ(counting.created, 3);
}

TEST_F(TextureDevice, AnAbsentMapGivesNoDeviceTexture) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    Create(a);
    std::shared_ptr<VgxDeviceTexture> map = device.CreateTexture(2, 2, 1, 0, VgxFormatA8R8G8B8, VgxPoolManaged);
    root->RebuildDirect3DSpecularMap8(device, 0, map, false);
    EXPECT_EQ(map, nullptr);
    root->RebuildDirect3DBumpmap8(device, 0, map, true);
    EXPECT_EQ(map, nullptr);
}

TEST_F(TextureDevice, IdsOutsideTheRegistryRaise9FromVgxAndLeaveTheTextureAlone) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    Create(a);
    using Rebuild = void (Vgx::*)(VgxDevice&, int32_t, std::shared_ptr<VgxDeviceTexture>&, bool);
    for (Rebuild rebuild : {&Vgx::RebuildDirect3DTextureCombined8, &Vgx::RebuildDirect3DTexture8,
                            &Vgx::RebuildDirect3DTextureOverlay8, &Vgx::RebuildDirect3DBumpmap8,
                            &Vgx::RebuildDirect3DSpecularMap8, &Vgx::RebuildDirect3DEnvironmentMap8}) {
        for (int32_t id : {1, -1}) {  // id 1 is the texture's id, not its index
            auto kept = device.CreateTexture(2, 2, 1, 0, VgxFormatA8R8G8B8, VgxPoolManaged);
            auto held = kept;
            ExpectVgxError([&] { ((*root).*rebuild)(device, id, held, true); }, 9, "Vgx", kSubscript);
            EXPECT_EQ(held, kept);
        }
    }
    EXPECT_TRUE(Entry(0).PixelsChanged);
}

TEST_F(TextureDevice, ThumbnailsAreTheFirstMipLevelNarrowEnough) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    const std::string o = Place("pillow/hopper.png", "dirt.png");
    auto plain = Create(a, "", "", 0, "", 64, 32);
    auto thumbnail = plain->GetTextureThumbnail(device, 20);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->Width, 16);
    EXPECT_EQ(thumbnail->Height, 8);
    EXPECT_EQ(plain->GetTextureThumbnail(device, 64)->Pixels, Entry(0).Pixels);
    EXPECT_EQ(plain->GetTextureThumbnail(device, 0)->Width, 2);  // level 5 when none is narrow enough
    EXPECT_EQ(plain->GetTextureOverlayThumbnail(device, 64), nullptr);

    // With an overlay the texture preview shows the texture without it.
    auto overlaid = Create(a, "", o, 0.5f, "", 64, 32);
    EXPECT_EQ(overlaid->GetTextureThumbnail(device, 64)->Pixels, Entry(1).PixelsTexture);
    EXPECT_EQ(overlaid->GetTextureOverlayThumbnail(device, 64)->Pixels, Entry(1).PixelsTextureOverlay);
    // No texture name, no preview.
    EXPECT_EQ(Create("", "", o, 0.5f)->GetTextureThumbnail(device, 64), nullptr);
}

TEST_F(TextureDevice, GetPixelsCopiesTheCombinedImage) {
    const std::string a = Place("pillow/hopper.bmp", "wood.bmp");
    auto texture = Create(a, "", "", 0, "", 8, 4);
    std::vector<int32_t> pixels;
    int32_t width = 0, height = 0;
    texture->GetPixels(pixels, width, height);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 4);
    EXPECT_EQ(pixels, Entry(0).Pixels);
}

// ---- Composing pictures ----

class TextureCombineImages : public TextureTest {};

std::shared_ptr<VgxPicture> Plain(int32_t width, int32_t height, uint32_t colour) {
    return std::make_shared<VgxPicture>(
        VgxPicture{width, height, std::vector<int32_t>(static_cast<size_t>(width) * height, static_cast<int32_t>(colour))});
}

TEST_F(TextureCombineImages, PicturesAreDrawnOverTheResultInOrder) {
    std::shared_ptr<VgxPicture> result;
    root->CombineImages(result, {Plain(4, 2, 0xFF0000FF), Plain(2, 1, 0x80FF0000)});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Width, 4);
    EXPECT_EQ(result->Height, 2);
    for (int32_t pixel : result->Pixels) EXPECT_EQ(static_cast<uint32_t>(pixel), 0xFF80007Fu);

    auto below = Plain(2, 2, 0xFF00FF00);
    auto kept = below;
    root->CombineImages(below, {Plain(2, 2, 0x00FFFFFF)});
    EXPECT_EQ(below->Pixels, kept->Pixels);
}

TEST_F(TextureCombineImages, MissingOrMalformedPicturesChangeNothing) {
    auto result = Plain(2, 2, 0xFF00FF00);
    const auto before = result;
    ExpectVgxError([&] { root->CombineImages(result, {Plain(2, 2, 0xFF000000), nullptr}); }, 91, "Vgx",
                   std::string(vgx::DescribeError(VgxErrObjectNotSet)));
    auto malformed = Plain(2, 2, 0);
    malformed->Pixels.pop_back();
    ExpectVgxError([&] { root->CombineImages(result, {malformed}); }, 5, "Vgx", kInvalidCall);
    EXPECT_EQ(result, before);
    EXPECT_EQ(result->Pixels, std::vector<int32_t>(4, static_cast<int32_t>(0xFF00FF00)));
}

}  // namespace
