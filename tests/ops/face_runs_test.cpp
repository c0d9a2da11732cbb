// Work done in runs of faces on the worker threads against one walk over all
// faces, on faces whose points are shared by faces far apart in face order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "base/task_pool.h"
#include "mesh/mesh_records.h"
#include "mesh/mod_index.h"
#include "ops/distinct_normals.h"
#include "ops/subdivision.h"
#include "support/thread_counts.h"

namespace vgx::test {
namespace {

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

// A normal pool of 65,536 buckets filled from `values` in order, and the entry
// each value found.
struct PooledNormals {
    BlockArray<iVgxNormal> list;
    int32_t count = 0;
    std::vector<int32_t> indexes;

    explicit PooledNormals(std::span<const VgxVector> values) {
        HashTable table;
        table.Reset(1);
        modIndex::AddPooledNormals(list, count, table, values, true, indexes);
    }
};

TEST(DistinctCornerNormals, PoolingTheEntriesGivesWhatPoolingEveryCornerGives) {
    // Streaks of one value over neighbouring corners, as flat regions give, broken
    // by values that differ in their bits but match within the pool's tolerance,
    // and by NaN, which matches nothing; runs begin inside streaks.
    std::mt19937 random(7);
    const iVgxObject level = SharedPointQuads(random);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const VgxVector values[] = {{0, 0, 1}, {0, 1, 0}, {0, 0, -0.0f}, {0, 0, 1.00001f}, {nan, 0, 0}};
    BlockArray<VgxVector> normals;
    size_t pick = 0, nanCorners = 0;
    for (size_t c = 0; c < level.Corners.size(); ++c) {
        if (random() % 16 == 0) pick = random() % std::size(values);
        normals.push_back(values[pick]);
        nanCorners += std::isnan(values[pick].X) ? 1 : 0;
    }
    const PooledNormals expected(std::span<const VgxVector>(normals.data(), normals.size()));

    ForEachThreadCount({1, 2, 3, 4}, [&](int32_t threads) {
        BlockArray<int32_t> slots(level.Corners.size());
        BlockArray<VgxVector> distinct;
        FindDistinctCornerNormals(level, normals, slots, distinct);
        // Each NaN is an entry; a streak of a finite value needs about one.
        EXPECT_LT(distinct.size(), nanCorners + normals.size() / 8) << threads << " threads";
        const PooledNormals pooled(std::span<const VgxVector>(distinct.data(), distinct.size()));
        ASSERT_EQ(pooled.count, expected.count) << threads << " threads";
        EXPECT_EQ(std::memcmp(pooled.list.data(), expected.list.data(), expected.list.size() * sizeof(iVgxNormal)), 0)
            << threads << " threads";
        for (size_t c = 0; c < normals.size(); ++c) {
            ASSERT_EQ(pooled.indexes[slots[c]], expected.indexes[c])
                << "corner " << c << " on " << threads << " threads";
        }
    });
}

TEST(PointCorners, EachPointListsItsCornersInFaceOrder) {
    std::mt19937 random(11);
    const iVgxObject level = SharedPointQuads(random);
    std::vector<std::vector<std::pair<int32_t, int32_t>>> expected(level.PointList.size());
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        for (int32_t k = 0; k < 4; ++k) expected[level.FaceCorners(f)[k].Point].emplace_back(f, k);
    }
    ForEachThreadCount({1, 2, 3, 4}, [&](int32_t threads) {
        PointCorners around;
        around.Build(level);
        ASSERT_EQ(around.start.size(), level.PointList.size() + 1);
        for (size_t p = 0; p < expected.size(); ++p) {
            std::vector<std::pair<int32_t, int32_t>> found;
            for (int32_t i = around.start[p]; i < around.start[p + 1]; ++i)
                found.emplace_back(around.corners[i].face, around.corners[i].corner);
            ASSERT_EQ(found, expected[p]) << "point " << p << " on " << threads << " threads";
        }
    });
}

}  // namespace
}  // namespace vgx::test
