#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <vector>

#include "platform/os.h"
#include "root/mod_file.h"
#include "root/mod_sort.h"
#include "support/vgx_test.h"

namespace vgx {
namespace {

struct Split {
    std::string folder, name, extension;
};

Split SplitOf(const std::string& path) {
    Split s;
    modFile::SplitPath(path, s.folder, s.name, s.extension);
    return s;
}

TEST(ModFile, SplitPath) {
    Split brick = SplitOf("C:\\maps\\brick.bmp");
    EXPECT_EQ(brick.folder, "C:\\maps\\");
    EXPECT_EQ(brick.name, "brick");
    EXPECT_EQ(brick.extension, "BMP");
    // A numeric extension is no extension.
    Split scan = SplitOf("C:\\maps\\scan.001");
    EXPECT_EQ(scan.name, "scan");
    EXPECT_EQ(scan.extension, "");
    Split bare = SplitOf("word");
    EXPECT_EQ(bare.folder, "");
    EXPECT_EQ(bare.name, "word");
    EXPECT_EQ(bare.extension, "");
    // The only dot lies in a folder name.
    Split dotted = SplitOf("C:\\a.b\\c");
    EXPECT_EQ(dotted.folder, "C:\\a.b\\");
    EXPECT_EQ(dotted.name, "c");
    EXPECT_EQ(dotted.extension, "");
    // Forward slashes separate folders too; only the last dot counts.
    Split slashed = SplitOf("/data/maps/wall.old.Png");
    EXPECT_EQ(slashed.folder, "/data/maps/");
    EXPECT_EQ(slashed.name, "wall.old");
    EXPECT_EQ(slashed.extension, "PNG");
    Split noFolder = SplitOf("tree.tga");
    EXPECT_EQ(noFolder.folder, "");
    EXPECT_EQ(noFolder.name, "tree");
    EXPECT_EQ(noFolder.extension, "TGA");
    Split trailingDot = SplitOf("/maps/name.");
    EXPECT_EQ(trailingDot.name, "name");
    EXPECT_EQ(trailingDot.extension, "");
}

TEST(ModFile, ResolveRelativePath) {
    EXPECT_EQ(modFile::ResolveRelativePath(".\\"), "");
    EXPECT_EQ(modFile::ResolveRelativePath("ab"), "");
    EXPECT_EQ(modFile::ResolveRelativePath("/opt/textures"), "/opt/textures");
    const std::string library = platform::LibraryFolder();
    ASSERT_FALSE(library.empty());
    EXPECT_EQ(modFile::ResolveRelativePath(".\\textures"), library + "\\textures");
    EXPECT_EQ(modFile::ResolveRelativePath("./textures"), library + "/textures");
}

TEST(ModFile, ShortPathOfExistingAndMissingFolders) {
    const std::string folder = test::ScratchFolder() + "/short";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(modFile::GetShortPath(folder + "/../short/"), std::filesystem::canonical(folder).string());
    EXPECT_EQ(modFile::GetShortPath(folder + "/missing"), "");
    EXPECT_EQ(modFile::GetShortPath(""), "");
}

TEST(ModFile, LogLinesAppendInCallOrderWithDateAndTime) {
    test::ClearLog();
    modFile::WriteLogLine("first");
    modFile::WriteLogLine("second");
    std::vector<std::string> lines = test::LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(test::LogMessages(), (std::vector<std::string>{"first", "second"}));
    // date | time | message, each line ended by CR LF.
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}-\d\d-\d\d \| \d\d:\d\d:\d\d \| first)"))) << lines[0];
    EXPECT_EQ(modFile::LogFilePath(), test::ScratchFolder() + "/Vorlan.log");
}

TEST(ModFile, UnwritableLogFolderRaisesTheFileError) {
    const std::string missing = test::ScratchFolder() + "/no/such/folder";
    setenv("XDG_DOCUMENTS_DIR", missing.c_str(), 1);
    test::ExpectVgxError([] { modFile::WriteLogLine("lost"); }, 76, "VorlanSG", "Path not found");
    setenv("XDG_DOCUMENTS_DIR", test::ScratchFolder().c_str(), 1);
}

TEST(ModFile, SpecialFolders) {
    EXPECT_EQ(modFile::GetDocumentsFolder(), test::ScratchFolder());
    EXPECT_EQ(modFile::GetSpecialFolder(5, 0), test::ScratchFolder());
    EXPECT_EQ(modFile::GetSpecialFolder(26, 0), "");
    EXPECT_EQ(modFile::TrimAtNull(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(modFile::TrimAtNull("abc"), "abc");
}

TEST(ModSort, SortLongs) {
    std::vector<int32_t> values{5, -3, 9, 0, 2};
    modSort::SortLongs(values, 0);
    modSort::SortLongs(values, 1);
    EXPECT_EQ(values, (std::vector<int32_t>{5, -3, 9, 0, 2}));
    // Only the first count entries are sorted.
    modSort::SortLongs(values, 3);
    EXPECT_EQ(values, (std::vector<int32_t>{-3, 5, 9, 0, 2}));
    modSort::SortLongs(values, 5);
    EXPECT_EQ(values, (std::vector<int32_t>{-3, 0, 2, 5, 9}));
    test::ExpectVgxError([&] { modSort::SortLongs(values, 6); }, 9, "modSort", "Subscript out of range");
}

}  // namespace
}  // namespace vgx
