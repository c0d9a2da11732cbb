// Placeholder while Triangulate / MergeTriangles / Consolidate are written.
#include <vgx/VgxObject.h>

#include "root/errors.h"

void VgxObject::Triangulate() { vgx::Raise(VgxErrNotSupported, "VgxObject"); }
void VgxObject::MergeTriangles(int32_t, bool) { vgx::Raise(VgxErrNotSupported, "VgxObject"); }
void VgxObject::Consolidate(int32_t, bool) { vgx::Raise(VgxErrNotSupported, "VgxObject"); }
