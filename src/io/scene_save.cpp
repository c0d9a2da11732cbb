// Save: the file's extension picks the writer.
#include <vgx/VgxGroup.h>
#include <vgx/VgxObject.h>

#include "base/errors.h"
#include "io/gltf_writer.h"
#include "io/xfile_export.h"

void VgxGroup::Save(const std::string& FileName) {
    vgx::Trap("VgxGroup", [&] {
        if (vgx::rm::IsXFilePath(FileName)) return vgx::rm::SaveGroupAsX(*this, FileName);
        if (!vgx::gltf::IsGltfPath(FileName)) vgx::Raise(VgxErrInvalidCall);
        vgx::gltf::SaveGroup(*this, FileName);
    });
}

void VgxObject::Save(const std::string& FileName) {
    vgx::Trap("VgxObject", [&] {
        if (vgx::rm::IsXFilePath(FileName)) return vgx::rm::SaveObjectAsX(*this, FileName);
        if (!vgx::gltf::IsGltfPath(FileName)) vgx::Raise(VgxErrInvalidCall);
        vgx::gltf::SaveObject(*this, FileName);
    });
}
