// Frames: the matrix and quaternion arithmetic, a group's placement in the hierarchy,
// and its animation keys.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <numbers>
#include <optional>

#include "base/frame_math.h"
#include "base/retained_mode.h"
#include "scene/frame_expect.h"
#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectMatrixNear;
using vgx::test::ExpectSameBits;
using vgx::test::ExpectVectorNear;
using vgx::test::ExpectVgxError;
using Group = std::shared_ptr<VgxGroup>;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;
const float kHalfRoot = std::sqrt(0.5f);
constexpr VgxMatrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// A quarter turn about Y carries X onto Z and Z onto -X; about X, Y onto -Z and Z onto Y.
constexpr VgxMatrix kQuarterY{0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
constexpr VgxMatrix kQuarterX{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
constexpr const char* kInvalid = "Invalid procedure call or argument";

// `m` with its fourth row, the origin, set to (x, y, z).
VgxMatrix At(VgxMatrix m, float x, float y, float z) {
    m.m[12] = x, m.m[13] = y, m.m[14] = z;
    return m;
}

// What `fill` writes into a fresh T.
template <class T = VgxVector, class F>
T Out(F fill) {
    T value{};
    fill(value);
    return value;
}

// ---- Matrix and quaternion arithmetic ---------------------------------------------

// The placement tests below pin the matrix arithmetic through the groups; the conversion of a
// matrix back to a quaternion is only reached by matrix keys of .x files, so its branches are
// checked here, near a half turn included.
TEST(FrameMath, RotationsAndQuaternionsConvertBothWays) {
    using namespace vgx::rm;
    ExpectMatrixNear(MatrixRotation({0, 0, 0}, 1.0f), MatrixIdentity());  // about nothing
    const VgxVector axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 2, -2}, {-0.3f, 0.5f, 0.8f}};
    for (const VgxVector& axis : axes) {
        for (float theta : {0.0f, 0.4f, -1.5f, 3.0f, 3.1f}) {
            const auto q = Out<VgxQuaternion>([&](auto& v) { QuaternionFromRotation(v, axis, theta); });
            const VgxMatrix rotation = MatrixRotation(axis, theta);
            ExpectMatrixNear(MatrixFromQuaternion(q), rotation);
            const VgxQuaternion back = QuaternionFromMatrix(rotation);
            const float sign = q.s < 0 ? -1.0f : 1.0f;  // q and -q are the same rotation
            EXPECT_NEAR(back.s, sign * q.s, 1e-5f);
            ExpectVectorNear(back.V, {sign * q.V.X, sign * q.V.Y, sign * q.V.Z});
        }
    }
}

// ---- Placement -----------------------------------------------------------------------

// Time arguments of placement calls are ignored: the helpers and tests pass arbitrary ones.
VgxMatrix Local(const Group& g) {
    return Out<VgxMatrix>([&](auto& m) { g->GetLocalTransform(m); });
}
VgxVector Position(const Group& g, const Group& relative) {
    return Out([&](auto& p) { g->GetPosition(1e6f, relative, p); });
}

// Checks where `g` faces relative to `relative`, and where it stands when `position` is given.
void ExpectOrientation(const Group& g, const Group& relative, const VgxVector& dir, const VgxVector& up,
                       std::optional<VgxVector> position = {}) {
    VgxVector actualDir, actualUp;
    g->GetOrientation(-7, relative, actualDir, actualUp);
    ExpectVectorNear(actualDir, dir);
    ExpectVectorNear(actualUp, up);
    if (position) ExpectVectorNear(Position(g, relative), *position);
}

void ExpectInvalidCall(const std::function<void()>& call) { ExpectVgxError(call, 5, "VgxGroup", kInvalid); }

// top
// |- a: a quarter turn about Y, then moved by (1, 0, 0)
// |  `- a1: moved by (0, 0, 3)        world origin (-2, 0, 0)
// `- b: moved by (0, 2, 0)
//    `- b1: a quarter turn about X   (Y turns onto -Z, Z onto +Y)
struct Frames : ::testing::Test {
    void SetUp() override {
        a->AddRotation(VgxCombineReplace, {0, 1, 0}, kHalfPi);
        a->AddTranslation(VgxCombineAfter, {1, 0, 0});
        a1->AddTranslation(VgxCombineReplace, {0, 0, 3});
        b->AddTranslation(VgxCombineReplace, {0, 2, 0});
        b1->AddRotation(VgxCombineReplace, {1, 0, 0}, kHalfPi);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    Group top = root->CreateGroup(nullptr);
    Group a = root->CreateGroup(top), a1 = root->CreateGroup(a);
    Group b = root->CreateGroup(top), b1 = root->CreateGroup(b);
};

TEST_F(Frames, ANewGroupSitsAtTheOriginFacingZAndFramesCompose) {
    auto fresh = root->CreateGroup(a1);
    ExpectSameBits(Local(fresh), kIdentity);
    ExpectOrientation(fresh, a1, {0, 0, 1}, {0, 1, 0}, VgxVector{0, 0, 0});
    VgxVector axis;
    float theta = -1;
    fresh->GetRotation(axis, theta);
    EXPECT_EQ((std::tuple{axis.X, axis.Y, axis.Z, theta}), (std::tuple{0.0f, 1.0f, 0.0f, 0.0f}));
    // World and relative frames are products of the locals.
    ExpectMatrixNear(Out<VgxMatrix>([&](auto& m) { a1->GetTransform(nullptr, m); }), At(kQuarterY, -2, 0, 0));
    ExpectMatrixNear(Out<VgxMatrix>([&](auto& m) { a1->GetTransform(a1, m); }), kIdentity);
    // W(a1) x W(b1)^-1, by hand: the axes of a1 and its origin in b1's frame.
    ExpectMatrixNear(Out<VgxMatrix>([&](auto& m) { a1->GetTransform(b1, m); }),
                     {0, -1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0, -2, 0, -2, 1});
    ExpectVectorNear(Position(a, b), {1, -2, 0});
    ExpectOrientation(a1, b1, {-1, 0, 0}, {0, 0, 1}, VgxVector{-2, 0, -2});
    ExpectOrientation(a1, nullptr, {-1, 0, 0}, {0, 1, 0});
    // Points convert both ways, one by one or in lists.
    ExpectVectorNear(Out([&](auto& v) { a1->Transform(v, {1, 0, 0}); }), {-2, 0, 1});
    ExpectVectorNear(Out([&](auto& v) { a1->InverseTransform(v, {-2, 0, 1}); }), {1, 0, 0});
    ExpectVectorNear(Out([&](auto& v) { a1->InverseTransform(v, {0, 0, 0}); }), {0, 0, -2});
    std::vector<VgxVector> list{{0, 0, 0}, {1, 0, 0}}, result(3, VgxVector{9, 9, 9}), inverse = result;
    a1->TransformVectors(result, list, b1);
    ASSERT_EQ(result.size(), 2u);
    ExpectVectorNear(result[0], {-2, 0, -2});
    ExpectVectorNear(result[1], {-2, -1, -2});
    a1->InverseTransformVectors(inverse, result, b1);
    ASSERT_EQ(inverse.size(), 3u);
    ExpectVectorNear(inverse[0], list[0]);
    ExpectVectorNear(inverse[1], list[1]);
    ExpectVectorNear(inverse[2], {9, 9, 9}, 0);
    // Moving the top moves every descendant.
    top->AddTranslation(VgxCombineReplace, {0, 0, 10});
    ExpectVectorNear(Position(a1, nullptr), {-2, 0, 10});
    ExpectVectorNear(Position(a1, top), {-2, 0, 0});
}

TEST_F(Frames, SetPositionOrientationAndQuaternionRoundTrip) {
    // Relative to the parent the fourth row is the position itself.
    a1->SetPosition(3, a, {7, 8, 9});
    ExpectMatrixNear(Local(a1), At(kIdentity, 7, 8, 9));
    a1->SetPosition(-3, nullptr, {4, 5, 6});
    ExpectVectorNear(Position(a1, nullptr), {4, 5, 6});
    a1->SetPosition(42, b1, {1, 2, 3});
    ExpectVectorNear(Position(a1, b1), {1, 2, 3});
    // b1's origin is (0, 2, 0) and its axes are X, -Z and Y; the orientation is kept.
    ExpectOrientation(a1, nullptr, {-1, 0, 0}, {0, 1, 0}, VgxVector{1, 5, -2});
    // Up need not be perpendicular to Dir; in the world b1's Z is +Y.
    a1->SetOrientation(5, b1, {0, 0, 2}, {1, 0, 1});
    ExpectOrientation(a1, b1, {0, 0, 1}, {1, 0, 0});
    ExpectOrientation(a1, nullptr, {0, 1, 0}, {1, 0, 0}, VgxVector{1, 5, -2});
    a1->SetOrientation(-5, nullptr, {0, 0, -1}, {0, 1, 0});
    ExpectOrientation(a1, nullptr, {0, 0, -1}, {0, 1, 0}, VgxVector{1, 5, -2});
    // A quaternion agrees with the rotation it stands for.
    const auto q = Out<VgxQuaternion>([&](auto& v) { root->QuaternionFromRotation(v, {0, 1, 0}, kHalfPi); });
    b->SetQuaternion(nullptr, q);
    ExpectOrientation(b, nullptr, {-1, 0, 0}, {0, 1, 0});
    // The same rotation made by AddRotation gives the same local matrix.
    ExpectMatrixNear(Local(b), At(kQuarterY, 0, 2, 0));
    // Relative to a turned frame the quaternion is taken in that frame; b was turned
    // a quarter about Y above, so b1's X and Y lie along the world's +Z and +X.
    a1->SetQuaternion(b1, q);
    ExpectOrientation(a1, b1, {-1, 0, 0}, {0, 1, 0});
    ExpectOrientation(a1, nullptr, {0, 0, -1}, {1, 0, 0});
    // A quaternion of any length gives its unit rotation.
    b->SetQuaternion(nullptr, {q.s * 3, {q.V.X * 3, q.V.Y * 3, q.V.Z * 3}});
    ExpectMatrixNear(Local(b), At(kQuarterY, 0, 2, 0));
}

TEST_F(Frames, AddRotationAndTranslationCombineBeforeAfterOrReplace) {
    // Under a turned parent, so the local transform must be recovered from world matrices.
    a1->SetPosition(0, a, {1, 2, 3});
    a1->AddRotation(VgxCombineBefore, {0, 1, 0}, kHalfPi);
    ExpectMatrixNear(Local(a1), At(kQuarterY, 1, 2, 3));
    a1->SetOrientation(0, a, {0, 0, 1}, {0, 1, 0});
    a1->AddRotation(VgxCombineAfter, {0, 1, 0}, kHalfPi);
    ExpectMatrixNear(Local(a1), At(kQuarterY, -3, 2, 1));
    a1->AddRotation(VgxCombineReplace, {1, 0, 0}, kHalfPi);
    ExpectMatrixNear(Local(a1), kQuarterX);
    a1->AddRotation(VgxCombineReplace, {0, 1, 0}, kHalfPi);
    a1->AddTranslation(VgxCombineBefore, {1, 0, 0});  // along its own X, which is the parent's Z
    ExpectMatrixNear(Local(a1), At(kQuarterY, 0, 0, 1));
    a1->AddTranslation(VgxCombineAfter, {1, 0, 0});  // along the parent's X
    ExpectMatrixNear(Local(a1), At(kQuarterY, 1, 0, 1));
    a1->AddTranslation(VgxCombineReplace, {0, 4, 0});
    ExpectMatrixNear(Local(a1), At(kIdentity, 0, 4, 0));
}

TEST_F(Frames, LookAtTurnsInPlace) {
    auto eye = root->CreateGroup(top);
    auto target = root->CreateGroup(b);
    eye->SetPosition(0, nullptr, {0, 2, 0});
    auto look = [&](VgxVector at, VgxGroupConstraint constraint, VgxVector dir, VgxVector up) {
        target->SetPosition(0, nullptr, at);
        eye->LookAt(target, constraint);
        ExpectOrientation(eye, nullptr, dir, up, VgxVector{0, 2, 0});
    };
    look({3, 2, 0}, VgxConstrainZ, {1, 0, 0}, {0, 1, 0});
    look({-5, 2, 0}, VgxConstrainZ, {-1, 0, 0}, {0, -1, 0});  // straight behind: half a turn about its own X
    eye->SetOrientation(0, nullptr, {0, 0, 1}, {0, 1, 0});
    look({3, 6, 0}, VgxConstrainY, {1, 0, 0}, {0, 1, 0});  // aim at the target's shadow on the XZ plane
    eye->SetOrientation(0, nullptr, {0, 0, 1}, {0, 1, 0});
    look({3, 6, 0}, VgxConstrainX, {0, 1, 0}, {0, 0, -1});  // aim within the YZ plane
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
    ExpectMatrixNear(Local(a), At(kIdentity, 1, 0, 0));
    // Each turns in place about its own axis: the origin stays.
    ExpectMatrixNear(Local(a1), At(kQuarterX, 0, 0, 3));
    ExpectMatrixNear(Local(b1), kQuarterX);
    // Delta scales the stored angle; spinning a child alone leaves its parent be.
    a1->ApplyRotation(-0.5f);
    ExpectMatrixNear(Local(a), At(kIdentity, 1, 0, 0));
    ExpectOrientation(a1, a, {0, kHalfRoot, kHalfRoot}, {0, kHalfRoot, -kHalfRoot});
    VgxVector axis;
    float theta;
    a1->GetRotation(axis, theta);
    EXPECT_EQ((std::tuple{axis.X, axis.Y, axis.Z, theta}), (std::tuple{2.0f, 0.0f, 0.0f, kHalfPi}));
}

TEST_F(Frames, BadPlacementsRaiseAndChangeNothing) {
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
    // Vector lists need vectors, and room for the result.
    std::vector<VgxVector> none, result{{1, 2, 3}}, list{{0, 0, 0}, {1, 0, 0}};
    for (auto call : std::initializer_list<std::function<void()>>{
             [&] { a1->TransformVectors(result, none, b1); }, [&] { a1->InverseTransformVectors(result, none, b1); },
             [&] { a1->InverseTransformVectors(result, list, b1); },
             [&] { a1->InverseTransformVectors(none, list, b1); }}) {
        ExpectVgxError(call, 9, "VgxGroup", "Subscript out of range");
    }
    ASSERT_EQ(result.size(), 1u);
    ExpectVectorNear(result[0], {1, 2, 3}, 0);
    EXPECT_TRUE(none.empty());
}

TEST_F(Frames, AGroupCannotBecomeItsOwnAncestor) {
    for (const auto& group : {a1, top, a}) ExpectInvalidCall([&] { a1->AddChild(group); });
    EXPECT_EQ((std::tuple{a1->GetParent(), a->GetParent(), top->GetParent()}), (std::tuple{a, top, nullptr}));
    EXPECT_EQ((std::tuple{ChildCount(*a1), ChildCount(*a), a1->GetScene()}), (std::tuple{0, 1, top}));
    // Moving a group under its sibling's subtree is fine.
    b1->AddChild(a);
    EXPECT_EQ((std::tuple{a1->GetScene(), ChildCount(*top)}), (std::tuple{top, 1}));
}

// ---- Animation -----------------------------------------------------------------------

VgxAnimationKey PositionKey(float time, float x, float y = 0, float z = 0) {
    return {{x, y, z, 0}, time, 0, VgxAnimationPositionKey, 0};
}

// A rotation by theta about Y, stored as (x, y, z, w).
VgxAnimationKey TurnKey(float time, float theta) {
    return {{0, std::sin(theta / 2), 0, std::cos(theta / 2)}, time, 0, VgxAnimationRotateKey, 0};
}

struct Animation : ::testing::Test {
    VgxVector PositionAt(float time) {
        group->SetAnimationTime(time);
        return Position(group, parent);
    }

    void ExpectDirAt(float time, const VgxVector& dir, std::optional<VgxVector> position = {}) {
        group->SetAnimationTime(time);
        ExpectOrientation(group, parent, dir, {0, 1, 0}, position);
    }

    std::vector<VgxAnimationKey> Keys(float from, float to) {
        std::vector<VgxAnimationKey> keys{PositionKey(9, 9)};
        int32_t count = -1;
        group->GetAnimationKeys(from, to, keys, count);
        EXPECT_EQ(static_cast<size_t>(count), keys.size());
        return keys;
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    Group parent = root->CreateGroup(nullptr);
    Group group = root->CreateGroup(parent);
};

TEST_F(Animation, KeysAreKeptInOrderDeletedByTimeAndAppliedAsTheOptionsSay) {
    group->AddAnimationKey({{1, 0, 0, 0}, 2, 11, VgxAnimationPositionKey, 0});
    group->AddAnimationKey({{2, 0, 0, 0}, 1, 12, VgxAnimationPositionKey, 0});
    group->AddAnimationKey({{3, 0, 0, 0}, 1, 13, VgxAnimationPositionKey, 0});  // after its equal
    group->AddAnimationKey({{0, 0, 0, 1}, 5, 21, VgxAnimationRotateKey, 0});
    group->AddAnimationKey({{0, 0, 0, 1}, 0, 22, static_cast<VgxAnimationKeyType>(7), 4});
    auto keys = Keys(-100, 100);
    ASSERT_EQ(keys.size(), 5u);
    const int32_t ids[] = {12, 13, 11, 22, 21};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(keys[i].dwID, ids[i]) << i;
    EXPECT_EQ((std::tuple{keys[3].dwKeyType, keys[3].dwSize}), (std::tuple{7, 4}));
    EXPECT_EQ(Keys(1, 2).size(), 3u);  // both ends of the range are included
    EXPECT_TRUE(Keys(2.5f, 4.5f).empty());

    group = root->CreateGroup(parent);
    for (const VgxAnimationKey& key : {PositionKey(1, 1), PositionKey(1, 2), PositionKey(1.00005f, 3),
                                       PositionKey(1.0002f, 4), TurnKey(0.99995f, 1), TurnKey(3, 1)}) {
        group->AddAnimationKey(key);
    }
    group->DeleteAnimationKey(1);
    keys = Keys(0, 10);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ((std::tuple{keys[0].dvK[0], keys[1].dvTime}), (std::tuple{4.0f, 3.0f}));
    group->DeleteAnimationKey(7);
    EXPECT_EQ(Keys(0, 10).size(), 2u);
    // The options decide what is applied.
    group = root->CreateGroup(parent);
    parent->AddTranslation(VgxCombineReplace, {5, 5, 5});
    group->AddTranslation(VgxCombineReplace, {1, 2, 3});
    group->AddAnimationKey(PositionKey(0, 7));
    group->AddAnimationKey(TurnKey(0, kHalfPi));
    const VgxMatrix before = Local(group);
    group->SetAnimationTime(0);
    ExpectSameBits(Local(group), before);
    group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationOpen);
    EXPECT_EQ(group->GetAnimationOptions(), 33);
    group->SetAnimationTime(0);
    ExpectMatrixNear(Local(group), At(kIdentity, 7, 0, 0));
    group->SetAnimationOptions(VgxAnimationScaleAndRotation);
    group->SetAnimationTime(0);
    ExpectMatrixNear(Local(group), At(kQuarterY, 7, 0, 0));
}

TEST_F(Animation, PositionsFollowTheSpline) {
    // Keys one time unit apart at (x, -x, 2x); each expected pair is (time, x).
    auto check = [&](int32_t options, std::vector<float> xs, float tolerance,
                     std::vector<std::pair<float, float>> expected) {
        group = root->CreateGroup(parent);
        group->SetAnimationOptions(VgxAnimationPosition | options);
        float time = 0;
        for (float x : xs) group->AddAnimationKey(PositionKey(time++, x, -x, 2 * x));
        for (const auto& [t, x] : expected) {
            SCOPED_TRACE(testing::Message() << "options " << options << " time " << t);
            ExpectVectorNear(PositionAt(t), {x, -x, 2 * x}, 2 * tolerance);
        }
    };
    check(0, {1}, 1e-5f, {{-5, 1}, {0, 1}, {100, 1}});  // one key holds at every time
    // On a straight line at equal spacing the spline is the line. The first segment
    // repeats its end key as the outer control point, so it bends: p = 0, 0, 10, 20
    // at s = 1/4: (10 / 4 + 20 / 16 - 10 / 64) / 2. Then at a key, before the first, after the last.
    check(VgxAnimationSplinePosition, {0, 10, 20, 30}, 1e-5f,
          {{1.5f, 15}, {1.25f, 12.5f}, {0.25f, 1.796875f}, {2, 20}, {-1, 0}, {3, 30}, {9, 30}});
    check(VgxAnimationLinearPosition, {0, 10, 20, 30}, 1e-5f, {{0.25f, 1.796875f}});  // changes nothing
    // p0 = p1 = 0, p2 = 1, p3 = 0 at s = 1/2: (1/2 + 4/4 - 3/8) / 2, then its mirror image.
    check(0, {0, 1, 0}, 1e-6f, {{0.5f, 0.5625f}, {1.5f, 0.5625f}});
    // Closed, past the last key the next keys are 0 and 1: p = 20, 30, 0, 10 at
    // s = (3.5 - 3) / (0 - 3). Before the second key the key before the previous one
    // is n - 3 = 1: p = 10, 0, 10, 20 at s = 1/2: (40 / 4 - 20 / 8) / 2.
    check(VgxAnimationClosed, {0, 10, 20, 30}, 1e-4f, {{1.5f, 15}, {3.5f, 30 - 40.0f / 216}, {0.5f, 3.75f}});
}

TEST_F(Animation, BadKeysRaiseAndChangeNothing) {
    for (float x : {0, 10, 20}) group->AddAnimationKey(PositionKey(x / 10, x));
    group->AddAnimationKey(TurnKey(0, 0));
    group->AddAnimationKey(TurnKey(1, kHalfPi));
    group->AddTranslation(VgxCombineReplace, {4, 4, 4});
    VgxMatrix before = Local(group);
    auto expectSubscriptError = [&](int32_t options) {
        group->SetAnimationOptions(options | VgxAnimationClosed);
        ExpectVgxError([&] { group->SetAnimationTime(-0.5f); }, 9, "VgxGroup", "Subscript out of range");
        ExpectSameBits(Local(group), before);
    };
    // Closed, three position keys before the first: the key before the previous one would be -1.
    expectSubscriptError(VgxAnimationPosition);
    // Two rotation keys before the first: the previous key would be -1.
    expectSubscriptError(VgxAnimationScaleAndRotation);
    // Four position keys wrap inside the list at that time, yet the rotation fails: nothing moves.
    group->AddAnimationKey(PositionKey(3, 30));
    expectSubscriptError(VgxAnimationPosition | VgxAnimationScaleAndRotation);
    // Between the rotation keys only the key before the previous one is out, and a slerp never reads it.
    ExpectDirAt(0.5f, {-kHalfRoot, 0, kHalfRoot});

    // A rotation key of zero length.
    group = root->CreateGroup(parent);
    group->SetAnimationOptions(VgxAnimationPosition | VgxAnimationScaleAndRotation);
    group->AddAnimationKey(PositionKey(0, 7));
    group->AddAnimationKey({{0, 0, 0, 0}, 0, 0, VgxAnimationRotateKey, 0});
    before = Local(group);
    ExpectVgxError([&] { group->SetAnimationTime(0); }, 5, "VgxGroup", kInvalid);
    ExpectSameBits(Local(group), before);
}

TEST_F(Animation, RotationsSlerpRelativeToTheParentTheShorterWay) {
    parent->AddRotation(VgxCombineReplace, {1, 0, 0}, 0.7f);
    parent->AddTranslation(VgxCombineAfter, {3, 0, 0});
    group->AddTranslation(VgxCombineReplace, {1, 2, 3});
    group->SetAnimationOptions(VgxAnimationScaleAndRotation);
    group->AddAnimationKey(TurnKey(0, 0));
    group->AddAnimationKey(TurnKey(1, kHalfPi));
    const std::pair<float, VgxVector> expected[] = {
        {-1, {0, 0, 1}}, {0, {0, 0, 1}}, {0.5f, {-kHalfRoot, 0, kHalfRoot}}, {1, {-1, 0, 0}}, {4, {-1, 0, 0}}};
    for (const auto& [time, dir] : expected) ExpectDirAt(time, dir, VgxVector{1, 2, 3});
    // -q turns as q does: a quarter turn written the long way round.
    group = root->CreateGroup(parent);
    group->SetAnimationOptions(VgxAnimationScaleAndRotation);
    group->AddAnimationKey(TurnKey(0, 0));
    VgxAnimationKey longWay = TurnKey(1, kHalfPi);
    for (float& c : longWay.dvK) c = -c;
    group->AddAnimationKey(longWay);
    ExpectDirAt(0.5f, {-kHalfRoot, 0, kHalfRoot});
}

}  // namespace
