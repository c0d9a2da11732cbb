#include "platform/os.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "support/vgx_test.h"

namespace vgx::platform {
namespace {

namespace fs = std::filesystem;

// Restores one environment variable when the test ends.
struct SavedVariable {
    const char* name;
    std::optional<std::string> value = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
    ~SavedVariable() { value ? setenv(name, value->c_str(), 1) : unsetenv(name); }
};

TEST(Platform, DocumentsAndTempFoldersFollowTheEnvironment) {
    SavedVariable documents{"XDG_DOCUMENTS_DIR"}, home{"HOME"}, temp{"temp"}, tmpdir{"TMPDIR"};
    const std::string scratch = test::ScratchFolder() + "/home";
    fs::create_directories(scratch);
    unsetenv("XDG_DOCUMENTS_DIR"), setenv("HOME", scratch.c_str(), 1);
    EXPECT_EQ(DocumentsFolder(), scratch);
    fs::create_directories(scratch + "/Documents");
    EXPECT_EQ(DocumentsFolder(), scratch + "/Documents");
    setenv("XDG_DOCUMENTS_DIR", "/elsewhere", 1);
    EXPECT_EQ(DocumentsFolder(), "/elsewhere");

    setenv("temp", "/a", 1), setenv("TMPDIR", "/b", 1);
    EXPECT_EQ(TempFolder(), "/a");
    unsetenv("temp");
    EXPECT_EQ(TempFolder(), "/b");
    unsetenv("TMPDIR");
    EXPECT_EQ(TempFolder(), "/tmp");
}

TEST(Platform, AppendLineCreatesAppendsAndReportsFileErrors) {
    const std::string file = test::ScratchFolder() + "/lines.txt";
    AppendLine(file, "one");
    AppendLine(file, "two");
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "one\r\ntwo\r\n");
    test::ExpectVgxError([&] { AppendLine(test::ScratchFolder() + "/none/x.txt", "x"); }, 76, "VorlanSG",
                         "Path not found");
    // A folder where the file should be.
    test::ExpectVgxError([&] { AppendLine(test::ScratchFolder(), "x"); }, 75, "VorlanSG", "Path/File access error");
    EXPECT_FALSE(fs::exists(test::ScratchFolder() + "/none"));
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(DeleteFile(file));
}

TEST(Platform, TemporaryNamesAreNeverGivenTwiceAndTheirFilesGoWithTheirOwner) {
    const std::string folder = ShortPath(TempFolder());
    std::vector<std::string> names;
    {
        TemporaryFiles temporary;
        std::thread other([&] { names.push_back(PrivateTempPath("~temp", ".x")); });
        other.join();
        for (int k = 0; k < 3; ++k) names.push_back(temporary.Add("~temp", ".x"));
        for (size_t k = 1; k < names.size(); ++k) std::ofstream(names[k]) << k;
    }
    const std::string pid = std::to_string(getpid());
    for (size_t k = 0; k < names.size(); ++k) {
        EXPECT_EQ(names[k].rfind(folder + "/~temp" + pid + "-", 0), 0u) << names[k];
        EXPECT_EQ(names[k].substr(names[k].size() - 2), ".x");
        EXPECT_FALSE(fs::exists(names[k])) << names[k];
        for (size_t j = 0; j < k; ++j) EXPECT_NE(names[j], names[k]);
    }
}

TEST(Platform, TickSourceCanBeReplacedAndRestored) {
    SetTickSource([] { return 42; });
    EXPECT_EQ(TickCount(), 42);
    SetTickSource(nullptr);
    const int32_t first = TickCount();
    EXPECT_LT(uint32_t(TickCount() - first), 1000u);
}

TEST(Platform, LibraryFolderIsARealFolderInItsShortestForm) {
    const std::string folder = LibraryFolder();
    EXPECT_TRUE(!folder.empty() && fs::is_directory(folder) && ShortPath(folder) == folder) << folder;
}

}  // namespace
}  // namespace vgx::platform
