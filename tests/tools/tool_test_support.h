#pragma once
// What the end-to-end tests of the vgx tool share: running it as a separate
// process and reading its PNG pictures back. Included by one file per test program.
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace vgxtest {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// Empty when the file is missing or no PNG.
inline Picture ReadPng(const std::filesystem::path& path) {
    Picture p;
    int channels = 0;
    const std::unique_ptr<stbi_uc, void (*)(void*)> rgb(stbi_load(path.c_str(), &p.width, &p.height, &channels, 3),
                                                        stbi_image_free);
    if (rgb) p.rgb.assign(rgb.get(), rgb.get() + size_t(p.width) * p.height * 3);
    return p;
}

inline std::string ReadText(const std::filesystem::path& path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}};
}

// Runs a shell command line with its output kept in `folder`; returns the exit code
// (-1 when it did not exit) and what it printed.
inline int RunCaptured(const std::string& commandLine, const std::filesystem::path& folder, std::string& out,
                       std::string& err) {
    const int status = std::system(
        (commandLine + " >\"" + (folder / "stdout").string() + "\" 2>\"" + (folder / "stderr").string() + "\"")
            .c_str());
    out = ReadText(folder / "stdout"), err = ReadText(folder / "stderr");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vgxtest
