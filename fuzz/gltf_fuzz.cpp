// Any bytes as a glTF file (JSON or binary): the reader and the scene conversion
// must answer with a scene or a FormatError, never crash, hang, read out of bounds
// or allocate beyond what the bytes can hold. Whatever scene comes out and the
// library accepts (its numbers finite once combined), the .x writer must write so
// that it reads back.
#include <cstddef>
#include <cstdint>
#include <string>

#include <vgx/VgxError.h>

#include "io/scene_import.h"
#include "io/xfile_conversion.h"
#include "platform/gltf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vgx::rm::ImportedScene imported;
    try {
        // No folder holds buffer files: a URI naming one fails as a missing file would.
        imported = vgx::rm::ImportGltf({data, size}, "/nonexistent/fuzz.gltf");
    } catch (const vgx::gltf::FormatError&) {
        return 0;
    }
    try {
        vgx::rm::RequireFiniteScene("fuzz.gltf", imported.scene);
    } catch (const VgxError&) {
        return 0;  // refused with 321, as loading it would be
    }
    const std::string text = vgx::xfile::WriteXText(imported.scene);
    const vgx::xfile::Scene again = vgx::xfile::ParseXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (again.frames.size() != imported.scene.frames.size() || again.meshes.size() != imported.scene.meshes.size())
        __builtin_trap();
    return 0;
}
