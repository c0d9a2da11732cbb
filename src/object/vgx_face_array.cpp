#include <vgx/VgxFaceArray.h>
#include <vgx/VgxObject.h>

#include "base/access.h"
#include "base/errors.h"

int32_t VgxFaceArray::GetSize() const { return object_ ? object_->GetFaceCount() : 0; }

std::shared_ptr<VgxFace> VgxFaceArray::GetElement(int32_t Index) const {
    if (!object_) vgx::Raise(VgxErrObjectNotSet, "VgxFaceArray");
    return object_->GetFace(Index);
}

void VgxAccess::Bind(VgxFaceArray& faces, const std::shared_ptr<Vgx>& root, const std::shared_ptr<VgxObject>& object) {
    faces.root_ = root;
    faces.object_ = object;
}
