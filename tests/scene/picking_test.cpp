// Picking: the pick array, the mesh intersection and its hierarchy, then RayPick and
// ViewportPick through small scenes whose hits are worked out by hand.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "base/task_pool.h"
#include "mesh/render_data.h"
#include "platform/bvh.h"
#include "platform/mesh_intersect.h"
#include "scene/frame_expect.h"
#include "state/library_state.h"
#include "support/internals.h"
#include "support/obj_reader.h"
#include "support/thread_counts.h"
#include "support/vgx_test.h"

namespace {

using vgx::platform::IntersectMesh;
using vgx::platform::MeshHit;
using vgx::test::ExpectVectorNear;
using vgx::test::ExpectVgxError;
using Group = std::shared_ptr<VgxGroup>;
using Object = std::shared_ptr<VgxObject>;

constexpr const char* kInvalid = "Invalid procedure call or argument";
constexpr const char* kNotSet = "Object variable or With block variable not set";
constexpr const char* kOutOfRange = "Subscript out of range";
const float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();

struct Pick {
    Object object;
    Group group;
    VgxPickDesc desc{};
};

std::vector<Pick> Read(const std::shared_ptr<VgxPickArray>& picks) {
    std::vector<Pick> out(static_cast<size_t>(picks->GetSize()));
    for (int32_t i = 0; i < picks->GetSize(); ++i) picks->GetPick(i, out[i].object, out[i].group, out[i].desc);
    return out;
}

// The one pick of `picks`, which must hold exactly one.
Pick Single(const std::shared_ptr<VgxPickArray>& picks) {
    auto all = Read(picks);
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? Pick{} : all[0];
}

void ExpectPick(const Pick& pick, const Object& object, const Group& group, int32_t face, float dist,
                const VgxVector& position, float distTolerance = 1e-7f) {
    EXPECT_EQ((std::tuple{pick.object, pick.group, pick.desc.FaceID, pick.desc.hit != 0}),
              (std::tuple{object, group, face, true}));
    EXPECT_NEAR(pick.desc.dist, dist, distTolerance);
    ExpectVectorNear(pick.desc.Position, position, 1e-4f);
}

TEST(PickArray, GrowsTenAtATimeAndFindsExtremes) {
    auto root = Vgx::Create();
    auto group = root->CreateGroup(nullptr);
    auto object = root->CreateObject();
    auto picks = MakeBare<VgxPickArray>();
    Pick got;
    auto get = [&](int32_t index) { picks->GetPick(index, got.object, got.group, got.desc); };
    auto hit = [](float dist, int32_t face) { return VgxPickDesc{1, face, 0.25f, 0.5f, dist, {0, 0, dist}}; };
    EXPECT_EQ((std::tuple{picks->GetSize(), picks->FindNearest(), picks->FindFurthest()}), (std::tuple{0, -1, -1}));
    ExpectVgxError([&] { get(0); }, 9, "VorlanSG", kOutOfRange);
    AddPick(*picks, group, object, hit(5, 0));
    get(10);  // the first pick allocates indexes 0..10
    EXPECT_EQ(got.object, nullptr);
    ExpectVgxError([&] { get(11); }, 9, "VorlanSG", kOutOfRange);
    const float dists[] = {3, 9, 3, 1, 9, 7, 2, 8, 6, 4, 1};
    for (int32_t i = 0; i < 11; ++i) AddPick(*picks, group, object, hit(dists[i], i + 1));
    get(20);  // grown to 0..20
    ExpectVgxError([&] { get(21); }, 9, "VorlanSG", kOutOfRange);
    // Ties go to the first.
    EXPECT_EQ((std::tuple{picks->GetSize(), picks->FindNearest(), picks->FindFurthest()}), (std::tuple{12, 4, 2}));
    get(4);
    EXPECT_EQ((std::tuple{got.object, got.group, got.desc.FaceID, got.desc.dist, got.desc.V}),
              (std::tuple{object, group, 4, 1.0f, 0.5f}));
}

// ---- Mesh intersection -------------------------------------------------------------

// A right triangle with legs 2 along x and y at height z.
std::vector<VgxVector> Triangle(float z) { return {{0, 0, z}, {2, 0, z}, {0, 2, z}}; }

void WritePoints(VgxDeviceMesh& mesh, const std::vector<VgxVector>& points) {
    std::vector<vgx::RenderVertex> vertices;
    for (const VgxVector& p : points) vertices.push_back({{p.X, p.Y, p.Z}, {0, 0, 1}, 0, {0, 0}, {0, 0}});
    mesh.GetVertexBuffer()->Write(0, vertices.data(), vertices.size() * sizeof(vgx::RenderVertex));
}

std::shared_ptr<VgxDeviceMesh> MakeMesh(VgxDevice& device, const std::vector<VgxVector>& points,
                                        const std::vector<uint32_t>& indices, bool wide = false) {
    auto mesh = device.CreateMesh(static_cast<int32_t>(indices.size() / 3), static_cast<int32_t>(points.size()),
                                  VgxMeshManaged | (wide ? VgxMeshIndex32 : 0), VgxVertexFormat44);
    WritePoints(*mesh, points);
    const std::vector<uint16_t> narrow(indices.begin(), indices.end());
    const void* data = wide ? static_cast<const void*>(indices.data()) : narrow.data();
    mesh->GetIndexBuffer()->Write(0, data, indices.size() * (wide ? 4 : 2));
    return mesh;
}

TEST(MeshIntersection, HandComputedHitsAndOddMeshes) {
    VgxSoftwareDevice device;
    // origin, direction, then the triangle hit (-1: none), U, V and t.
    const std::tuple<VgxVector, VgxVector, int32_t, float, float, float> rays[] = {
        // From above: the z = 1 triangle is nearest; t counts in units of the direction.
        {{0.5f, 0.25f, 5}, {0, 0, -2}, 1, 0.25f, 0.125f, 2},
        // From below the back faces count as well: z = -1 first.
        {{1, 0.5f, -4}, {0, 0, 1}, 2, 0.5f, 0.25f, 3},
        // Starting between two layers, only what lies ahead is found.
        {{0.5f, 0.5f, 0.5f}, {0, 0, -1}, 0, 0.25f, 0.25f, 0.5f},
        // Everything behind the origin is ignored; then past the hypotenuse, and parallel to the layers.
        {{0.5f, 0.5f, 2}, {0, 0, 1}, -1, 0, 0, 0},
        {{1.5f, 1.5f, 5}, {0, 0, -1}, -1, 0, 0, 0},
        {{-1, 0.5f, 0}, {1, 0, 0}, -1, 0, 0, 0}};
    // Three parallel triangles at z = 0, 1 and -1, with 16- and 32-bit indexes.
    std::vector<VgxVector> points = Triangle(0), above = Triangle(1), below = Triangle(-1);
    points.insert(points.end(), above.begin(), above.end());
    points.insert(points.end(), below.begin(), below.end());
    for (bool wide : {false, true}) {
        auto mesh = MakeMesh(device, points, {0, 1, 2, 3, 4, 5, 6, 7, 8}, wide);
        for (const auto& [origin, dir, triangle, U, V, t] : rays) {
            SCOPED_TRACE(testing::Message() << "triangle " << triangle << " wide " << wide);
            const MeshHit hit = IntersectMesh(mesh, origin, dir);
            EXPECT_EQ((std::tuple{hit.hit, hit.hit ? hit.triangle : -1}), (std::tuple{triangle >= 0, triangle}));
            if (hit.hit) ExpectVectorNear({hit.U, hit.V, hit.t}, {U, V, t}, 1e-6f);
        }
    }
    // Odd meshes: a triangle squashed onto a line, which has no inside, the same
    // triangle twice, and an index past the vertices.
    EXPECT_FALSE(
        IntersectMesh(MakeMesh(device, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0, 1, 2}), {1, 0, 5}, {0, 0, -1}).hit);
    // The same triangle twice, and 5,000 times (centres that coincide, split by count
    // into many leaves and subtrees): equal distances go to the lowest one.
    for (int32_t copies : {2, 5000}) {
        std::vector<uint32_t> same;
        for (int32_t k = 0; k < copies; ++k) same.insert(same.end(), {0, 1, 2});
        const MeshHit hit = IntersectMesh(MakeMesh(device, Triangle(0), same, true), {0.5f, 0.5f, 1}, {0, 0, -1});
        EXPECT_EQ((std::tuple{hit.hit, hit.triangle}), (std::tuple{true, 0}));
    }
    // An index past the vertices, in a small mesh and as the very last of 300,000
    // (checked in pieces on the workers): refused, with nothing cached.
    std::vector<uint32_t> lastOutside(300000, 0);
    lastOutside.back() = 3;
    for (const auto& indices : {std::vector<uint32_t>{0, 1, 3}, lastOutside}) {
        auto outside = MakeMesh(device, Triangle(0), indices, true);
        ExpectVgxError([&] { IntersectMesh(outside, {0.5f, 0.5f, 1}, {0, 0, -1}); }, 9, "VorlanSG", kOutOfRange);
        ExpectVgxError([&] { IntersectMesh(outside, {0.5f, 0.5f, 1}, {0, 0, -1}); }, 9, "VorlanSG", kOutOfRange);
    }

    // Enough triangles for the hierarchy to split, some so far out that their extent
    // overflows and some not finite: the one at the origin is still found.
    std::vector<VgxVector> wild = Triangle(0);
    std::vector<uint32_t> corners{0, 1, 2};
    for (float far : {3e38f, -3e38f, kInf, -kInf, kNaN}) {
        for (int k = 0; k < 6; ++k) {
            const auto first = static_cast<uint32_t>(wild.size());
            wild.insert(wild.end(), {{far, float(k), 0}, {far, float(k) + 1, 0}, {float(k), far, 1}});
            corners.insert(corners.end(), {first, first + 1, first + 2});
        }
    }
    const MeshHit found = IntersectMesh(MakeMesh(device, wild, corners, true), {0.5f, 0.5f, 5}, {0, 0, -1});
    EXPECT_EQ((std::tuple{found.hit, found.triangle}), (std::tuple{true, 0}));
}

TEST(MeshIntersection, AMeshMadeAtADeadMeshsAddressIsReadAfresh) {
    VgxSoftwareDevice device;
    for (float z : {0.0f, 1.0f, 2.0f, 3.0f}) {
        auto mesh = MakeMesh(device, Triangle(z), {0, 1, 2});
        for (int read = 0; read < 2; ++read)  // the second from what the first kept
            EXPECT_FLOAT_EQ(IntersectMesh(mesh, {0.5f, 0.5f, 10}, {0, 0, -1}).t, 10 - z);
    }
}

// The hierarchy must give exactly the brute-force answer, ties and edges included.
class HierarchyAgainstBruteForce : public ::testing::TestWithParam<const char*> {};

TEST_P(HierarchyAgainstBruteForce, RandomAndVertexAimedRays) {
    auto root = Vgx::Create();
    const auto obj = vgx::test::ReadObj(vgx::test::TestDataPath(GetParam()));
    auto object = root->CreateObject();
    object->AddFaces(obj.points, obj.normals, obj.uvs, obj.faceData, true, false);
    auto mesh = object->GetSubObjectD3DXMesh(root->CreateDeviceID(), 0, std::make_shared<VgxSoftwareDevice>());
    ASSERT_NE(mesh, nullptr);
    const auto triangles = vgx::platform::ReadMeshTriangles(*mesh);
    // Rays start within twice the box's largest side of its centre, and aim at it.
    const VgxBox box = object->GetBoundingBox();
    const float lo[3] = {box.Min.X, box.Min.Y, box.Min.Z}, hi[3] = {box.Max.X, box.Max.Y, box.Max.Z};
    const float radius = 2 * std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(0, 1), signedUnit(-1, 1);
    std::uniform_int_distribution<size_t> vertex(0, triangles.positions.size() / 3 - 1);
    int32_t hits = 0;
    for (int32_t ray = 0; ray < 3000; ++ray) {
        float from[3], to[3];
        const size_t v = vertex(random);
        for (int c = 0; c < 3; ++c) {
            from[c] = (lo[c] + hi[c]) / 2 + (ray % 5 == 0 ? 0 : radius * signedUnit(random));  // 1 in 5 from inside
            // 1 in 3 through a corner shared by several triangles.
            to[c] = ray % 3 == 0 ? triangles.positions[3 * v + c] : lo[c] + (hi[c] - lo[c]) * unit(random);
        }
        const VgxVector origin{from[0], from[1], from[2]};
        VgxVector dir{to[0] - from[0], to[1] - from[1], to[2] - from[2]};
        if (ray % 7 == 0) dir = {0, 0, ray % 2 ? 1.0f : -1.0f};  // axis-parallel: zero slab components
        const MeshHit fast = IntersectMesh(mesh, origin, dir);
        const MeshHit slow = vgx::platform::IntersectTrianglesBruteForce(triangles, origin, dir);
        ASSERT_EQ(fast.hit, slow.hit) << "ray " << ray;
        if (!fast.hit) continue;
        ++hits;
        ASSERT_EQ(std::tie(fast.triangle, fast.t, fast.U, fast.V), std::tie(slow.triangle, slow.t, slow.U, slow.V))
            << "ray " << ray;
    }
    EXPECT_GT(hits, 1000);
}

INSTANTIATE_TEST_SUITE_P(PublicMeshes, HierarchyAgainstBruteForce,
                         ::testing::Values("meshes/common/suzanne.obj", "meshes/common/spot.obj",
                                           "meshes/trimesh/quadknot.obj"));

// The hierarchy is built on the worker threads, in waves and subtrees on a mesh this
// large: its nodes and leaf order must come out byte for byte the same for any count.
TEST(MeshIntersection, HierarchyIsTheSameForAnyThreadCount) {
    auto root = Vgx::Create();
    const auto obj = vgx::test::ReadObj(vgx::test::TestDataPath("meshes/common/stanford-bunny.obj"));
    auto object = root->CreateObject();
    object->AddFaces(obj.points, obj.normals, obj.uvs, obj.faceData, true, false);
    auto mesh = object->GetSubObjectD3DXMesh(root->CreateDeviceID(), 0, std::make_shared<VgxSoftwareDevice>());
    ASSERT_NE(mesh, nullptr);
    const auto triangles = vgx::platform::ReadMeshTriangles(*mesh);
    std::vector<std::string> builds;
    vgx::test::ForEachThreadCount({1, 2, 7}, [&](int32_t) {
        const auto bvh = vgx::platform::BuildBvh(triangles);
        builds.emplace_back(reinterpret_cast<const char*>(bvh.nodes.data()), bvh.nodes.size() * sizeof(bvh.nodes[0]));
        builds.back().append(reinterpret_cast<const char*>(bvh.triangles.data()),
                             bvh.triangles.size() * sizeof(bvh.triangles[0]));
    });
    EXPECT_GT(triangles.TriangleCount(), 60000);
    EXPECT_TRUE(builds[0] == builds[1] && builds[0] == builds[2]);
}

// ---- Scenes ------------------------------------------------------------------

using Polygon = std::vector<VgxVector>;

Object MakeObject(Vgx& root, const std::vector<Polygon>& faces) {
    std::vector<VgxVector> points;
    std::vector<int32_t> faceData;
    for (const Polygon& face : faces) {
        faceData.push_back(static_cast<int32_t>(face.size()));
        for (const VgxVector& p : face) {
            faceData.insert(faceData.end(), {static_cast<int32_t>(points.size()), 0, 0});
            points.push_back(p);  // AddFaces merges the repeats
        }
    }
    faceData.push_back(0);
    auto object = root.CreateObject();
    object->AddFaces(points, {{0, 0, 1}}, {{0, 0}}, faceData, true, false);
    return object;
}

Polygon Square(float z, float lo = -0.5f, float hi = 0.5f) {
    return {{lo, lo, z}, {hi, lo, z}, {hi, hi, z}, {lo, hi, z}};
}

struct PickScene : ::testing::Test {
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    int32_t id = root->CreateDeviceID();
    Group top = root->CreateGroup(nullptr);
};

// ---- RayPick -------------------------------------------------------------------

TEST_F(PickScene, RayPickReportsTheNearestHitPerMeshInTheGroupsOwnFrame) {
    // Face 0 is a far quad (two triangles), faces 1 and 2 near triangles left and right.
    auto child = root->CreateGroup(top);
    child->SetPosition(0, top, {10, 0, 0});
    auto object = MakeObject(
        *root, {Square(-5, -1, 1), {{0, -1, 0}, {1, -1, 0}, {1, 1, 0}}, {{0, -1, 0}, {-1, 1, 0}, {-1, -1, 0}}});
    child->AddObject(object);
    // The top group's own placement is never applied.
    top->SetPosition(0, nullptr, {100, 100, 100});
    // Distances count along a direction scaled by 1000; past the near triangles only
    // the far quad lies on the ray.
    auto pick = [&](VgxVector origin, VgxVector dir) { return Single(top->RayPick(id, device, origin, dir)); };
    ExpectPick(pick({10.75f, -0.5f, 10}, {0, 0, -1}), object, child, 1, 0.01f, {0.75f, -0.5f, 0});
    ExpectPick(pick({9.5f, -0.5f, 10}, {0, 0, -1}), object, child, 2, 0.01f, {-0.5f, -0.5f, 0});
    ExpectPick(pick({10.5f, 0.9f, 10}, {0, 0, -2}), object, child, 0, 15.0f / 2000, {0.5f, 0.9f, -5});
    EXPECT_EQ(top->RayPick(id, device, {10.75f, -0.5f, 10}, {0, 0, 1})->GetSize(), 0);
}

TEST_F(PickScene, RayPickComposesTheFramesBelowTheStartingGroup) {
    auto a = root->CreateGroup(top);
    auto b = root->CreateGroup(a);
    a->SetPosition(0, top, {0, 0, 4});
    a->AddRotation(VgxCombineReplace, {0, 0, 1}, 3.14159265f / 2);
    b->SetPosition(0, a, {2, 0, 0});
    b->AddRotation(VgxCombineBefore, {0, 1, 0}, 3.14159265f / 2);
    auto square = MakeObject(*root, {Square(0, -1, 1)});
    b->AddObject(square);
    // Aim from 3 along the square's normal at (0.25, 0.5, 0), in the top's frame.
    VgxVector centre, normalEnd;
    b->Transform(centre, {0.25f, 0.5f, 0});
    b->Transform(normalEnd, {0.25f, 0.5f, 1});
    const VgxVector back{centre.X - normalEnd.X, centre.Y - normalEnd.Y, centre.Z - normalEnd.Z};
    const VgxVector origin{centre.X - 3 * back.X, centre.Y - 3 * back.Y, centre.Z - 3 * back.Z};
    ExpectPick(Single(top->RayPick(id, device, origin, back)), square, b, 0, 3.0f / 1000, {0.25f, 0.5f, 0}, 1e-6f);
    // Started from a, a's own transform still counts (only a hierarchy's top is left
    // out), so the same ray finds the same point.
    ExpectVectorNear(Single(a->RayPick(id, device, origin, back)).desc.Position, {0.25f, 0.5f, 0}, 1e-4f);
    // Started from b, the ray is read in b's frame: it passes beside the square.
    EXPECT_EQ(b->RayPick(id, device, origin, back)->GetSize(), 0);
}

TEST_F(PickScene, UnpickableAndEmptyObjectsAreSkippedAndArraysRegistered) {
    auto hidden = MakeObject(*root, {Square(0)});
    hidden->Enable(VgxObjectRenderEnable);
    auto shown = MakeObject(*root, {Square(-1)});
    for (auto& object : {hidden, root->CreateObject(), shown}) top->AddObject(object);
    const size_t before = vgx::Registered().pickArrays.size();
    auto picks = top->RayPick(id, device, {0.1f, 0.1f, 5}, {0, 0, -1});
    EXPECT_EQ(Single(picks).object, shown);
    EXPECT_EQ((std::tuple{vgx::Registered().pickArrays.size(), vgx::Registered().pickArrays.back()}),
              (std::tuple{before + 1, picks}));
    shown->Enable(0);
    EXPECT_EQ(top->RayPick(id, device, {0.1f, 0.1f, 5}, {0, 0, -1})->GetSize(), 0);
    EXPECT_EQ(top->ViewportPick(320, 240, id, device)->GetSize(), 0);
    EXPECT_EQ(picks->GetSize(), 1);  // a pick array keeps its hits
}

// ---- ViewportPick ----------------------------------------------------------------

struct ViewportScene : PickScene {
    void SetUp() override {
        device->SetViewport({0, 0, 100, 100, 0, 1});
        // The camera at z = -5, looking along +z through a square 90 degree frustum from 1 to 11.
        device->SetTransform(VgxTransformView, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1}});
        device->SetTransform(VgxTransformProjection, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0}});
        // A box of faces 0 .. 5: z = -1, z = +1, x = -1, x = +1, y = -1, y = +1.
        box = MakeObject(*root, {{{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}},
                                 {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
                                 {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
                                 {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}},
                                 {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
                                 {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}});
        child->AddObject(box);
    }
    Object box;
    Group child = root->CreateGroup(top);
};

TEST_F(ViewportScene, ABoxIsCrossedInBothPassesWithDistancesFromTheNearPoint) {
    // Pixel (60, 50) unprojects to near (0.2, 0, -4) and far (2.2, 0, 6): the ray
    // enters the front face at (0.8, 0, -1) and leaves through x = 1 at (1, 0, 0).
    const float length = std::sqrt(104.0f);
    const int32_t faces[] = {0, 3, 3, 0};
    const VgxVector positions[] = {{0.8f, 0, -1}, {1, 0, 0}, {1, 0, 0}, {0.8f, 0, -1}};
    // Only groups below the top move the results: the top's own placement is ignored.
    for (const VgxVector& topAt : {VgxVector{0, 0, 0}, VgxVector{0.5f, 0.25f, 3}}) {
        top->SetPosition(0, nullptr, topAt);
        auto array = top->ViewportPick(60, 50, id, device);
        auto picks = Read(array);
        ASSERT_EQ(picks.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << "pick " << i << " top at z " << topAt.Z);
            ExpectPick(picks[i], box, child, faces[i], (faces[i] ? 0.4f : 0.3f) * length, positions[i], 2e-4f);
        }
        EXPECT_EQ((std::tuple{array->FindNearest(), array->FindFurthest()}), (std::tuple{0, 1}));
    }
    // The box's own group moved 1 further away: the ray now reaches the front face
    // at its edge x = 1, 0.4 of the way along.
    child->SetPosition(0, top, {0, 0, 1});
    auto moved = Read(top->ViewportPick(60, 50, id, device));
    ASSERT_FALSE(moved.empty());
    EXPECT_NEAR(moved[0].desc.dist, 0.4f * length, 2e-4f);
    EXPECT_EQ(moved[0].group, child);
}

TEST_F(ViewportScene, TwinFacesAreAddedOnlyByViewportPick) {
    child->DeleteObject(box);
    const Polygon front = Square(0, -1, 1);
    child->AddObject(MakeObject(*root, {front, Polygon(front.rbegin(), front.rend())}));
    auto picks = Read(top->ViewportPick(55, 45, id, device));  // crosses z = 0 at (0.5, 0.5)
    ASSERT_EQ(picks.size(), 4u);
    EXPECT_EQ((std::set<int32_t>{picks[0].desc.FaceID, picks[2].desc.FaceID}), (std::set<int32_t>{0, 1}));
    for (size_t i = 0; i < 2; ++i) {
        const Pick &first = picks[i], &twin = picks[i + 2];
        EXPECT_EQ(
            (std::tuple{twin.object, twin.group, twin.desc.FaceID, twin.desc.dist, twin.desc.Position.Z, twin.desc.U}),
            (std::tuple{first.object, first.group, 1 - first.desc.FaceID, first.desc.dist, first.desc.Position.Z,
                        first.desc.U}));
    }
    EXPECT_EQ(top->RayPick(id, device, {0.2f, 0.1f, -5}, {0, 0, 1})->GetSize(), 1);
}

TEST_F(ViewportScene, BadInputRaisesBeforeAnythingIsCreated) {
    const size_t arrays = vgx::Registered().pickArrays.size();
    auto viewport = [&] { top->ViewportPick(60, 50, id, device); };
    ExpectVgxError([&] { top->ViewportPick(60, 50, id, nullptr); }, 91, "VgxGroup", kNotSet);
    ExpectVgxError([&] { top->RayPick(id, nullptr, {0, 0, 0}, {0, 0, 1}); }, 91, "VgxGroup", kNotSet);
    ExpectVgxError([&] { top->ViewportPick(kNaN, 50, id, device); }, 5, "VgxGroup", kInvalid);
    for (const auto& [origin, dir] : std::vector<std::pair<VgxVector, VgxVector>>{
             {{0, 0, 0}, {0, 0, 0}}, {{kNaN, 0, 0}, {0, 0, 1}}, {{0, 0, 0}, {0, kNaN, 1}}}) {
        ExpectVgxError([&] { top->RayPick(id, device, origin, dir); }, 5, "VgxGroup", kInvalid);
    }
    device->SetViewport({0, 0, 0, 100, 0, 1});
    ExpectVgxError(viewport, 5, "VgxGroup", kInvalid);
    device->SetViewport({0, 0, 100, 100, 0.5f, 0.5f});
    ExpectVgxError(viewport, 5, "VgxGroup", kInvalid);
    device->SetViewport({0, 0, 100, 100, 0, 1});
    device->SetTransform(VgxTransformProjection, VgxMatrix{});
    ExpectVgxError(viewport, 5, "VgxGroup", kInvalid);
    EXPECT_EQ(vgx::Registered().pickArrays.size(), arrays);
}

// ---- Recovery -------------------------------------------------------------------

// A device whose meshes fail to be read back while `failures` lasts, as a lost device would.
struct FlakyMesh : VgxDeviceMesh {
    FlakyMesh(std::shared_ptr<VgxDeviceMesh> inner, int* failures) : inner(std::move(inner)), failures(failures) {}
    int32_t GetNumFaces() const override { return inner->GetNumFaces(); }
    int32_t GetNumVertices() const override {
        if (*failures > 0 && (*failures)--) throw VgxError(7, "Device", "Out of memory");
        return inner->GetNumVertices();
    }
    int32_t GetOptions() const override { return inner->GetOptions(); }
    int32_t GetFormat() const override { return inner->GetFormat(); }
    const std::shared_ptr<VgxVertexBuffer>& GetVertexBuffer() const override { return inner->GetVertexBuffer(); }
    const std::shared_ptr<VgxIndexBuffer>& GetIndexBuffer() const override { return inner->GetIndexBuffer(); }
    std::shared_ptr<VgxDeviceMesh> inner;
    int* failures;
};

struct FlakyDevice : VgxSoftwareDevice {
    std::shared_ptr<VgxDeviceMesh> CreateMesh(int32_t faces, int32_t vertices, int32_t options,
                                              int32_t format) override {
        return std::make_shared<FlakyMesh>(VgxSoftwareDevice::CreateMesh(faces, vertices, options, format), &failures);
    }
    std::shared_ptr<VgxDeviceMesh> CreateMeshOver(int32_t faces, int32_t vertices, int32_t options, int32_t format,
                                                  const std::shared_ptr<VgxVertexBuffer>& vertexSource,
                                                  const std::shared_ptr<VgxIndexBuffer>& indexSource) override {
        return std::make_shared<FlakyMesh>(
            VgxSoftwareDevice::CreateMeshOver(faces, vertices, options, format, vertexSource, indexSource), &failures);
    }
    int failures = 0;
};

struct RecoveryScene : ViewportScene {
    void SetUp() override {
        device = flaky;
        ViewportScene::SetUp();
        box->SetName("crate");
        box->SetAppData(7);
        vgx::test::ClearLog();
    }
    std::shared_ptr<FlakyDevice> flaky = std::make_shared<FlakyDevice>();
};

TEST_F(RecoveryScene, OneFailureIsLoggedAndRetried) {
    flaky->failures = 1;
    EXPECT_EQ(top->ViewportPick(60, 50, id, flaky)->GetSize(), 4);
    EXPECT_EQ(vgx::test::LogMessages(), std::vector<std::string>{"Recovery tried for Object: crate - 7"});
    EXPECT_EQ(flaky->failures, 0);
}

TEST_F(RecoveryScene, ASecondFailureInTheGroupIsRaised) {
    flaky->failures = 2;
    ExpectVgxError([&] { top->ViewportPick(60, 50, id, flaky); }, 7, "VgxGroup", "Out of memory");
    EXPECT_EQ(vgx::test::LogMessages(), (std::vector<std::string>{"Recovery tried for Object: crate - 7",
                                                                  "Recovery failed for Object: crate - 7"}));
}

TEST_F(RecoveryScene, RayPickRaisesTheFirstFailure) {
    flaky->failures = 1;
    ExpectVgxError([&] { top->RayPick(id, flaky, {0.2f, 0, -5}, {0, 0, 1}); }, 7, "VgxGroup", "Out of memory");
    EXPECT_TRUE(vgx::test::LogMessages().empty());
    EXPECT_EQ(top->RayPick(id, flaky, {0.2f, 0, -5}, {0, 0, 1})->GetSize(), 1);
}

}  // namespace
