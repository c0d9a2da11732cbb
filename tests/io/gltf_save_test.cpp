#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

namespace fs = std::filesystem;
using vgx::test::ExpectVgxError;

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t Word(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct GltfSave : ::testing::Test {
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    const std::string folder = vgx::test::ScratchFolder();

    // A group at (1, 2, 3) holding a spot light and one triangle at z = 2.
    std::shared_ptr<VgxObject> PlacedTriangle() {
        std::shared_ptr<VgxGroup> frame = root->CreateGroup(scene);
        frame->SetName("frame \"one\"");
        frame->SetPosition(-1, nullptr, {1, 2, 3});
        frame->AddLight(root->CreateLightRGB(VgxLightSpot, 1, 0.2f, 0.4f));
        std::shared_ptr<VgxObject> triangle = root->CreateObject();
        triangle->SetName("triangle");
        triangle->AddFaces({{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}, {{0, 0, -1}}, {{0, 0}, {1, 0}, {0, 1}},
                           {3, 0, 0, 0, 1, 0, 1, 2, 0, 2, 0}, true, false);
        frame->AddObject(triangle);
        return triangle;
    }
};

TEST_F(GltfSave, GroupsAndObjectsBecomeNodesMeshesAndLights) {
    scene->SetName("scene");
    PlacedTriangle();
    scene->Save(folder + "/placed scene.gltf");

    const std::string json = ReadAll(folder + "/placed scene.gltf");
    const std::string buffer = ReadAll(folder + "/placed scene.bin");
    EXPECT_TRUE(Contains(json, R"("asset":{"version":"2.0")"));
    EXPECT_TRUE(Contains(json, R"("uri":"placed%20scene.bin")"));
    EXPECT_TRUE(Contains(json, R"("byteLength":)" + std::to_string(buffer.size()) + ","));
    // The frame's node carries its placement with z turned, its mesh and its light.
    EXPECT_TRUE(Contains(json, R"({"name":"frame \"one\"","matrix":[1,0,0,0,0,1,0,0,0,0,1,0,1,2,-3,1],"mesh":0,)"));
    EXPECT_TRUE(Contains(json, R"("extensions":{"KHR_lights_punctual":{"light":0}})"));
    EXPECT_TRUE(Contains(
        json,
        R"("color":[1,0.2,0.4],"intensity":1,"type":"spot","range":256,"spot":{"innerConeAngle":0.2,"outerConeAngle":0.25})"));
    EXPECT_TRUE(Contains(json, R"("extensionsUsed":["KHR_lights_punctual"])"));
    // Positions 3 x 12 bytes with z = -2, then unit normals facing +z now.
    ASSERT_GE(buffer.size(), 72U);
    float z[2];
    std::memcpy(&z[0], buffer.data() + 8, 4);
    std::memcpy(&z[1], buffer.data() + 36 + 8, 4);
    EXPECT_EQ(z[0], -2.0f);
    EXPECT_EQ(z[1], 1.0f);
    EXPECT_TRUE(Contains(json, R"("min":[0,0,-2],"max":[1,1,-2])"));

    // The binary form: header, JSON chunk, buffer chunk, each 4-aligned.
    scene->Save(folder + "/scene.GLB");
    const std::string glb = ReadAll(folder + "/scene.GLB");
    ASSERT_GE(glb.size(), 28U);
    EXPECT_EQ(glb.substr(0, 4), "glTF");
    EXPECT_EQ(Word(glb, 4), 2U);
    EXPECT_EQ(Word(glb, 8), glb.size());
    const uint32_t jsonLength = Word(glb, 12);
    EXPECT_EQ(jsonLength % 4, 0U);
    EXPECT_EQ(glb.substr(16, 4), "JSON");
    EXPECT_FALSE(Contains(glb.substr(20, jsonLength), "uri"));
    EXPECT_EQ(glb.substr(24 + jsonLength, 4), std::string("BIN\0", 4));
    EXPECT_EQ(Word(glb, 20 + jsonLength), (buffer.size() + 3) / 4 * 4);
}

TEST_F(GltfSave, AnObjectAloneIsOneNodeAndALoadedSceneKeepsItsFrames) {
    std::shared_ptr<VgxObject> triangle = PlacedTriangle();
    triangle->Save(folder + "/triangle.glb");
    const std::string glb = ReadAll(folder + "/triangle.glb");
    const std::string json = glb.substr(20, Word(glb, 12));
    EXPECT_TRUE(Contains(json, R"("nodes":[{"name":"triangle","mesh":0}])"));
    EXPECT_FALSE(Contains(json, "KHR_lights_punctual"));

    // Every frame of a public scene is a node, in file order, and every mesh drawn.
    std::shared_ptr<VgxGroup> loaded = root->CreateGroup(nullptr);
    loaded->Load(vgx::test::TestDataPath("x/anim_test.x"));
    loaded->Save(folder + "/anim.gltf");
    const std::string text = ReadAll(folder + "/anim.gltf");
    size_t at = 0;
    for (const char* frame : {"pCylinder1", "joint1", "joint2", "ikHandle1"}) {
        at = text.find(std::string(R"("name":")") + frame + "\"", at);
        EXPECT_NE(at, std::string::npos) << frame;
    }
    EXPECT_TRUE(Contains(text, R"("primitives":[{"attributes":{"POSITION":0,"NORMAL":1,"TEXCOORD_0":2},"indices":3)"));
}

TEST_F(GltfSave, BadPathsRaiseAndLeaveNoFileBehind) {
    std::shared_ptr<VgxObject> triangle = PlacedTriangle();
    ExpectVgxError([&] { scene->Save(folder + "/scene.obj"); }, 5, "VgxGroup", "Invalid procedure call or argument");
    ExpectVgxError([&] { triangle->Save(folder + "/no folder/triangle.glb"); }, 75, "VgxObject",
                   "Path/File access error");
    // The JSON cannot take its place: its buffer is not left either.
    fs::create_directory(folder + "/taken.gltf");
    ExpectVgxError([&] { scene->Save(folder + "/taken.gltf"); }, 75, "VgxGroup", "Path/File access error");
    EXPECT_FALSE(fs::exists(folder + "/taken.bin"));
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_FALSE(Contains(entry.path().filename().string(), ".partial")) << entry.path();
    }
    EXPECT_EQ(triangle->GetFaceCount(), 1);
}

}  // namespace
