#pragma once
// Many small lists of indexes (the faces and edges around each point, the faces
// along each edge) kept in two flat stores, so building adjacency for a million
// points costs no allocation per point. A bulk build packs every list back to back
// (counted first, then filled); a list that grows afterwards moves to a chain of
// small blocks, where appends are cheap.
#include <cstdint>
#include <utility>
#include <vector>

#include "base/large_blocks.h"

namespace vgx {

class ListArena {
public:
    // A list's handle, 8 bytes (a mesh holds three per triangle); a default handle
    // is the empty list. `head` is the first block of a chained list, or for a packed
    // list kPackedBase - (where its entries start in the packed store).
    struct List {
        int32_t head = -1;
        int32_t count = 0;
    };

    void Append(List& list, int32_t value) {
        if (IsPacked(list)) Unpack(list);
        const int32_t slot = list.count % kBlockSize;
        if (list.count == 0) {
            list.head = NewBlock();
            blocks_[list.head].tail = list.head;
        } else if (slot == 0) {
            const int32_t block = NewBlock();
            blocks_[blocks_[list.head].tail].next = block;
            blocks_[list.head].tail = block;
        }
        blocks_[blocks_[list.head].tail].items[slot] = value;
        ++list.count;
    }

    // Calls visit(value) for each entry in order.
    template <class Visit>
    void ForEach(const List& list, Visit&& visit) const {
        if (IsPacked(list)) {
            const int32_t* items = packed_.data() + PackedStart(list);
            for (int32_t i = 0; i < list.count; ++i) visit(items[i]);
            return;
        }
        int32_t remaining = list.count;
        for (int32_t block = list.head; remaining > 0; block = blocks_[block].next) {
            const int32_t n = remaining < kBlockSize ? remaining : kBlockSize;
            for (int32_t i = 0; i < n; ++i) visit(blocks_[block].items[i]);
            remaining -= n;
        }
    }

    // Entry i of the list (0 <= i < count).
    int32_t At(const List& list, int32_t i) const {
        if (IsPacked(list)) return packed_[static_cast<size_t>(PackedStart(list) + i)];
        int32_t block = list.head;
        for (int32_t skip = i / kBlockSize; skip > 0; --skip) block = blocks_[block].next;
        return blocks_[block].items[i % kBlockSize];
    }

    std::vector<int32_t> ToVector(const List& list) const {
        std::vector<int32_t> values;
        values.reserve(static_cast<size_t>(list.count));
        ForEach(list, [&](int32_t value) { values.push_back(value); });
        return values;
    }

    // A list of `count` entries from `start` of the packed store.
    static List Packed(int32_t start, int32_t count) { return {kPackedBase - start, count}; }
    // Empties every list and hands over the packed store, so a caller can fill it
    // whole (in parallel) and give it back with AdoptPacked, keeping its memory.
    BlockArray<int32_t> TakePacked() {
        blocks_.clear();
        BlockArray<int32_t> store;
        store.swap(packed_);
        return store;
    }
    void AdoptPacked(BlockArray<int32_t>&& store) { packed_ = std::move(store); }

    // Empties every list; the storage is kept for the next build.
    void Clear() {
        blocks_.clear();
        packed_.clear();
    }

private:
    // A chained list's head block also keeps where the chain ends, so appends stay
    // cheap without a tail in every handle. 32 bytes a block.
    static constexpr int32_t kBlockSize = 6;
    static constexpr int32_t kPackedBase = -2;
    struct Block {
        int32_t items[kBlockSize];
        int32_t next = -1;
        int32_t tail = -1;  // in a list's head block: its last block
    };

    static bool IsPacked(const List& list) { return list.head <= kPackedBase; }
    static int32_t PackedStart(const List& list) { return kPackedBase - list.head; }

    int32_t NewBlock() {
        blocks_.push_back(Block{});
        return static_cast<int32_t>(blocks_.size()) - 1;
    }

    // Moves a packed list's entries into blocks, so it can grow.
    void Unpack(List& list) {
        const List packed = list;
        list = {};
        for (int32_t i = 0; i < packed.count; ++i) Append(list, packed_[static_cast<size_t>(PackedStart(packed) + i)]);
    }

    BlockArray<Block> blocks_;
    BlockArray<int32_t> packed_;
};

}  // namespace vgx
