// Any bytes as a .x file: the reader must answer with a scene or a FormatError,
// never crash, hang, read out of bounds or allocate beyond what the bytes can
// hold. Whatever it reads, the writer must write so that it reads back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/xfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vgx::xfile::Scene scene;
    try {
        scene = vgx::xfile::ParseXFile(data, size);
    } catch (const vgx::xfile::FormatError&) {
        return 0;
    }
    const std::string text = vgx::xfile::WriteXText(scene);
    const vgx::xfile::Scene again = vgx::xfile::ParseXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (again.frames.size() != scene.frames.size() || again.meshes.size() != scene.meshes.size() ||
        again.animationSets.size() != scene.animationSets.size())
        __builtin_trap();
    return 0;
}
