// The scene root's vector, quaternion and colour helpers against hand-computed values.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;

class Helpers : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
};

void ExpectVector(const VgxVector& v, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(v.X, x, tolerance);
    EXPECT_NEAR(v.Y, y, tolerance);
    EXPECT_NEAR(v.Z, z, tolerance);
}

TEST_F(Helpers, VectorArithmetic) {
    EXPECT_FLOAT_EQ(root->VectorModulus({3, 0, 4}), 5.0f);
    EXPECT_FLOAT_EQ(root->VectorDotProduct({1, 2, 3}, {4, -5, 6}), 12.0f);
    VgxVector r;
    root->VectorCrossProduct(r, {1, 0, 0}, {0, 1, 0});
    ExpectVector(r, 0, 0, 1);
    root->VectorCrossProduct(r, {1, 2, 3}, {4, 5, 6});
    ExpectVector(r, -3, 6, -3);
    root->VectorScale(r, {1, -2, 3}, 2.5f);
    ExpectVector(r, 2.5f, -5, 7.5f);
}

TEST_F(Helpers, ResultMayBeTheInput) {
    VgxVector r{3, 0, 4};
    root->VectorNormalize(r, r);
    ExpectVector(r, 0.6f, 0, 0.8f);
    root->VectorScale(r, r, 10);
    ExpectVector(r, 6, 0, 8, 1e-5f);
    VgxVector a{0, 1, 0};
    root->VectorCrossProduct(a, a, {0, 0, 1});
    ExpectVector(a, 1, 0, 0);
    VgxQuaternion q{1, {0, 0, 0}};
    root->QuaternionMultiply(q, q, q);
    EXPECT_FLOAT_EQ(q.s, 1);
}

TEST_F(Helpers, NormalizingTheZeroVectorGivesZero) {
    VgxVector r{1, 1, 1};
    root->VectorNormalize(r, {0, 0, 0});
    ExpectVector(r, 0, 0, 0, 0);
}

TEST_F(Helpers, RotationSenseAndUnitResult) {
    VgxVector r;
    // A quarter turn about +Z carries +X onto -Y in this sense.
    root->VectorRotate(r, {1, 0, 0}, {0, 0, 1}, kPi / 2);
    ExpectVector(r, 0, -1, 0);
    // The result is a unit vector whatever the input's length; the axis need not be unit.
    root->VectorRotate(r, {0, 5, 0}, {3, 0, 0}, kPi / 2);
    ExpectVector(r, 0, 0, -1);
    // A vector along the axis stays put.
    root->VectorRotate(r, {0, 0, 2}, {0, 0, 1}, 1.0f);
    ExpectVector(r, 0, 0, 1);
}

TEST_F(Helpers, Quaternions) {
    VgxQuaternion q;
    root->QuaternionFromRotation(q, {0, 0, 2}, kPi / 2);
    EXPECT_NEAR(q.s, std::sqrt(0.5f), 1e-6f);
    ExpectVector(q.V, 0, 0, std::sqrt(0.5f));
    // Two quarter turns about Z make a half turn.
    VgxQuaternion half;
    root->QuaternionMultiply(half, q, q);
    EXPECT_NEAR(half.s, 0, 1e-6f);
    ExpectVector(half.V, 0, 0, 1);
    // i j = k (Hamilton order).
    VgxQuaternion k;
    root->QuaternionMultiply(k, {0, {1, 0, 0}}, {0, {0, 1, 0}});
    EXPECT_FLOAT_EQ(k.s, 0);
    ExpectVector(k.V, 0, 0, 1);
}

TEST_F(Helpers, ColoursPackBlueLowAlphaHigh) {
    int32_t red = root->CreateColorRGB(1, 0, 0);
    EXPECT_EQ(static_cast<uint32_t>(red), 0xFFFF0000u);
    EXPECT_FLOAT_EQ(root->ColorGetAlpha(red), 1.0f);
    EXPECT_FLOAT_EQ(root->ColorGetRed(red), 1.0f);
    EXPECT_FLOAT_EQ(root->ColorGetGreen(red), 0.0f);
    int32_t c = root->CreateColorRGBA(0.2f, 0.4f, 0.6f, 0.8f);
    EXPECT_EQ(static_cast<uint32_t>(c), 0xCC336699u);
    EXPECT_FLOAT_EQ(root->ColorGetBlue(c), 0x99 / 255.0f);
    // Components are clamped to 0..1 and rounded to the nearest byte.
    EXPECT_EQ(static_cast<uint32_t>(root->CreateColorRGBA(2, -1, 0.5f, 0)), 0x00FF0080u);
}

TEST(VgxFunctions, MakeRecords) {
    VgxUV uv = VgxFunctions::VgxMakeUV(0.25f, 0.75f);
    EXPECT_EQ(uv.U, 0.25f);
    EXPECT_EQ(uv.V, 0.75f);
    VgxVector v = VgxFunctions::VgxMakeVector(1, 2, 3);
    EXPECT_EQ(v.X, 1);
    EXPECT_EQ(v.Y, 2);
    EXPECT_EQ(v.Z, 3);
}

}  // namespace
