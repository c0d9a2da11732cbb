#pragma once
// A small direct-mapped cache of the values a pool batch met last and the entries
// they pooled to. Face soups list each coordinate several times, close together in
// the stream; a value equal bit for bit to a remembered one pools to the same entry
// (a pool's chains only grow at their ends, so its first match cannot change), which
// the cache answers without searching the pool.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/large_blocks.h"

namespace vgx {

template <class Value, int Dims>
class RecentValues {
public:
    // A cache for a batch of `values` values: no larger than the batch, nor than a
    // core's L2 cache.
    explicit RecentValues(size_t values) {
        size_t size = 64;
        while (size < values && size < kMaxSize) size *= 2;
        entries_.resize(size);
        mask_ = size - 1;
    }

    // The entry `value` pooled to when last met, or -1.
    int32_t Find(const Value& value) const {
        const Entry& entry = entries_[Slot(value)];
        return entry.index >= 0 && std::memcmp(&entry.value, &value, sizeof value) == 0 ? entry.index : -1;
    }

    // Remembers where `value` pooled. A non-finite value matches nothing, not even
    // itself, so it is never remembered.
    void Remember(const Value& value, const std::array<float, Dims>& components, int32_t index) {
        for (float c : components) {
            if (!std::isfinite(c)) return;
        }
        entries_[Slot(value)] = {value, index};
    }

private:
    static constexpr size_t kMaxSize = size_t{1} << 14;
    struct Entry {
        Value value{};
        int32_t index = -1;
    };

    size_t Slot(const Value& value) const {
        std::array<uint32_t, Dims> bits;
        std::memcpy(bits.data(), &value, sizeof bits);
        uint64_t hash = 0;
        for (uint32_t b : bits) hash = (hash ^ b) * 0x9E3779B97F4A7C15ULL;
        return static_cast<size_t>(hash >> 40) & mask_;
    }

    BlockArray<Entry> entries_;
    size_t mask_ = 0;
};

}  // namespace vgx
