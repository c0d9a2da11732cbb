#pragma once
// Finding image files through the search folders and decoding them into pictures.
#include <vgx/Vgx.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/image_decode.h"

namespace vgx::platform {

// Candidates tried in order, the first that decodes wins and is named in
// `foundPath`: the name itself when it has a folder, the bare file name in each
// folder of `searchPath` (";"-separated), then the bare file name alone.

// A texture map resampled to width x height. BMP, JPG, GIF, PNG, TGA and DDS are
// decoded directly; TIF and PCX go through LoadPictureFile and a temporary
// "VRL<tick>.BMP" in the temp folder, deleted afterwards whatever happened, so
// they lose their alpha as they always have.
std::optional<image::Picture> LoadTextureFile(const VgxMessageBoxHandler& messageBox, int32_t width, int32_t height,
                                              const std::string& fileName, const std::string& searchPath,
                                              std::string& foundPath);

// A picture at its own size, by extension: BMP, JPG, GIF, TIF, PNG, TGA, DDS and
// PCX. A PCX file of fewer than three 8-bit planes is refused with a message box
// through `messageBox`, and the search ends there.
std::optional<image::Picture> LoadPictureFile(const VgxMessageBoxHandler& messageBox, const std::string& searchPath,
                                              const std::string& fileName, std::string& foundPath);

}  // namespace vgx::platform
