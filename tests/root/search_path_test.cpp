#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <unistd.h>

#include <filesystem>

#include "platform/os.h"
#include "support/vgx_test.h"

namespace {

namespace fs = std::filesystem;

class SearchPath : public ::testing::Test {
protected:
    // A real folder under the scratch home, in its canonical form.
    std::string Folder(const std::string& name) {
        fs::path path = fs::path(vgx::test::ScratchFolder()) / "search" / name;
        fs::create_directories(path);
        return fs::canonical(path).string();
    }
    std::shared_ptr<Vgx> root = Vgx::Create();
};

TEST_F(SearchPath, LaterFoldersComeFirstWithinAPriority) {
    const std::string a = Folder("a"), b = Folder("b");
    root->AddSearchPath(a + ";" + b, 1);
    EXPECT_EQ(root->GetSearchPath(), b + ";" + a);
}

TEST_F(SearchPath, HigherPrioritiesComeFirst) {
    const std::string low = Folder("low"), mid = Folder("mid"), high = Folder("high"), low2 = Folder("low2");
    root->AddSearchPath(low, 0);
    root->AddSearchPath(high, 2);
    root->AddSearchPath(mid, 1);
    root->AddSearchPath(low2, 0);
    EXPECT_EQ(root->GetSearchPath(), high + ";" + mid + ";" + low2 + ";" + low);
    std::vector<std::string> list{"kept"};
    int32_t count = 1;
    root->GetSearchPathList(list, count);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", high, mid, low2, low}));
}

TEST_F(SearchPath, DuplicatesAndMissingFoldersChangeNothing) {
    const std::string a = Folder("a");
    root->AddSearchPath(a, 0);
    // The same folder again at any priority, spelled differently, or a folder that
    // does not exist, or an empty piece.
    root->AddSearchPath(a, 2);
    root->AddSearchPath(a + "/../a/", 1);
    root->AddSearchPath(vgx::test::ScratchFolder() + "/search/none", 1);
    root->AddSearchPath(";;", 1);
    root->AddSearchPath("", 7);
    EXPECT_EQ(root->GetSearchPath(), a);
    // Folder names are compared case-sensitively.
    const std::string upper = Folder("A");
    root->AddSearchPath(upper, 0);
    EXPECT_EQ(root->GetSearchPath(), upper + ";" + a);
}

TEST_F(SearchPath, PriorityOutsideZeroToTwoRaisesNineAndChangesNothing) {
    const std::string a = Folder("a"), b = Folder("b");
    root->AddSearchPath(a, 0);
    for (int32_t priority : {3, -1}) {
        vgx::test::ExpectVgxError([&] { root->AddSearchPath(b, priority); }, 9, "Vgx", "Subscript out of range");
    }
    EXPECT_EQ(root->GetSearchPath(), a);
}

TEST_F(SearchPath, DotMeansTheLibrarysFolder) {
    const std::string library = vgx::platform::LibraryFolder();
    const std::string name = "vgx_search_" + std::to_string(getpid());
    fs::create_directories(fs::path(library) / name);
    root->AddSearchPath("./" + name, 0);
    EXPECT_EQ(root->GetSearchPath(), fs::canonical(fs::path(library) / name).string());
    fs::remove(fs::path(library) / name);
}

TEST_F(SearchPath, EmptyListGivesNoFolders) {
    std::vector<std::string> list;
    int32_t count = 0;
    root->GetSearchPathList(list, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(root->GetSearchPath(), "");
}

}  // namespace
