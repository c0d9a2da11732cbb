#pragma once
// An index of a pool's entries for searches that would walk its hash chains. Entries are
// keyed by the hash bucket they are filed under and the grid cell of their
// position, and each cell lists its entries in ascending order. A query visits
// only the cells of its own bucket that lie within the match tolerance of its
// position, so it finds the lowest matching entry filed in that bucket, which is
// exactly what walking the bucket's chain finds, without the walk.
//
// The index holds positions as they were when filed here: whoever keeps it beyond
// one batch must drop it when a filed position may have moved.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/large_blocks.h"

namespace vgx {

template <int Dims>
class ProximityIndex {
public:
    using Position = std::array<float, Dims>;

    // `entries` is a first guess at how many entries will be filed; `reach` bounds
    // the distance, per coordinate, at which a position can still match; `cells`
    // is a first guess at how many cells will be used.
    ProximityIndex(int32_t entries, double reach, size_t cells)
        : next_(static_cast<size_t>(entries), -1), reach_(reach) {
        size_t slots = 64;
        while (slots < cells * 2) slots *= 2;
        slots_.assign(slots, Slot{});
        mask_ = slots - 1;
    }

    // Files `index` under `bucket` at `at`. Each index must be above every index
    // already filed in the same bucket: chains and appends both file in that
    // order, which keeps every cell's list ascending. A position with a
    // non-finite coordinate is left out, since it can never match.
    void Insert(int32_t index, int32_t bucket, const Position& at) {
        Key key;
        key.bucket = bucket;
        for (int d = 0; d < Dims; ++d) {
            if (!std::isfinite(at[d])) return;
            key.cell[d] = CellOf(at[d]);
        }
        if (static_cast<size_t>(index) >= next_.size())
            next_.resize(std::max(static_cast<size_t>(index) + 1, next_.size() * 2), -1);
        if ((size_ + 1) * 2 > slots_.size()) Grow();
        Slot& slot = Locate(key);
        if (slot.tail < 0) {
            slot.key = key;
            next_[index] = index;  // a one-entry ring
            ++size_;
        } else {
            // The ring's tail points back at its head: the new tail does so now.
            next_[index] = next_[slot.tail];
            next_[slot.tail] = index;
        }
        slot.tail = index;
    }

    // The lowest index filed under `bucket` for which matches(index) holds, or -1.
    // matches must fail for positions further than `reach` in any coordinate and
    // whenever the query has a non-finite coordinate.
    template <class Matches>
    int32_t FindFirst(int32_t bucket, const Position& at, Matches&& matches) const {
        Key lo, hi;
        lo.bucket = hi.bucket = bucket;
        for (int d = 0; d < Dims; ++d) {
            if (!std::isfinite(at[d])) return -1;
            if (std::fabs(at[d]) >= kSpacedOut) {
                // Floats this large are further apart than twice the reach: only an
                // equal coordinate can match.
                lo.cell[d] = hi.cell[d] = CellOf(at[d]);
            } else {
                // Rounding is monotonic, so every coordinate in [at - reach, at + reach]
                // falls in a cell between these two.
                lo.cell[d] = CellOf(static_cast<double>(at[d]) - reach_);
                hi.cell[d] = CellOf(static_cast<double>(at[d]) + reach_);
            }
        }
        int32_t best = -1;
        Key key = lo;
        for (;;) {
            const Slot& slot = Locate(key);
            if (slot.tail >= 0) {
                for (int32_t i = next_[slot.tail];; i = next_[i]) {
                    if (best >= 0 && i >= best) break;
                    if (matches(i)) {
                        best = i;
                        break;
                    }
                    if (i == slot.tail) break;
                }
            }
            int d = 0;
            for (; d < Dims; ++d) {
                if (key.cell[d] < hi.cell[d]) {
                    ++key.cell[d];
                    break;
                }
                key.cell[d] = lo.cell[d];
            }
            if (d == Dims) return best;
        }
    }

private:
    // Cells 1/1024 wide: wider than the 2 x 0.0001 a query spans, so a query
    // touches at most two cells per coordinate, yet narrow enough that meshes
    // rarely put two distinct positions in one cell. Integers fall mid-cell.
    static constexpr double kCellsPerUnit = 1024;
    // Up to here cells are numbered along the axis and stay well inside int32.
    static constexpr double kLinearLimit = 1 << 20;
    // From here on neighbouring floats are 1/32 or more apart.
    static constexpr float kSpacedOut = 1 << 19;

    struct Key {
        std::array<int32_t, Dims> cell{};
        int32_t bucket = 0;
        bool operator==(const Key&) const = default;
    };
    struct Slot {
        Key key;
        int32_t tail = -1;  // the highest index in the cell; -1: slot unused
    };

    // Beyond the linear range a cell is named by the float's bits. Such a name may
    // equal the number of a linear cell; sharing a cell costs a few comparisons,
    // never a missed match.
    static int32_t CellOf(double x) {
        if (std::fabs(x) < kLinearLimit) return static_cast<int32_t>(std::floor(x * kCellsPerUnit + 0.5));
        const auto f = static_cast<float>(x);
        int32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return bits;
    }

    size_t Home(const Key& key) const {
        uint64_t h = static_cast<uint32_t>(key.bucket);
        for (int d = 0; d < Dims; ++d) h = h * 0x9E3779B97F4A7C15ULL + static_cast<uint32_t>(key.cell[d]);
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        return static_cast<size_t>(h) & mask_;
    }

    // The slot holding `key`, or the unused slot where it would go.
    Slot& Locate(const Key& key) {
        size_t i = Home(key);
        while (slots_[i].tail >= 0 && !(slots_[i].key == key)) i = (i + 1) & mask_;
        return slots_[i];
    }
    const Slot& Locate(const Key& key) const { return const_cast<ProximityIndex*>(this)->Locate(key); }

    void Grow() {
        BlockArray<Slot> old = std::move(slots_);
        slots_.assign(old.size() * 2, Slot{});
        mask_ = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.tail >= 0) Locate(slot.key) = slot;
        }
    }

    BlockArray<Slot> slots_;
    BlockArray<int32_t> next_;  // each entry's successor in its cell's ring
    size_t size_ = 0;
    size_t mask_ = 0;
    double reach_;
};

}  // namespace vgx
