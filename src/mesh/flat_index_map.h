#pragma once
// An open-addressing map from a 64-bit key to an index, in one flat array: the
// exact-match lookup of the edge pool, without a node per entry.
#include <cstdint>
#include <vector>

#include "base/large_blocks.h"

namespace vgx {

class FlatIndexMap {
public:
    // The index stored under `key`, or -1.
    int32_t Find(uint64_t key) const {
        if (slots_.empty()) return -1;
        for (size_t i = Home(key);; i = (i + 1) & mask_) {
            if (slots_[i].index < 0) return -1;
            if (slots_[i].Key() == key) return slots_[i].index;
        }
    }

    // Stores `index` under a key that is not present yet.
    void Insert(uint64_t key, int32_t index) {
        if ((size_ + 1) * 2 > slots_.size()) Grow();
        size_t i = Home(key);
        while (slots_[i].index >= 0) i = (i + 1) & mask_;
        slots_[i] = {static_cast<uint32_t>(key >> 32), static_cast<uint32_t>(key), index};
        ++size_;
    }

    size_t Size() const { return size_; }

    void Reserve(size_t entries) {
        while (slots_.size() < entries * 2) Grow();
    }

    void Clear() {
        slots_.clear();
        size_ = 0;
        mask_ = 0;
    }

private:
    struct Slot {
        uint32_t keyHigh = 0, keyLow = 0;
        int32_t index = -1;
        uint64_t Key() const { return static_cast<uint64_t>(keyHigh) << 32 | keyLow; }
    };

    size_t Home(uint64_t key) const {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return static_cast<size_t>(key) & mask_;
    }

    void Grow() {
        BlockArray<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        mask_ = slots_.size() - 1;
        size_ = 0;
        for (const Slot& slot : old) {
            if (slot.index >= 0) Insert(slot.Key(), slot.index);
        }
    }

    BlockArray<Slot> slots_;
    size_t size_ = 0;
    size_t mask_ = 0;
};

}  // namespace vgx
