// Texture wraps, material merging and shadow volumes.
#include "ops/ops_fixture.h"

namespace vgx::test {
namespace {

// ApplyWrap, OptimizeMaterials and shadow volumes.
using WrapAndShadow = Ops;

// A wrap with its origin at 0, looking along `dir` with `up` up; U and V scaled by
// (su, sv), then offset by (ou, ov).
void Wrap(VgxObject& object, VgxWrapType type, const std::shared_ptr<VgxGroup>& group = nullptr,
          VgxVector dir = {0, 0, 1}, VgxVector up = {0, 1, 0}, float ou = 0, float ov = 0, float su = 1, float sv = 1) {
    object.ApplyWrap(type, group, 0, 0, 0, dir.X, dir.Y, dir.Z, up.X, up.Y, up.Z, ou, ov, su, sv);
}

// Wraps looking along +z with +y up (so x runs along +x), origin at 0, scale 1.
TEST_F(WrapAndShadow, EveryProjectionOnHandCheckedCornersAndBadOnesRaise) {
    auto axes = Triangles({{1, 0, 0}, {0, 2, 0}, {0, 0, -1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}});
    Wrap(*axes, VgxWrapFlat, nullptr, {0, 0, 1}, {0, 1, 0}, 0.5f, 1, 2, 1);
    EXPECT_TRUE(Near(UVs(*axes), {{2.5f, 1}, {0.5f, -1}, {0.5f, 1}, {-1.5f, 1}, {0.5f, 2}, {0.5f, 1}}, 1e-5f));

    // Turning about +y from the far side: +z at a half, +x at three quarters.
    Wrap(*axes, VgxWrapCylinder);
    EXPECT_TRUE(Near(UVs(*axes), {{0.75f, 0}, {0.5f, -2}, {1, 0}, {0.25f, 0}, {0.5f, 1}, {0.5f, 0}}, 1e-5f));

    // A face across the seam behind (-z) keeps its corners on one side of it.
    auto seam = Triangles({{-0.1f, 0, -1}, {0.1f, 0, -1}, {0, 1, -1}});
    Wrap(*seam, VgxWrapCylinder);
    const float offset = static_cast<float>(std::atan(0.1) / (2 * M_PI));
    EXPECT_TRUE(Near(UVs(*seam), {{1 + offset, 0}, {1 - offset, 0}, {1, -1}}, 1e-5f));

    Wrap(*axes, VgxWrapSphere);
    EXPECT_TRUE(Near(UVs(*axes), {{0.75f, 0.5f}, {0.5f, 0}, {1, 0.5f}, {0.25f, 0.5f}, {0.5f, 1}, {0.5f, 0.5f}}, 1e-5f));
    Wrap(*axes, VgxWrapChrome);
    EXPECT_TRUE(Near(UVs(*axes), {{1, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}, {0.5f, 1}, {0.5f, 0.5f}}, 1e-5f));

    // In a group's frame, turned a quarter about z: its +x is the world's +y.
    auto turned = Triangles({{6, 1, 0}, {5, 0, 0}, {5, 0, 1}});
    auto group = root->CreateGroup(nullptr);
    group->SetPosition(0, nullptr, {5, 0, 0});
    group->SetOrientation(0, nullptr, {0, 0, 1}, {-1, 0, 0});
    Wrap(*turned, VgxWrapFlat, group);
    EXPECT_TRUE(Near(UVs(*turned), {{1, 1}, {0, 0}, {0, 0}}, 1e-5f));

    // An unknown type, a zero direction, parallel directions, and one that is not a number.
    const std::vector<std::tuple<VgxWrapType, VgxVector, VgxVector>> cases{
        {static_cast<VgxWrapType>(4), {0, 0, 1}, {0, 1, 0}},
        {VgxWrapFlat, {0, 0, 0}, {0, 1, 0}},
        {VgxWrapSphere, {0, 0, 1}, {0, 0, 2}},
        {VgxWrapCylinder, {0, 0, 1}, {0, kNaN, 0}}};
    for (const auto& [type, dir, up] : cases)
        ExpectRefused(*axes, VgxErrInvalidCall, [&] { Wrap(*axes, type, nullptr, dir, up); });
    // No faces: nothing to wrap, and nothing raised.
    Wrap(*root->CreateObject(), VgxWrapFlat);
}

TEST_F(WrapAndShadow, EqualMaterialsBecomeOneAndShadowsFollowTheOutline) {
    // Four separate triangles along x; the first two make the other object.
    Points corners;
    for (float x : {0, 2, 4, 6}) corners.insert(corners.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
    auto object = Triangles(corners), other = Triangles(Points(corners.begin(), corners.begin() + 6));
    const auto a = Material(1, 0, 0), b = Material(1, 0, 0), c = Material(0, 1, 0);
    const std::vector<std::shared_ptr<VgxMaterial>> assigned{b, a, c, b};
    for (int32_t f = 0; f < 4; ++f) object->GetFace(f)->ApplyMaterial(assigned[f]);
    object->OptimizeMaterials();
    // b comes first, so b is the one kept for the red faces.
    EXPECT_EQ(PerFace(*object, &VgxFace::GetMaterial), (std::vector<std::shared_ptr<VgxMaterial>>{b, b, c, b}));
    EXPECT_EQ(object->GetSubObjectCount(), 2);

    // An in-depth Optimize shares them too.
    other->GetFace(0)->ApplyMaterial(a);
    other->GetFace(1)->ApplyMaterial(b);
    other->Optimize(true, 100);
    EXPECT_EQ(other->GetFace(1)->GetMaterial(), a);

    Points points;
    int32_t count = -1;
    cube->GetShadowVolumeVertices(0, points, count, {0, 0, -1});
    // One side faces the light; its two triangles' shared diagonal cancels.
    ASSERT_EQ(Ints({count, int32_t(points.size())}), Ints({24, 24}));
    std::set<std::pair<float, float>> outline;
    for (int32_t k = 0; k < 4; ++k) {
        const VgxVector *e = &points[k * 6], &from = e[0], &to = e[1];
        EXPECT_EQ(from.Z, to.Z);
        EXPECT_FLOAT_EQ(e[2].Z, from.Z - 10);
        EXPECT_EQ(e[3].X, to.X);
        EXPECT_FLOAT_EQ(e[4].Z, to.Z - 10);
        outline.insert({from.X, from.Y});
    }
    EXPECT_EQ(outline.size(), 4u);  // the four corners of the square

    auto triangle = Triangles({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    // n = (P2 - P1) x (P1 - P0) = (0, 0, -1) for this triangle.
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, -2});
    ASSERT_EQ(count, 18);
    EXPECT_FLOAT_EQ(points[2].Z, -20);
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, 1});
    EXPECT_TRUE(count == 0 && points.empty());
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, 0});
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace vgx::test
