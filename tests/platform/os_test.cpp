#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/os.h"
#include "support/vgx_test.h"

namespace vgx::platform {
namespace {

namespace fs = std::filesystem;

// Restores one environment variable when the test ends.
class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        had_ = value != nullptr;
        if (had_) value_ = value;
    }
    ~SavedVariable() {
        if (had_) {
            setenv(name_, value_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    bool had_;
    std::string value_;
};

TEST(Platform, DocumentsFolderFallsBackToHome) {
    SavedVariable documents("XDG_DOCUMENTS_DIR"), home("HOME");
    const std::string scratch = test::ScratchFolder() + "/home";
    fs::create_directories(scratch);
    unsetenv("XDG_DOCUMENTS_DIR");
    setenv("HOME", scratch.c_str(), 1);
    EXPECT_EQ(DocumentsFolder(), scratch);
    fs::create_directories(scratch + "/Documents");
    EXPECT_EQ(DocumentsFolder(), scratch + "/Documents");
    setenv("XDG_DOCUMENTS_DIR", "/elsewhere", 1);
    EXPECT_EQ(DocumentsFolder(), "/elsewhere");
}

TEST(Platform, TempFolderPrefersTheTempVariable) {
    SavedVariable temp("temp"), tmpdir("TMPDIR");
    setenv("temp", "/a", 1);
    setenv("TMPDIR", "/b", 1);
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
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "one\r\ntwo\r\n");
    test::ExpectVgxError([&] { AppendLine(test::ScratchFolder() + "/none/x.txt", "x"); }, 76, "VorlanSG",
                         "Path not found");
    // A folder where the file should be.
    test::ExpectVgxError([&] { AppendLine(test::ScratchFolder(), "x"); }, 75, "VorlanSG", "Path/File access error");
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(DeleteFile(file));
}

TEST(Platform, TickSourceCanBeReplacedAndRestored) {
    SetTickSource([] { return 42; });
    EXPECT_EQ(TickCount(), 42);
    SetTickSource(nullptr);
    const int32_t first = TickCount();
    const int32_t second = TickCount();
    EXPECT_GE(static_cast<uint32_t>(second - first), 0u);
    EXPECT_LT(static_cast<uint32_t>(second - first), 1000u);
}

TEST(Platform, LibraryFolderHoldsThisProgram) {
    const std::string folder = LibraryFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(ShortPath(folder), folder);
}

}  // namespace
}  // namespace vgx::platform
