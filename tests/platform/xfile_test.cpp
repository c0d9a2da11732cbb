// The .x reader against the public sample files and against broken input, and
// the writer by reading back what it writes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "platform/xfile.h"
#include "support/obj_reader.h"

namespace vgx::xfile {
namespace {

// A file of the .x test data; XFile("") is its folder.
std::string XFile(const std::string& name) { return vgx::test::TestDataPath("x/" + name); }

Scene Parse(const std::string& text) { return ParseXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }

void ExpectSameMaterial(const Material& a, const Material& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.faceColor, b.faceColor);
    EXPECT_EQ(a.power, b.power);
    EXPECT_EQ(a.specularColor, b.specularColor);
    EXPECT_EQ(a.emissiveColor, b.emissiveColor);
    EXPECT_EQ(a.textureFile, b.textureFile);
}

void ExpectSameScene(const Scene& a, const Scene& b) {
    EXPECT_EQ(a.majorVersion, b.majorVersion);
    EXPECT_EQ(a.minorVersion, b.minorVersion);
    EXPECT_EQ(a.ticksPerSecond, b.ticksPerSecond);
    EXPECT_EQ(a.meshFrame, b.meshFrame);
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (size_t i = 0; i < a.frames.size(); ++i) {
        SCOPED_TRACE("frame " + a.frames[i].name);
        EXPECT_EQ(a.frames[i].name, b.frames[i].name);
        EXPECT_EQ(a.frames[i].parent, b.frames[i].parent);
        EXPECT_EQ(a.frames[i].transform, b.frames[i].transform);
        EXPECT_EQ(a.frames[i].meshes, b.frames[i].meshes);
    }
    ASSERT_EQ(a.meshes.size(), b.meshes.size());
    for (size_t i = 0; i < a.meshes.size(); ++i) {
        const Mesh& m = a.meshes[i];
        const Mesh& n = b.meshes[i];
        SCOPED_TRACE("mesh " + m.name);
        EXPECT_EQ(m.name, n.name);
        EXPECT_EQ(m.positions, n.positions);
        EXPECT_EQ(m.faceSizes, n.faceSizes);
        EXPECT_EQ(m.faceVertices, n.faceVertices);
        EXPECT_EQ(m.normals, n.normals);
        EXPECT_EQ(m.normalFaceSizes, n.normalFaceSizes);
        EXPECT_EQ(m.normalFaceIndices, n.normalFaceIndices);
        EXPECT_EQ(m.uvs, n.uvs);
        EXPECT_EQ(m.vertexColors, n.vertexColors);
        EXPECT_EQ(m.faceMaterials, n.faceMaterials);
        ASSERT_EQ(m.materials.size(), n.materials.size());
        for (size_t k = 0; k < m.materials.size(); ++k) ExpectSameMaterial(m.materials[k], n.materials[k]);
        EXPECT_EQ(m.maxSkinWeightsPerVertex, n.maxSkinWeightsPerVertex);
        EXPECT_EQ(m.maxSkinWeightsPerFace, n.maxSkinWeightsPerFace);
        EXPECT_EQ(m.boneCount, n.boneCount);
        ASSERT_EQ(m.skinWeights.size(), n.skinWeights.size());
        for (size_t k = 0; k < m.skinWeights.size(); ++k) {
            EXPECT_EQ(m.skinWeights[k].boneName, n.skinWeights[k].boneName);
            EXPECT_EQ(m.skinWeights[k].vertices, n.skinWeights[k].vertices);
            EXPECT_EQ(m.skinWeights[k].weights, n.skinWeights[k].weights);
            EXPECT_EQ(m.skinWeights[k].offset, n.skinWeights[k].offset);
        }
    }
    ASSERT_EQ(a.animationSets.size(), b.animationSets.size());
    for (size_t i = 0; i < a.animationSets.size(); ++i) {
        EXPECT_EQ(a.animationSets[i].name, b.animationSets[i].name);
        ASSERT_EQ(a.animationSets[i].animations.size(), b.animationSets[i].animations.size());
        for (size_t k = 0; k < a.animationSets[i].animations.size(); ++k) {
            const Animation& x = a.animationSets[i].animations[k];
            const Animation& y = b.animationSets[i].animations[k];
            EXPECT_EQ(x.name, y.name);
            EXPECT_EQ(x.frameName, y.frameName);
            EXPECT_EQ(x.closed, y.closed);
            EXPECT_EQ(x.splinePositions, y.splinePositions);
            EXPECT_EQ(x.hasOptions, y.hasOptions);
            ASSERT_EQ(x.keys.size(), y.keys.size());
            for (size_t j = 0; j < x.keys.size(); ++j) {
                EXPECT_EQ(x.keys[j].keyType, y.keys[j].keyType);
                EXPECT_EQ(x.keys[j].times, y.keys[j].times);
                EXPECT_EQ(x.keys[j].values, y.keys[j].values);
            }
        }
    }
}

std::vector<std::string> FrameNames(const Scene& scene) {
    std::vector<std::string> names;
    for (const Frame& frame : scene.frames) names.push_back(frame.name);
    return names;
}

// Every sample file is either here or in the broken list below.
const std::vector<std::string> kReadable = {"test.x", "test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                                            "kwxport_test_cubewithvcolors.x", "anim_test.x", "fromtruespace_bin32.x"};
const std::vector<std::string> kBroken = {"empty.x", "OV_GetNextToken", "malformed_skinweights_oob.x"};

TEST(XFileRead, EverySampleFileIsListed) {
    std::set<std::string> listed(kReadable.begin(), kReadable.end());
    listed.insert(kBroken.begin(), kBroken.end());
    for (const auto& entry : std::filesystem::directory_iterator(XFile(""))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".x" || name == "OV_GetNextToken") {
            EXPECT_TRUE(listed.count(name)) << name;
        }
    }
}

TEST(XFileRead, BrokenSampleFilesFail) {
    for (const std::string& name : kBroken) EXPECT_THROW(ReadXFile(XFile(name)), FormatError) << name;
    EXPECT_THROW(ReadXFile(XFile("") + "no_such_file.x"), FormatError);
    try {
        ReadXFile(XFile("malformed_skinweights_oob.x"));
    } catch (const FormatError& error) {
        EXPECT_NE(std::string(error.what()).find("1000000"), std::string::npos) << error.what();
    }
}

// The Blender cube as text, binary and MSZIP-compressed binary: one scene.
TEST(XFileRead, CubeInEveryEncoding) {
    const Scene text = ReadXFile(XFile("test_cube_text.x"));
    EXPECT_EQ(FrameNames(text), (std::vector<std::string>{"Root", "Cube"}));
    EXPECT_EQ(text.frames[1].parent, 0);
    EXPECT_EQ(text.frames[0].transform[6], 1.0f);  // Root swaps y and z
    EXPECT_EQ(text.frames[0].transform[9], 1.0f);
    ASSERT_EQ(text.meshes.size(), 1u);
    EXPECT_EQ(text.meshFrame, std::vector<int32_t>{1});
    EXPECT_EQ(text.frames[1].meshes, std::vector<uint32_t>{0});
    EXPECT_EQ(text.ticksPerSecond, 24u);
    EXPECT_TRUE(text.animationSets.empty());
    const Mesh& cube = text.meshes[0];
    EXPECT_EQ(cube.name, "Cube");
    EXPECT_EQ(cube.VertexCount(), 24u);
    EXPECT_EQ(cube.FaceCount(), 12u);
    EXPECT_EQ(std::vector<float>(cube.positions.begin() + 12, cube.positions.begin() + 15),
              (std::vector<float>{0.999999f, 1.0f, -1.000001f}));
    EXPECT_EQ(std::vector<uint32_t>(cube.faceVertices.end() - 3, cube.faceVertices.end()), (std::vector<uint32_t>{20, 21, 23}));
    EXPECT_EQ(cube.normals.size(), 72u);
    EXPECT_EQ(cube.normalFaceSizes, cube.faceSizes);
    EXPECT_EQ(cube.uvs.size(), 48u);
    ASSERT_EQ(cube.materials.size(), 1u);  // by reference to the top-level Material
    EXPECT_EQ(cube.materials[0].name, "Material");
    EXPECT_EQ(cube.materials[0].faceColor, (std::array<float, 4>{0.639216f, 0.639216f, 0.639216f, 1.0f}));
    EXPECT_EQ(cube.materials[0].power, 96.078430f);
    EXPECT_EQ(cube.materials[0].specularColor, (std::array<float, 3>{0.498039f, 0.498039f, 0.498039f}));
    EXPECT_EQ(cube.faceMaterials, std::vector<uint32_t>(12, 0));
    EXPECT_EQ(cube.maxSkinWeightsPerVertex, 1u);
    EXPECT_EQ(cube.boneCount, 1u);
    ASSERT_EQ(cube.skinWeights.size(), 1u);
    EXPECT_EQ(cube.skinWeights[0].boneName, "Cube");
    EXPECT_EQ(cube.skinWeights[0].vertices.size(), 24u);
    EXPECT_EQ(cube.skinWeights[0].vertices[23], 23u);
    EXPECT_EQ(cube.skinWeights[0].weights, std::vector<float>(24, 1.0f));
    EXPECT_EQ(cube.skinWeights[0].offset[6], 1.0f);

    for (const char* name : {"test_cube_binary.x", "test_cube_compressed.x"}) {
        SCOPED_TRACE(name);
        Scene other = ReadXFile(XFile(name));
        // The binary files hold the exporter's colours exactly (163 / 255); the text
        // rounds them to six decimals. Everything else is bit for bit the same.
        Material& material = other.meshes.at(0).materials.at(0);
        for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(material.faceColor[i], cube.materials[0].faceColor[i], 1e-6);
        for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(material.specularColor[i], cube.materials[0].specularColor[i], 1e-6);
        material = cube.materials[0];
        ExpectSameScene(other, text);
    }
}

TEST(XFileRead, MayaCubeAndAnimatedCylinder) {
    const Scene cube = ReadXFile(XFile("test.x"));
    EXPECT_EQ(FrameNames(cube), std::vector<std::string>{"pCube1"});
    ASSERT_EQ(cube.meshes.size(), 1u);
    EXPECT_EQ(cube.meshes[0].name, "pCubeShape1");
    EXPECT_EQ(cube.meshes[0].VertexCount(), 24u);
    EXPECT_EQ(cube.meshes[0].FaceCount(), 12u);
    EXPECT_EQ(cube.meshes[0].uvs.size(), 48u);
    ASSERT_EQ(cube.meshes[0].materials.size(), 1u);
    EXPECT_EQ(cube.meshes[0].materials[0].name, "");
    EXPECT_EQ(cube.meshes[0].materials[0].textureFile, R"(.\\test.png)");  // TextureFileName, as written

    const Scene cylinder = ReadXFile(XFile("anim_test.x"));
    EXPECT_EQ(FrameNames(cylinder), (std::vector<std::string>{"pCylinder1", "joint1", "joint2", "ikHandle1"}));
    EXPECT_EQ(cylinder.frames[2].parent, 1);
    EXPECT_EQ(cylinder.frames[3].parent, -1);
    EXPECT_EQ(cylinder.frames[2].transform[12], 3.043184f);
    EXPECT_EQ(cylinder.ticksPerSecond, 24u);
    ASSERT_EQ(cylinder.meshes.size(), 1u);
    const Mesh& mesh = cylinder.meshes[0];
    EXPECT_EQ(mesh.VertexCount(), 1720u);
    EXPECT_EQ(mesh.FaceCount(), 840u);
    EXPECT_EQ(mesh.faceVertices.size(), 3u * 840);
    EXPECT_EQ(mesh.normals.size(), 3u * 1720);
    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].textureFile, "");
    EXPECT_EQ(mesh.maxSkinWeightsPerVertex, 4u);
    EXPECT_EQ(mesh.maxSkinWeightsPerFace, 4u);
    EXPECT_EQ(mesh.boneCount, 4u);
    ASSERT_EQ(mesh.skinWeights.size(), 4u);
    const std::vector<std::pair<std::string, size_t>> bones = {{"joint1", 1700}, {"joint2", 1680}, {"joint3", 1700}, {"joint4", 1700}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.skinWeights[i].boneName, bones[i].first);
        EXPECT_EQ(mesh.skinWeights[i].vertices.size(), bones[i].second);
        EXPECT_EQ(mesh.skinWeights[i].weights.size(), bones[i].second);
    }
    ASSERT_EQ(cylinder.animationSets.size(), 1u);
    const AnimationSet& set = cylinder.animationSets[0];
    EXPECT_EQ(set.name, "cylinder_test");
    ASSERT_EQ(set.animations.size(), 4u);
    const std::vector<std::string> targets = {"pCylinder1", "joint2", "joint1", "ikHandle1"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(set.animations[i].frameName, targets[i]);
        ASSERT_EQ(set.animations[i].keys.size(), 3u);
        for (uint32_t type = 0; type < 3; ++type) {
            const AnimationKeys& keys = set.animations[i].keys[type];
            EXPECT_EQ(keys.keyType, type);
            EXPECT_EQ(keys.times.size(), 24u);
            EXPECT_EQ(keys.values.size(), 24u * ValuesPerKey(type));
            EXPECT_EQ(keys.times.front(), 1u);
        }
    }
    EXPECT_EQ(set.animations[1].keys[0].values[0], -0.999483f);  // joint2's first rotation, w first
    EXPECT_EQ(set.animations[1].keys[0].values[3], 0.032145f);
}

TEST(XFileRead, VertexColorsMaterialNamesAndBinary32) {
    const Scene box = ReadXFile(XFile("kwxport_test_cubewithvcolors.x"));
    EXPECT_EQ(FrameNames(box), std::vector<std::string>{"Box01"});
    ASSERT_EQ(box.meshes.size(), 1u);
    const Mesh& mesh = box.meshes[0];
    EXPECT_EQ(mesh.name, "mesh_Box01");
    EXPECT_EQ(mesh.VertexCount(), 24u);
    EXPECT_EQ(mesh.FaceCount(), 12u);
    ASSERT_EQ(mesh.vertexColors.size(), 24u);
    EXPECT_EQ(mesh.vertexColors[0], 0xFFFF0000u);  // vertex 0 is red
    EXPECT_EQ(mesh.vertexColors[1], 0xFFFFFFFFu);
    ASSERT_EQ(mesh.materials.size(), 3u);
    const char* names[] = {"bottom", "top", "side"};
    const char* textures[] = {"bottom.tga", "top.tga", "updown.tga"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(mesh.materials[i].name, names[i]);
        EXPECT_EQ(mesh.materials[i].textureFile, std::string(R"(C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\)") + textures[i]);
    }
    EXPECT_EQ(mesh.materials[0].power, 31.0f);
    EXPECT_EQ(mesh.faceMaterials, (std::vector<uint32_t>{0, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2}));

    const Scene dino = ReadXFile(XFile("fromtruespace_bin32.x"));
    EXPECT_EQ(dino.majorVersion, 3u);
    EXPECT_EQ(dino.minorVersion, 2u);
    EXPECT_EQ(FrameNames(dino), std::vector<std::string>{"FeedTheDinoGPU-0"});
    ASSERT_EQ(dino.meshes.size(), 1u);
    EXPECT_EQ(dino.meshes[0].VertexCount(), 4132u);
    EXPECT_EQ(dino.meshes[0].FaceCount(), 6656u);
    EXPECT_EQ(dino.meshes[0].normals.size(), 3u * 4132);
    EXPECT_EQ(dino.meshes[0].uvs.size(), 2u * 4132);
    ASSERT_EQ(dino.meshes[0].materials.size(), 1u);
    EXPECT_EQ(dino.meshes[0].materials[0].textureFile, "");
}

TEST(XFileWrite, SampleFilesReadBackEqual) {
    for (const std::string& name : kReadable) {
        SCOPED_TRACE(name);
        const Scene scene = ReadXFile(XFile(name));
        const std::string text = WriteXText(scene);
        EXPECT_EQ(text.compare(0, 16, scene.minorVersion == 2 ? "xof 0302txt 0032" : "xof 0303txt 0032"), 0);
        ExpectSameScene(Parse(text), scene);
    }
}

Scene SyntheticScene() {
    Scene scene;
    scene.ticksPerSecond = 4800;
    scene.frames.resize(3);
    scene.frames[0].name = "Root";
    scene.frames[1].name = "Hip";
    scene.frames[1].parent = 0;
    scene.frames[1].transform[13] = 1.5f;
    scene.frames[2].name = "Knee";
    scene.frames[2].parent = 1;
    scene.frames[2].transform = {0.1f, -0.2f, 1e-30f, 0, 3.14159274f, -0.0f, 1e30f, 0, 0, 0, 1, 0, 1.0f / 3.0f, 2, 3, 1};
    scene.frames[0].meshes = {1};
    scene.meshFrame = {-1, 0};

    Mesh loose;  // a top-level mesh, with nothing but geometry
    loose.name = "Loose";
    loose.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    loose.faceSizes = {3};
    loose.faceVertices = {0, 1, 2};

    Mesh legs;
    legs.name = "Legs";
    legs.positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5f, 2, std::numeric_limits<float>::denorm_min()};
    legs.faceSizes = {4, 3};
    legs.faceVertices = {0, 1, 2, 3, 3, 2, 4};
    legs.normals = {0, 0, 1, 0, 0, -1};
    legs.normalFaceSizes = {4, 3};
    legs.normalFaceIndices = {0, 0, 0, 0, 1, 1, 1};
    legs.uvs = {0, 0, 1, 0, 1, 1, 0, 1, 0.5f, 0.125f};
    legs.vertexColors = {0xFF000000u, 0x80FF8000u, 0x00123456u, 0xFFFFFFFFu, 0x7F7F7F7Fu};
    Material skin;
    skin.name = "Skin";
    skin.faceColor = {0.9f, 0.7f, 0.6f, 1};
    skin.power = 12.5f;
    skin.specularColor = {0.1f, 0.2f, 0.3f};
    skin.textureFile = "textures\\skin.png";
    Material cloth;  // unnamed, untextured
    cloth.faceColor = {0, 0, 1, 0.5f};
    legs.materials = {skin, cloth};
    legs.faceMaterials = {1, 0};
    legs.maxSkinWeightsPerVertex = 2;
    legs.maxSkinWeightsPerFace = 3;
    legs.boneCount = 2;
    SkinWeights hip;
    hip.boneName = "Hip";
    hip.vertices = {0, 1, 2, 3};
    hip.weights = {1, 1, 0.25f, 0.75f};
    hip.offset[12] = -0.5f;
    SkinWeights knee;
    knee.boneName = "Knee";
    knee.vertices = {2, 3, 4};
    knee.weights = {0.75f, 0.25f, 1};
    legs.skinWeights = {hip, knee};
    scene.meshes = {loose, legs};

    AnimationSet walk;
    walk.name = "Walk";
    Animation hipAnimation;
    hipAnimation.name = "HipMotion";
    hipAnimation.frameName = "Hip";
    hipAnimation.hasOptions = true;
    hipAnimation.closed = true;
    hipAnimation.splinePositions = false;
    hipAnimation.keys.push_back({0, {0, 2400}, {1, 0, 0, 0, 0.7071068f, 0, 0.7071068f, 0}});
    hipAnimation.keys.push_back({1, {0}, {1, 2, 3}});
    hipAnimation.keys.push_back({2, {0, 10, 20}, {0, 0, 0, 1, 0, 0, 0, 1, 0}});
    Animation kneeAnimation;
    kneeAnimation.frameName = "Knee";
    AnimationKeys matrices{4, {5}, {}};
    const Matrix identity = IdentityMatrix();
    matrices.values.assign(identity.begin(), identity.end());
    kneeAnimation.keys.push_back(matrices);
    walk.animations = {hipAnimation, kneeAnimation};
    scene.animationSets = {walk};
    return scene;
}

TEST(XFileWrite, SyntheticSceneReadsBackEqual) {
    const Scene scene = SyntheticScene();
    const std::string text = WriteXText(scene);
    ExpectSameScene(Parse(text), scene);

    const std::string path = (std::filesystem::temp_directory_path() / "vgx_xfile_roundtrip.x").string();
    WriteXFile(path, scene);
    ExpectSameScene(ReadXFile(path), scene);
    std::filesystem::remove(path);
    EXPECT_THROW(WriteXFile("/nonexistent-folder/x.x", scene), std::runtime_error);

    // Names that are no identifiers are changed the same way wherever they appear.
    Scene odd = scene;
    odd.frames[1].name = "Hip Left.1";
    odd.meshes[1].skinWeights[0].boneName = "Hip Left.1";
    odd.animationSets[0].animations[0].frameName = "Hip Left.1";
    const Scene read = Parse(WriteXText(odd));
    EXPECT_EQ(read.frames[1].name, "Hip_Left_1");
    EXPECT_EQ(read.meshes[1].skinWeights[0].boneName, "Hip_Left_1");
    EXPECT_EQ(read.animationSets[0].animations[0].frameName, "Hip_Left_1");

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
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1.#QNAN0,-1.#INF00,+2.5e1,1;; }
  Frame {}
  { Top }
}
)");
    ASSERT_EQ(scene.meshes.size(), 1u);
    EXPECT_EQ(scene.meshFrame, std::vector<int32_t>{-1});
    const Mesh& top = scene.meshes[0];
    EXPECT_EQ(top.name, "Top");
    EXPECT_EQ(top.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(top.faceVertices, (std::vector<uint32_t>{0, 1, 2}));
    ASSERT_EQ(top.materials.size(), 1u);
    EXPECT_EQ(top.materials[0].name, "Red");
    EXPECT_EQ(top.materials[0].textureFile, "red.png");
    EXPECT_EQ(top.uvs, (std::vector<float>{0, 0, 1, 0, 0, 1}));
    ASSERT_EQ(scene.frames.size(), 2u);
    EXPECT_EQ(scene.frames[0].name, "1st_frame");
    EXPECT_TRUE(scene.frames[0].meshes.empty());  // instancing by reference is not kept
    EXPECT_TRUE(std::isnan(scene.frames[0].transform[12]));
    EXPECT_EQ(scene.frames[0].transform[13], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(scene.frames[0].transform[14], 25.0f);
    EXPECT_EQ(scene.frames[1].name, "");
    EXPECT_EQ(scene.frames[1].parent, 0);

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

// Binary bodies built token by token.
struct BinaryBody {
    std::string bytes;
    void Token(uint16_t code) { bytes.append(reinterpret_cast<const char*>(&code), 2); }
    void U32(uint32_t value) { bytes.append(reinterpret_cast<const char*>(&value), 4); }
    void Name(const std::string& name) {
        Token(1);
        U32(static_cast<uint32_t>(name.size()));
        bytes += name;
    }
    void Ints(const std::vector<uint32_t>& values) {
        Token(6);
        U32(static_cast<uint32_t>(values.size()));
        for (const uint32_t value : values) U32(value);
    }
    void Doubles(const std::vector<double>& values) {
        Token(7);
        U32(static_cast<uint32_t>(values.size()));
        for (const double value : values) bytes.append(reinterpret_cast<const char*>(&value), 8);
    }
};

// MSZIP: the total size, then blocks of at most `blockSize` bytes, each deflated
// with the block before it as dictionary.
std::string MsZip(const std::string& header, const std::string& body, size_t blockSize) {
    std::string out = header;
    const uint32_t total = static_cast<uint32_t>(body.size() + 16);
    out.append(reinterpret_cast<const char*>(&total), 4);
    for (size_t at = 0; at < body.size(); at += blockSize) {
        const size_t size = std::min(blockSize, body.size() - at);
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
        if (at > 0) deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(body.data() + at - blockSize), static_cast<uInt>(blockSize));
        std::vector<uint8_t> packed(deflateBound(&z, size));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + at));
        z.avail_in = static_cast<uInt>(size);
        z.next_out = packed.data();
        z.avail_out = static_cast<uInt>(packed.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        const uint16_t sizes[] = {static_cast<uint16_t>(size), static_cast<uint16_t>(z.total_out + 2)};
        out.append(reinterpret_cast<const char*>(sizes), 4);
        out += "CK";
        out.append(reinterpret_cast<const char*>(packed.data()), z.total_out);
        deflateEnd(&z);
    }
    return out;
}

TEST(XFileRead, DoubleFloatsAndCompressedText) {
    BinaryBody body;
    body.Token(31);  // a template, skipped
    body.Name("Thing");
    body.Token(10);
    body.Token(5);
    body.bytes.append(16, '\x11');
    body.Token(41);
    body.Name("a");
    body.Token(20);
    body.Token(11);
    const size_t frameStart = 16 + body.bytes.size();
    body.Name("Frame");
    body.Name("F");
    body.Token(10);
    body.Name("FrameTransformMatrix");
    body.Token(10);
    body.Doubles({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.1, 2, 3, 1});
    body.Token(11);
    body.Name("Mesh");
    body.Token(10);
    body.Ints({3});
    body.Doubles({0, 0, 0, 1, 0, 0, 0, 1, 0});
    body.Ints({1, 3, 0, 1, 2});
    body.Token(11);
    body.Token(11);
    const std::string file = "xof 0303bin 0064" + body.bytes;
    const Scene scene = Parse(file);
    ASSERT_EQ(scene.frames.size(), 1u);
    EXPECT_EQ(scene.frames[0].transform[12], 0.1f);
    ASSERT_EQ(scene.meshes.size(), 1u);
    EXPECT_EQ(scene.meshes[0].positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(scene.meshes[0].faceVertices, (std::vector<uint32_t>{0, 1, 2}));
    // The same body compressed (several blocks), and a file cut anywhere.
    EXPECT_EQ(Parse(MsZip("xof 0303bzip0064", body.bytes, 40)).meshes[0].positions, scene.meshes[0].positions);
    for (size_t cut = frameStart + 1; cut < file.size(); ++cut) EXPECT_THROW(Parse(file.substr(0, cut)), FormatError) << cut;

    // A large text scene, compressed in 64 KB blocks that lean on each other.
    const Scene synthetic = SyntheticScene();
    Scene big = synthetic;
    for (int i = 0; i < 2000; ++i) big.meshes.push_back(synthetic.meshes[1]), big.meshFrame.push_back(-1);
    std::string text = WriteXText(big);
    ASSERT_GT(text.size(), 300000u);
    const std::string compressed = MsZip("xof 0303tzip0032", text.substr(16), 0x8000);
    EXPECT_LT(compressed.size(), text.size() / 10);
    ExpectSameScene(Parse(compressed), Parse(text));
}

std::string NestedFrames(int depth) {
    std::string text = "xof 0303txt 0032\n";
    for (int i = 0; i < depth; ++i) text += "Frame {";
    return text + std::string(static_cast<size_t>(depth), '}');
}

TEST(XFileRead, BrokenInputFails) {
    const std::string cube = "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
    struct Case {
        const char* what;
        const char* because;  // part of the message
        std::string text;
    };
    const std::vector<Case> cases = {
        {"truncated header", "header", "xof 0303txt 00"},
        {"wrong magic", "xof", "xog 0303txt 0032 Frame {}"},
        {"bad version", "version", "xof 03a3txt 0032 Frame {}"},
        {"bad float size", "float size", "xof 0303txt 0016 Frame {}"},
        {"unknown format", "format", "xof 0303zip 0032 Frame {}"},
        {"2^31 vertices", "2147483648 vertices", "xof 0303txt 0032\nMesh { 2147483648; 0;0;0;; 0;; }"},
        {"2^31 vertices, binary", "2147483648 vertices", std::string("xof 0303bin 0032\x01\0\x04\0\0\0Mesh\x0a\0\x06\0\x01\0\0\0\0\0\0\x80", 38)},
        {"count past 2^32", "integer", "xof 0303txt 0032\nMesh { 99999999999; }"},
        {"huge face", "2000000000 corners", cube.substr(0, cube.size() - 13) + "1; 2000000000;0,1,2;; }"},
        {"unclosed brace", "ends inside 'Mesh'", cube + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }"},
        {"extra brace", "without its", cube + "}\n}"},
        {"100000 nested frames", "nested", NestedFrames(100000)},
        {"100000 nested unknown objects", "nested", "xof 0303txt 0032\nThing {" + std::string(100000, '{')},
        {"face index", "index 3 of only 3", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"},
        {"two-corner face", "2 corners", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"},
        {"normal index", "normal face 0 uses index 1", cube + "MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"},
        {"normal faces", "do not match", cube + "MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }"},
        {"texture coordinate count", "texture coordinates", cube + "MeshTextureCoords { 2; 0;0;, 1;1;; } }"},
        {"vertex color index", "vertex color", cube + "MeshVertexColors { 1; 3;1;1;1;1;;; } }"},
        {"material index", "face material 1", cube + "MeshMaterialList { 1; 1; 1; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"unknown material", "'Missing'", cube + "MeshMaterialList { 1; 1; 0; { Missing } } }"},
        {"skin weight vertex", "vertex 3", cube + "SkinWeights { \"B\"; 1; 3; 1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }"},
        {"key type", "key type 3", "xof 0303txt 0032\nAnimationSet { Animation { AnimationKey { 3; 1; 0;3;1,1,1;;; } } }"},
        {"key size", "4 values", "xof 0303txt 0032\nAnimationSet { Animation { AnimationKey { 2; 1; 0;4;1,1,1,1;;; } } }"},
        {"negative count", "integer", "xof 0303txt 0032\nMesh { -3; }"},
        {"unclosed string", "quote", "xof 0303txt 0032\nSkinWeights { \"abc"},
        {"garbage", "expected", "xof 0303txt 0032\n@@@"},
        {"bad binary token", "token code 99", std::string("xof 0303bin 0032\x63\0", 18)},
        {"binary list past the end", "runs past the end", std::string("xof 0303bin 0032\x07\0\xff\xff\xff\x0f", 22)},
        {"compressed, absurd size", "claims", std::string("xof 0303bzip0032\xff\xff\xff\x7f\x10\0\x10\0CK", 26)},
        {"compressed, short", "ends before", std::string("xof 0303bzip0032\x20\0", 18)},
        {"compressed, no signature", "CK", MsZip("xof 0303tzip0032", "Frame {}", 64).replace(24, 2, "XX")},
    };
    for (const auto& [what, because, text] : cases) {
        try {
            Parse(text);
            ADD_FAILURE() << what << " was read";
        } catch (const FormatError& error) {
            EXPECT_NE(std::string(error.what()).find(because), std::string::npos) << what << ": " << error.what();
        }
    }
}

}  // namespace
}  // namespace vgx::xfile
