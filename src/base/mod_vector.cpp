#include "base/mod_vector.h"

#include <cmath>

#include "base/errors.h"
#include "base/mod_math.h"
#include "base/retained_mode.h"

namespace vgx::modVector {

bool VectorsEqualWithin(const VgxVector& a, const VgxVector& b, float tolerance) {
    return std::fabs(a.X - b.X) < tolerance && std::fabs(a.Y - b.Y) < tolerance && std::fabs(a.Z - b.Z) < tolerance;
}

bool VectorsEqual(const VgxVector& a, const VgxVector& b) { return VectorsEqualWithin(a, b, 0.0001f); }

bool VectorsWithinAngle(const VgxVector& a, const VgxVector& b, float tolerance) {
    return std::fabs(modMath::ArcCos(rm::VectorDotProduct(a, b))) < tolerance;
}

VgxVector PolygonCornerNormal(const std::vector<VgxVector>& points, int32_t i) {
    const auto count = static_cast<int32_t>(points.size());
    CheckIndex(i, points.size());
    const VgxVector& here = points[i];
    const VgxVector& prev = points[i == 0 ? count - 1 : i - 1];
    const VgxVector& next = points[i == count - 1 ? 0 : i + 1];
    VgxVector incoming{here.X - prev.X, here.Y - prev.Y, here.Z - prev.Z};
    VgxVector outgoing{next.X - here.X, next.Y - here.Y, next.Z - here.Z};
    VgxVector normal;
    rm::VectorCrossProduct(normal, incoming, outgoing);
    if (normal.X == 0 && normal.Y == 0 && normal.Z == 0) return normal;
    rm::VectorNormalize(normal, normal);
    return normal;
}

void RotateVectorList(const std::vector<VgxVector>& source, const VgxVector& to, std::vector<VgxVector>& result,
                      const VgxVector& from) {
    if (result.size() != source.size()) Raise(VgxErrSubscript);
    const float theta = static_cast<float>(modMath::ArcCos(rm::VectorDotProduct(from, to)));
    VgxVector axis;
    rm::VectorCrossProduct(axis, to, from);
    rm::VectorNormalize(axis, axis);
    if (axis.X == 0 && axis.Y == 0 && axis.Z == 0 && theta != 0) axis = {1, 0, 0};
    for (size_t i = 0; i < source.size(); ++i) {
        const float length = rm::VectorModulus(source[i]);
        rm::VectorRotate(result[i], source[i], axis, theta);
        rm::VectorScale(result[i], result[i], length);
    }
}

}  // namespace vgx::modVector
