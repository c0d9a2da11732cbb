#pragma once
// Comparisons of matrices and vectors within float rounding.
#include <gtest/gtest.h>
#include <vgx/VgxDevice.h>
#include <vgx/VgxTypes.h>

namespace vgx::test {

inline constexpr float kFrameTolerance = 1e-5f;

inline void ExpectVectorNear(const VgxVector& actual, const VgxVector& expected, float tolerance = kFrameTolerance) {
    EXPECT_NEAR(actual.X, expected.X, tolerance);
    EXPECT_NEAR(actual.Y, expected.Y, tolerance);
    EXPECT_NEAR(actual.Z, expected.Z, tolerance);
}

// `expected` is written row by row, as the matrix stores it.
inline void ExpectMatrixNear(const VgxMatrix& actual, const VgxMatrix& expected, float tolerance = kFrameTolerance) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "row " << i / 4 << " column " << i % 4;
    }
}

inline void ExpectSameBits(const VgxMatrix& a, const VgxMatrix& b) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.m[i], b.m[i]) << "element " << i;
}

}  // namespace vgx::test
