#include "mesh/mod_index.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "base/mod_vector.h"
#include "base/task_pool.h"
#include "mesh/proximity_index.h"
#include "mesh/recent_values.h"

namespace vgx::modIndex {
namespace {

constexpr float kTolerance = 0.0001f;

uint32_t Bits(float key) {
    uint32_t bits;
    std::memcpy(&bits, &key, sizeof bits);
    return bits;
}

// ---- five significant digits ----
//
// The key is what printing the float with "%.4E" and reading the text back gives.
// Doubles get that right for nearly every value; values whose scaled form lies
// too close to a rounding boundary, and the ranges without exact powers of ten
// in a double, are settled with exact integer arithmetic.

using Wide = unsigned __int128;

constexpr std::array<Wide, 51> kPowersOf5 = [] {
    std::array<Wide, 51> powers{};
    powers[0] = 1;
    for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 5;
    return powers;
}();

// The powers of ten a double holds exactly.
constexpr std::array<double, 23> kPowersOf10 = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

int BitLength(Wide v) {
    const auto high = static_cast<uint64_t>(v >> 64), low = static_cast<uint64_t>(v);
    return high != 0 ? 128 - std::countl_zero(high) : 64 - std::countl_zero(low);
}

// How a remainder compares with one half of the divisor.
int CompareWithHalf(Wide rest, Wide half) { return rest < half ? -1 : rest > half ? 1 : 0; }

// Rounds to nearest, ties to even, given how the discarded part compares with one half.
uint64_t RoundEven(uint64_t whole, int half) { return whole + (half > 0 || (half == 0 && (whole & 1) != 0)); }

// A positive finite float as mantissa x 2^exponent.
struct Binary {
    uint32_t mantissa;
    int exponent;
};

Binary Decompose(float magnitude) {
    const uint32_t bits = Bits(magnitude);
    const uint32_t field = bits >> 23, fraction = bits & 0x7FFFFF;
    if (field == 0) return {fraction, -149};
    return {fraction | 0x800000, static_cast<int>(field) - 150};
}

// The integer part of x / 10^k and how the rest compares with one half. The
// callers' k keep the quotient below 10^6, which keeps every product in 128 bits.
struct Quotient {
    uint64_t whole;
    int half;
};

Quotient DivideByPowerOf10(Binary x, int k) {
    if (k <= 0) {
        // x * 10^n = mantissa * 5^n * 2^(exponent + n)
        const Wide scaled = Wide{x.mantissa} * kPowersOf5[-k];
        const int shift = x.exponent - k;
        if (shift >= 0) return {static_cast<uint64_t>(scaled << shift), -1};
        const Wide whole = scaled >> -shift;
        const Wide rest = scaled & ((Wide{1} << -shift) - 1);
        return {static_cast<uint64_t>(whole), CompareWithHalf(rest, Wide{1} << (-shift - 1))};
    }
    // x / 10^k = mantissa * 2^(exponent - k) / 5^k
    Wide numerator = x.mantissa, divisor = kPowersOf5[k];
    if (x.exponent >= k) {
        numerator <<= x.exponent - k;
    } else {
        divisor <<= k - x.exponent;
    }
    const Wide whole = numerator / divisor, rest = numerator % divisor;
    return {static_cast<uint64_t>(whole), CompareWithHalf(2 * rest, divisor)};
}

// The float nearest to m x 10^k, ties to even, for 10^4 <= m < 10^5 and the k
// a float's decimal rounding yields (-49 to 34).
float ExactDecimalToFloat(uint64_t m, int k) {
    if (k >= 0) {
        const Wide value = Wide{m} * kPowersOf5[k];  // times 2^k
        const int length = BitLength(value);
        if (length <= 24) return std::ldexp(static_cast<float>(static_cast<uint64_t>(value)), k);
        const int drop = length - 24;
        const uint64_t kept = RoundEven(static_cast<uint64_t>(value >> drop),
                                        CompareWithHalf(value & ((Wide{1} << drop) - 1), Wide{1} << (drop - 1)));
        return std::ldexp(static_cast<float>(kept), k + drop);  // kept <= 2^24: exact
    }
    // m / 10^j scaled by 2^t to 24 significant bits, or onto the subnormal spacing 2^-149.
    const int j = -k;
    int t = 23 - static_cast<int>(std::floor(std::log2(static_cast<double>(m)) - j * 3.321928094887362));
    for (t = std::min(t, 149);;) {
        Wide numerator = m, divisor = kPowersOf5[j];
        if (t >= j) {
            numerator <<= t - j;
        } else {
            divisor <<= j - t;
        }
        const Wide whole = numerator / divisor;
        if (whole >= Wide{1} << 24) {
            --t;
        } else if (whole < Wide{1} << 23 && t < 149) {
            ++t;
        } else {
            const Wide rest = numerator - whole * divisor;
            const uint64_t kept = RoundEven(static_cast<uint64_t>(whole), CompareWithHalf(2 * rest, divisor));
            return std::ldexp(static_cast<float>(kept), -t);
        }
    }
}

float ExactRound(Binary x, int k) {
    Quotient q = DivideByPowerOf10(x, k);
    if (q.whole >= 100000) q = DivideByPowerOf10(x, ++k);
    uint64_t m = RoundEven(q.whole, q.half);
    if (m == 100000) {
        m = 10000;
        ++k;
    }
    return ExactDecimalToFloat(m, k);
}

float RoundMagnitude(float magnitude) {
    const Binary x = Decompose(magnitude);
    // 2^b <= magnitude < 2^(b+1) puts the decimal exponent at e0 or e0 + 1.
    const int b = x.exponent + 31 - std::countl_zero(x.mantissa);
    const int e0 = static_cast<int>(std::floor(b * 0.30102999566398120));
    int k = e0 - 4;  // the scale that leaves five digits before the point
    if (k < -22 || k > 21) return ExactRound(x, k);

    const auto scale = [magnitude](int at) {
        return at <= 0 ? static_cast<double>(magnitude) * kPowersOf10[-at] : magnitude / kPowersOf10[at];
    };
    double scaled = scale(k);  // one rounding: within 2^-53 relative
    if (scaled >= 100000) scaled = scale(++k);
    const double whole = std::floor(scaled), rest = scaled - whole;
    // Too close to a half to trust the double's last bits.
    if (std::fabs(rest - 0.5) < 1e-9) return ExactRound(x, k);
    uint64_t m = static_cast<uint64_t>(whole) + (rest > 0.5);
    if (m == 100000) {
        m = 10000;
        ++k;
    }
    if (k >= 0 && k <= 10) return static_cast<float>(m * kPowersOf10[k]);  // an exact product, rounded once
    if (k < 0 && k >= -22) {
        // Rounding to double and then to float is a single correct rounding unless the
        // double lands exactly halfway between two floats.
        const double quotient = static_cast<double>(m) / kPowersOf10[-k];
        uint64_t bits;
        std::memcpy(&bits, &quotient, sizeof bits);
        if ((bits & 0x1FFFFFFF) != 0x10000000) return static_cast<float>(quotient);
    }
    return ExactDecimalToFloat(m, k);
}

// ---- the pools ----

// The next-link field of each pooled record.
int32_t& Next(VgxPoint& p) { return p.NextPoint; }
int32_t& Next(iVgxNormal& n) { return n.NextNormal; }
int32_t& Next(iVgxUVCoordinate& t) { return t.NextUV; }

// Links entry `index` at the end of its bucket's chain.
template <class Record>
void Link(BlockArray<Record>& list, HashTable& table, int32_t bucket, int32_t index) {
    Next(list[index]) = 0;
    int32_t& head = table.heads[bucket];
    int32_t& tail = table.tails[bucket];
    if (head == 0) {
        head = index + 1;
    } else {
        Next(list[tail - 1]) = index + 1;
    }
    tail = index + 1;
}

// Appends the record at `count` and links it at the end of its bucket's chain.
template <class Record>
int32_t Append(BlockArray<Record>& list, int32_t& count, HashTable& table, int32_t bucket, const Record& record) {
    if (count == 0) {
        list.assign(1, Record{});
    } else if (static_cast<int32_t>(list.size()) <= count) {
        list.resize(static_cast<size_t>(count) + 1);
    }
    const int32_t index = count++;
    list[index] = record;
    Link(list, table, bucket, index);
    return index;
}

// The shared find-or-insert: walk the bucket's chain for a match, else append.
// Chains only link older entries to newer ones, so the first match is the oldest.
template <class Record, class Matches>
int32_t FindOrInsert(BlockArray<Record>& list, int32_t& count, HashTable& table, int32_t bucket, const Record& record,
                     bool findOnly, bool search, Matches&& matches) {
    if (search) {
        for (int32_t link = table.heads[bucket]; link != 0; link = Next(list[link - 1])) {
            if (matches(list[link - 1])) return link - 1;
        }
    }
    if (findOnly) return -1;
    return Append(list, count, table, bucket, record);
}

// How each pool files, compares and positions its values.
struct PointPool {
    using Record = VgxPoint;
    using Value = VgxVector;
    static constexpr int kDims = 3;
    static int32_t Bucket(const VgxVector& p, int32_t type) { return FloatBucket(PointHashKey(p), type); }
    static Record Make(const VgxVector& p) {
        VgxPoint record;
        record.Point = p;
        return record;
    }
    static const VgxVector& Of(const Record& record) { return record.Point; }
    static bool Matches(const VgxVector& pooled, const VgxVector& p) { return modVector::VectorsEqual(pooled, p); }
    static std::array<float, 3> Position(const VgxVector& p) { return {p.X, p.Y, p.Z}; }
};

struct NormalPool {
    using Record = iVgxNormal;
    using Value = VgxVector;
    static constexpr int kDims = 3;
    static int32_t Bucket(const VgxVector& n, int32_t type) {
        return FloatBucket(static_cast<float>(static_cast<double>(n.Y) + n.X + n.Z), type);
    }
    static Record Make(const VgxVector& n) { return iVgxNormal{n, 0}; }
    static const VgxVector& Of(const Record& record) { return record.Vector; }
    static bool Matches(const VgxVector& pooled, const VgxVector& n) { return modVector::VectorsEqual(pooled, n); }
    static std::array<float, 3> Position(const VgxVector& n) { return {n.X, n.Y, n.Z}; }
};

struct UVPool {
    using Record = iVgxUVCoordinate;
    using Value = VgxUV;
    static constexpr int kDims = 2;
    static int32_t Bucket(const VgxUV& uv, int32_t type) {
        return FloatBucket(static_cast<float>(static_cast<double>(uv.V) + uv.U), type);
    }
    static Record Make(const VgxUV& uv) { return iVgxUVCoordinate{uv, 0}; }
    static const VgxUV& Of(const Record& record) { return record.Coordinate; }
    static bool Matches(const VgxUV& pooled, const VgxUV& uv) {
        return std::fabs(pooled.U - uv.U) < kTolerance && std::fabs(pooled.V - uv.V) < kTolerance;
    }
    static std::array<float, 2> Position(const VgxUV& uv) { return {uv.U, uv.V}; }
};

template <class Pool>
int32_t AddOne(BlockArray<typename Pool::Record>& list, int32_t& count, HashTable& table, int32_t bucket,
               const typename Pool::Value& value, bool search) {
    return FindOrInsert(
        list, count, table, bucket, Pool::Make(value), false, search,
        [&](const typename Pool::Record& candidate) { return Pool::Matches(Pool::Of(candidate), value); });
}

template <class Pool>
using PoolIndex = ProximityIndex<Pool::kDims>;

// Every bucket, for indexes of a whole pool.
constexpr auto kEveryBucket = [](size_t) { return true; };

// An index of every entry where it is now, under the bucket its chain files it
// in, for the buckets `inShare` takes; `expected` entries and `cells` cells are
// first guesses.
template <class Pool, class InShare>
PoolIndex<Pool> IndexPool(BlockArray<typename Pool::Record>& list, const HashTable& table, size_t expected,
                          size_t cells, InShare&& inShare) {
    PoolIndex<Pool> index(static_cast<int32_t>(expected), kTolerance, cells);
    for (size_t bucket = 0; bucket < table.heads.size(); ++bucket) {
        if (!inShare(bucket)) continue;
        for (int32_t link = table.heads[bucket]; link != 0; link = Next(list[link - 1])) {
            index.Insert(link - 1, static_cast<int32_t>(bucket), Pool::Position(Pool::Of(list[link - 1])));
        }
    }
    return index;
}

// What FindOrInsert finds or appends, looked up through an index of the pool.
template <class Pool>
int32_t FindOrAppendIndexed(BlockArray<typename Pool::Record>& list, int32_t& count, HashTable& table,
                            PoolIndex<Pool>& index, const typename Pool::Value& value, int32_t bucket) {
    const auto at = Pool::Position(value);
    int32_t found =
        index.FindFirst(bucket, at, [&](int32_t entry) { return Pool::Matches(Pool::Of(list[entry]), value); });
    if (found < 0) {
        found = Append(list, count, table, bucket, Pool::Make(value));
        index.Insert(found, bucket, at);
    }
    return found;
}

constexpr size_t kValuesPerChunk = 8192;

// The bucket of every value(i), worked out on the pool: rounding the keys costs
// more than filing them.
template <class Pool, class ValueAt>
BlockArray<int32_t> Buckets(size_t count, int32_t tableType, ValueAt&& value) {
    BlockArray<int32_t> buckets(count);
    tasks::ParallelFor(count, kValuesPerChunk, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) buckets[i] = Pool::Bucket(value(i), tableType);
    });
    return buckets;
}

// Links entries first, first + 1, ... at the ends of their buckets' chains (entry
// first + i under buckets[i]), as linking them one by one in index order would.
// Each chunk of entries is linked into chains of its own on a worker thread; each
// bucket's chunk chains, joined in chunk order, are the chain one walk makes.
template <class Record>
void LinkInOrder(BlockArray<Record>& list, HashTable& table, size_t first, const BlockArray<int32_t>& buckets) {
    constexpr size_t kEntriesPerChunk = size_t{1} << 18;
    const size_t count = buckets.size();
    if (count <= kEntriesPerChunk) {
        for (size_t i = 0; i < count; ++i) Link(list, table, buckets[i], static_cast<int32_t>(first + i));
        return;
    }
    std::vector<HashTable> chunkTables((count + kEntriesPerChunk - 1) / kEntriesPerChunk);
    tasks::ParallelFor(count, kEntriesPerChunk, [&](size_t begin, size_t end) {
        HashTable& chunk = chunkTables[begin / kEntriesPerChunk];
        chunk.Reset(table.type);
        for (size_t i = begin; i < end; ++i) Link(list, chunk, buckets[i], static_cast<int32_t>(first + i));
    });
    constexpr size_t kBucketsPerChunk = tasks::kFineGrain;
    tasks::ParallelFor(table.heads.size(), kBucketsPerChunk, [&](size_t begin, size_t end) {
        for (size_t bucket = begin; bucket < end; ++bucket) {
            int32_t& head = table.heads[bucket];
            int32_t& tail = table.tails[bucket];
            for (const HashTable& chunk : chunkTables) {
                if (chunk.heads[bucket] == 0) continue;
                if (head == 0) {
                    head = chunk.heads[bucket];
                } else {
                    Next(list[tail - 1]) = chunk.heads[bucket];
                }
                tail = chunk.tails[bucket];
            }
        }
    });
}

// Files entries [0, count) again under their current values, in index order, as
// appending them one by one to an empty table would.
template <class Pool>
void Refile(BlockArray<typename Pool::Record>& list, int32_t count, HashTable& table) {
    const BlockArray<int32_t> buckets = Buckets<Pool>(
        static_cast<size_t>(count), table.type, [&](size_t i) -> const auto& { return Pool::Of(list[i]); });
    LinkInOrder(list, table, 0, buckets);
}

// The share of the threads that pools the values filed in `bucket`.
size_t ShareOf(int32_t bucket, size_t shares) { return (static_cast<uint32_t>(bucket) * 2654435761u >> 16) % shares; }

// Whether the values spread over the shares well enough to be worth sharing out:
// a batch of one value repeated (a flat mesh's normal) fills one bucket, and one
// share would then do all the work while the others wait. Judged on a sample.
bool SpreadOverShares(const BlockArray<int32_t>& buckets, size_t shares) {
    constexpr size_t kSample = 256;
    std::vector<size_t> perShare(shares, 0);
    for (size_t k = 0; k < kSample; ++k) ++perShare[ShareOf(buckets[k * buckets.size() / kSample], shares)];
    return *std::max_element(perShare.begin(), perShare.end()) * 4 <= kSample * 3;
}

// A searching batch on several threads. A value only ever matches entries filed
// in its own bucket, so the buckets are shared out: each thread pools the values
// of its share, in batch order, through an index of its buckets' entries and of
// the new values it met, a new value named by count + its place in the batch.
// The new values are then numbered in batch order and each is linked at the end
// of its chain by the thread owning its bucket: the entries, chains and indexes
// one walk in batch order makes.
template <class Pool>
void AddBatchShared(BlockArray<typename Pool::Record>& list, int32_t& count, HashTable& table,
                    std::span<const typename Pool::Value> values, const BlockArray<int32_t>& buckets, size_t shares,
                    std::vector<int32_t>& indexes) {
    using Value = typename Pool::Value;
    const int32_t before = count;
    const size_t n = values.size();
    const auto isNew = [&](size_t i) { return indexes[i] == before + static_cast<int32_t>(i); };
    tasks::RunChunks(shares, [&](size_t share) {
        const auto inShare = [&](size_t bucket) { return ShareOf(static_cast<int32_t>(bucket), shares) == share; };
        auto index = IndexPool<Pool>(list, table, static_cast<size_t>(before) + n,
                                     (static_cast<size_t>(before) + n / 16) / shares, inShare);
        RecentValues<Value, Pool::kDims> recent(n / shares);
        for (size_t i = 0; i < n; ++i) {
            const int32_t bucket = buckets[i];
            if (!inShare(static_cast<size_t>(bucket))) continue;
            const Value& value = values[i];
            int32_t found = recent.Find(value);
            if (found < 0) {
                const auto at = Pool::Position(value);
                found = index.FindFirst(bucket, at, [&](int32_t entry) {
                    return Pool::Matches(entry < before ? Pool::Of(list[entry]) : values[entry - before], value);
                });
                if (found < 0) {
                    found = before + static_cast<int32_t>(i);
                    index.Insert(found, bucket, at);
                }
                recent.Remember(value, at, found);
            }
            indexes[i] = found;
        }
    });
    BlockArray<int32_t> newBefore(n);
    const auto added = static_cast<int32_t>(tasks::ExclusiveScan(
        n, kValuesPerChunk, [&](size_t i) { return isNew(i) ? 1 : 0; }, newBefore.data()));
    if (added == 0) return;
    // As appending one by one does: an empty pool's first entry resets the list.
    if (before == 0) list.assign(1, typename Pool::Record{});
    if (list.size() < static_cast<size_t>(before + added)) list.resize(static_cast<size_t>(before + added));
    tasks::RunChunks(shares, [&](size_t share) {
        for (size_t i = 0; i < n; ++i) {
            if (!isNew(i) || ShareOf(buckets[i], shares) != share) continue;
            const int32_t entry = before + newBefore[i];
            list[entry] = Pool::Make(values[i]);
            Link(list, table, buckets[i], entry);
        }
    });
    tasks::ParallelFor(n, kValuesPerChunk, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            if (indexes[i] >= before) indexes[i] = before + newBefore[indexes[i] - before];
        }
    });
    count = before + added;
}

// A batch appended without searching, as Append one by one leaves the pool.
template <class Pool>
void AppendBatch(BlockArray<typename Pool::Record>& list, int32_t& count, HashTable& table,
                 std::span<const typename Pool::Value> values, const BlockArray<int32_t>& buckets,
                 std::vector<int32_t>& indexes) {
    if (values.empty()) return;
    const auto before = static_cast<size_t>(count);
    // An empty pool's first entry resets the list; spare entries past the count are
    // overwritten, and the list grows only when they run out.
    if (before == 0) list.assign(1, typename Pool::Record{});
    if (list.size() < before + values.size()) GrowForOverwrite(list, before + values.size());
    tasks::ParallelFor(values.size(), kValuesPerChunk, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            list[before + i] = Pool::Make(values[i]);
            indexes[i] = static_cast<int32_t>(before + i);
        }
    });
    LinkInOrder(list, table, before, buckets);
    count = static_cast<int32_t>(before + values.size());
}

template <class Pool>
void AddBatch(BlockArray<typename Pool::Record>& list, int32_t& count, HashTable& table,
              std::span<const typename Pool::Value> values, bool search, std::vector<int32_t>& indexes) {
    indexes.resize(values.size());
    const BlockArray<int32_t> buckets = Buckets<Pool>(
        values.size(), table.type, [&](size_t i) -> const auto& { return values[i]; });
    if (!search) return AppendBatch<Pool>(list, count, table, values, buckets, indexes);
    if (!BatchUsesIndex(values.size(), count)) {
        for (size_t i = 0; i < values.size(); ++i) {
            indexes[i] = AddOne<Pool>(list, count, table, buckets[i], values[i], search);
        }
        return;
    }
    constexpr size_t kLeastShare = 32768;
    const size_t shares = tasks::RunCount(values.size(), kLeastShare);
    if (shares > 1 && SpreadOverShares(buckets, shares)) {
        return AddBatchShared<Pool>(list, count, table, values, buckets, shares, indexes);
    }
    // No position changes while the batch runs, so one index answers every search.
    // Appends can only come from this batch. The cells start few (soups repeat
    // most values) and grow as they fill.
    auto index = IndexPool<Pool>(list, table, static_cast<size_t>(count) + values.size(),
                                 static_cast<size_t>(count) + values.size() / 16, kEveryBucket);
    RecentValues<typename Pool::Value, Pool::kDims> recent(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const typename Pool::Value& value = values[i];
        int32_t found = recent.Find(value);
        if (found < 0) {
            found = FindOrAppendIndexed<Pool>(list, count, table, index, value, buckets[i]);
            recent.Remember(value, Pool::Position(value), found);
        }
        indexes[i] = found;
    }
}

// An index kept across single searches while its pool grows through them only.
template <class Pool>
struct KeptIndex {
    std::optional<PoolIndex<Pool>> index;
    int64_t walked = 0;  // chain links walked since the cache was made
    int32_t filed = 0;   // the pool's count when the index last saw it
    int32_t tableType = 0;
};

// One searching add. Chains are walked until the walks have cost about what an
// index of the whole pool costs to build (a step a link against a step an
// entry); then the index is built and kept until the pool changes some other
// way. A run of adds thus never costs more than twice the cheaper of the two.
template <class Pool>
int32_t AddKept(BlockArray<typename Pool::Record>& list, int32_t& count, HashTable& table, KeptIndex<Pool>& kept,
                const typename Pool::Value& value) {
    if (kept.index && (kept.filed != count || kept.tableType != table.type)) kept.index.reset();
    if (!kept.index) {
        constexpr int64_t kLeastWalk = 4096;
        const int64_t allowance = std::max<int64_t>(count, kLeastWalk);
        const int32_t bucket = Pool::Bucket(value, table.type);
        int32_t link = table.heads[bucket];
        for (; link != 0 && kept.walked <= allowance; link = Next(list[link - 1]), ++kept.walked) {
            if (Pool::Matches(Pool::Of(list[link - 1]), value)) return link - 1;
        }
        if (link == 0) return Append(list, count, table, bucket, Pool::Make(value));
        kept.index.emplace(
            IndexPool<Pool>(list, table, static_cast<size_t>(count) * 2, static_cast<size_t>(count), kEveryBucket));
        kept.tableType = table.type;
    }
    const int32_t found =
        FindOrAppendIndexed<Pool>(list, count, table, *kept.index, value, Pool::Bucket(value, table.type));
    kept.filed = count;
    return found;
}

}  // namespace

float RoundToFiveDigits(float value) {
    if (std::isnan(value)) return std::copysign(std::numeric_limits<float>::quiet_NaN(), value);
    if (value == 0 || std::isinf(value)) return value;
    const float rounded = RoundMagnitude(std::fabs(value));
    return value < 0 ? -rounded : rounded;
}

float PointHashKey(const VgxVector& point) {
    float sum = 0;
    for (float component : {point.X, point.Y, point.Z}) {
        if (std::fabs(component) > kTolerance) sum += component;
    }
    return RoundToFiveDigits(sum);
}

int32_t FloatBucket(float key, int32_t tableType) {
    const uint32_t bits = Bits(key);
    const int32_t b1 = (bits >> 8) & 0xFF, b2 = (bits >> 16) & 0xFF;
    return b1 * 256 * tableType + b2;
}

bool BatchUsesIndex(size_t incoming, int32_t pooled) {
    // Building costs about one step per pooled entry; below this many incoming
    // values, or with a pool many times the batch, the walks are cheaper.
    constexpr size_t kMinimumBatch = 64, kPoolPerIncoming = 16;
    return incoming >= kMinimumBatch && incoming * kPoolPerIncoming >= static_cast<size_t>(pooled);
}

int32_t AddPooledPoint(BlockArray<VgxPoint>& list, int32_t& count, HashTable& table, const VgxPoint& point,
                       bool findOnly, bool search) {
    return FindOrInsert(list, count, table, PointPool::Bucket(point.Point, table.type), point, findOnly, search,
                        [&](const VgxPoint& candidate) { return PointPool::Matches(candidate.Point, point.Point); });
}

int32_t AddPooledNormal(BlockArray<iVgxNormal>& list, int32_t& count, HashTable& table, const VgxVector& normal,
                        bool search) {
    return AddOne<NormalPool>(list, count, table, NormalPool::Bucket(normal, table.type), normal, search);
}

int32_t AddPooledUV(BlockArray<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, const VgxUV& uv,
                    bool search) {
    return AddOne<UVPool>(list, count, table, UVPool::Bucket(uv, table.type), uv, search);
}

void AddPooledPoints(BlockArray<VgxPoint>& list, int32_t& count, HashTable& table, std::span<const VgxVector> points,
                     bool search, std::vector<int32_t>& indexes) {
    AddBatch<PointPool>(list, count, table, points, search, indexes);
}

void AddPooledNormals(BlockArray<iVgxNormal>& list, int32_t& count, HashTable& table,
                      std::span<const VgxVector> normals, bool search, std::vector<int32_t>& indexes) {
    AddBatch<NormalPool>(list, count, table, normals, search, indexes);
}

void AddPooledUVs(BlockArray<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, std::span<const VgxUV> uvs,
                  bool search, std::vector<int32_t>& indexes) {
    AddBatch<UVPool>(list, count, table, uvs, search, indexes);
}

void RefilePoints(BlockArray<VgxPoint>& list, int32_t count, HashTable& table) {
    Refile<PointPool>(list, count, table);
}

void RefileNormals(BlockArray<iVgxNormal>& list, int32_t count, HashTable& table) {
    Refile<NormalPool>(list, count, table);
}

void RefileUVs(BlockArray<iVgxUVCoordinate>& list, int32_t count, HashTable& table) {
    Refile<UVPool>(list, count, table);
}

struct PoolSearches {
    KeptIndex<PointPool> points;
    KeptIndex<NormalPool> normals;
    KeptIndex<UVPool> uvs;
};

void PoolSearchesDeleter::operator()(PoolSearches* searches) const { delete searches; }

namespace {

PoolSearches& Searches(PoolSearchCache& cache) {
    if (!cache) cache.reset(new PoolSearches);
    return *cache;
}

}  // namespace

int32_t SearchPoint(iVgxObject& level, PoolSearchCache& cache, const VgxVector& point) {
    return AddKept<PointPool>(level.PointList, level.PointListCount, level.PointHashTable, Searches(cache).points,
                              point);
}

int32_t SearchNormal(iVgxObject& level, PoolSearchCache& cache, const VgxVector& normal) {
    return AddKept<NormalPool>(level.NormalList, level.NormalListCount, level.NormalHashTable, Searches(cache).normals,
                               normal);
}

int32_t SearchUV(iVgxObject& level, PoolSearchCache& cache, const VgxUV& uv) {
    return AddKept<UVPool>(level.UVList, level.UVListCount, level.UVHashTable, Searches(cache).uvs, uv);
}

int32_t AddPooledEdge(BlockArray<iVgxEdge>& list, int32_t& count, FlatIndexMap& index, const iVgxEdge& edge,
                      bool findOnly) {
    // Exact matches: one lookup finds what walking a hash chain would.
    const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(edge.Point[0])) << 32 |
                         static_cast<uint32_t>(edge.Point[1]);
    const int32_t found = index.Find(key);
    if (found >= 0 || findOnly) return found;
    if (static_cast<int32_t>(list.size()) <= count) list.resize(static_cast<size_t>(count) + 1);
    list[count] = edge;
    index.Insert(key, count);
    return count++;
}

}  // namespace vgx::modIndex
