#include <vgx/VgxGroup.h>
#include <vgx/VgxLight.h>
#include <vgx/VgxMemberArrays.h>
#include <vgx/VgxObject.h>

#include "base/errors.h"

template <class Element>
int32_t VgxMemberArray<Element>::AttachedSize() const {
    if (!list_) vgx::Raise(VgxErrObjectNotSet);
    return static_cast<int32_t>(list_->size());
}

template <class Element>
std::shared_ptr<Element> VgxMemberArray<Element>::GetElement(int32_t Index) const {
    if (!list_) vgx::Raise(VgxErrObjectNotSet);
    return vgx::At(*list_, Index);
}

template class VgxMemberArray<VgxGroup>;
template class VgxMemberArray<VgxObject>;
template class VgxMemberArray<VgxLight>;
