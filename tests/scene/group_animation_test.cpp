#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <numbers>

#include "scene/frame_expect.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectMatrixNear;
using vgx::test::ExpectSameBits;
using vgx::test::ExpectVectorNear;
using vgx::test::ExpectVgxError;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;

VgxAnimationKey PositionKey(float time, float x, float y = 0, float z = 0) {
    return {{x, y, z, 0}, time, 0, VgxAnimationPositionKey, 0};
}

// A rotation by theta about Y, stored as (x, y, z, w).
VgxAnimationKey TurnKey(float time, float theta) {
    return {{0, std::sin(theta / 2), 0, std::cos(theta / 2)}, time, 0, VgxAnimationRotateKey, 0};
}

class Animation : public ::testing::Test {
protected:
    VgxVector PositionAt(float time) {
        group->SetAnimationTime(time);
        VgxVector p;
        group->GetPosition(0, parent, p);
        return p;
    }

    VgxMatrix Local() {
        VgxMatrix m;
        group->GetLocalTransform(m);
        return m;
    }

    void AddPositions(std::initializer_list<float> xs) {
        float time = 0;
        for (float x : xs) group->AddAnimationKey(PositionKey(time++, x));
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> parent = root->CreateGroup(nullptr);
    std::shared_ptr<VgxGroup> group = root->CreateGroup(parent);
};

TEST_F(Animation, KeysAreKeptByTypeInTimeOrder) {
    group->AddAnimationKey({{1, 0, 0, 0}, 2, 11, VgxAnimationPositionKey, 0});
    group->AddAnimationKey({{2, 0, 0, 0}, 1, 12, VgxAnimationPositionKey, 0});
    group->AddAnimationKey({{3, 0, 0, 0}, 1, 13, VgxAnimationPositionKey, 0});  // after its equal
    group->AddAnimationKey({{0, 0, 0, 1}, 5, 21, VgxAnimationRotateKey, 0});
    group->AddAnimationKey({{0, 0, 0, 1}, 0, 22, static_cast<VgxAnimationKeyType>(7), 4});
    std::vector<VgxAnimationKey> keys{PositionKey(9, 9)};
    int32_t count = -1;
    group->GetAnimationKeys(-100, 100, keys, count);
    ASSERT_EQ(count, 5);
    ASSERT_EQ(keys.size(), 5u);
    const int32_t ids[] = {12, 13, 11, 22, 21};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(keys[i].dwID, ids[i]) << i;
    EXPECT_EQ(keys[3].dwKeyType, 7);
    EXPECT_EQ(keys[3].dwSize, 4);
    // Both ends of the range are included.
    group->GetAnimationKeys(1, 2, keys, count);
    EXPECT_EQ(count, 3);
    group->GetAnimationKeys(2.5f, 4.5f, keys, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(keys.empty());
}

TEST_F(Animation, DeleteRemovesEveryKeyWithinATenThousandth) {
    group->AddAnimationKey(PositionKey(1, 1));
    group->AddAnimationKey(PositionKey(1, 2));
    group->AddAnimationKey(PositionKey(1.00005f, 3));
    group->AddAnimationKey(PositionKey(1.0002f, 4));
    group->AddAnimationKey(TurnKey(0.99995f, 1));
    group->AddAnimationKey(TurnKey(3, 1));
    group->DeleteAnimationKey(1);
    std::vector<VgxAnimationKey> keys;
    int32_t count;
    group->GetAnimationKeys(0, 10, keys, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(keys[0].dvK[0], 4);
    EXPECT_EQ(keys[1].dvTime, 3);
    group->DeleteAnimationKey(7);
    group->GetAnimationKeys(0, 10, keys, count);
    EXPECT_EQ(count, 2);
}

TEST_F(Animation, OptionsDecideWhatIsApplied) {
    parent->AddTranslation(VgxCombineReplace, {5, 5, 5});
    group->AddTranslation(VgxCombineReplace, {1, 2, 3});
    group->AddAnimationKey(PositionKey(0, 7));
    group->AddAnimationKey(TurnKey(0, kHalfPi));
    const VgxMatrix before = Local();
    group->SetAnimationTime(0);
    ExpectSameBits(Local(), before);
    group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationOpen);
    EXPECT_EQ(group->GetAnimationOptions(), 33);
    group->SetAnimationTime(0);
    ExpectMatrixNear(Local(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 0, 0, 1});
    group->SetAnimationOptions(VgxAnimationScaleAndRotation);
    group->SetAnimationTime(0);
    ExpectMatrixNear(Local(), {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 7, 0, 0, 1});
}

TEST_F(Animation, OneKeyHoldsAtEveryTime) {
    group->SetAnimationOptions(VgxAnimationPosition);
    group->AddAnimationKey(PositionKey(2, 1, 2, 3));
    for (float t : {-5.0f, 2.0f, 100.0f}) ExpectVectorNear(PositionAt(t), {1, 2, 3});
}

TEST_F(Animation, OpenPositionsFollowTheSpline) {
    group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationSplinePosition);
    AddPositions({0, 10, 20, 30});
    // On a straight line at equal spacing the spline is the line.
    EXPECT_NEAR(PositionAt(1.5f).X, 15, 1e-5f);
    EXPECT_NEAR(PositionAt(1.25f).X, 12.5f, 1e-5f);
    // The first segment repeats its end key as the outer control point, so it bends:
    // p = 0, 0, 10, 20 at s = 1/4: (10 / 4 + 20 / 16 - 10 / 64) / 2.
    EXPECT_NEAR(PositionAt(0.25f).X, 1.796875f, 1e-5f);
    // At a key, before the first, after the last.
    EXPECT_NEAR(PositionAt(2).X, 20, 1e-5f);
    EXPECT_NEAR(PositionAt(-1).X, 0, 1e-5f);
    EXPECT_NEAR(PositionAt(3).X, 30, 1e-5f);
    EXPECT_NEAR(PositionAt(9).X, 30, 1e-5f);
    // The linear flag changes nothing.
    group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationLinearPosition);
    EXPECT_NEAR(PositionAt(0.25f).X, 1.796875f, 1e-5f);
}

TEST_F(Animation, SplineBetweenUnevenKeys) {
    group->SetAnimationOptions(VgxAnimationPosition);
    AddPositions({0, 1, 0});
    // p0 = p1 = 0, p2 = 1, p3 = 0 at s = 1/2: (1/2 + 4/4 - 3/8) / 2.
    EXPECT_NEAR(PositionAt(0.5f).X, 0.5625f, 1e-6f);
    // p0 = 0, p1 = 1, p2 = 0, p3 = 0 at s = 1/2: (2 - 5/4 + 3/8) / 2, the mirror image.
    EXPECT_NEAR(PositionAt(1.5f).X, 0.5625f, 1e-6f);
}

TEST_F(Animation, ClosedNeighboursWrapAround) {
    group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationClosed);
    AddPositions({0, 10, 20, 30});
    EXPECT_NEAR(PositionAt(1.5f).X, 15, 1e-5f);
    // Past the last key the next keys are 0 and 1: p = 20, 30, 0, 10 at s = (3.5 - 3) / (0 - 3).
    EXPECT_NEAR(PositionAt(3.5f).X, 30 - 40.0f / 216, 1e-4f);
    // Before the second key the key before the previous one is n - 3 = 1.
    // p = 10, 0, 10, 20 at s = 1/2: (40 / 4 - 20 / 8) / 2.
    EXPECT_NEAR(PositionAt(0.5f).X, 3.75f, 1e-5f);
}

TEST_F(Animation, ClosedKeysOutsideTheListRaise9AndChangeNothing) {
    AddPositions({0, 10, 20});
    group->AddAnimationKey(TurnKey(0, 0));
    group->AddAnimationKey(TurnKey(1, kHalfPi));
    group->AddTranslation(VgxCombineReplace, {4, 4, 4});
    const VgxMatrix before = Local();
    auto expectSubscriptError = [&](int32_t options) {
        group->SetAnimationOptions(options | VgxAnimationClosed);
        ExpectVgxError([&] { group->SetAnimationTime(-0.5f); }, 9, "VgxGroup", "Subscript out of range");
        ExpectSameBits(Local(), before);
    };
    // Three position keys before the first: the key before the previous one would be -1.
    expectSubscriptError(VgxAnimationPosition);
    // Two rotation keys before the first: the previous key would be -1.
    expectSubscriptError(VgxAnimationScaleAndRotation);
    // Four position keys wrap inside the list at that time, yet the rotation fails: nothing moves.
    group->AddAnimationKey(PositionKey(3, 30));
    expectSubscriptError(VgxAnimationPosition | VgxAnimationScaleAndRotation);
    // Between the rotation keys only the key before the previous one is out, and a slerp never reads it.
    group->SetAnimationTime(0.5f);
    VgxVector dir, up;
    group->GetOrientation(0, parent, dir, up);
    ExpectVectorNear(dir, {-std::sqrt(0.5f), 0, std::sqrt(0.5f)});
}

TEST_F(Animation, AZeroRotationKeyRaises5AndMovesNothing) {
    group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationScaleAndRotation);
    group->AddAnimationKey(PositionKey(0, 7));
    group->AddAnimationKey({{0, 0, 0, 0}, 0, 0, VgxAnimationRotateKey, 0});
    const VgxMatrix before = Local();
    ExpectVgxError([&] { group->SetAnimationTime(0); }, 5, "VgxGroup", "Invalid procedure call or argument");
    ExpectSameBits(Local(), before);
}

TEST_F(Animation, RotationsSlerpRelativeToTheParent) {
    parent->AddRotation(VgxCombineReplace, {1, 0, 0}, 0.7f);
    parent->AddTranslation(VgxCombineAfter, {3, 0, 0});
    group->AddTranslation(VgxCombineReplace, {1, 2, 3});
    group->SetAnimationOptions(VgxAnimationScaleAndRotation);
    group->AddAnimationKey(TurnKey(0, 0));
    group->AddAnimationKey(TurnKey(1, kHalfPi));
    const float h = std::sqrt(0.5f);
    VgxVector dir, up;
    const std::pair<float, VgxVector> expected[] = {
        {-1, {0, 0, 1}}, {0, {0, 0, 1}}, {0.5f, {-h, 0, h}}, {1, {-1, 0, 0}}, {4, {-1, 0, 0}}};
    for (const auto& [time, expectedDir] : expected) {
        group->SetAnimationTime(time);
        group->GetOrientation(0, parent, dir, up);
        ExpectVectorNear(dir, expectedDir);
        ExpectVectorNear(up, {0, 1, 0});
        VgxVector position;
        group->GetPosition(0, parent, position);
        ExpectVectorNear(position, {1, 2, 3});
    }
}

TEST_F(Animation, SlerpTakesTheShorterArc) {
    group->SetAnimationOptions(VgxAnimationScaleAndRotation);
    group->AddAnimationKey(TurnKey(0, 0));
    // -q turns as q does: a quarter turn written the long way round.
    VgxAnimationKey longWay = TurnKey(1, kHalfPi);
    for (float& c : longWay.dvK) c = -c;
    group->AddAnimationKey(longWay);
    group->SetAnimationTime(0.5f);
    VgxVector dir, up;
    group->GetOrientation(0, parent, dir, up);
    ExpectVectorNear(dir, {-std::sqrt(0.5f), 0, std::sqrt(0.5f)});
}

}  // namespace
