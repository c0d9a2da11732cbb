#pragma once
// The library's worker threads. Work is cut into chunks that depend only on its
// size, never on the number of threads, and each chunk writes its own part of the
// output, so every result is the same with 1 thread or 256.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vgx::tasks {

inline constexpr int32_t kMaxThreads = 256;

// The threads an operation may use, the caller's included, for every root of the
// process: VGX_THREADS when it holds a whole number from 1 to 256 at the first
// use, else the machine's hardware threads (at most 256).
int32_t ThreadCount();
// Raises 5 for a count outside 1 to 256.
void SetThreadCount(int32_t count);

// Calls chunk(i) for every i in [0, chunks) on up to ThreadCount() threads and
// returns when all have ended. When chunks throw, the exception of the lowest
// failed chunk is rethrown, which is the one a serial run meets first. Inside a
// chunk, further calls run serially on the chunk's thread.
void RunChunks(size_t chunks, const std::function<void(size_t)>& chunk);

// body(begin, end) over [0, count) in ranges of `grain` items, the last shorter.
template <class Body>
void ParallelFor(size_t count, size_t grain, Body&& body) {
    if (count == 0) return;
    const size_t chunks = (count + grain - 1) / grain;
    if (chunks == 1) return body(size_t{0}, count);
    RunChunks(chunks, [&](size_t chunk) { body(chunk * grain, std::min(count, (chunk + 1) * grain)); });
}

// The grains work is cut into, named here once so that every file agrees. Work
// heavy per item (a subdivision point, a smoothed face) takes the fine grain, work
// light per item (a copy, a flag) the coarse one. Results never depend on them.
inline constexpr size_t kFineGrain = 4096;
inline constexpr size_t kGrain = 16384;
inline constexpr size_t kCoarseGrain = 65536;
// Runs of faces a first-use walk cuts the faces into are at least this long.
inline constexpr size_t kMinFacesPerRun = 16384;

// How many runs to cut `items` into when each run walks its own in order on one
// thread and the runs are merged after: one per thread, at most eight (each keeps
// per-key state the size of the mesh), none shorter than `minimum` items.
inline size_t RunCount(size_t items, size_t minimum) {
    constexpr size_t kMaxRuns = 8;
    return std::clamp<size_t>(items / minimum, 1, std::min<size_t>(kMaxRuns, static_cast<size_t>(ThreadCount())));
}

// body(run, item) for every item of runs 1 .. runs - 1, run r ending at runEnd(r)
// and each beginning where the one before ends, in ranges of `grain` items over
// the threads, however many runs there are.
template <class RunEnd, class Body>
void ForEachItemOfLaterRuns(size_t runs, size_t grain, RunEnd&& runEnd, Body&& body) {
    const auto firstItem = static_cast<size_t>(runEnd(0));
    ParallelFor(static_cast<size_t>(runEnd(runs - 1)) - firstItem, grain, [&](size_t begin, size_t end) {
        size_t run = 1;
        for (size_t item = firstItem + begin; item < firstItem + end; ++item) {
            while (item >= static_cast<size_t>(runEnd(run))) ++run;
            body(run, item);
        }
    });
}

// Whether holds(begin, end) for every range of `grain` items of [0, count).
template <class Holds>
bool AllRangesHold(size_t count, size_t grain, Holds&& holds) {
    std::vector<char> rangeHolds((count + grain - 1) / grain, 1);
    ParallelFor(count, grain, [&](size_t begin, size_t end) { rangeHolds[begin / grain] = holds(begin, end) ? 1 : 0; });
    return std::find(rangeHolds.begin(), rangeHolds.end(), 0) == rangeHolds.end();
}

// The exclusive prefix sum: out[i] = value(0) + ... + value(i - 1) for every i in
// [0, count), in chunks of `grain`; returns the sum of all. Whole numbers add up alike in any grouping, so
// this is the serial result.
template <class Value>
int64_t ExclusiveScan(size_t count, size_t grain, Value&& value, int32_t* out) {
    const size_t chunks = (count + grain - 1) / grain;
    std::vector<int64_t> sums(chunks + 1, 0);
    ParallelFor(count, grain, [&](size_t begin, size_t end) {
        int64_t sum = 0;
        for (size_t i = begin; i < end; ++i) sum += value(i);
        sums[begin / grain + 1] = sum;
    });
    for (size_t k = 0; k < chunks; ++k) sums[k + 1] += sums[k];
    ParallelFor(count, grain, [&](size_t begin, size_t end) {
        int64_t at = sums[begin / grain];
        for (size_t i = begin; i < end; ++i) {
            out[i] = static_cast<int32_t>(at);
            at += value(i);
        }
    });
    return sums[chunks];
}

}  // namespace vgx::tasks
