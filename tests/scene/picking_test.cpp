// Picking: the mesh intersection and its hierarchy, then RayPick and ViewportPick
// through small scenes whose hits are worked out by hand.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "mesh/render_data.h"
#include "platform/mesh_intersect.h"
#include "root/library_state.h"
#include "support/internals.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

using vgx::platform::IntersectMesh;
using vgx::platform::MeshHit;

std::shared_ptr<VgxDeviceMesh> MakeMesh(VgxDevice& device, const std::vector<VgxVector>& points,
                                        const std::vector<uint32_t>& indices, bool wide) {
    auto mesh = device.CreateMesh(static_cast<int32_t>(indices.size() / 3), static_cast<int32_t>(points.size()),
                                  VgxMeshManaged | (wide ? VgxMeshIndex32 : 0), VgxVertexFormat44);
    std::vector<vgx::RenderVertex> vertices(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        vertices[i] = {{points[i].X, points[i].Y, points[i].Z}, {0, 0, 1}, 0, {0, 0}, {0, 0}};
    }
    mesh->GetVertexBuffer()->Write(0, vertices.data(), vertices.size() * sizeof(vgx::RenderVertex));
    if (wide) {
        mesh->GetIndexBuffer()->Write(0, indices.data(), indices.size() * 4);
    } else {
        std::vector<uint16_t> narrow(indices.begin(), indices.end());
        mesh->GetIndexBuffer()->Write(0, narrow.data(), narrow.size() * 2);
    }
    return mesh;
}

// Three parallel right triangles (legs 2 along x and y) at z = 0, 1 and -1.
std::shared_ptr<VgxDeviceMesh> StackedTriangles(VgxDevice& device, bool wide) {
    std::vector<VgxVector> points;
    std::vector<uint32_t> indices;
    for (float z : {0.0f, 1.0f, -1.0f}) {
        const auto base = static_cast<uint32_t>(points.size());
        points.insert(points.end(), {{0, 0, z}, {2, 0, z}, {0, 2, z}});
        indices.insert(indices.end(), {base, base + 1, base + 2});
    }
    return MakeMesh(device, points, indices, wide);
}

TEST(MeshIntersection, HandComputedHits) {
    VgxSoftwareDevice device;
    for (bool wide : {false, true}) {
        auto mesh = StackedTriangles(device, wide);
        // From above: the z = 1 triangle is nearest; t counts in units of the direction.
        MeshHit hit = IntersectMesh(mesh, {0.5f, 0.25f, 5}, {0, 0, -2});
        ASSERT_TRUE(hit.hit);
        EXPECT_EQ(hit.triangle, 1);
        EXPECT_FLOAT_EQ(hit.U, 0.25f);
        EXPECT_FLOAT_EQ(hit.V, 0.125f);
        EXPECT_FLOAT_EQ(hit.t, 2.0f);
        // From below the back faces count as well: z = -1 first.
        hit = IntersectMesh(mesh, {1, 0.5f, -4}, {0, 0, 1});
        ASSERT_TRUE(hit.hit);
        EXPECT_EQ(hit.triangle, 2);
        EXPECT_FLOAT_EQ(hit.U, 0.5f);
        EXPECT_FLOAT_EQ(hit.V, 0.25f);
        EXPECT_FLOAT_EQ(hit.t, 3.0f);
        // Starting between two layers, only what lies ahead is found.
        hit = IntersectMesh(mesh, {0.5f, 0.5f, 0.5f}, {0, 0, -1});
        ASSERT_TRUE(hit.hit);
        EXPECT_EQ(hit.triangle, 0);
        EXPECT_FLOAT_EQ(hit.t, 0.5f);
        // Everything behind the origin is ignored.
        EXPECT_FALSE(IntersectMesh(mesh, {0.5f, 0.5f, 2}, {0, 0, 1}).hit);
        // Past the hypotenuse, and parallel to the layers.
        EXPECT_FALSE(IntersectMesh(mesh, {1.5f, 1.5f, 5}, {0, 0, -1}).hit);
        EXPECT_FALSE(IntersectMesh(mesh, {-1, 0.5f, 0}, {1, 0, 0}).hit);
    }
}

TEST(MeshIntersection, DegenerateRaysAndMeshesHitNothing) {
    VgxSoftwareDevice device;
    auto mesh = StackedTriangles(device, false);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(IntersectMesh(mesh, {0.5f, 0.5f, 5}, {0, 0, 0}).hit);
    EXPECT_FALSE(IntersectMesh(mesh, {nan, 0.5f, 5}, {0, 0, -1}).hit);
    EXPECT_FALSE(IntersectMesh(mesh, {0.5f, 0.5f, 5}, {0, nan, -1}).hit);
    EXPECT_FALSE(IntersectMesh(mesh, {0.5f, 0.5f, 5}, {0, 0, -inf}).hit);
    EXPECT_FALSE(IntersectMesh(nullptr, {0.5f, 0.5f, 5}, {0, 0, -1}).hit);
    // A triangle squashed onto a line has no inside.
    auto flat = MakeMesh(device, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0, 1, 2}, false);
    EXPECT_FALSE(IntersectMesh(flat, {1, 0, 5}, {0, 0, -1}).hit);
}

TEST(MeshIntersection, EqualDistancesGoToTheLowerTriangle) {
    VgxSoftwareDevice device;
    // The same triangle twice, the second wound the other way.
    auto mesh = MakeMesh(device, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {0, 1, 2, 0, 1, 2}, false);
    const MeshHit hit = IntersectMesh(mesh, {0.5f, 0.5f, 1}, {0, 0, -1});
    ASSERT_TRUE(hit.hit);
    EXPECT_EQ(hit.triangle, 0);
}

TEST(MeshIntersection, IndexOutsideTheVerticesRaises) {
    VgxSoftwareDevice device;
    auto mesh = MakeMesh(device, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {0, 1, 3}, true);
    vgx::test::ExpectVgxError([&] { IntersectMesh(mesh, {0.5f, 0.5f, 1}, {0, 0, -1}); }, 9, "VorlanSG",
                              "Subscript out of range");
}

TEST(MeshIntersection, AMeshMadeAtADeadMeshsAddressIsReadAfresh) {
    VgxSoftwareDevice device;
    for (int round = 0; round < 4; ++round) {
        const float z = static_cast<float>(round);
        auto mesh = MakeMesh(device, {{0, 0, z}, {2, 0, z}, {0, 2, z}}, {0, 1, 2}, false);
        const MeshHit hit = IntersectMesh(mesh, {0.5f, 0.5f, 10}, {0, 0, -1});
        ASSERT_TRUE(hit.hit);
        EXPECT_FLOAT_EQ(hit.t, 10 - z);
        EXPECT_FLOAT_EQ(IntersectMesh(mesh, {0.5f, 0.5f, 10}, {0, 0, -1}).t, 10 - z);
        // A host that rewrites a mesh in place says so.
        const float moved = z + 0.5f;
        std::vector<vgx::RenderVertex> vertices{{{0, 0, moved}, {}, 0, {}, {}},
                                                {{2, 0, moved}, {}, 0, {}, {}},
                                                {{0, 2, moved}, {}, 0, {}, {}}};
        mesh->GetVertexBuffer()->Write(0, vertices.data(), sizeof(vgx::RenderVertex) * 3);
        vgx::platform::ForgetMeshIntersection(mesh.get());
        EXPECT_FLOAT_EQ(IntersectMesh(mesh, {0.5f, 0.5f, 10}, {0, 0, -1}).t, 10 - moved);
    }
}

// The hierarchy must give exactly the brute-force answer, ties and edges included.
class HierarchyAgainstBruteForce : public ::testing::TestWithParam<const char*> {};

TEST_P(HierarchyAgainstBruteForce, RandomAndVertexAimedRays) {
    auto root = Vgx::Create();
    const auto obj = vgx::test::ReadObj(vgx::test::TestDataPath(GetParam()));
    auto object = root->CreateObject();
    object->AddFaces(obj.points, obj.normals, obj.uvs, obj.faceData, true, false);
    auto device = std::make_shared<VgxSoftwareDevice>();
    const int32_t id = root->CreateDeviceID();
    std::mt19937 random(1234);
    int32_t hits = 0;
    for (int32_t s = 0; s < object->GetSubObjectCount(); ++s) {
        auto mesh = object->GetSubObjectD3DXMesh(id, s, device);
        if (!mesh) continue;
        const auto triangles = vgx::platform::ReadMeshTriangles(*mesh);
        VgxVector lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
        for (size_t i = 0; i < triangles.positions.size(); i += 3) {
            lo = {std::min(lo.X, triangles.positions[i]), std::min(lo.Y, triangles.positions[i + 1]),
                  std::min(lo.Z, triangles.positions[i + 2])};
            hi = {std::max(hi.X, triangles.positions[i]), std::max(hi.Y, triangles.positions[i + 1]),
                  std::max(hi.Z, triangles.positions[i + 2])};
        }
        const VgxVector centre{(lo.X + hi.X) / 2, (lo.Y + hi.Y) / 2, (lo.Z + hi.Z) / 2};
        const float radius = 2 * std::max({hi.X - lo.X, hi.Y - lo.Y, hi.Z - lo.Z});
        std::uniform_real_distribution<float> unit(0, 1), signedUnit(-1, 1);
        std::uniform_int_distribution<size_t> vertex(0, triangles.positions.size() / 3 - 1);
        for (int32_t ray = 0; ray < 3000; ++ray) {
            VgxVector origin{centre.X + radius * signedUnit(random), centre.Y + radius * signedUnit(random),
                             centre.Z + radius * signedUnit(random)};
            VgxVector target;
            if (ray % 3 == 0) {
                const size_t v = vertex(random);  // through a corner shared by several triangles
                target = {triangles.positions[3 * v], triangles.positions[3 * v + 1], triangles.positions[3 * v + 2]};
            } else {
                target = {lo.X + (hi.X - lo.X) * unit(random), lo.Y + (hi.Y - lo.Y) * unit(random),
                          lo.Z + (hi.Z - lo.Z) * unit(random)};
            }
            if (ray % 5 == 0) origin = centre;  // from inside, outwards
            VgxVector dir{target.X - origin.X, target.Y - origin.Y, target.Z - origin.Z};
            if (ray % 7 == 0) dir = {0, 0, ray % 2 ? 1.0f : -1.0f};  // axis-parallel: zero slab components
            const MeshHit fast = IntersectMesh(mesh, origin, dir);
            const MeshHit slow = vgx::platform::IntersectTrianglesBruteForce(triangles, origin, dir);
            ASSERT_EQ(fast.hit, slow.hit) << "ray " << ray;
            if (!fast.hit) continue;
            ++hits;
            ASSERT_EQ(fast.triangle, slow.triangle) << "ray " << ray << " t " << fast.t << " " << slow.t << " o " << origin.X << "," << origin.Y << "," << origin.Z << " d " << dir.X << "," << dir.Y << "," << dir.Z;
            ASSERT_EQ(fast.t, slow.t);
            ASSERT_EQ(fast.U, slow.U);
            ASSERT_EQ(fast.V, slow.V);
        }
    }
    EXPECT_GT(hits, 1000);
}

INSTANTIATE_TEST_SUITE_P(PublicMeshes, HierarchyAgainstBruteForce,
                         ::testing::Values("meshes/common/suzanne.obj", "meshes/common/spot.obj",
                                           "meshes/trimesh/quadknot.obj"));

// ---- Scenes ------------------------------------------------------------------

struct Polygon {
    std::vector<VgxVector> corners;
};

std::shared_ptr<VgxObject> MakeObject(Vgx& root, const std::vector<Polygon>& faces) {
    std::vector<VgxVector> points;
    std::vector<int32_t> faceData;
    for (const Polygon& face : faces) {
        faceData.push_back(static_cast<int32_t>(face.corners.size()));
        for (const VgxVector& p : face.corners) {
            int32_t index = -1;
            for (size_t i = 0; i < points.size(); ++i) {
                if (points[i].X == p.X && points[i].Y == p.Y && points[i].Z == p.Z) index = static_cast<int32_t>(i);
            }
            if (index < 0) index = static_cast<int32_t>(points.size()), points.push_back(p);
            faceData.insert(faceData.end(), {index, 0, 0});
        }
    }
    faceData.push_back(0);
    auto object = root.CreateObject();
    object->AddFaces(points, {{0, 0, 1}}, {{0, 0}}, faceData, true, false);
    return object;
}

Polygon Square(float z, float lo = -0.5f, float hi = 0.5f) { return {{{lo, lo, z}, {hi, lo, z}, {hi, hi, z}, {lo, hi, z}}}; }

// Faces 0 .. 5: z = -1, z = +1, x = -1, x = +1, y = -1, y = +1.
std::vector<Polygon> Box() {
    return {{{{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}}, {{{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
            {{{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}}, {{{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}},
            {{{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}}, {{{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}}};
}

struct Pick {
    std::shared_ptr<VgxObject> object;
    std::shared_ptr<VgxGroup> group;
    VgxPickDesc desc;
};

std::vector<Pick> Read(const VgxPickArray& picks) {
    std::vector<Pick> out(static_cast<size_t>(picks.GetSize()));
    for (int32_t i = 0; i < picks.GetSize(); ++i) picks.GetPick(i, out[i].object, out[i].group, out[i].desc);
    return out;
}

void ExpectNear(const VgxVector& got, const VgxVector& want, float within = 1e-4f) {
    EXPECT_NEAR(got.X, want.X, within);
    EXPECT_NEAR(got.Y, want.Y, within);
    EXPECT_NEAR(got.Z, want.Z, within);
}

class PickScene : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    int32_t id = root->CreateDeviceID();
    std::shared_ptr<VgxGroup> top = root->CreateGroup(nullptr);
};

// ---- RayPick -------------------------------------------------------------------

TEST_F(PickScene, RayPickReportsTheNearestHitPerMeshInTheGroupsOwnFrame) {
    // Face 0 is a far quad (two triangles), faces 1 and 2 near triangles left and right.
    auto child = root->CreateGroup(top);
    child->SetPosition(0, top, {10, 0, 0});
    auto object = MakeObject(*root, {Square(-5, -1, 1),
                                     {{{0, -1, 0}, {1, -1, 0}, {1, 1, 0}}},
                                     {{{0, -1, 0}, {-1, 1, 0}, {-1, -1, 0}}}});
    child->AddObject(object);
    // The top group's own placement is never applied.
    top->SetPosition(0, nullptr, {100, 100, 100});

    auto right = Read(*top->RayPick(id, device, {10.75f, -0.5f, 10}, {0, 0, -1}));
    ASSERT_EQ(right.size(), 1u);
    EXPECT_EQ(right[0].object, object);
    EXPECT_EQ(right[0].group, child);
    EXPECT_EQ(right[0].desc.FaceID, 1);
    EXPECT_NE(right[0].desc.hit, 0);
    EXPECT_FLOAT_EQ(right[0].desc.dist, 0.01f);  // 10 units along a direction scaled by 1000
    ExpectNear(right[0].desc.Position, {0.75f, -0.5f, 0});

    auto left = Read(*top->RayPick(id, device, {9.5f, -0.5f, 10}, {0, 0, -1}));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].desc.FaceID, 2);
    ExpectNear(left[0].desc.Position, {-0.5f, -0.5f, 0});

    // Past the near triangles only the far quad lies on the ray.
    auto far = Read(*top->RayPick(id, device, {10.5f, 0.9f, 10}, {0, 0, -2}));
    ASSERT_EQ(far.size(), 1u);
    EXPECT_EQ(far[0].desc.FaceID, 0);
    EXPECT_FLOAT_EQ(far[0].desc.dist, 15.0f / 2000);
    ExpectNear(far[0].desc.Position, {0.5f, 0.9f, -5});

    EXPECT_EQ(top->RayPick(id, device, {10.75f, -0.5f, 10}, {0, 0, 1})->GetSize(), 0);
}

TEST_F(PickScene, RayPickComposesTheFramesBelowTheStartingGroup) {
    auto a = root->CreateGroup(top);
    auto b = root->CreateGroup(a);
    a->SetPosition(0, top, {0, 0, 4});
    a->AddRotation(VgxCombineReplace, {0, 0, 1}, 3.14159265f / 2);
    b->SetPosition(0, a, {2, 0, 0});
    b->AddRotation(VgxCombineBefore, {0, 1, 0}, 3.14159265f / 2);
    auto object = MakeObject(*root, {Square(0, -1, 1)});
    b->AddObject(object);
    // Where the square's centre and normal sit in the top's frame.
    VgxVector centre, normalEnd;
    b->Transform(centre, {0.25f, 0.5f, 0});
    b->Transform(normalEnd, {0.25f, 0.5f, 1});
    const VgxVector normal{normalEnd.X - centre.X, normalEnd.Y - centre.Y, normalEnd.Z - centre.Z};
    const VgxVector origin{centre.X + 3 * normal.X, centre.Y + 3 * normal.Y, centre.Z + 3 * normal.Z};
    auto picks = Read(*top->RayPick(id, device, origin, {-normal.X, -normal.Y, -normal.Z}));
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].group, b);
    EXPECT_NEAR(picks[0].desc.dist, 3.0f / 1000, 1e-6f);
    ExpectNear(picks[0].desc.Position, {0.25f, 0.5f, 0});
    // Started from a, a's own transform still counts (only a hierarchy's top is left
    // out), so the same ray finds the same point.
    auto fromA = Read(*a->RayPick(id, device, origin, {-normal.X, -normal.Y, -normal.Z}));
    ASSERT_EQ(fromA.size(), 1u);
    ExpectNear(fromA[0].desc.Position, {0.25f, 0.5f, 0});
    // Started from b, the ray is read in b's frame: it passes beside the square.
    EXPECT_EQ(b->RayPick(id, device, origin, {-normal.X, -normal.Y, -normal.Z})->GetSize(), 0);
}

TEST_F(PickScene, UnpickableAndEmptyObjectsAreSkipped) {
    auto hidden = MakeObject(*root, {Square(0)});
    hidden->Enable(VgxObjectRenderEnable);
    auto empty = root->CreateObject();
    auto shown = MakeObject(*root, {Square(-1)});
    top->AddObject(hidden);
    top->AddObject(empty);
    top->AddObject(shown);
    auto picks = Read(*top->RayPick(id, device, {0.1f, 0.1f, 5}, {0, 0, -1}));
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].object, shown);
    shown->Enable(0);
    EXPECT_EQ(top->RayPick(id, device, {0.1f, 0.1f, 5}, {0, 0, -1})->GetSize(), 0);
    EXPECT_EQ(top->ViewportPick(320, 240, id, device)->GetSize(), 0);
}

TEST_F(PickScene, PickArraysAreRegisteredAndKeepTheirHits) {
    top->AddObject(MakeObject(*root, {Square(0)}));
    const size_t before = vgx::Registered().pickArrays.size();
    auto picks = top->RayPick(id, device, {0.1f, 0.1f, 5}, {0, 0, -1});
    EXPECT_EQ(vgx::Registered().pickArrays.size(), before + 1);
    EXPECT_EQ(vgx::Registered().pickArrays.back(), picks);
    EXPECT_EQ(picks->GetSize(), 1);
}

// ---- ViewportPick ----------------------------------------------------------------

VgxMatrix Perspective(float zn, float zf) {  // 90 degrees, square
    const float q = zf / (zf - zn);
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0}};
}
VgxMatrix Translation(float x, float y, float z) { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}}; }

class ViewportScene : public PickScene {
protected:
    void SetUp() override {
        device->SetViewport({0, 0, 100, 100, 0, 1});
        device->SetTransform(VgxTransformView, Translation(0, 0, 5));  // the camera at z = -5, looking along +z
        device->SetTransform(VgxTransformProjection, Perspective(1, 11));
        box = MakeObject(*root, Box());
        child = root->CreateGroup(top);
        child->AddObject(box);
    }
    std::shared_ptr<VgxObject> box;
    std::shared_ptr<VgxGroup> child;
};

TEST_F(ViewportScene, ABoxIsCrossedInBothPassesWithDistancesFromTheNearPoint) {
    // Pixel (60, 50) unprojects to near (0.2, 0, -4) and far (2.2, 0, 6): the ray
    // enters the front face at (0.8, 0, -1) and leaves through x = 1 at (1, 0, 0).
    const float length = std::sqrt(104.0f);
    auto picks = Read(*top->ViewportPick(60, 50, id, device));
    ASSERT_EQ(picks.size(), 4u);
    const int32_t faces[] = {0, 3, 3, 0};
    const float dists[] = {0.3f * length, 0.4f * length, 0.4f * length, 0.3f * length};
    const VgxVector positions[] = {{0.8f, 0, -1}, {1, 0, 0}, {1, 0, 0}, {0.8f, 0, -1}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(picks[i].object, box);
        EXPECT_EQ(picks[i].group, child);
        EXPECT_EQ(picks[i].desc.FaceID, faces[i]);
        EXPECT_NEAR(picks[i].desc.dist, dists[i], 2e-4f);
        ExpectNear(picks[i].desc.Position, positions[i]);
    }
    auto array = top->ViewportPick(60, 50, id, device);
    EXPECT_EQ(array->FindNearest(), 0);
    EXPECT_EQ(array->FindFurthest(), 1);
}

TEST_F(ViewportScene, OnlyGroupsBelowTheTopMoveTheResults) {
    auto before = Read(*top->ViewportPick(60, 50, id, device));
    top->SetPosition(0, nullptr, {0.5f, 0.25f, 3});
    auto same = Read(*top->ViewportPick(60, 50, id, device));
    ASSERT_EQ(same.size(), before.size());
    for (size_t i = 0; i < same.size(); ++i) {
        EXPECT_EQ(same[i].desc.FaceID, before[i].desc.FaceID);
        EXPECT_FLOAT_EQ(same[i].desc.dist, before[i].desc.dist);
    }
    // The box's own group moved 1 further away: the ray now reaches the front face
    // at its edge x = 1, 0.4 of the way along.
    child->SetPosition(0, top, {0, 0, 1});
    auto moved = Read(*top->ViewportPick(60, 50, id, device));
    ASSERT_FALSE(moved.empty());
    EXPECT_NE(moved[0].desc.dist, before[0].desc.dist);
    EXPECT_EQ(moved[0].group, child);
}

TEST_F(ViewportScene, TwinFacesAreAddedOnlyByViewportPick) {
    child->DeleteObject(box);
    Polygon front = Square(0, -1, 1);
    Polygon back{{front.corners.rbegin(), front.corners.rend()}};
    auto sheet = MakeObject(*root, {front, back});
    child->AddObject(sheet);
    auto picks = Read(*top->ViewportPick(55, 45, id, device));  // crosses z = 0 at (0.5, 0.5)
    ASSERT_EQ(picks.size(), 4u);
    std::set<int32_t> forward{picks[0].desc.FaceID, picks[2].desc.FaceID};
    EXPECT_EQ(forward, (std::set<int32_t>{0, 1}));
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(picks[i + 2].object, picks[i].object);
        EXPECT_EQ(picks[i + 2].group, picks[i].group);
        EXPECT_EQ(picks[i + 2].desc.FaceID, 1 - picks[i].desc.FaceID);
        EXPECT_EQ(picks[i + 2].desc.dist, picks[i].desc.dist);
        EXPECT_EQ(picks[i + 2].desc.Position.Z, picks[i].desc.Position.Z);
        EXPECT_EQ(picks[i + 2].desc.U, picks[i].desc.U);
    }
    EXPECT_EQ(top->RayPick(id, device, {0.2f, 0.1f, -5}, {0, 0, 1})->GetSize(), 1);
}

TEST_F(ViewportScene, BadInputRaisesBeforeAnythingIsCreated) {
    const size_t arrays = vgx::Registered().pickArrays.size();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::string invalid = "Invalid procedure call or argument";
    vgx::test::ExpectVgxError([&] { top->ViewportPick(60, 50, id, nullptr); }, 91, "VgxGroup",
                              "Object variable or With block variable not set");
    vgx::test::ExpectVgxError([&] { top->RayPick(id, nullptr, {0, 0, 0}, {0, 0, 1}); }, 91, "VgxGroup",
                              "Object variable or With block variable not set");
    vgx::test::ExpectVgxError([&] { top->ViewportPick(nan, 50, id, device); }, 5, "VgxGroup", invalid);
    vgx::test::ExpectVgxError([&] { top->RayPick(id, device, {0, 0, 0}, {0, 0, 0}); }, 5, "VgxGroup", invalid);
    vgx::test::ExpectVgxError([&] { top->RayPick(id, device, {nan, 0, 0}, {0, 0, 1}); }, 5, "VgxGroup", invalid);
    vgx::test::ExpectVgxError([&] { top->RayPick(id, device, {0, 0, 0}, {0, nan, 1}); }, 5, "VgxGroup", invalid);
    device->SetViewport({0, 0, 0, 100, 0, 1});
    vgx::test::ExpectVgxError([&] { top->ViewportPick(60, 50, id, device); }, 5, "VgxGroup", invalid);
    device->SetViewport({0, 0, 100, 100, 0.5f, 0.5f});
    vgx::test::ExpectVgxError([&] { top->ViewportPick(60, 50, id, device); }, 5, "VgxGroup", invalid);
    device->SetViewport({0, 0, 100, 100, 0, 1});
    device->SetTransform(VgxTransformProjection, VgxMatrix{});
    vgx::test::ExpectVgxError([&] { top->ViewportPick(60, 50, id, device); }, 5, "VgxGroup", invalid);
    EXPECT_EQ(vgx::Registered().pickArrays.size(), arrays);
}

TEST_F(ViewportScene, AFrameScaledFlatGivesNoRay) {
    auto flat = root->CreateGroup(child);
    flat->AddObject(MakeObject(*root, {Square(0)}));
    // A zero scale is only reachable through the internals; its group yields nothing
    // while its siblings still pick.
    Internals(*flat).local.m[0] = 0;
    auto picks = Read(*top->ViewportPick(60, 50, id, device));
    for (const auto& pick : picks) EXPECT_EQ(pick.group, child);
    EXPECT_EQ(picks.size(), 4u);
}

// ---- Recovery -------------------------------------------------------------------

// A device whose meshes fail to read back while `failures` lasts, as a lost device would.
class FlakyBuffer : public VgxVertexBuffer {
public:
    FlakyBuffer(std::shared_ptr<VgxVertexBuffer> inner, int* failures) : inner_(std::move(inner)), failures_(failures) {}
    size_t GetLength() const override { return inner_->GetLength(); }
    void Write(size_t offset, const void* data, size_t size) override { inner_->Write(offset, data, size); }
    void Read(size_t offset, void* data, size_t size) const override {
        if (*failures_ > 0) {
            --*failures_;
            throw VgxError(7, "Device", "Out of memory");
        }
        inner_->Read(offset, data, size);
    }
    int32_t GetFormat() const override { return inner_->GetFormat(); }
    int32_t GetUsage() const override { return inner_->GetUsage(); }

private:
    std::shared_ptr<VgxVertexBuffer> inner_;
    int* failures_;
};

class FlakyMesh : public VgxDeviceMesh {
public:
    FlakyMesh(std::shared_ptr<VgxDeviceMesh> inner, int* failures)
        : inner_(std::move(inner)), vertices_(std::make_shared<FlakyBuffer>(inner_->GetVertexBuffer(), failures)) {}
    int32_t GetNumFaces() const override { return inner_->GetNumFaces(); }
    int32_t GetNumVertices() const override { return inner_->GetNumVertices(); }
    int32_t GetOptions() const override { return inner_->GetOptions(); }
    int32_t GetFormat() const override { return inner_->GetFormat(); }
    const std::shared_ptr<VgxVertexBuffer>& GetVertexBuffer() const override { return vertices_; }
    const std::shared_ptr<VgxIndexBuffer>& GetIndexBuffer() const override { return inner_->GetIndexBuffer(); }

private:
    std::shared_ptr<VgxDeviceMesh> inner_;
    std::shared_ptr<VgxVertexBuffer> vertices_;
};

class FlakyDevice : public VgxSoftwareDevice {
public:
    std::shared_ptr<VgxDeviceMesh> CreateMesh(int32_t faces, int32_t vertices, int32_t options,
                                              int32_t format) override {
        return std::make_shared<FlakyMesh>(VgxSoftwareDevice::CreateMesh(faces, vertices, options, format), &failures);
    }
    int failures = 0;
};

class RecoveryScene : public ViewportScene {
protected:
    void SetUp() override {
        ViewportScene::SetUp();
        flaky->SetViewport(device->GetViewport());
        flaky->SetTransform(VgxTransformView, device->GetTransform(VgxTransformView));
        flaky->SetTransform(VgxTransformProjection, device->GetTransform(VgxTransformProjection));
        box->SetName("crate");
        box->SetAppData(7);
        vgx::test::ClearLog();
    }
    std::shared_ptr<FlakyDevice> flaky = std::make_shared<FlakyDevice>();
};

TEST_F(RecoveryScene, OneFailureIsLoggedAndRetried) {
    flaky->failures = 1;
    auto picks = Read(*top->ViewportPick(60, 50, id, flaky));
    EXPECT_EQ(picks.size(), 4u);
    EXPECT_EQ(vgx::test::LogMessages(), std::vector<std::string>{"Recovery tried for Object: crate - 7"});
    // The object's render buffers were marked for a rebuild.
    EXPECT_EQ(flaky->failures, 0);
}

TEST_F(RecoveryScene, ASecondFailureInTheGroupIsRaised) {
    flaky->failures = 2;
    vgx::test::ExpectVgxError([&] { top->ViewportPick(60, 50, id, flaky); }, 7, "VgxGroup", "Out of memory");
    EXPECT_EQ(vgx::test::LogMessages(), (std::vector<std::string>{"Recovery tried for Object: crate - 7",
                                                                  "Recovery failed for Object: crate - 7"}));
}

TEST_F(RecoveryScene, RayPickRaisesTheFirstFailure) {
    flaky->failures = 1;
    vgx::test::ExpectVgxError([&] { top->RayPick(id, flaky, {0.2f, 0, -5}, {0, 0, 1}); }, 7, "VgxGroup",
                              "Out of memory");
    EXPECT_TRUE(vgx::test::LogMessages().empty());
    EXPECT_EQ(top->RayPick(id, flaky, {0.2f, 0, -5}, {0, 0, 1})->GetSize(), 1);
}

}  // namespace
