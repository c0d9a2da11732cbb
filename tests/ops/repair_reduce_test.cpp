// RepairGeometry, Solidify and Reduce.
#include <array>
#include <thread>

#include "ops/ops_fixture.h"

namespace vgx::test {
namespace {

// RepairGeometry and Solidify.
using Repair = Ops;

TEST_F(Repair, BentPolygonsBecomeFansAndSolidifyClosesOpenings) {
    // Level 0 does nothing at all, not even the optimisation that drops unused points.
    auto mesh = Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    mesh->AddOptimizedPoint({5, 5, 5});
    Ints counts;  // faces and points after each level
    for (int32_t level : {0, 1, 10, 11, 12}) {
        mesh->RepairGeometry(level);
        counts.insert(counts.end(), {mesh->GetFaceCount(), mesh->GetPointCount()});
    }
    // Up to 11 the flat quad stays; above 11 every polygon of 4 or more corners is fanned.
    EXPECT_EQ(counts, (Ints{1, 5, 1, 4, 1, 4, 1, 4, 2, 4}));

    // A quad folded by 30 degrees along its diagonal 0-2.
    const float lift = std::sin(30.0f * 3.141593f / 180) * std::sqrt(0.5f);
    auto folded = Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f - lift, 0.5f + lift, lift * 2}}, {{0, 1, 2, 3}});
    folded->GetFace(0)->SetAppData(7);
    folded->RepairGeometry(1);
    EXPECT_EQ(CornerCounts(*folded), (Ints{3, 3}));
    EXPECT_EQ(AppData(*folded), (Ints{1, 1}));
    EXPECT_EQ(MeshFault(*folded), "");

    // An L-shaped hexagon is fanned from its inward corner at every level.
    for (int32_t level : {1, 5, 10}) {
        auto l = Make({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}, {{0, 1, 2, 3, 4, 5}});
        l->RepairGeometry(level);
        ASSERT_EQ(l->GetFaceCount(), 4) << level;
        for (int32_t f = 0; f < 4; ++f) EXPECT_EQ(Corners(*l, f)[0], (VgxVector{1, 1, 0})) << level;
    }
    // Triangles are never touched.
    auto triangle = Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 1}}, {{0, 1, 2}});
    triangle->RepairGeometry(50);
    EXPECT_EQ(triangle->GetFace(0)->GetAppData(), 0);

    cube->Solidify(100);
    EXPECT_EQ(cube->GetFaceCount(), 6);

    // The box without its top: two triangles across the opening.
    cube->DeleteFaces({1});
    cube->Solidify(200);
    ExpectClosed(*cube);
    ASSERT_EQ(CornerCounts(*cube), (Ints{4, 4, 4, 4, 4, 3, 3}));
    EXPECT_EQ(AppData(*cube), (Ints{0, 0, 0, 0, 0, 1, 1}));
    for (int32_t f = 5; f < 7; ++f)
        for (const VgxVector& p : Corners(*cube, f)) EXPECT_EQ(p.Z, 1) << f;
    // The new triangles face outwards like the rest of the box.
    EXPECT_NEAR(FaceNormal(Internals(*cube).Base(), 5).Z, 1, 1e-6);

    // A lone triangle closes with its back face and the operation stops; an empty
    // object stays empty.
    auto lone = Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}), empty = root->CreateObject();
    lone->Solidify(100);
    empty->Solidify(100);
    EXPECT_EQ(Ints({lone->GetFaceCount(), EdgesWithFaceCount(*lone, 1), empty->GetFaceCount()}), Ints({2, 0, 0}));
}

// Reduce.
using Reduce = Ops;

std::vector<std::string> Logged(const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& line : LogMessages())
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}
// Whether any file of Reduce's (the exported mesh, the cleaning report) is left.
bool TemporaryFileLeft() {
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder())) {
        const std::string name = entry.path().filename().string();
        for (const char* stem : {"~temp", "~stemp", "vrlerr"})
            if (name.rfind(stem, 0) == 0) return true;
    }
    return false;
}
std::string Reducing(int32_t from, int32_t to) {
    return "Reducing current Direct3D point count of " + std::to_string(from) + " to " + std::to_string(to);
}

TEST_F(Reduce, TargetsAShareOfTheVerticesAndKeepsMaterialsApart) {
    // 40 x 25 points, one UV each: 1000 vertices for the simplifier.
    auto object = Grid(39, 24, true);
    ClearLog();
    object->Reduce(100);
    EXPECT_EQ(Logged("Reducing"), std::vector<std::string>{Reducing(1000, 1000)});
    EXPECT_EQ(Counts(*object), (Ints{39 * 24 * 2, 1000}));

    ClearLog();
    object->Reduce(50);
    EXPECT_EQ(Logged("Reducing"), std::vector<std::string>{Reducing(1000, 500)});
    EXPECT_EQ(Logged("Mesh Simplified to ").size(), 1u);
    EXPECT_TRUE(object->GetPointCount() >= 500 && object->GetPointCount() < 1000) << object->GetPointCount();
    EXPECT_EQ(MeshFault(*object), "");

    // Small meshes and Level 0 ask for the least a mesh can be.
    auto small = Grid(9, 9, true);
    ClearLog();
    small->Reduce(1);
    const int32_t left = small->GetPointCount();
    small->Reduce(0);
    EXPECT_EQ(Logged("Reducing"), (std::vector<std::string>{Reducing(100, 3), Reducing(left, 3)}));
    EXPECT_EQ(LogMessages().front(), "Begin Reduce");
    EXPECT_EQ(LogMessages().back(), "End Reduce");
    EXPECT_FALSE(TemporaryFileLeft());

    auto halves = Grid(29, 29, true);
    const auto red = Material(1, 0, 0), blue = Material(0, 0, 1);
    for (int32_t f = 0; f < halves->GetFaceCount(); ++f) halves->GetFace(f)->ApplyMaterial(f % 29 < 14 ? red : blue);
    halves->Reduce(25);
    int32_t faces[2] = {0, 0};
    for (int32_t f = 0; f < halves->GetFaceCount(); ++f) {
        auto face = halves->GetFace(f);
        ASSERT_EQ(face->GetPointCount(), 3) << f;
        const bool isLeft = face->GetMaterial() == red;
        ASSERT_TRUE(isLeft || face->GetMaterial() == blue) << f;
        ++faces[isLeft];
        for (int32_t k = 0; k < 3; ++k) {
            const VgxVector p = halves->GetPoint(face->GetPointID(k));
            EXPECT_TRUE(isLeft ? p.X <= 14.0f : p.X >= 14.0f) << f << " " << p;
            const VgxUV uv = face->GetUV(k);
            EXPECT_TRUE(Near({uv.U, uv.V, NormalAt(*halves, f, k).Z}, {p.X / 29, p.Y / 29, 1}, 1e-5f)) << f;
        }
    }
    EXPECT_TRUE(faces[0] > 0 && faces[1] > 0);
}

TEST_F(Reduce, BadLevelsAndLostDevicesChangeNothing) {
    auto object = Grid(4, 4, true);
    const auto before = Take(*object);
    for (int32_t level : {-1, 101}) {
        ClearLog();
        ExpectRefused(*object, VgxErrInvalidCall, [&] { object->Reduce(level); });
        EXPECT_EQ(LogMessages(),
                  (std::vector<std::string>{"Begin Reduce", "Reduce Error: 5-Invalid procedure call or argument"}));
    }

    // The device stays lost: nothing changes, and no temporary file is left either.
    VgxSoftwareDevice& hidden = *Library().hiddenDevice;
    hidden.MarkLost(100);
    ClearLog();
    object->Reduce(50);
    EXPECT_EQ(Take(*object), before);
    EXPECT_EQ(Ints({int32_t(Logged("Device Lost or Not Reset").size()), TemporaryFileLeft()}), Ints({10, false}));
    hidden.MarkLost();
    object->Reduce(100);
    EXPECT_EQ(Ints({TemporaryFileLeft(), hidden.TestCooperativeLevel()}), Ints({false, VgxDeviceOK}));

    // An empty object has nothing to simplify: the failure is logged, not raised.
    auto empty = root->CreateObject();
    ClearLog();
    empty->Reduce(50);
    EXPECT_EQ(Ints({empty->GetFaceCount(), int32_t(Logged("Error occured simplifying mesh: ").size()),
                    TemporaryFileLeft()}),
              Ints({0, 1, false}));
    EXPECT_EQ(LogMessages().back(), "End Reduce");
}

// Each thread has its own scene root; reductions running side by side must not
// meet in the temporary folder and give what a lone one gives.
TEST(ReduceOnThreads, RootsOnTwoThreadsReduceAsALoneRootDoes) {
    const ObjMesh mesh = ReadObj(TestDataPath("meshes/common/suzanne.obj"));
    const auto reduced = [&] {
        auto root = Vgx::Create();
        auto object = root->CreateObject();
        object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
        object->Reduce(50);
        const ExportedMesh m = ExportGeometry(*object);
        return std::tuple(m.points, m.faceData);
    };
    const auto alone = reduced();
    std::vector<std::thread> threads;
    std::array<int, 2> differing{};
    for (int& count : differing)
        threads.emplace_back([&] {
            for (int run = 0; run < 5; ++run) count += reduced() != alone;
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(differing, (std::array<int, 2>{0, 0}));
    EXPECT_FALSE(TemporaryFileLeft());
}

}  // namespace
}  // namespace vgx::test
