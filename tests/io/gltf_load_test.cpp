// glTF scenes read by VgxGroup::Load and VgxObject::Load: the public Khronos
// samples, files the writer made (lights, round trips), and broken files.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <tuple>

#include "support/internals.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::TestDataPath;

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::shared_ptr<VgxGroup> Child(VgxGroup& group, int32_t i = 0) { return group.GetChildren()->GetElement(i); }
std::shared_ptr<VgxObject> Object(VgxGroup& group, int32_t i = 0) { return group.GetObjects()->GetElement(i); }

// "name(child child ...)" with each group's object count after a colon.
std::string Tree(VgxGroup& group) {
    std::string out = group.GetName() + ":" + std::to_string(group.GetObjects()->GetSize());
    const auto children = group.GetChildren();
    if (children->GetSize() == 0) return out;
    out += "(";
    for (int32_t i = 0; i < children->GetSize(); ++i) out += (i ? " " : "") + Tree(*children->GetElement(i));
    return out + ")";
}

// Every face's corners in world coordinates, rounded to 1e-4, each face starting at
// its least corner so the winding counts; sorted, for all objects below `group`.
std::vector<std::vector<std::array<long, 3>>> WorldFaces(const std::shared_ptr<VgxGroup>& group) {
    std::vector<std::vector<std::array<long, 3>>> faces;
    const auto objects = group->GetObjects();
    for (int32_t i = 0; i < objects->GetSize(); ++i) {
        const auto object = objects->GetElement(i);
        for (int32_t f = 0; f < object->GetFaceCount(); ++f) {
            const auto face = object->GetFace(f);
            std::vector<std::array<long, 3>> corners;
            for (int32_t k = 0; k < face->GetPointCount(); ++k) {
                VgxVector world;
                group->Transform(world, object->GetPoint(face->GetPointID(k)));
                corners.push_back({std::lround(world.X * 1e4), std::lround(world.Y * 1e4), std::lround(world.Z * 1e4)});
            }
            std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
            faces.push_back(std::move(corners));
        }
    }
    const auto children = group->GetChildren();
    for (int32_t i = 0; i < children->GetSize(); ++i) {
        auto below = WorldFaces(children->GetElement(i));
        faces.insert(faces.end(), below.begin(), below.end());
    }
    std::sort(faces.begin(), faces.end());
    return faces;
}

std::array<float, 4> Rgba(const VgxMaterial& material) {
    std::array<float, 4> c{};
    material.GetColorRGBA(c[0], c[1], c[2], c[3]);
    return c;
}

struct GltfLoad : ::testing::Test {
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::vector<std::string> shown;
    std::vector<std::shared_ptr<VgxGroup>> tops;  // a group without parent lives while its host holds it
    const std::string folder = vgx::test::ScratchFolder();

    void SetUp() override {
        root->SetMessageBoxHandler(
            [this](const std::string& text, const std::string&, int32_t) { shown.push_back(text); });
    }
    // The container group a load below a new top group makes.
    std::shared_ptr<VgxGroup> Load(const std::string& path) {
        auto top = tops.emplace_back(root->CreateGroup(nullptr));
        top->Load(path);
        return top->GetChildren()->GetSize() == 1 ? Child(*top) : nullptr;
    }
};

TEST_F(GltfLoad, KhronosSamplesBecomeGroupsObjectsMaterialsAndTextures) {
    // The box: a root node turned 90 degrees about x holding a node with the mesh.
    auto box = Load(TestDataPath("gltf/Box.gltf"));
    ASSERT_TRUE(box);
    EXPECT_EQ(Tree(*box), ":0(Group:0(Group:1))");
    const auto mesh = Object(*Child(*Child(*box)));
    EXPECT_EQ(mesh->GetName(), "Mesh");
    EXPECT_EQ(mesh->GetFaceCount(), 12);
    const auto red = Rgba(*mesh->GetFace(0)->GetMaterial());
    EXPECT_NEAR(red[0], 0.8f, 1e-2f);
    EXPECT_EQ(red[1], 0.0f);
    EXPECT_EQ(red[3], 1.0f);

    // Two nodes sharing one mesh give two objects; the sparse accessor's
    // substitutions land; named nodes keep their names, in file order.
    EXPECT_EQ(Tree(*Load(TestDataPath("gltf/SimpleMeshes.gltf"))), ":0(Group:1 Group:1)");
    EXPECT_EQ(Tree(*Load(TestDataPath("gltf/TextureCoordinateTest.gltf"))),
              ":0(BackPlane:1 BottomRightObj:1 BottomLeftObj:1 TopRightObj:1 TopLeftObj:1)");
    auto sparse = Object(*Child(*Load(TestDataPath("gltf/SimpleSparseAccessor.gltf"))));
    float highest = 0;
    for (int32_t p = 0; p < sparse->GetPointCount(); ++p) highest = std::max(highest, sparse->GetPoint(p).Y);
    EXPECT_EQ(highest, 4.0f);  // substituted: the dense data stops at y = 1
    EXPECT_EQ(Object(*Child(*Load(TestDataPath("gltf/TriangleWithoutIndices.gltf"))))->GetFaceCount(), 1);

    // The embedded PNG is registered under a name of its own and decoded from the file.
    auto textured = Object(*Child(*Child(*Load(TestDataPath("gltf/BoxTextured.gltf")))));
    const auto texture = textured->GetFace(0)->GetMaterial()->GetTexture();
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetTextureName(), "BoxTextured_image0.PNG");
    const auto& pixels = Internals(*root).textures.at(static_cast<size_t>(texture->GetTextureID() - 1)).PixelsTexture;
    ASSERT_FALSE(pixels.empty());
    EXPECT_NE(std::count(pixels.begin(), pixels.end(), pixels.front()), static_cast<long>(pixels.size()));

    // What the library cannot hold is left out quietly; the file still loads.
    EXPECT_EQ(Object(*Child(*Load(TestDataPath("gltf/Cameras.gltf"))))->GetFaceCount(), 2);
    EXPECT_TRUE(shown.empty());
}

TEST_F(GltfLoad, AnimationChannelsBecomeGroupKeysInSeconds) {
    auto container = Load(TestDataPath("gltf/AnimatedTriangle.gltf"));
    auto spinning = Child(*container);
    std::vector<VgxAnimationKey> keys;
    int32_t count = 0;
    spinning->GetAnimationKeys(0, 10, keys, count);
    ASSERT_EQ(count, 5);
    for (int32_t k = 0; k < count; ++k) {
        EXPECT_EQ(keys[k].dwKeyType, VgxAnimationRotateKey);
        EXPECT_NEAR(keys[k].dvTime, 0.25f * k, 1e-6f);
    }
    // A quarter turn about glTF's +z at 0.25 s: (1, 0, 0) goes to (0, 1, 0), seen
    // from the same side in this library's left-handed frame.
    spinning->SetAnimationTime(0.25f);
    const auto triangle = Object(*spinning);
    VgxVector world;
    spinning->Transform(world, triangle->GetPoint(1));
    EXPECT_NEAR(world.X, 0, 1e-5f);
    EXPECT_NEAR(world.Y, 1, 1e-5f);
    EXPECT_NEAR(world.Z, 0, 1e-5f);

    // Written and read again: the same keys.
    container->Save(folder + "/spinning.gltf");
    std::vector<VgxAnimationKey> again;
    Child(*Child(*Load(folder + "/spinning.gltf")))->GetAnimationKeys(0, 10, again, count);
    ASSERT_EQ(count, 5);
    for (int32_t k = 0; k < count; ++k) {
        EXPECT_NEAR(again[k].dvTime, keys[k].dvTime, 1e-6f);
        // q and -q are the same turn.
        const float sign = again[k].dvK[3] * keys[k].dvK[3] < 0 ? -1.0f : 1.0f;
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(again[k].dvK[c] * sign, keys[k].dvK[c], 1e-5f) << k << " " << c;
    }
}

std::string Base64(const std::string& bytes) {
    static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k) out += i + k <= bytes.size() ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// A glTF scene of the given nodes (JSON) whose one animation has these channels, its
// keys in a buffer inside the file.
struct Channel {
    int node;
    std::string path;  // "translation" or "rotation"
    std::vector<float> times, values;
};

std::string AnimatedScene(const std::string& nodes, const std::string& sceneNodes,
                          const std::vector<Channel>& channels) {
    std::string bytes, views, accessors, samplers, targets;
    const auto add = [&](const std::vector<float>& values, const char* type, size_t count, bool bounds) {
        const size_t index = accessors.empty() ? 0 : std::count(accessors.begin(), accessors.end(), '{');
        views += std::string(views.empty() ? "" : ",") + R"({"buffer":0,"byteOffset":)" + std::to_string(bytes.size()) +
                 R"(,"byteLength":)" + std::to_string(4 * values.size()) + "}";
        accessors += std::string(accessors.empty() ? "" : ",") + R"({"bufferView":)" + std::to_string(index) +
                     R"(,"componentType":5126,"count":)" + std::to_string(count) + R"(,"type":")" + type + "\"";
        if (bounds) {
            accessors += R"(,"min":[)" + std::to_string(values.front()) + R"(],"max":[)" +
                         std::to_string(values.back()) + "]";
        }
        accessors += "}";
        bytes.append(reinterpret_cast<const char*>(values.data()), 4 * values.size());
        return index;
    };
    for (size_t c = 0; c < channels.size(); ++c) {
        const Channel& channel = channels[c];
        const size_t input = add(channel.times, "SCALAR", channel.times.size(), true);
        const bool rotation = channel.path == "rotation";
        const size_t output = add(channel.values, rotation ? "VEC4" : "VEC3", channel.times.size(), false);
        samplers += std::string(c ? "," : "") + R"({"input":)" + std::to_string(input) + R"(,"output":)" +
                    std::to_string(output) + "}";
        targets += std::string(c ? "," : "") + R"({"sampler":)" + std::to_string(c) + R"(,"target":{"node":)" +
                   std::to_string(channel.node) + R"(,"path":")" + channel.path + "\"}}";
    }
    const std::string base64 = Base64(bytes);
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[)" + sceneNodes + R"(]}],"nodes":[)" + nodes +
           R"(],"buffers":[{"byteLength":)" + std::to_string(bytes.size()) +
           R"(,"uri":"data:application/octet-stream;base64,)" + base64 + R"("}],"bufferViews":[)" + views +
           R"(],"accessors":[)" + accessors + R"(],"animations":[{"channels":[)" + targets + R"(],"samplers":[)" +
           samplers + "]}]}";
}

// The times of a group's keys of one type, and the first key's first two values.
std::tuple<std::vector<float>, float, float> KeysOf(VgxGroup& group, int32_t type) {
    std::vector<VgxAnimationKey> keys;
    int32_t count = 0;
    group.GetAnimationKeys(0, 100, keys, count);
    std::tuple<std::vector<float>, float, float> out{{}, 0.0f, 0.0f};
    for (int32_t k = 0; k < count; ++k) {
        if (keys[k].dwKeyType != type) continue;
        if (std::get<0>(out).empty()) out = {{}, keys[k].dvK[0], keys[k].dvK[1]};
        std::get<0>(out).push_back(keys[k].dvTime);
    }
    return out;
}

int32_t KeyCount(VgxGroup& group) {
    std::vector<VgxAnimationKey> keys;
    int32_t count = 0;
    group.GetAnimationKeys(0, 100, keys, count);
    return count;
}

TEST_F(GltfLoad, ChannelsDriveTheGroupsOfTheirOwnNodesWhateverTheNodesAreCalled) {
    // Two unnamed roots; the first has a chain two deep below it. The second root moves, the deepest turns.
    const std::string nodes = R"({"children":[2]},{},{"children":[3]},{})";
    const float turn = std::sqrt(0.5f);
    WriteAll(folder + "/unnamed.gltf",
             AnimatedScene(nodes, "0,1",
                           {{1, "translation", {0, 1}, {1, 2, 0, 3, 4, 0}},
                            {3, "rotation", {0, 0.5f, 2}, {0, 0, 0, 1, 0, 0, turn, turn, 0, 0, 1, 0}}}));
    const auto scene = Load(folder + "/unnamed.gltf");
    ASSERT_TRUE(scene);
    ASSERT_EQ(Tree(*scene), ":0(Group:0(Group:0(Group:0)) Group:0)");
    VgxGroup& first = *Child(*scene, 0);
    VgxGroup& middle = *Child(first);
    VgxGroup& deepest = *Child(middle);
    VgxGroup& second = *Child(*scene, 1);
    EXPECT_EQ(KeysOf(second, VgxAnimationPositionKey), std::tuple(std::vector<float>{0, 1}, 1.0f, 2.0f));
    EXPECT_EQ(std::get<0>(KeysOf(deepest, VgxAnimationRotateKey)), (std::vector<float>{0, 0.5f, 2}));
    EXPECT_EQ((std::array{KeyCount(*scene), KeyCount(first), KeyCount(middle), KeyCount(deepest), KeyCount(second)}),
              (std::array{0, 0, 0, 3, 2}));

    // Two nodes of one name, each moved its own way.
    WriteAll(folder + "/twins.gltf",
             AnimatedScene(R"({"name":"twin"},{"name":"twin"})", "0,1",
                           {{0, "translation", {0, 1}, {5, 6, 0, 7, 8, 0}},
                            {1, "translation", {0, 0.25f, 1}, {9, 10, 0, 11, 12, 0, 13, 14, 0}}}));
    const auto twins = Load(folder + "/twins.gltf");
    ASSERT_TRUE(twins);
    EXPECT_EQ(KeysOf(*Child(*twins, 0), VgxAnimationPositionKey), std::tuple(std::vector<float>{0, 1}, 5.0f, 6.0f));
    EXPECT_EQ(KeysOf(*Child(*twins, 1), VgxAnimationPositionKey),
              std::tuple(std::vector<float>{0, 0.25f, 1}, 9.0f, 10.0f));
    EXPECT_TRUE(shown.empty());
}

// A triangle skinned to two joints (nodes 1 and 2, 2 below 1; the mesh at node 0),
// each joint's scale `scale` and its inverse bind matrix scaled by `bindScale`, with
// the animation's channels appended.
std::string SkinnedScene(float scale, float bindScale, const std::vector<Channel>& channels) {
    std::string bytes;
    const auto put = [&](const auto& values) {
        bytes.append(reinterpret_cast<const char*>(values.data()), sizeof(values[0]) * values.size());
    };
    put(std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0});                   // 0: positions, 36 bytes
    put(std::vector<uint8_t>{0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0});        // 36: joints, 12 bytes
    put(std::vector<float>{0.5f, 0.5f, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0});    // 48: weights, 48 bytes
    std::vector<float> bind(32, 0);
    for (int j = 0; j < 2; ++j) {
        for (int d = 0; d < 3; ++d) bind[16 * j + 5 * d] = bindScale;
        bind[16 * j + 15] = 1;
    }
    put(bind);  // 96: inverse bind matrices, 128 bytes
    std::string views = R"({"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":12},)"
                        R"({"buffer":0,"byteOffset":48,"byteLength":48},{"buffer":0,"byteOffset":96,"byteLength":128})";
    std::string accessors =
        R"({"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},)"
        R"({"bufferView":1,"componentType":5121,"count":3,"type":"VEC4"},)"
        R"({"bufferView":2,"componentType":5126,"count":3,"type":"VEC4"},)"
        R"({"bufferView":3,"componentType":5126,"count":2,"type":"MAT4"})";
    std::string samplers, targets;
    for (size_t c = 0; c < channels.size(); ++c) {
        const Channel& channel = channels[c];
        const size_t input = 4 + 2 * c;
        for (const auto& [values, type, bounds] :
             {std::tuple{&channel.times, "SCALAR", true}, std::tuple{&channel.values, "VEC4", false}}) {
            views += R"(,{"buffer":0,"byteOffset":)" + std::to_string(bytes.size()) + R"(,"byteLength":)" +
                     std::to_string(4 * values->size()) + "}";
            accessors += R"(,{"bufferView":)" + std::to_string(input + (bounds ? 0 : 1)) +
                         R"(,"componentType":5126,"count":)" + std::to_string(channel.times.size()) +
                         R"(,"type":")" + type + "\"" +
                         (bounds ? R"(,"min":[)" + std::to_string(values->front()) + R"(],"max":[)" +
                                       std::to_string(values->back()) + "]"
                                 : std::string()) +
                         "}";
            put(*values);
        }
        samplers += std::string(c ? "," : "") + R"({"input":)" + std::to_string(input) + R"(,"output":)" +
                    std::to_string(input + 1) + "}";
        targets += std::string(c ? "," : "") + R"({"sampler":)" + std::to_string(c) + R"(,"target":{"node":)" +
                   std::to_string(channel.node) + R"(,"path":")" + channel.path + "\"}}";
    }
    const std::string s = std::to_string(scale);
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1]}],"nodes":[{"mesh":0,"skin":0},)"
           R"({"scale":[)" + s + "," + s + "," + s + R"(],"children":[2]},{"scale":[)" + s + "," + s + "," + s +
           R"(]}],"skins":[{"joints":[1,2],"inverseBindMatrices":3}],"meshes":[{"primitives":[{"attributes":)"
           R"({"POSITION":0,"JOINTS_0":1,"WEIGHTS_0":2}}]}],"buffers":[{"byteLength":)" +
           std::to_string(bytes.size()) + R"(,"uri":"data:application/octet-stream;base64,)" + Base64(bytes) +
           R"("}],"bufferViews":[)" + views + R"(],"accessors":[)" + accessors + "]" +
           (channels.empty() ? std::string() : R"(,"animations":[{"channels":[)" + targets + R"(],"samplers":[)" +
                                                   samplers + "]}]") +
           "}";
}

TEST_F(GltfLoad, AJointsChannelDrivesTheJointsGroupNotTheSkinnedMeshs) {
    const float turn = std::sqrt(0.5f);
    WriteAll(folder + "/skinned.gltf", SkinnedScene(1, 1, {{2, "rotation", {0, 1}, {0, 0, 0, 1, 0, 0, turn, turn}}}));
    const auto scene = Load(folder + "/skinned.gltf");
    ASSERT_TRUE(scene);
    ASSERT_EQ(Tree(*scene), ":0(Group:1 Group:0(Group:0))");
    VgxGroup& skinned = *Child(*scene, 0);
    VgxGroup& joint = *Child(*Child(*scene, 1));
    EXPECT_EQ(std::get<0>(KeysOf(joint, VgxAnimationRotateKey)), (std::vector<float>{0, 1}));
    EXPECT_EQ((std::array{KeyCount(skinned), KeyCount(*Child(*scene, 1)), KeyCount(joint)}), (std::array{0, 0, 2}));

    // Joints and inverse binds each finite, whose product is not: refused, nothing changed.
    const std::string path = folder + "/overflowing skin.gltf";
    WriteAll(path, SkinnedScene(1e20f, 1e20f, {}));
    auto object = root->CreateObject();
    vgx::test::ExpectVgxError([&] { object->Load(path); }, VgxErrInvalidFileFormat, "VgxObject",
                              "Invalid file format: " + path + ": numbers beyond the range of a float once combined");
    auto top = root->CreateGroup(nullptr);
    top->Load(path);
    EXPECT_EQ(top->GetChildren()->GetSize(), 0);
    EXPECT_EQ(shown, std::vector<std::string>{"File Format Invalid."});
}

TEST_F(GltfLoad, SkinnedMeshesStandWhereTheirJointsPutThem) {
    // Joint 1 was bound at (0, 1, 0) and now stands there turned a quarter about z;
    // the triangle it carries turns with it. The mesh node's own (5, 0, 0) plays no part.
    std::string bytes;
    const auto put = [&](const auto& values) {
        bytes.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(values[0]));
    };
    put(std::array<float, 9>{0, 1, 0, 1, 1, 0, 0, 2, 0});
    put(std::array<uint8_t, 12>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    put(std::array<float, 12>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    put(std::array<float, 32>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0,  0, 1,    // joint 0: bound at the origin
                              1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1});  // joint 1: at (0, 1, 0)
    WriteAll(folder + "/skin.bin", bytes);
    WriteAll(folder + "/skin.gltf", R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1]}],
        "nodes":[{"name":"body","mesh":0,"skin":0,"translation":[5,0,0]},{"name":"hip","children":[2]},
                 {"name":"knee","translation":[0,1,0],"rotation":[0,0,0.70710678,0.70710678]}],
        "skins":[{"joints":[1,2],"inverseBindMatrices":3}],
        "meshes":[{"primitives":[{"attributes":{"POSITION":0,"JOINTS_0":1,"WEIGHTS_0":2}}]}],
        "buffers":[{"uri":"skin.bin","byteLength":224}],
        "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":12},
                       {"buffer":0,"byteOffset":48,"byteLength":48},{"buffer":0,"byteOffset":96,"byteLength":128}],
        "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"},
                     {"bufferView":1,"componentType":5121,"count":3,"type":"VEC4"},
                     {"bufferView":2,"componentType":5126,"count":3,"type":"VEC4"},
                     {"bufferView":3,"componentType":5126,"count":2,"type":"MAT4"}]})");
    auto container = Load(folder + "/skin.gltf");
    EXPECT_EQ(Tree(*container), ":0(body:1 hip:0(knee:0))");
    auto frames = Child(*container);
    const auto body = Object(*frames);
    std::vector<std::array<float, 3>> world;
    for (int32_t p = 0; p < body->GetPointCount(); ++p) {
        VgxVector at;
        frames->Transform(at, body->GetPoint(p));
        world.push_back({std::round(at.X * 1e4f) / 1e4f + 0.0f, std::round(at.Y * 1e4f) / 1e4f + 0.0f,
                         std::round(at.Z * 1e4f) / 1e4f + 0.0f});
    }
    std::sort(world.begin(), world.end());
    EXPECT_EQ(world, (std::vector<std::array<float, 3>>{{-1, 1, 0}, {0, 1, 0}, {0, 2, 0}}));
}

TEST_F(GltfLoad, RoundTripsKeepTreeWorldPlacesTrianglesMaterialsLightsAndTextures) {
    for (const char* name : {"x/anim_test.x", "x/kwxport_test_cubewithvcolors.x", "gltf/TextureCoordinateTest.gltf"}) {
        SCOPED_TRACE(name);
        auto first = Load(TestDataPath(name));
        ASSERT_TRUE(first);
        // Lights survive too: one per kind glTF has, on the first group.
        Child(*first)->AddLight(root->CreateLightRGB(VgxLightSpot, 1, 0.5f, 0.25f));
        first->Save(folder + "/round trip.glb");
        auto second = Load(folder + "/round trip.glb");
        ASSERT_TRUE(second);
        // The written root is the container (unnamed); it comes back as the new container's group.
        EXPECT_EQ(Tree(*Child(*second)), "Group" + Tree(*first));
        EXPECT_EQ(WorldFaces(Child(*second)), WorldFaces(first));
        std::vector<std::array<float, 4>> before, after;
        std::vector<std::string> texturesBefore, texturesAfter;
        for (auto [group, colours, textures] :
             {std::tuple{first, &before, &texturesBefore}, std::tuple{second, &after, &texturesAfter}}) {
            std::function<void(VgxGroup&)> visit = [&](VgxGroup& g) {
                for (int32_t i = 0; i < g.GetObjects()->GetSize(); ++i) {
                    const auto object = g.GetObjects()->GetElement(i);
                    for (int32_t f = 0; f < object->GetFaceCount(); ++f) {
                        const auto material = object->GetFace(f)->GetMaterial();
                        colours->push_back(Rgba(*material));
                        if (material->GetTexture()) textures->push_back(material->GetTexture()->GetTextureName());
                    }
                }
                for (int32_t i = 0; i < g.GetChildren()->GetSize(); ++i) visit(*g.GetChildren()->GetElement(i));
            };
            visit(*group);
        }
        EXPECT_EQ(after, before);
        EXPECT_EQ(texturesAfter, texturesBefore);
        const auto light = Child(*Child(*second))->GetLights();
        ASSERT_EQ(light->GetSize(), 1);
        EXPECT_EQ(light->GetElement(0)->GetType(), VgxLightSpot);
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(GltfLoad, SavedAsXLoadsBackTheSameScene) {
    for (const char* name : {"x/anim_test.x", "x/kwxport_test_cubewithvcolors.x", "gltf/TextureCoordinateTest.gltf"}) {
        SCOPED_TRACE(name);
        auto first = Load(TestDataPath(name));
        first->Save(folder + "/again.X");
        auto second = Load(folder + "/again.X");
        ASSERT_TRUE(second);
        EXPECT_EQ(Tree(*Child(*second)), "Group" + Tree(*first));
        EXPECT_EQ(WorldFaces(Child(*second)), WorldFaces(first));
        // One object alone, with its texture names.
        const auto object = Object(*Child(*first));
        object->Save(folder + "/object.x");
        auto reloaded = root->CreateObject();
        reloaded->Load(folder + "/object.x");
        EXPECT_EQ(reloaded->GetFaceCount(), object->GetFaceCount());
        EXPECT_EQ(reloaded->GetName(), object->GetName());
        const auto texture = [](const VgxObject& o) {
            const auto material = o.GetFace(0)->GetMaterial();
            return material->GetTexture() ? material->GetTexture()->GetTextureName() : std::string();
        };
        EXPECT_EQ(texture(*reloaded), texture(*object));
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(GltfLoad, ASceneOfNodesAndLightsWithoutMeshesGivesItsGroupsAndLights) {
    // A light rig: a named node with a point light, an empty node whose unnamed child holds a sun.
    const std::string path = folder + "/rig.gltf";
    WriteAll(path, R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1]}],
        "nodes":[{"name":"key","translation":[1,2,3],"extensions":{"KHR_lights_punctual":{"light":0}}},
                 {"name":"empty","children":[2]},{"extensions":{"KHR_lights_punctual":{"light":1}}}],
        "extensionsUsed":["KHR_lights_punctual"],
        "extensions":{"KHR_lights_punctual":{"lights":[{"type":"point","color":[1,0.5,0.25]},
                                                        {"type":"directional"}]}}})");
    const auto rig = Load(path);
    ASSERT_TRUE(rig);
    EXPECT_EQ(Tree(*rig), ":0(key:0 empty:0(Group:0))");
    const auto key = Child(*rig, 0)->GetLights(), sun = Child(*Child(*rig, 1))->GetLights();
    ASSERT_EQ((std::tuple{key->GetSize(), sun->GetSize()}), (std::tuple{1, 1}));
    float rgb[3];
    key->GetElement(0)->GetColorRGB(rgb[0], rgb[1], rgb[2]);
    EXPECT_EQ(key->GetElement(0)->GetType(), VgxLightPoint);
    for (const auto& [got, wanted] : {std::pair{rgb[0], 1.0f}, {rgb[1], 0.5f}, {rgb[2], 0.25f}}) {
        EXPECT_NEAR(got, wanted, 1.0f / 255);  // a light keeps its colour in 8 bits a channel
    }
    EXPECT_EQ(sun->GetElement(0)->GetType(), VgxLightDirectional);
    EXPECT_TRUE(shown.empty());
    // An object has no mesh to take from it, and keeps its own.
    auto object = root->CreateObject();
    object->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}}, {{0, 0}}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false,
                     false);
    vgx::test::ExpectVgxError([&] { object->Load(path); }, VgxErrInvalidFileFormat, "VgxObject",
                              "Invalid file format: " + path + ": the file holds no mesh");
    EXPECT_EQ(object->GetFaceCount(), 1);
}

TEST_F(GltfLoad, NumbersThatOverflowOnceCombinedAreRefusedWith321AndChangeNothing) {
    // One triangle with a corner at 1e10, under nodes whose scales are finite but whose
    // product with it, or with each other, is not.
    const std::vector<float> corners{0, 0, 0, 1e10f, 0, 0, 0, 1, 0};
    const std::string bytes(reinterpret_cast<const char*>(corners.data()), 4 * corners.size());
    const auto scene = [&](const std::string& nodes) {
        return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[)" + nodes +
               R"(],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"buffers":[{"byteLength":36,)"
               R"("uri":"data:application/octet-stream;base64,)" +
               Base64(bytes) +
               R"("}],"bufferViews":[{"buffer":0,"byteLength":36}],"accessors":[{"bufferView":0,)"
               R"("componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1e10,1,0]}]})";
    };
    const std::pair<const char*, std::string> files[] = {
        {"placed.gltf", R"({"mesh":0,"scale":[1e30,1e30,1e30]})"},
        {"chained.gltf", R"({"scale":[1e20,1e20,1e20],"children":[1]},{"scale":[1e20,1e20,1e20],"children":[2]},)"
                         R"({"translation":[1,0,0],"mesh":0})"}};
    auto object = root->CreateObject();
    object->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}}, {{0, 0}}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false,
                     false);
    auto top = root->CreateGroup(nullptr);
    for (const auto& [name, nodes] : files) {
        SCOPED_TRACE(name);
        const std::string path = folder + "/" + name;
        WriteAll(path, scene(nodes));
        const std::string reason = ": numbers beyond the range of a float once combined";
        vgx::test::ExpectVgxError([&] { object->Load(path); }, VgxErrInvalidFileFormat, "VgxObject",
                                  "Invalid file format: " + path + reason);
        EXPECT_EQ(object->GetFaceCount(), 1);
        top->Load(path);
        EXPECT_EQ(top->GetChildren()->GetSize(), 0);
    }
    EXPECT_EQ(shown, std::vector<std::string>(2, "File Format Invalid."));
}

TEST_F(GltfLoad, BrokenFilesRaise321AndChangeNothing) {
    const std::string triangle = ReadAll(TestDataPath("gltf/Triangle.gltf"));
    auto object = root->CreateObject();
    object->Load(TestDataPath("gltf/Box.gltf"));
    object->SetName("kept");
    auto scene = root->CreateGroup(nullptr);
    const std::vector<std::pair<std::string, std::string>> broken = {
        {triangle.substr(0, triangle.size() / 2), "JSON: unexpected end"},
        {Replaced(triangle, "\"buffer\" : 0", "\"buffer\" : 7"), "\"buffer\" is not an index in range"},
        {Replaced(triangle, "\"byteLength\" : 36", "\"byteLength\" : 24"),
         "an accessor past the end of its buffer view"},
        {Replaced(triangle, "\"bufferView\" : 1,", "\"count\" : 1e12, \"bufferView0\" : 1,"),
         "an accessor count the file cannot hold"},
        {Replaced(triangle, "\"asset\"", "\"extensionsRequired\" : [\"KHR_draco_mesh_compression\"], \"asset\""),
         "required extension KHR_draco_mesh_compression is not supported"},
        {Replaced(triangle, "AAABAAIA", "AAABAAMA"), "a vertex index out of range"},
    };
    for (size_t i = 0; i < broken.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string path = folder + "/broken" + std::to_string(i) + ".gltf";
        WriteAll(path, broken[i].first);
        try {
            object->Load(path);
            ADD_FAILURE() << "loaded";
        } catch (const VgxError& error) {
            EXPECT_EQ(error.Number, VgxErrInvalidFileFormat);
            EXPECT_EQ(error.Source, "VgxObject");
            EXPECT_EQ(error.Description.rfind("Invalid file format: " + path + ": " + broken[i].second, 0), 0u)
                << error.Description;
        }
        EXPECT_EQ(object->GetFaceCount(), 12);
        EXPECT_EQ(object->GetName(), "kept");
        scene->Load(path);
        EXPECT_EQ(scene->GetChildren()->GetSize(), 0);
    }
    // A binary file cut short.
    Load(TestDataPath("gltf/Box.gltf"))->Save(folder + "/whole.glb");
    const std::string glb = ReadAll(folder + "/whole.glb");
    WriteAll(folder + "/cut.glb", glb.substr(0, glb.size() - 10));
    vgx::test::ExpectVgxError(
        [&] { object->Load(folder + "/cut.glb"); }, VgxErrInvalidFileFormat, "VgxObject",
        "Invalid file format: " + folder + "/cut.glb: binary glTF chunk past the end of the file");
    EXPECT_EQ(shown, std::vector<std::string>(broken.size(), "File Format Invalid."));
}

}  // namespace
