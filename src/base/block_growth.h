#pragma once
// Big record arrays grown on every core: the first touch of fresh memory (a page
// fault and a zeroing per page) and the making of the records then run on the
// worker threads instead of the caller's alone.
#include <memory>

#include "base/large_blocks.h"
#include "base/task_pool.h"

namespace vgx {

// Grows `array` to `count` elements made as resize() makes them.
template <class T>
void GrowInParallel(BlockArray<T>& array, size_t count) {
    constexpr size_t kRecordsPerChunk = tasks::kCoarseGrain;
    const size_t before = array.size();
    if (count <= before) return array.resize(count);
    GrowForOverwrite(array, count);
    T* added = array.data() + before;
    tasks::ParallelFor(count - before, kRecordsPerChunk, [&](size_t begin, size_t end) {
        std::uninitialized_value_construct(added + begin, added + end);
    });
}

}  // namespace vgx
