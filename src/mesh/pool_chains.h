#pragma once
// The coordinate pools' plain algorithm: each value is filed in the hash bucket of
// its key, chained oldest to newest, and a search walks its bucket's chain for the
// first entry that matches. Batches and repeated searches get the same answers
// faster through the indexes of pool_batches.cpp; this walk is what they answer to.
#include <vgx/VgxTypes.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "base/large_blocks.h"
#include "base/mod_vector.h"
#include "mesh/decimal_key.h"
#include "mesh/mesh_records.h"

namespace vgx::modIndex {

// The next-link field of each pooled record.
inline int32_t& Next(VgxPoint& p) { return p.NextPoint; }
inline int32_t& Next(iVgxNormal& n) { return n.NextNormal; }
inline int32_t& Next(iVgxUVCoordinate& t) { return t.NextUV; }

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

}  // namespace vgx::modIndex
