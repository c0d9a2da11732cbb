// Pooling a batch must give exactly what filing the values one by one through
// the hash chains gives: the same index for every value, the same entries, the
// same chains. These tests pool awkward inputs through the library and through
// a plain chain walk written here, and compare everything.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "mesh/mod_index.h"
#include "support/internals.h"

namespace {

using vgx::HashTable;
namespace modIndex = vgx::modIndex;

constexpr float kTolerance = 0.0001f;

// The point key by its definition: the filtered sum printed to five digits and read back.
float TextKey(const VgxVector& p) {
    float sum = 0;
    for (float v : {p.X, p.Y, p.Z}) {
        if (std::fabs(v) > kTolerance) sum += v;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.4E", static_cast<double>(sum));
    return std::strtof(text, nullptr);
}

int32_t Bucket(float key, int32_t type) {
    uint32_t bits;
    std::memcpy(&bits, &key, sizeof bits);
    return static_cast<int32_t>((bits >> 16) & 0xFF) + (type == 1 ? static_cast<int32_t>((bits >> 8) & 0xFF) * 256 : 0);
}

bool Near(float a, float b) { return std::fabs(a - b) < kTolerance; }

// A pool kept the plain way: one list of entries per bucket, oldest first; a
// search returns the first entry of the value's bucket whose position is near.
template <int Dims>
struct ChainWalk {
    using Position = std::array<float, Dims>;
    int32_t type = 0;
    std::vector<Position> positions;
    std::vector<std::vector<int32_t>> chains;

    explicit ChainWalk(int32_t tableType) : type(tableType), chains(tableType == 1 ? 65536 : 256) {}

    int32_t Add(int32_t bucket, const Position& at, bool search) {
        if (search) {
            for (int32_t i : chains[bucket]) {
                bool near = true;
                for (int d = 0; d < Dims; ++d) near = near && Near(positions[i][d], at[d]);
                if (near) return i;
            }
        }
        positions.push_back(at);
        chains[bucket].push_back(static_cast<int32_t>(positions.size() - 1));
        return static_cast<int32_t>(positions.size() - 1);
    }
};

std::array<float, 3> Of(const VgxVector& v) { return {v.X, v.Y, v.Z}; }
std::array<float, 2> Of(const VgxUV& uv) { return {uv.U, uv.V}; }

int32_t PointBucket(const VgxVector& p, int32_t type) { return Bucket(TextKey(p), type); }
int32_t NormalBucket(const VgxVector& n, int32_t type) {
    return Bucket(static_cast<float>(static_cast<double>(n.Y) + n.X + n.Z), type);
}
int32_t UVBucket(const VgxUV& uv, int32_t type) {
    return Bucket(static_cast<float>(static_cast<double>(uv.V) + uv.U), type);
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A library pool and the chain walk it must agree with.
template <class Record, int Dims>
struct PoolPair {
    std::vector<Record> list;
    int32_t count = 0;
    HashTable table;
    ChainWalk<Dims> walk;

    explicit PoolPair(int32_t type) : walk(type) { table.Reset(type); }
};

// Every entry's position and every chain, link by link, agree with the walk's.
template <class Record, int Dims, class PositionOf, class NextOf>
void ExpectSamePool(const PoolPair<Record, Dims>& pool, PositionOf&& positionOf, NextOf&& nextOf) {
    ASSERT_EQ(pool.count, static_cast<int32_t>(pool.walk.positions.size()));
    for (int32_t i = 0; i < pool.count; ++i) {
        const auto at = positionOf(pool.list[i]);
        for (int d = 0; d < Dims; ++d) ASSERT_TRUE(SameBits(at[d], pool.walk.positions[i][d])) << "entry " << i;
    }
    for (size_t b = 0; b < pool.walk.chains.size(); ++b) {
        std::vector<int32_t> chain;
        for (int32_t link = pool.table.heads[b]; link != 0; link = nextOf(pool.list[link - 1]))
            chain.push_back(link - 1);
        ASSERT_EQ(chain, pool.walk.chains[b]) << "bucket " << b;
        const int32_t tail = chain.empty() ? 0 : chain.back() + 1;
        ASSERT_EQ(pool.table.tails[b], tail) << "bucket " << b;
    }
}

using PointPair = PoolPair<vgx::VgxPoint, 3>;
using NormalPair = PoolPair<vgx::iVgxNormal, 3>;
using UVPair = PoolPair<vgx::iVgxUVCoordinate, 2>;

void PoolPoints(PointPair& pool, const std::vector<VgxVector>& points, bool search) {
    std::vector<int32_t> indexes;
    modIndex::AddPooledPoints(pool.list, pool.count, pool.table, points, search, indexes);
    ASSERT_EQ(indexes.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const int32_t expected = pool.walk.Add(PointBucket(points[i], pool.walk.type), Of(points[i]), search);
        ASSERT_EQ(indexes[i], expected) << "point " << i << " (" << points[i].X << ", " << points[i].Y << ", "
                                        << points[i].Z << ")";
    }
    ExpectSamePool(
        pool, [](const vgx::VgxPoint& p) { return Of(p.Point); }, [](const vgx::VgxPoint& p) { return p.NextPoint; });
}

void PoolNormals(NormalPair& pool, const std::vector<VgxVector>& normals, bool search) {
    std::vector<int32_t> indexes;
    modIndex::AddPooledNormals(pool.list, pool.count, pool.table, normals, search, indexes);
    ASSERT_EQ(indexes.size(), normals.size());
    for (size_t i = 0; i < normals.size(); ++i) {
        ASSERT_EQ(indexes[i], pool.walk.Add(NormalBucket(normals[i], pool.walk.type), Of(normals[i]), search))
            << "normal " << i;
    }
    ExpectSamePool(
        pool, [](const vgx::iVgxNormal& n) { return Of(n.Vector); },
        [](const vgx::iVgxNormal& n) { return n.NextNormal; });
}

void PoolUVs(UVPair& pool, const std::vector<VgxUV>& uvs, bool search) {
    std::vector<int32_t> indexes;
    modIndex::AddPooledUVs(pool.list, pool.count, pool.table, uvs, search, indexes);
    ASSERT_EQ(indexes.size(), uvs.size());
    for (size_t i = 0; i < uvs.size(); ++i) {
        ASSERT_EQ(indexes[i], pool.walk.Add(UVBucket(uvs[i], pool.walk.type), Of(uvs[i]), search)) << "uv " << i;
    }
    ExpectSamePool(
        pool, [](const vgx::iVgxUVCoordinate& t) { return Of(t.Coordinate); },
        [](const vgx::iVgxUVCoordinate& t) { return t.NextUV; });
}

// ---- awkward inputs ----

// Offsets around the tolerance: inside, on it, just past it, and on the float
// steps either side of it.
const std::vector<float> kEdgeOffsets = {0,         0.00001f, 0.00005f,  0.0000999f, 0.0001f,  0.00010001f,
                                         0.000105f, 0.00015f, 0.000199f, 0.0002f,    0.00025f, 0.0004f};

class Inputs {
public:
    explicit Inputs(uint32_t seed) : random_(seed) {}

    // A face soup over a lattice: every lattice point several times, in face order.
    std::vector<VgxVector> Grid(int side, float step, VgxVector origin) {
        std::vector<VgxVector> points;
        auto at = [&](int i, int j) { return VgxVector{origin.X + i * step, origin.Y + j * step, origin.Z}; };
        constexpr std::pair<int, int> kQuad[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int j = 0; j < side; ++j)
            for (int i = 0; i < side; ++i)
                for (auto [di, dj] : kQuad) points.push_back(at(i + di, j + dj));
        return points;
    }

    // Clusters of points around a few centres, offset along each axis by steps on
    // both sides of the tolerance, so that whether two of them merge depends on
    // the last bits. Centres sit on integers, on cell edges of 1/1024 and near
    // the key's rounding boundaries, where neighbours fall in different buckets.
    std::vector<VgxVector> Jittered(int clusters, int perCluster) {
        std::uniform_int_distribution<int> anyOffset(0, static_cast<int>(kEdgeOffsets.size()) - 1), coin(0, 1),
            kind(0, 5);
        std::uniform_real_distribution<float> uniform(-0.00025f, 0.00025f), spread(-50, 50);
        std::vector<VgxVector> points;
        for (int c = 0; c < clusters; ++c) {
            VgxVector centre;
            switch (kind(random_)) {
                case 0:  // integers
                    centre = {std::round(spread(random_)), std::round(spread(random_)), std::round(spread(random_))};
                    break;
                case 1:  // on the edge between two cells
                    centre = {(std::round(spread(random_) * 1024) + 0.5f) / 1024,
                              std::round(spread(random_)) + 0.5f / 1024, 0.5f / 1024};
                    break;
                case 2:  // key sums on a five-digit half: 1.00005 and the like
                    centre = {1.00005f + std::round(spread(random_)) * 0.0001f, 0, 0};
                    break;
                case 3:  // components about the 0.0001 left out of the key
                    centre = {0.0001f, -0.0001f, 0.00005f};
                    break;
                case 4:  // far out, where floats are sparse
                    centre = {static_cast<float>(1 << 19) + std::round(spread(random_)), -static_cast<float>(1 << 20),
                              3e30f};
                    break;
                default:
                    centre = {spread(random_), spread(random_), spread(random_)};
                    break;
            }
            for (int k = 0; k < perCluster; ++k) {
                VgxVector p = centre;
                for (float* v : {&p.X, &p.Y, &p.Z}) {
                    float offset = coin(random_) ? kEdgeOffsets[anyOffset(random_)] : uniform(random_);
                    if (coin(random_)) offset = -offset;
                    *v += offset;
                    // One step more or less: the float neighbours of the offsets above.
                    const int nudge = static_cast<int>(random_() % 3) - 1;
                    if (nudge != 0) *v = std::nextafter(*v, nudge * std::numeric_limits<float>::infinity());
                }
                points.push_back(p);
            }
        }
        return points;
    }

    template <class T>
    void Shuffle(std::vector<T>& values) {
        std::shuffle(values.begin(), values.end(), random_);
    }

    std::mt19937& Random() { return random_; }

private:
    std::mt19937 random_;
};

std::vector<VgxVector> Join(std::vector<VgxVector> a, const std::vector<VgxVector>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- points ----

class BatchSearch : public ::testing::TestWithParam<int32_t> {};

INSTANTIATE_TEST_SUITE_P(TableTypes, BatchSearch, ::testing::Values(0, 1), [](const auto& info) {
    return info.param == 1 ? std::string("Buckets65536") : std::string("Buckets256");
});

TEST_P(BatchSearch, GridSoupsMergeLikeTheChainWalk) {
    Inputs inputs(11);
    PointPair pool(GetParam());
    // Batches this size go through the index.
    ASSERT_TRUE(modIndex::BatchUsesIndex(6400, 14400));
    PoolPoints(pool, inputs.Grid(60, 1, {0, 0, 0}), true);
    // A second grid overlapping the first, offset by less than the tolerance.
    PoolPoints(pool, inputs.Grid(40, 1, {10.00005f, 9.99995f, 0.00009f}), true);
    // Finer grids: steps around the tolerance and at the cell width.
    PoolPoints(pool, inputs.Grid(40, 0.0001f, {-3, -3, 1}), true);
    PoolPoints(pool, inputs.Grid(40, 1.0f / 1024, {-7, 2, 5}), true);
}

TEST_P(BatchSearch, JitteredClustersMergeLikeTheChainWalk) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        Inputs inputs(seed);
        PointPair pool(GetParam());
        auto points = inputs.Jittered(300, 12);
        PoolPoints(pool, points, true);
        // The same neighbourhoods again, into a pool that already holds them.
        PoolPoints(pool, inputs.Jittered(300, 12), true);
        if (HasFatalFailure()) return;
    }
}

TEST_P(BatchSearch, CoincidentPointsAndPointsPooledWithoutSearch) {
    Inputs inputs(21);
    PointPair pool(GetParam());
    // Without search, repeats become entries of their own, several per cell and bucket.
    auto grid = inputs.Grid(20, 0.5f, {1, 2, 3});
    PoolPoints(pool, grid, false);
    PoolPoints(pool, inputs.Jittered(50, 8), false);
    // A search must still find the oldest of them.
    inputs.Shuffle(grid);
    PoolPoints(pool, Join(grid, inputs.Jittered(50, 8)), true);
    std::vector<VgxVector> same(500, VgxVector{4, 4, 4});
    PoolPoints(pool, same, true);
}

TEST_P(BatchSearch, MovedPointsStayFiledUnderTheirOldBuckets) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        Inputs inputs(seed * 7);
        PointPair pool(GetParam());
        auto first = Join(inputs.Grid(30, 1, {0, 0, 0}), inputs.Jittered(100, 6));
        PoolPoints(pool, first, true);
        ASSERT_FALSE(HasFatalFailure());
        // Move entries as SetPoint would: onto other entries, next to them, far away
        // and onto positions the next batch brings. Their chains do not change.
        auto next = Join(inputs.Grid(30, 1, {0.5f, 0, 0}), inputs.Jittered(100, 6));
        std::mt19937& random = inputs.Random();
        for (int m = 0; m < pool.count / 3; ++m) {
            const int32_t i = static_cast<int32_t>(random() % static_cast<uint32_t>(pool.count));
            const int32_t j = static_cast<int32_t>(random() % static_cast<uint32_t>(pool.count));
            VgxVector to;
            switch (random() % 4) {
                case 0:
                    to = pool.list[j].Point;
                    break;
                case 1:
                    to = {pool.list[j].Point.X + 0.00005f, pool.list[j].Point.Y, pool.list[j].Point.Z};
                    break;
                case 2:
                    to = {pool.list[i].Point.X + 1000, -pool.list[i].Point.Y, 7};
                    break;
                default:
                    to = next[random() % next.size()];
                    break;
            }
            pool.list[i].Point = to;
            pool.walk.positions[i] = Of(to);
        }
        inputs.Shuffle(next);
        PoolPoints(pool, Join(first, next), true);
        if (HasFatalFailure()) return;
    }
}

TEST_P(BatchSearch, NonFiniteCoordinatesNeverMatch) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<VgxVector> points;
    for (int k = 0; k < 20; ++k) {
        points.insert(points.end(),
                      {{inf, 0, 0}, {-inf, inf, 1}, {nan, 1, 2}, {1, nan, 2}, {1, 1, 2}, {1, 1, 2.00005f}});
    }
    PointPair pool(GetParam());
    PoolPoints(pool, points, true);
    EXPECT_GE(pool.count, 4 * 20);
}

TEST_P(BatchSearch, SmallBatchesIntoALargePoolWalkTheChains) {
    Inputs inputs(5);
    PointPair pool(GetParam());
    PoolPoints(pool, inputs.Grid(50, 1, {0, 0, 0}), true);
    ASSERT_FALSE(modIndex::BatchUsesIndex(40, pool.count));
    PoolPoints(pool, inputs.Jittered(5, 8), true);
    auto grid = inputs.Grid(3, 1, {2, 2, 0});
    PoolPoints(pool, grid, true);
}

// ---- normals and UVs ----

TEST_P(BatchSearch, NormalsMergeLikeTheChainWalk) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        Inputs inputs(seed + 100);
        NormalPair pool(GetParam());
        PoolNormals(pool, inputs.Jittered(300, 10), true);
        PoolNormals(pool, Join(inputs.Grid(20, 0.05f, {-0.5f, -0.5f, 1}), inputs.Jittered(100, 10)), true);
        ASSERT_FALSE(HasFatalFailure());
        for (int32_t i = 0; i < pool.count; i += 5) {
            pool.list[i].Vector = {0, 0, 1};
            pool.walk.positions[i] = {0, 0, 1};
        }
        PoolNormals(pool, inputs.Jittered(100, 10), true);
        if (HasFatalFailure()) return;
    }
}

TEST_P(BatchSearch, UVsMergeLikeTheChainWalk) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        Inputs inputs(seed + 200);
        UVPair pool(GetParam());
        auto toUVs = [](const std::vector<VgxVector>& points) {
            std::vector<VgxUV> uvs;
            for (const VgxVector& p : points) uvs.push_back({p.X, p.Z});
            return uvs;
        };
        // A texture grid of 1/64 steps, seen as a soup, and jittered clusters.
        PoolUVs(pool, toUVs(inputs.Grid(64, 1.0f / 64, {0, 0, 0})), true);
        auto grid = inputs.Grid(64, 1.0f / 64, {0, 0, 0});
        for (VgxVector& p : grid) std::swap(p.Y, p.Z);
        PoolUVs(pool, toUVs(Join(grid, inputs.Jittered(200, 10))), true);
        ASSERT_FALSE(HasFatalFailure());
        for (int32_t i = 0; i < pool.count; i += 3) {
            pool.list[i].Coordinate = {0.25f, 0.75f};
            pool.walk.positions[i] = {0.25f, 0.75f};
        }
        PoolUVs(pool, toUVs(inputs.Jittered(200, 10)), true);
        if (HasFatalFailure()) return;
    }
}

// ---- through the object ----

// Face data naming each incoming point, normal and UV once per corner of triangles.
std::vector<int32_t> Triangles(size_t corners) {
    std::vector<int32_t> data;
    for (size_t c = 0; c + 3 <= corners; c += 3) {
        data.push_back(3);
        for (size_t k = c; k < c + 3; ++k) data.insert(data.end(), {int32_t(k), int32_t(k), int32_t(k)});
    }
    data.push_back(0);
    return data;
}

TEST(BatchSearchThroughObjects, AddFacesCornersPointAtWhatTheChainWalkFinds) {
    auto root = Vgx::Create();
    auto mesh = root->CreateObject();
    Inputs inputs(77);
    std::vector<VgxVector> points = Join(inputs.Grid(40, 1, {0, 0, 0}), inputs.Jittered(200, 9));
    points.resize(points.size() / 3 * 3);
    // More than 4000 incoming points: the pools get 65536 buckets.
    ChainWalk<3> walk(points.size() > 4000 ? 1 : 0);
    std::vector<int32_t> expected;
    auto add = [&](const std::vector<VgxVector>& batch) {
        std::vector<VgxUV> uvs;
        for (const VgxVector& p : batch) uvs.push_back({p.X, p.Y});
        mesh->AddFaces(batch, batch, uvs, Triangles(batch.size()), true, false);
        for (const VgxVector& p : batch) expected.push_back(walk.Add(PointBucket(p, walk.type), Of(p), true));
    };
    add(points);
    ASSERT_EQ(mesh->GetPointCount(), static_cast<int32_t>(walk.positions.size()));
    // Move a third of the points, then add the neighbourhoods again.
    for (int32_t i = 0; i < mesh->GetPointCount(); i += 3) {
        const VgxVector moved = mesh->GetPoint((i * 7) % mesh->GetPointCount());
        mesh->SetPoint(i, moved);
        walk.positions[i] = Of(moved);
    }
    auto again = Join(inputs.Jittered(300, 9), inputs.Grid(40, 1, {0, 0, 0}));
    again.resize(again.size() / 3 * 3);
    add(again);

    const vgx::iVgxObject& level = Internals(*mesh).Base();
    std::vector<int32_t> corners;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) corners.push_back(level.FaceCorners(f)[k].Point);
    }
    EXPECT_EQ(corners, expected);
    ASSERT_EQ(mesh->GetPointCount(), static_cast<int32_t>(walk.positions.size()));
    for (int32_t i = 0; i < mesh->GetPointCount(); ++i) {
        const VgxVector p = mesh->GetPoint(i);
        EXPECT_TRUE(SameBits(p.X, walk.positions[i][0]) && SameBits(p.Y, walk.positions[i][1]) &&
                    SameBits(p.Z, walk.positions[i][2]))
            << "point " << i;
    }
}

TEST(BatchSearchThroughObjects, BatchesLeaveTheSameArraysAsSingleAdds) {
    // The arrays' lengths show through the subscript checks, so they must match too.
    Inputs inputs(3);
    const auto points = Join(inputs.Grid(25, 1, {0, 0, 0}), inputs.Jittered(100, 8));
    for (int32_t type : {0, 1}) {
        for (int32_t preset : {0, 5}) {
            PointPair batch(type), single(type);
            for (int32_t i = 0; i < preset; ++i) {
                modIndex::AddPooledPoint(batch.list, batch.count, batch.table, vgx::VgxPoint{}, false, true);
                modIndex::AddPooledPoint(single.list, single.count, single.table, vgx::VgxPoint{}, false, true);
            }
            batch.list.resize(batch.list.size() + points.size());
            single.list.resize(single.list.size() + points.size());
            std::vector<int32_t> indexes, expected;
            modIndex::AddPooledPoints(batch.list, batch.count, batch.table, points, true, indexes);
            for (const VgxVector& p : points) {
                vgx::VgxPoint record;
                record.Point = p;
                expected.push_back(
                    modIndex::AddPooledPoint(single.list, single.count, single.table, record, false, true));
            }
            EXPECT_EQ(indexes, expected);
            EXPECT_EQ(batch.count, single.count);
            EXPECT_EQ(batch.list.size(), single.list.size());
            EXPECT_EQ(batch.table.heads, single.table.heads);
            EXPECT_EQ(batch.table.tails, single.table.tails);
        }
    }
}

}  // namespace
