#include "platform/os.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "base/errors.h"

namespace vgx::platform {
namespace {

thread_local std::function<int32_t()> tickSource;

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

[[noreturn]] void RaiseFileError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: Raise(VgxErrPathNotFound);
        case EACCES:
        case EPERM:
        case EROFS: Raise(VgxErrPermissionDenied);
        default: Raise(VgxErrPathFileAccess);
    }
}

std::string FormatNow(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

}  // namespace

int32_t TickCount() {
    if (tickSource) return tickSource();
    auto elapsed = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

void SetTickSource(std::function<int32_t()> source) { tickSource = std::move(source); }

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string DocumentsFolder() {
    std::string documents = Environment("XDG_DOCUMENTS_DIR");
    if (!documents.empty()) return documents;
    std::string home = Environment("HOME");
    if (home.empty()) return home;
    std::string candidate = home + "/Documents";
    return IsFolder(candidate) ? candidate : home;
}

std::string TempFolder() {
    for (const char* name : {"temp", "TMPDIR"}) {
        std::string folder = Environment(name);
        if (!folder.empty()) return folder;
    }
    return "/tmp";
}

std::string PrivateTempPath(std::string_view stem, std::string_view extension) {
    static std::atomic<uint64_t> serial{0};
    // A folder that is not there stays in the name, so writing fails rather than
    // landing in the file system's root.
    std::string path = ShortPath(TempFolder());
    if (path.empty()) path = TempFolder();
    path += "/";
    path += stem;
    path += std::to_string(getpid()) + "-" + std::to_string(serial.fetch_add(1, std::memory_order_relaxed));
    path += extension;
    return path;
}

TemporaryFiles::~TemporaryFiles() {
    for (const std::string& path : paths_) DeleteFile(path);
}

std::string TemporaryFiles::Add(std::string_view stem, std::string_view extension) {
    paths_.push_back(PrivateTempPath(stem, extension));
    return paths_.back();
}

std::string ShortPath(const std::string& path) {
    if (path.empty()) return {};
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return {};
    return resolved;
}

std::string LibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || !info.dli_fname) return {};
    std::string file = ShortPath(info.dli_fname);
    if (file.empty()) file = info.dli_fname;
    return std::filesystem::path(file).parent_path().string();
}

void AppendLine(const std::string& path, std::string_view line) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) RaiseFileError(errno);
    bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size() && std::fputs("\r\n", file) >= 0;
    int error = errno;
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) RaiseFileError(written ? errno : error);
}

bool DeleteFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

void WriteFilesWhole(const std::vector<FileContent>& files) {
    static std::atomic<uint64_t> serial{0};
    std::vector<std::string> partial;
    const auto fail = [&]() {
        for (const std::string& path : partial) DeleteFile(path);
        Raise(VgxErrPathFileAccess);
    };
    for (const FileContent& file : files) {
        partial.push_back(file.path + ".partial" + std::to_string(getpid()) + "-" +
                          std::to_string(serial.fetch_add(1, std::memory_order_relaxed)));
        std::FILE* out = std::fopen(partial.back().c_str(), "wbx");
        if (!out) {
            partial.pop_back();
            fail();
        }
        const bool written = std::fwrite(file.bytes.data(), 1, file.bytes.size(), out) == file.bytes.size();
        if (std::fclose(out) != 0 || !written) fail();
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (std::rename(partial[i].c_str(), files[i].path.c_str()) == 0) continue;
        // Files already in place go too: a set is written whole or not at all.
        for (size_t j = 0; j < i; ++j) DeleteFile(files[j].path);
        fail();
    }
}

std::string ShortDate() { return FormatNow("%Y-%m-%d"); }
std::string LongTime() { return FormatNow("%H:%M:%S"); }

}  // namespace vgx::platform
