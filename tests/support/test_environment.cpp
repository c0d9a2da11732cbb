#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "platform/mod_file.h"
#include "support/vgx_test.h"

namespace vgx::test {
namespace {

// Tests never write into the real home folder: every process gets its own.
class ScratchHome : public ::testing::Environment {
public:
    void SetUp() override {
        for (const char* name : {"HOME", "temp", "XDG_DOCUMENTS_DIR"}) setenv(name, ScratchFolder().c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(ScratchFolder()); }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new ScratchHome);

}  // namespace

const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vgx_test_XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return folder;
}

std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::ifstream log(modFile::LogFilePath(), std::ios::binary);
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> LogMessages() {
    std::vector<std::string> messages = LogLines();
    for (std::string& line : messages) {
        const size_t second = line.find(" | ", line.find(" | ") + 3);
        if (second != std::string::npos) line.erase(0, second + 3);
    }
    return messages;
}

void ClearLog() { std::filesystem::remove(modFile::LogFilePath()); }

void ExpectVgxError(const std::function<void()>& call, int32_t number, const std::string& source,
                    const std::string& description) {
    try {
        call();
    } catch (const VgxError& error) {
        EXPECT_EQ(std::tie(error.Number, error.Source, error.Description), std::tie(number, source, description));
        return;
    }
    ADD_FAILURE() << "expected VgxError " << number << " from " << source;
}

}  // namespace vgx::test
