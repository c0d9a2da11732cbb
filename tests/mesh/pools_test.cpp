// The coordinate pools. Their hash key stands for a text conversion, so it is
// checked against that conversion over whole classes of floats. Pooling a batch
// must give exactly what filing the values one by one through the hash chains
// gives: the same index for every value, the same entries, the same chains; the
// batch tests pool awkward inputs through the library and through a plain chain
// walk written here, and compare everything.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include "base/task_pool.h"
#include "mesh/mod_index.h"
#include "support/internals.h"
#include "support/thread_counts.h"
#include "support/vgx_test.h"

namespace {

namespace modIndex = vgx::modIndex;
using modIndex::PointHashKey;
using modIndex::RoundToFiveDigits;
using vgx::HashTable, vgx::VgxPoint;
using vgx::test::ExpectOutOfRange;
using Ints = std::vector<int32_t>;
using Points = std::vector<VgxVector>;

constexpr float kTolerance = 0.0001f, kInf = std::numeric_limits<float>::infinity();

uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }
float FromBits(uint32_t bits) { return std::bit_cast<float>(bits); }

// What the key is defined as: the value printed as "0.0000E+00" and read back.
float FiveDigitsByText(float value) {
    char text[160];
    // A float's decimal expansion ends within 120 places: this text is exact.
    std::snprintf(text, sizeof text, "%.120E", static_cast<double>(value));
    const char* dot = std::strchr(text, '.');
    const char* exponent = std::strchr(text, 'E');
    const bool half = dot && exponent && dot[5] == '5' &&
                      std::all_of(dot + 6, exponent, [](char digit) { return digit == '0'; });
    if (!half) {
        // Below or above a half, printing's rounding is the nearest decimal's.
        std::snprintf(text, sizeof text, "%.4E", static_cast<double>(value));
        return std::strtof(text, nullptr);
    }
    // An exact half: the five digits go up in magnitude.
    int digits = (dot[-1] - '0') * 10000 + std::atoi(std::string(dot + 1, 4).c_str()) + 1;
    int power = std::atoi(exponent + 1);
    if (digits == 100000) digits = 10000, ++power;
    std::snprintf(text, sizeof text, "%s%d.%04dE%d", value < 0 ? "-" : "", digits / 10000, digits % 10000, power);
    return std::strtof(text, nullptr);
}

// The point key by its definition: the sum of the components above the tolerance, as text.
float TextKey(const VgxVector& p) {
    float sum = 0;
    for (float v : {p.X, p.Y, p.Z}) sum += std::fabs(v) > kTolerance ? v : 0;
    return FiveDigitsByText(sum);
}

class Pools : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
};

TEST_F(Pools, CoordinatesMergeStrictlyWithin0001) {
    // 3.0001 - 3 is just below 0.0001 in 32-bit floats; 3.0002 is not.
    for (float z : {3.0f, 3.0f, 3.00009f, 3.0001f}) EXPECT_EQ(mesh->AddOptimizedPoint({1, 2, z}), 0) << z;
    EXPECT_EQ((Ints{mesh->GetPointCount(), mesh->AddOptimizedPoint({1, 2, 3.0002f}), mesh->GetPointCount()}),
              (Ints{1, 1, 2}));
    EXPECT_FLOAT_EQ(mesh->GetPoint(1).Z, 3.0002f);
    // U 0 and 0.0001 differ by exactly the tolerance (and share a bucket through V 1): not within it.
    Ints indexes{mesh->AddOptimizedNormal({0, 0, 1}), mesh->AddOptimizedNormal({0, 0.00009f, 1}),
                 mesh->AddOptimizedNormal({0, 1, 0}), mesh->AddOptimizedUV({0.5f, 0.5f}),
                 mesh->AddOptimizedUV({0.50005f, 0.5f}), mesh->AddOptimizedUV({0.5f, 0.5002f}),
                 mesh->AddOptimizedUV({0, 1}), mesh->AddOptimizedUV({0.0001f, 1})};
    EXPECT_EQ(indexes, (Ints{0, 0, 1, 0, 0, 1, 2, 3}));
    indexes.assign(7, -5);
    mesh->AddOptimizedNormals({{0, 1, 0}, {1, 0, 0}}, indexes);
    EXPECT_EQ(indexes, (Ints{1, 2}));
    mesh->AddOptimizedUVs({{0.5f, 0.5f}}, indexes);
    EXPECT_EQ(indexes, Ints{0});
    mesh->AddOptimizedPoints({{0, 0, 0}, {1, 2, 3}, {0, 0, 0}}, indexes);
    EXPECT_EQ(indexes, (Ints{2, 0, 2}));
    mesh->AddOptimizedPoints({}, indexes);
    EXPECT_TRUE(indexes.empty());
}

TEST_F(Pools, AMovedPointStaysFiledUnderItsOldPosition) {
    EXPECT_EQ(mesh->AddOptimizedPoint({1, 0, 0}), 0);
    mesh->SetPoint(0, {5, 0, 0});
    EXPECT_FLOAT_EQ(mesh->GetPoint(0).X, 5);
    // 5 hashes to another bucket than 1: the search does not find the moved point. The old
    // position's bucket still leads to point 0, which no longer matches it.
    EXPECT_EQ((Ints{mesh->AddOptimizedPoint({5, 0, 0}), mesh->AddOptimizedPoint({1, 0, 0}), mesh->GetPointCount()}),
              (Ints{1, 2, 3}));
}

TEST_F(Pools, SingleEntriesAreCheckedAgainstTheArrayNotTheCount) {
    mesh->AddOptimizedPoint({0, 0, 0});
    mesh->AddOptimizedPoint({1, 0, 0});
    ExpectOutOfRange([&] { mesh->GetPoint(2); });
    ExpectOutOfRange([&] { mesh->GetPoint(-1); });
    ExpectOutOfRange([&] { mesh->SetNormal(0, {0, 0, 1}); });
    ExpectOutOfRange([&] { mesh->GetUV(0); });
    // Adding faces to a mesh that has points enlarges the arrays by the incoming
    // counts first; merged points leave spare entries past the count.
    mesh->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}}, {{0, 0}}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, true,
                   false);
    EXPECT_EQ(mesh->GetPointCount(), 3);
    EXPECT_EQ(mesh->GetPoint(3).X, 0);
    mesh->GetPoint(4);
    ExpectOutOfRange([&] { mesh->GetPoint(5); });
}

TEST_F(Pools, TablesGrowForLargeIncomingMeshes) {
    auto line = [&](int32_t points) {
        Points positions;
        for (int32_t i = 0; i < points; ++i) positions.push_back({static_cast<float>(i), 0, 0});
        auto object = root->CreateObject();
        object->AddFaces(positions, positions, {{0, 0}}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false, false);
        return object;
    };
    auto small = line(4000), large = line(4001);
    const vgx::iVgxObject &s = Internals(*small).Base(), &l = Internals(*large).Base();
    EXPECT_EQ((Ints{s.PointHashTable.type, s.NormalHashTable.type, l.PointHashTable.type, l.NormalHashTable.type,
                    l.UVHashTable.type, int32_t(l.PointHashTable.heads.size()), large->GetPointCount()}),
              (Ints{0, 0, 1, 1, 0, 65536, 4001}));
}

// ---- the five-digit key against the text conversion it stands for ----

TEST(FiveDigitKey, PointKeysOfKnownValues) {
    // Components of 0.0001 or less are left out of the point key.
    EXPECT_EQ(PointHashKey({0.00005f, -0.0001f, 0.00009f}), 0.0f);
    EXPECT_EQ(PointHashKey({1.234567f, 0, 0}), 1.2346f);
    EXPECT_EQ(PointHashKey({100000, 23456.78f, 0.00001f}), 123460.0f);
    EXPECT_EQ(PointHashKey({-1.5f, 0.25f, 0}), -1.25f);
}

TEST(FiveDigitKey, ExactHalvesGoAwayFromZeroAtEveryMagnitudeAndSign) {
    // 2^-8, 33/32, 10000.5 and 123445000 are floats whose sixth digit is an exact half.
    const std::pair<float, const char*> halves[] = {
        {0.00390625f, "0.0039063"}, {1.03125f, "1.0313"}, {10000.5f, "10001"}, {123445000.0f, "123450000"}};
    for (const auto& [value, key] : halves) {
        EXPECT_EQ(Bits(RoundToFiveDigits(value)), Bits(std::strtof(key, nullptr))) << value;
        EXPECT_EQ(Bits(RoundToFiveDigits(-value)), Bits(-std::strtof(key, nullptr))) << -value;
    }
    // A point filed under 0.0039063 is found from there, and 0.0039062 is another key.
    auto root = Vgx::Create();
    auto mesh = root->CreateObject();
    EXPECT_EQ((Ints{mesh->AddOptimizedPoint({0.00390625f, 0, 0}), mesh->AddOptimizedPoint({0.0039063f, 0, 0}),
                    mesh->AddOptimizedPoint({0.0039062f, 0, 0})}),
              (Ints{0, 0, 1}));
}

// Compares keys with what they must be bit for bit (NaNs included), reporting the first few that differ.
struct KeyCheck {
    int64_t checked = 0, failed = 0;

    ~KeyCheck() { EXPECT_EQ(failed, 0) << "keys differ, of " << checked; }
    void Same(float value, float key, float expected) {
        ++checked;
        if (Bits(key) != Bits(expected) && ++failed <= 10)
            ADD_FAILURE() << value << " (bits " << Bits(value) << "): " << key << ", expected " << expected;
    }
    void operator()(float value) { Same(value, RoundToFiveDigits(value), FiveDigitsByText(value)); }
    // value and its `spread` neighbours on either side.
    void Around(float value, int spread) {
        (*this)(value);
        for (float below = value, above = value; spread-- > 0;) {
            (*this)(below = std::nextafter(below, -kInf));
            (*this)(above = std::nextafter(above, kInf));
        }
    }
};

TEST(FiveDigitKey, MatchesTheTextOnRandomFloatsIntegersAndBinaryFractions) {
    KeyCheck check;
    // Values whose keys are known: 1.234567 gives 1.2346; exact decimal halves go away from zero
    // (1.03125 gives 1.0313, 1.09375 1.0938, 123465 123470, 123475 123480, -123455 -123460); rounding goes up
    // through a power of ten (999996 gives 1000000, 9.99996e-20 1e-19); the largest float gives 3.4028e38; the
    // smallest subnormal prints as 1.4013E-45, which reads back as itself; any NaN prints as "nan" or "-nan",
    // so its key is the quiet NaN of that sign.
    for (float value : {1.234567f, 1.03125f, 1.09375f, 123465.0f, 123475.0f, -123455.0f, 999996.0f, 9.99996e-20f, 0.0f,
                        -0.0f, kInf, -kInf, std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                        FromBits(0x7F800001), FromBits(0xFFC12345)})
        check(value);
    std::mt19937 random(1234);
    // Uniform bit patterns: every exponent, both signs, subnormals, infinities and NaNs.
    for (int i = 0; i < 2'000'000; ++i) check(FromBits(static_cast<uint32_t>(random())));
    // The smallest subnormals one by one; the uniform patterns above sample the rest.
    for (uint32_t bits = 1; bits < 100'000; ++bits) check(FromBits(bits));
    // Six- and seven-digit integers hold exact decimal halves such as 123465.
    for (int32_t n = 0; n <= 1'100'000; ++n) {
        check(static_cast<float>(n));
        if (n % 7 == 0) check(-static_cast<float>(n));
    }
    random.seed(99);
    // n / 2^s: short binary fractions end in ...5 in decimal, some exactly on a half (33/32 = 1.03125).
    for (int s = 1; s <= 40; ++s)
        for (int i = 0; i < 20'000; ++i) check(std::ldexp(static_cast<float>(random() % (1u << 24)), -s));
}

TEST(FiveDigitKey, MatchesTheTextAtEveryRoundingBoundaryAndReadsBackFiveDigitDecimals) {
    KeyCheck check;
    std::mt19937 random(7);
    char text[48];
    for (int exponent = -45; exponent <= 38; ++exponent) {
        // Powers of ten and their neighbours: where the digits move up a place.
        std::snprintf(text, sizeof text, "1E%d", exponent);
        check.Around(std::strtof(text, nullptr), 3);
        // The halves m.5 x 10^(exponent-4) between five-digit neighbours, and the
        // floats nearest them: the low and high ends of the decade in full, the rest sampled.
        auto half = [&](int m) {
            std::snprintf(text, sizeof text, "%d.%04d5E%d", m / 10000, m % 10000, exponent);
            check.Around(std::strtof(text, nullptr), 2);
        };
        for (int m = 10000; m < 10400; ++m) half(m);
        for (int m = 99600; m <= 99999; ++m) half(m);
        for (int i = 0; i < 4000; ++i) half(10000 + static_cast<int>(random() % 90000));
    }
    // The float nearest m x 10^k is within 2^-24 of it, so its five digits are m
    // again and its key must be itself: a sample of m at every k.
    random.seed(3);
    for (int k = -37; k <= 34; ++k) {
        for (int i = 0; i < 6000; ++i) {
            std::snprintf(text, sizeof text, "%dE%d", 10000 + static_cast<int>(random() % 90000), k);
            const float value = std::strtof(text, nullptr);
            if (!std::isinf(value)) check.Same(value, RoundToFiveDigits(value), value);
        }
    }
}

// ---- batches against the chain walk ----

int32_t Bucket(float key, int32_t type) {
    const int32_t byte2 = (Bits(key) >> 16) & 0xFF, byte1 = (Bits(key) >> 8) & 0xFF;
    return byte2 + (type == 1 ? byte1 * 256 : 0);
}

std::array<uint32_t, 3> Bits(const VgxVector& p) { return std::bit_cast<std::array<uint32_t, 3>>(p); }
bool Near(float a, float b) { return std::fabs(a - b) < kTolerance; }

// A library point pool next to the same pool kept the plain way: one list of entries
// per bucket, oldest first, where a search returns the first entry of the value's
// bucket whose position is near.
struct PoolPair {
    int32_t type;
    vgx::BlockArray<VgxPoint> list{};
    int32_t count = 0;
    HashTable table{};
    Points positions{};
    std::vector<Ints> chains = std::vector<Ints>(type == 1 ? 65536 : 256);

    int32_t Walk(const VgxVector& p, bool search) {
        Ints& chain = chains[Bucket(TextKey(p), type)];
        for (size_t k = 0; search && k < chain.size(); ++k) {
            const VgxVector& e = positions[chain[k]];
            if (Near(e.X, p.X) && Near(e.Y, p.Y) && Near(e.Z, p.Z)) return chain[k];
        }
        positions.push_back(p);
        chain.push_back(static_cast<int32_t>(positions.size() - 1));
        return chain.back();
    }
    // Moves an entry in both, as SetPoint would: its chain does not change.
    void Move(int32_t i, const VgxVector& to) { list[i].Point = positions[i] = to; }
    // Pools `points` both ways: every index, every entry's position and every chain, link by link, agree.
    void Pool(const Points& points, bool search) {
        if (table.heads.empty()) table.Reset(type);
        Ints indexes;
        modIndex::AddPooledPoints(list, count, table, points, search, indexes);
        ASSERT_EQ(indexes.size(), points.size());
        for (size_t i = 0; i < points.size(); ++i)
            ASSERT_EQ(indexes[i], Walk(points[i], search))
                << i << ": " << points[i].X << " " << points[i].Y << " " << points[i].Z;
        ASSERT_EQ(count, static_cast<int32_t>(positions.size()));
        for (int32_t i = 0; i < count; ++i) ASSERT_EQ(Bits(list[i].Point), Bits(positions[i])) << "entry " << i;
        for (size_t b = 0; b < chains.size(); ++b) {
            Ints chain;
            for (int32_t link = table.heads[b]; link != 0; link = list[link - 1].NextPoint) chain.push_back(link - 1);
            ASSERT_EQ(chain, chains[b]) << "bucket " << b;
            ASSERT_EQ(table.tails[b], chain.empty() ? 0 : chain.back() + 1) << "bucket " << b;
        }
    }
};

// A face soup over a lattice: every lattice point several times, in face order.
Points Grid(int side, float step, VgxVector origin) {
    Points points;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            for (int q = 0; q < 4; ++q)  // the corners (0, 0), (1, 0), (1, 1), (0, 1)
                points.push_back({origin.X + (i + (q == 1 || q == 2)) * step, origin.Y + (j + q / 2) * step, origin.Z});
    return points;
}

// Offsets around the tolerance: inside, on it, just past it, and on the float
// steps either side of it.
const std::vector<float> kEdgeOffsets = {0,         0.00001f, 0.00005f,  0.0000999f, 0.0001f,  0.00010001f,
                                         0.000105f, 0.00015f, 0.000199f, 0.0002f,    0.00025f, 0.0004f};

// Clusters of points around a few centres, offset along each axis by steps on
// both sides of the tolerance, so that whether two of them merge depends on
// the last bits. Centres sit on integers, on cell edges of 1/1024 and near
// the key's rounding boundaries, where neighbours fall in different buckets.
Points Jittered(std::mt19937& random, int clusters, int perCluster) {
    std::uniform_int_distribution<int> anyOffset(0, static_cast<int>(kEdgeOffsets.size()) - 1), coin(0, 1), kind(0, 5);
    std::uniform_real_distribution<float> uniform(-0.00025f, 0.00025f), spread(-50, 50);
    auto whole = [&] { return std::round(spread(random)); };
    const std::function<VgxVector()> centres[] = {
        [&] { return VgxVector{whole(), whole(), whole()}; },
        // On the edge between two cells.
        [&] {
            return VgxVector{(std::round(spread(random) * 1024) + 0.5f) / 1024, whole() + 0.5f / 1024, 0.5f / 1024};
        },
        [&] { return VgxVector{1.00005f + whole() * 0.0001f, 0, 0}; },  // key sums on a five-digit half
        [&] { return VgxVector{0.0001f, -0.0001f, 0.00005f}; },          // components about the 0.0001 left out
        [&] { return VgxVector{float(1 << 19) + whole(), -float(1 << 20), 3e30f}; },  // far out, floats are sparse
        [&] { return VgxVector{spread(random), spread(random), spread(random)}; }};
    Points points;
    for (int c = 0; c < clusters; ++c) {
        const VgxVector centre = centres[kind(random)]();
        for (int k = 0; k < perCluster; ++k) {
            VgxVector p = centre;
            for (float* v : {&p.X, &p.Y, &p.Z}) {
                const float offset = coin(random) ? kEdgeOffsets[anyOffset(random)] : uniform(random);
                *v += coin(random) ? -offset : offset;
                // One step more or less: the float neighbours of the offsets above.
                const int nudge = static_cast<int>(random() % 3) - 1;
                if (nudge != 0) *v = std::nextafter(*v, nudge * kInf);
            }
            points.push_back(p);
        }
    }
    return points;
}

Points Join(Points a, const Points& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class BatchSearch : public ::testing::TestWithParam<int32_t> {};

INSTANTIATE_TEST_SUITE_P(TableTypes, BatchSearch, ::testing::Values(0, 1), [](const auto& info) {
    return info.param == 1 ? std::string("Buckets65536") : std::string("Buckets256");
});

// Refiling a pool large enough to be linked in several chunks gives the chains
// that adding its entries one by one made.
TEST_P(BatchSearch, RefilingLinksEntriesAsAddingThemInOrderDid) {
    auto pool = PoolPair{GetParam()};
    pool.Pool(Grid(400, 0.37f, {1, 2, 3}), false);
    ASSERT_GT(pool.count, 600000);
    std::vector<int32_t> links;
    for (int32_t i = 0; i < pool.count; ++i) links.push_back(std::exchange(pool.list[i].NextPoint, -7));
    HashTable refiled;
    refiled.Reset(GetParam());
    modIndex::RefilePoints(pool.list, pool.count, refiled);
    EXPECT_EQ(refiled.heads, pool.table.heads);
    EXPECT_EQ(refiled.tails, pool.table.tails);
    for (int32_t i = 0; i < pool.count; ++i) ASSERT_EQ(pool.list[i].NextPoint, links[i]) << "entry " << i;
}

TEST_P(BatchSearch, GridSoupsAndCoincidentPointsMergeLikeTheChainWalk) {
    auto pool = PoolPair{GetParam()};
    // Batches this size go through the index.
    ASSERT_TRUE(modIndex::BatchUsesIndex(6400, 14400));
    pool.Pool(Grid(60, 1, {0, 0, 0}), true);
    // A second grid overlapping the first, offset by less than the tolerance.
    pool.Pool(Grid(40, 1, {10.00005f, 9.99995f, 0.00009f}), true);
    // Finer grids: steps around the tolerance and at the cell width.
    pool.Pool(Grid(40, 0.0001f, {-3, -3, 1}), true);
    pool.Pool(Grid(40, 1.0f / 1024, {-7, 2, 5}), true);
    // Small batches into a large pool walk the chains.
    ASSERT_FALSE(modIndex::BatchUsesIndex(40, pool.count));
    std::mt19937 random(5);
    pool.Pool(Jittered(random, 5, 8), true);
    pool.Pool(Grid(3, 1, {2, 2, 0}), true);
    ASSERT_FALSE(HasFatalFailure());

    // Without search, repeats become entries of their own, several per cell and bucket.
    auto plain = PoolPair{GetParam()};
    random.seed(21);
    auto grid = Grid(20, 0.5f, {1, 2, 3});
    plain.Pool(grid, false);
    plain.Pool(Jittered(random, 50, 8), false);
    // A search must still find the oldest of them.
    std::shuffle(grid.begin(), grid.end(), random);
    plain.Pool(Join(grid, Jittered(random, 50, 8)), true);
    plain.Pool(Points(500, VgxVector{4, 4, 4}), true);
}

TEST_P(BatchSearch, JitteredClustersAndNonFiniteCoordinatesMergeLikeTheChainWalk) {
    for (uint32_t seed = 1; seed <= 6 && !HasFatalFailure(); ++seed) {
        std::mt19937 random(seed);
        auto pool = PoolPair{GetParam()};
        pool.Pool(Jittered(random, 300, 12), true);
        // The same neighbourhoods again, into a pool that already holds them.
        pool.Pool(Jittered(random, 300, 12), true);
    }
    // Infinities and NaNs never match anything.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Points points;
    for (int k = 0; k < 20; ++k)
        points.insert(points.end(),
                      {{kInf, 0, 0}, {-kInf, kInf, 1}, {nan, 1, 2}, {1, nan, 2}, {1, 1, 2}, {1, 1, 2.00005f}});
    auto pool = PoolPair{GetParam()};
    pool.Pool(points, true);
    EXPECT_GE(pool.count, 4 * 20);
}

TEST_P(BatchSearch, MovedPointsStayFiledUnderTheirOldBuckets) {
    for (uint32_t seed = 1; seed <= 4 && !HasFatalFailure(); ++seed) {
        std::mt19937 random(seed * 7);
        auto pool = PoolPair{GetParam()};
        auto first = Join(Grid(30, 1, {0, 0, 0}), Jittered(random, 100, 6));
        pool.Pool(first, true);
        ASSERT_FALSE(HasFatalFailure());
        // Move entries onto other entries, next to them, far away and onto positions the next batch brings.
        auto next = Join(Grid(30, 1, {0.5f, 0, 0}), Jittered(random, 100, 6));
        for (int m = 0; m < pool.count / 3; ++m) {
            const int32_t i = static_cast<int32_t>(random() % static_cast<uint32_t>(pool.count));
            const int32_t j = static_cast<int32_t>(random() % static_cast<uint32_t>(pool.count));
            const VgxVector a = pool.list[j].Point, b = pool.list[i].Point;
            const uint32_t how = random() % 4;
            pool.Move(i, how == 0   ? a
                         : how == 1 ? VgxVector{a.X + 0.00005f, a.Y, a.Z}
                         : how == 2 ? VgxVector{b.X + 1000, -b.Y, 7}
                                    : next[random() % next.size()]);
        }
        std::shuffle(next.begin(), next.end(), random);
        pool.Pool(Join(first, next), true);
    }
}

// Batches big enough to be shared out over the threads by bucket: into an empty
// pool, into one holding entries, some moved, and with values that never match.
TEST_P(BatchSearch, BatchesSharedOutOverThreadsMergeLikeTheChainWalk) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    vgx::test::ForEachThreadCount({2, 3, 4}, [&](int32_t threads) {
        std::mt19937 random(threads);
        auto pool = PoolPair{GetParam()};
        Points first = Join(Grid(170, 1, {0, 0, 0}), Jittered(random, 2000, 12));
        first.insert(first.begin() + 1000, {{nan, 1, 2}, {kInf, 0, 0}, {nan, 1, 2}});
        pool.Pool(first, true);
        ASSERT_FALSE(HasFatalFailure()) << threads << " threads";
        for (int m = 0; m < 500; ++m) {
            const int32_t i = static_cast<int32_t>(random() % static_cast<uint32_t>(pool.count));
            const VgxVector a = pool.list[(i * 7) % pool.count].Point;
            pool.Move(i, m % 2 ? a : VgxVector{a.X + 0.00005f, a.Y, a.Z});
        }
        Points next = Join(Grid(180, 1, {0.00005f, 0, 0}), Jittered(random, 2000, 12));
        std::shuffle(next.begin(), next.end(), random);
        pool.Pool(next, true);
        ASSERT_FALSE(HasFatalFailure()) << threads << " threads";
    });
}

TEST(BatchSearchThroughObjects, BatchesLeaveTheSameArraysAsSingleAdds) {
    // The arrays' lengths show through the subscript checks, so they must match too.
    std::mt19937 random(3);
    const auto points = Join(Grid(25, 1, {0, 0, 0}), Jittered(random, 100, 8));
    for (int32_t type : {0, 1}) {
        for (int32_t preset : {0, 5}) {
            PoolPair batch{type}, one{type};
            for (auto* pool : {&batch, &one}) {
                pool->table.Reset(type);
                for (int32_t i = 0; i < preset; ++i)
                    modIndex::AddPooledPoint(pool->list, pool->count, pool->table, VgxPoint{}, false, true);
                pool->list.resize(pool->list.size() + points.size());
            }
            Ints indexes, expected;
            modIndex::AddPooledPoints(batch.list, batch.count, batch.table, points, true, indexes);
            VgxPoint record;
            for (const VgxVector& p : points) {
                record.Point = p;
                expected.push_back(modIndex::AddPooledPoint(one.list, one.count, one.table, record, false, true));
            }
            EXPECT_EQ(indexes, expected);
            EXPECT_EQ((Ints{batch.count, int32_t(batch.list.size())}), (Ints{one.count, int32_t(one.list.size())}));
            EXPECT_TRUE(batch.table.heads == one.table.heads && batch.table.tails == one.table.tails);
        }
    }
}

}  // namespace

TEST(SingleSearchThroughObjects, LongChainsStayRightAcrossMovesAndEdits) {
    // Points on the plane x + y + z = 1 share one key, so one chain holds them all: long
    // enough that single adds look through a kept index instead of walking it.
    auto root = Vgx::Create();
    auto object = root->CreateObject();
    ASSERT_EQ(Internals(*object).Base().PointHashTable.type, 0);
    PoolPair reference{0};
    Points plane;
    for (int i = 0; i < 60; ++i)
        for (int j = 0; j < 60; ++j) plane.push_back({i * 0.5f, j * 0.25f, 1 - i * 0.5f - j * 0.25f});
    const auto add = [&](const VgxVector& p) {
        ASSERT_EQ(object->AddOptimizedPoint(p), reference.Walk(p, true)) << p.X << " " << p.Y << " " << p.Z;
    };
    const auto sync = [&] {
        for (int32_t i = 0; i < object->GetPointCount(); ++i) reference.positions[i] = object->GetPoint(i);
    };
    for (const VgxVector& p : plane) add(p);
    for (const VgxVector& p : plane) add({p.X + 0.00005f, p.Y - 0.00005f, p.Z});
    // A move must be seen by the next search: an older entry moved onto a newer one's
    // position is found first, and a moved entry no longer answers for where it was.
    std::mt19937 random(11);
    for (int m = 0; m < 100 && !testing::Test::HasFatalFailure(); ++m) {
        const auto i = static_cast<int32_t>(random() % plane.size()), j = static_cast<int32_t>(random() % plane.size());
        object->SetPoint(std::min(i, j), object->GetPoint(std::max(i, j)));
        sync();
        add(plane[static_cast<size_t>(std::max(i, j))]);
        add(plane[static_cast<size_t>(std::min(i, j))]);
    }
    object->Translate({0.5f, -0.5f, 0});
    object->SetPoints({{0.5f, 0.25f, 0.25f}});
    sync();
    for (size_t k = 0; k < plane.size() && !testing::Test::HasFatalFailure(); k += 7) add(plane[k]);
    // Adds through a face proxy share the kept index with the object's own.
    auto face = object->CreateFace();
    face->AddPoint(plane[5], {0, 0, 1}, {0, 0});
    reference.Walk(plane[5], true);
    add(plane[5]);
    EXPECT_EQ(object->GetPointCount(), static_cast<int32_t>(reference.positions.size()));
}
