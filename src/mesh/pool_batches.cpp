// The pools' speed-ups, each giving exactly what the plain chain walk
// (pool_chains.h) gives: batches pooled through a temporary proximity index,
// shared out over the threads by bucket, and an index kept across single searches.
#include <optional>

#include "base/task_pool.h"
#include "mesh/mod_index.h"
#include "mesh/pool_chains.h"
#include "mesh/proximity_index.h"
#include "mesh/recent_values.h"

namespace vgx::modIndex {
namespace {

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

bool BatchUsesIndex(size_t incoming, int32_t pooled) {
    // Building costs about one step per pooled entry; below this many incoming
    // values, or with a pool many times the batch, the walks are cheaper.
    constexpr size_t kMinimumBatch = 64, kPoolPerIncoming = 16;
    return incoming >= kMinimumBatch && incoming * kPoolPerIncoming >= static_cast<size_t>(pooled);
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

}  // namespace vgx::modIndex
