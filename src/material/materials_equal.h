#pragma once
// Whether two materials draw alike: every stored value equal (custom fields
// ignoring letter case, plug-in parameters within 0.0001), the same texture object.
class VgxMaterial;

namespace vgx {

bool MaterialsEqual(const VgxMaterial& a, const VgxMaterial& b);

}  // namespace vgx
