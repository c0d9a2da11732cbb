#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "root/mod_math.h"
#include "root/mod_vector.h"
#include "support/vgx_test.h"

namespace vgx {
namespace {

using modVector::VectorsEqual;

TEST(ModMath, ArcCosSnapsNearTheEndsAndFailsBeyond) {
    EXPECT_EQ(modMath::ArcCos(1.000001), 0.0);
    EXPECT_EQ(modMath::ArcCos(0.999995), 0.0);
    EXPECT_EQ(modMath::ArcCos(-0.999995), 3.1415929794311523);
    EXPECT_EQ(modMath::ArcCos(-1.000009), 3.1415929794311523);
    EXPECT_NEAR(modMath::ArcCos(0), std::acos(0.0), 1e-15);
    EXPECT_NEAR(modMath::ArcCos(0.5), std::acos(0.5), 1e-15);
    EXPECT_NEAR(modMath::ArcCos(-0.9999), std::acos(-0.9999), 1e-12);
    // The square root of a negative number.
    test::ExpectVgxError([] { modMath::ArcCos(1.0001); }, 5, "modMath", "Invalid procedure call or argument");
    test::ExpectVgxError([] { modMath::ArcCos(-2); }, 5, "modMath", "Invalid procedure call or argument");
    test::ExpectVgxError([] { modMath::ArcCos(std::nan("")); }, 5, "modMath", "Invalid procedure call or argument");
}

TEST(ModVector, EqualityToleranceIsStrictIn32BitFloats) {
    EXPECT_TRUE(VectorsEqual({0, 0, 0}, {0.00009f, 0, 0}));
    EXPECT_FALSE(VectorsEqual({0, 0, 0}, {0.0001f, 0, 0}));
    EXPECT_FALSE(VectorsEqual({0, 0, 0}, {0, 0.0002f, 0}));
    EXPECT_FALSE(VectorsEqual({0, 0, 0}, {0, 0, -0.0001f}));
    // 3.0001 - 3 is just below 0.0001 once both are 32-bit floats; 3.0002 is not.
    EXPECT_TRUE(VectorsEqual({1, 2, 3}, {1, 2, 3.0001f}));
    EXPECT_FALSE(VectorsEqual({1, 2, 3}, {1, 2, 3.0002f}));
    EXPECT_TRUE(modVector::VectorsEqualWithin({1, 1, 1}, {1.4f, 0.6f, 1}, 0.5f));
    EXPECT_FALSE(modVector::VectorsEqualWithin({1, 1, 1}, {1.5f, 1, 1}, 0.5f));
}

TEST(ModVector, WithinAngle) {
    const float s = std::sqrt(0.5f);
    // 45 degrees apart.
    EXPECT_TRUE(modVector::VectorsWithinAngle({1, 0, 0}, {s, s, 0}, 0.8f));
    EXPECT_FALSE(modVector::VectorsWithinAngle({1, 0, 0}, {s, s, 0}, 0.78f));
    EXPECT_TRUE(modVector::VectorsWithinAngle({0, 0, 1}, {0, 0, 1}, 0.0001f));
    EXPECT_FALSE(modVector::VectorsWithinAngle({0, 0, 1}, {0, 0, 1}, 0.0f));
}

TEST(ModVector, PolygonCornerNormalWrapsAroundTheCorners) {
    // Counter-clockwise seen from +Z: (p1 - p0) x (p2 - p1) points along +Z.
    std::vector<VgxVector> triangle{{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
    for (int32_t i = 0; i < 3; ++i) {
        VgxVector n = modVector::PolygonCornerNormal(triangle, i);
        EXPECT_FLOAT_EQ(n.X, 0);
        EXPECT_FLOAT_EQ(n.Y, 0);
        EXPECT_FLOAT_EQ(n.Z, 1) << "corner " << i;
    }
    // A bent quad: corner 0 uses the last point as previous and point 1 as next.
    std::vector<VgxVector> quad{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}};
    VgxVector n0 = modVector::PolygonCornerNormal(quad, 0);
    // (p0 - p3) x (p1 - p0) = (0,0,-1) x (1,0,0) = (0,-1,0)
    EXPECT_FLOAT_EQ(n0.Y, -1);
    // Collinear corners give the exact zero vector.
    std::vector<VgxVector> line{{0, 0, 0}, {1, 1, 1}, {3, 3, 3}};
    VgxVector zero = modVector::PolygonCornerNormal(line, 1);
    EXPECT_EQ(zero.X, 0);
    EXPECT_EQ(zero.Y, 0);
    EXPECT_EQ(zero.Z, 0);
    test::ExpectVgxError([&] { modVector::PolygonCornerNormal(line, 3); }, 9, "VorlanSG", "Subscript out of range");
}

TEST(ModVector, RotateVectorListCarriesFromOntoTo) {
    const VgxVector down{0, 0, -1};
    const float s = std::sqrt(1.0f / 3);
    // A tilted polygon normal lands on (0, 0, -1), and its lengths survive.
    std::vector<VgxVector> source{{s, s, s}, {2 * s, 2 * s, 2 * s}};
    std::vector<VgxVector> result(2);
    modVector::RotateVectorList(source, down, result, source[0]);
    EXPECT_NEAR(result[0].X, 0, 1e-6);
    EXPECT_NEAR(result[0].Y, 0, 1e-6);
    EXPECT_NEAR(result[0].Z, -1, 1e-6);
    EXPECT_NEAR(result[1].Z, -2, 1e-5);
    // Already there: nothing moves.
    std::vector<VgxVector> flat{{0, 0, -1}, {1, 2, 0}};
    modVector::RotateVectorList(flat, down, result, down);
    EXPECT_NEAR(result[1].X, 1, 1e-6);
    EXPECT_NEAR(result[1].Y, 2, 1e-6);
    // Opposite: a half turn about X, so y flips with z and x stays.
    std::vector<VgxVector> up{{0, 0, 1}, {1, 2, 0}};
    modVector::RotateVectorList(up, down, result, up[0]);
    EXPECT_NEAR(result[0].Z, -1, 1e-6);
    EXPECT_NEAR(result[1].X, 1, 1e-5);
    EXPECT_NEAR(result[1].Y, -2, 1e-5);
    EXPECT_NEAR(result[1].Z, 0, 1e-5);
    // The result list must already have the source's bounds.
    std::vector<VgxVector> tooShort(1);
    test::ExpectVgxError([&] { modVector::RotateVectorList(source, down, tooShort, source[0]); }, 9, "VorlanSG",
                         "Subscript out of range");
}

}  // namespace
}  // namespace vgx
