#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <set>

#include "support/mesh_checks.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

// One triangle per corner list, each point its own.
void AddTriangles(VgxObject& object, const std::vector<VgxVector>& corners) {
    std::vector<int32_t> faceData;
    for (int32_t c = 0; c + 2 < static_cast<int32_t>(corners.size()); c += 3) {
        faceData.insert(faceData.end(), {3, c, 0, 0, c + 1, 0, 0, c + 2, 0, 0});
    }
    faceData.push_back(0);
    object.AddFaces(corners, {{0, 0, 1}}, {{0, 0}}, faceData, false, false);
}

std::vector<VgxUV> CornerUVs(const VgxObject& object) {
    std::vector<VgxUV> uvs;
    for (int32_t f = 0; f < object.GetFaceCount(); ++f) {
        auto face = object.GetFace(f);
        for (int32_t k = 0; k < face->GetPointCount(); ++k) uvs.push_back(face->GetUV(k));
    }
    return uvs;
}

void ExpectUVs(const VgxObject& object, const std::vector<VgxUV>& expected) {
    const std::vector<VgxUV> uvs = CornerUVs(object);
    ASSERT_EQ(uvs.size(), expected.size());
    for (size_t i = 0; i < uvs.size(); ++i) {
        EXPECT_NEAR(uvs[i].U, expected[i].U, 1e-5f) << "corner " << i;
        EXPECT_NEAR(uvs[i].V, expected[i].V, 1e-5f) << "corner " << i;
    }
}

class WrapAndShadow : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> object = root->CreateObject();
};

// Wraps looking along +z with +y up (so x runs along +x), origin at 0, scale 1.
TEST_F(WrapAndShadow, EveryProjectionOnHandCheckedCorners) {
    AddTriangles(*object, {{1, 0, 0}, {0, 2, 0}, {0, 0, -1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}});
    object->ApplyWrap(VgxWrapFlat, nullptr, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0.5f, 1, 2, 1);
    ExpectUVs(*object, {{2.5f, 1}, {0.5f, -1}, {0.5f, 1}, {-1.5f, 1}, {0.5f, 2}, {0.5f, 1}});

    // Turning about +y from the far side: +z at a half, +x at three quarters.
    object->ApplyWrap(VgxWrapCylinder, nullptr, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 1);
    ExpectUVs(*object, {{0.75f, 0}, {0.5f, -2}, {1, 0}, {0.25f, 0}, {0.5f, 1}, {0.5f, 0}});

    // A face across the seam behind (-z) keeps its corners on one side of it.
    auto seam = root->CreateObject();
    AddTriangles(*seam, {{-0.1f, 0, -1}, {0.1f, 0, -1}, {0, 1, -1}});
    seam->ApplyWrap(VgxWrapCylinder, nullptr, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 1);
    const float offset = static_cast<float>(std::atan(0.1) / (2 * M_PI));
    ExpectUVs(*seam, {{1 + offset, 0}, {1 - offset, 0}, {1, -1}});

    object->ApplyWrap(VgxWrapSphere, nullptr, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 1);
    ExpectUVs(*object, {{0.75f, 0.5f}, {0.5f, 0}, {1, 0.5f}, {0.25f, 0.5f}, {0.5f, 1}, {0.5f, 0.5f}});

    object->ApplyWrap(VgxWrapChrome, nullptr, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 1);
    ExpectUVs(*object, {{1, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}, {0.5f, 1}, {0.5f, 0.5f}});
}

TEST_F(WrapAndShadow, AWrapTakenInAGroupsFrame) {
    AddTriangles(*object, {{6, 1, 0}, {5, 0, 0}, {5, 0, 1}});
    auto group = root->CreateGroup(nullptr);
    group->SetPosition(0, nullptr, {5, 0, 0});
    // The group's frame is turned a quarter about z: its +x is the world's +y.
    group->SetOrientation(0, nullptr, {0, 0, 1}, {-1, 0, 0});
    object->ApplyWrap(VgxWrapFlat, group, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 1);
    ExpectUVs(*object, {{1, 1}, {0, 0}, {0, 0}});
}

TEST_F(WrapAndShadow, BadWrapsRaiseAndChangeNothing) {
    AddTriangles(*object, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    const std::vector<VgxUV> before = CornerUVs(*object);
    const auto bad = [&](VgxWrapType type, VgxVector dir, VgxVector up) {
        ExpectVgxError([&] { object->ApplyWrap(type, nullptr, 0, 0, 0, dir.X, dir.Y, dir.Z, up.X, up.Y, up.Z, 0, 0, 1, 1); },
                       VgxErrInvalidCall, "VgxObject", "Invalid procedure call or argument");
        const std::vector<VgxUV> after = CornerUVs(*object);
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].U, before[i].U);
            EXPECT_EQ(after[i].V, before[i].V);
        }
    };
    bad(static_cast<VgxWrapType>(4), {0, 0, 1}, {0, 1, 0});
    bad(VgxWrapFlat, {0, 0, 0}, {0, 1, 0});
    bad(VgxWrapSphere, {0, 0, 1}, {0, 0, 2});
    bad(VgxWrapCylinder, {0, 0, 1}, {0, NAN, 0});
    // No faces: nothing to wrap, and nothing raised.
    root->CreateObject()->ApplyWrap(VgxWrapFlat, nullptr, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 1);
}

TEST_F(WrapAndShadow, EqualMaterialsBecomeOne) {
    AddTriangles(*object, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}, {2, 1, 0},
                           {4, 0, 0}, {5, 0, 0}, {4, 1, 0}, {6, 0, 0}, {7, 0, 0}, {6, 1, 0}});
    auto a = root->CreateMaterial(), b = root->CreateMaterial(), c = root->CreateMaterial();
    a->SetColor(root->CreateColorRGB(1, 0, 0));
    b->SetColor(root->CreateColorRGB(1, 0, 0));
    c->SetColor(root->CreateColorRGB(0, 1, 0));
    const std::vector<std::shared_ptr<VgxMaterial>> assigned{b, a, c, b};
    for (int32_t f = 0; f < 4; ++f) object->GetFace(f)->ApplyMaterial(assigned[f]);
    object->OptimizeMaterials();
    // b comes first, so b is the one kept for the red faces.
    EXPECT_EQ(object->GetFace(0)->GetMaterial(), b);
    EXPECT_EQ(object->GetFace(1)->GetMaterial(), b);
    EXPECT_EQ(object->GetFace(2)->GetMaterial(), c);
    EXPECT_EQ(object->GetFace(3)->GetMaterial(), b);
    EXPECT_EQ(object->GetSubObjectCount(), 2);

    // An in-depth Optimize shares them too.
    auto other = root->CreateObject();
    AddTriangles(*other, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}, {2, 1, 0}});
    other->GetFace(0)->ApplyMaterial(a);
    other->GetFace(1)->ApplyMaterial(b);
    other->Optimize(true, 100);
    EXPECT_EQ(other->GetFace(1)->GetMaterial(), a);
}

TEST_F(WrapAndShadow, ShadowVolumesFromTheOutline) {
    vgx::test::AddCube(*object);
    std::vector<VgxVector> points;
    int32_t count = -1;
    object->GetShadowVolumeVertices(0, points, count, {0, 0, -1});
    // One side faces the light; its two triangles' shared diagonal cancels.
    ASSERT_EQ(count, 24);
    ASSERT_EQ(points.size(), 24u);
    std::set<std::pair<float, float>> outline;
    for (int32_t k = 0; k < 4; ++k) {
        const VgxVector& a = points[k * 6];
        const VgxVector& b = points[k * 6 + 1];
        const VgxVector& a2 = points[k * 6 + 2];
        EXPECT_EQ(a.Z, b.Z);
        EXPECT_FLOAT_EQ(a2.Z, a.Z - 10);
        EXPECT_EQ(points[k * 6 + 3].X, b.X);
        EXPECT_FLOAT_EQ(points[k * 6 + 4].Z, b.Z - 10);
        outline.insert({a.X, a.Y});
    }
    EXPECT_EQ(outline.size(), 4u);  // the four corners of the square

    auto triangle = root->CreateObject();
    AddTriangles(*triangle, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    // n = (P2 - P1) x (P1 - P0) = (0, 0, -1) for this triangle.
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, -2});
    ASSERT_EQ(count, 18);
    EXPECT_FLOAT_EQ(points[2].Z, -20);
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, 1});
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(points.empty());
    triangle->GetShadowVolumeVertices(0, points, count, {0, 0, 0});
    EXPECT_EQ(count, 0);
}

}  // namespace
