#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "mesh/mod_index.h"
#include "mesh/object_internal.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

class Pools : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
};

TEST_F(Pools, PointsMergeStrictlyWithin0001) {
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 2, 3}), 0);
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 2, 3}), 0);
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 2, 3.00009f}), 0);
    // 3.0001 - 3 is just below 0.0001 in 32-bit floats; 3.0002 is not.
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 2, 3.0001f}), 0);
    EXPECT_EQ(mesh->GetPointCount(), 1);
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 2, 3.0002f}), 1);
    EXPECT_EQ(mesh->GetPointCount(), 2);
    EXPECT_FLOAT_EQ(mesh->GetPoint(1).Z, 3.0002f);
}

TEST_F(Pools, NormalsAndUVsMergeLikePoints) {
    EXPECT_EQ(mesh->AddOptimizedNormal({0, 0, 1}), 0);
    EXPECT_EQ(mesh->AddOptimizedNormal({0, 0.00009f, 1}), 0);
    EXPECT_EQ(mesh->AddOptimizedNormal({0, 1, 0}), 1);
    EXPECT_EQ(mesh->AddOptimizedUV({0.5f, 0.5f}), 0);
    EXPECT_EQ(mesh->AddOptimizedUV({0.50005f, 0.5f}), 0);
    EXPECT_EQ(mesh->AddOptimizedUV({0.5f, 0.5002f}), 1);
    std::vector<int32_t> indexes(7, -5);
    mesh->AddOptimizedNormals({{0, 1, 0}, {1, 0, 0}}, indexes);
    EXPECT_EQ(indexes, (std::vector<int32_t>{1, 2}));
    mesh->AddOptimizedUVs({{0.5f, 0.5f}}, indexes);
    EXPECT_EQ(indexes, std::vector<int32_t>{0});
    mesh->AddOptimizedPoints({{0, 0, 0}, {1, 1, 1}, {0, 0, 0}}, indexes);
    EXPECT_EQ(indexes, (std::vector<int32_t>{0, 1, 0}));
    mesh->AddOptimizedPoints({}, indexes);
    EXPECT_TRUE(indexes.empty());
}

TEST_F(Pools, HashKeysAndBuckets) {
    using vgx::modIndex::FloatBucket;
    using vgx::modIndex::PointHashKey;
    // Components of 0.0001 or less are left out of the key.
    EXPECT_EQ(PointHashKey({0.00005f, -0.0001f, 0.00009f}), 0.0f);
    EXPECT_EQ(FloatBucket(0.0f, 0), 0);
    EXPECT_EQ(PointHashKey({1.234567f, 0, 0}), 1.2346f);
    EXPECT_EQ(PointHashKey({100000, 23456.78f, 0.00001f}), 123460.0f);
    EXPECT_EQ(PointHashKey({-1.5f, 0.25f, 0}), -1.25f);
    // 1.0f is 0x3F800000: byte 2 is 0x80, byte 1 is 0.
    EXPECT_EQ(FloatBucket(1.0f, 0), 0x80);
    EXPECT_EQ(FloatBucket(1.0f + 1.0f / 4096, 1), 0x08 * 256 + 0x80);
    EXPECT_EQ(FloatBucket(1.0f + 1.0f / 4096, 0), 0x80);
}

TEST_F(Pools, AMovedPointStaysFiledUnderItsOldPosition) {
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 0, 0}), 0);
    mesh->SetPoint(0, {5, 0, 0});
    EXPECT_FLOAT_EQ(mesh->GetPoint(0).X, 5);
    // 5 hashes to another bucket than 1: the search does not find the moved point.
    EXPECT_EQ(mesh->AddOptimizedPoint({5, 0, 0}), 1);
    // The old position's bucket still leads to point 0, which no longer matches it.
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 0, 0}), 2);
    EXPECT_EQ(mesh->GetPointCount(), 3);
}

TEST_F(Pools, SingleEntriesAreCheckedAgainstTheArrayNotTheCount) {
    mesh->AddOptimizedPoint({0, 0, 0});
    mesh->AddOptimizedPoint({1, 0, 0});
    ExpectVgxError([&] { mesh->GetPoint(2); }, 9, "VgxObject", "Subscript out of range");
    ExpectVgxError([&] { mesh->GetPoint(-1); }, 9, "VgxObject", "Subscript out of range");
    ExpectVgxError([&] { mesh->SetNormal(0, {0, 0, 1}); }, 9, "VgxObject", "Subscript out of range");
    ExpectVgxError([&] { mesh->GetUV(0); }, 9, "VgxObject", "Subscript out of range");
    // Adding faces to a mesh that has points enlarges the arrays by the incoming
    // counts first; merged points leave spare entries past the count.
    mesh->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}}, {{0, 0}}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, true,
                   false);
    EXPECT_EQ(mesh->GetPointCount(), 3);
    VgxVector spare = mesh->GetPoint(3);
    EXPECT_EQ(spare.X, 0);
    mesh->GetPoint(4);
    ExpectVgxError([&] { mesh->GetPoint(5); }, 9, "VgxObject", "Subscript out of range");
}

TEST_F(Pools, TablesGrowForLargeIncomingMeshes) {
    auto grid = [&](int32_t points) {
        std::vector<VgxVector> positions;
        for (int32_t i = 0; i < points; ++i) positions.push_back({static_cast<float>(i), 0, 0});
        std::vector<int32_t> faceData{3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0};
        auto object = root->CreateObject();
        object->AddFaces(positions, positions, {{0, 0}}, faceData, false, false);
        return object;
    };
    auto small = grid(4000), large = grid(4001);
    EXPECT_EQ(small->GetInternals().Base().PointHashTable.type, 0);
    EXPECT_EQ(small->GetInternals().Base().NormalHashTable.type, 0);
    EXPECT_EQ(large->GetInternals().Base().PointHashTable.type, 1);
    EXPECT_EQ(large->GetInternals().Base().NormalHashTable.type, 1);
    EXPECT_EQ(large->GetInternals().Base().PointHashTable.heads.size(), 65536u);
    EXPECT_EQ(large->GetInternals().Base().UVHashTable.type, 0);
    EXPECT_EQ(large->GetPointCount(), 4001);
}

}  // namespace
