#include "platform/picture_files.h"

#include <vgx/VgxEnums.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/file_search.h"
#include "platform/message_box.h"
#include "platform/mod_file.h"
#include "platform/os.h"
#include "platform/pcx_reader.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace vgx::platform {
namespace {

constexpr std::string_view kPcxMessage = "PCX files must be either 24 or 32 bit color.";

std::string Extension(const std::string& fileName) {
    std::string folder, title, extension;
    modFile::SplitPath(fileName, folder, title, extension);
    return extension;
}

bool IsOneOf(const std::string& extension, std::initializer_list<std::string_view> extensions) {
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

// Calls `load` with each candidate path until one gives a picture; `load` may end
// the search early by setting `stop`.
template <class Load>
std::optional<image::Picture> Search(const std::string& fileName, const std::string& searchPath,
                                     std::string& foundPath, Load&& load) {
    std::optional<image::Picture> picture;
    SearchFile(fileName, searchPath, [&](const std::string& path) {
        bool stop = false;
        picture = load(path, stop);
        if (picture) foundPath = path;
        return picture || stop;
    });
    return picture;
}

// Writes the picture as a 24-bit BMP: the form the system's picture objects save.
bool WriteBmp(const std::string& path, const image::Picture& picture) {
    std::vector<uint8_t> rgb(picture.pixels.size() * 3);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const uint32_t pixel = picture.pixels[i];
        rgb[i * 3] = static_cast<uint8_t>(pixel >> 16);
        rgb[i * 3 + 1] = static_cast<uint8_t>(pixel >> 8);
        rgb[i * 3 + 2] = static_cast<uint8_t>(pixel);
    }
    return stbi_write_bmp(path.c_str(), picture.width, picture.height, 3, rgb.data()) != 0;
}

std::optional<image::Picture> ThroughTemporaryBmp(const image::Picture& picture) {
    TemporaryFiles temporary;
    const std::string bmp = temporary.Add("VRL", ".BMP");
    if (!WriteBmp(bmp, picture)) return std::nullopt;
    return image::DecodeFile(bmp);
}

}  // namespace

std::optional<image::Picture> LoadPictureFile(const VgxMessageBoxHandler& messageBox, const std::string& searchPath,
                                              const std::string& fileName, std::string& foundPath) {
    const std::string extension = Extension(fileName);
    if (extension == "PCX") {
        return Search(fileName, searchPath, foundPath, [&](const std::string& path, bool& stop) {
            image::PcxPicture pcx = image::LoadPcx(path);
            if (pcx.status == image::PcxStatus::NotTrueColour) {
                ShowMessageBox(messageBox, std::string(kPcxMessage), VgxMessageExclamation);
                stop = true;
            }
            if (pcx.status != image::PcxStatus::Loaded) return std::optional<image::Picture>();
            return std::optional<image::Picture>(std::move(pcx.picture));
        });
    }
    if (!IsOneOf(extension, {"BMP", "JPG", "GIF", "TIF", "PNG", "TGA", "DDS"})) return std::nullopt;
    return Search(fileName, searchPath, foundPath,
                  [](const std::string& path, bool&) { return image::DecodeFile(path); });
}

std::optional<image::Picture> LoadTextureFile(const VgxMessageBoxHandler& messageBox, int32_t width, int32_t height,
                                              const std::string& fileName, const std::string& searchPath,
                                              std::string& foundPath) {
    const std::string extension = Extension(fileName);
    std::optional<image::Picture> picture;
    if (IsOneOf(extension, {"BMP", "JPG", "GIF", "PNG", "TGA", "DDS"})) {
        picture = Search(fileName, searchPath, foundPath,
                         [](const std::string& path, bool&) { return image::DecodeFile(path); });
    } else if (IsOneOf(extension, {"TIF", "PCX"})) {
        if (auto decoded = LoadPictureFile(messageBox, searchPath, fileName, foundPath)) {
            picture = ThroughTemporaryBmp(*decoded);
        }
    }
    if (!picture) return std::nullopt;
    return image::Resize(*picture, width, height);
}

}  // namespace vgx::platform
