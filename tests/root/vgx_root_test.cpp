// The scene root and its internal helpers: error trapping, files and the log,
// sorting, math and vectors, start-up, ids, plug-ins, messages, the texture search
// path, the vector, quaternion and colour helpers, and the garbage collection.
#include <gtest/gtest.h>
#include <unistd.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <regex>
#include <stdexcept>
#include <type_traits>

#include "base/errors.h"
#include "base/mod_math.h"
#include "base/mod_sort.h"
#include "base/mod_vector.h"
#include "platform/message_box.h"
#include "platform/mod_file.h"
#include "platform/os.h"
#include "state/library_state.h"
#include "support/internals.h"
#include "support/vgx_test.h"

namespace vgx {
namespace {

namespace fs = std::filesystem;
using modVector::VectorsEqual;
using test::ExpectVgxError;
using test::LogMessages;
using Strings = std::vector<std::string>;
using Ints = std::vector<int32_t>;

constexpr float kPi = 3.14159265f;
const std::string kSubscript = "Subscript out of range";
const std::string kInvalidCall = "Invalid procedure call or argument";

void ExpectVector(const VgxVector& v, float x, float y, float z, float tol = 1e-6f) {
    for (auto [got, want] : {std::pair{v.X, x}, std::pair{v.Y, y}, std::pair{v.Z, z}}) EXPECT_NEAR(got, want, tol);
}

// ---- Errors and the internal modules ----

TEST(Errors, TrapKeepsNumberAndDescriptionTakesTheCallersSourceAndReturnsTheBodysValueAndIndexesAreChecked) {
    ExpectVgxError([] { Trap("VgxGroup", [] { Raise(91, "modIndex", "Object is nothing"); }); }, 91, "VgxGroup",
                   "Object is nothing");
    // A nested trap hands its error on to the outer one unchanged but for the source.
    ExpectVgxError([] { Trap("Vgx", [] { Trap("VgxObject", [] { Raise(VgxErrOverflow); }); }); }, 6, "Vgx", "Overflow");
    // Standard exceptions become their run-time numbers.
    ExpectVgxError([] { Trap("VgxObject", [] { throw std::bad_alloc(); }); }, 7, "VgxObject", "Out of memory");
    ExpectVgxError([] { Trap("VgxObject", [] { throw std::out_of_range("x"); }); }, 9, "VgxObject", kSubscript);
    ExpectVgxError([] { Trap("VgxObject", [] { throw std::overflow_error("x"); }); }, 6, "VgxObject", "Overflow");
    ExpectVgxError([] { Trap("Vgx", [] { throw 42; }); }, 51, "Vgx", "Internal error");
    EXPECT_STREQ(VgxError(9, "Vgx", kSubscript).what(), "Error 9 (Vgx): Subscript out of range");
    EXPECT_EQ(Trap("Vgx", [] { return 7; }), 7);
    std::vector<int> values{10, 20, 30}, empty;
    Trap("Vgx", [&]() -> int& { return values[1]; }) = 5;
    EXPECT_EQ(std::tuple(values[1], At(values, 0), At(values, 2)), std::tuple(5, 10, 30));
    for (auto [list, index] : {std::pair{&values, 3}, std::pair{&values, -1}, std::pair{&empty, 0}}) {
        ExpectVgxError([&] { At(*list, index); }, 9, "VorlanSG", kSubscript);
    }
    // SortLongs sorts the first count entries.
    Ints longs{5, -3, 9, 0, 2};
    for (int32_t count : {0, 1}) modSort::SortLongs(longs, count);
    EXPECT_EQ(longs, (Ints{5, -3, 9, 0, 2}));
    modSort::SortLongs(longs, 3);
    EXPECT_EQ(longs, (Ints{-3, 5, 9, 0, 2}));
    modSort::SortLongs(longs, 5);
    EXPECT_EQ(longs, (Ints{-3, 0, 2, 5, 9}));
    ExpectVgxError([&] { modSort::SortLongs(longs, 6); }, 9, "modSort", kSubscript);
    EXPECT_EQ(longs, (Ints{-3, 0, 2, 5, 9}));
}

TEST(ModFile, SplitPathFoldersPathsAndTheLog) {
    // A numeric extension is no extension; forward slashes separate folders too;
    // only the last dot counts, not one in a folder name.
    using Split = std::array<std::string, 4>;  // path, folder, name, extension
    for (const auto& [path, folder, name, extension] :
         {Split{"C:\\maps\\brick.bmp", "C:\\maps\\", "brick", "BMP"},
          Split{"C:\\maps\\scan.001", "C:\\maps\\", "scan", ""}, Split{"word", "", "word", ""},
          Split{"C:\\a.b\\c", "C:\\a.b\\", "c", ""}, Split{"/data/maps/wall.old.Png", "/data/maps/", "wall.old", "PNG"},
          Split{"tree.tga", "", "tree", "TGA"}, Split{"/maps/name.", "/maps/", "name", ""}}) {
        std::array<std::string, 3> split;
        modFile::SplitPath(path, split[0], split[1], split[2]);
        EXPECT_EQ(split, (std::array{folder, name, extension})) << path;
    }
    const std::string library = platform::LibraryFolder(), folder = test::ScratchFolder() + "/short";
    ASSERT_FALSE(library.empty());
    fs::create_directories(folder);
    EXPECT_EQ(
        (Strings{modFile::ResolveRelativePath(".\\"), modFile::ResolveRelativePath("ab"),
                 modFile::ResolveRelativePath("/opt/textures"), modFile::ResolveRelativePath(".\\textures"),
                 modFile::ResolveRelativePath("./textures"), modFile::GetShortPath(folder + "/../short/"),
                 modFile::GetShortPath(folder + "/missing"), modFile::GetShortPath(""), modFile::GetDocumentsFolder(),
                 modFile::GetSpecialFolder(5, 0), modFile::GetSpecialFolder(26, 0),
                 modFile::TrimAtNull(std::string("abc\0def", 7)), modFile::TrimAtNull("abc")}),
        (Strings{"", "", "/opt/textures", library + "\\textures", library + "/textures", fs::canonical(folder).string(),
                 "", "", test::ScratchFolder(), test::ScratchFolder(), "", "abc", "abc"}));
    // Log lines append in call order as date | time | message, each ended by CR LF.
    test::ClearLog();
    modFile::WriteLogLine("first");
    modFile::WriteLogLine("second");
    const Strings lines = test::LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(LogMessages(), (Strings{"first", "second"}));
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}-\d\d-\d\d \| \d\d:\d\d:\d\d \| first)"))) << lines[0];
    EXPECT_EQ(modFile::LogFilePath(), test::ScratchFolder() + "/Vorlan.log");
    setenv("XDG_DOCUMENTS_DIR", (test::ScratchFolder() + "/no/such/folder").c_str(), 1);
    ExpectVgxError([] { modFile::WriteLogLine("lost"); }, 76, "VorlanSG", "Path not found");
    setenv("XDG_DOCUMENTS_DIR", test::ScratchFolder().c_str(), 1);
}

TEST(ModMathAndVector, ArcCosSnapsNearTheEndsVectorEqualityIsStrictAndCornerNormalsWrapAround) {
    EXPECT_EQ((std::vector<double>{modMath::ArcCos(1.000001), modMath::ArcCos(0.999995), modMath::ArcCos(-0.999995),
                                   modMath::ArcCos(-1.000009)}),
              (std::vector<double>{0, 0, 3.1415929794311523, 3.1415929794311523}));
    EXPECT_NEAR(modMath::ArcCos(0), std::acos(0.0), 1e-15);
    EXPECT_NEAR(modMath::ArcCos(0.5), std::acos(0.5), 1e-15);
    EXPECT_NEAR(modMath::ArcCos(-0.9999), std::acos(-0.9999), 1e-12);
    // The square root of a negative number.
    for (double x : {1.0001, -2.0, std::nan("")}) {
        ExpectVgxError([&] { modMath::ArcCos(x); }, 5, "modMath", kInvalidCall);
    }

    // Vector equality is strict in 32-bit floats; angles are bounds.
    const float s = std::sqrt(0.5f);  // 45 degrees apart
    // 3.0001 - 3 is just below 0.0001 once both are 32-bit floats; 3.0002 is not.
    EXPECT_EQ((std::vector<bool>{VectorsEqual({0, 0, 0}, {0.00009f, 0, 0}), VectorsEqual({0, 0, 0}, {0.0001f, 0, 0}),
                                 VectorsEqual({0, 0, 0}, {0, 0.0002f, 0}), VectorsEqual({0, 0, 0}, {0, 0, -0.0001f}),
                                 VectorsEqual({1, 2, 3}, {1, 2, 3.0001f}), VectorsEqual({1, 2, 3}, {1, 2, 3.0002f}),
                                 modVector::VectorsEqualWithin({1, 1, 1}, {1.4f, 0.6f, 1}, 0.5f),
                                 modVector::VectorsEqualWithin({1, 1, 1}, {1.5f, 1, 1}, 0.5f),
                                 modVector::VectorsWithinAngle({1, 0, 0}, {s, s, 0}, 0.8f),
                                 modVector::VectorsWithinAngle({1, 0, 0}, {s, s, 0}, 0.78f),
                                 modVector::VectorsWithinAngle({0, 0, 1}, {0, 0, 1}, 0.0001f),
                                 modVector::VectorsWithinAngle({0, 0, 1}, {0, 0, 1}, 0.0f)}),
              (std::vector<bool>{true, false, false, false, true, false, true, false, true, false, true, false}));

    // Counter-clockwise seen from +Z: (p1 - p0) x (p2 - p1) points along +Z.
    const std::vector<VgxVector> triangle{{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, line{{0, 0, 0}, {1, 1, 1}, {3, 3, 3}};
    for (int32_t i = 0; i < 3; ++i) ExpectVector(modVector::PolygonCornerNormal(triangle, i), 0, 0, 1, 0);
    // A bent quad: corner 0 uses the last point as previous and point 1 as next:
    // (p0 - p3) x (p1 - p0) = (0,0,-1) x (1,0,0) = (0,-1,0)
    EXPECT_FLOAT_EQ(modVector::PolygonCornerNormal({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}}, 0).Y, -1);
    // Collinear corners give the exact zero vector.
    ExpectVector(modVector::PolygonCornerNormal(line, 1), 0, 0, 0, 0);
    ExpectVgxError([&] { modVector::PolygonCornerNormal(line, 3); }, 9, "VorlanSG", kSubscript);

    // RotateVectorList carries `from` onto `to`.
    const VgxVector down{0, 0, -1};
    const float t = std::sqrt(1.0f / 3);
    // A tilted polygon normal lands on (0, 0, -1), and its lengths survive.
    const std::vector<VgxVector> source{{t, t, t}, {2 * t, 2 * t, 2 * t}};
    std::vector<VgxVector> result(2), tooShort(1);
    modVector::RotateVectorList(source, down, result, source[0]);
    ExpectVector(result[0], 0, 0, -1);
    EXPECT_NEAR(result[1].Z, -2, 1e-5);
    // Already there: nothing moves.
    modVector::RotateVectorList({{0, 0, -1}, {1, 2, 0}}, down, result, down);
    ExpectVector(result[1], 1, 2, 0);
    // Opposite: a half turn about X, so y flips with z and x stays.
    modVector::RotateVectorList({{0, 0, 1}, {1, 2, 0}}, down, result, {0, 0, 1});
    EXPECT_NEAR(result[0].Z, -1, 1e-6);
    ExpectVector(result[1], 1, -2, 0, 1e-5f);
    // The result list must already have the source's bounds.
    ExpectVgxError([&] { modVector::RotateVectorList(source, down, tooShort, source[0]); }, 9, "VorlanSG", kSubscript);
}

// ---- The scene root ----

TEST(SceneRoot, StartUpShutdownTheLogFoldersErrorTheSharedHiddenDeviceIdsAndGroupParents) {
    test::ClearLog();
    {
        auto root = Vgx::Create();
        EXPECT_EQ(LogMessages(), (Strings{"Creating Scene Graph", "Vorlan RM Available",
                                          "Vorlan Scene Graph Collections Created", "Scene Graph Created"}));
    }
    // Its collection may end roots earlier tests left, before it ends itself.
    EXPECT_EQ(LogMessages().back(), "Scene Graph Terminated");
    setenv("XDG_DOCUMENTS_DIR", (test::ScratchFolder() + "/gone").c_str(), 1);
    ExpectVgxError([] { Vgx::Create(); }, 76, "Vgx", "Path not found");
    setenv("XDG_DOCUMENTS_DIR", test::ScratchFolder().c_str(), 1);

    auto first = Vgx::Create();
    auto device = Library().hiddenDevice;
    ASSERT_TRUE(device);
    const VgxPresentParameters& p = device->GetPresentParameters();
    EXPECT_EQ(std::tuple(p.Windowed, p.SwapEffect, p.BackBufferCount, p.BackBufferFormat, p.EnableAutoDepthStencil,
                         p.AutoDepthStencilFormat, device->GetBehaviourFlags()),
              std::tuple(true, 4, 1, device->GetDisplayMode().Format, true, 80, 32));
    EXPECT_NE(device->GetFocusWindow(), 0);

    // A second root shares it; ids count up per root; live objects are counted.
    auto root = Vgx::Create();
    EXPECT_EQ(Library().hiddenDevice, device);
    root->CollectGarbage();
    const int32_t before = Library().liveObjectCount;
    EXPECT_EQ(
        (Ints{root->CreateDeviceID(), root->CreateDeviceID(), root->CreateDeviceID(), Vgx::Create()->CreateDeviceID()}),
        (Ints{0, 1, 2, 0}));
    auto a = root->CreateObject();
    EXPECT_EQ(Library().liveObjectCount, before + 1);
    auto b = root->CreateObject();
    EXPECT_EQ(std::tuple(a->GetObjectID(), b->GetObjectID(), RootOf(*a)), std::tuple(0, 1, root));
    a = b = nullptr;
    root->CollectGarbage();
    EXPECT_EQ(Library().liveObjectCount, before);

    auto top = root->CreateGroup(nullptr);
    auto child = root->CreateGroup(top);
    ASSERT_EQ(top->GetChildren()->GetSize(), 1);
    EXPECT_EQ(std::tuple(child->GetParent(), top->GetChildren()->GetElement(0), child->csVgx(), top->GetParent()),
              std::tuple(top, child, root, nullptr));
}

TEST(SceneRoot, PluginIdsOutsideTheRegistryRaiseNineAndChangeNothingAndMessageBoxesGoToTheHandlerOrTheLog) {
    auto root = Vgx::Create();
    EXPECT_EQ((Ints{root->GetPluginID("marble.dll"), root->GetPluginID("glass.dll"), root->GetPluginID("MARBLE.DLL")}),
              (Ints{0, 1, 0}));
    EXPECT_EQ(std::tuple(root->GetPluginDLL(0), root->GetPluginObject(1)), std::tuple("marble.dll", nullptr));
    auto plugin = std::make_shared<PluginMaterial>();
    root->SetPluginObject(1, plugin);
    EXPECT_EQ(root->GetPluginObject(1), plugin);
    // The library's own plug-in names no one.
    EXPECT_EQ(std::tuple(plugin->GetName(), plugin->GetAuthor()), std::tuple("", ""));
    for (int32_t id : {-1, 2, 100}) {
        ExpectVgxError([&] { root->GetPluginDLL(id); }, 9, "Vgx", kSubscript);
        ExpectVgxError([&] { root->GetPluginObject(id); }, 9, "Vgx", kSubscript);
        ExpectVgxError([&] { root->SetPluginObject(id, std::make_shared<PluginMaterial>()); }, 9, "Vgx", kSubscript);
    }
    EXPECT_EQ(std::tuple(root->GetPluginID("stone.dll"), root->GetPluginObject(0), root->GetPluginObject(1)),
              std::tuple(2, nullptr, plugin));
    root->SetPluginObject(1, nullptr);
    EXPECT_EQ(root->GetPluginObject(1), nullptr);

    // A message box goes to the handler, or else to the log and stderr.
    std::vector<std::pair<std::string, int32_t>> shown;
    root->SetMessageBoxHandler(
        [&](const std::string& text, const std::string&, int32_t style) { shown.emplace_back(text, style); });
    vgx::ShowMessageBox(*root, "No normals", VgxMessageExclamation);
    EXPECT_EQ(shown, (std::vector<std::pair<std::string, int32_t>>{{"No normals", VgxMessageExclamation}}));
    root->SetMessageBoxHandler(nullptr);
    test::ClearLog();
    testing::internal::CaptureStderr();
    vgx::ShowMessageBox(*root, "No UVs", VgxMessageExclamation);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No UVs"), std::string::npos);
    EXPECT_EQ(LogMessages(), Strings{"VorlanSG: No UVs"});
}

// ---- The texture search path ----

TEST(SearchPath, HigherPrioritiesFirstLaterFoldersFirstWithinOneNoDuplicatesAndOnlyPrioritiesZeroToTwo) {
    auto root = Vgx::Create();
    // A real folder under the scratch home, in its canonical form.
    auto folder = [](const std::string& name) {
        fs::create_directories(fs::path(test::ScratchFolder()) / "search" / name);
        return fs::canonical(fs::path(test::ScratchFolder()) / "search" / name).string();
    };
    auto list = [&] {
        Strings list{"kept"};
        int32_t count = 1;
        root->GetSearchPathList(list, count);
        EXPECT_EQ(static_cast<size_t>(count), list.size());
        return list;
    };
    EXPECT_EQ(std::tuple(list(), root->GetSearchPath()), std::tuple(Strings{"kept"}, ""));
    const std::string low = folder("low"), mid = folder("mid"), high = folder("high"), a = folder("a"), b = folder("b");
    root->AddSearchPath(low, 0);
    root->AddSearchPath(high, 2);
    root->AddSearchPath(mid, 1);
    root->AddSearchPath(a + ";" + b, 0);
    // The same folder again at any priority, spelled differently, or a folder that
    // does not exist, or an empty piece, change nothing; nor does a bad priority.
    root->AddSearchPath(a, 2);
    root->AddSearchPath(a + "/../a/", 1);
    root->AddSearchPath(test::ScratchFolder() + "/search/none", 1);
    root->AddSearchPath(";;", 1);
    root->AddSearchPath("", 7);
    for (int32_t priority : {3, -1}) {
        ExpectVgxError([&] { root->AddSearchPath(folder("bad"), priority); }, 9, "Vgx", kSubscript);
    }
    EXPECT_EQ(root->GetSearchPath(), high + ";" + mid + ";" + b + ";" + a + ";" + low);
    EXPECT_EQ(list(), (Strings{"kept", high, mid, b, a, low}));
    // Folder names are compared case-sensitively.
    root->AddSearchPath(folder("A"), 1);
    EXPECT_EQ(root->GetSearchPath(), high + ";" + folder("A") + ";" + mid + ";" + b + ";" + a + ";" + low);
    // "." means the library's folder.
    const fs::path dot = fs::path(platform::LibraryFolder()) / ("vgx_search_" + std::to_string(getpid()));
    fs::create_directories(dot);
    root->AddSearchPath("./" + dot.filename().string(), 2);
    EXPECT_EQ(list().at(1), fs::canonical(dot).string());
    fs::remove(dot);
}

// ---- Vector, quaternion and colour helpers ----

// The result a helper writes into its first argument.
template <class R, class... A>
R Out(const Vgx& root, void (Vgx::*helper)(R&, A...) const, std::type_identity_t<A>... arguments) {
    R result{};
    (root.*helper)(result, arguments...);
    return result;
}

void ExpectQuaternion(const VgxQuaternion& q, float s, float x, float y, float z) {
    EXPECT_NEAR(q.s, s, 1e-6f);
    ExpectVector(q.V, x, y, z);
}

TEST(Helpers, VectorsQuaternionsAndColours) {
    auto root = Vgx::Create();
    EXPECT_FLOAT_EQ(root->VectorModulus({3, 0, 4}), 5.0f);
    EXPECT_FLOAT_EQ(root->VectorDotProduct({1, 2, 3}, {4, -5, 6}), 12.0f);
    ExpectVector(Out(*root, &Vgx::VectorCrossProduct, {1, 0, 0}, {0, 1, 0}), 0, 0, 1);
    ExpectVector(Out(*root, &Vgx::VectorCrossProduct, {1, 2, 3}, {4, 5, 6}), -3, 6, -3);
    ExpectVector(Out(*root, &Vgx::VectorScale, {1, -2, 3}, 2.5f), 2.5f, -5, 7.5f);
    ExpectVector(Out(*root, &Vgx::VectorNormalize, {0, 0, 0}), 0, 0, 0, 0);  // zero stays zero
    // A quarter turn about +Z carries +X onto -Y in this sense.
    ExpectVector(Out(*root, &Vgx::VectorRotate, {1, 0, 0}, {0, 0, 1}, kPi / 2), 0, -1, 0);
    // The result is a unit vector whatever the input's length; the axis need not be unit.
    ExpectVector(Out(*root, &Vgx::VectorRotate, {0, 5, 0}, {3, 0, 0}, kPi / 2), 0, 0, -1);
    // A vector along the axis stays put.
    ExpectVector(Out(*root, &Vgx::VectorRotate, {0, 0, 2}, {0, 0, 1}, 1.0f), 0, 0, 1);
    const VgxQuaternion q = Out(*root, &Vgx::QuaternionFromRotation, {0, 0, 2}, kPi / 2);
    ExpectQuaternion(q, std::sqrt(0.5f), 0, 0, std::sqrt(0.5f));
    // Two quarter turns about Z make a half turn; i j = k (Hamilton order).
    ExpectQuaternion(Out(*root, &Vgx::QuaternionMultiply, q, q), 0, 0, 0, 1);
    ExpectQuaternion(Out(*root, &Vgx::QuaternionMultiply, {0, {1, 0, 0}}, {0, {0, 1, 0}}), 0, 0, 0, 1);
    // The result may be the input.
    VgxVector v{3, 0, 4};
    root->VectorNormalize(v, v);
    ExpectVector(v, 0.6f, 0, 0.8f);
    root->VectorScale(v, v, 10);
    ExpectVector(v, 6, 0, 8, 1e-5f);
    v = {0, 1, 0};
    root->VectorCrossProduct(v, v, {0, 0, 1});
    ExpectVector(v, 1, 0, 0);
    VgxQuaternion one{1, {0, 0, 0}};
    root->QuaternionMultiply(one, one, one);
    EXPECT_FLOAT_EQ(one.s, 1);

    // Colours pack blue low and alpha high.
    const int32_t red = root->CreateColorRGB(1, 0, 0), c = root->CreateColorRGBA(0.2f, 0.4f, 0.6f, 0.8f);
    EXPECT_EQ(std::tuple(static_cast<uint32_t>(red), root->ColorGetAlpha(red), root->ColorGetRed(red),
                         root->ColorGetGreen(red), static_cast<uint32_t>(c)),
              std::tuple(0xFFFF0000u, 1.0f, 1.0f, 0.0f, 0xCC336699u));
    EXPECT_FLOAT_EQ(root->ColorGetBlue(c), 0x99 / 255.0f);
    // Components are clamped to 0..1 and rounded to the nearest byte.
    EXPECT_EQ(static_cast<uint32_t>(root->CreateColorRGBA(2, -1, 0.5f, 0)), 0x00FF0080u);
    const VgxUV uv = VgxFunctions::VgxMakeUV(0.25f, 0.75f);
    const VgxVector made = VgxFunctions::VgxMakeVector(1, 2, 3);
    EXPECT_EQ(std::tuple(uv.U, uv.V, made.X, made.Y, made.Z), std::tuple(0.25f, 0.75f, 1.0f, 2.0f, 3.0f));
}

// ---- The garbage collection ----

// Whether each member is in the registry of its kind, members in the registries' order.
template <class... T>
std::vector<bool> InRegistries(const std::vector<std::shared_ptr<void>>& members, const Registry<T>&... kinds) {
    size_t i = 0;
    return {(std::find(kinds.begin(), kinds.end(), members.at(i++)) != kinds.end())...};
}

// A bare member the library registers as its own.
template <class T>
std::shared_ptr<T> Bare(Registry<T>& registry) {
    return registry.emplace_back(MakeBare<T>());
}

// For every kind: one member the host holds and one it dropped.
TEST(GarbageCollection, ReleasesExactlyWhatNothingButItsRegistryHolds) {
    auto root = Vgx::Create();
    for (int32_t pass = 0; pass < 2; ++pass) root->CollectGarbage();  // what earlier tests left
    Registries& r = Registered();
    const size_t groups = r.groups.size(), objects = r.objects.size();  // what earlier tests still hold
    auto group = root->CreateGroup(nullptr);
    auto object = root->CreateObject();
    group->AddObject(object);
    auto oneOfEachKind = [&]() -> std::vector<std::shared_ptr<void>> {
        return {root->CreateGroup(nullptr), root->CreateObject(), root->CreateLight(VgxLightPoint, 0),
                root->CreateMaterial(),     Bare(r.textures),     Bare(r.pickArrays),
                group->GetChildren(),       group->GetObjects(),  group->GetLights(),
                object->GetFaces()};
    };
    const auto held = oneOfEachKind();
    std::vector<std::weak_ptr<void>> dropped;
    for (const auto& member : oneOfEachKind()) dropped.push_back(member);
    test::ClearLog();
    root->CollectGarbage();
    for (size_t i = 0; i < dropped.size(); ++i) EXPECT_TRUE(dropped[i].expired()) << "kind " << i;
    EXPECT_EQ(LogMessages(), Strings{"Releasing Texture (RC=2)"});
    EXPECT_EQ(InRegistries(held, r.groups, r.objects, r.lights, r.materials, r.textures, r.pickArrays, r.groupArrays,
                           r.objectArrays, r.lightArrays, r.faceArrays),
              std::vector<bool>(10, true));
    EXPECT_EQ(std::tuple(r.groups.size(), r.objects.size()), std::tuple(groups + 2, objects + 2));
    // What is held keeps what it holds: the object stays in its group with its root.
    EXPECT_EQ(std::tuple(std::static_pointer_cast<VgxObjectArray>(held[7])->GetElement(0), RootOf(*object)),
              std::tuple(object, root));

    // Groups, face arrays and the host hold objects; face proxies do not, nor do
    // child groups hold their parents.
    std::weak_ptr<VgxObject> inGroup, inFaceArray, loose, viaProxy, inMiddle;
    std::weak_ptr<VgxGroup> top, middle, child;
    auto host = root->CreateGroup(nullptr), keeper = root->CreateGroup(nullptr);
    std::shared_ptr<VgxFaceArray> faces;
    std::shared_ptr<VgxFace> proxy;
    std::shared_ptr<VgxGroup> leaf;
    {
        auto a = root->CreateObject(), b = root->CreateObject(), c = root->CreateObject(), d = root->CreateObject();
        host->AddObject(a);
        faces = b->GetFaces();
        d->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}}, {{0, 0}}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false,
                    false);
        proxy = d->GetFace(0);
        auto t = root->CreateGroup(nullptr), m = root->CreateGroup(t), h = root->CreateGroup(keeper);
        auto o = root->CreateObject();
        leaf = root->CreateGroup(m);
        m->AddObject(o);
        h->AddObject(root->CreateObject());
        inGroup = a, inFaceArray = b, loose = c, viaProxy = d, top = t, middle = m, inMiddle = o, child = h;
    }
    root->CollectGarbage();
    EXPECT_EQ(std::tuple(inGroup.expired(), inFaceArray.expired(), loose.expired()), std::tuple(false, false, true));
    // The count cannot tell a proxy the host keeps from the object's own: that
    // object is collected too, and the host's proxy is left with an emptied object.
    ASSERT_FALSE(viaProxy.expired());
    EXPECT_EQ(std::tuple(viaProxy.lock()->GetFaceCount(), RootOf(*viaProxy.lock()),
                         InRegistries({viaProxy.lock()}, Registered().objects)),
              std::tuple(0, nullptr, std::vector<bool>{false}));
    ExpectVgxError([&] { proxy->GetPointCount(); }, 9, "VgxFace", kSubscript);
    proxy.reset();
    EXPECT_TRUE(viaProxy.expired());
    // The top is held by its child only, the middle by its child only: both go
    // with the middle's object. The dismantling reaches the whole subtree, so the
    // host's leaf survives detached: no parent, no root, no lists. A group the
    // host holds keeps its subtree.
    EXPECT_EQ(std::tuple(top.expired(), middle.expired(), inMiddle.expired()), std::tuple(true, true, true));
    EXPECT_EQ(std::tuple(leaf->GetParent(), leaf->csVgx(), leaf->GetObjects()->GetSize()),
              std::tuple(nullptr, nullptr, 0));
    ASSERT_FALSE(child.expired());
    EXPECT_EQ(std::tuple(child.lock()->GetParent(), child.lock()->GetObjects()->GetSize()), std::tuple(keeper, 1));
    // Once the group and the array go, their objects follow in the same collection.
    host.reset();
    faces.reset();
    root->CollectGarbage();
    EXPECT_EQ(std::tuple(inGroup.expired(), inFaceArray.expired()), std::tuple(true, true));
}

TEST(GarbageCollection, AMaterialLastsWhileAnyFaceUsesItThoughFacesShareOneReference) {
    auto root = Vgx::Create();
    auto object = root->CreateObject();
    object->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 0, 1}}, {{0, 0}},
                     {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 2, 0, 0, 1, 0, 0, 3, 0, 0}, false, false);
    auto shared = root->CreateMaterial(), other = root->CreateMaterial();
    const std::weak_ptr<VgxMaterial> watch = shared;
    object->GetFace(0)->ApplyMaterial(shared);
    const long oneFace = shared.use_count();
    object->GetFace(1)->ApplyMaterial(shared);
    EXPECT_EQ(shared.use_count(), oneFace + 1) << "the second face's proxy holds one more; its face none";
    shared.reset();
    std::vector<bool> expired;
    for (int32_t f = 0; f < 2; ++f) {
        root->CollectGarbage();
        expired.push_back(watch.expired());
        object->GetFace(f)->ApplyMaterial(other);
    }
    root->CollectGarbage();
    expired.push_back(watch.expired());
    EXPECT_EQ(expired, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(object->GetFace(1)->GetMaterial(), other);
}

TEST(GarbageCollection, DoesNothingWhileAlreadyRunningMayBeReenteredAndResetsTheHiddenDeviceAfterFiveMinutes) {
    auto root = Vgx::Create();
    for (int32_t pass = 0; pass < 2; ++pass) root->CollectGarbage();  // what earlier tests left
    std::shared_ptr<VgxObject> createdDuringCollection;
    std::weak_ptr<Vgx> doomedRoot;
    std::weak_ptr<VgxMaterial> material = root->CreateMaterial();
    Library().collectionBusy = true;
    root->CollectGarbage();
    EXPECT_FALSE(material.expired());
    Library().collectionBusy = false;
    {
        auto doomed = Vgx::Create();
        // A host plug-in whose release reaches back into the library while a
        // collection is releasing the root that held it.
        doomed->SetPluginObject(doomed->GetPluginID("reentrant"),
                                std::shared_ptr<PluginMaterial>(new PluginMaterial, [&](PluginMaterial* plugin) {
                                    root->CollectGarbage();
                                    createdDuringCollection = root->CreateObject();
                                    delete plugin;
                                }));
        doomed->CreateObject();  // the object's back reference is all that keeps the root
        doomedRoot = doomed;
    }
    test::ClearLog();
    root->CollectGarbage();
    EXPECT_TRUE(doomedRoot.expired());
    ASSERT_TRUE(createdDuringCollection);
    EXPECT_EQ(
        std::tuple(RootOf(*createdDuringCollection), InRegistries({createdDuringCollection}, Registered().objects),
                   material.expired(), LogMessages()),
        std::tuple(root, std::vector<bool>{true}, true, Strings{"Scene Graph Terminated"}));

    // The hidden device is reset after five minutes.
    int32_t now = 1000;
    platform::SetTickSource([&] { return now; });
    LibraryState& library = Library();
    library.lastDeviceReset = 0;
    const int32_t resets = library.hiddenDevice->GetResetCount();
    root->CollectGarbage();
    EXPECT_EQ(library.lastDeviceReset, 1000);
    test::ClearLog();
    now += 300000;
    root->CollectGarbage();
    EXPECT_EQ(library.hiddenDevice->GetResetCount(), resets);
    now += 1;
    library.hiddenDevice->MarkLost();
    root->CollectGarbage();
    EXPECT_EQ(std::tuple(library.hiddenDevice->GetResetCount(), library.hiddenDevice->TestCooperativeLevel(),
                         library.lastDeviceReset, LogMessages()),
              std::tuple(resets + 1, VgxDeviceOK, 301001, Strings{"Resetting Vgx Device"}));
    platform::SetTickSource(nullptr);
}

}  // namespace
}  // namespace vgx
