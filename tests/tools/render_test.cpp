// `vgx render` end to end: the tool is run as a separate process and its PNG read back.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace {

namespace fs = std::filesystem;

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;

    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Picture ReadPng(const fs::path& path) {
    Picture picture;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (pixels) {
        picture.rgb.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 3);
        stbi_image_free(pixels);
    }
    return picture;
}

bool SameColour(const uint8_t* a, const uint8_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

// Share of the pixels that differ from the top-left one, the background.
double CoveredShare(const Picture& picture) {
    size_t covered = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) covered += !SameColour(picture.At(x, y), picture.At(0, 0));
    }
    return static_cast<double>(covered) / (static_cast<double>(picture.width) * picture.height);
}

// Share of the pixels that differ between two pictures of one size.
double DifferentShare(const Picture& a, const Picture& b) {
    size_t different = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) different += !SameColour(a.At(x, y), b.At(x, y));
    }
    return static_cast<double>(different) / (static_cast<double>(a.width) * a.height);
}

class VgxRender : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder =
            fs::temp_directory_path() / ("vgx_render_" + std::string(test->name()) + "_" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "out");
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs `vgx COMMAND ARGS`; returns the exit code and keeps what it printed.
    int Run(const std::string& command, const std::string& arguments) {
        const std::string line = std::string("\"") + VGX_TOOL + "\" " + command + " " + arguments + " >\"" +
                                 (folder / "stdout").string() + "\" 2>\"" + (folder / "stderr").string() + "\"";
        const int status = std::system(line.c_str());
        std::ifstream output(folder / "stdout"), errors(folder / "stderr");
        stdoutText.assign(std::istreambuf_iterator<char>(output), {});
        stderrText.assign(std::istreambuf_iterator<char>(errors), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int Render(const std::string& arguments) { return Run("render", arguments); }
    // Renders to out/NAME.png and reads it back; fails the test when the tool does.
    Picture RenderPicture(const std::string& name, const std::string& arguments) {
        const fs::path png = folder / "out" / (name + ".png");
        EXPECT_EQ(Render(arguments + " -o \"" + png.string() + "\""), 0) << stderrText;
        return ReadPng(png);
    }

    fs::path folder;
    std::string stdoutText, stderrText;
};

const std::string kXFolder = std::string(VGX_TESTDATA_DIR) + "/x/";

TEST_F(VgxRender, ThePrimitiveFillsAPlausibleShareOfThePictureInItsColour) {
    const Picture torus = RenderPicture("torus", "torus --size 320x200");
    ASSERT_EQ(torus.width, 320);
    ASSERT_EQ(torus.height, 200);
    const double share = CoveredShare(torus);
    EXPECT_GT(share, 0.15);
    EXPECT_LT(share, 0.85);
    // The torus is orange: just above the lowest point of its front, red well
    // above blue; and shaded, not flat: that row has many colours.
    int front = torus.height - 1;
    while (front > 0 && SameColour(torus.At(160, front), torus.At(0, 0))) --front;
    front -= 8;
    ASSERT_GT(front, 0);
    const uint8_t* orange = torus.At(160, front);
    EXPECT_GT(orange[0], orange[2] + 60);
    std::vector<int> greens;
    for (int x = 0; x < torus.width; ++x) greens.push_back(torus.At(x, front)[1]);
    std::sort(greens.begin(), greens.end());
    EXPECT_GT(std::unique(greens.begin(), greens.end()) - greens.begin(), 10);

    const Picture cube = RenderPicture("cube", "cube --size 64x48 --view 10,-20");
    EXPECT_EQ(cube.width, 64);
    EXPECT_EQ(cube.height, 48);
    EXPECT_GT(CoveredShare(cube), 0.1);
}

TEST_F(VgxRender, DisplaySettingsChangeThePicture) {
    const Picture solid = RenderPicture("solid", "torus --size 256x256");
    const Picture wireframe = RenderPicture("wireframe", "torus --size 256x256 --wireframe");
    const Picture smoothed = RenderPicture("smoothed", "torus --size 256x256 --smooth 2");
    const Picture smoothedWires = RenderPicture("smoothed_wires", "torus --size 256x256 --smooth 2 --wireframe");
    // Lines leave most of the solid's pixels showing the background.
    EXPECT_GT(CoveredShare(wireframe), 0.02);
    EXPECT_LT(CoveredShare(wireframe), CoveredShare(solid) * 0.8);
    // Smoothing changes the shading and the silhouette, not the framing.
    EXPECT_GT(DifferentShare(solid, smoothed), 0.01);
    EXPECT_NEAR(CoveredShare(smoothed), CoveredShare(solid), 0.05);
    // The smoothed wireframe has four times the lines of the cage.
    EXPECT_GT(CoveredShare(smoothedWires), CoveredShare(wireframe) * 1.3);

    // A mirrored cube is twice as long, so the camera backs off.
    const Picture cube = RenderPicture("cube", "cube --size 128x128 --view 0,0");
    const Picture mirrored = RenderPicture("mirrored", "cube --size 128x128 --view 0,0 --mirror x");
    EXPECT_GT(DifferentShare(cube, mirrored), 0.05);
}

TEST_F(VgxRender, TheShippedSceneShowsEveryFrameInItsMaterial) {
    const Picture tower = RenderPicture("tower", std::string("\"") + VGX_DATA_DIR + "/tower.x\" --size 200x200");
    EXPECT_GT(CoveredShare(tower), 0.2);
    // The grey pedestal, the blue tower on it and the orange crate on top: each
    // box shows only when its frame's placement keeps it in the picture.
    size_t grey = 0, blue = 0, orange = 0;
    for (int y = 0; y < tower.height; ++y) {
        for (int x = 0; x < tower.width; ++x) {
            const uint8_t* p = tower.At(x, y);
            if (SameColour(p, tower.At(0, 0))) continue;
            blue += p[2] > p[0] + 50;
            orange += p[0] > p[2] + 60;
            grey += std::abs(p[0] - p[2]) < 12 && p[1] > 60;
        }
    }
    const size_t hundredth = tower.rgb.size() / 3 / 100;
    EXPECT_GT(grey, hundredth);
    EXPECT_GT(blue, hundredth);
    EXPECT_GT(orange, hundredth / 4);
}

// A public binary file from another exporter, whole and reduced to a fifth.
TEST_F(VgxRender, APublicFileDrawsAndReduces) {
    const std::string file = "\"" + kXFolder + "fromtruespace_bin32.x\" --size 160x120";
    const Picture whole = RenderPicture("whole", file);
    const std::string wholeReport = stdoutText;
    EXPECT_GT(CoveredShare(whole), 0.05);
    EXPECT_NE(wholeReport.find("6656 triangles"), std::string::npos) << wholeReport;
    const Picture reduced = RenderPicture("reduced", file + " --reduce 20");
    EXPECT_EQ(stdoutText.find("6656 triangles"), std::string::npos) << stdoutText;
    EXPECT_GT(CoveredShare(reduced), CoveredShare(whole) * 0.8);
    EXPECT_GT(DifferentShare(whole, reduced), 0.001);
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
    std::ifstream written(text);
    std::string header(16, ' ');
    written.read(header.data(), 16);
    EXPECT_EQ(header, "xof 0303txt 0032");
    ASSERT_EQ(Run("info", "\"" + text + "\""), 0) << stderrText;
    EXPECT_NE(stdoutText.find("mesh Cube: 24 vertices, 12 faces"), std::string::npos) << stdoutText;

    EXPECT_EQ(Run("info", "\"" + kXFolder + "empty.x\""), 2);
    EXPECT_NE(stderrText.find("empty.x"), std::string::npos) << stderrText;
    EXPECT_EQ(Run("convert", "\"" + kXFolder + "OV_GetNextToken\" \"" + (folder / "out" / "bad.x").string() + "\""), 2);
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST_F(VgxRender, BadInputExitsWithTwoNamingTheCauseAndLeavesNoFile) {
    std::ofstream(folder / "scene.obj") << "v 0 0 0\n";
    std::ofstream(folder / "broken.x") << "xof 0303txt 0032\nFrame Broken {\n Mesh {\n  8;\n";
    const std::string out = " -o \"" + (folder / "out" / "bad.png").string() + "\"";
    struct Case {
        std::string arguments, mentions;
    };
    const std::vector<Case> cases{
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
    for (const Case& c : cases) {
        EXPECT_EQ(Render(c.arguments), 2) << c.arguments;
        EXPECT_NE(stderrText.find(c.mentions), std::string::npos) << c.arguments << ": " << stderrText;
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
        EXPECT_TRUE(fs::is_empty(folder / "out")) << c.arguments;
    }
}

}  // namespace
