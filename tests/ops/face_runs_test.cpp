// Work done in runs of faces on the worker threads against one walk over all
// faces, on faces whose points are shared by faces far apart in face order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "mesh/mesh_records.h"
#include "ops/distinct_normals.h"
#include "ops/subdivision.h"
#include "root/task_pool.h"

namespace vgx::test {
namespace {

// The plain walk: a corner takes the last finite entry kept at its point when
// its value is the same bit for bit.
void OneWalk(const iVgxObject& level, const BlockArray<VgxVector>& normals, std::vector<int32_t>& slots,
             std::vector<VgxVector>& distinct) {
    std::vector<int32_t> last(level.PointList.size(), -1);
    for (size_t c = 0; c < level.Corners.size(); ++c) {
        const int32_t point = level.Corners[c].Point;
        if (last[point] >= 0 && std::memcmp(&distinct[last[point]], &normals[c], sizeof(VgxVector)) == 0) {
            slots.push_back(last[point]);
            continue;
        }
        slots.push_back(static_cast<int32_t>(distinct.size()));
        if (std::isfinite(normals[c].X + normals[c].Y + normals[c].Z)) last[point] = slots.back();
        distinct.push_back(normals[c]);
    }
}

// 80,000 quads (several runs) over 3,000 points picked at random, so most points
// are met in every run.
iVgxObject SharedPointQuads(std::mt19937& random) {
    constexpr int32_t kFaces = 80000, kPoints = 3000;
    iVgxObject level;
    level.PointList.resize(kPoints);
    level.PointListCount = kPoints;
    for (int32_t f = 0; f < kFaces; ++f) {
        const int32_t face = level.AppendFace(4);
        level.FaceList[face].PointCount = 4;
        for (int32_t k = 0; k < 4; ++k) level.FaceCorners(face)[k].Point = static_cast<int32_t>(random() % kPoints);
    }
    level.FaceListCount = kFaces;
    return level;
}

TEST(DistinctCornerNormals, RunsKeepWhatOneWalkKeeps) {
    // A few values, one of them NaN, so runs of equal values at a point break and
    // resume across run boundaries.
    std::mt19937 random(7);
    const iVgxObject level = SharedPointQuads(random);
    const VgxVector values[] = {{0, 0, 1}, {0, 1, 0}, {0, 0, -0.0f}, {std::numeric_limits<float>::quiet_NaN(), 0, 0}};
    BlockArray<VgxVector> normals;
    for (size_t c = 0; c < level.Corners.size(); ++c) {
        const uint32_t pick = random() % 64;
        normals.push_back(values[pick < 50 ? 0 : pick < 60 ? 1 : pick < 63 ? 2 : 3]);
    }
    std::vector<int32_t> expectedSlots;
    std::vector<VgxVector> expected;
    OneWalk(level, normals, expectedSlots, expected);

    const int32_t before = tasks::ThreadCount();
    for (const int32_t threads : {1, 2, 3, 4}) {
        tasks::SetThreadCount(threads);
        BlockArray<int32_t> slots(level.Corners.size());
        BlockArray<VgxVector> distinct;
        FindDistinctCornerNormals(level, normals, slots, distinct);
        EXPECT_EQ(std::vector<int32_t>(slots.begin(), slots.end()), expectedSlots) << threads << " threads";
        ASSERT_EQ(distinct.size(), expected.size()) << threads << " threads";
        EXPECT_EQ(std::memcmp(distinct.data(), expected.data(), expected.size() * sizeof(VgxVector)), 0)
            << threads << " threads";
    }
    tasks::SetThreadCount(before);
}

TEST(PointCorners, EachPointListsItsCornersInFaceOrder) {
    std::mt19937 random(11);
    const iVgxObject level = SharedPointQuads(random);
    std::vector<std::vector<std::pair<int32_t, int32_t>>> expected(level.PointList.size());
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        for (int32_t k = 0; k < 4; ++k) expected[level.FaceCorners(f)[k].Point].emplace_back(f, k);
    }
    const int32_t before = tasks::ThreadCount();
    for (const int32_t threads : {1, 2, 3, 4}) {
        tasks::SetThreadCount(threads);
        PointCorners around;
        around.Build(level);
        ASSERT_EQ(around.start.size(), level.PointList.size() + 1);
        for (size_t p = 0; p < expected.size(); ++p) {
            std::vector<std::pair<int32_t, int32_t>> found;
            for (int32_t i = around.start[p]; i < around.start[p + 1]; ++i)
                found.emplace_back(around.corners[i].face, around.corners[i].corner);
            ASSERT_EQ(found, expected[p]) << "point " << p << " on " << threads << " threads";
        }
    }
    tasks::SetThreadCount(before);
}

}  // namespace
}  // namespace vgx::test
