#include "mesh/mod_index.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "root/mod_vector.h"

namespace vgx::modIndex {
namespace {

constexpr float kTolerance = 0.0001f;

uint32_t Bits(float key) {
    uint32_t bits;
    std::memcpy(&bits, &key, sizeof bits);
    return bits;
}

// The next-link field of each pooled record.
int32_t& Next(VgxPoint& p) { return p.NextPoint; }
int32_t& Next(iVgxNormal& n) { return n.NextNormal; }
int32_t& Next(iVgxUVCoordinate& t) { return t.NextUV; }

// The shared find-or-insert: walk the bucket's chain for a match, else append
// the record at `count` and link it at the chain's end. Chains only link older
// entries to newer ones, so the first match is the oldest.
template <class Record, class Matches>
int32_t FindOrInsert(std::vector<Record>& list, int32_t& count, HashTable& table, int32_t bucket, const Record& record,
                     bool findOnly, bool search, Matches&& matches) {
    int32_t& head = table.heads[bucket];
    if (search) {
        for (int32_t link = head; link != 0; link = Next(list[link - 1])) {
            if (matches(list[link - 1])) return link - 1;
        }
    }
    if (findOnly) return -1;
    if (count == 0) {
        list.assign(1, Record{});
    } else if (static_cast<int32_t>(list.size()) <= count) {
        list.resize(static_cast<size_t>(count) + 1);
    }
    const int32_t index = count;
    list[index] = record;
    Next(list[index]) = 0;
    ++count;
    int32_t& tail = table.tails[bucket];
    if (head == 0) {
        head = index + 1;
    } else {
        Next(list[tail - 1]) = index + 1;
    }
    tail = index + 1;
    return index;
}

}  // namespace

float PointHashKey(const VgxVector& point) {
    float sum = 0;
    for (float component : {point.X, point.Y, point.Z}) {
        if (std::fabs(component) > kTolerance) sum += component;
    }
    // Five significant digits, as the text "0.0000E+00" would show them.
    char text[32];
    std::snprintf(text, sizeof text, "%.4E", static_cast<double>(sum));
    return std::strtof(text, nullptr);
}

int32_t FloatBucket(float key, int32_t tableType) {
    const uint32_t bits = Bits(key);
    const int32_t b1 = (bits >> 8) & 0xFF, b2 = (bits >> 16) & 0xFF;
    return b1 * 256 * tableType + b2;
}

int32_t AddPooledPoint(std::vector<VgxPoint>& list, int32_t& count, HashTable& table, const VgxPoint& point,
                       bool findOnly, bool search) {
    const int32_t bucket = FloatBucket(PointHashKey(point.Point), table.type);
    return FindOrInsert(list, count, table, bucket, point, findOnly, search, [&](const VgxPoint& candidate) {
        return modVector::VectorsEqual(candidate.Point, point.Point);
    });
}

int32_t AddPooledNormal(std::vector<iVgxNormal>& list, int32_t& count, HashTable& table, const VgxVector& normal,
                        bool search) {
    const auto key = static_cast<float>(static_cast<double>(normal.Y) + normal.X + normal.Z);
    return FindOrInsert(list, count, table, FloatBucket(key, table.type), iVgxNormal{normal, 0}, false, search,
                        [&](const iVgxNormal& candidate) { return modVector::VectorsEqual(candidate.Vector, normal); });
}

int32_t AddPooledUV(std::vector<iVgxUVCoordinate>& list, int32_t& count, HashTable& table, const VgxUV& uv,
                    bool search) {
    const auto key = static_cast<float>(static_cast<double>(uv.V) + uv.U);
    return FindOrInsert(list, count, table, FloatBucket(key, table.type), iVgxUVCoordinate{uv, 0}, false, search,
                        [&](const iVgxUVCoordinate& candidate) {
                            return std::fabs(candidate.Coordinate.U - uv.U) < kTolerance &&
                                   std::fabs(candidate.Coordinate.V - uv.V) < kTolerance;
                        });
}

int32_t AddPooledEdge(std::vector<iVgxEdge>& list, int32_t& count, FlatIndexMap& index, const iVgxEdge& edge,
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
