#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "root/mod_file.h"
#include "support/vgx_test.h"

namespace vgx::test {
namespace {

std::string MakeScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vgx_test_XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

// Tests never write into the real home folder: every process gets its own.
class ScratchHome : public ::testing::Environment {
public:
    void SetUp() override {
        const std::string& folder = ScratchFolder();
        setenv("HOME", folder.c_str(), 1);
        setenv("temp", folder.c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(ScratchFolder()); }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new ScratchHome);

}  // namespace

const std::string& ScratchFolder() {
    static const std::string folder = MakeScratchFolder();
    return folder;
}

std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::ifstream log(modFile::LogFilePath(), std::ios::binary);
    std::string line;
    while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> LogMessages() {
    std::vector<std::string> messages;
    for (const std::string& line : LogLines()) {
        size_t first = line.find(" | ");
        size_t second = line.find(" | ", first + 3);
        messages.push_back(second == std::string::npos ? line : line.substr(second + 3));
    }
    return messages;
}

void ClearLog() { std::filesystem::remove(modFile::LogFilePath()); }

void ExpectVgxError(const std::function<void()>& call, int32_t number, const std::string& source,
                    const std::string& description) {
    try {
        call();
    } catch (const VgxError& error) {
        EXPECT_EQ(error.Number, number);
        EXPECT_EQ(error.Source, source);
        EXPECT_EQ(error.Description, description);
        return;
    }
    ADD_FAILURE() << "expected VgxError " << number << " from " << source;
}

}  // namespace vgx::test
