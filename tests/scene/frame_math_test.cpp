#include "scene/frame_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "root/retained_mode.h"
#include "scene/frame_expect.h"
#include "support/vgx_test.h"

namespace {

using namespace vgx::rm;
using vgx::test::ExpectMatrixNear;
using vgx::test::ExpectVectorNear;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;
const VgxVector kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

// About +Y a quarter turn carries +X onto +Z and +Z onto -X.
constexpr VgxMatrix kQuarterTurnY{0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
// About +X a quarter turn carries +Y onto -Z and +Z onto +Y.
constexpr VgxMatrix kQuarterTurnX{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1};

TEST(FrameMath, RotationTurnsAsVectorRotateDoes) {
    ExpectMatrixNear(MatrixRotation(kY, kHalfPi), kQuarterTurnY);
    ExpectMatrixNear(MatrixRotation(VgxVector{3, 0, 0}, kHalfPi), kQuarterTurnX);
    const VgxVector axes[] = {kX, kY, kZ, {1, 2, -2}, {-0.3f, 0.5f, 0.8f}};
    const VgxVector points[] = {kX, kY, kZ, {0.6f, 0, 0.8f}, {-2, 1, 2}};
    for (const VgxVector& axis : axes) {
        for (float theta : {0.3f, -1.2f, 2.9f}) {
            VgxMatrix rotation = MatrixRotation(axis, theta);
            for (const VgxVector& p : points) {
                VgxVector expected;
                VectorRotate(expected, p, axis, theta);  // unit length
                VectorScale(expected, expected, VectorModulus(p));
                ExpectVectorNear(TransformPoint(p, rotation), expected);
            }
        }
    }
    // It carries `from` onto `to` about to x from, as VectorRotate does.
    VgxVector from{0, 0, 1}, to{0.6f, 0.8f, 0}, axis;
    VectorCrossProduct(axis, to, from);
    ExpectVectorNear(TransformPoint(from, MatrixRotation(axis, kHalfPi)), to);
}

TEST(FrameMath, ARotationAboutNothingIsTheIdentity) {
    ExpectMatrixNear(MatrixRotation({0, 0, 0}, 1.0f), MatrixIdentity());
}

TEST(FrameMath, QuaternionsAndMatricesAgree) {
    const VgxVector axes[] = {kX, kY, kZ, {1, 2, -2}, {-0.3f, 0.5f, 0.8f}};
    // Angles near a half turn reach every branch of the conversion back.
    for (const VgxVector& axis : axes) {
        for (float theta : {0.0f, 0.4f, -1.5f, 3.0f, 3.1f}) {
            VgxQuaternion q;
            QuaternionFromRotation(q, axis, theta);
            VgxMatrix rotation = MatrixRotation(axis, theta);
            ExpectMatrixNear(MatrixFromQuaternion(q), rotation);
            ExpectMatrixNear(MatrixFromQuaternion(QuaternionFromMatrix(rotation)), rotation);
            VgxQuaternion back = QuaternionFromMatrix(rotation);
            float sign = q.s < 0 ? -1.0f : 1.0f;  // q and -q are the same rotation
            EXPECT_NEAR(back.s, sign * q.s, 1e-5f);
            ExpectVectorNear(back.V, {sign * q.V.X, sign * q.V.Y, sign * q.V.Z});
        }
    }
    // In this sense the Hamilton product q1 q2 turns by q1 first, then by q2.
    VgxQuaternion q1, q2, product;
    QuaternionFromRotation(q1, {1, 2, -2}, 0.7f);
    QuaternionFromRotation(q2, {0, 1, 0}, -1.9f);
    QuaternionMultiply(product, q1, q2);
    ExpectMatrixNear(MatrixFromQuaternion(product),
                     MatrixMultiply(MatrixFromQuaternion(q1), MatrixFromQuaternion(q2)));
    // A quaternion of any length stands for its unit rotation.
    ExpectMatrixNear(MatrixFromQuaternion({0, {0, 5, 0}}), MatrixRotation(kY, 2 * kHalfPi));
    ExpectMatrixNear(MatrixFromQuaternion({2, {0, 0, 0}}), MatrixIdentity());
    vgx::test::ExpectVgxError(
        [] {
            MatrixFromQuaternion({0, {0, 0, 0}});
        },
        5, "VorlanSG", "Invalid procedure call or argument");
}

TEST(FrameMath, ProductsApplyTheLeftMatrixFirst) {
    VgxMatrix moveThenTurn = MatrixMultiply(MatrixTranslation({1, 0, 0}), MatrixRotation(kY, kHalfPi));
    ExpectMatrixNear(moveThenTurn, {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 1});
    VgxMatrix turnThenMove = MatrixMultiply(MatrixRotation(kY, kHalfPi), MatrixTranslation({1, 0, 0}));
    ExpectMatrixNear(turnThenMove, {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, 1});
    ExpectVectorNear(TransformPoint({2, 3, 4}, turnThenMove), {-3, 3, 2});

    MatrixProduct chain(moveThenTurn);
    chain.Append(MatrixRotation(kX, kHalfPi));
    chain.Append(MatrixTranslation({0, 5, 0}));
    ExpectMatrixNear(chain.Result(), MatrixMultiply(MatrixMultiply(moveThenTurn, MatrixRotation(kX, kHalfPi)),
                                                    MatrixTranslation({0, 5, 0})));
}

TEST(FrameMath, InverseOfAnAffineMatrix) {
    ExpectMatrixNear(MatrixInverseAffine(MatrixTranslation({1, 2, 3})), MatrixTranslation({-1, -2, -3}));
    // Turn a quarter about Y, then move by (1, 0, 0): undone by moving back, then turning back.
    VgxMatrix m = MatrixMultiply(MatrixRotation(kY, kHalfPi), MatrixTranslation({1, 0, 0}));
    ExpectMatrixNear(MatrixInverseAffine(m), {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 1});
    // Not only rigid matrices: a scale is undone as well.
    VgxMatrix skewed{{2, 0, 0, 0, 1, 4, 0, 0, 0, 0, 0.5f, 0, 3, -1, 2, 1}};
    ExpectMatrixNear(MatrixMultiply(skewed, MatrixInverseAffine(skewed)), MatrixIdentity());
    ExpectMatrixNear(MatrixMultiply(MatrixInverseAffine(skewed), skewed), MatrixIdentity());
}

TEST(FrameMath, DecomposeGivesOriginAndUnitAxes) {
    VgxMatrix m{{1, 0, 0, 0, 0, 0, -2, 0, 0, 3, 0, 0, 4, 5, 6, 1}};
    VgxVector position, dir, up;
    MatrixDecompose(m, position, dir, up);
    ExpectVectorNear(position, {4, 5, 6});
    ExpectVectorNear(dir, {0, 1, 0});
    ExpectVectorNear(up, {0, 0, -1});
}

}  // namespace
