#pragma once
// Scalar routines of the mesh code.
namespace vgx::modMath {

// Arc cosine that snaps inputs within 0.00001 of 1 to 0 and of -1 to 3.141593 (as a
// 32-bit float), so rounding in dot products of unit vectors never fails. Further
// outside -1..1 it raises 5 (the square root of a negative number).
double ArcCos(double x);

// Pi as the mesh code uses it: 3.141593 held in a 32-bit float.
inline constexpr double kPi = static_cast<double>(3.141593f);

}  // namespace vgx::modMath
