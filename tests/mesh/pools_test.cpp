#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "mesh/mod_index.h"
#include "support/internals.h"
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

// ---- the five-digit key against the text conversion it stands for ----

// What the key is defined as: the value printed as "0.0000E+00" and read back.
float FiveDigitsByText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4E", static_cast<double>(value));
    return std::strtof(text, nullptr);
}

uint32_t BitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float FromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Compares bit patterns (NaNs included) and keeps the first few disagreements.
struct KeyCheck {
    int64_t checked = 0, failed = 0;
    std::string examples;

    void operator()(float value) {
        ++checked;
        const float fast = vgx::modIndex::RoundToFiveDigits(value), text = FiveDigitsByText(value);
        if (BitsOf(fast) == BitsOf(text)) return;
        if (++failed <= 10) {
            char line[128];
            std::snprintf(line, sizeof line, "%.9g (0x%08x): %.9g, text gives %.9g\n", value, BitsOf(value), fast,
                          text);
            examples += line;
        }
    }
    // value and its `spread` neighbours on either side.
    void Around(float value, int spread) {
        float below = value, above = value;
        (*this)(value);
        for (int i = 0; i < spread; ++i) {
            below = std::nextafter(below, -std::numeric_limits<float>::infinity());
            above = std::nextafter(above, std::numeric_limits<float>::infinity());
            (*this)(below);
            (*this)(above);
        }
    }
};

#define EXPECT_KEYS_AGREE(check)                                                             \
    EXPECT_EQ((check).failed, 0) << (check).failed << " of " << (check).checked << " differ:\n" \
                                 << (check).examples

TEST(FiveDigitKey, KnownValues) {
    using vgx::modIndex::RoundToFiveDigits;
    EXPECT_EQ(RoundToFiveDigits(1.234567f), 1.2346f);
    // Exact decimal halves round to even, as printf does: 1.03125 and 123465 are exact floats.
    EXPECT_EQ(RoundToFiveDigits(1.03125f), 1.0312f);
    EXPECT_EQ(RoundToFiveDigits(1.09375f), 1.0938f);
    EXPECT_EQ(RoundToFiveDigits(123465.0f), 123460.0f);
    EXPECT_EQ(RoundToFiveDigits(123475.0f), 123480.0f);
    EXPECT_EQ(RoundToFiveDigits(-123455.0f), -123460.0f);
    // Rounding up through a power of ten.
    EXPECT_EQ(RoundToFiveDigits(999996.0f), 1000000.0f);
    EXPECT_EQ(RoundToFiveDigits(9.99996e-20f), 1e-19f);
    EXPECT_EQ(BitsOf(RoundToFiveDigits(0.0f)), BitsOf(0.0f));
    EXPECT_EQ(BitsOf(RoundToFiveDigits(-0.0f)), BitsOf(-0.0f));
    EXPECT_EQ(RoundToFiveDigits(std::numeric_limits<float>::infinity()), std::numeric_limits<float>::infinity());
    EXPECT_EQ(RoundToFiveDigits(-std::numeric_limits<float>::infinity()), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(RoundToFiveDigits(std::numeric_limits<float>::max()), 3.4028e38f);
    // The smallest subnormal prints as 1.4013E-45, which reads back as itself.
    EXPECT_EQ(RoundToFiveDigits(std::numeric_limits<float>::denorm_min()), std::numeric_limits<float>::denorm_min());
    // Any NaN prints as "nan" or "-nan": the key is the quiet NaN of that sign.
    EXPECT_EQ(BitsOf(RoundToFiveDigits(FromBits(0x7F800001))), BitsOf(FiveDigitsByText(FromBits(0x7F800001))));
    EXPECT_EQ(BitsOf(RoundToFiveDigits(FromBits(0xFFC12345))), BitsOf(FiveDigitsByText(FromBits(0xFFC12345))));
}

TEST(FiveDigitKey, MatchesTheTextOnRandomFloatsOfEveryExponent) {
    KeyCheck check;
    std::mt19937 random(1234);
    // Uniform bit patterns: every exponent, both signs, subnormals, infinities and NaNs.
    for (int i = 0; i < 2'000'000; ++i) check(FromBits(static_cast<uint32_t>(random())));
    // Subnormals: the smallest ones one by one, the rest sampled.
    for (uint32_t bits = 1; bits < 100'000; ++bits) check(FromBits(bits));
    for (int i = 0; i < 200'000; ++i) check(FromBits(static_cast<uint32_t>(random()) & 0x007FFFFF));
    EXPECT_KEYS_AGREE(check);
}

TEST(FiveDigitKey, MatchesTheTextOnIntegersAndBinaryFractions) {
    KeyCheck check;
    // Six- to eight-digit integers hold exact decimal halves such as 123465.
    for (int32_t n = 0; n <= 1'100'000; ++n) {
        check(static_cast<float>(n));
        if (n % 7 == 0) check(-static_cast<float>(n));
    }
    std::mt19937 random(99);
    for (int i = 0; i < 300'000; ++i) check(static_cast<float>(random() % (1u << 24)));
    // n / 2^s: short binary fractions end in ...5 in decimal, some exactly on a half (33/32 = 1.03125).
    for (int s = 1; s <= 40; ++s) {
        for (int i = 0; i < 20'000; ++i) check(std::ldexp(static_cast<float>(random() % (1u << 24)), -s));
    }
    EXPECT_KEYS_AGREE(check);
}

TEST(FiveDigitKey, MatchesTheTextAtEveryRoundingBoundary) {
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
    EXPECT_KEYS_AGREE(check);
}

TEST(FiveDigitKey, EveryFiveDigitDecimalReadsBackAsItsFloat) {
    // The float nearest m x 10^k is within 2^-24 of it, so its five digits are m
    // again and its key must be itself. Between 1e-18 and 1e15 every m is tried;
    // elsewhere a sample.
    std::mt19937 random(3);
    int64_t checked = 0, failed = 0;
    std::string examples;
    char text[32];
    for (int k = -37; k <= 34; ++k) {
        const bool every = k >= -22 && k <= 10;
        for (int i = 0; i < (every ? 90000 : 3000); ++i) {
            const int m = every ? 10000 + i : 10000 + static_cast<int>(random() % 90000);
            std::snprintf(text, sizeof text, "%dE%d", m, k);
            const float value = std::strtof(text, nullptr);
            if (std::isinf(value)) continue;
            ++checked;
            const float key = vgx::modIndex::RoundToFiveDigits(value);
            if (BitsOf(key) != BitsOf(value) && ++failed <= 10) examples += std::string(text) + "\n";
        }
    }
    EXPECT_EQ(failed, 0) << failed << " of " << checked << " differ:\n" << examples;
}

TEST(FiveDigitKey, PointKeysMatchTheTextOfTheFilteredSum) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> wide(-2000, 2000), tiny(-0.0002f, 0.0002f);
    std::uniform_int_distribution<int> pick(0, 3);
    int failed = 0;
    for (int i = 0; i < 200'000; ++i) {
        float c[3];
        for (float& v : c) {
            const int kind = pick(random);
            v = kind == 0 ? tiny(random) : kind == 1 ? std::round(wide(random)) : wide(random);
        }
        float sum = 0;
        for (float v : c) {
            if (std::fabs(v) > 0.0001f) sum += v;
        }
        const VgxVector p{c[0], c[1], c[2]};
        if (BitsOf(vgx::modIndex::PointHashKey(p)) != BitsOf(FiveDigitsByText(sum)) && ++failed <= 5) {
            ADD_FAILURE() << "key of (" << c[0] << ", " << c[1] << ", " << c[2] << ")";
        }
    }
    EXPECT_EQ(failed, 0);
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
    EXPECT_EQ(Internals(*small).Base().PointHashTable.type, 0);
    EXPECT_EQ(Internals(*small).Base().NormalHashTable.type, 0);
    EXPECT_EQ(Internals(*large).Base().PointHashTable.type, 1);
    EXPECT_EQ(Internals(*large).Base().NormalHashTable.type, 1);
    EXPECT_EQ(Internals(*large).Base().PointHashTable.heads.size(), 65536u);
    EXPECT_EQ(Internals(*large).Base().UVHashTable.type, 0);
    EXPECT_EQ(large->GetPointCount(), 4001);
}

}  // namespace
