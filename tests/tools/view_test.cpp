// `vgx view` end to end: the viewer runs under Xvfb with a script, as a person would
// drive it, and its status lines and screenshots are read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tool_test_support.h"

namespace {

namespace fs = std::filesystem;
using vgxtest::Picture;

const fs::path kTestData = VGX_TESTDATA_DIR;

// Share of pixels whose colour differs from the other picture's by more than
// `tolerance` in a channel: Mesa versions differ in a few edge pixels, not in the picture.
double DifferingShare(const Picture& a, const Picture& b, int tolerance = 48) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1;
    size_t differing = 0;
    for (size_t pixel = 0; pixel < a.rgb.size(); pixel += 3) {
        for (int channel = 0; channel < 3; ++channel) {
            if (std::abs(a.rgb[pixel + channel] - b.rgb[pixel + channel]) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return double(differing) / (double(a.width) * a.height);
}

// "20008 faces, 20034 points, 40016 triangles drawn" out of a status line printed as
// "LINE COMMAND: OBJECT: COUNTS | ...".
std::string Counts(const std::string& line) {
    const size_t from = line.find(": ", line.find(": ") + 2) + 2;
    return line.substr(from, line.find(" |") - from);
}

bool HaveXvfb() { return std::system("command -v xvfb-run >/dev/null 2>&1") == 0; }

class VgxView : public ::testing::Test {
protected:
    void SetUp() override { fs::remove_all(folder), fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }

    // Runs the viewer under a fresh Xvfb with the script's lines; keeps the status
    // line printed after each script line, by line number.
    int RunScript(const std::string& script) {
        std::ofstream(folder / "script.txt") << script;
        const int code = vgxtest::RunCaptured("xvfb-run -a -s \"-screen 0 1280x1024x24\" \"" VGX_TOOL
                                              "\" view --size 960x640 --script \"" +
                                                  (folder / "script.txt").string() + "\"",
                                              folder, stdoutText, stderrText);
        std::istringstream lines(stdoutText);
        for (std::string line; std::getline(lines, line);) status[std::atoi(line.c_str())] = line;
        return code;
    }

    const fs::path folder = fs::temp_directory_path() / ("vgx_view_" + std::to_string(getpid()) + "_" +
                                                         testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string stdoutText, stderrText;
    std::map<int, std::string> status;
};

// Select a face of the dinosaur, bevel its corners, drag a point, undo the drag,
// smooth: the status reports each step and the pictures match the expected ones.
TEST_F(VgxView, ScriptedEditingSessionSelectsBevelsDragsUndoesAndSmooths) {
    if (!HaveXvfb()) GTEST_SKIP() << "xvfb-run not found (Debian's xvfb): the viewer needs a display";
    const auto screenshot = [&](const char* name) { return "screenshot " + (folder / name).string() + "\n"; };
    const std::string script = "load " + (kTestData / "x/fromtruespace_bin32.x").string() + "\n" +  // 1
                               "click 500 300\n"                                                    // 2
                               "set bevel 0.005\n"                                                  // 3
                               "op bevel-points\n" +                                                // 4
                               screenshot("bevelled.png") +                                         // 5
                               "mode points\n"                                                      // 6
                               "click 500 320\n"                                                    // 7
                               "drag 500 320 540 280\n" +                                           // 8
                               screenshot("dragged.png") +                                          // 9
                               "key ctrl+z\n" +                                                     // 10
                               screenshot("undone.png") +                                           // 11
                               "op smooth\n" +                                                      // 12
                               screenshot("smoothed.png") +                                         // 13
                               "undo\n"                                                             // 14
                               "redo\n"                                                             // 15
                               "quit\n";
    ASSERT_EQ(RunScript(script), 0) << stderrText;
    EXPECT_NE(status[1].find("6656 faces"), std::string::npos) << status[1];
    EXPECT_NE(status[2].find("selected 1 face: 3434"), std::string::npos) << status[2];
    // Three corners cut: three caps more, the selection gone with the old numbering.
    EXPECT_NE(status[4].find("6659 faces"), std::string::npos) << status[4];
    EXPECT_NE(status[4].find("bevel-points"), std::string::npos) << status[4];
    EXPECT_EQ(status[4].find("error"), std::string::npos) << status[4];
    EXPECT_NE(status[7].find("selected 1 point:"), std::string::npos) << status[7];
    EXPECT_NE(status[8].find("move points"), std::string::npos) << status[8];
    EXPECT_NE(status[10].find("undid move points"), std::string::npos) << status[10];
    EXPECT_NE(status[10].find("6659 faces"), std::string::npos) << status[10];
    // One Catmull-Clark step: a quad per corner of every face.
    EXPECT_EQ(status[12].find("6659 faces"), std::string::npos) << status[12];
    EXPECT_NE(status[12].find("smooth"), std::string::npos) << status[12];
    // A topology change undone and redone: the counts go back and forth.
    EXPECT_NE(status[14].find("6659 faces, 3356 points"), std::string::npos) << status[14];
    EXPECT_EQ(Counts(status[15]), Counts(status[12])) << status[15];

    const Picture bevelled = vgxtest::ReadPng(folder / "bevelled.png");
    const Picture dragged = vgxtest::ReadPng(folder / "dragged.png");
    const Picture undone = vgxtest::ReadPng(folder / "undone.png");
    const Picture smoothed = vgxtest::ReadPng(folder / "smoothed.png");
    ASSERT_EQ(std::tuple(bevelled.width, bevelled.height), std::tuple(960, 640));
    // The dragged point shows (a spike of some 180 pixels); undo takes the picture
    // back to before it, in the same run to the pixel.
    EXPECT_GT(DifferingShare(dragged, bevelled), 0.0001);
    EXPECT_LT(DifferingShare(undone, bevelled), 0.00001);
    const fs::path expected = kTestData / "viewer";
    EXPECT_LT(DifferingShare(dragged, vgxtest::ReadPng(expected / "dinosaur_dragged.png")), 0.01);
    EXPECT_LT(DifferingShare(smoothed, vgxtest::ReadPng(expected / "dinosaur_smoothed.png")), 0.01);
}

// Bad input: a file that does not load and an operation the library refuses leave
// the scene as it was and say why; the viewer keeps going to the end of the script.
TEST_F(VgxView, RefusedLoadsAndOperationsReportAndLeaveTheScene) {
    if (!HaveXvfb()) GTEST_SKIP() << "xvfb-run not found (Debian's xvfb): the viewer needs a display";
    ASSERT_EQ(RunScript("load " + (kTestData / "x/fromtruespace_bin32.x").string() + "\n" + "load " +
                        (kTestData / "x/empty.x").string() + "\n" +         // 2
                        "load " + (folder / "missing.x").string() + "\n" +  // 3
                        "click 500 300\n"                                   // 4
                        "set bevel 1000\n"                                  // 5
                        "op bevel-points\n"                                 // 6
                        "mode edges\n"                                      // 7
                        "op join-edges\n"                                   // 8
                        "undo\n"                                            // 9
                        "quit\n"),
              0)
        << stderrText;
    EXPECT_NE(status[2].find("empty.x"), std::string::npos) << status[2];
    EXPECT_NE(status[2].find("6656 faces"), std::string::npos) << status[2];
    EXPECT_NE(status[3].find("missing.x: no such file"), std::string::npos) << status[3];
    EXPECT_NE(status[3].find("6656 faces"), std::string::npos) << status[3];
    EXPECT_NE(status[6].find("bevel-points: error 5 (VgxObject)"), std::string::npos) << status[6];
    EXPECT_NE(status[6].find("6656 faces"), std::string::npos) << status[6];
    EXPECT_NE(status[8].find("join-edges: select edges first"), std::string::npos) << status[8];
    // Refused edits leave nothing to undo.
    EXPECT_NE(status[9].find("nothing to undo"), std::string::npos) << status[9];
}

TEST(VgxViewWithoutDisplay, SaysSoInOneLineAndExitsWithTwo) {
    const fs::path folder = fs::temp_directory_path() / ("vgx_view_nodisplay_" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::string out, err;
    const int code = vgxtest::RunCaptured("env -u DISPLAY -u WAYLAND_DISPLAY \"" VGX_TOOL "\" view", folder, out, err);
    fs::remove_all(folder);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("vgx view: no display"), std::string::npos) << err;
}

}  // namespace
