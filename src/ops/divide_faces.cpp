// Placeholder while DivideEdges / DivideFaces are written.
#include <vgx/VgxObject.h>

#include "root/errors.h"

int32_t VgxObject::DivideEdges(const std::vector<int32_t>&, int32_t) { vgx::Raise(VgxErrNotSupported, "VgxObject"); }
int32_t VgxObject::DivideFaces(const std::vector<int32_t>&, int32_t) { vgx::Raise(VgxErrNotSupported, "VgxObject"); }
int32_t VgxObject::DivideFaces2(const std::vector<int32_t>&, int32_t) { vgx::Raise(VgxErrNotSupported, "VgxObject"); }
