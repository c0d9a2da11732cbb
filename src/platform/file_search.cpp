#include "platform/file_search.h"

#include <algorithm>
#include <fstream>

namespace vgx::platform {

bool SearchFile(const std::string& fileName, const std::string& searchPath,
                const std::function<bool(const std::string& path)>& attempt) {
    const size_t slash = fileName.find_last_of("\\/");
    // The file name as given keeps its letter case: folders here tell it apart.
    const std::string bare = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (slash != std::string::npos) {
        std::string path = fileName;
        std::replace(path.begin(), path.end(), '\\', '/');
        if (attempt(path)) return true;
    }
    for (size_t start = 0; start < searchPath.size();) {
        const size_t end = std::min(searchPath.find(';', start), searchPath.size());
        const std::string folder = searchPath.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) continue;
        const bool separated = folder.back() == '/' || folder.back() == '\\';
        if (attempt(folder + (separated ? "" : "/") + bare)) return true;
    }
    return attempt(bare);
}

std::string FindFile(const std::string& fileName, const std::string& searchPath) {
    std::string found;
    SearchFile(fileName, searchPath, [&](const std::string& path) {
        if (!std::ifstream(path, std::ios::binary).is_open()) return false;
        found = path;
        return true;
    });
    return found;
}

}  // namespace vgx::platform
