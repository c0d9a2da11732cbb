// Public meshes through AddFaces and back: scanned and modelled files carry what
// made-up meshes rarely do (repeated positions, unused vertices, mixed polygons,
// negative indices, UV seams).
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/obj_reader.h"

namespace vgx::test {
namespace {

using Position = std::tuple<float, float, float>;

std::set<Position> DistinctPositions(const std::vector<VgxVector>& points) {
    std::set<Position> distinct;
    for (const VgxVector& p : points) distinct.emplace(p.X, p.Y, p.Z);
    return distinct;
}

// Whether two different positions lie close enough for the pool's 0.0001 to merge
// them; twice that, so rounding on either side cannot matter.
bool HasNearDuplicates(const std::set<Position>& distinct) {
    constexpr float kReach = 0.0002f;
    std::vector<Position> byX(distinct.begin(), distinct.end());  // the set is ordered by X first
    for (size_t i = 0; i < byX.size(); ++i)
        for (size_t j = i + 1; j < byX.size() && std::get<0>(byX[j]) - std::get<0>(byX[i]) <= kReach; ++j)
            if (std::abs(std::get<1>(byX[j]) - std::get<1>(byX[i])) <= kReach &&
                std::abs(std::get<2>(byX[j]) - std::get<2>(byX[i])) <= kReach)
                return true;
    return false;
}

struct Geometry {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    int32_t pointCount = -1, normalCount = -1, uvCount = -1, faceDataCount = -1;
};

Geometry ReadBack(const VgxObject& object) {
    Geometry g;
    object.GetGeometry(g.points, g.pointCount, g.normals, g.normalCount, g.uvs, g.uvCount, g.faceData, g.faceDataCount);
    return g;
}

class RealMesh : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        mesh_ = ReadObj(TestDataPath(std::string("meshes/") + GetParam()));
        root_ = Vgx::Create();
        object_ = root_->CreateObject();
    }

    void Add(bool optimizeCoordinates) {
        object_->AddFaces(mesh_.points, mesh_.normals, mesh_.uvs, mesh_.faceData, optimizeCoordinates, false);
    }

    // Walks the file's faces and the object's side by side: same corner counts, and
    // every corner's position and UV within `tolerance` of the file's.
    void ExpectSameFaces(const Geometry& g, float tolerance) {
        ASSERT_EQ(g.faceDataCount, int32_t(g.faceData.size()));
        ASSERT_FALSE(g.faceData.empty());
        EXPECT_EQ(g.faceData.back(), 0);
        size_t in = 0, out = 0;
        int32_t face = 0;
        for (; mesh_.faceData[in] != 0; ++face) {
            ASSERT_LT(out, g.faceData.size());
            const int32_t corners = mesh_.faceData[in];
            ASSERT_EQ(g.faceData[out], corners) << "face " << face;
            for (int32_t c = 0; c < corners; ++c) {
                const int32_t* mine = &mesh_.faceData[in + 1 + 3 * c];
                const int32_t* theirs = &g.faceData[out + 1 + 3 * c];
                ASSERT_GE(theirs[0], 0);
                ASSERT_LT(theirs[0], g.pointCount);
                ASSERT_GE(theirs[2], 0);
                ASSERT_LT(theirs[2], g.uvCount);
                const VgxVector& p = mesh_.points[mine[0]];
                const VgxVector& q = g.points[theirs[0]];
                ASSERT_LE(std::abs(p.X - q.X), tolerance) << "face " << face << " corner " << c;
                ASSERT_LE(std::abs(p.Y - q.Y), tolerance) << "face " << face << " corner " << c;
                ASSERT_LE(std::abs(p.Z - q.Z), tolerance) << "face " << face << " corner " << c;
                const VgxUV& uv = mesh_.uvs[mine[2]];
                const VgxUV& uvBack = g.uvs[theirs[2]];
                ASSERT_LE(std::abs(uv.U - uvBack.U), tolerance) << "face " << face << " corner " << c;
                ASSERT_LE(std::abs(uv.V - uvBack.V), tolerance) << "face " << face << " corner " << c;
            }
            in += 1 + 3 * size_t(corners);
            out += 1 + 3 * size_t(corners);
        }
        EXPECT_EQ(face, mesh_.faceCount);
        EXPECT_EQ(out + 1, g.faceData.size());
    }

    ObjMesh mesh_;
    std::shared_ptr<Vgx> root_;
    std::shared_ptr<VgxObject> object_;
};

TEST_P(RealMesh, KeepsEveryFaceAndPointWhenNotOptimizing) {
    Add(false);
    EXPECT_EQ(object_->GetFaceCount(), mesh_.faceCount);
    EXPECT_EQ(object_->GetPointCount(), int32_t(mesh_.points.size()));
    ExpectSameFaces(ReadBack(*object_), 0.0f);
}

TEST_P(RealMesh, MergesRepeatedPositionsWhenOptimizing) {
    const std::set<Position> distinct = DistinctPositions(mesh_.points);
    Add(true);
    EXPECT_EQ(object_->GetFaceCount(), mesh_.faceCount);
    // Never more points than distinct positions; exactly as many when no two are
    // close enough to merge.
    EXPECT_LE(object_->GetPointCount(), int32_t(distinct.size()));
    if (!HasNearDuplicates(distinct)) {
        EXPECT_EQ(object_->GetPointCount(), int32_t(distinct.size()));
    }
    // Merging moves a corner by at most the pool's tolerance.
    ExpectSameFaces(ReadBack(*object_), 0.0001f);
}

// suzanne, teapot, not_convex, cubevt and tube repeat positions; the bunny has unused
// vertices and near-duplicates; beast mixes quads, pentagons and hexagons; the
// trimesh files cover the face syntaxes (p, p//n, p/t/, negative indices).
INSTANTIATE_TEST_SUITE_P(Files, RealMesh,
                         ::testing::Values("common/spot.obj", "common/suzanne.obj", "common/teapot.obj",
                                           "common/beast.obj", "common/stanford-bunny.obj",
                                           "trimesh/negative_indices.obj", "trimesh/not_convex.obj",
                                           "trimesh/cubevt.obj", "trimesh/tube.obj", "trimesh/polygonfaces.obj",
                                           "trimesh/jacked.obj", "trimesh/quadknot.obj"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             name = name.substr(name.find('/') + 1);
                             name = name.substr(0, name.find('.'));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The reader itself: negative indices must land on the same entries as positive ones.
TEST(ObjReader, NegativeIndicesCountBackFromTheLastEntryRead) {
    const ObjMesh mesh = ReadObj(TestDataPath("meshes/trimesh/negative_indices.obj"));
    ASSERT_EQ(mesh.faceCount, 6);
    // First face: f -8/-13/-6 -4/-12/-6 -2/-12/-6 -6/-11/-6 after 8 v, 14 vt, 6 vn.
    const std::vector<int32_t> first{4, 0, 0, 1, 4, 0, 2, 6, 0, 2, 2, 0, 3};
    EXPECT_EQ(std::vector<int32_t>(mesh.faceData.begin(), mesh.faceData.begin() + 13), first);
}

TEST(ObjReader, CornersWithoutNormalsShareOneDefaultEntry) {
    const ObjMesh mesh = ReadObj(TestDataPath("meshes/trimesh/polygonfaces.obj"));
    ASSERT_EQ(mesh.faceCount, 1);
    ASSERT_EQ(mesh.normals.size(), 1u);
    ASSERT_EQ(mesh.uvs.size(), 1u);
    EXPECT_EQ(mesh.faceData, (std::vector<int32_t>{5, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 0}));
}

}  // namespace
}  // namespace vgx::test
