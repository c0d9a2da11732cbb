// `vgx render` end to end: the tool is run as a separate process and its PNG read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "tool_test_support.h"

namespace {

namespace fs = std::filesystem;
using vgxtest::Picture;
using vgxtest::ReadPng;

bool SameColour(const uint8_t* a, const uint8_t* b) { return std::equal(a, a + 3, b); }

// Share of the pixels that differ from `other`'s (of one size), or without it from
// the top-left one, the background.
double DifferentShare(const Picture& picture, const Picture* other = nullptr) {
    size_t different = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            different += !SameColour(picture.At(x, y), other ? other->At(x, y) : picture.At(0, 0));
    return double(different) / (double(picture.width) * picture.height);
}
double CoveredShare(const Picture& picture) { return DifferentShare(picture); }

class VgxRender : public ::testing::Test {
protected:
    void SetUp() override { fs::remove_all(folder), fs::create_directories(folder / "out"); }
    void TearDown() override { fs::remove_all(folder); }

    // Runs `vgx COMMAND ARGS`; returns the exit code and keeps what it printed.
    int Run(const std::string& command, const std::string& arguments) {
        return vgxtest::RunCaptured("\"" VGX_TOOL "\" " + command + " " + arguments, folder, stdoutText, stderrText);
    }
    // Renders to out/NAME.png and reads it back; fails the test when the tool does.
    Picture RenderPicture(const std::string& name, const std::string& arguments) {
        const fs::path png = folder / "out" / (name + ".png");
        EXPECT_EQ(Run("render", arguments + " -o \"" + png.string() + "\""), 0) << stderrText;
        return ReadPng(png);
    }

    const fs::path folder = fs::temp_directory_path() / ("vgx_render_" + std::to_string(getpid()) + "_" +
                                                         testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string stdoutText, stderrText;
};

const std::string kXFolder = std::string(VGX_TESTDATA_DIR) + "/x/";

TEST_F(VgxRender, ThePrimitiveFillsAPlausibleShareInItsColourAndDisplaySettingsChangeIt) {
    const Picture torus = RenderPicture("torus", "torus --size 320x200");
    ASSERT_EQ(std::tuple(torus.width, torus.height), std::tuple(320, 200));
    EXPECT_TRUE(CoveredShare(torus) > 0.15 && CoveredShare(torus) < 0.85) << CoveredShare(torus);
    // The torus is orange: just above the lowest point of its front, red well
    // above blue; and shaded, not flat: that row has many colours.
    int front = torus.height - 1;
    while (front > 0 && SameColour(torus.At(160, front), torus.At(0, 0))) --front;
    front -= 8;
    ASSERT_GT(front, 0);
    EXPECT_GT(torus.At(160, front)[0], torus.At(160, front)[2] + 60);
    std::set<int> greens;
    for (int x = 0; x < torus.width; ++x) greens.insert(torus.At(x, front)[1]);
    EXPECT_GT(greens.size(), 10u);

    const Picture cube = RenderPicture("cube", "cube --size 64x48 --view 10,-20");
    EXPECT_EQ(std::tuple(cube.width, cube.height), std::tuple(64, 48));
    EXPECT_GT(CoveredShare(cube), 0.1);

    const Picture solid = RenderPicture("solid", "torus --size 256x256");
    const Picture wireframe = RenderPicture("wireframe", "torus --size 256x256 --wireframe");
    const Picture smoothed = RenderPicture("smoothed", "torus --size 256x256 --smooth 2");
    const Picture smoothedWires = RenderPicture("smoothed_wires", "torus --size 256x256 --smooth 2 --wireframe");
    // Lines leave most of the solid's pixels showing the background.
    EXPECT_GT(CoveredShare(wireframe), 0.02);
    EXPECT_LT(CoveredShare(wireframe), CoveredShare(solid) * 0.8);
    // Smoothing changes the shading and the silhouette, not the framing.
    EXPECT_GT(DifferentShare(solid, &smoothed), 0.01);
    EXPECT_NEAR(CoveredShare(smoothed), CoveredShare(solid), 0.05);
    // The smoothed wireframe has four times the lines of the cage.
    EXPECT_GT(CoveredShare(smoothedWires), CoveredShare(wireframe) * 1.3);

    // A mirrored cube is twice as long, so the camera backs off.
    const Picture square = RenderPicture("square", "cube --size 128x128 --view 0,0");
    const Picture mirrored = RenderPicture("mirrored", "cube --size 128x128 --view 0,0 --mirror x");
    EXPECT_GT(DifferentShare(square, &mirrored), 0.05);
}

TEST_F(VgxRender, TheShippedSceneShowsEveryFrameInItsMaterial) {
    const Picture tower = RenderPicture("tower", std::string("\"") + VGX_DATA_DIR + "/tower.x\" --size 200x200");
    EXPECT_GT(CoveredShare(tower), 0.2);
    // The grey pedestal, the blue tower on it and the orange crate on top: each
    // box shows only when its frame's placement keeps it in the picture.
    size_t grey = 0, blue = 0, orange = 0;
    for (size_t i = 0; i < tower.rgb.size(); i += 3) {
        const uint8_t* p = &tower.rgb[i];
        if (SameColour(p, tower.At(0, 0))) continue;
        blue += p[2] > p[0] + 50;
        orange += p[0] > p[2] + 60;
        grey += std::abs(p[0] - p[2]) < 12 && p[1] > 60;
    }
    const size_t hundredth = tower.rgb.size() / 3 / 100;
    EXPECT_TRUE(grey > hundredth && blue > hundredth && orange > hundredth / 4) << grey << " " << blue << " " << orange;
}

// A public binary file from another exporter, whole and reduced to a fifth.
TEST_F(VgxRender, APublicFileDrawsAndReduces) {
    const std::string file = "\"" + kXFolder + "fromtruespace_bin32.x\" --size 160x120";
    const Picture whole = RenderPicture("whole", file);
    EXPECT_GT(CoveredShare(whole), 0.05);
    EXPECT_NE(stdoutText.find("6656 triangles"), std::string::npos) << stdoutText;
    const Picture reduced = RenderPicture("reduced", file + " --reduce 20");
    EXPECT_EQ(stdoutText.find("6656 triangles"), std::string::npos) << stdoutText;
    EXPECT_GT(CoveredShare(reduced), CoveredShare(whole) * 0.8);
    EXPECT_GT(DifferentShare(whole, &reduced), 0.001);
}

TEST_F(VgxRender, InfoAndConvertDescribeAndRewriteFiles) {
    ASSERT_EQ(Run("info", "\"" + kXFolder + "anim_test.x\""), 0) << stderrText;
    for (const char* expected : {"4 frames, 1 mesh", "    frame joint2", "1720 vertices, 840 faces", "skin: 4 bones",
                                 "96 rotation keys", "loaded: 5 groups, 1 object"}) {
        EXPECT_NE(stdoutText.find(expected), std::string::npos) << expected << " in\n" << stdoutText;
    }

    const std::string text = (folder / "cube.x").string();
    ASSERT_EQ(Run("convert", "\"" + kXFolder + "test_cube_compressed.x\" \"" + text + "\" --stats"), 0) << stderrText;
    EXPECT_NE(stdoutText.find("stats: read"), std::string::npos);
    EXPECT_EQ(vgxtest::ReadText(text).substr(0, 16), "xof 0303txt 0032");
    ASSERT_EQ(Run("info", "\"" + text + "\""), 0) << stderrText;
    EXPECT_NE(stdoutText.find("mesh Cube: 24 vertices, 12 faces"), std::string::npos) << stdoutText;

    const std::string glb = (folder / "anim.glb").string();
    ASSERT_EQ(Run("convert", "\"" + kXFolder + "anim_test.x\" \"" + glb + "\""), 0) << stderrText;
    EXPECT_EQ(vgxtest::ReadText(glb).substr(0, 4), "glTF");
    EXPECT_EQ(Run("convert", "\"" + kXFolder + "anim_test.x\" \"" + (folder / "out" / "no" / "a.gltf").string() + "\""),
              2);
    EXPECT_NE(stderrText.find("Path/File access error"), std::string::npos) << stderrText;

    EXPECT_EQ(Run("info", "\"" + kXFolder + "empty.x\""), 2);
    EXPECT_NE(stderrText.find("empty.x"), std::string::npos) << stderrText;
    EXPECT_EQ(Run("convert", "\"" + kXFolder + "OV_GetNextToken\" \"" + (folder / "out" / "bad.x").string() + "\""), 2);
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST_F(VgxRender, BadInputExitsWithTwoNamingTheCauseAndLeavesNoFile) {
    std::ofstream(folder / "scene.obj") << "v 0 0 0\n";
    std::ofstream(folder / "broken.x") << "xof 0303txt 0032\nFrame Broken {\n Mesh {\n  8;\n";
    const std::string out = " -o \"" + (folder / "out" / "bad.png").string() + "\"";
    const std::pair<std::string, std::string> cases[] = {
        {"sphere" + out, "sphere"},
        {"\"" + (folder / "missing.x").string() + "\"" + out, "missing.x"},
        {"\"" + (folder / "scene.obj").string() + "\"" + out, "scene.obj"},
        {"\"" + folder.string() + "\"" + out, folder.filename().string()},
        {"\"" + (folder / "broken.x").string() + "\"" + out, "broken.x"},
        {"torus --size 0x64" + out, "--size"},
        {"torus --size 16385x16" + out, "--size"},
        {"torus --size 64" + out, "--size"},
        {"torus --smooth 5" + out, "--smooth"},
        {"torus --reduce 101" + out, "--reduce"},
        {"torus --mirror w" + out, "--mirror"},
        {"torus --view 0,90" + out, "--view"},
        {"torus --shiny" + out, "--shiny"},
        {"torus", "-o"},
        {"torus -o \"" + (folder / "out" / "no_folder" / "bad.png").string() + "\"", "bad.png"},
    };
    for (const auto& [arguments, mentions] : cases) {
        EXPECT_EQ(Run("render", arguments), 2) << arguments;
        EXPECT_NE(stderrText.find(mentions), std::string::npos) << arguments << ": " << stderrText;
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
        EXPECT_TRUE(fs::is_empty(folder / "out")) << arguments;
    }
}

}  // namespace
