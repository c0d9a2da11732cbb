#pragma once
// The keys the coordinate pools file values under: decimal rounding to five
// significant digits, and the hash bucket of a key.
#include <vgx/VgxTypes.h>

#include <cstdint>

namespace vgx::modIndex {

// Values within this of each other match; smaller components count as zero in a
// point's key.
inline constexpr float kTolerance = 0.0001f;

// `value` rounded to five significant digits and read back as a float: what
// printing it as "0.0000E+00" and parsing the text gives, exact halves rounded
// away from zero (0.00390625 gives 0.0039063). NaN gives the quiet NaN of its sign.
float RoundToFiveDigits(float value);
// The 5-significant-digit sum of the components above 0.0001 in magnitude.
float PointHashKey(const VgxVector& point);
// The bucket of a float key: byte 2, plus byte 1 in tables of 65536 buckets.
int32_t FloatBucket(float key, int32_t tableType);

}  // namespace vgx::modIndex
