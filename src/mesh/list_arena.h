#pragma once
// Many small growable lists of indexes (the faces and edges around each point,
// the faces along each edge) kept in one flat block store, so building adjacency
// for a million points costs no allocation per point.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace vgx {

class ListArena {
public:
    // A list's handle; a default handle is the empty list.
    struct List {
        int32_t head = -1;
        int32_t tail = -1;
        int32_t count = 0;
    };

    void Append(List& list, int32_t value) {
        const int32_t slot = list.count % kBlockSize;
        if (slot == 0) {
            // A list given room by Allocate moves on to its next block.
            const int32_t room = list.count == 0 ? list.head : blocks_[list.tail].next;
            if (room >= 0) {
                list.tail = room;
            } else {
                const auto block = static_cast<int32_t>(blocks_.size());
                blocks_.push_back(Block{});
                if (list.tail >= 0) {
                    blocks_[list.tail].next = block;
                } else {
                    list.head = block;
                }
                list.tail = block;
            }
        }
        blocks_[list.tail].items[slot] = value;
        ++list.count;
    }

    // Gives empty lists room for counts[i] entries each, in consecutive blocks, so a
    // bulk fill appends without allocating and the lists read back contiguously.
    template <class ListOf>
    void Allocate(size_t lists, ListOf&& listOf, const int32_t* counts) {
        size_t total = 0;
        for (size_t i = 0; i < lists; ++i) total += static_cast<size_t>((counts[i] + kBlockSize - 1) / kBlockSize);
        Reserve(total);
        auto block = static_cast<int32_t>(blocks_.size());
        blocks_.resize(blocks_.size() + total);
        for (size_t i = 0; i < lists; ++i) {
            const int32_t n = (counts[i] + kBlockSize - 1) / kBlockSize;
            if (n == 0) continue;
            List& list = listOf(i);
            list.head = block;
            for (int32_t b = 1; b < n; ++b, ++block) blocks_[block].next = block + 1;
            ++block;
        }
    }

    // Calls visit(value) for each entry in order.
    template <class Visit>
    void ForEach(const List& list, Visit&& visit) const {
        int32_t remaining = list.count;
        for (int32_t block = list.head; remaining > 0; block = blocks_[block].next) {
            const int32_t n = remaining < kBlockSize ? remaining : kBlockSize;
            for (int32_t i = 0; i < n; ++i) visit(blocks_[block].items[i]);
            remaining -= n;
        }
    }

    // Entry i of the list (0 <= i < count).
    int32_t At(const List& list, int32_t i) const {
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

    // Room for `blocks` more blocks of entries, growing at least geometrically.
    void Reserve(size_t blocks) {
        if (blocks_.size() + blocks > blocks_.capacity()) {
            blocks_.reserve(std::max(blocks_.size() + blocks, 2 * blocks_.capacity()));
        }
    }
    // Empties every list; the storage is kept for the next build.
    void Clear() { blocks_.clear(); }

private:
    static constexpr int32_t kBlockSize = 7;
    struct Block {
        int32_t items[kBlockSize];
        int32_t next = -1;
    };
    std::vector<Block> blocks_;
};

}  // namespace vgx
