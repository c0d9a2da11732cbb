#pragma once
// NaN and the infinities are bad input everywhere: a public operation checks every
// float it is given with RequireFinite before it changes anything, so none reaches
// the pools, the frames or the stored settings.
#include <cmath>
#include <ranges>
#include <string_view>

#include <vgx/VgxDevice.h>
#include <vgx/VgxTypes.h>

#include "base/errors.h"

namespace vgx {

inline bool IsFinite(float value) { return std::isfinite(value); }
inline bool IsFinite(const VgxVector& v) { return IsFinite(v.X) && IsFinite(v.Y) && IsFinite(v.Z); }
inline bool IsFinite(const VgxUV& uv) { return IsFinite(uv.U) && IsFinite(uv.V); }
inline bool IsFinite(const VgxQuaternion& q) { return IsFinite(q.s) && IsFinite(q.V); }

// A list or an array, in one pass.
template <std::ranges::input_range Values>
bool IsFinite(const Values& values) {
    for (const auto& value : values) {
        if (!IsFinite(value)) return false;
    }
    return true;
}

inline bool IsFinite(const VgxMatrix& matrix) { return IsFinite(matrix.m); }

// Raises 5 from `source` when any of the values holds a NaN or an infinity.
template <class... Values>
void RequireFinite(std::string_view source, const Values&... values) {
    if (!(IsFinite(values) && ...)) Raise(VgxErrInvalidCall, source);
}

}  // namespace vgx
