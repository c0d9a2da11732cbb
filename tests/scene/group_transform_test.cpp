#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "scene/frame_expect.h"
#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectMatrixNear;
using vgx::test::ExpectSameBits;
using vgx::test::ExpectVectorNear;
using vgx::test::ExpectVgxError;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;
constexpr VgxMatrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void ExpectInvalidCall(const std::function<void()>& call) {
    ExpectVgxError(call, 5, "VgxGroup", "Invalid procedure call or argument");
}

VgxMatrix Local(const std::shared_ptr<VgxGroup>& group) {
    VgxMatrix m;
    group->GetLocalTransform(m);
    return m;
}

VgxVector Position(const std::shared_ptr<VgxGroup>& group, const std::shared_ptr<VgxGroup>& relative) {
    VgxVector p;
    group->GetPosition(0, relative, p);
    return p;
}

void ExpectOrientation(const std::shared_ptr<VgxGroup>& group, const std::shared_ptr<VgxGroup>& relative,
                       const VgxVector& dir, const VgxVector& up) {
    VgxVector actualDir, actualUp;
    group->GetOrientation(0, relative, actualDir, actualUp);
    ExpectVectorNear(actualDir, dir);
    ExpectVectorNear(actualUp, up);
}

// top
// |- a: a quarter turn about Y, then moved by (1, 0, 0)
// |  `- a1: moved by (0, 0, 3)        world origin (-2, 0, 0)
// `- b: moved by (0, 2, 0)
//    `- b1: a quarter turn about X   (Y turns onto -Z, Z onto +Y)
class Frames : public ::testing::Test {
protected:
    void SetUp() override {
        a->AddRotation(VgxCombineReplace, {0, 1, 0}, kHalfPi);
        a->AddTranslation(VgxCombineAfter, {1, 0, 0});
        a1->AddTranslation(VgxCombineReplace, {0, 0, 3});
        b->AddTranslation(VgxCombineReplace, {0, 2, 0});
        b1->AddRotation(VgxCombineReplace, {1, 0, 0}, kHalfPi);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> top = root->CreateGroup(nullptr);
    std::shared_ptr<VgxGroup> a = root->CreateGroup(top);
    std::shared_ptr<VgxGroup> a1 = root->CreateGroup(a);
    std::shared_ptr<VgxGroup> b = root->CreateGroup(top);
    std::shared_ptr<VgxGroup> b1 = root->CreateGroup(b);
};

TEST_F(Frames, ANewGroupSitsAtTheOriginFacingZ) {
    auto fresh = root->CreateGroup(a1);
    ExpectSameBits(Local(fresh), VgxMatrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}});
    ExpectVectorNear(Position(fresh, a1), {0, 0, 0});
    ExpectOrientation(fresh, a1, {0, 0, 1}, {0, 1, 0});
    VgxVector axis;
    float theta = -1;
    fresh->GetRotation(axis, theta);
    ExpectVectorNear(axis, {0, 1, 0}, 0);
    EXPECT_EQ(theta, 0);
}

TEST_F(Frames, WorldMatrixIsTheProductOfLocalsUpToTheTop) {
    VgxMatrix world;
    a1->GetTransform(nullptr, world);
    ExpectMatrixNear(world, {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, -2, 0, 0, 1});
    a1->GetTransform(a1, world);
    ExpectMatrixNear(world, kIdentity);
    // Moving the top moves every descendant.
    top->AddTranslation(VgxCombineReplace, {0, 0, 10});
    ExpectVectorNear(Position(a1, nullptr), {-2, 0, 10});
    ExpectVectorNear(Position(a1, top), {-2, 0, 0});
}

TEST_F(Frames, PlacementRelativeToSiblingsAndCousins) {
    ExpectVectorNear(Position(a, b), {1, -2, 0});
    ExpectVectorNear(Position(a1, b1), {-2, 0, -2});
    ExpectOrientation(a1, b1, {-1, 0, 0}, {0, 0, 1});
    ExpectOrientation(a1, nullptr, {-1, 0, 0}, {0, 1, 0});
    // W(a1) x W(b1)^-1, by hand: the axes of a1 and its origin in b1's frame.
    VgxMatrix relative;
    a1->GetTransform(b1, relative);
    ExpectMatrixNear(relative, {0, -1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0, -2, 0, -2, 1});
}

TEST_F(Frames, SetPositionRoundTrips) {
    a1->SetPosition(0, nullptr, {4, 5, 6});
    ExpectVectorNear(Position(a1, nullptr), {4, 5, 6});
    a1->SetPosition(0, b1, {1, 2, 3});
    ExpectVectorNear(Position(a1, b1), {1, 2, 3});
    // b1's origin is (0, 2, 0) and its axes are X, -Z and Y.
    ExpectVectorNear(Position(a1, nullptr), {1, 5, -2});
    // The orientation is kept.
    ExpectOrientation(a1, nullptr, {-1, 0, 0}, {0, 1, 0});
    // Relative to the parent the fourth row is the position itself.
    a1->SetPosition(0, a, {7, 8, 9});
    ExpectMatrixNear(Local(a1), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1});
}

TEST_F(Frames, SetOrientationRoundTrips) {
    VgxVector before = Position(a1, nullptr);
    // Up need not be perpendicular to Dir.
    a1->SetOrientation(0, b1, {0, 0, 2}, {1, 0, 1});
    ExpectOrientation(a1, b1, {0, 0, 1}, {1, 0, 0});
    // In the world b1's Z is +Y.
    ExpectOrientation(a1, nullptr, {0, 1, 0}, {1, 0, 0});
    ExpectVectorNear(Position(a1, nullptr), before);
    a1->SetOrientation(0, nullptr, {0, 0, -1}, {0, 1, 0});
    ExpectOrientation(a1, nullptr, {0, 0, -1}, {0, 1, 0});
    ExpectVectorNear(Position(a1, nullptr), before);
}

TEST_F(Frames, QuaternionAgreesWithRotation) {
    VgxQuaternion q;
    root->QuaternionFromRotation(q, {0, 1, 0}, kHalfPi);
    b->SetQuaternion(nullptr, q);
    ExpectOrientation(b, nullptr, {-1, 0, 0}, {0, 1, 0});
    ExpectVectorNear(Position(b, nullptr), {0, 2, 0});
    // The same rotation made by AddRotation gives the same local matrix.
    auto c = root->CreateGroup(nullptr);
    c->AddRotation(VgxCombineReplace, {0, 1, 0}, kHalfPi);
    c->AddTranslation(VgxCombineAfter, {0, 2, 0});
    ExpectMatrixNear(Local(b), Local(c));
    // Relative to a turned frame the quaternion is taken in that frame.
    a1->SetQuaternion(b1, q);
    ExpectOrientation(a1, b1, {-1, 0, 0}, {0, 1, 0});
    // b was turned a quarter about Y above, so b1's X and Y lie along the world's +Z and +X.
    ExpectOrientation(a1, nullptr, {0, 0, -1}, {1, 0, 0});
    // A quaternion of any length gives its unit rotation.
    b->SetQuaternion(nullptr, {q.s * 3, {q.V.X * 3, q.V.Y * 3, q.V.Z * 3}});
    ExpectMatrixNear(Local(b), Local(c));
}

TEST_F(Frames, PointsConvertBothWays) {
    VgxVector out, back;
    a1->Transform(out, {1, 0, 0});
    ExpectVectorNear(out, {-2, 0, 1});
    a1->InverseTransform(back, out);
    ExpectVectorNear(back, {1, 0, 0});
    a1->InverseTransform(back, {0, 0, 0});
    ExpectVectorNear(back, {0, 0, -2});

    std::vector<VgxVector> list{{0, 0, 0}, {1, 0, 0}}, result{{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};
    a1->TransformVectors(result, list, b1);
    ASSERT_EQ(result.size(), 2u);
    ExpectVectorNear(result[0], Position(a1, b1));
    ExpectVectorNear(result[1], {-2, -1, -2});
    std::vector<VgxVector> inverse(3, VgxVector{9, 9, 9});
    a1->InverseTransformVectors(inverse, result, b1);
    ASSERT_EQ(inverse.size(), 3u);
    ExpectVectorNear(inverse[0], list[0]);
    ExpectVectorNear(inverse[1], list[1]);
    ExpectVectorNear(inverse[2], {9, 9, 9}, 0);
}

TEST_F(Frames, AddRotationCombinesBeforeAfterOrReplaces) {
    // Under a turned parent, so the local transform must be recovered from world matrices.
    a1->SetPosition(0, a, {1, 2, 3});
    a1->AddRotation(VgxCombineBefore, {0, 1, 0}, kHalfPi);
    ExpectMatrixNear(Local(a1), {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 2, 3, 1});
    a1->SetOrientation(0, a, {0, 0, 1}, {0, 1, 0});
    a1->AddRotation(VgxCombineAfter, {0, 1, 0}, kHalfPi);
    ExpectMatrixNear(Local(a1), {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, -3, 2, 1, 1});
    a1->AddRotation(VgxCombineReplace, {1, 0, 0}, kHalfPi);
    ExpectMatrixNear(Local(a1), {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1});
}

TEST_F(Frames, AddTranslationMovesAlongOwnOrParentAxes) {
    a1->AddRotation(VgxCombineReplace, {0, 1, 0}, kHalfPi);
    a1->AddTranslation(VgxCombineBefore, {1, 0, 0});  // along its own X, which is the parent's Z
    ExpectMatrixNear(Local(a1), {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 1});
    a1->AddTranslation(VgxCombineAfter, {1, 0, 0});  // along the parent's X
    ExpectMatrixNear(Local(a1), {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 1, 1});
    a1->AddTranslation(VgxCombineReplace, {0, 4, 0});
    ExpectMatrixNear(Local(a1), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 4, 0, 1});
}

TEST_F(Frames, LookAtTurnsInPlace) {
    auto eye = root->CreateGroup(top);
    auto target = root->CreateGroup(b);  // world (3, 2, 0)
    target->SetPosition(0, nullptr, {3, 2, 0});
    eye->SetPosition(0, nullptr, {0, 2, 0});
    eye->LookAt(target, VgxConstrainZ);
    ExpectOrientation(eye, nullptr, {1, 0, 0}, {0, 1, 0});
    ExpectVectorNear(Position(eye, nullptr), {0, 2, 0});
    // Straight behind: half a turn about its own X.
    target->SetPosition(0, nullptr, {-5, 2, 0});
    eye->LookAt(target, VgxConstrainZ);
    ExpectOrientation(eye, nullptr, {-1, 0, 0}, {0, -1, 0});
    // Holding Y: aim at the target's shadow on the XZ plane.
    eye->SetOrientation(0, nullptr, {0, 0, 1}, {0, 1, 0});
    target->SetPosition(0, nullptr, {3, 6, 0});
    eye->LookAt(target, VgxConstrainY);
    ExpectOrientation(eye, nullptr, {1, 0, 0}, {0, 1, 0});
    // Holding X: aim within the YZ plane.
    eye->SetOrientation(0, nullptr, {0, 0, 1}, {0, 1, 0});
    eye->LookAt(target, VgxConstrainX);
    ExpectOrientation(eye, nullptr, {0, 1, 0}, {0, 0, -1});
    ExpectVectorNear(Position(eye, nullptr), {0, 2, 0});
    // None is the world's origin.
    eye->LookAt(nullptr, VgxConstrainZ);
    ExpectOrientation(eye, nullptr, {0, -1, 0}, {0, 0, 1});
}

TEST_F(Frames, ApplyRotationSpinsTheSubtreeButNotTheTop) {
    top->SetRotation({0, 0, 1}, 1.0f);
    a->SetRotation({0, 1, 0}, -kHalfPi);  // undoes a's own quarter turn
    a1->SetRotation({2, 0, 0}, kHalfPi);
    b1->SetRotation({0, 0, 1}, 0);
    top->ApplyRotation(1);
    ExpectMatrixNear(Local(top), kIdentity);
    ExpectMatrixNear(Local(a), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1});
    // Each turns in place about its own axis: the origin stays.
    ExpectMatrixNear(Local(a1), {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 3, 1});
    ExpectMatrixNear(Local(b1), {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1});
    // Delta scales the stored angle; spinning a child alone leaves its parent be.
    a1->ApplyRotation(-0.5f);
    ExpectMatrixNear(Local(a), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1});
    const float h = std::sqrt(0.5f);
    ExpectOrientation(a1, a, {0, h, h}, {0, h, -h});
    VgxVector axis;
    float theta;
    a1->GetRotation(axis, theta);
    ExpectVectorNear(axis, {2, 0, 0}, 0);
    EXPECT_EQ(theta, kHalfPi);
}

TEST_F(Frames, TimeArgumentsChangeNothing) {
    VgxVector early, late, dir, up;
    a1->GetPosition(0, b1, early);
    a1->GetPosition(1e6f, b1, late);
    ExpectVectorNear(early, late, 0);
    b->SetPosition(-3, nullptr, {1, 1, 1});
    VgxMatrix first = Local(b);
    b->SetPosition(42, nullptr, {1, 1, 1});
    ExpectSameBits(Local(b), first);
    b->SetOrientation(5, nullptr, {1, 0, 0}, {0, 1, 0});
    first = Local(b);
    b->SetOrientation(-5, nullptr, {1, 0, 0}, {0, 1, 0});
    ExpectSameBits(Local(b), first);
    b->GetOrientation(7, nullptr, dir, up);
    ExpectVectorNear(dir, {1, 0, 0});
}

TEST_F(Frames, BadPlacementsRaise5AndChangeNothing) {
    const VgxMatrix before = Local(a1);
    ExpectInvalidCall([&] { a1->SetOrientation(0, b1, {0, 0, 0}, {0, 1, 0}); });
    ExpectInvalidCall([&] { a1->SetOrientation(0, b1, {0, 0, 1}, {0, 0, 0}); });
    ExpectInvalidCall([&] { a1->SetOrientation(0, b1, {0, 0, 1}, {0, 0, -3}); });
    ExpectInvalidCall([&] { a1->SetQuaternion(b1, {0, {0, 0, 0}}); });
    ExpectInvalidCall([&] { a1->AddRotation(static_cast<VgxCombineType>(3), {0, 1, 0}, 1); });
    ExpectInvalidCall([&] { a1->AddTranslation(static_cast<VgxCombineType>(-1), {0, 1, 0}); });
    // A look-at onto its own origin has no direction.
    auto twin = root->CreateGroup(b1);
    twin->SetPosition(0, nullptr, Position(a1, nullptr));
    ExpectInvalidCall([&] { a1->LookAt(twin, VgxConstrainZ); });
    ExpectInvalidCall([&] { a1->LookAt(a1, VgxConstrainY); });
    // Holding an axis that points straight at the target leaves nothing to turn.
    twin->SetPosition(0, a1, {0, 5, 0});
    ExpectInvalidCall([&] { a1->LookAt(twin, VgxConstrainY); });
    twin->SetPosition(0, a1, {5, 0, 0});
    ExpectInvalidCall([&] { a1->LookAt(twin, VgxConstrainX); });
    ExpectInvalidCall([&] { a1->LookAt(twin, static_cast<VgxGroupConstraint>(3)); });
    ExpectSameBits(Local(a1), before);
}

TEST_F(Frames, VectorListsNeedVectorsAndRoom) {
    std::vector<VgxVector> none, result{{1, 2, 3}}, list{{0, 0, 0}, {1, 0, 0}};
    ExpectVgxError([&] { a1->TransformVectors(result, none, b1); }, 9, "VgxGroup", "Subscript out of range");
    ExpectVgxError([&] { a1->InverseTransformVectors(result, none, b1); }, 9, "VgxGroup", "Subscript out of range");
    ExpectVgxError([&] { a1->InverseTransformVectors(result, list, b1); }, 9, "VgxGroup", "Subscript out of range");
    ASSERT_EQ(result.size(), 1u);
    ExpectVectorNear(result[0], {1, 2, 3}, 0);
    ExpectVgxError([&] { a1->InverseTransformVectors(none, list, b1); }, 9, "VgxGroup", "Subscript out of range");
    EXPECT_TRUE(none.empty());
}

TEST_F(Frames, AGroupCannotBecomeItsOwnAncestor) {
    ExpectInvalidCall([&] { a1->AddChild(a1); });
    ExpectInvalidCall([&] { a1->AddChild(top); });
    ExpectInvalidCall([&] { a1->AddChild(a); });
    EXPECT_EQ(a1->GetParent(), a);
    EXPECT_EQ(a->GetParent(), top);
    EXPECT_EQ(top->GetParent(), nullptr);
    EXPECT_EQ(ChildCount(*a1), 0);
    EXPECT_EQ(ChildCount(*a), 1);
    EXPECT_EQ(a1->GetScene(), top);
    // Moving a group under its sibling's subtree is fine.
    b1->AddChild(a);
    EXPECT_EQ(a1->GetScene(), top);
    EXPECT_EQ(ChildCount(*top), 1);
}

}  // namespace
