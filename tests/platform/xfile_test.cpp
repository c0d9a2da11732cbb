// The .x reader against the public sample files and against broken input, and
// the writer by reading back what it writes.
#include "platform/xfile.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "support/obj_reader.h"

// Designated initializers leave the other fields at their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vgx::xfile {
// Every field of a record, so whole scenes compare with ==; outside the unnamed
// namespace, where argument-dependent lookup would not find the operator.
static auto Fields(const Material& m) {
    return std::tie(m.name, m.faceColor, m.power, m.specularColor, m.emissiveColor, m.textureFile);
}
static auto Fields(const SkinWeights& s) { return std::tie(s.boneName, s.vertices, s.weights, s.offset); }
static auto Fields(const Mesh& m) {
    return std::tie(m.name, m.positions, m.faceSizes, m.faceVertices, m.normals, m.normalFaceSizes, m.normalFaceIndices,
                    m.uvs, m.vertexColors, m.materials, m.faceMaterials, m.maxSkinWeightsPerVertex,
                    m.maxSkinWeightsPerFace, m.boneCount, m.skinWeights);
}
static auto Fields(const AnimationKeys& k) { return std::tie(k.keyType, k.times, k.values); }
static auto Fields(const Animation& a) {
    return std::tie(a.name, a.frameName, a.closed, a.splinePositions, a.hasOptions, a.keys);
}
static auto Fields(const AnimationSet& s) { return std::tie(s.name, s.animations); }
static auto Fields(const Frame& f) { return std::tie(f.name, f.parent, f.transform, f.meshes); }
static auto Fields(const Scene& s) {
    return std::tie(s.majorVersion, s.minorVersion, s.ticksPerSecond, s.meshFrame, s.frames, s.meshes, s.animationSets);
}
template <class T>
auto operator==(const T& a, const T& b) -> decltype(Fields(a) == Fields(b)) {
    return Fields(a) == Fields(b);
}

namespace {

// A file of the .x test data; XFile("") is its folder.
std::string XFile(const std::string& name) { return vgx::test::TestDataPath("x/" + name); }

Scene Parse(const std::string& text) { return ParseXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }

// Reading must fail with a message that contains `because`.
void ExpectFormatError(const auto& read, const std::string& because, const std::string& what) {
    try {
        read();
        ADD_FAILURE() << what << " was read";
    } catch (const FormatError& error) {
        EXPECT_NE(std::string(error.what()).find(because), std::string::npos) << what << ": " << error.what();
    }
}

// Each sample's frames, ticks and version, and its one mesh: name, vertices, faces, face
// corners, normals, UVs, colours, materials, skin weights, and the first material's name
// and TextureFileName (as written). What the writer makes of each reads back equal.
TEST(XFileRead, SampleFilesHoldTheirFramesAndMeshAndReadBackEqual) {
    using Sizes = std::tuple<std::string, size_t, size_t, size_t, size_t, size_t, size_t, size_t, size_t, std::string,
                             std::string>;
    // clang-format off
    const std::tuple<const char*, std::vector<std::string>, uint32_t, uint32_t, Sizes> samples[] = {
        {"test_cube_text.x", {"Root", "Cube"}, 24, 3, {"Cube", 24, 12, 36, 72, 48, 0, 1, 1, "Material", ""}},
        {"test.x", {"pCube1"}, 0, 3, {"pCubeShape1", 24, 12, 36, 72, 48, 0, 1, 0, "", R"(.\\test.png)"}},
        {"anim_test.x", {"pCylinder1", "joint1", "joint2", "ikHandle1"}, 24, 3,
         {"pCylinderShape1", 1720, 840, 2520, 5160, 3440, 0, 1, 4, "", ""}},
        {"kwxport_test_cubewithvcolors.x", {"Box01"}, 0, 3, {"mesh_Box01", 24, 12, 36, 72, 48, 24, 3, 0, "bottom",
         R"(C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\bottom.tga)"}},
        {"fromtruespace_bin32.x", {"FeedTheDinoGPU-0"}, 0, 2,
         {"FeedTheDinoGPUMesh", 4132, 6656, 19968, 12396, 8264, 0, 1, 0, "FeedTheDinoGPUMaterial_0_0", ""}},
    };
    // clang-format on
    for (const auto& [file, frames, ticks, minor, mesh] : samples) {
        const Scene scene = ReadXFile(XFile(file));
        std::vector<std::string> names;
        for (const Frame& frame : scene.frames) names.push_back(frame.name);
        ASSERT_EQ(scene.meshes.size(), 1u) << file;
        const Mesh& m = scene.meshes[0];
        EXPECT_EQ(std::tuple(names, scene.ticksPerSecond, scene.majorVersion, scene.minorVersion,
                             Sizes(m.name, m.VertexCount(), m.FaceCount(), m.faceVertices.size(), m.normals.size(),
                                   m.uvs.size(), m.vertexColors.size(), m.materials.size(), m.skinWeights.size(),
                                   m.materials.at(0).name, m.materials[0].textureFile)),
                  std::tuple(frames, ticks, 3u, minor, mesh))
            << file;
        const std::string text = WriteXText(scene);
        EXPECT_EQ(text.substr(0, 16), "xof 030" + std::to_string(minor) + "txt 0032");
        EXPECT_EQ(Fields(Parse(text)), Fields(scene)) << file;
    }
}

// The Blender cube as text, binary and MSZIP-compressed binary: one scene.
TEST(XFileRead, CubeInEveryEncoding) {
    const Scene text = ReadXFile(XFile("test_cube_text.x"));
    const Mesh& cube = text.meshes.at(0);
    const Material& material = cube.materials.at(0);  // by reference to the top-level Material
    const SkinWeights& skin = cube.skinWeights.at(0);
    // Root swaps y and z.
    EXPECT_EQ(std::tie(text.frames[1].parent, text.frames[0].transform[6], text.frames[0].transform[9], text.meshFrame,
                       text.frames[1].meshes),
              std::tuple(0, 1.0f, 1.0f, std::vector<int32_t>{1}, std::vector<uint32_t>{0}));
    // The fifth vertex, the last face's corners.
    EXPECT_EQ(std::tuple(std::vector<float>(cube.positions.begin() + 12, cube.positions.begin() + 15),
                         std::vector<uint32_t>(cube.faceVertices.end() - 3, cube.faceVertices.end()),
                         cube.normalFaceSizes, cube.faceMaterials, text.animationSets.size()),
              std::tuple(std::vector<float>{0.999999f, 1.0f, -1.000001f}, std::vector<uint32_t>{20, 21, 23},
                         cube.faceSizes, std::vector<uint32_t>(12, 0), 0u));
    EXPECT_EQ(std::tie(material.faceColor, material.power, material.specularColor),
              std::tuple(std::array{0.639216f, 0.639216f, 0.639216f, 1.0f}, 96.078430f,
                         std::array{0.498039f, 0.498039f, 0.498039f}));
    EXPECT_EQ(std::tuple(cube.maxSkinWeightsPerVertex, cube.boneCount, skin.boneName, skin.vertices.size(),
                         skin.vertices[23], skin.weights, skin.offset[6]),
              std::tuple(1u, 1u, "Cube", 24u, 23u, std::vector<float>(24, 1.0f), 1.0f));

    for (const char* name : {"test_cube_binary.x", "test_cube_compressed.x"}) {
        SCOPED_TRACE(name);
        Scene other = ReadXFile(XFile(name));
        EXPECT_EQ(Fields(Parse(WriteXText(other))), Fields(other));
        // The binary files hold the exporter's colours exactly (163 / 255); the text
        // rounds them to six decimals. Everything else is bit for bit the same.
        Material& exact = other.meshes.at(0).materials.at(0);
        for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(exact.faceColor[i], material.faceColor[i], 1e-6);
        for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(exact.specularColor[i], material.specularColor[i], 1e-6);
        exact = material;
        EXPECT_EQ(Fields(other), Fields(text));
    }
}

TEST(XFileRead, SkinAnimationVertexColoursAndMaterialList) {
    const Scene cylinder = ReadXFile(XFile("anim_test.x"));
    const Mesh& mesh = cylinder.meshes.at(0);
    EXPECT_EQ(std::tie(cylinder.frames[2].parent, cylinder.frames[3].parent, cylinder.frames[2].transform[12],
                       mesh.maxSkinWeightsPerVertex, mesh.maxSkinWeightsPerFace, mesh.boneCount),
              std::tuple(1, -1, 3.043184f, 4u, 4u, 4u));
    // Each bone with the number of its vertices and weights; each animation's frame, then per
    // key list its type, number of keys and values, and first time.
    std::vector<std::string> bones, keys, expected;
    for (const SkinWeights& bone : mesh.skinWeights)
        bones.push_back(bone.boneName + " " + std::to_string(bone.vertices.size()) + " " +
                        std::to_string(bone.weights.size()));
    EXPECT_EQ(bones, (std::vector<std::string>{"joint1 1700 1700", "joint2 1680 1680", "joint3 1700 1700",
                                               "joint4 1700 1700"}));
    ASSERT_EQ(cylinder.animationSets.size(), 1u);
    const AnimationSet& set = cylinder.animationSets[0];
    EXPECT_EQ(set.name, "cylinder_test");
    for (const Animation& animation : set.animations) {
        keys.push_back(animation.frameName);
        for (const AnimationKeys& k : animation.keys)
            keys.push_back(std::to_string(k.keyType) + ": " + std::to_string(k.times.size()) + " x " +
                           std::to_string(k.values.size()) + " from " + std::to_string(k.times.at(0)));
    }
    for (const char* target : {"pCylinder1", "joint2", "joint1", "ikHandle1"})
        expected.insert(expected.end(), {target, "0: 24 x 96 from 1", "1: 24 x 72 from 1", "2: 24 x 72 from 1"});
    EXPECT_EQ(keys, expected);
    // joint2's first rotation, w first.
    EXPECT_EQ(std::tie(set.animations[1].keys[0].values[0], set.animations[1].keys[0].values[3]),
              std::tuple(-0.999483f, 0.032145f));

    const Scene box = ReadXFile(XFile("kwxport_test_cubewithvcolors.x"));
    const Mesh& colored = box.meshes.at(0);
    ASSERT_EQ(colored.materials.size(), 3u);
    // Vertex 0 is red.
    EXPECT_EQ(std::tie(colored.vertexColors.at(0), colored.vertexColors.at(1), colored.materials[0].power,
                       colored.faceMaterials),
              std::tuple(0xFFFF0000u, 0xFFFFFFFFu, 31.0f, std::vector<uint32_t>{0, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2}));
    const char* materials[][2] = {{"bottom", "bottom.tga"}, {"top", "top.tga"}, {"side", "updown.tga"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::tie(colored.materials[i].name, colored.materials[i].textureFile),
                  std::tuple(materials[i][0], R"(C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\)" +
                                                  std::string(materials[i][1])));
    }
}

// Every kind of content the writer must keep, with awkward floats.
// clang-format off
Scene SyntheticScene() {
    const Material skin{"Skin", {0.9f, 0.7f, 0.6f, 1}, 12.5f, {0.1f, 0.2f, 0.3f}, {0, 0, 0}, "textures\\skin.png"};
    const Material cloth{.faceColor = {0, 0, 1, 0.5f}};  // unnamed, untextured
    const float tiny = std::numeric_limits<float>::denorm_min();
    const Matrix lowered = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -0.5f, 0, 0, 1};
    const Matrix raised = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1.5f, 0, 1};
    const Matrix awkward = {0.1f, -0.2f, 1e-30f, 0, 3.14159274f, -0.0f, 1e30f, 0, 0, 0, 1, 0, 1.0f / 3.0f, 2, 3, 1};
    const Mesh loose{
        .name = "Loose", .positions = {0, 0, 0, 1, 0, 0, 0, 1, 0}, .faceSizes = {3}, .faceVertices = {0, 1, 2}};
    const Mesh legs{
        .name = "Legs", .positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5f, 2, tiny}, .faceSizes = {4, 3},
        .faceVertices = {0, 1, 2, 3, 3, 2, 4}, .normals = {0, 0, 1, 0, 0, -1}, .normalFaceSizes = {4, 3},
        .normalFaceIndices = {0, 0, 0, 0, 1, 1, 1}, .uvs = {0, 0, 1, 0, 1, 1, 0, 1, 0.5f, 0.125f},
        .vertexColors = {0xFF000000u, 0x80FF8000u, 0x00123456u, 0xFFFFFFFFu, 0x7F7F7F7Fu}, .materials = {skin, cloth},
        .faceMaterials = {1, 0}, .maxSkinWeightsPerVertex = 2, .maxSkinWeightsPerFace = 3, .boneCount = 2,
        .skinWeights = {{"Hip", {0, 1, 2, 3}, {1, 1, 0.25f, 0.75f}, lowered}, {"Knee", {2, 3, 4}, {0.75f, 0.25f, 1}}}};
    const Animation hip{
        .name = "HipMotion", .frameName = "Hip", .closed = true, .splinePositions = false, .hasOptions = true,
        .keys = {{0, {0, 2400}, {1, 0, 0, 0, 0.7071068f, 0, 0.7071068f, 0}}, {1, {0}, {1, 2, 3}},
                 {2, {0, 10, 20}, {0, 0, 0, 1, 0, 0, 0, 1, 0}}}};
    const Animation knee{.frameName = "Knee", .keys = {{4, {5}, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}}};
    return Scene{.frames = {{.name = "Root", .meshes = {1}}, {"Hip", raised, 0}, {"Knee", awkward, 1}},
                 .meshes = {loose, legs}, .meshFrame = {-1, 0}, .animationSets = {{"Walk", {hip, knee}}},
                 .ticksPerSecond = 4800};
}
// clang-format on

TEST(XFileWrite, SyntheticSceneReadsBackEqual) {
    const Scene scene = SyntheticScene();
    EXPECT_EQ(Fields(Parse(WriteXText(scene))), Fields(scene));
    const std::string path = (std::filesystem::temp_directory_path() / "vgx_xfile_roundtrip.x").string();
    WriteXFile(path, scene);
    EXPECT_EQ(Fields(ReadXFile(path)), Fields(scene));
    std::filesystem::remove(path);
    EXPECT_THROW(WriteXFile("/nonexistent-folder/x.x", scene), std::runtime_error);

    // Names that are no identifiers are changed the same way wherever they appear.
    Scene odd = scene;
    odd.frames[1].name = odd.meshes[1].skinWeights[0].boneName = odd.animationSets[0].animations[0].frameName =
        "Hip Left.1";
    const Scene read = Parse(WriteXText(odd));
    EXPECT_EQ(std::tie(read.frames[1].name, read.meshes[1].skinWeights[0].boneName,
                       read.animationSets[0].animations[0].frameName),
              std::tuple("Hip_Left_1", "Hip_Left_1", "Hip_Left_1"));

    // Lists that disagree are refused rather than written past their ends.
    Scene broken = scene;
    broken.meshes[1].faceVertices.pop_back();
    EXPECT_THROW(WriteXText(broken), std::runtime_error);
}

TEST(XFileRead, LenientText) {
    const Scene scene = Parse(R"(xof 0303txt 0032
# a comment
template Custom { <01234567-89ab-cdef-0123-456789abcdef> DWORD a; array FLOAT b[a]; [...] }
Custom thing { 2; 1.0, 2.0; { Unknown } Nested { "string with } and {"; } }
Material Red { 1;0;0;1;; 5; 0;0;0;; 0;0;0;; TEXTUREFILENAME { "red.png"; } }
// missing separators, a mesh outside any frame
Mesh Top <3D82AB44-62DA-11cf-AB39-0020AF71E433> {
  3 0 0 0 1 0 0 0 1 0
  1 3 0 1 2
  MeshMaterialList { 1 1 0 { Red } }
  VertexDuplicationIndices { 3; 3; 0, 1, 2; }
  MeshTextureCoords { 3;; 0;0;, 1;0;, 0;1;;; }
}
Frame 1st_frame {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, .5,-1e1,+2.5e1,1;; }
  Frame {}
  { Top }
}
)");
    ASSERT_EQ(scene.meshes.size(), 1u);
    const Mesh& top = scene.meshes[0];
    ASSERT_EQ(top.materials.size(), 1u);
    EXPECT_EQ(std::tuple(scene.meshFrame, top.name, top.positions, top.faceVertices, top.materials[0].name,
                         top.materials[0].textureFile, top.uvs),
              std::tuple(std::vector<int32_t>{-1}, "Top", std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0},
                         std::vector<uint32_t>{0, 1, 2}, "Red", "red.png", std::vector<float>{0, 0, 1, 0, 0, 1}));
    ASSERT_EQ(scene.frames.size(), 2u);
    // Instancing by reference is not kept.
    EXPECT_EQ(std::tie(scene.frames[0].name, scene.frames[0].meshes, scene.frames[0].transform[12],
                       scene.frames[0].transform[13], scene.frames[0].transform[14], scene.frames[1].name,
                       scene.frames[1].parent),
              std::tuple("1st_frame", std::vector<uint32_t>{}, 0.5f, -10.0f, 25.0f, "", 0));

    // A short face material list repeats its last entry.
    const Scene repeated = Parse(R"(xof 0303txt 0032
Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;; 3; 3;0,1,2;, 3;1,3,2;, 3;0,1,3;;
  MeshMaterialList { 2; 2; 1, 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 0;0;0;1;; 0; 0;0;0;; 0;0;0;; } } })");
    EXPECT_EQ(repeated.meshes[0].faceMaterials, (std::vector<uint32_t>{1, 0, 0}));

    // A repeated MeshNormals or MeshMaterialList replaces the first.
    const Scene twice = Parse(R"(xof 0303txt 0032
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
  MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; } MeshNormals { 2; 0;0;1;, 0;0;-1;; 1; 3;1,1,1;; }
  MeshMaterialList { 1; 1; 0; Material A { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }
  MeshMaterialList { 1; 1; 0; Material B { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } })");
    EXPECT_EQ(twice.meshes[0].normalFaceIndices, (std::vector<uint32_t>{1, 1, 1}));
    ASSERT_EQ(twice.meshes[0].materials.size(), 1u);
    EXPECT_EQ(twice.meshes[0].materials[0].name, "B");
}

// Binary bodies: little-endian token codes, then what each token carries.
std::string Raw(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }
std::string U32(uint32_t value) { return Raw(&value, 4); }
std::string Tokens(std::initializer_list<uint16_t> codes) { return Raw(std::data(codes), 2 * codes.size()); }
std::string Name(const std::string& name) { return Tokens({1}) + U32(uint32_t(name.size())) + name; }
template <class T>  // uint32_t for an integer list (token 6), double for a float list (token 7)
std::string List(const std::vector<T>& values) {
    return Tokens({sizeof(T) == 4 ? uint16_t(6) : uint16_t(7)}) + U32(uint32_t(values.size())) +
           Raw(values.data(), values.size() * sizeof(T));
}

// MSZIP: the total size, then blocks of at most `blockSize` bytes, each deflated
// with the block before it as dictionary.
std::string MsZip(const std::string& header, const std::string& body, size_t blockSize) {
    std::string out = header + U32(uint32_t(body.size() + 16));
    for (size_t at = 0; at < body.size(); at += blockSize) {
        const size_t size = std::min(blockSize, body.size() - at);
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
        if (at > 0)
            deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(body.data() + at - blockSize), uInt(blockSize));
        std::vector<uint8_t> packed(deflateBound(&z, size));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + at)), z.avail_in = uInt(size);
        z.next_out = packed.data(), z.avail_out = uInt(packed.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        const uint16_t sizes[] = {uint16_t(size), uint16_t(z.total_out + 2)};
        out += Raw(sizes, 4) + "CK" + Raw(packed.data(), z.total_out);
        deflateEnd(&z);
    }
    return out;
}

TEST(XFileRead, DoubleFloatsAndCompressedText) {
    // A template, skipped, then a frame holding a mesh.
    const std::string skipped = Tokens({31}) + Name("Thing") + Tokens({10, 5}) + std::string(16, '\x11') +
                                Tokens({41}) + Name("a") + Tokens({20, 11});
    const std::string body = skipped + Name("Frame") + Name("F") + Tokens({10}) + Name("FrameTransformMatrix") +
                             Tokens({10}) + List<double>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.1, 2, 3, 1}) +
                             Tokens({11}) + Name("Mesh") + Tokens({10}) + List<uint32_t>({3}) +
                             List<double>({0, 0, 0, 1, 0, 0, 0, 1, 0}) + List<uint32_t>({1, 3, 0, 1, 2}) +
                             Tokens({11, 11});
    const std::string file = "xof 0303bin 0064" + body;
    const Scene expected{
        .frames = {{"F", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.1f, 2, 3, 1}, -1, {0}}},
        .meshes = {{.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0}, .faceSizes = {3}, .faceVertices = {0, 1, 2}}},
        .meshFrame = {0}};
    EXPECT_EQ(Fields(Parse(file)), Fields(expected));
    // The same body compressed (several blocks), and a file cut anywhere in the frame.
    EXPECT_EQ(Fields(Parse(MsZip("xof 0303bzip0064", body, 40))), Fields(expected));
    for (size_t cut = 17 + skipped.size(); cut < file.size(); ++cut) {
        EXPECT_THROW(Parse(file.substr(0, cut)), FormatError) << cut;
    }

    // A large text scene, compressed in 32 KB blocks that lean on each other.
    Scene big = SyntheticScene();
    big.meshes.resize(2000, big.meshes[1]), big.meshFrame.resize(2000, -1);
    const std::string text = WriteXText(big);
    ASSERT_GT(text.size(), 300000u);
    EXPECT_EQ(Fields(Parse(MsZip("xof 0303tzip0032", text.substr(16), 0x8000))), Fields(Parse(text)));
}

TEST(XFileRead, BrokenInputAndSampleFilesFail) {
    const std::string txt = "xof 0303txt 0032\n", cube = txt + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
    std::string nested = txt;
    for (int i = 0; i < 100000; ++i) nested += "Frame {";
    // What is wrong, part of the message that says so, and the file.
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"truncated header", "header", "xof 0303txt 00"},
        {"wrong magic", "xof", "xog 0303txt 0032 Frame {}"},
        {"bad version", "version", "xof 03a3txt 0032 Frame {}"},
        {"bad float size", "float size", "xof 0303txt 0016 Frame {}"},
        {"unknown format", "format", "xof 0303zip 0032 Frame {}"},
        {"2^31 vertices", "2147483648 vertices", txt + "Mesh { 2147483648; 0;0;0;; 0;; }"},
        {"2^31 vertices, binary", "2147483648 vertices",
         std::string("xof 0303bin 0032\x01\0\x04\0\0\0Mesh\x0a\0\x06\0\x01\0\0\0\0\0\0\x80", 38)},
        {"count past 2^32", "integer", txt + "Mesh { 99999999999; }"},
        {"huge face", "2000000000 corners", cube.substr(0, cube.size() - 13) + "1; 2000000000;0,1,2;; }"},
        {"unclosed brace", "ends inside 'Mesh'", cube + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }"},
        {"extra brace", "without its", cube + "}\n}"},
        {"100000 nested frames", "nested", nested + std::string(100000, '}')},
        {"100000 nested unknown objects", "nested", txt + "Thing {" + std::string(100000, '{')},
        {"face index", "index 3 of only 3", txt + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"},
        {"two-corner face", "2 corners", txt + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"},
        {"normal index", "normal face 0 uses index 1", cube + "MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"},
        {"normal faces", "do not match", cube + "MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }"},
        {"texture coordinate count", "texture coordinates", cube + "MeshTextureCoords { 2; 0;0;, 1;1;; } }"},
        {"vertex color index", "vertex color", cube + "MeshVertexColors { 1; 3;1;1;1;1;;; } }"},
        {"material index", "face material 1",
         cube + "MeshMaterialList { 1; 1; 1; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"unknown material", "'Missing'", cube + "MeshMaterialList { 1; 1; 0; { Missing } } }"},
        {"skin weight vertex", "vertex 3",
         cube + "SkinWeights { \"B\"; 1; 3; 1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }"},
        {"key type", "key type 3", txt + "AnimationSet { Animation { AnimationKey { 3; 1; 0;3;1,1,1;;; } } }"},
        {"key size", "4 values", txt + "AnimationSet { Animation { AnimationKey { 2; 1; 0;4;1,1,1,1;;; } } }"},
        {"negative count", "integer", txt + "Mesh { -3; }"},
        {"unclosed string", "quote", txt + "SkinWeights { \"abc"},
        {"garbage", "expected", txt + "@@@"},
        {"NaN as old runtimes print it", "not finite", cube + "MeshNormals { 1; 1.#QNAN0;0;1;; 1; 3;0,0,0;; } }"},
        {"infinite power", "not finite", txt + "Material { 1;1;1;1;; -1.#INF00; 0;0;0;; 0;0;0;; }"},
        {"double beyond float, binary", "not finite",
         "xof 0303bin 0064" + Name("Mesh") + Tokens({10}) + List<uint32_t>({1}) + List<double>({1e300, 0, 0})},
        {"bad binary token", "token code 99", std::string("xof 0303bin 0032\x63\0", 18)},
        {"binary list past the end", "runs past the end", std::string("xof 0303bin 0032\x07\0\xff\xff\xff\x0f", 22)},
        {"compressed, absurd size", "claims", std::string("xof 0303bzip0032\xff\xff\xff\x7f\x10\0\x10\0CK", 26)},
        {"compressed, short", "ends before", std::string("xof 0303bzip0032\x20\0", 18)},
        {"compressed, no signature", "CK", MsZip("xof 0303tzip0032", "Frame {}", 64).replace(24, 2, "XX")},
    };
    for (const auto& [what, because, text] : cases) ExpectFormatError([&] { return Parse(text); }, because, what);
    for (const auto& [name, because] : {std::pair{"empty.x", ""},
                                        {"OV_GetNextToken", ""},
                                        {"malformed_skinweights_oob.x", "1000000"},
                                        {"no_such_file.x", ""}})
        ExpectFormatError([&] { return ReadXFile(XFile("") + name); }, because, name);
}

}  // namespace
}  // namespace vgx::xfile
