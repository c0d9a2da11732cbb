#include "mesh/point_normals.h"

#include <cmath>

namespace vgx {

std::vector<double> SummedFaceNormals(const std::vector<float>& positions, const std::vector<uint32_t>& faceSizes,
                                      const std::vector<uint32_t>& faceVertices) {
    std::vector<double> sums(positions.size(), 0.0);
    const auto at = [&](uint32_t v, int axis) { return static_cast<double>(positions[v * 3 + axis]); };
    size_t start = 0;
    for (uint32_t size : faceSizes) {
        const uint32_t* v = faceVertices.data() + start;
        double normal[3] = {0, 0, 0};
        for (uint32_t k = 1; k + 1 < size; ++k) {
            double a[3], b[3];
            for (int axis = 0; axis < 3; ++axis) {
                a[axis] = at(v[k], axis) - at(v[0], axis);
                b[axis] = at(v[k + 1], axis) - at(v[k], axis);
            }
            normal[0] += a[1] * b[2] - a[2] * b[1];
            normal[1] += a[2] * b[0] - a[0] * b[2];
            normal[2] += a[0] * b[1] - a[1] * b[0];
        }
        for (uint32_t k = 0; k < size; ++k) {
            for (int axis = 0; axis < 3; ++axis) sums[v[k] * 3 + axis] += normal[axis];
        }
        start += size;
    }
    return sums;
}

std::vector<float> UnitNormals(const std::vector<double>& sums) {
    std::vector<float> normals(sums.size());
    for (size_t i = 0; i + 2 < sums.size(); i += 3) {
        const double length = std::sqrt(sums[i] * sums[i] + sums[i + 1] * sums[i + 1] + sums[i + 2] * sums[i + 2]);
        const double scale = length > 0 ? 1.0 / length : 0.0;
        for (int axis = 0; axis < 3; ++axis) normals[i + axis] = static_cast<float>(sums[i + axis] * scale);
    }
    return normals;
}

}  // namespace vgx
