#include "platform/mod_file.h"

#include <cctype>
#include <charconv>

#include "platform/os.h"

namespace vgx::modFile {
namespace {

constexpr int32_t kDocumentsFolderId = 5;

bool IsWholeNumber(std::string_view text) {
    size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return false;
    text.remove_prefix(start);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value == static_cast<double>(static_cast<int64_t>(value));
}

}  // namespace

std::string LogFilePath() { return GetDocumentsFolder() + "/Vorlan.log"; }

void WriteLogLine(std::string_view message) {
    std::string line = platform::ShortDate() + " | " + platform::LongTime() + " | ";
    line.append(message);
    platform::AppendLine(LogFilePath(), line);
}

std::string GetDocumentsFolder() { return GetSpecialFolder(kDocumentsFolderId, 0); }

std::string GetSpecialFolder(int32_t folderId, int32_t /*flags*/) {
    if (folderId != kDocumentsFolderId) return {};
    return TrimAtNull(platform::DocumentsFolder());
}

std::string TrimAtNull(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

void SplitPath(std::string_view path, std::string& folder, std::string& name, std::string& extension) {
    const size_t length = path.size();
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("\\/");
    // Position just past the name: the dot, or the end when the dot belongs to a folder.
    const size_t nameEnd = (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) ? length : dot;
    if (slash != std::string_view::npos) {
        folder = std::string(path.substr(0, slash + 1));
        name = std::string(path.substr(slash + 1, nameEnd - slash - 1));
    } else {
        folder.clear();
        name = std::string(path.substr(0, nameEnd));
    }
    extension.clear();
    if (nameEnd < length) {
        for (char c : path.substr(nameEnd + 1)) extension += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (IsWholeNumber(extension)) extension.clear();
    }
}

std::string ResolveRelativePath(const std::string& path) {
    if (path.size() < 3) return {};
    if (path[0] == '.') return platform::LibraryFolder() + path.substr(1);
    return path;
}

std::string GetShortPath(const std::string& path) { return platform::ShortPath(path); }

}  // namespace vgx::modFile
