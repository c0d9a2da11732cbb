#pragma once
// Point normals from the faces around each point, for meshes that arrive without
// their own (files without normals, simplified meshes).
#include <cstdint>
#include <vector>

namespace vgx {

// Per point (x, y, z each), the sum of the normals of the faces using it, each face's
// the fan sum of (pk - p0) x (pk+1 - pk): twice its area, turning the way the library's
// face normals do. `faceSizes` gives the corners per face, `faceVertices` their points.
std::vector<double> SummedFaceNormals(const std::vector<float>& positions, const std::vector<uint32_t>& faceSizes,
                                      const std::vector<uint32_t>& faceVertices);

// The sums made unit length, as floats; a zero sum stays zero.
std::vector<float> UnitNormals(const std::vector<double>& sums);

}  // namespace vgx
