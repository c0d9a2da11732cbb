#include "base/mod_math.h"

#include <cmath>

#include "base/errors.h"

namespace vgx::modMath {

double ArcCos(double x) {
    constexpr float kSnap = 0.00001f;
    if (static_cast<float>(std::fabs(x - 1)) < kSnap) return 0;
    if (static_cast<float>(std::fabs(x + 1)) < kSnap) return kPi;
    double radicand = 1 - x * x;
    if (!(radicand > 0)) Raise(VgxErrInvalidCall, "modMath");
    return std::atan(-x / std::sqrt(radicand)) + 2 * std::atan(1.0);
}

}  // namespace vgx::modMath
