#pragma once
// Keys filed under points (a corner's render vertex, a side's edge), numbered in
// order of first use over the faces and found in runs of faces, one per thread.
// Each run keys its faces among the keys its own faces met before, chained per
// point. A key a run meets for the first time may have been met by an earlier
// run: it then takes that run's number, and every key new to all runs before it
// gets the next number in run order. A run's new keys come in face order, so the
// numbers are the ones a single walk over all faces gives, whatever the number of
// runs. Every key of the first run is new, so its keys are its numbers.
//
// A pool numbers points in order of first use, so a run of faces mostly meets
// points of its own. Each run and each slice of a run's keys keeps the span of
// points it met: a run clears its points over its last span only, and a slice
// of keys outside every earlier run's span is new throughout, numbered without
// a lookup or a record per key.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "base/task_pool.h"
#include "mesh/mesh_records.h"

namespace vgx {

// Keys::Key is filed under Keys::Point(key), compared by Keys::Same and chained
// through Keys::Next(key) (index + 1, 0 ending the chain).
template <class Keys>
class PointKeyRuns {
public:
    using Key = typename Keys::Key;

    // Cuts faces [0, faces) into runs of at least 16,384 faces, for keys under
    // points [0, points).
    void Start(size_t faces, size_t points) {
        const size_t count = tasks::RunCount(faces, tasks::kMinFacesPerRun);
        if (allRuns_.size() < count) allRuns_.resize(count);
        runs_ = std::span<Run>(allRuns_.data(), count);
        points_ = points;
        for (size_t r = 0; r < count; ++r) {
            runs_[r].firstFace = faces * r / count;
            runs_[r].endFace = faces * (r + 1) / count;
        }
    }

    size_t RunCount() const { return runs_.size(); }
    size_t FirstFace(size_t r) const { return runs_[r].firstFace; }
    size_t EndFace(size_t r) const { return runs_[r].endFace; }

    // walk(run) for every run, each on one thread, then alongside(i) for every i
    // below `alongsideChunks` on the threads done with their runs.
    template <class Walk, class Alongside>
    void WalkRuns(Walk&& walk, size_t alongsideChunks, Alongside&& alongside) {
        const auto walkRun = [&](size_t r) {
            Run& run = runs_[r];
            run.Clear();
            if (run.points.size() < points_) run.points.resize(points_);
            walk(r);
            if (run.keys.size() % kKeysPerSlice != 0) run.EndSlice();
        };
        if (runs_.size() == 1) {
            walkRun(0);
            tasks::RunChunks(alongsideChunks, alongside);
            return;
        }
        tasks::RunChunks(runs_.size() + alongsideChunks, [&](size_t k) {
            if (k < runs_.size()) {
                walkRun(k);
            } else {
                alongside(k - runs_.size());
            }
        });
    }
    template <class Walk>
    void WalkRuns(Walk&& walk) {
        WalkRuns(walk, 0, [](size_t) {});
    }

    // The key's index in run r, appended to its point's chain when new.
    int32_t FindOrAdd(size_t r, const Key& key) {
        Run& run = runs_[r];
        int32_t& head = run.points[Keys::Point(key)].head;
        int32_t last = 0;
        for (int32_t link = head; link != 0; link = Keys::Next(run.keys[link - 1])) {
            if (Keys::Same(run.keys[link - 1], key)) return link - 1;
            last = link;
        }
        run.Add(key);
        const auto index = static_cast<int32_t>(run.keys.size());
        (last == 0 ? head : Keys::Next(run.keys[last - 1])) = index;
        return index - 1;
    }

    // After the walks, with several runs: finds which keys of the later runs an
    // earlier run met and numbers the others after the first run's keys, calls
    // grow(count of all keys) once, then fill(number, key) for each of the later
    // runs' new keys on the worker threads. The first run's keys are numbered by
    // their index; the caller fills them itself.
    template <class Grow, class Fill>
    void NumberLaterRuns(Grow&& grow, Fill&& fill) {
        std::vector<std::pair<size_t, size_t>> slices;  // (run, slice)
        for (size_t r = 1; r < runs_.size(); ++r) {
            Run& run = runs_[r];
            run.owners.resize(run.keys.size());
            for (size_t k = 0; k < run.slices.size(); ++k) slices.emplace_back(r, k);
        }
        const auto eachSlice = [&](auto&& body) {
            tasks::ParallelFor(slices.size(), 1, [&](size_t k, size_t) {
                body(runs_[slices[k].first], slices[k].first, slices[k].second);
            });
        };
        eachSlice([&](Run& run, size_t r, size_t k) { FindEarlierKeys(run, r, run.slices[k]); });
        auto next = static_cast<int32_t>(runs_[0].keys.size());
        for (const auto& [r, k] : slices) {
            Slice& slice = runs_[r].slices[k];
            slice.firstNumber = next;
            next += slice.newKeys;
        }
        grow(static_cast<size_t>(next));
        eachSlice([&](Run& run, size_t r, size_t k) {
            const Slice& slice = run.slices[k];
            int32_t number = slice.firstNumber;
            for (size_t i = slice.begin; i < slice.end; ++i) {
                if (!slice.allNew) {
                    Owner& owner = run.owners[i];
                    if (owner.run != static_cast<int32_t>(r)) continue;
                    owner.number = number;
                }
                fill(number++, run.keys[i]);
            }
        });
    }

    // The number of key i of run r, once every run's new keys have theirs.
    int32_t Number(size_t r, int32_t i) const {
        if (NewTo(r, i)) return NumberOfNew(r, i);
        const Owner& owner = runs_[r].owners[static_cast<size_t>(i)];
        return NumberOfNew(static_cast<size_t>(owner.run), owner.number);
    }

    // After NumberLaterRuns: every corner of the later runs' faces, whose slot
    // (slot(c) for the corner at place c of the corner store) holds its key's
    // index in its run, takes the key's number instead.
    template <class CornerSlot>
    void NumberLaterCorners(const iVgxObject& level, CornerSlot&& slot) const {
        constexpr size_t kFacesPerChunk = tasks::kGrain;
        tasks::ForEachItemOfLaterRuns(
            runs_.size(), kFacesPerChunk, [&](size_t r) { return runs_[r].endFace; },
            [&](size_t r, size_t f) { NumberCorners(level, r, f, slot); });
    }
    // The same for face f alone, which takes nothing when in the first run.
    template <class CornerSlot>
    void NumberLaterCornersOf(const iVgxObject& level, size_t f, CornerSlot&& slot) const {
        if (f < runs_[0].endFace) return;
        size_t r = 1;
        while (f >= runs_[r].endFace) ++r;
        NumberCorners(level, r, f, slot);
    }

    // How many keys are filed under point p, each counted once over all runs.
    int64_t KeysOf(size_t p) const {
        int64_t count = 0;
        for (const Run& run : runs_) {
            if (run.met.Holds(p)) count += run.points[p].newKeys;
        }
        return count;
    }
    // visit(number) for each key filed under point p, in ascending order.
    template <class Visit>
    void ForEachNumberOf(size_t p, Visit&& visit) const {
        for (size_t r = 0; r < runs_.size(); ++r) {
            const Run& run = runs_[r];
            if (!run.met.Holds(p)) continue;
            for (int32_t link = run.points[p].head; link != 0; link = Keys::Next(run.keys[link - 1])) {
                if (NewTo(r, link - 1)) visit(NumberOfNew(r, link - 1));
            }
        }
    }

private:
    // A point as one run sees it: its first key in the run (index + 1, 0 for
    // none), and its keys in the run, less those an earlier run met once known.
    struct RunPoint {
        int32_t head;
        int32_t newKeys;
    };
    // A key of a later run: the run that met it first and its index there, which
    // for a key new to its own run becomes its number.
    struct Owner {
        int32_t run, number;
    };
    // The lowest and highest point met, lowest > highest before any.
    struct PointSpan {
        size_t lowest = SIZE_MAX, highest = 0;
        bool Holds(size_t p) const { return p >= lowest && p <= highest; }
        bool Meets(const PointSpan& other) const { return lowest <= other.highest && other.lowest <= highest; }
        void Add(size_t p) {
            lowest = std::min(lowest, p);
            highest = std::max(highest, p);
        }
        void Add(const PointSpan& other) {
            lowest = std::min(lowest, other.lowest);
            highest = std::max(highest, other.highest);
        }
    };
    // A slice of a run's keys, looked up and numbered apart from the rest of the
    // run so that every thread shares every run's work.
    static constexpr size_t kKeysPerSlice = 16384;
    struct Slice {
        size_t begin = 0, end = 0;
        PointSpan met;
        bool allNew = false;  // no earlier run met any of its keys' points
        int32_t newKeys = 0, firstNumber = 0;
    };
    // Each on its own cache lines: runs on different threads append to their keys.
    struct alignas(64) Run {
        size_t firstFace = 0, endFace = 0;
        PointSpan met;                 // of the slices ended
        PointSpan sliceMet;            // of the keys since: outside both, every point's entry is empty
        // Big arrays come from the block store, which a call's next keying reuses.
        BlockArray<RunPoint> points;
        BlockArray<Key> keys;      // in order of first use
        BlockArray<Slice> slices;  // of the keys, in order
        BlockArray<Owner> owners;  // per key of a later run's slice not all new

        // Empties the points met, also by a walk that failed.
        void Clear() {
            met.Add(sliceMet);
            if (met.lowest <= met.highest) {
                std::fill(points.begin() + static_cast<ptrdiff_t>(met.lowest),
                          points.begin() + static_cast<ptrdiff_t>(met.highest) + 1, RunPoint{0, 0});
            }
            met = sliceMet = {};
            keys.clear();
            slices.clear();
        }
        void Add(const Key& key) {
            const auto p = static_cast<size_t>(Keys::Point(key));
            keys.push_back(key);
            Keys::Next(keys.back()) = 0;
            ++points[p].newKeys;
            sliceMet.Add(p);
            if (keys.size() % kKeysPerSlice == 0) EndSlice();
        }
        void EndSlice() {
            slices.push_back({slices.size() * kKeysPerSlice, keys.size(), sliceMet, false, 0, 0});
            met.Add(sliceMet);
            sliceMet = {};
        }
    };

    // Face f of run r: its corners' slots turn from key index to key number.
    template <class CornerSlot>
    void NumberCorners(const iVgxObject& level, size_t r, size_t f, CornerSlot& slot) const {
        const iVgxFace& face = level.FaceList[f];
        for (int32_t k = 0; k < face.PointCount; ++k) {
            int32_t& number = slot(static_cast<size_t>(face.CornerStart + k));
            number = Number(r, number);
        }
    }

    // Whether key i of run r is new to all runs before it.
    bool NewTo(size_t r, int32_t i) const {
        if (r == 0) return true;
        const Run& run = runs_[r];
        return run.slices[static_cast<size_t>(i) / kKeysPerSlice].allNew ||
               static_cast<size_t>(run.owners[static_cast<size_t>(i)].run) == r;
    }
    // The number of key i of run r, new to all runs before it.
    int32_t NumberOfNew(size_t r, int32_t i) const {
        if (r == 0) return i;
        const Run& run = runs_[r];
        const Slice& slice = run.slices[static_cast<size_t>(i) / kKeysPerSlice];
        return slice.allNew ? slice.firstNumber + (i - static_cast<int32_t>(slice.begin))
                            : run.owners[static_cast<size_t>(i)].number;
    }

    // The key's index among run r's keys chained under its point, or -1.
    int32_t Find(const Run& run, const Key& key) const {
        for (int32_t link = run.points[Keys::Point(key)].head; link != 0; link = Keys::Next(run.keys[link - 1])) {
            if (Keys::Same(run.keys[link - 1], key)) return link - 1;
        }
        return -1;
    }

    // For each key of the slice, the earliest run that met it, if an earlier one
    // did: the key is then not new to its point.
    void FindEarlierKeys(Run& run, size_t r, Slice& slice) {
        const auto self = static_cast<int32_t>(r);
        slice.allNew = std::none_of(runs_.begin(), runs_.begin() + self,
                                    [&](const Run& earlier) { return earlier.met.Meets(slice.met); });
        slice.newKeys = static_cast<int32_t>(slice.end - slice.begin);
        if (slice.allNew) return;
        for (size_t i = slice.begin; i < slice.end; ++i) {
            const Key& key = run.keys[i];
            int32_t owner = self, at = static_cast<int32_t>(i);
            for (int32_t earlier = 0; earlier < self && owner == self; ++earlier) {
                const int32_t found = Find(runs_[earlier], key);
                if (found >= 0) owner = earlier, at = found;
            }
            run.owners[i] = {owner, at};
            if (owner != self) {
                --slice.newKeys;
                // Slices of one run may share a point.
                std::atomic_ref<int32_t>(run.points[Keys::Point(key)].newKeys).fetch_sub(1, std::memory_order_relaxed);
            }
        }
    }

    std::vector<Run> allRuns_;
    std::span<Run> runs_;
    size_t points_ = 0;
};

}  // namespace vgx
