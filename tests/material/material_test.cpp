// Materials, lights, and the texture registry with its files, maps and device textures.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <ranges>

#include "material/materials_equal.h"
#include "platform/image_decode.h"
#include "platform/os.h"
#include "platform/picture_files.h"
#include "state/library_state.h"
#include "state/root_state.h"
#include "support/internals.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

namespace fs = std::filesystem;
using vgx::test::ExpectVgxError;
using vgx::test::LogMessages;
using Strings = std::vector<std::string>;
using Pixels = std::vector<int32_t>;
using Floats = std::vector<float>;
// Diffuse, Ambient, Specular, Emissive (r, g, b, a each), then Power.
using Fields = std::array<float, 17>;

const std::string kSubscript = "Subscript out of range";
const std::string kInvalidCall = "Invalid procedure call or argument";
const std::string kNotSet = "Object variable or With block variable not set";

// `path` decoded and resampled the way a texture of width x height loads it.
Pixels Expected(const std::string& path, int32_t width, int32_t height) {
    auto picture = vgx::image::DecodeFile(path);
    EXPECT_TRUE(picture) << path;
    const auto pixels = picture ? vgx::image::Resize(*picture, width, height).pixels : std::vector<uint32_t>{};
    return {pixels.begin(), pixels.end()};
}

uint32_t Alpha(int32_t pixel) { return static_cast<uint32_t>(pixel) >> 24; }
uint32_t Rgb(int32_t pixel) { return static_cast<uint32_t>(pixel) & 0xFFFFFF; }
uint32_t Grey(int32_t p) { return std::lround(((Rgb(p) >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3.0f); }

// One value of every pixel.
std::vector<uint32_t> Each(const Pixels& pixels, uint32_t (*value)(int32_t)) {
    auto values = pixels | std::views::transform(value);
    return {values.begin(), values.end()};
}

std::shared_ptr<VgxPicture> Plain(int32_t width, int32_t height, int32_t colour) {
    return std::make_shared<VgxPicture>(VgxPicture{width, height, Pixels(width * height, colour)});
}

class Materials : public ::testing::Test {
protected:
    void SetUp() override {
        folder = vgx::test::ScratchFolder() + "/" + testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        wood = Place("pillow/hopper.bmp", "wood.bmp");
        dirt = Place("pillow/hopper.png", "dirt.png");
        vgx::platform::SetTickSource([this] { return now; });
        root->SetMessageBoxHandler(
            [this](const std::string& text, const std::string&, int32_t style) { messages.emplace_back(text, style); });
        // Textures of earlier tests' roots leave the library registry first.
        root->CollectGarbage();
        vgx::test::ClearLog();
    }
    void TearDown() override { vgx::platform::SetTickSource({}); }

    // Copies a test image to `name` under the test's own folder and returns its path.
    std::string Place(const std::string& image, const std::string& name) {
        fs::create_directories(fs::path(folder + name).parent_path());
        fs::copy_file(vgx::test::TestDataPath("images/" + image), folder + name, fs::copy_options::overwrite_existing);
        return folder + name;
    }
    // Loads a file as a texture does and checks it is `want` with the pixels it should have.
    void Load(const std::string& name, const std::string& search, const std::string& want, int32_t w = 8,
              int32_t h = 8) {
        auto picture = vgx::platform::LoadTextureFile(vgx::State(*root).messageBox, w, h, name, search, found);
        EXPECT_EQ(std::tuple(found, picture ? Pixels(picture->pixels.begin(), picture->pixels.end()) : Pixels{}),
                  std::tuple(want, Expected(want, w, h)))
            << name;
    }
    std::shared_ptr<VgxTexture> Create(const std::string& texture, const std::string& alpha = "",
                                       const std::string& overlay = "", float density = 0, const std::string& bump = "",
                                       int32_t width = 16, int32_t height = 16) {
        return root->CreateTexture(texture, alpha, overlay, density, bump, "", "", width, height);
    }
    vgx::iVgxTexture& Entry(int32_t index) { return Internals(*root).textures.at(index); }
    // A bare texture bound to a new entry of the root with the given file names.
    std::shared_ptr<VgxTexture> Texture(const std::string& name, const std::string& alphaMap = "") {
        auto texture = MakeBare<VgxTexture>();
        vgx::iVgxTexture& entry = Internals(*root).textures.emplace_back();
        entry.TextureName = name, entry.TextureAlphaName = alphaMap;
        BindTexture(*texture, root, static_cast<int32_t>(Internals(*root).textures.size()));
        return texture;
    }

    std::string folder, wood, dirt, found;
    int32_t now = 100000;
    std::vector<std::pair<std::string, int32_t>> messages;
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxMaterial> material;  // made by the tests of materials: it holds the root
    VgxSoftwareDevice device;
};

// ---- Materials and lights ----

TEST_F(Materials, DefaultsTheD3DMaterialRebuiltAfterEachSetterAndTranslucency) {
    material = root->CreateMaterial();
    EXPECT_EQ(std::bit_cast<Fields>(material->GetD3DMaterial()),
              (Fields{1, 1, 1, 1, 0.6f, 0.6f, 0.6f, 0, 1, 1, 1, 1, 0.2f, 0.2f, 0.2f, 0, 0}));
    EXPECT_EQ(std::tuple(material->Translucent(), MaterialIndex(*material), material->GetTexture(),
                         material->GetPluginID(), RootOf(*material), static_cast<uint32_t>(material->GetColor())),
              std::tuple(false, -1, nullptr, -1, root, 0xFFFFFFFFu));
    // Black ambient and emissive follow the diffuse colour.
    material->SetColorRGBA(1, 0, 0, 1);
    material->SetAmbient(0, 0, 0);
    material->SetEmissive(0, 0, 0);
    EXPECT_EQ(std::bit_cast<Fields>(material->GetD3DMaterial()),
              (Fields{1, 0, 0, 1, 0.6f, 0, 0, 0, 1, 1, 1, 1, 0.2f, 0, 0, 0, 0}));
    material->SetAmbient(0.1f, 0.2f, 0.3f);
    EXPECT_FLOAT_EQ(material->GetD3DMaterial().Ambient.b, 0.3f);
    material->SetPower(12);
    EXPECT_FLOAT_EQ(material->GetD3DMaterial().Power, 12);
    material->SetSpecular(0.5f, 0.5f, 0.5f);
    EXPECT_FLOAT_EQ(material->GetD3DMaterial().Specular.r, 0.5f);
    // Alpha decides opacity: just above the threshold counts as opaque.
    material->SetColorRGBA(1, 1, 1, 0.96f);
    EXPECT_TRUE(material->Translucent());
    EXPECT_NEAR(material->GetD3DMaterial().Diffuse.a, 0.96f, 0.5f / 255);
    material->SetColorRGBA(1, 1, 1, 0.98f);
    EXPECT_EQ(std::tuple(material->Translucent(), material->GetD3DMaterial().Diffuse.a), std::tuple(false, 1.0f));
    // So do the texture's file names.
    using Case = std::tuple<std::string, std::string, bool>;
    for (auto [name, alpha, translucent] :
         {Case{"wall.tga", "", true}, Case{"WALL.Png", "", true}, Case{"wall.bmp", "", false},
          Case{"wall.bmp", "a.bmp", true}, Case{"wall.bmp", "ab", false}}) {
        material->SetTexture(Texture(name, alpha));
        EXPECT_EQ(material->Translucent(), translucent) << name << " " << alpha;
    }
    // A texture whose entry cannot be read changes nothing.
    auto stale = MakeBare<VgxTexture>();
    material->SetTexture(stale);
    EXPECT_EQ(std::tuple(material->Translucent(), material->GetTexture()), std::tuple(false, stale));
}

TEST_F(Materials, CustomFieldsAreSixSlotsPluginParametersIgnoreEmptyListsAndCopyToLeavesBoth) {
    material = root->CreateMaterial();
    for (int32_t id = 0; id < 6; ++id) material->SetCustomFieldValue(id, "v" + std::to_string(id));
    EXPECT_EQ(material->GetCustomFieldValue(5), "v5");
    for (int32_t id : {-1, 6}) {
        ExpectVgxError([&] { material->SetCustomFieldValue(id, "x"); }, 9, "VorlanSG", kSubscript);
        ExpectVgxError([&] { material->GetCustomFieldValue(id); }, 9, "VorlanSG", kSubscript);
    }
    EXPECT_EQ(material->GetCustomFieldValue(0), "v0");
    Floats out{9};
    material->GetPlugInParameters(out);
    EXPECT_EQ(out, Floats{9});
    material->SetPlugInParameters({1, 2});
    material->SetPlugInParameters({});
    material->GetPlugInParameters(out);
    EXPECT_EQ(out, (Floats{1, 2}));

    material->SetColorRGBA(0, 1, 0, 0.5f);
    material->SetName("leaf");
    material->SetPower(3);
    SetMaterialIndex(*material, 4);
    material->SetTextureWrappingFlags(1, 2);
    material->SetPlugInID(7);
    auto target = root->CreateMaterial();
    target->SetPlugInID(2);
    target->SetPlugInParameters({5});
    target->SetCustomFieldValue(0, "target");
    CopyMaterial(*material, *target);
    int32_t u, v;
    target->GetTextureWrappingFlags(u, v);
    target->GetPlugInParameters(out);
    EXPECT_EQ(std::tuple(target->GetColor(), target->Translucent(), target->GetName(), target->GetPower(),
                         MaterialIndex(*target), v, target->GetPluginID(), target->GetCustomFieldValue(0), out),
              std::tuple(material->GetColor(), true, "leaf", 3.0f, 4, 2, 2, "target", Floats{5}));
}

TEST_F(Materials, EqualityRules) {
    material = root->CreateMaterial();
    auto other = root->CreateMaterial();
    auto equal = [&] { return vgx::MaterialsEqual(*material, *other); };
    EXPECT_TRUE(equal());
    material->SetCustomFieldValue(2, "Steel");
    other->SetCustomFieldValue(2, "STEEL");
    EXPECT_TRUE(equal());
    material->SetRaytraceAttributes("gloss");
    other->SetRaytraceAttributes("Gloss");
    EXPECT_FALSE(equal());
    other->SetRaytraceAttributes("gloss");
    // Plug-in parameters count only with a plug-in, and then within 0.0001.
    material->SetPlugInParameters({1.0f, 2.0f});
    other->SetPlugInParameters({1.00005f, 2.0f});
    EXPECT_TRUE(equal());
    other->SetPlugInParameters({1.0f});
    EXPECT_TRUE(equal());
    material->SetPlugInID(3);
    other->SetPlugInID(3);
    EXPECT_FALSE(equal());
    other->SetPlugInParameters({1.00005f, 2.0f});
    EXPECT_TRUE(equal());
    // The same texture object, not an equal one.
    other->SetTexture(Texture("wall.bmp"));
    EXPECT_FALSE(equal());
    material->SetTexture(other->GetTexture());
    EXPECT_TRUE(equal());
    other->SetEmissive(0.2f, 0.2f, 0.21f);
    EXPECT_FALSE(equal());
}

TEST(Light, DefaultsAndColourThroughTheRootWhichBareLightsAndMaterialsLack) {
    auto root = Vgx::Create();
    const int32_t color = root->CreateColorRGB(0.5f, 0.25f, 1);
    auto light = root->CreateLight(VgxLightSpot, color);
    auto rgb = root->CreateLightRGB(VgxLightPoint, 1, 0, 0);
    EXPECT_EQ(std::tuple(light->GetType(), light->GetColor(), light->GetCastShadow(), light->GetAppData(),
                         rgb->GetType(), static_cast<uint32_t>(rgb->GetColor())),
              std::tuple(VgxLightSpot, color, false, 0, VgxLightPoint, 0xFFFF0000u));
    EXPECT_EQ((Floats{light->GetConstantAttenuation(), light->GetLinearAttenuation(), light->GetQuadraticAttenuation(),
                      light->GetRange(), light->GetUmbra(), light->GetPenumbra()}),
              (Floats{1, 0, 0, 256, 0.4f, 0.5f}));
    light->SetColorRGB(1, 0.5f, 0);
    EXPECT_EQ(static_cast<uint32_t>(light->GetColor()) >> 24, 255u);
    float r, g, b, a;
    light->GetColorRGB(r, g, b);
    EXPECT_EQ(std::tuple(r, b), std::tuple(1.0f, 0.0f));
    EXPECT_NEAR(g, 0.5f, 1.0f / 255);
    // Values are stored unchecked.
    light->SetRange(-3);
    light->SetType(static_cast<VgxLightType>(9));
    EXPECT_EQ(std::tuple(light->GetRange(), light->GetType()), std::tuple(-3.0f, static_cast<VgxLightType>(9)));

    auto bare = MakeBare<VgxLight>();
    EXPECT_EQ(std::tuple(bare->GetConstantAttenuation(), bare->GetRange()), std::tuple(0.0f, 0.0f));
    ExpectVgxError([&] { bare->GetColorRGB(r, g, b); }, 91, "VorlanSG", kNotSet);
    ExpectVgxError([&] { bare->SetColorRGB(1, 1, 1); }, 91, "VorlanSG", kNotSet);
    EXPECT_EQ(bare->GetColor(), 0);
    auto orphan = MakeBare<VgxMaterial>();
    ExpectVgxError([&] { orphan->SetColor(5); }, 91, "VorlanSG", kNotSet);
    ExpectVgxError([&] { orphan->GetColorRGBA(r, g, b, a); }, 91, "VorlanSG", kNotSet);
    ExpectVgxError([&] { orphan->GetD3DMaterial(); }, 91, "VorlanSG", kNotSet);
    EXPECT_EQ(orphan->GetColor(), 0);
}

// ---- Texture files ----

TEST_F(Materials, FilesAreFoundByTheirFolderThenTheSearchPathAndTifOrPcxGoThroughATemporaryBmp) {
    const std::string first = Place("pillow/hopper.png", "a/wood.png");
    const std::string second = Place("pngsuite/basn6a08.png", "b/wood.png");
    const std::string own = Place("pngsuite/basn2c08.png", "c/wood.png");
    const std::string path = folder + "a;" + folder + "b/";
    // The folder given with the name wins over the search folders, with either
    // separator; when the file is not there, the search folders are searched.
    Load("wood.png", path, first);
    Load("wood.png", folder + "b;" + folder + "a", second);
    Load(folder + "c/wood.png", path, own);
    Load(folder + "c\\wood.png", path, own);
    Load(folder + "none/wood.png", path, first);
    found = "unchanged";
    const VgxMessageBoxHandler& messageBox = vgx::State(*root).messageBox;
    EXPECT_FALSE(vgx::platform::LoadTextureFile(messageBox, 8, 8, "wood.png", folder + "none", found));
    EXPECT_FALSE(vgx::platform::LoadTextureFile(messageBox, 8, 8, "wood.xyz", path, found));
    EXPECT_EQ(found, "unchanged");

    // TIF goes through a BMP of its own in the temp folder, removed afterwards; a
    // temp folder that is not there fails the load.
    const std::string tif = Place("pillow/hopper.tif", "hopper.tif");
    const std::string temp = vgx::platform::Environment("temp");
    setenv("temp", (folder + "missing").c_str(), 1);
    EXPECT_FALSE(vgx::platform::LoadTextureFile(messageBox, 32, 32, "hopper.tif", folder, found));
    setenv("temp", temp.c_str(), 1);
    Load("hopper.tif", folder, tif, 32, 32);
    for (const auto& file : fs::directory_iterator(vgx::platform::TempFolder())) {
        EXPECT_NE(file.path().filename().string().rfind("VRL", 0), 0u) << file.path();
    }
    // Eight-bit PCX is refused with a message; 24-bit loads.
    Place("image-rs/pcx/images/256-palette.pcx", "palette.pcx");
    EXPECT_FALSE(vgx::platform::LoadTextureFile(messageBox, 8, 8, "palette.pcx", folder, found));
    Load("true.pcx", folder, Place("image-rs/pcx/images/24bit.pcx", "true.pcx"), 64, 16);
    EXPECT_EQ(messages, (std::vector<std::pair<std::string, int32_t>>{
                            {"PCX files must be either 24 or 32 bit color.", VgxMessageExclamation}}));
}

// ---- The registry ----

TEST_F(Materials, AnIdenticalRequestWithin2sReusesTheEntryAndLaterReloadsIt) {
    const std::string a = Place("pillow/hopper.bmp", "a/Wood.BMP");
    const std::string b = Place("pillow/bmp/g/rgb24.bmp", "b/wood.bmp");
    auto texture = Create(a);
    EXPECT_EQ(std::tuple(texture->GetTextureID(), texture->GetTextureName()), std::tuple(1, "Wood.BMP"));
    EXPECT_EQ(LogMessages(), Strings{"Loading Texture: Wood.BMP"});
    now += 2000;
    EXPECT_EQ(Create(b), texture);
    EXPECT_EQ(std::tuple(root->GetTextureCount(), Entry(0).PixelsTexture, LogMessages().size()),
              std::tuple(1, Expected(a, 16, 16), 1u));
    now += 1;  // 2001 ms after the load
    EXPECT_EQ(Create(b), texture);
    EXPECT_EQ(
        std::tuple(root->GetTextureCount(), Entry(0).PixelsTexture, Entry(0).LastLoadTime, LogMessages()),
        std::tuple(1, Expected(b, 16, 16), now, Strings{"Loading Texture: Wood.BMP", "Reloading Texture: Wood.BMP"}));
    // The reuse window survives the tick counter wrapping.
    now = std::numeric_limits<int32_t>::max() - 500;
    auto wrapped = Create(a, "", "", 0.5f);
    now = std::numeric_limits<int32_t>::min() + 500;  // 1001 ms later
    EXPECT_EQ(Create(a, "", "", 0.5f), wrapped);
    EXPECT_EQ(LogMessages().size(), 3u);
}

TEST_F(Materials, DensityAndNamesMakeTheEntryStoredWithoutFolderAndBadRequestsChangeNothing) {
    auto half = Create(wood, "", dirt, 0.5f);
    auto almost = Create(wood, "", dirt, 0.50001f);
    auto other = Create(wood, "", "", 0.5f);
    EXPECT_EQ(std::tuple(half->GetTextureID(), almost->GetTextureID(), other->GetTextureID(),
                         almost->GetTextureOverlayDensity(), Create(wood, "", dirt, 0.5f)),
              std::tuple(1, 2, 3, 0.50001f, half));
    // Stored names lose their folder and need a title and an extension.
    auto t = root->CreateTexture("/x/y/Wall.tga", "ab", "noextension", 0, "c:\\maps\\Bump.Png", ".bmp", "e.dds", 4, 4);
    EXPECT_EQ((Strings{t->GetTextureName(), t->GetTranslucencyMapName(), t->GetTextureOverlayName(),
                       t->GetBumpMapName(), t->GetSpecularMapName(), t->GetEnvironmentMapName()}),
              (Strings{"Wall.TGA", "", "", "Bump.PNG", "", "e.DDS"}));
    // Missing files leave their maps empty; the combined image is then plain white.
    EXPECT_EQ(std::tuple(Entry(3).PixelsTexture, Entry(3).PixelsNormalMap, Entry(3).Pixels),
              std::tuple(Pixels{}, Pixels{}, Pixels(16, -1)));
    vgx::test::ClearLog();
    using Case = std::tuple<int32_t, int32_t, float>;
    for (auto [width, height, density] :
         {Case{0, 4, 0}, Case{4, -1, 0}, Case{16385, 4, 0}, Case{16384, 16384, 0}, Case{4, 4, -0.01f},
          Case{4, 4, 1.01f}, Case{4, 4, std::numeric_limits<float>::quiet_NaN()}}) {
        ExpectVgxError([&] { Create(wood, "", "", density, "", width, height); }, 5, "Vgx", kInvalidCall);
    }
    EXPECT_EQ(
        std::tuple(root->GetTextureCount(), Entry(0).TextureWidth, LogMessages(), vgx::Registered().textures.size()),
        std::tuple(4, 16, Strings{}, 4u));
}

TEST_F(Materials, ALostHiddenDeviceIsResetBeforeDecodingAndGarbageCollectionErasesOrReleasesTextures) {
    VgxSoftwareDevice& hidden = *vgx::Library().hiddenDevice;
    const int32_t resets = hidden.GetResetCount();
    hidden.MarkLost();
    const auto first = Create(wood);  // held, so the collection below leaves it alone
    EXPECT_EQ(std::tuple(hidden.GetResetCount(), hidden.TestCooperativeLevel(), Entry(0).PixelsTexture, LogMessages()),
              std::tuple(resets + 1, VgxDeviceOK, Expected(wood, 16, 16),
                         Strings{"Loading Texture: wood.BMP", "Vgx: Device Lost or Not Reset"}));
    // While the display is held elsewhere the maps are not decoded; after 20 tries
    // the entry is made without pixels.
    hidden.MarkLost(100);
    const auto second = Create(wood, "", "", 0.5f);
    EXPECT_EQ(std::tuple(hidden.GetResetCount(), hidden.TestCooperativeLevel(), Entry(1).PixelsTexture),
              std::tuple(resets + 21, VgxDeviceLost, Pixels{}));
    hidden.MarkLost();
    hidden.Reset(hidden.GetPresentParameters());
    // The collection erases the pixels of textures only their entry holds, until the
    // next load; their root releases them.
    auto texture = Create(wood, "", dirt, 0.25f);
    root->CollectGarbage();  // the host still holds it: nothing happens
    EXPECT_FALSE(Entry(2).Pixels.empty());
    vgx::test::ClearLog();
    std::weak_ptr<VgxTexture> watch = texture;
    texture.reset();
    root->CollectGarbage();
    EXPECT_EQ(LogMessages(), Strings{"Releasing Texture (RC=3): wood.BMP  dirt.PNG 0.25   "});
    ASSERT_FALSE(watch.expired());
    EXPECT_EQ(std::tuple(watch.lock()->GetTextureName(), Entry(2).Pixels, Entry(2).PixelsTexture),
              std::tuple("wood.BMP", Pixels{}, Pixels{}));
    EXPECT_EQ(Create(wood, "", dirt, 0.25f), watch.lock());  // within 2 s: still empty
    EXPECT_TRUE(Entry(2).Pixels.empty());
    now += 2001;
    texture = Create(wood, "", dirt, 0.25f);
    EXPECT_EQ(std::tuple(texture, Entry(2).PixelsTexture), std::tuple(watch.lock(), Expected(wood, 16, 16)));
    // A root with textures goes when the host drops it; the texture the host kept
    // outlives it but can no longer be read.
    std::weak_ptr<Vgx> dropped = root;
    root.reset();
    EXPECT_TRUE(dropped.expired());
    ExpectVgxError([&] { texture->GetTextureName(); }, 91, "VgxTexture", kNotSet);
    texture.reset();
    auto other = Vgx::Create();
    vgx::test::ClearLog();
    other->CollectGarbage();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(LogMessages(), Strings{"Releasing Texture (RC=2)"});
}

TEST_F(Materials, StaleTexturesAndIdsOutsideTheRegistryRaiseNineAndChangeNothing) {
    Create(wood);
    using Rebuild = void (Vgx::*)(VgxDevice&, int32_t, std::shared_ptr<VgxDeviceTexture>&, bool);
    for (Rebuild rebuild :
         {&Vgx::RebuildDirect3DTextureCombined8, &Vgx::RebuildDirect3DTexture8, &Vgx::RebuildDirect3DTextureOverlay8,
          &Vgx::RebuildDirect3DBumpmap8, &Vgx::RebuildDirect3DSpecularMap8, &Vgx::RebuildDirect3DEnvironmentMap8}) {
        for (int32_t id : {1, -1}) {  // id 1 is the texture's id, not its index
            auto kept = device.CreateTexture(2, 2, 1, 0, VgxFormatA8R8G8B8, VgxPoolManaged), held = kept;
            ExpectVgxError([&] { ((*root).*rebuild)(device, id, held, true); }, 9, "Vgx", kSubscript);
            EXPECT_EQ(held, kept);
        }
    }
    EXPECT_TRUE(Entry(0).PixelsChanged);
    // A texture whose entry is gone.
    auto stale = Create("");
    Internals(*root).textures.clear();
    Pixels pixels{7};
    int32_t width = 3, height = 3;
    ExpectVgxError([&] { stale->GetTextureName(); }, 9, "VgxTexture", kSubscript);
    ExpectVgxError([&] { stale->GetPixels(pixels, width, height); }, 9, "VgxTexture", kSubscript);
    ExpectVgxError([&] { stale->GetBumpmapThumbnail(device, 8); }, 9, "VgxTexture", kSubscript);
    EXPECT_EQ(std::tuple(pixels, width), std::tuple(Pixels{7}, 3));
}

// ---- The maps of an entry ----

TEST_F(Materials, TranslucencyMapsAndOverlays) {
    // A BMP named twice gives its grey level as alpha.
    Create(wood, wood);
    const vgx::iVgxTexture& twice = Entry(0);
    ASSERT_EQ(twice.PixelsTextureAlphaMap, twice.PixelsTexture);
    EXPECT_EQ(Each(twice.Pixels, Alpha), Each(twice.PixelsTexture, Grey));
    EXPECT_EQ(Each(twice.Pixels, Rgb), Each(twice.PixelsTexture, Rgb));
    // Density 0 shows the texture, 1 the overlay's colours with the texture's alpha.
    const std::string glass = Place("pngsuite/basn6a08.png", "glass.png");
    Create(glass, "", dirt, 0);
    Create(glass, "", dirt, 1);
    EXPECT_EQ(Entry(1).Pixels, Entry(1).PixelsTexture);
    EXPECT_EQ(Each(Entry(2).Pixels, Rgb), Each(Entry(2).PixelsTextureOverlay, Rgb));
    EXPECT_EQ(Each(Entry(2).Pixels, Alpha), Each(Entry(2).PixelsTexture, Alpha));
    // A file with alpha named as its own translucency map keeps its alpha.
    for (const char* image :
         {"pngsuite/basn6a08.png", "pillow/rgb32rle.tga", "pillow/dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.dds"}) {
        SCOPED_TRACE(image);
        const std::string path = Place(image, fs::path(image).filename().string());
        auto texture = Create(path, path);
        const vgx::iVgxTexture& entry = Entry(texture->GetTextureID() - 1);
        const std::vector<uint32_t> alphas = Each(entry.Pixels, Alpha);
        EXPECT_EQ(std::tuple(entry.PixelsTextureAlphaMap, alphas, texture->GetTranslucencyMapThumbnail(device, 64)),
                  std::tuple(Pixels{}, Each(entry.PixelsTexture, Alpha), nullptr));
        EXPECT_TRUE(std::any_of(alphas.begin(), alphas.end(), [](uint32_t alpha) { return alpha < 255; }));
    }
}

TEST_F(Materials, AFlatBumpMapPointsStraightUpAndTheFarEdgesFallToZero) {
    constexpr uint32_t kUp = 0xFF8080FF;
    for (uint8_t grey : {0, 255}) {
        const std::vector<uint8_t> rgb(4 * 4 * 3, grey);
        const std::string bump = folder + "bump" + std::to_string(grey) + ".bmp";
        ASSERT_TRUE(stbi_write_bmp(bump.c_str(), 4, 4, 3, rgb.data()));
        Create("", "", "", 0, bump, 4, 4);
    }
    EXPECT_EQ(Entry(0).PixelsNormalMap, Pixels(16, static_cast<int32_t>(kUp)));
    // The height falls from 255/64 to 0 past the last column and row: the normal
    // leans towards +x and +y there, and points straight up elsewhere.
    for (int32_t i = 0; i < 16; ++i) {
        const auto n = static_cast<uint32_t>(Entry(1).PixelsNormalMap[i]);
        const int32_t x = i % 4, y = i / 4;
        EXPECT_EQ(std::tuple(((n >> 16) & 0xFF) > 128, ((n >> 8) & 0xFF) > 128), std::tuple(x == 3, y == 3)) << i;
        EXPECT_TRUE(x == 3 || y == 3 || n == kUp) << i;
    }
}

// ---- Device textures, previews and composed pictures ----

TEST_F(Materials, RebuildTakesTheRegistryIndexBuildsAFullFilteredMipChainAndOnlyWhatChanged) {
    auto texture = Create(wood, "", "", 0, "", 8, 4);
    ASSERT_EQ(texture->GetTextureID(), 1);
    std::shared_ptr<VgxDeviceTexture> built, map, combined;
    root->RebuildDirect3DTexture8(device, 0, built, false);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->GetLevelCount(), 4);  // 8x4, 4x2, 2x1, 1x1
    const Pixels level0 = built->ReadLevel(0), level1 = built->ReadLevel(1);
    EXPECT_EQ(level0, Entry(0).PixelsTexture);
    for (int32_t shift : {0, 8, 16, 24}) {
        uint32_t sum = 0;
        for (int32_t i : {0, 1, 8, 9}) sum += (static_cast<uint32_t>(level0[i]) >> shift) & 0xFF;
        EXPECT_EQ((static_cast<uint32_t>(level1[0]) >> shift) & 0xFF, (sum + 2) / 4) << shift;
    }
    // An absent map gives no device texture.
    root->RebuildDirect3DSpecularMap8(device, 0, map = built, false);
    EXPECT_EQ(map, nullptr);
    root->RebuildDirect3DBumpmap8(device, 0, map = built, true);
    EXPECT_EQ(map, nullptr);
    // GetPixels copies the combined image.
    Pixels pixels;
    int32_t width = 0, height = 0;
    texture->GetPixels(pixels, width, height);
    EXPECT_EQ(std::tuple(width, height, pixels), std::tuple(8, 4, Entry(0).Pixels));
    // Without refresh only what changed is built again; a reload marks every map changed.
    root->RebuildDirect3DTextureCombined8(device, 0, combined, false);
    const auto first = combined;
    ASSERT_TRUE(first);
    root->RebuildDirect3DTextureCombined8(device, 0, combined, false);
    EXPECT_EQ(combined, first);
    root->RebuildDirect3DTextureCombined8(device, 0, combined, true);
    EXPECT_NE(combined, first);
    const auto second = combined;
    now += 2001;
    Create(wood, "", "", 0, "", 8, 4);
    root->RebuildDirect3DTextureCombined8(device, 0, combined, false);
    EXPECT_NE(combined, second);

    // Thumbnails are the first mip level narrow enough.
    auto plain = Create(Place("pillow/hopper.bmp", "plain.bmp"), "", "", 0, "", 64, 32);
    auto thumbnail = plain->GetTextureThumbnail(device, 20);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(std::tuple(thumbnail->Width, thumbnail->Height), std::tuple(16, 8));
    EXPECT_EQ(plain->GetTextureThumbnail(device, 64)->Pixels, Entry(1).Pixels);
    EXPECT_EQ(plain->GetTextureThumbnail(device, 0)->Width, 2);  // level 5 when none is narrow enough
    EXPECT_EQ(plain->GetTextureOverlayThumbnail(device, 64), nullptr);
    // With an overlay the texture preview shows the texture without it.
    auto overlaid = Create(wood, "", dirt, 0.5f, "", 64, 32);
    EXPECT_EQ(overlaid->GetTextureThumbnail(device, 64)->Pixels, Entry(2).PixelsTexture);
    EXPECT_EQ(overlaid->GetTextureOverlayThumbnail(device, 64)->Pixels, Entry(2).PixelsTextureOverlay);
    // No texture name, no preview.
    EXPECT_EQ(Create("", "", dirt, 0.5f)->GetTextureThumbnail(device, 64), nullptr);
}

TEST_F(Materials, CombineImagesDrawsPicturesOverTheResultInOrderOrChangesNothing) {
    std::shared_ptr<VgxPicture> result;
    root->CombineImages(result, {Plain(4, 2, 0xFF0000FF), Plain(2, 1, 0x80FF0000)});
    ASSERT_TRUE(result);
    EXPECT_EQ(std::tuple(result->Width, result->Height, result->Pixels),
              std::tuple(4, 2, Pixels(8, static_cast<int32_t>(0xFF80007F))));
    // A transparent picture leaves what is below.
    result = Plain(2, 2, 0xFF00FF00);
    root->CombineImages(result, {Plain(2, 2, 0x00FFFFFF)});
    EXPECT_EQ(result->Pixels, Pixels(4, static_cast<int32_t>(0xFF00FF00)));
    // Missing or malformed pictures.
    const auto before = result;
    ExpectVgxError([&] { root->CombineImages(result, {Plain(2, 2, 0xFF000000), nullptr}); }, 91, "Vgx", kNotSet);
    auto malformed = Plain(2, 2, 0);
    malformed->Pixels.pop_back();
    ExpectVgxError([&] { root->CombineImages(result, {malformed}); }, 5, "Vgx", kInvalidCall);
    EXPECT_EQ(std::tuple(result, result->Pixels), std::tuple(before, Pixels(4, static_cast<int32_t>(0xFF00FF00))));
}

}  // namespace
